#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "appwins/anim_dialog.h"
#include "appwins/app_main_win.h"
#include "appwins/editor_bar.h"
#include "appwins/help_window.h"
#include "appwins/menu_bar.h"
#include "appwins/message_dlg.h"
#include "appwins/tool_dialogs.h"
#include "main_window_fixture.h"
#include "scene/work_folders.h"
#include "toolkit/buttons.h"
#include "toolkit/choosers.h"
#include "toolkit/label.h"
#include "toolkit/multi_list.h"

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

void addItems(std::set<std::string>& labels, const QwMultiList* list) {
  for (int l = 0; list && l < list->listCount; ++l)
    for (int i = 0; i < list->table[l].count; ++i) labels.insert(list->table[l].items[i].text);
}

// Every label the overview pages quote is one the main window shows: menus,
// choosers and their items, the panels' buttons (also as they read once pressed).
TEST_F(HelpWindow, OverviewPagesQuoteOnlyLabelsTheMainWindowShows) {
  std::set<std::string> labels;
  GVMenuBar* menu = win_->menuBar;
  for (HwMenuButton* m : {menu->file, menu->create, menu->help}) {
    labels.insert(m->label);
    addItems(labels, m->multiList);
  }
  labels.insert(menu->notes->label);
  menu->notesShown = 1;
  GVSetNotesButtonTitle(menu);
  labels.insert(menu->notes->label);
  for (HwDropDownCntrl* c : {win_->geoDisplay, win_->jelDisplay, win_->fpsChooser}) {
    labels.insert(c->label->text);
    addItems(labels, c->multiList);
  }
  for (HwBMButton* b : win_->cameraPanel->buttons) labels.insert(b->label);
  for (HwBMButton* b : win_->selectorBar->buttons) labels.insert(b->label);
  GVAnimDialog* anim = win_->animationPanel;
  labels.insert(anim->modeButton->label);
  labels.insert(anim->stateButton->label);
  GVSetAnimInitButton(anim, -1);
  labels.insert(anim->stateButton->label);

  int quoted = 0;
  for (const char* topic : {"hlp_whatgv", "hlp_cntlsoverview", "hlp_helpoverview"}) {
    GVShowHelpPage(topic, 0);
    const std::string text = GVHelpWindow()->text();
    for (size_t at = text.find('"'); at != std::string::npos; at = text.find('"', at + 1)) {
      const size_t end = text.find('"', at + 1);
      ASSERT_NE(end, std::string::npos) << topic;
      EXPECT_TRUE(labels.count(text.substr(at + 1, end - at - 1))) << topic << ": " << text.substr(at, end - at + 1);
      ++quoted;
      at = end;
    }
  }
  EXPECT_GE(quoted, 20);  // the pages name the controls by their labels
  for (const char* kept : {"File", "Create", "Help", "INIT", "NAT", "REC", "Pa", "Zo", "Fix POI", "Set POI", "Atc"})
    EXPECT_TRUE(labels.count(kept)) << kept;
}

}  // namespace
