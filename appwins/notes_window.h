// The scene's notes: a scrolling text window of their own, toggled by the menu
// bar's Notes button and filled by the scene loader.
#pragma once

#include "appwins/help_window.h"

struct RECT;

// Shown, and in front again when a panel had put them behind.
void GVShowNotesWindow();
// The notes lie over the logic window's place: while it shows they go behind
// the main window so that it is seen, and come back in front when it closes.
void GVNotesBehindMainWindow(int behind);
// Refused with a beep while the window is locked.
void GVHideNotesWindow();
// Before a new scene: the button released, the text emptied, the window hidden.
void GVClearNotes();
// A new heap copy of the notes (free with delete[]) and its length; "" and 0
// without a window.
int GVGetNotesText(char** text);
// After a load: null text empties the notes.
void GVSetSceneNotes(const char* text);
// Beside the view, above the panels below it, as the main window is laid out
// now: again whenever those panels or the main window's layout change.
void GVPlaceNotesWindow();
HwScrollWinTxt* GVNotesWindow();
void GVFreeNotesWindow();
