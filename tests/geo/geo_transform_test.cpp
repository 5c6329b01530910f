#include "geo/geo_transform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "geo/geo_fixtures.h"
#include "geo/key_frames.h"
#include "geo/mesh_bounds.h"
#include "jel/jel_object.h"
#include "jel/vector_math.h"

namespace {

using geotest::V3;

std::unique_ptr<GObject> boxGeo() {
  return std::unique_ptr<GObject>(
      geotest::makeGeo(1, "Box", geotest::boxCorners({-1, -2, 0}, {3, 1, 2}), geotest::boxTriangles()));
}

// A rotation of `angle` about an axis, with a scale and a translation.
GTransform makeSlot(V3 axis, float angle, V3 scale, V3 position) {
  GTransform s;
  float r[3] = {axis[0] * angle, axis[1] * angle, axis[2] * angle};
  GVRotationFromVector(r, s.matrix);
  for (int a = 0; a < 3; ++a) {
    s.scale[a] = scale[a];
    s.position[a] = position[a];
  }
  return s;
}

void setSlot(GObject* geo, int selector, const GTransform& s, float acc = 0.0f) {
  GVSetGeoTransform(geo, selector, s.position, s.matrix, s.scale, acc);
}

void place(const GTransform& s, const float* p, float* out) {
  GVMat3MulScaledVec(out, s.matrix, p, s.scale);
  for (int a = 0; a < 3; ++a) out[a] += s.position[a];
}

void expectNear3(const float* a, const float* b, float tol) {
  EXPECT_NEAR(a[0], b[0], tol);
  EXPECT_NEAR(a[1], b[1], tol);
  EXPECT_NEAR(a[2], b[2], tol);
}

TEST(GeoTransform, SelectorsNameTheFiveSlots) {
  GObject geo;
  const struct {
    int selector, slot;
  } cases[] = {{-1, GEO_SLOT_START}, {0, GEO_SLOT_BIRTH},    {-5, GEO_SLOT_BIRTH_NEXT},
               {-2, GEO_SLOT_FRAME}, {-3, GEO_SLOT_FRAME},  {-4, GEO_SLOT_FRAME2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.selector);
    const float pos[3] = {float(c.selector), 2.0f, 3.0f};
    GVSetGeoTransformPos(pos, c.selector, &geo);
    EXPECT_FLOAT_EQ(geo.xform[c.slot].position[0], float(c.selector));
    float out[3] = {};
    GVGetGeoTransform(&geo, c.selector, out, nullptr, nullptr, nullptr);
    EXPECT_FLOAT_EQ(out[0], float(c.selector));
  }
  // Outside -5..0 nothing is stored anywhere.
  GObject untouched;
  const float pos[3] = {9, 9, 9};
  const float scale[3] = {2, 2, 2};
  for (int sel : {-6, -7, 1}) {
    GVSetGeoTransform(&untouched, sel, pos, nullptr, scale, 5.0f);
    GVSetGeoTransformScale(scale, sel, &untouched);
    GVClearGeoTransform(&untouched, sel);
  }
  for (const GTransform& s : untouched.xform) {
    EXPECT_FLOAT_EQ(s.position[0], 0.0f);
    EXPECT_FLOAT_EQ(s.scale[0], 1.0f);
  }
  EXPECT_FLOAT_EQ(untouched.slotScale, 0.0f);
}

TEST(GeoTransform, AccompanyingValueTravelsOnlyWithBirthNextAndSecondFrame) {
  GObject geo;
  GVSetGeoTransform(&geo, -5, nullptr, nullptr, nullptr, 0.5f);
  EXPECT_FLOAT_EQ(geo.slotScale, 0.5f);
  GVSetGeoTransform(&geo, -2, nullptr, nullptr, nullptr, 0.9f);
  EXPECT_FLOAT_EQ(geo.slotScale, 0.5f);
  float acc = -1.0f;
  GVGetGeoTransform(&geo, -4, nullptr, nullptr, nullptr, &acc);
  EXPECT_FLOAT_EQ(acc, 0.5f);
  GVGetGeoTransform(&geo, -1, nullptr, nullptr, nullptr, &acc);
  EXPECT_FLOAT_EQ(acc, 0.0f);
  acc = -1.0f;
  float pos[3] = {7, 7, 7};
  GVGetGeoTransform(&geo, 3, pos, nullptr, nullptr, &acc);
  EXPECT_FLOAT_EQ(acc, 0.0f);
  EXPECT_FLOAT_EQ(pos[0], 7.0f);

  GVClearGeoTransform(&geo, -1);
  EXPECT_FLOAT_EQ(geo.slotScale, 0.5f);
  GVClearGeoTransform(&geo, -4);
  EXPECT_FLOAT_EQ(geo.slotScale, 0.0f);
}

TEST(GeoTransform, PartSettersTouchOnlyTheirPart) {
  GObject geo;
  const GTransform s = makeSlot({0, 0, 1}, 0.3f, {2, 3, 4}, {1, 1, 1});
  GVSetGeoTransformRot(s.matrix, -4, &geo);
  EXPECT_FLOAT_EQ(geo.xform[GEO_SLOT_FRAME2].matrix[1], s.matrix[1]);
  EXPECT_FLOAT_EQ(geo.xform[GEO_SLOT_FRAME2].position[0], 0.0f);
  EXPECT_FLOAT_EQ(geo.xform[GEO_SLOT_FRAME2].scale[0], 1.0f);
  GVSetGeoTransformScale(s.scale, 0, &geo);
  EXPECT_FLOAT_EQ(geo.xform[GEO_SLOT_BIRTH].scale[2], 4.0f);
  EXPECT_FLOAT_EQ(geo.xform[GEO_SLOT_BIRTH].matrix[1], 0.0f);
  EXPECT_FLOAT_EQ(geo.slotScale, 0.0f);
}

TEST(GeoTransform, CopyRefusesTheAliasSelector) {
  GObject geo;
  const GTransform s = makeSlot({1, 0, 0}, 1.0f, {2, 2, 2}, {5, 6, 7});
  setSlot(&geo, -2, s);
  GVCopyGeoTransform(&geo, -3, -1);
  GVCopyGeoTransform(&geo, -2, -3);
  GVCopyGeoTransform(&geo, -2, 4);
  EXPECT_FLOAT_EQ(geo.xform[GEO_SLOT_START].position[0], 0.0f);
  GVCopyGeoTransform(&geo, -2, -4);
  expectNear3(geo.xform[GEO_SLOT_FRAME2].position, s.position, 0);
  expectNear3(geo.xform[GEO_SLOT_FRAME2].scale, s.scale, 0);
  EXPECT_FLOAT_EQ(geo.xform[GEO_SLOT_FRAME2].matrix[5], s.matrix[5]);
}

TEST(GeoTransform, ApplyPlacesBoundVerticesAndClearsTheirDisplacement) {
  auto geo = boxGeo();
  ASSERT_TRUE(geo);
  const GTransform s = makeSlot({0, 1, 0}, 0.8f, {1.5f, 0.5f, 2.0f}, {4, -3, 1});
  setSlot(geo.get(), -2, s);
  geo->vertexFlags[3] = 0;  // vertex 3 does not follow
  const V3 stay = {9, 9, 9};
  for (int a = 0; a < 3; ++a) geo->vertices[3][a] = stay[a];
  for (int i = 1; i <= 8; ++i) geo->vertexDisplacement[i][0] = 0.25f;

  GVApplyGeoTransform(geo.get(), -3);
  for (int i = 1; i <= 8; ++i) {
    SCOPED_TRACE(i);
    if (i == 3) {
      expectNear3(geo->vertices[3], stay.data(), 0);
      EXPECT_FLOAT_EQ(geo->vertexDisplacement[3][0], 0.25f);
      continue;
    }
    float expected[3];
    place(s, geo->baseVertices[i], expected);
    expectNear3(geo->vertices[i], expected, 1e-5f);
    EXPECT_FLOAT_EQ(geo->vertexDisplacement[i][0], 0.0f);
  }

  // -7 puts the bound vertices back on their base positions only.
  GVApplyGeoTransform(geo.get(), -7);
  for (int i = 1; i <= 8; ++i) {
    if (i == 3)
      expectNear3(geo->vertices[3], stay.data(), 0);
    else
      expectNear3(geo->vertices[i], geo->baseVertices[i], 0);
  }
}

TEST(GeoTransform, EverySelectorClearsDisplacementAndRecomputesNormals) {
  for (int sel : {-1, -7, -5, -4, 2}) {
    SCOPED_TRACE(sel);
    auto geo = boxGeo();
    for (int i = 1; i <= 8; ++i) {
      geo->vertexDisplacement[i][1] = 1.0f;
      geo->vertexFlags[i] = i == 1 ? GEO_VERTEX_BOUND : 0;
    }
    for (int t = 1; t <= 12; ++t) geo->faceNormals[t][0] = geo->faceNormals[t][1] = 5.0f;
    GVApplyGeoTransform(geo.get(), sel);
    EXPECT_FLOAT_EQ(geo->vertexDisplacement[1][1], 0.0f);
    EXPECT_FLOAT_EQ(geo->vertexDisplacement[2][1], 1.0f);
    for (int t = 1; t <= 12; ++t) EXPECT_NEAR(GVVecLength(geo->faceNormals[t]), 1.0f, 1e-6f);
  }
}

TEST(GeoTransform, ApplyGivesTriangleNormalsWhenBothFaceKindsExist) {
  std::unique_ptr<GObject> geo(geotest::makeGeo(
      2, "Mixed", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {{1, 2, 3}}, {{1, 3, 4, 2}}));
  ASSERT_TRUE(geo);
  GVApplyGeoTransform(geo.get(), -1);
  // (c - a) x (b - a) for (1, 2, 3): (0,1,0) x (1,0,0) = (0,0,-1).
  const float expected[3] = {0, 0, -1};
  expectNear3(geo->faceNormals[1], expected, 1e-6f);
}

TEST(GeoTransform, PointTransformsAndTheInverseOfTheStartSlot) {
  GObject geo;
  const GTransform start = makeSlot({1, 1, 0}, 0.6f, {2, 0.5f, 3}, {1, 2, 3});
  const GTransform frame = makeSlot({0, 0, 1}, -1.1f, {1, 1, 1}, {0, 5, 0});
  setSlot(&geo, -1, start);
  setSlot(&geo, -2, frame);
  const float p[3] = {0.3f, -0.7f, 1.9f};
  float out[3], expected[3];
  GVTransformGeoPoint(&geo, p, -1, out);
  place(start, p, expected);
  expectNear3(out, expected, 1e-6f);
  GVTransformGeoPoint(&geo, p, -2, out);
  place(frame, p, expected);
  expectNear3(out, expected, 1e-6f);
  for (int sel : {-3, -4, -5}) {
    GVTransformGeoPoint(&geo, p, sel, out);
    expectNear3(out, p, 0);
  }

  float world[3], back[3];
  GVTransformGeoPoint(&geo, p, -1, world);
  GVInverseTransformGeoPoint(&geo, world, back);
  expectNear3(back, p, 1e-5f);

  // A flattened axis cannot be undone: that component comes back 0, not inf.
  const float flat[3] = {1, 0, 1};
  GVSetGeoTransformScale(flat, -1, &geo);
  GVInverseTransformGeoPoint(&geo, world, back);
  EXPECT_FLOAT_EQ(back[1], 0.0f);
  EXPECT_TRUE(std::isfinite(back[0]) && std::isfinite(back[2]));
}

TEST(GeoTransform, BakeMovesTheFrameTransformIntoEveryBaseVertex) {
  auto geo = boxGeo();
  const GTransform frame = makeSlot({0, 1, 1}, 0.9f, {2, 1, 0.5f}, {1, 0, -2});
  setSlot(geo.get(), -2, frame);
  setSlot(geo.get(), -4, frame, 0.75f);
  geo->vertexFlags[5] = 0;  // baking ignores the bound bit
  std::vector<V3> expected(9);
  for (int i = 1; i <= 8; ++i) place(frame, geo->baseVertices[i], expected[i].data());
  GVBakeGeoTransform(geo.get());
  for (int i = 1; i <= 8; ++i) {
    expectNear3(geo->baseVertices[i], expected[i].data(), 1e-5f);
    expectNear3(geo->vertices[i], expected[i].data(), 1e-5f);
  }
  for (const GTransform& s : geo->xform) {
    EXPECT_FLOAT_EQ(s.scale[0], 1.0f);
    EXPECT_FLOAT_EQ(s.position[2], 0.0f);
    EXPECT_FLOAT_EQ(s.matrix[4], 1.0f);
  }
  EXPECT_FLOAT_EQ(geo->slotScale, 0.75f);
}

TEST(GeoTransform, BakeScaleKeepsPositionsAndMatrices) {
  auto geo = boxGeo();
  const GTransform frame = makeSlot({1, 0, 0}, 0.4f, {2, 3, 4}, {1, 2, 3});
  setSlot(geo.get(), -2, frame);
  setSlot(geo.get(), -1, makeSlot({0, 0, 1}, 0.2f, {5, 5, 5}, {7, 7, 7}));
  const V3 b8 = {geo->baseVertices[8][0], geo->baseVertices[8][1], geo->baseVertices[8][2]};
  GVBakeGeoScale(geo.get());
  const float expected[3] = {b8[0] * 2, b8[1] * 3, b8[2] * 4};
  expectNear3(geo->baseVertices[8], expected, 1e-6f);
  EXPECT_FLOAT_EQ(geo->xform[GEO_SLOT_START].position[0], 7.0f);
  EXPECT_FLOAT_EQ(geo->xform[GEO_SLOT_FRAME].matrix[5], frame.matrix[5]);
  for (const GTransform& s : geo->xform) expectNear3(s.scale, V3{1, 1, 1}.data(), 0);
}

TEST(GeoTransform, UnbakeKeepsWhatEverySlotShows) {
  auto geo = boxGeo();
  const GTransform slots[GEO_SLOT_COUNT] = {
      makeSlot({1, 0, 0}, 0.5f, {1, 2, 3}, {1, 2, 3}),
      makeSlot({0, 1, 0}, -0.7f, {0.5f, 0.5f, 0.5f}, {-4, 0, 2}),
      makeSlot({0.6f, 0.8f, 0}, 2.0f, {1, 1, 1}, {0, 0, 0}),
      makeSlot({0, 0, 1}, 1.2f, {2.5f, 1.0f, 0.2f}, {3, -1, 6}),
      makeSlot({0.267f, 0.535f, 0.802f}, 3.0f, {1, 4, 1}, {9, 9, 9}),
  };
  static const int kSel[GEO_SLOT_COUNT] = {-1, 0, -5, -2, -4};
  for (int k = 0; k < GEO_SLOT_COUNT; ++k) setSlot(geo.get(), kSel[k], slots[k]);
  std::vector<std::array<V3, GEO_SLOT_COUNT>> before(9);
  for (int i = 1; i <= 8; ++i)
    for (int k = 0; k < GEO_SLOT_COUNT; ++k) place(slots[k], geo->baseVertices[i], before[i][k].data());
  std::vector<V3> current(9);
  for (int i = 1; i <= 8; ++i)
    for (int a = 0; a < 3; ++a) current[i][a] = geo->vertices[i][a];

  GVUnbakeGeoTransform(geo.get());

  float box[6];
  GVGetGeoBaseBounds(geo.get(), box);
  for (int a = 0; a < 3; ++a) EXPECT_NEAR(box[2 * a] + box[2 * a + 1], 0.0f, 1e-6f);
  for (int i = 1; i <= 8; ++i) {
    SCOPED_TRACE(i);
    expectNear3(geo->vertices[i], current[i].data(), 0);
    for (int k = 0; k < GEO_SLOT_COUNT; ++k) {
      float now[3];
      place(geo->xform[k], geo->baseVertices[i], now);
      expectNear3(now, before[i][k].data(), 1e-5f);
    }
  }
}

TEST(GeoTransform, BakeThenUnbakeGivesTheVerticesBack) {
  auto geo = boxGeo();
  setSlot(geo.get(), -2, makeSlot({0.3f, -0.2f, 0.9f}, 1.7f, {1.5f, 0.8f, 2.2f}, {10, -4, 3}));
  GVApplyGeoTransform(geo.get(), -2);
  std::vector<V3> shown(9);
  for (int i = 1; i <= 8; ++i)
    for (int a = 0; a < 3; ++a) shown[i][a] = geo->vertices[i][a];
  GVBakeGeoTransform(geo.get());
  GVUnbakeGeoTransform(geo.get());
  GVApplyGeoTransform(geo.get(), -2);
  for (int i = 1; i <= 8; ++i) expectNear3(geo->vertices[i], shown[i].data(), 1e-5f);
}

TEST(GeoTransform, UnbakeShiftsTheKeysSoTheTrackShowsTheSameShape) {
  auto geo = boxGeo();
  KeyFrame* key = GVKeyTrackFindOrInsert(geo->keyTrack, 0);
  ASSERT_NE(key, nullptr);
  key->translation[0] = 2.0f;
  key->rotation[2] = 0.7f;  // one axis: the angles and the rotation vector agree
  key->scale[1] = 3.0f;
  GVKeyTrackRebuild(geo->keyTrack);
  float t[3], m[9], s[3], before[3], after[3];
  ASSERT_EQ(GVEvalKeyTrack(geo->keyTrack, nullptr, t, m, s, 0.0), 1);
  GVMat3MulScaledVec(before, m, geo->baseVertices[8], s);
  for (int a = 0; a < 3; ++a) before[a] += t[a];

  GVUnbakeGeoTransform(geo.get());
  GVKeyTrackRebuild(geo->keyTrack);
  ASSERT_EQ(GVEvalKeyTrack(geo->keyTrack, nullptr, t, m, s, 0.0), 1);
  GVMat3MulScaledVec(after, m, geo->baseVertices[8], s);
  for (int a = 0; a < 3; ++a) after[a] += t[a];
  expectNear3(after, before, 1e-5f);
}

TEST(GeoTransform, BakeCurrentShapeClearsBindingFlagsEvenWithoutVertices) {
  GObject empty;
  empty.flags = 0xffffffffu;
  GVBakeGeoCurrentShape(&empty);
  EXPECT_EQ(empty.flags, ~0xc00622u);

  auto geo = boxGeo();
  setSlot(geo.get(), -1, makeSlot({0, 0, 1}, 0.5f, {2, 2, 2}, {1, 1, 1}));
  GVApplyGeoTransform(geo.get(), -1);
  geo->flags = GEO_FLAG_BOUND | GEO_FLAG_VERTEX_BINDING | GEO_FLAG_COLLIDE_TRIANGLES;
  GVBakeGeoCurrentShape(geo.get());
  EXPECT_EQ(geo->flags, GEO_FLAG_COLLIDE_TRIANGLES);
  for (int i = 1; i <= 8; ++i) expectNear3(geo->baseVertices[i], geo->vertices[i], 0);
  EXPECT_FLOAT_EQ(geo->xform[GEO_SLOT_START].scale[0], 1.0f);
}

TEST(GeoTransform, UnitScaleToleranceIsInclusive) {
  GObject geo;
  const struct {
    float s;
    int expected;
  } cases[] = {{1.0f, 1}, {1.00005f, 1}, {1.0001f, 1}, {0.9999f, 1}, {1.0002f, 0}, {0.9997f, 0}};
  for (const auto& c : cases) {
    for (int axis = 0; axis < 3; ++axis) {
      float scale[3] = {1, 1, 1};
      scale[axis] = c.s;
      GVSetGeoTransformScale(scale, -1, &geo);
      EXPECT_EQ(GVGeoHasUnitScale(&geo, 0.0001f), c.expected) << c.s << " axis " << axis;
    }
  }
}

TEST(GeoTransform, DriveModeTable) {
  enum : uint32_t { B = GEO_FLAG_BOUND, M = GEO_FLAG_VERTEX_BINDING, C = GEO_FLAG_CELL_BINDING,
                    C2 = GEO_FLAG_CELL_BINDING2, F = GEO_FLAG_FRAME_XFORM_SET };
  const struct {
    const char* what;
    uint32_t flags;
    bool keyed, attached;
    int stateMode, alive, expected;
  } cases[] = {
      {"massoc, keyed, Jel not yet alive", B | M, true, false, 0, 0, -2},
      {"massoc, keyed, Jel alive", B | M, true, false, 0, 1, 0},
      {"massoc, keyed, natural state", B | M, true, false, -1, 1, -1},
      {"massoc without keys", B | M, false, false, 0, 0, 0},
      {"cell bound", B | C, true, false, 0, 0, 0},
      {"second cell binding", B | C2, false, false, 0, 0, 0},
      {"bound flag alone", B, false, false, 0, 1, -2},
      {"not bound", M | C, false, false, 0, 1, -2},
      {"natural state, keyed", 0, true, false, -1, 0, -2},
      {"natural state, attached", 0, false, true, -1, 0, -1},
      {"natural state, frame set", F, false, false, -1, 0, -1},
      {"natural state, plain", 0, false, false, -1, 0, -2},
      {"other state word", B | M, false, false, 3, 1, -2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto geo = boxGeo();
    geo->flags = c.flags;
    if (c.keyed) GVKeyTrackFindOrInsert(geo->keyTrack, 4);
    if (c.attached) {
      geo->attach = new GeoAttach{};
      geo->attach->type = 6;
    }
    EXPECT_EQ(GVGeoDriveModeOf(geo.get(), c.stateMode, c.alive), c.expected);
  }
}

TEST(GeoTransform, DriveModeFollowsTheJelsFrameWindow) {
  auto geo = boxGeo();
  HObject jel;
  jel.playParams.startFrame = 10;
  jel.playParams.endFrame = 0;
  geo->jel = &jel;
  geo->flags = GEO_FLAG_BOUND | GEO_FLAG_VERTEX_BINDING;
  GVKeyTrackFindOrInsert(geo->keyTrack, 0);
  EXPECT_EQ(GVGetGeoDriveMode(9, geo.get(), 0), -2);
  EXPECT_EQ(GVGetGeoDriveMode(10, geo.get(), 0), 0);
  EXPECT_EQ(GVGetGeoDriveMode(5000, geo.get(), 0), 0);
  EXPECT_EQ(GVGetGeoDriveMode(10, geo.get(), -1), -1);
  jel.playParams.endFrame = 20;
  EXPECT_EQ(GVGetGeoDriveMode(20, geo.get(), 0), 0);
  EXPECT_EQ(GVGetGeoDriveMode(21, geo.get(), 0), -2);
  geo->jel = nullptr;
  EXPECT_EQ(GVGetGeoDriveMode(15, geo.get(), 0), -2);
}

TEST(GeoTransform, MassocUnbound) {
  GObject geo;
  geo.flags = GEO_FLAG_VERTEX_BINDING;
  EXPECT_EQ(GVGeoIsMassocUnbound(&geo), 1);
  geo.flags |= GEO_FLAG_BOUND;
  EXPECT_EQ(GVGeoIsMassocUnbound(&geo), 0);
  geo.flags = 0;
  EXPECT_EQ(GVGeoIsMassocUnbound(&geo), 0);
}

}  // namespace
