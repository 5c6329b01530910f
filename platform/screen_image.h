// The screen image composed from the window surfaces, and saving it (or one
// window) as PNG. Tests read pixels from here; the application's screenshots
// use the PNG calls.
#pragma once

#include <vector>

#include "platform/pixel_surface.h"
#include "platform/win_types.h"

// Composes what changed since the last call; returns the screen rectangles that
// were recomposed. The display presenter calls it before presenting.
const std::vector<RECT>& GVComposeScreen();
// The screen rectangles changed by composes since the last call, cleared by it;
// the display presenter takes them when it sends pixels.
void GVTakeScreenChanges(std::vector<RECT>* out);
// The screen image as last composed (pixels 0x00RRGGBB, screen coordinates).
const GVSurface& GVScreenImage();
// Colour shown where no window is.
void GVSetScreenBackground(COLORREF colour);
// A window's own surface (window rectangle, frame included) and where its client
// area lies in it; null / false for a handle that is not a live window.
GVSurface* GVWindowSurface(HWND hwnd);
bool GVWindowClientInSurface(HWND hwnd, RECT* client);

bool GVSaveScreenPng(const char* path);
bool GVSaveWindowPng(HWND hwnd, const char* path);
// A copy of what the window's client area shows (pending GL read-backs
// finished first); false for a dead window or an empty client area.
bool GVWindowClientImage(HWND hwnd, GVSurface* out);

// Puts the GDI side's window-manager hooks in place (done by every call that
// gives a window pixels; the display presenter adds its own).
void GVInstallPaintHooks();
