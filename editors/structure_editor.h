// HwEditStruct, "Edit Jel Structure": picks one Jel of the all-objects
// selection and switches the structure-edit mode. While the mode is on the
// 3-D view holds a lattice builder sized from the Jel (cell size, largest
// grid index per axis), through which its mouse tool adds and removes cells;
// the dialog cannot be dismissed and changes no node itself. The mode is only
// switched on in natural-state mode and with GVEditStructCB's consent.
#pragma once

#include <cstdint>

#include "appwins/editor_opener.h"
#include "scene/editor_links.h"
#include "toolkit/dialog_window.h"

class HwBaseControl;
class HwSelectorTool;
struct GVView;

class HwEditStruct : public HwDialogTemp {
 public:
  // Opens at x with the Jel id; user is the main window.
  HwEditStruct(int x, int32_t jelId, void* user);
  ~HwEditStruct() override;

  // id 0 keeps a current Jel that is still in the world; else the id becomes
  // current (0 when it is not there) and the chooser shows it.
  void refresh(int32_t id);
  // Leaves the mode without asking anyone: flag and lock cleared, the view's
  // builder freed, the button up.
  void endEditMode();

  int32_t current() const { return id_; }

  HwSelectorTool* selector = nullptr;
  HwBaseControl* modeButton = nullptr;
  GVJelEditorLink link;

  static void chooseJel(int action, char* text, void* editor);
  static int modeCB(int state, void* editor);

 private:
  GVView* view() const;
  void setCurrent(int32_t id);
  int switchMode(bool on);

  int32_t id_ = 0;
  void* user_ = nullptr;
};

// The opener's entry of code 3.
GVEditorEntry GVStructureEntry();
