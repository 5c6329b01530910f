#include "GVAppWins/manipulator.h"

#include <cmath>

#include "GVAppWins/gl_draw.h"
#include "GVAppWins/view_window.h"
#include "dynamics/jel_selection.h"
#include "dynamics/constraint_cmds.h"
#include "dynamics/motion_commands.h"
#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "geo/geo_transform.h"
#include "geo/mesh_derived.h"
#include "geo/mesh_normals.h"
#include "jel/jel_object.h"
#include "jel/vector_math.h"
#include "scene/edit_rules.h"
#include "geo/geo_list_services.h"
#include "scene/scene_access.h"
#include "scene/scene_services.h"

// After our headers, whose empty APIENTRY the GL header keeps.
#include <GL/gl.h>

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kDegree = kPi / 180.0f;
constexpr float kNoRingHit = 10000.0f;
constexpr float kAxisEndOn = 1000.0f;
constexpr uint32_t kJelUniformFlag = 0x10;

const CameraRec* cameraOf(const GVManipulator* m) { return m && m->camera ? *m->camera : nullptr; }
HWorld* worldOf(const GVManipulator* m) { return m->world ? *m->world : nullptr; }

// Plane coordinates of an axis (0-based): x (y, z), y (z, x), z (x, y).
int uIndex(int k) { return (k + 1) % 3; }
int vIndex(int k) { return (k + 2) % 3; }

float dist2(float ax, float ay, float bx, float by) { return (ax - bx) * (ax - bx) + (ay - by) * (ay - by); }

void send(GVManipulator* m, int a, int event, intptr_t p1, intptr_t p2) {
  if (m->eventCB) m->eventCB(a, event, p1, p2, m->eventContext);
}
void warn(GVManipulator* m, const char* text) { send(m, 0, kManipWarning, 0, reinterpret_cast<intptr_t>(text)); }

int32_t stateMode(const GVManipulator* m) {
  const HWorld* w = worldOf(m);
  return w ? w->params.stateMode : 0;
}

// The world's current frame, one on during the last sub-step of a frame.
int32_t displayedFrame(const GVManipulator* m) {
  const HWorld* w = worldOf(m);
  if (!w) return 0;
  const FrameParams& p = w->params;
  return p.currentFrame + (p.stepping && p.subSteps >= 1 && p.subSteps == p.subStepIndex ? 1 : 0);
}

GObject* geoOf(const GVManipulator* m) {
  return m->geoList && m->geoId >= 1 ? GVGeoOf(GVFindGeo(m->geoList, m->geoId)) : nullptr;
}

bool followsJel(GObject* g) {
  return (g->flags & GEO_FLAG_VERTEX_BINDING) || GVGeoHasAttachment(g->handle);
}

// The slot the view shows the Geo by at the displayed frame: -2, -1, or 0 (none).
int liveSlot(const GVManipulator* m, const GObject* g) {
  const int drive = GVGetGeoDriveMode(displayedFrame(m), g, stateMode(m));
  return drive == -2 ? -2 : drive == -1 ? -1 : 0;
}

void copyFromSlot(GVManipulator* m, const GObject* g, int selector, bool alsoPosition) {
  const GTransform& t = g->xform[GVGeoSlotIndex(selector)];
  for (int k = 0; k < 3; ++k) {
    m->startScale[k] = t.scale[k];
    m->startPosition[k] = t.position[k];
    if (alsoPosition) m->position[k] = t.position[k];
  }
  for (int k = 0; k < 9; ++k) m->startRotation[k] = t.matrix[k];
}

// Centre of mass of part 1 of the attached Jels in the live state.
void liveCentre(const GVManipulator* m, float out[3]) {
  out[0] = out[1] = out[2] = 0.0f;
  if (HWorld* w = worldOf(m)) GVGetSelPosition(w, 1, m->jelId, -2, 14, out, nullptr, nullptr);
}

// The axis frame of the picks: the attached Geo's slot -2 matrix, else the identity.
void axisFrame(const GVManipulator* m, float M[9]) {
  GVMat3Identity(M);
  if (const GObject* g = geoOf(m)) GVMat3Copy(M, g->xform[GEO_SLOT_FRAME].matrix);
}

// Screen ends of axis k (1..3): the position and one axis unit along it.
void axisEnds(const GVManipulator* m, int k, float B[3], float E[3]) {
  float M[9];
  axisFrame(m, M);
  for (int i = 0; i < 3; ++i) {
    B[i] = m->position[i];
    const float along = m->mode == 1 ? (i == k - 1 ? 1.0f : 0.0f) : M[3 * (k - 1) + i];
    E[i] = B[i] + along;
  }
}

