#include "editors/glue_editor.h"

#include <cstdio>

#include "appwins/help_window.h"
#include "dynamics/glue.h"
#include "dynamics/jel_selection.h"
#include "dynamics/world.h"
#include "editors/editor_common.h"
#include "jel/jel_object.h"
#include "platform/win32.h"
#include "scene/jel_editor_callbacks.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "toolkit/choosers.h"
#include "toolkit/label.h"

namespace {

// A fifth of the smallest cell size binds two nodes.
constexpr double kGlueReach = 0.2;

bool jelThere(int32_t id) { return GVJelExists(GVScene().world, id) != 0; }

}  // namespace

HwEditGlue::HwEditGlue(int x, int32_t selection, void* user)
    : HwDialogTemp(GetModuleHandleA(nullptr), "Edit Jel Glue", x, 110, 355, 328, kEditorFrameStyle, 0,
                   GVLinkedEditorOwnerCB, GVShowHelpPage, &link),
      sel_(selection < 0 ? 0 : selection),
      user_(user) {
  GVSetEditorHelpTopic(this, "dlg_edglue");
  link.jelId = sel_;
  link.visible = isVisible() ? 1 : 0;
  link.editor = this;
  GVEditors().glue = &link;
  if (content && content->inner) {
    HWND parent = content->inner;
    HINSTANCE inst = GetModuleHandleA(nullptr);
    char text[kHwSelectorBuffer];
    GVJelChooserText(sel_, text, sizeof text);
    selector = GVMakeEditorSelector(parent, "Jel(s):", 5, contentWidth, 60, " ", "G", text, chooseJel, this);
    partText(text);
    partSelector = GVMakeEditorSelector(parent, "Part:", 38, contentWidth, 60, " ", " ", text, choosePart, this);
    addButton = new HwBaseControl();
    addButton->createButton(inst, parent, 5, 96, 240, 25, "Add Glue Bindings:", "", 25, 4, addCB, this);
    removeButton = new HwBaseControl();
    removeButton->createButton(inst, parent, 5, 126, 240, 25, "Rem Glue Bindings:", "", 25, 4, removeCB, this);
    drawDrop = new HwDropDownCntrl(inst, "Draw Glue Mode:", parent, 45, 166, 190, 28, 120, 0.2f, drawCB, this);
    static const char* const kItems[2] = {"OFF", "ON"};
    drawDrop->fillList(kItems, 2);
    if (drawDrop->multiList) drawDrop->selectItem(1);
  }
  tell(0, 0x10);
}

HwEditGlue::~HwEditGlue() {
  if (GVEditors().glue == &link) GVEditors().glue = nullptr;
  delete selector;
  delete partSelector;
  delete addButton;
  delete removeButton;
  delete drawDrop;
}

void HwEditGlue::tell(int32_t state, uint32_t request) { GVEditGlueCB(state, request, sel_, part_, user_); }

void HwEditGlue::setCurrent(int32_t selection) {
  sel_ = selection;
  link.jelId = selection;
}

void HwEditGlue::partText(char* text) const {
  if (part_ >= 1 && GVEditorWorld())
    std::snprintf(text, kHwSelectorBuffer, "Part %d", part_);
  else
    std::snprintf(text, kHwSelectorBuffer, "NONE");
}

void HwEditGlue::setSelection(int32_t selection) {
  setCurrent(selection);
  char text[kHwSelectorBuffer];
  if (!GVEditorWorld() || selection == 0) {
    GVShowSelectorText(selector, "NONE");
    GVShowSelectorText(partSelector, "NONE");
  } else {
    partText(text);
    GVShowSelectorText(partSelector, text);
  }
  if (drawDrop && drawDrop->multiList) drawDrop->selectItem(GVEditorWorld() && selection != 0 && draw_ ? 2 : 1);
}

