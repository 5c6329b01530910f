#include "editors/editor_common.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "dynamics/world.h"
#include "jel/jel_object.h"
#include "platform/win32.h"
#include "scene/editor_links.h"
#include "scene/edit_rules.h"
#include "geo/geo_list_services.h"
#include "dynamics/jel_selection.h"
#include "geo/geo_list.h"
#include "toolkit/label.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "toolkit/buttons.h"
#include "toolkit/choosers.h"
#include "toolkit/dialog_window.h"
#include "toolkit/edit_control.h"

namespace {

// The smallest multiple of step that is >= a.
double ceilTo(double a, double step) { return std::ceil(a / step - 1e-9) * step; }

// A tenth of the first power of ten >= a (1 up to 10).
double tenthStep(double a) {
  double p = 1;
  while (p < a) p *= 10;
  return p / 10 > 1 ? p / 10 : 1;
}

}  // namespace

float GVNiceSliderMax(float value, float floor) {
  const double a = std::fabs(static_cast<double>(value));
  double r = a <= 0 ? 0 : ceilTo(a, a > 1 ? tenthStep(a) : 1.0);
  if (r < floor) r = floor;
  if (r < 0.1) r = 0.1;
  return static_cast<float>(r);
}

int GVNiceSliderMaxInt(int value) {
  const float m = GVNiceSliderMax(static_cast<float>(value), 10.0f);
  return m < 2.0e9f ? static_cast<int>(m) : 2000000000;  // a limit no int holds stops short of it
}

int GVNiceIntLimit(int n) {
  const int64_t a = n < 0 ? -int64_t(n) : n;
  if (a <= 0) return 10;
  int64_t p = 1;
  while (p < a) p *= 10;
  const int64_t s = p / 10 > 1 ? p / 10 : 1;
  const int64_t r = (a + s - 1) / s * s;
  return r < 10 ? 10 : r > 2000000000 ? 2000000000 : static_cast<int>(r);
}

float GVNiceFloatLimit(float x, float m, int mode) {
  const double a = std::fabs(static_cast<double>(x));
  double r = 0;
  if (mode == 0x100) {
    r = a <= 0 ? 0 : ceilTo(a, tenthStep(a));
    if (r < m) r = m;
  } else if (mode == 0x200) {
    r = a <= m || m <= 0 ? m : ceilTo(a, m);
  }
  return static_cast<float>(r < 0.1 ? 0.1 : r);
}

HWorld* GVEditorWorld() { return GVWorldOf(GVScene().world); }

void GVJelChooserText(int32_t id, char* text, size_t size) {
  HWorld* w = GVEditorWorld();
  if (id >= 1 && w && GVGetJelById(w, id)) {
    char name[256] = "";
    GVCopyJelNameById(w, id, name, sizeof name);
    std::snprintf(text, size, "%s  {%d}", name, id);
  } else if (id == -1) {
    std::snprintf(text, size, "ALL Jels");
  } else if (id < -1) {
    std::snprintf(text, size, "Group_%d", -id);
  } else {
    std::snprintf(text, size, "NONE");
  }
}

void GVShowJelChooser(HwSelectorTool* selector, int32_t id) {
  if (!selector) return;
  char text[kHwSelectorBuffer];
  GVJelChooserText(id, text, sizeof text);
  GVShowSelectorText(selector, text);
}

int32_t GVStepAllObjectsJel(int32_t current, int step) {
  HWorld* w = GVEditorWorld();
  std::vector<int32_t> ids;
  for (HObject* j = w ? w->head : nullptr; j; j = GVNextJel(j))
    if (GVJelInSel(j, -1)) ids.push_back(j->id);
  if (ids.empty()) return 0;
  size_t at = ids.size();
  for (size_t i = 0; i < ids.size(); ++i)
    if (ids[i] == current) at = i;
  if (step > 0) return at >= ids.size() - 1 ? ids.front() : ids[at + 1];
  return at == ids.size() || at == 0 ? ids.back() : ids[at - 1];
}

void GVObjectChooserText(GVChooserKind kind, int32_t id, char* text, size_t size) {
  if (kind == kChooseJel) {
    GVJelChooserText(id, text, size);
    return;
  }
  const GObject* g = id >= 1 ? GVGeoOf(GVFindGeo(GVScene().geoList, id)) : nullptr;
  if (g)
    std::snprintf(text, size, "%s  {%d}", g->name && *g->name ? g->name : "no name", id);
  else if (id == -1)
    std::snprintf(text, size, "ALL Geos");
  else if (id < -1)
    std::snprintf(text, size, "Group_%d", -id);
  else
    std::snprintf(text, size, "NONE");
}

