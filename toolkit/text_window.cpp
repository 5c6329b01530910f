// The text window: wrapping layout, off-screen drawing and the wheel.
#include "toolkit/text_window.h"

#include <cstdlib>
#include <cstring>

#include "platform/gdi32.h"
#include "toolkit/drawing.h"
#include "toolkit/fonts_pens.h"
#include "toolkit/messages.h"
#include "toolkit/window_classes.h"

namespace {

constexpr int kWheelThreshold = 10;

HwTextWheelCB gDefaultWheelCB = nullptr;

// Width of text[s..i) as the layout sees it: the signed low word, at least 8.
int spanWidth(HDC dc, const char* text, int s, int i) {
  int w = static_cast<short>(LOWORD(GetTabbedTextExtentA(dc, text + s, i - s, 0, nullptr)));
  return w < 8 ? 8 : w;
}

// Where a line that has grown too wide at i breaks: the last space at or before
// i after s, else the first space after i; n (the end) when there is none.
int breakAt(const char* text, int n, int s, int i) {
  for (int j = i; j > s; j--)
    if (text[j] == ' ') return j;
  for (int j = i + 1; j < n; j++)
    if (text[j] == ' ') return j;
  return n;
}

// Walks the text and hands every ended line to `line(start, length)`.
template <typename LineFn>
int layout(HDC dc, const char* text, int width, LineFn line) {
  const int n = static_cast<int>(std::strlen(text));
  int count = 0;
  int s = 0;
  for (int i = 0; i < n; i++) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      line(s, i - s), count++;
      s = i + 1;
      continue;
    }
    int w = spanWidth(dc, text, s, i);
    if (w < width - 16) {
      if (i == n - 1) line(s, n - s), count++;
      continue;
    }
    int j = breakAt(text, n, s, i);
    line(s, j - s), count++;
    s = j + 1;
    i = j;  // the next character looked at is s
  }
  return count;
}

}  // namespace

void HwTextWin::setDefaultWheelCB(HwTextWheelCB callback) { gDefaultWheelCB = callback; }

HwTextWin::~HwTextWin() {
  GVDetachObject(window, this);
  frame.destroy();
  std::free(text);
}

void HwTextWin::create(HWND parent, const char* initial, HINSTANCE instance, int w, int h, void* userWord) {
  width = w;
  height = h;
  user = userWord;
  std::free(text);
  text = initial && initial[0] ? strdup(initial) : nullptr;
  font = QWGetFont(2, QwPixelValue(parent, 12), 0);
  lineHeight = QwFontHeight(parent, font) + 2;
  frame.create(parent, instance, x, y, width, height, frameKind, 0);
  border = frame.border;
  window = frame.createInner("TextWinClass", "TXT", instance, this);
  firstLine = 1;
  wheelCB = gDefaultWheelCB;
}

void HwTextWin::move(int px, int py, int w, int h) {
  x = px, y = py, width = w, height = h;
  frame.moveWithInner(window, x, y, width, height);
}

void HwTextWin::setText(const char* newText) {
  std::free(text);
  text = nullptr;
  if (newText && newText[0]) {
    size_t n = std::strlen(newText);
    text = static_cast<char*>(std::malloc(n + 10));
    if (!text)
      GVMessage("HwTextWin::setText(): bad create string");
    else
      std::memcpy(text, newText, n + 1);
  }
  firstLine = 1;
  if (window) RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

int HwTextWin::measure() {
  if (!window) return 0;
  RECT r;
  GetClientRect(window, &r);
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, font);
  int lines = doExecText2GetObject(this, dc, 0, r.right, r.bottom);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  return lines;
}

int HwTextWin::doExecText2GetObject(HwTextWin* rec, HDC dc, int mode, int width, int height) {
  if (!rec || !rec->window || !rec->text) return 0;
  if (mode != 1) return layout(dc, rec->text, width, [](int, int) {});
  HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
  if (!bitmap) {
    GVMessage("HwTextWin::doExecText2GetObject CreateCompatibleBitmap Failed");
    return 0;
  }
  HDC mem = CreateCompatibleDC(dc);
  if (!mem) {
    GVMessage("HwTextWin::doExecText2GetObject CreateCompatibleDC Failed");
    DeleteObject(bitmap);
    return 0;
  }
  HGDIOBJ oldBitmap = SelectObject(mem, bitmap);
  HGDIOBJ oldFont = SelectObject(mem, rec->font);
  GVFillRect(0, 0, width, height, mem, QwPens.brushGrey220);
  const char* text = rec->text;
  const int lineHeight = rec->lineHeight;
  int slot = 1 - rec->firstLine;
  int lines = layout(mem, text, width, [&](int start, int length) {
    int y = slot * lineHeight + 4;
    if (slot >= 0 && y < height) GVDrawTabbedText(y, lineHeight, text + start, length, mem);
    slot++;
  });
  BitBlt(dc, 0, 0, width, height, mem, 0, 0, SRCCOPY);
  SelectObject(mem, oldFont);
  SelectObject(mem, oldBitmap);
  DeleteDC(mem);
  DeleteObject(bitmap);
  return lines;
}

LRESULT CALLBACK HwTextWinProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* rec = reinterpret_cast<HwTextWin*>(GetWindowLongA(hwnd, GWL_USERDATA));
  switch (msg) {
    case WM_ERASEBKGND: return 1;
    case WM_DESTROY: return 0;
  }
  if (!rec || rec->window != hwnd) return DefWindowProcA(hwnd, msg, wp, lp);
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT r;
      GetClientRect(hwnd, &r);
      // Without a text the paper alone, so a cleared window shows nothing old.
      if (rec->text)
        HwTextWin::doExecText2GetObject(rec, dc, 1, r.right, r.bottom);
      else
        FillRect(dc, &r, QwPens.brushGrey220);
      EndPaint(hwnd, &ps);
      return rec->text ? 0 : 1;
    }
    case WM_LBUTTONDOWN:
      EnableWindow(hwnd, TRUE);
      SetActiveWindow(hwnd);
      SetFocus(hwnd);
      SetCapture(hwnd);
      return 0;
    case WM_LBUTTONUP: ReleaseCapture(); return 0;
    case WM_MOUSEWHEEL: {
      int delta = static_cast<short>(HIWORD(wp));
      int step = delta >= kWheelThreshold ? 1 : delta <= -kWheelThreshold ? -1 : 0;
      if (step && rec->wheelCB) rec->wheelCB(1, step, rec->user);
      return 0;
    }
    default: return DefWindowProcA(hwnd, msg, wp, lp);
  }
}
