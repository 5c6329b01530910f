#include "GVAppWins/info_panels.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "GVAppWins/view_window.h"
#include "dynamics/jel_selection.h"
#include "dynamics/world.h"
#include "geo/geo_list.h"
#include "geo/geo_object.h"
#include "geo/key_frames.h"
#include "geo/key_interp.h"
#include "GVAppWins/manipulator.h"
#include "jel/live_state.h"
#include "geo/mesh_bounds.h"
#include "jel/jel_object.h"
#include "records/obj_handle.h"
#include "scene/edit_rules.h"
#include "toolkit/drawing.h"
#include "toolkit/fonts_pens.h"

static constexpr int kLineY = 5;
static const COLORREF kReadoutColour = RGB(80, 80, 150);

int GVDisplayedFrame(const GVView* view) {
  if (!view || !view->world || !*view->world) return 0;
  const FrameParams& p = (*view->world)->params;
  const bool lastSubStep = p.stepping && p.subSteps >= 1 && p.subSteps == p.subStepIndex;
  return p.currentFrame + (lastSubStep ? 1 : 0);
}

COLORREF GVPanelBackground(bool dark) { return dark ? RGB(0, 0, 0) : RGB(191, 191, 191); }

COLORREF GVPanelTextColour(const float* bg) {
  // Compared in double precision: a stored 0.2f lies just above 0.2.
  const bool light = bg && (static_cast<double>(bg[0]) > 0.2 || static_cast<double>(bg[1]) > 0.2 ||
                            static_cast<double>(bg[2]) > 0.2);
  return light ? RGB(0, 0, 30) : RGB(130, 130, 20);
}

// Text on a transparent background, the device context's colour and mode put back.
static void drawText(HDC dc, int x, const char* text, COLORREF colour) {
  GVDrawText(dc, x, kLineY, GetRValue(colour), GetGValue(colour), GetBValue(colour), text,
             static_cast<int>(std::strlen(text)));
}

// The toolkit's black or grey-191 brush; one of that colour while the
// toolkit has not made its brushes.
static void fillPanel(HWND hwnd, HDC dc, const GVView* view) {
  RECT rc = {};
  GetClientRect(hwnd, &rc);
  const bool dark = (view->flags & kViewDarkBackground) != 0;
  HBRUSH brush = dark ? QwPens.brushBlack : QwPens.brushGrey191;
  if (brush) {
    FillRect(dc, &rc, brush);
    return;
  }
  brush = CreateSolidBrush(GVPanelBackground(dark));
  FillRect(dc, &rc, brush);
  DeleteObject(brush);
}

static COLORREF ruleColour() { return GVPanelTextColour(GVViewScene().background); }

void GVShowFrameCounter(GVView* view) {
  if (!view || !view->leftOut) return;
  HDC dc = GetDC(view->leftOut);
  fillPanel(view->leftOut, dc, view);
  char text[32];
  std::snprintf(text, sizeof text, "frame  %d", GVDisplayedFrame(view));
  drawText(dc, 7, text, ruleColour());
  ReleaseDC(view->leftOut, dc);
}

void GVClearInfoPanel(GVView* view) {
  if (!view || !view->rightOut) return;
  HDC dc = GetDC(view->rightOut);
  fillPanel(view->rightOut, dc, view);
  ReleaseDC(view->rightOut, dc);
}

static void writeLine(GVView* view, int x, const char* text, COLORREF colour) {
  if (!view->rightOut || !text || !*text) return;
  HDC dc = GetDC(view->rightOut);
  drawText(dc, x, text, colour);
  ReleaseDC(view->rightOut, dc);
}

void GVShowStatusLine(GVView* view, const char* text) {
  if (!view || !view->rightOut) return;
  GVClearInfoPanel(view);
  writeLine(view, 207, text, ruleColour());
}

