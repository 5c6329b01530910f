// The logic control window in the main window, driven by injected mouse input
// on its header, catalogue pane, line window and buttons.
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "appwins/logic_cntrl.h"
#include "appwins/notes_window.h"
#include "appwins/panel_handlers.h"
#include "appwins/view_owner.h"
#include "logic/line_services.h"
#include "logic/logic_system.h"
#include "logic/program_store.h"
#include "logic/slot_types.h"
#include "main_window_fixture.h"
#include "platform/input.h"
#include "scene/frame_driver.h"
#include "scene/menu_commands.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "toolkit/buttons.h"
#include "toolkit/edit_control.h"
#include "toolkit/label.h"
#include "toolkit/slider_group.h"
#include "appwins/editor_bar.h"

namespace {

struct Sent {
  int32_t id, code, extra;
  bool operator==(const Sent& o) const { return id == o.id && code == o.code && extra == o.extra; }
};
std::vector<Sent> gSent;
std::vector<std::string> gHelp;

int32_t recordOwner(int32_t id, int32_t code, int32_t extra, void*) {
  gSent.push_back({id, code, extra});
  return 0;
}

class LogicWindow : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    click(win_->selectorBar->buttons[12]->face);  // "Constraint Editor"
    w_ = win_->logicPanel;
    ASSERT_TRUE(w_ && w_->isVisible());
    w_->owner = recordOwner;
    w_->help = [](const char* key, int kind) { gHelp.push_back(std::string(key) + "/" + std::to_string(kind)); };
    gSent.clear();
    gHelp.clear();
    sys_ = GVScene().logic;
  }
  LogicLine* line(int n) { return GVLogicGetLine(sys_, 1, n); }
  int count() {
    int n = 0;
    for (LogicLine* l = GVLogicProgram(sys_, 1)->first; l; l = l->next) ++n;
    return n;
  }
  // A point of the line window (client coordinates) on the screen.
  POINT at(int x, int y) { return POINT{rectOf(w_->lines).left + x, rectOf(w_->lines).top + y}; }
  POINT row(int r, int x = 90) { return at(x, (r - 1) * 30 + 15); }
  void rightClick(POINT p) {
    GVTestAdvanceClock(1000);
    GVTestClick(p.x, p.y, GV_BUTTON_RIGHT);
    settle();
  }
  void clickPane(int row) { click(POINT{centre(w_->pane).x, rectOf(w_->pane).top + 35 + 30 * row}); }
  int commandIndex(int category, const char* name) {
    const LogicCategory& c = sys_->categories[category];
    for (int i = 0; i <= c.highest; ++i)
      if (std::strcmp(c.cmds[i].name, name) == 0) return i;
    return -1;
  }
  // Chooses a command in the catalogue pane: its category row, then its row.
  void choose(int category, const char* name) {
    rightClick(centre(w_->header));  // back to "CATEGORIES"
    clickPane(category);
    clickPane(commandIndex(category, name));
  }
  void setCommand(LogicLine* l, int category, const char* name) {
    l->category = category;
    l->command = commandIndex(category, name);
    l->flags = 0;
    GVLogicFixLineTypes(sys_, 1, GVLogicLineNumber(1, l, sys_), l);
    GVLogicFixResultSlot(l, 1, sys_);
  }
  int width(const char* text) {
    HDC dc = GetDC(w_->lines);
    const int n = w_->textWidth(text, dc);
    ReleaseDC(w_->lines, dc);
    return n;
  }
  RECT band(int r) {
    RECT l = rectOf(w_->lines);
    return RECT{l.left, l.top + (r - 1) * 30, l.right, l.top + r * 30};
  }

  HwLogicCntrl* w_ = nullptr;
  LogicSystem* sys_ = nullptr;
};

