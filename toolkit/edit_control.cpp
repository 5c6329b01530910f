// The single-line entry: creation, the set and get operations, and its window
// procedure with caret, selection, typing and commit.
#include "toolkit/edit_control.h"

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/gdi32.h"
#include "toolkit/fonts_pens.h"
#include "toolkit/messages.h"
#include "toolkit/window_classes.h"

namespace {

constexpr DWORD kEditStyle = 0x50800000;  // WS_CHILD | WS_VISIBLE | WS_BORDER
constexpr UINT kRedrawNow = RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW;
constexpr int kLeftMargin = 3;
constexpr int kCaretMinHeight = 18;
constexpr UINT kRefusalBeep = 0xFFFFFFFF;
// A committed float gains decimals up to this many to show what it holds.
constexpr int kMostDecimals = 6;

// The working copy of the caret block that every message of every entry edits.
// It is loaded from the entry when a message starts and stored back before
// anything that may run another entry's messages (redraws, focus changes,
// owner callbacks), and loaded again after it.
HwCaretBlock gCaret = {};
// The entry holding the capture for a drag selection.
HWND gDragWindow = nullptr;

void load(const HwEditControl& c) { gCaret = c.caret; }
void store(HwEditControl& c) { c.caret = gCaret; }

int decimalsFromFlags(int flags) {
  if (flags & 1) return 0;
  if (flags & 2) return 1;
  if (flags & 4) return 2;
  if (flags & 8) return 3;
  return 1;
}

// Digits after the first '.'.
int countDecimals(const char* text) {
  const char* dot = std::strchr(text, '.');
  if (!dot) return 0;
  int n = 0;
  while (dot[1 + n] >= '0' && dot[1 + n] <= '9') n++;
  return n;
}

// The fewest decimals, not below least, at which the value's text reads back as
// the value to within a float's own precision: a committed 0.01 typed as "0"
// must not show "0", and 4.9999995 still shows "5".
int decimalsToShow(float value, int least) {
  const double v = value, tolerance = 1e-6 * std::max(1.0, std::fabs(v));
  char text[64];
  for (int d = least; d < kMostDecimals; ++d) {
    std::snprintf(text, sizeof text, "%.*f", d, v);
    if (std::fabs(std::strtod(text, nullptr) - v) <= tolerance) return d;
  }
  return std::max(least, kMostDecimals);
}

bool isBlank(char ch) { return ch == ' ' || ch == '\t'; }

// Measures in the entry's font, which is the device context's own.
class TextMeasure {
 public:
  explicit TextMeasure(HWND hwnd) : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
  ~TextMeasure() { ReleaseDC(hwnd_, dc_); }
  TextMeasure(const TextMeasure&) = delete;
  TextMeasure& operator=(const TextMeasure&) = delete;

  int extent(const char* text, int n) {
    SIZE size = {0, 0};
    if (n > 0) GetTextExtentPoint32A(dc_, text, n, &size);
    return size.cx;
  }
  int charWidth(char c) {
    INT w = 0;
    UINT code = static_cast<unsigned char>(c);
    GetCharWidth32A(dc_, code, code, &w);
    return w;
  }
  int height() { return QwTextHeight(dc_); }

