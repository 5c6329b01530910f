#include "scene/edit_rules.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fake_view.h"
#include "geo/key_frames.h"
#include "jel/jel_object.h"
#include "platform/test_api.h"
#include "platform/user32.h"
#include "records/heap_string.h"
#include "scene/scene_access.h"

using scenetest::FakeView;
using Strings = std::vector<std::string>;

namespace {

void AddKey(GObject* g) {
  if (!g->keyTrack) {
    g->keyTrack = new KeyTrack;
    GVKeyTrackInit(g->keyTrack);
  }
  ASSERT_NE(GVKeyTrackFindOrInsert(g->keyTrack, 10), nullptr);
}

}  // namespace

TEST(EditRules, GeoRenameRebuildsRenderObjectsUnderAUniqueName) {
  FakeView view;
  view.addGeo(1, "Box");
  GObject* ball = view.addGeo(2, "Ball");
  view.objects = {"BoxGMESH", "BallGMESH"};
  const unsigned beeps = GVTestBeepCount();

  char taken[] = "Box";
  EXPECT_EQ(GVRenameGeo(taken, 2), 0);
  char same[] = "Ball";
  EXPECT_EQ(GVRenameGeo(same, 2), 0);  // its own name is taken too
  EXPECT_EQ(view.status, Strings(2, "Warning: GEO object NOT re-named. New name is not unique."));
  EXPECT_EQ(GVTestBeepCount(), beeps + 2);
  EXPECT_EQ(GVTestLastBeep(), static_cast<UINT>(MB_ICONHAND));
  // A name the cleaner changes: a beep, no message, nothing renamed.
  char spaced[] = "Big Ball";
  EXPECT_EQ(GVRenameGeo(spaced, 2), 0);
  EXPECT_EQ(view.status.size(), 2u);
  EXPECT_EQ(GVTestBeepCount(), beeps + 3);
  EXPECT_STREQ(ball->name, "Ball");
  EXPECT_TRUE(view.calls.empty());

  // A script-material Geo shows its own material while rebuilt and keeps the script.
  ball->materialType = 2;
  view.camera.geoDisplayMode = 2;
  char fresh[] = "Planet";
  EXPECT_EQ(GVRenameGeo(fresh, 2), 1);
  EXPECT_STREQ(ball->name, "Planet");
  EXPECT_EQ(ball->materialType, 2);
  EXPECT_EQ(view.objects, (Strings{"BoxGMESH", "PlanetGMESH"}));
  EXPECT_EQ(view.calls, (Strings{"own material 2", "material 2 type 1 mode 2", "destroy Ball", "create Planet 16 -7",
                                 "material 2 type 2 mode 2"}));
  EXPECT_EQ(view.status.back(), "GEO object re-named.");
  EXPECT_EQ(GVTestBeepCount(), beeps + 3);
  char ghost[] = "Ghost";
  EXPECT_EQ(GVRenameGeo(ghost, 9), 0);

  // A render system that did not start refuses, though its entries are there.
  SceneServices s = GVSceneServices();
  s.renderStarted = []() -> int32_t { return 0; };
  GVSetSceneServices(s);
  char later[] = "Moon";
  EXPECT_EQ(GVRenameGeo(later, 2), 0);
  EXPECT_STREQ(ball->name, "Planet");
}

TEST(EditRules, JelRenameAndItsRefusals) {
  FakeView view;
  view.addJel(1, "Blob");
  HObject* cube = view.addJel(2, "Cube");
  view.camera.jelDisplayMode = 16;
  char taken[] = "Blob";
  EXPECT_EQ(GVRenameJel(taken, 2), 0);
  EXPECT_EQ(view.status.back(), "Warning: JEL object NOT re-named. New name is not unique.");
  char fresh[] = "Jelly";
  EXPECT_EQ(GVRenameJel(fresh, 2), 1);
  EXPECT_STREQ(cube->name, "Jelly");
  EXPECT_EQ(view.calls, (Strings{"destroy Cube", "create Jelly 16"}));
  EXPECT_EQ(view.status.back(), "JEL object re-named.");
}

