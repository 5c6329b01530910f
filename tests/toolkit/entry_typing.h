// Typing a number into an entry as a user does: a double click selects the whole
// text, the keys replace it and Enter commits it. '<' is the left arrow (a minus
// is taken only before the first character).
#pragma once

#include <string>

#include "platform/test_api.h"
#include "platform/win32.h"

inline void TypeIntoEntry(HWND entry, const std::string& keys) {
  RECT r;
  GetWindowRect(entry, &r);
  int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
  GVTestAdvanceClock(1000);  // no double click with an earlier click
  GVTestClick(x, y);
  GVTestClick(x, y);
  GVTestPumpMessages();
  for (char ch : keys) {
    UINT vk = ch == '-' ? VK_SUBTRACT : ch == '.' ? VK_DECIMAL : ch == '<' ? VK_LEFT : UINT(ch);
    GVTestKeyPress(vk);
  }
  GVTestPumpMessages();
}
