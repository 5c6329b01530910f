#include "editors/group_editor.h"

#include <cstdio>

#include "GVAppWins/view_window.h"
#include "appwins/help_window.h"
#include "dynamics/jel_selection.h"
#include "dynamics/world.h"
#include "editors/editor_common.h"
#include "geo/geo_list.h"
#include "platform/win32.h"
#include "scene/geo_editor_callbacks.h"
#include "scene/geo_editor_links.h"
#include "geo/geo_list_services.h"
#include "scene/edit_rules.h"
#include "scene/jel_editor_callbacks.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "toolkit/choosers.h"
#include "toolkit/label.h"

namespace {

HwEditGroup* gGeoGroupEditor = nullptr;

int32_t groupEditorGeo() { return gGeoGroupEditor ? gGeoGroupEditor->current() : 0; }

void setGeoLink(HwEditGroup* editor) {
  gGeoGroupEditor = editor;
  GeoEditorLinks l = GVGeoEditorLinks();
  l.groupEditorGeo = editor ? groupEditorGeo : nullptr;
  GVSetGeoEditorLinks(l);
}

GeoList* geoList() { return GVGeoListOf(GVScene().geoList); }

struct ButtonRow {
  int which;
  int y;
  const char* label;
};
constexpr ButtonRow kJelButtons[] = {{HwEditGroup::kAdd, 96, "Add Selected Jel:"},
                                     {HwEditGroup::kRemove, 126, "Rem Selected Jel:"},
                                     {HwEditGroup::kVehicle, 166, "Display Vhcl Aux Group"}};
constexpr ButtonRow kGeoButtons[] = {{HwEditGroup::kAdd, 96, "Add Selected Geo:"},
                                     {HwEditGroup::kRemove, 126, "Rem Selected Geo:"},
                                     {HwEditGroup::kMergeEq, 166, "Merge Geo Group (eq)"},
                                     {HwEditGroup::kMergeNeq, 196, "Merge Geo Group (neq)"},
                                     {HwEditGroup::kUnMerge, 231, "Un-Merge Selected Geo"}};

}  // namespace

HwEditGroup::HwEditGroup(int x, bool geoVariant, int32_t id, void* user)
    : HwDialogTemp(GetModuleHandleA(nullptr), geoVariant ? "Edit Geo Group" : "Edit Jel Group", x, 110, 355,
                   geoVariant ? 370 : 330, kEditorFrameStyle, 0, ownerCB, GVShowHelpPage, this),
      geo_(geoVariant),
      id_(id),
      user_(user) {
  GVSetEditorHelpTopic(this, geo_ ? "dlg_ggrp" : "dlg_hgrp");
  link.chosen = id_;
  link.visible = isVisible() ? 1 : 0;
  if (geo_)
    setGeoLink(this);
  else
    GVEditors().jelGroup = &link;
  if (!content || !content->inner) return;
  HWND parent = content->inner;
  HINSTANCE inst = GetModuleHandleA(nullptr);
  char text[kHwSelectorBuffer];
  GVObjectChooserText(geo_ ? kChooseGeo : kChooseJel, id_, text, sizeof text);
  objectSelector = GVMakeEditorSelector(parent, geo_ ? "Geo(s):" : "Jel(s):", 5, contentWidth, 70, " ",
                                        geo_ ? "H" : "G", text, chooseObject, this);
  groupText(text);
  groupSelector = GVMakeEditorSelector(parent, geo_ ? "Geo Group:" : "Jel Group", 38, contentWidth, 70, " ", "+",
                                       text, chooseGroup, this);
  static const HwButtonCB kCBs[kButtons] = {buttonCB<kAdd>,     buttonCB<kRemove>,   buttonCB<kVehicle>,
                                            buttonCB<kMergeEq>, buttonCB<kMergeNeq>, buttonCB<kUnMerge>};
  auto make = [&](const ButtonRow& r) {
    buttons[r.which] = new HwBaseControl();
    buttons[r.which]->createButton(inst, parent, 5, r.y, 240, 25, r.label, "", 25, 4, kCBs[r.which], this);
  };
  if (geo_) {
    for (const ButtonRow& r : kGeoButtons) make(r);
  } else {
    for (const ButtonRow& r : kJelButtons)
      if (r.which != kVehicle || GVEditorWorld()) make(r);
  }
}

HwEditGroup::~HwEditGroup() {
  if (geo_ && gGeoGroupEditor == this) setGeoLink(nullptr);
  if (!geo_ && GVEditors().jelGroup == &link) GVEditors().jelGroup = nullptr;
  delete objectSelector;
  delete groupSelector;
  for (HwBaseControl*& b : buttons) delete b;
}

void HwEditGroup::ownerCB(int code, int, int, void* editor) {
  if ((code == 1 || code == 4) && editor) static_cast<HwEditGroup*>(editor)->link.visible = 0;
}

int32_t HwEditGroup::tell(int32_t state, uint32_t request, int32_t first, int32_t second) {
  if (!geo_) return GVEditJelGroupCB(state, request, first, second, user_);
  GVUnMergeGeos(state, static_cast<int32_t>(request), first, second, user_);
  return 0;
}

void HwEditGroup::setCurrent(int32_t id) {
  id_ = id;
  link.chosen = id;
}

bool HwEditGroup::listed() const {
  if (geo_) return geoList() && geoList()->head;
  return GVEditorWorld() && GVEditorWorld()->head;
}

bool HwEditGroup::objectExists(int32_t id) const {
  if (id < 1) return false;
  return geo_ ? GVGeoExists(GVScene().geoList, id) != 0 : GVJelExists(GVScene().world, id) != 0;
}

