#include <X11/Xlib.h>
#include <X11/Xutil.h>
#undef None
#undef Bool
#undef Status
#undef True
#undef False

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <OGRE/Ogre.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "GVAppWins/box_edges.h"
#include "display_expected.h"
#include "GVAppWins/ogre_view.h"
#include "GVAppWins/view_window.h"
#include "platform/display.h"
#include "platform/screen_image.h"
#include "platform/test_api.h"
#include "test_main_window.h"

namespace {

std::vector<std::string> gMessages;
void recordMessage(const char* text) { gMessages.push_back(text); }

std::vector<std::string> gBoxes;
int recordBox(HWND, const char* text, const char* caption, UINT, void*) {
  gBoxes.push_back(std::string(caption) + ": " + text);
  return IDOK;
}

float gBounds[6] = {-12, 12, 0, 24, -12, 12};
const float kBackground[3] = {0.75f, 0.75f, 0.75f};

int channel(uint32_t p, int shift) { return static_cast<int>((p >> shift) & 0xff); }
bool near(uint32_t p, int r, int g, int b) {
  return std::abs(channel(p, 16) - r) <= 1 && std::abs(channel(p, 8) - g) <= 1 && std::abs(channel(p, 0) - b) <= 1;
}

HWND makeMain() { return GVTestMainWindow(1100, 760); }

// A main window holding a view, as the program's main window does.
class ViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GV_NO_DISPLAY("no X display");
    GVTestReset();
    GVTestSetScreen(1280, 800);
    GVTestSetMessageBoxHandler(recordBox, nullptr);
    gMessages.clear();
    gBoxes.clear();
    GVViewSceneLinks links;
    links.bounds = gBounds;
    links.background = kBackground;
    GVSetViewSceneLinks(links);
    GVSetViewMessageRoutine(recordMessage);
    main_ = makeMain();
  }
  void TearDown() override {
    GVDestroyView(&view_);
    GVSetMainView(nullptr);
    GVSetViewMessageRoutine(nullptr);
    GVTestSetMessageBoxHandler(nullptr, nullptr);
    GVTestReset();
  }
  void createView() {
    GVSetMainView(&view_);
    GVCreateView(&view_, GetModuleHandleA(nullptr), main_, 1000, 700, nullptr, nullptr, nullptr);
    view_.flags &= ~kViewAxesTriad;  // the screen shows only the scene
  }
  void show() {
    GVTestPumpMessages();
    GVRedrawView(&view_);
    GVComposeScreen();
  }
  // Every sampled point of every box edge that falls inside the view shows the
  // walls' grey within a pixel; returns how many points were checked.
  int checkEdges(const float bounds[6]) {
    const GVSurface& screen = GVScreenImage();
    RECT client;
    GetClientRect(view_.window, &client);
    POINT origin = {0, 0};
    ClientToScreen(view_.window, &origin);
    float corners[8][3];
    GVBoxCorners(bounds, corners);
    int checked = 0, missed = 0;
    GVForEachBoxEdge(corners, [&](const float* a, const float* b) {
      for (int s = 1; s < 40; ++s) {
        const float t = static_cast<float>(s) / 40.0f;
        const float p[3] = {a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, a[2] + (b[2] - a[2]) * t};
        float q[3], px[3];
        GVProjectPoint(*view_.camera, p, q);
        if (q[2] <= gViewClip.nearClip) continue;
        GVNormalisedToScreen(view_.viewport, q, px);
        const int x = static_cast<int>(px[0]), y = static_cast<int>(px[1]);
        if (x < 1 || y < 1 || x >= client.right - 1 || y >= client.bottom - 1) continue;
        bool found = false;
        for (int dy = -1; dy <= 1 && !found; ++dy)
          for (int dx = -1; dx <= 1 && !found; ++dx)
            found = near(screen.at(origin.x + x + dx, origin.y + y + dy), 153, 153, 153);
        ++checked;
        if (!found) ++missed;
      }
    });
    EXPECT_EQ(missed, 0);
    return checked;
  }
  // Every pixel of the view is the background or the walls' grey.
  void checkViewColours(int width, int height) {
    const GVSurface& screen = GVScreenImage();
    RECT client;
    GetClientRect(view_.window, &client);
    ASSERT_EQ(client.right, width);
    ASSERT_EQ(client.bottom, height);
    POINT origin = {0, 0};
    ClientToScreen(view_.window, &origin);
    int background = 0, other = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        const uint32_t p = screen.at(origin.x + x, origin.y + y);
        if (near(p, 191, 191, 191))
          ++background;
        else if (!near(p, 153, 153, 153) && ++other < 5)
          ADD_FAILURE() << "pixel " << x << "," << y << " " << std::hex << p;
      }
    EXPECT_EQ(other, 0);
    EXPECT_GT(background, width * height * 9 / 10);
  }
  int wallsObjects() {
    int n = 0;
    auto it = gOgreData->mSceneMgr->getMovableObjectIterator("ManualObject");
    for (; it.hasMoreElements(); it.moveNext()) ++n;
    return n;
  }

  HWND main_ = nullptr;
  GVView view_;
};

