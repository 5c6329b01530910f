// Every help page as a user reaches it in the running program: the Help
// menu's three pages, and the page of each panel and editor from a double
// click on its background, the editors and side panels opened from the
// selector bar. The help window then shows that page's text on the screen.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "program_fixture.h"
#include "app/service_installers.h"
#include "appwins/anim_dialog.h"
#include "appwins/editor_bar.h"
#include "appwins/help_window.h"
#include "appwins/key_frame_bar.h"
#include "appwins/logic_cntrl.h"
#include "appwins/menu_bar.h"
#include "appwins/tool_dialogs.h"
#include "appwins/vehicle_panel.h"
#include "editors/editor_entries.h"
#include "scene/scene_services.h"
#include "scene/work_folders.h"
#include "toolkit/dialog_window.h"
#include "toolkit/frames.h"

namespace fs = std::filesystem;

namespace {

class HelpRun : public ProgramTest {
 public:
  // The program with every editor, run from a folder that holds the shipped
  // help pages.
  void SetUp() override {
    StartProgram(true);
    old_ = fs::current_path();
    root_ = fs::temp_directory_path() / ("gv_help_run_" + std::to_string(getpid()));
    fs::create_directories(root_);
    fs::copy(fs::path(GV_PROJECT_ROOT) / "GVHelpFiles", root_ / "GVHelpFiles");
    fs::current_path(root_);
    ASSERT_EQ(GVInitFolders(), 1);
    settle();
  }
  void TearDown() override {
    CloseMainWindow();
    GVRemoveEditorEntries();
    GVSetSceneServices(saved_);
    fs::current_path(old_);
    fs::remove_all(root_);
  }
  // A point where the window itself, not one of its controls, takes the click.
  static POINT background(HWND w) {
    const RECT r = rectOf(w);
    for (int y = r.top; y < r.bottom; y += 2)
      for (int x = r.left; x < r.right; x += 2)
        if (WindowFromPoint(POINT{x, y}) == w) return POINT{x, y};
    return POINT{-1, -1};
  }
  void doubleClickBackground(HWND w, const std::string& topic) {
    const POINT p = background(w);
    ASSERT_GE(p.x, 0) << topic;
    click(p, 2);
  }
  // The help window shows the topic: its page's text, and on the screen ink
  // in the first lines of its text area that no page shown before had.
  void expectShown(const std::string& topic) {
    HwScrollWinTxt* help = GVHelpWindow();
    ASSERT_NE(help, nullptr) << topic;
    EXPECT_TRUE(help->isVisible()) << topic;
    EXPECT_EQ(help->topic, topic);
    std::string page;
    ASSERT_EQ(GVReadHelpFile((root_ / "GVHelpFiles" / (topic + ".hhf")).c_str(), page), 1) << topic;
    GVDropCrBeforeLf(page);
    EXPECT_EQ(help->text(), page) << topic;
    // Left of where the editors open, so none of them covers it.
    const RECT r = rectOf(help->textWin->window);
    int ink = 0;
    uint64_t hash = 1469598103934665603ull;
    for (int y = r.top; y < r.top + 150; y++)
      for (int x = r.left; x < r.left + 400; x++) {
        const COLORREF c = screen(x, y);
        ink += c != RGB(220, 220, 220);
        hash = (hash ^ c) * 1099511628211ull;
      }
    EXPECT_GT(ink, 500) << topic;
    EXPECT_TRUE(shown_.insert(hash).second) << topic << " looks like a page shown before";
  }
  fs::path old_, root_;
  std::set<uint64_t> shown_;
};

TEST_F(HelpRun, EveryPageOpensFromTheHelpMenuOrItsWindowsDoubleClick) {
  const char* const menuPages[] = {"hlp_whatgv", "hlp_cntlsoverview", "hlp_helpoverview"};
  for (int row = 1; row <= 3; ++row) {
    pick(win_->menuBar->help, row);
    expectShown(menuPages[row - 1]);
  }

  // The panels that are always there.
  const std::pair<const char*, HWND> panels[] = {{"dlg_anim", win_->animationPanel->frame->inner},
                                                 {"dlg_move", win_->moveToolPanel->frame->inner},
                                                 {"dlg_cam", win_->cameraPanel->frame->inner},
                                                 {"dlg_kfbc", win_->keyFrameBar->frame->inner}};
  for (const auto& [topic, window] : panels) {
    doubleClickBackground(window, topic);
    expectShown(topic);
  }

  // The selector bar's buttons, left to right: each opens its editor or side
  // panel, whose background is double-clicked, and closes it again.
  const char* const selectorPages[kEditorBarButtons] = {
      "dlg_istate", "dlg_mat",   "dlg_struct", "dlg_part", "dlg_hgrp", "dlg_edglue", "dlg_edgeo", "dlg_ggrp",
      "dlg_kf",     "dlg_edgog", "dlg_grend",  "dlg_walls", "dlg_lcd", "dlg_vhcl",   "dlg_scene", "dlg_lights"};
  GVEditorBar* bar = win_->selectorBar;
  for (int i = 0; i < kEditorBarButtons; ++i) {
    const std::string topic = selectorPages[i];
    click(bar->buttons[i]->face);
    const int code = bar->links[i].code;
    HWND window = code == kEditorLogicPanel     ? win_->logicPanel->frame->inner
                  : code == kEditorVehiclePanel ? win_->vehiclePanel->frame.inner
                  : win_->editors[code]         ? win_->editors[code]->client
                                                : nullptr;
    ASSERT_TRUE(window && IsWindowVisible(window)) << topic;
    doubleClickBackground(window, topic);
    expectShown(topic);
    click(bar->buttons[i]->face);
    EXPECT_FALSE(IsWindowVisible(window)) << topic;
  }
  EXPECT_TRUE(GVSaveScreenPng((old_ / "help_run.png").c_str()));
}

// The README's fourth first step names every button of the selector bar, left
// to right, by its tooltip, and the dialog it opens by that dialog's title.
TEST_F(HelpRun, ReadmeNamesTheSelectorBarsButtonsAndTheirDialogs) {
  std::ifstream readme(fs::path(GV_PROJECT_ROOT) / "README.md");
  ASSERT_TRUE(readme);
  std::vector<std::pair<std::string, std::string>> named;  // tooltip, dialog title or ""
  bool inStep = false;
  for (std::string line; std::getline(readme, line);) {
    if (line.rfind("4. ", 0) == 0) inStep = true;
    if (line.rfind("5. ", 0) == 0) break;
    if (!inStep || line.rfind("   - ", 0) != 0) continue;
    std::vector<std::string> quoted;
    for (size_t a = line.find('"'), b; a != std::string::npos; a = line.find('"', b + 1)) {
      if ((b = line.find('"', a + 1)) == std::string::npos) break;
      quoted.push_back(line.substr(a + 1, b - a - 1));
    }
    ASSERT_FALSE(quoted.empty()) << line;
    named.emplace_back(quoted[0], quoted.size() > 1 ? quoted[1] : "");
  }
  GVEditorBar* bar = win_->selectorBar;
  ASSERT_EQ(named.size(), size_t(kEditorBarButtons));
  for (int i = 0; i < kEditorBarButtons; ++i) {
    EXPECT_EQ(named[i].first, bar->buttons[i]->toolTip) << i;
    if (named[i].second.empty()) continue;
    click(bar->buttons[i]->face);
    HwDialogWindow* dialog = win_->editors[bar->links[i].code];
    ASSERT_TRUE(dialog && dialog->popup) << named[i].first;
    char title[128] = "";
    GetWindowTextA(dialog->popup, title, sizeof title);
    EXPECT_EQ(named[i].second, title) << named[i].first;
    click(bar->buttons[i]->face);
  }
}

}  // namespace
