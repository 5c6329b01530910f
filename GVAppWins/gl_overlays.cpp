#include <OGRE/OgreRenderTarget.h>
#include <OGRE/OgreSceneManager.h>
#include <OGRE/OgreViewport.h>

#include <algorithm>

#include "GVAppWins/box_edges.h"
#include "GVAppWins/editor_view_services.h"
#include "GVAppWins/gl_draw.h"
#include "GVAppWins/info_panels.h"
#include "GVAppWins/ogre_view.h"
#include "GVAppWins/vehicle_explode.h"
#include "GVAppWins/view_window.h"
#include "dynamics/world.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "scene/file_handlers.h"
#include "scene/scene_access.h"
#include "vehicle/vehicle_commands.h"

// After our headers, whose empty APIENTRY the GL header keeps.
#include <GL/gl.h>

namespace {

// The four capabilities, the colour, and the point size and line width the
// overlays set; everything is put back when the keeper goes.
class OverlayState {
 public:
  OverlayState() {
    for (int k = 0; k < 4; ++k) on_[k] = glIsEnabled(kCaps[k]);
    glGetFloatv(GL_CURRENT_COLOR, colour_);
    glDisable(GL_LIGHTING);
    glDisable(GL_STENCIL_TEST);
  }
  ~OverlayState() {
    for (int k = 0; k < 4; ++k) {
      if (on_[k])
        glEnable(kCaps[k]);
      else
        glDisable(kCaps[k]);
    }
    glColor4f(colour_[0], colour_[1], colour_[2], colour_[3]);
    glPointSize(1.0f);
    glLineWidth(1.0f);
  }
  OverlayState(const OverlayState&) = delete;
  OverlayState& operator=(const OverlayState&) = delete;

 private:
  static constexpr GLenum kCaps[4] = {GL_LIGHTING, GL_DEPTH_TEST, GL_BLEND, GL_STENCIL_TEST};
  GLboolean on_[4];
  GLfloat colour_[4];
};

HObject* worldHead(const GVView* view) {
  HWorld* w = view ? GVWorldOf(view->world) : nullptr;
  return w ? w->head : nullptr;
}

HObject* findJel(const GVView* view, int32_t id) {
  for (HObject* j = worldHead(view); j; j = GVNextJel(j))
    if (j->id == id) return j;
  return nullptr;
}

// The glue link of node i from the Jel's live state; false without one.
bool glueLink(const HObject* jel, int32_t i, int32_t* g, int32_t* m) {
  const HAState* s = jel->state;
  if (!s || !s->glueJel || !s->glueNode || i > s->nodeCount) return false;
  *g = s->glueJel[i];
  *m = s->glueNode[i];
  return true;
}

void linkPair(const float a[3], const float b[3]) {
  glBegin(GL_LINES);
  glVertex3fv(a);
  glVertex3fv(b);
  glEnd();
  glBegin(GL_POINTS);
  glVertex3fv(a);
  glVertex3fv(b);
  glEnd();
}

bool hasCamera(const GVView* view) { return view && view->camera && *view->camera; }

}  // namespace

void GVDrawMarkedNodes(GVView* view) {
  if (!hasCamera(view)) return;
  OverlayState keep;
  glDisable(GL_DEPTH_TEST);
  glPointSize(3.5f);
  glColor3f(0.8f, 0.2f, 0.4f);
  glBegin(GL_POINTS);
  for (HObject* jel = worldHead(view); jel; jel = GVNextJel(jel)) {
    if (!GVObjInSel(jel->id, jel->groupMask, -1) || !jel->pos) continue;
    const uint32_t word = jel->markedParts[0];
    if (!word) continue;
    const int32_t p = __builtin_ctz(word);
    if (p < 1 || p > 31) continue;
    for (int32_t i = 1; i <= jel->nodeCount; ++i)
      if (jel->inPart(i, p)) glVertex3fv(jel->pos[i]);
  }
  glEnd();
}

