#include "dynamics/collision_response.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "collision_scene.h"
#include "runner_scene.h"
#include "dynamics/collision_tests.h"
#include "dynamics/constraint_cmds.h"
#include "dynamics/contact_list.h"
#include "dynamics/contact_nodes.h"
#include "dynamics/dyn_cmd.h"
#include "dynamics/world.h"
#include "dynamics/world_services.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"

namespace {

// Installs the collision services for the test and restores the table after.
struct CollisionWorld : ::testing::Test {
  void SetUp() override {
    saved_ = GVWorldServices();
    WorldServices s = saved_;
    GVInstallCollisionServices(&s);
    GVSetWorldServices(s);
  }
  void TearDown() override { GVSetWorldServices(saved_); }

  // Jel A (2 x 2 x 2 cells, top at y = 2) and Jel B above it at gap g, moving
  // down by fall within the sub-step.
  void MakePair(float gap, float fall, float dx = 0.25f) {
    const float ca[3] = {0, 0, 0}, cb[3] = {dx, 2.0f + gap, dx};
    a = NewBlockJel(2, 2, 2, 1.0f, 1, ca);
    b = NewBlockJel(2, 2, 2, 1.0f, 2, cb);
    GVAddJel(&world, a);
    GVAddJel(&world, b);
    for (int32_t i = 1; i <= b->state->nodeCount; ++i) b->state->disp[i][1] = -fall;
  }
  // Search B's nodes against A's faces into the world's lists, joined into L.
  void Search(int32_t mode = 1) {
    GVJelJelContactSearch(&world, &world.contacts[0], &world.contacts[1], a->state, b->state, 2, 2, 0.0f, 0.0f,
                          mode);
    GVContactListJoin(&joined, &world.contacts[0], &world.contacts[1]);
  }
  void Prepare() {
    GVRefreshContactList(&joined);
    for (ContactRec* r = joined.first; r; r = r->next)
      GVFaceMassFrame(r->faceSide, r->face, &r->faceMass, &r->invFaceMass, r->faceCentre, r->matrix);
  }
  void RunPasses(int32_t passes) {
    a->state->collisionFlags = b->state->collisionFlags = kCollJelJel;
    GVClearCollAccums(a->state);
    GVClearCollAccums(b->state);
    Prepare();
    for (int32_t k = 1; k <= passes; ++k) GVJelJelCollisionPass(&world, &joined, k, passes);
  }
  // Deepest point of B below A's top (y = 2) within A's footprint, in-step
  // plus the gathered corrections.
  float Penetration() const {
    float worst = 0.0f;
    const HAState* s = b->state;
    const float top = TopY(a->state);
    for (int32_t i = 1; i <= s->nodeCount; ++i) {
      const float x = s->pos[i][0], z = s->pos[i][2];
      if (x < 0.0f || x > 2.0f || z < 0.0f || z > 2.0f) continue;
      const float y = s->pos[i][1] + s->disp[i][1] + s->contactCorr[i][1];
      worst = std::fmax(worst, top - y);
    }
    return worst;
  }
  static float TopY(const HAState* s) {
    float top = -1e30f;
    for (int32_t i = 1; i <= s->nodeCount; ++i)
      top = std::fmax(top, s->pos[i][1] + s->disp[i][1] + s->contactCorr[i][1]);
    return top;
  }
  void TearDownLists() { GVFreeContacts(&joined); }

  WorldServices saved_;
  HWorld world;
  HObject* a = nullptr;
  HObject* b = nullptr;
  ContactList joined;
};

double MomentumY(const HAState* s) {
  double m = 0.0;
  for (int32_t i = 1; i <= s->nodeCount; ++i) m += s->mass[i] * s->contactCorr[i][1];
  return m;
}

void AngularMomentum(const HAState* s, double out[3]) {
  for (int32_t i = 1; i <= s->nodeCount; ++i) {
    const float* r = s->pos[i];
    const float* c = s->contactCorr[i];
    out[0] += s->mass[i] * (r[1] * c[2] - r[2] * c[1]);
    out[1] += s->mass[i] * (r[2] * c[0] - r[0] * c[2]);
    out[2] += s->mass[i] * (r[0] * c[1] - r[1] * c[0]);
  }
}

}  // namespace

