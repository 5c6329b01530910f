#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "appwins/help_window.h"
#include "appwins/message_dlg.h"
#include "main_window_fixture.h"
#include "scene/work_folders.h"

namespace fs = std::filesystem;

namespace {

// A temporary application root whose help folder holds the shipped pages.
class HelpWindow : public MainWindowTest {
 public:
  void SetUp() override {
    MainWindowTest::SetUp();
    old_ = fs::current_path();
    root_ = fs::temp_directory_path() / ("gv_help_" + std::to_string(getpid()));
    fs::create_directories(root_ / "GVHelpFiles");
    for (auto& e : fs::directory_iterator(fs::path(GV_SOURCE_DIR) / "GVHelpFiles"))
      if (e.path().extension() == ".hhf") fs::copy_file(e.path(), root_ / "GVHelpFiles" / e.path().filename());
    fs::current_path(root_);
    ASSERT_EQ(GVInitFolders(), 1);
  }
  void TearDown() override {
    GVFreeHelpWindow();
    fs::current_path(old_);
    fs::remove_all(root_);
    MainWindowTest::TearDown();
  }
  void write(const char* topic, uint32_t count, const std::string& body) {
    std::ofstream f(root_ / "GVHelpFiles" / (std::string(topic) + ".hhf"), std::ios::binary);
    const char head[4] = {char(count), char(count >> 8), char(count >> 16), char(count >> 24)};
    f.write(head, 4);
    f << body;
  }
  fs::path old_, root_;
};

TEST_F(HelpWindow, EveryTopicOpensCentredFromItsFile) {
  const char* topics[] = {"dlg_anim", "dlg_move", "dlg_cam", "dlg_lcd", "dlg_vhcl", "dlg_kfbc",
                          "dlg_istate", "dlg_mat", "dlg_struct", "dlg_part", "dlg_hgrp", "dlg_ggrp",
                          "dlg_edglue", "dlg_edgeo", "dlg_edgog", "dlg_scene", "dlg_kf", "dlg_grend",
                          "dlg_lights", "dlg_walls", "hlp_whatgv", "hlp_cntlsoverview", "hlp_helpoverview"};
  for (const char* topic : topics) {
    GVShowHelpPage(topic, 0);
    settle();
    HWND w = FindWindowA("DialogWindowClass", "Gelvane Help");
    ASSERT_TRUE(w) << topic;
    EXPECT_TRUE(IsWindowVisible(w)) << topic;
    EXPECT_EQ(rectOf(w).left, 660);
    EXPECT_EQ(rectOf(w).top, 290);
    const std::string text = GVHelpWindow()->text();
    EXPECT_GT(text.size(), 40u) << topic;
    EXPECT_EQ(text.find('\r'), std::string::npos) << topic;
  }
  GVShowHelpPage("dlg_walls", 0);
  settle();
  EXPECT_TRUE(GVSavePng(GVScreenImage(), (old_ / "help_page.png").c_str()));
}

TEST_F(HelpWindow, CountsAndLineEndsAndMissingFiles) {
  write("crlf", 5, "a\r\r\nb\r\n");  // bytes past the count are ignored
  GVShowHelpPage("crlf", 0);
  EXPECT_STREQ(GVHelpWindow()->text(), "a\r\nb");
  write("crlf", 4, "a\r\nb");
  GVShowHelpPage("crlf", 0);
  EXPECT_STREQ(GVHelpWindow()->text(), "a\nb");
  write("zero", 0, "ignored");
  GVShowHelpPage("zero", 0);
  EXPECT_STREQ(GVHelpWindow()->text(), "a\nb");
  write("huge", 0x7fffffff, "0123456789abcdef");  // 20 bytes in all
  GVShowHelpPage("huge", 0);
  EXPECT_STREQ(GVHelpWindow()->text(), "0123456789abcdef");
  GVShowHelpPage("nosuch", 0);
  settle();
  EXPECT_FALSE(IsWindowVisible(GVHelpWindow()->popup));
  HWND box = FindWindowA("DialogWindowClass", "Gv Message");
  ASSERT_TRUE(box);
  auto* dlg = reinterpret_cast<HwMessageDlg*>(GetWindowLongA(box, GWL_USERDATA));
  EXPECT_EQ(dlg->text, "Gv error: cannot open helpfile " + std::string(GVHelpFilesDir()) + "/nosuch.hhf");
}

}  // namespace
