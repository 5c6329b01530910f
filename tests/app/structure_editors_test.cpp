// The structure, part, group and glue editors driven through the program's
// windows: opened from the selector bar, buttons clicked and texts typed
// through the window stand-in, the reports handled by the real callbacks.
#include <cmath>
#include <string>
#include <vector>

#include "program_fixture.h"
#include "GVAppWins/view_window.h"
#include "app/service_installers.h"
#include "appwins/editor_bar.h"
#include "appwins/editor_opener.h"
#include "dynamics/runner_scene.h"
#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "editors/editor_entries.h"
#include "editors/glue_editor.h"
#include "editors/group_editor.h"
#include "editors/part_editor.h"
#include "editors/structure_editor.h"
#include "geo/geo_fixtures.h"
#include "geo/uv_sets.h"
#include "jel/jel_object.h"
#include "jel/lattice_builder.h"
#include "jel/live_state.h"
#include "logic/dyn2_cmds.h"
#include "logic/logic_system.h"
#include "logic/program_store.h"
#include "scene/app_selection.h"
#include "scene/edit_rules.h"
#include "scene/frame_driver.h"
#include "geo/geo_list_services.h"
#include "records/heap_string.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "toolkit/entry_typing.h"
#include "toolkit/label.h"
#include "toolkit/messages.h"
#include "vehicle/vehicle_commands.h"