TEST_F(CollisionWorld, FallingNodesAreFoundOnceEachAndRestingOrParallelOnesNot) {
  struct Case {
    float gap, fall, slide;
    int32_t nodeRecords;
  } cases[] = {
      {0.1f, 0.3f, 0.0f, 9},      // every bottom node of B would pass through
      {0.1f, 0.05f, 0.0f, 0},     // stops short
      {0.1f, 0.0f, 0.3f, 0},      // slides parallel
      {0.00005f, 0.00002f, 0.0f, 0},  // rests on the face
      {-0.1f, -0.3f, 0.0f, 0},    // starts behind and gets out
  };
  for (const Case& k : cases) {
    MakePair(k.gap, k.fall, 0.0f);
    for (int32_t i = 1; i <= b->state->nodeCount; ++i) b->state->disp[i][0] = k.slide;
    Search();
    int32_t nodes = 0;
    for (ContactRec* r = joined.first; r; r = r->next) {
      if (r->nodeB == 0) ++nodes;
      EXPECT_EQ(r->nodeSide, b->state);
      EXPECT_EQ(r->faceSide, a->state);
      EXPECT_GT(r->value, 0.0f);
    }
    EXPECT_EQ(nodes, k.nodeRecords) << k.gap << " " << k.fall << " " << k.slide;
    TearDownLists();
    GVResetJelList(&world);
  }
}

TEST_F(CollisionWorld, RestingNodeDropsItsOwnLastRecord) {
  MakePair(0.00005f, 0.00002f, 0.0f);
  // A stale record of the last bottom node of B, last in the node list.
  int32_t node = 0;
  for (int32_t i = 1; i <= b->state->nodeCount; ++i)
    if (b->state->pos[i][1] < 2.1f) node = i;
  const float z3[3] = {0, 0, 0};
  ContactVectors v;
  v.v1 = v.v2 = v.v3 = v.v4 = z3;
  GVContactAppendPair(&world.contacts[0], b->state, a->state, node, 0, 1, 0.1f, v, 1);
  Search();
  EXPECT_EQ(joined.count, 0);
  TearDownLists();
}

TEST_F(CollisionWorld, PassesConserveMomentumAndCloseThePenetration) {
  for (int32_t mode : {1, 2}) {
    MakePair(0.1f, 0.3f);
    Search(mode);
    ASSERT_GT(joined.count, 0);
    const float before = Penetration();
    EXPECT_NEAR(before, 0.2f, 1e-4f);
    RunPasses(5);
    const double total = MomentumY(a->state) + MomentumY(b->state);
    EXPECT_NEAR(total, 0.0, 1e-4);
    double L[3] = {0, 0, 0};
    AngularMomentum(a->state, L);
    AngularMomentum(b->state, L);
    for (double l : L) EXPECT_NEAR(l, 0.0, 1e-4);
    // B is pushed up, A down: both move apart, and the gap closes.
    EXPECT_GT(MomentumY(b->state), 0.0);
    EXPECT_LT(Penetration(), 0.5f * before) << mode;
    TearDownLists();
    GVResetJelList(&world);
  }
}

TEST_F(CollisionWorld, EqualMassesGiveAQuarterToTheNodeAndAnEighthTwoWay) {
  for (int32_t mode : {1, 2}) {
    MakePair(0.1f, 0.3f, 0.0f);
    // Give every node the same mass so that q = 1.
    for (HAState* s : {a->state, b->state})
      for (int32_t i = 1; i <= s->nodeCount; ++i) s->mass[i] = 1.0f;
    Search(mode);
    ContactRec* r = joined.first;
    ASSERT_NE(r, nullptr);
    Prepare();
    EXPECT_FLOAT_EQ(r->weight, 0.5f);
    a->state->collisionFlags = b->state->collisionFlags = kCollJelJel;
    GVClearCollAccums(a->state);
    GVClearCollAccums(b->state);
    GVJelJelCollisionPass(&world, &joined, 1, 5);
    // The first record's node has no other contact: its share is its own.
    const float expect = (mode == 2 ? 0.125f : 0.25f) * r->corr[1];
    EXPECT_NEAR(b->state->contactCorr[r->nodeA][1], expect, 1e-6f);
    TearDownLists();
    GVResetJelList(&world);
  }
}

