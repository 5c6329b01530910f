// The "Edit Geo Props" dialog driven through the program's own windows:
// opened from the selector bar, clicks, picks and typed values injected through
// the window stand-in, reports handled by the application's Geo callback.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "GVAppWins/render_services.h"
#include "appwins/editor_bar.h"
#include "appwins/editor_opener.h"
#include "dynamics/runner_scene.h"
#include "dynamics/world.h"
#include "editors/editor_entries.h"
#include "editors/geo_editor.h"
#include "geo/geo_fixtures.h"
#include "jel/jel_object.h"
#include "editor_fixture.h"
#include "platform/screen_image.h"
#include "scene/app_selection.h"
#include "scene/frame_driver.h"
#include "geo/geo_list_services.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "toolkit/choosers.h"
#include "toolkit/edit_control.h"
#include "toolkit/entry_typing.h"
#include "toolkit/label.h"

namespace {

using editortest::gStatus;
const char* const kNaturalOnly = "This operation must be performed in NATURAL STATE mode.";

class GeoEditor : public EditorWindowTest {
 protected:
  void SetUp() override { SetUpEditors(true, false); }
  // 2 x 2 x 2 cells of size 1 (27 nodes), lowest corner at (-1, 1, 0).
  HObject* addJel(float fy = 0.0f) {
    const float corner[3] = {-1.0f, 1.0f, 0.0f};
    HObject* j = MakeDropJel(2, 2, 2, 1.0f, corner, 1, fy);
    j->handle = new HObject*(j);
    GVAddJelToScene(GVScene().world, j->handle);
    return j;
  }
  GObject* addGeo(int32_t id, const std::vector<geotest::V3>& v, const std::vector<geotest::Tri>& t) {
    GObject* g = geotest::makeGeo(id, ("G" + std::to_string(id)).c_str(), v, t);
    g->handle = new ObjHandle{g};
    GVAddGeoToScene(GVScene().geoList, g->handle);
    return g;
  }
  GObject* addCube(int32_t id, geotest::V3 lo, geotest::V3 hi) {
    return addGeo(id, geotest::boxCorners(lo, hi), geotest::boxTriangles());
  }
  HwEditGeo* open() {
    click(win_->selectorBar->buttons[kEditorGeoProperties - 1]->face);
    return static_cast<HwEditGeo*>(win_->editors[kEditorGeoProperties]);
  }
  static std::string text(HwSelectorTool* s) { return s->textBox->text ? s->textBox->text : ""; }
  static void button(HwBaseControl* c) { click(c->button->face); }
  static void typeName(HwSelectorTool* s, const char* name) {
    s->textBox->setText(name);
    click(s->textBox->window);
    GVTestKeyPress(VK_RETURN);
    settle();
  }
  bool saw(const std::string& part) const {
    return std::any_of(gStatus.begin(), gStatus.end(), [&](const std::string& s) { return s.find(part) != s.npos; });
  }
  static float lowest(const float (*p)[3], int32_t n) {
    float y = 1e9f;
    for (int32_t i = 1; i <= n; ++i) y = std::min(y, p[i][1]);
    return y;
  }
};

TEST_F(GeoEditor, MassocBindsStaticAndTheGeoFallsWithItsJel) {
  HObject* jel = addJel(-10.0f);
  ASSERT_EQ(jel->nodeCount, 27);
  GObject* cube = addCube(1, {-0.5f, 1.5f, 0.5f}, {0.5f, 2.5f, 1.5f});
  world()->params.stateMode = -1;
  HwEditGeo* d = open();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(rectOf(d->popup).left, 1140);
  EXPECT_EQ(text(d->geoSelector), "G1  {1}");
  EXPECT_EQ(d->defMode->selected, 2);
  settle();
  EXPECT_TRUE(GVSaveScreenPng("geo_editor.png"));

  click(d->jel1Selector->nextButton->face);
  button(d->massocButton);
  EXPECT_EQ(cube->flags & 0x202u, 0x202u);
  EXPECT_EQ(cube->jelId, 1);
  EXPECT_EQ(d->defMode->selected, 1);
  EXPECT_EQ(d->level1Style->selected, 2);
  EXPECT_EQ(text(d->part1Selector), "Part 1");
  click(d->part1Selector->nextButton->face);
  EXPECT_EQ(text(d->part1Selector), "Part 1");

  world()->params.stateMode = 0;
  GVStepFrame(0, 1);
  const float geo0 = lowest(cube->vertices, cube->vertexCount), jel0 = lowest(jel->pos, jel->nodeCount);
  for (int f = 1; f <= 10; ++f) GVStepFrame(f, 1);
  const float jelDrop = jel0 - lowest(jel->pos, jel->nodeCount);
  EXPECT_GT(jelDrop, 0.05f);
  EXPECT_NEAR(geo0 - lowest(cube->vertices, cube->vertexCount), jelDrop, 1e-3f);
}

TEST_F(GeoEditor, SoftTransformReportsAndNaturalStateRefusals) {
  addJel();
  GObject* inside = addCube(1, {-0.5f, 1.5f, 0.5f}, {0.5f, 2.5f, 1.5f});
  GObject* outside = addCube(2, {-2.0f, 1.5f, 0.5f}, {0.5f, 2.5f, 1.5f});
  GObject* never = addCube(3, {5, 5, 5}, {6, 6, 6});
  world()->params.stateMode = -1;
  HwEditGeo* d = open();
  click(d->jel1Selector->nextButton->face);
  choose(d->level1Style, 3);
  click(d->part1Selector->nextButton->face);
  EXPECT_TRUE(inside->flags & 0x400u);
  EXPECT_TRUE(saw("Block shaped part_1 of JEL_1 OK for optimised level-1 soft-transform!"));
  // Level 2 on the same part.
  choose(d->level2Style, 2);
  click(d->jel2Selector->nextButton->face);
  click(d->part2Selector->nextButton->face);
  EXPECT_TRUE(saw("OK for optimised level-2 soft-transform!"));
  EXPECT_EQ(text(d->part2Selector), "Part 1");
  // Typed parts: 31 is refused, 7 is taken without binding again.
  typeName(d->part2Selector, "31");
  EXPECT_EQ(text(d->part2Selector), "Part 1");
  typeName(d->part2Selector, "7");
  EXPECT_EQ(text(d->part2Selector), "Part 7");
  EXPECT_EQ(inside->cellBind2->part, 1);
  // The fourth button clears a level-2 selector and only refreshes a level-1 one.
  click(d->part2Selector->button3->face);
  EXPECT_EQ(text(d->part2Selector), "NONE");
  click(d->jel1Selector->button3->face);
  EXPECT_NE(text(d->jel1Selector).find("{1}"), std::string::npos);

  click(d->geoSelector->nextButton->face);
  ASSERT_EQ(d->subject(), 2);
  gStatus.clear();
  click(d->jel1Selector->nextButton->face);
  choose(d->level1Style, 3);
  click(d->part1Selector->nextButton->face);
  EXPECT_TRUE(saw("does not completely enclose GEO"));
  EXPECT_TRUE(outside->flags & 0x20u);

  // Initial-state mode: the style is refused, clearing the massoc is not.
  click(d->geoSelector->prevButton->face);
  world()->params.stateMode = 0;
  gStatus.clear();
  choose(d->level1Style, 2);
  EXPECT_EQ(gStatus, std::vector<std::string>{kNaturalOnly});
  EXPECT_EQ(d->level1Style->selected, 3);
  button(d->clearMassocButton);
  EXPECT_EQ(inside->flags & 0x602u, 0u);
  EXPECT_EQ(d->level1Style->selected, 1);
  EXPECT_TRUE(inside->flags & 0x400000u);
  ASSERT_NE(inside->cellBind2, nullptr);
  EXPECT_EQ(inside->cellBind2->jelId, 1);
  EXPECT_EQ(d->level2Style->selected, 2);

  button(d->bakeButton);
  EXPECT_EQ(inside->flags & 0xc00622u, 0u);

  click(d->geoSelector->nextButton->face);
  click(d->geoSelector->nextButton->face);
  ASSERT_EQ(d->subject(), never->id);
  choose(d->defMode, 1);
  EXPECT_EQ(d->defMode->selected, 2);
  EXPECT_FALSE(never->flags & 0x2u);
}

TEST_F(GeoEditor, ChooserOrderMetricAndToggles) {
  addJel();
  GObject* first = addCube(1, {0, 0, 0}, {1, 1, 1});
  addCube(2, {2, 0, 0}, {3, 1, 1});
  GeoAttach* attach = GVGetGeoAttachment(first->handle);  // Geo 1 hangs on Geo 2
  attach->type = 6;
  attach->geo0 = 2;
  GObject* last = addCube(3, {4, 0, 0}, {5, 1, 1});
  GVAppSelection().geoId = 3;
  HwEditGeo* d = open();
  ASSERT_EQ(d->subject(), 3);
  click(d->geoSelector->nextButton->face);
  EXPECT_EQ(text(d->geoSelector), "G1  {1}");
  EXPECT_EQ(win_->view->currentGeo[0], 1);
  click(d->geoSelector->prevButton->face);
  EXPECT_EQ(text(d->geoSelector), "G3  {3}");
  EXPECT_EQ(win_->view->currentGeo[0], 3);
  typeName(d->geoSelector, "G2");
  EXPECT_STREQ(last->name, "G3");
  EXPECT_EQ(text(d->geoSelector), "G3  {3}");

  // Collision metric: 0 is the face size of the mesh (0.75 x the farthest
  // corner from its face centroid: sqrt(5)/3 on a unit right triangle).
  HwEditControl* metric = d->collMetric->editButton->edit;
  TypeIntoEntry(metric->window, "0.5\r");
  EXPECT_FLOAT_EQ(last->faceSize, 0.5f);
  TypeIntoEntry(metric->window, "0\r");
  const float meshSize = 0.75f * std::sqrt(5.0f) / 3.0f;
  EXPECT_NEAR(last->faceSize, meshSize, 1e-3f);
  TypeIntoEntry(metric->window, "0.005\r");
  EXPECT_NEAR(last->faceSize, meshSize, 1e-3f);

  // Make last on Geo 1: order 2 3 1, Geo 2 follows and Geo 1 now comes after
  // the Geo it hangs on.
  click(d->geoSelector->nextButton->face);
  gStatus.clear();
  button(d->makeLastButton);
  const GeoList* list = GVGeoListOf(GVScene().geoList);
  EXPECT_EQ(list->head->id, 2);
  EXPECT_EQ(list->head->next->next->id, 1);
  EXPECT_EQ(d->subject(), 2);
  EXPECT_EQ(win_->view->currentGeo[0], 2);
  EXPECT_EQ(gStatus.back(), "GEOs are correctly sequenced for ATTACHMENTS to work correctly");
  d->setGeo(1);
  const unsigned beeps = GVTestBeepCount();
  gStatus.clear();
  button(d->makeLastButton);
  EXPECT_EQ(GVTestBeepCount(), beeps + 1);
  EXPECT_EQ(d->subject(), 1);
  EXPECT_EQ(gStatus.size(), 1u);  // the order report still ran

  // Smoothing on two triangles that meet along a seam (their own vertices).
  GObject* seam = addGeo(4, {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{1, 2, 3}, {4, 5, 6}});
  d->setGeo(4);
  TypeIntoEntry(metric->window, "0\r");  // its face size from the mesh
  choose(d->smoothing, 2);
  EXPECT_TRUE(seam->flags & 0x40000u);
  choose(d->smoothing, 1);
  EXPECT_FALSE(seam->flags & 0x40000u);
}

TEST_F(GeoEditor, DoubleSidedPlaneShowsFromBehind) {
  const CameraRec* cam = GVSceneServices().viewCamera();
  ASSERT_NE(cam, nullptr);
  // A 6 x 6 plane through the camera's target facing away from the eye.
  const float* r = cam->rot;
  std::vector<geotest::V3> v;
  for (float a : {-3.0f, 3.0f})
    for (float b : {-3.0f, 3.0f})
      v.push_back({cam->target[0] + a * r[0] + b * r[3], cam->target[1] + a * r[1] + b * r[4],
                   cam->target[2] + a * r[2] + b * r[5]});
  GObject* plane = addGeo(1, v, {{1, 4, 2}, {1, 3, 4}});
  HwEditGeo* d = open();
  auto sample = [&] {
    GVSceneServices().renderFrame();
    settle();
    std::vector<COLORREF> out;
    const RECT w = rectOf(win_->view->window);
    for (int y = w.top; y < w.bottom; y += 8)
      for (int x = w.left; x < std::min(w.right, rectOf(d->popup).left); x += 8) out.push_back(screen(x, y));
    return out;
  };
  const std::vector<COLORREF> empty = sample();
  choose(d->doubleSided, 1);
  GVSceneServices().createGeoRenderObj(1, 1, 0);
  const std::vector<COLORREF> off = sample();
  choose(d->doubleSided, 2);
  EXPECT_TRUE(plane->flags & 0x4u);
  const std::vector<COLORREF> on = sample();
  auto differ = [](const std::vector<COLORREF>& a, const std::vector<COLORREF>& b) {
    size_t n = 0;
    for (size_t i = 0; i < a.size(); ++i) n += a[i] != b[i];
    return n;
  };
  EXPECT_LT(differ(empty, off), 10u);
  EXPECT_GT(differ(off, on), 100u);
}

}  // namespace
