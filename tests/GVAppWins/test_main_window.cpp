#include "test_main_window.h"

static LRESULT CALLBACK mainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_ERASEBKGND) return 1;
  return DefWindowProcA(hwnd, msg, wp, lp);
}

HWND GVTestMainWindow(int width, int height) {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = mainProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "ViewTestMain";
  RegisterClassExA(&wc);  // already there after the first window of a run
  return CreateWindowExA(0, "ViewTestMain", "", WS_POPUP | WS_VISIBLE, 0, 0, width, height, nullptr, nullptr,
                         GetModuleHandleA(nullptr), nullptr);
}
