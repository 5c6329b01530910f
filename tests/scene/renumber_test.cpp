#include "scene/renumber.h"

#include <gtest/gtest.h>

#include <vector>

#include "dynamics/runner_scene.h"
#include "dynamics/world.h"
#include "geo/geo_attach.h"
#include "geo/geo_binding.h"
#include "geo/geo_fixtures.h"
#include "jel/deformation_map.h"
#include "jel/jel_object.h"
#include "scene/app_lifecycle.h"
#include "scene/frame_driver.h"
#include "scene/geo_id_blocks.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "file_scene.h"

namespace {

std::vector<int32_t> gVehicleTable;

class Renumber : public testing::Test {
 protected:
  void SetUp() override {
    SceneServices sv;
    sv.remapVehicleJelIds = [](ObjHandle*, int32_t n, const int32_t* t) { gVehicleTable.assign(t, t + n + 1); };
    GVSetSceneServices(sv);
    GVAppStartup();
    ASSERT_NE(GVScene().world, nullptr);
  }
  void TearDown() override {
    GVAppShutdown();
    GVSetSceneServices(SceneServices());
    GVFrameClock() = FrameClock();
    gVehicleTable.clear();
  }
  HObject* addJel(float x, int32_t id) {
    const float corner[3] = {x, 2.0f, -1.0f};
    HObject* j = MakeDropJel(2, 2, 2, 1.0f, corner, id, -9.81f);
    j->handle = new HObject*(j);
    GVAddJelToScene(GVScene().world, j->handle);
    return j;
  }
  GObject* addGeo(int32_t id) {
    GObject* g = geotest::makeGeo(id, "G", geotest::boxCorners({0, 0, 0}, {1, 1, 1}), geotest::boxTriangles());
    g->handle = new ObjHandle{g};
    GVAddGeoToScene(GVScene().geoList, g->handle);
    return g;
  }
};

TEST_F(Renumber, GeosTakeTheirListPositionsAndBlocksFollow) {
  GObject* a = addGeo(5);
  GObject* b = addGeo(9);
  GObject* c = addGeo(2);
  GeoAttach* att = GVGetGeoAttachment(a->handle);
  att->type = 1;
  att->geo0 = 2;
  att->geoZ = 7;  // no such Geo
  GeoIdBlockList& blocks = GVGeoIdBlocks();
  GVDeleteGeoIdBlockList(&blocks);
  GVInitGeoIdBlockList(&blocks);
  blocks.blocks[0] = new GeoIdBlock{{9, 4, 0, 5}, {}};
  blocks.count = 1;

  EXPECT_EQ(GVRenumberGeos(9), 2);
  EXPECT_EQ((std::vector<int32_t>{a->id, b->id, c->id}), (std::vector<int32_t>{1, 2, 3}));
  EXPECT_EQ((std::vector<int32_t>(blocks.blocks[0]->geoIds, blocks.blocks[0]->geoIds + 4)),
            (std::vector<int32_t>{2, 0, 0, 1}));
  EXPECT_EQ(att->geo0, 3);
  EXPECT_EQ(att->geoZ, 0);
  EXPECT_EQ(GVRenumberGeos(42), 0);  // not there: the ids are already 1..3 and stay
  EXPECT_EQ(c->id, 3);
  GVDeleteGeoIdBlockList(&blocks);
}

TEST_F(Renumber, JelsCarryGlueBindingsAndVehicleAndPlayTheSame) {
  HObject* left = addJel(-3.0f, 9);
  HObject* right = addJel(1.0f, 4);
  right->setNodeGlue(1, 9, 1);  // glued to the other Jel
  std::vector<geotest::V3> nodes;
  for (int32_t i = 1; i <= right->nodeCount; ++i) nodes.push_back({right->pos[i][0], right->pos[i][1], right->pos[i][2]});
  GObject* bound = geotest::makeGeo(1, "B", nodes);
  bound->handle = new ObjHandle{bound};
  GVAddGeoToScene(GVScene().geoList, bound->handle);
  GVUpdateJelDeform(right, 0);
  ASSERT_EQ(GVMassocGeo(bound, right), 0);
  bound->flags |= GEO_FLAG_VERTEX_BINDING;

  auto play = [&] {
    std::vector<uint64_t> hashes;
    std::vector<float> geo;
    GVStepFrame(0, 1);
    for (int32_t f = 1; f <= 30; ++f) {
      GVStepFrame(f, 1);
      hashes.push_back(WorldStateHash(*GVScene().world));
    }
    geo.assign(&bound->vertices[1][0], &bound->vertices[1][0] + 3 * bound->vertexCount);
    return std::make_pair(hashes, geo);
  };
  LogicLine* ref = scenetest::AddJelRefLine(GVScene().logic, 4);
  ASSERT_NE(ref, nullptr);
  const auto before = play();
  EXPECT_EQ(GVRenumberJels(4), 2);
  EXPECT_EQ(left->id, 1);
  EXPECT_EQ(right->id, 2);
  EXPECT_EQ(right->glueJel[1], 1);
  EXPECT_EQ(bound->jelId, 2);
  EXPECT_EQ(ref->argInt[0], 2);
  EXPECT_EQ(gVehicleTable, (std::vector<int32_t>{0, 9, 4}));
  EXPECT_EQ(play(), before);
}

}  // namespace
