// The thread's message queue. Retrieval takes, in Win32's order: posted messages,
// then device input (routed when it is taken, see input_routing.cpp), then the
// quit request, then WM_PAINT for a window owing one, then WM_TIMER for a timer
// that is due. WM_PAINT and WM_TIMER are therefore generated only when nothing
// else waits, and a due timer yields one WM_TIMER however late it is taken.
//
// An unfiltered PeekMessageA on an empty queue waits up to 1 ms for input or the
// next timer before answering "no message", so a loop that polls it idles
// instead of spinning a core.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sched.h>

#include "platform/kernel32.h"
#include "platform/wm_state.h"

GVWindow* gvFindPaintWindow(GVWindow* filter);

// ---- Clock ---------------------------------------------------------------------------

static uint64_t monotonicMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (uint64_t)ts.tv_sec * 1000u + (uint64_t)ts.tv_nsec / 1000000u;
}

uint64_t gvNow() {
  GVWMState& s = gvState();
  return s.virtualClock ? s.virtualNow : monotonicMs();
}

void gvAdvanceVirtualClock(uint64_t ms) { gvState().virtualNow += ms; }

DWORD GetTickCount(void) { return (DWORD)gvNow(); }

void Sleep(DWORD milliseconds) {
  GVWMState& s = gvState();
  if (s.virtualClock) {
    s.virtualNow += milliseconds;
    return;
  }
  if (milliseconds == 0) {
    sched_yield();
    return;
  }
  timespec ts{(time_t)(milliseconds / 1000), (long)(milliseconds % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) == -1 && errno == EINTR) {
  }
}

static void sleepMs(int ms) {
  timespec ts{ms / 1000, (long)(ms % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) == -1 && errno == EINTR) {
  }
}

// ---- Posting and sending ------------------------------------------------------------------

bool gvPostMessage(GVWindow* w, UINT message, WPARAM wParam, LPARAM lParam) {
  GVWMState& s = gvState();
  s.posted.push_back(MSG{GVHandleOf(w), message, wParam, lParam, GetTickCount(), s.cursor});
  return true;
}

BOOL PostMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  GVWindow* w = nullptr;
  if (hwnd && !(w = gvCheckHandle(hwnd))) return FALSE;
  return gvPostMessage(w, message, wParam, lParam) ? TRUE : FALSE;
}

BOOL PostThreadMessageA(DWORD, UINT message, WPARAM wParam, LPARAM lParam) {
  return gvPostMessage(nullptr, message, wParam, lParam) ? TRUE : FALSE;
}

LRESULT SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  GVWindow* w = gvCheckHandle(hwnd);
  return w ? gvSend(w, message, wParam, lParam) : 0;
}

void PostQuitMessage(int exitCode) {
  GVWMState& s = gvState();
  s.quitPosted = true;
  s.quitCode = exitCode;
}

void gvPurgeWindow(GVWindow* w) {
  GVWMState& s = gvState();
  s.posted.erase(std::remove_if(s.posted.begin(), s.posted.end(), [w](const MSG& m) { return m.hwnd == w->handle; }),
                 s.posted.end());
  for (GVRawInput& e : s.input)
    if (e.cooked && e.msg.hwnd == w->handle) e.discard = true;
  s.timers.erase(std::remove_if(s.timers.begin(), s.timers.end(), [w](const GVTimer& t) { return t.window == w; }),
                 s.timers.end());
  s.hotKeys.erase(std::remove_if(s.hotKeys.begin(), s.hotKeys.end(), [w](const GVHotKey& k) { return k.window == w; }),
                  s.hotKeys.end());
}

