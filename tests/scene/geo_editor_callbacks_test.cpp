#include "scene/geo_editor_callbacks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fake_view.h"
#include "dynamics/world.h"
#include "geo/geo_attach.h"
#include "geo/geo_fixtures.h"
#include "geo/uv_sets.h"
#include "jel/jel_object.h"
#include "platform/test_api.h"
#include "scene/app_selection.h"
#include "scene/display_settings.h"
#include "scene/geo_editor_links.h"
#include "records/heap_string.h"
#include "scene/light_list.h"
#include "scene/scene_records.h"
#include "scene/scene_access.h"

using scenetest::FakeView;
using Strings = std::vector<std::string>;

namespace {

int kMainWindow = 0;
void* const kWin = &kMainWindow;

// The main window, the renderer and the editors the callbacks talk to, over
// the fake view's scene.
struct GeoEditorCallbacks : testing::Test {
  FakeView view;
  Strings messages;
  Strings renderer;                 // what the renderer was told, in order
  int32_t currentGeo[3] = {};       // the view's current-Geo record
  CameraRec keptCamera;             // the lights editor's copy
  GeoEditorLinks savedLinks = GVGeoEditorLinks();
  static GeoEditorCallbacks* self;

  void SetUp() override {
    self = this;
    SceneServices s = GVSceneServices();
    s.showMessage = [](const char* t) { self->messages.push_back(t); };
    s.setViewCurrentGeo = [](int32_t id) { self->currentGeo[0] = id; };
    s.currentGeoRecord = []() -> int32_t* { return self->currentGeo; };
    s.setupShadowTextures = [](int32_t type) { self->told("shadow textures " + std::to_string(type)); };
    s.updateShadowSettings = [] { self->told("shadow settings"); };
    s.setRenderSky = [] { self->told("sky"); };
    s.updateRenderLight = [](int32_t flags, int32_t i) { self->told("light " + std::to_string(flags) + " " + std::to_string(i)); };
    s.resetRenderLights = [] { self->told("reset lights"); };
    GVSetSceneServices(s);
    GeoEditorLinks l;
    l.geoEditorGeo = [] { return int32_t(1); };
    l.attachEditorGeo = [] { return int32_t(1); };
    l.lightsEditorVisible = [] { return int32_t(1); };
    l.lightsEditorCamera = []() -> CameraRec* { return &self->keptCamera; };
    l.lightsEditorCameraOn = [] { return int32_t(1); };
    GVSetGeoEditorLinks(l);
    GVScene().display = GVInitDisplaySettings(new DisplaySettings);
    GVScene().lights = GVNewLightList(new LightList);
  }
  void TearDown() override {
    GVFreeDisplaySettingsText(GVScene().display);
    delete GVScene().display;
    GVFreeLightListArray(GVScene().lights);
    delete GVScene().lights;
    GVSetGeoEditorLinks(savedLinks);
    GVAppSelection() = AppSelection();
  }
  void told(const std::string& what) { renderer.push_back(what); }