namespace {

using Strings = std::vector<std::string>;
Strings gMessages, gStatus;
std::vector<int> gWarnings;
int gBox;
const GVMessageBoxOps kRecordingBox = {
    [](const char* text) -> void* {
      gMessages.emplace_back(text);
      return &gBox;
    },
    [](void*, const char* text, int, int) { gMessages.emplace_back(text); }, [](void*) {}};
void (*gShowWarning)(int32_t, int32_t, int32_t) = nullptr;

class StructureEditors : public ProgramTest {
 public:
  void SetUp() override {
    StartProgram(true);
    GVInstallMessageBox(&kRecordingBox);
    SceneServices s = GVSceneServices();
    gShowWarning = s.showWarning;
    s.showWarning = [](int32_t code, int32_t geo, int32_t jel) {
      gWarnings.push_back(code);
      if (gShowWarning) gShowWarning(code, geo, jel);
    };
    s.showStatusLine = [](const char* text) { gStatus.emplace_back(text); };
    GVSetSceneServices(s);
    GVAppSelection() = AppSelection();  // the editors start from the scene's first objects
    gMessages.clear();
    gStatus.clear();
    gWarnings.clear();
    settle();
  }
  void TearDown() override {
    GVInstallMessageBox(nullptr);
    CloseMainWindow();
    GVRemoveEditorEntries();
    GVSetSceneServices(saved_);
  }
  HWorld* world() { return *GVScene().world; }
  // n x n x n cells of size h with the lowest corner at (x, y, 0).
  HObject* addJel(int32_t id, int n, float h, float x, float y = 1.0f, float fy = 0.0f) {
    const float corner[3] = {x, y, 0.0f};
    HObject* j = MakeDropJel(n, n, n, h, corner, id, fy);
    j->handle = new HObject*(j);
    GVAddJelToScene(GVScene().world, j->handle);
    return j;
  }
  GObject* addBox(int32_t id, float x) {
    GObject* g = geotest::makeGeo(id, ("Box" + std::to_string(id)).c_str(), geotest::boxCorners({x, 0, 0}, {x + 1, 1, 1}),
                                  geotest::boxTriangles());
    g->handle = new ObjHandle{g};
    GVAddGeoToScene(GVScene().geoList, g->handle);
    return g;
  }
  template <class T>
  T* open(int code) {
    if (code == kEditorGeoPart) GVOpenEditor(code, win_);  // no button sends code 8
    for (int i = 0; i < kEditorBarButtons; ++i)
      if (win_->selectorBar->links[i].code == code) click(win_->selectorBar->buttons[i]->face);
    settle();
    return static_cast<T*>(win_->editors[code]);
  }
  static void press(HwBaseControl* c) { click(c->button->face); }
  static bool down(HwBaseControl* c) { return c->button->state != 0; }
  static std::string text(HwSelectorTool* s) { return s->textBox->text ? s->textBox->text : ""; }
  static void type(HwSelectorTool* s, const std::string& t) { TypeIntoEntry(s->textBox->window, t + "\r"); }
  LatticeBuilder* builder() {
    return win_->view->builderCell ? *reinterpret_cast<LatticeBuilder**>(win_->view->builderCell) : nullptr;
  }
};

const char* const kNotNatural = "Gv Warning: Edit Structure operations must be performed in Natural State mode";

TEST_F(StructureEditors, StructureModeHoldsABuilderOnlyInNaturalStateAndExcludesThePartMode) {
  addJel(1, 3, 0.5f, 0.0f);  // 4 nodes along each axis
  addJel(2, 1, 1.0f, 4.0f);
  auto* s = open<HwEditStruct>(kEditorStructure);
  ASSERT_NE(s, nullptr);
  EXPECT_NE(text(s->selector).find("  {1}"), std::string::npos);
  EXPECT_TRUE(GVSaveScreenPng("structure_editor.png"));

  press(s->modeButton);  // initial-state mode: refused, nothing changes
  EXPECT_EQ(gStatus.back(), kNotNatural);
  EXPECT_EQ(builder(), nullptr);
  EXPECT_FALSE(down(s->modeButton));
  EXPECT_EQ(gViewModeFlags.structureEdit, 0);
  EXPECT_EQ(s->lock, 0);

  GVSetWorldStateMode(world(), -1);
  press(s->modeButton);
  ASSERT_NE(builder(), nullptr);
  EXPECT_FLOAT_EQ(builder()->cellSize, 0.5f);
  EXPECT_EQ(builder()->nx, 4);
  EXPECT_EQ(builder()->ny, 4);
  EXPECT_EQ(builder()->nz, 4);
  EXPECT_TRUE(down(s->modeButton));
  EXPECT_EQ(gViewModeFlags.structureEdit, 1);
  EXPECT_EQ(s->lock, 1);
  const unsigned beeps = GVTestBeepCount();
  click(s->dismissButton->face);  // locked: only a beep
  EXPECT_EQ(GVTestBeepCount(), beeps + 1);
  EXPECT_TRUE(s->isVisible());

  // The part mode turned on ends the structure mode, and the other way round.
  auto* p = open<HwEditPart>(kEditorJelPart);
  MoveWindow(p->popup, 300, 110, p->width, p->height, TRUE);  // beside the structure editor
  settle();
  press(p->modeButton);
  EXPECT_EQ(gViewModeFlags.partPick, 1);
  EXPECT_EQ(builder(), nullptr);
  EXPECT_FALSE(down(s->modeButton));
  EXPECT_EQ(gViewModeFlags.structureEdit, 0);
  press(s->modeButton);
  EXPECT_NE(builder(), nullptr);
  EXPECT_EQ(gViewModeFlags.partPick, 0);
  EXPECT_FALSE(down(p->modeButton));
  EXPECT_EQ(p->lock, 0);

  // Stepping the chooser while on frees the builder and pops the button up.
  click(s->selector->nextButton->face);
  EXPECT_EQ(s->current(), 2);
  EXPECT_EQ(builder(), nullptr);
  EXPECT_FALSE(down(s->modeButton));
  EXPECT_EQ(s->lock, 0);

  // A part Jel of a vehicle: one beep and the warning, the mode stays off.
  GVSetWorldStateMode(world(), 0);
  ASSERT_NE(GVMakeVehicle(1, 0, 0, 0, 32), nullptr);
  GVSetWorldStateMode(world(), -1);
  HObject* part = nullptr;
  for (HObject* j = world()->head; j && !part; j = GVNextJel(j))
    if (!GVJelStructureEditAllowed(j->id, nullptr) && gWarnings.back() == kWarnPartJel) part = j;
  ASSERT_NE(part, nullptr);
  s->refresh(part->id);
  gWarnings.clear();
  const unsigned before = GVTestBeepCount();
  press(s->modeButton);
  EXPECT_EQ(GVTestBeepCount(), before + 1);
  EXPECT_EQ(gWarnings, std::vector<int>{kWarnPartJel});
  EXPECT_EQ(builder(), nullptr);
  EXPECT_FALSE(down(s->modeButton));
  EXPECT_EQ(gViewModeFlags.structureEdit, 0);
}

TEST_F(StructureEditors, PartChooserKeepsBadPartsAndStepsThroughGroups) {
  auto* d = open<HwEditPart>(kEditorJelPart);  // no Jel yet: "NONE", the mode stays off
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(text(d->partSelector), "NONE");
  press(d->modeButton);
  EXPECT_EQ(gViewModeFlags.partPick, 0);
  EXPECT_FALSE(down(d->modeButton));

  HObject* a = addJel(1, 1, 1.0f, 0.0f);
  HObject* b = addJel(2, 1, 1.0f, 3.0f);
  b->groupMask |= 1u << 3;
  a->partMask[1] |= 1u << 5;  // parts 1 and 5 in use
  d->refresh(1, 0);
  EXPECT_EQ(text(d->partSelector), "Part 1");
  click(d->partSelector->button3->face);  // "+": one above the highest used
  EXPECT_EQ(d->part(), 6);
  a->partMask[2] |= 1u << 31;
  click(d->partSelector->button3->face);  // part 31 in use: no new part
  EXPECT_EQ(d->part(), 6);
  for (const char* bad : {"0", "31", "abc"}) {
    type(d->partSelector, bad);
    EXPECT_EQ(d->part(), 6) << bad;
    EXPECT_EQ(text(d->partSelector), "Part 6") << bad;
  }
  type(d->partSelector, "7");
  EXPECT_EQ(d->part(), 7);
  EXPECT_TRUE(GVSaveScreenPng("jel_part_editor.png"));

  // After the last Jel the used groups, then the first Jel again.
  Strings shown;
  for (int i = 0; i < 4; ++i) {
    click(d->objectSelector->nextButton->face);
    shown.push_back(text(d->objectSelector));
  }
  EXPECT_EQ(shown[1], "ALL Jels");
  EXPECT_EQ(shown[2], "Group_3");
  EXPECT_EQ(d->current(), 1);

  // The Geo variant: its chooser makes its Geo the view's current Geo.
  addBox(1, 0.0f);
  addBox(2, 3.0f);
  auto* g = open<HwEditPart>(kEditorGeoPart);
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(text(g->partSelector), "NONE");
  click(g->objectSelector->nextButton->face);
  EXPECT_EQ(g->current(), 2);
  EXPECT_EQ(win_->view->currentGeo[0], 2);
  EXPECT_TRUE(GVSaveScreenPng("geo_part_editor.png"));
}

TEST_F(StructureEditors, GroupButtonsSetBitsMergeAndShowTheVehicleGroup) {
  HObject* jel = addJel(1, 1, 1.0f, 0.0f);
  addJel(2, 1, 1.0f, 3.0f);
  auto* d = open<HwEditGroup>(kEditorJelGroup);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->buttons[HwEditGroup::kMergeEq], nullptr);
  EXPECT_TRUE(GVSaveScreenPng("jel_group_editor.png"));
  click(d->objectSelector->nextButton->face);  // Jel 2, then back to Jel 1
  click(d->objectSelector->nextButton->face);
  ASSERT_EQ(d->current(), 1);
  for (int32_t g : {3, 31}) {
    d->setGroup(-g);
    EXPECT_EQ(text(d->groupSelector), "Group_" + std::to_string(g));
    win_->view->currentJel[0] = 2;
    press(d->buttons[HwEditGroup::kAdd]);
    EXPECT_TRUE(jel->groupMask >> g & 1u) << g;
    EXPECT_TRUE(jel->state->groupMask >> g & 1u) << g;
    EXPECT_EQ(win_->view->currentJel[0], 1);
    press(d->buttons[HwEditGroup::kRemove]);
    EXPECT_FALSE(jel->groupMask >> g & 1u) << g;
    EXPECT_FALSE(jel->state->groupMask >> g & 1u) << g;
  }