TEST(EditRules, JelTransformsFollowTheStateMode) {
  FakeView view;
  view.addJel(1, "A");
  HObject* b = view.addJel(2, "B");
  b->groupMask = 4;  // group 2 only
  struct Case {
    int32_t mode, sel, tool;
    int32_t blocked;
    const char* message;  // null: no message
  } cases[] = {
      {-1, 1, kToolRotate, 1, "Gv warning: Cannot rotate Jel in Natural State mode"},
      {-1, -2, kToolRotate, 1, "Gv warning: Cannot rotate Jel in Natural State mode"},  // group of B
      {-1, 1, kToolMove, 1, "Gv warning: Jel objects do not 'move' in Natural State mode"},
      {-1, 1, kToolMoveAlt, 1, "Gv warning: Jel objects do not 'move' in Natural State mode"},
      {-1, 1, kToolScale, 0, nullptr},
      {0, 1, kToolScale, 1, "Gv warning: Cannot scale JEL in Initial State mode"},
      {0, 1, kToolRotate, 0, nullptr},
      {0, 7, kToolRotate, 1, nullptr},  // no such Jel: refused silently
      {-1, -3, kToolRotate, 0, nullptr},  // an empty group
  };
  for (const Case& c : cases) {
    view.status.clear();
    EXPECT_EQ(GVIsJelTransformBlocked(c.sel, c.mode, c.tool), c.blocked) << c.mode << " " << c.sel << " " << c.tool;
    EXPECT_EQ(view.status, c.message ? Strings{c.message} : Strings{}) << c.mode << " " << c.sel << " " << c.tool;
  }
  // A busy view refuses silently; an active tool only selecting, rotating and scaling.
  view.status.clear();
  view.busy = 1;
  EXPECT_EQ(GVIsJelTransformBlocked(1, 0, kToolMove), 1);
  view.busy = 0;
  view.toolActive = 1;
  EXPECT_EQ(GVIsJelTransformBlocked(1, 0, kToolSelect), 1);
  EXPECT_EQ(GVIsJelTransformBlocked(1, 0, kToolMove), 0);
  EXPECT_TRUE(view.status.empty());

  // In initial-state mode a key-framed Geo that follows its Jel blocks Jel transforms.
  view.toolActive = 0;
  view.setStateMode(0);
  GObject* g = view.addGeo(1, "Skin");
  g->flags |= GEO_FLAG_VERTEX_BINDING;
  AddKey(g);
  EXPECT_EQ(GVJelHasKeyframedGeo(1), 1);
  EXPECT_EQ(GVJelHasKeyframedGeo(0), 0);
  EXPECT_EQ(GVIsJelTransformBlocked(1, 0, kToolMove), 1);
  EXPECT_EQ(view.status.back(), "Gv warning: JEL Initial State NOT re-set if associated GEO object is keyframed");
  view.setStateMode(-1);
  EXPECT_EQ(GVJelHasKeyframedGeo(1), 0);
}

TEST(EditRules, GeoReconfigureFollowsBindingAttachmentAndKeys) {
  FakeView view;
  GObject* g = view.addGeo(1, "Hat");
  ObjHandle* cell = g->handle;
  g->attach = new GeoAttach{};
  struct Case {
    uint32_t flags;
    int32_t attachType, keyed, mode, blocked;
    const char* message;
  } cases[] = {
      {0, 0, 0, 0, 0, nullptr},
      {GEO_FLAG_BOUND, 0, 0, 0, 1,
       "Gv warning: Cannot re-configure MASSOC'd GEO ... Clear Geo's Def Mode to re-configure (see Geo Props editor)"},
      {GEO_FLAG_BOUND, 0, 0, -1, 0, nullptr},
      {GEO_FLAG_BOUND | GEO_FLAG_VERTEX_BINDING, 0, 1, -1, 1,
       "Gv warning: Cannot re-configure MASSOC'd GEO ... Clear Geo's Def Mode to re-configure (see Geo Props editor)"},
      {0, 1, 0, 0, 1, "Gv warning: Can only re-configure GEO with ATTACHMENT property in Natural State mode"},
      {0, 1, 1, -1, 0, "Keyframed Geo: ... New transform will be lost unless keyframe is re-set"},
  };
  for (const Case& c : cases) {
    g->flags = c.flags;
    g->attach->type = c.attachType;
    if (c.keyed) AddKey(g);
    view.status.clear();
    const unsigned beeps = GVTestBeepCount();
    EXPECT_EQ(GVIsGeoReconfigureBlocked(cell, c.mode), c.blocked) << c.flags << " " << c.mode;
    EXPECT_EQ(view.status, c.message ? Strings{c.message} : Strings{}) << c.flags << " " << c.mode;
    EXPECT_EQ(GVTestBeepCount() - beeps, static_cast<unsigned>(c.blocked && c.message));  // the notice does not beep
  }
  view.busy = 1;
  EXPECT_EQ(GVIsGeoReconfigureBlocked(cell, -1), 1);
  EXPECT_EQ(GVIsGeoReconfigureBlocked(nullptr, -1), 1);
  EXPECT_EQ(GVGetGeoDriveModeSafe(nullptr, 0, 0), -11);
  g->flags = GEO_FLAG_VERTEX_BINDING;
  view.setStateMode(0);
  EXPECT_EQ(GVIsGeoAttachmentFree(cell), 1);
  view.setStateMode(-1);
  EXPECT_EQ(GVIsGeoAttachmentFree(cell), 0);
}

TEST(EditRules, NewVehiclePartsGetRenderObjectsAndShow) {
  FakeView view;
  view.addJel(3, "Wheel");
  view.addGeo(5, "Rim");
  view.camera.jelDisplayMode = 1;
  view.camera.geoDisplayMode = 1;
  const int32_t ids[15] = {0, 3};
  GVCreateOgreVehicleJelObjs(16, ids);
  GVCreateOgreVehicleGeoObj(5, 2);
  EXPECT_EQ(view.objects, (Strings{"WheelHMESH", "RimGMESH", "GMESH", "GMESH", "GMESH"}));
  EXPECT_EQ(view.camera.jelDisplayMode, 32);
  EXPECT_EQ(view.camera.geoDisplayMode, 32);
  EXPECT_EQ(view.displayItems, (std::vector<int>{14, 4}));  // "Jel Dply" and "Geo Dply" item 4
}
