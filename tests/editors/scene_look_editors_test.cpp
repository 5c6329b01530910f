// The lights editor and the scene settings editor driven through the program's
// own windows: opened from the selector bar, values typed, knobs dragged and
// buttons clicked through the window stand-in, with the real callbacks and the
// engine view behind them.
#include <cmath>
#include <cstring>
#include <string>

#include "GVAppWins/render_services.h"
#include "GVAppWins/view_links.h"
#include "appwins/editor_bar.h"
#include "appwins/editor_opener.h"
#include "appwins/file_list.h"
#include "appwins/main_window_fixture.h"
#include "editors/editor_entries.h"
#include "editors/lights_editor.h"
#include "editors/scene_settings.h"
#include "platform/screen_image.h"
#include "scene/display_settings.h"
#include "scene/light_list.h"
#include "scene/scene_opts.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "toolkit/choosers.h"
#include "toolkit/edit_control.h"
#include "toolkit/entry_typing.h"
#include "toolkit/label.h"
#include "toolkit/slider_group.h"

namespace {

class LookEditors : public MainWindowTest {
 protected:
  void SetUp() override {
    saved_ = GVSceneServices();
    MainWindowTest::SetUp();
    // The view reads the scene's colours and sky as the program links them.
    GVViewSceneLinks links;
    links.bounds = GVScene().bounds;
    links.background = &display()->background.r;
    links.backdropMode = &display()->backgroundFlags;
    links.skyDistance = &display()->shadowValues[4];
    GVSetViewSceneLinks(links);
    GVInstallRenderServices();
    GVInstallMainWindowServices();
    SceneServices s = GVSceneServices();
    GVInstallEditorServices(&s);
    GVSetSceneServices(s);
    ASSERT_EQ(GVInstallEditorEntries(), 1);
  }
  void TearDown() override {
    GVRemoveMainWindowServices();
    MainWindowTest::TearDown();
    GVRemoveEditorEntries();
    GVSetSceneServices(saved_);
    GVSetViewSceneLinks(GVViewSceneLinks());
  }
  void open(int code) {
    for (int i = 0; i < 16; ++i)
      if (win_->selectorBar->links[i].code == code) click(win_->selectorBar->buttons[i]->face);
  }
  HwLight* lights() { return static_cast<HwLight*>(win_->editors[kEditorLights]); }
  HwEditScOG* sceneEd() { return static_cast<HwEditScOG*>(win_->editors[kEditorSceneSettings]); }
  static void type(HwSliderGroup* s, const std::string& text) { TypeIntoEntry(s->edit->window, text + "\r"); }
  static void type(HwBaseControl* c, const std::string& text) {
    TypeIntoEntry(c->editButton->edit->window, text + "\r");
  }
  static std::string text(HwSelectorTool* s) { return s->textBox->text ? s->textBox->text : ""; }
  LightRec* light(int i) { return GVGetLight(i, GVScene().lights); }
  DisplaySettings* display() { return GVScene().display; }
  CameraRec* viewCamera() { return *win_->view->camera; }
  // The share of the view's pixels (sampled) within 1 of the colour.
  double viewShare(int r, int g, int b) {
    GVRedrawView(win_->view);
    settle();
    const RECT v = rectOf(win_->view->window);
    int hit = 0, all = 0;
    for (int y = v.top + 2; y < v.bottom - 2; y += 7)
      for (int x = v.left + 2; x < v.right - 2; x += 7, ++all) {
        const COLORREF c = screen(x, y);
        hit += std::abs(GetRValue(c) - r) <= 1 && std::abs(GetGValue(c) - g) <= 1 && std::abs(GetBValue(c) - b) <= 1;
      }
    return all ? static_cast<double>(hit) / all : 0.0;
  }
  SceneServices saved_;
};

TEST_F(LookEditors, LightFieldsFollowTheirRules) {
  open(kEditorLights);
  HwLight* d = lights();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(text(d->selector), "Light 0");
  HwSliderGroup** s = d->sliders;
  // The default light stands at (0, 10, 20).
  for (int k = HwLight::kPosX; k <= HwLight::kPosZ; ++k) {
    EXPECT_FLOAT_EQ(s[k]->floatMinimum, -20);
    EXPECT_FLOAT_EQ(s[k]->floatMaximum, 20);
  }
  type(s[HwLight::kPosX], "250");
  EXPECT_FLOAT_EQ(light(0)->position[0], 250);
  for (int k = HwLight::kPosX; k <= HwLight::kPosZ; ++k) {
    EXPECT_FLOAT_EQ(s[k]->floatMinimum, -300);
    EXPECT_FLOAT_EQ(s[k]->floatMaximum, 300);
  }
  settle();
  EXPECT_TRUE(GVSaveScreenPng("lights_editor.png"));

  // A spot light: direction, then the spot angles kept in order.
  choose(d->typeDrop, 4);
  ASSERT_EQ(light(0)->kind, 3);
  const float z[3] = {0, 0, -1};
  std::memcpy(light(0)->direction, z, sizeof z);
  d->showLight(0);
  type(s[HwLight::kDirY], "3");
  EXPECT_NEAR(light(0)->direction[0], 0, 1e-6f);
  EXPECT_NEAR(light(0)->direction[1], 0.7071068f, 1e-6f);
  EXPECT_NEAR(light(0)->direction[2], -0.7071068f, 1e-6f);
  EXPECT_NEAR(s[HwLight::kDirZ]->floatValue, -0.7071068f, 1e-2f);

  const float x[3] = {0.2f, 0, 0};
  std::memcpy(light(0)->direction, x, sizeof x);
  d->showLight(0);
  const RECT t = rectOf(s[HwLight::kDirX]->track);
  const int ty = (t.top + t.bottom) / 2, x0 = t.left + s[HwLight::kDirX]->knobX + 11;
  GVTestMouseDown(x0, ty);
  settle();
  GVTestMouseMove(t.right + 40, ty);
  settle();
  GVTestMouseUp(t.right + 40, ty);
  settle();
  EXPECT_FLOAT_EQ(light(0)->direction[0], 1);
  EXPECT_FLOAT_EQ(light(0)->direction[1], 0);
  EXPECT_FLOAT_EQ(light(0)->direction[2], 0);

  type(s[HwLight::kSpotIn], "30");
  type(s[HwLight::kSpotOut], "50");
  type(s[HwLight::kSpotIn], "60");
  EXPECT_FLOAT_EQ(light(0)->angle1, 50);
  EXPECT_FLOAT_EQ(s[HwLight::kSpotIn]->floatValue, 50);
  type(s[HwLight::kSpotOut], "20");
  EXPECT_FLOAT_EQ(light(0)->angle2, 50);

  // A near distance of 0 would be measured from the casters again.
  light(0)->param1 = 1;
  type(s[HwLight::kClipFar], "37");
  EXPECT_FLOAT_EQ(light(0)->param2, 37);
  for (int k : {HwLight::kClipNear, HwLight::kClipFar}) {
    EXPECT_FLOAT_EQ(s[k]->floatMinimum, 0);
    EXPECT_FLOAT_EQ(s[k]->floatMaximum, 40);
  }

  // A directional light has no position: the sliders show 0 and ignore input.
  choose(d->typeDrop, 3);
  ASSERT_EQ(light(0)->kind, 2);
  EXPECT_FLOAT_EQ(s[HwLight::kPosX]->floatValue, 0);
  type(s[HwLight::kPosY], "5");
  EXPECT_FLOAT_EQ(s[HwLight::kPosY]->floatValue, 0);
  EXPECT_FLOAT_EQ(light(0)->position[1], 10);
}

TEST_F(LookEditors, BackgroundCameraModeAndTheLightList) {
  open(kEditorLights);
  HwLight* d = lights();
  ASSERT_NE(d, nullptr);
  type(d->sliders[HwLight::kBgR], "0.1");
  type(d->sliders[HwLight::kBgG], "0.2");
  type(d->sliders[HwLight::kBgB], "0.3");
  EXPECT_FLOAT_EQ(display()->background.b, 0.3f);
  EXPECT_GT(viewShare(26, 51, 77), 0.5);

  // Looking through the point light at (0, 10, 20), and back.
  const CameraRec before = *viewCamera();
  click(d->camButton->face);
  EXPECT_TRUE(d->cameraMode());
  EXPECT_EQ(d->lock, 1);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(viewCamera()->eye[k], light(0)->position[k], 1e-4f);
  const unsigned beeps = GVTestBeepCount();
  click(d->dismissButton->face);
  EXPECT_EQ(GVTestBeepCount(), beeps + 1);
  EXPECT_TRUE(d->isVisible());
  click(d->camButton->face);
  EXPECT_FALSE(d->cameraMode());
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(viewCamera()->eye[k], before.eye[k], 1e-4f);
  click(d->camButton->face);
  ASSERT_TRUE(d->cameraMode());
  choose(d->typeDrop, 1);
  EXPECT_FALSE(d->cameraMode());
  EXPECT_EQ(d->lock, 0);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(viewCamera()->eye[k], before.eye[k], 1e-4f);

  // "+", stepping past the end, "x" on light 0 of two, "x" on the last one.
  click(d->selector->button3->face);
  EXPECT_EQ(GVScene().lights->count, 2);
  EXPECT_EQ(d->current(), 1);
  EXPECT_EQ(text(d->selector), "Light 1");
  click(d->selector->nextButton->face);
  EXPECT_EQ(d->current(), 0);
  GVSetLightName(light(1), "Second");
  click(d->selector->button2->face);
  ASSERT_EQ(GVScene().lights->count, 1);
  EXPECT_STREQ(light(0)->name, "Second");
  EXPECT_EQ(text(d->selector), "Light 0");
  const unsigned beeps2 = GVTestBeepCount();
  click(d->selector->button2->face);
  EXPECT_EQ(GVTestBeepCount(), beeps2 + 1);
  EXPECT_EQ(GVScene().lights->count, 1);
}

TEST_F(LookEditors, SceneSettingsReadAndWriteTheDisplayRecord) {
  open(kEditorSceneSettings);
  HwEditScOG* d = sceneEd();
  ASSERT_NE(d, nullptr);
  EXPECT_FLOAT_EQ(d->farDistance->floatValue, 150);
  EXPECT_GE(d->farDistance->floatMaximum, 150);
  settle();
  EXPECT_TRUE(GVSaveScreenPng("scene_settings_editor.png"));
  // Every label shows its whole text inside the dialog.
  const RECT client = rectOf(d->content->inner);
  for (HwLabel* l : {d->shadowType->label, d->textureSize->label, d->backgroundType->label, d->imageLabel,
                     d->skyTiles->label, d->skySegments->label, d->viewStatus->label}) {
    EXPECT_TRUE(labelWhole(l->window)) << l->text;
    EXPECT_GT(rectOf(l->window).left, client.left) << l->text;
  }

  type(d->farDistance, "250");
  EXPECT_FLOAT_EQ(display()->shadowValues[0], 250);
  EXPECT_FLOAT_EQ(d->farDistance->floatMaximum, 300);
  type(d->farDistance, "5");
  EXPECT_FLOAT_EQ(d->farDistance->floatMaximum, 5);
  EXPECT_FLOAT_EQ(display()->shadowValues[0], 5);

  type(d->skyTiles, "64");
  click(d->skyTiles->editButton->upButton->face);
  EXPECT_EQ(display()->shadowCounts[0], 64);
  type(d->skyTiles, "2");
  click(d->skyTiles->editButton->downButton->face);
  EXPECT_EQ(display()->shadowCounts[0], 2);
  EXPECT_EQ(d->skyTiles->editButton->edit->getInt(), 2);
  type(d->skySpeed, "0.5");
  EXPECT_LE(display()->shadowValues[3], 0.2f);

  // "Load:" lists the textures; the chosen one is stored and shown.
  click(d->loadButton->face);
  ASSERT_NE(d->fileList, nullptr);
  EXPECT_TRUE(d->fileList->isVisible());
  d->fileList->owner(0x2000 | 0x20, 1, "clouds.jpg", d->fileList->ownerUser);
  EXPECT_STREQ(display()->imageName, "clouds.jpg");
  EXPECT_STREQ(d->imageField->text, "clouds.jpg");

  // The sky dome covers the background colour.
  GVSetColour(&display()->background, 1, 0.1f, 0.2f, 0.3f, 1.0f);
  SceneServices s = GVSceneServices();
  s.updateRenderLight(4, 0);
  ASSERT_GT(viewShare(26, 51, 77), 0.5);
  choose(d->backgroundType, 3);
  EXPECT_EQ(display()->backgroundFlags, 2);
  const double sky = viewShare(26, 51, 77);
  EXPECT_LT(sky, 0.1);

  // Without a render-to-texture object the view stays on the main scene.
  choose(d->viewStatus, 2);
  EXPECT_EQ(d->viewStatus->selected, 1);
  ASSERT_NE(GVScene().options, nullptr);
  EXPECT_EQ(GVScene().options->fields[3], 0);
}

}  // namespace
