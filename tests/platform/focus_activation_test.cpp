#include <gtest/gtest.h>

#include "message_log.h"
#include "platform/test_api.h"
#include "platform/win32.h"

namespace {

class Focus : public ::testing::Test {
 protected:
  void SetUp() override {
    GVTestReset();
    RegisterLoggingClass("Log");
    a = CreateWindowExA(0, "Log", "", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    b = CreateWindowExA(0, "Log", "", WS_POPUP | WS_VISIBLE, 200, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    a1 = CreateWindowExA(0, "Log", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, a, nullptr, nullptr, nullptr);
    log.name(a, "A");
    log.name(b, "B");
    log.name(a1, "A1");
    log.clear();
  }
  void TearDown() override { GVTestReset(); }
  MessageLog log;
  HWND a = nullptr, b = nullptr, a1 = nullptr;
};

TEST_F(Focus, ForegroundSwitchTellsBothWindowsAboutTheOther) {
  ASSERT_EQ(GetForegroundWindow(), b);  // the last window shown took the activation
  EXPECT_TRUE(SetForegroundWindow(a));
  EXPECT_EQ(log.text({WM_WINDOWPOSCHANGING, WM_WINDOWPOSCHANGED}),
            "B:WM_NCACTIVATE B:WM_ACTIVATE A:WM_NCACTIVATE A:WM_ACTIVATE B:WM_KILLFOCUS A:WM_SETFOCUS");
  const LoggedMessage* off = log.last(b, WM_ACTIVATE);
  EXPECT_EQ(LOWORD(off->wParam), WA_INACTIVE);
  EXPECT_EQ((HWND)off->lParam, a);
  const LoggedMessage* on = log.last(a, WM_ACTIVATE);
  EXPECT_EQ(LOWORD(on->wParam), WA_ACTIVE);
  EXPECT_EQ((HWND)on->lParam, b);
  EXPECT_EQ(GetActiveWindow(), a);
  EXPECT_EQ(GetFocus(), a);
  EXPECT_EQ(GetTopWindow(nullptr), a);
  // Activating the active window again sends nothing.
  log.clear();
  SetActiveWindow(a);
  EXPECT_EQ(log.text(), "");
}

TEST_F(Focus, SetFocusOnAChildActivatesItsRootAndNamesTheOtherWindow) {
  HWND previous = SetFocus(a1);
  EXPECT_EQ(previous, b);
  EXPECT_EQ(GetActiveWindow(), a);
  EXPECT_EQ(GetFocus(), a1);
  const LoggedMessage* set = log.last(a1, WM_SETFOCUS);
  ASSERT_TRUE(set);
  EXPECT_EQ((HWND)set->wParam, a);  // the focus passed through the activated root
  const LoggedMessage* kill = log.last(a, WM_KILLFOCUS);
  ASSERT_TRUE(kill);
  EXPECT_EQ((HWND)kill->wParam, a1);
  log.clear();
  EXPECT_EQ(SetFocus(nullptr), a1);
  EXPECT_EQ(log.text(), "A1:WM_KILLFOCUS");
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_EQ(GetActiveWindow(), a);
}

TEST_F(Focus, HidingOrDestroyingTheActiveWindowActivatesAnother) {
  ShowWindow(b, SW_HIDE);
  EXPECT_EQ(GetActiveWindow(), a);
  EXPECT_EQ(GetFocus(), a);
  ShowWindow(b, SW_SHOWNOACTIVATE);
  EXPECT_EQ(GetActiveWindow(), a);
  HWND owned = CreateWindowExA(0, "Log", "", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, a, nullptr, nullptr, nullptr);
  EXPECT_EQ(GetActiveWindow(), owned);
  SetForegroundWindow(b);
  SetForegroundWindow(owned);
  // An owned window hands the activation back to its owner.
  DestroyWindow(owned);
  EXPECT_EQ(GetActiveWindow(), a);
  DestroyWindow(a);
  EXPECT_EQ(GetActiveWindow(), b);
  DestroyWindow(b);
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(GetFocus(), nullptr);
}

TEST_F(Focus, CaptureChangesAreAnnounced) {
  EXPECT_EQ(SetCapture(a1), nullptr);
  EXPECT_EQ(SetCapture(b), a1);
  const LoggedMessage* c = log.last(a1, WM_CAPTURECHANGED);
  ASSERT_TRUE(c);
  EXPECT_EQ((HWND)c->lParam, b);
  EXPECT_TRUE(ReleaseCapture());
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(log.last(b, WM_CAPTURECHANGED)->lParam, 0);
  // A window destroyed with the capture takes it along.
  SetCapture(a1);
  DestroyWindow(a1);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Focus, DisablingTakesFocusAndCaptureAway) {
  SetFocus(a1);
  SetCapture(a1);
  EXPECT_FALSE(EnableWindow(a, FALSE));  // it was enabled
  EXPECT_FALSE(IsWindowEnabled(a));
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_EQ(log.count(a, WM_ENABLE), 1);
  EXPECT_EQ(GetCapture(), nullptr);  // its child's capture goes with it
  EXPECT_TRUE(EnableWindow(a, TRUE));
  EXPECT_TRUE(IsWindowEnabled(a));
  EXPECT_FALSE(EnableWindow(a, TRUE));
  EXPECT_EQ(log.count(a, WM_ENABLE), 2);
  // A disabled window cannot be activated.
  EnableWindow(b, FALSE);
  SetForegroundWindow(b);
  EXPECT_EQ(GetActiveWindow(), a);
}

TEST_F(Focus, TheProgramLosesAndRegainsTheActivation) {
  log.clear();
  ShowWindow(b, SW_HIDE);
  ShowWindow(a, SW_HIDE);
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(log.count(a, WM_ACTIVATEAPP), 1);
  EXPECT_EQ(log.last(a, WM_ACTIVATEAPP)->wParam, (WPARAM)FALSE);
  ShowWindow(a, SW_SHOW);
  EXPECT_EQ(log.last(b, WM_ACTIVATEAPP)->wParam, (WPARAM)TRUE);  // every top-level window hears it
  EXPECT_EQ(GetFocus(), a);
}

TEST_F(Focus, LosingTheDisplayFocusDeactivatesAndRegainingItRestores) {
  SetFocus(a1);
  log.clear();
  GVInputAppActivation(false);
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_EQ(log.text(), "A:WM_NCACTIVATE A:WM_ACTIVATE A:WM_ACTIVATEAPP B:WM_ACTIVATEAPP A1:WM_KILLFOCUS");
  EXPECT_EQ(log.last(a, WM_ACTIVATE)->lParam, 0);
  log.clear();
  GVInputAppActivation(true);
  EXPECT_EQ(GetActiveWindow(), a);
  EXPECT_EQ(GetFocus(), a);
  EXPECT_EQ(log.text(), "A:WM_ACTIVATEAPP B:WM_ACTIVATEAPP A:WM_NCACTIVATE A:WM_ACTIVATE A:WM_SETFOCUS");
}

}  // namespace
