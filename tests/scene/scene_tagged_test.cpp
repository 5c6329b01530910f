#include "scene/scene_tagged.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "camera/camera_record.h"
#include "dynamics/world.h"
#include "geo/geo_list.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "sample_scenes.h"
#include "scene/app_lifecycle.h"
#include "scene/display_settings.h"
#include "scene/frame_driver.h"
#include "scene/geo_id_blocks.h"
#include "records/heap_string.h"
#include "scene/light_list.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "scene/scene_stream.h"
#include "file_scene.h"
#include "stream_file.h"
#include "tagged_scenes.h"
#include "vehicle/vehicle_file_services.h"
#include "vehicle/vehicle_link_services.h"

using scenetest::Bytes;
using scenetest::Words;

namespace {

class TaggedScene : public scenetest::FileScene {
 protected:
  int Read(const Bytes& file) {
    SceneRecords& sc = GVScene();
    return scenetest::ReadFile(file, [&](FILE* f) {
      return GVReadSceneTagged(f, sc.geoList, sc.world, sc.logic, &cameraCell, &notes);
    });
  }
  static Bytes Tutorial(int32_t t) {
    return scenetest::WriteFile([&](FILE* f) { ASSERT_EQ(GVWriteTutorial(t, f), 1); });
  }
};

Bytes Header() { return Words().u(0).u(0).b; }

TEST_F(TaggedScene, HeadersEndsAndSmallItems) {
  ASSERT_TRUE(GVBuildSampleScene(kSampleJelDrop));
  GVScene().bounds[0] = -3.0f;
  const std::string open = Summary();
  // Another kind of file, no header, a header alone, a zero tag, an end
  // before the tag 99: refused, the open scene as it was.
  EXPECT_EQ(Read(Words().u(1).u(0).u(99).b), kTaggedWrongType);
  EXPECT_EQ(Read(Words().u(0).b), kTaggedNoHeader);
  EXPECT_EQ(Read(Header()), kTaggedDamaged);
  EXPECT_EQ(Read(Words().u(0).u(0).u(0).b), kTaggedDamaged);
  EXPECT_EQ(Read(Words().u(0).u(0).u(5).f(-12).f(12).f(0).f(24).f(-12).f(12).b), kTaggedDamaged);
  EXPECT_EQ(Read(Words().u(0).u(0).u(83).u(1).u(11).b), kTaggedDamaged);  // eleven blocks
  EXPECT_EQ(Summary(), open);

  // The header and the end tag: an empty scene. Bounds go in file order.
  EXPECT_EQ(Read(Words().u(0).u(7).u(5).f(-12).f(12).f(0).f(24).f(-12).f(12).u(1234).u(99).b), kTaggedReadOk);
  EXPECT_EQ(GVWorldOf(GVScene().world)->head, nullptr);
  EXPECT_EQ(GVGeoListOf(GVScene().geoList)->head, nullptr);
  const float box[6] = {-12, 12, 0, 24, -12, 12};
  EXPECT_EQ(std::vector<float>(GVScene().bounds, GVScene().bounds + 6), std::vector<float>(box, box + 6));

  // A camera flag set and the second clear: eight bytes and no camera.
  camera.eye[2] = 5.0f;
  EXPECT_EQ(Read(Words().u(0).u(0).u(4).u(1).u(0).u(99).b), kTaggedReadOk);
  EXPECT_EQ(camera.eye[2], 5.0f);
}

TEST_F(TaggedScene, OlderDisplayRecordsAreCheckedAndCopied) {
  auto formA = [](int index, float value) {
    Words w;
    w.u(0).u(0).u(77).u(1);
    const float defaults[22] = {1, 0.75f, 0.75f, 0.75f, 1, 1, 0.95f, 0.95f, 0.95f, 1, 0.3f,
                                0, 0,     0,     150,   100, 0, 0.02f, 200, 8, 16, 512};
    for (int k = 0; k < 22; ++k) {
      const float v = k == index ? value : defaults[k];
      const bool isInt = k == 0 || k == 5 || (k >= 11 && k <= 13) || k >= 19;
      isInt ? w.u(static_cast<uint32_t>(static_cast<int32_t>(v))) : w.f(v);
    }
    return w.u(7).u(10).u(20).u(30).u(1).u(99).b;  // and the four time-bar words
  };
  ASSERT_EQ(Read(formA(18, 5.0f)), kTaggedReadOk);
  EXPECT_EQ(GVScene().display->shadowValues[4], 200.0f);
  EXPECT_EQ(GVScene().display->frameWords[1], 20);
  ASSERT_EQ(Read(formA(17, 0.5f)), kTaggedReadOk);
  EXPECT_EQ(GVScene().display->shadowValues[3], 0.2f);
}

// Tutorials read and play; every cut of one is refused and changes nothing.
TEST_F(TaggedScene, TutorialsAreTheGeneratorsReadPlayAndSurviveEveryCut) {
  for (int32_t t = 0; t < kTutorialCount; ++t) {
    Restart();
    const Bytes made = Tutorial(t);
    Restart();
    const std::string path = std::string(GV_PROJECT_DIR) + "/Tutorials/" + GVTutorialName(t);
    Bytes shipped;
    ASSERT_EQ(scenetest::ReadFile({}, [&](FILE*) {
      FILE* f = std::fopen(path.c_str(), "rb");
      if (!f) return 1;
      for (int ch; (ch = std::fgetc(f)) != EOF;) shipped.push_back(static_cast<unsigned char>(ch));
      std::fclose(f);
      return 0;
    }), 0) << path;
    EXPECT_EQ(shipped, made) << path;
    ASSERT_EQ(Read(shipped), kTaggedReadOk) << path;
    EXPECT_NE(GVWorldOf(GVScene().world)->head, nullptr);
    EXPECT_EQ(GVGeoIdBlocks().count, 1);
    // The stored camera: on the objects inside the box, from in front and
    // above, hidden-line display.
    const float* b = GVScene().bounds;
    for (int k = 0; k < 3; ++k) {
      EXPECT_GE(camera.target[k], b[2 * k]);
      EXPECT_LE(camera.target[k], b[2 * k + 1]);
    }
    EXPECT_GT(camera.eye[2], camera.target[2]);
    EXPECT_GT(camera.eye[1], camera.target[1]);
    EXPECT_EQ(camera.geoDisplayMode, 32);
    ASSERT_NE(notes, nullptr);
    const std::vector<float> end = PlayTo(50);
    for (float y : end) ASSERT_GE(y, -1e-2f) << path;  // NaN fails too
  }
  Restart();
  const Bytes file = Tutorial(0);
  Restart();
  ASSERT_TRUE(GVBuildSampleScene(kSampleLogic));
  const std::string open = Summary();
  const size_t step = file.size() / 300 + 1;
  for (size_t n = 0; n < file.size(); n += step) {
    ASSERT_LT(Read(Bytes(file.begin(), file.begin() + static_cast<long>(n))), 0) << n;
    ASSERT_EQ(Summary(), open) << n;
  }
}

}  // namespace
