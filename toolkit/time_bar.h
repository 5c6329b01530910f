// HwTimeBar: the strip under the 3-D view that shows the scene's frame range: a
// marker strip (record range, loop range, key frames of the selected Geos,
// stored frames of the selected Jels), a ruler of frame ticks with the red
// cursor at the current frame, a strip of frame numbers, and at the right an
// entry with step buttons that sets the last frame. Pressing or dragging on the
// ruler chooses a frame.
#pragma once

#include <cstdint>

#include "platform/gdi32.h"
#include "platform/user32.h"
#include "toolkit/frames.h"
#include "toolkit/life_watch.h"

class HwEditButControl;

// The owner: (code, what, value, user) -> answer. what 2 asks for the selected
// Geo id, 4 for the selected Jel id; 32 the ruler pressed or dragged at frame
// value, 8 released there; 1 the last-frame box (code -1, 0, +1) with the new
// last frame, which the answer replaces.
typedef int (*HwTimeBarCB)(int code, int what, int value, void* user);
// The application's per-frame and after-frame routines, held for it.
typedef int32_t (*HwTimeBarFrameFn)(void* world, int32_t selection, void* user);

// What the bar draws of the scene's records. The application installs these;
// without them the marker strip stays empty.
struct HwTimeBarPlayMarks {
  int mode;         // not 0: the record range is marked
  int recordFirst;  // red mark when not 0
  int recordLast;   // pink mark
  int loop;         // not 0: loop start (when not 0) and end are marked green
  int loopStart;
  int loopLength;
};
struct HwTimeBarSceneHooks {
  // The world's play settings; false without a world.
  bool (*playMarks)(const void* world, HwTimeBarPlayMarks* out);
  // Calls visit with the key frames of every Geo the selection covers, each
  // Geo's keys in ascending frame order.
  void (*keyFrames)(const void* geoList, int selection, void (*visit)(int frame, void* context), void* context);
  // The next stored frame of the selected Jels after `after` (-1 to start);
  // -1 when there is none.
  int (*nextStoredFrame)(const void* world, int selection, int after);
};

class HwTimeBar {
 public:
  HwTimeBar() = default;
  ~HwTimeBar();
  HwTimeBar(const HwTimeBar&) = delete;
  HwTimeBar& operator=(const HwTimeBar&) = delete;

  // flags bit 0 is handed to the frame (hidden). The owner callback is the one
  // installed with setDefaultCallback.
  void create(HINSTANCE instance, HWND parent, int width, int flags, void* geoList, void* world, void* user);
  void move(int x, int y, int width, int height);
  // The caller has copied the current frame into the previous one and stored
  // frame as the current one. For first <= frame <= last + 2 the cursor at the
  // previous frame is erased; up to last + 1 the cursor is drawn at frame.
  void moveMarker(int frame);
  // The last-frame box and the three strips, painted now.
  void redraw();
  // The last-frame box's steps (-1, +1: 10 frames) and commits (0).
  static int lastFrameCB(int code, int value, void* bar);

  static void setDefaultCallback(HwTimeBarCB callback);
  static void setSceneHooks(const HwTimeBarSceneHooks& hooks);

  // Pixels per frame on a strip of that client width; a range below one frame
  // counts as one.
  float scale(int clientWidth) const;
  // The frames between ticks for that scale.
  static int tickUnit(float pixelsPerFrame);
  // The frame nearest to ruler x, within 0 .. last.
  int frameAt(int x) const;
  void drawTicks(HDC dc);
  void drawNumbers(HDC dc);
  void drawMarkers(HDC dc);

  HwFrame frame;
  HWND window = nullptr;  // the bar window
  HWND stripArea = nullptr;
  HWND markerStrip = nullptr;
  HWND ruler = nullptr;
  HWND numberStrip = nullptr;
  HwEditButControl* lastFrameBox = nullptr;
  int x = 0, y = 0, width = 0, height = 0;
  int firstFrame = 0;
  int lastFrame = 200;
  int currentFrame = 200;
  int previousFrame = 200;
  void* geoList = nullptr;
  void* world = nullptr;
  int selectedGeo = 0;
  int selectedJel = 0;
  HwTimeBarFrameFn frameCallback = nullptr;
  HwTimeBarFrameFn afterFrameCallback = nullptr;
  int mode = 1;  // colour scheme 0, 1 or 2
  int border = 2;
  int frameKind = 2;
  int flags = 0;
  HwTimeBarCB callback = nullptr;
  void* user = nullptr;
  HwLifeToken life;

  // The erase, tick repair and cursor of moveMarker on a device context.
  void drawCursor(HDC dc, int frame);
  int ask(int code, int what, int value);
};

LRESULT CALLBACK HwTimeBarProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
