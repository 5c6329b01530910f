#include <utility>
#include <vector>

#include "toolkit/text_window.h"
#include "toolkit_fixture.h"

namespace {

const COLORREF kPaper = RGB(220, 220, 220);

class TextWindows : public ToolkitTest {
 protected:
  HwTextWin& make(const char* text, int width = 300, int height = 200) {
    parent_ = popup("BaseControlClass", 0, 0, 400, 300);
    win_.create(parent_, text, instance_, width, height, &win_);
    win_.move(0, 0, width, height);
    settle();
    return win_;
  }
  // Rows of the window (screen y) that carry ink.
  static std::vector<int> inkedRows(int left, int right, int top, int bottom) {
    std::vector<int> rows;
    for (int y = top; y < bottom; y++)
      if (countScreen(kPaper, RECT{left, y, right, y + 1}) != right - left) rows.push_back(y);
    return rows;
  }
  HWND parent_ = nullptr;
  HwTextWin win_;
};

TEST_F(TextWindows, LinesEndAtLineBreaksAndWrapAtSpaces) {
  HwTextWin& w = make("alpha\nbeta");
  EXPECT_EQ(w.measure(), 2);
  w.setText("alpha\r\nbeta");
  EXPECT_EQ(w.measure(), 3);
  w.setText("Pneumonoultramicroscopicsilicovolcanoconiosis");
  w.move(0, 0, 80, 100);
  EXPECT_EQ(w.measure(), 1);
  // Words wrap at spaces: a narrower window takes more lines.
  w.setText("the quick brown fox jumps over the lazy dog and keeps on running far");
  w.move(0, 0, 300, 200);
  int wide = w.measure();
  w.move(0, 0, 160, 200);
  EXPECT_GT(w.measure(), wide);
  w.setText("");
  EXPECT_EQ(w.text, nullptr);
  EXPECT_EQ(w.measure(), 0);
}

TEST_F(TextWindows, FirstVisibleLineIsDrawnAtTheTop) {
  HwTextWin& w = make("one\ntwo\nWWWWWWWWWW\nfour");
  RECT r;
  GetWindowRect(w.window, &r);
  w.firstLine = 3;
  InvalidateRect(w.window, nullptr, FALSE);
  settle();
  std::vector<int> rows = inkedRows(r.left, r.right, r.top, r.bottom);
  ASSERT_FALSE(rows.empty());
  // The third line fills the band from y = 4, one line height; then the fourth.
  EXPECT_GE(rows.front() - r.top, 4);
  EXPECT_LT(rows.front() - r.top, 4 + w.lineHeight / 2);
  int wideInk = 0;
  for (int x = r.left; x < r.right; x++)
    if (screen(x, r.top + 4 + w.lineHeight / 2) != kPaper) wideInk = x - r.left;
  EXPECT_GT(wideInk, 60);  // the W's, not "one"
  EXPECT_LT(rows.back() - r.top, 4 + 2 * w.lineHeight);
  // Cleared, the window shows bare paper.
  w.setText("");
  settle();
  EXPECT_TRUE(inkedRows(r.left, r.right, r.top, r.bottom).empty());
}

std::vector<std::pair<int, int>> gWheel;

TEST_F(TextWindows, WheelTurnsCallTheWheelCallback) {
  HwTextWin::setDefaultWheelCB([](int code, int step, void*) { gWheel.push_back({code, step}); });
  HwTextWin& w = make("text");
  HwTextWin::setDefaultWheelCB(nullptr);
  RECT r;
  GetWindowRect(w.window, &r);
  GVTestClick(r.left + 20, r.top + 20);
  GVTestPumpMessages();
  EXPECT_EQ(GetFocus(), w.window);
  gWheel.clear();
  GVInputMouseWheel(120);
  GVInputMouseWheel(-120);
  GVInputMouseWheel(5);
  GVTestPumpMessages();
  EXPECT_EQ(gWheel, (std::vector<std::pair<int, int>>{{1, 1}, {1, -1}}));
}

}  // namespace
