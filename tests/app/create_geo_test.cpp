// The Create Geo dialogs driven through the program's own windows: a box and a
// pane made from the Create menu show in the view; names are refused or
// reused; a refused rebuild keeps the old Geo; a profile drawn with the mouse
// becomes a volume of revolution, and the canvas follows mode and size.
#include <OGRE/Ogre.h>

#include <string>
#include <vector>

#include "program_fixture.h"
#include "GVAppWins/ogre_view.h"
#include "GVAppWins/render_services.h"
#include "app/app_windows.h"
#include "appwins/create_geo.h"
#include "appwins/menu_bar.h"
#include "geo/geo_list.h"
#include "scene/app_selection.h"
#include "geo/geo_list_services.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "toolkit/edit_control.h"
#include "toolkit/label.h"
#include "toolkit/messages.h"
#include "toolkit/multi_list.h"
#include "toolkit/object_names.h"

namespace {

std::vector<std::string> gMessages;
int gBox;
const GVMessageBoxOps kRecordingBox = {
    [](const char* text) -> void* {
      gMessages.emplace_back(text);
      return &gBox;
    },
    [](void*, const char* text, int, int) { gMessages.emplace_back(text); }, [](void*) {}};

GObject* geoNamed(const char* name) {
  GeoList* list = GVGeoListOf(GVScene().geoList);
  return GVGetGeoById(list, GVFindGeoByName(list, name));
}

int geoCount() {
  int n = 0;
  for (GObject* g = GVGeoListOf(GVScene().geoList)->head; g; g = g->next) ++n;
  return n;
}

size_t entityCount() {
  size_t n = 0;
  for (auto& kv : gOgreData->mSceneMgr->getMovableObjects("Entity")) n += kv.second != nullptr;
  return n;
}

class CreateGeo : public ProgramTest {
 public:
  void SetUp() override {
    StartScreen();
    SceneServices s = GVSceneServices();
    s.checkNewName = [](char* name) -> int32_t { return GVCheckNewName(name); };
    GVSetSceneServices(s);
    GVInstallRenderServices();
    OpenMainWindow();
    GVInstallMessageBox(&kRecordingBox);
    gMessages.clear();
    settle();
  }
  void TearDown() override {
    GVInstallMessageBox(nullptr);
    CloseMainWindow();
  }
  // Create > Create Geo > the sub-item, picked with the pointer.
  void pickCreateGeo(int subRow) { pickCascade(win_->menuBar->create, 1, subRow); }
  // Selects the entry's text with a double click, types the keys and commits.
  static void type(HwEditControl* edit, const std::vector<UINT>& keys) {
    clickCentre(edit->window);
    RECT r = rectOf(edit->window);
    GVTestClick((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    for (UINT k : keys) GVTestKeyPress(k);
    GVTestKeyPress(VK_RETURN);
    settle();
  }
  static void setName(HwEditControl* edit, const char* name) {
    edit->setText(name);
    clickCentre(edit->window);
    GVTestKeyPress(VK_RETURN);
    settle();
  }
  static void press(HwBMButton* b) { clickCentre(b->face); }
  static HwEditControl* entry(HwBaseControl* f) { return f->editButton->edit; }
  // Ink changed in the view left of the dialog since `before` was sampled.
  std::vector<COLORREF> sampleView(HWND dialog) const {
    std::vector<COLORREF> out;
    const RECT v = rectOf(win_->view->window);
    for (int y = v.top; y < v.bottom; y += 4)
      for (int x = v.left; x < rectOf(dialog).left; x += 4) out.push_back(screen(x, y));
    return out;
  }
};

TEST_F(CreateGeo, BlockFromTheMenuShowsInTheViewAndIsRemadeByName) {
  pickCreateGeo(5);
  HwCreateGeoBlock* d = win_->createGeoBlock;
  ASSERT_NE(d, nullptr);
  ASSERT_TRUE(d->isVisible());
  RECT outer = rectOf(d->popup);
  EXPECT_EQ(outer.right - outer.left, 300);
  EXPECT_EQ(outer.bottom - outer.top, 425);
  EXPECT_STREQ(d->titleBar->text, "Create Geo Block");

  // Field rules, typed and stepped.
  type(entry(d->countField[0]), {'0'});
  EXPECT_EQ(d->count[0], 6);
  type(entry(d->lengthField[1]), {'2', '0', '0', '0'});
  EXPECT_FLOAT_EQ(d->length[1], 1000.0f);
  type(entry(d->lengthField[1]), {'0', VK_OEM_PERIOD, '0', '5'});
  EXPECT_FLOAT_EQ(d->length[1], 0.1f);
  EXPECT_EQ(HwCreateGeoBox::countCB<2>(0, -5, d), 1);
  EXPECT_EQ(d->count[2], 1);
  type(entry(d->lengthField[1]), {'5'});
  type(entry(d->countField[2]), {'6'});

  setName(d->nameEdit, "Cube");
  const std::vector<COLORREF> before = sampleView(d->popup);
  press(d->createButton);
  GObject* cube = geoNamed("Cube");
  ASSERT_NE(cube, nullptr);
  EXPECT_EQ(cube->vertexCount, 216);
  EXPECT_EQ(cube->triangleCount, 300);
  EXPECT_EQ(GVAppSelection().geoId, cube->id);
  EXPECT_EQ(win_->view->currentGeo[0], cube->id);
  EXPECT_TRUE(gOgreData->mSceneMgr->hasEntity("CubeGENT"));
  EXPECT_TRUE(gMessages.empty());
  win_->redrawView();
  settle();
  EXPECT_TRUE(GVSavePng(GVScreenImage(), "create_geo_block.png"));
  const std::vector<COLORREF> after = sampleView(d->popup);
  size_t changed = 0;
  for (size_t k = 0; k < before.size(); ++k) changed += before[k] != after[k];
  EXPECT_GT(changed, 100u);

  // Create refuses a used name; ReCreate takes it, with a new id.
  press(d->createButton);
  EXPECT_EQ(gMessages.back(), kGeoExistsMessage);
  EXPECT_EQ(geoCount(), 1);
  const size_t entities = entityCount();
  type(entry(d->countField[0]), {'3'});
  press(d->recreateButton);
  ASSERT_EQ(geoCount(), 1);
  GObject* remade = geoNamed("Cube");
  ASSERT_NE(remade, nullptr);
  EXPECT_EQ(remade->id, 2);
  EXPECT_EQ(remade->vertexCount, 2 * (3 * 6 + 6 * 6 + 6 * 3));
  EXPECT_EQ(entityCount(), entities);
  EXPECT_TRUE(gOgreData->mSceneMgr->hasEntity("CubeGENT"));

  // A count the builder refuses: the old Geo stays, and says so.
  HwCreateGeoBox::countCB<0>(0, -5, d);
  press(d->recreateButton);
  EXPECT_EQ(gMessages.back(), kGeoNotRebuiltMessage);
  EXPECT_EQ(geoNamed("Cube"), remade);
  EXPECT_EQ(entityCount(), entities);
  const size_t said = gMessages.size();
  setName(d->nameEdit, "Other");
  press(d->createButton);
  EXPECT_EQ(geoCount(), 1);
  EXPECT_EQ(gMessages.size(), said);
  setName(d->nameEdit, "Nobody");
  press(d->recreateButton);
  EXPECT_EQ(gMessages.back(), kGeoNoOldMessage);

  // A name longer than the buffer is cut, not overrun.
  const std::string longName(150, 'a');
  d->nameEdit->setText(longName.c_str());
  press(d->createButton);
  EXPECT_EQ(std::string(d->name), longName.substr(0, kGeoNameSize - 1));

  // The pane, from its own item.
  pickCreateGeo(2);
  HwCreateGeoPlane* pane = win_->createGeoPlane;
  ASSERT_NE(pane, nullptr);
  outer = rectOf(pane->popup);
  EXPECT_EQ(outer.bottom - outer.top, 400);
  EXPECT_EQ(pane->countField[2], nullptr);
  setName(pane->nameEdit, "Floor");
  press(pane->createButton);
  GObject* floor = geoNamed("Floor");
  ASSERT_NE(floor, nullptr);
  EXPECT_EQ(floor->vertexCount, 36);
  EXPECT_TRUE(gOgreData->mSceneMgr->hasEntity("FloorGENT"));
}

TEST_F(CreateGeo, ProfileDrawnOnTheCanvasBecomesAVolumeOfRevolution) {
  pickCreateGeo(1);
  HwCreateGeoVR* d = win_->createGeoVR;
  ASSERT_NE(d, nullptr);
  ASSERT_TRUE(d->isVisible());
  RECT outer = rectOf(d->popup);
  EXPECT_EQ(outer.right - outer.left, 500);
  EXPECT_EQ(outer.bottom - outer.top, 600);
  EXPECT_STREQ(d->titleBar->text, "Create Geo Vol of Rev");
  ASSERT_GT(d->W, 100);
  EXPECT_FLOAT_EQ(d->scale, std::min(float(d->W - 40), float(d->H - 40)) / 4.0f);

  // A click left of the centre line lands on it; drawn bottom-up.
  const RECT c = rectOf(d->canvas);
  click(POINT{c.left + 10, c.top + d->H / 2 + 60});
  click(POINT{c.left + d->W / 2 + 70, c.top + d->H / 2 - 60});
  ASSERT_EQ(d->pointCount, 2);
  EXPECT_EQ(d->points[3], float(d->W / 2));
  EXPECT_EQ(d->points[4], float(d->H / 2 + 60));
  EXPECT_TRUE(GVSavePng(GVScreenImage(), "create_geo_canvas.png"));
  EXPECT_GT(countScreen(RGB(100, 100, 100), c), 200);
  EXPECT_GT(countScreen(RGB(180, 180, 255), c), 100);
  EXPECT_GT(countScreen(RGB(250, 0, 0), c), 4);

  type(entry(d->segmentField), {'1'});
  EXPECT_EQ(d->segments, 2);
  type(entry(d->segmentField), {'5', '0', '0', '0'});
  EXPECT_EQ(d->segments, 2048);
  type(entry(d->segmentField), {'2'});
  EXPECT_EQ(d->preview.entries, 6);

  setName(d->nameEdit, "Vase");
  press(d->createButton);
  GObject* vase = geoNamed("Vase");
  ASSERT_NE(vase, nullptr);
  EXPECT_EQ(vase->vertexCount, 6);
  EXPECT_EQ(vase->triangleCount, 4);
  EXPECT_EQ(vase->triangles[1][1], 2);  // bottom-up: (k, k+1, k+P+1)
  EXPECT_EQ(GVAppSelection().geoId, vase->id);
  EXPECT_TRUE(gOgreData->mSceneMgr->hasEntity("VaseGENT"));
  EXPECT_TRUE(gMessages.empty());

  // Another mode clears the drawing; the same mode keeps it; a resize clears it.
  pickCreateGeo(3);
  EXPECT_EQ(win_->createGeoVR, d);
  EXPECT_STREQ(d->titleBar->text, "Create Geo X-Clinder");
  EXPECT_EQ(d->pointCount, 0);
  for (int k = 0; k < 3; ++k) click(POINT{c.left + 100 + 60 * k, c.top + 80 + 50 * (k % 2)});
  EXPECT_EQ(d->pointCount, 3);
  pickCreateGeo(3);
  EXPECT_EQ(d->pointCount, 3);
  setName(d->nameEdit, "Prism");
  press(d->createButton);
  GObject* prism = geoNamed("Prism");
  ASSERT_NE(prism, nullptr);
  EXPECT_EQ(prism->vertexCount, 2 * 4 + 2);
  pickCreateGeo(4);
  EXPECT_STREQ(d->titleBar->text, "Create Geo X-Surface");
  EXPECT_EQ(d->pointCount, 0);
  click(POINT{c.left + 100, c.top + 80});
  click(POINT{c.left + 200, c.top + 80});
  MoveWindow(d->popup, outer.left, outer.top, 520, 640, TRUE);
  settle();
  EXPECT_EQ(d->pointCount, 0);
  EXPECT_GT(rectOf(d->canvas).bottom, c.bottom);
}

// The swept-shape dialog's preview on both render paths: four points show
// violet faces in the view, each added point redraws them, and closing the
// dialog or making the Geo takes them away.
class SweptPreview : public CreateGeo, public ::testing::WithParamInterface<uint32_t> {
 public:
  void SetUp() override {
    GVOgreEnabled = GetParam();
    CreateGeo::SetUp();
  }
  void TearDown() override {
    CreateGeo::TearDown();
    GVOgreEnabled = 1;
  }
  int violet() {
    win_->redrawView();
    settle();
    const RECT v = rectOf(win_->view->window);
    int n = 0;
    for (int y = v.top; y < v.bottom; ++y)
      for (int x = v.left; x < v.right; ++x) {
        const COLORREF c = screen(x, y);
        n += std::abs(GetRValue(c) - 179) <= 2 && std::abs(GetGValue(c) - 102) <= 2 && std::abs(GetBValue(c) - 179) <= 2;
      }
    return n;
  }
};

TEST_P(SweptPreview, ShowsWhileTheProfileIsDrawnAndGoesWithTheDialog) {
  pickCreateGeo(1);
  HwCreateGeoVR* d = win_->createGeoVR;
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(violet(), 0);
  const RECT c = rectOf(d->canvas);
  const POINT profile[4] = {{d->W / 2, 20}, {d->W / 2 + 90, 80}, {d->W / 2 + 60, d->H - 80}, {d->W / 2, d->H - 20}};
  click(POINT{c.left + profile[0].x, c.top + profile[0].y});
  EXPECT_EQ(violet(), 0);
  int shown = 0;
  for (int k = 1; k < 4; ++k) {
    click(POINT{c.left + profile[k].x, c.top + profile[k].y});
    const int now = violet();
    EXPECT_GT(now, shown) << k;
    shown = now;
  }
  EXPECT_TRUE(GVSavePng(GVScreenImage(), GetParam() ? "swept_preview_engine.png" : "swept_preview_plain.png"));
  EXPECT_GT(shown, 500);
  // A right click drops a point: fewer faces.
  GVTestClick(c.left + 5, c.top + 5, GV_BUTTON_RIGHT);
  settle();
  EXPECT_LT(violet(), shown);
  click(POINT{c.left + profile[3].x, c.top + profile[3].y});
  EXPECT_EQ(violet(), shown);

  press(d->dismissButton);
  EXPECT_FALSE(d->isVisible());
  EXPECT_EQ(violet(), 0);
  // Shown again with its drawing, until the Geo is made.
  pickCreateGeo(1);
  EXPECT_EQ(violet(), shown);
  setName(d->nameEdit, "Vase");
  press(d->createButton);
  ASSERT_NE(geoNamed("Vase"), nullptr);
  EXPECT_EQ(violet(), 0);
}

INSTANTIATE_TEST_SUITE_P(BothPaths, SweptPreview, ::testing::Values(0u, 1u));

}  // namespace
