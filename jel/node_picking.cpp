#include "jel/node_picking.h"

#include <cmath>
#include <vector>

#include "camera/camera_record.h"
#include "jel/jel_object.h"
#include "jel/vector_math.h"

// Start of every nearest search: larger than any squared pixel distance.
static constexpr float kFarAway = 9e30f;

static void toPixels(const ViewportRec* vp, const float q[3], float out[3]) {
  out[0] = static_cast<float>(vp->centreX) + 0.5f * static_cast<float>(vp->width) * q[0];
  out[1] = static_cast<float>(vp->centreY) - 0.5f * static_cast<float>(vp->height) * q[1];
  out[2] = q[2];
}

static float pixelDistSq(int32_t x, int32_t y, const float px[3]) {
  const float dx = static_cast<float>(x) - px[0], dy = static_cast<float>(y) - px[1];
  return dx * dx + dy * dy;
}

// Projects p to pixels; false for a point at or behind the eye, whose
// projection is mirrored through the view centre and must never be picked.
static bool projectToPixels(const CameraRec* cam, const ViewportRec* vp, const float p[3], float out[3]) {
  float q[3];
  GVProjectPoint(cam, p, q);
  if (!(q[2] > 0.0f)) return false;
  toPixels(vp, q, out);
  return true;
}

// Face table entries come from files too: a face is used only when all its
// corners are nodes of this Jel.
static bool validFace(const HObject* jel, int32_t f) {
  for (int k = 0; k < 4; ++k) {
    const int32_t c = jel->faces[f][k];
    if (c < 1 || c > jel->nodeCount) return false;
  }
  return true;
}

static void faceCentre(const HObject* jel, int32_t f, float out[3]) {
  for (int a = 0; a < 3; ++a) {
    float s = 0.0f;
    for (int k = 0; k < 4; ++k) s += jel->pos[jel->faces[f][k]][a] * 0.25f;
    out[a] = s;
  }
}

// (centre - eye) . ((c3 - c0) x (c1 - c0)) over the live corners: negative
// when the face turns towards the eye.
static float facingDot(const HObject* jel, int32_t f, const float eye[3], float centre[3]) {
  const int32_t* c = jel->faces[f];
  float e3[3], e1[3], n[3], v[3];
  GVVecSub(e3, jel->pos[c[3]], jel->pos[c[0]]);
  GVVecSub(e1, jel->pos[c[1]], jel->pos[c[0]]);
  GVVecCross(n, e3, e1);
  faceCentre(jel, f, centre);
  GVVecSub(v, centre, eye);
  return GVVecDot(v, n);
}

// The part-1 test is made on the face's own corners.
static bool faceInPart1(const HObject* jel, int32_t f) {
  for (int k = 0; k < 4; ++k)
    if (!jel->inPart(jel->faces[f][k], 1)) return false;
  return true;
}

static int32_t faceKind(const HObject* jel, int32_t f) {
  const int32_t c0 = jel->faces[f][0], c2 = jel->faces[f][2];
  if (c2 == jel->neighbour(kNbrPlusY, jel->neighbour(kNbrPlusZ, c0))) return kFaceSpansYZ;
  if (c2 == jel->neighbour(kNbrPlusZ, jel->neighbour(kNbrPlusX, c0))) return kFaceSpansZX;
  if (c2 == jel->neighbour(kNbrPlusX, jel->neighbour(kNbrPlusY, c0))) return kFaceSpansXY;
  return 0;
}

// Records the lattice edge a-b in the record of the end that has the other as
// its +x, +y or +z neighbour.
static void recordEdge(HObject* jel, int32_t a, int32_t b) {
  for (int axis = 0; axis < 3; ++axis) {
    if (jel->neighbour(kNbrPlusX + axis, a) == b) {
      jel->screenProj[a].edgeTo[axis] = b;
      return;
    }
    if (jel->neighbour(kNbrPlusX + axis, b) == a) {
      jel->screenProj[b].edgeTo[axis] = a;
      return;
    }
  }
}

