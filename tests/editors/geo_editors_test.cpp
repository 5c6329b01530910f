// The Geo transform editor, the key-frame button bar and the attachment editor
// driven through the program's own windows: values typed and buttons clicked
// through the window stand-in, reports handled by the application callbacks,
// the Geos drawn by the engine in the main window's view.
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "GVAppWins/ogre_geo_objects.h"
#include "GVAppWins/render_services.h"
#include "appwins/editor_bar.h"
#include "appwins/editor_opener.h"
#include "appwins/key_frame_bar.h"
#include "editor_fixture.h"
#include "appwins/panel_handlers.h"
#include "dynamics/runner_scene.h"
#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "editors/attach_editor.h"
#include "editors/editor_entries.h"
#include "editors/key_frame_editor.h"
#include "geo/geo_attach.h"
#include "geo/geo_binding.h"
#include "geo/geo_fixtures.h"
#include "geo/key_frames.h"
#include "geo/key_interp.h"
#include "jel/deformation_map.h"
#include "jel/jel_object.h"
#include "scene/app_selection.h"
#include "scene/editor_links.h"
#include "scene/file_handlers.h"
#include "scene/frame_driver.h"
#include "geo/geo_list_services.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "scene/work_folders.h"
#include "toolkit/choosers.h"
#include "toolkit/edit_control.h"
#include "toolkit/entry_typing.h"
#include "toolkit/label.h"

namespace fs = std::filesystem;

