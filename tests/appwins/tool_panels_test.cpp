// The animation, transform-tool and camera panels and the time bar in the main
// window, driven by injected clicks, and their handlers' rules.
#include <algorithm>
#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "GVAppWins/info_panels.h"
#include "GVAppWins/manipulator.h"
#include "GVAppWins/view_links.h"
#include "appwins/anim_dialog.h"
#include "appwins/panel_handlers.h"
#include "appwins/tool_dialogs.h"
#include "appwins/view_owner.h"
#include "dynamics/world_runner.h"
#include "geo/geo_fixtures.h"
#include "geo/geo_from_jel.h"
#include "geo/geo_list.h"
#include "geo/key_frames.h"
#include "geo/key_interp.h"
#include "jel/jel_object.h"
#include "main_window_fixture.h"
#include "scene/display_settings.h"
#include "scene/frame_driver.h"
#include "geo/geo_list_services.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "dynamics/runner_scene.h"
#include "toolkit/buttons.h"
#include "toolkit/edit_control.h"
#include "toolkit/time_bar.h"
#include "vehicle/vehicle_commands.h"
#include "vehicle/vehicle_record.h"

namespace {

std::vector<std::string> gStatus;
std::vector<int> gCamCodes;

int recordCamCode(int code, int state, void* user) {
  gCamCodes.push_back(code);
  return GVCameraPanelCB(code, state, user);
}

class ToolPanels : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    GVInstallMainWindowServices();
    SceneServices s = GVSceneServices();
    s.showStatusLine = [](const char* text) { gStatus.push_back(text); };
    GVSetSceneServices(s);
    // The view's current-object records, as start-up links them.
    win_->view->currentGeo = geoRecord_;
    win_->view->currentJel = jelRecord_;
    gStatus.clear();
    gCamCodes.clear();
  }
  void TearDown() override {
    GVRemoveMainWindowServices();
    MainWindowTest::TearDown();
  }
  static HObject* addJel(int32_t id, float y) {
    const float corner[3] = {-1.0f, y, -1.0f};
    HObject* j = MakeDropJel(2, 2, 2, 1.0f, corner, id, -9.81f);
    j->groupMask = 2;
    j->handle = new HObject*(j);
    GVAddJelToScene(GVScene().world, j->handle);
    return j;
  }
  static HWorld* world() { return *GVScene().world; }
  int32_t geoRecord_[3] = {}, jelRecord_[3] = {};
  ViewDragRec drag_{};
  static int32_t frame() { return GVFrameClock().currentFrame; }
  // Clicks the face of a button and lets it settle.
  static void press(HwBMButton* b) { clickCentre(b->face); }
  // A press and release on the ruler at that frame.
  void releaseOnRuler(int f) {
    HwTimeBar* bar = win_->timeBar;
    RECT client;
    GetClientRect(bar->ruler, &client);
    const float p = float(client.right - 4) / float(bar->lastFrame - bar->firstFrame);
    POINT pt = {static_cast<LONG>(f * p), client.bottom / 2};
    ClientToScreen(bar->ruler, &pt);
    GVTestAdvanceClock(1000);
    GVTestClick(pt.x, pt.y);
    settle();
  }
};

TEST_F(ToolPanels, PanelsReplaceTheirPlacesAtTheirNaturalSizes) {
  const struct {
    HWND window;
    RECT expected;
  } panels[] = {
      {win_->cameraPanel->frame->outer, {340, 30, 361, 36}},
      {win_->moveToolPanel->frame->outer, {3, 74, 38, 102}},
      {win_->animationPanel->frame->outer, {42, 924, 387, 36}},
  };
  for (const auto& p : panels) EXPECT_EQ(place(p.window), p.expected);
  EXPECT_EQ(place(win_->animationPanel->loopLength->frame->window), (RECT{42 + 3 + 307, 924 + 3 + 2, 73, 26}));
  EXPECT_EQ(place(win_->cameraPanel->buttons[9]->face), (RECT{340 + 2 + 344, 30 + 2 + 2, 10, 28}));
  EXPECT_EQ(place(win_->moveToolPanel->scale->face), (RECT{3 + 2 + 2, 74 + 2 + 66, 30, 28}));
}

