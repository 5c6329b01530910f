// The headless test services that span the whole window manager.
#include "platform/test_api.h"

#include "platform/wm_state.h"

void GVTestReset() {
  GVWMState& s = gvState();
  gvResetWindows();  // with the hooks still in place, so the GDI side frees its surfaces
  GVHooks() = GVPlatformHooks();
  gvResetQueue();
  gvResetInput();
  gvResetCaret();
  s.virtualClock = false;
  s.virtualNow = 0;
  s.beepCount = 0;
  s.lastBeep = 0;
  s.messageBoxHandler = nullptr;
  s.messageBoxUser = nullptr;
  s.nextThreadTimer = 0x7F00;
  GVSetScreenSize(1920, 1080);
  GVSetWorkArea(RECT{0, 0, 1920, 1080});
}

void GVTestSetScreen(int width, int height) { GVSetScreenSize(width, height); }

void GVTestSetWorkArea(int left, int top, int right, int bottom) { GVSetWorkArea(RECT{left, top, right, bottom}); }
