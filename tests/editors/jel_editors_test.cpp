// The initial-state and matter editors driven through the program's own
// windows: opened from the selector bar, values typed and knobs dragged
// through the window stand-in, reports handled by the application callbacks.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "appwins/editor_bar.h"
#include "appwins/editor_opener.h"
#include "dynamics/motion_commands.h"
#include "dynamics/runner_scene.h"
#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "editors/editor_common.h"
#include "editors/editor_entries.h"
#include "editors/initial_state.h"
#include "editors/matter_editor.h"
#include "geo/geo_binding.h"
#include "geo/geo_fixtures.h"
#include "geo/key_interp.h"
#include "jel/deformation_map.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "jel/state_interface.h"
#include "editor_fixture.h"
#include "platform/screen_image.h"
#include "scene/app_selection.h"
#include "scene/create_callbacks.h"
#include "scene/frame_driver.h"
#include "geo/geo_list_services.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "toolkit/choosers.h"
#include "toolkit/edit_control.h"
#include "toolkit/entry_typing.h"
#include "toolkit/label.h"
#include "toolkit/slider_group.h"

namespace {

using editortest::gStatus;

class JelEditors : public EditorWindowTest {
 protected:
  void SetUp() override { SetUpEditors(false, false); }
  // A block of n x n x n cells of size 1 with its lowest corner at (x, y, 0).
  HObject* addJel(int32_t id, int n, float x, float y = 1.0f, float fy = 0.0f) {
    const float corner[3] = {x, y, 0.0f};
    HObject* j = MakeDropJel(n, n, n, 1.0f, corner, id, fy);
    j->handle = new HObject*(j);
    GVAddJelToScene(GVScene().world, j->handle);
    return j;
  }
  GObject* addCube(int32_t id, geotest::V3 lo, geotest::V3 hi) {
    GObject* g = geotest::makeGeo(id, ("G" + std::to_string(id)).c_str(), geotest::boxCorners(lo, hi),
                                  geotest::boxTriangles());
    g->handle = new ObjHandle{g};
    GVAddGeoToScene(GVScene().geoList, g->handle);
    return g;
  }
  void open(int code) { click(win_->selectorBar->buttons[code - 1]->face); }
  HwInitialState* istate() { return static_cast<HwInitialState*>(win_->editors[kEditorInitialState]); }
  HwMatter* matter() { return static_cast<HwMatter*>(win_->editors[kEditorMatter]); }
  static void type(HwSliderGroup* s, const std::string& text) { TypeIntoEntry(s->edit->window, text + "\r"); }
  float centreY(int32_t frame) {
    float c[3] = {};
    GVGetSelPosition(world(), 1, 1, frame, 14, c, nullptr, nullptr);
    return c[1];
  }
  static std::string chooserText(HwSelectorTool* s) { return s->textBox->text ? s->textBox->text : ""; }
};

const char* const kJelRebound = "JEL object sucessfully RE-MASSOCD with GEO object ... and JEL object RE-ALIGNED";
const char* const kTooFar = "Warning: bad association: GEO object too far outside JEL object";

TEST(EditorLimits, NiceLimitsRoundUpByLeadingDigit) {
  EXPECT_EQ(GVNiceIntLimit(37), 40);
  EXPECT_EQ(GVNiceIntLimit(5), 10);
  EXPECT_EQ(GVNiceIntLimit(100), 100);
  EXPECT_EQ(GVNiceIntLimit(101), 200);
  EXPECT_FLOAT_EQ(GVNiceSliderMax(3, 10), 10);
  EXPECT_FLOAT_EQ(GVNiceSliderMax(37, 10), 40);
  EXPECT_FLOAT_EQ(GVNiceSliderMax(250, 10), 300);
  EXPECT_FLOAT_EQ(GVNiceSliderMax(1001, 10), 2000);
  EXPECT_FLOAT_EQ(GVNiceSliderMax(0, 0), 0.1f);
  EXPECT_EQ(GVNiceSliderMaxInt(37), 40);
  EXPECT_FLOAT_EQ(GVNiceFloatLimit(0, 10, 0x100), 10);
  EXPECT_FLOAT_EQ(GVNiceFloatLimit(-250, 10, 0x100), 300);
  EXPECT_FLOAT_EQ(GVNiceFloatLimit(30, 90, 0x200), 90);
  EXPECT_FLOAT_EQ(GVNiceFloatLimit(100, 90, 0x200), 180);
  EXPECT_FLOAT_EQ(GVNiceFloatLimit(5, 10, 0), 0.1f);
}

TEST_F(JelEditors, OpenerCyclesTheInitialStateEditorAndKeepsItsValues) {
  addJel(1, 2, -1.0f);
  open(kEditorInitialState);
  HwInitialState* d = istate();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(rectOf(d->popup).left, 1140);
  EXPECT_NE(chooserText(d->selector).find("  {1}"), std::string::npos);
  ASSERT_EQ(GVEditors().initialState, &d->link);
  EXPECT_EQ(GVEditors().initialState->visible, 1);
  const float y = d->sliders[HwInitialState::kPosY]->floatValue;
  EXPECT_NEAR(y, 2.0f, 1e-5f);
  settle();
  EXPECT_TRUE(GVSaveScreenPng("initial_state_editor.png"));
  open(kEditorInitialState);
  EXPECT_FALSE(d->isVisible());
  EXPECT_EQ(GVEditors().initialState->visible, 0);
  open(kEditorInitialState);
  EXPECT_EQ(istate(), d);
  EXPECT_TRUE(d->isVisible());
  EXPECT_EQ(GVEditors().initialState->visible, 1);
  EXPECT_NE(chooserText(d->selector).find("  {1}"), std::string::npos);
  EXPECT_FLOAT_EQ(d->sliders[HwInitialState::kPosY]->floatValue, y);
  // Dismiss hides it and the link follows.
  click(d->dismissButton->face);
  EXPECT_FALSE(d->isVisible());
  EXPECT_EQ(GVEditors().initialState->visible, 0);
  // A state mode set elsewhere: the drop-down follows.
  GVSetWorldStateMode(world(), -1);
  GVShowEditorStateMode(-1);
  EXPECT_EQ(d->stateDrop->selected, 2);
  // Freed with the main window, the link goes with it.
  delete win_;
  win_ = nullptr;
  GVSetMainAppWin(nullptr);
  EXPECT_EQ(GVEditors().initialState, nullptr);
}

TEST_F(JelEditors, InitialStateEditsPositionVelocityFloorAndFrames) {
  HObject* jel = addJel(1, 2, -1.0f);
  ASSERT_EQ(jel->nodeCount, 27);
  open(kEditorInitialState);
  HwInitialState* d = istate();
  type(d->sliders[HwInitialState::kPosY], "8");
  EXPECT_NEAR(centreY(0), 8.0f, 1e-5f);
  EXPECT_NEAR(centreY(kFrameCommitted), 8.0f, 1e-5f);  // the callback ran the scene back to frame 0

  // A dragged velocity knob changes nothing until it is released.
  HwSliderGroup* vy = d->sliders[HwInitialState::kVelY];
  RECT t = rectOf(vy->track);
  const int y = (t.top + t.bottom) / 2, x0 = t.left + vy->knobX + 11;
  float v[3] = {};
  GVTestAdvanceClock(1000);
  GVTestMouseDown(x0, y);
  settle();
  GVTestMouseMove(x0 + 60, y);
  settle();
  GVGetSelVelocity(world(), 1, 1, 0, 14, v);
  EXPECT_EQ(v[1], 0.0f);
  GVTestMouseUp(x0 + 60, y);
  settle();
  GVGetSelVelocity(world(), 1, 1, 0, 14, v);
  EXPECT_GT(v[1], 0.5f);
  EXPECT_NEAR(v[1], vy->floatValue, 1e-4f);

  // Put on floor at height 0.
  click(d->commands[HwInitialState::kFloor]->button->face);
  float lowest = 1e9f;
  for (int32_t i = 1; i <= jel->nodeCount; ++i) lowest = std::min(lowest, jel->pos[i][1]);
  EXPECT_NEAR(lowest, 0.0f, 1e-5f);

  // "Last Fr" 0: no end, never raised to the first frame.
  type(d->sliders[HwInitialState::kFirst], "5");
  type(d->sliders[HwInitialState::kLast], "0");
  EXPECT_EQ(GVJelEndFrame(GVScene().world, 1), 0);
  EXPECT_EQ(d->sliders[HwInitialState::kLast]->intValue, 0);
  EXPECT_EQ(GVJelStartFrame(GVScene().world, 1), 5);

  // A typed position beyond the range widens the whole group.
  type(d->sliders[HwInitialState::kPosX], "250");
  for (int s = HwInitialState::kPosX; s <= HwInitialState::kPosZ; ++s) {
    EXPECT_LE(d->sliders[s]->floatMinimum, -250.0f);
    EXPECT_GE(d->sliders[s]->floatMaximum, 250.0f);
  }
}

TEST_F(JelEditors, NaturalStateRefusesVelocityAndRebindsTheGeo) {
  HObject* jel = addJel(1, 2, -1.0f);
  GObject* cube = addCube(1, {-0.5f, 1.5f, 0.5f}, {0.5f, 2.5f, 1.5f});
  GVUpdateJelDeform(jel, 0);
  ASSERT_EQ(GVMassocGeo(cube, jel), 0);
  cube->flags |= GEO_FLAG_BOUND;  // it follows its Jel
  open(kEditorInitialState);
  HwInitialState* d = istate();
  choose(d->stateDrop, 2);
  ASSERT_EQ(world()->params.stateMode, -1);

  type(d->sliders[HwInitialState::kVelX], "5");
  EXPECT_EQ(d->sliders[HwInitialState::kVelX]->floatValue, 0.0f);
  float v[3] = {};
  GVGetSelVelocity(world(), 1, 1, 0, 14, v);
  EXPECT_EQ(v[0], 0.0f);
  EXPECT_NE(std::find(gStatus.begin(), gStatus.end(), "Gv warning: Jel objects do not 'move' in Natural State mode"),
            gStatus.end());

  gStatus.clear();
  const uint32_t bound = cube->flags & GEO_FLAG_BOUND;
  type(d->sliders[HwInitialState::kPosY], "2.25");
  EXPECT_NEAR(centreY(-1), 2.25f, 1e-5f);
  EXPECT_EQ(gStatus.back(), kJelRebound);
  float lo = 1e9f, hi = -1e9f;
  for (int i = 1; i <= cube->vertexCount; ++i) {
    lo = std::min(lo, cube->vertices[i][1]);
    hi = std::max(hi, cube->vertices[i][1]);
  }
  EXPECT_GE(lo, 1.25f);  // inside the moved Jel (y 1.25 .. 3.25)
  EXPECT_LE(hi, 3.25f);
  EXPECT_FALSE(cube->flags & GEO_FLAG_TOO_FAR_OUTSIDE);

  gStatus.clear();
  type(d->sliders[HwInitialState::kPosY], "103");
  EXPECT_EQ(gStatus.back(), kTooFar);
  EXPECT_EQ(cube->flags & GEO_FLAG_BOUND, bound);
}

TEST_F(JelEditors, KeyFramedGeoBlocksSetInitialStateAndChoosersStepTheViewsJel) {
  HObject* jel = addJel(1, 2, -1.0f);
  addJel(2, 1, 4.0f);
  GObject* cube = addCube(1, {-0.5f, 1.5f, 0.5f}, {0.5f, 2.5f, 1.5f});
  GVUpdateJelDeform(jel, 0);
  ASSERT_EQ(GVMassocGeo(cube, jel), 0);
  ASSERT_NE(cube->keyTrack, nullptr);
  const float t[3] = {}, r[3] = {}, s[3] = {1, 1, 1};
  GVKeyTrackSetKey(0, cube->keyTrack, 0, t, r, s);
  open(kEditorInitialState);
  HwInitialState* d = istate();
  jel->pos[1][1] += 0.5f;  // the live state differs from frame 0
  const float before = centreY(0);
  click(d->commands[HwInitialState::kSetInitial]->button->face);
  EXPECT_FLOAT_EQ(centreY(0), before);
  EXPECT_EQ(gStatus.back(), "Warning: Jel Initial State NOT re-set if associated GEO object is keyframed");

  click(d->selector->nextButton->face);
  EXPECT_EQ(d->current(), 2);
  EXPECT_EQ(win_->view->currentJel[0], 2);
  open(kEditorMatter);
  HwMatter* m = matter();
  ASSERT_NE(m, nullptr);
  m->update(2);
  click(m->selector->nextButton->face);  // from the last Jel the first
  EXPECT_EQ(m->current(), 1);
  EXPECT_EQ(win_->view->currentJel[0], 1);
}

TEST_F(JelEditors, MatterWritesStoredAndLiveStateAndKeepsItsRanges) {
  HObject* jel = addJel(1, 2, -1.0f);
  HObject* replay = addJel(2, 1, 4.0f);
  open(kEditorMatter);
  HwMatter* d = matter();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(rectOf(d->popup).left, 1140);
  settle();
  EXPECT_TRUE(GVSaveScreenPng("matter_editor.png"));

  type(d->sliders[HwMatter::kElasticity], "50");
  MatterProps stored, live;
  jel->getNodeMatter(1, 0, kMatterAllFields, &stored);
  jel->state->getNodeMatter(1, kFrameCommitted, kMatterAllFields, &live);
  EXPECT_FLOAT_EQ(stored.elasticity, 50.0f);
  EXPECT_FLOAT_EQ(live.elasticity, 50.0f);
  const int need = static_cast<int>(std::ceil(GVMatterSubSteps(&stored, jel->cellSize) - 1e-6f));
  EXPECT_GT(need, 1);
  EXPECT_EQ(d->sliders[HwMatter::kFRatio]->intValue, need);
  EXPECT_GE(stored.fRatio, static_cast<float>(need) - 1e-4f);
  float eMax = 0, dMax = 0;
  GVMatterLimitsForSubSteps(&eMax, &dMax, &stored, need, jel->cellSize);
  EXPECT_FLOAT_EQ(d->sliders[HwMatter::kElasticity]->floatMaximum, eMax);
  EXPECT_FLOAT_EQ(d->sliders[HwMatter::kDamping]->floatMaximum, dMax);
  MatterProps asked;
  GVCreateJelCB(0, kCreateJelMatter, 0, reinterpret_cast<intptr_t>(&asked), win_);
  EXPECT_FLOAT_EQ(asked.elasticity, 50.0f);

  type(d->sliders[HwMatter::kFriction], "5");
  jel->getNodeMatter(1, 0, kMatterAllFields, &stored);
  EXPECT_FLOAT_EQ(stored.friction, 1.0f);
  EXPECT_FLOAT_EQ(d->sliders[HwMatter::kFriction]->floatValue, 1.0f);

  type(d->sliders[HwMatter::kFx], "250");
  for (int s = HwMatter::kFx; s <= HwMatter::kFz; ++s) {
    EXPECT_FLOAT_EQ(d->sliders[s]->floatMinimum, -300.0f);
    EXPECT_FLOAT_EQ(d->sliders[s]->floatMaximum, 300.0f);
  }

  // A Jel in replay keeps its matter.
  replay->playParams.mode = kWorldReplay;
  MatterProps kept;
  replay->getNodeMatter(1, 0, kMatterAllFields, &kept);
  d->update(2);
  type(d->sliders[HwMatter::kDensity], "7");
  MatterProps after;
  replay->getNodeMatter(1, 0, kMatterAllFields, &after);
  EXPECT_FLOAT_EQ(after.density, kept.density);
}

TEST_F(JelEditors, ForceFieldDrivesThePlayedJel) {
  addJel(1, 1, 0.0f, 20.0f, -10.0f);
  open(kEditorMatter);
  HwMatter* d = matter();
  type(d->sliders[HwMatter::kFy], "0");
  GVStepFrame(0, 1);
  const float start = centreY(kFrameCommitted);
  for (int f = 1; f <= 30; ++f) GVStepFrame(f, 1);
  EXPECT_NEAR(centreY(kFrameCommitted), start, 1e-4f);
  type(d->sliders[HwMatter::kFy], "10<<-");  // the sign goes in front
  GVStepFrame(0, 1);
  for (int f = 1; f <= 30; ++f) GVStepFrame(f, 1);
  EXPECT_LT(centreY(kFrameCommitted), start - 0.5f);
}

}  // namespace