TEST_F(ViewTest, WallsAndFrameCounterOnTheScreen) {
  createView();
  ASSERT_NE(gOgreData, nullptr) << (gMessages.empty() ? "" : gMessages[0]);
  GVMoveView(&view_, 10, 10, 1000, 700);
  show();
  EXPECT_TRUE(gMessages.empty());
  checkViewColours(1000, 675);
  EXPECT_GT(checkEdges(gBounds), 100);

  // The frame counter: dark blue text on the panel grey.
  const GVSurface& screen = GVScreenImage();
  int text = 0, other = 0;
  for (int y = 685; y < 710; ++y)
    for (int x = 10; x < 130; ++x) {
      const uint32_t p = screen.at(x, y);
      // Smoothed glyph edges blend the text colour into the panel.
      const int r = channel(p, 16), g = channel(p, 8), b = channel(p, 0);
      if (near(p, 0, 0, 30)) ++text;
      else if (!near(p, 191, 191, 191) && (std::abs(r - g) > 1 || b < r || r > 191)) ++other;
    }
  EXPECT_GT(text, 20);
  EXPECT_EQ(other, 0);
  EXPECT_TRUE(GVSaveScreenPng("view_walls.png"));

  // What the X server shows is the screen image.
  ASSERT_TRUE(GVDisplayStart());
  GVDisplayPresent();
  Display* dpy = XOpenDisplay(nullptr);
  ASSERT_NE(dpy, nullptr);
  XSync(dpy, 0);
  XImage* img = XGetImage(dpy, static_cast<Window>(GVDisplayWindow()), 0, 0, 1100, 760, AllPlanes, ZPixmap);
  ASSERT_NE(img, nullptr);
  int mismatches = 0;
  for (int y = 0; y < 760; y++)
    for (int x = 0; x < 1100; x++) mismatches += (XGetPixel(img, x, y) & 0xFFFFFF) != screen.at(x, y);
  XDestroyImage(img);
  XCloseDisplay(dpy);
  GVDisplayStop();
  EXPECT_EQ(mismatches, 0);
}

TEST_F(ViewTest, WallsFollowTheBoundsAndTheViewFollowsItsSize) {
  createView();
  ASSERT_NE(gOgreData, nullptr);
  GVMoveView(&view_, 10, 10, 1000, 700);
  const float small[6] = {-5, 5, 0, 10, -5, 5};
  GVUpdateOgreWalls(small);
  show();
  EXPECT_EQ(wallsObjects(), 1);
  EXPECT_GT(checkEdges(small), 100);

  GVMoveView(&view_, 10, 10, 600, 400);
  show();
  EXPECT_EQ(gOgreData->mViewWidth, 600);
  EXPECT_EQ(gOgreData->mViewHeight, 375);
  EXPECT_FLOAT_EQ(gOgreData->mCamera->getAspectRatio(), 600.0f / 375.0f);
  checkViewColours(600, 375);
  EXPECT_GT(checkEdges(small), 50);

  // A collapsed view keeps its aspect and texture; nothing fails.
  GVMoveView(&view_, 10, 10, 600, kViewStripHeight);
  show();
  EXPECT_FLOAT_EQ(gOgreData->mCamera->getAspectRatio(), 600.0f / 375.0f);
  for (float v : (*view_.camera)->projScale) EXPECT_TRUE(std::isfinite(v));
  GVMoveView(&view_, 10, 10, 600, 400);
  show();
  EXPECT_GT(checkEdges(small), 50);

  // Building the walls again leaves one walls object.
  GVCreateOgreWalls();
  EXPECT_EQ(wallsObjects(), 1);
  EXPECT_TRUE(gMessages.empty());
}

TEST_F(ViewTest, EngineStartsAgainAfterShutdown) {
  createView();
  ASSERT_NE(gOgreData, nullptr);
  GVDestroyView(&view_);
  EXPECT_EQ(gOgreData, nullptr);
  GVTestReset();
  main_ = makeMain();
  createView();
  ASSERT_NE(gOgreData, nullptr) << (gMessages.empty() ? "" : gMessages[0]);
  GVMoveView(&view_, 10, 10, 1000, 700);
  show();
  checkViewColours(1000, 675);
  EXPECT_GT(checkEdges(gBounds), 100);
}

TEST_F(ViewTest, SecondViewFailsRegistrationWithTheSystemText) {
  createView();
  ASSERT_NE(gOgreData, nullptr);
  GVView second;
  GVCreateView(&second, GetModuleHandleA(nullptr), main_, 400, 300, nullptr, nullptr, nullptr);
  ASSERT_EQ(gBoxes.size(), 1u);
  EXPECT_EQ(gBoxes[0].rfind("Error: ", 0), 0u);
  EXPECT_GT(gBoxes[0].size(), 8u);
  EXPECT_EQ(second.window, nullptr);
  EXPECT_EQ(second.leftOut, nullptr);
  second.camera && (GVFreeCamera(second.camera), true);
  second.sceneCamera && (GVFreeCamera(second.sceneCamera), true);
  delete second.viewport;
  delete second.manipulator;
}

