#include <utility>
#include <vector>

#include "toolkit/dialog_window.h"
#include "toolkit/label.h"
#include "toolkit/scroll_bar.h"
#include "toolkit/text_window.h"
#include "toolkit_fixture.h"

namespace {

struct OwnerLog {
  std::vector<std::pair<int, int>> calls;
  int lockOnCode = 0;  // the owner locks the dialog when it gets this code
  HwDialogWindow* dialog = nullptr;
};

void ownerCB(int code, int value, int reserved, void* user) {
  auto* log = static_cast<OwnerLog*>(user);
  EXPECT_EQ(reserved, 0);
  log->calls.push_back({code, value});
  if (log->dialog && code == log->lockOnCode) log->dialog->lock = 1;
}

int gRootEntered = 0;
int enterRoot() { return ++gRootEntered; }

class Dialogs : public ToolkitTest {
 protected:
  void SetUp() override {
    ToolkitTest::SetUp();
    GVTestSetScreen(800, 600);
    GVTestSetWorkArea(0, 0, 800, 560);
    gRootEntered = 0;
    GVSetDialogRootFolderHook(enterRoot);
  }
  void TearDown() override {
    delete dialog_;
    GVSetDialogRootFolderHook(nullptr);
    ToolkitTest::TearDown();
  }
  HwDialogTemp& make(int flags, int style = 3) {
    dialog_ = new HwDialogTemp(instance_, "Gallery", kX, kY, 300, 200, style, flags, ownerCB, nullptr, &log_);
    log_.dialog = dialog_;
    settle();
    return *dialog_;
  }
  static constexpr int kX = 40, kY = 30;
  HwDialogTemp* dialog_ = nullptr;
  OwnerLog log_;
};

bool sameRect(RECT a, RECT b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST_F(Dialogs, TemplateShowsBorderTitleContentAndDismiss) {
  HwDialogTemp& d = make(0);
  ASSERT_TRUE(d.isVisible());
  ASSERT_NE(d.titleBar, nullptr);
  EXPECT_EQ(d.titleBar->style, 2);
  // The client window sits under the 35-pixel title bar inside the 3-pixel border.
  EXPECT_TRUE(sameRect(rectOf(d.client), RECT{kX + 3, kY + 38, kX + 297, kY + 197}));
  EXPECT_TRUE(sameRect(rectOf(d.content->outer), RECT{kX + 3 + 15, kY + 38 + 15, kX + 297 - 15, kY + 197 - 35}));
  // Dismiss: 50 x 22, 15 from the client's right and 6 from its bottom.
  EXPECT_TRUE(sameRect(rectOf(d.dismissButton->face), RECT{kX + 297 - 65, kY + 197 - 28, kX + 297 - 15, kY + 197 - 6}));
  // Border (style 3 bitmap, not the background), title strip, content background.
  EXPECT_NE(screen(kX, kY + 100), RGB(65, 65, 65));
  EXPECT_NE(screen(kX, kY + 100), kScreen);
  EXPECT_EQ(screen(kX + 10, kY + 150), RGB(65, 65, 65));
  EXPECT_EQ(screen(kX + 100, kY + 100), RGB(65, 65, 65));
  EXPECT_GT(countScreen(RGB(220, 220, 220), RECT{kX + 3, kY + 3, kX + 222, kY + 38}), 10);  // the title
  EXPECT_TRUE(GVSaveScreenPng("dialog_template.png"));
}

TEST_F(Dialogs, FlagsChooseTitleBarAndDismiss) {
  HwDialogTemp& bare = make(kDialogNoTitleBar);
  EXPECT_EQ(bare.titleBar, nullptr);
  EXPECT_TRUE(sameRect(rectOf(bare.client), RECT{kX + 3, kY + 3, kX + 297, kY + 197}));
  delete dialog_;
  HwDialogTemp& plain = make(kDialogPlain);
  ASSERT_NE(plain.titleBar, nullptr);
  EXPECT_EQ(plain.titleBar->style, 1);
  EXPECT_EQ(plain.titleBar->closeButton, nullptr);
  EXPECT_EQ(plain.dismissButton, nullptr);
  delete dialog_;
  EXPECT_EQ(make(kDialogTitleKind3).titleBar->style, 3);
}

TEST_F(Dialogs, DismissAndCloseTellTheOwnerAndHide) {
  HwDialogTemp& d = make(kDialogTitleKind3);
  click(d.dismissButton->face);
  EXPECT_EQ(log_.calls, (std::vector<std::pair<int, int>>{{4, 0}}));
  EXPECT_FALSE(d.isVisible());
  d.show();
  settle();
  click(d.titleBar->closeButton->face);
  EXPECT_EQ(log_.calls.back(), std::make_pair(1, 0));
  EXPECT_FALSE(d.isVisible());
  EXPECT_EQ(gRootEntered, 1);
  EXPECT_EQ(GVTestBeepCount(), 0u);
  // An owner that locks the dialog while it closes keeps it open, with a beep;
  // the root folder comes back all the same.
  d.show();
  settle();
  log_.lockOnCode = 1;
  click(d.titleBar->closeButton->face);
  EXPECT_TRUE(d.isVisible());
  EXPECT_EQ(GVTestBeepCount(), 1u);
  EXPECT_EQ(GVTestLastBeep(), static_cast<UINT>(MB_ICONHAND));
  EXPECT_EQ(gRootEntered, 2);
}

TEST_F(Dialogs, LockedDialogBeepsAndStays) {
  HwDialogTemp& d = make(kDialogTitleKind3);
  d.lock = 1;
  d.hide();
  click(d.titleBar->minimiseButton->face);
  click(d.titleBar->closeButton->face);
  click(d.dismissButton->face);
  EXPECT_EQ(GVTestBeepCount(), 4u);
  EXPECT_TRUE(d.isVisible());
  EXPECT_FALSE(IsIconic(d.popup));
  EXPECT_TRUE(log_.calls.empty());
  EXPECT_EQ(gRootEntered, 0);
  d.lock = 0;
  click(d.titleBar->minimiseButton->face);
  EXPECT_TRUE(IsIconic(d.popup));
}

TEST_F(Dialogs, MaximiseTwiceRestoresTheRectangleAndDragFollowsThePointer) {
  HwDialogTemp& d = make(kDialogTitleKind3);
  const RECT before = rectOf(d.popup);
  click(d.titleBar->maximiseButton->face);
  EXPECT_TRUE(sameRect(rectOf(d.popup), RECT{0, 0, 800, 560}));
  // The content follows the new size.
  EXPECT_EQ(rectOf(d.content->outer).right, 800 - 3 - 15);
  // A maximised dialog stays where it is when its title bar is dragged.
  drag({400, 10}, {{430, 30}});
  EXPECT_TRUE(sameRect(rectOf(d.popup), RECT{0, 0, 800, 560}));
  click(d.titleBar->maximiseButton->face);
  EXPECT_TRUE(sameRect(rectOf(d.popup), before));
  EXPECT_EQ(log_.calls, (std::vector<std::pair<int, int>>{{3, 0}, {3, 1}}));
  // Restored, the drag moves the dialog by the pointer's travel.
  drag({kX + 60, kY + 15}, {{kX + 75, kY + 40}, {kX + 90, kY + 55}});
  RECT moved = rectOf(d.popup);
  EXPECT_EQ(moved.left, kX + 30);
  EXPECT_EQ(moved.top, kY + 40);
  EXPECT_EQ(moved.right - moved.left, 300);
}

TEST_F(Dialogs, PointerOverTheBorderGivesAThickFrameAroundTheSameClientArea) {
  HwDialogTemp& d = make(0);
  POINT origin = {0, 0};
  ClientToScreen(d.popup, &origin);
  const RECT client = rectOf(d.client);
  GVTestMouseMove(kX + 1, kY + 100);
  settle();
  EXPECT_TRUE(GetWindowLongA(d.popup, GWL_STYLE) & WS_THICKFRAME);
  EXPECT_EQ(d.resizeFrame, 1);
  EXPECT_TRUE(sameRect(rectOf(d.popup), RECT{kX - 3, kY - 3, kX + 303, kY + 203}));
  POINT now = {0, 0};
  ClientToScreen(d.popup, &now);
  EXPECT_EQ(now.x, origin.x);
  EXPECT_EQ(now.y, origin.y);
  EXPECT_TRUE(sameRect(rectOf(d.client), client));
  // Into the client window's margin: the frame goes again.
  GVTestMouseMove(kX + 8, kY + 100);
  settle();
  EXPECT_FALSE(GetWindowLongA(d.popup, GWL_STYLE) & WS_THICKFRAME);
  EXPECT_TRUE(sameRect(rectOf(d.popup), RECT{kX, kY, kX + 300, kY + 200}));
  // Flag 1: never resizable.
  delete dialog_;
  HwDialogTemp& fixed = make(kDialogNeverResizable | kDialogPlain);
  GVTestMouseMove(kX + 1, kY + 100);
  settle();
  EXPECT_FALSE(GetWindowLongA(fixed.popup, GWL_STYLE) & WS_THICKFRAME);
}

TEST_F(Dialogs, DoubleClickAsksForHelpWithTheTopic) {
  static std::vector<std::string> asked;
  asked.clear();
  dialog_ = new HwDialogTemp(instance_, "Help", kX, kY, 300, 200, 3, 0, nullptr,
                             [](const char* topic, int code) { asked.push_back(std::string(topic) + char('0' + code)); },
                             nullptr);
  settle();
  GVTestClick(kX + 1, kY + 150);
  GVTestClick(kX + 1, kY + 150);
  settle();
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], "1");
}

