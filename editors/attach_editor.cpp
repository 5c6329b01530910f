#include "editors/attach_editor.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "appwins/help_window.h"
#include "dynamics/jel_selection.h"
#include "dynamics/world.h"
#include "editors/editor_common.h"
#include "geo/geo_attach.h"
#include "geo/geo_transform.h"
#include "jel/jel_object.h"
#include "jel/vector_math.h"
#include "platform/win32.h"
#include "scene/edit_rules.h"
#include "scene/geo_editor_callbacks.h"
#include "scene/geo_editor_links.h"
#include "geo/geo_list_services.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "toolkit/choosers.h"

namespace {

constexpr int kMethods = 10;
const char* const kMethodItems[kMethods] = {"None",         "Jel0",           "Jel0_to_JelZ",      "Geo0_to_JelZ",
                                            "Jel0_to_GeoZ", "Geo0_to_GeoZ",   "Geo0",              "Steering Wheel",
                                            "Motor_Drive Front", "Motor_Drive Back"};

// Requests to the application callback.
enum : int32_t { kGeoChosen = 1, kJelChosen = 2, kPartChosen = 4, kApplied = 0x40, kNoMethod = 0x80 };

// The one dialog the attachment links answer for.
HwEditGOG* gEditor = nullptr;

ObjHandle* geoList() { return GVScene().geoList; }
GObject* findGeo(int32_t id) { return id >= 1 ? GVGeoOf(GVFindGeo(geoList(), id)) : nullptr; }
int32_t stateMode() { return GVEditorWorld() ? GVEditorWorld()->params.stateMode : 0; }

// The Jels of the all-objects selection, stepped with wrap.
int32_t nextJel(int32_t id) { return GVNextJelInSel(GVEditorWorld(), -1, id, 1); }
int32_t prevJel(int32_t id) {
  const HWorld* w = GVEditorWorld();
  int32_t last = 0, before = 0;
  for (const HObject* j = w ? w->head : nullptr; j; j = GVNextJel(j)) {
    if (!GVJelInSel(j, -1)) continue;
    if (j->id == id) before = last;
    last = j->id;
  }
  return before ? before : last;
}

// The parts the Jel uses, stepped with wrap.
int32_t nextPart(int32_t jel, int32_t part) {
  const uint32_t used = GVJelSelPartMask(GVEditorWorld(), jel);
  for (int32_t q = part + 1; q <= 31; ++q)
    if ((used >> q) & 1u) return q;
  for (int32_t q = 1; q <= 31; ++q)
    if ((used >> q) & 1u) return q;
  return 0;
}

void statusLine(const char* text) {
  if (GVSceneServices().showStatusLine) GVSceneServices().showStatusLine(text);
}

}  // namespace

HwEditGOG::HwEditGOG(int x, int32_t geoId, void* user)
    : HwDialogTemp(GetModuleHandleA(nullptr), "Edit Geo Attachment Props", x, 110, 380, 430, kEditorFrameStyle, 0,
                   nullptr, GVShowHelpPage, this),
      user_(user) {
  GVSetEditorHelpTopic(this, "dlg_edgog");
  gEditor = this;
  GeoEditorLinks l = GVGeoEditorLinks();
  l.attachEditorGeo = []() -> int32_t { return gEditor ? gEditor->current() : 0; };
  l.attachEditorJel = []() -> int32_t { return gEditor ? gEditor->jel0 : 0; };
  GVSetGeoEditorLinks(l);
  build();
  setGeo(geoId);
}

HwEditGOG::~HwEditGOG() {
  if (gEditor == this) {
    gEditor = nullptr;
    GeoEditorLinks l = GVGeoEditorLinks();
    l.attachEditorGeo = nullptr;
    l.attachEditorJel = nullptr;
    GVSetGeoEditorLinks(l);
  }
  for (HwSelectorTool*& s : selectors) delete s;
  delete methodDrop;
  delete applyButton;
}