  // A two-triangle strip of n vertices from x0, in the groups of the mask.
  GObject* addStrip(int32_t id, const char* name, float x0, uint32_t groups) {
    std::vector<geotest::V3> v;
    for (int i = 0; i < 4; ++i) v.push_back({x0 + static_cast<float>(i / 2), static_cast<float>(i % 2), 0});
    GObject* g = geotest::makeGeo(id, name, v, {{1, 2, 3}, {2, 4, 3}});
    g->groupMask = groups;
    ObjHandle* cell = new ObjHandle;
    cell->object = g;
    g->handle = cell;
    GVAddGeoToScene(GVScene().geoList, cell);
    return g;
  }
  std::vector<int32_t> geoIds() const {
    std::vector<int32_t> ids;
    for (const GObject* g = GVGeoListOf(GVScene().geoList)->head; g; g = g->next) ids.push_back(g->id);
    return ids;
  }
};
GeoEditorCallbacks* GeoEditorCallbacks::self = nullptr;

TEST_F(GeoEditorCallbacks, GroupsMergeIntoOneCurrentGeoAndSplitAgain) {
  GObject* one = addStrip(1, "One", 0, 2 | 4);
  addStrip(2, "Two", 5, 2 | 4);
  for (GObject* g : {one, addStrip(3, "Three", 10, 2 | 8), addStrip(4, "Four", 15, 2 | 8)}) {
    ASSERT_EQ(GVNewGeoUVSets(g, 1), 0);
    GVSetString(&g->uvSets->sets[0].name, "map");
  }
  ASSERT_EQ(GVNewGeoUVSets(GVGeoOf(GVFindGeo(GVScene().geoList, 2)), 2), 0);  // group 2: sets that differ
  unsigned beeps = GVTestBeepCount();

  GVUnMergeGeos(0, 0x100, -2, 0, kWin);
  EXPECT_EQ(view.status, Strings{"Geo group not merged ... Geos in group must have corresponding UVSets"});
  EXPECT_EQ(GVTestBeepCount(), beeps + 1);
  EXPECT_EQ(geoIds(), (std::vector<int32_t>{1, 2, 3, 4}));
  EXPECT_TRUE(view.objects.empty());

  GVUnMergeGeos(0, 0x100, -3, 0, nullptr);  // no main window: nothing
  EXPECT_EQ(geoIds(), (std::vector<int32_t>{1, 2, 3, 4}));
  GVFrameClock().currentFrame = 7;  // the world alone is run to frame 0
  GVUnMergeGeos(0, 0x100, -3, 0, kWin);
  EXPECT_EQ(GVFrameClock().currentFrame, 7);
  GVFrameClock().currentFrame = 0;
  EXPECT_EQ(geoIds(), (std::vector<int32_t>{1, 2, 5}));
  EXPECT_EQ(view.objects, Strings{"GeoMRGD_5GMESH"});
  EXPECT_EQ(currentGeo[0], 5);
  EXPECT_EQ(GVAppSelection().geoId, 5);

  // Un-merging: id 0 and a group are refused; the merged Geo falls into its
  // two pieces, each made a render object.
  currentGeo[0] = 0;
  GVUnMergeGeos(0, 0x400, 0, 0, kWin);
  currentGeo[0] = -3;
  GVUnMergeGeos(0, 0x400, 0, 0, kWin);
  currentGeo[0] = 5;
  GVUnMergeGeos(0, 0x400, 0, 0, kWin);
  EXPECT_EQ(messages, (Strings{"GVUnMergeGeos: Cannot UnMerge Geo ... bad Geo_ID supplied !",
                               "GVUnMergeGeos: Cannot UnMerge Geo 'Group' !",
                               "GVUnMergeGeos: UnMerge Geo successful ... number 'new' geos = 2"}));
  EXPECT_EQ(geoIds(), (std::vector<int32_t>{1, 2, 5, 6, 7}));
  EXPECT_EQ(view.objects.size(), 3u);

  // The merge that carries every set side by side is refused as well for
  // Geos without UV sets.
  addStrip(8, "Bare", 20, 2 | 16);
  addStrip(9, "Bare2", 25, 2 | 16);
  view.status.clear();
  beeps = GVTestBeepCount();
  GVUnMergeGeos(0, 0x200, -4, 0, kWin);
  EXPECT_EQ(view.status, Strings{"Geo group not merged ... Geos in group must have corresponding UVSets"});
  EXPECT_EQ(GVTestBeepCount(), beeps + 1);
  EXPECT_EQ(geoIds(), (std::vector<int32_t>{1, 2, 5, 6, 7, 8, 9}));
}

TEST_F(GeoEditorCallbacks, AttachmentsAreAppliedOnlyInNaturalStateAndInListOrder) {
  addStrip(1, "Base", 0, 2);
  GObject* top = addStrip(2, "Top", 5, 2);
  GVAttachSet(GVGetGeoAttachment(top->handle), GEO_ATTACH_GEO0, 0, 0, 1, 0, 0, 0);
  const unsigned beeps = GVTestBeepCount();

  view.setStateMode(0);
  GVApplyAttachmentsCB(0, 0x40, 2, 0, kWin);  // attached: refused outside natural state
  GVApplyAttachmentsCB(0, 0x40, 1, 0, kWin);  // not attached: passes
  EXPECT_EQ(view.status, (Strings{"Warning: GEO ATTACHMENTS must be applied in Natural State mode",
                                  "GEO ATTACHMENTS have been re-applied"}));
  EXPECT_EQ(GVTestBeepCount(), beeps + 1);

  // In natural state a Geo must come after the Geo it is attached to.
  view.setStateMode(-1);
  view.status.clear();
  GObject* base = GVGeoOf(GVFindGeo(GVScene().geoList, 1));
  GVAttachSet(GVGetGeoAttachment(base->handle), GEO_ATTACH_GEO0, 0, 0, 2, 0, 0, 0);
  GVApplyAttachmentsCB(0, 0x40, 1, 0, kWin);
  GVAttachClear(base->attach);
  GVApplyAttachmentsCB(0, 0x40, 2, 0, kWin);
  EXPECT_EQ(view.status, (Strings{"Warning: GEO must be sequenced AFTER GEO_0 for ATTACHMENT to be correctly applied",
                                  "GEO ATTACHMENTS have been re-applied"}));
  EXPECT_EQ(GVTestBeepCount(), beeps + 2);
}

TEST_F(GeoEditorCallbacks, KeyFrameEditsAnnounceLongEvaluationsOnly) {
  addStrip(1, "Box", 0, 2);
  HObject* jel = view.addJel(1, "Jel");
  jel->nodeCount = 100000;  // counted only: the Jel has no live state to step
  HWorld* world = *GVScene().world;
  world->params.subSteps = 2;
  const char* notice = "... frame 9 ... evaluating scene may take a few seconds ... ";

  struct Case {
    int32_t frame, mode;
    bool notice;
  } cases[] = {{0, 0, false}, {9, 0, true}, {8, 0, false}, {9, 4, false}};  // 100000 x 2 x 8 = 1,600,000
  for (const Case& c : cases) {
    view.status.clear();
    GVFrameClock().currentFrame = c.frame;
    world->params.mode = c.mode;
    GVKeyFrameDlgCB(0, 0x40, 1, nullptr, kWin);
    EXPECT_EQ(view.status, c.notice ? Strings{notice} : Strings{}) << c.frame << " " << c.mode;
  }
  jel->nodeCount = 0;
  world->params.mode = 0;
  GVFrameClock().currentFrame = 0;
}

TEST_F(GeoEditorCallbacks, SceneEditorReadsAndWritesTheDisplaySettings) {
  DisplaySettings* d = GVScene().display;
  int32_t i = 0;
  float f = 0;
  char text[kSceneDlgTextSize];
  const int32_t sizes[] = {512, 1024, 2048};
  for (int32_t item = 1; item <= 3; ++item) {
    EXPECT_EQ(GVSceneDlgCB(0, 4, &item, nullptr, nullptr, kWin), 0);
    EXPECT_EQ(GVSceneDlgCB(4, 1, &i, &f, text, kWin), 1);
    EXPECT_EQ(i, sizes[item - 1]);
  }
  EXPECT_EQ(GVSceneDlgCB(0, 4, nullptr, nullptr, nullptr, kWin), 1);

  int32_t scripted = 2, none = 1;
  EXPECT_EQ(GVSceneDlgCB(0, 2, &scripted, nullptr, nullptr, kWin), 1);
  EXPECT_EQ(d->optionInts[0], 5);
  GVSceneDlgCB(2, 1, &i, &f, text, kWin);
  EXPECT_EQ(i, 5);
  addStrip(1, "Floor", 0, 2)->materialType = 2;
  GVSetString(&GVGeoOf(GVFindGeo(GVScene().geoList, 1))->matFile, "gvShadow.material");
  EXPECT_EQ(GVSceneDlgCB(0, 2, &none, nullptr, nullptr, kWin), 1);
  EXPECT_EQ(d->optionInts[0], 0);
  EXPECT_EQ(view.status, Strings{"Warning: Must also remove material 'Shadow Script' to avoid drawing artifacts!"});

  float far = 150.0f;
  GVSceneDlgCB(0, 8, nullptr, &far, nullptr, kWin);
  GVSceneDlgCB(8, 1, &i, &f, text, kWin);
  EXPECT_EQ(f, 150.0f);
  int32_t sky = 3;
  char image[] = "clouds.png";
  GVSceneDlgCB(0, 0x20, &sky, nullptr, nullptr, kWin);
  GVSceneDlgCB(0, 0x40, nullptr, nullptr, image, kWin);
  EXPECT_EQ(d->backgroundFlags, 2);
  GVSceneDlgCB(0x40, 1, &i, &f, text, kWin);
  EXPECT_STREQ(text, "clouds.png");
  EXPECT_EQ(renderer, (Strings{"shadow settings", "shadow settings", "shadow settings", "shadow textures 5",
                               "shadow textures 0", "shadow settings", "sky", "sky"}));

  // The counts and values of the other codes: each code writes and reads its
  // own field.
  int32_t count1 = 7, count2 = 9;
  float value5 = 500.0f, value4 = 0.125f;
  GVSceneDlgCB(0, 0x80, &count1, nullptr, nullptr, kWin);
  GVSceneDlgCB(0, 0x100, &count2, nullptr, nullptr, kWin);
  GVSceneDlgCB(0, 0x200, nullptr, &value5, nullptr, kWin);
  GVSceneDlgCB(0, 0x400, nullptr, &value4, nullptr, kWin);
  EXPECT_EQ(d->shadowCounts[0], 7);
  EXPECT_EQ(d->shadowCounts[1], 9);
  EXPECT_EQ(d->shadowValues[4], 500.0f);
  EXPECT_EQ(d->shadowValues[3], 0.125f);
  d->shadowValues[1] = 33.0f;
  const struct {
    int32_t code, i;
    float f;
  } reads[] = {{0x10, 0, 33.0f}, {0x20, 2, 0}, {0x80, 7, 0}, {0x100, 9, 0}, {0x200, 0, 500.0f}, {0x400, 0, 0.125f}};
  for (const auto& r : reads) {
    i = -1;
    f = -1;
    EXPECT_EQ(GVSceneDlgCB(r.code, 1, &i, &f, text, kWin), 1);
    EXPECT_EQ(i, r.i) << r.code;
    EXPECT_EQ(f, r.f) << r.code;
  }

  // Without a view camera the editor is answered nothing.
  SceneServices s = GVSceneServices();
  s.viewCamera = [] { return static_cast<CameraRec*>(nullptr); };
  GVSetSceneServices(s);
  EXPECT_EQ(GVSceneDlgCB(2, 1, &i, &f, text, kWin), 0);
}

TEST_F(GeoEditorCallbacks, LightsAreDeletedButNeverTheLastAndTakeTheView) {
  LightList* lights = GVScene().lights;
  GVAddLight(lights);
  GVAddLight(lights);
  GVSetLightName(GVGetLight(2, lights), "Third");
  GVLightsDlgCB(0, 0x8000, 1, kWin);
  ASSERT_EQ(lights->count, 2);
  EXPECT_STREQ(GVGetLight(1, lights)->name, "Third");
  GVLightsDlgCB(0, 0x8000, 1, kWin);
  GVLightsDlgCB(0, 0x8000, 0, kWin);
  EXPECT_EQ(lights->count, 1);
  EXPECT_EQ(renderer, Strings(3, "reset lights"));

  // Light from the view: the view's eye, looking along the view's axis.
  renderer.clear();
  CameraRec& cam = view.camera;
  const float eye[3] = {1, 2, 3}, target[3] = {1, 2, -7};
  std::memcpy(cam.eye, eye, sizeof eye);
  GVSetCameraTarget(&cam, target);
  GVLightsDlgCB(0, 0x200000, 0, kWin);
  const LightRec* light = GVGetLight(0, lights);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(light->position[k], eye[k], 1e-5f);
  EXPECT_NEAR(light->direction[2], -1.0f, 1e-5f);
  EXPECT_NEAR(light->direction[0], 0.0f, 1e-5f);
  EXPECT_EQ(renderer, Strings{"light 576 0"});

  // Looking from a light and back gives the camera from before.
  const float lightPos[3] = {5, 5, 5}, lightDir[3] = {0, -1, 0};
  std::memcpy(GVGetLight(0, lights)->position, lightPos, sizeof lightPos);
  std::memcpy(GVGetLight(0, lights)->direction, lightDir, sizeof lightDir);
  const CameraRec before = cam;
  GVLightsDlgCB(1, 0x20000, 0, kWin);
  EXPECT_EQ(cam.eye[1], 5.0f);
  EXPECT_LT(cam.target[1], cam.eye[1]);
  GVLightsDlgCB(0, 0x20000, 0, kWin);
  EXPECT_EQ(std::memcmp(cam.eye, before.eye, sizeof cam.eye), 0);
  EXPECT_EQ(std::memcmp(cam.target, before.target, sizeof cam.target), 0);

  // An index the list does not hold never reaches the renderer.
  renderer.clear();
  GVLightsDlgCB(1, 0x100000, 5, kWin);
  EXPECT_TRUE(renderer.empty());
}

}  // namespace
