#include "GVAppWins/gl_draw.h"

#include <cmath>

#include "GVAppWins/editor_view_services.h"
#include "GVAppWins/info_panels.h"
#include "GVAppWins/manipulator.h"
#include "GVAppWins/view_window.h"
#include "dynamics/world.h"
#include "jel/jel_object.h"
#include "geo/geo_list_services.h"
#include "scene/scene_access.h"
#include "scene/scene_opts.h"
#include "scene/scene_records.h"
#include "platform/wgl.h"
#include "vehicle/vehicle_record.h"

// After our headers, whose empty APIENTRY the GL header keeps.
#include <GL/gl.h>
#include <GL/glu.h>

namespace {

// The capabilities and colour an immediate-mode routine may change.
class GLStateKeeper {
 public:
  GLStateKeeper() {
    for (int k = 0; k < 4; ++k) on_[k] = glIsEnabled(kCaps[k]);
    glGetFloatv(GL_CURRENT_COLOR, colour_);
  }
  ~GLStateKeeper() {
    for (int k = 0; k < 4; ++k) {
      if (on_[k])
        glEnable(kCaps[k]);
      else
        glDisable(kCaps[k]);
    }
    glColor4f(colour_[0], colour_[1], colour_[2], colour_[3]);
  }
  GLStateKeeper(const GLStateKeeper&) = delete;
  GLStateKeeper& operator=(const GLStateKeeper&) = delete;

 private:
  static constexpr GLenum kCaps[4] = {GL_LIGHTING, GL_DEPTH_TEST, GL_BLEND, GL_STENCIL_TEST};
  GLboolean on_[4];
  GLfloat colour_[4];
};

void sub(const float a[3], const float b[3], float out[3]) {
  for (int k = 0; k < 3; ++k) out[k] = a[k] - b[k];
}
void cross(const float a[3], const float b[3], float out[3]) {
  out[0] = a[1] * b[2] - a[2] * b[1];
  out[1] = a[2] * b[0] - a[0] * b[2];
  out[2] = a[0] * b[1] - a[1] * b[0];
}
float dot(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// Normal (c - a) x (b - a) of triangle (a, b, c) and its facing towards the eye
// (negative when it faces the eye); a two-sided face always faces it.
float facing(const float* a, const float* b, const float* c, const float* centroid, const float eye[3],
             int32_t twoSided, float n[3]) {
  float ca[3], ba[3], toCentre[3];
  sub(c, a, ca);
  sub(b, a, ba);
  cross(ca, ba, n);
  sub(centroid, eye, toCentre);
  float f = dot(n, toCentre);
  if (twoSided && f > 0.0f) {
    for (int k = 0; k < 3; ++k) n[k] = -n[k];
    f = -f;
  }
  if (f < 0.0f) {
    const float len = std::sqrt(dot(n, n));
    if (len > 0.0f)
      for (int k = 0; k < 3; ++k) n[k] /= len;
  }
  return f;
}

void outlineColour(int32_t highlight) {
  if (highlight)
    glColor4f(0.9f, 0.9f, 0.7f, 1.0f);
  else
    glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
}

void loop(const float* const* p, int n) {
  glBegin(GL_LINE_LOOP);
  for (int k = 0; k < n; ++k) glVertex3fv(p[k]);
  glEnd();
}

// Steps 4-7 of one face: outline, fill and the second outline that clears the
// stencil marks of the first.
void drawFace(int32_t mode, int32_t highlight, const GColour* colour, const float* const* corners, int count,
              const float* const* tris, const float normals[][3], const bool* drawTri, int triCount,
              bool blendFunc) {
  const bool hiddenLine = (mode & (8 | 32)) != 0;
  const bool wire = (mode & (2 | 4)) != 0;
  if (hiddenLine) {
    glEnable(GL_STENCIL_TEST);
    glStencilFunc(GL_ALWAYS, 0, 1);
    glStencilOp(GL_INVERT, GL_INVERT, GL_INVERT);
  }
  if (hiddenLine || wire) {
    glDisable(GL_LIGHTING);
    outlineColour(highlight);
    loop(corners, count);
  }
  if (!wire) {
    if (mode & 32) glEnable(GL_LIGHTING);
    if (mode & 16) glEnable(GL_LIGHTING);
    if (mode & 8) glDisable(GL_LIGHTING);
    glStencilFunc(GL_EQUAL, 0, 1);
    glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
    if (colour && colour->mode == 1 && !(mode & 8))
      glColor4f(colour->r, colour->g, colour->b, colour->a);
    else
      glColor4f(0.7f, 0.7f, 0.7f, 0.1f);
    if (blendFunc) glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    for (int t = 0; t < triCount; ++t) {
      if (!drawTri[t]) continue;
      glBegin(GL_POLYGON);
      glNormal3fv(normals[t]);
      for (int k = 0; k < 3; ++k) glVertex3fv(tris[3 * t + k]);
      glEnd();
    }
  }
  if (hiddenLine) {
    glStencilFunc(GL_ALWAYS, 0, 1);
    glStencilOp(GL_INVERT, GL_INVERT, GL_INVERT);
  }
  if (hiddenLine || wire) {
    glDisable(GL_LIGHTING);
    outlineColour(highlight);
    loop(corners, count);
  }
}

void material(const float ambient[4], const float diffuse[4], const float specular[4], const float emission[4],
              float shininess) {
  glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
  glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
  glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
  if (emission) glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, emission);
  glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, shininess);
}

}  // namespace

