#include "geo/geo_attach.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "dynamics/world.h"
#include "geo/geo_fixtures.h"
#include "geo/geo_list.h"
#include "geo/geo_transform.h"
#include "jel/jel_from_builder.h"
#include "jel/jel_object.h"
#include "jel/lattice_builder.h"
#include "jel/vector_math.h"
#include "records/item_stream.h"

namespace {

using geotest::makeGeo;
using geotest::V3;

const float kHalfPi = 1.5707964f;
const float kPi = 3.1415927f;

void RotZ(float angle, float m[9]) {
  const float v[3] = {0, 0, angle};
  GVRotationFromVector(v, m);
}

void ExpectVec(const float* got, V3 want, float tol = 1e-4f) {
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(got[k], want[k], tol) << "component " << k;
}

void ExpectMat(const float* got, const float* want, float tol = 1e-4f) {
  for (int k = 0; k < 9; ++k) EXPECT_NEAR(got[k], want[k], tol) << "element " << k;
}

// Where the Geo's frame slot puts a base point.
std::vector<float> Placed(const GObject* g, V3 p) {
  float out[3];
  GVTransformGeoPoint(g, p.data(), GEO_SEL_FRAME, out);
  return {out[0], out[1], out[2]};
}

GeoAttach* Attach(GObject* g) {
  if (!g->attach) g->attach = new GeoAttach{};
  return g->attach;
}

// --- the record ------------------------------------------------------------

TEST(GeoAttachRecord, SetWritesOnlyTheWordsOfItsType) {
  struct Case {
    int32_t type;
    int32_t geo0, geoZ, jelStart, jelEnd;
  };
  // Arguments: start Jel 11, end Jel 12, GEO_0 13, GEO_Z 14, parts 5 and 6;
  // words not used by the type keep the 99 they held.
  const Case cases[] = {{1, 99, 99, 11, 99}, {2, 99, 99, 11, 12}, {3, 13, 99, 99, 12}, {4, 99, 14, 11, 99},
                        {5, 13, 14, 99, 99}, {6, 13, 99, 99, 99}, {7, 99, 99, 11, 99}, {8, 99, 99, 11, 99},
                        {9, 99, 99, 11, 99}};
  for (const Case& c : cases) {
    GeoAttach a{};
    a.geo0 = a.geoZ = a.jelStart = a.jelEnd = 99;
    GVAttachSet(&a, c.type, 11, 12, 13, 14, 5, 6);
    EXPECT_EQ(a.type, c.type);
    EXPECT_EQ(a.geo0, c.geo0) << "type " << c.type;
    EXPECT_EQ(a.geoZ, c.geoZ) << "type " << c.type;
    EXPECT_EQ(a.jelStart, c.jelStart) << "type " << c.type;
    EXPECT_EQ(a.jelEnd, c.jelEnd) << "type " << c.type;
    EXPECT_EQ(a.partStart, 5);
    EXPECT_EQ(a.partEnd, 6);
  }
  EXPECT_STREQ(GVAttachTypeLabel(5), "Geo0_to_GeoZ");
  EXPECT_STREQ(GVAttachTypeLabel(9), "Motor_Drive Back");
  EXPECT_STREQ(GVAttachTypeLabel(10), "");
}

TEST(GeoAttachRecord, CompletenessByType) {
  struct Case {
    int32_t type, geo0, geoZ, jelStart, jelEnd, partStart, partEnd;
    int complete;
  };
  const Case cases[] = {
      {0, 0, 0, 0, 0, 0, 0, 1},  {1, 0, 0, 3, 0, 1, 0, 1},  {1, 0, 0, 3, 0, 0, 0, 0},
      {1, 0, 0, 3, 0, 0, 2, 1},  // the part may come from word 6
      {1, 0, 0, 0, 0, 1, 0, 0},  {6, 2, 0, 0, 0, 0, 0, 1},  {6, 0, 0, 3, 0, 1, 0, 0},
      {2, 0, 0, 3, 4, 0, 1, 1},  {2, 0, 0, 3, 0, 0, 1, 0},  {3, 2, 0, 0, 4, 0, 1, 1},
      {4, 0, 7, 3, 0, 1, 0, 1},  {5, 2, 7, 0, 0, 0, 0, 1},  {5, 2, 0, 0, 0, 0, 0, 0},
      {3, 2, 0, 0, 4, 0, 0, 0},  {10, 2, 7, 3, 4, 1, 1, 0}, {8, 0, 0, 3, 0, 4, 0, 1},
  };
  for (const Case& c : cases) {
    GeoAttach a{};
    a.type = c.type;
    a.geo0 = c.geo0;
    a.geoZ = c.geoZ;
    a.jelStart = c.jelStart;
    a.jelEnd = c.jelEnd;
    a.partStart = c.partStart;
    a.partEnd = c.partEnd;
    EXPECT_EQ(GVAttachIsComplete(&a), c.complete) << "type " << c.type;
  }
}

TEST(GeoAttachRecord, ClearCopyAndRenumber) {
  GeoAttach a{};
  GVAttachSet(&a, 2, 5, 9, 0, 0, 1, 1);
  a.floatWords[5] = 7.5f;
  GeoAttach b{};
  GVAttachCopy(&b, &a);
  EXPECT_EQ(b.jelEnd, 9);
  EXPECT_EQ(b.floatWords[5], 7.5f);

  GVAttachClearIfRefers(&b, 4);  // names neither Jel
  EXPECT_EQ(b.type, 2);
  GVAttachClearIfRefers(&b, 9);  // the end Jel
  EXPECT_EQ(b.type, 0);
  EXPECT_EQ(b.floatWords[5], 0.0f);

  const int32_t jelIds[] = {0, 9, 4, 5};  // the table starts at entry 1
  GVAttachRemapWord3(&a, 3, jelIds);
  EXPECT_EQ(a.jelStart, 3);
  EXPECT_EQ(a.jelEnd, 1);

  GeoAttach g{};
  GVAttachSet(&g, 5, 0, 0, 21, 22, 0, 0);
  const int32_t geoIds[] = {0, 22, 30};
  GVAttachRemapWord1(&g, 2, geoIds);
  EXPECT_EQ(g.geo0, 0);  // not in the table
  EXPECT_EQ(g.geoZ, 1);

  GeoAttach none{};
  none.geo0 = 22;
  GVAttachRemapWord1(&none, 2, geoIds);  // type 0 is left alone
  EXPECT_EQ(none.geo0, 22);
}

GeoAttach Patterned() {
  GeoAttach a{};
  int32_t* ints = &a.type;
  for (int i = 0; i < kGeoAttachInts; ++i) ints[i] = 100 + i;
  float* floats = &a.appliedLength;
  for (int i = 0; i < kGeoAttachFloats; ++i) floats[i] = 0.5f + i;
  return a;
}

TEST(GeoAttachRecord, FileFormIsNineIntsThenFifteenFloatsAndRoundTrips) {
  const GeoAttach a = Patterned();
  FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(GVWriteAttach(f, &a), 1);
  ASSERT_EQ(std::ftell(f), kGeoAttachFileBytes);
  std::rewind(f);
  unsigned char bytes[kGeoAttachFileBytes];
  ASSERT_EQ(std::fread(bytes, 1, sizeof bytes, f), sizeof bytes);
  EXPECT_EQ(bytes[0], 100);  // word 0, little-endian
  EXPECT_EQ(bytes[32], 108);
  float word9;
  std::memcpy(&word9, bytes + 36, 4);
  EXPECT_EQ(word9, 0.5f);

  std::rewind(f);
  GeoAttach b{};
  ASSERT_EQ(GVReadAttach(f, &b), 1);
  EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);

