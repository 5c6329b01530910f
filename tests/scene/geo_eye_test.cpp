#include "scene/geo_eye.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "geo/geo_binding.h"
#include "geo/geo_fixtures.h"
#include "geo/geo_transform.h"
#include "jel/deformation_map.h"
#include "jel/jel_from_builder.h"
#include "jel/jel_object.h"
#include "jel/lattice_builder.h"
#include "jel/vector_math.h"

namespace {

std::unique_ptr<GObject> EyeAt(const float at[3]) {
  std::unique_ptr<GObject> geo(geotest::makeGeo(
      1, "Eye", geotest::boxCorners({-0.2f, -0.2f, -0.2f}, {0.2f, 0.2f, 0.2f}), geotest::boxTriangles()));
  GVSetGeoTransform(geo.get(), GEO_SEL_FRAME, at, nullptr, nullptr, 0.0f);
  return geo;
}

void Rotation(const GObject* geo, float r[9]) {
  GVGetGeoTransform(geo, GEO_SEL_BIRTH, nullptr, r, nullptr, nullptr);
}

}  // namespace

TEST(GeoEye, ForwardAxisTurnsOntoTheTarget) {
  const float at[3] = {1.0f, 2.0f, -3.0f};
  auto geo = EyeAt(at);
  float r[9];
  // Straight ahead: the identity.
  const float ahead[3] = {1.0f, 2.0f, 5.0f};
  GVGeoTurnToPoint(ahead, geo.get());
  Rotation(geo.get(), r);
  for (int i = 0; i < 9; ++i) EXPECT_NEAR(r[i], i % 4 == 0 ? 1.0f : 0.0f, 1e-6f);

  // Behind (yaw pi), above (pitch -pi/2), below and a few oblique targets: the
  // turned forward axis points at the target and the rotation stays proper.
  const float targets[][3] = {{1, 2, -9}, {1, 7, -3}, {1, -4, -3}, {4, 6, 1}, {-5, 0, -8}, {-2, 2, -3}};
  for (const auto& t : targets) {
    GVGeoTurnToPoint(t, geo.get());
    Rotation(geo.get(), r);
    float d[3], z[3];
    const float forward[3] = {0, 0, 1};
    GVVecSub(d, t, at);
    GVVecScale(d, d, 1.0f / GVVecLength(d));
    GVMat3MulVec(z, r, forward);
    for (int a = 0; a < 3; ++a) EXPECT_NEAR(z[a], d[a], 1e-5f) << t[0] << "," << t[1] << "," << t[2];
    EXPECT_NEAR(GVMat3AbsDet(r), 1.0f, 1e-5f);
  }
  // Behind is a half turn about y; above and below keep the x axis level.
  const float behind[3] = {1, 2, -9}, above[3] = {1, 7, -3};
  GVGeoTurnToPoint(behind, geo.get());
  Rotation(geo.get(), r);
  EXPECT_NEAR(r[0], -1.0f, 1e-6f);
  EXPECT_NEAR(r[4], 1.0f, 1e-6f);
  GVGeoTurnToPoint(above, geo.get());
  Rotation(geo.get(), r);
  EXPECT_NEAR(r[0], 1.0f, 1e-6f);
  EXPECT_NEAR(r[7], 1.0f, 1e-6f);  // forward onto +y
}

TEST(GeoEye, AttachedEyeLooksOnlyInsideItsCone) {
  LatticeSpec s;
  s.cellSize = 1.0f;
  s.nx = s.ny = s.nz = 3;
  LatticeBuilder b(&s);
  GVGridFillAll(&b);
  std::unique_ptr<HObject> jel(GVCreateJelFromBuilder(&b, 4, 0, 0, nullptr));
  ASSERT_NE(jel, nullptr);
  GVUpdateJelDeform(jel.get(), 0);
  const float at[3] = {0.0f, 0.0f, 0.0f};
  auto geo = EyeAt(at);
  ASSERT_EQ(GVCellBindGeo(geo.get(), jel.get(), 1), 1);
  geo->flags |= GEO_FLAG_BOUND | GEO_FLAG_CELL_BINDING;
  float anchor[3], frame[9];
  ASSERT_GT(GVGetGeoAttachPoint(geo.get(), anchor, frame), 0);

  float before[9], r[9];
  Rotation(geo.get(), before);
  // 45 degrees off the frame's third axis, seen through a 30-degree cone.
  float axis[3];
  GVVecScale(axis, frame + 6, 1.0f / GVVecLength(frame + 6));
  float side[3] = {axis[1], axis[2], axis[0]};  // some direction across the axis
  float off[3];
  for (int a = 0; a < 3; ++a) off[a] = anchor[a] + 5.0f * (axis[a] + side[a]);
  GVGeoEyeToPoint(off, geo.get(), 30.0f);
  Rotation(geo.get(), r);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(r[i], before[i]);
  // Inside a 60-degree cone the eye turns.
  GVGeoEyeToPoint(off, geo.get(), 60.0f);
  Rotation(geo.get(), r);
  bool changed = false;
  for (int i = 0; i < 9; ++i) changed |= r[i] != before[i];
  EXPECT_TRUE(changed);
  GVGeoEyeToPoint(off, nullptr, 60.0f);
}
