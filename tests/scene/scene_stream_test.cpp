#include "scene/scene_stream.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "camera/camera_record.h"
#include "dynamics/world.h"
#include "geo/geo_attach.h"
#include "geo/geo_binding.h"
#include "geo/geo_from_jel.h"
#include "geo/geo_list.h"
#include "geo/geo_record_io.h"
#include "geo/geo_materials.h"
#include "geo/uv_sets.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "logic/logic_persistence.h"
#include "logic/logic_system.h"
#include "logic/program_store.h"
#include "sample_scenes.h"
#include "scene/app_lifecycle.h"
#include "scene/display_settings.h"
#include "scene/frame_driver.h"
#include "records/heap_string.h"
#include "scene/light_list.h"
#include "scene/scene_access.h"
#include "scene/scene_opts.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "stream_file.h"
#include "vehicle/vehicle_commands.h"
#include "vehicle/vehicle_drive.h"
#include "vehicle/vehicle_file_services.h"
#include "vehicle/vehicle_record.h"

using scenetest::Bytes;

namespace {

// Fresh scene records with the vehicle's file services, a camera and notes of
// the test's own (the view's camera and the notes are the caller's records).
class SceneStream : public testing::Test {
 protected:
  void SetUp() override { Start(); }
  void TearDown() override { Stop(); }
  void Start() {
    SceneServices sv;
    GVInstallVehicleFileServices(&sv);
    GVSetSceneServices(sv);
    GVAppStartup();
    GVCameraInit(&camera);
    GVFrameClock() = FrameClock();
    GVDriveInputs() = DriveInputs();
  }
  void Stop() {
    if (GVSceneServices().deleteVehicle) GVSceneServices().deleteVehicle();
    GVAppShutdown();
    GVSetSceneServices(SceneServices());
    GVFreeString(&notes);
    GVFrameClock() = FrameClock();
    GVDriveInputs() = DriveInputs();
  }
  void Restart() {
    Stop();
    Start();
  }
  Bytes Save() {
    SceneRecords& sc = GVScene();
    return scenetest::WriteFile([&](FILE* f) {
      EXPECT_EQ(GVWriteSceneStream(f, sc.geoList, sc.world, sc.logic, sc.vehicle, sc.bounds, &cameraCell, sc.lights,
                                   sc.display, sc.options, &notes),
                0);
    });
  }
  int Load(const Bytes& file) {
    SceneRecords& sc = GVScene();
    return scenetest::ReadFile(file, [&](FILE* f) {
      return GVReadSceneStreamFile(f, sc.geoList, sc.world, sc.logic, &cameraCell, &notes);
    });
  }
  static HWorld* World() { return GVWorldOf(GVScene().world); }
  static GeoList* Geos() { return GVGeoListOf(GVScene().geoList); }
  static std::vector<float> Positions() {
    std::vector<float> out;
    for (HObject* j = World()->head; j; j = GVNextJel(j))
      for (int32_t i = 1; j->state && i <= j->nodeCount; ++i) out.insert(out.end(), j->state->pos[i], j->state->pos[i] + 3);
    return out;
  }
  // Plays frames 0 to last in initial-state mode (the only mode in which a
  // vehicle is driven).
  static std::vector<float> PlayTo(int32_t last) {
    World()->params.stateMode = 0;
    for (int32_t f = 0; f <= last; ++f) GVStepFrame(f, 1);
    return Positions();
  }
  static std::string Summary() {
    std::string s;
    for (HObject* j = World()->head; j; j = GVNextJel(j))
      s += "J" + std::to_string(j->id) + (j->name ? j->name : "") + "/" + std::to_string(j->groupMask) + " ";
    for (GObject* g = Geos()->head; g; g = g->next)
      s += "G" + std::to_string(g->id) + (g->name ? g->name : "") + ">" + std::to_string(g->jelId) + " ";
    return s;
  }

  CameraRec camera;
  CameraRec* cameraCell = &camera;
  char* notes = nullptr;
};

std::vector<int32_t> IntsOf(const Bytes& file) {
  ItemStream s;
  std::vector<int32_t> out;
  if (scenetest::ReadBlock(file, &s)) out.assign(s.ints, s.ints + s.intSize);
  GVItemStreamReset(&s);
  return out;
}

Bytes StreamOf(const std::vector<int32_t>& ints) {
  return scenetest::WriteBlock([&](ItemStream* s) { s->intCount = static_cast<uint32_t>(ints.size()); },
                               [&](ItemStream* s) {
                                 for (int32_t v : ints) s->ints[s->intCount++] = v;
                                 return 1;
                               });
}

}  // namespace

