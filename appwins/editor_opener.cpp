// The dialog opener, its table of editor entries, and the selection refreshes.
#include "appwins/editor_opener.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "GVAppWins/info_panels.h"
#include "GVAppWins/view_window.h"
#include "appwins/app_main_win.h"
#include "appwins/logic_cntrl.h"
#include "appwins/vehicle_panel.h"
#include "dynamics/world.h"
#include "geo/geo_object.h"
#include "jel/jel_object.h"
#include "scene/app_selection.h"
#include "geo/geo_list_services.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "toolkit/dialog_window.h"
#include "toolkit/messages.h"

namespace {

struct EntrySlot {
  GVEditorEntry entry;
  std::string owner;
  bool set = false;
};

EntrySlot gEntries[kEditorCodeEnd];

bool isEditorCode(int code) {
  return code >= 1 && code < kEditorCodeEnd && code != kEditorLogicPanel && code != kEditorVehiclePanel;
}

HWorld* world() { return GVWorldOf(GVScene().world); }

// Default ids for one opening: the current ones, else the first Geo and the
// first Jel of group 1 (or with id -1).
void defaultIds(int32_t* geoId, int32_t* jelId) {
  const AppSelection& cur = GVAppSelection();
  *geoId = cur.geoId;
  *jelId = cur.jelId;
  if (*geoId == 0) {
    GObject* g = GVGeoOf(GVFirstGeo(GVScene().geoList));
    *geoId = g ? g->id : 0;
  }
  if (*jelId == 0)
    for (HObject* j = world() ? world()->head : nullptr; j; j = GVNextJel(j))
      if (j->id == -1 || GVJelInSel(j, -1)) {
        *jelId = j->id;
        break;
      }
}

GVView* mainView() {
  GVAppMainWin* w = GVMainAppWin();
  return w ? w->view : nullptr;
}

}  // namespace

int GVInstallEditorEntry(int code, const GVEditorEntry& entry, const char* owner) {
  const std::string who = owner ? owner : "";
  if (!isEditorCode(code) || !entry.make) {
    GVMessage(("Editor entry refused: code " + std::to_string(code) + " of " + who).c_str());
    return 0;
  }
  EntrySlot& slot = gEntries[code];
  if (slot.set && slot.owner != who) {
    GVMessage(("Editor entry " + std::to_string(code) + " is owned by " + slot.owner + ", refused to " + who).c_str());
    return 0;
  }
  slot.entry = entry;
  slot.owner = who;
  slot.set = true;
  return 1;
}

void GVRemoveEditorEntry(int code) {
  if (code >= 0 && code < kEditorCodeEnd) gEntries[code] = EntrySlot{};
}

const GVEditorEntry* GVEditorEntryOf(int code) {
  return code >= 0 && code < kEditorCodeEnd && gEntries[code].set ? &gEntries[code].entry : nullptr;
}

const char* GVEditorEntryOwner(int code) {
  return code >= 0 && code < kEditorCodeEnd && gEntries[code].set ? gEntries[code].owner.c_str() : nullptr;
}

void GVSetEditorHelpTopic(HwDialogWindow* editor, const char* topic) {
  if (!editor) return;
  std::free(editor->helpTopic);
  editor->helpTopic = topic ? strdup(topic) : nullptr;
}

int GVEditorOpenX() {
  RECT work = {0, 0, 0, 0};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  return (work.right - work.left) / 2 + 180;
}

int GVEditorFrameCB(int code, void* mainWindow) {
  auto* w = static_cast<GVAppMainWin*>(mainWindow);
  if (!w) return 0;
  if (code == kEditorLogicPanel) {
    w->showLogicPanel(w->logicPanel && w->logicPanel->isVisible() ? 0 : 1);
  } else if (code == kEditorVehiclePanel) {
    if (w->vehiclePanel) w->showVehiclePanel(w->vehiclePanel->isVisible() ? 0 : 1);
  } else if (code != kEditorGeoPart && code < kEditorExport) {
    // The selector bar has no Geo part button; that editor opens from its Geo's.
    GVOpenEditor(code, w);
  }
  return 0;
}

void GVOpenEditor(int code, GVAppMainWin* w) {
  const GVEditorEntry* entry = w && isEditorCode(code) ? GVEditorEntryOf(code) : nullptr;
  if (!entry) return;
  HwDialogWindow*& editor = w->editors[code];
  if (!editor) {
    GVEditorArgs args;
    args.main = w;
    args.x = GVEditorOpenX();
    defaultIds(&args.geoId, &args.jelId);
    editor = entry->make(args);
    return;
  }
  if (editor->isVisible()) {
    if (entry->hide)
      entry->hide(editor);
    else
      editor->hide();
  } else if (entry->show) {
    entry->show(editor);
  } else if (editor->popup) {
    ShowWindow(editor->popup, SW_SHOW);
  }
}

