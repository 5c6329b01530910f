// Frames: bordered child windows that hold a form. HwFrame is one window with the
// border painted around its controls; HwFrameWindow is an outer bordered window
// with an inner client window that holds the form and can report double clicks.
#pragma once

#include "platform/user32.h"

class HwForm;

class HwFrame {
 public:
  HwFrame() = default;
  ~HwFrame() { destroy(); }
  HwFrame(const HwFrame&) = delete;
  HwFrame& operator=(const HwFrame&) = delete;

  void create(HWND parent, HINSTANCE instance, int x, int y, int width, int height, int style, int hidden);
  void createLeft10(HWND parent, HINSTANCE instance, int y, int width, int height, int style, int hidden);
  // Moves the window and re-arranges the form; the creation size stays the
  // frame's natural size.
  void move(int x, int y, int width, int height);
  // The window a framed control keeps inside the border: a child of the frame's
  // window at (b, b, W - 2b, H - 2b) in the toolkit's child style, holding object
  // (when given) in its GWL_USERDATA.
  HWND createInner(const char* className, const char* title, HINSTANCE instance, void* object);
  // The frame's move, with the inner window fitted to the new inside.
  void moveWithInner(HWND inner, int x, int y, int width, int height);
  // Frees the form and the text (again at destruction) and detaches the object from
  // its window; the window goes with its parent.
  void destroy();

  HWND window = nullptr;
  HwForm* form = nullptr;
  int width = 0, height = 0;
  int innerWidth = 0, innerHeight = 0;
  int style = 0;
  int hidden = 0;
  int border = 0;
  char* text = nullptr;
};

// Called with the frame window's title and 1 on a double click in its client area.
typedef void (*HwFrameWindowCB)(const char* title, int code);

class HwFrameWindow {
 public:
  HwFrameWindow() = default;
  ~HwFrameWindow() { destroy(); }
  HwFrameWindow(const HwFrameWindow&) = delete;
  HwFrameWindow& operator=(const HwFrameWindow&) = delete;

  void create(HWND parent, HINSTANCE instance, int x, int y, int width, int height, int style);
  void createLeft10(HWND parent, HINSTANCE instance, int width, int height, int style);
  void createStyled(HWND parent, HINSTANCE instance, const char* title, int x, int y, int width, int height,
                    int style, int hidden, HwFrameWindowCB callback);
  void init(HWND parent, HINSTANCE instance, const char* title, int x, int y, int width, int height, int style,
            int hidden, HwFrameWindowCB callback);
  void move(int width, int height, int x, int y);
  void destroy();

  HWND outer = nullptr;
  HWND inner = nullptr;
  HwForm* form = nullptr;
  int width = 0, height = 0;
  int style = 0;
  int hidden = 0;
  int border = 0;
  char* title = nullptr;
  HwFrameWindowCB callback = nullptr;
};

LRESULT CALLBACK HwFrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
LRESULT CALLBACK HwFrameWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
