#include <algorithm>
#include <string>
#include <vector>

#include "toolkit/buttons.h"
#include "toolkit/drawing.h"
#include "toolkit_fixture.h"

namespace {

const COLORREF kGrey65 = RGB(65, 65, 65), kGrey200 = RGB(200, 200, 200);

struct Clicks {
  std::vector<int> states;
};

int cycleThree(int state, void* user) {
  static_cast<Clicks*>(user)->states.push_back(state);
  return (state + 1) % 3;
}

class Buttons : public ToolkitTest {
 protected:
  void SetUp() override {
    ToolkitTest::SetUp();
    parent_ = popup("BaseControlClass", 0, 0, 800, 600);
  }
  HWND toolTip() const { return FindWindowA("ToolTipWindowClass", nullptr); }
  // The bitmap stretched over w x h, as a plain window at (x, y) shows it.
  std::vector<COLORREF> stretched(int id, RECT at) {
    HWND ref = popup("BaseControlClass", at.left, at.top, at.right - at.left, at.bottom - at.top);
    HDC dc = GetDC(ref);
    LoadImageStrXYWH(dc, id, 0, 0, at.right - at.left, at.bottom - at.top);
    ReleaseDC(ref, dc);
    GVComposeScreen();
    std::vector<COLORREF> px = grab(at);
    DestroyWindow(ref);
    settle();
    return px;
  }
  HWND parent_ = nullptr;
};

TEST_F(Buttons, ThreeStateButtonCyclesItsOuterFillAndIgnoresReleasesOutside) {
  Clicks clicks;
  HwBMButton b;
  b.create(parent_, instance_, "", 2, 0, 0, 0, 0, 0, 100, 100, 40, 20, 3, "", 0, 0, cycleThree, &clicks);
  settle();
  EXPECT_EQ(rectOf(b.outer).left, 99);
  const COLORREF fills[] = {kGrey65, RGB(0, 250, 0), RGB(255, 150, 150), kGrey65};
  EXPECT_EQ(screen(99, 99), fills[0]);
  for (int i = 1; i <= 3; i++) {
    GVTestClick(120, 110);
    settle();
    EXPECT_EQ(b.state, i % 3);
    EXPECT_EQ(screen(99, 99), fills[i]) << i;
    EXPECT_EQ(screen(140, 120), fills[i]) << i;
  }
  EXPECT_EQ(clicks.states, (std::vector<int>{0, 1, 2}));

  RECT face = rectOf(b.face);
  std::vector<COLORREF> up = grab(face);
  EXPECT_EQ(up, stretched(141, face));
  GVTestMouseDown(120, 110);
  settle();
  EXPECT_EQ(grab(face), stretched(142, face));
  GVTestMouseUp(300, 300);
  settle();
  EXPECT_EQ(clicks.states.size(), 3u);
  EXPECT_EQ(grab(face), up);
}

TEST_F(Buttons, HoverButtonLightsWhileThePointerRestsOnIt) {
  HwBMButton b;
  b.create(parent_, instance_, "", 0, 141, 142, 0, 0, 0, 200, 100, 30, 30, 5, "", 0, 0, nullptr, nullptr);
  settle();
  GVTestMouseMove(210, 110);
  settle();
  EXPECT_EQ(b.state, 4);
  EXPECT_EQ(screen(199, 99), kGrey200);
  elapse(300);
  EXPECT_EQ(b.state, 4);
  GVTestMouseMove(400, 300);
  settle();
  EXPECT_EQ(b.state, 0);
  EXPECT_EQ(screen(199, 99), kGrey65);
}

TEST_F(Buttons, PressedTextButtonShowsTheDownBitmapAndItsLabelRaised) {
  HwBMButton b;
  b.createTextButton(parent_, instance_, 141, 142, "Dismiss", 12, 300, 200, 90, 30, 0, nullptr, nullptr);
  settle();
  RECT face = rectOf(b.face);
  // Ink: where the face differs from its bare bitmap.
  auto inkTop = [&](int bitmap, COLORREF* solid) {
    std::vector<COLORREF> bare = stretched(bitmap, face), shown = grab(face);
    int w = face.right - face.left, top = -1;
    *solid = 0;
    for (size_t i = 0; i < shown.size(); i++)
      if (shown[i] != bare[i]) {
        if (top < 0) top = static_cast<int>(i) / w;
        if (shown[i] == RGB(180, 180, 180) || shown[i] == RGB(160, 160, 160)) *solid = shown[i];
      }
    return top;
  };
  COLORREF upInk, downInk;
  int upTop = inkTop(141, &upInk);
  GVTestMouseDown(340, 215);
  settle();
  int downTop = inkTop(142, &downInk);
  EXPECT_GT(upTop, 0);
  EXPECT_EQ(downTop, upTop - 1);
  EXPECT_EQ(upInk, RGB(180, 180, 180));
  EXPECT_EQ(downInk, RGB(160, 160, 160));
  GVTestMouseUp(340, 215);
  settle();
}

TEST_F(Buttons, ToolTipAppearsAfterRestingAndGoesWithThePointer) {
  HwBMButton a, b, corner;
  a.create(parent_, instance_, "", 1, 0, 0, 0, 0, 0, 100, 100, 40, 20, 0, "Alpha tip", 0, 0, nullptr, nullptr);
  b.create(parent_, instance_, "", 1, 0, 0, 0, 0, 0, 300, 100, 40, 20, 0, "Beta tip", 0, 0, nullptr, nullptr);
  corner.create(parent_, instance_, "", 1, 0, 0, 0, 0, 0, 5, 5, 20, 20, 0, "Corner", 0, 0, nullptr, nullptr);
  settle();
  GVTestMouseMove(110, 110);
  settle();
  elapse(195);
  EXPECT_EQ(toolTip(), nullptr);
  elapse(10);
  HWND tip = toolTip();
  ASSERT_TRUE(tip);
  RECT r = rectOf(tip);
  EXPECT_EQ(r.left, 80);
  EXPECT_EQ(r.top, 70);
  EXPECT_EQ(screen(r.left + 2, r.top + 2), kGrey200);
  std::vector<COLORREF> shown = grab(r);
  EXPECT_GT(std::count_if(shown.begin(), shown.end(), [](COLORREF c) { return GetGValue(c) < 100; }), 10);

  // To the second button: the first tip goes at once, the second comes after its rest.
  GVTestMouseMove(310, 110);
  settle();
  EXPECT_EQ(toolTip(), nullptr);
  GVTestMouseMove(312, 111);
  settle();
  elapse(205);
  ASSERT_TRUE(toolTip());
  EXPECT_EQ(rectOf(toolTip()).left, 280);

  GVTestMouseMove(500, 400);
  settle();
  EXPECT_EQ(toolTip(), nullptr);

  GVTestMouseMove(10, 10);
  settle();
  GVTestMouseMove(11, 10);
  settle();
  elapse(205);
  ASSERT_TRUE(toolTip());
  EXPECT_EQ(rectOf(toolTip()).left, 10);
  EXPECT_EQ(rectOf(toolTip()).top, 10);
  EXPECT_TRUE(box_->texts.empty());
}

TEST_F(Buttons, OverLongTextsAreRefusedOrCut) {
  std::string tip198(198, 't'), tip199(199, 't'), label99(99, 'l'), long150(150, 'x');
  HwBMButton a, b, c;
  a.create(parent_, instance_, "", 1, 0, 0, 0, 0, 0, 10, 10, 20, 20, 0, tip198.c_str(), 0, 0, nullptr, nullptr);
  EXPECT_EQ(a.toolTip, tip198);
  EXPECT_TRUE(box_->texts.empty());
  b.create(parent_, instance_, "", 1, 0, 0, 0, 0, 0, 40, 10, 20, 20, 0, tip199.c_str(), 0, 0, nullptr, nullptr);
  c.createTextButton(parent_, instance_, 141, 142, label99.c_str(), 10, 70, 10, 20, 20, 0, nullptr, nullptr);
  EXPECT_STREQ(b.toolTip, "");
  EXPECT_STREQ(c.label, "");
  EXPECT_EQ(box_->texts, (std::vector<std::string>{"HwBMButton got bad tooltip", "HwBMButton got bad tooltip"}));
  c.setLabel(long150.c_str());
  EXPECT_EQ(c.label, long150.substr(0, 98));
  c.setLabel(nullptr);
  EXPECT_STREQ(c.label, " ");
}

TEST_F(Buttons, MenuButtonWithoutItsListSaysSo) {
  HwMenuButton m;
  m.create(parent_, instance_, "Help", 195, 196, 98, 49, 0.2f, 0, nullptr, nullptr);
  settle();
  EXPECT_EQ(rectOf(m.face).top, 1);
  EXPECT_EQ(m.buttonHeight, 24);
  GVTestClick(110, 10);
  settle();
  EXPECT_FALSE(m.hasProp());
  EXPECT_EQ(m.state, 0);
  EXPECT_EQ(box_->texts, (std::vector<std::string>{"HwMenuButton::privMenButCB: got no mMultiList!!!",
                                                   "error: HwMenuButton::hasProp(): no MultiList!"}));
}

}  // namespace
