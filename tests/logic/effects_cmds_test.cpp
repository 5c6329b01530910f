#include "logic/effects_cmds.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "camera/camera_record.h"
#include "dynamics/motion_commands.h"
#include "geo/geo_binding.h"
#include "geo/geo_transform.h"
#include "jel/deformation_map.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "jel/matter.h"
#include "jel/vector_math.h"
#include "logic/interpreter.h"
#include "logic_fixture.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"

namespace {

std::vector<float> Slot(const GObject* geo, int selector, int part) {
  float p[3], m[9], s[3];
  GVGetGeoTransform(geo, selector, p, m, s, nullptr);
  return part == 0 ? std::vector<float>(p, p + 3) : part == 1 ? std::vector<float>(m, m + 9) : std::vector<float>(s, s + 3);
}

void ExpectNear(const std::vector<float>& got, const std::vector<float>& want, float tol) {
  ASSERT_EQ(got.size(), want.size());
  for (size_t k = 0; k < got.size(); ++k) EXPECT_NEAR(got[k], want[k], tol) << k;
}

// The forward axis of an eye points from its frame position at the target.
void ExpectLooksAt(const GObject* eye, const float target[3]) {
  const std::vector<float> at = Slot(eye, GEO_SEL_FRAME, 0), r = Slot(eye, GEO_SEL_BIRTH, 1);
  float d[3];
  GVVecSub(d, target, at.data());
  GVVecScale(d, d, 1.0f / GVVecLength(d));
  ExpectNear({r[6], r[7], r[8]}, {d[0], d[1], d[2]}, 1e-4f);
}

std::vector<float> PartVelocity(HWorld* world, int32_t id) {
  float v[3] = {0, 0, 0};
  GVGetSelVelocity(world, 1, id, kFrameCommitted, kAxesAll, v);
  return {v[0], v[1], v[2]};
}

CameraRec gCamera;

}  // namespace

TEST(EffectsCmds, GeoPointerConsumesEventsWithAJelAndDrivesItAlongThePointer) {
  LogicScene s;
  s.sys->minSubSteps = 4;
  s.AddJel(1, 1, 1, 1, -0.5f, 5.0f, -0.5f, 0.0f);
  const float origin[3] = {0, 0, 0}, turn[3] = {0.0f, 0.5235988f, 0.0f};
  GObject* pointer = s.AddGeo(1, origin);
  float m[9];
  GVRotationFromVector(turn, m);  // x axis (cos 30, 0, -sin 30): level
  GVSetGeoTransform(pointer, GEO_SEL_FRAME, nullptr, m, nullptr, 0.0f);
  LogicLine* line = s.Add(kLogicEffects, kFxGeoPointer, {}, {IConst(1), FConst(2.0f)});
  int32_t* event = GVScene().viewPair;

  event[0] = 1;
  event[1] = 0;  // no Jel was current
  s.PlayTo(2);
  EXPECT_EQ(event[0], 1);
  ExpectNear(PartVelocity(s.World(), 1), {0, 0, 0}, 1e-6f);

  event[1] = 1;
  s.PlayTo(3);
  EXPECT_EQ(event[0], 0);
  const std::vector<float> driven = PartVelocity(s.World(), 1);
  ExpectNear(driven, {2.0f * m[0], 0.0f, 2.0f * m[2]}, 1e-3f);

  // A Geo id that names no Geo still consumes the event, and drives nothing.
  line->argInt[0] = 99;
  event[0] = 1;
  s.PlayTo(4);
  EXPECT_EQ(event[0], 0);
  ExpectNear(PartVelocity(s.World(), 1), driven, 1e-3f);
}

