#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include "toolkit/form.h"
#include "toolkit/label.h"
#include "toolkit_fixture.h"

namespace {

const COLORREF kText = RGB(220, 220, 220);
const COLORREF kGrey = RGB(65, 65, 65);

using Labels = ToolkitTest;

TEST_F(Labels, AlignmentPutsTheTextAtItsMargin) {
  HWND parent = popup("BaseControlClass", 0, 0, 240, 90);
  HwLabel right(parent, "Mass 1.25", instance_, 10, 10, 200, 20, 12, 0, 1, 4);
  HwLabel left(parent, "Mass 1.25", instance_, 10, 40, 200, 20, 12, 0, -1, 4);
  settle();
  EXPECT_EQ(right.pixelHeight, -16);  // 12 points at 96 dots per inch
  int end = ink(RECT{10, 10, 210, 30}, kGrey).second;
  EXPECT_LE(end, 210 - 4 - 1);
  EXPECT_GE(end, 210 - 4 - 2);
  EXPECT_EQ(screen(209, 20), RGB(65, 65, 65));
  int start = ink(RECT{10, 40, 210, 60}, kGrey).first;
  EXPECT_GE(start, 10 + 4);
  EXPECT_LE(start, 10 + 4 + 2);
  EXPECT_GT(countScreen(kText, RECT{10, 10, 210, 60}), 20);
  EXPECT_TRUE(box_->texts.empty());
}

TEST_F(Labels, FallbackFontLongTextsAndTheFormMove) {
  HWND parent = popup("BaseControlClass", 0, 0, 240, 90);
  std::string text(500, 'w');
  HwLabel label(parent, text.c_str(), instance_, 0, 0, 100, 20, 0, 0, 0, 0);
  EXPECT_EQ(label.pixelHeight, 20);
  EXPECT_EQ(std::strlen(label.text), 399u);
  GVTestPumpMessages();
  ASSERT_FALSE(box_->texts.empty());
  EXPECT_NE(box_->texts[0].find("QWGetFont not defined"), std::string::npos);
  HwForm form(parent, 0);
  form.addDefinition(&label, 7, 1, 5, nullptr, 0, 2, 5, nullptr, 0, 3, 5, nullptr, 0, 18, 20, nullptr, 0);
  form.resolveReferences();
  form.setSize(240, 90);
  RECT r;
  GetWindowRect(label.window, &r);
  EXPECT_EQ(r.left, 5);
  EXPECT_EQ(r.right, 235);
}

int gPressed = 0;
int pressed(int state, void* user) {
  gPressed += *static_cast<int*>(user);
  return state;
}

TEST_F(Labels, ButtonFieldPlacesLabelAndButtonAndFollowsMoves) {
  HWND parent = popup("BaseControlClass", 0, 0, 300, 80);
  int step = 7;
  HwBaseControl field;
  field.createButton(instance_, parent, 10, 10, 200, 26, "Texture", "Pick", 60, 4, pressed, &step);
  GVTestPumpMessages();
  RECT r;
  GetWindowRect(field.button->face, &r);
  EXPECT_EQ(r.left, 10 + 200 - 60 - 1);
  EXPECT_EQ(r.right - r.left, 60);
  EXPECT_EQ(r.bottom - r.top, 24);
  GVTestClick((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  GVTestPumpMessages();
  EXPECT_EQ(gPressed, 7);
  field.moveButton(20, 30, 260, 30);
  GetWindowRect(field.button->face, &r);
  EXPECT_EQ(r.left, 20 + 260 - 60 - 1);
  GetWindowRect(field.label->window, &r);
  EXPECT_EQ(r.right - r.left, 260 - 60 - 4);
  field.destroy();
}

TEST_F(Labels, SeparatorStretchesItsBitmapThreePixelsHigh) {
  HWND parent = popup("BaseControlClass", 0, 0, 200, 40);
  GVSeparatorRec sep = {nullptr, 1, 166};
  sep.window = CreateWindowExA(0, "SeparatorClass", "", WS_CHILD | WS_VISIBLE, 0, 10, 200, 10, parent, nullptr,
                               instance_, nullptr);
  SetWindowLongA(sep.window, GWL_USERDATA, reinterpret_cast<LONG_PTR>(&sep));
  HwForm form(parent, 0);
  form.addDefinition(&sep, 23, 1, 10, nullptr, 0, 2, 0, nullptr, 0, 3, 0, nullptr, 0, 18, 9, nullptr, 0);
  form.resolveReferences();
  form.setSize(200, 40);
  RECT r;
  GetClientRect(sep.window, &r);
  EXPECT_EQ(r.bottom, 3);
  InvalidateRect(sep.window, nullptr, TRUE);
  settle();
  EXPECT_NE(screen(100, 11), RGB(65, 65, 65));
  EXPECT_EQ(screen(100, 14), RGB(65, 65, 65));
}

}  // namespace