void GVInitGLLighting() {
  const float position[4] = {0, 0, 100, 1};
  const float light[4] = {0.9f, 0.9f, 0.9f, 1};
  const float specular[4] = {0.5f, 0.5f, 0.5f, 1};
  glLightfv(GL_LIGHT0, GL_POSITION, position);
  glLightfv(GL_LIGHT0, GL_AMBIENT, light);
  glLightfv(GL_LIGHT0, GL_DIFFUSE, light);
  glLightfv(GL_LIGHT0, GL_SPECULAR, specular);
  const float a[4] = {0.3f, 0.3f, 0.8f, 1}, d[4] = {0.25f, 0.25f, 0.8f, 1}, s[4] = {1, 1, 1, 1},
              e[4] = {0, 0, 0, 1};
  material(a, d, s, e, 100.0f);
  glEnable(GL_LIGHTING);
  glEnable(GL_LIGHT0);
}

void GVSetGLGeoMaterial() {
  const float a[4] = {0.4f, 0.2f, 0.3f, 1}, s[4] = {0.7f, 0.7f, 0.7f, 1}, e[4] = {0.1f, 0.1f, 0.1f, 1};
  material(a, a, s, e, 100.0f);
}

void GVSetGLJelMaterial(const GVView* view) {
  const float alpha = view && (view->flags & kViewDarkBackground) ? 0.8f : 0.6f;
  const float a[4] = {0.3f, 0.3f, 0.8f, alpha}, d[4] = {0.25f, 0.25f, 0.8f, alpha}, s[4] = {1, 1, 1, alpha},
              e[4] = {0, 0, 0, alpha};
  material(a, d, s, e, 100.0f);
}

void GVDrawGLQuad(int32_t twoSided, const CameraRec* camera, int32_t mode, int32_t highlight,
                  const GColour* colour, const float p0[3], const float p1[3], const float p2[3],
                  const float p3[3]) {
  if (!camera) return;
  const float* tris[6] = {p0, p1, p3, p1, p2, p3};
  float normals[2][3];
  bool draw[2];
  for (int t = 0; t < 2; ++t) {
    const float* const* v = tris + 3 * t;
    float c[3];
    for (int k = 0; k < 3; ++k) c[k] = (v[0][k] + v[1][k] + v[2][k]) / 3.0f;
    draw[t] = facing(v[0], v[1], v[2], c, camera->eye, twoSided, normals[t]) < 0.0f;
  }
  if (!draw[0] && !draw[1]) return;
  GLStateKeeper keep;
  const float* corners[4] = {p0, p1, p2, p3};
  drawFace(mode, highlight, colour, corners, 4, tris, normals, draw, 2, true);
}

