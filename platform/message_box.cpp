// MessageBoxA and MessageBeep. A message box is a modal top-most popup with the
// text and one to three buttons, run by a nested message loop while its owner (or,
// for MB_TASKMODAL, every top-level window) is disabled. Enter takes the default
// button; Escape and the close box answer Cancel, or No where there is no
// Cancel; a WM_QUIT ends the box and is put back for the outer loop.
//
// Tests answer boxes through GVTestSetMessageBoxHandler. With neither a handler
// nor a display to show it on, nobody could answer: the box is written to the
// standard error stream and its default button is taken.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/kernel32.h"
#include "platform/test_api.h"
#include "platform/wm_state.h"

static const char kClassName[] = "GVMessageBoxClass";
static const int kCharWidth = 7;  // the display's default font, near enough for layout
static const int kLineHeight = 16;
static const int kMargin = 16;
static const int kButtonWidth = 75;
static const int kButtonHeight = 23;
static const int kButtonGap = 8;

namespace {
struct BoxState {
  std::string text;
  std::string caption;
  UINT type = 0;
  int ids[3] = {0, 0, 0};
  GVMessageBoxView view{};
  int result = 0;
  bool done = false;
};
}  // namespace

static int buttonsFor(UINT type, int* ids, const char** labels) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: ids[0] = IDOK; ids[1] = IDCANCEL; labels[0] = "OK"; labels[1] = "Cancel"; return 2;
    case MB_ABORTRETRYIGNORE:
      ids[0] = IDABORT; ids[1] = IDRETRY; ids[2] = IDIGNORE;
      labels[0] = "Abort"; labels[1] = "Retry"; labels[2] = "Ignore";
      return 3;
    case MB_YESNOCANCEL:
      ids[0] = IDYES; ids[1] = IDNO; ids[2] = IDCANCEL;
      labels[0] = "Yes"; labels[1] = "No"; labels[2] = "Cancel";
      return 3;
    case MB_YESNO: ids[0] = IDYES; ids[1] = IDNO; labels[0] = "Yes"; labels[1] = "No"; return 2;
    case MB_RETRYCANCEL: ids[0] = IDRETRY; ids[1] = IDCANCEL; labels[0] = "Retry"; labels[1] = "Cancel"; return 2;
    default: ids[0] = IDOK; labels[0] = "OK"; return 1;
  }
}

static int defaultIndex(UINT type, int count) {
  int d = (type & MB_DEFBUTTON3) ? 2 : (type & MB_DEFBUTTON2) ? 1 : 0;
  return std::min(d, count - 1);
}

// Escape's answer: Cancel where there is one, else No, OK for a lone OK,
// nothing otherwise.
static int escapeAnswer(const BoxState& b) {
  for (int wanted : {IDCANCEL, IDNO})
    for (int i = 0; i < b.view.buttonCount; ++i)
      if (b.ids[i] == wanted) return wanted;
  return b.view.buttonCount == 1 ? b.ids[0] : 0;
}

static int buttonAt(const BoxState& b, int x, int y) {
  for (int i = 0; i < b.view.buttonCount; ++i) {
    const RECT& r = b.view.buttons[i];
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) return i;
  }
  return -1;
}

static void finish(BoxState* b, int answer) {
  if (!answer || b->done) return;
  b->result = answer;
  b->done = true;
}

static LRESULT CALLBACK boxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  BoxState* b = (BoxState*)GetWindowLongA(hwnd, GWL_USERDATA);
  if (!b) return DefWindowProcA(hwnd, message, wParam, lParam);
  switch (message) {
    case WM_PAINT:
      if (GVHooks().paintMessageBox) GVHooks().paintMessageBox(hwnd, &b->view);
      else GVValidateWindow(hwnd, nullptr);
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_RETURN || wParam == VK_SPACE) finish(b, b->ids[b->view.defaultButton]);
      else if (wParam == VK_ESCAPE) finish(b, escapeAnswer(*b));
      else if (wParam == VK_TAB || wParam == VK_RIGHT || wParam == VK_LEFT) {
        int n = b->view.buttonCount;
        int step = wParam == VK_LEFT ? n - 1 : 1;
        b->view.defaultButton = (b->view.defaultButton + step) % n;
        GVInvalidateWindow(hwnd, nullptr, true, false);
      }
      return 0;
    case WM_LBUTTONDOWN:
      b->view.pressedButton = buttonAt(*b, (short)LOWORD(lParam), (short)HIWORD(lParam));
      if (b->view.pressedButton >= 0) {
        SetCapture(hwnd);
        GVInvalidateWindow(hwnd, nullptr, false, false);
      }
      return 0;
    case WM_LBUTTONUP: {
      int pressed = b->view.pressedButton;
      b->view.pressedButton = -1;
      if (GetCapture() == hwnd) ReleaseCapture();
      if (pressed >= 0 && buttonAt(*b, (short)LOWORD(lParam), (short)HIWORD(lParam)) == pressed)
        finish(b, b->ids[pressed]);
      GVInvalidateWindow(hwnd, nullptr, false, false);
      return 0;
    }
    case WM_CLOSE: finish(b, escapeAnswer(*b)); return 0;
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

static void registerBoxClass() {
  WNDCLASSEXA probe;
  if (GetClassInfoExA(nullptr, kClassName, &probe)) return;
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = boxProc;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = kClassName;
  RegisterClassExA(&wc);
  for (auto& c : gvState().classes)
    if (c->name == kClassName) c->internal = true;
}

