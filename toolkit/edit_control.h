// The toolkit's own single-line entry, HwEditControl (an integer, a float or a
// text, edited with caret, drag selection and double click, committed with
// Enter), and the fields built on it: HwEditButControl (entry plus two step
// buttons), the number flavour of the labelled field HwBaseControl, and
// HwTextField (a framed text entry).
#pragma once

#include <climits>

#include "platform/user32.h"
#include "toolkit/buttons.h"
#include "toolkit/frames.h"
#include "toolkit/life_watch.h"

class HwBaseControl;

// An entry holds at most this many characters (its buffer one more).
constexpr int kHwEditTextMax = 127;

// Commit and step callbacks: (code, value, user) returning the value the entry
// shows next. A commit gives code 0, the step buttons -1 and +1. A whole number
// reaches its callback inside the entry's range (setIntRange); the step buttons
// call nobody at the range's ends.
typedef int (*HwEditIntCB)(int code, int value, void* user);
typedef float (*HwEditFloatCB)(int code, float value, void* user);
// The text is a copy in a buffer of kHwEditTextMax + 1 characters that the
// callback may rewrite; it returns the text to show (usually that buffer).
typedef const char* (*HwEditTextCB)(int code, char* text, void* user);

// Where the caret and the selection stand. The editing code works on one copy
// shared by every entry; each entry keeps its own between messages.
struct HwCaretBlock {
  int lineHeight;
  int caretX;  // pixels from the start of the text
  int length;
  int caretIndex;
  int leftMargin;
  int topMargin;
  int anchorIndex;
  int selectionEnd;  // index, -1: no selection
  int anchorX;
  int selectionEndX;
};

class HwEditControl {
 public:
  // kind 0 integer, 1 float, 2 text. For a float the format flags give the
  // decimals (1: 0, else 2: 1, else 4: 2, else 8: 3, none: 1); any non-zero
  // flags let blanks be typed. A number's Enter commits only what its rule
  // reads (GVReadIntText, GVReadFloatText): other text beeps and the entry shows
  // its held value again. A number entry that loses the focus with text typed
  // into it commits that text as Enter would.
  HwEditControl(int kind, int formatFlags, HWND parent, HINSTANCE instance, int x, int y, int width, int height,
                int initialInt, float initialFloat, const char* initialText, HwEditIntCB intCB,
                HwEditFloatCB floatCB, HwEditTextCB textCB, void* user);
  // Frees the text; the window goes with its parent.
  ~HwEditControl();
  HwEditControl(const HwEditControl&) = delete;
  HwEditControl& operator=(const HwEditControl&) = delete;

  void move(int x, int y, int width, int height);
  void setInt(int value);
  // The whole numbers the entry takes: a typed number beyond them is brought to
  // the nearer end before its owner hears of it.
  void setIntRange(int minimum, int maximum);
  void setFloat(float value);
  // setFloat with more decimals when the value needs them to show as itself.
  void showFloat(float value);
  // Longer texts are cut to kHwEditTextMax characters.
  void setText(const char* text);
  // The text's value; the held value while the text is no whole number.
  int getInt() const;
  // The text's value; the held value while the text is no finite float.
  float getFloat() const;
  // Frees *out (delete[]) and gives it a new copy of the text (null without one).
  void copyText(char** out) const;

  HWND window = nullptr;
  int controlId = -1;
  int kind;
  int formatFlags;
  int decimals = 1;
  // The float last set or committed, and the decimals it was shown with.
  float held = 0.0f;
  int heldDecimals = 1;
  // The whole number last set or committed, and the range a typed one is kept in.
  int heldInt = 0;
  int intMinimum = INT_MIN, intMaximum = INT_MAX;
  // Text has been typed since the entry last showed a value of its own.
  bool edited = false;
  bool focused = false;
  int width, height;
  char* text = nullptr;
  HwCaretBlock caret = {};
  HwEditIntCB intCB;
  HwEditFloatCB floatCB;
  HwEditTextCB textCB;
  void* user;
  HwLifeToken life;
};

class HwEditButControl {
 public:
  // The step callbacks also receive the entry's commits (code 0).
  HwEditButControl(HWND parent, HINSTANCE instance, int x, int y, int width, int height, int kind, int formatFlags,
                   int initialInt, float initialFloat, HwEditIntCB intCB, HwEditFloatCB floatCB, void* user);
  ~HwEditButControl() { destroy(); }
  HwEditButControl(const HwEditButControl&) = delete;
  HwEditButControl& operator=(const HwEditButControl&) = delete;

  void move(int x, int y, int width, int height);
  int getInt() const;
  // The text's value; the held value while the text is no finite float.
  float getFloat() const;
  void setFloat(float value);
  // The entry's whole-number range (HwEditControl::setIntRange).
  void setIntRange(int minimum, int maximum);
  void redraw();
  // Frees the frame, the entry and the step buttons.
  void destroy();
  // Steps the value: +1 up, -1 down; nothing past the ends of a whole number's range.
  void step(int direction);
  static int upCB(int state, void* control);
  static int downCB(int state, void* control);

  HwFrame* frame = nullptr;
  HWND window = nullptr;
  HwEditControl* edit = nullptr;
  HwBMButton* upButton = nullptr;
  HwBMButton* downButton = nullptr;
  int ids[2];
  int width, height;
  int kind;
  int border = 0;
  HwEditIntCB intCB;
  HwEditFloatCB floatCB;
  void* user;
  HwLifeToken life;

 private:
  // Places the window, the entry and the step buttons inside the frame.
  void layout();
};

// The one rule for typed whole numbers: the text (blanks around it allowed) is
// an optional sign and digits giving a number an int holds; an empty text is 0.
// The number is brought into [minimum, maximum]. Else false, *value kept.
bool GVReadIntText(const char* text, int minimum, int maximum, int* value);

// A whole-number field's step: the value brought into [minimum, maximum], moved
// by `by` down (step -1) or up (step +1), and kept inside; any other step only
// brings the value in. Never overflows.
int GVStepIntWithin(int step, int value, int minimum, int maximum, int by = 1);

// The one rule for typed floats: the text (blanks around it allowed) is a float
// whose value is finite as a float; an empty text is 0. Else false, *value kept.
bool GVReadFloatText(const char* text, float* value);

// Shows a float in a labelled number field; nothing when a part is missing.
void GVSetFieldFloat(HwBaseControl* field, float value);
// Frees a labelled field made with new and one of its creators.
void GVFreeDialogRec2(HwBaseControl* field);

class HwTextField {
 public:
  HwTextField() = default;
  ~HwTextField();
  HwTextField(const HwTextField&) = delete;
  HwTextField& operator=(const HwTextField&) = delete;

  void create(HWND parent, HINSTANCE instance, int x, int y, int width, int height, void* user);
  void setText(const char* text);
  // The entry's commit: the owner gets (0, copy, user) and the copy is shown.
  static const char* commitCB(int code, char* text, void* field);

  HwFrame frame;
  HwEditControl* edit = nullptr;
  int width = 0, height = 0;
  int border = 0;
  // The owner's handler of committed texts, set by the owner after create.
  HwEditTextCB callback = nullptr;
  void* user = nullptr;
  HwLifeToken life;
};

LRESULT CALLBACK HwEditControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK HwEditButControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
