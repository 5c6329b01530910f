// The key-frame button bar: a small permanent panel of the main window with
// three buttons on the key-frame track of the 3-D view's current Geo: step to
// the previous key frame, set a key at the current frame from the Geo's
// present transform, step to the next key frame. It holds no scene logic: each
// press asks its owner which Geo is current and hands it the frame to go to or
// the key just set.
#pragma once

#include <cstdint>

#include "platform/user32.h"
#include "records/obj_handle.h"

class HwBMButton;
class HwFrameWindow;
struct HWorld;

// Requests to the owner: (frame, request, Geo id, text, user).
typedef int32_t (*GVKeyFrameBarFn)(int32_t frame, int32_t request, int32_t geoId, const char* text, void* user);
enum : int32_t {
  kKeyBarKeySet = 64,        // a key was set (frame, Geo id)
  kKeyBarPrevious = 256,     // go to the previous key (frame, Geo id)
  kKeyBarNext = 512,         // go to the next key (frame, Geo id)
  kKeyBarCurrentGeo = 1024,  // which Geo is current? (answer: its id, 0 for none)
};

struct GVKeyFrameBar {
  HwFrameWindow* frame = nullptr;
  HwBMButton* previous = nullptr;
  HwBMButton* set = nullptr;
  HwBMButton* next = nullptr;
  int placement = 542;
  int width = 150, height = 35;
  ObjHandle* geoList = nullptr;
  HWorld** world = nullptr;
  int32_t (*frameCallback)(void* world, int32_t selection, void* user) = nullptr;
  int32_t (*afterFrameCallback)(void* world, int32_t selection, void* user) = nullptr;
  void* user = nullptr;
  int styleIndex = 0;
  int frameStyle = 4;
  GVKeyFrameBarFn owner = nullptr;
  char* helpTopic = nullptr;
};

// Builds the bar in the parent (122 x 36 for frame style 4) at the placement
// value; the owner gets its requests with the user word. Returns the record.
GVKeyFrameBar* GVCreateKeyFrameBar(GVKeyFrameBar* bar, HINSTANCE instance, HWND parent, int value,
                                   GVKeyFrameBarFn owner, void* user);
// Frees the buttons, the frame window and the help topic; the record stays the caller's.
void GVDestroyKeyFrameBar(GVKeyFrameBar* bar);
// The main window's form places the bar; it keeps its own size.
void GVMoveKeyFrameBar(GVKeyFrameBar* bar, int x, int y);

// The three button callbacks (button state, bar).
int GVKeyBarPreviousCB(int state, void* bar);
int GVKeyBarSetCB(int state, void* bar);
int GVKeyBarNextCB(int state, void* bar);
