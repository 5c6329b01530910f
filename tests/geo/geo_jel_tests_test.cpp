#include "geo/geo_jel_tests.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "dynamics/collision_scene.h"
#include "dynamics/collision_response.h"
#include "dynamics/dyn_cmd.h"
#include "dynamics/world_services.h"
#include "geo/geo_collision.h"
#include "geo/geo_fixtures.h"
#include "geo/mesh_derived.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"

using namespace geotest;

namespace {

// A floor of n x n squares of side d centred on the origin at height 0, its
// triangles wound so that their normals face up.
GObject* FloorGeo(int n, float d) {
  std::vector<V3> v;
  const float o = -0.5f * n * d;
  for (int j = 0; j <= n; ++j)
    for (int i = 0; i <= n; ++i) v.push_back({o + i * d, 0.0f, o + j * d});
  std::vector<Tri> t;
  for (int j = 0; j < n; ++j)
    for (int i = 0; i < n; ++i) {
      const int32_t a = j * (n + 1) + i + 1;
      t.push_back({a, a + 1, a + n + 1});
      t.push_back({a + 1, a + n + 2, a + n + 1});
    }
  GObject* g = makeGeo(1, "floor", v, t);
  GVRebuildGeo(g);
  GVBuildGeoCollisionGrid(g, 1);
  return g;
}

struct GeoJelEntry : ::testing::Test {
  void SetUp() override {
    previous_ = GVWorldServices();
    WorldServices s = previous_;
    GVInstallCollisionServices(&s);
    GVSetWorldServices(s);
    floor_.reset(FloorGeo(16, 0.5f));
  }
  void TearDown() override {
    GVSetWorldServices(previous_);
  }
  WorldServices previous_;
  std::unique_ptr<GObject> floor_;
};

}  // namespace

TEST_F(GeoJelEntry, TheEntryRecordsTheNodesThatWouldPassThroughTheFloor) {
  ASSERT_GT(floor_->faceNormals[1][1], 0.99f);
  const float corner[3] = {-0.5f, 0.1f, -0.5f};
  std::unique_ptr<HObject> jel(NewBlockJel(2, 2, 2, 0.5f, 1, corner));
  for (int32_t i = 1; i <= jel->state->nodeCount; ++i) jel->state->disp[i][1] = -0.3f;
  HWorld world;
  // Kind 7: nodes only; kind 3 adds the edges, none of which is left once
  // every bottom node has its record.
  for (int32_t kind : {7, 3}) {
    GVCollideGeoWithJel(floor_.get(), &world.contacts[2], &world.contacts[3], &world.contacts[4], jel.get(), 2,
                        1.0f, kind);
    EXPECT_EQ(world.contacts[3].count, 9) << kind;
    EXPECT_EQ(world.contacts[4].count, 0) << kind;
    for (ContactRec* r = world.contacts[3].first; r; r = r->next) {
      EXPECT_EQ(r->nodeSide, jel->state);
      EXPECT_NEAR(r->vec3[1], 0.0f, 1e-5f);
      EXPECT_NEAR(r->value, 0.2f, 1e-5f);
    }
    for (ContactList& l : world.contacts) GVFreeContacts(&l);
  }
}

TEST_F(GeoJelEntry, AJelDroppedOnAGeoFloorComesToRestOnIt) {
  SceneRunner scene;
  scene.subSteps = 2;
  const float corner[3] = {-0.4f, 0.6f, -0.6f};
  HObject* jel = NewBlockJel(2, 2, 2, 0.5f, 1, corner);
  MatterProps m;
  m.forceY = -9.8f;
  m.friction = 0.5f;
  SetJelMatter(jel, m);
  scene.add(jel);
  GObject* floor = floor_.get();
  scene.work = [&]() {
    GVCollideGeoWithJel(floor, &scene.world.contacts[2], &scene.world.contacts[3], &scene.world.contacts[4], jel, 2,
                        1.0f, 3);
    DynCmdArgs args;
    args.key1 = 1;
    args.type = kDynCmdGeoJel;
    args.passes = 3;
    GVAddDynCmdRec(&scene.world, args);
  };
  float lowest = 1e30f;
  for (int f = 0; f < 90; ++f) {
    scene.frame();
    for (int32_t i = 1; i <= jel->state->nodeCount; ++i) lowest = std::fmin(lowest, jel->state->pos[i][1]);
  }
  EXPECT_GT(lowest, -0.025f);
  EXPECT_LT(lowest, 0.025f);
  EXPECT_LT(scene.kineticEnergy(), 1e-3);
}
