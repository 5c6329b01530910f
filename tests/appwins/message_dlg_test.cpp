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
}

}  // namespace