  // A record cut short leaves the target as it was.
  std::rewind(f);
  FILE* g = std::tmpfile();
  std::fwrite(bytes, 1, 50, g);
  std::rewind(g);
  GeoAttach c{};
  c.type = 3;
  EXPECT_EQ(GVReadAttach(g, &c), 0);
  EXPECT_EQ(c.type, 3);
  EXPECT_EQ(c.geo0, 0);
  std::fclose(g);
  std::fclose(f);
}

TEST(GeoAttachRecord, ImageAdvancesNineIntsAndFifteenFloats) {
  const GeoAttach a = Patterned();
  ItemStream s;
  GVCountAttachImage(&s);
  EXPECT_EQ(s.intCount, 9u);
  EXPECT_EQ(s.floatCount, 15u);
  ASSERT_EQ(GVItemStreamAlloc(&s), kItemStreamOk);
  s.intCount = s.floatCount = 0;
  ASSERT_EQ(GVPutAttachImage(&s, &a), 1);
  EXPECT_EQ(GVPutAttachImage(&s, &a), 0);  // no room for a second
  s.intCount = s.floatCount = 0;
  GeoAttach b{};
  ASSERT_EQ(GVAttachGetFromStream(&s, &b), 1);
  EXPECT_EQ(s.intCount, 9u);
  EXPECT_EQ(s.floatCount, 15u);
  EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
  GeoAttach c{};
  EXPECT_EQ(GVAttachGetFromStream(&s, &c), 0);  // streams exhausted: nothing taken
  EXPECT_EQ(s.intCount, 9u);
  GVItemStreamReset(&s);
}

