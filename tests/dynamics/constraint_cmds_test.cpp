#include "dynamics/constraint_cmds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "dynamics/dyn_cmd.h"
#include "dynamics/group_ops.h"
#include "dynamics/world.h"
#include "dynamics/world_services.h"
#include "jel/time_step.h"
#include "jel/vector_math.h"
#include "part_block.h"

namespace {

const float kGravity[3] = {0.0f, -9.8f, 0.0f};
const float kBounds[6] = {-12.0f, 12.0f, 0.0f, 24.0f, -12.0f, 12.0f};

// A world holding the Jels of some blocks, with the constraint services
// installed for the record application.
struct CmdWorld {
  CmdWorld() : saved(GVWorldServices()) {
    WorldServices sv;
    GVInstallConstraintServices(&sv);
    GVSetWorldServices(sv);
    world.params.stepping = 1;
  }
  ~CmdWorld() { GVSetWorldServices(saved); }
  const WorldServices saved;
  // Takes the block's Jel into the world.
  HAState* add(PartBlock& b) {
    HObject* j = b.release();
    GVAddJel(&world, j);
    return j->state;
  }
  // One sub-step of every block around the given commands.
  template <class F>
  void subStep(std::vector<PartBlock*> blocks, const float* g, F commands) {
    GVPrepareDynCmdSubsteps(&world);
    for (PartBlock* b : blocks) b->beginStep(g);
    world.params.stepping = 1;
    commands();
    GVApplyDynCmdRecs(&world);
    for (PartBlock* b : blocks) b->commitStep();
    world.params.stepping = 0;
  }
  HWorld world;
};

std::vector<float> positions(const HAState* s) {
  const float* p = &s->pos[0][0];
  return std::vector<float>(p, p + 3 * (s->nodeCount + 1));
}
const Vec3f* asVec3(const std::vector<float>& v) { return reinterpret_cast<const Vec3f*>(v.data()); }

void spin(HAState* s, const float w[3], const float c[3], const float v[3]) {
  for (int i = 1; i <= s->nodeCount; ++i) {
    const float r[3] = {s->pos[i][0] - c[0], s->pos[i][1] - c[1], s->pos[i][2] - c[2]};
    float t[3];
    t[0] = w[1] * r[2] - w[2] * r[1];
    t[1] = w[2] * r[0] - w[0] * r[2];
    t[2] = w[0] * r[1] - w[1] * r[0];
    for (int k = 0; k < 3; ++k) s->vel[i][k] = v[k] + t[k];
  }
}

}  // namespace

TEST(ConstraintCmds, RigidifyKeepsEveryPairDistanceOverThreeHundredFrames) {
  CmdWorld cw;
  const float origin[3] = {-1.0f, 8.0f, -1.0f};
  PartBlock b(4, 3, 3, 0.75f, origin);
  b.addPart(4, [](int x, int, int) { return x >= 1; });
  HAState* s = cw.add(b);
  const float w[3] = {0.8f, 2.5f, -1.2f}, c[3] = {0.0f, 9.0f, 0.0f}, v[3] = {0.5f, 4.0f, -0.3f};
  spin(s, w, c, v);
  GVSelRigidBegin(&cw.world, 1, 4);
  const std::vector<float> start = positions(s);
  for (int frame = 0; frame < 300; ++frame) {
    cw.subStep({&b}, kGravity, [&] { GVSelRigidStep(&cw.world, 1, 4, 3); });
    ASSERT_LT(MaxPairDistanceChange(s, 4, asVec3(start), s->pos), 1e-4f) << "frame " << frame;
  }
  // The rigid part kept turning: its rotation vector is not zero.
  EXPECT_GT(GVVecLength(s->impulseTable[4]), 0.1f);
  // One type-16 record with the selection, the part and the pass count.
  ASSERT_EQ(cw.world.cmdCount, 1);
  EXPECT_EQ(cw.world.cmds[0].type, static_cast<uint32_t>(kDynCmdRigid));
  EXPECT_EQ(cw.world.cmds[0].key1, 1);
  EXPECT_EQ(cw.world.cmds[0].key3, 4);
  EXPECT_EQ(cw.world.cmds[0].requestedPasses, 3);
  EXPECT_TRUE(s->collisionFlags & kCollRigidActive);
}