void HObject::markVisibleEdges(const CameraRec* cam) {
  if (!screenProj || !cam) return;
  for (int32_t i = 0; i <= nodeCount; ++i)
    for (int axis = 0; axis < 3; ++axis) screenProj[i].edgeTo[axis] = 0;
  if (cam->mode == kCameraNoEdges) return;
  if (cam->mode == kCameraLatticeEdges) {
    if (!diffOneSided) return;
    for (int32_t i = 1; i <= nodeCount; ++i)
      for (int axis = 0; axis < 3; ++axis) {
        const int32_t j = neighbour(kNbrPlusX + axis, i);
        if (j && diffOneSided[j][axis] < 0.9f) screenProj[i].edgeTo[axis] = j;
      }
    return;
  }
  if (!faces || !pos) return;
  // Both sides of a one-layer sheet can be seen; a solid hides its back faces.
  const bool flat = isFlat();
  for (int32_t f = 1; f <= faceCount; ++f) {
    if (!validFace(this, f)) continue;
    float centre[3];
    if (!flat && facingDot(this, f, cam->eye, centre) >= 0.0f) continue;
    for (int k = 0; k < 4; ++k) recordEdge(this, faces[f][k], faces[f][(k + 1) & 3]);
  }
}

void HObject::projectNodes(const CameraRec* cam) {
  if (!screenProj || !cam) return;
  markVisibleEdges(cam);
  if (!pos) return;
  for (int32_t i = 1; i <= nodeCount; ++i) {
    float v[3];
    GVVecSub(v, pos[i], cam->eye);
    const float a = GVVecDot(cam->rot, v) * cam->projScale[0];
    const float b = GVVecDot(cam->rot + 3, v) * cam->projScale[1];
    const float depth = -(GVVecDot(cam->rot + 6, v) * cam->projScale[2]);
    NodeScreenRec& r = screenProj[i];
    r.cam[0] = a;
    r.cam[1] = b;
    r.cam[2] = depth;
    r.screen[0] = depth != 0.0f ? a / depth : 0.0f;
    r.screen[1] = depth != 0.0f ? b / depth : 0.0f;
    uint32_t out = 0;
    if (depth < a) out |= kOutRight;
    if (a < -depth) out |= kOutLeft;
    if (depth < b) out |= kOutAbove;
    if (b < -depth) out |= kOutBelow;
    if (depth < 0.0f) out |= kOutBehind;
    r.outcode = out;
  }
}

int32_t HObject::setPartInRect(const ViewportRec* vp, const CameraRec* cam, int32_t p, int32_t mode,
                               int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  if (!vp || !cam || !screenProj || !pos) return 0;
  projectNodes(cam);
  // Wide arithmetic: far-off nodes project to huge pixel values.
  const double dx = static_cast<double>(x1) - x0, dy = static_cast<double>(y1) - y0;
  int32_t inside = 0;
  for (int32_t i = 1; i <= nodeCount; ++i) {
    const NodeScreenRec& r = screenProj[i];
    // A node at or behind the eye is not on screen, whatever its mirrored
    // coordinates say.
    if (!(r.cam[2] > 0.0f)) continue;
    const double px = vp->centreX + std::trunc(0.5 * vp->width * static_cast<double>(r.screen[0]));
    const double py = vp->centreY - std::trunc(0.5 * vp->height * static_cast<double>(r.screen[1]));
    const double u = (px - x0) * dx, w = (py - y0) * dy;
    if (!(0.0 < u && u < dx * dx && 0.0 < w && w < dy * dy)) continue;
    ++inside;
    setNodePart(i, p, mode);
  }
  return inside;
}

void HObject::forEachFace(void* context, JelFaceCB cb) const {
  if (!cb || !faces || !pos) return;
  for (int32_t f = 1; f <= faceCount; ++f) {
    if (!validFace(this, f)) continue;
    const int32_t* c = faces[f];
    cb(context, handle, pos[c[0]], pos[c[1]], pos[c[2]], pos[c[3]], markedParts[0]);
  }
}

int32_t HObject::pickNearestNode(int32_t x, int32_t y, const ViewportRec* vp, const CameraRec* cam,
                                 int32_t* node, float point[3]) const {
  int32_t best = 0;
  float bestDist = kFarAway, bestPoint[3] = {};
  if (vp && cam && pos && partMask) {
    // In a solid only the corners of faces turned towards the viewer count.
    const bool flat = isFlat();
    std::vector<uint8_t> visible;
    if (!flat) {
      visible.assign(static_cast<size_t>(nodeCount) + 1, 0);
      for (int32_t f = 1; faces && f <= faceCount; ++f) {
        if (!validFace(this, f)) continue;
        float n[3];
        if (faceNormals) {
          GVVec3Copy(n, faceNormals[f]);
        } else {
          float e3[3], e1[3];
          GVVecSub(e3, pos[faces[f][3]], pos[faces[f][0]]);
          GVVecSub(e1, pos[faces[f][1]], pos[faces[f][0]]);
          GVVecCross(n, e3, e1);
        }
        if (GVVecDot(n, cam->rot + 6) > 0.0f)
          for (int k = 0; k < 4; ++k) visible[static_cast<size_t>(faces[f][k])] = 1;
      }
    }
    for (int32_t i = 1; i <= nodeCount; ++i) {
      if (!flat && !visible[static_cast<size_t>(i)]) continue;
      if (!inPart(i, 1)) continue;
      float px[3];
      if (!projectToPixels(cam, vp, pos[i], px)) continue;
      const float d = pixelDistSq(x, y, px);
      if (d < bestDist) {
        bestDist = d;
        best = i;
        GVVec3Copy(bestPoint, px);
      }
    }
  }
  if (node) *node = best;
  if (point && best) GVVec3Copy(point, bestPoint);
  return best;
}

