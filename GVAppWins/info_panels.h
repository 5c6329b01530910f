// The two output windows beneath the 3-D view: the frame counter on the left,
// one line of information on the right. Each writer paints what it shows
// straight into the window and keeps nothing.
#pragma once

#include "platform/win32.h"

struct GVView;

// The frame the panels show: the world's current frame, one on while the last
// sub-step of a frame runs.
int GVDisplayedFrame(const GVView* view);
// The panels' background, black for a dark view background.
COLORREF GVPanelBackground(bool dark);
// The colour of the frame counter, status line and warnings for the display
// settings' background (null: none).
COLORREF GVPanelTextColour(const float* background);

void GVShowFrameCounter(GVView* view);
void GVClearInfoPanel(GVView* view);
void GVShowStatusLine(GVView* view, const char* text);
void GVShowWarning(int code, GVView* view, int geoId, int jelId);
void GVShowWindowSize(GVView* view);
void GVShowCameraInfo(GVView* view);
// The current Geo's or Jel's description; nothing while running or while a
// camera tool is chosen.
void GVShowObjectInfo(GVView* view);
// The move tool's read-out from the manipulator: the attached objects'
// titles, the change column and the value column (empty when not shown), and
// for a key-framed Geo the notice that its new transform lasts only until its
// key frames are evaluated again.
struct GVTransformReadoutText {
  char geoTitle[160] = "";
  char jelTitle[160] = "";
  char change[128] = "";
  char value[128] = "";
  char notice[96] = "";
};
// 0 when the read-out shows nothing.
int GVTransformReadout(GVView* view, GVTransformReadoutText* out);
// The read-out in the information panel, written over a cleared line; the
// notice follows the columns in the status line's colour.
void GVShowTransformInfo(GVView* view);