 private:
  HWND hwnd_;
  HDC dc_;
};

void setMargins(HwCaretBlock& k, HWND hwnd) {
  RECT r = {0, 0, 0, 0};
  GetClientRect(hwnd, &r);
  k.leftMargin = kLeftMargin;
  k.topMargin = (r.bottom - TextMeasure(hwnd).height()) / 2;
}

// An empty range between anchor and end (a click that dragged nowhere) is no
// selection: typing and Backspace then act at the caret.
bool hasSelection(const HwCaretBlock& k) { return k.selectionEnd >= 0 && k.selectionEnd != k.anchorIndex; }

void clearSelection(HwCaretBlock& k) {
  k.selectionEnd = -1;
  k.anchorIndex = k.caretIndex;
  k.anchorX = k.caretX;
}

void moveCaretTo(HwEditControl& c, HwCaretBlock& k, int index) {
  k.caretIndex = std::clamp(index, 0, k.length);
  k.caretX = TextMeasure(c.window).extent(c.text, k.caretIndex);
}

void showCaretPlace(const HwEditControl& c, const HwCaretBlock& k) {
  if (c.focused) SetCaretPos(k.leftMargin + k.caretX, k.topMargin);
}

void redraw(HWND hwnd) { RedrawWindow(hwnd, nullptr, nullptr, kRedrawNow); }

// The caret goes to the character boundary nearest to x (window coordinates).
void placeCaret(HwEditControl& c, int x) {
  TextMeasure m(c.window);
  for (int i = 0; i < gCaret.length; i++) {
    int e = m.extent(c.text, i + 1);
    int w = m.charWidth(c.text[i]);
    if (gCaret.leftMargin + e - w / 2 >= x) {
      gCaret.caretIndex = i;
      gCaret.caretX = e - w;
      return;
    }
  }
  gCaret.caretIndex = gCaret.length;
  gCaret.caretX = m.extent(c.text, gCaret.length);
}

void paint(HwEditControl& c, HWND hwnd) {
  HideCaret(hwnd);
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT r;
  GetClientRect(hwnd, &r);
  FillRect(dc, &r, QwPens.brushGrey200);
  const HwCaretBlock& k = gCaret;
  if (k.length > 0) {
    int mode = SetBkMode(dc, TRANSPARENT);
    COLORREF background = SetBkColor(dc, RGB(200, 200, 200));
    TextOutA(dc, k.leftMargin, k.topMargin, c.text, k.length);
    if (hasSelection(k)) {
      int lo = std::min(k.anchorIndex, k.selectionEnd), hi = std::max(k.anchorIndex, k.selectionEnd);
      SetBkMode(dc, OPAQUE);
      SetBkColor(dc, RGB(0, 0, 0));
      COLORREF colour = SetTextColor(dc, RGB(255, 255, 255));
      TextOutA(dc, k.leftMargin + std::min(k.anchorX, k.selectionEndX), k.topMargin, c.text + lo, hi - lo);
      SetTextColor(dc, colour);
    }
    SetBkColor(dc, background);
    SetBkMode(dc, mode);
  }
  EndPaint(hwnd, &ps);
  ShowCaret(hwnd);
}

// After an edit: no selection, the caret shown in its place, the float's
// decimals recounted, the block stored and the entry redrawn.
void finishEdit(HwEditControl& c) {
  c.edited = true;
  clearSelection(gCaret);
  if (c.kind == 1) c.decimals = countDecimals(c.text);
  store(c);
  showCaretPlace(c, gCaret);
  redraw(c.window);
}

void deleteSelection(HwEditControl& c) {
  int lo = std::min(gCaret.anchorIndex, gCaret.selectionEnd), hi = std::max(gCaret.anchorIndex, gCaret.selectionEnd);
  std::memmove(c.text + lo, c.text + hi, static_cast<size_t>(gCaret.length - hi + 1));
  gCaret.length -= hi - lo;
  moveCaretTo(c, gCaret, lo);
  clearSelection(gCaret);
}

void backspace(HwEditControl& c) {
  if (hasSelection(gCaret)) {
    deleteSelection(c);
  } else if (gCaret.caretIndex > 0) {
    int i = gCaret.caretIndex;
    std::memmove(c.text + i - 1, c.text + i, static_cast<size_t>(gCaret.length - i + 1));
    gCaret.length--;
    moveCaretTo(c, gCaret, i - 1);
  }
  finishEdit(c);
}

bool accepts(const HwEditControl& c, char ch) {
  if (ch == 0) return false;
  if (ch == ' ' && c.formatFlags == 0) return false;
  if (c.kind == 2) return true;
  // Control characters (Ctrl+A and the like) are no part of a number.
  if ((ch > 0 && ch < ' ') || ch == 127) return false;
  // Signed: codes 128..255 count as below '-'.
  // A number also takes letters and points, so that "1e3" or a word reaches
  // the commit whole and is judged there rather than losing letters one by one
  // (and being read as some other number).
  const bool wordText = ch == '.' || std::isalpha(static_cast<unsigned char>(ch));
  bool taken = static_cast<signed char>(ch) <= '-' || (ch >= '0' && ch <= '9') || wordText;
  // A minus is judged where it lands: before the first character, which a
  // selection starting there puts it at as well.
  const int at = hasSelection(gCaret) ? std::min(gCaret.anchorIndex, gCaret.selectionEnd) : gCaret.caretIndex;
  return taken && (ch != '-' || at == 0);
}

void insert(HwEditControl& c, char ch) {
  int lo = gCaret.caretIndex, hi = gCaret.caretIndex;
  if (hasSelection(gCaret)) {
    lo = std::min(gCaret.anchorIndex, gCaret.selectionEnd);
    hi = std::max(gCaret.anchorIndex, gCaret.selectionEnd);
  }
  // The buffer holds kHwEditTextMax characters: a key past that is refused.
  if (gCaret.length - (hi - lo) + 1 > kHwEditTextMax) {
    MessageBeep(kRefusalBeep);
    return;
  }
  std::memmove(c.text + lo + 1, c.text + hi, static_cast<size_t>(gCaret.length - hi + 1));
  c.text[lo] = ch;
  gCaret.length += 1 - (hi - lo);
  moveCaretTo(c, gCaret, lo + 1);
  finishEdit(c);
}

// The owner's callback may free the entry: then nothing of it is touched.
void commit(HwEditControl& c) {
  store(c);
  HwLifeWatch watch(c.life);
  if (c.kind == 0) {
    int value = 0;
    if (GVReadIntText(c.text, c.intMinimum, c.intMaximum, &value)) {
      if (c.intCB) value = c.intCB(0, value, c.user);
      if (watch.gone()) return;
      c.setInt(value);
    } else {
      MessageBeep(kRefusalBeep);
      c.setInt(c.heldInt);
    }
  } else if (c.kind == 1) {
    float value = 0.0f;
    // Enter on the text as the entry last showed it hands on the value held,
    // not that value rounded to the decimals shown.
    char shown[64];
    std::snprintf(shown, sizeof shown, "%.*f", c.heldDecimals, static_cast<double>(c.held));
    const bool untouched = !c.edited && std::strcmp(shown, c.text) == 0;
    if (untouched) value = c.held;
    if (untouched || GVReadFloatText(c.text, &value)) {
      if (c.floatCB) value = c.floatCB(0, value, c.user);
      if (watch.gone()) return;
      if (untouched)
        c.setFloat(value);  // shown as it was
      else
        c.showFloat(value);  // with the decimals typed, or those the owner set
    } else {
      // Refused: the owner hears nothing and the entry shows what it held.
      MessageBeep(kRefusalBeep);
      c.decimals = c.heldDecimals;
      c.setFloat(c.held);
    }
  } else {
    char copy[kHwEditTextMax + 1];
    std::snprintf(copy, sizeof copy, "%s", c.text);
    const char* shown = c.textCB ? c.textCB(0, copy, c.user) : copy;
    if (watch.gone()) return;
    copy[kHwEditTextMax] = 0;
    c.setText(shown ? shown : copy);
  }
  load(c);
  moveCaretTo(c, gCaret, gCaret.caretIndex);
  clearSelection(gCaret);
  store(c);
  showCaretPlace(c, gCaret);
  if (c.focused) ShowCaret(c.window);
  redraw(c.window);
}

void onChar(HwEditControl& c, char ch) {
  switch (ch) {
    case '\r':  // commits the text shown, selected or not
      commit(c);
      return;
    case '\b': backspace(c); return;
    case '\t':
    case '\n': MessageBeep(kRefusalBeep); return;
    case 27:  // the window's own Escape, where it has one
      if (!SendMessageA(GetAncestor(c.window, GA_ROOT), kGVEscapeMessage, 0, 0)) MessageBeep(kRefusalBeep);
      return;
    default:
      if (accepts(c, ch)) insert(c, ch);
  }
}

void onKeyDown(HwEditControl& c, WPARAM key) {
  if (hasSelection(gCaret)) {
    clearSelection(gCaret);
  } else {
    moveCaretTo(c, gCaret, gCaret.caretIndex + (key == VK_LEFT ? -1 : 1));
    clearSelection(gCaret);
  }
  store(c);
  showCaretPlace(c, gCaret);
  redraw(c.window);
}

void onButtonDown(HwEditControl& c, HWND hwnd, int x) {
  EnableWindow(hwnd, TRUE);
  SetActiveWindow(hwnd);
  SetFocus(hwnd);
  SetCapture(hwnd);
  load(c);  // the focus change ran this and the previous entry's messages
  gDragWindow = hwnd;
  HideCaret(hwnd);
  placeCaret(c, x);
  gCaret.anchorIndex = gCaret.caretIndex;
  gCaret.anchorX = gCaret.caretX;
  gCaret.selectionEnd = -1;
  store(c);
  showCaretPlace(c, gCaret);
  redraw(hwnd);
  ShowCaret(hwnd);
}

void onDrag(HwEditControl& c, HWND hwnd, int x) {
  int before = gCaret.selectionEnd;
  placeCaret(c, x);
  gCaret.selectionEnd = gCaret.caretIndex;
  gCaret.selectionEndX = gCaret.caretX;
  store(c);
  showCaretPlace(c, gCaret);
  if (gCaret.selectionEnd != before) redraw(hwnd);
}

void selectAll(HwEditControl& c, HWND hwnd) {
  moveCaretTo(c, gCaret, gCaret.length);
  gCaret.anchorIndex = 0;
  gCaret.anchorX = 0;
  gCaret.selectionEnd = gCaret.length > 0 ? gCaret.length : -1;
  gCaret.selectionEndX = gCaret.caretX;
  store(c);
  showCaretPlace(c, gCaret);
  redraw(hwnd);
  ShowCaret(hwnd);
}

}  // namespace

