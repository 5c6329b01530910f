// The Create Jel dialogs driven through the program's own windows: a block Jel
// made from the Create menu plays in the view; refusals leave the scene alone;
// rebuilds keep the old Jel when the new one cannot be built; Jels made around
// Geos enclose and bind them.
#include <OGRE/Ogre.h>

#include <algorithm>
#include <string>
#include <vector>

#include "program_fixture.h"
#include "GVAppWins/ogre_view.h"
#include "app/app_windows.h"
#include "app/service_installers.h"
#include "appwins/create_jel.h"
#include "appwins/menu_bar.h"
#include "dynamics/world.h"
#include "geo/geo_from_jel.h"
#include "geo/jel_from_geo.h"
#include "geo/geo_list.h"
#include "jel/jel_from_builder.h"
#include "jel/jel_object.h"
#include "mixed_jels.h"
#include "scene/app_selection.h"
#include "scene/edit_rules.h"
#include "scene/frame_driver.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "toolkit/buttons.h"
#include "toolkit/edit_control.h"
#include "toolkit/label.h"
#include "toolkit/messages.h"
#include "toolkit/multi_list.h"
#include "toolkit/slider_group.h"
#include "vehicle/vehicle_commands.h"

namespace {

std::vector<std::string> gMessages;
int gBox;
const GVMessageBoxOps kRecordingBox = {
    [](const char* text) -> void* {
      gMessages.emplace_back(text);
      return &gBox;
    },
    [](void*, const char* text, int, int) { gMessages.emplace_back(text); }, [](void*) {}};

int jelCount() {
  int n = 0;
  for (HObject* j = GVWorldOf(GVScene().world)->head; j; j = GVNextJel(j)) ++n;
  return n;
}

HObject* jelNamed(const char* name) {
  return GVGetJelById(GVWorldOf(GVScene().world), GVFindJelByName(GVWorldOf(GVScene().world), name));
}

float meanY(const HObject* j) {
  float y = 0.0f;
  for (int32_t i = 1; i <= j->nodeCount; ++i) y += j->pos[i][1];
  return y / float(j->nodeCount);
}

// A closed box Geo with n x n x n vertices along its edges (cells of 1.0);
// nz 1 gives a flat square, turned to lie in the y = 0 plane.
int32_t addBlockGeo(const char* name, int n, int nz) {
  LatticeSpec spec;
  spec.nx = spec.ny = n;
  spec.nz = nz;
  LatticeBuilder b(&spec);
  GVGridFillAll(&b);
  MatterProps m;
  HObject* jel = GVCreateJelFromBuilder(&b, 99, 0, 0, &m);
  const int32_t id = GVCreateGeoFromJel(GVScene().geoList, jel, name);
  delete jel;
  GObject* g = GVGetGeoById(GVGeoListOf(GVScene().geoList), id);
  if (g && nz == 1)
    for (int32_t i = 1; i <= g->vertexCount; ++i)
      for (GVFloat3* v : {&g->vertices[i], &g->baseVertices[i]}) std::swap((*v)[1], (*v)[2]);
  return id;
}

class CreateJel : public ProgramTest {
 public:
  // The program started as WinMain starts it.
  void SetUp() override {
    StartProgram();
    GVInstallMessageBox(&kRecordingBox);
    gMessages.clear();
    settle();
  }
  void TearDown() override {
    GVInstallMessageBox(nullptr);
    CloseMainWindow();
    GVSetSceneServices(saved_);
  }
  // Create > Create Jel > the sub-item, picked with the pointer.
  void pickCreateJel(int subRow) { pickCascade(win_->menuBar->create, 2, subRow); }
  // Selects the entry's text with a double click, types the keys and commits.
  static void type(HwEditControl* edit, const std::vector<UINT>& keys) {
    click(edit->window, 2);
    for (UINT k : keys) GVTestKeyPress(k);
    GVTestKeyPress(VK_RETURN);
    settle();
  }
  static void setName(HwJelDialogBase* d, const char* name) {
    d->nameEdit->setText(name);
    click(d->nameEdit->window);
    GVTestKeyPress(VK_RETURN);
    settle();
  }
  static void press(HwBMButton* b) { click(b->face); }
  static HwEditControl* entry(HwBaseControl* f) { return f->editButton->edit; }
};

TEST_F(CreateJel, BlockJelFromTheMenuIsCurrentShowsAndFalls) {
  AddMixedJels();  // ids 1 and 2
  pickCreateJel(1);
  HwCreateJel* d = win_->createJelDialog;
  ASSERT_NE(d, nullptr);
  ASSERT_TRUE(d->isVisible());
  EXPECT_STREQ(d->nameLabel->text, "Jel Name:");
  RECT outer = rectOf(d->popup);
  EXPECT_EQ(outer.right - outer.left, 300);
  EXPECT_EQ(outer.bottom - outer.top, 335);

  // The point counts and the element length keep to their ranges.
  type(entry(d->fieldX), {'1'});
  EXPECT_EQ(d->nx, 2);
  type(entry(d->fieldX), {'5', '0', '0'});
  EXPECT_EQ(d->nx, 100);
  type(entry(d->fieldZ), {'1'});
  EXPECT_EQ(d->nz, 1);
  type(d->lengthSlider->edit, {'0', VK_OEM_PERIOD, '0', '5'});
  EXPECT_FLOAT_EQ(d->length, 0.1f);
  EXPECT_FLOAT_EQ(d->lengthSlider->floatValue, 0.1f);
  type(entry(d->fieldX), {'5'});
  type(entry(d->fieldZ), {'5'});
  type(d->lengthSlider->edit, {'1'});
  setName(d, "Box1");
  EXPECT_STREQ(d->name, "Box1");
  EXPECT_TRUE(GVSavePng(GVScreenImage(), "create_jel_dialog.png"));
  const RECT view = rectOf(win_->view->window);
  std::vector<COLORREF> before;
  for (int y = view.top; y < view.bottom; y += 4)
    for (int x = view.left; x < rectOf(d->popup).left; x += 4) before.push_back(screen(x, y));
  press(d->createButton);

  HObject* jel = jelNamed("Box1");
  ASSERT_NE(jel, nullptr);
  EXPECT_EQ(jel->id, 3);
  EXPECT_EQ(jel->nodeCount, 125);
  MatterProps m;
  GVGetJelMatter(jel->handle, 0, kMatterAllFields, &m);
  EXPECT_FLOAT_EQ(m.fRatio, 4.0f);
  EXPECT_FLOAT_EQ(m.elasticity, 3.0f);
  EXPECT_FLOAT_EQ(m.damping, 4.0f);
  EXPECT_FLOAT_EQ(m.friction, 1.0f);
  EXPECT_FLOAT_EQ(m.forceY, -10.0f);
  EXPECT_FLOAT_EQ(m.flatZ, 1.0f);
  EXPECT_FLOAT_EQ(m.scaleL, 1.0f);
  EXPECT_EQ(GVAppSelection().jelId, 3);
  EXPECT_EQ(win_->view->currentJel[0], 3);
  EXPECT_TRUE(gOgreData->mSceneMgr->hasEntity("Box1HENT"));
  EXPECT_TRUE(gMessages.empty());
  // The view shows it (left of the dialog).
  win_->redrawView();
  settle();
  EXPECT_TRUE(GVSavePng(GVScreenImage(), "create_jel_made.png"));
  size_t changed = 0, k = 0;
  for (int y = view.top; y < view.bottom; y += 4)
    for (int x = view.left; x < rectOf(d->popup).left; x += 4) changed += screen(x, y) != before[k++];
  EXPECT_GT(changed, 100u);

  // The scene floor lowered out of the way: 60 played frames move it down.
  GVScene().bounds[2] = -100.0f;
  const float y0 = meanY(jel);
  for (int32_t f = 1; f <= 60; ++f) GVStepFrame(f, 1);
  EXPECT_LT(meanY(jel), y0 - 1.0f);
}

TEST_F(CreateJel, RefusalsAndRebuildsKeepTheSceneWhole) {
  pickCreateJel(1);
  HwCreateJel* d = win_->createJelDialog;
  ASSERT_NE(d, nullptr);
  setName(d, "Box1");
  press(d->createButton);
  const int32_t first = GVFindJelByName(GVWorldOf(GVScene().world), "Box1");
  ASSERT_EQ(first, 1);

  press(d->createButton);
  EXPECT_EQ(gMessages.back(), "Bad name: Jel already exists!");
  setName(d, "Nobody");
  press(d->recreateButton);
  EXPECT_EQ(gMessages.back(), "Cannot recreate: Specified Jel does not exist!");
  EXPECT_EQ(jelCount(), 1);

  // Matter changed on the Jel survives a rebuild at 3 x 3 x 3, under a new id.
  MatterProps soft;
  soft.elasticity = 1.5f;
  GVSetJelMatter(jelNamed("Box1")->handle, 0, kMatterElasticity, &soft);
  setName(d, "Box1");
  for (HwBaseControl* f : {d->fieldX, d->fieldY, d->fieldZ}) type(entry(f), {'3'});
  press(d->recreateButton);
  ASSERT_EQ(jelCount(), 1);
  HObject* jel = jelNamed("Box1");
  EXPECT_EQ(jel->nodeCount, 27);
  EXPECT_EQ(jel->id, 2);
  MatterProps m;
  GVGetJelMatter(jel->handle, 0, kMatterAllFields, &m);
  EXPECT_FLOAT_EQ(m.elasticity, 1.5f);
  EXPECT_TRUE(gOgreData->mSceneMgr->hasEntity("Box1HENT"));

  // A builder given no grid builds nothing: the old Jel stays, no Jel is added.
  const size_t said = gMessages.size();
  d->fillGrid = [](LatticeBuilder*) {};
  press(d->recreateButton);
  EXPECT_EQ(jelNamed("Box1"), jel);
  EXPECT_EQ(gMessages.back(), "Cannot recreate: Jel could not be built!");
  setName(d, "Box2");
  press(d->createButton);
  EXPECT_EQ(gMessages.back(), "Jel not created: lattice could not be built!");
  EXPECT_EQ(gMessages.size(), said + 2);
  EXPECT_EQ(jelCount(), 1);
  d->fillGrid = GVGridFillAll;

  // Hidden and opened again from the menu, it shows the current Jel's grid.
  type(entry(d->fieldX), {'7'});
  press(d->dismissButton);
  EXPECT_FALSE(d->isVisible());
  pickCreateJel(1);
  EXPECT_EQ(win_->createJelDialog, d);
  EXPECT_TRUE(d->isVisible());
  EXPECT_EQ(d->nx, 3);
  EXPECT_EQ(entry(d->fieldX)->getInt(), 3);
  EXPECT_FLOAT_EQ(d->length, 1.0f);

  // A vehicle's part Jel is not rebuilt.
  ASSERT_NE(GVMakeVehicle(1, 0, 0, 0, 32), nullptr);
  HObject* part = nullptr;
  for (HObject* j = GVWorldOf(GVScene().world)->head; j && !part; j = GVNextJel(j))
    if (j->name && !GVJelStructureEditAllowed(j->id, nullptr)) part = j;
  ASSERT_NE(part, nullptr);
  const int before = jelCount();
  setName(d, part->name);
  press(d->recreateButton);
  EXPECT_EQ(jelNamed(part->name), part);
  EXPECT_EQ(jelCount(), before);
}

TEST_F(CreateJel, JelAroundAGeoEnclosesItAndBindsIt) {
  const int32_t cube = addBlockGeo("Cube", 6, 6);
  const int32_t sheet = addBlockGeo("Sheet", 6, 1);
  GVAppSelection().geoId = cube;
  pickCreateJel(2);
  HwCreateGJel* d = win_->createGJelDialog;
  ASSERT_NE(d, nullptr);
  RECT outer = rectOf(d->popup);
  EXPECT_EQ(outer.right - outer.left, 340);
  EXPECT_EQ(outer.bottom - outer.top, 380);
  EXPECT_EQ(d->geoSel, cube);
  EXPECT_STREQ(d->geoChooser->textBox->text, "Cube  {1}");
  EXPECT_EQ(d->method, 11);
  EXPECT_EQ(d->direction, 4);
  type(entry(d->pointsField), {'1'});
  EXPECT_EQ(d->points, 2);
  type(entry(d->pointsField), {'5'});
  setName(d, "GJ");
  EXPECT_TRUE(GVSavePng(GVScreenImage(), "create_gjel_dialog.png"));
  press(d->createButton);

  HObject* jel = jelNamed("GJ");
  ASSERT_NE(jel, nullptr);
  const GObject* g = GVGetGeoById(GVGeoListOf(GVScene().geoList), cube);
  EXPECT_EQ(g->jelId, jel->id);
  EXPECT_EQ(g->flags & 0x202u, 0x202u);
  float lo[3] = {9e9f, 9e9f, 9e9f}, hi[3] = {-9e9f, -9e9f, -9e9f};
  for (int32_t i = 1; i <= jel->nodeCount; ++i)
    for (int a = 0; a < 3; ++a) lo[a] = std::min(lo[a], jel->pos[i][a]), hi[a] = std::max(hi[a], jel->pos[i][a]);
  for (int32_t v = 1; v <= g->vertexCount; ++v)
    for (int a = 0; a < 3; ++a) {
      EXPECT_GE(g->vertices[v][a], lo[a] - 1e-3f);
      EXPECT_LE(g->vertices[v][a], hi[a] + 1e-3f);
    }
  EXPECT_TRUE(gOgreData->mSceneMgr->hasEntity("GJHENT"));

  setName(d, "GJ2");
  press(d->createButton);
  EXPECT_EQ(gMessages.back(), "Geo object(s) already associated with Jel object: Jel not Created");

  // A rebuild with more points keeps the Jel's id and matter.
  MatterProps soft;
  soft.damping = 2.5f;
  GVSetJelMatter(jel->handle, 0, kMatterDamping, &soft);
  const int32_t id = jel->id, nodes = jel->nodeCount;
  setName(d, "GJ");
  type(entry(d->pointsField), {'7'});
  press(d->recreateButton);
  jel = jelNamed("GJ");
  ASSERT_NE(jel, nullptr);
  EXPECT_EQ(jel->id, id);
  EXPECT_GT(jel->nodeCount, nodes);
  MatterProps m;
  GVGetJelMatter(jel->handle, 0, kMatterAllFields, &m);
  EXPECT_FLOAT_EQ(m.damping, 2.5f);
  EXPECT_EQ(jelCount(), 1);
  EXPECT_TRUE(gOgreData->mSceneMgr->hasEntity("GJHENT"));
  EXPECT_EQ(g->jel, jel);
  EXPECT_EQ(g->flags & 0x202u, 0x202u);

  // The chooser names groups and renames the Geo it shows.
  d->setGeo(-3);
  EXPECT_STREQ(d->geoChooser->textBox->text, "Group_3");
  d->setGeo(cube);
  click(d->geoChooser->nextButton->face);
  EXPECT_EQ(d->geoSel, sheet);
  EXPECT_EQ(GVAppSelection().geoId, sheet);
  d->geoChooser->textBox->setText("Plane");
  click(d->geoChooser->textBox->window);
  GVTestKeyPress(VK_RETURN);
  settle();
  EXPECT_STREQ(GVGetGeoById(GVGeoListOf(GVScene().geoList), sheet)->name, "Plane");
  EXPECT_STREQ(d->geoChooser->textBox->text, "Plane  {2}");

  // The points stop at the most a lattice from Geos takes along an axis.
  type(entry(d->pointsField), {'1', '0', '0', '0'});
  EXPECT_EQ(d->points, kGeoJelMaxAxisPoints);
  EXPECT_EQ(entry(d->pointsField)->getInt(), kGeoJelMaxAxisPoints);
  type(entry(d->pointsField), {'5'});

  // A flat Geo: refused along its thin axis, accepted with MAX.
  EXPECT_EQ(d->geoSel, sheet);
  choose(d->directionChooser, 3);
  EXPECT_EQ(d->direction, 2);
  setName(d, "Flat");
  press(d->createButton);
  EXPECT_EQ(gMessages.back(), "Warning: Bad direction specified for flat Geo object!");
  EXPECT_EQ(jelCount(), 1);
  choose(d->directionChooser, 1);
  press(d->createButton);
  EXPECT_NE(jelNamed("Flat"), nullptr);
}

}  // namespace