TEST_F(LogicWindow, ShownFromTheSelectorBarWithItsCatalogueAndHelp) {
  EXPECT_EQ(MainWindowTest::place(win_->view->window).right, 1382);
  EXPECT_STREQ(w_->headerText(), "CATEGORIES");
  RECT pane = rectOf(w_->pane);
  const int middle = (pane.left + pane.right) / 2;
  for (int i = 0; i < 11; ++i) {
    auto [left, right] = ink(RECT{pane.left, pane.top + 28 + 30 * i, pane.right, pane.top + 42 + 30 * i},
                             RGB(80, 80, 80));
    EXPECT_LE(std::abs((left + right) / 2 - middle), 2) << i;
    EXPECT_GT(countScreen(RGB(200, 200, 200), RECT{pane.left, pane.top + 20 + 30 * i, pane.right,
                                                   pane.top + 50 + 30 * i}), 0) << i;
  }
  EXPECT_TRUE(GVSaveScreenPng("logic_window.png"));
  const char* names[] = {"CONTROL", "LOGIC",  "ARITHMETIC", "TRIG",    "VECTOR", "HPROPS",
                         "HDYN_1",  "HDYN_2", "CAMERA",     "DRAWING", "EFFECTS"};
  for (const char* name : names) {
    click(w_->header);
    EXPECT_STREQ(w_->headerText(), name);
  }
  click(w_->header);
  EXPECT_STREQ(w_->headerText(), "CATEGORIES");

  // A double-click on a command opens its page, on an empty row this window's.
  clickPane(2);
  const int plus = commandIndex(2, "+");
  click(POINT{centre(w_->pane).x, pane.top + 35 + 30 * plus}, 2);
  click(POINT{centre(w_->pane).x, pane.bottom - 5}, 2);
  EXPECT_EQ(gHelp, (std::vector<std::string>{std::string(sys_->categories[2].cmds[plus].key) + "/3", "dlg_lcd/1"}));
  // Every command's help key has its page.
  for (int c = 0; c < kLogicCategories; ++c)
    for (int i = 0; i <= sys_->categories[c].highest; ++i) {
      const char* key = sys_->categories[c].cmds[i].key;
      if (!key || !key[0]) continue;
      const std::string path = std::string(GV_SOURCE_DIR) + "/GVHelpFiles/" + key + ".hhf";
      EXPECT_TRUE(std::ifstream(path).good()) << path;
    }
}

TEST_F(LogicWindow, EditsMainByMouse) {
  // A chosen ARITHMETIC command given to line 1 by a left click.
  choose(2, "SQRT");
  LogicLine* first = line(1);
  click(row(1, 200));
  EXPECT_EQ(first->category, 2);
  EXPECT_EQ(first->command, commandIndex(2, "SQRT"));
  EXPECT_EQ(HwLogicCntrl::chosenCommand(), -1);
  int nameLeft = band(1).right;
  for (int y = band(1).top; y < band(1).bottom; ++y)
    for (int x = band(1).left; x < nameLeft; ++x)
      if (screen(x, y) == RGB(150, 150, 200)) nameLeft = x;
  EXPECT_GE(nameLeft - band(1).left, 110);  // the first glyph's own margin
  EXPECT_LE(nameLeft - band(1).left, 111);

  // x 16: above the row in its upper half, below it in its lower half.
  const int before = count();
  LogicLine* second = line(2);
  click(at(16, 30 + 5));
  EXPECT_EQ(count(), before + 1);
  EXPECT_EQ(line(3), second);
  click(at(16, 60 + 25));
  EXPECT_EQ(count(), before + 2);
  EXPECT_EQ(line(3), second);
  EXPECT_NE(line(4), second);

  // A drag over three lines selects exactly those and names no object.
  gSent.clear();
  drag(row(2), {row(3), row(4)});
  for (int n = 1; n <= count(); ++n) EXPECT_EQ((line(n)->flags & kLineSelected) != 0, n >= 2 && n <= 4) << n;
  EXPECT_EQ(gSent, (std::vector<Sent>{{0, 32, 0}, {0, 64, 0}}));

  // Copy arms Paste; right clicks paste again and again, a left click once.
  click(w_->copy->face);
  EXPECT_EQ(w_->paste->state, 1);
  const int copied = count();
  rightClick(row(6));
  rightClick(row(6));
  EXPECT_EQ(count(), copied + 6);
  EXPECT_EQ(w_->paste->state, 1);
  click(row(6));
  EXPECT_EQ(count(), copied + 9);
  EXPECT_EQ(w_->paste->state, 0);
  click(row(7));
  EXPECT_EQ(count(), copied + 9);

  // Del cuts: the selected lines go into the copy buffer.
  drag(row(1), {row(2)});
  LogicLine* third = line(3);
  click(w_->del->face);
  EXPECT_EQ(count(), copied + 7);
  EXPECT_EQ(line(1), third);
  int buffered = 0;
  for (LogicLine* l = GVLogicProgram(sys_, 0)->first; l; l = l->next) ++buffered;
  EXPECT_EQ(buffered, 2);

  // A command the editor cannot place is refused with a beep.
  const unsigned beeps = GVTestBeepCount();
  int home = 0;
  while (home < kLogicCategories && commandIndex(home, "TRACK_COLL") < 0) ++home;
  ASSERT_LT(home, kLogicCategories);
  choose(home, "TRACK_COLL");
  const int category = line(1)->category, command = line(1)->command;
  click(row(1, 200));
  EXPECT_EQ(GVTestBeepCount(), beeps + 1);
  EXPECT_EQ(GVTestLastBeep(), static_cast<UINT>(MB_ICONEXCLAMATION));
  EXPECT_EQ(line(1)->category, category);
  EXPECT_EQ(line(1)->command, command);
}

