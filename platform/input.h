// Device input entering the window manager: the display presenter feeds what the
// user does, and headless tests feed scripted input, through the same calls.
// Each call queues one raw event stamped with the current tick count; routing
// (capture, hit testing, double clicks, focus) happens when the program takes the
// message from its queue, as Win32 does.
#pragma once

#include "platform/win_types.h"

enum GVMouseButton { GV_BUTTON_LEFT = 0, GV_BUTTON_RIGHT = 1, GV_BUTTON_MIDDLE = 2 };

// The pointer moved to a screen point (clamped to the screen).
void GVInputMouseMove(int x, int y);
// A button went down or up at the current pointer position.
void GVInputMouseButton(GVMouseButton button, bool down);
// The wheel turned by delta (120 per notch, positive away from the user).
void GVInputMouseWheel(int delta);
// A key went down or up; vk is a VK_ code (letters and digits are their ASCII
// capitals). A key-down while the key is already down is an auto-repeat.
void GVInputKey(UINT vk, bool down);
// The display's window gained or lost the desktop's keyboard focus: the program's
// active window is deactivated (WM_ACTIVATE with WA_INACTIVE, WM_ACTIVATEAPP) and
// later activated again.
void GVInputAppActivation(bool active);
// Releases every key and button that is still down (the display lost the focus).
void GVInputReleaseAll();