// --- Geos in a list ----------------------------------------------------------

class GeoAttachList : public ::testing::Test {
 protected:
  void SetUp() override { GVInitGeoList(&list_); }
  void TearDown() override { GVClearGeoList(&list_); }

  GObject* Add(int32_t id, std::vector<V3> verts = {{0, 0, 0}, {0, 0, 2}, {1, 0, 0}}) {
    GObject* g = makeGeo(id, "G", verts, {{1, 2, 3}});
    GVAddGeo(&list_, g);
    return g;
  }

  GeoList list_;
};

TEST_F(GeoAttachList, OrderCheckReportsAnchorsThatFollow) {
  GObject* a = Add(1);
  GObject* b = Add(2);
  GObject* c = Add(3);
  EXPECT_EQ(GVCheckAttachmentOrder(a), -1);  // no record
  GVAttachSet(Attach(a), 5, 0, 0, 2, 3, 0, 0);
  EXPECT_EQ(GVCheckAttachmentOrder(a), 1);  // both follow: GEO_0 first
  GVAttachSet(Attach(b), 5, 0, 0, 1, 3, 0, 0);
  EXPECT_EQ(GVCheckAttachmentOrder(b), 2);  // only GEO_Z follows
  GVAttachSet(Attach(c), 5, 0, 0, 1, 2, 0, 0);
  EXPECT_EQ(GVCheckAttachmentOrder(c), 0);
  GVAttachSet(Attach(c), 1, 4, 0, 0, 0, 1, 0);
  EXPECT_EQ(GVCheckAttachmentOrder(c), 0);  // names no Geo
  Attach(b)->type = 0;
  EXPECT_EQ(GVCheckAttachmentOrder(b), -1);
}

TEST_F(GeoAttachList, UnitScaleToleranceIsOneTenThousandth) {
  GObject* anchor = Add(1);
  GObject* g = Add(2);
  GVAttachSet(Attach(g), 6, 0, 0, 1, 0, 0, 0);
  struct Case {
    float anchorScale, geoScale;
    int32_t want;
  };
  const Case cases[] = {{1.0f, 1.00005f, 0}, {1.0f, 1.0002f, 2}, {1.0f, 0.9998f, 2},
                        {1.00005f, 1.0f, 0}, {1.0002f, 1.0f, 1}, {1.0002f, 1.0002f, 2}};
  for (const Case& c : cases) {
    const float sa[3] = {1, c.anchorScale, 1}, sg[3] = {1, 1, c.geoScale};
    GVSetGeoTransformScale(sa, GEO_SEL_START, anchor);
    GVSetGeoTransformScale(sg, GEO_SEL_START, g);
    EXPECT_EQ(GVFindNonUnitScaleAttachGeo(&list_, g), c.want) << c.anchorScale << " " << c.geoScale;
  }
  // Jel-anchored types are not checked.
  GVAttachSet(Attach(g), 1, 3, 0, 0, 0, 1, 0);
  EXPECT_EQ(GVFindNonUnitScaleAttachGeo(&list_, g), 0);
}

