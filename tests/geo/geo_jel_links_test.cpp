#include "geo/geo_jel_links.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "dynamics/constraint_cmds.h"
#include "dynamics/dyn_cmd.h"
#include "dynamics/glue.h"
#include "dynamics/runner_scene.h"
#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "dynamics/world_services.h"
#include "geo/geo_binding.h"
#include "geo/geo_list.h"
#include "geo/geo_record_io.h"
#include "geo/geo_transform.h"
#include "geo/key_frames.h"
#include "geo/mesh_derived.h"
#include "geo_fixtures.h"
#include "jel/deformation_map.h"
#include "jel/jel_from_builder.h"
#include "jel/jel_object.h"
#include "jel/lattice_builder.h"

namespace {

// A solid Jel of 3 x 3 x 3 nodes (cell 1) centred on `at`.
HObject* Block(int32_t id, const float at[3], uint32_t groupMask = 2) {
  LatticeSpec s;
  s.nx = s.ny = s.nz = 3;
  s.cellSize = 1.0f;
  LatticeBuilder b(&s);
  GVGridFillAll(&b);
  HObject* jel = GVCreateJelFromBuilder(&b, id, 0, 0, nullptr);
  if (!jel) return nullptr;
  jel->addPartVec0(1, kFrameInitial, kAxesAll, at);
  jel->translatePart(1, 0, kAxesAll, at);
  jel->restoreFrame(0);
  jel->groupMask = groupMask;
  GVUpdateJelDeform(jel, 0);
  return jel;
}

struct Scene {
  GeoList list;
  HWorld world;
  Scene() { GVInitGeoList(&list); }
  ~Scene() {
    while (GObject* g = list.head) {
      GVRemoveGeo(&list, g);
      delete g;
    }
  }
  GObject* add(GObject* g) {
    GVAddGeo(&list, g);
    return g;
  }
  HObject* jel(int32_t id, const float at[3], uint32_t groupMask = 2) {
    HObject* j = Block(id, at, groupMask);
    GVAddJel(&world, j);
    return j;
  }
};

GObject* CubeAt(int32_t id, float x, float y, float z, float half = 0.5f) {
  return geotest::makeGeo(id, "Cube", geotest::boxCorners({x - half, y - half, z - half}, {x + half, y + half, z + half}),
                          geotest::boxTriangles());
}

float Centre(const HObject* jel, int a) {
  float lo = 9e30f, hi = -9e30f;
  for (int32_t i = 1; i <= jel->nodeCount; ++i) {
    lo = std::min(lo, jel->pos[i][a]);
    hi = std::max(hi, jel->pos[i][a]);
  }
  return 0.5f * (lo + hi);
}

}  // namespace

TEST(GeoJelLinks, MassocOverAGroupResolvesToTheJelThatHoldsTheVertices) {
  Scene s;
  const float a[3] = {-5, 0, 0}, b[3] = {5, 0, 0};
  HObject* ja = s.jel(4, a, 2u | 8u);
  HObject* jb = s.jel(6, b, 2u | 8u);
  ASSERT_NEAR(Centre(ja, 0), -5.0f, 1e-5f);
  GObject* inA = s.add(CubeAt(1, -5, 0.2f, 0));
  GObject* inB = s.add(CubeAt(2, 5, 0, -0.1f));
  // Spans both Jels: entries name two Jels, so it keeps the group as its Jel.
  GObject* both = s.add(geotest::makeGeo(3, "Both", {{-5, 0, 0}, {5, 0, 0}}));
  EXPECT_EQ(GVMassocGeosToJel(-3, &s.list, -1, &s.world), 0);
  EXPECT_EQ(inA->jelId, 4);
  EXPECT_EQ(inA->jel, ja);
  EXPECT_EQ(inB->jelId, 6);
  EXPECT_EQ(inB->jel, jb);
  EXPECT_EQ(both->jelId, -3);
  for (GObject* g : {inA, inB, both}) EXPECT_TRUE(g->flags & GEO_FLAG_BOUND);
  EXPECT_EQ(GVGeoSelJelId(&s.list, 2), 6);

  // A selection that matches no Jel places nothing: refused, and unbound.
  EXPECT_EQ(GVMassocGeosToJel(-9, &s.list, 1, &s.world), -1);
  EXPECT_FALSE(inA->flags & GEO_FLAG_BOUND);
  EXPECT_EQ(inA->jelId, 0);
  EXPECT_EQ(GVMassocGeosToJel(4, &s.list, 0, &s.world), -1);
  EXPECT_EQ(GVMassocGeosToJel(0, &s.list, 1, &s.world), -1);

  // Unbinding clears the flag only; resolving restores the link.
  GVUnbindGeosOfJelSel(&s.list, 6);
  EXPECT_FALSE(inB->flags & GEO_FLAG_BOUND);
  EXPECT_EQ(inB->jel, jb);
  inB->jel = nullptr;
  GVRelinkGeosToJels(&s.list, &s.world);
  EXPECT_EQ(inB->jel, jb);

  // Releasing the group drops the group entries and the Jel's own.
  GVReleaseGeosFromJelSel(&s.list, &s.world, 6);
  EXPECT_EQ(inB->jelId, 0);
  EXPECT_EQ(inB->jel, nullptr);
  GVResetJelList(&s.world);
}

