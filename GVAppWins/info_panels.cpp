#include "GVAppWins/info_panels.h"

#include <cstdio>
#include <cstring>

#include "GVAppWins/view_window.h"
#include "dynamics/world.h"

static constexpr int kLineY = 5;
static const COLORREF kReadoutColour = RGB(80, 80, 150);

int GVDisplayedFrame(const GVView* view) {
  if (!view || !view->world || !*view->world) return 0;
  const FrameParams& p = (*view->world)->params;
  const bool lastSubStep = p.stepping && p.subSteps >= 1 && p.subSteps == p.subStepIndex;
  return p.currentFrame + (lastSubStep ? 1 : 0);
}

HBRUSH GVPanelBrush(bool dark) {
  static HBRUSH grey = CreateSolidBrush(RGB(191, 191, 191));
  static HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
  return dark ? black : grey;
}

COLORREF GVPanelTextColour(const float* bg) {
  // Compared in double precision: a stored 0.2f lies just above 0.2.
  const bool light = bg && (static_cast<double>(bg[0]) > 0.2 || static_cast<double>(bg[1]) > 0.2 ||
                            static_cast<double>(bg[2]) > 0.2);
  return light ? RGB(0, 0, 30) : RGB(130, 130, 20);
}

// Text on a transparent background, the device context's colour and mode put back.
static void drawText(HDC dc, int x, const char* text, COLORREF colour) {
  const COLORREF oldColour = SetTextColor(dc, colour);
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  TextOutA(dc, x, kLineY, text, static_cast<int>(std::strlen(text)));
  SetTextColor(dc, oldColour);
  SetBkMode(dc, oldMode);
}

static void fillPanel(HWND hwnd, HDC dc, const GVView* view) {
  RECT rc = {};
  GetClientRect(hwnd, &rc);
  FillRect(dc, &rc, GVPanelBrush((view->flags & kViewDarkBackground) != 0));
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

static const char* warningText(int code, GVView* view, int geoId, int jelId) {
  (void)view;
  (void)geoId;
  (void)jelId;
  switch (code) {
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
  if (!view || !view->geoList || !view->world) return;
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
