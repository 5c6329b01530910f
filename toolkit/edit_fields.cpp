// Fields built on the entry: the edit-button control with its step buttons, the
// number flavour of the labelled field, and the framed text field.
#include "toolkit/edit_control.h"

#include <cstdio>

#include "platform/gdi32.h"
#include "toolkit/fonts_pens.h"
#include "toolkit/label.h"
#include "toolkit/window_classes.h"

namespace {

constexpr UINT kRedrawNow = RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW;
constexpr int kLabelMargin = 4;

// Inside an edit-button control's frame (inner size w x h): the entry leaves 19
// pixels at the right for the two step buttons stacked there.
struct StepLayout {
  int editWidth, editHeight;
  int buttonX, buttonHeight;
};

StepLayout stepLayout(int innerWidth, int innerHeight) {
  int half = (innerHeight - 2) / 2;
  return {innerWidth - 19, innerHeight - 2, innerWidth - 16, half};
}

}  // namespace

HwEditButControl::HwEditButControl(HWND parent, HINSTANCE instance, int x, int y, int w, int h, int editKind,
                                   int formatFlags, int initialInt, float initialFloat, HwEditIntCB iCB,
                                   HwEditFloatCB fCB, void* userData)
    : width(w), height(h), kind(editKind), intCB(iCB), floatCB(fCB), user(userData) {
  ids[0] = QwTakeControlId();
  ids[1] = QwTakeControlId();
  frame = new HwFrame();
  frame->create(parent, instance, x, y, width, height, 0, 0);
  border = frame->border;
  int innerW = width - 2 * border, innerH = height - 2 * border;
  window = frame->createInner("EditButControlClass", "", instance, this);
  StepLayout l = stepLayout(innerW, innerH);
  edit = new HwEditControl(kind, formatFlags, window, instance, 1, 1, l.editWidth, l.editHeight, initialInt,
                           initialFloat, "", intCB, floatCB, nullptr, user);
  upButton = new HwBMButton();
  upButton->create(window, instance, "", 1, 0, 0, 0, 0, 0, l.buttonX, 1, 15, l.buttonHeight, 0, "", 0, 0, upCB, this);
  downButton = new HwBMButton();
  downButton->create(window, instance, "", 1, 0, 0, 0, 0, 0, l.buttonX, l.buttonHeight + 1, 15, l.buttonHeight, 0, "",
                     0, 0, downCB, this);
  upButton->arrow = kHwArrowUp;
  downButton->arrow = kHwArrowDown;
}

void HwEditButControl::layout() {
  int innerW = width - 2 * border, innerH = height - 2 * border;
  StepLayout l = stepLayout(innerW, innerH);
  if (edit) edit->move(1, 1, l.editWidth, l.editHeight);
  if (upButton) upButton->move(l.buttonX, 1, 15, l.buttonHeight);
  if (downButton) downButton->move(l.buttonX, l.buttonHeight + 1, 15, l.buttonHeight);
}

void HwEditButControl::move(int x, int y, int w, int h) {
  width = w;
  height = h;
  if (frame) frame->moveWithInner(window, x, y, width, height);
  layout();
}

int HwEditButControl::getInt() const { return edit ? edit->getInt() : 0; }

float HwEditButControl::getFloat() const { return edit ? edit->getFloat() : 0.0f; }

void HwEditButControl::setFloat(float value) {
  if (edit) edit->setFloat(value);
}

void HwEditButControl::setIntRange(int minimum, int maximum) {
  if (edit) edit->setIntRange(minimum, maximum);
}

void HwEditButControl::redraw() {
  if (edit) RedrawWindow(edit->window, nullptr, nullptr, kRedrawNow);
}

void HwEditButControl::destroy() {
  GVDetachObject(window, this);
  delete edit;
  delete upButton;
  delete downButton;
  delete frame;
  edit = nullptr;
  upButton = downButton = nullptr;
  frame = nullptr;
}

// The control never changes the value itself: without a callback it is only
// written again.
void HwEditButControl::step(int direction) {
  if (!edit) return;
  HwLifeWatch watch(life);  // the owner may free the control
  if (kind == 0) {
    int value = edit->getInt();
    // At an end of the range the arrow stops: the owner never steps past it.
    const bool atEnd = direction > 0 ? value >= edit->intMaximum : value <= edit->intMinimum;
    if (intCB && !atEnd) value = intCB(direction, value, user);
    if (watch.gone()) return;
    edit->setInt(value);
  } else if (kind == 1) {
    float value = edit->getFloat();
    if (floatCB) value = floatCB(direction, value, user);
    if (watch.gone()) return;
    edit->showFloat(value);
  }
  redraw();
}

