#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "toolkit/buttons.h"
#include "toolkit/choosers.h"
#include "toolkit/edit_control.h"
#include "toolkit/frames.h"
#include "toolkit/scroll_bar.h"
#include "toolkit/slider_group.h"
#include "toolkit_fixture.h"

namespace {

using ControlsGallery = ToolkitTest;

// Every button kind in every outer-fill state, frames of each style, a menu with
// its cascade open and a tool-tip, saved for a look by eye.
TEST_F(ControlsGallery, ButtonsFramesMenuAndToolTip) {
  HWND parent = popup("BaseControlClass", 0, 0, 900, 520);
  HwFrameWindow bar;
  bar.createLeft10(parent, instance_, 400, 32, 3);
  HwMenuButton file;
  file.create(bar.inner, instance_, "File", 195, 196, 0, 49, 0.2f, 0, nullptr, nullptr);
  file.createMultiList(4);
  HDC dc = GetDC(parent);
  QwMultiList* ml = file.multiList;
  ml->initialiseList(0, 5);
  const char* items[] = {"Open Scene", "Save Scene", "Import", "Export", "Exit"};
  const unsigned flags[] = {0, 2, 0, 8, 1};
  for (int i = 0; i < 5; i++) ml->addItem(0, dc, items[i], flags[i]);
  ml->initialiseList(3, 4);
  for (const char* t : {"Geo(s)", "Jel(s)", "Geo(s)+Jel(s)", "Lights"}) ml->addItem(3, dc, t, 0);
  ReleaseDC(parent, dc);

  std::vector<std::unique_ptr<HwBMButton>> buttons;
  for (int kind = 0; kind <= 5; kind++)
    for (int state = 0; state <= 5; state++) {
      char label[16];
      std::snprintf(label, sizeof label, "K%d S%d", kind, state);
      buttons.emplace_back(new HwBMButton);
      buttons.back()->create(parent, instance_, label, 2, 0, 0, 0, 0, 10, 300 + state * 70, 60 + kind * 36, 60,
                             24, kind, "Kind and state", 0, 0, nullptr, nullptr);
      buttons.back()->setState(state);
    }
  std::vector<HwFrame> frames(5);
  for (int style = 1; style <= 5; style++)
    frames[style - 1].create(parent, instance_, 300 + (style - 1) * 84, 300, 72, 60, style, 0);
  settle();

  RECT face = rectOf(file.face);
  GVTestClick((face.left + face.right) / 2, (face.top + face.bottom) / 2);
  settle();
  elapse(220);
  RECT list = rectOf(ml->mainWindow->popup);
  int rowY = list.top + 1 + 4 + 2 * ml->mainWindow->rowHeight + 8;
  GVTestMouseMove(list.left + 20, rowY);
  settle();
  elapse(110);
  ASSERT_TRUE(ml->cascadeWindow);
  EXPECT_GT(rectOf(ml->cascadeWindow->popup).bottom, rectOf(ml->cascadeWindow->popup).top);

  RECT tipped = rectOf(buttons[5 * 6 + 2]->face);
  GVTestMouseMove(tipped.left + 5, tipped.top + 5);
  settle();
  GVTestMouseMove(tipped.left + 6, tipped.top + 5);
  settle();
  elapse(210);
  EXPECT_TRUE(FindWindowA("ToolTipWindowClass", nullptr));
  EXPECT_EQ(screen(tipped.left - 1, tipped.top - 1), RGB(200, 200, 200));  // kind 5 lit while hovered
  EXPECT_EQ(screen(300 + 1 * 70 - 1, 60 + 3 * 36 - 1), RGB(0, 250, 0));    // kind 3, state 1
  EXPECT_TRUE(GVSaveScreenPng("toolkit_controls_gallery.png"));
  EXPECT_TRUE(box_->texts.empty());
}

void shown(int, char* text, void*) { std::snprintf(text, kHwSelectorBuffer, "Sphere  {2}"); }

// Entries of each kind (the text one with a selection), an edit-button control,
// a labelled field, a drop-down shut and one open, a selector tool, a slider and
// a scroll bar.
TEST_F(ControlsGallery, EntriesFieldsAndChoosers) {
  HWND parent = popup("BaseControlClass", 0, 0, 640, 360);
  HwEditControl number(0, 0, parent, instance_, 20, 20, 120, 22, 42, 0, nullptr, nullptr, nullptr, nullptr, nullptr);
  HwEditControl real(1, 4, parent, instance_, 160, 20, 120, 22, 0, 2.5f, nullptr, nullptr, nullptr, nullptr, nullptr);
  HwEditControl text(2, 1, parent, instance_, 300, 20, 200, 22, 0, 0, "Selected words", nullptr, nullptr, nullptr,
                     nullptr);
  HwEditButControl stepper(parent, instance_, 20, 60, 140, 26, 1, 8, 0, 0.125f, nullptr, nullptr, nullptr);
  HwBaseControl field;
  field.createInt(parent, instance_, 180, 60, 260, 30, "Sub-steps:", 100, nullptr, nullptr);
  HwSelectorTool selector(instance_, "Geo:", 300, 60, 5, 20, 110, shown, nullptr, parent, "Cube  {1}");
  HwDropDownCntrl shut(instance_, "Geo Dply:", parent, 20, 160, 240, 28, 90, 0.1f, nullptr, nullptr);
  HwDropDownCntrl open(instance_, "Jel Dply:", parent, 300, 160, 240, 28, 90, 0.1f, nullptr, nullptr);
  for (HwDropDownCntrl* d : {&shut, &open}) {
    d->rebuildList();
    HDC dc = GetDC(d->valueBox);
    d->multiList->initialiseList(0, 3);
    for (const char* t : {"None", "Wire", "Solid"}) d->multiList->addItem(0, dc, t, 0);
    ReleaseDC(d->valueBox, dc);
    d->selectItem(3);
  }
  HwSliderGroup slider;
  slider.addInt(60, instance_, parent, 20, 220, 321, 23, "Count:", 40, 0, 50, 100, 0, 1, nullptr, nullptr);
  HwScrollBar scroll;
  scroll.create(parent, instance_, 120, 10, 100, 40, nullptr, nullptr);
  scroll.move(600, 200, 18, 120);
  settle();

  // Step and list buttons carry arrows: the up one widens downwards, the down one
  // narrows. Rows of a face from the top, each the count of its light pixels:
  auto arrowRows = [](RECT face) {
    std::vector<int> rows;
    for (int y = face.top; y < face.bottom; y++) {
      int n = 0;
      for (int x = face.left; x < face.right; x++) n += GetRValue(screen(x, y)) >= 210;
      if (n) rows.push_back(n);
    }
    return rows;
  };
  for (HwBMButton* b : {stepper.upButton, stepper.downButton, shut.listButton}) {
    std::vector<int> rows = arrowRows(rectOf(b->face));
    ASSERT_GE(rows.size(), 3u);
    bool up = b == stepper.upButton;
    EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end(), [&](int a, int c) { return up ? a < c : a > c; }));
    EXPECT_NE(rows.front(), rows.back());
  }
  // The groove runs unbroken up to the knob from both sides: along its darkest row
  // no background shows between the groove's ends.
  RECT t = rectOf(slider.track);
  int grooveRow = -1;
  for (int y = t.top; y < t.bottom && grooveRow < 0; y++)
    if (screen(t.left + 12, y) == RGB(30, 30, 30)) grooveRow = y;
  ASSERT_GE(grooveRow, 0);
  EXPECT_EQ(countScreen(RGB(65, 65, 65), RECT{t.left + 11, grooveRow, t.right - 11, grooveRow + 1}), 0);
  EXPECT_GT(countScreen(RGB(200, 200, 210), RECT{t.left, grooveRow, t.right, grooveRow + 1}), 10);

  // Drag over "Selected", then open the second list.
  t = rectOf(text.window);
  GVTestMouseDown(t.left + 4, t.top + 10);
  settle();
  GVTestMouseMove(t.left + 70, t.top + 10);
  settle();
  GVTestMouseUp(t.left + 70, t.top + 10);
  RECT button = rectOf(open.listButton->face);
  GVTestClick(button.left + 5, button.top + 5);
  settle();
  elapse(150);
  EXPECT_GT(countScreen(RGB(0, 0, 0), RECT{t.left + 4, t.top, t.left + 70, t.bottom}), 100);
  EXPECT_TRUE(IsWindowVisible(open.multiList->mainWindow->popup));
  EXPECT_TRUE(GVSaveScreenPng("toolkit_entry_gallery.png"));
  EXPECT_TRUE(box_->texts.empty());
  field.destroy();
}

}  // namespace
