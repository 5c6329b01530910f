// Numbers a float cannot hold, typed into every float entry of every editor and
// creation dialog of an opened sample scene: each is refused, the scene stays
// as it was and keeps playing finite frames; the largest walls and transform
// the editors accept play and draw.
#include <unistd.h>

#include <cctype>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "appwins/create_geo.h"
#include "appwins/create_jel.h"
#include "appwins/editor_bar.h"
#include "appwins/editor_opener.h"
#include "appwins/logic_cntrl.h"
#include "appwins/notes_window.h"
#include "appwins/vehicle_panel.h"
#include "dynamics/world.h"
#include "editors/editor_entries.h"
#include "editors/key_frame_editor.h"
#include "editors/walls_dialog.h"
#include "editor_fixture.h"
#include "geo/geo_list.h"
#include "geo/geo_object.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "platform/pixel_surface.h"
#include "scene/app_selection.h"
#include "scene/file_handlers.h"
#include "scene/frame_driver.h"
#include "geo/geo_list_services.h"
#include "scene/menu_commands.h"
#include "scene/scene_access.h"
#include "scene/scene_limits.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "scene/work_folders.h"
#include "toolkit/choosers.h"
#include "toolkit/dialog_window.h"
#include "toolkit/edit_control.h"
#include "toolkit/frames.h"
#include "toolkit/messages.h"

namespace fs = std::filesystem;

namespace {

const char* const kUnholdable[] = {"10000000000000000000000000000000000000000", "1e39", "-1e39", "nan", "inf"};

class TypedFloats : public EditorWindowTest {
 public:
  void SetUp() override {
    SetUpEditors(true, true);
    SceneServices s = GVSceneServices();
    s.showMessage = GVMessage;
    GVSetSceneServices(s);
    old_ = fs::current_path();
    root_ = fs::temp_directory_path() / ("gv_typed_floats_" + std::to_string(getpid()));
    fs::create_directories(root_ / "GVSceneFiles");
    fs::copy(fs::path(GV_PROJECT_ROOT) / "GVSceneFiles/Scenes", root_ / "GVSceneFiles/Scenes");
    fs::create_symlink(old_ / "media", root_ / "media");
    fs::current_path(root_);
    ASSERT_EQ(GVInitFolders(), 1);
    GVFileOpenCB(kFileOpen | kFileScenes, "Showcase.gvs", win_);
    settle();
    ASSERT_EQ(win_->sceneName, "Showcase.gvs");
    GVHideNotesWindow();  // it covers the logic panel
    GObject* geo = GVGeoListOf(GVScene().geoList)->head;
    HObject* jel = world()->head;
    ASSERT_TRUE(geo && jel);
    GVAppSelection() = AppSelection{geo->id, jel->id};
    currentGeo_[0] = geo->id;
    currentJel_[0] = jel->id;
  }
  void TearDown() override {
    fs::current_path(old_);
    fs::remove_all(root_);
    EditorWindowTest::TearDown();
  }