// A Geo list read from a scene file comes back linked to the world's Jels.
TEST(GeoJelLinks, ReadGeoListLinksTheGeosToTheirJels) {
  Scene s;
  const float at[3] = {0, 0, 0};
  HObject* j = s.jel(4, at);
  s.add(CubeAt(1, 0, 0.2f, 0));
  ASSERT_EQ(GVMassocGeosToJel(4, &s.list, 1, &s.world), 0);
  FILE* f = std::tmpfile();
  ASSERT_EQ(GVWriteGeoList(&s.list, f), 1);
  std::rewind(f);
  Scene back;
  ASSERT_EQ(GVReadGeoList(&back.list, f, &s.world), 1);
  std::fclose(f);
  ASSERT_NE(back.list.head, nullptr);
  EXPECT_EQ(back.list.head->jelId, 4);
  EXPECT_EQ(back.list.head->jel, j);
  GVResetJelList(&s.world);
}

TEST(GeoJelLinks, ReleasingAJelUngluesIt) {
  Scene s;
  const float a[3] = {0, 0, 0}, b[3] = {2, 0, 0};
  HObject* ja = s.jel(4, a);
  HObject* jb = s.jel(6, b);
  // Node 15 of A and node 13 of B both stand at (1, 0, 0).
  ASSERT_NEAR(ja->pos[15][0], 1.0f, 1e-6f);
  ASSERT_NEAR(jb->pos[13][0], 1.0f, 1e-6f);
  ASSERT_EQ(GVGlueNodePair(&s.world, 4, 6, 15, 13, kGlueMake, 0.1f), 1);
  ASSERT_EQ(ja->glueJel[15], 6);
  GObject* g = s.add(CubeAt(1, 0, 0, 0));
  ASSERT_EQ(GVMassocGeo(g, ja), 0);
  GVReleaseGeosFromJelSel(&s.list, &s.world, 4);
  EXPECT_EQ(ja->glueJel[15], 0);
  EXPECT_EQ(jb->glueJel[13], 0);
  EXPECT_FALSE(g->flags & GEO_FLAG_BOUND);
  GVResetJelList(&s.world);
}

TEST(GeoJelLinks, AfterFramePassMovesBoundGeosWithTheirJels) {
  Scene s;
  const float at[3] = {0, 3, 0};
  HObject* j = s.jel(2, at);
  GObject* g = s.add(CubeAt(1, 0.1f, 3.2f, 0));
  GObject* loose = s.add(CubeAt(5, 0, 3, 0));
  ASSERT_EQ(GVMassocGeo(g, j), 0);
  g->flags |= GEO_FLAG_VERTEX_BINDING;
  for (int frame = 1; frame <= 3; ++frame) {
    for (int32_t i = 1; i <= j->nodeCount; ++i) j->pos[i][0] += 0.25f;
    GVResetBoundGeos(&s.list);
    GVUpdateGeosAfterFrame(&s.list, &s.world, frame, 0);
    for (int32_t v = 1; v <= g->vertexCount; ++v) {
      ASSERT_NEAR(g->vertices[v][0], g->baseVertices[v][0] + 0.25f * frame, 1e-5f);
      ASSERT_NEAR(g->vertices[v][1], g->baseVertices[v][1], 1e-5f);
      ASSERT_EQ(loose->vertices[v][0], loose->baseVertices[v][0]);
    }
  }
  // A key-framed Geo follows only while its Jel exists.
  ASSERT_NE(g->keyTrack, nullptr);
  ASSERT_NE(GVKeyTrackFindOrInsert(g->keyTrack, 0), nullptr);
  j->playParams.startFrame = 10;
  for (int32_t i = 1; i <= j->nodeCount; ++i) j->pos[i][0] += 1.0f;
  GVUpdateGeosAfterFrame(&s.list, &s.world, 4, 0);
  EXPECT_NEAR(g->vertices[1][0], g->baseVertices[1][0] + 0.75f, 1e-5f);
  GVUpdateGeosAfterFrame(&s.list, &s.world, 10, 0);
  EXPECT_NEAR(g->vertices[1][0], g->baseVertices[1][0] + 1.75f, 1e-5f);
  EXPECT_EQ(GVJelHasKeyFramedGeo(&s.world, 2, &s.list), 1);
  EXPECT_EQ(GVJelHasKeyFramedGeo(&s.world, -1, &s.list), 1);
  EXPECT_EQ(GVJelHasKeyFramedGeo(&s.world, 0, &s.list), 0);
  g->flags |= GEO_FLAG_CELL_BINDING;
  EXPECT_EQ(GVJelHasKeyFramedGeo(&s.world, 2, &s.list), 0);
  GVResetJelList(&s.world);
}

