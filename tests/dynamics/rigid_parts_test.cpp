#include "dynamics/rigid_parts.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "jel/vector_math.h"
#include "part_block.h"

namespace {

// Gives every node of the block the velocity of a rigid spin w about c plus v.
void spin(PartBlock& b, const float w[3], const float c[3], const float v[3]) {
  HAState* s = b.state();
  for (int i = 1; i <= s->nodeCount; ++i) {
    const float r[3] = {s->pos[i][0] - c[0], s->pos[i][1] - c[1], s->pos[i][2] - c[2]};
    s->vel[i][0] = v[0] + w[1] * r[2] - w[2] * r[1];
    s->vel[i][1] = v[1] + w[2] * r[0] - w[0] * r[2];
    s->vel[i][2] = v[2] + w[0] * r[1] - w[1] * r[0];
  }
}

std::vector<float> positions(const HAState* s) {
  const float* p = &s->pos[0][0];
  return std::vector<float>(p, p + 3 * (s->nodeCount + 1));
}
const Vec3f* asVec3(const std::vector<float>& v) { return reinterpret_cast<const Vec3f*>(v.data()); }

}  // namespace

TEST(RigidParts, InverseOfAPartFrameIsAlwaysFinite) {
  struct Case {
    const char* name;
    float K[9];
    bool regular;
  } cases[] = {
      {"diagonal", {2, 0, 0, 0, 3, 0, 0, 0, 4}, true},
      {"general", {4, 1, 0, 1, 3, 0.5f, 0, 0.5f, 2}, true},
      {"tiny", {2e-12f, 0, 0, 0, 3e-12f, 0, 0, 0, 4e-12f}, true},
      {"zero", {0, 0, 0, 0, 0, 0, 0, 0, 0}, false},
      {"line along z", {1, 0, 0, 0, 1, 0, 0, 0, 0}, false},
      {"rank one", {1, 1, 1, 1, 1, 1, 1, 1, 1}, false},
      {"not a number", {NAN, 0, 0, 0, 1, 0, 0, 0, 1}, false},
      {"infinite", {INFINITY, 0, 0, 0, 1, 0, 0, 0, 1}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    float inv[9];
    GVInvertPartFrame(c.K, inv);
    for (float x : inv) ASSERT_TRUE(std::isfinite(x));
    if (c.regular) {
      float prod[9];
      GVMat3Mul(prod, inv, c.K);
      for (int k = 0; k < 9; ++k) EXPECT_NEAR(prod[k], k % 4 == 0 ? 1.0f : 0.0f, 1e-4f);
    } else {
      // Whatever it cannot tell, it answers with (almost) nothing: never the
      // matrix itself standing in for its inverse.
      const float along[3] = {0, 0, 1};
      float w[3];
      GVMat3MulVec(w, inv, along);
      if (std::strcmp(c.name, "line along z") == 0) {
        EXPECT_NEAR(w[2], 0.0f, 1e-6f);
        const float across[3] = {1, 0, 0};
        GVMat3MulVec(w, inv, across);
        EXPECT_NEAR(w[0], 1.0f, 2e-3f);
      }
    }
  }
}

TEST(RigidParts, CapturedShapeIsCentredAndZeroesTheRotation) {
  PartBlock b(3, 2, 2);
  HAState* s = b.state();
  s->impulseTable[1][0] = 0.3f;
  GVCapturePartShape(s, 1);
  double sum[3] = {0, 0, 0};
  for (int i = 1; i <= s->nodeCount; ++i)
    for (int k = 0; k < 3; ++k) sum[k] += s->mass[i] * s->restOffset[i][k];
  for (double x : sum) EXPECT_NEAR(x, 0.0, 1e-5);
  EXPECT_EQ(s->impulseTable[1][0], 0.0f);

  // A current rigid pose (owner flag 0x10) is not captured again.
  *s->ownerFlags |= 0x10;
  s->impulseTable[1][0] = 0.3f;
  GVCapturePartShape(s, 1);
  EXPECT_EQ(s->impulseTable[1][0], 0.3f);
}

TEST(RigidParts, DriveKeepsEveryPairDistanceWhileSpinningAndFalling) {
  struct Case {
    const char* name;
    int nx, ny, nz;
    bool line;  // only the nodes of one lattice row
  } cases[] = {{"block", 3, 3, 2, false}, {"flat", 3, 3, 1, false}, {"row", 3, 2, 2, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const float origin[3] = {0.0f, 5.0f, 0.0f};
    PartBlock b(c.nx, c.ny, c.nz, 1.0f, origin);
    b.addPart(4, [&](int, int y, int z) { return !c.line || (y == 0 && z == 0); });
    HAState* s = b.state();
    const float w[3] = {0.4f, 1.5f, -0.7f}, centre[3] = {1.0f, 6.0f, 0.5f}, v[3] = {1.0f, 3.0f, 0.0f};
    spin(b, w, centre, v);
    GVCapturePartShape(s, 4);
    const std::vector<float> start = positions(s);
    const float g[3] = {0.0f, -9.8f, 0.0f};
    for (int frame = 0; frame < 300; ++frame) {
      b.beginStep(g);
      GVApplyPartRotationDrive(s, 4);
      b.commitStep();
      ASSERT_LT(MaxPairDistanceChange(s, 4, asVec3(start), s->pos), 1e-4f) << "frame " << frame;
    }
    for (int i = 1; i <= s->nodeCount; ++i)
      for (int k = 0; k < 3; ++k) ASSERT_TRUE(std::isfinite(s->pos[i][k]));
    if (!c.line) {
      // Still spinning: the rotation of the shape was not damped away.
      float speed = 0.0f;
      for (int i = 1; i <= s->nodeCount; ++i) speed = std::fmax(speed, std::fabs(s->vel[i][2]));
      EXPECT_GT(speed, 0.3f);
    }
    EXPECT_TRUE(s->collisionFlags & 0x10);
  }
}

TEST(RigidParts, DriveLeavesAPartAtRestInItsPoseAlone) {
  PartBlock b(2, 2, 2);
  HAState* s = b.state();
  GVCapturePartShape(s, 1);
  b.beginStep(nullptr);
  GVApplyPartRotationDrive(s, 1);
  for (int i = 1; i <= s->nodeCount; ++i)
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(s->disp[i][k], 0.0f, 1e-6f);
  for (float x : s->impulseTable[1]) EXPECT_EQ(x, 0.0f);
}

TEST(RigidParts, PartVectorsFollowAJelTurnedAsAWhole) {
  for (float degrees : {10.0f, 40.0f, 120.0f}) {
    SCOPED_TRACE(degrees);
    PartBlock b(3, 3, 2);
    HAState* s = b.state();
    b.addPart(5, [](int, int, int) { return true; });
    GVCapturePartShape(s, 5);
    // Turn the whole Jel about an oblique axis through a point off the part.
    float axis[3] = {1.0f, 2.0f, 3.0f};
    GVVecNormalise(axis, axis);
    const float angle = degrees * 3.14159265f / 180.0f;
    const float turn[3] = {axis[0] * angle, axis[1] * angle, axis[2] * angle};
    float R[9];
    GVRotationFromVector(turn, R);
    const float pivot[3] = {4.0f, -1.0f, 2.0f};
    for (int i = 1; i <= s->nodeCount; ++i) {
      float r[3];
      GVVecSub(r, s->pos[i], pivot);
      GVMat3MulVec(r, R, r);
      for (int k = 0; k < 3; ++k) s->pos[i][k] = r[k] + pivot[k];
    }
    float* rot = s->impulseTable[5];
    GVPartVecLoadOffsets(s, 5, rot);
    GVPartVecFitTurn(s, 5, rot);
    GVPartVecApplyTurn(s, 5, rot);
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(rot[k], turn[k], 1e-4f);
    // A part without a captured shape keeps its vector.
    s->impulseTable[6][0] = 0.25f;
    GVPartVecLoadOffsets(s, 6, s->impulseTable[6]);
    GVPartVecFitTurn(s, 6, s->impulseTable[6]);
    GVPartVecApplyTurn(s, 6, s->impulseTable[6]);
    EXPECT_EQ(s->impulseTable[6][0], 0.25f);
  }
}