void HwEditGOG::build() {
  if (!content || !content->form || !content->inner) return;
  HINSTANCE inst = GetModuleHandleA(nullptr);
  HWND parent = content->inner;
  const int W = contentWidth;
  static const char* const kLabels[kChoosers] = {"Geo Obj: ", "Geo_0: ", "Jel_0:  ", "Geo_Z: ", "Jel_Z:  ",
                                                 "Jel Prt:  "};
  static const int kY[kChoosers] = {5, 63, 96, 182, 215, 258};
  HwSelectorCB callbacks[kChoosers] = {chooserCB<kGeo>,  chooserCB<kGeo0>, chooserCB<kJel0>,
                                       chooserCB<kGeoZ>, chooserCB<kJelZ>, chooserCB<kPart>};
  for (int i = 0; i < kChoosers; ++i) {
    selectors[i] = new HwSelectorTool(inst, kLabels[i], W - 10, 70, 2, 5, kY[i], callbacks[i], this, parent, "NONE");
    if (selectors[i]->button2) selectors[i]->button2->setLabel(" ");
    if (selectors[i]->button3) selectors[i]->button3->setLabel(i == kGeo ? "H" : "");
  }
  methodDrop = new HwDropDownCntrl(inst, "Geo Attach Mthd:  ", parent, 5, 139, 285, 28, 135, 0.2f, methodCB, this);
  methodDrop->fillList(kMethodItems, kMethods);
  methodDrop->selectItem(1);
  applyButton = new HwBMButton();
  applyButton->createTextButton(client, inst, 195, 196, "Apply", 10, margin, buttonRowY, 50, 25, 0, applyCB, this);
}

void HwEditGOG::send(int32_t code, int32_t request, int32_t id, int32_t value) {
  GVApplyAttachmentsCB(code, request, id, value, user_);
}

// ---- showing ----

void HwEditGOG::chooserText(int which, char* text) const {
  switch (which) {
    case kGeo: GVGeoChooserText(geoId_, text, kHwSelectorBuffer); break;
    case kGeo0: GVGeoChooserText(geo0, text, kHwSelectorBuffer); break;
    case kGeoZ: GVGeoChooserText(geoZ, text, kHwSelectorBuffer); break;
    case kJel0: GVJelChooserText(jel0, text, kHwSelectorBuffer); break;
    case kJelZ: GVJelChooserText(jelZ, text, kHwSelectorBuffer); break;
    default:
      if (part >= 1)
        std::snprintf(text, kHwSelectorBuffer, "Part %d", part);
      else
        std::snprintf(text, kHwSelectorBuffer, "NONE");
      break;
  }
}

