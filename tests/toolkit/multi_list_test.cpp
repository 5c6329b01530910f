#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "toolkit/buttons.h"
#include "toolkit/multi_list.h"
#include "toolkit_fixture.h"

namespace {

std::vector<std::pair<int, int>> gPicks;

int recordPick(int first, int second, void*) {
  gPicks.push_back({first, second});
  return 0;
}

class MultiList : public ToolkitTest {
 protected:
  void SetUp() override {
    ToolkitTest::SetUp();
    gPicks.clear();
    parent_ = popup("BaseControlClass", 0, 0, 800, 600);
  }
  void TearDown() override {
    delete menu_;
    ToolkitTest::TearDown();
  }
  // The "File" menu button at x 20: list 0 of ten rows, list 3 the cascade of row 2.
  void makeMenu(float openTime = 0.2f) {
    menu_ = new HwMenuButton;
    menu_->create(parent_, instance_, "File", 195, 196, 20, 49, openTime, 0, recordPick, nullptr);
    menu_->createMultiList(4);
    QwMultiList* ml = menu_->multiList;
    HDC dc = GetDC(parent_);
    ml->initialiseList(0, 10);
    for (int i = 1; i <= 10; i++) ml->addItem(0, dc, ("Item " + std::to_string(i)).c_str(), i == 5 ? 2 : 0);
    ml->initialiseList(3, 3);
    for (const char* t : {"Geo(s)", "Jel(s)", "Lights"}) ml->addItem(3, dc, t, 0);
    ReleaseDC(parent_, dc);
  }
  void openMenu() {
    GVTestClick(40, 12);
    settle();
  }
  int mainHeight() const {
    RECT r = rectOf(menu_->multiList->mainWindow->popup);
    return r.bottom - r.top;
  }
  // Screen point of the middle of row r of a sub-window.
  static POINT rowPoint(const QwDDSubWindow* w, int r) {
    RECT wr = rectOf(w->popup);
    return POINT{wr.left + 30, wr.top + 1 + 4 + r * w->rowHeight + w->rowHeight / 2};
  }
  HWND parent_ = nullptr;
  HwMenuButton* menu_ = nullptr;
};

TEST_F(MultiList, MenuRollsOpenUnderItsButtonAndShutAfterAPick) {
  makeMenu();
  openMenu();
  QwDDSubWindow* w = menu_->multiList->mainWindow;
  ASSERT_TRUE(w);
  EXPECT_EQ(w->rowHeight, 20);
  RECT face = rectOf(menu_->face);
  RECT r = rectOf(w->popup);
  EXPECT_EQ(r.left, face.left);
  EXPECT_EQ(r.top, face.bottom);
  EXPECT_EQ(r.right - r.left, std::max(49, menu_->multiList->table[0].widest + 8) + 30);
  elapse(100);
  EXPECT_GT(mainHeight(), 80);
  EXPECT_LT(mainHeight(), 130);
  elapse(85);
  EXPECT_LT(mainHeight(), 208);
  elapse(25);
  EXPECT_EQ(mainHeight(), 208);
  // Row 0 sits 4 px below the client top; the rows read downwards.
  r = rectOf(w->popup);
  EXPECT_EQ(screen(r.left + 1, r.top + 1), RGB(200, 200, 200));
  int ink = countScreen(RGB(20, 20, 20), RECT{r.left + 1, r.top + 5, r.right - 1, r.top + 25});
  EXPECT_GT(ink, 0);

  POINT p = rowPoint(w, 3);
  GVTestMouseMove(p.x, p.y);
  settle();
  EXPECT_EQ(screen(r.left + 2, p.y), RGB(170, 170, 170));
  GVTestClick(p.x, p.y);
  settle();
  EXPECT_EQ(gPicks, (std::vector<std::pair<int, int>>{{4, 0}}));
  elapse(90);
  EXPECT_GT(mainHeight(), 0);
  elapse(15);
  EXPECT_EQ(mainHeight(), 0);
  // Opened again, it rolls from nothing once more.
  openMenu();
  elapse(10);
  EXPECT_LT(mainHeight(), 30);
}

TEST_F(MultiList, RestingOnACascadeRowOpensItsListBesideTheRowAndPicksReportBoth) {
  makeMenu();
  openMenu();
  elapse(220);
  QwMultiList* ml = menu_->multiList;
  QwDDSubWindow* main = ml->mainWindow;
  EXPECT_TRUE(main->items[2].flags & kQwItemCascade);
  POINT p = rowPoint(main, 2);
  GVTestMouseMove(p.x, p.y);
  settle();
  elapse(95);
  EXPECT_EQ(ml->cascadeWindow, nullptr);
  elapse(10);
  QwDDSubWindow* cascade = ml->cascadeWindow;
  ASSERT_TRUE(cascade);
  elapse(5);
  RECT m = rectOf(main->popup), c = rectOf(cascade->popup);
  EXPECT_EQ(c.left, m.right);
  EXPECT_EQ(c.top + 4, m.top + 4 + 2 * 20);  // its first row level with the hovered one
  EXPECT_EQ(c.bottom - c.top, 3 * 20 + 8);

  POINT q = rowPoint(cascade, 1);
  GVTestMouseMove(q.x, q.y);
  settle();
  GVTestClick(q.x, q.y);
  settle();
  EXPECT_EQ(gPicks, (std::vector<std::pair<int, int>>{{3, 2}}));
  elapse(110);
  EXPECT_EQ(mainHeight(), 0);
  c = rectOf(cascade->popup);
  EXPECT_EQ(c.bottom - c.top, 0);
}

TEST_F(MultiList, ClicksAwayFromTheRowsDismiss) {
  // A menu loses the activation to the window clicked: both roll shut unreported.
  makeMenu();
  openMenu();
  elapse(220);
  GVTestClick(500, 400);
  settle();
  elapse(110);
  EXPECT_EQ(mainHeight(), 0);
  EXPECT_TRUE(gPicks.empty());

  // A drop-down list holds the mouse: a release anywhere else reports (0, 0).
  QwMultiList list(60, 20, 0.2f, 0, 1, recordPick, nullptr);
  list.setListCount(1);
  list.initialiseList(0, 2);
  HDC dc = GetDC(parent_);
  list.addItem(0, dc, "One", 0);
  list.addItem(0, dc, "Two", 0);
  ReleaseDC(parent_, dc);
  list.showDDWin(0, 0, 300, 100, 0.2f);
  elapse(220);
  GVTestClick(600, 500);
  settle();
  EXPECT_EQ(gPicks, (std::vector<std::pair<int, int>>{{0, 0}}));

  // An empty list opens 8 px high and a click on it is a dismissal.
  gPicks.clear();
  list.setListCount(1);
  list.initialiseList(0, 0);
  list.showDDWin(0, 0, 300, 100, 0.2f);
  elapse(220);
  RECT r = rectOf(list.mainWindow->popup);
  EXPECT_EQ(r.bottom - r.top, 8);
  GVTestClick(r.left + 5, r.top + 4);
  settle();
  EXPECT_EQ(gPicks, (std::vector<std::pair<int, int>>{{0, 0}}));
  list.clearAll();
}

TEST_F(MultiList, RefusalsAreReportedAndLeaveTheListsAlone) {
  QwMultiList list(60, 20, 0.2f, 1, 0, recordPick, nullptr);
  HDC dc = GetDC(parent_);
  EXPECT_EQ(list.addItem(0, dc, "x", 0), 0);
  list.setListCount(4);
  list.initialiseList(3, 2);  // list 0 holds no item 2 yet
  list.initialiseList(4, 2);
  list.initialiseList(0, 2);
  std::string longest(99, 'a'), tooLong(100, 'b');
  EXPECT_EQ(list.addItem(0, dc, longest.c_str(), 0), 1);
  EXPECT_EQ(list.addItem(0, dc, tooLong.c_str(), 0), 1);
  EXPECT_EQ(list.addItem(0, dc, nullptr, 0), 1);
  EXPECT_EQ(list.addItem(0, dc, "b", 0), 2);
  EXPECT_EQ(list.addItem(0, dc, "c", 0), 2);
  EXPECT_EQ(list.addItem(7, dc, "c", 0), 7);
  list.showDDWin(9, 0, 0, 0, 0.2f);
  ReleaseDC(parent_, dc);
  EXPECT_EQ(list.table[0].items[0].text, longest);
  EXPECT_EQ(list.table[0].items[1].flags, 0u);
  EXPECT_EQ(list.mainWindow, nullptr);
  EXPECT_EQ(box_->texts, (std::vector<std::string>{
                             "error: QwMultiList::addItem(): not initialised!",
                             "error: QwMultiList::initialiseList(): bad index:  3",
                             "error: QwMultiList::initialiseList(): bad index:  4",
                             "error: QwMultiList::addItem(): item string too long!",
                             "error: QwMultiList::addItem(): bad list length!",
                             "error: QwMultiList::addItem(): bad list ID!",
                             "QwMultiList::showDDWin() got bad list num =  9",
                         }));
}

TEST_F(MultiList, WithoutAnOpenTimeAListOpensAndShutsAtTheFirstTick) {
  makeMenu(0.0f);
  openMenu();
  elapse(5);
  EXPECT_EQ(mainHeight(), 208);
  EXPECT_FALSE(menu_->hasProp());
  POINT p = rowPoint(menu_->multiList->mainWindow, 0);
  GVTestClick(p.x, p.y);
  settle();
  elapse(5);
  EXPECT_EQ(mainHeight(), 0);
  EXPECT_EQ(gPicks, (std::vector<std::pair<int, int>>{{1, 0}}));
}

}  // namespace