TEST_F(SceneStream, EmptySceneIsWrittenInTheTableOrder) {
  const float bounds[6] = {-12, 12, 0, 24, -12, 12};
  std::copy(bounds, bounds + 6, GVScene().bounds);
  const Bytes file = Save();
  ItemStream s;
  ASSERT_TRUE(scenetest::ReadBlock(file, &s));
  // The tags sit where the blocks' own counts put them.
  ItemStream logic, lights;
  GVCountLogicBlock(GVScene().logic, &logic);
  GVCountLightsItem(&lights, GVScene().lights);
  uint32_t at = 2;
  const std::vector<std::pair<int32_t, uint32_t>> items = {{2, logic.intCount}, {5, 0}, {4, 6},
                                                          {9, lights.intCount}, {80, 18}, {8, 1}};
  EXPECT_EQ(s.ints[0], 1);
  EXPECT_EQ(s.ints[1], 789);
  for (const auto& [tag, ints] : items) {
    ASSERT_LT(at, s.intSize);
    EXPECT_EQ(s.ints[at], tag) << "at " << at;
    at += 1 + ints;
  }
  EXPECT_EQ(s.ints[at], 99);
  EXPECT_EQ(at + 1, s.intSize);
  // The bounds lead the floats (the empty main program has none): mins, then maxes.
  const float stored[6] = {-12, 0, -12, 12, 24, 12};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(s.floats[logic.floatCount + k], stored[k]);
  GVItemStreamReset(&s);
}

TEST_F(SceneStream, SceneOptionsOnlyWithARenderToTextureMaterial) {
  ASSERT_TRUE(GVBuildSampleScene(kSampleJelDrop));
  const size_t without = IntsOf(Save()).size();
  GObject* g = Geos()->head;
  if (!g->uvSets) g->uvSets = new UVSetArray{0, nullptr};
  if (!g->materials) g->materials = new GeoMaterialArray{0, nullptr};
  ASSERT_TRUE(GVNewUVSetArray(g->uvSets, 1) && GVNewGeoMaterialArray(g->materials, 1));
  GeoMaterial& m = g->materials->materials[0];
  m.uvSet = &g->uvSets->sets[0];
  m.uvSetRef = 1;
  m.mode = GEO_MAT_RTT_OPAQUE;
  EXPECT_EQ(GVSceneUsesRTT(GVScene().geoList), 1);
  ItemStream opts, geo, geoWith;
  GVCountSceneOptsItem(&opts, GVScene().options);
  // The material adds its own ints to the Geo's image; tag 85 and its block come on top.
  const std::vector<int32_t> with = IntsOf(Save());
  EXPECT_GT(with.size(), without + opts.intCount);
  g->uvSets->sets[0].setWord = 1;
  EXPECT_EQ(GVSceneUsesRTT(GVScene().geoList), 0);
  g->uvSets->sets[0].setWord = 0;
  g->materialType = 2;  // scripted materials render as their script says
  EXPECT_EQ(GVSceneUsesRTT(GVScene().geoList), 0);
}

TEST_F(SceneStream, BadStreamsLeaveTheSceneOrEmptyIt) {
  ASSERT_TRUE(GVBuildSampleScene(kSampleJelDrop));
  World()->head->setGroupBit(1, 0);  // one Jel outside group 1
  const std::string before = Summary();
  const Bytes saved = Save();
  struct Case {
    std::vector<int32_t> ints;
    int expect;
  };
  const Case cases[] = {{{0, 789, 99}, -2}, {{1, 789, 0}, -3}, {{1, 789}, -3}, {{1, 789, 7, 1}, -3}};
  for (const Case& c : cases) {
    EXPECT_EQ(Load(StreamOf(c.ints)), c.expect);
    EXPECT_EQ(Summary(), before);
    EXPECT_EQ(Save(), saved);
  }
  // An unknown tag is passed over; the scene read replaces every Jel.
  EXPECT_EQ(Load(StreamOf({1, 789, 7, 99})), 0);
  EXPECT_EQ(World()->head, nullptr);
  EXPECT_EQ(Geos()->head, nullptr);
}

// Items whose target is not given are read and dropped; the Geos then name
// no Jel object.
TEST_F(SceneStream, ItemsWithoutATargetAreConsumed) {
  ASSERT_TRUE(GVBuildSampleScene(kSampleJelDrop));
  ASSERT_TRUE(GVBuildSampleScene(kSampleLogic));
  const Bytes file = Save();
  Restart();
  const int rc = scenetest::ReadFile(file, [&](FILE* f) {
    return GVReadSceneStreamFile(f, GVScene().geoList, nullptr, nullptr, nullptr, nullptr);
  });
  ASSERT_EQ(rc, 0);
  EXPECT_EQ(World()->head, nullptr);
  ASSERT_NE(Geos()->head, nullptr);
  for (GObject* g = Geos()->head; g; g = g->next) EXPECT_EQ(g->jel, nullptr);
}

