#include "scene/geo_eye.h"

#include <gtest/gtest.h>

#include <memory>

#include "geo/geo_binding.h"
#include "geo/geo_fixtures.h"
#include "geo/geo_transform.h"
#include "jel/deformation_map.h"
#include "jel/jel_from_builder.h"
#include "jel/jel_object.h"
#include "jel/lattice_builder.h"
#include "jel/vector_math.h"
#include "geo/geo_list_services.h"
#include "scene/scene_opts.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"

namespace {

std::unique_ptr<GObject> EyeAt(const float at[3]) {
  std::unique_ptr<GObject> geo(geotest::makeGeo(
      1, "Eye", geotest::boxCorners({-0.2f, -0.2f, -0.2f}, {0.2f, 0.2f, 0.2f}), geotest::boxTriangles()));
  GVSetGeoTransform(geo.get(), GEO_SEL_FRAME, at, nullptr, nullptr, 0.0f);
  return geo;
}

std::vector<float> Rotation(const GObject* geo) {
  std::vector<float> r(9);
  GVGetGeoTransform(geo, GEO_SEL_BIRTH, nullptr, r.data(), nullptr, nullptr);
  return r;
}

}  // namespace

TEST(GeoEye, ForwardAxisTurnsOntoTheTarget) {
  const float at[3] = {1.0f, 2.0f, -3.0f};
  auto geo = EyeAt(at);
  // Ahead: the identity. Behind: a half turn about y. Above and below: the x
  // axis stays level. Every target: the turned forward axis points at it.
  struct Case {
    float target[3];
    int entry;  // of the rotation, with its expected value
    float value;
  } cases[] = {{{1, 2, 5}, 0, 1.0f}, {{1, 2, -9}, 0, -1.0f}, {{1, 7, -3}, 7, 1.0f}, {{1, -4, -3}, 7, -1.0f},
               {{4, 6, 1}, -1, 0}, {{-5, 0, -8}, -1, 0},    {{-2, 2, -3}, -1, 0}};
  for (const Case& c : cases) {
    GVGeoTurnToPoint(c.target, geo.get());
    const std::vector<float> r = Rotation(geo.get());
    if (c.entry >= 0) EXPECT_NEAR(r[c.entry], c.value, 1e-6f);
    float d[3], z[3];
    const float forward[3] = {0, 0, 1};
    GVVecSub(d, c.target, at);
    GVVecScale(d, d, 1.0f / GVVecLength(d));
    GVMat3MulVec(z, r.data(), forward);
    for (int a = 0; a < 3; ++a) EXPECT_NEAR(z[a], d[a], 1e-5f) << c.target[0] << "," << c.target[1];
    EXPECT_NEAR(GVMat3AbsDet(r.data()), 1.0f, 1e-5f);
  }
  EXPECT_EQ(Rotation(geo.get())[1], 0.0f);  // x stays level for the last target too
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

  // A target 45 degrees off the frame's third axis.
  float axis[3], side[3], off[3];
  GVVecScale(axis, frame + 6, 1.0f / GVVecLength(frame + 6));
  const float across[3] = {axis[1], axis[2], axis[0]};
  GVVecCross(side, axis, across);
  GVVecScale(side, side, 1.0f / GVVecLength(side));
  for (int a = 0; a < 3; ++a) off[a] = anchor[a] + 5.0f * (axis[a] + side[a]);
  const std::vector<float> before = Rotation(geo.get());
  GVGeoEyeToPoint(off, geo.get(), 30.0f);
  EXPECT_EQ(Rotation(geo.get()), before);
  GVGeoEyeToPoint(off, geo.get(), 60.0f);
  EXPECT_NE(Rotation(geo.get()), before);
  GVGeoEyeToPoint(off, nullptr, 60.0f);
}

TEST(GeoEye, EyeFollowsTheViewCameraOrTheRenderToTextureCamera) {
  static CameraRec view;
  view.eye[0] = 5.0f;  // along +x
  CameraRec* own = new CameraRec;
  own->eye[1] = 5.0f;  // along +y
  SceneOpts opts{};
  opts.camera = new CameraRec*(own);
  const SceneServices saved = GVSceneServices();
  SceneServices sv;
  sv.viewCamera = [] { return &view; };
  GVSetSceneServices(sv);
  SceneOpts* const savedOpts = GVScene().options;
  GVScene().options = &opts;
  ObjHandle list;
  GVNewGeoList(&list);
  ObjHandle* cell = GVCreateGeo();
  GVGeoOf(cell)->id = 2;
  GVAddGeoToScene(&list, cell);

  // The render-to-texture camera while the options hold one outside mode 1.
  for (int32_t mode : {0, 1}) {
    opts.mode = mode;
    GVEyeCamFollowGeo(&list, 2, 53.0f);
    const std::vector<float> r = Rotation(GVGeoOf(cell));
    EXPECT_NEAR(r[6], mode == 1 ? 1.0f : 0.0f, 1e-6f) << mode;
    EXPECT_NEAR(r[7], mode == 1 ? 0.0f : 1.0f, 1e-6f) << mode;
  }
  GVEyeCamFollowGeo(&list, 7, 53.0f);  // no such Geo

  GVDeleteGeoList(&list);
  GVScene().options = savedOpts;
  GVClearSceneOptsParts(&opts);
  GVSetSceneServices(saved);
}
