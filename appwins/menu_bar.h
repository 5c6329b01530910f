// The menu bar across the top of the main window's client: a bordered frame
// holding the File, Create and Help menu buttons and the Notes toggle. Every
// choice goes to one owner as (menu, item, sub-item); the Notes button sends
// (5, scene has notes, notes shown).
#pragma once

#include "platform/user32.h"

class HwBMButton;
class HwFrameWindow;
class HwMenuButton;

// (menu 1 File, 2 Create, 3 Help or 5 Notes, item, sub-item, user).
typedef int (*GVMenuOwnerFn)(int menu, int item, int subItem, void* user);

struct GVMenuBar {
  HwFrameWindow* frame = nullptr;
  HwMenuButton* file = nullptr;
  HwMenuButton* create = nullptr;
  HwMenuButton* help = nullptr;
  HwBMButton* notes = nullptr;
  int x = 10, y = 0, width = 206, height = 26;
  int frameStyle = 0;
  int hasNotes = 0;
  int notesShown = 0;
  void* user = nullptr;  // the main window
  GVMenuOwnerFn owner = nullptr;
};

constexpr int kMenuButtonWidth = 49;
constexpr int kNotesWidth = 45;
constexpr int kNotesHeight = 22;

// Builds the frame, the three menu buttons with their lists and the Notes
// button. The owner is set apart: a bar without one does nothing on a choice.
void GVBuildMenuBar(GVMenuBar* bar, HWND parent, void* mainWindow);
// The form's move (kind 19): the frame and the Notes button centred 100 pixels
// left of the middle.
void GVMenuBarMove(GVMenuBar* bar, int x, int y, int width, int height);
void GVSetNotesButtonTitle(GVMenuBar* bar);
void GVSetNotesButtonState(GVMenuBar* bar);
// Frees the Notes button, the menu buttons with their lists and the frame.
void GVFreeMenuBar(GVMenuBar* bar);