bool GVObjectChooser(GVChooserKind kind, int action, char* text, int32_t* id) {
  const GeoList* geos = kind == kChooseGeo ? GVGeoListOf(GVScene().geoList) : nullptr;
  HWorld* w = kind == kChooseJel ? GVEditorWorld() : nullptr;
  if (kind == kChooseGeo ? !geos || !geos->head : !w || !w->head) {
    std::snprintf(text, kHwSelectorBuffer, "NONE");
    return false;
  }
  if (action == -1) *id = kind == kChooseGeo ? GVPrevGeoSel(geos, *id) : GVPrevJelSel(w, *id);
  if (action == 1) *id = kind == kChooseGeo ? GVNextGeoSel(geos, *id) : GVNextJelSel(w, *id);
  if (action == 0 && *id >= 1) {
    char name[kHwSelectorBuffer];
    std::snprintf(name, sizeof name, "%s", text);
    if (kind == kChooseGeo && GVGeoExists(GVScene().geoList, *id))
      GVRenameGeo(name, *id);
    else if (kind == kChooseJel && GVJelExists(GVScene().world, *id))
      GVRenameJel(name, *id);
  }
  GVObjectChooserText(kind, *id, text, kHwSelectorBuffer);
  return true;
}

HwSelectorTool* GVMakeEditorSelector(HWND parent, const char* label, int y, int width, int labelWidth,
                                     const char* caption2, const char* caption3, const char* text,
                                     HwSelectorCB callback, void* user) {
  auto* selector = new HwSelectorTool(GetModuleHandleA(nullptr), label, width - 10, labelWidth, 2, 5, y, callback,
                                      user, parent, text);
  if (selector->button2) selector->button2->setLabel(caption2);
  if (selector->button3) selector->button3->setLabel(caption3);
  return selector;
}

void GVShowSelectorText(HwSelectorTool* selector, const char* text) {
  if (!selector) return;
  selector->setValue(text);
  if (selector->window) RedrawWindow(selector->window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void GVSetButtonDown(HwBaseControl* control, bool down) {
  if (control && control->button) control->button->setState(down ? 2 : 0);
}

void GVGeoChooserText(int32_t id, char* text, size_t size) {
  ObjHandle* geo = id >= 1 ? GVFindGeo(GVScene().geoList, id) : nullptr;
  if (geo) {
    char name[256] = "";
    GVWriteGeoName(geo, name, sizeof name);
    std::snprintf(text, size, "%s  {%d}", name, id);
  } else if (id == -1) {
    std::snprintf(text, size, "ALL Geos");
  } else if (id < -1) {
    std::snprintf(text, size, "Group_%d", -id);
  } else {
    std::snprintf(text, size, "NONE");
  }
}

void GVShowGeoChooser(HwSelectorTool* selector, int32_t id) {
  if (!selector) return;
  char text[kHwSelectorBuffer];
  GVGeoChooserText(id, text, sizeof text);
  selector->setValue(text);
  if (selector->window) RedrawWindow(selector->window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

int32_t GVNextGeoIdWrapped(int32_t id) {
  const GeoList* list = GVGeoListOf(GVScene().geoList);
  if (!list || !list->head) return 0;
  for (const GObject* g = list->head; g; g = g->next)
    if (g->id == id) return g->next ? g->next->id : list->head->id;
  return list->head->id;
}

int32_t GVGeoInScene(int32_t id) { return id >= 1 && GVFindGeo(GVScene().geoList, id) ? 1 : 0; }

int32_t GVRenameGeoFromChooser(const char* text, int32_t id) {
  if (!GVGeoInScene(id) || !text) return 0;
  char name[kHwSelectorBuffer];
  std::snprintf(name, sizeof name, "%s", text);
  return GVRenameGeo(name, id);
}

void GVLabelJelSelectorButtons(HwSelectorTool* selector) {
  if (!selector) return;
  if (selector->button2) selector->button2->setLabel(" ");
  if (selector->button3) selector->button3->setLabel("G");
}

HwSelectorTool* GVMakeJelSelector(HWND parent, int width, int32_t id, HwSelectorCB callback, void* user) {
  char text[kHwSelectorBuffer] = "";
  GVJelChooserText(id, text, sizeof text);
  auto* selector =
      new HwSelectorTool(GetModuleHandleA(nullptr), "Jel(s):", width, 60, 2, 5, 5, callback, user, parent, text);
  GVLabelJelSelectorButtons(selector);
  return selector;
}

void GVShowLinkedEditor(HwDialogWindow* editor, GVJelEditorLink* link) {
  if (!editor) return;
  editor->show();
  if (link) link->visible = editor->isVisible() ? 1 : 0;
}

void GVHideLinkedEditor(HwDialogWindow* editor, GVJelEditorLink* link) {
  if (!editor) return;
  editor->hide();
  if (link) link->visible = editor->isVisible() ? 1 : 0;
}

void GVLinkedEditorOwnerCB(int code, int, int, void* link) {
  // Closed or dismissed: the dialog hides itself after this call.
  if ((code == 1 || code == 4) && link) static_cast<GVJelEditorLink*>(link)->visible = 0;
}