// The mouse ray against the plane through the position perpendicular to axis
// k (1..3): the hit relative to the position. False when the ray runs along
// the plane or through the centre.
bool ringPlaneHit(const GVManipulator* m, int k, float x, float y, float q[3]) {
  const CameraRec* cam = cameraOf(m);
  float P[3], d[3];
  GVManipPixelToWorld(m, x, y, m->camera, P);
  for (int i = 0; i < 3; ++i) d[i] = P[i] - cam->eye[i];
  const int a = k - 1;
  if (std::fabs(d[a]) < 1e-12f) return false;
  const float t = (m->position[a] - cam->eye[a]) / d[a];
  for (int i = 0; i < 3; ++i) q[i] = cam->eye[i] + t * d[i] - m->position[i];
  if (!std::isfinite(q[0]) || !std::isfinite(q[1]) || !std::isfinite(q[2])) return false;
  // A ray through the centre has no direction on the ring (rounding leaves
  // only noise there).
  return GVVecLength(q) > 1e-5f * std::fmax(1.0f, m->worldRadius);
}

void resetDrag(GVManipulator* m) {
  m->ringTangent[0] = m->ringTangent[1] = 0.0f;
  m->pressPoint[0] = m->pressPoint[1] = 0.0f;
  m->startAngle = m->angle = 0.0f;
  m->dragDirection = 0;
  m->handle = 0;
  m->dragging = 0;
}

void along(const float p[3], int k, float amount, float out[3]) {
  for (int i = 0; i < 3; ++i) out[i] = p[i] + (i == k - 1 ? amount : 0.0f);
}

// The axis plane's coordinates of a point at angle t and radius r about c.
void ringPoint(const float c[3], int k, float r, float t, float out[3]) {
  for (int i = 0; i < 3; ++i) out[i] = c[i];
  out[uIndex(k - 1)] += r * std::cos(t);
  out[vIndex(k - 1)] += r * std::sin(t);
}

}  // namespace

void GVInitManipulator(GVManipulator* m, ObjHandle* geoList, HWorld** world, ViewportRec* viewport,
                       CameraRec** camera, void* view) {
  if (!m) return;
  *m = GVManipulator();
  m->geoList = geoList;
  m->world = world;
  m->viewport = viewport;
  m->camera = camera;
  m->eventContext = view;
  m->eventCB = GVManipulatorEventCB;
}

// ---- geometry ----

void GVManipWorldToPixel(const GVManipulator* m, const float world[3], float out[3]) {
  out[0] = out[1] = out[2] = 0.0f;
  const CameraRec* cam = cameraOf(m);
  if (!cam || !m->viewport) return;
  float q[3];
  GVProjectPoint(cam, world, q);
  const ViewportRec& vp = *m->viewport;
  out[0] = static_cast<float>(vp.centreX - static_cast<int>(std::trunc(vp.width * (q[0] * -0.5f))));
  out[1] = static_cast<float>(vp.centreY - static_cast<int>(std::trunc(vp.height * (q[1] * 0.5f))));
  out[2] = q[2];
}

void GVManipPixelToWorld(const GVManipulator* m, float x, float y, CameraRec** camera, float out[3]) {
  out[0] = out[1] = out[2] = 0.0f;
  const CameraRec* cam = camera ? *camera : nullptr;
  if (!cam || !m->viewport) return;
  const ViewportRec& vp = *m->viewport;
  const float hw = vp.width > 0 ? vp.width * 0.5f : 0.5f, hh = vp.height > 0 ? vp.height * 0.5f : 0.5f;
  const float n[3] = {(x - vp.centreX) / hw, -(y - vp.centreY) / hh, 10.0f};
  GVUnprojectPoint(cam, n, out);
}

float GVManipWorldSize(const GVManipulator* m, float pixels) {
  const CameraRec* cam = cameraOf(m);
  if (!cam) return 0.0f;
  float p[3], q[3], A[3], B[3];
  for (int i = 0; i < 3; ++i) {
    p[i] = m->position[i] + cam->rot[i];
    q[i] = m->position[i] - cam->rot[i];
  }
  GVManipWorldToPixel(m, p, A);
  GVManipWorldToPixel(m, q, B);
  const float d = std::sqrt(dist2(A[0], A[1], B[0], B[1]));
  // Seen from nowhere the handle keeps the size it had.
  return d > 0.0f ? pixels / d : m->worldRadius;
}

float GVManipEyeDistance(const GVManipulator* m) {
  const CameraRec* cam = cameraOf(m);
  if (!cam) return 0.0f;
  float d[3];
  GVVecSub(d, m->position, cam->eye);
  return GVVecLength(d);
}

int GVManipRayPoint(const GVManipulator* m, float x, float y, float out[3]) {
  const CameraRec* cam = cameraOf(m);
  if (!cam) return 0;
  float P[3], d[3];
  GVManipPixelToWorld(m, x, y, m->camera, P);
  GVVecSub(d, P, cam->eye);
  if (GVVecDot(d, d) > 0.0f) GVVecNormalise(d, d);
  for (int i = 0; i < 3; ++i) out[i] = cam->eye[i] + d[i] * m->rayDistance;
  return 1;
}