void HwEditGroup::groupText(char* text) const {
  if (listed() && group_ == -1)
    std::snprintf(text, kHwSelectorBuffer, geo_ ? "ALL Geos" : "ALL Jels");
  else if (listed() && group_ <= -2 && group_ >= -31)
    std::snprintf(text, kHwSelectorBuffer, "Group_%d", -group_);
  else
    std::snprintf(text, kHwSelectorBuffer, "NONE");
}

void HwEditGroup::setGroup(int32_t group) {
  group_ = group;
  char text[kHwSelectorBuffer];
  groupText(text);
  GVShowSelectorText(groupSelector, text);
}

void HwEditGroup::refresh(int32_t id) {
  if (id < 0) id = 0;
  if (id == 0 && objectExists(id_)) return;
  setCurrent(objectExists(id) ? id : 0);
  char text[kHwSelectorBuffer];
  GVObjectChooserText(geo_ ? kChooseGeo : kChooseJel, id_, text, sizeof text);
  GVShowSelectorText(objectSelector, text);
  if (!listed() || id_ == 0) GVShowSelectorText(groupSelector, "NONE");
}

void HwEditGroup::chooseObject(int action, char* text, void* editor) {
  auto* self = static_cast<HwEditGroup*>(editor);
  int32_t id = self->id_;
  if (self->geo_) {
    const bool ok = GVObjectChooser(kChooseGeo, action, text, &id);
    self->setCurrent(id);
    if (ok && action != 4) self->tell(action, 2, id, self->group_);
    return;
  }
  // The Jel chooser offers the Jels of the all-objects selection only.
  if (action == -1 || action == 1) id = GVStepAllObjectsJel(id, action);
  if (action == 0 && GVJelExists(GVScene().world, id)) {
    char name[kHwSelectorBuffer];
    std::snprintf(name, sizeof name, "%s", text);
    GVRenameJel(name, id);
  }
  self->setCurrent(id);
  GVJelChooserText(self->listed() ? id : 0, text, kHwSelectorBuffer);
  if (action != 4) self->tell(action, 1, id, self->group_);
}

void HwEditGroup::chooseGroup(int action, char* text, void* editor) {
  auto* self = static_cast<HwEditGroup*>(editor);
  if (!self->listed()) {
    std::snprintf(text, kHwSelectorBuffer, "NONE");
    return;
  }
  const GeoList* list = geoList();
  const HWorld* w = GVEditorWorld();
  int32_t& g = self->group_;
  if (action == -1) g = self->geo_ ? GVPrevGeoGroupSel(list, g, 1) : GVPrevJelGroupSel(w, g, 1);
  if (action == 1) g = self->geo_ ? GVNextGeoGroupSel(list, g, 1) : GVNextJelGroupSel(w, g, 1);
  if (action == 3) {
    // Beyond group 30 there is no new group: the group stays.
    const int32_t fresh = self->geo_ ? GVNewGeoGroupSel(list) : GVNewJelGroupSel(w);
    if (fresh != 0) g = fresh;
  }
  self->groupText(text);
  if (action != 4) self->tell(action, self->geo_ ? 4 : 8, self->id_, g);
}

int HwEditGroup::press(int which) {
  const int32_t id = id_, g = group_;
  const bool isGroup = g <= -1 && g >= -31;
  switch (which) {
    case kAdd:
    case kRemove: {
      const int mode = which == kAdd ? 1 : 0;
      if (geo_) {
        if (isGroup && geoList()) GVSetGeoSelGroupBit(geoList(), id, g, mode);
        tell(0, which == kAdd ? 0x10 : 0x20, id, g);
      } else {
        if (GVEditorWorld()) GVSetJelSelGroupBit(GVEditorWorld(), id, g, mode);
        tell(0, which == kAdd ? 0x40 : 0x80, id, g);
      }
      return gViewModeFlags.partPick ? 1 : 0;
    }
    case kMergeEq:
    case kMergeNeq:
      // The merge acts on the chosen group, passed as the first id.
      tell(0, which == kMergeEq ? 0x100 : 0x200, g, 0);
      return 0;
    case kUnMerge:
      tell(0, 0x400, id, id);
      return 0;
    case kVehicle: {
      if (!GVEditorWorld()) return 0;
      const int32_t shown = tell(0, kJelGroupVehicleGroup, id, g);
      setGroup(shown != 0 ? shown : group_);
      return 0;
    }
    default:
      return 0;
  }
}

template <int Which>
int HwEditGroup::buttonCB(int, void* editor) {
  return static_cast<HwEditGroup*>(editor)->press(Which);
}

namespace {

GVEditorEntry groupEntry(bool geo) {
  GVEditorEntry e;
  e.make = geo ? [](const GVEditorArgs& a) -> HwDialogWindow* { return new HwEditGroup(a.x, true, a.geoId, a.main); }
               : [](const GVEditorArgs& a) -> HwDialogWindow* { return new HwEditGroup(a.x, false, a.jelId, a.main); };
  e.show = [](HwDialogWindow* d) {
    d->show();
    static_cast<HwEditGroup*>(d)->link.visible = d->isVisible() ? 1 : 0;
  };
  e.hide = [](HwDialogWindow* d) {
    d->hide();
    static_cast<HwEditGroup*>(d)->link.visible = d->isVisible() ? 1 : 0;
  };
  e.refresh = geo ? [](HwDialogWindow* d, int32_t geoId, int32_t) { static_cast<HwEditGroup*>(d)->refresh(geoId); }
                  : [](HwDialogWindow* d, int32_t, int32_t jelId) { static_cast<HwEditGroup*>(d)->refresh(jelId); };
  return e;
}

}  // namespace

GVEditorEntry GVJelGroupEntry() { return groupEntry(false); }
GVEditorEntry GVGeoGroupEntry() { return groupEntry(true); }