TEST_F(GeoAttachList, GeoFollowsItsAnchorGeoAndTurnsWithIt) {
  GObject* anchor = Add(1);
  GObject* g = Add(2);
  const float anchorPos[3] = {1, 2, 0};
  GVSetGeoTransformPos(anchorPos, GEO_SEL_START, anchor);
  GVCopyGeoTransform(anchor, GEO_SEL_START, GEO_SEL_FRAME);
  const float geoPos[3] = {4, 2, 0};
  GVSetGeoTransformPos(geoPos, GEO_SEL_START, g);
  GVAttachSet(Attach(g), GEO_ATTACH_GEO0, 0, 0, 1, 0, 0, 0);
  EXPECT_EQ(GVApplyGeoAttachment(&list_, nullptr, g), 0);
  ExpectVec(g->xform[GEO_SLOT_BIRTH].position, {3, 0, 0});

  // The anchor turns 90 degrees about z in place and then moves up by 5.
  float rz[9];
  RotZ(kHalfPi, rz);
  const float moved[3] = {1, 2, 5};
  GVSetGeoTransform(anchor, GEO_SEL_FRAME, moved, rz, nullptr, 0);
  EXPECT_EQ(GVUpdateGeoAttachments(&list_, nullptr, 0, 0, 0, 0, 0), 0);
  ExpectMat(g->xform[GEO_SLOT_FRAME].matrix, rz);
  ExpectVec(g->xform[GEO_SLOT_FRAME].position, {1, 5, 5});
  // Its base point (0, 0, 2) is carried too.
  const std::vector<float> p = Placed(g, {0, 0, 2});
  ExpectVec(p.data(), {1, 5, 7});
}

TEST_F(GeoAttachList, GeoWithoutAnchorsDoesNotStopTheLaterGeos) {
  GObject* anchor = Add(1);
  GObject* orphan = Add(2);
  GObject* g = Add(3);
  GVAttachSet(Attach(orphan), GEO_ATTACH_GEO0, 0, 0, 77, 0, 0, 0);  // no such Geo
  GVAttachSet(Attach(g), GEO_ATTACH_GEO0, 0, 0, 1, 0, 0, 0);
  ASSERT_EQ(GVApplyGeoAttachments(&list_, nullptr), -1);  // no world: refused
  GVApplyGeoAttachment(&list_, nullptr, g);
  const float up[3] = {0, 0, 3};
  GVSetGeoTransformPos(up, GEO_SEL_FRAME, anchor);
  GVUpdateGeoAttachments(&list_, nullptr, 0, 0, 0, 0, 0);
  ExpectVec(g->xform[GEO_SLOT_FRAME].position, {0, 0, 3});
  ExpectVec(orphan->xform[GEO_SLOT_FRAME].position, {0, 0, 0});
}

TEST_F(GeoAttachList, LineBetweenTwoGeosStretchesAndTurnsTheGeo) {
  GObject* a0 = Add(1);
  GObject* aZ = Add(2);
  // The attached Geo reaches from the origin to z = 2.
  GObject* g = Add(3);
  const float zEnd[3] = {0, 0, 2};
  GVSetGeoTransformPos(zEnd, GEO_SEL_START, aZ);
  GVCopyGeoTransform(aZ, GEO_SEL_START, GEO_SEL_FRAME);
  GVAttachSet(Attach(g), GEO_ATTACH_GEO0_TO_GEOZ, 0, 0, 1, 2, 0, 0);
  GVApplyGeoAttachment(&list_, nullptr, g);
  EXPECT_FLOAT_EQ(g->attach->appliedLength, 2.0f);
  ExpectVec(g->attach->startPoint, {0, 0, 0});
  ExpectVec(g->attach->endPoint, {0, 0, 0});  // in GEO_Z's own frame

  // GEO_Z moves to twice the distance along the same line.
  const float far[3] = {0, 0, 4};
  GVSetGeoTransformPos(far, GEO_SEL_FRAME, aZ);
  GVUpdateGeoAttachments(&list_, nullptr, 0, 0, 0, 0, 0);
  float id[9];
  GVMat3Identity(id);
  ExpectMat(g->xform[GEO_SLOT_FRAME].matrix, id);
  ExpectVec(g->xform[GEO_SLOT_FRAME].scale, {1, 1, 2});
  std::vector<float> tip = Placed(g, {0, 0, 2});
  ExpectVec(tip.data(), {0, 0, 4});

  // GEO_Z swings to the x axis: the line turned 90 degrees about y.
  const float side[3] = {2, 0, 0};
  GVSetGeoTransformPos(side, GEO_SEL_FRAME, aZ);
  GVUpdateGeoAttachments(&list_, nullptr, 0, 0, 0, 0, 0);
  ExpectVec(g->xform[GEO_SLOT_FRAME].scale, {1, 1, 1});
  tip = Placed(g, {0, 0, 2});
  ExpectVec(tip.data(), {2, 0, 0});
  std::vector<float> side1 = Placed(g, {1, 0, 0});
  ExpectVec(side1.data(), {0, 0, -1});
  (void)a0;
}