float GVManipRingDistance(const GVManipulator* m, int axis, float x, float y) {
  if (axis < 1 || axis > 3) return kNoRingHit;
  if (!cameraOf(m)) return 0.0f;
  float q[3];
  if (!ringPlaneHit(m, axis, x, y, q)) return kNoRingHit;
  const float len = GVVecLength(q);
  if (!(len > 0.0f)) return kNoRingHit;
  float p[3], s[3];
  for (int i = 0; i < 3; ++i) p[i] = m->position[i] + q[i] * (m->worldRadius / len);
  GVManipWorldToPixel(m, p, s);
  return dist2(s[0], s[1], x, y);
}

int GVManipPickRing(const GVManipulator* m, float x, float y) {
  float best = 99999.9f;
  int ring = 0;
  for (int k = 1; k <= 3; ++k) {
    const float d = GVManipRingDistance(m, k, x, y);
    if (d < best) {
      best = d;
      ring = k;
    }
  }
  return best <= 2500.0f ? ring : 0;
}

int GVManipRingAngleAt(const GVManipulator* m, float x, float y, float tangent[2], float* angle) {
  const int k = m->handle;
  if (k < 1 || k > 3 || !cameraOf(m)) return 0;
  float q[3];
  if (!ringPlaneHit(m, k, x, y, q)) return 0;
  const float u = q[uIndex(k - 1)], v = q[vIndex(k - 1)];
  float un = u, vn = v;
  const float r2 = u * u + v * v;
  if (r2 > 0.0f) {
    un = u / std::sqrt(r2);
    vn = v / std::sqrt(r2);
  }
  float theta = std::asin(std::fmax(-1.0f, std::fmin(1.0f, vn)));
  if (!GVNearlyEqual(std::cos(theta), un)) {
    theta = kPi - theta;
    if (!GVNearlyEqual(std::cos(theta), un)) return 0;
  }
  if (theta > kPi) theta -= 2 * kPi;
  if (theta < -kPi) theta += 2 * kPi;
  // A quarter turn forward along the ring from the hit.
  float p[3], s[3];
  for (int i = 0; i < 3; ++i) p[i] = m->position[i];
  p[uIndex(k - 1)] += u - v;
  p[vIndex(k - 1)] += u + v;
  GVManipWorldToPixel(m, p, s);
  float tx = s[0] - x, ty = s[1] - y;
  const float t2 = tx * tx + ty * ty;
  if (t2 > 0.0f) {
    tx /= std::sqrt(t2);
    ty /= std::sqrt(t2);
  }
  if (tangent) {
    tangent[0] = tx;
    tangent[1] = ty;
  }
  if (angle) *angle = theta;
  return 1;
}

float GVManipAxisDistance(const GVManipulator* m, int axis, float x, float y) {
  const CameraRec* cam = cameraOf(m);
  if (axis < 1 || axis > 3 || !cam) return 0.0f;
  float B[3], E[3], vd[3], va[3];
  axisEnds(m, axis, B, E);
  GVVecSub(vd, m->position, cam->eye);
  GVVecNormalise(vd, vd);
  GVVecSub(va, E, B);
  GVVecNormalise(va, va);
  const float c10 = std::cos(0.1745329f);
  if (std::fabs(GVVecDot(vd, va)) > c10 * c10) return kAxisEndOn;
  float sB[3], sE[3];
  GVManipWorldToPixel(m, B, sB);
  GVManipWorldToPixel(m, E, sE);
  const float Dx = sE[0] - sB[0], Dy = sE[1] - sB[1];
  const float DD = Dx * Dx + Dy * Dy;
  if (!(DD > 0.0f)) return kAxisEndOn;
  const float s = ((x - sB[0]) * Dx + (y - sB[1]) * Dy) / DD;
  return dist2(sB[0] + s * Dx, sB[1] + s * Dy, x, y);
}

int GVManipPickAxis(const GVManipulator* m, float x, float y) {
  if (!cameraOf(m)) return 0;
  float c[3];
  GVManipWorldToPixel(m, m->position, c);
  if (dist2(c[0], c[1], x, y) < 49.0f) return 4;
  float best = 99999.9f;
  int axis = 0;
  for (int k = 1; k <= 3; ++k) {
    const float d = GVManipAxisDistance(m, k, x, y);
    if (d < best) {
      best = d;
      axis = k;
    }
  }
  return best <= 400.0f ? axis : 0;
}

int GVManipAxisParam(const GVManipulator* m, float x, float y, float* t) {
  const int k = m->handle;
  if (k < 1 || k > 3 || !cameraOf(m)) return 0;
  float B[3], E[3], sB[3], sE[3];
  axisEnds(m, k, B, E);
  GVManipWorldToPixel(m, B, sB);
  GVManipWorldToPixel(m, E, sE);
  const float Dx = sE[0] - sB[0], Dy = sE[1] - sB[1];
  if (std::fabs(Dx) < 0.001f && std::fabs(Dy) < 0.001f) return 0;
  if (t) *t = ((x - sB[0]) * Dx + (y - sB[1]) * Dy) / (Dx * Dx + Dy * Dy);
  return 1;
}

int GVNearlyEqual(float p, float q) { return std::fabs(p - q) < 0.001f ? 1 : 0; }

