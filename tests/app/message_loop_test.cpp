#include "app/message_loop.h"

#include <gtest/gtest.h>

#include <vector>

#include "camera/camera_record.h"
#include "app/app_windows.h"
#include "dynamics/runner_scene.h"
#include "dynamics/world.h"
#include "jel/jel_object.h"
#include "platform/test_api.h"
#include "scene/app_lifecycle.h"
#include "scene/frame_driver.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"

namespace {

// Frames the after-frame callback saw (read at its redraw), and a quit after
// so many.
std::vector<int32_t> gRedrawn;
size_t gQuitAfter = 0;
CameraRec gCamera;

std::vector<LPARAM> gViewMoves, gOtherMoves;

LRESULT CALLBACK CountingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_MOUSEMOVE) (hwnd == GVAppWindows().viewWindow ? gViewMoves : gOtherMoves).push_back(lp);
  return DefWindowProcA(hwnd, msg, wp, lp);
}

class MessageLoop : public testing::Test {
 protected:
  void SetUp() override {
    GVTestReset();
    SceneServices sv;
    sv.viewCamera = [] { return &gCamera; };
    sv.redrawView = [] {
      gRedrawn.push_back(GVFrameClock().currentFrame);
      if (gRedrawn.size() == gQuitAfter) PostQuitMessage(7);
    };
    GVSetSceneServices(sv);
    GVAppStartup();
    const float corner[3] = {-1.0f, 3.0f, -1.0f};
    HObject* j = MakeDropJel(1, 1, 1, 1.0f, corner, 1, -9.81f);
    j->handle = new HObject*(j);
    GVAddJelToScene(GVScene().world, j->handle);
    gRedrawn.clear();
    gViewMoves.clear();
    gOtherMoves.clear();

    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = CountingProc;
    wc.lpszClassName = "LoopTestClass";
    RegisterClassExA(&wc);
    AppWindows& win = GVAppWindows();
    win.mainWindow = CreateWindowExA(0, "LoopTestClass", "", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr,
                                     nullptr, nullptr, nullptr);
    win.viewWindow = CreateWindowExA(0, "LoopTestClass", "", WS_CHILD | WS_VISIBLE, 0, 0, 200, 100,
                                     win.mainWindow, nullptr, nullptr, nullptr);
    other_ = CreateWindowExA(0, "LoopTestClass", "", WS_CHILD | WS_VISIBLE, 200, 0, 200, 100, win.mainWindow,
                             nullptr, nullptr, nullptr);
    GVTestPumpMessages();
  }
  void TearDown() override {
    GVAppShutdown();
    GVDestroyMainWindow();
    GVSetSceneServices(SceneServices());
    GVFrameClock() = FrameClock();
    GVTestReset();
  }
  // The world at the frame, loop settings, and the clock running from it.
  void startAt(int32_t frame, int32_t loopStart, int32_t loopLength, int32_t timerMode) {
    gQuitAfter = 0;
    FrameParams& p = (*GVScene().world)->params;
    p.loopFlag = 1;
    p.loopStart = loopStart;
    p.loopLength = loopLength;
    GVStepFrame(frame, 1);
    gRedrawn.clear();
    GVFrameClock().running = 1;
    GVFrameClock().timerMode = timerMode;
  }
  HWND other_ = nullptr;
};

TEST_F(MessageLoop, IdleAdvanceWrapsTheLoopAndRestartsOnce) {
  startAt(10, 10, 5, 0);
  gQuitAfter = 8;
  EXPECT_EQ(GVRunMessageLoop(), 7);
  // One after-frame call per advance: on the restart it runs once, after the runner.
  EXPECT_EQ(gRedrawn, (std::vector<int32_t>{11, 12, 13, 14, 15, 10, 11, 12}));
  EXPECT_EQ(GVCurrentFrame(GVScene().world), 12);
}

TEST_F(MessageLoop, LengthZeroNeverWraps) {
  startAt(10, 10, 0, 0);
  gQuitAfter = 12;
  GVRunMessageLoop();
  ASSERT_EQ(gRedrawn.size(), 12u);
  EXPECT_EQ(gRedrawn.back(), 22);
}

TEST_F(MessageLoop, TimerModeAdvancesOnlyOnTheViewsFrameTimer) {
  startAt(3, 0, 100, 1);
  const HWND view = GVAppWindows().viewWindow;
  PostMessageA(view, WM_TIMER, kViewFrameTimer, 0);
  PostMessageA(GVAppWindows().mainWindow, WM_TIMER, kViewFrameTimer, 0);
  PostMessageA(view, WM_TIMER, 7, 0);
  PostMessageA(view, WM_TIMER, kViewFrameTimer, 0);
  PostQuitMessage(0);
  EXPECT_EQ(GVRunMessageLoop(), 0);
  EXPECT_EQ(gRedrawn, (std::vector<int32_t>{4, 5}));
}

TEST_F(MessageLoop, QueuedMovesCollapseOnlyForTheView) {
  GVFrameClock().running = 0;
  for (int i = 1; i <= 20; ++i) {
    PostMessageA(GVAppWindows().viewWindow, WM_MOUSEMOVE, 0, i);
    PostMessageA(other_, WM_MOUSEMOVE, 0, 100 + i);
  }
  PostQuitMessage(0);
  GVRunMessageLoop();
  EXPECT_EQ(gViewMoves, std::vector<LPARAM>{20});
  ASSERT_EQ(gOtherMoves.size(), 20u);
  EXPECT_EQ(gOtherMoves.back(), 120);
}

TEST(MainWindowScale, FromTheWorkAreaOrTheScreen) {
  EXPECT_EQ(GVMainWindowScale(RECT{0, 0, 1920, 1040}, 0, 0), 667);
  EXPECT_EQ(GVMainWindowScale(RECT{0, 0, 0, 500}, 1920, 1080), 693);
  EXPECT_EQ(GVMainWindowScale(RECT{0, 0, 0, 0}, 0, 0), 0);
}

}  // namespace