static int defaultAnswer(UINT type) {
  int ids[3];
  const char* labels[3];
  int n = buttonsFor(type, ids, labels);
  return ids[defaultIndex(type, n)];
}

static int runBox(HWND owner, const char* text, const char* caption, UINT type) {
  GVWMState& s = gvState();
  registerBoxClass();
  BoxState b;
  b.text = text;
  b.caption = caption;
  b.type = type;
  GVMessageBoxView& v = b.view;
  v.buttonCount = buttonsFor(type, b.ids, v.labels);
  v.defaultButton = defaultIndex(type, v.buttonCount);
  v.pressedButton = -1;

  // Layout from the text's lines.
  int lines = 1, longest = 0, current = 0;
  for (const char* p = text; *p; ++p) {
    if (*p == '\n') {
      ++lines;
      current = 0;
    } else if (*p != '\r') {
      longest = std::max(longest, ++current);
    }
  }
  int buttonsWidth = v.buttonCount * kButtonWidth + (v.buttonCount - 1) * kButtonGap;
  int clientW = std::max({longest * kCharWidth, buttonsWidth, (int)strlen(caption) * kCharWidth + 40, 200}) +
                2 * kMargin;
  clientW = std::min(clientW, (int)(s.workArea.right - s.workArea.left) - 40);
  int textH = lines * kLineHeight;
  int clientH = kMargin + textH + kMargin + kButtonHeight + kMargin / 2 + 4;
  v.textRect = RECT{kMargin, kMargin, clientW - kMargin, kMargin + textH};
  int bx = (clientW - buttonsWidth) / 2, by = clientH - kButtonHeight - kMargin / 2 - 4;
  for (int i = 0; i < v.buttonCount; ++i) {
    v.buttons[i] = RECT{bx, by, bx + kButtonWidth, by + kButtonHeight};
    bx += kButtonWidth + kButtonGap;
  }
  v.text = b.text.c_str();
  v.caption = b.caption.c_str();
  v.type = type;

  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  RECT frame{0, 0, clientW, clientH};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  int w = frame.right - frame.left, h = frame.bottom - frame.top;
  RECT around = s.workArea;
  GVWindow* ownerWin = owner ? GVWindowFromHandle(owner) : nullptr;
  if (ownerWin && gvShowing(ownerWin)) around = gvScreenWindowRect(gvRoot(ownerWin));
  int x = (around.left + around.right - w) / 2, y = (around.top + around.bottom - h) / 2;

  // Disable what the box is modal over.
  std::vector<HWND> disabled;
  auto disable = [&disabled](HWND t) {
    if (IsWindow(t) && IsWindowEnabled(t)) {
      EnableWindow(t, FALSE);
      disabled.push_back(t);
    }
  };
  if (ownerWin) disable(gvRoot(ownerWin)->handle);
  if (type & (MB_TASKMODAL | MB_SYSTEMMODAL)) {
    std::vector<GVWindow*> tops = s.desktop->children;
    for (GVWindow* t : tops) disable(t->handle);
  }

  HWND box = CreateWindowExA(WS_EX_TOPMOST, kClassName, caption, style, x, y, w, h,
                             ownerWin ? gvRoot(ownerWin)->handle : nullptr, nullptr, nullptr, nullptr);
  int answer = defaultAnswer(type);
  if (box) {
    SetWindowLongA(box, GWL_USERDATA, (LONG_PTR)&b);
    ShowWindow(box, SW_SHOW);
    MSG m;
    while (!b.done && IsWindow(box)) {
      BOOL r = GetMessageA(&m, nullptr, 0, 0);
      if (r == 0) {
        PostQuitMessage((int)m.wParam);
        b.result = escapeAnswer(b) ? escapeAnswer(b) : answer;
        break;
      }
      if (r == -1) break;
      TranslateMessage(&m);
      DispatchMessageA(&m);
    }
    if (b.done || b.result) answer = b.result;
  }
  for (HWND t : disabled)
    if (IsWindow(t)) EnableWindow(t, TRUE);
  if (box && IsWindow(box)) {
    SetWindowLongA(box, GWL_USERDATA, 0);
    DestroyWindow(box);
  }
  if (ownerWin && gvIsLive(ownerWin)) gvActivate(gvRoot(ownerWin), false);
  return answer;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  GVWMState& s = gvState();
  if (!text) text = "";
  if (!caption) caption = "Error";
  if (s.messageBoxHandler) return s.messageBoxHandler(owner, text, caption, type, s.messageBoxUser);
  if (!GVHooks().pump) {
    fprintf(stderr, "[%s] %s\n", caption, text);
    return defaultAnswer(type);
  }
  return runBox(owner, text, caption, type);
}

BOOL MessageBeep(UINT type) {
  GVWMState& s = gvState();
  ++s.beepCount;
  s.lastBeep = type;
  if (GVHooks().beep) GVHooks().beep(type);
  return TRUE;
}

void GVTestSetMessageBoxHandler(GVMessageBoxHandler handler, void* user) {
  GVWMState& s = gvState();
  s.messageBoxHandler = handler;
  s.messageBoxUser = user;
}

unsigned GVTestBeepCount() { return gvState().beepCount; }
UINT GVTestLastBeep() { return gvState().lastBeep; }