void GVRectCornerToWorld(GVView* view, CameraRec** camera, const float window[2], float world[3]) {
  world[0] = world[1] = world[2] = 0.0f;
  if (!view || !camera || !*camera || !view->viewport) return;
  const CameraRec* cam = *camera;
  const ViewportRec* vp = view->viewport;
  const int32_t x = static_cast<int32_t>(window[0]), y = static_cast<int32_t>(window[1]);
  // Without a node in the current selection the corner lies at the depth of
  // the camera's target.
  float q[3];
  GVProjectPoint(cam, cam->target, q);
  float depth = q[2], best = -1.0f;
  const int32_t selection = view->currentJel && view->currentJel[0] ? view->currentJel[0] : -1;
  for (HObject* jel = worldHead(view); jel; jel = GVNextJel(jel)) {
    if (!GVObjInSel(jel->id, jel->groupMask, selection)) continue;
    int32_t node = 0;
    float px[3];
    if (!jel->pickNearestNode(x, y, vp, cam, &node, px) || !node) continue;
    const float d = (px[0] - x) * (px[0] - x) + (px[1] - y) * (px[1] - y);
    if (best < 0.0f || d < best) {
      best = d;
      depth = px[2];
    }
  }
  const float n[3] = {(window[0] - vp->centreX) / (vp->width * 0.5f),
                      -((window[1] - vp->centreY) / (vp->height * 0.5f)), depth};
  GVUnprojectPoint(cam, n, world);
}

void GVDrawDragRectangle(GVView* view, float x, float y, float w, float h) {
  if (!hasCamera(view)) return;
  const float corners[4][2] = {{x, y + h}, {x, y}, {x + w, y}, {x + w, y + h}};
  float p[4][3];
  for (int k = 0; k < 4; ++k) GVRectCornerToWorld(view, view->camera, corners[k], p[k]);
  OverlayState keep;
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glLineWidth(1.5f);
  glColor4f(0.9f, 0.9f, 0.3f, 1.0f);
  glBegin(GL_LINE_LOOP);
  for (auto& c : p) glVertex3fv(c);
  glEnd();
}

void GVDrawGlueLinks(GVView* view) {
  if (!hasCamera(view) || !GVNodePairsShown(view)) return;
  const int32_t p = view->gluePart;
  if (p < 1 || p > 31) return;
  OverlayState keep;
  glEnable(GL_DEPTH_TEST);
  glPointSize(6.0f);
  glColor4f(0.7f, 0.8f, 0.2f, 1.0f);
  for (HObject* jel = worldHead(view); jel; jel = GVNextJel(jel)) {
    if (!GVObjInSel(jel->id, jel->groupMask, view->glueFirst) ||
        !GVObjInSel(jel->id, jel->groupMask, view->glueSecond))
      continue;
    for (int32_t i = 1; i <= jel->nodeCount; ++i) {
      int32_t g = 0, m = 0;
      if (!jel->inPart(i, p) || !glueLink(jel, i, &g, &m)) continue;
      if (g == 0 || m == 0 || jel->id <= g) continue;
      HObject* other = findJel(view, g);
      if (!other) continue;
      float a[3], b[3];
      other->getNodePosition(m, kFrameCommitted, 14, b);
      jel->getNodePosition(i, kFrameCommitted, 14, a);
      linkPair(b, a);
    }
  }
}

// The exploded-view offset of a Jel as a multiple of P; -1 for a Jel without a role.
static int roleWeight(const HObject* jel, int32_t bodyId, int32_t suspensionId, int32_t chassisId, int32_t group1,
                      int32_t group2) {
  auto in = [&](int32_t sel) { return sel != 0 && GVObjInSel(jel->id, jel->groupMask, sel); };
  if (in(group1) || in(group2)) return 1;
  if (in(chassisId)) return 2;
  if (in(suspensionId)) return 3;
  if (in(bodyId)) return 4;
  return -1;
}