TEST_F(ViewTest, FrameRateRunsTimer1019) {
  GVTestUseVirtualClock(true);
  createView();
  struct Case { int fps; int period; } cases[] = {{30, 33}, {7, 142}};
  for (const Case& c : cases) {
    GVSetFrameRate(&view_, c.fps);
    EXPECT_EQ(gFrameTimer.msPerFrame, static_cast<uint32_t>(c.period));
    MSG msg;
    while (PeekMessageA(&msg, view_.window, WM_TIMER, WM_TIMER, PM_REMOVE)) {
    }
    GVTestAdvanceClock(static_cast<DWORD>(c.period - 1));
    EXPECT_FALSE(PeekMessageA(&msg, view_.window, WM_TIMER, WM_TIMER, PM_REMOVE)) << c.fps;
    GVTestAdvanceClock(1);
    ASSERT_TRUE(PeekMessageA(&msg, view_.window, WM_TIMER, WM_TIMER, PM_REMOVE)) << c.fps;
    EXPECT_EQ(msg.wParam, kViewTimerId);
  }
  GVSetFrameRate(&view_, 0);
  EXPECT_EQ(gFrameTimer.timerMode, 0);
  EXPECT_EQ(gFrameTimer.running, 0);
  MSG msg;
  GVTestAdvanceClock(500);
  EXPECT_FALSE(PeekMessageA(&msg, view_.window, WM_TIMER, WM_TIMER, PM_REMOVE));

  // A timer lost with its window comes back with the next size message.
  GVSetFrameRate(&view_, 30);
  GVDestroyView(&view_);
  EXPECT_EQ(gFrameTimer.running, 0);
  EXPECT_EQ(gFrameTimer.timerMode, 1);
  GVTestReset();
  GVTestUseVirtualClock(true);
  main_ = makeMain();
  createView();
  GVMoveView(&view_, 10, 10, 800, 600);
  EXPECT_EQ(gFrameTimer.running, 1);
  GVTestAdvanceClock(33);
  EXPECT_TRUE(PeekMessageA(&msg, view_.window, WM_TIMER, WM_TIMER, PM_REMOVE));
  GVSetFrameRate(&view_, 0);
}

// A folder under the build tree whose engine set-up names a render system
// that is not there.
TEST_F(ViewTest, MissingRenderSystemShowsOneMessageAndTheViewStaysHarmless) {
  char cwd[4096];
  ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
  const std::string root = std::string(cwd) + "/missing_render_system";
  mkdir(root.c_str(), 0755);
  FILE* f = std::fopen((root + "/plugins.cfg").c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fprintf(f, "PluginFolder=%s\nPlugin=RenderSystem_Missing\n", GV_OGRE_PLUGIN_DIR);
  std::fclose(f);
  ASSERT_EQ(chdir(root.c_str()), 0);
  createView();
  ASSERT_EQ(chdir(cwd), 0);
  ASSERT_EQ(gMessages.size(), 1u);
  EXPECT_EQ(gMessages[0].rfind("Gv error: can't start Ogre", 0), 0u) << gMessages[0];
  EXPECT_EQ(gOgreData, nullptr);
  ASSERT_NE(view_.window, nullptr);
  GVMoveView(&view_, 10, 10, 600, 400);
  GVRedrawView(&view_);
  GVTestPumpMessages();
  EXPECT_EQ(gMessages.size(), 1u);
}

// Without a display the engine is not started at all. Runs itself again in a
// child process without DISPLAY, since this process has its display open.
TEST(ViewWithoutDisplay, ShowsOneMessageAndTheViewStaysHarmless) {
  if (std::getenv("GV_VIEW_CHILD")) {
    ASSERT_EQ(std::getenv("DISPLAY"), nullptr);
    GVTestReset();
    gMessages.clear();
    GVSetViewMessageRoutine(recordMessage);
    HWND main = makeMain();
    GVView view;
    GVCreateView(&view, GetModuleHandleA(nullptr), main, 600, 400, nullptr, nullptr, nullptr);
    ASSERT_EQ(gMessages.size(), 1u);
    EXPECT_EQ(gMessages[0].rfind("Gv error: can't start Ogre", 0), 0u) << gMessages[0];
    EXPECT_EQ(gOgreData, nullptr);
    GVMoveView(&view, 0, 0, 500, 300);
    GVRedrawView(&view);
    GVTestPumpMessages();
    GVDestroyView(&view);
    EXPECT_EQ(gMessages.size(), 1u);
    GVSetViewMessageRoutine(nullptr);
    GVTestReset();
    return;
  }
  if (!std::getenv("DISPLAY")) GV_NO_DISPLAY("no X display");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    unsetenv("DISPLAY");
    setenv("GV_VIEW_CHILD", "1", 1);
    execl("/proc/self/exe", "GVAppWins_tests", "--gtest_filter=ViewWithoutDisplay.*", nullptr);
    _exit(127);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
