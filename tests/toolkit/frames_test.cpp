#include <algorithm>
#include <string>
#include <vector>

#include "toolkit/drawing.h"
#include "toolkit/form.h"
#include "toolkit/frames.h"
#include "toolkit_fixture.h"

namespace {

const COLORREF kGrey65 = RGB(65, 65, 65), kGrey200 = RGB(200, 200, 200);

class Frames : public ToolkitTest {
 protected:
  void SetUp() override {
    ToolkitTest::SetUp();
    parent_ = popup("BaseControlClass", 0, 0, 640, 400);
  }
  // A grey-200 pane attached to all four edges of the form.
  void fill(HwForm* form, GVChildWindowRec* pane, HWND holder) {
    GVCreateChildWindow(pane, instance_, holder, "ListWindowClass", 0, 0, 1, 1);
    form->addDefinition(pane, 1, 1, 0, nullptr, 0, 2, 0, nullptr, 0, 3, 0, nullptr, 0, 4, 0, nullptr, 0);
    form->resolveReferences();
  }
  // The style's border as LoadImageFr draws it, in a plain window at (x, y).
  std::vector<COLORREF> referenceBorder(int style, int x, int y, int w, int h) {
    HWND ref = popup("BaseControlClass", x, y, w, h);
    HDC dc = GetDC(ref);
    LoadImageFr(style, w, h, dc);
    ReleaseDC(ref, dc);
    GVComposeScreen();
    std::vector<COLORREF> px = ring(x, y, w, h, GVFrameBorder(style));
    DestroyWindow(ref);
    settle();
    return px;
  }
  static std::vector<COLORREF> ring(int x, int y, int w, int h, int b) {
    std::vector<COLORREF> px;
    for (int j = 0; j < h; j++)
      for (int i = 0; i < w; i++)
        if (i < b || j < b || i >= w - b || j >= h - b) px.push_back(screen(x + i, y + j));
    return px;
  }
  HWND parent_ = nullptr;
};

TEST_F(Frames, BorderFromTheStyleBitmapAndControlsPlacedInsideIt) {
  for (int style : {3, 0}) {
    HwFrame frame;
    frame.create(parent_, instance_, 20, 30, 100, 60, style, 0);
    ASSERT_TRUE(frame.form);
    GVChildWindowRec pane;
    fill(frame.form, &pane, frame.window);
    frame.move(20, 30, 100, 60);
    settle();
    int b = style == 3 ? 3 : 0;
    EXPECT_EQ(frame.border, b);
    EXPECT_EQ(pane.x, b);
    EXPECT_EQ(pane.width, 100 - 2 * b);
    EXPECT_EQ(countScreen(kGrey200, RECT{20, 30, 120, 90}), (100 - 2 * b) * (60 - 2 * b)) << style;
    if (style == 3) {
      std::vector<COLORREF> painted = ring(20, 30, 100, 60, 3);
      EXPECT_EQ(painted, referenceBorder(3, 20, 30, 100, 60));
      EXPECT_EQ(std::count(painted.begin(), painted.end(), kGrey200), 0);
    }
    // A move keeps the creation size as the frame's natural size.
    frame.move(200, 30, 80, 40);
    EXPECT_EQ(frame.width, 100);
    EXPECT_EQ(frame.innerWidth, 80 - 2 * b);
    EXPECT_EQ(pane.width, 80 - 2 * b);
    DestroyWindow(frame.window);
    frame.destroy();
    settle();
  }
  EXPECT_TRUE(box_->texts.empty());
}

TEST_F(Frames, FrameWindowPaintsBorderAndClientAndReportsClientDoubleClicks) {
  static std::vector<std::string> calls;
  calls.clear();
  // A frame window as a form control (kind 4) is moved by its holder's form.
  HwFrame holder;
  holder.create(parent_, instance_, 290, 30, 140, 100, 0, 0);
  HwFrameWindow fw;
  fw.createStyled(holder.window, instance_, "dlg_walls", 0, 0, 60, 60, 5, 0,
                  [](const char* title, int code) { calls.push_back(std::string(title) + "/" + std::to_string(code)); });
  holder.form->addDefinition(&fw, 4, 1, 10, nullptr, 0, 2, 10, nullptr, 0, 3, 10, nullptr, 0, 4, 10, nullptr, 0);
  holder.form->resolveReferences();
  holder.move(290, 30, 140, 100);
  settle();
  RECT outer = rectOf(fw.outer), inner = rectOf(fw.inner);
  EXPECT_EQ(outer.left, 300);
  EXPECT_EQ(outer.top, 40);
  EXPECT_EQ(inner.left, 303);
  EXPECT_EQ(inner.right, 300 + 120 - 3);
  EXPECT_EQ(countScreen(kGrey65, inner), 114 * 74);
  EXPECT_EQ(ring(300, 40, 120, 80, 3), referenceBorder(5, 300, 40, 120, 80));

  GVTestClick(301, 60);
  GVTestClick(301, 60);
  settle();
  EXPECT_TRUE(calls.empty());
  GVTestAdvanceClock(1000);
  GVTestClick(350, 70);
  GVTestClick(350, 70);
  settle();
  EXPECT_EQ(calls, std::vector<std::string>{"dlg_walls/1"});
  holder.destroy();
  fw.destroy();
}

TEST_F(Frames, MissingWindowsLeaveTheFrameUsableAndFramesLeaveNoObjects) {
  HwFrame frame;
  frame.create(nullptr, instance_, 0, 0, 50, 50, 7, 1);  // no parent: the child fails
  EXPECT_EQ(frame.window, nullptr);
  EXPECT_EQ(frame.border, 0);
  frame.move(0, 0, 60, 60);
  EXPECT_EQ(frame.innerWidth, 60);
  frame.destroy();
  HwFrameWindow fw;
  fw.createLeft10(parent_, instance_, 100, 26, 4);
  EXPECT_EQ(rectOf(fw.outer).left, 10);
  EXPECT_EQ(rectOf(fw.outer).top, 0);
  fw.destroy();
}

}  // namespace