TEST_F(Dialogs, GalleryOfTheDialogControls) {
  GVTestSetScreen(760, 420);
  make(0);
  HWND board = popup("BaseControlClass", 360, 0, 400, 420);
  HwTitleBar bars[3];
  for (int kind = 1; kind <= 3; kind++)
    bars[kind - 1].create("Title bar", instance_, board, 10, 10 + (kind - 1) * 40, 280, 35, kind, 0, nullptr,
                          nullptr, nullptr, nullptr);
  HwScrollBar scroll;
  scroll.create(board, instance_, 250, 10, 100, 60, nullptr, nullptr);
  scroll.move(370, 10, 18, 250);
  scroll.scrollBy(20);
  HwLabel left(board, "Left label", instance_, 10, 135, 170, 22, 12, 0, -1, 4);
  HwLabel right(board, "Right label", instance_, 10, 160, 170, 22, 12, 0, 1, 4);
  HwLabel centred(board, "Centred, Arial -12", instance_, 185, 135, 170, 22, 0, 12, 0, 0);
  HwTextWin text;
  text.create(board, "A text window wraps its words at the spaces.\nLine feeds end lines;\tso do\r\ncarriage "
              "returns.\nA-single-word-wider-than-the-window-stays-whole.", instance_, 350, 200, nullptr);
  text.move(10, 190, 350, 200);
  settle();
  EXPECT_GE(text.measure(), 5);
  EXPECT_GT(countScreen(RGB(90, 90, 90), RECT{730, 10, 748, 260}), 18 * 20);
  EXPECT_TRUE(GVSaveScreenPng("toolkit_dialog_gallery.png"));
  for (HwTitleBar& b : bars) DestroyWindow(b.window);
}

}  // namespace