// ---- Timers ----------------------------------------------------------------------------------

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc) {
  GVWMState& s = gvState();
  GVWindow* w = nullptr;
  if (hwnd && !(w = gvCheckHandle(hwnd))) return 0;
  UINT period = std::max<UINT>(1, std::min<UINT>(elapseMs, 0x7FFFFFFF));
  if (!w) {
    bool known = false;
    for (const GVTimer& t : s.timers)
      if (!t.window && t.id == id && id) known = true;
    if (!known) id = s.nextThreadTimer++;
  }
  for (GVTimer& t : s.timers) {
    if (t.window == w && t.id == id) {
      t.period = period;
      t.due = gvNow() + period;
      t.proc = proc;
      t.ready = false;
      return w ? (id ? id : 1) : id;
    }
  }
  s.timers.push_back(GVTimer{w, id, period, gvNow() + period, proc, false});
  return w ? (id ? id : 1) : id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  GVWMState& s = gvState();
  GVWindow* w = hwnd ? GVWindowFromHandle(hwnd) : nullptr;
  if (hwnd && !w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  for (auto it = s.timers.begin(); it != s.timers.end(); ++it) {
    if (it->window == w && it->id == id) {
      s.timers.erase(it);
      return TRUE;
    }
  }
  SetLastError(ERROR_INVALID_PARAMETER);
  return FALSE;
}

static void updateTimers(uint64_t now) {
  for (GVTimer& t : gvState().timers) {
    if (!t.ready && now >= t.due) {
      t.ready = true;
      t.due += t.period;
      if (t.due <= now) t.due = now + t.period;
    }
  }
}

// Milliseconds until the next timer or hover notice is due; -1 when none is set.
static int64_t msToNextDeadline(uint64_t now) {
  GVWMState& s = gvState();
  int64_t best = -1;
  for (const GVTimer& t : s.timers) {
    if (t.ready) continue;
    int64_t d = t.due > now ? (int64_t)(t.due - now) : 0;
    if (best < 0 || d < best) best = d;
  }
  uint64_t hover;
  if (gvHoverDeadline(&hover)) {
    int64_t d = hover > now ? (int64_t)(hover - now) : 0;
    if (best < 0 || d < best) best = d;
  }
  return best;
}

// ---- Retrieval ----------------------------------------------------------------------------------

namespace {
struct Filter {
  GVWindow* window;  // null: any
  bool threadOnly;   // (HWND)-1: only messages without a window
  UINT lo, hi;

  bool range(UINT m) const { return (lo == 0 && hi == 0) || (m >= lo && m <= hi); }
  bool target(const GVWindow* w) const {
    if (threadOnly) return w == nullptr;
    if (!window) return true;
    return w == window || gvIsDescendant(window, w);
  }
  bool accepts(const MSG& m) const { return range(m.message) && target(GVWindowFromHandle(m.hwnd)); }
};
}  // namespace

static bool retrieve(MSG* out, const Filter& f, bool remove) {
  GVWMState& s = gvState();
  for (auto it = s.posted.begin(); it != s.posted.end(); ++it) {
    if (f.accepts(*it)) {
      *out = *it;
      if (remove) s.posted.erase(it);
      return true;
    }
  }
  for (size_t i = 0; i < s.input.size();) {
    if (!s.input[i].cooked) {
      // Routing sends messages (hit tests, activation), and a procedure may run a
      // nested loop that consumes the queue: route a copy, then find it again.
      GVRawInput e = s.input[i];
      bool keep = gvCookInput(e);
      size_t j = 0;
      while (j < s.input.size() && s.input[j].seq != e.seq) ++j;
      if (j == s.input.size() || s.input[j].cooked) {
        i = 0;
        continue;
      }
      if (!keep) {
        s.input.erase(s.input.begin() + j);
        i = j;
        continue;
      }
      e.cooked = true;
      s.input[j] = e;
      i = j;
    }
    GVRawInput& e = s.input[i];
    if (e.discard) {
      s.input.erase(s.input.begin() + i);
      continue;
    }
    if (f.accepts(e.msg)) {
      *out = e.msg;
      if (remove) s.input.erase(s.input.begin() + i);
      return true;
    }
    ++i;
  }
  if (s.quitPosted && !f.window && f.range(WM_QUIT)) {
    *out = MSG{nullptr, WM_QUIT, (WPARAM)(LONG_PTR)s.quitCode, 0, GetTickCount(), s.cursor};
    if (remove) s.quitPosted = false;
    return true;
  }
  if (!f.threadOnly && f.range(WM_PAINT)) {
    if (GVWindow* p = gvFindPaintWindow(f.window)) {
      *out = MSG{p->handle, WM_PAINT, 0, 0, GetTickCount(), s.cursor};
      return true;  // stays until the window validates its update area
    }
  }
  if (f.range(WM_TIMER)) {
    updateTimers(gvNow());
    for (GVTimer& t : s.timers) {
      if (t.ready && f.target(t.window)) {
        *out = MSG{GVHandleOf(t.window), WM_TIMER, t.id, (LPARAM)t.proc, GetTickCount(), s.cursor};
        if (remove) t.ready = false;
        return true;
      }
    }
  }
  return false;
}

// Waits for input or the next deadline, at most maxMs. With the virtual clock a
// blocking wait jumps to the deadline instead. Returns false when nothing can
// ever arrive.
static bool waitForWork(int maxMs, bool blocking) {
  GVWMState& s = gvState();
  GVPlatformHooks& h = GVHooks();
  int64_t next = msToNextDeadline(gvNow());
  int wait = maxMs;
  if (next >= 0 && next < wait) wait = (int)next;
  if (s.virtualClock) {
    if (h.pump) {
      h.pump(0, h.pumpUser);
    } else if (blocking) {
      if (next < 0) return false;
      s.virtualNow += (uint64_t)next;
    }
    return true;
  }
  if (wait <= 0) return true;
  if (h.pump) h.pump(wait, h.pumpUser);
  else sleepMs(wait);
  return true;
}

static BOOL getMessageCore(LPMSG msg, HWND hwnd, UINT lo, UINT hi, UINT flags, bool block) {
  GVWMState& s = gvState();
  if (!msg) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Filter f{nullptr, hwnd == (HWND)(LONG_PTR)-1, lo, hi};
  if (hwnd && !f.threadOnly && !(f.window = gvCheckHandle(hwnd))) return FALSE;
  gvFlushGraveyard();
  const bool unfiltered = !hwnd && lo == 0 && hi == 0;
  bool waited = false;
  for (;;) {
    GVPlatformHooks& h = GVHooks();
    if (h.pump) h.pump(0, h.pumpUser);
    gvCheckHover(gvNow());
    if (retrieve(msg, f, (flags & PM_REMOVE) != 0)) {
      s.lastMessageTime = msg->time;
      s.lastMessagePos = msg->pt;
      return TRUE;
    }
    if (f.window && !gvIsLive(f.window)) return FALSE;
    if (!block) {
      if (waited || !unfiltered) return FALSE;
      waitForWork(1, false);
      waited = true;
      continue;
    }
    if (!waitForWork(s.virtualClock ? 0 : 50, true)) {
      fprintf(stderr, "GetMessageA: the queue is empty and no timer, input or display can fill it\n");
      abort();
    }
  }
}

BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
  return getMessageCore(msg, hwnd, filterMin, filterMax, removeFlags, false);
}

BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  if (!getMessageCore(msg, hwnd, filterMin, filterMax, PM_REMOVE, true)) return -1;
  return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL WaitMessage(void) {
  MSG m;
  return getMessageCore(&m, nullptr, 0, 0, PM_NOREMOVE, true);
}

DWORD GetMessageTime(void) { return gvState().lastMessageTime; }

DWORD GetMessagePos(void) {
  POINT p = gvState().lastMessagePos;
  return (DWORD)MAKELONG((WORD)(short)p.x, (WORD)(short)p.y);
}

LRESULT DispatchMessageA(const MSG* msg) {
  GVWMState& s = gvState();
  if (!msg) return 0;
  if (msg->message == WM_TIMER && msg->lParam) {
    for (const GVTimer& t : s.timers) {
      if (GVHandleOf(t.window) == msg->hwnd && t.id == msg->wParam && (LPARAM)t.proc == msg->lParam) {
        TIMERPROC proc = t.proc;
        ++s.procDepth;
        proc(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
        --s.procDepth;
        return 0;
      }
    }
    return 0;
  }
  if (!msg->hwnd) return 0;
  GVWindow* w = gvCheckHandle(msg->hwnd);
  if (!w) return 0;
  return gvSend(w, msg->message, msg->wParam, msg->lParam);
}

// ---- Key translation ---------------------------------------------------------------------------

// The character a key gives on a US keyboard, or 0.
static int charForKey(UINT vk, bool shift, bool ctrl, bool caps) {
  if (ctrl) {
    if (vk >= 'A' && vk <= 'Z') return (int)(vk - 'A' + 1);
    if (vk == VK_RETURN) return 10;
    if (vk == VK_BACK) return 127;
    if (vk == VK_OEM_4) return 27;
    if (vk == VK_OEM_5) return 28;
    if (vk == VK_OEM_6) return 29;
    return 0;
  }
  if (vk >= 'A' && vk <= 'Z') return (shift != caps) ? (int)vk : (int)(vk - 'A' + 'a');
  if (vk >= '0' && vk <= '9') return shift ? ")!@#$%^&*("[vk - '0'] : (int)vk;
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return (int)('0' + vk - VK_NUMPAD0);
  switch (vk) {
    case VK_SPACE: return ' ';
    case VK_RETURN: return 13;
    case VK_BACK: return 8;
    case VK_TAB: return 9;
    case VK_ESCAPE: return 27;
    case VK_MULTIPLY: return '*';
    case VK_ADD: return '+';
    case VK_SUBTRACT: return '-';
    case VK_DECIMAL: return '.';
    case VK_DIVIDE: return '/';
    case VK_OEM_1: return shift ? ':' : ';';
    case VK_OEM_PLUS: return shift ? '+' : '=';
    case VK_OEM_COMMA: return shift ? '<' : ',';
    case VK_OEM_MINUS: return shift ? '_' : '-';
    case VK_OEM_PERIOD: return shift ? '>' : '.';
    case VK_OEM_2: return shift ? '?' : '/';
    case VK_OEM_3: return shift ? '~' : '`';
    case VK_OEM_4: return shift ? '{' : '[';
    case VK_OEM_5: return shift ? '|' : '\\';
    case VK_OEM_6: return shift ? '}' : ']';
    case VK_OEM_7: return shift ? '"' : '\'';
    default: return 0;
  }
}

BOOL TranslateMessage(const MSG* msg) {
  if (!msg) return FALSE;
  UINT m = msg->message;
  if (m != WM_KEYDOWN && m != WM_KEYUP && m != WM_SYSKEYDOWN && m != WM_SYSKEYUP) return FALSE;
  if (m == WM_KEYUP || m == WM_SYSKEYUP) return TRUE;
  const BYTE* keys = gvState().syncKeys;
  bool shift = keys[VK_SHIFT] & 0x80;
  bool ctrl = keys[VK_CONTROL] & 0x80;
  bool alt = keys[VK_MENU] & 0x80;
  bool caps = keys[VK_CAPITAL] & 0x01;
  int ch = charForKey((UINT)msg->wParam, shift, ctrl && !alt, caps);
  GVWindow* w = GVWindowFromHandle(msg->hwnd);
  if (ch && (w || !msg->hwnd)) gvPostMessage(w, m == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR, (WPARAM)ch, msg->lParam);
  return TRUE;
}

// ---- Test services ---------------------------------------------------------------------------------

void GVTestUseVirtualClock(bool on) {
  GVWMState& s = gvState();
  if (on && !s.virtualClock) s.virtualNow = 1000000;
  s.virtualClock = on;
}

void GVTestAdvanceClock(DWORD milliseconds) { gvState().virtualNow += milliseconds; }

void gvResetQueue() {
  GVWMState& s = gvState();
  s.posted.clear();
  s.input.clear();
  s.timers.clear();
  s.quitPosted = false;
  s.quitCode = 0;
  s.lastMessageTime = 0;
  s.lastMessagePos = POINT{0, 0};
}

int GVTestPumpMessages() {
  int count = 0;
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
    if (m.message == WM_QUIT) {
      PostQuitMessage((int)m.wParam);
      break;
    }
    TranslateMessage(&m);
    DispatchMessageA(&m);
    if (++count > 100000) break;  // a window that never validates
  }
  return count;
}
