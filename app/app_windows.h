// The application's windows: the main window, whose quit button or closing
// ends the message loop, and the 3-D view it holds. The message loop reads the
// handles to collapse the view's mouse moves and the main window's resizes.
#pragma once

#include "platform/win32.h"

constexpr UINT kStringTitle = 103;  // "GVAppVIEW0"
constexpr UINT kStringClass = 110;  // "GVAPPVIEW0"
constexpr UINT_PTR kViewFrameTimer = 1019;

struct AppWindows {
  HINSTANCE instance = nullptr;
  char title[100] = "";
  char className[100] = "";
  HWND mainWindow = nullptr;
  HWND viewWindow = nullptr;  // the 3-D view's window; null without a view
  int layoutScale = 0;        // GVMainWindowScale of the work area at creation
};

AppWindows& GVAppWindows();

// The value the main window is laid out from: trunc(height x 1233 / width) of
// the work area; a work area without width counts as the whole screen.
int GVMainWindowScale(const RECT& workArea, int screenWidth, int screenHeight);

// Resets the frame clock (frame 0, time-bar frame 0, 30 frames per second),
// links the view to the scene's records and opens the main window with its
// panels over the work area (the window classes are registered). Returns its
// frame, 0 when it cannot be made.
HWND GVCreateMainWindow(HINSTANCE instance);
// Deletes the main window with its panels and view (when still there).
void GVDestroyMainWindow();

// The fixed shutdown order: the view let go of the display settings, the
// scene's records freed, the main window destroyed, the editors' entries
// removed, the window resources freed.
void GVEndProgram();

// The File menu's Exit: frees the scene records, destroys the main window and
// ends the process with status 2.
[[noreturn]] void GVExitCommand();