void HwEditGOG::showChooser(int which, const char* fixed) {
  HwSelectorTool* s = selectors[which];
  if (!s) return;
  char text[kHwSelectorBuffer];
  chooserText(which, text);
  s->setValue(fixed ? fixed : text);
  if (s->window) RedrawWindow(s->window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void HwEditGOG::clear() {
  geoId_ = geo0 = jel0 = geoZ = jelZ = part = method = 0;
  for (int i = kGeo0; i < kChoosers; ++i) showChooser(i);
  if (methodDrop) methodDrop->selectItem(1);
}

void HwEditGOG::showAttachment(int32_t id) {
  GObject* g = GVEditorWorld() ? findGeo(id) : nullptr;
  if (!g) {
    clear();
    return;
  }
  if (!g->attach) {
    clear();
    geoId_ = id;
    return;
  }
  const GeoAttach& a = *g->attach;
  geo0 = a.geo0;
  jel0 = a.jelStart;
  geoZ = a.geoZ;
  jelZ = a.jelEnd;
  part = a.partStart ? a.partStart : a.partEnd;
  method = a.type >= 0 && a.type < kMethods ? a.type : 0;
  // A record without a method names no Jel and no part.
  const bool active = GVGeoHasAttachment(g->handle) != 0;
  for (int i = kGeo0; i < kChoosers; ++i) showChooser(i, !active && (i == kJel0 || i == kJelZ || i == kPart) ? "NONE" : nullptr);
  if (methodDrop) methodDrop->selectItem(method + 1);
}

void HwEditGOG::setGeo(int32_t id) {
  if (!geoList() || !GVEditorWorld()) {
    clear();
    return;
  }
  if (id != 0) geoId_ = GVGeoInScene(id) ? id : 0;
  showChooser(kGeo);
  showAttachment(geoId_);
}

// ---- choosing ----

int32_t HwEditGOG::partJel() const {
  const SceneServices& s = GVSceneServices();
  const int32_t* record = s.currentJelRecord ? s.currentJelRecord() : nullptr;
  if (record && record[0] >= 1) return record[0];
  return jel0 ? jel0 : jelZ;
}

void HwEditGOG::chooser(int which, int action, char* text) {
  if (action == 4) return;
  const GeoList* list = GVGeoListOf(geoList());
  const bool geos = list && list->head;
  switch (which) {
    case kGeo:
      if (!geos) {
        clear();
        break;
      }
      if (action == 0) {
        GVRenameGeoFromChooser(text, geoId_);
        break;
      }
      if (action == -1) geoId_ = GVPrevGeoId(geoList(), geoId_);
      if (action == 1) geoId_ = GVNextGeoIdWrapped(geoId_);
      showAttachment(geoId_);
      break;
    case kGeo0:
    case kGeoZ: {
      int32_t& id = which == kGeo0 ? geo0 : geoZ;
      if (!geos) break;
      if (action == 0) GVRenameGeoFromChooser(text, id);
      if (action == -1) id = GVPrevGeoId(geoList(), id);
      if (action == 1) id = GVNextGeoIdWrapped(id);
      if (action == 3) id = 0;
      break;
    }
    case kJel0:
    case kJelZ: {
      int32_t& id = which == kJel0 ? jel0 : jelZ;
      HWorld* w = GVEditorWorld();
      if (!w || !w->head) break;
      if (action == 0 && id >= 1 && GVJelExists(GVScene().world, id)) {
        char name[kHwSelectorBuffer];
        std::snprintf(name, sizeof name, "%s", text);
        GVRenameJel(name, id);
      }
      if (action == -1) id = prevJel(id);
      if (action == 1) id = nextJel(id);
      if (action == 3) id = 0;
      break;
    }
    default: {
      HWorld* w = GVEditorWorld();
      if (!w || !w->head) break;
      const int32_t jel = partJel();
      if (action == 0) {
        const int v = GVParseSmallInt(text);
        if (v >= 1 && v <= 30) part = v;
      }
      if (action == -1) part = GVPrevPartIndex(w, jel, part);
      if (action == 1) part = nextPart(jel, part);
      if (action == 3) part = 0;
      break;
    }
  }
  chooserText(which, text);
  switch (which) {
    case kGeo: send(action, kGeoChosen, geoId_, 0); break;
    case kGeo0: send(action, kGeoChosen, geo0, 0); break;
    case kGeoZ: send(action, kGeoChosen, geoZ, 0); break;
    case kJel0: send(action, kJelChosen, jel0, 0); break;
    case kJelZ: send(action, kJelChosen, jelZ, 0); break;
    default: send(action, kPartChosen, partJel(), part); break;
  }
}

int HwEditGOG::methodChosen(int item) {
  GObject* g = findGeo(geoId_);
  if (!g) return 1;
  if (stateMode() != -1) {
    statusLine("Gv Warning: Geo Attachments must be applied in Natural State mode");
    return g->attach ? g->attach->type + 1 : 1;
  }
  if (item > 1) GVGetGeoAttachment(g->handle);
  if (!g->attach) return 1;
  method = item - 1;
  return item;
}

void HwEditGOG::apply() {
  GObject* g = findGeo(geoId_);
  if (!g) return;
  if (method == 0) {
    send(0, kNoMethod, geoId_, 0);
    if (g->attach) GVAttachClear(g->attach);
  } else {
    GeoAttach* a = GVGetGeoAttachment(g->handle);
    if (!a) return;
    GVAttachClear(a);
    GVAttachSet(a, method, jel0, jelZ, geo0, geoZ, part, part);
    GVCopyGeoTransform(g, -1, -2);
    send(0, kApplied, geoId_, 0);
  }
  showAttachment(geoId_);
}

// ---- callbacks ----

template <int Which>
void HwEditGOG::chooserCB(int action, char* text, void* d) {
  static_cast<HwEditGOG*>(d)->chooser(Which, action, text);
}

int HwEditGOG::methodCB(int item, void* d) { return static_cast<HwEditGOG*>(d)->methodChosen(item); }

int HwEditGOG::applyCB(int, void* d) {
  static_cast<HwEditGOG*>(d)->apply();
  return 0;
}

GVEditorEntry GVAttachmentEntry() {
  GVEditorEntry e;
  e.make = [](const GVEditorArgs& a) -> HwDialogWindow* { return new HwEditGOG(a.x, a.geoId, a.main); };
  e.refresh = [](HwDialogWindow* d, int32_t geoId, int32_t) { static_cast<HwEditGOG*>(d)->setGeo(geoId); };
  return e;
}
