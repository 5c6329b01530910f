#include "scene/file_handlers.h"

#include "dynamics/world_runner.h"
#include "geo/geo_list.h"
#include "geo/mesh_bounds.h"
#include "sample_scenes.h"
#include "scene/app_selection.h"
#include "scene/display_settings.h"
#include "scene/scene_files.h"
#include "scene/scene_opts.h"
#include "work_root.h"

namespace scenetest {
namespace {

// What the main window and its view were asked to do.
struct FakeWindow {
  int32_t first = 0, last = 200;
  std::string name, status, saveDialog, notes;
  int32_t saveMode = 0;
  int builds = 0;
  std::vector<std::pair<int32_t, int32_t>> panels;
  int32_t geo[3] = {7, 0, 0}, jel[3] = {3, 2, 0};
  CameraRec view, scene;
};
FakeWindow* gWin = nullptr;

class FileHandlers : public RootScene {
 protected:
  void SetUp() override {
    RootScene::SetUp();
    Ship("GVSceneFiles/Scenes");
    fs::create_directories(root_ / "GVSceneFiles/Geos");
    Window();
    EnterRoot();
  }
  void TearDown() override {
    gWin = nullptr;
    RootScene::TearDown();
  }
  // Fresh records and a fresh window after a restart.
  void Window() {
    win = FakeWindow();
    gWin = &win;
    GVCameraInit(&win.view);
    GVCameraInit(&win.scene);
    SceneServices s = GVSceneServices();
    s.showStatusLine = [](const char* t) { gWin->status = t; };
    s.viewExists = s.mainWindowExists = []() -> int32_t { return 1; };
    s.setTimeBarRange = [](int32_t a, int32_t b) { gWin->first = a, gWin->last = b; };
    s.timeBarRange = [](int32_t* a, int32_t* b) -> int32_t { return *a = gWin->first, *b = gWin->last, 1; };
    s.sceneName = []() -> const char* { return gWin->name.c_str(); };
    s.setSceneName = [](const char* n) { gWin->name = n; };
    s.buildRenderScene = [](int32_t, int32_t) { ++gWin->builds; };
    s.resetRenderExtras = [] {  // as the renderer's reset does
      GVSceneOptsClear(GVScene().options);
      GVResetDisplaySettings(GVScene().display);
    };
    s.updatePanels = [](int32_t g, int32_t j) { gWin->panels.push_back({g, j}); };
    s.viewCamera = [] { return &gWin->view; };
    s.viewStartCamera = [] { return &gWin->scene; };
    s.currentGeoRecord = [] { return gWin->geo; };
    s.currentJelRecord = [] { return gWin->jel; };
    s.showSaveDialog = [](int32_t mode, const char* n) { gWin->saveMode = mode, gWin->saveDialog = n; };
    s.checkRenameName = [](char* n) -> int32_t { return n[0] && !std::strchr(n, '/') ? 1 : -1; };
    s.setSceneNotes = [](const char* t) { gWin->notes = t; };
    s.notesText = []() -> char* {
      char* text = new char[gWin->notes.size() + 1];
      std::memcpy(text, gWin->notes.c_str(), gWin->notes.size() + 1);
      return text;
    };
    GVSetSceneServices(s);
  }
  void Reopen() {
    Restart();
    CatchMessages();
    Window();
  }
  // The JelDrop sample saved as "Sample.gvs" with a play range, a small box
  // and the natural state being edited.
  void SaveSample() {
    ASSERT_TRUE(GVBuildSampleScene(kSampleJelDrop));
    SceneRecords& sc = GVScene();
    GVSetWorldStateMode(GVWorldOf(sc.world), -1);
    sc.bounds[1] = 1.0f;
    sc.display->renderValue1 = 0.75f;
    win.first = 5, win.last = 150;
    GVSetWorldFrameParam(sc.world, 80);
    GVSetWorldLoop(GVWorldOf(sc.world), 1);
    GVSaveSceneCB(0, 0x218, "Sample", &win);
    ASSERT_TRUE(fs::exists(root_ / "GVSceneFiles/Scenes/Sample.gvs"));
  }
  FakeWindow win;
};

TEST_F(FileHandlers, OpenRestoresTheSceneAndPlays) {
  SaveSample();
  Reopen();
  GVFileOpenCB(0x220, "Sample.gvs", &win);
  EXPECT_TRUE(messages.empty());
  SceneRecords& sc = GVScene();
  HWorld* world = GVWorldOf(sc.world);
  EXPECT_EQ(win.first, 5);
  EXPECT_EQ(win.last, 150);
  EXPECT_EQ(world->params.loopLength, 80);
  EXPECT_EQ(world->params.loopFlag, 1);
  EXPECT_EQ(world->params.stateMode, 0);
  EXPECT_EQ(sc.display->renderValue1, 0.75f);  // the file's settings, not the reset's
  EXPECT_EQ(win.name, "Sample.gvs");
  // The bounds were fitted around every Geo, margin 1.
  float box[6];
  for (GObject* g = GVGeoListOf(sc.geoList)->head; g; g = g->next)
    if (GVGetGeoBounds(g, box)) EXPECT_GE(sc.bounds[1], box[1] + 0.999f);
  EXPECT_GT(sc.bounds[1], 1.0f);
  // The first Geo and the first group-1 Jel are current; the view holds none.
  EXPECT_EQ(GVAppSelection().geoId, GVGeoListOf(sc.geoList)->head->id);
  EXPECT_EQ(GVAppSelection().jelId, world->head->id);
  EXPECT_EQ(win.geo[0], 0);
  EXPECT_EQ(win.jel[0], 0);
  EXPECT_EQ(win.panels.back(), std::make_pair(GVAppSelection().geoId, GVAppSelection().jelId));
  EXPECT_EQ(win.builds, 1);
  EXPECT_EQ(GVSceneReloading(), 0);
  EXPECT_EQ(GVFrameClock().currentFrame, 0);
  EXPECT_EQ(world->params.currentFrame, 0);
  for (float y : PlayTo(100)) ASSERT_TRUE(std::isfinite(y));
}

TEST_F(FileHandlers, FailedOpensKeepThePlayingSceneAndSayWhy) {
  SaveSample();
  std::vector<char> bytes = Bytes(root_ / "GVSceneFiles/Scenes/Sample.gvs");
  bytes.resize(bytes.size() / 2);
  if (FILE* f = std::fopen((root_ / "GVSceneFiles/Scenes/Cut.gvs").c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  GVFileOpenCB(0x220, "Sample.gvs", &win);
  PlayTo(20);
  const std::string open = Summary();
  const int builds = win.builds;
  GVFileOpenCB(0x220, "Cut.gvs", &win);
  GVFileOpenCB(0x220, "Missing.gvs", &win);
  GVFileOpenCB(0x1020, "JelDropTutorial.gvs", &win);  // no Tutorials folder
  const std::string failed = "Warning: could not open scene file \"";
  const std::vector<std::string> expected = {
      failed + "Cut.gvs\": it is damaged (the sizes it gives for its data are impossible).",
      failed + "Missing.gvs\": there is no such file.",
      failed + "JelDropTutorial.gvs\": its folder could not be entered."};
  EXPECT_EQ(messages, expected);
  EXPECT_EQ(Summary(), open);
  EXPECT_EQ(GVScene().display->renderValue1, 0.75f);
  EXPECT_EQ(win.name, "Sample.gvs");
  EXPECT_EQ(win.builds, builds);
  EXPECT_EQ(GVWorldOf(GVScene().world)->params.currentFrame, 20);
  PlayTo(40);
  EXPECT_EQ(GVWorldOf(GVScene().world)->params.currentFrame, 40);

  // No type bit: only the frame counters go back and frame 0 is stepped.
  GVFrameClock().currentFrame = 40;
  GVFileOpenCB(0x20, "Sample.gvs", &win);
  EXPECT_EQ(GVFrameClock().currentFrame, 0);
  EXPECT_EQ(GVWorldOf(GVScene().world)->params.currentFrame, 0);
  EXPECT_EQ(Summary(), open);
  EXPECT_EQ(win.builds, builds);
  // Without a main window nothing happens.
  GVFileOpenCB(0x220, "Missing.gvs", nullptr);
  EXPECT_EQ(messages.size(), 3u);
}

// Importing a scene's lights alone (0x800 with bit 27) through the files
// list: the lights change and nothing else, bounds and cameras included.
TEST_F(FileHandlers, LightsOnlyImportTakesTheLightsAndNothingElse) {
  SaveSample();  // bounds x max 1
  GVAddLight(GVScene().lights);
  GVAddLight(GVScene().lights);
  GVSaveSceneCB(0, 0x218, "Sample", &win);
  const int32_t fileLights = GVScene().lights->count;
  Reopen();
  ASSERT_TRUE(GVBuildSampleScene(kSampleVehicle));
  GVFileOpenCB(0x20, "", &win);  // the closing steps alone, as after any open
  win.view.eye[0] = -5.0f;
  win.scene.eye[0] = -5.0f;
  const std::string before = Summary();
  const int32_t sceneLights = GVScene().lights->count;
  ASSERT_NE(sceneLights, fileLights);
  GVFileOpenCB(0x20 | 0x800 | 1u << 27, "Sample.gvs", &win);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(GVScene().lights->count, fileLights);
  std::string after = Summary();
  const std::string was = "lights " + std::to_string(sceneLights), is = "lights " + std::to_string(fileLights);
  EXPECT_EQ(after.replace(after.find(is), is.size(), was), before);
  EXPECT_EQ(win.view.eye[0], -5.0f);
  EXPECT_EQ(win.scene.eye[0], -5.0f);
}

// Each shipped scene opened and saved again gives the file's bytes; so does a
// scene saved in natural-state mode, and one saved after playing.
TEST_F(FileHandlers, ScenesOpenedAndSavedAgainAreTheSameFile) {
  const auto sameAfterOpen = [&](const std::string& name) {
    GVFileOpenCB(0x220, (name + ".gvs").c_str(), &win);
    ASSERT_TRUE(messages.empty()) << name;
    GVSaveSceneCB(0, 0x218, "Again", &win);
    EXPECT_EQ(Bytes(root_ / "GVSceneFiles/Scenes/Again.gvs"), Bytes(root_ / "GVSceneFiles/Scenes" / (name + ".gvs")))
        << name;
  };
  for (const char* name : {"JelDrop", "LogicCommands", "Vehicle2x2"}) sameAfterOpen(name);
  ASSERT_TRUE(GVBuildSampleScene(kSampleJelDrop));
  GVSetWorldStateMode(GVWorldOf(GVScene().world), -1);
  GVSaveSceneCB(0, 0x218, "Natural", &win);
  sameAfterOpen("Natural");
  // Saved at frame 20, with the key-framed box away from its start.
  PlayTo(20);
  GVSaveSceneCB(0, 0x218, "Played", &win);
  sameAfterOpen("Played");
}

// Ints changed inside a valid container reach the item readers: each damaged
// file either opens (and plays) or is refused, and a refusal leaves the open
// scene, vehicle included, to be saved again byte for byte.
TEST_F(FileHandlers, DamagedIntsOpenOrLeaveTheSceneAsItWas) {
  const fs::path scenes = root_ / "GVSceneFiles/Scenes";
  const std::vector<char> good = Bytes(scenes / "LogicCommands.gvs");
  uint32_t byteCount = 0, intCount = 0;
  std::memcpy(&byteCount, good.data(), 4);
  std::memcpy(&intCount, good.data() + 4, 4);
  GVFileOpenCB(0x220, "Vehicle2x2.gvs", &win);
  GVSaveSceneCB(0, 0x218, "Before", &win);
  const std::vector<char> before = Bytes(scenes / "Before.gvs");
  int refused = 0;
  for (uint32_t k = 2; k < intCount; k += intCount / 25 + 1) {
    for (int32_t value : {-1, 1 << 30}) {
      std::vector<char> bad = good;
      std::memcpy(bad.data() + 16 + byteCount + 4 * k, &value, 4);
      if (FILE* f = std::fopen((scenes / "Damaged.gvs").c_str(), "wb")) {
        std::fwrite(bad.data(), 1, bad.size(), f);
        std::fclose(f);
      }
      messages.clear();
      GVFileOpenCB(0x220, "Damaged.gvs", &win);
      if (messages.empty()) {  // it opened: it plays, and the vehicle's scene comes back
        PlayTo(5);
        GVFileOpenCB(0x220, "Vehicle2x2.gvs", &win);
        continue;
      }
      ++refused;
      GVSaveSceneCB(0, 0x218, "After", &win);
      ASSERT_EQ(Bytes(scenes / "After.gvs"), before) << k << " " << value;
    }
  }
  EXPECT_GT(refused, 5);
}

TEST_F(FileHandlers, SaveNamesExportNamesAndImportModes) {
  win.name = "abc.gvs";
  GVSaveSceneCB(0, 0x214, "other", &win);  // Enter in the name field names nothing
  EXPECT_EQ(win.name, "abc.gvs");
  GVSaveSceneCB(0, 0x218, "a/b", &win);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "Gv error: ILLEGAL file name : a/b");
  EXPECT_EQ(Files(root_ / "GVSceneFiles/Scenes").size(), size_t(kSampleSceneCount));  // the shipped samples

  EXPECT_EQ(GVExportFileName(0, 0, "abc.gvs"), "XPRTD_CNS_abc.gvs");
  EXPECT_EQ(GVExportFileName(0, 0, "abcde"), "XPRTD_CNS_abcde.gvs");
  EXPECT_EQ(GVExportFileName(3, 4, "x"), "XPRTD_g3h4.gvs");
  EXPECT_EQ(GVExportFileName(3, 0, "x"), "XPRTD_g3.gvs");
  EXPECT_EQ(GVExportFileName(0, 4, "x"), "XPRTD_h4.gvs");
  EXPECT_EQ(GVImportModeFromFlags(0x800 | 1u << 21 | 1u << 27), 32);
  EXPECT_EQ(GVImportModeFromFlags(0x800 | 1u << 21), 20);
  EXPECT_EQ(GVImportModeFromFlags(0x800 | 1u << 22), 18);
  EXPECT_EQ(GVImportModeFromFlags(0x800 | 1u << 23), 22);
  EXPECT_EQ(GVImportModeFromFlags(0x800), 16);

  // Export: the dialog proposes the name, the save dialog writes the objects.
  ASSERT_TRUE(GVBuildSampleScene(kSampleJelDrop));
  GVExportCB(0, 8, 0, 0, &win);
  EXPECT_EQ(win.saveMode, 0x10210);
  EXPECT_EQ(win.saveDialog, "XPRTD_CNS_abc.gvs");
  GVExportCB(1, 2, -1, 0, &win);
  GVExportCB(1, 4, 0, -1, &win);
  EXPECT_EQ(GVExportSelection().geoId, -1);
  EXPECT_EQ(GVExportSelection().jelId, -1);
  GVSaveSceneCB(0, 0x10214, "XPRTD_typed", &win);  // Enter exports as Save does
  EXPECT_EQ(win.status, "Scene objects exported to file \"XPRTD_typed.gvs\"");
  GVSaveSceneCB(0, 0x10218, "XPRTD_all", &win);
  EXPECT_EQ(win.status, "Scene objects exported to file \"XPRTD_all.gvs\"");
  EXPECT_EQ(win.name, "abc.gvs");
  GVExportCB(0, 16, 0, 0, &win);
  EXPECT_EQ(GVExportSelection().geoId, 0);

  // The export imports back into an empty scene.
  const std::string whole = Summary();
  Reopen();
  int32_t geo = 0, jel = 0;
  ASSERT_EQ(GVImportObjectsStream("XPRTD_all.gvs", &cameraCell, 1 | 16, &geo, &jel), 0);
  EXPECT_EQ(Summary().substr(0, Summary().find(" -12")), whole.substr(0, whole.find(" -12")));
}

}  // namespace
}  // namespace scenetest
