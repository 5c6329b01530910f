// The tool-tip: a small popup with one line of text, shown by the buttons.
#pragma once

#include "platform/user32.h"

// The one-line tool-tip popup.
struct QwToolTip {
  HWND owner;
  HWND popup;
  int x, y, width, height;
  char text[200];
};

// Fills the record and shows the tool-tip at the screen point; the text is
// measured in ownerWindow's device context.
void QwShowToolTip(QwToolTip* tip, int x, int y, const char* text, HWND ownerWindow, HINSTANCE instance);
// Hides and destroys the tool-tip's windows and frees the record.
void QwDestroyToolTip(QwToolTip* tip);
LRESULT CALLBACK QwToolTipProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
ATOM QwRegisterToolTipClass(HINSTANCE instance);