namespace {

using editortest::gStatus;

using editortest::said;

class GeoEditors : public EditorWindowTest {
 protected:
  void SetUp() override { SetUpEditors(true, true); }
  GObject* addCube(int32_t id, geotest::V3 lo, geotest::V3 hi) {
    GObject* g = geotest::makeGeo(id, ("G" + std::to_string(id)).c_str(), geotest::boxCorners(lo, hi),
                                  geotest::boxTriangles());
    g->handle = new ObjHandle{g};
    GVAddGeoToScene(GVScene().geoList, g->handle);
    return g;
  }
  // A Jel of 2 x 2 x 2 cells around (0, 2, 1) with the cube bound to it.
  HObject* bindToJel(GObject* cube) {
    const float corner[3] = {-1.0f, 1.0f, 0.0f};
    HObject* j = MakeDropJel(2, 2, 2, 1.0f, corner, 1, 0.0f);
    j->handle = new HObject*(j);
    GVAddJelToScene(GVScene().world, j->handle);
    GVUpdateJelDeform(j, 0);
    EXPECT_EQ(GVMassocGeo(cube, j), 0);
    cube->flags |= GEO_FLAG_BOUND;
    return j;
  }
  void open(int code) {
    for (int i = 0; i < kEditorBarButtons; ++i)
      if (kEditorBarTable[i].code == code) click(win_->selectorBar->buttons[i]->face);
  }
  HwKeyFrame* keyEditor() { return static_cast<HwKeyFrame*>(win_->editors[kEditorKeyFrame]); }
  HwEditGOG* attachEditor() { return static_cast<HwEditGOG*>(win_->editors[kEditorAttachment]); }
  static void type(HwBaseControl* field, const std::string& text) {
    TypeIntoEntry(field->editButton->edit->window, text + "\r");
  }
  static void press(HwBaseControl* command) { click(command->button->face); }
  // The time bar's cursor released over the frame.
  void goTo(int32_t frame) { GVTimeBarCB(0, 8, frame, win_); }
  std::vector<COLORREF> viewPixels() {
    win_->redrawView();
    settle();
    std::vector<COLORREF> out;
    const RECT v = rectOf(win_->view->window);
    for (int y = v.top; y < v.bottom; y += 6)
      for (int x = v.left; x < v.left + 1000; x += 6) out.push_back(screen(x, y));
    return out;
  }
  float keyX(GObject* g, int32_t frame) {
    const KeyFrame* k = GVKeyTrackFindKey(g->keyTrack, frame);
    return k && k->translation ? k->translation[0] : NAN;
  }
};

TEST_F(GeoEditors, TransformFieldsMoveRotateAndScaleTheGeoUnlessItIsBound) {
  GObject* cube = addCube(1, {-0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, 0.5f});
  GObject* bound = addCube(2, {-0.5f, 1.5f, 0.5f}, {0.5f, 2.5f, 1.5f});
  GVCreateOgreGeoObj(1, 32, -2);
  open(kEditorKeyFrame);
  HwKeyFrame* d = keyEditor();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(rectOf(d->popup).left, 1140);
  EXPECT_EQ(d->current(), 1);  // the first Geo, with no Geo current
  ASSERT_EQ(world()->params.stateMode, 0);
  const std::vector<COLORREF> before = viewPixels();
  type(d->fields[0], "2");
  EXPECT_FLOAT_EQ(cube->xform[GEO_SLOT_FRAME].position[0], 2.0f);
  EXPECT_FLOAT_EQ(cube->xform[GEO_SLOT_START].position[0], 2.0f);
  EXPECT_NE(viewPixels(), before);

  // A rotation is rebuilt from all three angle fields.
  type(d->fields[3], "30");
  type(d->fields[5], "90");
  const float angles[3] = {0.5235988f, 0.0f, 1.5707964f};
  float expected[9];
  GVMat3FromEuler(angles, expected);
  for (int i = 0; i < 9; ++i) EXPECT_NEAR(cube->xform[GEO_SLOT_FRAME].matrix[i], expected[i], 1e-4f);
  click(d->fields[6]->editButton->upButton->face);
  EXPECT_NEAR(cube->xform[GEO_SLOT_FRAME].scale[0], 1.1f, 1e-5f);
  EXPECT_NEAR(d->fields[6]->editButton->getFloat(), 1.1f, 1e-5f);
  settle();
  EXPECT_TRUE(GVSaveScreenPng("transform_editor.png"));

  // A Geo bound to its Jel is refused by the application in the initial state.
  bindToJel(bound);
  click(d->selector->nextButton->face);
  ASSERT_EQ(d->current(), 2);
  const float x = bound->xform[GEO_SLOT_FRAME].position[0];
  type(d->fields[0], "2");
  EXPECT_TRUE(said("Gv warning: Cannot re-configure MASSOC'd GEO ... Clear Geo's Def Mode to re-configure (see Geo "
                   "Props editor)"));
  EXPECT_FLOAT_EQ(bound->xform[GEO_SLOT_FRAME].position[0], x);
  EXPECT_FLOAT_EQ(bound->xform[GEO_SLOT_START].position[0], x);
}

TEST_F(GeoEditors, KeysAreSetRemovedAndRefused) {
  GObject* cube = addCube(1, {-0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, 0.5f});
  open(kEditorKeyFrame);
  HwKeyFrame* d = keyEditor();
  goTo(10);
  type(d->fields[0], "0");
  press(d->commands[HwKeyFrame::kSetKey]);
  goTo(30);
  type(d->fields[0], "4");
  press(d->commands[HwKeyFrame::kSetKey]);
  ASSERT_EQ(GVKeyTrackKeyCount(cube->keyTrack), 2);
  EXPECT_FLOAT_EQ(keyX(cube, 10), 0.0f);
  EXPECT_FLOAT_EQ(keyX(cube, 30), 4.0f);
  float t[3], m[9], s[3];
  double v = 0;
  ASSERT_TRUE(GVEvalKeyTrack(cube->keyTrack, &v, t, m, s, 20.0));
  EXPECT_GT(t[0], 0.0f);
  EXPECT_LT(t[0], 4.0f);
  goTo(20);
  EXPECT_FLOAT_EQ(d->fields[0]->editButton->getFloat(), t[0]);  // the editor follows the frame

  // Bake refuses a key-framed Geo and leaves it as it is.
  const float base = cube->baseVertices[1][0];
  press(d->commands[HwKeyFrame::kBake]);
  EXPECT_TRUE(said("Gv warning: Cannot Bake keyframed GEO!"));
  EXPECT_FLOAT_EQ(cube->baseVertices[1][0], base);
  EXPECT_EQ(GVKeyTrackKeyCount(cube->keyTrack), 2);

  // No key at 20: every key from 20 on goes.
  press(d->commands[HwKeyFrame::kRemoveKey]);
  EXPECT_EQ(GVKeyTrackKeyCount(cube->keyTrack), 1);
  EXPECT_FLOAT_EQ(keyX(cube, 10), 0.0f);

  // In the natural state a Geo bound to its Jel takes no key.
  bindToJel(cube);
  GVSetWorldStateMode(world(), -1);
  goTo(0);
  press(d->commands[HwKeyFrame::kSetKey]);
  EXPECT_TRUE(said("Gv warning: Key frames cannot be added to MASSOC'd GEO in Natural State mode "));
  EXPECT_EQ(GVKeyTrackKeyCount(cube->keyTrack), 1);
}

// The transform editor shows its Geo as it is drawn: when the Geo's scene,
// saved at frame 20, is opened again under the open editor (frame 0), and when
// the key it showed is removed (where the key left puts it).
TEST_F(GeoEditors, TransformEditorFollowsAReopenedSceneAndARemovedKey) {
  struct Folder {
    fs::path old = fs::current_path();
    fs::path root = fs::temp_directory_path() / ("gv_key_editor_" + std::to_string(getpid()));
    ~Folder() {
      fs::current_path(old);
      fs::remove_all(root);
    }
  } folder;
  fs::create_directories(folder.root / "GVSceneFiles/Scenes");
  fs::current_path(folder.root);
  ASSERT_EQ(GVInitFolders(), 1);
  ASSERT_EQ(GVSetDirScenes(), 1);

  GObject* cube = addCube(1, {-0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, 0.5f});
  const float r[3] = {}, sc[3] = {1, 1, 1}, a[3] = {0, 0, 0}, b[3] = {2, 3, 0};
  GVKeyTrackSetKey(0, cube->keyTrack, 0, a, r, sc);
  GVKeyTrackSetKey(20, cube->keyTrack, 0, b, r, sc);
  open(kEditorKeyFrame);
  HwKeyFrame* d = keyEditor();
  goTo(20);
  ASSERT_NE(GVSaveSceneAs("Keyed.gvs"), 0);
  auto shows = [&](const float at[3]) {
    GObject* g = GVGeoOf(GVFindGeo(GVScene().geoList, 1));
    ASSERT_NE(g, nullptr);
    ASSERT_EQ(d->current(), 1);
    for (int k = 0; k < 3; ++k) {
      EXPECT_FLOAT_EQ(g->xform[GEO_SLOT_FRAME].position[k], at[k]) << k;
      EXPECT_FLOAT_EQ(d->fields[k]->editButton->getFloat(), at[k]) << k;
    }
  };
  shows(b);

  GVFileOpenCB(kFileOpen | kFileScenes, "Keyed.gvs", win_);
  ASSERT_EQ(win_->sceneName, "Keyed.gvs");
  ASSERT_EQ(GVCurrentFrame(GVScene().world), 0);
  shows(a);

  goTo(20);
  shows(b);
  press(d->commands[HwKeyFrame::kRemoveKey]);
  ASSERT_EQ(GVKeyTrackKeyCount(GVGeoOf(GVFindGeo(GVScene().geoList, 1))->keyTrack), 1);
  shows(a);
}

TEST_F(GeoEditors, KeyFrameBarStepsBetweenKeysAndSetsFromTheFrameSlot) {
  GObject* cube = addCube(1, {-0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, 0.5f});
  const float r[3] = {}, sc[3] = {1, 1, 1}, a[3] = {0, 0, 0}, b[3] = {4, 0, 0};
  GVKeyTrackSetKey(10, cube->keyTrack, 0, a, r, sc);
  GVKeyTrackSetKey(30, cube->keyTrack, 0, b, r, sc);
  GVKeyFrameBar* bar = win_->keyFrameBar;
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(place(bar->frame->outer).right, 122);
  EXPECT_EQ(place(bar->frame->outer).bottom, 36);
  goTo(20);
  click(bar->previous->face);  // no current Geo: nothing
  EXPECT_EQ(GVCurrentFrame(GVScene().world), 20);
  currentGeo_[0] = 1;
  click(bar->previous->face);
  EXPECT_EQ(GVCurrentFrame(GVScene().world), 10);
  goTo(20);
  click(bar->next->face);
  EXPECT_EQ(GVCurrentFrame(GVScene().world), 30);
  click(bar->next->face);  // the last key
  EXPECT_EQ(GVCurrentFrame(GVScene().world), 30);

  goTo(40);
  cube->xform[GEO_SLOT_FRAME].position[1] = 3.0f;  // moved by the view's tools
  click(bar->set->face);
  const KeyFrame* k = GVKeyTrackFindKey(cube->keyTrack, 40);
  ASSERT_NE(k, nullptr);
  EXPECT_FLOAT_EQ(k->translation[1], 3.0f);
  EXPECT_FLOAT_EQ(k->translation[0], cube->xform[GEO_SLOT_FRAME].position[0]);
  settle();
  EXPECT_TRUE(GVSaveScreenPng("key_frame_bar.png"));
}

TEST_F(GeoEditors, AttachmentEditorAppliesChecksAndClears) {
  addCube(1, {-0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, 0.5f});
  GObject* g2 = addCube(2, {2.0f, -0.5f, -0.5f}, {3.0f, 0.5f, 0.5f});
  GObject* g1 = GVGeoOf(GVFindGeo(GVScene().geoList, 1));
  bindToJel(addCube(3, {-0.5f, 1.5f, 0.5f}, {0.5f, 2.5f, 1.5f}));
  GVSetWorldStateMode(world(), -1);
  open(kEditorAttachment);
  HwEditGOG* d = attachEditor();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(rectOf(d->popup).left, 1140);
  click(d->selectors[HwEditGOG::kGeo]->nextButton->face);
  ASSERT_EQ(d->current(), 2);
  choose(d->methodDrop, 7);  // "Geo0"
  click(d->selectors[HwEditGOG::kGeo0]->nextButton->face);
  EXPECT_EQ(d->geo0, 1);
  click(d->selectors[HwEditGOG::kJel0]->nextButton->face);  // chosen, but "Geo0" does not store it
  TypeIntoEntry(d->selectors[HwEditGOG::kPart]->textBox->window, "3\r");
  EXPECT_EQ(d->part, 3);
  settle();
  EXPECT_TRUE(GVSaveScreenPng("attachment_editor.png"));
  click(d->applyButton->face);
  ASSERT_NE(g2->attach, nullptr);
  const GeoAttach& a = *g2->attach;
  EXPECT_EQ(a.type, 6);
  EXPECT_EQ(a.geo0, 1);
  EXPECT_EQ(a.partStart, 3);
  EXPECT_EQ(a.partEnd, 3);
  EXPECT_EQ(a.geoZ + a.jelStart + a.jelEnd, 0);
  EXPECT_TRUE(said("GEO ATTACHMENTS have been re-applied"));

  // Attached to a Geo after it in the list: refused with a beep.
  gStatus.clear();
  click(d->selectors[HwEditGOG::kGeo]->prevButton->face);
  ASSERT_EQ(d->current(), 1);
  choose(d->methodDrop, 7);
  click(d->selectors[HwEditGOG::kGeo0]->nextButton->face);
  click(d->selectors[HwEditGOG::kGeo0]->nextButton->face);
  ASSERT_EQ(d->geo0, 2);
  const unsigned beeps = GVTestBeepCount();
  click(d->applyButton->face);
  EXPECT_TRUE(said("Warning: GEO must be sequenced AFTER GEO_0 for ATTACHMENT to be correctly applied"));
  EXPECT_EQ(GVTestBeepCount(), beeps + 1);

  // "None" applied clears the record.
  choose(d->methodDrop, 1);
  click(d->applyButton->face);
  EXPECT_FALSE(GVGeoHasAttachment(g1->handle));
  EXPECT_TRUE(said("Warning: No attachment method set"));

  // Outside the natural state the method list stays on the stored method.
  click(d->selectors[HwEditGOG::kGeo]->nextButton->face);
  GVSetWorldStateMode(world(), 0);
  choose(d->methodDrop, 6);
  EXPECT_TRUE(said("Gv Warning: Geo Attachments must be applied in Natural State mode"));
  EXPECT_EQ(d->methodDrop->selected, 7);
  EXPECT_EQ(g2->attach->type, 6);
}

TEST_F(GeoEditors, ReshowFollowsTheSlotOnlyWhileTheEditorShows) {
  GObject* cube = addCube(1, {-0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, 0.5f});
  open(kEditorKeyFrame);
  HwKeyFrame* d = keyEditor();
  cube->xform[GEO_SLOT_FRAME].position[2] = 1.5f;
  GVReshowKeyFrameEditor();
  EXPECT_FLOAT_EQ(d->fields[2]->editButton->getFloat(), 1.5f);
  open(kEditorKeyFrame);  // hidden
  ASSERT_FALSE(d->isVisible());
  cube->xform[GEO_SLOT_FRAME].position[2] = 2.5f;
  GVReshowKeyFrameEditor();
  EXPECT_FLOAT_EQ(d->fields[2]->editButton->getFloat(), 1.5f);
  delete win_;
  win_ = nullptr;
  GVSetMainAppWin(nullptr);
  EXPECT_EQ(GVEditors().keyFrame, nullptr);
}

}  // namespace
