#include "geo/geo_attach.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

#include "dynamics/world.h"
#include "geo/geo_list.h"
#include "geo/geo_transform.h"
#include "geo/mesh_bounds.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "jel/state_interface.h"
#include "jel/vector_math.h"
#include "records/binary_file.h"
#include "records/item_stream.h"

namespace {

const float kPi = 3.1415927f;
const float kUnitScaleTolerance = 0.0001f;

// The stored layout of a record, visited in order by every reader and writer:
// the nine integer words, then the fifteen floats.
template <typename IntFn, typename FloatFn>
bool visitAttachWords(GeoAttach* a, IntFn onInt, FloatFn onFloat) {
  int32_t* ints[kGeoAttachInts] = {&a->type,     &a->geo0,    &a->geoZ,
                                   &a->jelStart, &a->jelEnd,  &a->partStart,
                                   &a->partEnd,  &a->intWords[0], &a->intWords[1]};
  for (int32_t* p : ints)
    if (!onInt(p)) return false;
  float* floats[kGeoAttachFloats] = {&a->appliedLength, &a->driveAngle, &a->wantedLength};
  for (int k = 0; k < 3; ++k) floats[3 + k] = &a->startPoint[k];
  for (int k = 0; k < 3; ++k) floats[6 + k] = &a->endPoint[k];
  for (int k = 0; k < 6; ++k) floats[9 + k] = &a->floatWords[k];
  for (float* p : floats)
    if (!onFloat(p)) return false;
  return true;
}

bool isTwoAnchor(int32_t type) { return type >= 2 && type <= 5; }

// The anchors a record names, decoded by its type.
struct Anchors {
  int32_t startJel = 0, endJel = 0, geo0 = 0, geoZ = 0, part = 0;
};

Anchors decodeAnchors(const GeoAttach* a) {
  Anchors r;
  const int32_t t = a->type;
  if (t == 1 || t == 2 || t == 4 || t == 7 || t == 8 || t == 9) r.startJel = a->jelStart;
  if (t == 3 || t == 5 || t == 6) r.geo0 = a->geo0;
  if (t == 2 || t == 3) r.endJel = a->jelEnd;
  if (t == 4 || t == 5) r.geoZ = a->geoZ;
  r.part = (t == 2 || t == 3) ? a->partEnd : a->partStart;
  return r;
}

bool partInRange(int32_t part) { return part >= 1 && part <= 31; }

HObject* findJel(HWorld* world, int32_t id) { return (world && id >= 1) ? GVGetJelById(world, id) : nullptr; }
GObject* findGeo(GeoList* list, int32_t id) { return (list && id >= 1) ? GVGetGeoById(list, id) : nullptr; }

void cross(float out[3], const float a[3], const float b[3]) {
  const float r[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
  std::memcpy(out, r, sizeof r);
}

// The frame a Jel is at for its node-frame key: its shown frame, one further
// once the last sub-step of a step has been reached.
int32_t jelKeyFrame(const FrameParams& p) {
  return p.currentFrame + ((p.stepping && p.subSteps >= 1 && p.subStepIndex >= p.subSteps) ? 1 : 0);
}

void advanceByVelocity(HObject* jel, int32_t part, float pos[3], float timeStep) {
  if (timeStep <= 1e-5f || !jel->vel) return;
  const int32_t node = jel->firstNodeInPartChecked(part);
  if (node < 1 || node > jel->nodeCount) return;
  for (int k = 0; k < 3; ++k) pos[k] += jel->vel[node][k] * timeStep;
}

// A point given in the Jel's live node frame at the part, in world
// coordinates: R q + p.
void liveFramePoint(HObject* jel, int32_t part, int32_t key, float timeStep, float point[3]) {
  float p[3] = {0, 0, 0}, m[9];
  GVMat3Identity(m);
  jel->getNodeFrame(part, kFrameCommitted, key, 0, p, m);
  advanceByVelocity(jel, part, p, timeStep);
  float q[3];
  GVMat3MulVec(q, m, point);
  for (int k = 0; k < 3; ++k) point[k] = q[k] + p[k];
}

// A world point in the Jel's node frame at the part, taken in the natural
// state: R^-1 (q - p).
void restFramePoint(HObject* jel, int32_t part, float point[3]) {
  float p[3] = {0, 0, 0}, m[9], inv[9];
  GVMat3Identity(m);
  jel->getNodeFrame(part, kFrameInitial, 0, 0, p, m);
  GVMat3InvertTo(m, inv);
  const float d[3] = {point[0] - p[0], point[1] - p[1], point[2] - p[2]};
  GVMat3MulVec(point, inv, d);
}

// Angle kept within -pi..pi by whole turns, so that a drive keeps turning the
// same way when it passes pi.
float wrapAngle(float a) {
  if (!std::isfinite(a)) return 0.0f;
  if (a > kPi || a < -kPi) {
    const float turn = 2.0f * kPi;
    a = std::fmod(a + kPi, turn);
    if (a < 0.0f) a += turn;
    a -= kPi;
  }
  return a;
}

// R . B applies B first, then R.
void matMul(float out[9], const float R[9], const float B[9]) { GVMat3Mul(out, B, R); }

}  // namespace

const char* GVAttachTypeLabel(int32_t type) {
  static const char* const kLabels[] = {"",
                                        "Jel0",
                                        "Jel0_to_JelZ",
                                        "Geo0_to_JelZ",
                                        "Jel0_to_GeoZ",
                                        "Geo0_to_GeoZ",
                                        "Geo0",
                                        "Steering Wheel",
                                        "Motor_Drive Front",
                                        "Motor_Drive Back"};
  return (type >= 1 && type <= 9) ? kLabels[type] : "";
}

void GVAttachCopy(GeoAttach* dst, const GeoAttach* src) {
  if (dst && src && dst != src) *dst = *src;
}

void GVAttachClear(GeoAttach* a) {
  if (a) *a = GeoAttach{};
}

void GVAttachClearIfRefers(GeoAttach* a, int32_t jelId) {
  if (a && (a->jelStart == jelId || a->jelEnd == jelId)) GVAttachClear(a);
}

void GVAttachSet(GeoAttach* a, int32_t type, int32_t startJel, int32_t endJel, int32_t geo0, int32_t geoZ,
                 int32_t startPart, int32_t endPart) {
  if (!a) return;
  a->type = type;
  switch (type) {
    case 1: case 7: case 8: case 9:
      a->jelStart = startJel;
      break;
    case 2:
      a->jelStart = startJel;
      a->jelEnd = endJel;
      break;
    case 3:
      a->geo0 = geo0;
      a->jelEnd = endJel;
      break;
    case 4:
      a->geoZ = geoZ;
      a->jelStart = startJel;
      break;
    case 5:
      a->geo0 = geo0;
      a->geoZ = geoZ;
      break;
    case 6:
      a->geo0 = geo0;
      break;
    default:
      return;
  }
  a->partStart = startPart;
  a->partEnd = endPart;
}

int GVAttachIsComplete(const GeoAttach* a) {
  if (!a) return 0;
  const Anchors r = decodeAnchors(a);
  const int32_t part = a->partStart ? a->partStart : a->partEnd;
  switch (a->type) {
    case 0:
      return 1;
    case 1: case 7: case 8: case 9:
      return r.startJel != 0 && part != 0;
    case 6:
      return r.geo0 != 0;
    case 2: case 3: case 4: case 5:
      return (r.startJel != 0 || r.geo0 != 0) && (r.endJel != 0 || r.geoZ != 0) && (a->type == 5 || part != 0);
    default:
      return 0;
  }
}

int32_t GVIdTablePosition(int32_t id, int32_t count, const int32_t* ids) {
  for (int32_t k = 1; ids && id != 0 && k <= count; ++k)
    if (ids[k] == id) return k;
  return 0;
}

void GVAttachRemapWord1(GeoAttach* a, int32_t count, const int32_t* ids) {
  if (!a || a->type == 0) return;
  a->geo0 = GVIdTablePosition(a->geo0, count, ids);
  a->geoZ = GVIdTablePosition(a->geoZ, count, ids);
}

void GVAttachRemapWord3(GeoAttach* a, int32_t count, const int32_t* ids) {
  if (!a || a->type == 0) return;
  a->jelStart = GVIdTablePosition(a->jelStart, count, ids);
  a->jelEnd = GVIdTablePosition(a->jelEnd, count, ids);
}

int GVReadAttach(FILE* file, GeoAttach* a) {
  if (!file || !a) return 0;
  GeoAttach r = *a;
  if (!visitAttachWords(&r, [&](int32_t* v) { return GVFileReadI32(file, v) != 0; },
                        [&](float* v) { return GVFileReadF32(file, v) != 0; }))
    return 0;
  *a = r;
  return 1;
}

int GVWriteAttach(FILE* file, const GeoAttach* a) {
  if (!file || !a) return 0;
  GeoAttach r = *a;
  return visitAttachWords(&r, [&](int32_t* v) { return GVFileWriteI32(file, *v) != 0; },
                          [&](float* v) { return GVFileWriteF32(file, *v) != 0; });
}

int GVAttachGetFromStream(ItemStream* image, GeoAttach* a) {
  if (!image || !a || !GVItemStreamHasRoom(image, 0, kGeoAttachInts, kGeoAttachFloats, 0)) return 0;
  return visitAttachWords(a, [&](int32_t* v) { return GVItemStreamTakeInt(image, v) != 0; },
                          [&](float* v) { return GVItemStreamTakeFloat(image, v) != 0; });
}

void GVCountAttachImage(ItemStream* image) {
  if (!image) return;
  image->intCount += kGeoAttachInts;
  image->floatCount += kGeoAttachFloats;
}

int GVPutAttachImage(ItemStream* image, const GeoAttach* a) {
  if (!image || !a || !GVItemStreamHasRoom(image, 0, kGeoAttachInts, kGeoAttachFloats, 0)) return 0;
  GeoAttach r = *a;
  return visitAttachWords(&r,
                          [&](int32_t* v) {
                            image->ints[image->intCount++] = *v;
                            return true;
                          },
                          [&](float* v) {
                            image->floats[image->floatCount++] = *v;
                            return true;
                          });
}

int GVCheckAttachmentOrder(const GObject* geo) {
  if (!geo || !geo->attach || geo->attach->type == 0) return -1;
  const Anchors r = decodeAnchors(geo->attach);
  if (r.geo0 == 0 && r.geoZ == 0) return 0;
  bool geo0Later = false, geoZLater = false;
  for (const GObject* g = geo->next; g; g = g->next) {
    if (r.geo0 != 0 && g->id == r.geo0) geo0Later = true;
    if (r.geoZ != 0 && g->id == r.geoZ) geoZLater = true;
  }
  return geo0Later ? 1 : geoZLater ? 2 : 0;
}

int32_t GVFindNonUnitScaleAttachGeo(const GeoList* list, const GObject* geo) {
  if (!geo || !geo->attach) return 0;
  const int32_t t = geo->attach->type;
  if (t < 3 || t > 6) return 0;
  if (!GVGeoHasUnitScale(geo, kUnitScaleTolerance)) return geo->id;
  const Anchors r = decodeAnchors(geo->attach);
  for (int32_t id : {r.geo0, r.geoZ}) {
    const GObject* g = (list && id >= 1) ? GVGetGeoById(list, id) : nullptr;
    if (g && !GVGeoHasUnitScale(g, kUnitScaleTolerance)) return g->id;
  }
  return 0;
}

int32_t GVAttachNodeFrame(HObject* jel, int32_t part, float pos[3], float mat[9], float timeStep) {
  if (!jel || !partInRange(part) || !pos || !mat) return 0;
  const int32_t result =
      jel->getNodeFrame(part, jelKeyFrame(jel->playParams), jel->playParams.stateMode, 0, pos, mat);
  advanceByVelocity(jel, part, pos, timeStep);
  return result;
}

int GVApplyGeoAttachments(GeoList* list, HWorld* world) {
  if (!list || !world) return -1;
  for (GObject* g = list->head; g; g = g->next)
    if (g->attach && g->attach->type != 0) GVApplyGeoAttachment(list, world, g);
  return 0;
}

int32_t GVApplyGeoAttachment(GeoList* list, HWorld* world, GObject* geo) {
  if (!geo || !geo->attach) return -1;
  GeoAttach* a = geo->attach;
  const int32_t nonUnit = GVFindNonUnitScaleAttachGeo(list, geo);
  if (a->type == 0) return nonUnit;
  const Anchors r = decodeAnchors(a);
  HObject* startJel = findJel(world, r.startJel);
  HObject* endJel = findJel(world, r.endJel);
  GObject* geo0 = findGeo(list, r.geo0);
  GObject* geoZ = findGeo(list, r.geoZ);
  // No node frame exists for a part outside 1..31: the Geo keeps its slots.
  if ((startJel || endJel) && !partInRange(r.part)) return nonUnit;

  const GTransform& start = geo->xform[GEO_SLOT_START];
  if (startJel) {
    float p[3] = {0, 0, 0}, R[9], inv[9];
    GVMat3Identity(R);
    GVAttachNodeFrame(startJel, r.part, p, R, 0.0f);
    GVMat3InvertTo(R, inv);
    const float d[3] = {start.position[0] - p[0], start.position[1] - p[1], start.position[2] - p[2]};
    float pos[3], mat[9];
    GVMat3MulVec(pos, inv, d);
    matMul(mat, inv, start.matrix);
    GVSetGeoTransform(geo, GEO_SEL_BIRTH, pos, mat, nullptr, 0.0f);
  } else if (geo0) {
    const GTransform& g0 = geo0->xform[GEO_SLOT_START];
    float inv[9];
    GVMat3InvertTo(g0.matrix, inv);
    const float d[3] = {start.position[0] - g0.position[0], start.position[1] - g0.position[1],
                        start.position[2] - g0.position[2]};
    float pos[3], mat[9], scale[3];
    GVMat3MulVec(pos, inv, d);
    matMul(mat, inv, start.matrix);
    std::memcpy(scale, start.scale, sizeof scale);
    GVSetGeoTransform(geo, GEO_SEL_BIRTH, pos, mat, scale, 0.0f);
  }

  if (isTwoAnchor(a->type)) {
    const float origin[3] = {0, 0, 0};
    float s[3];
    GVTransformGeoPoint(geo, origin, GEO_SEL_START, s);
    if (geo0) {
      float t[3];
      GVInverseTransformGeoPoint(geo0, s, t);
      std::memcpy(s, t, sizeof s);
    }
    if (startJel) restFramePoint(startJel, r.part, s);
    std::memcpy(a->startPoint, s, sizeof s);

    float length = a->wantedLength;
    if (!(length > 0.0001f)) {
      float box[6];
      length = GVGetGeoBaseBounds(geo, box) ? box[5] : 0.0f;
    }
    const float tip[3] = {0, 0, length};
    float e[3];
    GVTransformGeoPoint(geo, tip, GEO_SEL_START, e);
    if (geoZ) {
      float t[3];
      GVInverseTransformGeoPoint(geoZ, e, t);
      std::memcpy(e, t, sizeof e);
    }
    if (endJel) restFramePoint(endJel, r.part, e);
    a->appliedLength = length;
    std::memcpy(a->endPoint, e, sizeof e);
  }
  return nonUnit;
}

int GVUpdateGeoAttachments(GeoList* list, HWorld* world, float steeringAngle, float frontDriveStep,
                           float backDriveStep, int32_t jelSel, float timeStep) {
  if (!list) return 0;
  int32_t f = 0;
  if (world) {
    const FrameParams& wp = world->params;
    f = wp.currentFrame + ((wp.stepping && wp.subSteps >= 1 && wp.subSteps == wp.subStepIndex) ? 1 : 0);
  }
  for (GObject* geo = list->head; geo; geo = geo->next) {
    GeoAttach* a = geo->attach;
    if (!a || a->type == 0) continue;
    const Anchors r = decodeAnchors(a);
    HObject* startJel = findJel(world, r.startJel);
    HObject* endJel = findJel(world, r.endJel);
    GObject* geo0 = findGeo(list, r.geo0);
    GObject* geoZ = findGeo(list, r.geoZ);
    // A Geo whose anchors are all gone is left where it is; the Geos after it
    // are still placed.
    if (!startJel && !endJel && !geo0 && !geoZ) continue;
    if ((startJel || endJel) && !partInRange(r.part)) continue;

    const float hStart = (jelSel != 0 && startJel && GVJelInSel(startJel, jelSel)) ? timeStep : 0.0f;
    const float hEnd = (jelSel != 0 && endJel && GVJelInSel(endJel, jelSel)) ? timeStep : 0.0f;
    float R[9], p[3] = {0, 0, 0};
    GVMat3Identity(R);
    if (startJel) GVAttachNodeFrame(startJel, r.part, p, R, hStart);

    const GTransform& birth = geo->xform[GEO_SLOT_BIRTH];
    GTransform& frame = geo->xform[GEO_SLOT_FRAME];
    float mat[9], pos[3];
    float stretch = 1.0f;
    bool place = true;
    switch (a->type) {
      case 1: case 7: case 8: case 9: {
        matMul(mat, R, birth.matrix);
        GVMat3MulVec(pos, R, birth.position);
        for (int k = 0; k < 3; ++k) pos[k] += p[k];
        float angle = 0.0f;
        if (a->type == 7) {
          angle = steeringAngle;
        } else if (a->type >= 8) {
          if (f == 0) a->driveAngle = 0.0f;
          a->driveAngle = wrapAngle(a->driveAngle + (a->type == 8 ? frontDriveStep : backDriveStep));
          angle = a->driveAngle;
        }
        if (a->type >= 7) {
          const float axis[3] = {0, 0, angle};
          float z[9], turned[9];
          GVRotationFromVector(axis, z);
          matMul(turned, mat, z);
          std::memcpy(mat, turned, sizeof mat);
        }
        break;
      }
      case 6: {
        const GTransform& g0 = geo0->xform[GEO_SLOT_FRAME];
        matMul(mat, g0.matrix, birth.matrix);
        GVMat3MulVec(pos, g0.matrix, birth.position);
        for (int k = 0; k < 3; ++k) pos[k] += g0.position[k];
        break;
      }
      case 2: case 3: case 4: case 5: {
        if (geo0) {
          matMul(mat, geo0->xform[GEO_SLOT_FRAME].matrix, birth.matrix);
        } else if (startJel) {
          matMul(mat, R, birth.matrix);
        } else {
          std::memcpy(mat, frame.matrix, sizeof mat);
        }
        // Start, carried end and target end of the line the Geo follows.
        float s[3], e[3], t[3];
        std::memcpy(s, a->startPoint, sizeof s);
        const float tip[3] = {0, 0, a->appliedLength};
        GVTransformGeoPoint(geo, tip, GEO_SEL_BIRTH, e);
        if (geo0) {
          float q[3];
          GVTransformGeoPoint(geo0, s, GEO_SEL_FRAME, q);
          std::memcpy(s, q, sizeof s);
          GVTransformGeoPoint(geo0, e, GEO_SEL_FRAME, q);
          std::memcpy(e, q, sizeof e);
        } else if (startJel) {
          liveFramePoint(startJel, r.part, f, hStart, s);
          liveFramePoint(startJel, r.part, f, hStart, e);
        }
        std::memcpy(t, a->endPoint, sizeof t);
        if (geoZ) {
          float q[3];
          GVTransformGeoPoint(geoZ, t, GEO_SEL_FRAME, q);
          std::memcpy(t, q, sizeof t);
        } else if (endJel) {
          liveFramePoint(endJel, r.part, f, hEnd, t);
        }
        float d1[3], d2[3];
        GVVecSub(d1, e, s);
        GVVecSub(d2, t, s);
        const float l1 = GVVecLength(d1), l2 = GVVecLength(d2);
        if (l1 != 0.0f) stretch = l2 / l1;
        if (l1 != 0.0f && l2 != 0.0f) {
          float u1[3], u2[3], c[3], du[3];
          GVVecScale(u1, d1, 1.0f / l1);
          GVVecScale(u2, d2, 1.0f / l2);
          cross(c, u1, u2);
          const float lc = GVVecLength(c);
          if (lc > 0.000001f) {
            GVVecSub(du, u2, u1);
            float half = 0.5f * GVVecLength(du);
            if (half > 1.0f) half = 1.0f;
            const float theta = 2.0f * std::fabs(std::asin(half));
            float rv[3], Q[9], turned[9];
            GVVecScale(rv, c, theta / lc);
            GVRotationFromVector(rv, Q);
            matMul(turned, Q, mat);
            std::memcpy(mat, turned, sizeof mat);
          }
        }
        std::memcpy(pos, s, sizeof pos);
        break;
      }
      default:
        place = false;
        break;
    }
    float scale[3];
    std::memcpy(scale, geo->xform[GEO_SLOT_START].scale, sizeof scale);
    if (isTwoAnchor(a->type)) scale[2] *= stretch;
    if (place)
      GVSetGeoTransform(geo, GEO_SEL_FRAME, pos, mat, scale, 0.0f);
    else
      GVSetGeoTransform(geo, GEO_SEL_FRAME, nullptr, nullptr, scale, 0.0f);
  }
  return 0;
}
