// Controls freed under a live parent, as the editors and panels free them: from
// outside, while their tool-tip shows, and from inside their own owner callbacks.
// The sanitizers report any read of a freed control.
#include <functional>
#include <vector>

#include "toolkit/buttons.h"
#include "toolkit/choosers.h"
#include "toolkit/dialog_window.h"
#include "toolkit/label.h"
#include "toolkit/scroll_bar.h"
#include "toolkit/slider_group.h"
#include "toolkit/text_window.h"
#include "toolkit/time_bar.h"
#include "toolkit/title_bar.h"
#include "toolkit_fixture.h"

namespace {

class Lifetimes : public ToolkitTest {
 protected:
  void SetUp() override {
    ToolkitTest::SetUp();
    parent_ = popup("BaseControlClass", 0, 0, 900, 700);
  }
  // Repaints the whole parent and clicks the middle of every freed control.
  void repaintAndPoke(const std::vector<RECT>& places) {
    RedrawWindow(parent_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    settle();
    for (RECT r : places) click(centre(r), 2);
  }
  HWND toolTip() const { return FindWindowA("ToolTipWindowClass", nullptr); }
  HWND parent_ = nullptr;
};

TEST_F(Lifetimes, EveryControlFreedUnderALiveParentLeavesItsWindowsQuiet) {
  std::vector<std::function<void()>> frees;
  std::vector<RECT> places;
  auto keep = [&](HWND outer, std::function<void()> free) {
    places.push_back(rectOf(outer));
    frees.push_back(std::move(free));
  };
  auto* button = new HwBMButton();
  button->create(parent_, instance_, "", 1, 0, 0, 0, 0, 0, 10, 10, 40, 20, 5, "tip", 0, 0, nullptr, nullptr);
  keep(button->outer, [=] { delete button; });
  auto* menu = new HwMenuButton();
  menu->create(parent_, instance_, "File", 195, 196, 600, 60, 0.1f, 0, nullptr, nullptr);
  menu->createMultiList(1);
  menu->multiList->initialiseList(0, 1);
  HDC dc = GetDC(parent_);
  menu->multiList->addItem(0, dc, "Open", 0);
  ReleaseDC(parent_, dc);
  keep(menu->outer, [=] { delete menu; });
  auto* plain = new HwEditControl(0, 0, parent_, instance_, 600, 100, 80, 22, 7, 0, nullptr, nullptr, nullptr, nullptr,
                                  nullptr);
  keep(plain->window, [=] { delete plain; });
  auto* label = new HwLabel(parent_, "Label", instance_, 60, 10, 100, 20, 12, 0, 1, 4);
  keep(label->window, [=] { delete label; });
  auto* entry = new HwEditButControl(parent_, instance_, 170, 10, 120, 24, 0, 0, 3, 0.0f, nullptr, nullptr, nullptr);
  keep(entry->frame->window, [=] { delete entry; });
  auto* field = new HwBaseControl();
  field->createFloat(parent_, instance_, 300, 10, 240, 30, "Mass:", 80, 1.5f, nullptr, nullptr);
  keep(field->frame.window, [=] { GVFreeDialogRec2(field); });
  auto* pick = new HwBaseControl();
  pick->createButton(instance_, parent_, 550, 10, 200, 26, "Texture", "Pick", 60, 4, nullptr, nullptr);
  keep(pick->frame.window, [=] { delete pick; });
  auto* text = new HwTextField();
  text->create(parent_, instance_, 10, 50, 200, 24, nullptr);
  keep(text->frame.window, [=] { delete text; });
  auto* drop = new HwDropDownCntrl(instance_, "Kind:", parent_, 220, 50, 240, 28, 90, 0.2f, nullptr, nullptr);
  drop->rebuildList();
  keep(drop->window, [=] { delete drop; });
  auto* selector = new HwSelectorTool(instance_, "Jel:", 400, 60, 3, 10, 90, nullptr, nullptr, parent_, "Jel1");
  keep(selector->frame->window, [=] { delete selector; });
  auto* slider = new HwSliderGroup();
  slider->addInt(60, instance_, parent_, 10, 130, 321, 23, "Count:", 40, 0, 50, 100, 0, 1, nullptr, nullptr);
  keep(slider->frame.window, [=] { delete slider; });
  auto* upright = new HwSliderGroup();
  upright->addFloat(0, instance_, parent_, 850, 100, 40, 246, "", 40, 0, 1, 2, kSliderVertical, 1, nullptr, nullptr);
  keep(upright->frame.window, [=] { delete upright; });
  auto* bar = new HwTimeBar();
  bar->create(instance_, parent_, 482, 0, nullptr, nullptr, nullptr);
  bar->move(0, 170, 482, 50);
  keep(bar->frame.window, [=] { delete bar; });
  auto* title = new HwTitleBar();
  title->create("Title", instance_, parent_, 10, 230, 300, 35, 3, 0, nullptr, nullptr, nullptr, nullptr);
  keep(title->window, [=] { delete title; });
  auto* scroll = new HwScrollBar();
  scroll->create(parent_, instance_, 200, 10, 200, 100, nullptr, nullptr);
  scroll->move(500, 300, 18, 200);
  keep(scroll->frame.window, [=] { delete scroll; });
  auto* win = new HwTextWin();
  win->create(parent_, "Some text", instance_, 200, 100, nullptr);
  win->move(10, 300, 200, 100);
  keep(win->frame.window, [=] { delete win; });
  auto* frame = new HwFrame();
  frame->create(parent_, instance_, 250, 300, 100, 100, 3, 0);
  keep(frame->window, [=] { delete frame; });
  auto* frameWindow = new HwFrameWindow();
  frameWindow->create(parent_, instance_, 250, 420, 200, 100, 4);
  keep(frameWindow->outer, [=] { delete frameWindow; });
  settle();
  click(menu->face);  // the menu's list rolls open
  click(plain->window);  // the entry has the focus and its caret
  GVTestMouseMove(30, 20);  // the hover wait of the first button runs
  settle();

  for (auto& free : frees) free();
  repaintAndPoke(places);
  EXPECT_EQ(toolTip(), nullptr);
  EXPECT_TRUE(box_->texts.empty());

  // New controls in the same places behave.
  HwSliderGroup again;
  again.addInt(60, instance_, parent_, 10, 130, 321, 23, "Count:", 40, 0, 50, 100, 0, 1, nullptr, nullptr);
  settle();
  EXPECT_NE(countScreen(RGB(65, 65, 65), rectOf(again.track)), 0);
}

TEST_F(Lifetimes, ButtonFreedWhileItsTipShowsOrDuringTheHoverWaitLetsOthersTipAndLight) {
  auto tipped = [&](int x) {
    auto* b = new HwBMButton();
    b->create(parent_, instance_, "", 1, 0, 0, 0, 0, 0, x, 100, 40, 20, 0, "Going", 0, 0, nullptr, nullptr);
    settle();
    return b;
  };
  HwBMButton other, light;
  other.create(parent_, instance_, "", 1, 0, 0, 0, 0, 0, 300, 100, 40, 20, 0, "Staying", 0, 0, nullptr, nullptr);
  light.create(parent_, instance_, "", 0, 141, 142, 0, 0, 0, 400, 100, 30, 30, 5, "", 0, 0, nullptr, nullptr);
  auto expectOthersWork = [&] {
    GVTestMouseMove(310, 110);
    settle();
    elapse(205);
    ASSERT_TRUE(toolTip());
    EXPECT_EQ(rectOf(toolTip()).left, 280);
    GVTestMouseMove(600, 400);
    settle();
    EXPECT_EQ(toolTip(), nullptr);
    GVTestMouseMove(410, 110);
    settle();
    EXPECT_EQ(light.state, 4);
    GVTestMouseMove(600, 400);
    settle();
    EXPECT_EQ(light.state, 0);
  };

  HwBMButton* going = tipped(100);
  GVTestMouseMove(110, 110);
  settle();
  elapse(205);
  ASSERT_TRUE(toolTip());
  delete going;
  settle();
  EXPECT_EQ(toolTip(), nullptr);
  expectOthersWork();

  going = tipped(150);
  GVTestMouseMove(160, 110);
  settle();
  elapse(100);
  delete going;
  elapse(200);
  EXPECT_EQ(toolTip(), nullptr);
  expectOthersWork();
}

// Owners that free their control from its callback.
struct Freeing {
  HwDropDownCntrl* drop = nullptr;
  HwDialogTemp* dialog = nullptr;
  HwSelectorTool* selector = nullptr;
  HwTextField* field = nullptr;
  HwSliderGroup* slider = nullptr;
  int calls = 0;
};

TEST_F(Lifetimes, OwnersMayFreeTheControlFromItsCallback) {
  Freeing f;
  auto press = [](HWND w) {
    click(w);
    elapse(300);
  };
  f.drop = new HwDropDownCntrl(
      instance_, "Kind:", parent_, 10, 10, 240, 28, 90, 0.2f,
      [](int item, void* u) {
        auto* o = static_cast<Freeing*>(u);
        delete o->drop;
        o->drop = nullptr;
        o->calls++;
        return item;
      },
      &f);
  f.drop->rebuildList();
  HDC dc = GetDC(f.drop->valueBox);
  f.drop->multiList->initialiseList(0, 2);
  for (const char* t : {"One", "Two"}) f.drop->multiList->addItem(0, dc, t, 0);
  ReleaseDC(f.drop->valueBox, dc);
  settle();
  press(f.drop->listButton->face);
  QwDDSubWindow* list = f.drop->multiList->mainWindow;
  RECT r = rectOf(list->popup);
  GVTestClick(r.left + 30, r.top + 5 + list->rowHeight + list->rowHeight / 2);
  elapse(300);
  EXPECT_EQ(f.drop, nullptr);

  f.dialog = new HwDialogTemp(
      instance_, "Going", 300, 300, 300, 200, 3, 0,
      [](int code, int, int, void* u) {
        auto* o = static_cast<Freeing*>(u);
        if (code != 4 && code != 1) return;
        delete o->dialog;
        o->dialog = nullptr;
        o->calls++;
      },
      nullptr, &f);
  settle();
  press(f.dialog->dismissButton->face);
  EXPECT_EQ(f.dialog, nullptr);

  f.selector = new HwSelectorTool(
      instance_, "Jel:", 400, 60, 3, 10, 60,
      [](int, char*, void* u) {
        auto* o = static_cast<Freeing*>(u);
        delete o->selector;
        o->selector = nullptr;
        o->calls++;
      },
      &f, parent_, "Jel1");
  settle();
  press(f.selector->nextButton->face);
  EXPECT_EQ(f.selector, nullptr);

  f.field = new HwTextField();
  f.field->create(parent_, instance_, 10, 100, 200, 24, &f);
  f.field->callback = [](int, char* text, void* u) -> const char* {
    auto* o = static_cast<Freeing*>(u);
    delete o->field;
    o->field = nullptr;
    o->calls++;
    return text;
  };
  settle();
  press(f.field->edit->window);
  GVTestKeyPress('A');
  GVTestKeyPress(VK_RETURN);
  settle();
  EXPECT_EQ(f.field, nullptr);

  f.slider = new HwSliderGroup();
  f.slider->addInt(
      60, instance_, parent_, 10, 140, 321, 23, "Count:", 40, 0, 50, 100, 0, 1,
      [](int, int value, void* u) {
        auto* o = static_cast<Freeing*>(u);
        delete o->slider;
        o->slider = nullptr;
        o->calls++;
        return value;
      },
      &f);
  settle();
  RECT track = rectOf(f.slider->track);
  GVTestClick(track.left + 20, (track.top + track.bottom) / 2);
  settle();
  EXPECT_EQ(f.slider, nullptr);
  EXPECT_EQ(f.calls, 5);
  EXPECT_TRUE(box_->texts.empty());
}

}  // namespace
