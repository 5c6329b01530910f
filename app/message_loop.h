// The message loop: dispatches every window message and advances the
// animation, on the view's frame timer in timer mode and otherwise whenever the
// queue is empty while the scene runs. Returns the quit message's wParam.
#pragma once

int GVRunMessageLoop();
