// The Geo render editor driven through the program's own windows: values
// typed into its sliders, drop-downs and lists picked with the pointer, the
// reports handled by the application's render callback and seen in the view.
#include <OGRE/Ogre.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "GVAppWins/ogre_view.h"
#include "GVAppWins/render_services.h"
#include "GVAppWins/view_links.h"
#include "appwins/app_main_win.h"
#include "appwins/editor_bar.h"
#include "appwins/editor_opener.h"
#include "appwins/file_list.h"
#include "appwins/geo_shapes.h"
#include "editors/editor_entries.h"
#include "editors/editor_fixture.h"
#include "editors/render_editor.h"
#include "geo/geo_list.h"
#include "geo/uv_sets.h"
#include "platform/test_api.h"
#include "scene/create_callbacks.h"
#include "geo/geo_list_services.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "scene/work_folders.h"
#include "toolkit/entry_typing.h"
#include "toolkit/label.h"
#include "toolkit/slider_group.h"

namespace fs = std::filesystem;

namespace {

const char* const kRockScript =
    "material Rock/Wall\n{\n  technique\n  {\n    pass\n    {\n      ambient 0.6 0.3 0.1\n"
    "      diffuse 0.9 0.4 0.2\n    }\n  }\n}\n\nmaterial Pebble\n{\n  technique\n  {\n    pass\n    {\n    }\n  }\n}\n";

// A scene folder of the test's own: the scripts folder holds Rock.material,
// the textures folder a copy of one of the program's textures.
class RenderEditor : public EditorWindowTest {
 protected:
  void SetUp() override {
    SetUpEditors(true, true);
    back_ = fs::current_path();
    const fs::path media = fs::path(GVRootDir()) / "media/materials/textures/clouds.jpg";
    root_ = fs::path(::testing::TempDir()) / ("gv_render_" + std::to_string(getpid()));
    fs::create_directories(root_ / "media/materials/scripts");
    fs::create_directories(root_ / "media/materials/textures");
    std::ofstream(root_ / "media/materials/scripts/Rock.material") << kRockScript;
    fs::copy_file(media, root_ / "media/materials/textures/stone.jpg", fs::copy_options::overwrite_existing);
    fs::current_path(root_);
    ASSERT_EQ(GVInitFolders(), 1);
    scripts_ = GVScriptsDir();
    Ogre::ResourceGroupManager::getSingleton().addResourceLocation(
        scripts_, "FileSystem", Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME);
  }
  void TearDown() override {
    Ogre::ResourceGroupManager::getSingleton().removeResourceLocation(
        scripts_, Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME);
    EditorWindowTest::TearDown();
    fs::current_path(back_);
    GVInitFolders();
    fs::remove_all(root_);
  }
  // A 2 x 2 x 2 block Geo "Box", made and shown as Create Geo Block makes it.
  GObject* addBlock(int layers) {
    const float length[3] = {2, 2, 2};
    const int32_t count[3] = {3, 3, 3};
    ObjHandle* cell = GVBuildBlockGeo("Box", 1, length, count);
    GObject* g = GVGeoOf(cell);
    if (layers == 2) {  // a second set with the first one's coordinates
      auto* sets = new UVSetArray{0, nullptr};
      GVNewUVSetArray(sets, 2);
      GVCopyUVSet(&sets->sets[0], &g->uvSets->sets[0]);
      GVCopyUVSet(&sets->sets[1], &g->uvSets->sets[0]);
      GVFreeUVSetArray(g->uvSets);
      g->uvSets = sets;
      GVBuildGeoMaterials(g, 0);
    }
    GVPlaceNewGeo(GVScene().geoList, cell, 0);
    CreateGeoMenuCB(128, g->id, win_);
    settle();
    return g;
  }
  HwRender* open() {
    click(win_->selectorBar->buttons[kEditorRender - 1]->face);
    settle();
    return static_cast<HwRender*>(win_->editors[kEditorRender]);
  }
  static void type(HwSliderGroup* s, const std::string& text) {
    TypeIntoEntry(s->edit->window, text + "\r");
    settle();
  }
  // Clicks list cell i (from 0) of a shown list.
  static void pick(HwListDlg* list, int i) {
    ASSERT_TRUE(list && list->isVisible());
    RECT r = rectOf(list->listWindow);
    GVTestClick(r.left + list->cellWidth / 2, r.top + i * list->cellHeight + list->cellHeight / 2);
    settle();
  }
  static std::string text(HwSelectorTool* s) { return s->textBox->text ? s->textBox->text : ""; }
  // The view left of where the editors open.
  std::vector<COLORREF> sampleView() {
    win_->redrawView();
    settle();
    std::vector<COLORREF> out;
    const RECT v = rectOf(win_->view->window);
    for (int y = v.top; y < v.bottom; y += 4)
      for (int x = v.left; x < GVEditorOpenX(); x += 4) out.push_back(screen(x, y));
    return out;
  }
  static size_t changed(const std::vector<COLORREF>& a, const std::vector<COLORREF>& b) {
    size_t n = 0;
    for (size_t k = 0; k < a.size() && k < b.size(); ++k) n += a[k] != b[k];
    return n;
  }
  static Ogre::Entity* entity() { return gOgreData->mSceneMgr->getEntity("BoxGENT"); }
  static std::string solidMaterial() { return entity()->getSubEntity(0)->getMaterialName(); }

