// The X11 presenter: shows the screen image in one undecorated X window the size
// of the work area and feeds the user's input to the window manager. Without a
// display (no DISPLAY, or the server refuses) everything stays headless.
#pragma once

// Opens the display named by DISPLAY and shows the screen window. Returns false,
// leaving the layer headless, when there is no usable display.
bool GVDisplayStart();
// Closes the screen window and the connection; the layer goes on headless.
void GVDisplayStop();
bool GVDisplayActive();
// Sends what changed to the display now (the message loop does it on its own).
void GVDisplayPresent();

// For the GLX side and tests: the connection (a Display*), the screen window's
// X id and whether the shared-memory path is in use.
void* GVDisplayConnection();
unsigned long GVDisplayWindow();
bool GVDisplayUsesSharedMemory();