void HwEditGlue::refresh(int32_t selection) {
  if (selection < 0) selection = 0;
  if (selection == 0 && jelThere(sel_)) return;
  setCurrent(jelThere(selection) ? selection : 0);
  char text[kHwSelectorBuffer];
  GVJelChooserText(sel_, text, sizeof text);
  GVShowSelectorText(selector, text);
  setSelection(sel_);
}

void HwEditGlue::chooseJel(int action, char* text, void* editor) {
  auto* self = static_cast<HwEditGlue*>(editor);
  int32_t sel = self->sel_;
  const bool listed = GVObjectChooser(kChooseJel, action, text, &sel);
  self->setCurrent(sel);
  if (listed && action != 4) self->tell(action, 1);
  if (!listed || (action >= -1 && action <= 3 && action != 0)) {
    char shown[kHwSelectorBuffer];
    std::snprintf(shown, sizeof shown, "%s", text);
    self->setSelection(sel);
    std::snprintf(text, kHwSelectorBuffer, "%s", shown);  // the chooser's own text is what the box shows
  }
}

void HwEditGlue::choosePart(int action, char* text, void* editor) {
  auto* self = static_cast<HwEditGlue*>(editor);
  HWorld* w = GVEditorWorld();
  if (!w) {
    std::snprintf(text, kHwSelectorBuffer, "NONE");
    return;
  }
  if (action == -1) self->part_ = GVPrevPartIndex(w, -1, self->part_);
  if (action == 1) self->part_ = GVNextJelPart(GVScene().world, self->part_);
  if (action == 2 && !GVFindJel(GVScene().world, GVNextJelInSel(w, self->sel_, 0, 0))) {
    std::snprintf(text, kHwSelectorBuffer, "NONE");
    return;
  }
  self->partText(text);
  if (action == -1 || action == 1 || action == 0 || action == 2) self->tell(action, 2);
}

int HwEditGlue::addCB(int, void* editor) {
  auto* self = static_cast<HwEditGlue*>(editor);
  HWorld* w = GVEditorWorld();
  if (!w || self->sel_ == 0 || self->part_ == 0) return 0;
  float smallest = 9.0e10f;
  bool matched = false;
  for (HObject* j = w->head; j; j = GVNextJel(j)) {
    if (!GVJelInSel(j, self->sel_)) continue;
    matched = true;
    if (j->cellSize < smallest) smallest = j->cellSize;
  }
  if (!matched) return 0;
  GVGlueSelParts(w, self->sel_, self->sel_, self->part_, self->part_,
                 static_cast<float>(kGlueReach * static_cast<double>(smallest)));
  self->tell(self->draw_, 4);
  return 0;
}

int HwEditGlue::removeCB(int, void* editor) {
  auto* self = static_cast<HwEditGlue*>(editor);
  HWorld* w = GVEditorWorld();
  if (!w || self->sel_ == 0 || self->part_ == 0) return 0;
  GVUnglueSelParts(w, self->sel_, self->sel_, self->part_, self->part_, 0.0f);
  self->tell(self->draw_, 8);
  return 0;
}

int HwEditGlue::drawCB(int item, void* editor) {
  auto* self = static_cast<HwEditGlue*>(editor);
  if (!GVEditorWorld()) {
    self->draw_ = 0;
    return 1;
  }
  self->draw_ = item != 1 ? 1 : 0;
  self->tell(self->draw_, 0x40);
  return item;
}

GVEditorEntry GVGlueEntry() {
  GVEditorEntry e;
  e.make = [](const GVEditorArgs& a) -> HwDialogWindow* { return new HwEditGlue(a.x, a.jelId, a.main); };
  e.show = [](HwDialogWindow* d) { GVShowLinkedEditor(d, &static_cast<HwEditGlue*>(d)->link); };
  e.hide = [](HwDialogWindow* d) { GVHideLinkedEditor(d, &static_cast<HwEditGlue*>(d)->link); };
  e.refresh = [](HwDialogWindow* d, int32_t, int32_t jelId) { static_cast<HwEditGlue*>(d)->refresh(jelId); };
  return e;
}