TEST_F(CollisionWorld, ZeroFaceMassMovesOnlyTheNode) {
  MakePair(0.1f, 0.3f, 0.0f);
  for (int32_t i = 1; i <= a->state->nodeCount; ++i) a->state->mass[i] = 0.0f;
  Search();
  ASSERT_GT(joined.count, 0);
  RunPasses(5);
  for (int32_t i = 1; i <= a->state->nodeCount; ++i)
    for (int k = 0; k < 3; ++k) EXPECT_EQ(a->state->contactCorr[i][k], 0.0f);
  for (int32_t i = 1; i <= b->state->nodeCount; ++i)
    for (int k = 0; k < 3; ++k) EXPECT_TRUE(std::isfinite(b->state->contactCorr[i][k]));
  EXPECT_GT(MomentumY(b->state), 0.0);
  for (ContactRec* r = joined.first; r; r = r->next) EXPECT_EQ(r->weight, 1.0f);
  TearDownLists();
}

TEST_F(CollisionWorld, AnUnplaceableNodeDoesNotEndTheSearch) {
  MakePair(0.1f, 0.3f, 0.0f);
  // Node 1 of B is its first item: far outside A's grid, and not a number.
  b->state->pos[1][0] = 1e6f;
  Search();
  EXPECT_EQ(joined.nodeCount, 8);
  TearDownLists();
  b->state->pos[1][0] = std::nanf("");
  Search();
  EXPECT_EQ(joined.nodeCount, 8);
  TearDownLists();
}

TEST_F(CollisionWorld, ZeroTimeStepSearchesNothing) {
  MakePair(0.1f, 0.3f);
  b->playParams.subSteps = 0;
  Search();
  EXPECT_EQ(joined.count, 0);
  TearDownLists();
}

TEST_F(CollisionWorld, AJelAgainstItselfSkipsTheFacesNextToTheNode) {
  const float c[3] = {0, 0, 0};
  a = NewBlockJel(6, 1, 1, 1.0f, 1, c);
  GVAddJel(&world, a);
  HAState* s = a->state;
  // One top node pushed down through the faces it is a corner of: they are
  // its own surface, not an obstacle.
  int32_t pushed = 0;
  for (int32_t i = 1; i <= s->nodeCount; ++i)
    if (s->pos[i][0] == 3.0f && s->pos[i][1] == 1.0f && s->pos[i][2] == 0.0f) pushed = i;
  ASSERT_GT(pushed, 0);
  s->disp[pushed][1] = -0.3f;
  GVJelJelContactSearch(&world, &world.contacts[0], &world.contacts[1], s, s, 1, 1, 0.0f, 0.0f, 2);
  GVContactListJoin(&joined, &world.contacts[0], &world.contacts[1]);
  EXPECT_EQ(joined.count, 0);
  TearDownLists();
  s->disp[pushed][1] = 0.0f;

  // The far end folded over the middle: its nodes fall onto faces that are
  // not next to them, and collide.
  for (int32_t i = 1; i <= s->nodeCount; ++i) {
    if (s->pos[i][0] != 6.0f) continue;
    s->pos[i][0] = 2.5f;
    s->pos[i][1] += 1.1f;
    s->disp[i][1] = -0.3f;
  }
  s->contactStatus[0] = 0;
  GVJelJelContactSearch(&world, &world.contacts[0], &world.contacts[1], s, s, 1, 1, 0.0f, 0.0f, 2);
  GVContactListJoin(&joined, &world.contacts[0], &world.contacts[1]);
  EXPECT_GE(joined.nodeCount, 2);
  for (ContactRec* r = joined.first; r; r = r->next) {
    const int32_t* f = s->faces[r->face];
    EXPECT_FALSE(GVNodeNearFace(r->nodeA, s, f[0], f[1], f[2], f[3]));
    if (r->nodeB) {
      EXPECT_FALSE(GVNodeNearFace(r->nodeB, s, f[0], f[1], f[2], f[3]));
    }
  }
  TearDownLists();
}