HwEditControl::HwEditControl(int editKind, int flags, HWND parent, HINSTANCE instance, int x, int y, int w, int h,
                             int initialInt, float initialFloat, const char* initialText, HwEditIntCB iCB,
                             HwEditFloatCB fCB, HwEditTextCB tCB, void* userData)
    : controlId(QwTakeControlId()),
      kind(editKind),
      formatFlags(flags),
      width(w),
      height(h),
      intCB(iCB),
      floatCB(fCB),
      textCB(tCB),
      user(userData) {
  if (kind == 1) decimals = heldDecimals = decimalsFromFlags(formatFlags);
  held = initialFloat;
  heldInt = initialInt;
  text = new (std::nothrow) char[kHwEditTextMax + 1];
  if (!text) return;
  if (kind == 0)
    std::snprintf(text, kHwEditTextMax + 1, "%d", initialInt);
  else if (kind == 1)
    std::snprintf(text, kHwEditTextMax + 1, "%.*f", decimals, static_cast<double>(initialFloat));
  else
    std::snprintf(text, kHwEditTextMax + 1, "%s", initialText ? initialText : "");
  caret.length = static_cast<int>(std::strlen(text));
  caret.selectionEnd = -1;
  window = CreateWindowExA(0, "EditControlClass", nullptr, kEditStyle, x, y, width, height, parent,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), instance, nullptr);
  SetWindowLongA(window, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
  setMargins(caret, window);
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  if (height < kCaretMinHeight) GVMessage("Warning: HwEditControl: height too small for caret (18 pxls min)");
}