TEST_F(ToolPanels, StateToggleEndsAtFrameZeroAndStepBackNeedsReplay) {
  addJel(1, 5.0f);
  GVStepFrame(7, 1);
  GVAnimDialog* a = win_->animationPanel;
  press(a->stateButton);
  EXPECT_EQ(world()->params.stateMode, -1);
  EXPECT_EQ(frame(), 0);
  EXPECT_STREQ(a->stateButton->label, "NAT");
  EXPECT_EQ(a->stateButton->state, 4);
  GVStepFrame(3, 1);
  press(a->stateButton);
  EXPECT_EQ(world()->params.stateMode, 0);
  EXPECT_EQ(frame(), 0);
  EXPECT_STREQ(a->stateButton->label, "INIT");
  EXPECT_EQ(a->stateButton->state, 0);

  GVStepFrame(5, 1);
  press(a->stepBack);
  EXPECT_EQ(frame(), 5);
  EXPECT_EQ(a->stepBack->state, 0);
  press(a->stepOnce);
  EXPECT_EQ(frame(), 6);
  EXPECT_EQ(GVCurrentFrame(GVScene().world), 6);
  press(a->toStart);
  EXPECT_EQ(frame(), 0);
}

TEST_F(ToolPanels, LoopLengthArrowsShowWhatTheHandlerReturns) {
  GVAnimDialog* a = win_->animationPanel;
  HwEditButControl* field = a->loopLength;
  field->edit->setInt(40);
  press(field->upButton);
  EXPECT_EQ(world()->params.loopLength, 41);
  EXPECT_EQ(field->getInt(), 41);
  for (int i = 0; i < 42; ++i) press(field->downButton);  // the arrow stops at 0
  EXPECT_EQ(world()->params.loopLength, 0);
  EXPECT_EQ(field->getInt(), 0);

  // The loop button shows the world's loop flag.
  const int before = world()->params.loopFlag;
  press(a->loopButton);
  EXPECT_EQ(world()->params.loopFlag, before ? 0 : 1);
  EXPECT_EQ(a->loopButton->state, world()->params.loopFlag);
}

TEST_F(ToolPanels, AnimationQueriesMapModesAndItems) {
  for (int mode : {0, 2, 4, 32}) {
    const int item = GVAnimPanelQueryCB(5, mode, nullptr);
    EXPECT_EQ(item, mode == 0 ? 0 : mode == 2 ? 2 : mode == 4 ? 3 : 4);
    if (mode != 0) EXPECT_EQ(GVAnimPanelQueryCB(6, item, nullptr), mode);
  }
  // The mode button follows the world's mode after a frame.
  world()->params.mode = kWorldReplay;
  GVSyncAnimModeButton(win_->animationPanel, kWorldReplay);
  EXPECT_EQ(win_->animationPanel->modeButton->state, 3);
  world()->params.mode = kWorldSimulate;
  GVSyncAnimModeButton(win_->animationPanel, kWorldSimulate);
  EXPECT_EQ(win_->animationPanel->modeButton->state, 0);
}

TEST_F(ToolPanels, CameraModesAreExclusiveAndOneShotButtonsPopUp) {
  GVCamDialog* c = win_->cameraPanel;
  c->command = recordCamCode;
  press(c->buttons[1]);  // Pa
  press(c->buttons[2]);  // Ti
  EXPECT_EQ(gCamCodes, (std::vector<int>{11, 2, 11, 3}));
  for (int i = 0; i <= 6; ++i) EXPECT_EQ(c->buttons[i]->state, i == 2 ? 1 : 0) << i;
  EXPECT_EQ(win_->view->toolMode, 2);
  press(c->buttons[8]);  // Set POI
  press(c->buttons[9]);  // Z-Align
  EXPECT_EQ(c->buttons[8]->state, 0);
  EXPECT_EQ(c->buttons[9]->state, 0);
  // Fix POI follows the camera's orbit word.
  press(c->buttons[7]);
  EXPECT_EQ((*win_->view->camera)->mode, 1);
  EXPECT_EQ(c->buttons[7]->state, 1);
  EXPECT_EQ(GVCameraPanelQueryCB(2, win_), 1);
}