TEST_F(CollisionWorld, EdgeWhoseNodesBothHaveNodeContactsIsNotSearched) {
  MakePair(0.1f, 0.3f, 0.0f);
  Search();
  for (ContactRec* r = joined.first; r; r = r->next) {
    if (!r->nodeB) continue;
    bool aHas = false, bHas = false;
    for (ContactRec* n = joined.first; n; n = n->next) {
      if (n->nodeB) continue;
      aHas |= n->nodeA == r->nodeA;
      bHas |= n->nodeA == r->nodeB;
    }
    EXPECT_FALSE(aHas && bHas);
  }
  TearDownLists();
}

TEST_F(CollisionWorld, AJelOutsideTheFaceGridFindsNothingAndKeepsTheListedNodesMarked) {
  MakePair(0.1f, 0.3f);
  const float cc[3] = {40.0f, 0.0f, 0.0f};
  HObject* c = NewBlockJel(2, 2, 2, 1.0f, 3, cc);
  GVAddJel(&world, c);
  GVJelJelContactSearch(&world, &world.contacts[0], &world.contacts[1], a->state, b->state, 2, 2, 0.0f, 0.0f, 1);
  const int32_t found = world.contacts[0].count + world.contacts[1].count;
  ASSERT_GT(world.contacts[0].count, 0);
  // C lies far outside A's grid: nothing is added, and B's listed nodes end
  // marked for the edge search exactly as a search that reached the edges.
  GVJelJelContactSearch(&world, &world.contacts[0], &world.contacts[1], a->state, c->state, 2, 2, 0.0f, 0.0f, 1);
  EXPECT_EQ(world.contacts[0].count + world.contacts[1].count, found);
  for (const ContactRec* r = world.contacts[0].first; r; r = r->next)
    EXPECT_NE(b->state->contactFlags[r->nodeA] & kGeoContactMark, 0u) << r->nodeA;
  for (int32_t i = 1; i <= c->state->nodeCount; ++i) EXPECT_EQ(c->state->contactFlags[i] & kGeoContactMark, 0u);
  GVFreeContacts(&world.contacts[0]);
  GVFreeContacts(&world.contacts[1]);
}

// Geo against Jel, with contacts written directly.

TEST_F(CollisionWorld, GeoContactsMoveOnlyTheJelByTheirDepth) {
  const float c[3] = {0, 0, 0};
  a = NewBlockJel(2, 2, 2, 1.0f, 1, c);
  GVAddJel(&world, a);
  HAState* s = a->state;
  s->collisionFlags = 0x20;
  // Node contacts of nodes 1 and 2 with a surface at y = 0.3 facing up; an
  // edge contact of (2, 3) with node 2 marked.
  const float up[3] = {0, 1, 0}, z3[3] = {0, 0, 0};
  ContactList nodes, edges, list;
  GVContactListReset(&nodes);
  GVContactListReset(&edges);
  GVContactListReset(&list);
  for (int32_t n : {1, 2}) {
    const float X[3] = {s->pos[n][0], 0.3f, s->pos[n][2]};
    ContactVectors v;
    v.v1 = up;
    v.v2 = z3;
    v.v3 = X;
    v.v4 = z3;
    GVContactAppend(&nodes, s, nullptr, 1, n, 0, 1, 0, 0.3f, v);
  }
  const float Xe[3] = {0.5f * (s->pos[2][0] + s->pos[3][0]), 0.3f, s->pos[2][2]};
  ContactVectors ve;
  ve.v1 = up;
  ve.v2 = z3;
  ve.v3 = Xe;
  ve.v4 = z3;
  GVContactAppend(&edges, s, nullptr, 2, 2, 3, 1, 0, 0.3f, ve);
  GVContactListJoin(&list, &nodes, &edges);
  s->contactFlags[2] |= kGeoContactMark;
  s->contactFlags[3] |= 1u;  // taken whole
  GVClearCollAccums(s);
  for (int32_t k = 1; k <= 3; ++k) GVGeoJelCollisionPass(&world, &list, k, 3);
  // Node 1 lifted exactly onto the surface; node 3 takes twice the edge's
  // remaining depth so that the edge midpoint reaches it too.
  EXPECT_NEAR(s->pos[1][1] + s->contactCorr[1][1], 0.3f, 1e-6f);
  EXPECT_NEAR(s->pos[2][1] + s->contactCorr[2][1], 0.3f, 1e-6f);
  const float mid = 0.5f * (s->pos[2][1] + s->contactCorr[2][1] + s->pos[3][1] + s->contactCorr[3][1]);
  EXPECT_GE(mid, 0.3f - 1e-6f);
  EXPECT_EQ(s->collisionFlags & kCollPassMark, 0);
  // A pass past the record's count does nothing.
  GVClearCollAccums(s);
  GVGeoJelCollisionPass(&world, &list, 4, 3);
  EXPECT_EQ(s->contactCorr[1][1], 0.0f);
  GVFreeContacts(&list);
}

