#include "app/message_loop.h"

#include "app/app_windows.h"
#include "scene/frame_driver.h"
#include "scene/scene_records.h"

// Replaces msg by the last of the same kind queued for the same window. Other
// windows' messages stay queued, in order.
static void CollapseQueued(MSG* msg, UINT kind) {
  MSG next;
  while (PeekMessageA(&next, msg->hwnd, kind, kind, PM_NOREMOVE) && next.hwnd == msg->hwnd) {
    PeekMessageA(&next, msg->hwnd, kind, kind, PM_REMOVE);
    *msg = next;
  }
}

int GVRunMessageLoop() {
  const AppWindows& win = GVAppWindows();
  const FrameClock& clock = GVFrameClock();
  MSG msg;
  for (;;) {
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
      const bool forView = win.viewWindow && msg.hwnd == win.viewWindow;
      if (msg.message == WM_TIMER && clock.timerMode && forView && msg.wParam == kViewFrameTimer &&
          clock.running)
        GVAdvanceFrame();
      if (msg.message == WM_MOUSEMOVE && forView) CollapseQueued(&msg, WM_MOUSEMOVE);
      if (msg.message == WM_SIZE && win.mainWindow && msg.hwnd == win.mainWindow) CollapseQueued(&msg, WM_SIZE);
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (!clock.timerMode && clock.running)
      GVAdvanceFrame();
    else
      WaitMessage();  // nothing moves until a message comes
  }
}
