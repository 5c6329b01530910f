// Headless test services of the window manager: a clean start, a virtual clock,
// scripted input at screen points, running the queue, and answers for modal
// message boxes. Tests and the display-less tools use it; the program does not.
#pragma once

#include <cstddef>
#include <string>

#include "platform/input.h"
#include "platform/user32.h"

// Destroys every window, class, timer and queued message, and returns the screen,
// clock, input state and hooks to their start values.
void GVTestReset();

// With the virtual clock on, GetTickCount, timers, hover and double-click timing
// follow GVTestAdvanceClock and Sleep only; a GetMessageA that would wait jumps
// straight to the next timer.
void GVTestUseVirtualClock(bool on);
void GVTestAdvanceClock(DWORD milliseconds);

void GVTestSetScreen(int width, int height);
void GVTestSetWorkArea(int left, int top, int right, int bottom);

// Scripted input at screen points (moves the pointer first).
void GVTestMouseMove(int x, int y);
void GVTestMouseDown(int x, int y, GVMouseButton button = GV_BUTTON_LEFT);
void GVTestMouseUp(int x, int y, GVMouseButton button = GV_BUTTON_LEFT);
void GVTestClick(int x, int y, GVMouseButton button = GV_BUTTON_LEFT);
void GVTestKeyPress(UINT vk);  // down then up

// Retrieves, translates and dispatches messages until none is left (WM_PAINT and
// due timers included; WM_QUIT is put back and ends the run). Returns the number
// dispatched.
int GVTestPumpMessages();

// Answers MessageBoxA without showing anything: the handler gets the box's
// arguments and returns the button id. Null restores the built-in box.
typedef int (*GVMessageBoxHandler)(HWND owner, const char* text, const char* caption, UINT type,
                                   void* user);
void GVTestSetMessageBoxHandler(GVMessageBoxHandler handler, void* user);

// MessageBeep calls since the last reset, and the type of the last one.
unsigned GVTestBeepCount();
UINT GVTestLastBeep();

// The window's pending update rectangle (client coordinates), if any.
bool GVTestUpdateRect(HWND hwnd, RECT* rect);

// GDI objects (pens, brushes, fonts, bitmaps; stock objects excluded) and memory
// device contexts alive now: leak checks compare them before and after.
size_t GVTestGdiObjectCount();
size_t GVTestMemoryDcCount();