static GObject* findGeo(const GVView* view, int32_t id) {
  if (id < 1 || !view->geoList || !view->geoList->object) return nullptr;
  for (GObject* g = static_cast<GeoList*>(view->geoList->object)->head; g; g = g->next)
    if (g->id == id) return g;
  return nullptr;
}

static HObject* findJel(const GVView* view, int32_t id) {
  if (id < 1 || !view->world || !*view->world) return nullptr;
  for (HObject* j = (*view->world)->head; j; j = j->next)
    if (j->id == id) return j;
  return nullptr;
}

static bool isKeyFramed(const GObject* g) { return g->keyTrack && g->keyTrack->firstKey; }
static bool hasAttachment(const GObject* g) { return g->attach && g->attach->type != 0; }
static constexpr uint32_t kGeoInitialStateFlag = 0x200;
static constexpr uint32_t kGeoSoftFlag = 0x400;

static const char* warningText(int code, GVView* view, int geoId, int jelId) {
  switch (code) {
    case 1: {
      const GObject* geo = findGeo(view, geoId);
      if ((*view->world)->params.stateMode == 0 && geo && (geo->flags & kGeoInitialStateFlag) && isKeyFramed(geo))
        return "Warning: Geo key frames changed! Initial State of associated Jel object may need to be "
               "'re-aligned' (see Initial State Controls)";
      if (!findJel(view, jelId) || !view->geoList->object) return "";
      for (GObject* g = static_cast<GeoList*>(view->geoList->object)->head; g; g = g->next)
        if (g->jelId == jelId && (g->flags & kGeoInitialStateFlag) && isKeyFramed(g))
          return "Warning: Jel Initial State may need to be 're-aligned' if associated with Key Framed Geo (see "
                 "Initial State Controls)";
      return "";
    }
    case 4: return "Warning: This feature is disabled in 'fly-away' scenes";
    case 5:
      return "Reminder: 'Check Attachments' [Vehicle Controls: 'ChAttchs' button] after complete edit "
             "'vehicle chassis/body' structure operations";
    case 6: return "Warning: Cannot edit structure of jel belonging to physical component";
    case 7: return "Warning: Cannot edit structure of vehicle 'suspension' jel";
    case 8: return "Warning: Cannot edit structure of special 'bike' demo chassis/body Jel";
    default: return "";
  }
}

void GVShowWarning(int code, GVView* view, int geoId, int jelId) {
  if (!view || !view->geoList || !view->world || !*view->world) return;
  GVClearInfoPanel(view);
  writeLine(view, 207, warningText(code, view, geoId, jelId), ruleColour());
}

static int averageCharWidth(HWND hwnd) {
  HDC dc = GetDC(hwnd);
  TEXTMETRICA tm = {};
  GetTextMetricsA(dc, &tm);
  ReleaseDC(hwnd, dc);
  return tm.tmAveCharWidth;
}

void GVShowWindowSize(GVView* view) {
  if (!view || !view->rightOut || !view->viewport) return;
  writeLine(view, 10, "Window:", kReadoutColour);
  char text[64];
  std::snprintf(text, sizeof text, "w,h:  (%d,   %d)", view->viewport->width, view->viewport->height);
  writeLine(view, 7 * averageCharWidth(view->rightOut) + 60, text, kReadoutColour);
}

