// Passive controls: HwLabel (one line of light text on the dark grey), the
// labelled button field of HwBaseControl, and the separator strip.
#pragma once

#include "platform/user32.h"
#include "toolkit/buttons.h"
#include "toolkit/edit_control.h"
#include "toolkit/frames.h"

constexpr int kHwLabelText = 400;

class HwLabel {
 public:
  // points 0 uses pixelHeight, and 0 for both gives 20. alignment -1 left, 1
  // right, else centred; margin from the aligned edge.
  HwLabel(HWND parent, const char* text, HINSTANCE instance, int x, int y, int width, int height, int points,
          int pixelHeight, int alignment, int margin);
  ~HwLabel();
  HwLabel(const HwLabel&) = delete;
  HwLabel& operator=(const HwLabel&) = delete;

  void move(int x, int y, int width, int height);

  HWND window = nullptr;
  int width, height;
  int pixelHeight;
  int borderFlag = 0;
  int alignment;
  int margin;
  char text[kHwLabelText];
  HFONT font = nullptr;
};

// A labelled field: a frame holding a label and, beside it, an edit-button
// control (the number flavour) or a text button (the button flavour).
class HwBaseControl {
 public:
  HwBaseControl() = default;
  ~HwBaseControl() { destroy(); }
  HwBaseControl(const HwBaseControl&) = delete;
  HwBaseControl& operator=(const HwBaseControl&) = delete;

  // The number flavour: a right-aligned 12-point label labelWidth wide and an
  // edit-button control filling the rest; its callbacks get the steps and the
  // commits. kind 0 starts at the integer part of initialValue.
  void create(HWND parent, HINSTANCE instance, int x, int y, int width, int height, const char* labelText,
              int labelWidth, int kind, int formatFlags, float initialValue, HwEditIntCB intCB,
              HwEditFloatCB floatCB, void* user);
  void createInt(HWND parent, HINSTANCE instance, int x, int y, int width, int height, const char* labelText,
                 int labelWidth, HwEditIntCB callback, void* user);
  // The whole numbers the number flavour takes (HwEditControl::setIntRange).
  void setIntRange(int minimum, int maximum);
  // Two decimals.
  void createFloat(HWND parent, HINSTANCE instance, int x, int y, int width, int height, const char* labelText,
                   int labelWidth, float initialValue, HwEditFloatCB callback, void* user);
  void move(int x, int y, int width, int height);
  // The button flavour: a right-aligned 12-point label and a text button of
  // buttonWidth at the right that calls callback with user.
  void createButton(HINSTANCE instance, HWND parent, int x, int y, int width, int height, const char* labelText,
                    const char* buttonText, int buttonWidth, int labelMargin, HwButtonCB callback, void* user);
  void moveButton(int x, int y, int width, int height);
  // Frees the frame's form, the label and the edit-button control or the
  // button (the windows go with the parent).
  void destroy();

  HwFrame frame;
  HWND window = nullptr;
  HwLabel* label = nullptr;
  HwEditButControl* editButton = nullptr;
  HwBMButton* button = nullptr;
  int width = 0, height = 0;
  int labelWidth = 0;
  int word = 0;  // the button flavour keeps its button width here
  int border = 0;

 private:
  // The frame and the window inside its border, for both flavours.
  void createFrame(HWND parent, HINSTANCE instance, int x, int y, int width, int height);
  void moveFrame(int x, int y, int width, int height);
};

// A separator strip: when drawFlag is set, the bitmap is stretched over the
// window's width, 3 pixels high. drawFlag 1 also makes the strip 3 pixels high
// when a form places it (2 otherwise).
struct GVSeparatorRec {
  HWND window;
  int drawFlag;
  int bitmapId;
};

// The width a 12-point label in `parent` needs to show the text whole beside
// its margin: `width`, or more when the text is wider than that allows.
int HwLabelWidthFor(HWND parent, const char* text, int width, int margin);

LRESULT CALLBACK HwLabelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK HwSeparatorProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