TEST_F(LogicWindow, SuspendedLinesAreGreyAndResultAndAxisTexts) {
  setCommand(line(1), 6, "HPOS");
  line(1)->flags |= 2 | 8;  // x and z only
  setCommand(line(2), 7, "HFIX");
  w_->refreshLines();
  settle();
  int s = 0, e = 0;
  ASSERT_TRUE(w_->columnExtent(line(1), 3, &s, &e));
  EXPECT_EQ(e - s, width("HPOS_XZ"));
  ASSERT_TRUE(w_->columnExtent(line(2), 1, &s, &e));
  EXPECT_EQ(e - s, width("  "));
  EXPECT_GT(countScreen(RGB(150, 175, 255), band(1)), 0);  // the Jel argument

  drag(row(1), {row(2)});
  click(w_->susp->face);
  EXPECT_TRUE(line(1)->flags & kLineOff);
  settle();
  EXPECT_GT(countScreen(RGB(55, 55, 55), band(1)), 0);
  EXPECT_GT(countScreen(RGB(95, 95, 95), band(1)), 0);
  for (COLORREF c : {RGB(150, 175, 255), RGB(216, 153, 216), RGB(150, 150, 200), RGB(230, 230, 230)})
    EXPECT_EQ(countScreen(c, band(1)), 0);
}

TEST_F(LogicWindow, AFloatConstantOpensTheSliderWhichWritesIt) {
  setCommand(line(1), 2, "+");
  line(1)->argType[0] = kLogicFloatConst;
  line(1)->argFloat[0] = 2.5f;
  w_->refreshLines();
  int s = 0, e = 0;
  ASSERT_TRUE(w_->columnExtent(line(1), 5, &s, &e));
  click(row(1, (s + e) / 2));
  ASSERT_EQ(line(1)->argType[0], static_cast<int32_t>(kLogicFloatConst));
  EXPECT_STREQ(w_->slider->label->text, "Line 1,  Arg 1:  ");
  EXPECT_EQ(w_->slider->edit->decimals, 1);
  EXPECT_FLOAT_EQ(w_->slider->floatMinimum, -10.0f);
  EXPECT_FLOAT_EQ(w_->slider->floatMaximum, 10.0f);
  w_->slider->floatCB(2, 3.5f, w_->slider->user);
  EXPECT_FLOAT_EQ(line(1)->argFloat[0], 3.5f);
}

