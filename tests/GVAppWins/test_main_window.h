// A bare top-level window at the screen's origin, standing in for the
// program's main window that holds the 3-D view.
#pragma once

#include "platform/win32.h"

HWND GVTestMainWindow(int width, int height);
