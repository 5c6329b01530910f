#include "appwins/notes_window.h"

#include <cstring>
#include <new>

#include "appwins/app_main_win.h"
#include "appwins/menu_bar.h"
#include "platform/win32.h"

namespace {

HwScrollWinTxt* gNotes = nullptr;

void notesCB(int code, int value, int reserved, void* user) {
  if (code == 3 && value == 0 && gNotes) HwScrollWinTxt::dialogCB(code, value, reserved, gNotes);
  if (code == 1 || code == 4) {
    GVAppMainWin* w = GVMainAppWin();
    if (w && w->menuBar) {
      w->menuBar->notesShown = 0;
      GVSetNotesButtonTitle(w->menuBar);
    }
  }
}

RECT placement() {
  RECT r = {400, 100, 700, 300};  // x, y, width, height
  if (GVAppMainWin* w = GVMainAppWin()) w->notesPlacement(&r);
  return r;
}

HwScrollWinTxt* make(const char* title, HwDialogCB owner, void* user) {
  const RECT r = placement();
  return new (std::nothrow) HwScrollWinTxt("", kHelpModeText, r.left, r.top, r.right, r.bottom, title, owner, user);
}

}  // namespace

void GVShowNotesWindow() {
  if (!gNotes) {
    gNotes = make("Gv Help", nullptr, nullptr);
    if (!gNotes) return;
  }
  GVNotesBehindMainWindow(0);
  if (!IsWindowVisible(gNotes->popup)) gNotes->show();
}

void GVNotesBehindMainWindow(int behind) {
  if (!gNotes || !gNotes->popup) return;
  // Top-most like every dialog, the notes would hide the panel of the main
  // window they lie over; behind, they are out of the top-most band.
  const bool front = GetWindowLongA(gNotes->popup, GWL_EXSTYLE) & WS_EX_TOPMOST;
  if (front == (behind == 0)) return;  // already where asked
  SetWindowPos(gNotes->popup, behind ? HWND_BOTTOM : HWND_TOPMOST, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void GVHideNotesWindow() {
  if (gNotes && IsWindowVisible(gNotes->popup)) gNotes->hide();
}

void GVClearNotes() {
  GVAppMainWin* w = GVMainAppWin();
  if (w && w->menuBar) {
    w->menuBar->hasNotes = 0;
    w->menuBar->notesShown = 0;
    GVSetNotesButtonState(w->menuBar);
    GVSetNotesButtonTitle(w->menuBar);
  }
  if (gNotes) gNotes->setText("");
  GVHideNotesWindow();
}

int GVGetNotesText(char** text) {
  const char* src = gNotes ? gNotes->text() : "";
  const size_t n = strlen(src);
  if (text) {
    *text = new char[n + 1];
    memcpy(*text, src, n + 1);
  }
  return gNotes ? static_cast<int>(n) : 0;
}

void GVSetSceneNotes(const char* text) {
  if (text && !text[0]) text = nullptr;  // an empty text is no notes
  int shown = 0;
  GVAppMainWin* w = GVMainAppWin();
  if (w && w->menuBar) {
    if (!gNotes) {
      w->menuBar->notesShown = 1;
      GVSetNotesButtonTitle(w->menuBar);
    }
    w->menuBar->hasNotes = text ? 1 : 0;
    GVSetNotesButtonState(w->menuBar);
    shown = w->menuBar->notesShown;
  }
  if (!text) {
    if (gNotes) gNotes->setText("");
  } else {
    if (!gNotes) gNotes = make("Gelvane Scene Notes", notesCB, w);
    if (gNotes) {
      GVPlaceNotesWindow();
      gNotes->setText(text);
      if (shown) {
        GVShowNotesWindow();
        return;
      }
    }
  }
  GVHideNotesWindow();
}

void GVPlaceNotesWindow() {
  if (!gNotes || !gNotes->popup) return;
  const RECT r = placement();
  MoveWindow(gNotes->popup, r.left, r.top, r.right, r.bottom, TRUE);
}

HwScrollWinTxt* GVNotesWindow() { return gNotes; }

void GVFreeNotesWindow() {
  delete gNotes;
  gNotes = nullptr;
}