// Whole scenes stepped the way the world runner steps them.

namespace {

void Bounds(const HAState* s, float lo[3], float hi[3]) {
  for (int a = 0; a < 3; ++a) lo[a] = 1e30f, hi[a] = -1e30f;
  for (int32_t i = 1; i <= s->nodeCount; ++i)
    for (int a = 0; a < 3; ++a) lo[a] = std::fmin(lo[a], s->pos[i][a]), hi[a] = std::fmax(hi[a], s->pos[i][a]);
}

// The scene's default walls.
const float kSceneWalls[6] = {-12.0f, 12.0f, 0.0f, 24.0f, -12.0f, 12.0f};

// A 2 x 2 x 2-cell Jel (cells of 0.5) and a smaller one (cells of 0.4) with
// their lowest corners given, both falling with friction, colliding with each
// other and the scene's walls.
struct StackPair {
  static constexpr float h = 0.5f, hu = 0.4f;
  StackPair(int32_t subSteps, const float lowerCorner[3], const float upperCorner[3], float upperDensity = 1.0f) {
    scene.subSteps = subSteps;
    lower = NewBlockJel(2, 2, 2, h, 1, lowerCorner);
    upper = NewBlockJel(2, 2, 2, hu, 2, upperCorner);
    MatterProps m;
    m.forceY = -9.8f;
    m.friction = 0.5f;
    m.elasticity = 2.0f;
    SetJelMatter(lower, m);
    m.density = upperDensity;
    SetJelMatter(upper, m);
    scene.add(lower);
    scene.add(upper);
    scene.work = [this]() {
      GVSetupJelCollision(&scene.world, 1, 2, 1, 1, 0.0f, 0.0f, 2);
      GVSelWalls(&scene.world, -1, 1, kSceneWalls);
    };
  }
  // Runs the frames; the deepest node of either Jel inside the other seen
  // after any frame, in cells of the Jel it sinks into.
  float run(int frames) {
    float worst = 0.0f;
    for (int f = 0; f < frames; ++f) {
      scene.frame();
      worst = std::fmax(worst, DeepestNodeInside(upper, lower) / h);
      worst = std::fmax(worst, DeepestNodeInside(lower, upper) / hu);
      touched |= scene.world.cmds && scene.world.cmds[0].jelContacts && scene.world.cmds[0].jelContacts->count > 0;
    }
    return worst;
  }
  SceneRunner scene;
  HObject* lower;
  HObject* upper;
  bool touched = false;
};

}  // namespace

TEST_F(CollisionWorld, TwoDroppedJelsComeToRestStackedWithoutSinkingIntoEachOther) {
  // A 2 x 2 x 2-cell Jel on the floor; a smaller one dropped on it slightly
  // off centre, both with friction.
  const float ca[3] = {-0.5f, 0.0f, -0.5f}, cb[3] = {-0.38f, 1.3f, -0.37f};
  StackPair pair(4, ca, cb);
  const float hu = StackPair::hu;
  EXPECT_LT(pair.run(150), 0.05f * hu / StackPair::h);
  EXPECT_TRUE(pair.touched);
  EXPECT_LT(pair.scene.kineticEnergy(), 1e-3);
  // Stacked: the upper Jel rests on the lower one, within its footprint.
  float loA[3], hiA[3], loB[3], hiB[3];
  Bounds(pair.lower->state, loA, hiA);
  Bounds(pair.upper->state, loB, hiB);
  EXPECT_GT(loB[1], hiA[1] - 0.05f * hu);
  EXPECT_LT(loB[1], hiA[1] + 0.05f * hu);
  for (int a : {0, 2}) {
    EXPECT_GT(0.5f * (loB[a] + hiB[a]), loA[a]);
    EXPECT_LT(0.5f * (loB[a] + hiB[a]), hiA[a]);
  }
}