TEST(EffectsCmds, GeosTurnAboutTheirOwnAxesAndRideOnOtherGeos) {
  LogicScene s;
  const float origin[3] = {0, 0, 0};
  GObject* geo = s.AddGeo(1, origin);
  const float quarterZ[3] = {0.0f, 0.0f, 1.5707964f};
  float base[9];
  GVRotationFromVector(quarterZ, base);
  const float start[3] = {2.0f, 0.0f, 0.0f};
  GVSetGeoTransform(geo, GEO_SEL_START, start, base, nullptr, 0.0f);
  s.Main().f[1] = 90.0f;
  s.Add(kLogicEffects, kFxGeoRot1, {}, {IConst(1), FVar(1)});

  GObject* carrier = s.AddGeo(2, origin);
  const float carrierAt[3] = {1, 0, 0}, two[3] = {2, 2, 2}, up[3] = {0, 1, 0};
  GVSetGeoTransform(carrier, GEO_SEL_FRAME, carrierAt, nullptr, two, 0.0f);
  GObject* rider = s.AddGeo(3, origin);
  GVSetGeoTransform(rider, GEO_SEL_START, up, nullptr, nullptr, 0.0f);
  s.Add(kLogicEffects, kFxGeoRot2, {}, {IConst(2), IConst(3), FVar(2)});

  s.PlayTo(3);
  // The own x axis stays; the own y axis turns onto the own z axis.
  const std::vector<float> r = Slot(geo, GEO_SEL_FRAME, 1);
  ExpectNear({r[0], r[1], r[2]}, {base[0], base[1], base[2]}, 1e-6f);
  ExpectNear({r[3], r[4], r[5]}, {base[6], base[7], base[8]}, 1e-6f);
  EXPECT_TRUE(geo->flags & GEO_FLAG_FRAME_XFORM_SET);
  ExpectNear(Slot(rider, GEO_SEL_FRAME, 0), {1, 1, 0}, 1e-6f);
  ExpectNear(Slot(rider, GEO_SEL_FRAME, 2), {2, 2, 2}, 1e-6f);

  // Editing the natural state puts the Geo back at its start transform.
  s.World()->params.stateMode = -1;
  GVRunMainLogic(s.sys, GVScene().world);
  ExpectNear(Slot(geo, GEO_SEL_FRAME, 0), {2, 0, 0}, 0.0f);
  ExpectNear(Slot(geo, GEO_SEL_FRAME, 1), std::vector<float>(base, base + 9), 0.0f);
  s.World()->params.stateMode = 0;
}

TEST(EffectsCmds, EyesLookAtAPointOrTheCameraWithinTheirCone) {
  LogicScene s;
  HObject* jel = s.AddJel(1, 3, 3, 3, 0.0f, 0.0f, 0.0f, 0.0f);
  const float at[3] = {1, 2, 3}, inside[3] = {1.5f, 1.5f, 1.5f}, origin[3] = {0, 0, 0};
  GObject* free = s.AddGeo(1, at);
  GObject* attached = s.AddGeo(2, inside);
  GVUpdateJelDeform(jel, 0);
  ASSERT_EQ(GVCellBindGeo(attached, jel, 1), 1);
  attached->flags |= GEO_FLAG_BOUND | GEO_FLAG_CELL_BINDING;
  float anchor[3], frame[9];
  ASSERT_GT(GVGetGeoAttachPoint(attached, anchor, frame), 0);
  GObject* watcher = s.AddGeo(3, origin);

  float* target = s.Main().v[1];
  target[0] = 4.0f;
  target[1] = 6.0f;
  target[2] = 15.0f;
  float* behind = s.Main().v[2];
  for (int k = 0; k < 3; ++k) behind[k] = anchor[k] - 5.0f * frame[6 + k];
  s.Add(kLogicEffects, kFxEyePoint, {}, {IConst(1), VVar(1)});
  s.Add(kLogicEffects, kFxEyePoint, {}, {IConst(2), VVar(2)});
  s.Add(kLogicEffects, kFxEyeCam, {}, {IConst(3)});
  gCamera.eye[0] = 3.0f;
  gCamera.eye[1] = 4.0f;
  SceneServices sv = GVSceneServices();
  sv.viewCamera = [] { return &gCamera; };
  GVSetSceneServices(sv);

  const std::vector<float> before = Slot(attached, GEO_SEL_BIRTH, 1);
  s.PlayTo(2);
  ExpectLooksAt(free, target);
  ExpectLooksAt(watcher, gCamera.eye);
  EXPECT_EQ(Slot(attached, GEO_SEL_BIRTH, 1), before);
}

TEST(EffectsCmds, MouseDragTakesAPartOfTwoOrMoreNodes) {
  LogicScene s;
  HObject* jel = s.AddJel(1, 2, 1, 1, 0.0f, 5.0f, 0.0f, 0.0f);
  jel->partMask[1] |= 1u << 5;
  jel->partMask[1] |= 1u << 6;
  jel->partMask[jel->nodeCount] |= 1u << 6;
  LogicLine* line = s.Add(kLogicEffects, kFxMouseDrag, {}, {IConst(1), IConst(5)});
  GlobalWorkBlock* block = GVGlobalWorkBlock();
  block->words[1] = 1;
  s.PlayTo(2);
  EXPECT_EQ(jel->state->dragMode, 0);
  line->argInt[1] = 6;
  s.PlayTo(3);
  EXPECT_EQ(jel->state->dragMode, 1);
  line->flags |= 0x400000;
  s.PlayTo(4);
  EXPECT_EQ(jel->state->dragMode, 2);
  block->words[1] = 0;
}