void GVDrawVehicleLinks(GVView* view, int32_t bodyId, int32_t suspensionId, int32_t chassisId, int32_t group1,
                        int32_t group2, float ox, float oy, float oz) {
  HWorld* world = view ? GVWorldOf(view->world) : nullptr;
  if (!hasCamera(view) || !world || world->params.stateMode == -1) return;
  const float P[3] = {ox, oy, oz};
  OverlayState keep;
  glEnable(GL_DEPTH_TEST);
  glPointSize(6.0f);
  glColor4f(0.7f, 0.8f, 0.2f, 1.0f);
  for (HObject* jel = world->head; jel; jel = GVNextJel(jel)) {
    const int wj = roleWeight(jel, bodyId, suspensionId, chassisId, group1, group2);
    if (wj < 0) continue;
    for (int32_t i = 1; i <= jel->nodeCount; ++i) {
      int32_t g = 0, m = 0;
      if (!glueLink(jel, i, &g, &m) || g < 1 || m == 0) continue;
      HObject* other = findJel(view, g);
      if (!other) continue;
      const int wg = std::max(0, roleWeight(other, bodyId, suspensionId, chassisId, group1, group2));
      float a[3], b[3];
      jel->getNodePosition(i, kFrameCommitted, 14, a);
      other->getNodePosition(m, kFrameCommitted, 14, b);
      for (int k = 0; k < 3; ++k) {
        a[k] += wj * P[k];
        b[k] += wg * P[k];
      }
      linkPair(a, b);
    }
  }
}

void GVDrawVehicleLinkOverlay(const VehicleExplodeRec* record, GVView* view) {
  if (!view || !record) return;
  GVDrawVehicleLinks(view, record->bodyId, record->suspensionId, record->chassisId, record->groups[0],
                     record->groups[1], record->offset[0], record->offset[1], record->offset[2]);
}

void GVDrawBoundsBox(GVView* view, const float* bounds) {
  if (!hasCamera(view) || !bounds) return;
  float corners[8][3];
  GVBoxCorners(bounds, corners);
  OverlayState keep;
  glEnable(GL_DEPTH_TEST);
  const float grey = (view->flags & kViewDarkBackground) ? 0.3f : 0.6f;
  glColor4f(grey, grey, grey, 1.0f);
  glBegin(GL_LINES);
  GVForEachBoxEdge(corners, [](const float* a, const float* b) {
    glVertex3fv(a);
    glVertex3fv(b);
  });
  glEnd();
}

bool GVViewPreviewShown(const GVView* view) {
  return view && view->previewEntries > 0 && view->previewVertices && view->previewQuads;
}

void GVDrawViewPreview(GVView* view) {
  if (!GVViewPreviewShown(view)) return;
  OverlayState keep;
  GLfloat clearColour[4];
  GLint depthFunc = GL_LESS, blendSource = GL_ONE, blendTarget = GL_ZERO;
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColour);
  glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
  glGetIntegerv(GL_BLEND_SRC, &blendSource);
  glGetIntegerv(GL_BLEND_DST, &blendTarget);
  const GLboolean culled = glIsEnabled(GL_CULL_FACE);
  glDisable(GL_CULL_FACE);
  glClearColor(0.7f, 0.7f, 0.7f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  // The outlines go first and win where a face lies at their depth.
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LESS);
  const float* v = view->previewVertices;
  const int32_t n = view->previewEntries;
  auto eachQuad = [&](GLenum kind) {
    for (int32_t k = 1; k <= n; ++k) {
      const int32_t* q = view->previewQuads + 4 * k;
      if (q[0] < 1 || q[0] > n || q[1] < 1 || q[1] > n || q[2] < 1 || q[2] > n || q[3] < 1 || q[3] > n) continue;
      glBegin(kind);
      for (int c = 0; c < 4; ++c) glVertex3fv(v + 3 * q[c]);
      glEnd();
    }
  };
  glDisable(GL_BLEND);
  glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
  eachQuad(GL_LINE_LOOP);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(0.7f, 0.4f, 0.7f, 1.0f);
  eachQuad(GL_QUADS);
  glBlendFunc(static_cast<GLenum>(blendSource), static_cast<GLenum>(blendTarget));
  glDepthFunc(static_cast<GLenum>(depthFunc));
  glClearColor(clearColour[0], clearColour[1], clearColour[2], clearColour[3]);
  if (culled) glEnable(GL_CULL_FACE);
}

static bool editingOverlaysWanted(const GVView* view) {
  return gViewModeFlags.structureEdit || gViewModeFlags.partPick || gViewModeFlags.moveTool ||
         gViewInput.rectShown == 1 || view->glueOn;
}