HwEditControl::~HwEditControl() {
  if (gDragWindow == window) gDragWindow = nullptr;
  GVDetachObject(window, this);
  delete[] text;
}

void HwEditControl::move(int x, int y, int w, int h) {
  width = w;
  height = h;
  if (!window) return;
  MoveWindow(window, x, y, width, height, TRUE);
  setMargins(caret, window);
}

void HwEditControl::setInt(int value) {
  if (!text) return;
  heldInt = value;
  edited = false;
  std::snprintf(text, kHwEditTextMax + 1, "%d", value);
  caret.length = static_cast<int>(std::strlen(text));
  moveCaretTo(*this, caret, caret.length);
  clearSelection(caret);
  showCaretPlace(*this, caret);
  redraw(window);
}

void HwEditControl::setIntRange(int minimum, int maximum) {
  intMinimum = std::min(minimum, maximum);
  intMaximum = std::max(minimum, maximum);
}

void HwEditControl::setFloat(float value) {
  if (!text) return;
  edited = false;
  held = value;
  heldDecimals = decimals;
  std::snprintf(text, kHwEditTextMax + 1, "%.*f", decimals, static_cast<double>(value));
  caret.length = static_cast<int>(std::strlen(text));
  moveCaretTo(*this, caret, caret.length);
  clearSelection(caret);
  showCaretPlace(*this, caret);
  redraw(window);
}

void HwEditControl::setText(const char* newText) {
  if (!text) return;
  if (!newText) newText = "";
  edited = false;
  // A text longer than the buffer is cut; the entry's own text stays as it is.
  if (newText != text) std::snprintf(text, kHwEditTextMax + 1, "%s", newText);
  caret.length = static_cast<int>(std::strlen(text));
  moveCaretTo(*this, caret, caret.caretIndex);
  clearSelection(caret);
  showCaretPlace(*this, caret);
  redraw(window);
}

void HwEditControl::showFloat(float value) {
  decimals = decimalsToShow(value, decimals);
  setFloat(value);
}

int HwEditControl::getInt() const {
  int value = 0;
  return text && GVReadIntText(text, intMinimum, intMaximum, &value) ? value : heldInt;
}