void GVRotateAboutPoint(const float matrix[9], const float centre[3], const float point[3], float out[3]) {
  float d[3], r[3];
  GVVecSub(d, point, centre);
  GVMat3MulVec(r, matrix, d);
  for (int i = 0; i < 3; ++i) out[i] = centre[i] + r[i];
}

// ---- drawing ----

namespace {

// The colour on entry comes back on leaving; line width and point size go to 1.
class ColourKeeper {
 public:
  ColourKeeper() { glGetFloatv(GL_CURRENT_COLOR, colour_); }
  ~ColourKeeper() {
    glLineWidth(1.0f);
    glPointSize(1.0f);
    glColor4fv(colour_);
  }

 private:
  float colour_[4] = {};
};

void setCap(GLenum cap, GLboolean on) {
  if (on)
    glEnable(cap);
  else
    glDisable(cap);
}

}  // namespace

void GVDrawRing(GVManipulator* m, int axis) {
  if (!cameraOf(m) || axis < 1 || axis > 3) return;
  ColourKeeper keep;
  const float R = m->worldRadius;
  glColor4f(axis == 1 ? 0.9f : 0.0f, axis == 2 ? 0.9f : 0.0f, axis == 3 ? 0.9f : 0.0f, 1.0f);
  glLineWidth(1.0f);
  glBegin(GL_LINES);
  float p[3];
  for (int i = 0; i < 360; ++i) {
    ringPoint(m->position, axis, R, i * kDegree, p);
    glVertex3fv(p);
    ringPoint(m->position, axis, R, (i + 1) * kDegree, p);
    glVertex3fv(p);
  }
  glEnd();
  if (axis != m->handle) return;
  glColor4f(axis == 1 ? 1.0f : 0.8f, axis == 2 ? 1.0f : 0.8f, axis == 3 ? 1.0f : 0.8f, 1.0f);
  glPointSize(3.0f);
  glBegin(GL_POINTS);
  for (int k = 0; k < 8; ++k) {
    ringPoint(m->position, axis, R, m->startAngle + k * kPi / 4, p);
    glVertex3fv(p);
  }
  glEnd();
  glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
  glBegin(GL_POINTS);
  ringPoint(m->position, axis, R, m->startAngle, p);
  glVertex3fv(p);
  glEnd();
  // The swept arc, lifted a little toward the viewer.
  int n = static_cast<int>((m->angle - m->startAngle) / kDegree);
  float step = kDegree;
  if (n < 0) {
    step = -kDegree;
    n = -n;
  }
  float toward[3];
  GVVecNormalise(&(*m->camera)->rot[6], toward);
  glColor4f(0.9f, 0.9f, 0.3f, 1.0f);
  glLineWidth(3.0f);
  glBegin(GL_LINES);
  for (int j = 0; j < n; ++j) {
    for (int e = 0; e < 2; ++e) {
      ringPoint(m->position, axis, R, m->startAngle + (j + e) * step, p);
      for (int i = 0; i < 3; ++i) p[i] += 0.05f * toward[i];
      glVertex3fv(p);
    }
  }
  glEnd();
}

void GVDrawRotateRings(GVManipulator* m) {
  for (int k = 1; k <= 3; ++k) GVDrawRing(m, k);
}

void GVDrawAxisArm(GVManipulator* m, int axis, float L, float a, float b, int highlighted) {
  if (axis < 1 || axis > 3) return;
  const GObject* geo = m->mode == 3 ? geoOf(m) : nullptr;
  const float* M = geo ? geo->xform[GEO_SLOT_FRAME].matrix : nullptr;
  const float R = m->worldRadius;
  ColourKeeper keep;
  if (highlighted)
    glColor4f(0.9f, 0.9f, 0.3f, 0.0f);
  else
    glColor4f(axis == 1 ? 0.9f : 0.0f, axis == 2 ? 0.9f : 0.0f, axis == 3 ? 0.9f : 0.0f, 0.0f);
  const float* c = m->position;
  float P0[3], P1[3];
  along(c, axis, highlighted ? (L > 0 ? a + R : a - R) : 0.0f, P0);
  along(c, axis, L, P1);
  auto turn = [&](float* p) {
    if (M) GVRotateAboutPoint(M, c, p, p);
  };
  turn(P0);
  turn(P1);
  glLineWidth(2.0f);
  glBegin(GL_LINES);
  glVertex3fv(P0);
  glVertex3fv(P1);
  glEnd();
  // The head's ring of five points (the sixth closes it).
  float headCentre[3], Q[6][3];
  along(c, axis, L, headCentre);
  for (int k = 0; k < 6; ++k) {
    ringPoint(headCentre, axis, b, k * 2 * kPi / 5, Q[k]);
    turn(Q[k]);
  }
  if (m->mode == 1) {
    float T[3];
    along(c, axis, L + a, T);
    for (int j = 0; j < 5; ++j) {
      glBegin(GL_POLYGON);
      glVertex3fv(Q[j]);
      glVertex3fv(Q[j + 1]);
      glVertex3fv(T);
      glEnd();
    }
  } else if (m->mode == 3) {
    glBegin(GL_POLYGON);
    for (int j = 0; j < 5; ++j) glVertex3fv(Q[j]);
    glEnd();
    float V[3] = {0, 0, 0};
    V[axis - 1] = a;
    if (M) GVMat3MulVec(V, M, V);
    for (int j = 0; j < 5; ++j) {
      float q0[3], q1[3];
      for (int i = 0; i < 3; ++i) {
        q0[i] = Q[j][i] + V[i];
        q1[i] = Q[j + 1][i] + V[i];
      }
      glBegin(GL_POLYGON);
      glVertex3fv(Q[j]);
      glVertex3fv(Q[j + 1]);
      glVertex3fv(q1);
      glVertex3fv(q0);
      glEnd();
    }
  }
  if (highlighted && m->mode != 3) {
    // One dot per world unit along the dragged arm.
    float D[3];
    GVVecSub(D, P1, P0);
    const float len = GVVecLength(D);
    if (len > 0.0f) {
      const int n = static_cast<int>(std::floor(len));
      glColor4f(0.2f, 0.2f, 0.4f, 1.0f);
      glPointSize(3.0f);
      for (int i = 1; i <= n + 1; ++i) {
        float p[3];
        for (int j = 0; j < 3; ++j) p[j] = P0[j] + i * D[j] / len;
        glBegin(GL_POINTS);
        glVertex3fv(p);
        glEnd();
      }
    }
  }
}