// Stacking scenes at 1, 4 and 10 sub-steps per frame: a Jel dropped on one
// resting on the floor, both falling at once, and a dense Jel dropped from
// three units up, centred and off centre. The deepest node of either Jel
// inside the other, in cells of the Jel it sinks into, is printed for every
// scene; with 4 and 10 sub-steps it stays within 0.05. The centred scenes of
// equal density come to rest stacked.
TEST_F(CollisionWorld, StackedJelsNeverSinkIntoEachOther) {
  struct Scene {
    const char* name;
    float lowerY, upperY, upperX, density;
    bool settles;
  };
  const Scene scenes[] = {{"dropped on a resting Jel", 0.0f, 1.3f, 0.0f, 1.0f, true},
                          {"both falling", 1.0f, 2.6f, 0.0f, 1.0f, true},
                          {"dense from high, centred", 0.0f, 3.0f, 0.0f, 2.0f, false},
                          {"dense from high, off centre", 0.0f, 3.0f, 0.3f, 2.0f, false}};
  for (const Scene& sc : scenes)
    for (int32_t subSteps : {1, 4, 10}) {
      const float ca[3] = {-0.5f, sc.lowerY, -0.5f}, cb[3] = {-0.4f + sc.upperX, sc.upperY, -0.4f};
      StackPair pair(subSteps, ca, cb, sc.density);
      const float worst = pair.run(200);
      std::printf("[ stacking ] %-28s %2d sub-steps: deepest %.4f cells\n", sc.name, subSteps, worst);
      const std::string what = std::string(sc.name) + ", " + std::to_string(subSteps) + " sub-steps";
      if (subSteps > 1) {
        EXPECT_LT(worst, 0.05f) << what;
      }
      if (!sc.settles || subSteps == 1) continue;
      EXPECT_LT(pair.scene.kineticEnergy(), 1e-3) << what;
      float loA[3], hiA[3], loB[3], hiB[3];
      Bounds(pair.lower->state, loA, hiA);
      Bounds(pair.upper->state, loB, hiB);
      EXPECT_NEAR(loB[1], hiA[1], 0.05f * StackPair::hu) << what;
      for (int a : {0, 2}) EXPECT_NEAR(0.5f * (loB[a] + hiB[a]), 0.5f * (loA[a] + hiA[a]), 0.25f * StackPair::h) << what;
    }
}

TEST_F(CollisionWorld, AJelDroppedOnARampSlidesDownAndNeverTunnels) {
  const float angle = 0.45f, c = std::cos(angle), s = std::sin(angle);
  const float o[3] = {-2.0f, 0.0f, -1.5f}, u[3] = {0.0f, 0.0f, 3.0f}, v[3] = {6.0f * c, -6.0f * s, 0.0f};
  TriMesh ramp;
  ramp.addRect(o, u, v, 6, 12);
  ramp.finish();
  const float n[3] = {s, c, 0.0f};  // the ramp's upward normal

  const float h = 0.5f;
  const float corner[3] = {-1.6f, 0.2f, -0.5f};
  SceneRunner scene;
  scene.subSteps = 2;
  HObject* jel = NewBlockJel(2, 2, 2, h, 1, corner);
  MatterProps m;
  m.forceY = -9.8f;
  SetJelMatter(jel, m);
  scene.add(jel);
  scene.work = [&]() {
    GVCollideJelGeoTris(&scene.world.contacts[3], &scene.world.contacts[4], 2, &ramp.mesh, 1.0f, 1, jel->state);
    DynCmdArgs args;
    args.key1 = 1;
    args.type = kDynCmdGeoJel;
    args.passes = 3;
    GVAddDynCmdRec(&scene.world, args);
  };
  HAState* st = jel->state;
  auto meanX = [&]() {
    float x = 0.0f;
    for (int32_t i = 1; i <= st->nodeCount; ++i) x += st->pos[i][0];
    return x / static_cast<float>(st->nodeCount);
  };
  const float x0 = meanX();
  float lowest = 1e30f;
  bool touched = false;
  for (int f = 0; f < 38; ++f) {
    scene.frame();
    for (int32_t i = 1; i <= st->nodeCount; ++i) {
      // Past the ramp's lower end the Jel falls off, as it should.
      const float along = (c * (st->pos[i][0] - o[0]) - s * (st->pos[i][1] - o[1])) / 6.0f;
      if (along < 0.0f || along > 1.0f) continue;
      const float d = n[0] * (st->pos[i][0] - o[0]) + n[1] * (st->pos[i][1] - o[1]);
      lowest = std::fmin(lowest, d);
      touched |= d < 0.05f * h;
    }
  }
  EXPECT_TRUE(touched);
  EXPECT_GT(lowest, -0.05f * h);
  // Frictionless: it has slid well down the slope.
  EXPECT_GT(meanX() - x0, 0.5f);
}