void GVShowCameraInfo(GVView* view) {
  if (!view || !view->rightOut || !view->camera || !*view->camera) return;
  const CameraRec* c = *view->camera;
  GVClearInfoPanel(view);
  writeLine(view, 130, "Camera:", kReadoutColour);
  const float toDeg = 180.0f / 3.1415927f;
  char text[256];
  switch (view->toolMode) {
    case 0:
    case 3:
    case 4:
      std::snprintf(text, sizeof text,
                    "pos:  (%4.2f,   %4.2f,   %4.2f)          angX:   %4.2f        angY:   %4.2f", c->eye[0],
                    c->eye[1], c->eye[2], c->elevation * toDeg, c->heading * toDeg);
      break;
    case 1:
      std::snprintf(text, sizeof text, "pos:  (%4.2f,   %4.2f,   %4.2f)          angY:   %4.2f", c->eye[0],
                    c->eye[1], c->eye[2], c->heading * toDeg);
      break;
    case 2:
      std::snprintf(text, sizeof text, "pos:  (%4.2f,   %4.2f,   %4.2f)          angX:   %4.2f", c->eye[0],
                    c->eye[1], c->eye[2], c->elevation * toDeg);
      break;
    case 5:
      std::snprintf(text, sizeof text, "angV:   %4.2f", c->fov * toDeg);
      break;
    case 6:
      std::snprintf(text, sizeof text, "pos:  (%4.2f,   %4.2f,   %4.2f)", c->eye[0], c->eye[1], c->eye[2]);
      break;
    default:
      return;
  }
  writeLine(view, 7 * averageCharWidth(view->rightOut) + 180, text, kReadoutColour);
}

// Writes a read-out piece at x and returns where the next one may start.
static int piece(GVView* view, HDC dc, int x, const char* text) {
  drawText(dc, x, text, kReadoutColour);
  SIZE size = {};
  GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &size);
  (void)view;
  return x + size.cx;
}

// The bounds (xmin, xmax, ymin, ymax, zmin, zmax) and the metric, 40 pixels
// apart, from x.
static void boundsAndMetric(GVView* view, HDC dc, int x, const float box[6], float metric) {
  char text[256];
  std::snprintf(text, sizeof text, "Bounds:   ( %3.2f,  %3.2f,  %3.2f )    ( %3.2f,  %3.2f,  %3.2f )", box[0],
                box[2], box[4], box[1], box[3], box[5]);
  x = piece(view, dc, x, text) + 40;
  std::snprintf(text, sizeof text, "Metric:   %4.3f", metric);
  piece(view, dc, x, text);
}

static void geoLine(GVView* view, HDC dc, int32_t g) {
  char text[256];
  const GObject* geo = findGeo(view, g);
  if (g > 0) {
    const int32_t vertex = view->currentGeo ? view->currentGeo[2] : 0;
    std::snprintf(text, sizeof text, "Geo:  \"%s\" {%d}    '%d':-", geo && geo->name ? geo->name : "", g, vertex);
  } else {
    std::snprintf(text, sizeof text, "GeoGroup_%d :-", -g);
  }
  const int titleEnd = piece(view, dc, 130, text);
  const GeoList* list = view->geoList ? static_cast<const GeoList*>(view->geoList->object) : nullptr;
  std::snprintf(text, sizeof text, "v %d,   f %d", GVGeoSelVertexCount(list, g), GVGeoSelFaceCount(list, g));
  int x = piece(view, dc, 170 + (titleEnd - 130), text) + 35;
  if (g <= 0 || !geo) return;
  if (geo->jelId > 0) {
    if (const HObject* jel = findJel(view, geo->jelId)) {
      std::snprintf(text, sizeof text, (geo->flags & kGeoSoftFlag) ? "<SoftTf: \"%s\">" : "<Static: \"%s\">",
                    jel->name ? jel->name : "");
      x = piece(view, dc, x + 5, text);
    }
  }
  if (isKeyFramed(geo)) x = piece(view, dc, x + 5, "<KeyFramed>");
  if (hasAttachment(geo)) x = piece(view, dc, x + 5, "<Attached>");
  float bounds[6] = {};
  if (geo->vertexCount <= 0 || !GVGetGeoBounds(geo, bounds))
    for (float& v : bounds) v = 0.0f;
  boundsAndMetric(view, dc, x + 40, bounds, geo->faceSize);
}

