#include "editors/structure_editor.h"

#include <cstdio>

#include "GVAppWins/view_window.h"
#include "appwins/app_main_win.h"
#include "appwins/help_window.h"
#include "dynamics/world.h"
#include "editors/editor_common.h"
#include "jel/jel_object.h"
#include "jel/lattice_builder.h"
#include "platform/win32.h"
#include "scene/edit_rules.h"
#include "scene/jel_editor_callbacks.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "toolkit/choosers.h"
#include "toolkit/label.h"

namespace {

bool jelInWorld(int32_t id) { return id >= 1 && GVEditorWorld() && GVGetJelById(GVEditorWorld(), id); }

void endModeOf(void* editor) { static_cast<HwEditStruct*>(editor)->endEditMode(); }

void freeViewBuilder(GVView* view) {
  if (!view || !view->builderCell) return;
  GVDeleteLatticeBuilder(reinterpret_cast<LatticeBuilder**>(view->builderCell));
  view->builderCell = nullptr;
}

}  // namespace

HwEditStruct::HwEditStruct(int x, int32_t jelId, void* user)
    : HwDialogTemp(GetModuleHandleA(nullptr), "Edit Jel Structure", x, 110, 355, 230, kEditorFrameStyle, 0,
                   GVLinkedEditorOwnerCB, GVShowHelpPage, &link),
      id_(jelInWorld(jelId) ? jelId : 0),
      user_(user) {
  GVSetEditorHelpTopic(this, "dlg_struct");
  link.jelId = id_;
  link.visible = isVisible() ? 1 : 0;
  link.editor = this;
  link.endEditMode = endModeOf;
  GVEditors().structure = &link;
  if (!content || !content->inner) return;
  HWND parent = content->inner;
  char text[kHwSelectorBuffer];
  GVJelChooserText(id_, text, sizeof text);
  selector = GVMakeEditorSelector(parent, "JEL(S):", 5, contentWidth, 60, " ", "G", text, chooseJel, this);
  modeButton = new HwBaseControl();
  modeButton->createButton(GetModuleHandleA(nullptr), parent, 5, 63, 240, 25, "Edit Jel Structure Mode:", "", 25, 4,
                           modeCB, this);
}

HwEditStruct::~HwEditStruct() {
  // A mode left on when the main window closes must not leave its builder.
  endEditMode();
  if (GVEditors().structure == &link) GVEditors().structure = nullptr;
  delete selector;
  delete modeButton;
}

GVView* HwEditStruct::view() const { return user_ ? static_cast<GVAppMainWin*>(user_)->view : nullptr; }

void HwEditStruct::setCurrent(int32_t id) {
  id_ = id;
  link.jelId = id;
}

void HwEditStruct::endEditMode() {
  gViewModeFlags.structureEdit = 0;
  freeViewBuilder(view());
  lock = 0;
  GVSetButtonDown(modeButton, false);
}

void HwEditStruct::refresh(int32_t id) {
  if (id < 0) id = 0;
  if (id == 0 && jelInWorld(id_)) return;
  setCurrent(jelInWorld(id) ? id : 0);
  GVShowJelChooser(selector, id_);
}

void HwEditStruct::chooseJel(int action, char* text, void* editor) {
  auto* self = static_cast<HwEditStruct*>(editor);
  HWorld* w = GVEditorWorld();
  if (action == -1 || action == 1 || action == 3) {
    if (action != 3) self->setCurrent(GVStepAllObjectsJel(self->id_, action));
    self->endEditMode();
  } else if (action == 0 && GVJelExists(GVScene().world, self->id_)) {
    char name[kHwSelectorBuffer];
    std::snprintf(name, sizeof name, "%s", text);
    GVRenameJel(name, self->id_);
  }
  GVJelChooserText(w && w->head ? self->id_ : 0, text, kHwSelectorBuffer);
  if (action != 4) GVEditStructCB(action, kEditStructChooser, self->id_, self->user_);
}

int HwEditStruct::switchMode(bool on) {
  gViewModeFlags.structureEdit = on ? 1 : 0;
  auto refuse = [] {
    gViewModeFlags.structureEdit = 0;
    return 0;
  };
  GVView* v = view();
  HWorld* w = GVEditorWorld();
  if (!v || !w || id_ == 0) {
    lock = 0;
    return refuse();
  }
  if (on && w->params.stateMode != -1) {
    const SceneServices& s = GVSceneServices();
    if (s.showStatusLine) s.showStatusLine("Gv Warning: Edit Structure operations must be performed in Natural State mode");
    return refuse();
  }
  // Leaving the mode is never refused: the lock and the builder must go.
  if (on && !GVEditStructCB(0, kEditStructMayStart, id_, user_)) return refuse();
  freeViewBuilder(v);
  if (!on) {
    lock = 0;
    GVSetActiveJel(GVScene().world, 0, id_);
  } else {
    HObject* jel = GVJelOf(GVFindJel(GVScene().world, id_));
    LatticeSpec spec;
    if (jel) {
      LatticeDims dims;
      jel->getLatticeDims(&dims);
      spec.cellSize = dims.cellSize;
      spec.nx = dims.maxIndex[0];
      spec.ny = dims.maxIndex[1];
      spec.nz = dims.maxIndex[2];
      for (int a = 0; a < 3; ++a) spec.scale[a] = dims.scale[a];
    }
    LatticeBuilder** cell = jel ? GVNewLatticeBuilder(&spec) : nullptr;
    if (!cell) {
      lock = 0;
      return refuse();
    }
    v->builderCell = reinterpret_cast<decltype(v->builderCell)>(cell);
    lock = 1;
  }
  GVEditStructCB(gViewModeFlags.structureEdit, kEditStructModeChanged, id_, user_);
  return gViewModeFlags.structureEdit ? 2 : 0;
}

int HwEditStruct::modeCB(int state, void* editor) { return static_cast<HwEditStruct*>(editor)->switchMode(state == 0); }

GVEditorEntry GVStructureEntry() {
  GVEditorEntry e;
  e.make = [](const GVEditorArgs& a) -> HwDialogWindow* { return new HwEditStruct(a.x, a.jelId, a.main); };
  e.show = [](HwDialogWindow* d) { GVShowLinkedEditor(d, &static_cast<HwEditStruct*>(d)->link); };
  e.hide = [](HwDialogWindow* d) { GVHideLinkedEditor(d, &static_cast<HwEditStruct*>(d)->link); };
  e.refresh = [](HwDialogWindow* d, int32_t, int32_t jelId) { static_cast<HwEditStruct*>(d)->refresh(jelId); };
  return e;
}
