#include "app/app_windows.h"

#include <cstdlib>

#include "scene/app_lifecycle.h"
#include "scene/scene_records.h"
#include "toolkit/window_classes.h"

static AppWindows gWindows;

AppWindows& GVAppWindows() { return gWindows; }

int GVMainWindowScale(const RECT& workArea, int screenWidth, int screenHeight) {
  double width = workArea.right - workArea.left;
  double height = workArea.bottom - workArea.top;
  if (width <= 0) {
    width = screenWidth;
    height = screenHeight;
  }
  if (width <= 0) return 0;
  return static_cast<int>(height * 1233.0 / width);
}

static LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    if (gWindows.mainWindow == hwnd) gWindows.mainWindow = nullptr;
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

HWND GVCreateMainWindow(HINSTANCE instance) {
  FrameClock& clock = GVFrameClock();
  clock.currentFrame = 0;
  clock.timeBarFrame = 0;
  clock.fps = kBuildFrameRate;
  gWindows.instance = instance;

  RECT area = {0, 0, 0, 0};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
  gWindows.layoutScale = GVMainWindowScale(area, screenWidth, screenHeight);
  if (area.right - area.left <= 0) area = RECT{0, 0, screenWidth, screenHeight};

  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = MainWindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  wc.lpszClassName = gWindows.className;
  RegisterClassExA(&wc);  // a class left from an earlier window is fine
  HWND hwnd = CreateWindowExA(0, gWindows.className, gWindows.title, WS_POPUP | WS_VISIBLE, area.left, area.top,
                              area.right - area.left, area.bottom - area.top, nullptr, nullptr, instance, nullptr);
  if (!hwnd) return nullptr;
  UpdateWindow(hwnd);
  gWindows.mainWindow = hwnd;
  gWindows.viewWindow = nullptr;
  return hwnd;
}

void GVDestroyMainWindow() {
  HWND hwnd = gWindows.mainWindow;
  gWindows.mainWindow = nullptr;
  gWindows.viewWindow = nullptr;
  if (hwnd && IsWindow(hwnd)) DestroyWindow(hwnd);
}

void GVExitCommand() {
  GVAppShutdown();
  GVDestroyMainWindow();
  GVFreeWindowResources();
  std::exit(2);
}