void GVDrawGLTriangle(int32_t twoSided, const CameraRec* camera, int32_t mode, int32_t highlight,
                      const GColour* colour, const float p0[3], const float p1[3], const float p2[3]) {
  if (!camera) return;
  const float* tris[3] = {p0, p1, p2};
  float normals[1][3], c[3];
  for (int k = 0; k < 3; ++k) c[k] = (p0[k] + p1[k] + p2[k]) / 3.0f;
  bool draw[1] = {facing(p0, p1, p2, c, camera->eye, twoSided, normals[0]) < 0.0f};
  if (!draw[0]) return;
  GLStateKeeper keep;
  drawFace(mode, highlight, colour, tris, 3, tris, normals, draw, 1, false);
}

void GVDrawGLGeos(GVView* view, const CameraRec* camera) {
  if (!view || !camera || !view->geoList) return;
  GLStateKeeper keep;
  glEnable(GL_DEPTH_TEST);
  glShadeModel(GL_FLAT);
  GVSetGLGeoMaterial();
  const float defaultColour[4] = {0.4f, 0.2f, 0.3f, 1}, defaultSpecular[4] = {0.7f, 0.7f, 0.7f, 1};
  for (ObjHandle* h = GVFirstGeo(view->geoList); h; h = GVNextGeo(h)) {
    const GObject* g = static_cast<const GObject*>(h->object);
    if (!g || g->vertexCount < 1 || !g->vertices) continue;
    int32_t mode = camera->geoDisplayMode;
    const int32_t highlight = (g->flags & 0x10) ? 1 : 0;
    if (highlight && (mode & 16)) mode = 32;
    const int32_t twoSided = (g->flags & GEO_FLAG_PICK_BACK_FACES) ? 1 : 0;
    auto block = [](const GColour& c, const float* fallback, float out[4]) {
      if (c.mode) {
        out[0] = c.r, out[1] = c.g, out[2] = c.b, out[3] = c.a;
      } else {
        for (int k = 0; k < 4; ++k) out[k] = fallback[k];
      }
    };
    float ambient[4], diffuse[4], specular[4];
    block(g->colourA, defaultColour, ambient);
    block(g->colourB, defaultColour, diffuse);
    block(g->colourC, defaultSpecular, specular);
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, specular);
    auto vertex = [&](int32_t i) -> const float* {
      return i >= 1 && i <= g->vertexCount ? g->vertices[i] : nullptr;
    };
    for (int32_t q = 1; q <= g->quadCount && g->quads; ++q) {
      const float* p[4];
      bool ok = true;
      for (int k = 0; k < 4; ++k) ok = (p[k] = vertex(g->quads[q][k])) && ok;
      if (!ok) continue;
      float a[3], b[3], n[3], c[3], toCentre[3];
      sub(p[3], p[0], a);
      sub(p[1], p[0], b);
      cross(a, b, n);
      for (int k = 0; k < 3; ++k) c[k] = (p[0][k] + p[1][k] + p[2][k] + p[3][k]) * 0.25f;
      sub(c, camera->eye, toCentre);
      if (dot(n, toCentre) < 0.0f || twoSided)
        GVDrawGLQuad(twoSided, camera, mode, highlight, &g->colourA, p[0], p[1], p[2], p[3]);
    }
    for (int32_t t = 1; t <= g->triangleCount && g->triangles; ++t) {
      const float* p[3];
      bool ok = true;
      for (int k = 0; k < 3; ++k) ok = (p[k] = vertex(g->triangles[t][k])) && ok;
      if (!ok) continue;
      float a[3], b[3], n[3], c[3], toCentre[3];
      sub(p[2], p[0], a);
      sub(p[1], p[0], b);
      cross(a, b, n);
      for (int k = 0; k < 3; ++k) c[k] = (p[0][k] + p[1][k] + p[2][k]) / 3.0f;
      sub(c, camera->eye, toCentre);
      if (dot(n, toCentre) < 0.0f || twoSided)
        GVDrawGLTriangle(twoSided, camera, mode, highlight, &g->colourA, p[0], p[1], p[2]);
    }
  }
}