void GVDrawAxisHandles(GVManipulator* m) {
  const CameraRec* cam = cameraOf(m);
  if (!cam) return;
  const float R = m->worldRadius;
  const float a = 0.2f * R;
  const float b = 0.3f * a * (m->mode == 3 ? 0.75f : 1.0f);
  bool beyond[3];
  for (int k = 0; k < 3; ++k) beyond[k] = cam->eye[k] > m->position[k];
  // Half-arms pointing away from the eye first, those toward it painted over them.
  for (int k = 1; k <= 3; ++k)
    if (!beyond[k - 1]) GVDrawAxisArm(m, k, R, a, b, 0);
  for (int k = 1; k <= 3; ++k)
    if (beyond[k - 1]) GVDrawAxisArm(m, k, -R, -a, b, 0);
  for (int k = 1; k <= 3; ++k)
    if (beyond[k - 1]) GVDrawAxisArm(m, k, R, a, b, 0);
  for (int k = 1; k <= 3; ++k)
    if (!beyond[k - 1]) GVDrawAxisArm(m, k, -R, -a, b, 0);
  const int h = m->handle;
  if (h >= 1 && h <= 3) {
    const float d = m->param - m->startParam;
    if (d == 0.0f) {
      GVDrawAxisArm(m, h, R, a, b, 1);
      GVDrawAxisArm(m, h, -R, -a, b, 1);
    } else if (d > 0.0f) {
      GVDrawAxisArm(m, h, R + d, a, b, 1);
    } else {
      GVDrawAxisArm(m, h, d - R, -a, b, 1);
    }
  } else if (h == 4) {
    for (int k = 1; k <= 3; ++k) {
      GVDrawAxisArm(m, k, R, a, b, 1);
      GVDrawAxisArm(m, k, -R, -a, b, 1);
    }
  }
}

void GVDrawManipulator(GVManipulator* m) {
  if (!m) return;
  const GLboolean depth = glIsEnabled(GL_DEPTH_TEST), lighting = glIsEnabled(GL_LIGHTING);
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  if (m->mode == 1 || m->mode == 3) {
    m->worldRadius = GVManipWorldSize(m, m->size * 0.5f);
    GVDrawAxisHandles(m);
  } else if (m->mode == 2) {
    m->worldRadius = GVManipWorldSize(m, m->size);
    GVDrawRotateRings(m);
  }
  setCap(GL_LIGHTING, lighting);
  setCap(GL_DEPTH_TEST, depth);
}

void GVDrawWorldAxes(GVManipulator* m) {
  if (!m) return;
  float kept[3];
  for (int i = 0; i < 3; ++i) {
    kept[i] = m->position[i];
    m->position[i] = 0.0f;
  }
  static constexpr GLenum kCaps[4] = {GL_LIGHTING, GL_DEPTH_TEST, GL_BLEND, GL_STENCIL_TEST};
  GLboolean on[4];
  for (int k = 0; k < 4; ++k) {
    on[k] = glIsEnabled(kCaps[k]);
    glDisable(kCaps[k]);
  }
  const float s = GVManipWorldSize(m, 50.0f);
  if (const CameraRec* cam = cameraOf(m)) {
    const int32_t mode = m->mode;
    m->mode = 1;
    for (int k = 1; k <= 3; ++k)
      if (cam->eye[k - 1] <= 0.0f) GVDrawAxisArm(m, k, s, 0.3f * s, 0.12f * s, 0);
    for (int k = 1; k <= 3; ++k)
      if (cam->eye[k - 1] > 0.0f) GVDrawAxisArm(m, k, s, 0.3f * s, 0.12f * s, 0);
    m->mode = mode;
  }
  for (int k = 0; k < 4; ++k) setCap(kCaps[k], on[k]);
  for (int i = 0; i < 3; ++i) m->position[i] = kept[i];
}

