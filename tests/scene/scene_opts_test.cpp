#include "scene/scene_opts.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "camera/camera_record.h"
#include "stream_file.h"

using scenetest::Bytes;

namespace {

struct Opts {
  SceneOpts o{};
  Opts() { GVInitSceneOpts(&o); }
  ~Opts() { GVClearSceneOptsParts(&o); }
};

// Render-to-texture options with a camera and a colour; field 6 set.
void Fill(SceneOpts* o) {
  o->mode = 1;
  for (int i = 0; i < 7; ++i) o->fields[i] = 10 + i;
  o->floats[2] = 2.5f;
  o->camera = new CameraRec*(new CameraRec);
  CameraRec* cam = *o->camera;
  GVCameraInit(cam);
  cam->handle = o->camera;
  cam->mode = 1;
  cam->geoDisplayMode = 8;  // carried as 32
  cam->jelDisplayMode = 16;
  cam->eye[1] = 5.0f;
  cam->distance = 7.0f;
  cam->rot[5] = 0.25f;
  o->colour = new GColour{2, 0.1f, 0.2f, 0.3f, 0.4f};
}

Bytes WriteOpts(const SceneOpts& o) {
  return scenetest::WriteBlock([&](ItemStream* s) { GVCountSceneOptsItem(s, &o); },
                               [&](ItemStream* s) { return GVPutSceneOptsItem(s, &o); });
}

Bytes TaggedBytes(const SceneOpts& o) {
  return scenetest::WriteFile([&](FILE* f) { EXPECT_EQ(GVWriteSceneOptsTagged(&o, f), 1); });
}

int ReadTagged(const Bytes& b, SceneOpts* o) {
  return scenetest::ReadFile(b, [o](FILE* f) { return GVReadSceneOptsTagged(o, f); });
}

}  // namespace

TEST(SceneOpts, BlocksRoundTripAndDropTheKeepCameraField) {
  Opts saved;
  Fill(&saved.o);
  const Bytes image = WriteOpts(saved.o);
  const Bytes tagged = TaggedBytes(saved.o);
  EXPECT_EQ(tagged.size(), 52u + 4 + 128 + 4 + 20);
  for (int form = 0; form < 2; ++form) {
    Opts back;
    if (form == 0) {
      ItemStream s;
      ASSERT_TRUE(scenetest::ReadBlock(image, &s));
      ASSERT_EQ(GVGetSceneOptsItem(&s, &back.o), 1);
      EXPECT_EQ(s.intCount, s.intSize);
      EXPECT_EQ(s.floatCount, s.floatSize);
      GVItemStreamReset(&s);
    } else {
      ASSERT_EQ(ReadTagged(tagged, &back.o), 1);
    }
    EXPECT_EQ(back.o.mode, 1);
    EXPECT_EQ(back.o.fields[kSceneOptsKeepCamera], 0);
    EXPECT_EQ(back.o.fields[kSceneOptsNoFollow], 12);
    EXPECT_FLOAT_EQ(back.o.floats[2], 2.5f);
    ASSERT_NE(back.o.camera, nullptr);
    const CameraRec* cam = *back.o.camera;
    EXPECT_EQ(cam->handle, back.o.camera);
    EXPECT_EQ(cam->geoDisplayMode, 32);
    EXPECT_EQ(cam->jelDisplayMode, 16);
    EXPECT_FLOAT_EQ(cam->eye[1], 5.0f);
    EXPECT_FLOAT_EQ(cam->distance, 7.0f);
    EXPECT_FLOAT_EQ(cam->rot[5], 0.25f);
    ASSERT_NE(back.o.colour, nullptr);
    EXPECT_FLOAT_EQ(back.o.colour->a, 0.4f);
    // Written again, only field 6 and the display mode differ from the first save.
    back.o.fields[kSceneOptsKeepCamera] = 13;
    (*back.o.camera)->geoDisplayMode = 8;
    EXPECT_EQ(form ? TaggedBytes(back.o) : WriteOpts(back.o), form ? tagged : image);
  }
}

TEST(SceneOpts, ReadersClearWhatTheBlockLacksAndKeepTheRecordOnDamage) {
  Opts plain, target;
  plain.o.mode = 1;
  Fill(&target.o);
  ItemStream s;
  ASSERT_TRUE(scenetest::ReadBlock(WriteOpts(plain.o), &s));
  ASSERT_EQ(GVGetSceneOptsItem(&s, &target.o), 1);
  GVItemStreamReset(&s);
  EXPECT_EQ(target.o.camera, nullptr);
  EXPECT_EQ(target.o.colour, nullptr);
  EXPECT_EQ(target.o.fields[0], 0);

  // Blocks cut short, in either form, change nothing.
  Fill(&target.o);
  scenetest::ExpectShortBlocksRefused(WriteOpts(target.o), [&](ItemStream* b) { return GVGetSceneOptsItem(b, &target.o); });
  Bytes tagged = TaggedBytes(target.o);
  tagged.resize(52 + 4 + 100);
  EXPECT_EQ(ReadTagged(tagged, &target.o), 0);
  EXPECT_EQ(target.o.fields[kSceneOptsKeepCamera], 13);
  ASSERT_NE(target.o.camera, nullptr);
  EXPECT_EQ((*target.o.camera)->mode, 1);
}
