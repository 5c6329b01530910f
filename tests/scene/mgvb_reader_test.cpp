#include "scene/mgvb_reader.h"

#include <cstring>

#include "records/file_version.h"

#include "../dynamics/runner_scene.h"
#include "../geo/geo_fixtures.h"
#include "mgvb_scenes.h"
#include "sample_scenes.h"
#include "work_root.h"

namespace scenetest {
namespace {

using MGVB = RootScene;

const fs::path kShipped = fs::path(GV_PROJECT_DIR) / "GVSceneFiles/ScenesMGVB";

template <typename Bytes>
void Load(const Bytes& bytes, const char* name = nullptr) {
  FILE* f = std::tmpfile();
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::rewind(f);
  GVSetFileVersion(0);
  GVLoadMGVB(f, name);
  std::fclose(f);
}

std::vector<char> Written(const HWorld* world, const GeoList* geos, const MGVBBlocks& b = {}) {
  FILE* f = std::tmpfile();
  EXPECT_EQ(GVWriteMGVB(f, world, geos, b), 1);
  std::vector<char> out(static_cast<size_t>(std::ftell(f)));
  std::rewind(f);
  EXPECT_EQ(std::fread(out.data(), 1, out.size(), f), out.size());
  std::fclose(f);
  return out;
}

TEST_F(MGVB, MergesUnderFreshIdsWithBindingsFollowingTheirJels) {
  // What the file holds: the JelDrop sample's Jels and Geos.
  ASSERT_TRUE(GVBuildSampleScene(kSampleJelDrop));
  std::vector<std::pair<int32_t, int32_t>> fileGeos;  // id, Jel id
  for (GObject* g = GVGeoListOf(GVScene().geoList)->head; g; g = g->next) fileGeos.push_back({g->id, g->jelId});
  ASSERT_TRUE(std::any_of(fileGeos.begin(), fileGeos.end(), [](auto p) { return p.second == 1; }));

  // The scene: highest Geo id 5 (bound to its Jel), highest Jel id 3.
  GObject* last = GVGeoListOf(GVScene().geoList)->head;
  while (last->next) last = last->next;
  last->id = 5;
  last->jelId = 2;
  last->jel = GVGetJelById(GVWorldOf(GVScene().world), 2);
  ASSERT_EQ(GVNextJelId(GVScene().world), 4);
  Load(Bytes(kShipped / "JelDropMerge.gvb"));
  EXPECT_TRUE(messages.empty());

  HWorld* world = GVWorldOf(GVScene().world);
  GeoList* list = GVGeoListOf(GVScene().geoList);
  for (int32_t id : {1, 2, 3, 4, 5, 6}) EXPECT_NE(GVGetJelById(world, id), nullptr) << id;
  EXPECT_EQ(GVGetGeoById(list, 5)->jelId, 2);
  EXPECT_EQ(GVGetGeoById(list, 5)->jel, GVGetJelById(world, 2));
  for (auto [id, jel] : fileGeos) {
    GObject* g = GVGetGeoById(list, id + 5);
    ASSERT_NE(g, nullptr) << id;
    EXPECT_EQ(g->jelId, jel ? jel + 3 : 0);
    if (jel) EXPECT_EQ(g->jel, GVGetJelById(world, jel + 3));
    for (int32_t v = 1; jel && g->vertBinds && v <= g->vertexCount; ++v)
      EXPECT_TRUE(g->vertBinds[v].jelId == 0 || g->vertBinds[v].jelId == jel + 3);
  }
  EXPECT_EQ(world->params.currentFrame, 0);
  for (float y : PlayTo(30)) ASSERT_TRUE(std::isfinite(y));
}

TEST_F(MGVB, TwentyOfEachAreTakenTwentyOneRefusedAndCutFilesMergeNothing) {
  HWorld world;
  GeoList geos{};
  for (int32_t i = 1; i <= 20; ++i) {
    const float corner[3] = {-10.0f + i, 1.0f, 0.0f};
    GVAddJel(&world, MakeDropJel(1, 1, 1, 0.5f, corner, i, -9.81f));
    GVAddGeo(&geos, geotest::makeGeo(i, ("g" + std::to_string(i)).c_str(),
                                     geotest::boxCorners({0, 0, 0}, {0.5f, 0.5f, 0.5f}), geotest::boxTriangles()));
  }
  const std::vector<char> twenty = Written(&world, &geos);
  GVClearGeoList(&geos);
  Load(twenty);
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(GVNextJelId(GVScene().world), 21);
  EXPECT_EQ(GVNextGeoId(GVScene().geoList), 21);

  const std::string before = Summary();
  Load(Words().u(0).u(21).b);
  Load(Words().u(0).u(0).u(21).b);
  const std::vector<std::string> refusals = {"GVLoadMGVB: numjels 21", "GVLoadMGVB: numgeos 21"};
  EXPECT_EQ(messages, refusals);
  messages.clear();
  // Cut anywhere, or with an extension-block count beyond the file: nothing merged.
  const std::vector<char> blocks = Bytes(kShipped / "JelDropBlocks.gvb");
  for (size_t n = 8; n < blocks.size(); n += 211) Load(std::vector<char>(blocks.begin(), blocks.begin() + n));
  // The last Geo's block ends with its inner flag, five counts and five words:
  // its second count (500-byte records) is made 2^31 - 1.
  std::vector<char> huge = Written(nullptr, GVGeoListOf(GVScene().geoList), MGVBBlocks{false, 1, {}});
  const uint32_t big = 0x7fffffff;
  std::memcpy(huge.data() + huge.size() - 36, &big, 4);
  Load(huge);
  // Two Jels of one id would stay two Jels of one id.
  HWorld twins;
  const float corner[3] = {0, 1, 0};
  for (int k = 0; k < 2; ++k) GVAddJel(&twins, MakeDropJel(1, 1, 1, 0.5f, corner, 1, -9.81f));
  Load(Written(&twins, nullptr));
  EXPECT_EQ(Summary(), before);
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.back(), "Warning: could not open scene file: bad file access");
  // Opened by name, the warning names the file.
  Load(std::vector<char>(blocks.begin(), blocks.begin() + 40), "Cut.gvb");
  EXPECT_EQ(Summary(), before);
  EXPECT_EQ(messages.back().rfind("Warning: could not open scene file \"Cut.gvb\": it is damaged", 0), 0u);
}

TEST_F(MGVB, ExtensionBlocksOfAnyCountsAreSkippedExactly) {
  Load(Bytes(kShipped / "JelDropMerge.gvb"));
  const std::string plain = Summary();
  ASSERT_NE(plain.find("G1"), std::string::npos);
  for (const MGVBBlocks& b : {MGVBBlocks{true, 0, {}}, MGVBBlocks{true, 1, {0, 0, 0, 0, 0}},
                              MGVBBlocks{false, 1, {-4, 7, 1, 300, 2}}}) {
    Restart();
    ASSERT_TRUE(GVBuildSampleScene(kSampleJelDrop));
    const std::vector<char> bytes = Written(GVWorldOf(GVScene().world), GVGeoListOf(GVScene().geoList), b);
    Restart();
    CatchMessages();
    Load(bytes);
    EXPECT_EQ(Summary(), plain);
    EXPECT_TRUE(messages.empty());
  }
  Restart();
  Load(Bytes(kShipped / "JelDropBlocks.gvb"));
  EXPECT_EQ(Summary(), plain);
}

// The shipped files are the generator's output.
TEST_F(MGVB, ShippedFilesAreTheGeneratorsOutput) {
  for (int32_t m = 0; m < kMGVBSampleCount; ++m) {
    Restart();
    FILE* f = std::tmpfile();
    ASSERT_EQ(GVWriteMGVBSample(m, f), 1);
    std::vector<char> made(static_cast<size_t>(std::ftell(f)));
    std::rewind(f);
    ASSERT_EQ(std::fread(made.data(), 1, made.size(), f), made.size());
    std::fclose(f);
    EXPECT_EQ(made, Bytes(kShipped / GVMGVBSampleName(m))) << GVMGVBSampleName(m);
  }
}

}  // namespace
}  // namespace scenetest
