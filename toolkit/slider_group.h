// HwSliderGroup: a labelled numeric slider in a frame: a label, a value entry
// and a track with a 21 x 21 bitmap knob. It holds an integer or a float between
// a minimum and a maximum; the knob stands at the value on a scale of 1000 steps
// across the track's usable length. A typed value outside the range is clamped
// or, by the flags, widens the range to a nice limit.
#pragma once

#include "platform/user32.h"
#include "toolkit/frames.h"
#include "toolkit/life_watch.h"

class HwEditControl;
class HwLabel;

// Callback codes: 0 a typed value, 1 the knob released, 2 a drag move (flag
// 0x800), 3 the user asked to minimise the range (flag 0x400). Each returns the
// value the slider keeps.
typedef int (*HwSliderIntCB)(int code, int value, void* user);
typedef float (*HwSliderFloatCB)(int code, float value, void* user);

enum : unsigned {
  kSliderDecimals = 0x000F,  // the entry's format flags (float decimals)
  kSliderSymmetric = 0x0020,
  kSliderAutoExtend = 0x0080,
  kSliderPowerOfTen = 0x0100,
  kSliderStepped = 0x0200,
  kSliderOwnerMinimises = 0x0400,
  kSliderLive = 0x0800,
  kSliderOfferMinimise = 0x1000,
  kSliderVertical = 0x4000,
  kSliderNoLabel = 0x8000,
  kSliderNoEntry = 0x10000,
};

class HwSliderGroup {
 public:
  HwSliderGroup() = default;
  ~HwSliderGroup() { destroy(); }
  HwSliderGroup(const HwSliderGroup&) = delete;
  HwSliderGroup& operator=(const HwSliderGroup&) = delete;

  // kind 0 integer, 1 float.
  void create(int kind, int labelWidth, HINSTANCE instance, HWND parent, int x, int y, int width, int height,
              const char* label, int editWidth, int intMinimum, int intValue, int intMaximum, float floatMinimum,
              float floatValue, float floatMaximum, unsigned flags, int intStep, float floatStep,
              HwSliderIntCB intCB, HwSliderFloatCB floatCB, void* user);
  void addInt(int labelWidth, HINSTANCE instance, HWND parent, int x, int y, int width, int height,
              const char* label, int editWidth, int minimum, int value, int maximum, unsigned flags, int step,
              HwSliderIntCB callback, void* user);
  void addFloat(int labelWidth, HINSTANCE instance, HWND parent, int x, int y, int width, int height,
                const char* label, int editWidth, float minimum, float value, float maximum, unsigned flags,
                float step, HwSliderFloatCB callback, void* user);
  // The form's move: the frame to (x, y), the parts laid out inside it.
  void move(int x, int y, int width, int height);
  // Set the value (knob, entry, redraw) without calling the owner.
  void setIntValue(int value);
  void setValue(float value);
  // The whole numbers an integer slider's entry takes, whatever range the
  // track shows: a typed number beyond them is brought to the nearer end.
  void setEntryIntRange(int minimum, int maximum);
  // New limits for the value the slider holds.
  void setRangeInt(int minimum, int maximum);
  void setRange(float minimum, float maximum);
  void setRangeValue(float minimum, float value, float maximum);
  // An integer slider's minimum, value and maximum at once (not clamped): the
  // knob, the entry and the track follow.
  void setIntRangeValue(int minimum, int value, int maximum);
  // The knob from the value, and the track redrawn.
  void update();
  // Frees the frame, the label and the entry; the windows go with the parent.
  void destroy();

  // The knob pixel of the value on the slider's axis; stored in knobX or knobY.
  // A range of no width or a track no longer than the knob puts it at 0.
  int intToPixelX();
  int intToPixelY();
  int floatToPixel();
  // The value at a knob pixel (clamped to the track), stored and shown; the
  // float is rounded to the entry's decimals.
  void pixelToValue(int pixel);

  // The range that holds v: unchanged when it does, else v clamped or, with
  // auto-extend (above) or symmetric (below), the range widened to the nice
  // limit of |v| with v kept.
  void fitRangeInt(int* value, int* minimum, int* maximum) const;
  void fitRangeFloat(float* value, float* minimum, float* maximum) const;
  // A range limit for a magnitude, by the power-of-ten and step flags.
  int niceLimitInt(int magnitude) const;
  float niceLimit(float magnitude) const;

  // The entry's commits.
  static int commitInt(int code, int value, void* group);
  static float commitFloat(int code, float value, void* group);

  HwFrame frame;
  HWND window = nullptr;  // the group window
  HwLabel* label = nullptr;
  HwEditControl* edit = nullptr;
  HWND track = nullptr;
  int width = 0, height = 0;
  int border = 0;
  int kind = 0;
  int labelWidth = 0, editWidth = 0;
  HwSliderIntCB intCB = nullptr;
  HwSliderFloatCB floatCB = nullptr;
  void* user = nullptr;
  int intMinimum = 0, intValue = 0, intMaximum = 0;
  float floatMinimum = 0, floatValue = 0, floatMaximum = 0;
  unsigned flags = 0;
  int intStep = 1;
  float floatStep = 1;
  int knobWidth = 21, knobHeight = 21;
  int pressX = 0, pressY = 0;
  int knobX = 0, knobY = 0;
  int dragging = 0;
  int vertical = 0;
  int noEdit = 0;
  int noLabel = 0;
  HwLifeToken life;

  // The usable track length along the slider's axis, or along the one given.
  int usableLength() const;
  int usableAlong(bool verticalAxis) const;
  int intPixel(int usable) const;
  int knob() const { return vertical ? knobY : knobX; }
  void redrawTrack();
  // The double click on the group window: "Minimise slider range?".
  void offerMinimise();
  void layout();
};

LRESULT CALLBACK HwSliderGroupProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
