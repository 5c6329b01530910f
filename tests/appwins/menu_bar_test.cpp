#include <tuple>
#include <vector>

#include "appwins/menu_bar.h"
#include "main_window_fixture.h"
#include "toolkit/buttons.h"
#include "toolkit/frames.h"
#include "toolkit/multi_list.h"

namespace {

using Call = std::tuple<int, int, int>;
std::vector<Call> gCalls;

int record(int menu, int item, int subItem, void*) {
  gCalls.emplace_back(menu, item, subItem);
  return 0;
}

class MenuBar : public MainWindowTest {
 public:
  void SetUp() override {
    MainWindowTest::SetUp();
    gCalls.clear();
    bar_ = win_->menuBar;
    bar_->owner = record;
  }
  static POINT rowPoint(const QwDDSubWindow* w, int row) {
    RECT r = rectOf(w->popup);
    return POINT{r.left + 30, r.top + 1 + 4 + (row - 1) * w->rowHeight + w->rowHeight / 2};
  }
  static QwDDSubWindow* open(HwMenuButton* menu) {
    click(menu->face);
    elapse(500);
    return menu->multiList->mainWindow;
  }
  static void pick(QwDDSubWindow* w, int row) {
    POINT p = rowPoint(w, row);
    GVTestMouseMove(p.x, p.y);
    settle();
    GVTestClick(p.x, p.y);
    elapse(500);
  }
  // Rests on a cascade row until its list has rolled open, then picks in it.
  static void pickCascade(HwMenuButton* menu, int row, int subRow) {
    QwDDSubWindow* w = open(menu);
    POINT p = rowPoint(w, row);
    GVTestMouseMove(p.x, p.y);
    settle();
    elapse(600);
    ASSERT_TRUE(menu->multiList->cascadeWindow);
    pick(menu->multiList->cascadeWindow, subRow);
  }
  GVMenuBar* bar_ = nullptr;
};

TEST_F(MenuBar, ChoicesReachTheOwnerAsMenuItemAndSubItem) {
  pick(open(bar_->file), 4);
  pickCascade(bar_->file, 7, 4);
  pickCascade(bar_->create, 2, 2);
  pick(open(bar_->help), 3);
  EXPECT_EQ(gCalls, (std::vector<Call>{{1, 4, 0}, {1, 7, 4}, {2, 2, 2}, {3, 3, 0}}));

  // The opened Create menu draws a line under items 2, 4, 7 and 9 only.
  QwDDSubWindow* w = open(bar_->create);
  EXPECT_TRUE(GVSavePng(GVScreenImage(), "create_menu.png"));
  const RECT r = rectOf(w->popup);
  for (int row = 1; row <= 11; ++row) {
    const int lineY = r.top + 1 + 4 + row * w->rowHeight - 1;
    const bool separator = row == 2 || row == 4 || row == 7 || row == 9;
    EXPECT_EQ(screen(r.left + 10, lineY) != screen(r.left + 10, lineY - 3), separator) << "row " << row;
  }
}

TEST_F(MenuBar, NotesTogglesItsFaceAndTellsTheOwnerAndSitsLeftOfTheMiddle) {
  bar_->hasNotes = 1;
  click(bar_->notes->face);
  EXPECT_STREQ(bar_->notes->label, "*Notes*");
  EXPECT_EQ(bar_->notes->state, 4);
  click(bar_->notes->face);
  EXPECT_STREQ(bar_->notes->label, "Notes");
  EXPECT_EQ(gCalls, (std::vector<Call>{{5, 1, 1}, {5, 1, 0}}));

  GVMenuBarMove(bar_, 10, 0, 600, 26);
  EXPECT_EQ(rectOf(bar_->notes->face).left - rectOf(bar_->frame->inner).left, 222);
}

}  // namespace