  // Geos: two of group 3 with matching texture sets merge into one current Geo.
  for (int32_t id : {1, 2}) {
    GObject* g = addBox(id, 3.0f * static_cast<float>(id));
    g->groupMask |= 1u << 3;
    ASSERT_EQ(GVNewGeoUVSets(g, 1), 0);
    GVSetString(&g->uvSets->sets[0].name, "map");
  }
  auto* m = open<HwEditGroup>(kEditorGeoGroup);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->buttons[HwEditGroup::kVehicle], nullptr);
  EXPECT_TRUE(GVSaveScreenPng("geo_group_editor.png"));
  m->setGroup(-3);
  press(m->buttons[HwEditGroup::kMergeEq]);
  const GObject* merged = GVGeoOf(GVFindGeo(GVScene().geoList, win_->view->currentGeo[0]));
  ASSERT_NE(merged, nullptr);
  EXPECT_EQ(std::string(merged->name), "GeoMRGD_" + std::to_string(merged->id));
  press(m->buttons[HwEditGroup::kUnMerge]);
  EXPECT_EQ(gMessages.back(), "GVUnMergeGeos: UnMerge Geo successful ... number 'new' geos = 2");

  // With a vehicle, the aux-group button shows the same group every time.
  ASSERT_NE(GVMakeVehicle(1, 0, 0, 0, 32), nullptr);
  press(d->buttons[HwEditGroup::kVehicle]);
  const int32_t shown = d->group();
  EXPECT_LT(shown, -1);
  press(d->buttons[HwEditGroup::kVehicle]);
  EXPECT_EQ(d->group(), shown);
  EXPECT_EQ(text(d->groupSelector), "Group_" + std::to_string(-shown));
}