static void drawJelFace(void* context, HObject** handle, const float c0[3], const float c1[3],
                        const float c2[3], const float c3[3], int32_t highlight) {
  const GVJelFaceContext* ctx = static_cast<const GVJelFaceContext*>(context);
  if (!ctx || !handle || !*handle) return;
  GVDrawGLQuad(GVIsJelFlat(*handle), ctx->camera, ctx->mode, highlight, nullptr, c0, c1, c2, c3);
}

void GVDrawJelFace(void* context, HObject** handle, const float c0[3], const float c1[3], const float c2[3],
                   const float c3[3], uint32_t) {
  drawJelFace(context, handle, c0, c1, c2, c3, 0);
}

void GVDrawJelFaceHighlighted(void* context, HObject** handle, const float c0[3], const float c1[3],
                              const float c2[3], const float c3[3], uint32_t) {
  drawJelFace(context, handle, c0, c1, c2, c3, 1);
}

void GVDrawGLJels(GVView* view, int32_t selection) {
  if (!view || !view->camera || !*view->camera) return;
  CameraRec* camera = *view->camera;
  GVSetGLJelMaterial(view);
  const int32_t current = view->currentJel ? view->currentJel[0] : 0;
  GLStateKeeper keep;
  glEnable(GL_DEPTH_TEST);
  if (camera->jelDisplayMode & (8 | 16 | 32)) glEnable(GL_BLEND);
  int32_t hidden = 0;
  if (const VehicleRec* v = GVScene().vehicle ? GVVehicleOf(GVScene().vehicle) : nullptr) {
    int32_t groups[kVehicleGroups];
    GVVehicleGroups(v, groups);
    hidden = groups[7];
  }
  HWorld* world = GVWorldOf(view->world);
  if (!world) return;
  for (HObject* jel = world->head; jel; jel = GVNextJel(jel)) {
    if (hidden && GVObjInSel(jel->id, jel->groupMask, hidden)) continue;
    if (!GVObjInSel(jel->id, jel->groupMask, selection)) continue;
    GVJelFaceContext ctx = {camera, camera->jelDisplayMode};
    if (current && GVObjInSel(jel->id, jel->groupMask, current)) {
      if (ctx.mode & 16) ctx.mode = 32;
      jel->forEachFace(&ctx, GVDrawJelFaceHighlighted);
    } else {
      jel->forEachFace(&ctx, GVDrawJelFace);
    }
  }
}

bool GVRttHidesGeo(const SceneOpts* options) {
  return options && options->fields[5 - 3] != 0 && options->fields[6 - 3] == 0;
}

void GVDrawGLFrame(GVView* view) {
  if (!view || !view->camera || !*view->camera) return;
  const CameraRec* camera = *view->camera;
  const float c = (view->flags & kViewDarkBackground) ? 0.0f : 0.7f;
  glClearColor(c, c, c, 1.0f);
  GLbitfield clear = GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT;
  if ((camera->geoDisplayMode | camera->jelDisplayMode) & (8 | 32)) clear |= GL_STENCIL_BUFFER_BIT;
  glClear(clear);
  if (camera->geoDisplayMode & (2 | 8 | 16 | 32)) GVDrawGLGeos(view, camera);
  if (camera->jelDisplayMode & (2 | 4 | 8 | 16 | 32)) GVDrawGLJels(view, -1);

  GVDrawMarkedNodes(view);
  if (GVNodePairsShown(view)) GVDrawGlueLinks(view);
  GVDrawBoundsBox(view, view->bounds);
  GVDrawViewPreview(view);
  GVDrawManipulatorLayers(view);
  if (gViewInput.rectShown == 1)
    GVDrawDragRectangle(view, static_cast<float>(gViewInput.rectX), static_cast<float>(gViewInput.rectY),
                        static_cast<float>(gViewInput.rectWidth), static_cast<float>(gViewInput.rectHeight));
  if (view->flags & kViewFrameCounter) GVShowFrameCounter(view);

  HDC dc = GetDC(view->window);
  SwapBuffers(dc);
  ReleaseDC(view->window, dc);
}