float HwEditControl::getFloat() const {
  float value = 0.0f;
  if (!text) return value;
  return GVReadFloatText(text, &value) ? value : held;
}

bool GVReadIntText(const char* text, int minimum, int maximum, int* value) {
  if (!text || !value) return false;
  while (isBlank(*text)) ++text;
  const char* p = text;
  const bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  if (*p == 0 && p == text) {
    *value = std::clamp(0, std::min(minimum, maximum), std::max(minimum, maximum));  // an emptied entry holds 0
    return true;
  }
  while (*p == '0' && p[1] >= '0' && p[1] <= '9') ++p;  // leading zeros say nothing
  const char* digits = p;
  int64_t magnitude = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    magnitude = magnitude * 10 + (*p - '0');
    if (magnitude > int64_t{INT_MAX} + 1) return false;  // no int holds it
  }
  if (p == digits) return false;
  while (isBlank(*p)) ++p;
  if (*p != 0) return false;
  const int64_t v = negative ? -magnitude : magnitude;
  if (v < INT_MIN || v > INT_MAX) return false;
  *value = static_cast<int>(std::clamp<int64_t>(v, std::min(minimum, maximum), std::max(minimum, maximum)));
  return true;
}

int GVStepIntWithin(int step, int value, int minimum, int maximum, int by) {
  const int64_t lo = std::min(minimum, maximum), hi = std::max(minimum, maximum);
  int64_t v = std::clamp<int64_t>(value, lo, hi);
  if (step == 1) v += by;
  if (step == -1) v -= by;
  return static_cast<int>(std::clamp(v, lo, hi));
}

bool GVReadFloatText(const char* text, float* value) {
  if (!text || !value) return false;
  while (isBlank(*text)) ++text;
  if (*text == 0) {
    *value = 0.0f;  // an emptied entry holds 0
    return true;
  }
  char* end = nullptr;
  const double v = std::strtod(text, &end);
  if (end == text) return false;
  while (isBlank(*end)) ++end;
  if (*end != 0 || !std::isfinite(v) || std::fabs(v) > FLT_MAX) return false;
  *value = static_cast<float>(v);
  return true;
}

void HwEditControl::copyText(char** out) const {
  if (!out) return;
  delete[] *out;
  *out = nullptr;
  if (!text) return;
  size_t n = std::strlen(text) + 1;
  *out = new char[n];
  std::memcpy(*out, text, n);
}

LRESULT CALLBACK HwEditControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
    case WM_SIZE: return 0;
    case WM_DESTROY:
      if (gDragWindow == hwnd) gDragWindow = nullptr;
      return 0;
    case WM_ERASEBKGND: return 1;
  }
  auto* c = reinterpret_cast<HwEditControl*>(GetWindowLongA(hwnd, GWL_USERDATA));
  if (!c || !c->text || c->window != hwnd) return DefWindowProcA(hwnd, msg, wp, lp);
  load(*c);
  int x = static_cast<short>(LOWORD(lp));
  switch (msg) {
    case WM_SETFOCUS:
      c->focused = true;
      gCaret.lineHeight = TextMeasure(hwnd).height();
      store(*c);
      CreateCaret(hwnd, nullptr, 0, gCaret.lineHeight);
      SetCaretPos(gCaret.leftMargin + gCaret.caretX, gCaret.topMargin);
      ShowCaret(hwnd);
      return 0;
    case WM_KILLFOCUS:
      c->focused = false;
      store(*c);
      HideCaret(hwnd);
      DestroyCaret();
      // Typed text is never left standing for a value the entry does not hold:
      // a number leaving the focus is taken as Enter would take it.
      if (c->edited && c->kind != 2) commit(*c);
      return 0;
    case WM_PAINT: paint(*c, hwnd); return 0;
    case WM_LBUTTONDOWN: onButtonDown(*c, hwnd, x); return 0;
    case WM_MOUSEMOVE:
      if (wp == MK_LBUTTON && hwnd == gDragWindow && GetCapture() == hwnd) onDrag(*c, hwnd, x);
      return 0;
    case WM_LBUTTONUP: ReleaseCapture(); return 0;
    case WM_LBUTTONDBLCLK: selectAll(*c, hwnd); return 0;
    case WM_KEYDOWN:
      if (wp != VK_LEFT && wp != VK_RIGHT) break;
      onKeyDown(*c, wp);
      return 0;
    case WM_CHAR: onChar(*c, static_cast<char>(wp)); return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}
