// The selector tool: a label, a text box and four buttons in a 28 pixel strip;
// every button and a commit in the box go to the owner, which writes back the
// text to show.
#include "toolkit/choosers.h"

#include <cstring>

#include "platform/gdi32.h"
#include "toolkit/fonts_pens.h"
#include "toolkit/window_classes.h"

namespace {

constexpr int kHeight = 28;
constexpr int kButtonWidth = 20;
// The buttons' places from the inner right edge: previous, next, 2, 3.
constexpr int kButtonFromRight[4] = {92, 69, 46, 23};
// The text box leaves this much of the inner width to the label's right.
constexpr int kTextBoxRest = 95;

}  // namespace

HwSelectorTool::HwSelectorTool(HINSTANCE instance, const char* text, int w, int labelW, int kind, int x, int y,
                               HwSelectorCB cb, void* userWord, HWND parent, const char* initialText)
    : width(w), labelWidth(labelW), frameKind(kind), callback(cb), user(userWord) {
  for (int& id : ids) id = QwTakeControlId();
  if (!text) text = "";
  if (std::strlen(text) >= kHwSelectorLabelMax) return;
  std::strcpy(labelText, text);
  frame = new HwFrame();
  frame->create(parent, instance, x, y, width, height, frameKind, 0);
  border = frame->border;
  int innerW = width - 2 * border, innerH = height - 2 * border;
  window = frame->createInner("SelectorToolClass", "TXT", instance, this);
  label = new HwLabel(window, labelText, instance, 0, 2, labelWidth, innerH - 2, 0, 12, 1, 6);
  textBox = new HwEditControl(2, 0, window, instance, labelWidth, 1, innerW - labelWidth - kTextBoxRest, innerH - 2, 0,
                              0.0f, initialText, nullptr, nullptr, commitCB, this);
  int bottom = innerH;
  prevButton = new HwBMButton();
  prevButton->createBitmapButton(window, instance, 160, 161, innerW - kButtonFromRight[0], 0, kButtonWidth, bottom,
                                 prevCB, this);
  nextButton = new HwBMButton();
  nextButton->createBitmapButton(window, instance, 162, 163, innerW - kButtonFromRight[1], 0, kButtonWidth, bottom,
                                 nextCB, this);
  button2 = new HwBMButton();
  button2->createTextButton(window, instance, 141, 142, "", 0, innerW - kButtonFromRight[2], 0, kButtonWidth, bottom,
                            0, button2CB, this);
  button3 = new HwBMButton();
  button3->createTextButton(window, instance, 141, 142, "", 0, innerW - kButtonFromRight[3], 0, kButtonWidth, bottom,
                            0, button3CB, this);
}

HwSelectorTool::~HwSelectorTool() {
  GVDetachObject(window, this);
  delete frame;
  delete textBox;
  delete label;
  delete prevButton;
  delete nextButton;
  delete button2;
  delete button3;
}

void HwSelectorTool::placeButtons(int innerW, int innerH) {
  HwBMButton* buttons[4] = {prevButton, nextButton, button2, button3};
  for (int i = 0; i < 4; i++)
    if (buttons[i]) buttons[i]->move(innerW - kButtonFromRight[i], 0, kButtonWidth, innerH);
}

void HwSelectorTool::move(int x, int y, int w, int h) {
  width = w;
  height = h;
  if (frame) frame->moveWithInner(window, x, y, width, height);
  int innerW = width - 2 * border, innerH = height - 2 * border;
  if (label) label->move(0, 2, labelWidth, innerH - 2);
  if (textBox) textBox->move(labelWidth, 1, innerW - labelWidth - kTextBoxRest, innerH - 2);
  placeButtons(innerW, innerH);
}

void HwSelectorTool::setValue(const char* text) {
  if (textBox) textBox->setText(text);
}

bool HwSelectorTool::report(int code) {
  if (!textBox || !textBox->text) return true;
  char buffer[kHwSelectorBuffer];
  std::strncpy(buffer, textBox->text, kHwSelectorBuffer - 1);
  buffer[kHwSelectorBuffer - 1] = 0;
  if (callback) {
    HwLifeWatch watch(life);
    callback(code, buffer, user);
    if (watch.gone()) return false;  // the owner freed the tool
  }
  buffer[kHwSelectorBuffer - 1] = 0;
  // The box holds fewer characters than the buffer: setText cuts the rest.
  textBox->setText(buffer);
  return true;
}

const char* HwSelectorTool::commitCB(int, char* text, void* tool) {
  auto* t = static_cast<HwSelectorTool*>(tool);
  if (!t->report(0)) return text;
  return t->textBox->text ? t->textBox->text : text;
}

int HwSelectorTool::prevCB(int state, void* tool) {
  static_cast<HwSelectorTool*>(tool)->report(-1);
  return state;
}

int HwSelectorTool::nextCB(int state, void* tool) {
  static_cast<HwSelectorTool*>(tool)->report(1);
  return state;
}

int HwSelectorTool::button2CB(int state, void* tool) {
  static_cast<HwSelectorTool*>(tool)->report(2);
  return state;
}

int HwSelectorTool::button3CB(int state, void* tool) {
  static_cast<HwSelectorTool*>(tool)->report(3);
  return state;
}

LRESULT CALLBACK HwSelectorToolProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* t = reinterpret_cast<HwSelectorTool*>(GetWindowLongA(hwnd, GWL_USERDATA));
  switch (msg) {
    case WM_CREATE:
    // The strip dies with the dialog that holds it; that ends nothing else.
    case WM_DESTROY: return 0;
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: GVPaintBackground(hwnd); return 0;
    case WM_COMMAND: {
      static const int kCodes[4] = {-1, 1, 2, 3};
      if (t && HIWORD(wp) == 0)
        for (int i = 0; i < 4; i++)
          if (t->ids[i] >= 0 && LOWORD(wp) == t->ids[i]) {
            t->report(kCodes[i]);
            break;
          }
      return 0;
    }
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}
