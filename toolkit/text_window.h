// HwTextWin: a longer text, word-wrapped with tab stops, drawn through an
// off-screen bitmap into a framed window, from a chosen first line.
#pragma once

#include "platform/user32.h"
#include "toolkit/frames.h"

// A wheel turn: code 1 and step 1 (away from the user) or -1.
typedef void (*HwTextWheelCB)(int code, int step, void* user);

class HwTextWin {
 public:
  HwTextWin() = default;
  ~HwTextWin();
  HwTextWin(const HwTextWin&) = delete;
  HwTextWin& operator=(const HwTextWin&) = delete;

  void create(HWND parent, const char* text, HINSTANCE instance, int width, int height, void* user);
  void move(int x, int y, int width, int height);
  // Replaces the text (an empty one clears it), shows it from its first line.
  void setText(const char* text);
  // The number of lines the text takes in the window's client area.
  int measure();
  // The layout over width x height; mode 1 also draws it into dc. Returns the
  // number of lines.
  static int doExecText2GetObject(HwTextWin* rec, HDC dc, int mode, int width, int height);

  // The wheel callback every text window starts with (the application's
  // scrolling help text installs its own).
  static void setDefaultWheelCB(HwTextWheelCB callback);

  HwFrame frame;
  HWND window = nullptr;
  int x = 0, y = 0, width = 0, height = 0;
  int border = 0;
  int frameKind = 3;
  char* text = nullptr;
  HFONT font = nullptr;
  int lineHeight = 0;
  int firstLine = 1;
  HwTextWheelCB wheelCB = nullptr;
  void* user = nullptr;
};

LRESULT CALLBACK HwTextWinProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