void GVDrawManipulatorLayers(GVView* view) {
  if (!view || !view->manipulator) return;
  if (view->flags & kViewAxesTriad) GVDrawWorldAxes(view->manipulator);
  if (gViewModeFlags.moveTool) GVDrawManipulator(view->manipulator);
}

// ---- attaching ----

int GVCheckMoveToolTarget(GVManipulator* m) {
  if (!m || (m->geoId == 0 && m->jelId == 0)) return 0;
  const int32_t s = stateMode(m), e = displayedFrame(m);
  bool refused = false;
  if (m->jelId != 0) {
    if (m->jelId < 0) {
      warn(m, "Gv warning: Cannot move JEL Group");
      refused = true;
    }
    int32_t f = 0;
    if (m->jelId < 0) {
      if (const HWorld* w = worldOf(m)) f = w->params.startFrame;
    } else if (HObject* j = GVJelOf(GVFindJel(m->world, m->jelId))) {
      f = j->playParams.startFrame;
    }
    if (f < e) {
      warn(m, "Gv warning: Move Tool must act on JEL's Initial State.");
      refused = true;
    } else if (GVIsJelTransformBlocked(m->jelId, s, m->mode)) {
      refused = true;
    }
  }
  if (m->geoId != 0) {
    if (m->geoId < 0) {
      warn(m, "Gv warning: Cannot move GEO Group");
      refused = true;
    } else if (!GVMainWindowExists() || GVIsGeoReconfigureBlocked(GVFindGeo(m->geoList, m->geoId), s)) {
      refused = true;
    }
  }
  if (!refused) return 1;
  resetDrag(m);
  m->geoId = m->jelId = 0;
  m->mode = 0;
  send(m, 0, kManipReset, 0, 0);
  return 0;
}

int GVSetManipulatorFromSelection(int32_t geoId, int32_t jelId, GVManipulator* m) {
  if (!m) return 0;
  m->moveReadout = m->rotateReadout = 0.0f;
  m->scaleReadout = 1.0f;
  m->geoId = geoId;
  m->jelId = jelId;
  if (!GVCheckMoveToolTarget(m)) return 0;
  m->worldRadius = GVManipWorldSize(m, m->size) * (m->mode == 2 ? 1.0f : 0.5f);
  const int32_t s = stateMode(m);
  if (geoId != 0 && m->geoList) {
    if (geoId < 0) return 0;
    if (GObject* g = geoOf(m)) {
      for (int k = 0; k < 3; ++k) {
        m->startPosition[k] = 0.0f;
        m->startScale[k] = 1.0f;
      }
      GVMat3Identity(m->startRotation);
      const int source = s == 0 ? -2 : followsJel(g) ? (s == -1 ? -1 : 0) : -2;
      if (source != 0) copyFromSlot(m, g, source, true);
    }
  }
  if (jelId != 0 && worldOf(m)) {
    GVGetSelPosition(worldOf(m), 1, jelId, s, 14, m->startPosition, nullptr, nullptr);
    for (int k = 0; k < 3; ++k) {
      m->position[k] = m->startPosition[k];
      m->startScale[k] = 1.0f;
    }
    GVMat3Identity(m->startRotation);
  }
  return 1;
}

void GVPlaceManipulatorAtGeo(GVManipulator* m) {
  if (!m || !m->geoList || !worldOf(m) || (m->geoId == 0 && m->jelId == 0)) return;
  if (m->geoId != 0) {
    GObject* g = geoOf(m);
    if (!g) return;
    const int32_t s = stateMode(m);
    const int source = s == 0 ? -2 : followsJel(g) ? (s == -1 ? -1 : 0) : -2;
    if (source != 0) {
      const GTransform& t = g->xform[GVGeoSlotIndex(source)];
      for (int k = 0; k < 3; ++k) m->position[k] = t.position[k];
    }
  }
  if (m->jelId != 0) liveCentre(m, m->position);
}

// ---- dragging ----

int GVManipDragAngle(const GVManipulator* m, float x, float y, float* angle) {
  if (m->handle < 1 || m->handle > 3 || !cameraOf(m)) return 0;
  const float tx = m->ringTangent[0], ty = m->ringTangent[1];
  if (std::fabs(tx) < 0.001f && std::fabs(ty) < 0.001f) return 0;
  const float s = ((x - m->pressPoint[0]) * tx + (y - m->pressPoint[1]) * ty) / (tx * tx + ty * ty);
  if (angle) *angle = m->startAngle + s * kDegree;
  return 1;
}

float GVSnapAngle45(float angle) {
  for (int k = -8; k <= 8; ++k)
    if (std::fabs(angle - k * kPi / 4) < 0.008726646f) return k * kPi / 4;
  return angle;
}

float GVSnapToInteger(float d) {
  const float m = std::fabs(d), f = std::floor(m);
  float r = m;
  if (m - f <= 0.5f) {
    if (m - f < 0.02f) r = f;
  } else if (std::ceil(m) - m < 0.02f) {
    r = std::ceil(m);
  }
  return d <= 0.0f ? -r : r;
}

