// HwEditPart, "Edit Jel Part" or "Edit Geo Part": picks an object (or a
// selection) and one of its parts 1..31, and switches the part-edit mode in
// which the 3-D view's mouse tool assigns picked nodes to that part. The Jel
// variant reports to GVEditPartCB, the Geo variant to GVEditGeoPartCB; the
// Geo variant has no world, so its part shows "NONE" and its mode stays off.
#pragma once

#include <cstdint>

#include "appwins/editor_opener.h"
#include "scene/editor_links.h"
#include "toolkit/dialog_window.h"

class HwBaseControl;
class HwSelectorTool;

class HwEditPart : public HwDialogTemp {
 public:
  // geoVariant selects the Geo part editor; id is its Geo or Jel; user is the
  // main window.
  HwEditPart(int x, bool geoVariant, int32_t id, void* user);
  ~HwEditPart() override;

  // id 0 keeps a current object that still exists; else the id becomes
  // current (0 when it is not there), a non-zero part replaces the part and a
  // Jel with part 0 gets part 1. The Jel variant reads a Jel id, the Geo
  // variant a Geo id.
  void refresh(int32_t id, int32_t part);
  // Lock, part-edit flag and button released.
  void endEditMode();

  int32_t current() const { return id_; }
  int32_t part() const { return part_; }
  bool geoVariant() const { return geo_; }

  HwSelectorTool* objectSelector = nullptr;
  HwSelectorTool* partSelector = nullptr;
  HwBaseControl* modeButton = nullptr;
  GVJelEditorLink link;

  static void chooseObject(int action, char* text, void* editor);
  static void choosePart(int action, char* text, void* editor);
  static int modeCB(int state, void* editor);

 private:
  void tell(int32_t state, uint32_t request);
  void setCurrent(int32_t id);
  bool objectExists(int32_t id) const;
  void partText(char* text) const;

  bool geo_ = false;
  int32_t id_ = 0;
  int32_t part_ = 0;
  void* user_ = nullptr;
};

// The opener's entries of codes 4 (Jel) and 8 (Geo).
GVEditorEntry GVJelPartEntry();
GVEditorEntry GVGeoPartEntry();
