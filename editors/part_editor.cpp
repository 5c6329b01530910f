#include "editors/part_editor.h"

#include <cstdio>

#include "GVAppWins/view_window.h"
#include "appwins/help_window.h"
#include "dynamics/jel_selection.h"
#include "dynamics/world.h"
#include "editors/editor_common.h"
#include "jel/vector_math.h"
#include "platform/win32.h"
#include "scene/geo_editor_callbacks.h"
#include "scene/geo_editor_links.h"
#include "scene/jel_editor_callbacks.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "toolkit/choosers.h"
#include "toolkit/label.h"

namespace {

HwEditPart* gGeoPartEditor = nullptr;

int32_t geoPartEditorGeo() { return gGeoPartEditor ? gGeoPartEditor->current() : 0; }

void setGeoLink(HwEditPart* editor) {
  gGeoPartEditor = editor;
  GeoEditorLinks l = GVGeoEditorLinks();
  l.geoPartEditorGeo = editor ? geoPartEditorGeo : nullptr;
  GVSetGeoEditorLinks(l);
}

void endModeOf(void* editor) { static_cast<HwEditPart*>(editor)->endEditMode(); }

// The Jel world when it holds Jels, else null.
HWorld* jelWorld() {
  HWorld* w = GVEditorWorld();
  return w && w->head ? w : nullptr;
}

}  // namespace

HwEditPart::HwEditPart(int x, bool geoVariant, int32_t id, void* user)
    : HwDialogTemp(GetModuleHandleA(nullptr), geoVariant ? "Edit Geo Part" : "Edit Jel Part", x, 110, 355, 260,
                   kEditorFrameStyle, 0, GVLinkedEditorOwnerCB, GVShowHelpPage, &link),
      geo_(geoVariant),
      user_(user) {
  // An id that names no object starts the editor with none.
  id_ = objectExists(id) ? id : 0;
  part_ = id_ != 0 ? 1 : 0;
  GVSetEditorHelpTopic(this, "dlg_part");
  link.jelId = geo_ ? 0 : id_;
  link.visible = isVisible() ? 1 : 0;
  link.editor = this;
  link.endEditMode = endModeOf;
  (geo_ ? GVEditors().geoPart : GVEditors().jelPart) = &link;
  if (geo_) setGeoLink(this);
  if (!content || !content->inner) return;
  HWND parent = content->inner;
  char text[kHwSelectorBuffer];
  GVObjectChooserText(geo_ ? kChooseGeo : kChooseJel, id_, text, sizeof text);
  objectSelector = GVMakeEditorSelector(parent, geo_ ? "Geo(s):" : "Jel(s):", 5, contentWidth, 60, " ",
                                        geo_ ? "H" : "G", text, chooseObject, this);
  partText(text);
  partSelector = GVMakeEditorSelector(parent, "Part:", 38, contentWidth, 60, " ", "+", text, choosePart, this);
  modeButton = new HwBaseControl();
  modeButton->createButton(GetModuleHandleA(nullptr), parent, 5, 96, 240, 25,
                           geo_ ? "Edit Geo Part Mode:" : "Edit Jel Part Mode:", "", 25, 4, modeCB, this);
}

HwEditPart::~HwEditPart() {
  if (lock) gViewModeFlags.partPick = 0;
  GVJelEditorLink*& slot = geo_ ? GVEditors().geoPart : GVEditors().jelPart;
  if (slot == &link) slot = nullptr;
  if (geo_ && gGeoPartEditor == this) setGeoLink(nullptr);
  delete objectSelector;
  delete partSelector;
  delete modeButton;
}

void HwEditPart::tell(int32_t state, uint32_t request) {
  if (geo_)
    GVEditGeoPartCB(state, static_cast<int32_t>(request), id_, part_, user_);
  else
    GVEditPartCB(state, request, id_, part_, user_);
}

void HwEditPart::setCurrent(int32_t id) {
  id_ = id;
  if (!geo_) link.jelId = id;
}

bool HwEditPart::objectExists(int32_t id) const {
  if (id < 1) return false;
  return geo_ ? GVGeoExists(GVScene().geoList, id) != 0 : GVJelExists(GVScene().world, id) != 0;
}