int GVManipPress(GVManipulator* m, float x, float y) {
  if (!m || !GVCheckMoveToolTarget(m)) return 0;
  m->moveReadout = m->rotateReadout = 0.0f;
  m->scaleReadout = 1.0f;
  m->dragging = 1;
  if (m->mode == 2) {
    m->handle = GVManipPickRing(m, x, y);
    float tangent[2], angle = 0.0f;
    if (m->handle != 0 && GVManipRingAngleAt(m, x, y, tangent, &angle)) {
      m->ringTangent[0] = tangent[0];
      m->ringTangent[1] = tangent[1];
      m->pressPoint[0] = x;
      m->pressPoint[1] = y;
      m->startAngle = m->angle = angle;
    }
  } else {
    m->handle = GVManipPickAxis(m, x, y);
    float t = 0.0f;
    if (m->handle >= 1 && m->handle <= 3) {
      if (GVManipAxisParam(m, x, y, &t)) m->startParam = m->param = t;
    } else if (m->handle == 4) {
      if (m->mode == 1) m->rayDistance = GVManipEyeDistance(m);
      m->startParam = m->param = 0.0f;
    }
  }
  if (m->geoId != 0 && m->jelId == 0) {
    GObject* g = m->geoId > 0 ? geoOf(m) : nullptr;
    if (!g) {
      resetDrag(m);
      return 0;
    }
    if (const int slot = liveSlot(m, g)) copyFromSlot(m, g, slot, false);
  } else if (m->jelId != 0 && m->geoId == 0) {
    HWorld* w = worldOf(m);
    if (!w) {
      resetDrag(m);
      return 0;
    }
    liveCentre(m, m->startPosition);
    GVMat3Identity(m->startRotation);
    const float cell = GVJelSelScale(w, m->jelId);
    for (float& v : m->startScale) v = cell;
  }
  return 1;
}

void GVManipDrag(GVManipulator* m, float x, float y) {
  if (!m || !m->dragging) return;
  auto axisStep = [&] {
    float t;
    if (!GVManipAxisParam(m, x, y, &t)) return;
    const float D = t - m->startParam;
    m->dragDirection = D < 0.0f ? -1 : 1;
    m->param = m->startParam + GVSnapToInteger(D);
  };
  if (m->mode == 2) {
    float A;
    if (GVManipDragAngle(m, x, y, &A)) m->angle = m->startAngle + GVSnapAngle45(A - m->startAngle);
  } else if (m->mode == 1) {
    if (m->handle >= 1 && m->handle <= 3) {
      axisStep();
    } else if (m->handle == 4) {
      float p[3];
      if (GVManipRayPoint(m, x, y, p)) {
        for (int i = 0; i < 3; ++i) m->freeTarget[i] = p[i];
        m->param = 0.0f;
      }
    }
  } else if (m->mode == 3) {
    if (m->handle >= 1 && m->handle <= 3) {
      if (m->jelId != 0)
        warn(m, "Gv warning: JEL objects must be scaled 'uniformly'");
      else
        axisStep();
    } else if (m->handle == 4) {
      float c[3];
      GVManipWorldToPixel(m, m->position, c);
      m->param = cameraOf(m) ? x - c[0] : 0.0f;
    }
  }
  GVManipApply(m);
  if (m->geoId > 0)
    send(m, m->mode, kManipGeoChanged, m->geoId, 0);
  else if (m->jelId != 0)
    send(m, m->mode, kManipJelChanged, m->jelId, 0);
}

