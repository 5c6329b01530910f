// Process-wide state of the window manager, shared by its source files
// (window_manager.cpp, messages.cpp, input_routing.cpp, ...). One thread runs all
// of it, so nothing is locked.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "platform/handle_table.h"
#include "platform/window_internal.h"

struct GVTimer {
  GVWindow* window;  // null for a thread timer
  UINT_PTR id;
  UINT period;
  uint64_t due;
  TIMERPROC proc;
  bool ready;
};

// One device event on its way to becoming a window message.
struct GVRawInput {
  enum Kind { MOVE, BUTTON, WHEEL, KEY } kind;
  uint64_t seq;  // identifies the event while it waits
  POINT pt;
  int button;  // GVMouseButton
  bool down;
  int wheelDelta;
  UINT vk;
  bool repeat;
  DWORD time;
  WORD mk;  // MK_* state after the event
  bool cooked;
  bool discard;
  MSG msg;  // the routed message once cooked
};

struct GVSizingState {
  GVWindow* window = nullptr;
  int edge = 0;  // WMSZ_*; 0 moves the window
  POINT start{};
  RECT startRect{};  // parent client coordinates
  MINMAXINFO limits{};
};

struct GVClickState {
  GVWindow* window = nullptr;
  UINT downMessage = 0;
  DWORD time = 0;
  POINT pt{};
  bool wasDouble = false;
};

struct GVTrackState {
  GVWindow* window = nullptr;
  bool hover = false;
  bool leave = false;
  UINT hoverTime = 0;
  uint64_t hoverStart = 0;
  POINT hoverAnchor{};
};

struct GVCaretState {
  GVWindow* owner = nullptr;
  HBITMAP bitmap = nullptr;
  int width = 0;
  int height = 0;
  POINT pos{};
  int hideCount = 0;
};

struct GVHotKey {
  GVWindow* window;  // null for the thread's own
  int id;
  UINT modifiers;  // MOD_ALT | MOD_CONTROL | MOD_SHIFT | MOD_WIN
  UINT vk;
  bool noRepeat;
};

struct GVWMState {
  GVWindow* desktop = nullptr;
  GVHandleTable<GVWindow> handles;  // the live windows
  std::vector<GVWindow*> graveyard;  // destroyed records, freed when no procedure runs
  std::vector<std::unique_ptr<GVWindowClass>> classes;
  ATOM nextAtom = 0xC000;
  unsigned nextSerial = 1;
  int procDepth = 0;

  GVWindow* focus = nullptr;
  GVWindow* active = nullptr;
  GVWindow* capture = nullptr;
  RECT screen{0, 0, 1920, 1080};
  RECT workArea{0, 0, 1920, 1080};

  std::deque<MSG> posted;
  std::deque<GVRawInput> input;
  uint64_t nextInputSeq = 1;
  bool quitPosted = false;
  int quitCode = 0;
  std::vector<GVTimer> timers;
  UINT_PTR nextThreadTimer = 0x7F00;
  DWORD lastMessageTime = 0;
  POINT lastMessagePos{};

  bool virtualClock = false;
  uint64_t virtualNow = 0;

  POINT cursor{};
  BYTE asyncKeys[256] = {};  // bit 0x80 down, 0x01 toggled
  BYTE syncKeys[256] = {};
  HCURSOR currentCursor = nullptr;
  GVClickState lastClick;
  GVTrackState track;
  GVSizingState sizing;
  GVCaretState caret;
  std::vector<GVHotKey> hotKeys;

  unsigned beepCount = 0;
  UINT lastBeep = 0;
  int (*messageBoxHandler)(HWND, const char*, const char*, UINT, void*) = nullptr;
  void* messageBoxUser = nullptr;
};

GVWMState& gvState();
inline bool gvIsLive(const GVWindow* w) { return w && !w->dead; }

// window_manager.cpp
LRESULT gvSend(GVWindow* w, UINT message, WPARAM wParam, LPARAM lParam);
GVWindow* gvCheckHandle(HWND hwnd);  // live window, else sets the error and returns null
GVWindow* gvRoot(GVWindow* w);       // the top-level ancestor (itself for top-level)
bool gvIsTopLevel(const GVWindow* w);
bool gvIsDescendant(const GVWindow* ancestor, const GVWindow* w);
bool gvShowing(const GVWindow* w);
POINT gvClientOrigin(const GVWindow* w);  // screen coordinates of the client's top-left
RECT gvClientRect(const GVWindow* w);     // in the parent's client coordinates
RECT gvScreenWindowRect(const GVWindow* w);
RECT gvFrameInsets(DWORD style, DWORD exStyle, bool iconic);
bool gvSetWindowPos(GVWindow* w, HWND after, int x, int y, int cx, int cy, UINT flags);
void gvActivate(GVWindow* w, bool byClick);
void gvActivateOther(GVWindow* leaving);
GVWindow* gvSetFocus(GVWindow* w);
GVWindow* gvSetCapture(GVWindow* w);
void gvNotify(GVWindow* w, GVWindowEvent event);
void gvFlushGraveyard();
void gvShowMinMax(GVWindow* w, int command);
void gvInvalidate(GVWindow* w, const RECT* rect, bool erase, bool children);
GVWindow* gvHitTestWindow(POINT screen);
bool gvReorder(GVWindow* w, HWND after);
bool gvAtTopOfBand(const GVWindow* w);
void gvParentNotifyClick(GVWindow* child, UINT message, POINT screen);
void gvResetWindows();
void gvEndSizingForCapture();

// messages.cpp
uint64_t gvNow();
bool gvPostMessage(GVWindow* w, UINT message, WPARAM wParam, LPARAM lParam);
void gvPurgeWindow(GVWindow* w);  // drops its posted messages, input and timers
void gvAdvanceVirtualClock(uint64_t ms);
void gvResetQueue();

// input_routing.cpp
bool gvCookInput(GVRawInput& e);  // routes a raw event; false when it was swallowed
void gvCheckHover(uint64_t now);
bool gvHoverDeadline(uint64_t* when);
void gvStartSizing(GVWindow* w, int edge, POINT start);
void gvEndSizing(bool cancel);
void gvTrackLeaveCheck();
WORD gvMouseKeyFlags();
void gvResetInput();

// carets.cpp, message_box.cpp
void gvCaretWindowGone(GVWindow* w);
void gvResetCaret();