TEST(ConstraintCmds, RigidPartDroppedOnTheFloorStaysRigidAndInside) {
  CmdWorld cw;
  const float origin[3] = {-1.0f, 2.0f, -1.0f};
  PartBlock b(3, 3, 3, 1.0f, origin);
  b.addPart(4, [](int, int, int) { return true; });
  HAState* s = cw.add(b);
  const float w[3] = {0.0f, 0.0f, 1.5f}, c[3] = {0.0f, 3.0f, 0.0f}, v[3] = {2.0f, 0.0f, 0.0f};
  spin(s, w, c, v);
  GVSelRigidBegin(&cw.world, 1, 4);
  const std::vector<float> start = positions(s);
  float worst = 0.0f;
  for (int frame = 0; frame < 120; ++frame) {
    cw.subStep({&b}, kGravity, [&] {
      GVSelRigidStep(&cw.world, 1, 4, 4);
      GVSelWalls(&cw.world, -1, 1, kBounds);
    });
    for (int i = 1; i <= s->nodeCount; ++i) ASSERT_GE(s->pos[i][1], -1e-5f) << "frame " << frame;
    worst = std::fmax(worst, MaxPairDistanceChange(s, 4, asVec3(start), s->pos));
  }
  // The walls have the last word on single nodes; the record's passes pull
  // the part back to its shape, so the strain never exceeds one sub-step's
  // travel at the impact and, once resting, one sub-step's fall.
  const float h = 1.0f / 30.0f;
  EXPECT_LT(worst, 8.0f * h);
  EXPECT_LT(MaxPairDistanceChange(s, 4, asVec3(start), s->pos), 9.8f * h * h);
}

TEST(ConstraintCmds, RotationalApplyOfAPartInItsShapeSharesTheMeanCorrection) {
  CmdWorld cw;
  PartBlock b(3, 2, 2);
  b.addPart(4, [](int, int, int) { return true; });
  HAState* s = cw.add(b);
  GVSelRigidBegin(&cw.world, 1, 4);
  b.beginStep(nullptr);
  float invMass = 0.0f, u[3], work[3] = {1, 1, 1}, Kinv[9];
  GVSelRigidApply(&cw.world, 1, 4, &invMass, u, work, Kinv);
  EXPECT_GT(invMass, 0.0f);
  EXPECT_EQ(work[0], 0.0f);
  const float C[3] = {0.01f, -0.02f, 0.03f};
  for (int i = 1; i <= s->nodeCount; ++i) std::memcpy(s->contactCorr[i], C, sizeof C);
  GVSelRigidApplyRot(&cw.world, 1, 4, invMass, u, Kinv, 1);
  for (int i = 1; i <= s->nodeCount; ++i)
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(s->contactCorr[i][k], C[k], 1e-6f);
  for (float x : s->impulseTable[4]) EXPECT_EQ(x, 0.0f);
}

TEST(ConstraintCmds, PartFrameOfPartZeroOrSelectionZeroIsIdentity) {
  CmdWorld cw;
  PartBlock b(2, 2, 2);
  cw.add(b);
  for (int sel : {0, 1}) {
    const int part = sel == 0 ? 1 : 0;
    float v[3] = {5, 5, 5}, m[9] = {};
    GVGetJelPartFrame(&cw.world, sel, part, v, m);
    for (float x : v) EXPECT_EQ(x, 0.0f);
    for (int k = 0; k < 9; ++k) EXPECT_EQ(m[k], k % 4 == 0 ? 1.0f : 0.0f);
  }
  GVGetJelPartFrame(&cw.world, 1, 1, nullptr, nullptr);  // no outputs: nothing
}

