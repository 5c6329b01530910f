// GVAnimDialog: the main window's animation tool bar. A state button switches
// between natural-state and initial-state editing; bitmap buttons go to the
// start, step back, step once and play or stop; the mode button cycles the
// recording mode, a small button clears the stored frames, a toggle loops and
// a field sets the loop length. The dialog keeps no state of its own: every
// control forwards a code to the owner's command callback, and what it shows
// is read back through the owner's state callback.
#pragma once

#include "platform/win32.h"

class HwBMButton;
class HwEditButControl;
class HwFrameWindow;

// Command callback: (direction, code, value, user) -> the new state or value.
// Codes 1-8 come from the buttons with the state before the click; code 9 from
// the loop-length field with the arrow direction (-1, +1; 0 typed).
typedef int (*GVAnimCommandFn)(int direction, int code, int value, void* user);
// State callback: (request, value, dialog) -> answer. 1 the edit state (-1 in
// natural-state mode), 2 the world mode, 3 looping on, 4 the loop length, 5 the
// mode button state for a world mode, 6 the world mode for a button state.
typedef int (*GVAnimStateFn)(int request, int value, void* dialog);

struct GVAnimDialog {
  HwFrameWindow* frame = nullptr;
  HwBMButton* stateButton = nullptr;  // "INIT" / "NAT"
  HwBMButton* toStart = nullptr;
  HwBMButton* stepBack = nullptr;
  HwBMButton* stepOnce = nullptr;
  HwBMButton* play = nullptr;
  HwBMButton* modeButton = nullptr;   // "REC"
  HwBMButton* clearButton = nullptr;
  HwBMButton* loopButton = nullptr;
  HwEditButControl* loopLength = nullptr;
  int x = 42, y = 0, width = 400, height = 35;
  int style = 4, inset = 3;
  GVAnimCommandFn command = nullptr;
  void* user = nullptr;
  GVAnimStateFn state = nullptr;
  char* helpTopic = nullptr;
};

// Builds the dialog at (42, y) inside the parent, then refreshes it. The
// callbacks may be null (the dialog then shows its defaults).
void GVCreateAnimDialog(GVAnimDialog* dialog, HINSTANCE instance, HWND parent, int y, GVAnimCommandFn command,
                        GVAnimStateFn state, void* user);
// Frees the frame window, the controls and the help topic.
void GVFreeAnimDialog(GVAnimDialog* dialog);
// Every control shows what the state callback answers.
void GVRefreshAnimDialog(GVAnimDialog* dialog);
// "NAT" and pressed (state 4) for -1, else "INIT" released.
void GVSetAnimInitButton(GVAnimDialog* dialog, int editState);
// The mode button follows the world mode; nothing when it already shows it.
void GVSyncAnimModeButton(GVAnimDialog* dialog, int worldMode);
// Clicks the play button as a user would.
void GVPressAnimButton(GVAnimDialog* dialog);
// The frame moved to (x, y); the dialog keeps its size.
void GVMoveAnimDialog(GVAnimDialog* dialog, int x, int y, int width, int height);