TEST_F(LogicWindow, ValuesModeShowsWhatTheLinesGaveInTheLastFrame) {
  GVInstallMainWindowServices();
  click(w_->print->face);
  EXPECT_STREQ(w_->headerText(), "vals:");
  EXPECT_EQ(gSent, (std::vector<Sent>{{0, 8, 0}}));
  // IF on a false PP skips line 2; line 4 writes a tiny float; v 1 is (1, 2, 3).
  LogicProgram* p = GVLogicProgram(sys_, 1);
  setCommand(line(1), 0, "IF");
  line(1)->argType[0] = kLogicPP, line(1)->argVar[0] = 1;
  setCommand(line(2), 2, "=");
  setCommand(line(3), 0, "END IF");
  LogicLine* tiny = line(4);
  tiny->category = 2, tiny->command = commandIndex(2, "="), tiny->flags = 0;
  tiny->resultType = kLogicFloat, tiny->resultVar = 2;
  tiny->argType[0] = kLogicFloatConst, tiny->argFloat[0] = 0.00005f;
  LogicLine* vec = line(5);
  vec->category = 2, vec->command = commandIndex(2, "="), vec->flags = 0;
  vec->resultType = kLogicVec, vec->resultVar = 1;
  vec->argType[0] = kLogicVec, vec->argVar[0] = 2;
  const float v2[3] = {1, 2, 3};
  std::memcpy(GVLogicVecVar(p, 2), v2, sizeof v2);
  *GVLogicPPVar(p, 1) = 0;
  GVAdvanceFrame();
  char text[96];
  const std::vector<std::string> expected = {".", "0", "( 1,  2,  3 )"};
  const LogicLine* lines[] = {line(2), tiny, vec};
  for (int i = 0; i < 3; ++i) {
    GVLogicValueText(lines[i], p, text, sizeof text);
    EXPECT_EQ(text, expected[i]);
  }
  settle();
  RECT pane = rectOf(w_->pane);
  for (int r : {2, 4, 5})
    EXPECT_GT(countScreen(RGB(150, 150, 200), RECT{pane.left, pane.top + (r - 1) * 30, pane.right, pane.top + r * 30}),
              0) << r;
  GVRemoveMainWindowServices();
}

TEST_F(LogicWindow, APickedObjectIsUnderlinedAndDismissedNotesShowTheLinesAgain) {
  int32_t geo[3] = {5, 0, 0}, jel[3] = {0, 0, 0};
  win_->view->currentGeo = geo;
  win_->view->currentJel = jel;
  LogicLine* l = line(1);
  setCommand(l, 10, "EYE>CAM");
  l->argType[0] = kLogicIntConst, l->argInt[0] = 5;
  GVViewOwnerCB(1, 0x1, 5, 0, win_);
  settle();
  EXPECT_EQ(w_->highlightGeo, 5);
  EXPECT_GT(countScreen(RGB(250, 250, 100), band(1)), 0);
  EXPECT_GT(countScreen(RGB(216, 153, 216), band(1)), 0);

  // The wheel scrolls a long program one line at a time, under the pointer
  // without the focus.
  for (int i = 0; i < 40; ++i) GVLogicInsertLineAfter(sys_, 1, line(1));
  w_->updateScrollBar();
  SetFocus(win_->client);
  const POINT over = centre(w_->lines);
  GVTestMouseMove(over.x, over.y);
  GVInputMouseWheel(-WHEEL_DELTA);
  settle();
  EXPECT_EQ(GVLogicProgram(sys_, 1)->topLine, 2);
  EXPECT_EQ(w_->lineAtY(5), 2);
  GVInputMouseWheel(WHEEL_DELTA);
  settle();
  EXPECT_EQ(GVLogicProgram(sys_, 1)->topLine, 1);

  GVSetSceneNotes("over the lines");
  settle();
  EXPECT_EQ(countScreen(RGB(20, 20, 50), band(1)), 0);
  GVClearNotes();
  settle();
  EXPECT_GT(countScreen(RGB(20, 20, 50), band(1)), 0);
  win_->view->currentGeo = win_->view->currentJel = nullptr;
}

TEST_F(LogicWindow, ACommentEditEndsBeforeItsLineIsFreed) {
  setCommand(line(1), 0, "COMMENT");
  w_->refreshLines();
  click(row(1, 60));
  ASSERT_TRUE(IsWindowVisible(w_->textEdit->frame.window));
  w_->textEdit->edit->setText("kept");
  // The line goes while its comment is being typed: nothing is written into it
  // (Del, then a new scene).
  GVLogicSelectRange(1, 1, 2, sys_);
  click(w_->del->face);
  EXPECT_FALSE(IsWindowVisible(w_->textEdit->frame.window));
  EXPECT_EQ(w_->editLine, nullptr);
  GVInstallMainWindowServices();
  setCommand(line(1), 0, "COMMENT");
  click(row(1, 60));
  w_->textEdit->edit->setText("gone");
  GVMenuCommand(kMenuFile, 1, 0, win_);
  settle();
  EXPECT_FALSE(IsWindowVisible(w_->textEdit->frame.window));

  setCommand(line(1), 0, "COMMENT");
  click(row(1, 60));
  w_->textEdit->edit->setText("note");
  GVSceneServices().endLogicTextEdit();
  EXPECT_STREQ(line(1)->comment, "note");
  GVRemoveMainWindowServices();
}

}  // namespace