void HwEditPart::partText(char* text) const {
  if (!geo_ && jelWorld() && part_ >= 1)
    std::snprintf(text, kHwSelectorBuffer, "Part %d", part_);
  else
    std::snprintf(text, kHwSelectorBuffer, "NONE");
}

void HwEditPart::endEditMode() {
  lock = 0;
  gViewModeFlags.partPick = 0;
  GVSetButtonDown(modeButton, false);
}

void HwEditPart::refresh(int32_t id, int32_t part) {
  if (id < 0) id = 0;
  if (id == 0 && objectExists(id_)) return;
  setCurrent(objectExists(id) ? id : 0);
  if (part != 0) part_ = part;
  if (!geo_ && id_ != 0 && part_ == 0) part_ = 1;
  char text[kHwSelectorBuffer];
  GVObjectChooserText(geo_ ? kChooseGeo : kChooseJel, id_, text, sizeof text);
  GVShowSelectorText(objectSelector, text);
  partText(text);
  GVShowSelectorText(partSelector, text);
}

void HwEditPart::chooseObject(int action, char* text, void* editor) {
  auto* self = static_cast<HwEditPart*>(editor);
  int32_t id = self->id_;
  const bool listed = GVObjectChooser(self->geo_ ? kChooseGeo : kChooseJel, action, text, &id);
  self->setCurrent(id);
  // Both variants report the chooser as request 2: the Geo one's callback
  // makes the chosen Geo the view's current Geo on it.
  if (listed && action != 4) self->tell(action, 2);
}

void HwEditPart::choosePart(int action, char* text, void* editor) {
  auto* self = static_cast<HwEditPart*>(editor);
  HWorld* w = self->geo_ ? nullptr : jelWorld();
  if (!w) {
    std::snprintf(text, kHwSelectorBuffer, "NONE");
    return;
  }
  int32_t& part = self->part_;
  switch (action) {
    case 0: {
      const int typed = GVParseSmallInt(text);
      if (typed >= 1 && typed <= 30) part = typed;
      break;
    }
    case -1:
      part = GVPrevPartIndex(w, -1, part);
      break;
    case 1:
      part = GVNextJelPart(GVScene().world, part);
      break;
    case 3: {
      const int32_t fresh = GVPrevPartIndex(w, -1, 0) + 1;
      if (fresh < 32) part = fresh;
      break;
    }
    case 2:
      if (!GVFindJel(GVScene().world, GVNextJelInSel(w, self->id_, 0, 0))) {
        std::snprintf(text, kHwSelectorBuffer, "NONE");
        return;
      }
      break;
    default:
      break;
  }
  self->partText(text);
  if (action != 4) self->tell(action, 4);
}

int HwEditPart::modeCB(int, void* editor) {
  auto* self = static_cast<HwEditPart*>(editor);
  // This editor's own mode is toggled; another part editor's mode is left as
  // it is unless this one turns on.
  const bool wasOn = self->lock != 0;
  int32_t flag = wasOn ? 0 : 1;
  if (self->id_ == 0 || self->part_ == 0) flag = 0;
  if (flag || wasOn) gViewModeFlags.partPick = flag;
  self->lock = flag;
  self->tell(flag, 8);
  return flag ? 2 : 0;
}

GVEditorEntry GVJelPartEntry() {
  GVEditorEntry e;
  e.make = [](const GVEditorArgs& a) -> HwDialogWindow* { return new HwEditPart(a.x, false, a.jelId, a.main); };
  e.show = [](HwDialogWindow* d) { GVShowLinkedEditor(d, &static_cast<HwEditPart*>(d)->link); };
  e.hide = [](HwDialogWindow* d) { GVHideLinkedEditor(d, &static_cast<HwEditPart*>(d)->link); };
  e.refresh = [](HwDialogWindow* d, int32_t, int32_t jelId) { static_cast<HwEditPart*>(d)->refresh(jelId, 0); };
  return e;
}

GVEditorEntry GVGeoPartEntry() {
  GVEditorEntry e = GVJelPartEntry();
  e.make = [](const GVEditorArgs& a) -> HwDialogWindow* { return new HwEditPart(a.x, true, a.geoId, a.main); };
  e.refresh = [](HwDialogWindow* d, int32_t geoId, int32_t) { static_cast<HwEditPart*>(d)->refresh(geoId, 0); };
  return e;
}
