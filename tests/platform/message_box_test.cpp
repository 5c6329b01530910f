#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/test_api.h"
#include "platform/win32.h"
#include "platform/window_internal.h"

namespace {

class MessageBox : public ::testing::Test {
 protected:
  void SetUp() override {
    GVTestReset();
    GVTestUseVirtualClock(true);
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "Owner";
    RegisterClassExA(&wc);
    owner = CreateWindowExA(0, "Owner", "", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
  }
  void TearDown() override { GVTestReset(); }
  HWND owner = nullptr;
};

struct Asked {
  std::string text, caption;
  UINT type = 0;
  int calls = 0;
};

TEST_F(MessageBox, TestHandlerAnswersWithTheBoxArguments) {
  Asked asked;
  GVTestSetMessageBoxHandler(
      [](HWND, const char* text, const char* caption, UINT type, void* user) {
        Asked* a = (Asked*)user;
        a->text = text;
        a->caption = caption;
        a->type = type;
        ++a->calls;
        return IDCANCEL;
      },
      &asked);
  EXPECT_EQ(MessageBoxA(nullptr, "Minimise slider range?", "SliderGroup Message:", MB_OKCANCEL | MB_TASKMODAL),
            IDCANCEL);
  EXPECT_EQ(asked.text, "Minimise slider range?");
  EXPECT_EQ(asked.caption, "SliderGroup Message:");
  EXPECT_EQ(asked.type, (UINT)(MB_OKCANCEL | MB_TASKMODAL));
  MessageBoxA(owner, nullptr, nullptr, MB_OK);
  EXPECT_EQ(asked.caption, "Error");  // a missing caption reads "Error"
  EXPECT_EQ(asked.text, "");
}

TEST_F(MessageBox, WithoutAnyoneToAnswerTheDefaultButtonIsTaken) {
  EXPECT_EQ(MessageBoxA(owner, "text", "Error", MB_ICONINFORMATION), IDOK);
  EXPECT_EQ(MessageBoxA(owner, "text", "Error", MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);
  EXPECT_EQ(MessageBoxA(owner, "text", "Error", MB_YESNO), IDYES);
}

// The built-in box, run as it runs under a display: a pump hook stands in for
// the display and plays the user's keys.
struct Script {
  std::vector<UINT> keys;
  size_t next = 0;
  bool ownerWasDisabled = false;
  HWND owner = nullptr;
};
Script* script;

void scriptedPump(int, void*) {
  HWND box = GetForegroundWindow();
  if (!box || box == script->owner || script->next >= script->keys.size()) return;
  if (!IsWindowEnabled(script->owner)) script->ownerWasDisabled = true;
  GVTestKeyPress(script->keys[script->next++]);
}

TEST_F(MessageBox, BuiltInBoxIsModalAndAnswersKeys) {
  struct Case {
    UINT type;
    std::vector<UINT> keys;
    int answer;
  };
  const Case cases[] = {
      {MB_OK, {VK_RETURN}, IDOK},
      {MB_OKCANCEL, {VK_ESCAPE}, IDCANCEL},
      {MB_OKCANCEL, {VK_TAB, VK_RETURN}, IDCANCEL},
      {MB_YESNO, {VK_RIGHT, VK_SPACE}, IDNO},
      {MB_YESNO, {VK_ESCAPE}, IDNO},  // no Cancel: Escape says No
      {MB_OK, {VK_ESCAPE}, IDOK},
  };
  for (const Case& c : cases) {
    Script s;
    s.keys = c.keys;
    s.owner = owner;
    script = &s;
    GVHooks().pump = scriptedPump;
    EXPECT_EQ(MessageBoxA(owner, "Gv error: bad pixel format", "Error", c.type), c.answer);
    EXPECT_TRUE(s.ownerWasDisabled);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(GetForegroundWindow(), owner);
    HWND left = FindWindowA("GVMessageBoxClass", nullptr);
    EXPECT_FALSE(left);
  }
}

TEST_F(MessageBox, ClickingAButtonAnswersAndAQuitEndsTheBox) {
  static HWND box;
  box = nullptr;
  GVHooks().pump = [](int, void*) {
    HWND b = FindWindowA("GVMessageBoxClass", nullptr);
    if (!b || b == box) return;
    box = b;
    // Cancel is the second of two buttons along the bottom of the client area.
    RECT c;
    GetClientRect(b, &c);
    POINT p{c.right / 2 + 45, c.bottom - 20};
    ClientToScreen(b, &p);
    GVTestClick(p.x, p.y);
  };
  EXPECT_EQ(MessageBoxA(owner, "Really?", "Question", MB_OKCANCEL), IDCANCEL);
  // A quit request ends the box and is left for the program's own loop.
  GVHooks().pump = [](int, void*) {
    if (FindWindowA("GVMessageBoxClass", nullptr)) PostQuitMessage(5);
  };
  MessageBoxA(owner, "Bye", "Error", MB_OK);
  GVHooks().pump = nullptr;
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, (UINT)WM_QUIT);
  EXPECT_EQ(m.wParam, 5u);
}

TEST_F(MessageBox, BeepsAreCountedAndPassedToTheDisplay) {
  static UINT rung = 0;
  GVHooks().beep = [](UINT type) { rung = type; };
  unsigned before = GVTestBeepCount();
  MessageBeep(MB_ICONHAND);
  MessageBeep(0xFFFFFFFF);
  EXPECT_EQ(GVTestBeepCount(), before + 2);
  EXPECT_EQ(GVTestLastBeep(), 0xFFFFFFFFu);
  EXPECT_EQ(rung, 0xFFFFFFFFu);
}

}  // namespace
