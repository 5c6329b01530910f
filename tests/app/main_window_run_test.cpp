// The main window as a user drives it: a scene opened from the files list by
// clicks, the display choosers and the opacity buttons on the screen and on
// the engine's objects, a scene without notes, and the menu bar after the
// files list was hovered.
#include <OGRE/OgreControllerManager.h>
#include <OGRE/OgreEntity.h>
#include <OGRE/OgreMaterial.h>
#include <OGRE/OgrePass.h>
#include <OGRE/OgreSceneManager.h>
#include <OGRE/OgreSubEntity.h>
#include <OGRE/OgreTechnique.h>
#include <OGRE/OgreTexture.h>
#include <OGRE/OgreTextureUnitState.h>
#include <OGRE/OgreViewport.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <functional>
#include <string>
#include <vector>

#include "program_fixture.h"
#include "GVAppWins/ogre_geo_objects.h"
#include "GVAppWins/ogre_view.h"
#include "GVAppWins/view_links.h"
#include "dynamics/selection_ops.h"
#include "jel/matter.h"
#include "GVAppWins/view_picking.h"
#include "camera/camera_record.h"
#include "app/app_windows.h"
#include "app/service_installers.h"
#include "app/message_loop.h"
#include "appwins/anim_dialog.h"
#include "appwins/editor_bar.h"
#include "appwins/editor_opener.h"
#include "appwins/file_list.h"
#include "appwins/file_save.h"
#include "appwins/logic_cntrl.h"
#include "appwins/message_dlg.h"
#include "dynamics/world_runner.h"
#include "editors/editor_entries.h"
#include "editors/part_editor.h"
#include "editors/structure_editor.h"
#include "toolkit/label.h"
#include "appwins/menu_bar.h"
#include "appwins/notes_window.h"
#include "appwins/tool_dialogs.h"
#include "appwins/vehicle_panel.h"
#include "dynamics/world.h"
#include "geo/geo_list.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "scene/display_settings.h"
#include "scene/file_handlers.h"
#include "scene/frame_driver.h"
#include "scene/light_list.h"
#include "scene/menu_commands.h"
#include "scene/scene_access.h"
#include "scene/scene_files.h"
#include "scene/scene_limits.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "scene/work_folders.h"
#include "toolkit/multi_list.h"
#include "toolkit/time_bar.h"
#include "toolkit/title_bar.h"
#include "platform/input.h"
#include "toolkit/slider_group.h"
#include "vehicle/vehicle_drive.h"
#include "vehicle/vehicle_jels.h"
#include "vehicle/vehicle_record.h"
#include "vehicle/vehicle_setup.h"
#include "vehicle/wheel_geos.h"

namespace fs = std::filesystem;