void GVDrawOgreOverlays(GVView* view) {
  if (!view || (view->flags & kViewOverlayOff)) return;
  if (!editingOverlaysWanted(view) && !GVViewPreviewShown(view) && GVOgreEnabled && gOgreData && gOgreData->mShadowsInUse &&
      gOgreData->mSceneMgr && gOgreData->mSceneMgr->isShadowTechniqueInUse()) {
    if (view->flags & kViewFrameCounter) GVShowFrameCounter(view);
    if (GVSceneReloading()) GVClearInfoPanel(view);
    return;
  }
  static constexpr GLenum kCaps[4] = {GL_TEXTURE_2D, GL_DEPTH_TEST, GL_BLEND, GL_ALPHA_TEST};
  GLboolean on[4];
  for (int k = 0; k < 4; ++k) on[k] = glIsEnabled(kCaps[k]);
  // The engine's own matrices and attributes stay as they were for the rest
  // of its frame.
  GLint activeUnit = GL_TEXTURE0, units = 1;
  glGetIntegerv(GL_ACTIVE_TEXTURE, &activeUnit);
  glGetIntegerv(GL_MAX_TEXTURE_UNITS, &units);
  glActiveTexture(GL_TEXTURE0);
  glPushAttrib(GL_ALL_ATTRIB_BITS);
  glMatrixMode(GL_TEXTURE);
  glPushMatrix();
  glLoadIdentity();
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glEnable(GL_DEPTH_TEST);
  glDisable(GL_BLEND);
  glDisable(GL_ALPHA_TEST);
  glDisable(GL_TEXTURE_2D);
  // No texture unit, texture generation or fog tints the overlays' colours
  // (texture shadows leave units of their own enabled).
  for (GLint u = 0; u < units; ++u) {
    glActiveTexture(static_cast<GLenum>(GL_TEXTURE0 + u));
    for (GLenum cap : {GL_TEXTURE_1D, GL_TEXTURE_2D, GL_TEXTURE_3D, GL_TEXTURE_CUBE_MAP, GL_TEXTURE_GEN_S,
                       GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R, GL_TEXTURE_GEN_Q})
      glDisable(cap);
  }
  glActiveTexture(GL_TEXTURE0);
  glDisable(GL_CULL_FACE);
  glDisable(GL_FOG);
  glDisable(GL_SCISSOR_TEST);
  glDisable(GL_COLOR_LOGIC_OP);
  glDepthMask(GL_TRUE);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  const uint32_t saved = GVOgreEnabled;
  GVOgreEnabled = 0;
  GVSetViewProjection(view);
  GVOgreEnabled = saved;
  // Render textures are drawn upside down: the engine flips its projection
  // in y for them, and the overlays follow.
  Ogre::Viewport* vp = gOgreData && gOgreData->mSceneMgr ? gOgreData->mSceneMgr->getCurrentViewport() : nullptr;
  if (vp && vp->getTarget() && vp->getTarget()->requiresTextureFlipping()) {
    GLfloat m[16];
    glMatrixMode(GL_PROJECTION);
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    glLoadIdentity();
    glScalef(1.0f, -1.0f, 1.0f);
    glMultMatrixf(m);
    glMatrixMode(GL_MODELVIEW);
  }
  if (hasCamera(view)) {
    GVDrawViewPreview(view);
    if (gViewInput.rectShown == 1)
      GVDrawDragRectangle(view, static_cast<float>(gViewInput.rectX), static_cast<float>(gViewInput.rectY),
                          static_cast<float>(gViewInput.rectWidth), static_cast<float>(gViewInput.rectHeight));
    GVDrawMarkedNodes(view);
    if (GVNodePairsShown(view)) GVDrawGlueLinks(view);
    if (gOgreData && gOgreData->mVehicleExplode) GVDrawVehicleLinkOverlay(gOgreData->mVehicleExplode, view);
    GVDrawManipulatorLayers(view);
    if (GVSceneReloading()) GVClearInfoPanel(view);
    if (view->flags & kViewFrameCounter) GVShowFrameCounter(view);
    if (GVDisplayedFrame(view) == 0 && GVVehicleWheelGeosOk() == 0)
      GVShowStatusLine(view,
                       "WARNING: GEO vhcl wheels must first be massoc'd with 8_Seg JEL wheels before upgrading to "
                       "16_Seg !");
  }
  glMatrixMode(GL_TEXTURE);
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glPopAttrib();
  glActiveTexture(static_cast<GLenum>(activeUnit));
  for (int k = 0; k < 4; ++k) {
    if (on[k])
      glEnable(kCaps[k]);
    else
      glDisable(kCaps[k]);
  }
}