int32_t HObject::pickNearestEdge(int32_t x, int32_t y, const ViewportRec* vp, const CameraRec* cam,
                                 int32_t* edge, int32_t* dir, float point[3]) const {
  int32_t best = 0;
  float bestDist = kFarAway, bestPoint[3] = {};
  if (vp && cam && pos && edges) {
    for (int32_t e = 1; e <= edgeCount; ++e) {
      const int32_t a = edges[e][0], b = edges[e][1];
      if (a < 1 || a > nodeCount || b < 1 || b > nodeCount) continue;
      const float mid[3] = {(pos[a][0] + pos[b][0]) * 0.5f, (pos[a][1] + pos[b][1]) * 0.5f,
                            (pos[a][2] + pos[b][2]) * 0.5f};
      float px[3];
      if (!projectToPixels(cam, vp, mid, px)) continue;
      const float d = pixelDistSq(x, y, px);
      if (d < bestDist) {
        bestDist = d;
        best = e;
        GVVec3Copy(bestPoint, px);
      }
    }
  }
  int32_t direction = 0;
  if (best) {
    const int32_t a = edges[best][0], b = edges[best][1];
    if (b == neighbour(kNbrPlusX, a))
      direction = 1;
    else if (b == neighbour(kNbrPlusY, a))
      direction = 2;
  }
  if (edge) *edge = best;
  if (dir) *dir = direction;
  if (point && best) GVVec3Copy(point, bestPoint);
  return best;
}

// The face-centre search shared by both face picks: facing faces only and a
// start distance of limit, or every face from the far start.
static int32_t nearestFaceCentre(const HObject* jel, int32_t x, int32_t y, const ViewportRec* vp,
                                 const CameraRec* cam, bool facingOnly, float limit, float centreOut[3],
                                 float pixelsOut[3]) {
  int32_t best = 0;
  float bestDist = limit;
  if (!vp || !cam || !jel->pos || !jel->faces) return 0;
  for (int32_t f = 1; f <= jel->faceCount; ++f) {
    if (!validFace(jel, f) || !faceInPart1(jel, f)) continue;
    float centre[3];
    const float facing = facingDot(jel, f, cam->eye, centre);
    if (facingOnly && !(facing < 0.0f)) continue;
    float px[3];
    if (!projectToPixels(cam, vp, centre, px)) continue;
    const float d = pixelDistSq(x, y, px);
    if (d < bestDist) {
      bestDist = d;
      best = f;
      GVVec3Copy(centreOut, centre);
      GVVec3Copy(pixelsOut, px);
    }
  }
  return best;
}

int32_t HObject::pickFace(int32_t x, int32_t y, const ViewportRec* vp, const CameraRec* cam, int32_t* face,
                          int32_t* kind, float point[3]) const {
  float centre[3] = {}, px[3] = {};
  const int32_t best = nearestFaceCentre(this, x, y, vp, cam, true, kPickFaceLimit, centre, px);
  if (face) *face = best;
  if (kind) *kind = best ? faceKind(this, best) : 0;
  if (point && best) GVVec3Copy(point, centre);
  return best;
}

int32_t HObject::pickNearestFaceCentre(int32_t x, int32_t y, const ViewportRec* vp, const CameraRec* cam,
                                       int32_t* face, int32_t* kind, float point[3]) const {
  float centre[3] = {}, px[3] = {};
  const int32_t best = nearestFaceCentre(this, x, y, vp, cam, false, kFarAway, centre, px);
  if (face) *face = best;
  if (kind) *kind = best ? faceKind(this, best) : 0;
  if (point && best) GVVec3Copy(point, px);
  return best;
}