namespace {

// The frame a played run ends the message loop at (60 unless a test says
// otherwise), and what is looked at on each tick of the way.
int32_t gStopFrame = 60;
std::function<void()> gOnTick;
void CALLBACK QuitAtStopFrame(HWND hwnd, UINT, UINT_PTR id, DWORD) {
  if (gOnTick) gOnTick();
  if (GVFrameClock().currentFrame < gStopFrame) return;
  KillTimer(hwnd, id);
  PostQuitMessage(0);
}

class MainWindowRun : public ProgramTest {
 public:
  // The program as WinMain starts it, then run from a folder of its own that
  // holds the sample scenes.
  void SetUp() override {
    StartProgram();
    old_ = fs::current_path();
    root_ = fs::temp_directory_path() / ("gv_main_run_" + std::to_string(getpid()));
    fs::create_directories(root_ / "GVSceneFiles");
    fs::copy(fs::path(GV_PROJECT_ROOT) / "GVSceneFiles/Scenes", root_ / "GVSceneFiles/Scenes");
    // The engine finds its textures and shader programs in media/ of the folder it runs in.
    fs::create_symlink(old_ / "media", root_ / "media");
    fs::current_path(root_);
    ASSERT_EQ(GVInitFolders(), 1);
    settle();
  }
  void TearDown() override {
    gStopFrame = 60;
    gOnTick = nullptr;
    GVEndProgram();
    EXPECT_EQ(GVViewScene().background, nullptr);  // let go before the display settings went
    GVTestReset();
    GVSetSceneServices(saved_);
    fs::current_path(old_);
    fs::remove_all(root_);
  }
  // Play pressed on the animation panel, the program run until frame stop
  // (gOnTick looked at on each tick), and play pressed again.
  void playUntil(int32_t stop) {
    gStopFrame = stop;
    clickCentre(win_->animationPanel->play->face);
    SetTimer(win_->view->window, 77, 5, QuitAtStopFrame);
    GVRunMessageLoop();
    clickCentre(win_->animationPanel->play->face);
  }
  // The open vehicle scene played to the end of its play range, look called on
  // each tick (it says whether it could look): most ticks looked, the range
  // was played to its end, and the chassis went more than its own length over
  // the ground.
  void driveToTheEnd(const std::function<bool()>& look, const std::string& what = "") {
    const VehicleRec* v = GVVehicleOf(GVScene().vehicle);
    ASSERT_NE(v, nullptr) << what;
    HWorld* world = GVWorldOf(GVScene().world);
    const int32_t stop = GVScene().display->frameWords[1];
    int32_t ticks = 0;
    gOnTick = [&] { ticks += look(); };
    float c0[3], c1[3];
    GVVehicleSelCentre(world, v->groupChassis, kFrameCommitted, c0);
    playUntil(stop);
    gOnTick = nullptr;
    settle();
    GVVehicleSelCentre(world, v->groupChassis, kFrameCommitted, c1);
    EXPECT_EQ(GVFrameClock().currentFrame, stop) << what;
    EXPECT_GT(ticks, stop / 2) << what;
    EXPECT_GT(std::hypot(c1[0] - c0[0], c1[2] - c0[2]), 8.0f) << what;
  }
  // The scenes list from the File menu's Open, and a click on the scene's cell.
  void open(const std::string& name) {
    GVMenuCommand(kMenuFile, 4, 0, win_);
    settle();
    HwListDlg* list = win_->fileList;
    ASSERT_NE(list, nullptr);
    const POINT at = cellCentre(name);
    ASSERT_GE(at.x, 0) << name;
    GVTestMouseMove(at.x, at.y);
    settle();
    GVTestClick(at.x, at.y);
    settle();
    ASSERT_EQ(win_->sceneName, name);
  }
  POINT cellCentre(const std::string& name) {
    HwListDlg* list = win_->fileList;
    const RECT r = rectOf(list->listWindow);
    for (int i = 0; i < list->count; ++i)
      if (name == list->item(i))
        return POINT{r.left + (i / list->rows) * list->cellWidth + list->cellWidth / 2,
                     r.top + (i % list->rows) * list->cellHeight + list->cellHeight / 2};
    return POINT{-1, -1};
  }
  // Pixels of the view that show the Jels' blue-violet surface.
  int jelPixels() {
    win_->redrawView();
    settle();
    const RECT v = rectOf(win_->view->window);
    int n = 0;
    for (int y = v.top; y < v.bottom; y += 2)
      for (int x = v.left; x < v.right; x += 2) {
        const COLORREF c = screen(x, y);
        n += GetBValue(c) > GetRValue(c) + 25 && GetBValue(c) > GetGValue(c) + 25;
      }
    return n;
  }
  // The sky's blue, its white clouds and the blends of the two.
  static bool skyLike(COLORREF c) {
    const int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    return b >= 190 && std::abs(20 * (g - r) - 8 * (b - r)) <= 240;
  }
  // Mean grey level of the 9 x 9 pixels around a screen point.
  static int meanGrey(POINT at) {
    int sum = 0;
    for (int y = at.y - 4; y <= at.y + 4; ++y)
      for (int x = at.x - 4; x <= at.x + 4; ++x) {
        const COLORREF c = screen(x, y);
        sum += (GetRValue(c) + GetGValue(c) + GetBValue(c)) / 3;
      }
    return sum / 81;
  }
  static void centreOf(const HObject* j, float c[3]) {
    c[0] = c[1] = c[2] = 0.0f;
    for (int32_t i = 1; i <= j->nodeCount; ++i)
      for (int k = 0; k < 3; ++k) c[k] += j->pos[i][k] / float(j->nodeCount);
  }
  static Ogre::SubEntity* jelSurface(const HObject* j) {
    Ogre::SceneManager* sm = gOgreData->mSceneMgr;
    const std::string base = j->name;
    if (!sm->hasEntity(base + "HENT")) return nullptr;
    return GVFindSubEntity(sm->getEntity(base + "HENT"), base + "HSUBMESH");
  }
  // The pixels of the 3-D view on the screen.
  std::vector<COLORREF> viewShot() {
    win_->redrawView();
    settle();
    const RECT v = rectOf(win_->view->window);
    std::vector<COLORREF> px;
    for (int y = v.top; y < v.bottom; ++y)
      for (int x = v.left; x < v.right; ++x) px.push_back(screen(x, y));
    return px;
  }
  std::string bytesOf(const std::string& name) {
    std::ifstream in(root_ / "GVSceneFiles/Scenes" / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // File > Save As, the name typed over the field's text (capitals with
  // Shift), Enter when asked, then the dialog's "Save".
  void saveAs(const std::string& name, bool enter) {
    pick(win_->menuBar->file, 3);
    HwFileSave* dlg = win_->saveDialog;
    ASSERT_TRUE(dlg && IsWindowVisible(dlg->popup));
    const POINT field = centre(dlg->nameField->window);
    GVTestAdvanceClock(1000);
    GVTestClick(field.x, field.y);
    GVTestClick(field.x, field.y);  // the whole text selected
    settle();
    for (char ch : name) {
      const bool upper = ch >= 'A' && ch <= 'Z';
      if (upper) GVInputKey(VK_SHIFT, true);
      GVTestKeyPress(upper ? UINT(ch) : UINT(std::toupper(ch)));
      if (upper) GVInputKey(VK_SHIFT, false);
    }
    if (enter) GVTestKeyPress(VK_RETURN);
    settle();
    click(dlg->saveButton->face);
  }
  fs::path old_, root_;
};

TEST_F(MainWindowRun, DisplayChoosersOpacityNotesAndTheMenuAfterTheFilesList) {
  ASSERT_TRUE(GVRenderStarted());
  open("JelDrop.gvs");
  HWorld* world = GVWorldOf(GVScene().world);
  ASSERT_NE(world->head, nullptr);

  // "Jel Dply:" NONE hides every Jel, "HL_L" shows them again (the Geos and
  // the notes window out of the way).
  GVHideNotesWindow();
  win_->view->flags &= ~kViewAxesTriad;  // only the scene's colours
  choose(win_->geoDisplay, 1);
  const int shown = jelPixels();
  EXPECT_GT(shown, 40);
  choose(win_->jelDisplay, 1);
  EXPECT_LT(jelPixels(), shown / 20);
  for (HObject* j = world->head; j; j = GVNextJel(j)) EXPECT_FALSE(jelSurface(j)->isVisible()) << j->name;
  choose(win_->jelDisplay, 4);
  EXPECT_GT(jelPixels(), shown * 9 / 10);

  // "Geo Dply:" HS hides the wireframes.
  choose(win_->geoDisplay, 3);
  int geos = 0;
  for (GObject* g = GVGeoListOf(GVScene().geoList)->head; g; g = g->next, ++geos) {
    Ogre::SubEntity* wire = GVFindSubEntity(GVGeoEntity(g), GeoOgreNames(g).wire);
    ASSERT_NE(wire, nullptr) << g->name;
    EXPECT_FALSE(wire->isVisible()) << g->name;
  }
  EXPECT_GT(geos, 0);

  // Two opacity-up clicks from 0.3: every Jel's material at alpha 0.5.
  GVScene().display->renderValue1 = 0.3f;
  clickCentre(win_->opacityUp->face);
  clickCentre(win_->opacityUp->face);
  EXPECT_NEAR(GVScene().display->renderValue1, 0.5f, 1e-6f);
  for (HObject* j = world->head; j; j = GVNextJel(j)) {
    const Ogre::Pass* pass = jelSurface(j)->getMaterial()->getTechnique(0)->getPass(0);
    EXPECT_NEAR(pass->getDiffuse().a, 0.5f, 1e-6f) << j->name;
  }

  // A scene without notes: the Notes button stays released, no notes window.
  char* notes = nullptr;
  ASSERT_NE(GVSaveScene("Plain.gvs", &notes, win_->view->camera, GVScene().bounds), 0);
  open("Plain.gvs");
  EXPECT_EQ(win_->menuBar->hasNotes, 0);
  EXPECT_TRUE(!GVNotesWindow() || !IsWindowVisible(GVNotesWindow()->popup));

  // The pointer over the files list and off it again: a click on File opens
  // the File menu.
  GVMenuCommand(kMenuFile, 4, 0, win_);
  settle();
  const POINT cell = cellCentre("JelDrop.gvs");
  GVTestMouseMove(cell.x, cell.y);
  settle();
  const RECT file = rectOf(win_->menuBar->file->face);
  GVTestMouseMove((file.left + file.right) / 2, (file.top + file.bottom) / 2);
  settle();
  QwDDSubWindow* menu = win_->menuBar->file->multiList->mainWindow;
  EXPECT_FALSE(menu && IsWindowVisible(menu->popup));
  EXPECT_EQ(GetCapture(), nullptr);
  clickCentre(win_->menuBar->file->face);
  elapse(500);
  menu = win_->menuBar->file->multiList->mainWindow;
  EXPECT_TRUE(menu && IsWindowVisible(menu->popup));
}

TEST_F(MainWindowRun, OpeningASceneEndsTheStructureAndPartModes) {
  ASSERT_EQ(GVInstallEditorEntries(), 1);
  open("JelDrop.gvs");
  GVSetWorldStateMode(GVWorldOf(GVScene().world), -1);
  GVOpenEditor(kEditorStructure, win_);
  GVOpenEditor(kEditorJelPart, win_);
  auto* s = static_cast<HwEditStruct*>(win_->editors[kEditorStructure]);
  auto* p = static_cast<HwEditPart*>(win_->editors[kEditorJelPart]);
  ASSERT_TRUE(s && p);
  MoveWindow(p->popup, 300, 110, p->width, p->height, TRUE);  // beside the structure editor
  settle();
  for (HwBaseControl* mode : {s->modeButton, p->modeButton}) {
    click(mode->button->face);
    ASSERT_NE(mode->button->state, 0);
    open("JelDrop.gvs");
    EXPECT_EQ(mode->button->state, 0);
    EXPECT_EQ(s->lock + p->lock, 0);
    EXPECT_EQ(win_->view->builderCell, nullptr);
    EXPECT_EQ(gViewModeFlags.structureEdit + gViewModeFlags.partPick, 0);
    GVSetWorldStateMode(GVWorldOf(GVScene().world), -1);
  }
  GVRemoveEditorEntries();
}

TEST_F(MainWindowRun, StructureToolCellStaysWithItsFramesAfterTheModeEnds) {
  ASSERT_EQ(GVInstallEditorEntries(), 1);
  open("JelDrop.gvs");
  HWorld* world = GVWorldOf(GVScene().world);
  const int32_t id = GVFindJelByName(world, "DropB");
  ASSERT_GE(id, 1);
  for (int32_t f = 1; f <= 10; ++f) GVStepFrame(f, 1);  // frames computed before the edit
  GVStepFrame(0, 1);
  GVSetWorldStateMode(world, -1);
  GVView* view = win_->view;
  view->currentJel[0] = id;
  GVOpenEditor(kEditorStructure, win_);
  auto* s = static_cast<HwEditStruct*>(win_->editors[kEditorStructure]);
  ASSERT_NE(s, nullptr);
  MoveWindow(s->popup, 1500, 600, s->width, s->height, TRUE);  // off the view's Jels
  s->refresh(id);
  click(s->modeButton->button->face);
  ASSERT_NE(view->builderCell, nullptr);

  // A left click on a face of the Jel adds the cell there.
  const HObject* jel = GVGetJelById(world, id);
  const int32_t nodes = jel->nodeCount;
  float c[3] = {}, q[3], px[3];
  for (int32_t i = 1; i <= jel->nodeCount; ++i)
    for (int k = 0; k < 3; ++k) c[k] += jel->pos[i][k] / float(jel->nodeCount);
  GVProjectPoint(*view->camera, c, q);
  GVNormalisedToScreen(view->viewport, q, px);
  int32_t picked = 0, face = 0, kind = 0;
  GVPickNearestFace(world, id, int(px[0]), int(px[1]), view->viewport, *view->camera, &picked, &face, &kind);
  ASSERT_EQ(picked, id);
  POINT at = {int(px[0]), int(px[1])};
  ClientToScreen(view->window, &at);
  GVTestClick(at.x, at.y);
  settle();
  jel = GVGetJelById(world, id);
  EXPECT_EQ(jel->nodeCount, nodes + 4);  // the new cell's outer face

  // Switched off: the new lattice stays.
  click(s->modeButton->button->face);
  EXPECT_EQ(s->lock, 0);
  EXPECT_EQ(view->builderCell, nullptr);
  jel = GVGetJelById(world, id);
  EXPECT_EQ(jel->nodeCount, nodes + 4);
  // The frames after the edit are computed for the new lattice: pulled down, it
  // falls whole.
  GVSetWorldStateMode(world, 0);
  MatterProps pull;
  pull.forceY = -10.0f;
  GVGetJelById(world, id)->setPartMatter(1, 0, kMatterForceY, &pull);
  GVSetSelMatter(world, id, kFrameCommitted, 1, kMatterForceY, &pull);
  GVStepFrame(0, 1);
  jel = GVGetJelById(world, id);
  std::vector<float> start(jel->nodeCount + 1);
  for (int32_t i = 1; i <= jel->nodeCount; ++i) start[i] = jel->pos[i][1];
  for (int32_t f = 1; f <= 10; ++f) GVStepFrame(f, 1);
  jel = GVGetJelById(world, id);
  ASSERT_EQ(int(start.size()), jel->nodeCount + 1);
  for (int32_t i = 1; i <= jel->nodeCount; ++i) EXPECT_LT(jel->pos[i][1], start[i] - 0.01f) << i;
  GVRemoveEditorEntries();
}


// Each sample opened from the files list shows its objects large at frame 0
// (from the highest to the lowest they span a third of the view's height or
// more) and whole (no edge row or column of the view crosses them), with
// nothing on the status line; played from the animation panel to the end of
// its play range it looks different and its objects are still whole in view.
TEST_F(MainWindowRun, SamplesOpenFramedAndPlay) {
  ASSERT_TRUE(GVRenderStarted());
  for (const char* name :
       {"JelDrop.gvs", "Vehicle2x2.gvs", "LogicCommands.gvs", "Showcase.gvs", "VehicleExploded.gvs"}) {
    open(name);
    GVHideNotesWindow();
    GVAppMainWin::fpsCB(4, win_);
    win_->redrawView();
    settle();
    GVComposeScreen();
    const RECT v = rectOf(win_->view->window);
    auto shot = [&] {
      std::vector<COLORREF> px;
      for (int y = v.top; y < v.bottom; ++y)
        for (int x = v.left; x < v.right; ++x) px.push_back(screen(x, y));
      return px;
    };
    const std::vector<COLORREF> frame0 = shot();
    const int w = v.right - v.left, h = v.bottom - v.top;
    const COLORREF background = frame0[1];  // the top row shows no object
    // Under a sky the empty rows show its blue and clouds (and the light floor counts as empty too).
    const bool sky = GVScene().display->backgroundFlags & 2;
    auto object = [&](const std::vector<COLORREF>& px, int x, int y) {
      return sky ? !skyLike(px[y * w + x]) : px[y * w + x] != background;
    };
    // The rows the objects reach, and the edge rows and columns they cross
    // (the walls' thin lines reach the edges too, and do not count).
    auto framed = [&](const std::vector<COLORREF>& px, int* span) {
      int top = h, bottom = -1;
      for (int y = 0; y < h; ++y) {
        int other = 0;
        for (int x = 0; x < w; ++x) other += object(px, x, y);
        if (other > w / 50) top = std::min(top, y), bottom = y;
      }
      *span = bottom - top;
      int crossed = 0;
      for (int y : {0, h - 1}) {
        int other = 0;
        for (int x = 0; x < w; ++x) other += object(px, x, y);
        crossed += other > w / 50;
      }
      for (int x : {0, w - 1}) {
        int other = 0;
        for (int y = 0; y < h; ++y) other += object(px, x, y);
        crossed += other > h / 50;
      }
      return crossed == 0 && bottom > top;
    };
    int span = 0;
    EXPECT_TRUE(framed(frame0, &span)) << name;
    EXPECT_GE(span * 3, h) << name;
    // The status line under the view is empty: no warning.
    const RECT status = rectOf(win_->view->rightOut);
    EXPECT_EQ(countScreen(screen(status.right - 2, status.top + 2), status),
              (status.right - status.left) * (status.bottom - status.top))
        << name;
    EXPECT_TRUE(GVSavePng(GVScreenImage(), (old_ / (std::string(name) + "_frame0.png")).c_str()));
    // The exploded view's plate on the body, drawn away from its place by the end.
    const GeoList* geos = GVGeoListOf(GVScene().geoList);
    const GObject* body = GVGetGeoById(geos, GVFindGeoByName(geos, "Body"));
    const Ogre::Vector3 body0 = body ? GVGeoEntity(body)->getParentSceneNode()->getPosition() : Ogre::Vector3();
    playUntil(GVScene().display->frameWords[1]);
    settle();
    GVComposeScreen();
    EXPECT_EQ(GVFrameClock().currentFrame, gStopFrame) << name;
    const std::vector<COLORREF> last = shot();
    EXPECT_NE(last, frame0) << name;
    EXPECT_TRUE(framed(last, &span)) << name;
    if (std::string(name) == "VehicleExploded.gvs") {
      ASSERT_TRUE(body && gOgreData->mVehicleExplode);
      EXPECT_GT(GVGeoEntity(body)->getParentSceneNode()->getPosition().distance(body0), 1.0f);
    }
    EXPECT_TRUE(GVSavePng(GVScreenImage(), (old_ / (std::string(name) + "_last.png")).c_str()));
  }
}

// The logic sample opened: the loop-length field holds a length the loop
// button can use. The logic lines opened as its notes say, with the notes
// shown, come up in front of them; played to frame 95 and stopped, Print shows
// at once what the lines gave; with the loop on, play runs to the loop's end
// and starts the loop again.
TEST_F(MainWindowRun, LogicSampleShowsItsValuesOnPrintAndLoops) {
  ASSERT_TRUE(GVRenderStarted());
  open("LogicCommands.gvs");
  GVAppMainWin::fpsCB(4, win_);
  GVAnimDialog* panel = win_->animationPanel;
  const HWorld* world = GVWorldOf(GVScene().world);
  const int32_t length = panel->loopLength->getInt();
  EXPECT_GE(length, 1);
  EXPECT_EQ(length, world->params.loopLength);

  ASSERT_TRUE(IsWindowVisible(GVNotesWindow()->popup));
  click(win_->selectorBar->buttons[12]->face);  // "Constraint Editor"
  HwLogicCntrl* logic = win_->logicPanel;
  ASSERT_TRUE(logic && logic->isVisible());
  const HWND hit = WindowFromPoint(centre(logic->pane));
  EXPECT_TRUE(hit == logic->pane || IsChild(logic->pane, hit));
  playUntil(95);
  ASSERT_EQ(GVFrameClock().currentFrame, 95);
  click(logic->print->face);
  ASSERT_STREQ(logic->headerText(), "vals:");
  const RECT pane = rectOf(logic->pane);
  const std::pair<int, int> values = ink(pane, screen(pane.left + 1, pane.bottom - 2));
  EXPECT_LE(values.first, values.second);

  click(panel->loopButton->face);
  ASSERT_EQ(panel->loopButton->state, 1);
  // The run ends once the frame went back, or well past the loop's end.
  int32_t last = GVFrameClock().currentFrame, peak = last, wrapped = -1;
  gOnTick = [&] {
    const int32_t f = GVFrameClock().currentFrame;
    if (f < last) wrapped = f, gStopFrame = f;
    peak = std::max(peak, f);
    last = f;
  };
  playUntil(world->params.loopStart + length + 10);
  EXPECT_EQ(peak, world->params.loopStart + length);
  EXPECT_EQ(wrapped, world->params.loopStart);
}

// The vehicle sample driven as its notes say, gear F and the right pedal
// down, stays on its wheels for its whole play range: the chassis' up axis
// keeps above 0.7 of the vertical.
TEST_F(MainWindowRun, VehicleSampleStaysUprightAtFullThrottle) {
  ASSERT_TRUE(GVRenderStarted());
  open("Vehicle2x2.gvs");
  GVHideNotesWindow();
  GVAppMainWin::fpsCB(4, win_);
  HwVehicle* panel = win_->vehiclePanel;
  ASSERT_TRUE(panel && panel->isVisible());
  HwSliderGroup::commitInt(0, -100, panel->gearLever);
  HwSliderGroup::commitFloat(0, -1.0f, panel->rightPedal);
  ASSERT_EQ(GVDriveInputs().gear, 1);
  ASSERT_EQ(GVDriveInputs().throttle, 1.0f);
  VehicleRec* v = GVVehicleOf(GVScene().vehicle);
  ASSERT_NE(v, nullptr);
  HWorld* world = GVWorldOf(GVScene().world);
  float lowestUp = 1.0f;
  driveToTheEnd([&] {
    HObject* chassis = GVVehicleJel(world, v->chassisJel);
    float o[3], t[9];
    if (!chassis || !HBState::nodeTangents(chassis->state, v->headingNode > 0 ? v->headingNode : 1, o, t))
      return false;
    lowestUp = std::min(lowestUp, t[4] / std::sqrt(t[3] * t[3] + t[4] * t[4] + t[5] * t[5]));
    return true;
  });
  EXPECT_GT(lowestUp, 0.7f);
  EXPECT_TRUE(GVSavePng(GVScreenImage(), (old_ / "Vehicle2x2_driven.png").c_str()));
}

// The vehicle sample driven by the steps of its notes, by clicks on the
// program's windows, once on a fresh start and once after the exploded-view
// sample had its camera button pressed: it opens with Fix POI pressed and the
// camera button at Cam Mode3; the gear lever up to F, the right pedal all the
// way up, Cam Mode3 pressed once (Cam ModeB), play. The view follows the
// vehicle: the chassis' centre stays inside the view for the whole play range.
// The wheels end up drawn as after the fresh start: each wheel Geo keeps the
// tread texture on one of its layers, and its part of the screen shows as
// much of the tread's dark rubber as it did then.
TEST_F(MainWindowRun, VehicleSampleStaysInViewDrivenByItsNotesFromAnyEarlierScene) {
  ASSERT_TRUE(GVRenderStarted());
  // The near-black pixels (the tread) inside the screen box of the wheel's
  // vertices, and the pixels of that box in the view.
  const auto treadPixels = [&](const GObject* g, int* area) {
    const RECT view = rectOf(win_->view->window);
    RECT box = {view.right, view.bottom, view.left, view.top};
    for (int32_t i = 1; i <= g->vertexCount; ++i) {
      const POINT at = onScreen(g->vertices[i]);
      box = RECT{std::min(box.left, at.x), std::min(box.top, at.y), std::max(box.right, at.x),
                 std::max(box.bottom, at.y)};
    }
    int n = 0;
    *area = 0;
    for (int y = std::max(box.top, view.top); y < std::min(box.bottom, view.bottom); ++y)
      for (int x = std::max(box.left, view.left); x < std::min(box.right, view.right); ++x, ++*area) {
        const COLORREF c = screen(x, y);
        n += std::max({GetRValue(c), GetGValue(c), GetBValue(c)}) < 70;
      }
    return n;
  };
  int freshTread[4] = {};
  // A click at the top of a vertical slider's track takes its end there.
  const auto clickTop = [](const HwSliderGroup* s) {
    const RECT t = rectOf(s->track);
    click(POINT{(t.left + t.right) / 2, t.top + 2});
  };
  for (const char* before : {"", "VehicleExploded.gvs"}) {
    if (*before) {
      open(before);
      click(win_->vehiclePanel->cameraButton->face);
      ASSERT_STREQ(win_->vehiclePanel->cameraButton->label, "Cam ModeB");
    }
    open("Vehicle2x2.gvs");
    GVHideNotesWindow();
    GVAppMainWin::fpsCB(4, win_);
    HwVehicle* panel = win_->vehiclePanel;
    ASSERT_TRUE(panel && panel->isVisible()) << before;
    EXPECT_EQ(win_->cameraPanel->buttons[7]->state, 1) << before;  // "Fix POI"
    EXPECT_STREQ(panel->cameraButton->label, "Cam Mode3") << before;
    clickTop(panel->gearLever);
    clickTop(panel->rightPedal);
    ASSERT_EQ(GVDriveInputs().gear, 1) << before;
    ASSERT_EQ(GVDriveInputs().throttle, 1.0f) << before;
    click(panel->cameraButton->face);
    EXPECT_STREQ(panel->cameraButton->label, "Cam ModeB") << before;

    VehicleRec* v = GVVehicleOf(GVScene().vehicle);
    ASSERT_NE(v, nullptr);
    HWorld* world = GVWorldOf(GVScene().world);
    const RECT view = rectOf(win_->view->window);
    int32_t outside = 0;
    driveToTheEnd(
        [&] {
          float c[3];
          GVVehicleSelCentre(world, v->groupChassis, kFrameCommitted, c);
          const POINT at = onScreen(c);
          outside += at.x < view.left || at.x >= view.right || at.y < view.top || at.y >= view.bottom;
          return true;
        },
        before);
    EXPECT_EQ(outside, 0) << before;
    const std::string png = *before ? "Vehicle2x2_followed_after_exploded.png" : "Vehicle2x2_followed.png";
    EXPECT_TRUE(GVSavePng(GVScreenImage(), (old_ / png).c_str()));

    const GeoList* geos = GVGeoListOf(GVScene().geoList);
    for (int k = 0; k < 4; ++k) {
      const GObject* g = GVGetGeoById(geos, GVFindGeoByName(geos, kWheelGeoNames[k]));
      Ogre::Entity* e = GVGeoEntity(g);
      ASSERT_NE(e, nullptr) << kWheelGeoNames[k] << before;
      bool tread = false;
      for (unsigned i = 0; i < e->getNumSubEntities(); ++i) {
        const Ogre::Pass* pass = e->getSubEntity(i)->getMaterial()->getTechnique(0)->getPass(0);
        for (unsigned t = 0; t < pass->getNumTextureUnitStates(); ++t) {
          const Ogre::TextureUnitState* unit = pass->getTextureUnitState(t);
          tread |= unit->getTextureName() == "TyreSRound2.jpg" && unit->_getTexturePtr() &&
                   unit->_getTexturePtr()->isLoaded();
        }
      }
      EXPECT_TRUE(tread) << kWheelGeoNames[k] << before;
      int area = 0;
      const int dark = treadPixels(g, &area);
      if (*before)
        EXPECT_GE(dark, freshTread[k] * 9 / 10) << kWheelGeoNames[k];
      else
        EXPECT_GT(dark * 10, area) << kWheelGeoNames[k];
      freshTread[k] = dark;
    }
  }
}

// The showcase at frame 0: the spot light's shadow of the skinned soft Jel lies
// on the floor (darker there than a little beside it) under a sky of blue and
// clouds where no object is; played from the animation panel, its program
// pushes the runner along x and the soft Jel comes to rest on the pedestal.
TEST_F(MainWindowRun, ShowcaseCastsAShadowUnderASkyAndItsProgramPushes) {
  ASSERT_TRUE(GVRenderStarted());
  open("Showcase.gvs");
  GVHideNotesWindow();
  GVAppMainWin::fpsCB(4, win_);
  win_->redrawView();
  settle();
  GVComposeScreen();
  EXPECT_TRUE(GVSavePng(GVScreenImage(), (old_ / "Showcase_shadow.png").c_str()));
  EXPECT_TRUE(gOgreData->mSceneMgr->isSkyDomeEnabled());
  EXPECT_EQ(gOgreData->mSceneMgr->getShadowTechnique(), Ogre::SHADOWTYPE_TEXTURE_ADDITIVE_INTEGRATED);

  // The top strip of the view, above every object: sky, not the plain background.
  const RECT v = rectOf(win_->view->window);
  int skyPixels = 0, blue = 0, strip = 0;
  for (int y = v.top; y < v.top + (v.bottom - v.top) / 25; ++y)
    for (int x = v.left; x < v.right; ++x, ++strip) {
      const COLORREF c = screen(x, y);
      skyPixels += skyLike(c) && c != RGB(191, 191, 191);
      blue += GetBValue(c) > GetRValue(c) + 40;
    }
  EXPECT_GT(skyPixels, strip * 9 / 10);
  EXPECT_GT(blue, strip / 10);

  // The background shows only where a ray leaves the sky dome through its
  // open bottom (steeper down than sideways), never as a patch beside the floor.
  const Ogre::ColourValue background = gOgreData->mViewport->getBackgroundColour();
  gOgreData->mViewport->setBackgroundColour(Ogre::ColourValue(1.0f, 0.0f, 1.0f));
  win_->redrawView();
  settle();
  GVComposeScreen();
  const CameraRec* cam = *win_->view->camera;
  int open = 0, patch = 0;
  for (int y = v.top; y < v.bottom; y += 2)
    for (int x = v.left; x < v.right; x += 2) {
      if (screen(x, y) != RGB(255, 0, 255)) continue;
      const float px[3] = {float(x - v.left), float(y - v.top), 10.0f};
      float n[3], p[3];
      GVScreenToNormalised(win_->view->viewport, px, n);
      GVUnprojectPoint(cam, n, p);
      const float dx = p[0] - cam->eye[0], dy = p[1] - cam->eye[1], dz = p[2] - cam->eye[2];
      (-dy >= 0.95f * std::max(std::fabs(dx), std::fabs(dz)) ? open : patch)++;
    }
  EXPECT_GT(open, 0);
  EXPECT_LT(patch, 20);
  gOgreData->mViewport->setBackgroundColour(background);

  // The ray from the light through the skin's centre meets the floor (y = 0)
  // in the shadow; three units nearer the camera the floor is lit.
  const GeoList* geos = GVGeoListOf(GVScene().geoList);
  const GObject* skin = GVGetGeoById(geos, GVFindGeoByName(geos, "SoftSkin"));
  const LightRec* light = GVGetLight(0, GVScene().lights);
  ASSERT_TRUE(skin && light);
  float c[3] = {};
  for (int32_t i = 1; i <= skin->vertexCount; ++i)
    for (int k = 0; k < 3; ++k) c[k] += skin->vertices[i][k] / float(skin->vertexCount);
  const float t = light->position[1] / (light->position[1] - c[1]);
  float under[3], beside[3];
  for (int k = 0; k < 3; ++k) under[k] = beside[k] = light->position[k] + t * (c[k] - light->position[k]);
  beside[2] += 3.0f;
  const int dark = meanGrey(onScreen(under)), lit = meanGrey(onScreen(beside));
  EXPECT_LT(dark + 60, lit) << dark << " " << lit;

  // Played to frame 60.
  HWorld* world = GVWorldOf(GVScene().world);
  auto jel = [&](const char* name) { return GVGetJelById(world, GVFindJelByName(world, name)); };
  float runner0[3], pedestal[3], soft[3], runner[3];
  centreOf(jel("Runner"), runner0);
  playUntil(60);
  settle();
  centreOf(jel("Runner"), runner);
  centreOf(jel("Pedestal"), pedestal);
  centreOf(jel("Soft"), soft);
  EXPECT_GT(runner[0] - runner0[0], 1.5f);  // pushed from frame 30 at 2 units a second
  EXPECT_NEAR(runner[2], runner0[2], 0.2f);
  float lowest = 1e9f, highest = -1e9f;
  for (int32_t i = 1; i <= jel("Soft")->nodeCount; ++i) lowest = std::min(lowest, jel("Soft")->pos[i][1]);
  for (int32_t i = 1; i <= jel("Pedestal")->nodeCount; ++i) highest = std::max(highest, jel("Pedestal")->pos[i][1]);
  EXPECT_NEAR(lowest, highest, 0.3f);  // resting on the pedestal's top
  EXPECT_NEAR(soft[0], pedestal[0], 0.5f);
  EXPECT_NEAR(soft[2], pedestal[2], 0.5f);
}

// Save As names the scene: the title and the next Save follow the name the
// scene was last saved under, typed and confirmed with the button or with
// Enter; the sample and the first copy stay as they were written.
TEST_F(MainWindowRun, SaveAsRenamesTheSceneForTheNextSave) {
  open("Showcase.gvs");
  const std::string sample = bytesOf("Showcase.gvs");
  saveAs("A", false);
  EXPECT_EQ(win_->sceneName, "A.gvs");
  const std::string a = bytesOf("A.gvs");
  ASSERT_FALSE(a.empty());
  clickCentre(win_->opacityUp->face);  // each save holds a different scene
  saveAs("B", true);
  EXPECT_EQ(win_->sceneName, "B.gvs");
  clickCentre(win_->opacityUp->face);
  pick(win_->menuBar->file, 2);
  const std::string tail = "B.gvs";
  ASSERT_GE(win_->banner.size(), tail.size());
  EXPECT_EQ(win_->banner.substr(win_->banner.size() - tail.size()), tail);
  ASSERT_NE(GVSaveSceneAs("Now.gvs"), 0);
  EXPECT_EQ(bytesOf("B.gvs"), bytesOf("Now.gvs"));
  EXPECT_EQ(bytesOf("A.gvs"), a);
  EXPECT_NE(a, bytesOf("B.gvs"));
  EXPECT_EQ(bytesOf("Showcase.gvs"), sample);
}

// A damaged copy of the showcase opened over it: the warning names the file
// and says what was wrong over a button marked OK, and once dismissed and
// the window laid out again the view shows the showcase as before, sky and all.
TEST_F(MainWindowRun, ARefusedOpenKeepsTheSceneOnScreenAndSaysWhichFileAndWhy) {
  ASSERT_TRUE(GVRenderStarted());
  std::string cut = bytesOf("Showcase.gvs");
  cut.resize(cut.size() / 2);
  std::ofstream(root_ / "GVSceneFiles/Scenes/Damaged.gvs", std::ios::binary) << cut;
  open("Showcase.gvs");
  GVHideNotesWindow();
  win_->fileList->hide();
  // The clouds drift with the engine's clock: stopped, two images of one scene agree.
  Ogre::ControllerManager::getSingleton().setTimeFactor(0.0f);
  const std::vector<COLORREF> before = viewShot();
  const RECT viewBefore = rectOf(win_->view->window);

  GVMenuCommand(kMenuFile, 4, 0, win_);
  settle();
  const POINT at = cellCentre("Damaged.gvs");
  GVTestClick(at.x, at.y);
  settle();
  win_->fileList->hide();
  EXPECT_EQ(win_->sceneName, "Showcase.gvs");
  HWND box = FindWindowA("DialogWindowClass", "Gv Message");
  ASSERT_TRUE(box && IsWindowVisible(box));
  auto* dlg = reinterpret_cast<HwMessageDlg*>(GetWindowLongA(box, GWL_USERDATA));
  EXPECT_NE(dlg->text.find("\"Damaged.gvs\""), std::string::npos) << dlg->text;
  EXPECT_EQ(dlg->text.find("bad array counts"), std::string::npos) << dlg->text;
  // The face's own greys reach 170 at most: brighter ink is the mark.
  const RECT face = rectOf(dlg->okButton->face);
  int ink = 0;
  for (int y = face.top; y < face.bottom; ++y)
    for (int x = face.left; x < face.right; ++x) ink += GetGValue(screen(x, y)) > 175;
  EXPECT_GT(ink, 20);
  clickCentre(dlg->okButton->face);
  EXPECT_FALSE(IsWindowVisible(box));

  clickCentre(win_->titleBar->maximiseButton->face);
  clickCentre(win_->titleBar->maximiseButton->face);
  EXPECT_TRUE(gOgreData->mSceneMgr->isSkyDomeEnabled());
  const std::vector<COLORREF> after = viewShot();
  Ogre::ControllerManager::getSingleton().setTimeFactor(1.0f);
  EXPECT_TRUE(GVSavePng(GVScreenImage(), (old_ / "refused_open.png").c_str()));
  EXPECT_EQ(rectOf(win_->view->window), viewBefore);
  EXPECT_TRUE(after == before);
}

// A damaged scene whose stored first frame lies after its last opens with the
// two in order and a marked ruler, and Save writes them so.
TEST_F(MainWindowRun, AReversedFrameRangeOpensInOrder) {
  open("Showcase.gvs");
  GVScene().display->frameWords[0] = 150000;
  GVScene().display->frameWords[1] = -7;
  char* notes = nullptr;
  CameraRec* camera = *win_->view->camera;
  ASSERT_NE(GVSaveScene("Reversed.gvs", &notes, &camera, GVScene().bounds), 0);
  open("Reversed.gvs");
  GVHideNotesWindow();
  HwTimeBar* bar = win_->timeBar;
  EXPECT_EQ(bar->firstFrame, 0);
  EXPECT_EQ(bar->lastFrame, kGVFrameLimit);
  settle();
  const RECT ruler = rectOf(bar->ruler);
  const int area = (ruler.right - ruler.left) * (ruler.bottom - ruler.top);
  const int ticks = area - countScreen(screen(ruler.left + 1, ruler.top + 1), ruler);
  EXPECT_GT(ticks, area / 100);
  pick(win_->menuBar->file, 2);  // "Save"
  open("Reversed.gvs");
  EXPECT_EQ(GVScene().display->frameWords[0], 0);
  EXPECT_EQ(GVScene().display->frameWords[1], kGVFrameLimit);
}

// The showcase saved before, inside and after its program's pushing frames,
// opened and saved again: the same bytes each time.
TEST_F(MainWindowRun, ShowcaseSavedAtAnyFrameOpensAndSavesTheSameBytes) {
  for (int32_t frame : {0, 37, 150}) {
    open("Showcase.gvs");
    for (int32_t f = 1; f <= frame; ++f) GVStepFrame(f, 1);
    const std::string name = "At" + std::to_string(frame);
    GVSaveSceneCB(0, kFileSaves | kFileScenes | kFileConfirmed, name.c_str(), win_);
    open(name + ".gvs");
    GVSaveSceneCB(0, kFileSaves | kFileScenes | kFileConfirmed, (name + "Again").c_str(), win_);
    const std::string first = bytesOf(name + ".gvs");
    ASSERT_FALSE(first.empty());
    EXPECT_TRUE(first == bytesOf(name + "Again.gvs")) << frame;
  }
}

}  // namespace

// A click on a node of "DropB" makes it current and its lattice turns light
// grey on the next screen image; while running, a drag pulls that Jel toward
// the pointer frame by frame.
TEST_F(MainWindowRun, ClickPicksDropBAndARunningDragPullsIt) {
  open("JelDrop.gvs");
  HWorld* world = GVWorldOf(GVScene().world);
  const int32_t id = GVFindJelByName(world, "DropB");
  ASSERT_GE(id, 1);
  HObject* jel = GVGetJelById(world, id);
  GVView* view = win_->view;
  const CameraRec* cam = *view->camera;
  // DropB's node nearest its own centre that wins over every other Jel's nodes.
  float c[3] = {}, q[3], px[3];
  for (int32_t i = 1; i <= jel->nodeCount; ++i)
    for (int k = 0; k < 3; ++k) c[k] += jel->pos[i][k] / float(jel->nodeCount);
  GVProjectPoint(cam, c, q);
  GVNormalisedToScreen(view->viewport, q, px);
  int32_t picked = 0, node = 0;
  float pn[3];
  GVPickNearestJelNode(GVScene().world, id, int(px[0]), int(px[1]), view->viewport, cam, &node, &picked, pn);
  GVPickNearestJelNode(GVScene().world, -1, int(pn[0]), int(pn[1]), view->viewport, cam, &node, &picked, pn);
  ASSERT_EQ(picked, id);
  POINT at = {int(pn[0]), int(pn[1])};
  ClientToScreen(view->window, &at);
  RECT r = rectOf(view->window);
  auto light = [&] {
    GVComposeScreen();
    int n = 0;
    for (int y = at.y - 60; y <= at.y + 60; ++y)
      for (int x = at.x - 60; x <= at.x + 60; ++x) {
        const COLORREF p = screen(x, y);
        n += x >= r.left && x < r.right && y >= r.top && y < r.bottom && GetRValue(p) > 215 &&
             std::abs(GetRValue(p) - GetBValue(p)) < 10 && std::abs(GetGValue(p) - GetBValue(p)) < 10;
      }
    return n;
  };
  const int before = light();
  const int32_t frame = GVFrameClock().currentFrame;
  GVTestClick(at.x, at.y);
  settle();
  EXPECT_EQ(view->currentJel[0], id);
  EXPECT_EQ(GVFrameClock().currentFrame, frame);
  EXPECT_GT(light(), before + 20);

  // Running: a press far from every node, then the pointer 100 pixels above.
  GVFrameClock().running = 1;
  POINT corner = {5, 5};
  ClientToScreen(view->window, &corner);
  GVTestMouseDown(corner.x, corner.y);
  settle();
  POINT cursor;
  GetCursorPos(&cursor);
  const int32_t dragged = view->drag->node;
  HObject* held = GVGetJelById(world, view->drag->jelId);
  ASSERT_NE(held, nullptr);
  GVTestMouseMove(cursor.x, cursor.y - 100);
  settle();
  ASSERT_EQ(view->drag->active, 1);
  const float* goal = view->drag->grabWorld;
  auto gap = [&] {
    float d = 0;
    for (int k = 0; k < 3; ++k) d += (held->pos[dragged][k] - goal[k]) * (held->pos[dragged][k] - goal[k]);
    return std::sqrt(d);
  };
  const float start = gap();
  for (int32_t f = 1; f <= 8; ++f) GVStepFrame(f, 1);
  EXPECT_LT(gap(), start * 0.5f);
  GVTestMouseUp(cursor.x, cursor.y - 100);
  settle();
  GVFrameClock().running = 0;
  EXPECT_EQ(view->drag->active, 0);
}
