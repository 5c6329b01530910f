#include "editors/export_dialog.h"

#include <cstdio>
#include <new>

#include "dynamics/jel_selection.h"
#include "dynamics/world.h"
#include "geo/geo_list.h"
#include "geo/geo_object.h"
#include "platform/win32.h"
#include "scene/app_selection.h"
#include "scene/edit_rules.h"
#include "scene/file_handlers.h"
#include "geo/geo_list_services.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "toolkit/life_watch.h"

namespace {

// A selection's text: the object's "name  {id}", "ALL ...", "Group_n" or "NONE".
void selectionText(int32_t choice, const char* name, const char* all, char* text) {
  if (choice >= 1)
    std::snprintf(text, kHwSelectorBuffer, "%s  {%d}", name ? name : "", choice);
  else if (choice == -1)
    std::snprintf(text, kHwSelectorBuffer, "%s", all);
  else if (choice <= -2 && choice >= -31)
    std::snprintf(text, kHwSelectorBuffer, "Group_%d", -choice);
  else
    std::snprintf(text, kHwSelectorBuffer, "NONE");
}

}  // namespace

HwExport::HwExport(int x, ObjHandle* geos, HWorld** jels, int32_t geoId, int32_t jelId, HwExportCB ownerCB,
                   void* user)
    : HwDialogTemp(GetModuleHandleA(nullptr), "Export Geos / Jels", x, 110, 380, 230, kEditorFrameStyle,
                   kDialogNeverResizable, nullptr, nullptr, user),
      geoList(geos), world(jels), ownerUser(user), owner(ownerCB) {
  if (!content || !content->inner) return;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  const int w = (content->form ? content->form->width : contentWidth) - 10;
  geoChoice = geoId;
  jelChoice = jelId;
  char text[kHwSelectorBuffer];
  geoText(4, text);
  geoChooser = new (std::nothrow)
      HwSelectorTool(instance, "Geo(s): ", w, 70, 2, 5, 5, geoChooserCB, this, content->inner, text);
  jelText(4, text);
  jelChooser = new (std::nothrow)
      HwSelectorTool(instance, "Jel(s):  ", w, 70, 2, 5, 38, jelChooserCB, this, content->inner, text);
  exportButton = new (std::nothrow) HwBMButton();
  if (exportButton)
    exportButton->createTextButton(client, instance, 195, 196, "Export", 10, margin, buttonRowY, 50, 25, 0, exportCB,
                                   this);
  clearButton = new (std::nothrow) HwBMButton();
  if (clearButton)
    clearButton->createTextButton(client, instance, 195, 196, "Clear", 10, margin + 70, buttonRowY, 50, 25, 0, clearCB,
                                  this);
  refresh(geoId, jelId);
}

HwExport::~HwExport() {
  delete geoChooser;
  delete jelChooser;
  delete exportButton;
  delete clearButton;
}

void HwExport::refresh(int32_t geoId, int32_t jelId) {
  if (geoId != 0) geoChoice = geoId;
  if (jelId != 0) jelChoice = jelId;
  if (!haveLists()) {
    clearChoices();
    return;
  }
  char text[kHwSelectorBuffer];
  geoText(4, text);
  if (geoChooser) geoChooser->setValue(text);
  jelText(4, text);
  if (jelChooser) jelChooser->setValue(text);
}

void HwExport::clearChoices() {
  geoChoice = jelChoice = 0;
  if (geoChooser) geoChooser->setValue("NONE");
  if (jelChooser) jelChooser->setValue("NONE");
}

void HwExport::geoText(int mode, char* text) {
  const GeoList* list = GVGeoListOf(geoList);
  if (!list || !list->head) {
    std::snprintf(text, kHwSelectorBuffer, "NONE");
    return;
  }
  if (mode == -1) geoChoice = GVPrevGeoSel(list, geoChoice);
  if (mode == 1) geoChoice = GVNextGeoSel(list, geoChoice);
  if (mode == 0 && geoChoice >= 1 && GVGeoExists(geoList, geoChoice)) GVRenameGeo(text, geoChoice);
  const GObject* g = geoChoice >= 1 ? GVGetGeoById(list, geoChoice) : nullptr;
  selectionText(geoChoice, g ? g->name : "", "ALL Geos", text);
}

void HwExport::jelText(int mode, char* text) {
  const HWorld* w = GVWorldOf(world);
  if (!w || !w->head) {
    std::snprintf(text, kHwSelectorBuffer, "NONE");
    return;
  }
  if (mode == -1) jelChoice = GVPrevJelSel(w, jelChoice);
  if (mode == 1) jelChoice = GVNextJelSel(w, jelChoice);
  if (mode == 0 && jelChoice >= 1 && GVJelExists(world, jelChoice)) GVRenameJel(text, jelChoice);
  char name[kHwSelectorBuffer] = "";
  if (jelChoice >= 1) GVCopyJelNameById(w, jelChoice, name, sizeof name);
  selectionText(jelChoice, name, "ALL Jels", text);
}

void HwExport::geoChooserCB(int mode, char* text, void* dialog) {
  auto* d = static_cast<HwExport*>(dialog);
  const GeoList* list = GVGeoListOf(d->geoList);
  d->geoText(mode, text);
  if (!list || !list->head || mode == 4 || !d->owner) return;
  d->owner(mode, 2, d->geoChoice, 0, d->ownerUser);
}

void HwExport::jelChooserCB(int mode, char* text, void* dialog) {
  auto* d = static_cast<HwExport*>(dialog);
  const HWorld* w = GVWorldOf(d->world);
  d->jelText(mode, text);
  if (!w || !w->head || mode == 4 || !d->owner) return;
  d->owner(mode, 4, 0, d->jelChoice, d->ownerUser);
}

int HwExport::exportCB(int, void* dialog) {
  auto* d = static_cast<HwExport*>(dialog);
  if (d && d->haveLists() && d->owner) d->owner(0, 8, d->geoChoice, d->jelChoice, d->ownerUser);
  return 0;
}

int HwExport::clearCB(int, void* dialog) {
  auto* d = static_cast<HwExport*>(dialog);
  if (!d || !d->haveLists()) return 0;
  d->clearChoices();
  if (d->owner) d->owner(0, 16, 0, 0, d->ownerUser);
  return 0;
}

GVEditorEntry GVExportDialogEntry() {
  GVEditorEntry e;
  e.make = [](const GVEditorArgs& a) -> HwDialogWindow* {
    const AppSelection& cur = GVAppSelection();
    return new (std::nothrow) HwExport(a.x, GVScene().geoList, GVScene().world, a.geoId ? a.geoId : cur.geoId,
                                       cur.jelId, GVExportCB, a.main);
  };
  e.refresh = [](HwDialogWindow* d, int32_t geoId, int32_t) { static_cast<HwExport*>(d)->refresh(geoId, 0); };
  return e;
}