void GVManipApply(GVManipulator* m) {
  HWorld* w = m ? worldOf(m) : nullptr;
  if (!w || !m->geoList || (m->geoId == 0 && m->jelId == 0)) return;
  const int32_t s = stateMode(m);
  GObject* geo = nullptr;
  int slot = 0;
  bool keepApart = false;
  if (m->geoId != 0) {
    geo = geoOf(m);
    if (!geo) return;
    if (s == 0 && GVGeoHasAttachment(geo->handle)) return;
    keepApart = GVIsGeoAttachmentFree(geo->handle) != 0;
    slot = liveSlot(m, geo);
  }
  // The Geo's live slot takes the new value and, unless the Geo keeps its two
  // slots apart, the other of slots -2 and -1 follows it.
  auto writeGeo = [&](auto setter) {
    if (!geo || slot == 0) return;
    setter(slot);
    if (!keepApart) GVCopyGeoTransform(geo, slot, slot == -2 ? -1 : -2);
  };
  const int h = m->handle;
  if (m->mode == 1) {
    float T[3];
    if (h >= 1 && h <= 3) {
      const float D = m->param - m->startParam;
      for (int i = 0; i < 3; ++i) T[i] = m->startPosition[i] + (i == h - 1 ? D : 0.0f);
      m->moveReadout = D;
    } else if (h == 4) {
      for (int i = 0; i < 3; ++i) T[i] = m->freeTarget[i];
      m->moveReadout = 0.0f;
    } else {
      return;
    }
    writeGeo([&](int sel) { GVSetGeoTransformPos(T, sel, geo); });
    if (m->jelId != 0) {
      GVSetSelPosition(w, 1, m->jelId, -2, 14, T, nullptr, nullptr);
      if (s == -1)
        GVSetSelPosition(w, 1, m->jelId, -1, 14, T, nullptr, nullptr);
      else
        GVSetSelPositionH(m->world, m->jelId, 1, 0, 14, T, nullptr);
    }
  } else if (m->mode == 2) {
    const float D = m->angle - m->startAngle;
    float r[3] = {0, 0, 0}, R[9];
    if (h >= 1 && h <= 3) r[h - 1] = D;
    GVRotationFromVector(r, R);
    writeGeo([&](int sel) {
      float M[9];
      GVMat3Mul(M, m->startRotation, R);  // the start rotation, then R
      GVSetGeoTransformRot(M, sel, geo);
    });
    if (m->jelId != 0 && s == 0) {
      // The Jel's live state holds the last applied turn: only the rest of
      // the angle is added, so a drag of many steps turns it by the angle shown.
      float rest[3] = {0, 0, 0}, Rr[9];
      if (h >= 1 && h <= 3) rest[h - 1] = D - m->rotateReadout;
      GVRotationFromVector(rest, Rr);
      GVRotateJelSel(w, m->jelId, m->position, Rr);
    }
    m->rotateReadout = D;
  } else if (m->mode == 3) {
    float factors[3] = {1, 1, 1};
    float F = 1.0f;
    if (h >= 1 && h <= 4) {
      const float a = m->scaleMax, b = m->scaleFullDrag;
      float x = (m->param - m->startParam) * (h == 4 ? 0.05f : 1.0f);
      const float xmin = -b * (a * a - 1) / (2 * (a - 1) * (a - 1));
      x = std::fmin(std::fmax(x, xmin), b);
      F = 1 + (x * x * (a - 1) * (a - 1) + x * b * (a * a - 1)) / (2 * a * b * b);
      if (h == 4)
        factors[0] = factors[1] = factors[2] = F;
      else
        factors[h - 1] = F;
    }
    writeGeo([&](int sel) {
      float scale[3];
      GVVecMulComponents(scale, m->startScale, factors);
      GVSetGeoTransformScale(scale, sel, geo);
    });
    if (m->jelId > 0 && h == 4) {
      const float size = m->startScale[0] * F;
      if (s == -1 && size >= 0.1f && size <= 10.0f) {
        HObject* j = GVJelOf(GVFindJel(m->world, m->jelId));
        if (!j) return;
        j->rescale(size);
        j->restoreFrame(-1);
        j->flags &= ~kJelUniformFlag;
      }
    } else if (m->jelId > 0 && h >= 1 && h <= 3) {
      warn(m, "Gv warning: JEL objects must be scaled 'uniformly'");
    }
    m->scaleReadout = F;
  }
}

void GVManipRelease(GVManipulator* m) {
  if (!m) return;
  HWorld* w = worldOf(m);
  if (w && m->geoList && (m->geoId != 0 || m->jelId != 0)) {
    if (m->geoId != 0 && m->jelId == 0) {
      if (GObject* g = geoOf(m)) {
        if (const int slot = liveSlot(m, g)) copyFromSlot(m, g, slot, true);
        if (m->mode == 3) {
          GVApplyGeoTransform(g, -2);
          GVCalcGeoFaceSize(g);
          GVCalcGeoFaceNormals(g);
          GVCalcGeoVertexNormals(g);
        }
      }
    } else if (m->jelId != 0 && m->geoId == 0) {
      if (stateMode(m) == 0) {
        GVSelRotateStateFrames(w, m->jelId);
        GVSelStoreFrame(w, m->jelId, 0);
      }
      liveCentre(m, m->startPosition);
      for (int k = 0; k < 3; ++k) {
        m->position[k] = m->startPosition[k];
        m->startScale[k] = 1.0f;
      }
      GVMat3Identity(m->startRotation);
    }
  }
  resetDrag(m);
  m->rayDistance = 0.0f;
  m->freeTarget[0] = m->freeTarget[1] = m->freeTarget[2] = 0.0f;
  if (m->geoId != 0)
    send(m, m->mode, kManipGeoDone, m->geoId, 0);
  else if (m->jelId != 0)
    send(m, m->mode, kManipJelDone, m->jelId, 0);
}

// ---- the view's layer ----

int GVManipulatorAttach(GVView* view, int32_t mode, int32_t geoId, int32_t jelId) {
  if (!view || !view->manipulator) return 0;
  view->manipulator->mode = mode;
  return GVSetManipulatorFromSelection(geoId, jelId, view->manipulator);
}

void GVManipulatorRecentre(GVView* view) {
  if (view && view->manipulator && view->manipulator->mode != 0) GVPlaceManipulatorAtGeo(view->manipulator);
}

int GVManipulatorCanMove(GVView* view) {
  if (!view || !view->manipulator || view->manipulator->mode == 0) return 1;
  return GVCheckMoveToolTarget(view->manipulator);
}
