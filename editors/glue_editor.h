// HwEditGlue, "Edit Jel Glue": picks a Jel selection and a part, glues every
// pair of that part's nodes (across the selected Jels and within one) that
// lie within a fifth of the smallest cell size among them, removes those
// bindings again, and switches the drawing of glue links in the 3-D view.
// Every change is reported to GVEditGlueCB.
#pragma once

#include <cstdint>

#include "appwins/editor_opener.h"
#include "scene/editor_links.h"
#include "toolkit/dialog_window.h"

class HwBaseControl;
class HwDropDownCntrl;
class HwSelectorTool;

class HwEditGlue : public HwDialogTemp {
 public:
  HwEditGlue(int x, int32_t selection, void* user);
  ~HwEditGlue() override;

  // Selection 0 keeps a current Jel that still exists; else it becomes
  // current (0 when no Jel has that id) and is shown.
  void refresh(int32_t selection);
  // The part selector and the drop-down follow the selection; without a
  // world or selection both selectors show "NONE" and the drop-down "OFF".
  void setSelection(int32_t selection);

  int32_t selection() const { return sel_; }
  int32_t part() const { return part_; }
  int32_t drawFlag() const { return draw_; }

  HwSelectorTool* selector = nullptr;
  HwSelectorTool* partSelector = nullptr;
  HwBaseControl* addButton = nullptr;
  HwBaseControl* removeButton = nullptr;
  HwDropDownCntrl* drawDrop = nullptr;
  GVJelEditorLink link;

  static void chooseJel(int action, char* text, void* editor);
  static void choosePart(int action, char* text, void* editor);
  static int addCB(int state, void* editor);
  static int removeCB(int state, void* editor);
  static int drawCB(int item, void* editor);

 private:
  void tell(int32_t state, uint32_t request);
  void setCurrent(int32_t selection);
  void partText(char* text) const;

  int32_t sel_ = 0;
  int32_t part_ = 1;
  int32_t draw_ = 0;
  void* user_ = nullptr;
};

// The opener's entry of code 6.
GVEditorEntry GVGlueEntry();