TEST(ConstraintCmds, FixedPartStaysInPlaceThroughTheCommandRecords) {
  CmdWorld cw;
  const float origin[3] = {0.0f, 6.0f, 0.0f};
  PartBlock b(3, 3, 2, 1.0f, origin);
  b.addPart(3, [](int, int y, int) { return y == 2; });
  HAState* s = cw.add(b);
  const std::vector<float> start = positions(s);
  GVSelFixBegin(&cw.world, 1, 3, nullptr, nullptr);
  for (int frame = 0; frame < 40; ++frame) {
    cw.subStep({&b}, kGravity, [&] { GVSelFixStep(&cw.world, 1, 3, nullptr, nullptr); });
    for (int i = 1; i <= s->nodeCount; ++i) {
      if (!s->inPart(i, 3)) continue;
      for (int k = 0; k < 3; ++k) ASSERT_EQ(s->pos[i][k], start[3 * i + k]);
    }
  }
  EXPECT_LT(s->pos[b.at(0, 0, 0)][1], 5.0f);  // the rest fell
  ASSERT_EQ(cw.world.cmdCount, 1);
  EXPECT_EQ(cw.world.cmds[0].type, static_cast<uint32_t>(kDynCmdFix));
  EXPECT_EQ(cw.world.cmds[0].mode, 0u);
  EXPECT_TRUE(s->collisionFlags & kCollFixActive);

  // The record's correction also holds the part against a later push.
  b.beginStep(kGravity);
  for (int i = 1; i <= s->nodeCount; ++i) s->disp[i][0] += 0.5f;
  GVSelFixApply(&cw.world, 1, 3, nullptr);
  for (int i = 1; i <= s->nodeCount; ++i) {
    if (!s->inPart(i, 3)) continue;
    for (int k = 0; k < 3; ++k)
      EXPECT_NEAR(s->pos[i][k] + s->disp[i][k] + s->contactCorr[i][k], start[3 * i + k], 1e-5f);
  }
}

TEST(ConstraintCmds, FixRecordCarriesItsOffsetAndMatrix) {
  CmdWorld cw;
  PartBlock b(2, 2, 2);
  HAState* s = cw.add(b);
  const float o[3] = {0.0f, 1.0f, 0.0f};
  const float m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  GVSelFixBegin(&cw.world, 1, 1, nullptr, nullptr);
  b.beginStep(nullptr);
  GVSelFixStep(&cw.world, 1, 1, o, m);
  ASSERT_EQ(cw.world.cmdCount, 1);
  const DynCmdRec& r = cw.world.cmds[0];
  EXPECT_EQ(r.mode, static_cast<uint32_t>(kDynCmdFixOffset | kDynCmdFixMatrix));
  EXPECT_EQ(r.vec[1], 1.0f);
  EXPECT_EQ(r.requestedPasses, kConstraintPasses);
  for (int i = 1; i <= s->nodeCount; ++i) EXPECT_NEAR(s->disp[i][1], 1.0f, 1e-6f);
  // Applying the stored record corrects towards the shifted target.
  for (int i = 1; i <= s->nodeCount; ++i) s->disp[i][1] = 0.0f;
  GVSelFixApply(&cw.world, 1, 1, &r);
  for (int i = 1; i <= s->nodeCount; ++i) EXPECT_NEAR(s->contactCorr[i][1], 1.0f, 1e-6f);
}

TEST(ConstraintCmds, FixPositionMovesThePartAsAWhole) {
  CmdWorld cw;
  PartBlock b(3, 2, 2);
  b.addPart(2, [](int, int, int) { return true; });
  HAState* s = cw.add(b);
  GVSelFixPosBegin(&cw.world, 1, 2, nullptr, nullptr);
  b.beginStep(nullptr);
  // Shear the part and carry it away: the step restores the centre only.
  for (int i = 1; i <= s->nodeCount; ++i) {
    s->disp[i][0] = 3.0f + 0.1f * s->pos[i][1];
    s->disp[i][2] = -1.0f;
  }
  std::vector<float> before(3 * (s->nodeCount + 1));
  for (int i = 1; i <= s->nodeCount; ++i)
    for (int k = 0; k < 3; ++k) before[3 * i + k] = s->pos[i][k] + s->disp[i][k];
  const float shift[3] = {0.0f, 2.0f, 0.0f};
  GVSelFixPosStep(&cw.world, 1, 2, shift, nullptr);
  double m = 0.0, c[3] = {0, 0, 0}, c0[3] = {0, 0, 0};
  for (int i = 1; i <= s->nodeCount; ++i) {
    m += s->mass[i];
    for (int k = 0; k < 3; ++k) {
      c[k] += s->mass[i] * (s->pos[i][k] + s->disp[i][k]);
      c0[k] += s->mass[i] * s->pos[i][k];
    }
  }
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(c[k] / m, c0[k] / m + shift[k], 1e-5);
  // Every node moved by the same vector: the shear stays.
  const int a = 1, z = s->nodeCount;
  for (int k = 0; k < 3; ++k)
    EXPECT_NEAR((s->pos[z][k] + s->disp[z][k]) - (s->pos[a][k] + s->disp[a][k]),
                before[3 * z + k] - before[3 * a + k], 1e-5f);
}

