#include <string>
#include <vector>

#include "appwins/file_save.h"
#include "main_window_fixture.h"

namespace {

struct Call {
  int code, modeCode;
  std::string text;
};

class FileSave : public MainWindowTest {
 public:
  static void owner(int code, int modeCode, const char* text, void* user) {
    static_cast<FileSave*>(user)->calls.push_back({code, modeCode, text});
  }
  std::vector<Call> calls;
};

TEST_F(FileSave, NameWithoutExtensionEnterAndSaveCodes) {
  HwFileSave dlg(0x200, "abc.gvs", owner, this);
  settle();
  EXPECT_STREQ(dlg.nameField->text, "abc");
  EXPECT_STREQ(dlg.prompt->text, "Enter name for Scene file :");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].modeCode, 0x202);
  dlg.setMode(0x200, "abcd");
  EXPECT_STREQ(dlg.nameField->text, "abcd");

  click(dlg.nameField->window);
  GVTestKeyPress(VK_RETURN);
  settle();
  ASSERT_EQ(calls.back().modeCode, 0x204);
  EXPECT_EQ(calls.back().code, 0);
  EXPECT_EQ(calls.back().text, "abcd");

  dlg.lock = 1;  // a locked dialog beeps and stays
  click(dlg.saveButton->face);
  EXPECT_TRUE(IsWindowVisible(dlg.popup));
  EXPECT_EQ(GVTestLastBeep(), static_cast<UINT>(MB_ICONHAND));
  dlg.lock = 0;
  click(dlg.saveButton->face);
  EXPECT_EQ(calls.back().modeCode, 0x208);
  EXPECT_EQ(calls.back().text, "");
  EXPECT_STREQ(dlg.savedName, "abcd");
  EXPECT_FALSE(IsWindowVisible(dlg.popup));
}

}  // namespace