TEST(GeoJelLinks, RemassocOnlyInNaturalStateEditing) {
  Scene s;
  const float at[3] = {0, 0, 0};
  HObject* j = s.jel(3, at);
  GObject* g = s.add(CubeAt(1, 0, 0, 0));
  ASSERT_EQ(GVMassocGeo(g, j), 0);
  g->flags |= GEO_FLAG_VERTEX_BINDING;
  g->vertBinds[1] = GeoVertBind{};
  s.world.params.stateMode = 0;
  EXPECT_EQ(GVRemassocJelGeos(&s.world, 3, &s.list), 1);
  EXPECT_EQ(g->vertBinds[1].jelId, 0);
  s.world.params.stateMode = -1;
  EXPECT_EQ(GVRemassocJelGeos(&s.world, -1, &s.list), 1);
  EXPECT_EQ(g->vertBinds[1].jelId, 3);
  // A Geo moved far off ends too far outside.
  const float off[3] = {9, 0, 0};
  GVSetGeoTransform(g, -1, off, nullptr, nullptr, 0.0f);
  EXPECT_EQ(GVRemassocJelGeos(&s.world, 3, &s.list), -1);
  EXPECT_TRUE(g->flags & GEO_FLAG_TOO_FAR_OUTSIDE);
  GVResetJelList(&s.world);
}

TEST(GeoJelLinks, StartTransformSyncNeedsAFrameRate) {
  Scene s;
  const float at[3] = {0, 0, 0};
  HObject* j = s.jel(3, at);
  GObject* g = s.add(CubeAt(1, 0, 0, 0));
  ASSERT_EQ(GVMassocGeo(g, j), 0);
  g->flags |= GEO_FLAG_VERTEX_BINDING;
  const float birth[3] = {1, 0, 0};
  GVSetGeoTransform(g, 0, birth, nullptr, nullptr, 0.0f);
  s.world.params.fps = 0;
  j->playParams.stateMode = 0;
  GVSyncAllJelGeoTransforms(&s.list, &s.world);
  EXPECT_NEAR(j->pos[1][0], -1.0f, 1e-6f);  // untouched
  s.world.params.fps = 30;
  GVSyncAllJelGeoTransforms(&s.list, &s.world);
  EXPECT_NEAR(j->pos[1][0], 0.0f, 1e-5f);  // frame 0 realigned to the birth slot and restored
  GVResetJelList(&s.world);
}

TEST(GeoJelLinks, CollisionOverSelectionsRecordsItsCommands) {
  struct Case {
    int32_t mode;
    bool type32, type64;
  };
  const Case cases[] = {{3, true, false}, {5, false, true}, {4, true, true}, {6, true, true}, {7, false, true}};
  for (const Case& c : cases) {
    Scene s;
    const float at[3] = {0, 0, 0};
    s.jel(3, at);
    s.add(CubeAt(1, 0, 3, 0));
    GVCollideGeosWithJels(&s.list, 1, &s.world, 3, 1, 0.5f, c.mode);
    EXPECT_EQ(GVFindDynCmdRecByKeys(&s.world, 32, 1, 3, 1, 0) >= 0, c.type32) << c.mode;
    EXPECT_EQ(GVFindDynCmdRecByKeys(&s.world, 64, 1, 3, 1, 0) >= 0, c.type64) << c.mode;
    GVResetJelList(&s.world);
  }
  Scene empty;
  EXPECT_EQ(GVCollideGeosWithJels(&empty.list, -1, &empty.world, -1, 1, 0.5f, 3), 0);
  EXPECT_EQ(empty.world.cmdCount, 0);
}