static void jelLine(GVView* view, HDC dc, int32_t j) {
  char text[256];
  HObject* jel = findJel(view, j);
  if (j > 0 && !jel) return;
  if (j > 0) {
    const int32_t node = view->currentJel ? view->currentJel[2] : 0;
    std::snprintf(text, sizeof text, "Jel:  \"%s\" {%d}    '%d':-", jel->name ? jel->name : "", j, node);
  } else {
    std::snprintf(text, sizeof text, "JelGroup_%d :-", -j);
  }
  const int titleEnd = piece(view, dc, 130, text);
  const HWorld* world = view->world ? *view->world : nullptr;
  std::snprintf(text, sizeof text, "v %d,   f %d", GVJelSelNodeCount(world, j), GVJelSelFaceCount(world, j));
  int x = piece(view, dc, 170 + (titleEnd - 130), text);
  if (j <= 0) return;
  x += 40;
  const GeoList* list = view->geoList ? static_cast<const GeoList*>(view->geoList->object) : nullptr;
  for (const GObject* g = list ? list->head : nullptr; g; g = g->next)
    if (g->jelId == j) {
      std::snprintf(text, sizeof text, (g->flags & kGeoSoftFlag) ? "<SoftTf: \"%s\">" : "<Static: \"%s\">",
                    g->name ? g->name : "");
      x = piece(view, dc, x, text) + 40;
      break;
    }
  float box[6] = {};
  if (!GVJelBoundingBox(jel, -2, box))
    for (float& v : box) v = 0.0f;
  boundsAndMetric(view, dc, x, box, jel->cellSize);
}

void GVShowObjectInfo(GVView* view) {
  if (!view || !view->rightOut) return;
  if ((view->running && *view->running) || view->toolMode != 0) return;
  const int32_t g = view->currentGeo ? view->currentGeo[0] : 0;
  const int32_t j = view->currentJel ? view->currentJel[0] : 0;
  GVClearInfoPanel(view);
  if (!g && !j) return;
  HDC dc = GetDC(view->rightOut);
  if (g)
    geoLine(view, dc, g);
  else
    jelLine(view, dc, j);
  ReleaseDC(view->rightOut, dc);
}

// Position of a Geo's current transform, or the centre of mass of a Jel with a
// live state (where it is now, not its rest shape); false when neither is there.
static bool objectPosition(GObject* geo, HObject* jel, float out[3]) {
  if (geo) {
    for (int k = 0; k < 3; ++k) out[k] = geo->xform[GEO_SLOT_FRAME].position[k];
    return true;
  }
  if (jel && jel->state) {
    GVGetGroupCentre(jel->state, 1, kFrameCommitted, kAxesAll, out);
    return true;
  }
  return false;
}

