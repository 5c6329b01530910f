#include "message_log.h"

#include <algorithm>
#include <cstdio>

MessageLog* MessageLog::current = nullptr;

MessageLog::MessageLog() { current = this; }
MessageLog::~MessageLog() {
  if (current == this) current = nullptr;
}

void MessageLog::record(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  entries_.push_back(LoggedMessage{hwnd, message, wParam, lParam});
}

std::string MessageLog::text(const std::vector<UINT>& skip) const {
  std::string out;
  for (const LoggedMessage& e : entries_) {
    if (std::find(skip.begin(), skip.end(), e.message) != skip.end()) continue;
    auto it = labels_.find(e.hwnd);
    if (!out.empty()) out += ' ';
    out += (it == labels_.end() ? std::string("?") : it->second) + ":" + MessageName(e.message);
  }
  return out;
}

std::string MessageLog::textFor(HWND hwnd, const std::vector<UINT>& skip) const {
  std::string out;
  for (const LoggedMessage& e : entries_) {
    if (e.hwnd != hwnd || std::find(skip.begin(), skip.end(), e.message) != skip.end()) continue;
    if (!out.empty()) out += ' ';
    out += MessageName(e.message);
  }
  return out;
}

int MessageLog::count(HWND hwnd, UINT message) const {
  return (int)std::count_if(entries_.begin(), entries_.end(),
                            [&](const LoggedMessage& e) { return e.hwnd == hwnd && e.message == message; });
}

const LoggedMessage* MessageLog::last(HWND hwnd, UINT message) const {
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
    if (it->hwnd == hwnd && it->message == message) return &*it;
  return nullptr;
}

LRESULT CALLBACK LoggingWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  MessageLog* log = MessageLog::current;
  if (log) {
    log->record(hwnd, message, wParam, lParam);
    LRESULT result = 0;
    if (log->handler && log->handler(hwnd, message, wParam, lParam, &result)) return result;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

ATOM RegisterLoggingClass(const char* name, UINT style) {
  WNDCLASSEXA wc{};
  wc.cbSize = 48;
  wc.style = style;
  wc.lpfnWndProc = LoggingWindowProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = name;
  return RegisterClassExA(&wc);
}

const char* MessageName(UINT m) {
  switch (m) {
#define NAME(x) \
  case x: return #x;
    NAME(WM_CREATE) NAME(WM_DESTROY) NAME(WM_MOVE) NAME(WM_SIZE) NAME(WM_ACTIVATE) NAME(WM_SETFOCUS)
    NAME(WM_KILLFOCUS) NAME(WM_ENABLE) NAME(WM_SETTEXT) NAME(WM_GETTEXT) NAME(WM_GETTEXTLENGTH) NAME(WM_PAINT)
    NAME(WM_CLOSE) NAME(WM_QUERYOPEN) NAME(WM_ERASEBKGND) NAME(WM_QUIT) NAME(WM_SHOWWINDOW) NAME(WM_SETCURSOR)
    NAME(WM_MOUSEACTIVATE) NAME(WM_GETMINMAXINFO) NAME(WM_WINDOWPOSCHANGING) NAME(WM_WINDOWPOSCHANGED)
    NAME(WM_STYLECHANGING) NAME(WM_STYLECHANGED) NAME(WM_NCCREATE) NAME(WM_NCDESTROY) NAME(WM_NCCALCSIZE)
    NAME(WM_NCHITTEST) NAME(WM_NCACTIVATE) NAME(WM_NCMOUSEMOVE) NAME(WM_NCLBUTTONDOWN) NAME(WM_NCLBUTTONUP)
    NAME(WM_NCLBUTTONDBLCLK) NAME(WM_KEYDOWN) NAME(WM_KEYUP) NAME(WM_CHAR) NAME(WM_SYSKEYDOWN) NAME(WM_SYSKEYUP)
    NAME(WM_SYSCHAR) NAME(WM_COMMAND) NAME(WM_SYSCOMMAND) NAME(WM_TIMER) NAME(WM_MOUSEMOVE) NAME(WM_LBUTTONDOWN)
    NAME(WM_LBUTTONUP) NAME(WM_LBUTTONDBLCLK) NAME(WM_RBUTTONDOWN) NAME(WM_RBUTTONUP) NAME(WM_RBUTTONDBLCLK)
    NAME(WM_MBUTTONDOWN) NAME(WM_MBUTTONUP) NAME(WM_MOUSEWHEEL) NAME(WM_PARENTNOTIFY) NAME(WM_SIZING)
    NAME(WM_CAPTURECHANGED) NAME(WM_MOVING) NAME(WM_ENTERSIZEMOVE) NAME(WM_EXITSIZEMOVE) NAME(WM_MOUSEHOVER)
    NAME(WM_MOUSELEAVE) NAME(WM_USER) NAME(WM_ACTIVATEAPP) NAME(WM_CANCELMODE) NAME(WM_NCRBUTTONDOWN)
    NAME(WM_NCRBUTTONUP) NAME(WM_NCPAINT) NAME(WM_MBUTTONDBLCLK)
#undef NAME
    default: {
      static char buf[16];
      snprintf(buf, sizeof buf, "0x%04X", m);
      return buf;
    }
  }
}
