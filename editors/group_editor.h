// HwEditGroup, "Edit Jel Group" or "Edit Geo Group": picks an object (or a
// selection) and a group 1..31 (shown and chosen as -g), and adds the object
// to the group or removes it. The Jel variant reports to GVEditJelGroupCB and
// has "Display Vhcl Aux Group"; the Geo variant reports to GVUnMergeGeos and
// has the two merge buttons and "Un-Merge Selected Geo".
#pragma once

#include <cstdint>

#include "appwins/editor_opener.h"
#include "scene/editor_links.h"
#include "toolkit/dialog_window.h"

class HwBaseControl;
class HwSelectorTool;

class HwEditGroup : public HwDialogTemp {
 public:
  HwEditGroup(int x, bool geoVariant, int32_t id, void* user);
  ~HwEditGroup() override;

  // id 0 keeps a current object that still exists; else the id becomes
  // current (0 when it is not in its list) and is shown; without a list or
  // object both selectors show "NONE".
  void refresh(int32_t id);
  // The group becomes current and the group selector shows it.
  void setGroup(int32_t group);

  int32_t current() const { return id_; }
  int32_t group() const { return group_; }

  enum { kAdd, kRemove, kVehicle, kMergeEq, kMergeNeq, kUnMerge, kButtons };
  HwSelectorTool* objectSelector = nullptr;
  HwSelectorTool* groupSelector = nullptr;
  HwBaseControl* buttons[kButtons] = {};  // the other variant's stay null
  GVJelGroupEditorLink link;  // the Jel variant's is the one the callback reads

  static void chooseObject(int action, char* text, void* editor);
  static void chooseGroup(int action, char* text, void* editor);
  template <int Which> static int buttonCB(int state, void* editor);
  static void ownerCB(int code, int value, int reserved, void* editor);

 private:
  int32_t tell(int32_t state, uint32_t request, int32_t first, int32_t second);
  int press(int which);
  void setCurrent(int32_t id);
  bool listed() const;
  bool objectExists(int32_t id) const;
  void groupText(char* text) const;

  bool geo_ = false;
  int32_t id_ = 0;
  int32_t group_ = -1;
  void* user_ = nullptr;
};

// The opener's entries of codes 5 (Jel) and 9 (Geo).
GVEditorEntry GVJelGroupEntry();
GVEditorEntry GVGeoGroupEntry();