TEST_F(SceneStream, WholeSceneRoundTripsThroughAFile) {
  // Jels 1 (with the main program) and 2 to 4 (the drop); Geos bound and
  // key-framed, then one cell-bound and one attached.
  ASSERT_TRUE(GVBuildSampleScene(kSampleLogic));
  ASSERT_TRUE(GVBuildSampleScene(kSampleJelDrop));
  HWorld* w = World();
  GVGetJelById(w, 2)->setGroupBit(1, 0);
  HObject* glued = GVGetJelById(w, 3);
  glued->setNodeGlue(1, 4, 1);
  ObjHandle* list = GVScene().geoList;
  GObject* cellBound = GVGetGeoById(Geos(), GVCreateGeoFromJel(list, glued, "CellSkin"));
  ASSERT_NE(cellBound, nullptr);
  ASSERT_GE(GVCellBindGeo(cellBound, glued, 1), 0);
  GVAddAllFaces00UVSet(cellBound);
  GObject* attached = GVGetGeoById(Geos(), GVCreateGeoFromJel(list, GVGetJelById(w, 4), "Hanger"));
  ASSERT_NE(attached, nullptr);
  GVAddAllFaces00UVSet(attached);
  GVAttachSet(GVGetGeoAttachment(attached->handle), 1, 4, 0, 0, 0, 1, 0);
  ASSERT_NE(GVMakeVehicle(1, 0, 0, 0, 1), nullptr);
  LightList* lights = GVScene().lights;
  GVAddLight(lights);
  GVAddLight(lights);
  GVSetLightName(&lights->lights[2], "Rim");
  DisplaySettings* d = GVScene().display;
  d->shadowValues[4] = 500.0f;
  d->backgroundFlags = 1;
  GVSetString(&d->imageName, "sky.png");
  GVScene().options->fields[0] = 3;
  GObject* rtt = Geos()->head;  // renders its projected UV set to the scene's texture
  ASSERT_NE(GVGetUVSet(rtt->uvSets, 0), nullptr);
  if (!rtt->materials) rtt->materials = new GeoMaterialArray{0, nullptr};
  ASSERT_TRUE(GVNewGeoMaterialArray(rtt->materials, 1));
  rtt->materials->materials[0].uvSetRef = 1;
  rtt->materials->materials[0].uvSet = &rtt->uvSets->sets[0];
  rtt->materials->materials[0].mode = GEO_MAT_RTT_TRANSPARENT;
  camera.eye[1] = 7.5f;
  GVSetString(&notes, "round trip");
  GVScene().bounds[1] = 30.0f;
  auto mainLines = [] {
    int32_t n = 0;
    for (LogicLine* l = GVLogicProgram(GVScene().logic, 1)->first; l; l = l->next) ++n;
    return n;
  };

  const std::string summary = Summary();
  const int32_t lines = mainLines();
  const int32_t chassis = GVVehicleOf(GVScene().vehicle)->chassisJel;
  const Bytes first = Save();

  Restart();
  ASSERT_EQ(Load(first), 0);
  EXPECT_EQ(Summary(), summary);
  EXPECT_EQ(mainLines(), lines);
  ASSERT_NE(GVVehicleOf(GVScene().vehicle), nullptr);
  EXPECT_EQ(GVVehicleOf(GVScene().vehicle)->chassisJel, chassis);
  EXPECT_EQ(GVVehicleOf(GVScene().vehicle)->world, World());
  EXPECT_EQ(GVScene().bounds[1], 30.0f);
  EXPECT_EQ(camera.eye[1], 7.5f);
  EXPECT_EQ(GVScene().lights->count, 3);
  EXPECT_STREQ(GVScene().lights->lights[2].name, "Rim");
  EXPECT_EQ(GVScene().display->shadowValues[4], 500.0f);
  EXPECT_STREQ(GVScene().display->imageName, "sky.png");
  EXPECT_EQ(GVScene().options->fields[0], 3);
  EXPECT_STREQ(notes, "round trip");
  EXPECT_EQ(GVGetJelById(World(), 3)->glueJel[1], 4);
  GObject* hanger = GVGetGeoById(Geos(), GVFindGeoByName(Geos(), "Hanger"));
  ASSERT_NE(hanger, nullptr);
  EXPECT_EQ(GVGetGeoAttachment(hanger->handle)->type, 1);
  EXPECT_EQ(Save(), first);
}

TEST_F(SceneStream, LoadedScenesPlayBitForBit) {
  for (int32_t sample : {kSampleJelDrop, kSampleLogic}) {
    Restart();
    ASSERT_TRUE(GVBuildSampleScene(sample));
    const Bytes file = Save();
    const std::vector<float> before = PlayTo(150);
    Restart();
    ASSERT_EQ(Load(file), 0);
    const std::vector<float> after = PlayTo(150);
    ASSERT_EQ(before.size(), after.size()) << sample;
    EXPECT_EQ(before, after) << GVSampleSceneName(sample);
  }
}