// Distance of node a of one Jel to node b of another at the live state.
float gap(const HObject* p, int32_t a, const HObject* q, int32_t b) {
  const float dx = p->pos[a][0] - q->pos[b][0], dy = p->pos[a][1] - q->pos[b][1], dz = p->pos[a][2] - q->pos[b][2];
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

TEST_F(StructureEditors, GlueBindsThePartsNodesWithinAFifthOfTheSmallestCell) {
  // Face to face at x = 1: cells of 0.5 and of 0.25; only the first falls.
  HObject* coarse = addJel(1, 2, 0.5f, 0.0f, 1.0f, -10.0f);
  HObject* fine = addJel(2, 4, 0.25f, 1.0f);
  for (HObject* j : {coarse, fine}) {
    j->groupMask |= 1u << 2;
    j->state->groupMask = j->groupMask;
  }
  // Every unordered node pair of part 1 closer than 0.2 x 0.25.
  std::vector<std::pair<int32_t, int32_t>> expected;
  for (HObject* p : {coarse, fine})
    for (HObject* q : {coarse, fine})
      for (int32_t a = 1; a <= p->nodeCount; ++a)
        for (int32_t b = 1; b <= q->nodeCount; ++b)
          if ((p->id < q->id || (p == q && a < b)) && gap(p, a, q, b) < 0.05f) expected.emplace_back(a, b);
  ASSERT_GT(expected.size(), 0u);

  auto* d = open<HwEditGlue>(kEditorGlue);
  ASSERT_NE(d, nullptr);
  EXPECT_TRUE(GVSaveScreenPng("glue_editor.png"));
  for (int i = 0; i < 6 && d->selection() != -2; ++i) click(d->selector->nextButton->face);
  ASSERT_EQ(text(d->selector), "Group_2");
  press(d->addButton);
  int32_t links = 0;
  for (HObject* j : {coarse, fine})
    for (int32_t i = 1; i <= j->nodeCount; ++i) links += j->glueJel[i] != 0;
  EXPECT_EQ(links, static_cast<int32_t>(2 * expected.size()));
  for (const auto& [a, b] : expected) EXPECT_EQ(coarse->glueNode[a], b);

  // The scene's logic applies the group's glue every frame, as a user's HGLUE line does.
  GVLogicClearProgram(GVScene().logic, 1);
  LogicLine* line = GVLogicInsertLineAfter(GVScene().logic, 1, nullptr);
  ASSERT_TRUE(line);
  line->category = kLogicDyn2;
  line->command = kDyn2HGlue;
  for (int a = 0; a < 4; ++a) line->argType[a] = kLogicIntConst;
  line->argInt[0] = -2;
  line->argInt[1] = 1;
  GVStepFrame(0, 1);
  for (int32_t f = 1; f <= 100; ++f) GVStepFrame(f, 1);
  float worst = 0;
  for (const auto& [a, b] : expected) worst = std::max(worst, gap(coarse, a, fine, b));
  EXPECT_LT(worst, 0.01f);
  EXPECT_LT(coarse->pos[1][1], 1.0f - 0.1f);  // they moved, together

  press(d->removeButton);
  for (HObject* j : {coarse, fine})
    for (int32_t i = 1; i <= j->nodeCount; ++i) EXPECT_EQ(j->glueJel[i], 0);

  choose(d->drawDrop, 2);
  const GVView* v = win_->view;
  EXPECT_EQ((std::vector<int32_t>{v->glueOn, v->glueFirst, v->glueSecond, v->gluePart}),
            (std::vector<int32_t>{1, -2, -2, 1}));
}

}  // namespace
