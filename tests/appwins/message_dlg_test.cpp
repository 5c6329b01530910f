#include <string>

#include "appwins/message_dlg.h"
#include "main_window_fixture.h"
#include "toolkit/buttons.h"
#include "toolkit/label.h"
#include "toolkit/messages.h"

namespace {

using MessageBox = MainWindowTest;

TEST_F(MessageBox, OneBoxSizedToEachTextAndHiddenByOk) {
  GVMessage("0123456789");
  settle();
  HWND box = FindWindowA("DialogWindowClass", "Gv Message");
  ASSERT_TRUE(box);
  RECT r = rectOf(box);
  EXPECT_EQ(r.right - r.left, 270);
  EXPECT_TRUE(IsWindowVisible(box));

  const std::string forty(40, 'x');
  GVShowMessage(forty.c_str());
  settle();
  EXPECT_EQ(FindWindowA("DialogWindowClass", "Gv Message"), box);
  r = rectOf(box);
  EXPECT_EQ(r.right - r.left, 320);
  EXPECT_EQ((r.left + r.right) / 2, 960);  // centred on the work area
  EXPECT_EQ((r.top + r.bottom) / 2, 540);

  auto* dlg = reinterpret_cast<HwMessageDlg*>(GetWindowLongA(box, GWL_USERDATA));
  ASSERT_TRUE(dlg);
  EXPECT_EQ(dlg->text, forty);
  dlg->lock = 1;  // a locked box only beeps
  click(dlg->okButton->face);
  EXPECT_TRUE(IsWindowVisible(box));
  EXPECT_EQ(GVTestLastBeep(), static_cast<UINT>(MB_ICONHAND));
  dlg->lock = 0;
  click(dlg->okButton->face);
  EXPECT_FALSE(IsWindowVisible(box));
  EXPECT_EQ(dlg->answer, 1);

  // A text wider than the screen is wrapped in a box that stays on it.
  std::string text;
  while (text.size() < 298) text += "word" + std::to_string(text.size()) + " ";
  text.pop_back();
  GVShowMessage(text.c_str());
  settle();
  r = rectOf(box);
  EXPECT_GE(r.left, 0);
  EXPECT_LE(r.right, 1920);
  EXPECT_GE(r.top, 0);
  EXPECT_LE(r.bottom, 1080);
  ASSERT_EQ(dlg->lines.size(), 2u);
  EXPECT_EQ(std::string(dlg->lines[0]->text) + " " + dlg->lines[1]->text, text);
  EXPECT_LT(rectOf(dlg->lines[1]->window).bottom, rectOf(dlg->okButton->face).top);
}

}  // namespace