int HwEditButControl::upCB(int state, void* control) {
  static_cast<HwEditButControl*>(control)->step(1);
  return state;
}

int HwEditButControl::downCB(int state, void* control) {
  static_cast<HwEditButControl*>(control)->step(-1);
  return state;
}

LRESULT CALLBACK HwEditButControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* c = reinterpret_cast<HwEditButControl*>(GetWindowLongA(hwnd, GWL_USERDATA));
  switch (msg) {
    case WM_CREATE:
    case WM_DESTROY:
    case WM_SIZE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS: return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: GVPaintBackground(hwnd); return 0;
    case WM_COMMAND: {
      if (!c || HIWORD(wp) != 0) break;
      int id = LOWORD(wp);
      if (id != c->ids[0] && id != c->ids[1]) break;
      HwLifeWatch watch(c->life);
      c->step(id == c->ids[0] ? -1 : 1);
      if (!watch.gone() && c->edit) HideCaret(c->edit->window);
      return 0;
    }
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

void HwBaseControl::create(HWND parent, HINSTANCE instance, int x, int y, int w, int h, const char* labelText,
                           int labelW, int kind, int formatFlags, float initialValue, HwEditIntCB intCB,
                           HwEditFloatCB floatCB, void* user) {
  labelWidth = labelW;
  createFrame(parent, instance, x, y, w, h);
  int innerW = width - 2 * border, innerH = height - 2 * border;
  label = new HwLabel(window, labelText, instance, 1, 1, labelWidth, innerH - 2, 12, 0, 1, kLabelMargin);
  editButton = new HwEditButControl(window, instance, labelWidth + 1, 1, innerW - labelWidth - 2, innerH - 2, kind,
                                    formatFlags, static_cast<int>(initialValue), initialValue, intCB, floatCB, user);
}

void HwBaseControl::createInt(HWND parent, HINSTANCE instance, int x, int y, int w, int h, const char* labelText,
                              int labelW, HwEditIntCB callback, void* user) {
  create(parent, instance, x, y, w, h, labelText, labelW, 0, 0, 0.0f, callback, nullptr, user);
}

void HwBaseControl::createFloat(HWND parent, HINSTANCE instance, int x, int y, int w, int h, const char* labelText,
                                int labelW, float initialValue, HwEditFloatCB callback, void* user) {
  create(parent, instance, x, y, w, h, labelText, labelW, 1, 4, initialValue, nullptr, callback, user);
}

void HwBaseControl::setIntRange(int minimum, int maximum) {
  if (editButton) editButton->setIntRange(minimum, maximum);
}

void HwBaseControl::move(int x, int y, int w, int h) {
  moveFrame(x, y, w, h);
  int innerW = width - 2 * border, innerH = height - 2 * border;
  if (label) label->move(1, 1, labelWidth, innerH - 2);
  if (editButton) editButton->move(labelWidth + 1, 1, innerW - labelWidth - 2, innerH - 2);
}

void GVSetFieldFloat(HwBaseControl* field, float value) {
  if (field && field->editButton) field->editButton->setFloat(value);
}

void GVFreeDialogRec2(HwBaseControl* field) {
  if (!field) return;
  field->destroy();
  delete field;
}

HwTextField::~HwTextField() { delete edit; }

void HwTextField::create(HWND parent, HINSTANCE instance, int x, int y, int w, int h, void* userData) {
  width = w;
  height = h;
  user = userData;
  frame.create(parent, instance, x, y, width, height, 0, 0);
  border = frame.border;
  delete edit;
  // Comments are free text: blanks are allowed (format flags non-zero).
  edit = new HwEditControl(2, 1, frame.window, instance, border, border, width - 2 * border, height - 2 * border, 0,
                           0.0f, "", nullptr, nullptr, commitCB, this);
}

void HwTextField::setText(const char* text) {
  if (edit) edit->setText(text);
}

const char* HwTextField::commitCB(int, char* text, void* field) {
  auto* f = static_cast<HwTextField*>(field);
  HwLifeWatch watch(f->life);
  const char* shown = f->callback ? f->callback(0, text, f->user) : text;
  if (watch.gone()) return text;  // the owner freed the field
  if (shown && shown != text) std::snprintf(text, kHwEditTextMax + 1, "%s", shown);
  f->setText(text);
  return text;
}