  // The scene as its file holds it.
  std::string sceneBytes() {
    GVSaveSceneAs("Snapshot.gvs");
    std::ifstream in(root_ / "GVSceneFiles/Scenes/Snapshot.gvs", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // The visible float entries under a dialog's window, in window order.
  static void floatEntries(HWND parent, std::vector<HwEditControl*>* found) {
    for (HWND w = GetWindow(parent, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
      char name[32] = {};
      GetClassNameA(w, name, sizeof name);
      auto* e = reinterpret_cast<HwEditControl*>(GetWindowLongA(w, GWL_USERDATA));
      if (std::string(name) == "EditControlClass" && e && e->window == w && e->kind == 1 && IsWindowVisible(w))
        found->push_back(e);
      floatEntries(w, found);
    }
  }
  // A double click selects the entry's text; the keys replace it and Enter
  // commits. A leading '-' is typed last, after the caret went to the start.
  static void type(const HwEditControl* e, const std::string& text) {
    click(e->window, 2);
    const bool negative = !text.empty() && text[0] == '-';
    const std::string body = negative ? text.substr(1) : text;
    for (char ch : body) GVTestKeyPress(ch == '.' ? VK_DECIMAL : UINT(std::toupper(static_cast<unsigned char>(ch))));
    if (negative) {
      for (size_t i = 0; i < body.size(); ++i) GVTestKeyPress(VK_LEFT);
      GVTestKeyPress(VK_SUBTRACT);
    }
    GVTestKeyPress(VK_RETURN);
    settle();
  }
  // Every unholdable number into every float entry of the dialog: each beeps
  // and the entry and the scene keep what they held.
  void refuseAll(const std::string& what, HWND root) {
    ASSERT_NE(root, nullptr) << what;
    settle();
    std::vector<HwEditControl*> entries;
    floatEntries(root, &entries);
    EXPECT_FALSE(entries.empty()) << what;
    const std::string before = sceneBytes();
    for (size_t i = 0; i < entries.size(); ++i) {
      const std::string shown = entries[i]->text;
      for (const char* text : kUnholdable) {
        const unsigned beeps = GVTestBeepCount();
        type(entries[i], text);
        EXPECT_EQ(GVTestBeepCount(), beeps + 1) << what << " entry " << i << " " << text;
        EXPECT_EQ(entries[i]->text, shown) << what << " entry " << i << " " << text;
      }
    }
    EXPECT_TRUE(sceneBytes() == before) << what;
  }
  // 50 frames from the current one: no frame is taken back for a non-finite
  // value, and every Jel node and Geo vertex is a number.
  void playFinite() {
    const int32_t restores = world()->nonFiniteRestores;
    const int32_t first = GVCurrentFrame(GVScene().world);
    for (int32_t f = first + 1; f <= first + 50; ++f) GVStepFrame(f, 1);
    EXPECT_EQ(world()->nonFiniteRestores, restores);
    for (HObject* j = world()->head; j; j = GVNextJel(j)) EXPECT_TRUE(j->state && j->state->isFinite()) << j->id;
    for (GObject* g = GVGeoListOf(GVScene().geoList)->head; g; g = g->next)
      for (int32_t v = 1; v <= g->vertexCount; ++v)
        for (float c : g->vertices[v]) ASSERT_TRUE(std::isfinite(c)) << "Geo " << g->id;
    win_->redrawView();
    settle();
  }
  void press(int code) {
    for (int i = 0; i < kEditorBarButtons; ++i)
      if (kEditorBarTable[i].code == code) click(win_->selectorBar->buttons[i]->face);
  }
  void open(int code) {
    if (!win_->editors[code] || !win_->editors[code]->isVisible()) press(code);
  }
  static void hide(HwDialogWindow* d) {
    auto* t = static_cast<HwDialogTemp*>(d);
    if (t && t->isVisible() && t->dismissButton) click(t->dismissButton->face);
  }

  fs::path old_, root_;
};

TEST_F(TypedFloats, UnholdableNumbersAreRefusedEverywhereAndTheLargestAcceptedPlay) {
  for (int code : {kEditorInitialState, kEditorMatter, kEditorGeoProperties, kEditorKeyFrame, kEditorRender,
                   kEditorWalls, kEditorSceneSettings, kEditorLights}) {
    open(code);
    ASSERT_NE(win_->editors[code], nullptr) << code;
    refuseAll("editor " + std::to_string(code), win_->editors[code]->popup);
    hide(win_->editors[code]);
    EXPECT_FALSE(win_->editors[code]->isVisible());
  }
  // The logic and vehicle panels toggle in place.
  press(kEditorLogicPanel);
  ASSERT_NE(win_->logicPanel, nullptr);
  refuseAll("logic panel", win_->logicPanel->frame->outer);
  press(kEditorLogicPanel);
  press(kEditorVehiclePanel);
  ASSERT_NE(win_->vehiclePanel, nullptr);
  refuseAll("vehicle panel", win_->vehiclePanel->frame.outer);
  press(kEditorVehiclePanel);
  const struct {
    int dialog;
    HwDialogWindow* (*of)(GVAppMainWin*);
  } creators[] = {
      {kCreateDialogBlockJel, [](GVAppMainWin* w) -> HwDialogWindow* { return w->createJelDialog; }},
      {kCreateDialogBlockGeo, [](GVAppMainWin* w) -> HwDialogWindow* { return w->createGeoBlock; }},
      {kCreateDialogPlaneGeo, [](GVAppMainWin* w) -> HwDialogWindow* { return w->createGeoPlane; }},
  };
  for (const auto& c : creators) {
    win_->showCreateDialog(c.dialog, 0, GVAppSelection().geoId, GVAppSelection().jelId);
    ASSERT_NE(c.of(win_), nullptr) << c.dialog;
    refuseAll("create dialog " + std::to_string(c.dialog), c.of(win_)->popup);
    hide(c.of(win_));
  }
  playFinite();

  // The largest walls: every side at the limit, typed past it.
  open(kEditorWalls);
  auto* walls = static_cast<HwWalls*>(win_->editors[kEditorWalls]);
  ASSERT_NE(walls, nullptr);
  // Slots: Upper Y, Upper X, Lower X, Upper Z, Lower Z, Lower Y.
  const bool upper[6] = {true, true, false, true, false, false};
  for (int i = 0; i < 6; ++i) type(walls->fields[i].editButton->edit, upper[i] ? "1e9" : "-1e9");
  for (int i = 0; i < 6; ++i) EXPECT_EQ(GVScene().bounds[i], i % 2 ? kGVSceneValueLimit : -kGVSceneValueLimit);
  hide(walls);

  // The largest transform of a Geo free to move: each component at the limit.
  GObject* free = GVGeoListOf(GVScene().geoList)->head;
  while (free && free->jelId != 0) free = free->next;
  ASSERT_NE(free, nullptr);
  open(kEditorKeyFrame);
  auto* keys = static_cast<HwKeyFrame*>(win_->editors[kEditorKeyFrame]);
  ASSERT_NE(keys, nullptr);
  for (int i = 0; i < 10 && keys->current() != free->id; ++i) click(keys->selector->nextButton->face);
  ASSERT_EQ(keys->current(), free->id);
  for (HwBaseControl* f : keys->fields) type(f->editButton->edit, "1e9");
  for (HwBaseControl* f : keys->fields) EXPECT_EQ(f->editButton->getFloat(), kGVSceneValueLimit);
  playFinite();
  // The view is not blanked: the Jels still show on its background.
  const RECT v = rectOf(win_->view->window);
  const COLORREF background = screen(v.left + 2, v.top + 2);
  int ink = 0;
  for (int y = v.top; y < v.bottom; y += 4)
    for (int x = v.left; x < v.right; x += 4) ink += screen(x, y) != background;
  EXPECT_GT(ink, 100);
  EXPECT_TRUE(GVSavePng(GVScreenImage(), (old_ / "typed_floats_largest.png").c_str()));
}

}  // namespace
