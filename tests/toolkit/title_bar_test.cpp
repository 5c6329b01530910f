#include <algorithm>
#include <cstring>
#include <string>

#include "toolkit/title_bar.h"
#include "toolkit_fixture.h"

namespace {

using TitleBars = ToolkitTest;

int gClicks = 0;
int clicked(int, void*) { return ++gClicks, 0; }

TEST_F(TitleBars, ButtonsSitAtTheRightOfTheBar) {
  HWND owner = popup("BaseControlClass", 0, 0, 320, 60);
  struct Case {
    int style, buttons;
  };
  for (Case c : {Case{1, 0}, Case{2, 2}, Case{3, 3}, Case{4, 3}}) {
    HwTitleBar bar;
    bar.create("Title", instance_, owner, 10, 10, 300, 35, c.style, 0, clicked, clicked, clicked, nullptr);
    GVTestPumpMessages();
    int expectX[3] = {225, 250, 275};
    if (c.buttons == 2) expectX[0] = 250, expectX[1] = 275;  // minimise then close
    int i = 0;
    for (HwBMButton* b : {bar.minimiseButton, bar.maximiseButton, bar.closeButton}) {
      if (!b) continue;
      RECT r;
      GetWindowRect(b->face, &r);
      EXPECT_EQ(r.left - 10, expectX[i]) << "style " << c.style;
      EXPECT_EQ(r.top - 10, 2);
      EXPECT_EQ(r.right - r.left, 23);
      i++;
    }
    EXPECT_EQ(i, c.buttons);
    EXPECT_EQ(bar.textAreaWidth, 300 - 25 * c.buttons);
    DestroyWindow(bar.window);
  }
}

TEST_F(TitleBars, PaintsBitmapTitleAndTakesOnlyGoodTexts) {
  HWND owner = popup("BaseControlClass", 0, 0, 320, 60);
  HwTitleBar bar;
  bar.create("Scene settings", instance_, owner, 0, 0, 300, 35, 3, 0, clicked, clicked, clicked, nullptr);
  settle();
  // The title's light text lies left of the buttons, in the middle of the text area.
  int inkLeft = 300, inkRight = 0;
  for (int y = 0; y < 35; y++)
    for (int x = 0; x < 225; x++)
      if (screen(x, y) == RGB(220, 220, 220)) inkLeft = std::min(inkLeft, x), inkRight = std::max(inkRight, x);
  ASSERT_LT(inkLeft, inkRight);
  EXPECT_NEAR((inkLeft + inkRight) / 2, 225 / 2, 3);
  // A press on the close button's face calls its callback.
  gClicks = 0;
  GVTestClick(275 + 11, 2 + 11);
  GVTestPumpMessages();
  EXPECT_EQ(gClicks, 1);
  // 255 characters fit; one more empties the title with a message.
  std::string longText(256, 'x');
  bar.setText(longText.c_str() + 1);
  EXPECT_EQ(std::strlen(bar.text), 255u);
  bar.setText(longText.c_str());
  EXPECT_STREQ(bar.text, "");
  EXPECT_EQ(box_->texts.size(), 1u);
  DestroyWindow(bar.window);
}

}  // namespace