TEST_F(CollisionWorld, AWheelFaceSideKeepsOneBestContactPerHalf) {
  // 3 x 3 x 4 nodes: 36. A node of B falls onto the top edge shared by a face
  // of each half (first corner in the nodes above 18 or not).
  for (bool wheel : {false, true}) {
    const float ca[3] = {0, 0, 0};
    a = NewBlockJel(2, 2, 3, 1.0f, 1, ca);
    ASSERT_EQ(a->state->nodeCount, 36);
    if (wheel) a->flags |= 0x20u;
    const float cb[3] = {0.5f, 2.1f, 2.0f};
    b = NewBlockJel(1, 1, 1, 1.0f, 2, cb);
    GVAddJel(&world, a);
    GVAddJel(&world, b);
    for (int32_t i = 1; i <= b->state->nodeCount; ++i) b->state->disp[i][1] = -0.3f;
    Search();
    // B's bottom node at (0.5, 2.1, 2.0) lies on the edge z = 2.
    int32_t onEdge = 0;
    for (int32_t i = 1; i <= b->state->nodeCount; ++i)
      if (b->state->pos[i][0] == 0.5f && b->state->pos[i][1] == 2.1f && b->state->pos[i][2] == 2.0f) onEdge = i;
    ASSERT_GT(onEdge, 0);
    int32_t records = 0;
    for (ContactRec* r = joined.first; r; r = r->next)
      if (r->nodeB == 0 && r->nodeA == onEdge) ++records;
    EXPECT_EQ(records, wheel ? 2 : 1);
    TearDownLists();
    GVResetJelList(&world);
  }
}

// A 9 x 9 x 9-cell Jel (1,000 nodes: its passes run in two node chunks) with a
// small one dropped on it (they meet within 20 frames), stepped 120 frames
// with 1, 2, 3 and 8 threads,
// with and without the collision of the two: every thread count gives the
// same state, bit for bit.
TEST_F(CollisionWorld, EveryThreadCountGivesTheSameState) {
  for (bool collide : {false, true}) {
    uint64_t first = 0;
    for (int32_t threads : {1, 2, 3, 8}) {
      SceneRunner scene;
      scene.subSteps = 2;
      GVSetWorldThreads(&scene.world, threads);
      const float ca[3] = {-1.1f, 0.0f, -1.1f}, cb[3] = {-0.3f, 2.6f, -0.4f};
      HObject* lower = NewBlockJel(9, 9, 9, 0.25f, 1, ca);
      HObject* upper = NewBlockJel(2, 2, 2, 0.4f, 2, cb);
      MatterProps m;
      m.forceY = -9.8f;
      m.friction = 0.5f;
      SetJelMatter(lower, m);
      SetJelMatter(upper, m);
      scene.add(lower);
      scene.add(upper);
      scene.work = [&scene, collide]() {
        if (collide) GVSetupJelCollision(&scene.world, 1, 2, 1, 1, 0.0f, 0.0f, 2);
        GVSelWalls(&scene.world, -1, 1, kSceneWalls);
      };
      bool touched = false;
      for (int f = 0; f < 120; ++f) {
        scene.frame();
        touched |= scene.world.cmds && scene.world.cmds[0].jelContacts && scene.world.cmds[0].jelContacts->count > 0;
      }
      EXPECT_EQ(touched, collide);
      const uint64_t hash = WorldStateHash(&scene.world);
      if (threads == 1) first = hash;
      EXPECT_EQ(hash, first) << threads << " threads, collision " << collide;
    }
  }
}
