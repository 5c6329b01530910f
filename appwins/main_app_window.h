// HwMainAppWindow: the one top-level window of the program. A popup over the
// desktop work area with a bitmap border, its own 35-pixel title bar and a
// client window "TXT" whose form lays out every permanent panel. The panels
// themselves belong to the derived GVAppMainWin.
#pragma once

#include <string>

#include "platform/user32.h"

class HwForm;
class HwTitleBar;

constexpr int kMainDesignWidth = 1233;
constexpr int kMainTitleHeight = 35;
constexpr int kMainFrameStyle = 4;
constexpr int kMainClientId = 48;

class HwMainAppWindow {
 public:
  HwMainAppWindow() = default;
  // Frees the form and the title bar and destroys the frame window.
  virtual ~HwMainAppWindow();
  HwMainAppWindow(const HwMainAppWindow&) = delete;
  HwMainAppWindow& operator=(const HwMainAppWindow&) = delete;

  // The client window's new size.
  virtual void resize(int width, int height) = 0;

  // "MainAppWindowClass"; 0 (after the "Error" box) when it cannot be registered.
  static ATOM registerClass(HINSTANCE instance);
  // The frame over the work area, its title bar, the client window and its form.
  void create(HINSTANCE instance, int referenceHeight);
  // The banner: the product text, ten blanks and the scene name ("(no name)"
  // for an empty one).
  void setTitle(const char* sceneName);
  // Stores the scene name and shows it in the banner.
  void updateTitle(const char* sceneName);

  // Title-bar buttons: minimise (the bar's close face), maximise/restore, quit.
  static int closeCB(int state, void* window);
  static int maximiseCB(int state, void* window);
  static int quitCB(int state, void* window);

  HWND frame = nullptr;
  HWND client = nullptr;
  HwForm* form = nullptr;
  HwTitleBar* titleBar = nullptr;
  HINSTANCE instance = nullptr;
  int x = 0, y = 0, width = 0, height = 0;
  int clientWidth = 0, clientHeight = 0;
  int frameStyle = kMainFrameStyle;
  int border = 3;
  int restore[4] = {0, 0, kMainDesignWidth, 0};  // x, y, width, height
  int restorePending = 0;
  int sizingBorder = 0;
  int titleHeight = kMainTitleHeight;
  int minimised = 0;  // set by the close button, cleared by the next WM_SIZE
  std::string banner;
  std::string sceneName;
};

LRESULT CALLBACK HwMainAppWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

// Centre of an axis-aligned box given as x min, x max, y min, y max, z min, z max.
void GVBoxCentre(const float box[6], float centre[3]);
