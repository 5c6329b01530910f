// The File menu chosen in the main window as the program makes it: a new
// scene, the background images written by the view, and Exit.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "program_fixture.h"
#include "app/app_windows.h"
#include "appwins/menu_bar.h"
#include "appwins/notes_window.h"
#include "geo/geo_from_jel.h"
#include "mixed_jels.h"
#include "logic/line_services.h"
#include "logic/program_store.h"
#include "scene/menu_commands.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/work_folders.h"
#include "toolkit/buttons.h"
#include "toolkit/multi_list.h"
#include "vehicle/vehicle_commands.h"

namespace {

// Jels in group 1 and outside it, and a Geo made from the first.
void AddObjects() {
  AddMixedJels();
  GVCreateGeoFromJel(GVScene().geoList, GVJelOf(GVFindJel(GVScene().world, 1)), "Skin");
}

class MenuRun : public ProgramTest {
 public:
  void SetUp() override {
    StartScreen();
    OpenMainWindow();
    settle();
  }
  void TearDown() override {
    CloseMainWindow();
  }
};

TEST_F(MenuRun, NewSceneEmptiesTheSceneAndTheBackgroundImagesAreWritten) {
  AddObjects();
  ASSERT_NE(GVWorldOf(GVScene().world)->head, nullptr);
  pick(win_->menuBar->file, 1);
  EXPECT_EQ(GVWorldOf(GVScene().world)->head, nullptr);
  EXPECT_EQ(GVGeoListOf(GVScene().geoList)->head, nullptr);
  EXPECT_NE(GVLogicGetLine(GVScene().logic, 1, 5), nullptr);

  // Both images hold what the view's client area shows.
  const std::string root = GVRootDir();
  for (const char* name : {kBGImageJpg, kBGImagePng}) std::remove((root + "/" + name).c_str());
  pick(win_->menuBar->file, 9);
  pick(win_->menuBar->file, 10);
  RECT client;
  GetClientRect(win_->view->window, &client);
  unsigned char head[24] = {};
  FILE* png = std::fopen((root + "/" + kBGImagePng).c_str(), "rb");
  ASSERT_NE(png, nullptr);
  ASSERT_EQ(std::fread(head, 1, sizeof head, png), sizeof head);
  std::fclose(png);
  auto be32 = [&](int at) { return (head[at] << 24) | (head[at + 1] << 16) | (head[at + 2] << 8) | head[at + 3]; };
  EXPECT_EQ(be32(16), client.right);
  EXPECT_EQ(be32(20), client.bottom);
  FILE* jpg = std::fopen((root + "/" + kBGImageJpg).c_str(), "rb");
  ASSERT_NE(jpg, nullptr);
  ASSERT_EQ(std::fread(head, 1, 3, jpg), 3u);
  std::fclose(jpg);
  EXPECT_EQ(head[0], 0xFF);
  EXPECT_EQ(head[1], 0xD8);
  EXPECT_EQ(head[2], 0xFF);

  // Help pages and the notes window open from the menu bar (the pages copied
  // into the folder the program reads them from).
  std::filesystem::create_directories(GVHelpFilesDir());
  std::filesystem::copy_file(std::string(GV_PROJECT_ROOT) + "/GVHelpFiles/hlp_whatgv.hhf",
                             std::string(GVHelpFilesDir()) + "/hlp_whatgv.hhf",
                             std::filesystem::copy_options::overwrite_existing);
  pick(win_->menuBar->help, 1);
  ASSERT_NE(GVHelpWindow(), nullptr);
  EXPECT_TRUE(GVHelpWindow()->isVisible());
  GVMenuCommand(kMenuNotes, 1, 1, win_);
  ASSERT_NE(GVNotesWindow(), nullptr);
  EXPECT_TRUE(GVNotesWindow()->isVisible());
  GVMenuCommand(kMenuNotes, 1, 0, win_);
  EXPECT_FALSE(GVNotesWindow()->isVisible());
}

TEST(MenuExit, ExitEndsWithStatusTwoWithAVehicleProgramsAndJelsOutsideGroupOne) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        GVTestReset();
        GVAppStartup();
        AddObjects();
        GVInstallAppWindows();
        GVRegisterWindowClasses(GetModuleHandleA(nullptr));
        GVCreateMainWindow(GetModuleHandleA(nullptr));
        GVMakeVehicle(1, 0, 0, 0, 32);
        GVLogicEnsureLine(GVScene().logic, 1);
        GVLogicEnsureLine(GVScene().logic, 2);
        GVMenuCommand(kMenuFile, 11, 0, GVMainAppWin());
        std::exit(5);  // not reached
      },
      testing::ExitedWithCode(2), "");
}

}  // namespace
