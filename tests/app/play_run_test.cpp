// Playing a scene from the main window's animation panel as the program does:
// the message loop advances it on the view's frame timer, stop keeps the
// frame, and "to start" replays the first frame 0 bit for bit.
#include <gtest/gtest.h>

#include <vector>

#include "program_fixture.h"
#include "GVAppWins/render_services.h"
#include "app/app_windows.h"
#include "app/message_loop.h"
#include "appwins/anim_dialog.h"
#include "dynamics/runner_scene.h"
#include "geo/geo_binding.h"
#include "geo/geo_from_jel.h"
#include "geo/geo_object.h"
#include "jel/deformation_map.h"
#include "jel/jel_object.h"
#include "scene/frame_driver.h"
#include "geo/geo_list_services.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "toolkit/buttons.h"

namespace {

constexpr int kPlayedFrames = 60;

// Ends the message loop once the scene reached the frame.
void CALLBACK QuitAtFrame(HWND hwnd, UINT, UINT_PTR id, DWORD) {
  if (GVFrameClock().currentFrame < kPlayedFrames) return;
  KillTimer(hwnd, id);
  PostQuitMessage(0);
}

class PlayRun : public ProgramTest {
 public:
  void SetUp() override {
    StartScreen();
    GVInstallRenderServices();
    OpenMainWindow();
    settle();
  }
  void TearDown() override {
    GVAppShutdown();
    GVDestroyMainWindow();
    GVFreeWindowResources();
    GVSetSceneServices(SceneServices());
    GVTestReset();
  }
  // The view's pixels on the screen image.
  std::vector<COLORREF> viewPixels() {
    GVComposeScreen();
    RECT r = rectOf(win_->view->window);
    std::vector<COLORREF> out;
    for (int y = r.top; y < r.bottom; y += 2)
      for (int x = r.left; x < r.right; x += 2) out.push_back(screen(x, y));
    return out;
  }
};

TEST_F(PlayRun, PlayAdvancesOnTheFrameTimerStopKeepsTheFrameAndToStartReplays) {
  // A 27-node Jel whose lowest nodes stand at y = 5, and a cube Geo bound to it.
  const float corner[3] = {-1.0f, 5.0f, -1.0f};
  HObject* jel = MakeDropJel(2, 2, 2, 1.0f, corner, 1, -9.81f);
  jel->groupMask = 2;
  jel->handle = new HObject*(jel);
  GVAddJelToScene(GVScene().world, jel->handle);
  ASSERT_EQ(jel->nodeCount, 27);
  const int32_t geoId = GVCreateGeoFromJel(GVScene().geoList, jel, "Cube");
  GObject* cube = GVGeoOf(GVFindGeo(GVScene().geoList, geoId));
  ASSERT_NE(cube, nullptr);
  GVUpdateJelDeform(jel, 0);
  ASSERT_EQ(GVMassocGeo(cube, jel), 0);
  cube->flags |= GEO_FLAG_VERTEX_BINDING;
  const SceneServices& sv = GVSceneServices();
  ASSERT_NE(sv.buildRenderScene, nullptr);
  sv.buildRenderScene(32, 32);
  GVResetViewCamera(win_->view);
  GVAppMainWin::fpsCB(4, win_);  // 30 frames per second on the view's timer 1019
  ASSERT_EQ(GVFrameClock().timerMode, 1);

  GVStepFrame(0, 1);
  settle();
  const std::vector<float> start = WorldPositions(*GVScene().world);
  const std::vector<COLORREF> frame0 = viewPixels();
  EXPECT_TRUE(GVSavePng(GVScreenImage(), "play_frame0.png"));
  EXPECT_EQ(LowestY(jel), 5.0f);

  GVAnimDialog* panel = win_->animationPanel;
  clickCentre(panel->play->face);
  EXPECT_EQ(GVFrameClock().running, 1);
  EXPECT_EQ(panel->play->state, 1);
  SetTimer(win_->view->window, 77, 5, QuitAtFrame);
  GVRunMessageLoop();
  const int32_t reached = GVFrameClock().currentFrame;
  EXPECT_GE(reached, kPlayedFrames);
  EXPECT_LE(reached, kPlayedFrames + 1);
  EXPECT_LT(LowestY(jel), 5.0f);
  EXPECT_NE(viewPixels(), frame0);
  EXPECT_TRUE(GVSavePng(GVScreenImage(), "play_frame60.png"));

  clickCentre(panel->play->face);  // stop
  elapse(200);
  EXPECT_EQ(GVFrameClock().running, 0);
  EXPECT_EQ(panel->play->state, 0);
  EXPECT_EQ(GVFrameClock().currentFrame, reached);

  clickCentre(panel->toStart->face);
  EXPECT_EQ(GVFrameClock().currentFrame, 0);
  EXPECT_EQ(WorldPositions(*GVScene().world), start);
}

}  // namespace
