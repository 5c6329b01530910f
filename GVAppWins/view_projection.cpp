
#include <cmath>

#include "GVAppWins/ogre_view.h"
#include "GVAppWins/view_window.h"
#include "dynamics/world.h"
#include "jel/jel_object.h"

// After our headers, whose empty APIENTRY the GL header keeps.
#include <GL/gl.h>
#include <GL/glu.h>

ViewClipRecord gViewClip;

static const float kDefaultBounds[6] = {-12, 12, 0, 24, -12, 12};

static const float* boundsOf(const GVView* view) { return view->bounds ? view->bounds : kDefaultBounds; }

// The mass-weighted centre of part 1 of the Jels the selection names, at frame 0.
static void selectionCentre(const GVView* view, float c[3]) {
  c[0] = c[1] = c[2] = 0.0f;
  if (!view->centreSelection || !view->world || !*view->world) return;
  float mass = 0.0f, sum[3] = {0, 0, 0};
  for (HObject* jel = (*view->world)->head; jel; jel = jel->next) {
    if (!GVObjInSel(jel->id, jel->groupMask, view->centreSelection)) continue;
    float m = 0.0f, s[3] = {0, 0, 0};
    jel->getPartMass(1, 0, &m);
    jel->getPartMassPosSum(1, 0, 14, s);
    mass += m;
    for (int k = 0; k < 3; ++k) sum[k] += s[k];
  }
  if (mass != 0.0f)
    for (int k = 0; k < 3; ++k) c[k] = sum[k] * (1.0f / mass);
}

void GVResetViewCamera(GVView* view) {
  if (!view || !view->camera || !*view->camera || !view->viewport) return;
  CameraRec* cam = *view->camera;
  const int w = view->viewportWidth, h = view->viewportHeight;
  GVResetCamera(cam, w, h, boundsOf(view));
  GVSetCameraHeading(cam, 0.0f);
  GVSetCameraFov(cam, 30.0f, w, h);
  const float d = cam->eye[1] - 2.0f;
  cam->eye[1] = 2.0f;
  if (cam->mode == 0) cam->target[1] += d;
  GVUpdateCameraAngles(cam);
  float c[3];
  selectionCentre(view, c);
  const float target[3] = {c[0], c[1] + 12.0f, c[2]};
  GVSetCameraTarget(cam, target);
  cam->geoDisplayMode = 32;
  cam->jelDisplayMode = 32;
  cam->extra[0] = 0;
  cam->extra[1] = 1;
  cam->extra[2] = 1;
  cam->mode = 0;
  view->toolMode = 0;
}

void GVComputeClipRange(GVView* view, float* farOut, float* nearOut) {
  if (!view || !view->camera || !*view->camera) return;
  const float* b = boundsOf(view);
  const float* e = (*view->camera)->eye;
  float d[3], hb[3], sum[3];
  int inside = 0, outsideAxis = 0;
  float outside2 = 0.0f;
  for (int k = 0; k < 3; ++k) {
    const float cb = (b[2 * k] + b[2 * k + 1]) * 0.5f;
    hb[k] = (b[2 * k + 1] - b[2 * k]) * 0.5f;
    d[k] = std::fabs(cb - e[k]);
    sum[k] = d[k] + hb[k];
    if (hb[k] >= d[k]) {
      ++inside;
    } else {
      outsideAxis = k;
      outside2 += (d[k] - hb[k]) * (d[k] - hb[k]);
    }
  }
  float farClip = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
  float nearClip = inside == 3 ? 1.0f : inside == 2 ? d[outsideAxis] - hb[outsideAxis] : std::sqrt(outside2);
  const float eyeFar = std::sqrt(e[0] * e[0] + e[1] * e[1] + e[2] * e[2]) + 5.0f;
  if (eyeFar > farClip) farClip = eyeFar;
  const GVViewSceneLinks& scene = GVViewScene();
  // The sky dome is a box around the eye whose corners lie sqrt(3) times its
  // distance away: a far plane nearer than that cuts them off and the
  // background shows through, as a flat patch from the horizon down.
  if (scene.backdropMode && (*scene.backdropMode & 2) && scene.skyDistance) {
    const float skyReach = 1.7320508f * *scene.skyDistance + 20.0f;
    if (skyReach > farClip) farClip = skyReach;
  }
  *farOut = farClip;
  *nearOut = nearClip * 0.8f;
}

void GVSetViewProjection(GVView* view) {
  if (!view || !view->viewport || !view->camera || !*view->camera) return;
  ViewportRec* vp = view->viewport;
  GVViewportFromWindow(vp, view->window);
  float farClip = 0.0f, nearClip = 0.0f;
  GVComputeClipRange(view, &farClip, &nearClip);
  gViewClip.nearClip = nearClip;
  gViewClip.farClip = farClip;
  gViewClip.depthBits = 16;
  if (GVOgreEnabled && gOgreData) {
    gOgreData->mNearClip = nearClip;
    gOgreData->mFarClip = farClip;
    GVViewportFromWindow(vp, view->window);
    GVApplyCameraToOgre(view->camera, gOgreData->mCamera, vp->width, vp->height, nearClip, farClip);
  } else if (!GVOgreEnabled) {
    const CameraRec* cam = *view->camera;
    const double fovy = cam->fov * 180.0 / 3.14159265358979323846;
    const double aspect = vp->height ? static_cast<double>(vp->width) / vp->height : 1.0;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fovy, aspect, nearClip, farClip);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // Row 1 of the rotation is the camera's up axis (row 2 runs along the
    // line of sight).
    gluLookAt(cam->eye[0], cam->eye[1], cam->eye[2], cam->target[0], cam->target[1], cam->target[2], cam->rot[3],
              cam->rot[4], cam->rot[5]);
    glViewport(0, 0, vp->width, vp->height);
  }
  GVUpdateCameraProjection(vp, *view->camera);
  gViewClip.depthStep = (farClip - nearClip) / 65536.0f * 1.00001f;
}
