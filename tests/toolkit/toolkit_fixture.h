// A started toolkit on a reset window manager, with the recording message box,
// and screen helpers for pixel checks.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "platform/screen_image.h"
#include "platform/test_api.h"
#include "platform/win32.h"
#include "recording_message_box.h"
#include "toolkit/window_classes.h"

class ToolkitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GVTestReset();
    GVTestUseVirtualClock(true);
    GVSetScreenBackground(kScreen);
    objectsBefore_ = GVTestGdiObjectCount();
    box_ = &InstallRecordingBox();
    instance_ = GetModuleHandleA(nullptr);
    GVRegisterWindowClasses(instance_);
  }
  void TearDown() override {
    GVTestReset();
    GVComposeScreen();
    GVFreeWindowResources();
    RemoveRecordingBox();
    EXPECT_EQ(GVTestGdiObjectCount(), objectsBefore_);
  }
  HWND popup(const char* cls, int x, int y, int w, int h) {
    HWND hwnd = CreateWindowExA(0, cls, "", WS_POPUP | WS_VISIBLE, x, y, w, h, nullptr, nullptr, instance_,
                                nullptr);
    GVTestPumpMessages();
    GVComposeScreen();
    return hwnd;
  }
  // Runs the queue and composes the screen.
  static void settle() {
    GVTestPumpMessages();
    GVComposeScreen();
  }
  // Moves the virtual clock on in timer-sized steps, running the queue at each.
  static void elapse(DWORD ms, DWORD step = 5) {
    for (DWORD t = 0; t < ms; t += step) {
      GVTestAdvanceClock(step < ms - t ? step : ms - t);
      GVTestPumpMessages();
    }
    GVComposeScreen();
  }
  static std::vector<COLORREF> grab(RECT area) {
    std::vector<COLORREF> px;
    for (int y = area.top; y < area.bottom; y++)
      for (int x = area.left; x < area.right; x++) px.push_back(screen(x, y));
    return px;
  }
  static RECT windowRect(HWND hwnd) {
    RECT r = {0, 0, 0, 0};
    GetWindowRect(hwnd, &r);
    return r;
  }
  static COLORREF screen(int x, int y) { return GVColorRefFromPixel(GVScreenImage().at(x, y)); }
  static int countScreen(COLORREF c, RECT area) {
    int n = 0;
    for (int y = area.top; y < area.bottom; y++)
      for (int x = area.left; x < area.right; x++) n += screen(x, y) == c;
    return n;
  }

  static constexpr COLORREF kScreen = RGB(1, 2, 3);
  HINSTANCE instance_ = nullptr;
  RecordedBox* box_ = nullptr;
  size_t objectsBefore_ = 0;
};