TEST_F(ToolPanels, CameraLooksAtTheCurrentJelAndLevels) {
  HObject* j = addJel(1, 5.0f);
  GVStepFrame(0, 1);
  win_->view->currentJel[0] = 1;
  CameraRec* cam = *win_->view->camera;
  GVCameraPanelCB(9, 0, win_);
  // The 2 x 2 x 2 block of unit cells from (-1, 5, -1): its centre of mass.
  EXPECT_NEAR(cam->target[0], 0.0f, 1e-4f);
  EXPECT_NEAR(cam->target[1], 6.0f, 1e-4f);
  EXPECT_NEAR(cam->target[2], 0.0f, 1e-4f);
  (void)j;
  cam->elevation = 0.4f;
  cam->heading = -0.7f;
  GVCameraPanelCB(10, 0, win_);
  EXPECT_EQ(cam->elevation, 0.0f);
  EXPECT_EQ(cam->heading, 0.0f);
  EXPECT_EQ(cam->eye[0], 0.0f);
  EXPECT_EQ(cam->eye[1], 0.0f);
}

TEST_F(ToolPanels, TransformToolNeedsASelectionAndKeepsOneButton) {
  GVMoveToolDialog* m = win_->moveToolPanel;
  press(m->translate);
  EXPECT_EQ(m->translate->state, 0);  // nothing selected: the handler answers 0
  EXPECT_EQ(gViewModeFlags.moveTool, 0);

  addJel(1, 5.0f);
  win_->view->currentJel[0] = 1;
  press(m->translate);
  EXPECT_EQ(m->translate->state, 1);
  press(m->rotate);
  EXPECT_EQ(m->translate->state, 0);
  EXPECT_EQ(m->rotate->state, 1);
  EXPECT_EQ(win_->view->manipulator->mode, 2);
  press(m->rotate);  // pressed again: off
  EXPECT_EQ(m->rotate->state, 0);
  EXPECT_EQ(win_->view->manipulator->mode, 0);
}

// A key-framed Geo dragged along the move tool's x arrow: the information
// panel shows the read-out and, beside it, why the move will not last.
TEST_F(ToolPanels, MovingAKeyFramedGeoShowsTheReadoutAndTheKeyFrameNotice) {
  GObject* g = geotest::makeGeo(1, "Box", geotest::boxCorners({-1, 0, -1}, {1, 2, 1}), geotest::boxTriangles());
  g->handle = new ObjHandle{g};
  GVAddGeoToScene(GVScene().geoList, g->handle);
  const float r[3] = {}, sc[3] = {1, 1, 1}, a[3] = {0, 0, 0}, b[3] = {4, 0, 0};
  GVKeyTrackSetKey(0, g->keyTrack, 0, a, r, sc);
  GVKeyTrackSetKey(30, g->keyTrack, 0, b, r, sc);
  GVStepFrame(0, 1);
  win_->view->drag = &drag_;  // the view's drag record, as start-up links it
  win_->view->currentGeo[0] = 1;
  press(win_->moveToolPanel->translate);
  ASSERT_EQ(win_->moveToolPanel->translate->state, 1);

  GVManipulator* m = win_->view->manipulator;
  const float tip[3] = {m->position[0] + 1, m->position[1], m->position[2]};
  float c[3], e[3];
  GVManipWorldToPixel(m, m->position, c);
  GVManipWorldToPixel(m, tip, e);
  const float length = std::hypot(e[0] - c[0], e[1] - c[1]);
  ASSERT_GT(length, 0.0f);
  auto along = [&](float pixels) {
    POINT p = {LONG(c[0] + (e[0] - c[0]) / length * pixels), LONG(c[1] + (e[1] - c[1]) / length * pixels)};
    ClientToScreen(win_->view->window, &p);
    return p;
  };
  drag(along(30), {along(60), along(90)});
  ASSERT_GT(g->xform[GEO_SLOT_FRAME].position[0], 0.5f);  // moved, for now

  const RECT panel = rectOf(win_->view->rightOut);
  auto columns = [&](COLORREF colour) {
    int left = panel.right, right = panel.left - 1;
    for (int y = panel.top; y < panel.bottom; ++y)
      for (int x = panel.left; x < panel.right; ++x)
        if (screen(x, y) == colour) left = std::min(left, x), right = std::max(right, x);
    return std::make_pair(left, right);
  };
  const auto readout = columns(RGB(80, 80, 150));
  const auto notice = columns(GVPanelTextColour(GVViewScene().background));
  ASSERT_LT(readout.first, readout.second);
  ASSERT_LT(notice.first, notice.second);
  EXPECT_GT(notice.first, readout.second);  // beside it, not under it
  EXPECT_LT(notice.second, panel.right - 1);  // whole
  GVTransformReadoutText text;
  ASSERT_EQ(GVTransformReadout(win_->view, &text), 1);
  EXPECT_STREQ(text.notice, "Keyframed Geo: ... New transform will be lost unless keyframe is re-set");
  EXPECT_NE(std::find(gStatus.begin(), gStatus.end(), text.notice), gStatus.end());
}

