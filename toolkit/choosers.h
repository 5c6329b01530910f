// The two choosers of the editors and the main window: HwDropDownCntrl, a
// labelled value box whose list button rolls a list of items open under it, and
// HwSelectorTool, a strip with a label, a text box and four buttons whose owner
// decides what each button does and writes the text to show.
#pragma once

#include "platform/user32.h"
#include "toolkit/buttons.h"
#include "toolkit/edit_control.h"
#include "toolkit/frames.h"
#include "toolkit/label.h"
#include "toolkit/life_watch.h"
#include "toolkit/multi_list.h"

// (picked item from 1, user) returning the item to show; 0 keeps the previous one.
typedef int (*HwDropDownCB)(int item, void* user);

class HwDropDownCntrl {
 public:
  // openTime: seconds the list takes to roll open. The list is made by
  // rebuildList and filled by the owner through multiList (list 0).
  HwDropDownCntrl(HINSTANCE instance, const char* labelText, HWND parent, int x, int y, int width, int height,
                  int labelWidth, float openTime, HwDropDownCB selectCB, void* user);
  // Frees the label, the list button and the list; the windows go with the parent.
  ~HwDropDownCntrl();
  HwDropDownCntrl(const HwDropDownCntrl&) = delete;
  HwDropDownCntrl& operator=(const HwDropDownCntrl&) = delete;

  void rebuildList();
  // rebuildList, then list 0 filled with the items.
  void fillList(const char* const* items, int count);
  // Shows item (from 1) without calling back; other numbers are refused.
  void selectItem(int item);
  static int privCB(int value, void* control);
  static int privSelectCB(int item, int second, void* control);

  HWND window = nullptr;
  HwLabel* label = nullptr;
  HWND valueBox = nullptr;
  HwBMButton* listButton = nullptr;
  int width, height;
  int labelWidth;
  HFONT font = nullptr;
  QwMultiList* multiList = nullptr;
  float openTime;
  int valueBoxWidth = 0, valueBoxHeight = 0;
  int selected = 0;  // 0 before the first selection
  int textFlags = 1;
  HwDropDownCB selectCB;
  void* user;
  HwLifeToken life;
};

constexpr int kHwSelectorLabelMax = 200;
constexpr int kHwSelectorBuffer = 256;

// (code, text, user): code 0 a text committed in the box, -1 previous, 1 next,
// 2 and 3 the two spare buttons. text is a kHwSelectorBuffer-byte buffer holding
// the box's text; the owner writes the text to show into it.
typedef void (*HwSelectorCB)(int code, char* text, void* user);

class HwSelectorTool {
 public:
  // 28 pixels high; frameKind is the frame's style. A label of
  // kHwSelectorLabelMax characters or more leaves the tool without windows.
  HwSelectorTool(HINSTANCE instance, const char* labelText, int width, int labelWidth, int frameKind, int x, int y,
                 HwSelectorCB callback, void* user, HWND parent, const char* initialText);
  ~HwSelectorTool();
  HwSelectorTool(const HwSelectorTool&) = delete;
  HwSelectorTool& operator=(const HwSelectorTool&) = delete;

  // Shows a text without calling the owner.
  void setValue(const char* text);
  void move(int x, int y, int width, int height);
  // Hands the box's text to the owner with the code and shows what it writes back;
  // false when the owner freed the tool.
  bool report(int code);
  static const char* commitCB(int code, char* text, void* tool);
  static int prevCB(int state, void* tool);
  static int nextCB(int state, void* tool);
  static int button2CB(int state, void* tool);
  static int button3CB(int state, void* tool);

  HwFrame* frame = nullptr;
  HWND window = nullptr;
  HwLabel* label = nullptr;
  HwEditControl* textBox = nullptr;
  HwBMButton* nextButton = nullptr;
  HwBMButton* prevButton = nullptr;
  HwBMButton* button2 = nullptr;
  HwBMButton* button3 = nullptr;
  int ids[4];
  int width;
  int height = 28;
  char labelText[kHwSelectorLabelMax] = {};
  int labelWidth;
  int border = 0;
  int frameKind;
  HwSelectorCB callback;
  void* user;
  HwLifeToken life;

 private:
  void placeButtons(int innerWidth, int innerHeight);
};

LRESULT CALLBACK HwDropDownCntrlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK HwSelectorToolProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