// The vehicle scene driven after a load runs exactly as it did before the save.
TEST_F(SceneStream, LoadedVehicleDrivesBitForBit) {
  ASSERT_TRUE(GVBuildSampleScene(kSampleVehicle));
  const Bytes file = Save();
  const auto drive = [] {
    GVDriveInputs().gear = 1;
    GVDriveInputs().driveMode = 2;
    GVDriveInputs().throttle = 1.0f;
    return PlayTo(150);
  };
  const std::vector<float> before = drive();
  Restart();
  ASSERT_EQ(Load(file), 0);
  const std::vector<float> after = drive();
  ASSERT_EQ(before.size(), after.size());
  for (size_t i = 0; i < after.size(); ++i) ASSERT_TRUE(std::isfinite(after[i])) << i;
  EXPECT_EQ(before, after);
}

TEST_F(SceneStream, DamagedFilesNeverCrashAndLeaveTheSceneAsItWas) {
  ASSERT_TRUE(GVBuildSampleScene(kSampleJelDrop));
  const Bytes file = Save();
  Restart();
  ASSERT_TRUE(GVBuildSampleScene(kSampleLogic));
  const Bytes open = Save();
  const std::string summary = Summary();
  for (size_t n = 0; n < file.size(); ++n)
    ASSERT_LT(Load(Bytes(file.begin(), file.begin() + static_cast<long>(n))), 0) << n;
  const size_t step = file.size() / 400 + 1;
  for (size_t n = 0; n < file.size(); n += step) {
    Bytes changed = file;
    changed[n] ^= 0x5a;
    if (Load(changed) == 0) {
      // A change the format cannot see: the scene is then the file's.
      Restart();
      ASSERT_TRUE(GVBuildSampleScene(kSampleLogic));
      continue;
    }
    ASSERT_EQ(Summary(), summary) << n;
  }
  EXPECT_EQ(Save(), open);
}

// The shipped samples are the generator's, and each loads and plays.
TEST_F(SceneStream, SampleScenesAreTheGeneratorsAndPlay) {
  for (int32_t k = 0; k < kSampleSceneCount; ++k) {
    const std::string path = std::string(GV_SAMPLE_SCENES_DIR) + "/" + GVSampleSceneName(k);
    FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr) << path;
    Bytes shipped;
    for (int ch; (ch = std::fgetc(f)) != EOF;) shipped.push_back(static_cast<unsigned char>(ch));
    std::fclose(f);
    Restart();
    ASSERT_TRUE(GVBuildSampleScene(k));
    const Bytes made = scenetest::WriteFile([&](FILE* out) { EXPECT_EQ(GVWriteSampleScene(k, out), 0); });
    EXPECT_EQ(made, shipped) << path;
    Restart();
    ASSERT_EQ(Load(shipped), 0) << path;
    ASSERT_NE(World()->head, nullptr);
    const HObject* runner = GVGetJelById(World(), GVFindJelByName(World(), "Runner"));
    auto centre = [&](float c[3]) {
      c[0] = c[1] = c[2] = 0.0f;
      for (int32_t i = 1; i <= runner->nodeCount; ++i)
        for (int a = 0; a < 3; ++a) c[a] += runner->pos[i][a] / float(runner->nodeCount);
    };
    float start[3], late[3], rest[3];
    if (runner) centre(start);
    const std::vector<float> end = PlayTo(100);
    for (size_t i = 1; i < end.size(); i += 3) ASSERT_GE(end[i], -1e-2f) << path;  // NaN fails too
    if (k != kSampleShowcase) continue;
    // Played on after the pushes end, the runner comes to rest on the floor,
    // near where it started.
    float floor[6];
    ASSERT_TRUE(runner && GVGeoSelBounds(Geos(), GVFindGeoByName(Geos(), "Floor"), floor));
    for (int32_t f = 101; f <= 400; ++f) {
      GVStepFrame(f, 1);
      if (f == 380) centre(late);
    }
    centre(rest);
    for (int32_t i = 1; i <= runner->nodeCount; ++i) {
      const float* p = runner->pos[i];
      ASSERT_GE(p[1], floor[3] - 1e-2f) << i;
      ASSERT_TRUE(p[0] >= floor[0] && p[0] <= floor[1] && p[2] >= floor[4] && p[2] <= floor[5]) << i;
    }
    for (int a : {0, 2}) {
      EXPECT_NEAR(rest[a], late[a], 0.05f) << a;  // at rest
      EXPECT_NEAR(rest[a], start[a], 1.0f) << a;
    }
  }
}