TEST_F(ToolPanels, RulerReleaseReStepsAndShowsTheFrame) {
  addJel(1, 5.0f);
  GVStepFrame(0, 1);
  releaseOnRuler(0);  // the current frame: nothing
  EXPECT_EQ(frame(), 0);
  EXPECT_EQ(gStatus, (std::vector<std::string>{"... frame 0"}));
  releaseOnRuler(120);
  EXPECT_EQ(frame(), 120);
  EXPECT_EQ(GVCurrentFrame(GVScene().world), 120);
  EXPECT_EQ(win_->animationPanel->loopLength->getInt(), 120);
  EXPECT_EQ(win_->timeBar->currentFrame, 120);
}

TEST_F(ToolPanels, LongStepNoticeCountsNodesFramesAndSubSteps) {
  HObject* j = addJel(1, 5.0f);
  j->nodeCount = 10000;  // counted only
  world()->params.subSteps = 2;
  const char* notice81 = "... frame 81 ... evaluating scene may take a few seconds ... ";
  EXPECT_EQ(GVLongStepFrames(81, 0), 81);
  EXPECT_EQ(GVLongStepFrames(30, 90), 30);  // back to frame f counts f
  EXPECT_EQ(GVLongStepNotice(81, 81), 1);
  EXPECT_EQ(GVLongStepNotice(80, 80), 0);
  EXPECT_EQ(gStatus, (std::vector<std::string>{notice81}));
  // Beyond 2^31 node sub-steps the notice still shows.
  EXPECT_GT(GVLongStepWork(world(), 150000), int64_t{INT_MAX});
  EXPECT_EQ(GVLongStepNotice(150000, 150000), 1);
  world()->params.mode = kWorldReplay;
  EXPECT_EQ(GVLongStepNotice(81, 81), 0);
  world()->params.mode = kWorldSimulate;

  j->nodeCount = 27;
}

TEST_F(ToolPanels, TimeBarMarksTheCurrentGeosKeyFrames) {
  HObject* jel = addJel(1, 5.0f);
  const int32_t id = GVCreateGeoFromJel(GVScene().geoList, jel, "Skin");
  GObject* g = GVGeoOf(GVFindGeo(GVScene().geoList, id));
  ASSERT_NE(g, nullptr);
  for (int f : {10, 30}) GVKeyFrameAllocBlocks(GVKeyTrackFindOrInsert(g->keyTrack, f), KEY_CHAN_TRANSLATION);
  HwTimeBar* bar = win_->timeBar;
  win_->view->currentGeo[0] = id;
  EXPECT_EQ(GVTimeBarCB(1, 2, 0, win_), id);
  bar->redraw();
  settle();
  RECT client;
  GetClientRect(bar->markerStrip, &client);
  const float p = float(client.right - 4) / float(bar->lastFrame - bar->firstFrame);
  POINT origin = {0, 0};
  ClientToScreen(bar->markerStrip, &origin);
  for (int f : {10, 30}) EXPECT_EQ(screen(origin.x + int(f * p), origin.y + 3), RGB(250, 0, 0)) << f;
  EXPECT_NE(screen(origin.x + int(20 * p), origin.y + 3), RGB(250, 0, 0));
  EXPECT_TRUE(GVSavePng(GVScreenImage(), "time_bar_keys.png"));
}

