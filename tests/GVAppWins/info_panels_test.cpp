#include "GVAppWins/info_panels.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "GVAppWins/editor_view_services.h"
#include "GVAppWins/manipulator.h"
#include "GVAppWins/view_links.h"
#include "GVAppWins/view_window.h"
#include "display_expected.h"
#include "dynamics/runner_scene.h"
#include "dynamics/world.h"
#include "geo/geo_fixtures.h"
#include "geo/geo_list.h"
#include "jel/jel_object.h"
#include "platform/screen_image.h"
#include "platform/test_api.h"
#include "platform/user32.h"
#include "scene/display_settings.h"
#include "geo/geo_list_services.h"
#include "scene/jel_editor_callbacks.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "vehicle/vehicle_file_services.h"
#include "vehicle/vehicle_record.h"
#include "test_main_window.h"

namespace {

TEST(InfoPanels, TextColourFollowsTheBackground) {
  const float dark[3] = {0.1f, 0.1f, 0.1f}, blueish[3] = {0.1f, 0.1f, 0.25f}, edge[3] = {0.2f, 0.2f, 0.2f};
  EXPECT_EQ(GVPanelTextColour(dark), RGB(130, 130, 20));
  EXPECT_EQ(GVPanelTextColour(blueish), RGB(0, 0, 30));
  EXPECT_EQ(GVPanelTextColour(edge), RGB(0, 0, 30));
  EXPECT_EQ(GVPanelTextColour(nullptr), RGB(130, 130, 20));
}

TEST(InfoPanels, DisplayedFrameCountsTheLastSubStep) {
  HWorld world;
  HWorld* cell = &world;
  GVView view;
  view.world = &cell;
  world.params.currentFrame = 7;
  world.params.stepping = 1;
  world.params.subSteps = 4;
  world.params.subStepIndex = 4;
  EXPECT_EQ(GVDisplayedFrame(&view), 8);
  world.params.subStepIndex = 3;
  EXPECT_EQ(GVDisplayedFrame(&view), 7);
  world.params.stepping = 0;
  world.params.subStepIndex = 4;
  EXPECT_EQ(GVDisplayedFrame(&view), 7);
}

// A view on the plain path (no engine) whose panels the read-outs write into.
class PanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GV_NO_DISPLAY("no X display");
    GVTestReset();
    GVOgreEnabled = 0;
    GVViewSceneLinks links;
    links.background = kBackground;
    links.currentGeo = currentGeo_;
    links.currentJel = currentJel_;
    links.running = &running_;
    GVSetViewSceneLinks(links);
    HWND main = GVTestMainWindow(1100, 760);
    GVNewGeoList(&geoList_);
    worldCell_ = &world_;
    GVCreateView(&view_, GetModuleHandleA(nullptr), main, 1000, 700, &geoList_, &worldCell_, nullptr);
    GVMoveView(&view_, 0, 0, 1000, 700);
    GVTestPumpMessages();
  }
  void TearDown() override {
    GVDestroyView(&view_);
    GVDeleteGeoList(&geoList_);
    GVSetViewSceneLinks(GVViewSceneLinks());
    GVOgreEnabled = 1;
    GVTestReset();
  }
  // Pixels of the panel in a colour, left of x and from x on.
  std::pair<int, int> count(COLORREF colour, int x) {
    GVComposeScreen();
    const GVSurface& screen = GVScreenImage();
    const uint32_t want = GVPixelFromColorRef(colour);
    int before = 0, after = 0;
    for (int y = 675; y < 700; ++y)
      for (int px = 120; px < 1000; ++px)
        if (screen.at(px, y) == want) (px - 120 < x ? before : after)++;
    return {before, after};
  }

  static constexpr float kBackground[3] = {0.75f, 0.75f, 0.75f};
  int32_t currentGeo_[3] = {0, 0, 0};
  int32_t currentJel_[3] = {0, 0, 0};
  int32_t running_ = 0;
  ObjHandle geoList_;
  HWorld world_;
  HWorld* worldCell_ = nullptr;
  GVView view_;
};