TEST_F(GeoAttachList, TypeOutsideTheTableIsSkipped) {
  GObject* g = Add(1);
  const float s[3] = {2, 3, 4};
  GVSetGeoTransformScale(s, GEO_SEL_START, g);
  Attach(g)->type = 12;
  Attach(g)->geo0 = 1;
  Attach(g)->jelStart = 1;
  GVUpdateGeoAttachments(&list_, nullptr, 0, 0, 0, 0, 0);
  // Type 12 decodes no anchor: the Geo is skipped.
  ExpectVec(g->xform[GEO_SLOT_FRAME].scale, {1, 1, 1});
}

// --- Geos attached to Jels ----------------------------------------------------

class GeoAttachJel : public GeoAttachList {
 protected:
  void SetUp() override {
    GeoAttachList::SetUp();
    LatticeSpec spec;
    spec.cellSize = 1.0f;
    spec.nx = spec.ny = spec.nz = 3;
    LatticeBuilder b(&spec);
    GVGridAddCell(1, 1, 1, &b);
    GVGridAddCell(2, 1, 1, &b);
    jel_ = GVCreateJelFromBuilder(&b, 4, 0, 100, nullptr);
    ASSERT_NE(jel_, nullptr);
    GVAddJel(&world_, jel_);
  }

  void TurnJel(float angle, int32_t frame) {
    float rz[9];
    RotZ(angle, rz);
    const float c[3] = {0, 0, 0};
    jel_->rotateLiveState(rz, c);
    jel_->playParams.currentFrame = frame;
    world_.params.currentFrame = frame;
  }

  HWorld world_;
  HObject* jel_ = nullptr;
};

TEST_F(GeoAttachJel, GeoFollowsTheJelAndTurnsWithIt) {
  GObject* g = Add(1);
  const float q[3] = {3, 0.5f, 0};
  GVSetGeoTransformPos(q, GEO_SEL_START, g);
  GVAttachSet(Attach(g), GEO_ATTACH_JEL0, 4, 0, 0, 0, 1, 0);
  ASSERT_EQ(GVApplyGeoAttachments(&list_, &world_), 0);

  // Before the Jel moves the Geo stays where it was placed.
  GVUpdateGeoAttachments(&list_, &world_, 0, 0, 0, 0, 0);
  ExpectVec(g->xform[GEO_SLOT_FRAME].position, {3, 0.5f, 0});

  TurnJel(kHalfPi, 1);
  GVUpdateGeoAttachments(&list_, &world_, 0, 0, 0, 0, 0);
  float rz[9];
  RotZ(kHalfPi, rz);
  ExpectMat(g->xform[GEO_SLOT_FRAME].matrix, rz);
  ExpectVec(g->xform[GEO_SLOT_FRAME].position, {-0.5f, 3, 0});
  const std::vector<float> p = Placed(g, {1, 0, 0});
  ExpectVec(p.data(), {-0.5f, 4, 0});
}

TEST_F(GeoAttachJel, SteeringTurnsAboutTheLocalZAxis) {
  GObject* g = Add(1);
  GVAttachSet(Attach(g), GEO_ATTACH_STEERING, 4, 0, 0, 0, 1, 0);
  GVApplyGeoAttachment(&list_, &world_, g);
  const float at[3] = {0, 0, 0};
  GVUpdateGeoAttachments(&list_, &world_, kHalfPi, 0, 0, 0, 0);
  const std::vector<float> p = Placed(g, {1, 0, 0});
  float origin[3];
  GVTransformGeoPoint(g, at, GEO_SEL_FRAME, origin);
  ExpectVec(p.data(), {origin[0], origin[1] + 1, origin[2]});
}