int GVTransformReadout(GVView* view, GVTransformReadoutText* out) {
  *out = GVTransformReadoutText();
  if (!view || !view->manipulator) return 0;
  const GVManipulator& m = *view->manipulator;
  const bool axisHandle = m.handle >= 1 && m.handle <= 3;
  if (m.dragging && m.mode == 3 && axisHandle && m.jelId) return 0;
  if (!m.geoId && !m.jelId) return 0;
  GObject* geo = findGeo(view, m.geoId);
  HObject* jel = findJel(view, m.jelId);
  if (!geo && !jel) return 0;

  if (m.geoId > 0)
    std::snprintf(out->geoTitle, sizeof out->geoTitle, "%s {%d} :", geo && geo->name ? geo->name : "", m.geoId);
  else if (m.geoId < 0)
    std::snprintf(out->geoTitle, sizeof out->geoTitle, "GeoGroup_%d {%d} :", -m.geoId, m.geoId);
  if (m.jelId > 0)
    std::snprintf(out->jelTitle, sizeof out->jelTitle, "%s {%d} :", jel && jel->name ? jel->name : "", m.jelId);
  else if (m.jelId < 0)
    std::snprintf(out->jelTitle, sizeof out->jelTitle, "JelGroup_%d {%d} :", -m.jelId, m.jelId);
  if (m.mode < 1 || m.mode > 3) return 1;

  static const char* const kLabels[] = {"d-translate:  ", "   d-rotate:  ", "    d-scale:  "};
  float v[3];
  const float rest = m.mode == 3 ? 1.0f : 0.0f;
  v[0] = v[1] = v[2] = rest;
  if (axisHandle) {
    const float readout = m.mode == 1 ? m.moveReadout : m.mode == 2 ? m.rotateReadout * 57.295776f : m.scaleReadout;
    v[m.handle - 1] = readout;
  } else if (m.handle == 4) {
    float p[3];
    if (m.mode == 1 && objectPosition(geo, jel, p))
      for (int k = 0; k < 3; ++k) v[k] = p[k] - m.startPosition[k];
    if (m.mode == 3) v[0] = v[1] = v[2] = m.scaleReadout;
    if (m.mode == 2) v[0] = v[1] = v[2] = 0.0f;
  }
  std::snprintf(out->change, sizeof out->change, "%s(%4.2f,   %4.2f,   %4.2f)", kLabels[m.mode - 1], v[0], v[1],
                v[2]);

  float w[3] = {0, 0, 0};
  bool show = true;
  const char* label = m.mode == 1 ? "position:  " : m.mode == 2 ? "   angle:  " : "   scale:  ";
  if (m.mode == 1) {
    show = objectPosition(m.geoId ? geo : nullptr, jel, w);
  } else if (m.mode == 2) {
    show = geo != nullptr;
    if (geo && geo->keyTrack) {
      float matrix[9], translation[3], scale[3];
      double value = 0.0;
      const double t = GVDisplayedFrame(view);
      if (GVEvalKeyTrack(geo->keyTrack, &value, translation, matrix, scale, t) &&
          GVKeyTrackAnglesFromMatrix(geo->keyTrack, matrix, w, 1, t))
        for (float& a : w) a *= 57.295776f;
    }
  } else if (geo) {
    for (int k = 0; k < 3; ++k) w[k] = geo->xform[GEO_SLOT_FRAME].scale[k];
  } else if (jel) {
    std::snprintf(out->value, sizeof out->value, "Jel Metric:   %3.2f", jel->cellSize);
    show = false;
  }
  if (show) std::snprintf(out->value, sizeof out->value, "%s(%4.2f,   %4.2f,   %4.2f)", label, w[0], w[1], w[2]);
  // The tool reached the Geo past its checks, which gave this notice on the
  // status line; the read-out that replaces that line carries it on.
  if (m.geoId > 0 && geo && isKeyFramed(geo))
    std::snprintf(out->notice, sizeof out->notice, "%s", kKeyframedGeoNotice);
  return 1;
}

void GVShowTransformInfo(GVView* view) {
  if (!view || !view->rightOut) return;
  const GVManipulator* m = view->manipulator;
  if (!m) return;
  // A refused per-axis Jel scale leaves its warning standing.
  if (m->dragging && m->mode == 3 && m->handle >= 1 && m->handle <= 3 && m->jelId) return;
  GVTransformReadoutText text;
  if (!GVTransformReadout(view, &text)) {
    if (m->dragging) GVClearInfoPanel(view);
    return;
  }
  // The panel holds one line: whatever another writer left there goes first.
  GVClearInfoPanel(view);
  HDC dc = GetDC(view->rightOut);
  piece(view, dc, 130, text.geoTitle);
  piece(view, dc, 130, text.jelTitle);
  const size_t titleLength = std::max(std::strlen(text.geoTitle), std::strlen(text.jelTitle));
  int x1 = static_cast<int>(titleLength) * averageCharWidth(view->rightOut) + 180;
  if (x1 < 240) x1 = 240;
  const int changeEnd = piece(view, dc, x1, text.change);
  const int valueEnd = piece(view, dc, x1 + 250, text.value);
  if (text.notice[0]) drawText(dc, std::max(changeEnd, valueEnd) + 40, text.notice, ruleColour());
  ReleaseDC(view->rightOut, dc);
}