TEST(ConstraintCmds, OrientationFixTurnsThePartBack) {
  CmdWorld cw;
  PartBlock b(3, 3, 1);
  b.addPart(2, [](int, int, int) { return true; });
  HAState* s = cw.add(b);
  GVSelFixOriBegin(&cw.world, 1, 2, nullptr);
  const float w[3] = {0.0f, 0.0f, 0.05f}, c[3] = {1.0f, 1.0f, 0.0f}, v[3] = {0, 0, 0};
  spin(s, w, c, v);
  // Each sub-step the fix takes out the turn the spin would add.
  for (int frame = 0; frame < 20; ++frame) {
    cw.subStep({&b}, nullptr, [&] { GVSelFixOriStep(&cw.world, 1, 2, nullptr); });
  }
  const int corner = b.at(2, 2, 0);
  EXPECT_NEAR(s->pos[corner][0], 2.0f, 1e-3f);
  EXPECT_NEAR(s->pos[corner][1], 2.0f, 1e-3f);
}

TEST(ConstraintCmds, WallsActOnlyInsideASubStepOnLiveJels) {
  CmdWorld cw;
  const float below[3] = {0.0f, -0.5f, 0.0f};
  PartBlock a(2, 2, 2, 1.0f, below, 1), r(2, 2, 2, 1.0f, below, 2);
  HAState* sa = cw.add(a);
  HAState* sr = cw.add(r);
  sr->params->mode = 4;
  a.beginStep(nullptr);
  r.beginStep(nullptr);

  EXPECT_EQ(GVSelWalls(&cw.world, 0, 1, kBounds), 0);
  EXPECT_EQ(cw.world.cmdCount, 0);
  cw.world.params.stepping = 0;
  EXPECT_EQ(GVSelWalls(&cw.world, -1, 1, kBounds), 0);
  EXPECT_EQ(GVSelWallsApply(&cw.world, -1, 1, kWallsAll, kBounds), 0);
  EXPECT_EQ(cw.world.cmdCount, 0);

  cw.world.params.stepping = 1;
  EXPECT_EQ(GVSelWalls(&cw.world, -1, 1, kBounds), static_cast<int32_t>(kWallMinY));
  EXPECT_EQ(sa->pos[1][1] + sa->disp[1][1], 0.0f);
  EXPECT_EQ(sr->disp[1][1], 0.0f);  // replay: untouched
  EXPECT_TRUE(sa->collisionFlags & kCollWallsActive);
  EXPECT_FALSE(sr->collisionFlags & kCollWallsActive);
  ASSERT_EQ(cw.world.cmdCount, 1);
  const DynCmdRec& rec = cw.world.cmds[0];
  EXPECT_EQ(rec.type, static_cast<uint32_t>(kDynCmdWalls));
  EXPECT_EQ(rec.key1, -1);
  EXPECT_EQ(rec.mode, 0xFFFFFFFFu);
  for (int k = 0; k < 6; ++k) EXPECT_EQ(rec.limits[k], kBounds[k]);

  // A store state other than 0 or 1 takes no record.
  cw.world.cmdResolved = 2;
  GVSelWalls(&cw.world, 1, 1, kBounds);
  EXPECT_EQ(cw.world.cmdCount, 1);
}

TEST(ConstraintCmds, PlaneOverTheSelection) {
  CmdWorld cw;
  PartBlock a(2, 2, 1, 1.0f, nullptr, 1), c(2, 2, 1, 1.0f, nullptr, 2);
  cw.add(a);
  cw.add(c);
  a.beginStep(nullptr);
  c.beginStep(nullptr);
  const float q[3] = {0.5f, 0.0f, 0.0f}, n[3] = {1.0f, 0.0f, 0.0f};
  EXPECT_EQ(GVSelPlane(&cw.world, 0, 1, q, n), 0);
  EXPECT_EQ(GVSelPlane(&cw.world, 2, 1, q, n), 1);
  EXPECT_EQ(a.state()->disp[1][0], 0.0f);
  EXPECT_EQ(c.state()->disp[1][0], 0.5f);
}