  fs::path back_, root_;
  std::string scripts_;
};

TEST_F(RenderEditor, PropertyEditsAreStoredAndDrawn) {
  GObject* g = addBlock(1);
  ASSERT_EQ(g->materials->count, 1);
  HwRender* d = open();
  ASSERT_NE(d, nullptr);
  RECT outer = rectOf(d->popup);
  EXPECT_EQ(outer.right - outer.left, 355);
  EXPECT_EQ(outer.bottom - outer.top, 860);
  EXPECT_EQ(text(d->geoSelector), "Box  {1}");
  EXPECT_EQ(text(d->layerSelector), "Layer {0}");
  EXPECT_EQ(text(d->uvSelector), "AllFaces");
  EXPECT_TRUE(GVSavePng(GVScreenImage(), (back_ / "render_editor.png").c_str()));
  // Every label shows its whole text inside the dialog.
  const RECT client = rectOf(d->content->inner);
  for (HwLabel* l : {d->matFileLabel, d->matScriptLabel, d->castShadows->label, d->receiveShadows->label,
                     d->textureLabel, d->materialType->label, d->display->label}) {
    EXPECT_TRUE(labelWhole(l->window)) << l->text;
    EXPECT_GT(rectOf(l->window).left, client.left) << l->text;
  }

  GeoMaterial* m = &g->materials->materials[0];
  type(d->colours[HwRender::kDiffR], "0");
  const std::vector<COLORREF> before = sampleView();
  type(d->colours[HwRender::kDiffR], "0.5");
  ASSERT_NE(m->colourB, nullptr);
  EXPECT_FLOAT_EQ(m->colourB->r, 0.5f);
  EXPECT_GT(changed(before, sampleView()), 50u);

  // A first change without an ambient block makes it opaque black first.
  delete m->colourA;
  m->colourA = nullptr;
  type(d->colours[HwRender::kAmbG], "0.25");
  ASSERT_NE(m->colourA, nullptr);
  EXPECT_FLOAT_EQ(m->colourA->g, 0.25f);
  EXPECT_FLOAT_EQ(m->colourA->r, 0.0f);
  EXPECT_FLOAT_EQ(m->colourA->a, 1.0f);
  EXPECT_FLOAT_EQ(HwRender::colourCB<HwRender::kDiffG>(0, 3.0f, d), 1.0f);
  EXPECT_FLOAT_EQ(m->colourB->g, 1.0f);
  EXPECT_FLOAT_EQ(HwRender::setShininess(0, 200.0f, d), 128.0f);

  // Display RTT_Opaque: mode 16 and the render objects made again.
  entity()->setQueryFlags(0x5A5A);
  choose(d->display, 5);
  EXPECT_EQ(m->mode, 16);
  EXPECT_NE(entity()->getQueryFlags(), 0x5A5Au);

  // Choosers: stepping wraps on one Geo; typing in "Layer:" changes nothing.
  click(d->geoSelector->nextButton->face);
  EXPECT_EQ(text(d->geoSelector), "Box  {1}");
  char layerText[kHwSelectorBuffer] = "Layer {7}";
  HwRender::chooseLayer(0, layerText, d);
  EXPECT_STREQ(layerText, "Layer {0}");
}

TEST_F(RenderEditor, ScriptMaterialChosenFromTheScriptsFolder) {
  GObject* g = addBlock(2);
  HwRender* d = open();
  const float diffR = g->materials->materials[0].colourB ? g->materials->materials[0].colourB->r : 0.0f;
  choose(d->materialType, 2);
  EXPECT_EQ(g->materialType, 2);
  click(d->matFileLoad->button->face);
  ASSERT_NE(d->matFileList, nullptr);
  ASSERT_EQ(d->matFileList->count, 1);
  EXPECT_STREQ(d->matFileList->item(0), "Rock.material");
  pick(d->matFileList, 0);
  ASSERT_NE(d->materialList, nullptr);
  ASSERT_EQ(d->materialList->count, 2);
  EXPECT_STREQ(d->materialList->item(0), "Wall");
  pick(d->materialList, 0);
  EXPECT_STREQ(g->matFile, "Rock.material");
  EXPECT_STREQ(g->matScript, "Wall");
  EXPECT_STREQ(g->matName2, "Rock/Wall");
  EXPECT_EQ(solidMaterial(), "Rock/Wall");
  EXPECT_STREQ(d->matScriptEdit->text, "Wall");
  EXPECT_EQ(d->colours[HwRender::kDiffR]->floatValue, 0.0f);

  // Colour changes on layer 0 of a scripted Geo are not stored.
  type(d->colours[HwRender::kDiffR], "0.75");
  EXPECT_FLOAT_EQ(g->materials->materials[0].colourB ? g->materials->materials[0].colourB->r : 0.0f, diffR);

  choose(d->materialType, 1);
  EXPECT_FLOAT_EQ(d->colours[HwRender::kDiffR]->floatValue, diffR);
  EXPECT_NE(solidMaterial(), "Rock/Wall");
  choose(d->materialType, 2);
  EXPECT_EQ(solidMaterial(), "Rock/Wall");
  // A chosen name longer than the 256-character buffer is cut, never overrun.
  const std::string longName(300, 'w');
  HwRender::scriptMaterialChosen(0x8020, 1, longName.c_str(), d);
  EXPECT_EQ(std::strlen(d->matName), 255u);
  EXPECT_STREQ(g->matScript, d->matName);

  // Only layer 0 takes a script.
  click(d->layerSelector->nextButton->face);
  EXPECT_EQ(text(d->layerSelector), "Layer {1}");
  const unsigned beeps = GVTestBeepCount();
  choose(d->materialType, 2);
  EXPECT_EQ(GVTestBeepCount(), beeps + 1);
  EXPECT_EQ(d->materialType->selected, 1);
}

TEST_F(RenderEditor, LayersUVSetsAndTextures) {
  const std::vector<COLORREF> empty = sampleView();
  GObject* g = addBlock(2);
  ASSERT_EQ(g->materials->count, 2);
  HwRender* d = open();
  click(d->layerSelector->nextButton->face);
  ASSERT_EQ(d->layer, 1);
  GeoMaterial* m = &g->materials->materials[1];
  UVSet* set = GVGetUVSet(g->uvSets, m->uvSetIndex);
  ASSERT_NE(set, nullptr);

  // Shadows go to the first material whatever the layer.
  choose(d->castShadows, 2);
  EXPECT_EQ(g->materials->materials[0].word18 & 1u, 1u);
  EXPECT_EQ(m->word18 & 1u, 0u);

  // Stepping the set toggles its off flag; a set without coordinates stays off.
  click(d->uvSelector->nextButton->face);
  EXPECT_NE(set->setWord, 0);
  EXPECT_EQ(text(d->uvSelector), "NONE");
  click(d->uvSelector->prevButton->face);
  EXPECT_EQ(set->setWord, 0);
  const int32_t uvs = set->uvCount;
  set->uvCount = 0;
  click(d->uvSelector->nextButton->face);
  click(d->uvSelector->nextButton->face);
  EXPECT_NE(set->setWord, 0);
  EXPECT_EQ(text(d->uvSelector), "NONE");
  set->uvCount = uvs;
  click(d->uvSelector->nextButton->face);
  EXPECT_EQ(set->setWord, 0);

  // A texture from the textures folder; "X" on "UVSet:" empties it, the set stays.
  click(d->textureLoad->button->face);
  ASSERT_NE(d->textureList, nullptr);
  ASSERT_EQ(d->textureList->count, 1);
  pick(d->textureList, 0);
  EXPECT_STREQ(m->textureFile, "stone.jpg");
  EXPECT_STREQ(d->textureEdit->text, "stone.jpg");
  const int32_t index = m->uvSetIndex;
  click(d->uvSelector->button3->face);
  EXPECT_STREQ(m->textureFile, "");
  EXPECT_EQ(m->uvSetIndex, index);

  // "X" on layer 1: one material, one set, and the Geo still drawn.
  click(d->layerSelector->button3->face);
  EXPECT_EQ(g->materials->count, 1);
  EXPECT_EQ(g->uvSets->count, 1);
  EXPECT_EQ(d->layer, 0);
  ASSERT_TRUE(gOgreData->mSceneMgr->hasEntity("BoxGENT"));
  EXPECT_GT(changed(empty, sampleView()), 50u);
}

}  // namespace