TEST_F(ToolPanels, TimeBarMarksTheCurrentJelsStoredFrames) {
  addJel(1, 5.0f);
  GVStepFrame(0, 1);
  press(win_->animationPanel->modeButton);  // record
  ASSERT_EQ(world()->params.mode, kWorldRecord);
  EXPECT_EQ(win_->animationPanel->modeButton->state, 2);
  GVStepFrame(20, 1);
  GVRecordCurrentFrame(world());  // the Jel keeps frame 20
  const int stored = GVNextStoredFrame(world(), 1, 0);
  ASSERT_EQ(stored, 20);
  win_->view->currentJel[0] = 1;
  HwTimeBar* bar = win_->timeBar;
  bar->redraw();
  settle();
  RECT client;
  GetClientRect(bar->markerStrip, &client);
  const float p = float(client.right - 4) / float(bar->lastFrame - bar->firstFrame);
  POINT origin = {0, 0};
  ClientToScreen(bar->markerStrip, &origin);
  EXPECT_EQ(screen(origin.x + int(stored * p), origin.y + 8), RGB(0, 0, 50));
  EXPECT_EQ(bar->selectedJel, 1);
}

TEST_F(ToolPanels, KeyFrameBarAndLogicWindowRequests) {
  addJel(1, 5.0f);
  GVStepFrame(0, 1);
  win_->view->currentGeo[0] = 4;
  EXPECT_EQ(GVKeyFrameBarCB(0, 0x400, 0, nullptr, win_), 4);
  GVKeyFrameBarCB(25, 0x100, 4, nullptr, win_);
  EXPECT_EQ(frame(), 25);
  EXPECT_EQ(GVCurrentFrame(GVScene().world), 25);
  GVKeyFrameBarCB(0, 0x800, 0, "key set", win_);
  EXPECT_EQ(gStatus.back(), "key set");

  GVFrameClock().restartFrame = 9;
  GVLogicPanelCB(0, 0x10, 0, win_);
  EXPECT_EQ(frame(), 0);
  EXPECT_EQ(GVFrameClock().restartFrame, 0);
  GVStepFrame(12, 1);
  GVLogicPanelCB(0, 8, 0, win_);  // re-stepped from the start
  EXPECT_EQ(GVCurrentFrame(GVScene().world), 12);
  EXPECT_EQ(GVLogicPanelCB(0, 8, 0, nullptr), 0);
}

TEST_F(ToolPanels, VehicleBuildRestartsAndFlyAwayScenesRefuse) {
  world()->params.stateMode = -1;
  GVVehiclePanelCB(0, 1, 0, win_);
  VehicleRec* v = GVVehicleOf(GVScene().vehicle);
  ASSERT_NE(v, nullptr);
  EXPECT_FALSE(GVVehicleIsEmpty(v));
  EXPECT_EQ(frame(), 0);
  GVScene().display->optionInts3[0] = 1;  // fly-away
  const unsigned beeps = GVTestBeepCount();
  EXPECT_EQ(GVVehiclePanelCB(0, 1, 0, win_), 0);
  EXPECT_EQ(GVVehicleOf(GVScene().vehicle), v);  // not rebuilt
  EXPECT_EQ(GVVehiclePanelCB(0x20000, 0x20000, 0, win_), 0x20000);
  EXPECT_EQ(GVTestBeepCount(), beeps + 1);
  GVScene().display->optionInts3[0] = 0;
  GVDeleteVehicle();
}

TEST_F(ToolPanels, ViewEventsReachThePanels) {
  addJel(1, 5.0f);
  win_->view->currentJel[0] = 1;
  GVMoveToolDialog* m = win_->moveToolPanel;
  press(m->translate);  // a Jel is not scaled in Initial State mode
  ASSERT_EQ(m->translate->state, 1);
  GVViewOwnerCB(0, 0x80, 0, 0, win_);  // move tool ended
  EXPECT_EQ(m->translate->state, 0);

  (*win_->view->camera)->mode = 1;
  GVViewOwnerCB(0, 0x1000, 0, 0, win_);  // camera mode changed
  EXPECT_EQ(win_->cameraPanel->buttons[7]->state, 1);

  world()->params.mode = kWorldOutsideRecord;
  GVViewOwnerCB(0, 0x4000000, 0, 0, win_);  // animation mode changed
  EXPECT_EQ(win_->animationPanel->modeButton->state, 4);
  world()->params.mode = kWorldSimulate;
}

}  // namespace