TEST(EffectsCmds, AttractPullsOnlyAfterTheFirstStepOfARun) {
  LogicStore s;
  HObject* a = s.AddJel(1, 0.0f, 5.0f, 0.0f, 0.0f);
  s.AddJel(2, 3.0f, 5.0f, 0.0f, 0.0f);
  FrameParams& fp = s.world.params;
  fp.stepping = 1;
  fp.subSteps = 2;
  fp.subStepIndex = 2;
  fp.currentFrame = -1;  // the step that ends at the loop-start frame
  s.Add(kLogicEffects, kFxAttract, {}, {IConst(1), IConst(2), IConst(1), FConst(50.0f), FConst(1.0f)});
  GVRunMainLogic(&s.sys, &s.worldCell);
  EXPECT_EQ(a->state->disp[1][0], 0.0f);
  fp.currentFrame = 5;
  GVRunMainLogic(&s.sys, &s.worldCell);
  EXPECT_GT(a->state->disp[1][0], 0.0f);
}

TEST(EffectsCmds, TalkAndBrowRepeatTheirPosesAndRestWhileStopped) {
  LogicScene s;
  s.AddJel(1, 1, 1, 1, 0.0f, 5.0f, 0.0f, 0.0f);  // the world steps only with Jels
  const float origin[3] = {0, 0, 0};
  GObject* mouth = s.AddGeo(1, origin);
  GObject* left = s.AddGeo(2, origin);
  GObject* right = s.AddGeo(3, origin);
  GObject* still = s.AddGeo(4, origin);
  s.Add(kLogicEffects, kFxTalk, IVar(1), {IConst(1), IConst(2), IConst(4), FConst(1.0f)});
  s.Add(kLogicEffects, kFxBrow, IVar(2), {IConst(2), IConst(3), IConst(2), IConst(3), FConst(1.0f)});
  s.Add(kLogicEffects, kFxTalk, {}, {IConst(4), IConst(0), IConst(3), FConst(0.0f)});

  std::vector<std::vector<float>> scales, tilts;
  for (int run = 0; run < 2; ++run) {
    GVFrameClock().currentFrame = 0;  // the run starts again
    for (int32_t f = 1; f <= 30; ++f) {
      s.PlayTo(f);
      const std::vector<float> sc = Slot(mouth, GEO_SEL_FRAME, 2), l = Slot(left, GEO_SEL_FRAME, 1);
      if (run == 0) {
        scales.push_back(sc);
        tilts.push_back(l);
      } else {
        EXPECT_EQ(sc, scales[f - 1]) << f;
        EXPECT_EQ(l, tilts[f - 1]) << f;
      }
      ExpectNear(Slot(still, GEO_SEL_FRAME, 2), {1, 1, 1}, 0.0f);
      // A tilt about z alone, within -4 .. +5 degrees.
      EXPECT_NEAR(l[8], 1.0f, 1e-6f);
      EXPECT_LE(std::fabs(std::atan2(l[1], l[0])), 0.0873f);
    }
  }
  // The first period starts from rest; the mouth moves afterwards.
  EXPECT_EQ(scales[1], (std::vector<float>{1, 1, 1}));
  bool moved = false;
  for (const auto& sc : scales) moved = moved || sc != std::vector<float>{1, 1, 1};
  EXPECT_TRUE(moved);

  // Stopped: rest poses and a 1 in the results.
  s.Main().i[1] = s.Main().i[2] = 0;
  GVRunMainLogic(s.sys, GVScene().world);
  ExpectNear(Slot(mouth, GEO_SEL_FRAME, 2), {1, 1, 1}, 0.0f);
  ExpectNear(Slot(right, GEO_SEL_FRAME, 1), {1, 0, 0, 0, 1, 0, 0, 0, 1}, 0.0f);
  EXPECT_EQ(s.Main().i[1], 1);
  EXPECT_EQ(s.Main().i[2], 1);
}