void GVShowExportDialog(GVAppMainWin* w, int32_t geoId) {
  const GVEditorEntry* entry = w ? GVEditorEntryOf(kEditorExport) : nullptr;
  if (!entry) return;
  HwDialogWindow*& dialog = w->editors[kEditorExport];
  if (!dialog) {
    GVEditorArgs args;
    args.main = w;
    args.x = GVEditorOpenX();
    args.geoId = geoId;
    dialog = entry->make(args);
    if (!dialog) return;
  } else if (entry->refresh) {
    entry->refresh(dialog, geoId, 0);
  }
  if (dialog->popup) ShowWindow(dialog->popup, SW_SHOW);
}

void GVHideExportDialog(GVAppMainWin* w) {
  HwDialogWindow* dialog = w ? w->editors[kEditorExport] : nullptr;
  if (dialog && dialog->popup) ShowWindow(dialog->popup, SW_HIDE);
}

void GVAppMainWin::refreshEditors(int geoId, int jelId) {
  for (int code = 1; code < kEditorCodeEnd; ++code) {
    const GVEditorEntry* entry = GVEditorEntryOf(code);
    if (editors[code] && entry && entry->refresh) entry->refresh(editors[code], geoId, jelId);
  }
}

void GVAppMainWin::freeEditors() {
  for (int code = 1; code < kEditorCodeEnd; ++code) {
    HwDialogWindow* editor = editors[code];
    if (!editor) continue;
    editors[code] = nullptr;
    const GVEditorEntry* entry = GVEditorEntryOf(code);
    if (entry && entry->free)
      entry->free(editor);
    else
      delete editor;
  }
}

// ---- selection refresh ----

namespace {

void makeViewCurrent(int32_t geoId, int32_t jelId) {
  GVView* v = mainView();
  if (!v || !v->currentGeo || !v->currentJel) return;
  const SceneServices& s = GVSceneServices();
  // A Geo made current clears the view's Jel: the Jel it is bound to goes
  // back beside it, so the view shows both.
  if (jelId != 0 && s.setViewCurrentJel) s.setViewCurrentJel(jelId);
  if (s.setViewCurrentGeo) s.setViewCurrentGeo(geoId);
  if (jelId != 0) {
    v->currentJel[0] = jelId;
    if (s.showSelectionHighlight) s.showSelectionHighlight();
  }
}

void refreshOneGeo(GObject* g, int useView) {
  int32_t jelId = 0;
  if (g->jelId != 0) {  // bound to that Jel
    jelId = g->jelId;
    GVAppSelection().jelId = jelId;
  }
  GVAppSelection().geoId = g->id;
  if (useView) makeViewCurrent(g->id, jelId);
}

}  // namespace

void GVRefreshGeoSelection(int32_t id, int useView) {
  ObjHandle* list = GVScene().geoList;
  if (id < 0) {
    for (ObjHandle* h = GVFirstGeo(list); h; h = GVNextGeo(h))
      if (GObject* g = GVGeoOf(h); g && (id == -1 || GVGeoIdInSel(g->id, id, list))) refreshOneGeo(g, useView);
  } else if (GObject* g = GVGeoOf(GVFindGeo(list, id)); g && id > 0) {
    refreshOneGeo(g, useView);
  } else {
    return;
  }
  GVAppMainWin* w = GVMainAppWin();
  if (w) w->redrawLogicLines();
  if (useView && mainView()) GVShowObjectInfo(mainView());
}

void GVRefreshJelSelection(int32_t id, int useView) {
  HWorld* wd = world();
  if (id == 0 || !wd) return;
  ObjHandle* list = GVScene().geoList;
  const SceneServices& s = GVSceneServices();
  for (HObject* j = wd->head; j; j = GVNextJel(j)) {
    if (j->id != id && !(id < 0 && GVJelInSel(j, id))) continue;
    if (!useView) continue;
    // Every Geo bound to the Jel becomes the view's current Geo in turn.
    for (ObjHandle* h = GVFirstGeo(list); h; h = GVNextGeo(h))
      if (GObject* g = GVGeoOf(h); g && g->jelId == j->id && s.setViewCurrentGeo)
        s.setViewCurrentGeo(g->id);
  }
  GVView* v = useView ? mainView() : nullptr;
  if (v) {
    GVResetSelectionDisplay();
    GVShowObjectInfo(v);
  }
  GVAppMainWin* w = GVMainAppWin();
  if (w) w->redrawLogicLines();
}
