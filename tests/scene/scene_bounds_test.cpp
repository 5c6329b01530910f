#include "scene/scene_bounds.h"

#include <gtest/gtest.h>

#include <vector>

#include "geo/geo_fixtures.h"
#include "jel/jel_object.h"
#include "dynamics/runner_scene.h"
#include "scene/app_lifecycle.h"
#include "geo/geo_list_services.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"

namespace {

class SceneBounds : public testing::Test {
 protected:
  void SetUp() override { GVAppStartup(); }
  void TearDown() override {
    GVAppShutdown();
    GVSetSceneServices(SceneServices());
  }
  static std::vector<float> Bounds() { return {GVScene().bounds, GVScene().bounds + 6}; }
  static void AddBox(geotest::V3 lo, geotest::V3 hi) {
    GObject* g = geotest::makeGeo(GVNextGeoId(GVScene().geoList), "Box", geotest::boxCorners(lo, hi),
                                  geotest::boxTriangles());
    g->handle = new ObjHandle{g};
    GVAddGeoToScene(GVScene().geoList, g->handle);
  }
  static void AddJel(const float corner[3]) {
    HObject* j = MakeDropJel(2, 2, 2, 1.0f, corner, GVNextJelId(GVScene().world), 0.0f);
    j->handle = new HObject*(j);
    GVAddJelToScene(GVScene().world, j->handle);
  }
};

const std::vector<float> kDefault = {-12, 12, 0, 24, -12, 12};

}  // namespace

TEST_F(SceneBounds, EmptyAndInsideScenesKeepTheDefaults) {
  GVFitSceneBounds(1.0f);
  EXPECT_EQ(Bounds(), kDefault);
  AddBox({-12, 0, -12}, {12, 24, 12});  // touching every side is not passing it
  const float corner[3] = {-2, 1, -2};
  AddJel(corner);
  GVFitSceneBounds(1.0f);
  EXPECT_EQ(Bounds(), kDefault);
}

TEST_F(SceneBounds, OnlyThePassedSidesMoveAndTheFloorNever) {
  AddBox({0, 1, 0}, {20, 2, 1});
  GVFitSceneBounds(1.0f);
  EXPECT_EQ(Bounds(), (std::vector<float>{-12, 21, 0, 24, -12, 12}));
  const float corner[3] = {-3, -5, 11};  // lowest node at y = -5, reaching z = 13
  AddJel(corner);
  GVFitSceneBounds(0.5f);
  EXPECT_EQ(Bounds(), (std::vector<float>{-12, 21, 0, 24, -12, 13.5f}));
}
