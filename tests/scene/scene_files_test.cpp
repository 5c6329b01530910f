#include "scene/scene_files.h"

#include <sys/resource.h>

#include <csignal>

#include "mgvb_scenes.h"
#include "sample_scenes.h"
#include "work_root.h"

namespace scenetest {
namespace {

using SceneFiles = RootScene;

int32_t CountJels() {
  int32_t n = 0;
  for (HObject* j = GVWorldOf(GVScene().world)->head; j; j = GVNextJel(j)) ++n;
  return n;
}

TEST_F(SceneFiles, FolderAndFileCodesAndTheScenesFolderFallback) {
  EnterRoot();  // no Tutorials folder, no Scenes sub-folder
  EXPECT_EQ(GVLoadTutorialScene("JelDropTutorial.gvs", &cameraCell, &notes), kSceneFileNoFolder);
  EXPECT_EQ(GVLoadSceneStream("missing.gvs", &cameraCell, &notes), kSceneFileNoFile);
  EXPECT_EQ(fs::path(GVCurrentFolder()), fs::current_path());
  EXPECT_EQ(fs::current_path(), root_);

  // Saved into and loaded from the scene files folder itself.
  ASSERT_TRUE(GVBuildSampleScene(kSampleJelDrop));
  ASSERT_NE(GVSaveScene("drop.gvs", &notes, &cameraCell, GVScene().bounds), 0);
  EXPECT_TRUE(fs::exists(root_ / "GVSceneFiles/drop.gvs"));
  EXPECT_EQ(Files(root_ / "GVSceneFiles").size(), 1u);
  const std::string saved = Summary();
  Restart();
  EnterRoot();
  EXPECT_EQ(GVLoadSceneStream("drop.gvs", &cameraCell, &notes), 0);
  EXPECT_EQ(Summary(), saved);
  EXPECT_EQ(fs::current_path(), root_);
}

TEST_F(SceneFiles, SaveReplacesTheFileOnlyWhenTheNewOneIsComplete) {
  fs::create_directories(root_ / "GVSceneFiles/Scenes");
  EnterRoot();
  const fs::path file = root_ / "GVSceneFiles/Scenes/keep.gvs";
  ASSERT_NE(GVSaveScene("keep.gvs", &notes, &cameraCell, GVScene().bounds), 0);
  const std::vector<char> old = Bytes(file);
  ASSERT_TRUE(GVBuildSampleScene(kSampleJelDrop));

  // A file system that takes no more than 64 bytes per file.
  struct rlimit before;
  getrlimit(RLIMIT_FSIZE, &before);
  struct rlimit small = before;
  small.rlim_cur = 64;
  auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  const int32_t failed = GVSaveScene("keep.gvs", &notes, &cameraCell, GVScene().bounds);
  setrlimit(RLIMIT_FSIZE, &before);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(failed, 0);
  EXPECT_EQ(Bytes(file), old);
  EXPECT_EQ(Files(file.parent_path()).size(), 1u);  // no temporary left behind
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "Warning: could not save scene file: keep.gvs");

  // The replaced file keeps its permissions.
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
  ASSERT_NE(GVSaveScene("keep.gvs", &notes, &cameraCell, GVScene().bounds), 0);
  EXPECT_NE(Bytes(file), old);
  EXPECT_GT(Bytes(file).size(), old.size());
  EXPECT_EQ(Files(file.parent_path()).size(), 1u);
  EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(messages.size(), 1u);
  // A name no folder can hold is refused by the file system, the old file kept.
  EXPECT_EQ(GVSaveScene(std::string(300, 'n').c_str(), &notes, &cameraCell, GVScene().bounds), 0);
  EXPECT_EQ(Files(file.parent_path()).size(), 1u);
  // No folder to save into: said, not skipped.
  messages.clear();
  fs::rename(root_ / "GVSceneFiles", root_ / "Elsewhere");
  EXPECT_EQ(GVSaveScene("keep.gvs", &notes, &cameraCell, GVScene().bounds), 0);
  EXPECT_EQ(messages, std::vector<std::string>{"Warning: could not save scene file: keep.gvs"});
  EXPECT_EQ(fs::current_path(), root_);
}

// Every shipped run-time file opens through its wrapper and plays 50 frames.
TEST_F(SceneFiles, EveryShippedFileOpensThroughItsWrapperAndPlays) {
  Ship("GVSceneFiles/Scenes");
  Ship("GVSceneFiles/ScenesMGVB");
  Ship("Tutorials");
  EnterRoot();
  struct Case {
    std::string folder;
    std::function<int32_t(const char*)> open;
  };
  const std::vector<Case> cases = {
      {"GVSceneFiles/Scenes", [&](const char* n) { return GVLoadSceneStream(n, &cameraCell, &notes); }},
      {"Tutorials", [&](const char* n) { return GVLoadTutorialScene(n, &cameraCell, &notes); }},
      {"GVSceneFiles/ScenesMGVB", [&](const char* n) { return GVOpenMGVB(n) == 1 ? 0 : -1; }},
  };
  int opened = 0;
  for (const Case& c : cases)
    for (const fs::path& p : Files(root_ / c.folder)) {
      SCOPED_TRACE(p.string());
      Restart();
      CatchMessages();
      EnterRoot();
      ASSERT_EQ(c.open(p.filename().c_str()), 0);
      EXPECT_TRUE(messages.empty());
      EXPECT_GT(CountJels(), 0);
      for (float y : PlayTo(50)) ASSERT_TRUE(std::isfinite(y));
      ++opened;
    }
  // Object files are imported from the Scenes folder, where the files list finds them.
  for (const char* folder : {"Geos", "Jels"})
    for (const fs::path& p : Files(fs::path(GV_PROJECT_DIR) / "GVSceneFiles" / folder)) {
      SCOPED_TRACE(p.string());
      Restart();
      EnterRoot();
      fs::copy_file(p, root_ / "GVSceneFiles/Scenes" / p.filename(), fs::copy_options::overwrite_existing);
      int32_t geo = 0, jel = 0;
      ASSERT_EQ(GVImportObjectsStream(p.filename().c_str(), &cameraCell, 1 | 16, &geo, &jel), 0);
      EXPECT_GT(CountJels() + (GVGeoListOf(GVScene().geoList)->head ? 1 : 0), 0);
      for (float y : PlayTo(50)) ASSERT_TRUE(std::isfinite(y));
      ++opened;
    }
  EXPECT_EQ(opened, kSampleSceneCount + 2 + 2 + 2);
}

}  // namespace
}  // namespace scenetest