TEST_F(PanelTest, StatusLineAndWarningsWriteFromTheirColumn) {
  GVShowStatusLine(&view_, "Gv warning: Cannot rotate Jel in Natural State mode");
  auto blue = count(RGB(0, 0, 30), 207);
  EXPECT_EQ(blue.first, 0);
  EXPECT_GT(blue.second, 50);
  GVShowWarning(99, &view_, 0, 0);
  EXPECT_EQ(count(RGB(0, 0, 30), 0).second, 0);
  GVShowWarning(6, &view_, 0, 0);
  EXPECT_GT(count(RGB(0, 0, 30), 207).second, 50);
}

// A Geo whose name is far longer than any line still gives one bounded line,
// and nothing is written while the simulation runs.
TEST_F(PanelTest, ObjectAndMoveReadoutsTakeNamesOfAnyLength) {
  const std::string name(5000, 'G');
  GObject* geo = geotest::makeGeo(1, name.c_str(), geotest::boxCorners({-1, 0, -1}, {1, 2, 1}),
                                  geotest::boxTriangles());
  ASSERT_NE(geo, nullptr);
  GVAddGeo(GVGeoListOf(&geoList_), geo);
  currentGeo_[0] = 1;
  GVShowObjectInfo(&view_);
  const int readout = count(RGB(80, 80, 150), 130).second;
  EXPECT_GT(readout, 50);
  GVClearInfoPanel(&view_);
  running_ = 1;
  GVShowObjectInfo(&view_);
  EXPECT_EQ(count(RGB(80, 80, 150), 0).second, 0);

  view_.manipulator->geoId = 1;
  view_.manipulator->mode = 2;
  view_.manipulator->handle = 2;
  view_.manipulator->rotateReadout = 0.5f;
  // A status line written before the read-out does not stay under it.
  GVShowStatusLine(&view_, "Keyframed Geo: ... New transform will be lost unless keyframe is re-set");
  ASSERT_GT(count(RGB(0, 0, 30), 0).second, 50);
  GVShowTransformInfo(&view_);
  EXPECT_GT(count(RGB(80, 80, 150), 130).second, 50);
  EXPECT_EQ(count(RGB(0, 0, 30), 0).second, 0);
}

// A refused structure edit beeps and writes its warning into this view's
// panel; a granted one with a vehicle writes the attachments reminder.
TEST_F(PanelTest, StructureEditWarningsReachTheViewPanel) {
  const SceneServices saved = GVSceneServices();
  const SceneRecords savedScene = GVScene();
  GVSetMainView(&view_);
  SceneServices s = saved;
  s.showStatusLine = [](const char* text) { GVShowStatusLine(GVMainView(), text); };
  s.viewExists = []() -> int32_t { return GVMainView() ? 1 : 0; };
  s.beep = [] { MessageBeep(MB_ICONHAND); };
  GVInstallVehicleFileServices(&s);
  GVSetSceneServices(s);
  GVInstallEditorViewServices();
  const float corner[3] = {0, 0, 0};
  HObject* chassis = MakeDropJel(1, 1, 1, 1.0f, corner, 1, 0.0f);
  chassis->handle = new HObject*(chassis);
  GVAddJelToScene(&worldCell_, chassis->handle);
  DisplaySettings display{};
  GVScene().world = &worldCell_;
  GVScene().display = &display;
  GVScene().vehicle = GVNewVehicle();
  GVVehicleSetWorld(GVVehicleOf(GVScene().vehicle), &world_);
  GVVehicleOf(GVScene().vehicle)->chassisJel = 1;

  int mainWindow = 0;
  for (int32_t flyAway : {1, 0}) {
    GVClearInfoPanel(&view_);
    display.optionInts3[0] = flyAway;
    const unsigned beeps = GVTestBeepCount();
    EXPECT_EQ(GVEditStructCB(0, kEditStructMayStart, 1, &mainWindow), flyAway ? 0 : 1);
    EXPECT_EQ(GVTestBeepCount() - beeps, flyAway ? 1u : 0u);
    EXPECT_GT(count(RGB(0, 0, 30), 207).second, 50) << flyAway;
  }

  GVDeleteVehicleHandle(GVScene().vehicle);  // its chassis Jel with it
  GVScene() = savedScene;
  GVSetSceneServices(saved);
  GVSetMainView(nullptr);
}

}  // namespace
