#include <utility>
#include <vector>

#include "toolkit/scroll_bar.h"
#include "toolkit_fixture.h"

namespace {

using ScrollBars = ToolkitTest;

std::vector<std::pair<int, int>> gReports;
void report(int code, int line, void*) { gReports.push_back({code, line}); }

TEST_F(ScrollBars, KnobSizeAndPlaceFollowTheLines) {
  HWND owner = popup("BaseControlClass", 0, 0, 100, 220);
  HwScrollBar bar;
  bar.create(owner, instance_, 200, 10, 200, 100, report, nullptr);
  EXPECT_EQ(bar.visibleLines, 20);
  EXPECT_EQ(bar.knobSize, 40);
  EXPECT_EQ(bar.scrollBy(40), 41);
  EXPECT_EQ(bar.knobTop(), 80);
  settle();
  // The knob is the grey-90 band from 80 to 120, inside the track frame, with
  // grey-40 grip lines across its middle.
  EXPECT_EQ(screen(9, 79), RGB(65, 65, 65));
  EXPECT_EQ(screen(9, 92), RGB(90, 90, 90));
  EXPECT_EQ(screen(9, 100), RGB(40, 40, 40));
  EXPECT_EQ(screen(9, 121), RGB(65, 65, 65));
  EXPECT_EQ(bar.scrollBy(1000), 81);
  EXPECT_EQ(bar.scrollBy(-1000), 1);
  // From nothing to scroll to something and back.
  EXPECT_EQ(bar.setTotal(10), -1);
  EXPECT_EQ(bar.scrollBy(5), 0);
  EXPECT_EQ(bar.knobSize, 200);
  EXPECT_EQ(bar.setTotal(30), 1);
  EXPECT_EQ(bar.setTotal(25), 0);
  EXPECT_EQ(bar.setTotal(10), -1);
  // A line height of 0 counts as 1 pixel.
  bar.lineHeight = 0;
  bar.recalc();
  EXPECT_EQ(bar.lineHeight, 1);
  EXPECT_EQ(bar.visibleLines, 200);
}

TEST_F(ScrollBars, DraggingReportsPressMovesAndRelease) {
  HWND owner = popup("BaseControlClass", 0, 0, 100, 220);
  HwScrollBar bar;
  bar.create(owner, instance_, 200, 10, 200, 100, report, nullptr);
  gReports.clear();
  // A press on the track below the knob centres the knob there.
  GVTestMouseDown(9, 120);
  GVTestPumpMessages();
  GVTestMouseMove(9, 160);
  GVTestPumpMessages();
  GVTestMouseUp(9, 160);
  GVTestPumpMessages();
  ASSERT_EQ(gReports.size(), 3u);
  EXPECT_EQ(gReports[0], std::make_pair(1, 51));  // (120 - 20 + 1) / 2 + 1
  EXPECT_EQ(gReports[1], std::make_pair(2, 71));
  EXPECT_EQ(gReports[2], std::make_pair(3, 71));
  EXPECT_EQ(bar.firstLine, 71);
  // Held inside the knob, it keeps the grip; dragged past the end it stops at the last line.
  gReports.clear();
  int top = bar.knobTop();
  GVTestMouseDown(9, top + 5);
  GVTestPumpMessages();
  EXPECT_TRUE(gReports.empty());
  GVTestMouseMove(9, top + 5 + 10);
  GVTestPumpMessages();
  GVTestMouseMove(9, 400);
  GVTestPumpMessages();
  GVTestMouseUp(9, 400);
  GVTestPumpMessages();
  ASSERT_EQ(gReports.size(), 3u);
  EXPECT_EQ(gReports[0], std::make_pair(2, 76));
  EXPECT_EQ(gReports[1], std::make_pair(2, 81));
  EXPECT_EQ(gReports[2], std::make_pair(3, 81));
}

TEST_F(ScrollBars, DestroyingAnOldTextScrollWindowDoesNotQuit) {
  HWND w = popup("TextScrollClassOLD", 0, 0, 50, 50);
  DestroyWindow(w);
  MSG msg;
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

}  // namespace
