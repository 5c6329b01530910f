// A started toolkit on a reset window manager, with the recording message box;
// the screen helpers are the shared ones of ui_test_support.h.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "platform/screen_image.h"
#include "platform/test_api.h"
#include "platform/win32.h"
#include "recording_message_box.h"
#include "toolkit/window_classes.h"
#include "ui_test_support.h"

using namespace gvui;  // NOLINT: the tests speak of settle, click and screen

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
    settle();
    return hwnd;
  }
  static std::vector<COLORREF> grab(RECT area) {
    std::vector<COLORREF> px;
    for (int y = area.top; y < area.bottom; y++)
      for (int x = area.left; x < area.right; x++) px.push_back(screen(x, y));
    return px;
  }

  static constexpr COLORREF kScreen = RGB(1, 2, 3);
  HINSTANCE instance_ = nullptr;
  RecordedBox* box_ = nullptr;
  size_t objectsBefore_ = 0;
};