TEST_F(GeoAttachJel, DriveAngleWrapsByWholeTurns) {
  GObject* front = Add(1);
  GObject* back = Add(2);
  GVAttachSet(Attach(front), GEO_ATTACH_DRIVE_FRONT, 4, 0, 0, 0, 1, 0);
  GVAttachSet(Attach(back), GEO_ATTACH_DRIVE_BACK, 4, 0, 0, 0, 1, 0);
  GVApplyGeoAttachments(&list_, &world_);

  // At frame 0 the angle starts from 0 whatever the record held.
  front->attach->driveAngle = 2.0f;
  GVUpdateGeoAttachments(&list_, &world_, 0, 0.25f, -0.5f, 0, 0);
  EXPECT_FLOAT_EQ(front->attach->driveAngle, 0.25f);
  EXPECT_FLOAT_EQ(back->attach->driveAngle, -0.5f);

  world_.params.currentFrame = 5;
  struct Case {
    float held, step, want;
  };
  const Case cases[] = {{3.1f, 0.1f, 3.2f - 2 * kPi}, {-3.1f, -0.1f, -3.2f + 2 * kPi}, {1.0f, 0.5f, 1.5f},
                        {3.0f, 7.0f, 10.0f - 4 * kPi}};
  for (const Case& c : cases) {
    front->attach->driveAngle = c.held;
    GVUpdateGeoAttachments(&list_, &world_, 0, c.step, 0, 0, 0);
    EXPECT_NEAR(front->attach->driveAngle, c.want, 1e-5f) << c.held << " + " << c.step;
  }
}

TEST_F(GeoAttachJel, TwoJelAnchorsUseTheSecondPartWord) {
  GObject* g = Add(1);
  GeoAttach* a = Attach(g);
  GVAttachSet(a, GEO_ATTACH_JEL0_TO_JELZ, 4, 4, 0, 0, 2, 3);
  jel_->setNodePart(1, 3, 1);  // part 3 holds node 1 only; part 2 is empty
  GVApplyGeoAttachment(&list_, &world_, g);
  // The start point is the start slot's origin in node 1's frame: a part-2
  // anchor would have given no frame at all.
  float p[3], m[9];
  ASSERT_NE(GVAttachNodeFrame(jel_, 3, p, m, 0), 0);
  float inv[9], d[3] = {-p[0], -p[1], -p[2]}, want[3];
  GVMat3InvertTo(m, inv);
  GVMat3MulVec(want, inv, d);
  ExpectVec(a->startPoint, {want[0], want[1], want[2]});
}

TEST_F(GeoAttachJel, NodeFrameMovesOnByVelocityOnlyForSelectedJels) {
  float p0[3], m[9];
  ASSERT_NE(GVAttachNodeFrame(jel_, 1, p0, m, 0), 0);
  for (int32_t i = 1; i <= jel_->nodeCount; ++i) jel_->vel[i][0] = 2.0f;
  float p1[3];
  GVAttachNodeFrame(jel_, 1, p1, m, 0.5f);
  EXPECT_NEAR(p1[0] - p0[0], 1.0f, 1e-5f);

  // A part outside 1..31 gives nothing and writes nothing.
  float untouched[3] = {7, 7, 7};
  EXPECT_EQ(GVAttachNodeFrame(jel_, 0, untouched, m, 0), 0);
  EXPECT_EQ(GVAttachNodeFrame(jel_, 32, untouched, m, 0), 0);
  EXPECT_EQ(untouched[0], 7.0f);

  // The update passes the time step only to Jels of the selection.
  GObject* g = Add(1);
  GVAttachSet(Attach(g), GEO_ATTACH_JEL0, 4, 0, 0, 0, 1, 0);
  GVApplyGeoAttachment(&list_, &world_, g);
  world_.params.currentFrame = jel_->playParams.currentFrame = 3;
  GVUpdateGeoAttachments(&list_, &world_, 0, 0, 0, 0, 0.5f);
  const float x0 = g->xform[GEO_SLOT_FRAME].position[0];
  jel_->playParams.currentFrame = 4;
  GVUpdateGeoAttachments(&list_, &world_, 0, 0, 0, 4, 0.5f);
  EXPECT_NEAR(g->xform[GEO_SLOT_FRAME].position[0] - x0, 1.0f, 1e-5f);
}

TEST_F(GeoAttachJel, PartOutsideRangeLeavesTheGeoWhereItIs) {
  GObject* g = Add(1);
  const float q[3] = {3, 0, 0};
  GVSetGeoTransformPos(q, GEO_SEL_START, g);
  GVCopyGeoTransform(g, GEO_SEL_START, GEO_SEL_FRAME);
  GVAttachSet(Attach(g), GEO_ATTACH_JEL0, 4, 0, 0, 0, 40, 0);
  GVApplyGeoAttachment(&list_, &world_, g);
  TurnJel(kHalfPi, 1);
  GVUpdateGeoAttachments(&list_, &world_, 0, 0, 0, 0, 0);
  ExpectVec(g->xform[GEO_SLOT_FRAME].position, {3, 0, 0});
}

}  // namespace