TEST(ConstraintCmds, DragCommandMovesItsJelAndIsRecorded) {
  CmdWorld cw;
  PartBlock b(2, 2, 1, 1.0f, nullptr, 3);
  HAState* s = cw.add(b);
  b.beginStep(nullptr);
  DragCmd drag;
  drag.active = 1;
  drag.jelId = 3;
  drag.node = 4;
  drag.part = 1;
  const float target[3] = {1.0f, 3.0f, 0.0f};
  std::memcpy(drag.target, target, sizeof target);
  GVApplyDynCmdToJel(&cw.world, &drag);
  EXPECT_NEAR(s->pos[4][1] + s->disp[4][1], 3.0f, 1e-6f);
  ASSERT_EQ(cw.world.cmdCount, 1);
  EXPECT_EQ(cw.world.cmds[0].type, static_cast<uint32_t>(kDynCmdPlane));
  EXPECT_EQ(cw.world.cmds[0].key1, 3);
}

TEST(ConstraintCmds, RotatedStateFramesRefitTheRigidParts) {
  CmdWorld cw;
  PartBlock b(3, 3, 2);
  b.addPart(4, [](int, int, int) { return true; });
  HAState* s = cw.add(b);
  GVSelRigidBegin(&cw.world, 1, 4);
  const float turn[3] = {0.0f, 0.6f, 0.0f};
  float R[9];
  GVRotationFromVector(turn, R);
  for (int i = 1; i <= s->nodeCount; ++i) GVMat3MulVec(s->pos[i], R, s->pos[i]);
  // Only while the owner says its rigid pose is current.
  GVSelRotateStateFrames(&cw.world, 1);
  EXPECT_EQ(s->impulseTable[4][1], 0.0f);
  *s->ownerFlags |= kJelRigidPoseCurrent;
  GVSelRotateStateFrames(&cw.world, 1);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(s->impulseTable[4][k], turn[k], 1e-4f);
}

// The walls' re-application as a service of another address: the records
// then run their passes across the Jels, not each Jel's passes by itself.
int32_t WallsApplyElsewhere(HWorld* w, int32_t selection, int32_t part, uint32_t axes, const float* box) {
  return GVSelWallsApply(w, selection, part, axes, box);
}

// Each throw ends the same bit for bit whether each Jel runs the walls'
// passes by itself or the passes run across the Jels.
TEST(ConstraintCmds, ElasticJelThrownAtEachWallStaysInTheSceneBox) {
  std::vector<float> first;
  for (int run = 0; run < 12; ++run) {
    const int wall = run / 2;
    SCOPED_TRACE(run);
    CmdWorld cw;
    if (run % 2) {
      WorldServices sv = GVWorldServices();
      sv.selWallsApply = WallsApplyElsewhere;
      GVSetWorldServices(sv);
    }
    const float origin[3] = {-1.0f, 10.0f, -1.0f};
    PartBlock b(4, 3, 3, 0.5f, origin);
    HAState* s = cw.add(b);
    float v[3] = {1.0f, 0.0f, -0.5f};
    v[wall / 2] += (wall % 2 ? 1.0f : -1.0f) * 25.0f;
    b.setVelocity(v);
    for (int i = 1; i <= s->nodeCount; ++i) s->matter[i].forceY = -9.8f;
    s->deriveMatterCoefficients();
    s->updateNodeCoeffs(kFrameCommitted);
    const int substeps = GVCalcSubstepsNeeded(s);
    s->params->subSteps = substeps;
    const float target = kBounds[wall];
    bool touched = false;
    for (int frame = 0; frame < 60; ++frame) {
      for (int k = 1; k <= substeps; ++k) {
        s->params->subStepIndex = k;
        GVPrepareDynCmdSubsteps(&cw.world);
        s->computeForces();
        cw.world.params.stepping = 1;
        GVSelWalls(&cw.world, -1, 1, kBounds);
        GVApplyDynCmdRecs(&cw.world);
        s->integrate();
        cw.world.params.stepping = 0;
      }
      for (int i = 1; i <= s->nodeCount; ++i)
        for (int a = 0; a < 3; ++a) {
          ASSERT_TRUE(std::isfinite(s->pos[i][a]));
          ASSERT_GE(s->pos[i][a], kBounds[2 * a] - 1e-5f) << "frame " << frame;
          ASSERT_LE(s->pos[i][a], kBounds[2 * a + 1] + 1e-5f) << "frame " << frame;
          if (a == wall / 2 && std::fabs(s->pos[i][a] - target) < 1e-4f) touched = true;
        }
    }
    EXPECT_TRUE(touched);
    if (run % 2 == 0)
      first = positions(s);
    else
      EXPECT_EQ(positions(s), first);
  }
}