TEST(GeoJelLinks, PickWithoutGeosGivesNone) {
  GeoList list;
  GVInitGeoList(&list);
  int32_t id = 5, vertex = 0;
  GVPickGeoVertex(&list, nullptr, nullptr, 10, 10, &id, &vertex, nullptr);
  EXPECT_EQ(id, 0);
  EXPECT_EQ(vertex, 0);
  EXPECT_NEAR(GVAsinF(1.0f), 1.5707964f, 1e-6f);
}

// A pick lands on the vertex under the point; a vertex of a coincident group
// gives the group's first vertex. Vertex 5 sits on vertex 2.
TEST(GeoJelLinks, PickGivesTheVertexOrItsCoincidentGroupsFirst) {
  Scene s;
  GObject* g = s.add(geotest::makeGeo(1, "sq", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0}},
                                      {{1, 2, 3}, {5, 4, 3}}));
  GVRebuildGeo(g);
  ASSERT_EQ(g->coincidentLists[0].items[0], 1);
  const ViewportRec vp = geotest::pickView();
  const CameraRec cam = geotest::pickCamera(-10.0f);
  for (auto [at, want] : {std::pair{1, 1}, {2, 2}, {5, 2}, {4, 4}}) {
    int32_t x, y, id = 0, vertex = 0;
    geotest::pixelOf(cam, g->vertices[at], &x, &y);
    GVPickGeoVertex(&s.list, &cam, &vp, x, y, &id, &vertex, nullptr);
    EXPECT_EQ(id, 1);
    EXPECT_EQ(vertex, want) << "picked at vertex " << at;
  }
}

// The bound Geo rides a falling, bouncing Jel through the world runner.
TEST(GeoJelLinks, BoundGeoFollowsADroppedJel) {
  const WorldServices saved = GVWorldServices();
  WorldServices sv = saved;
  GVInstallRunnerServices(&sv);
  GVInstallConstraintServices(&sv);
  GVSetWorldServices(sv);
  {
    HWorld world;
    SceneDriver drv;
    AttachDriver(&world, &drv);
    const float corner[3] = {-1, 5, -1};
    HObject* j = MakeDropJel(2, 2, 2, 1.0f, corner, 1, -9.81f);
    GVAddJel(&world, j);
    GeoList list;
    GVInitGeoList(&list);
    // Corners on the Jel's corner nodes, and an inner cube.
    GObject* shell = geotest::makeGeo(1, "Shell", geotest::boxCorners({-1, 5, -1}, {1, 7, 1}), geotest::boxTriangles());
    GObject* inner = CubeAt(2, 0, 6, 0, 0.6f);
    GVAddGeo(&list, shell);
    GVAddGeo(&list, inner);
    GVAdvanceToFrame(&world, 0, SceneFrameCB, SceneAfterCB);
    GVUpdateJelDeform(j, 0);
    for (GObject* g : {shell, inner}) {
      ASSERT_EQ(GVMassocGeo(g, j), 0);
      g->flags |= GEO_FLAG_VERTEX_BINDING;
    }
    float lowestSeen = 9e30f;
    for (int32_t f = 1; f <= 120; ++f) {
      GVResetBoundGeos(&list);
      GVAdvanceToFrame(&world, f, SceneFrameCB, SceneAfterCB);
      GVUpdateGeosAfterFrame(&list, &world, f, 0);
      float geoLow = 9e30f, innerLow = 9e30f;
      for (int32_t v = 1; v <= shell->vertexCount; ++v) geoLow = std::min(geoLow, shell->vertices[v][1]);
      for (int32_t v = 1; v <= inner->vertexCount; ++v) innerLow = std::min(innerLow, inner->vertices[v][1]);
      const float jelLow = LowestY(j);
      ASSERT_NEAR(geoLow, jelLow, 0.05f) << "frame " << f;
      ASSERT_GT(innerLow, jelLow) << "frame " << f;
      ASSERT_LT(innerLow, jelLow + 1.0f) << "frame " << f;
      lowestSeen = std::min(lowestSeen, geoLow);
    }
    EXPECT_LT(lowestSeen, 0.05f);  // it reached the floor with the Jel
    while (GObject* g = list.head) {
      GVRemoveGeo(&list, g);
      delete g;
    }
    GVResetJelList(&world);
  }
  GVSetWorldServices(saved);
}
