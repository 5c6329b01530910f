#include "scene/work_folders.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "scene/app_lifecycle.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"

namespace fs = std::filesystem;

namespace {

std::string gShown;

// A temporary tree; the test runs inside one of its folders and goes back.
class Folders : public testing::Test {
 protected:
  void SetUp() override {
    back_ = fs::current_path();
    base_ = fs::temp_directory_path() / ("gv_folders_" + std::to_string(getpid()));
    fs::create_directories(base_);
  }
  void TearDown() override {
    fs::current_path(back_);
    fs::remove_all(base_);
  }
  std::string enter(const std::string& sub) {
    fs::create_directories(base_ / sub);
    fs::current_path(base_ / sub);
    return fs::current_path().string();
  }
  fs::path back_, base_;
};

TEST_F(Folders, RootDropsOnlyAWholeLastBuildFolder) {
  const std::string sim = enter("Tools/Sim/Release");
  ASSERT_EQ(GVInitFolders(), 1);
  const std::string root = sim.substr(0, sim.size() - 8);
  EXPECT_EQ(GVRootDir(), root);
  EXPECT_EQ(GVSceneFilesDir(), root + "/GVSceneFiles");
  EXPECT_EQ(GVScriptsDir(), root + "/media/materials/scripts");
  for (const char* kept : {"Tools/Sim/release", "Tools/robin", "Tools/xDebug"}) {
    const std::string whole = enter(kept);
    ASSERT_EQ(GVInitFolders(), 1);
    EXPECT_EQ(GVRootDir(), whole);
  }
  const std::string bin = enter("Tools/bin");
  ASSERT_EQ(GVInitFolders(), 1);
  EXPECT_EQ(GVRootDir(), bin.substr(0, bin.size() - 4));
  // A build folder at the top leaves the file-system root: refused as "/" is.
  for (const char* top : {"/", "/bin", "/Debug", "/Release"}) EXPECT_EQ(GVRootOfDirectory(top), "") << top;
  EXPECT_EQ(GVRootOfDirectory("/a/bin"), "/a");

  // Paths longer than any fixed buffer are kept whole.
  const std::string deep = enter(std::string(120, 'd') + "/" + std::string(120, 'e') + "/" + std::string(120, 'f'));
  ASSERT_EQ(GVInitFolders(), 1);
  EXPECT_EQ(GVRootDir(), deep);
  EXPECT_EQ(GVSetDirTutorials(), 0);
  EXPECT_EQ(GVCurrentFolder(), deep + "/Tutorials");
}

TEST_F(Folders, SceneFoldersFallBackAndScriptsAreFoundWithoutMovingUs) {
  const std::string root = enter("app");
  fs::create_directories(base_ / "app/GVSceneFiles/Jels");
  fs::create_directories(base_ / "app/media/materials/scripts");
  std::ofstream(base_ / "app/media/materials/scripts/a.material") << "x";
  ASSERT_EQ(GVInitFolders(), 1);
  ASSERT_NE(GVSetDirScenes(), 0);  // no Scenes folder: the scene files folder
  EXPECT_EQ(fs::current_path().string(), root + "/GVSceneFiles");
  ASSERT_NE(GVSetDirJels(), 0);
  EXPECT_EQ(fs::current_path().string(), root + "/GVSceneFiles/Jels");
  EXPECT_EQ(GVSetDirTutorials(), 0);
  EXPECT_EQ(GVCurrentFolder(), root + "/Tutorials");  // the last path tried
  ASSERT_NE(GVSetDirRoot(), 0);
  EXPECT_EQ(GVMaterialScriptExists("a.material"), 1);
  EXPECT_EQ(GVMaterialScriptExists("b.material"), 0);
  EXPECT_EQ(fs::current_path().string(), root);
  EXPECT_EQ(GVCurrentFolder(), root + "/media/materials/scripts");
}

TEST_F(Folders, StartUpAtTheFileSystemRootIsRefused) {
  SceneServices sv;
  sv.showMessage = [](const char* text) { gShown = text; };
  GVSetSceneServices(sv);
  fs::current_path("/");
  GVAppStartup();
  GVSetSceneServices(SceneServices());
  EXPECT_EQ(gShown, "Gelvane cannot get current directory");
  EXPECT_EQ(GVScene().world, nullptr);
  EXPECT_EQ(GVScene().geoList, nullptr);
  GVAppShutdown();  // nothing to free
}

}  // namespace
