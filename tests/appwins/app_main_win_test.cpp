#include <OGRE/OgreRoot.h>

#include <string>

#include "camera/camera_record.h"
#include "appwins/anim_dialog.h"
#include "appwins/editor_bar.h"
#include "appwins/key_frame_bar.h"
#include "appwins/menu_bar.h"
#include "appwins/tool_dialogs.h"
#include "appwins/vehicle_panel.h"
#include "main_window_fixture.h"
#include "scene/display_settings.h"
#include "scene/scene_records.h"
#include "toolkit/buttons.h"
#include "toolkit/form.h"
#include "toolkit/time_bar.h"
#include "toolkit/title_bar.h"

namespace {

using MainWindow = MainWindowTest;

RECT viewPlace(const GVView* v) {
  RECT r = MainWindowTest::place(v->window);
  r.bottom += kViewStripHeight;  // the view's form slot holds its read-out strip
  return r;
}

TEST_F(MainWindow, PanelsFollowTheFormRulesOverTheWorkArea) {
  EXPECT_EQ(rectOf(win_->frame), (RECT{0, 0, 1920, 1080}));
  EXPECT_EQ(place(win_->client), (RECT{0, 0, 1914, 1039}));
  EXPECT_EQ(rectOf(win_->titleBar->window), (RECT{3, 3, 1917, 38}));
  char caption[64] = "";
  GetWindowTextA(win_->frame, caption, sizeof caption);
  EXPECT_STREQ(caption, "Gelvane Demo");

  GVMenuBar* bar = win_->menuBar;
  EXPECT_EQ(place(bar->frame->outer), (RECT{10, 0, 1894, 26}));
  EXPECT_EQ(place(bar->file->face).left, 10 + 0);
  EXPECT_EQ(place(bar->create->face).left, 10 + 49);
  EXPECT_EQ(place(bar->help->face).left, 10 + 98);
  EXPECT_EQ(place(bar->notes->face).left, 10 + 869);

  const struct {
    HWND window;
    RECT expected;
  } slots[] = {
      {win_->geoDisplay->window, {10, 35, 150, 28}},
      {win_->jelDisplay->window, {160, 35, 150, 28}},
      {win_->opacityUp->face, {312, 36, 15, 12}},
      {win_->opacityDown->face, {312, 48, 15, 12}},
      {win_->cameraPanel->frame->outer, {340, 30, 361, 36}},
      {win_->selectorBar->frame.window, {711, 30, 502, 38}},
      {win_->moveToolPanel->frame->outer, {3, 74, 38, 102}},
      {win_->animationPanel->frame->outer, {42, 924, 387, 36}},
      {win_->keyFrameBar->frame->outer, {542, 924, 122, 36}},
      {win_->fpsChooser->window, {1787, 931, 116, 28}},
      {win_->timeBar->frame.window, {10, 969, 1894, 50}},
  };
  for (const auto& s : slots) EXPECT_EQ(place(s.window), s.expected);
  EXPECT_EQ(viewPlace(win_->view), (RECT{44, 76, 1857, 838}));

  // The engine's picture, not the panel brush, fills the view.
  win_->redrawView();
  settle();
  const RECT v = rectOf(win_->view->window);
  EXPECT_NE(screen((v.left + v.right) / 2, (v.top + v.bottom) / 2), RGB(80, 80, 80));
  EXPECT_TRUE(GVSavePng(GVScreenImage(), "main_window.png"));

  // Side panels: the logic window takes 475 pixels from the view, the vehicle
  // controls take the time bar's place.
  win_->showLogicPanel(1);
  EXPECT_EQ(viewPlace(win_->view).right, 1382);
  win_->showLogicPanel(0);
  EXPECT_EQ(viewPlace(win_->view).right, 1857);
  win_->showVehiclePanel(1);
  settle();
  EXPECT_EQ(place(win_->vehiclePanel->frame.outer).bottom, 200);
  EXPECT_FALSE(IsWindowVisible(win_->timeBar->frame.window));
  win_->showVehiclePanel(0);
  settle();
  EXPECT_TRUE(IsWindowVisible(win_->timeBar->frame.window));
  EXPECT_EQ(place(win_->timeBar->frame.window).bottom, 50);
}

TEST_F(MainWindow, SizingBorderAndTitleBarButtons) {
  click(win_->titleBar->maximiseButton->face);
  EXPECT_EQ(rectOf(win_->frame), (RECT{0, 0, 1233, 693}));
  EXPECT_EQ(viewPlace(win_->view).right, 1233 - 6 - 44 - 3 - 10);
  click(win_->titleBar->maximiseButton->face);
  EXPECT_EQ(rectOf(win_->frame), (RECT{0, 0, 1920, 1080}));
  EXPECT_EQ(viewPlace(win_->view).right, 1857);

  // The long scene name is shown whole in the banner, cut only by the bar.
  const std::string name(400, 'n');
  win_->updateTitle(name.c_str());
  EXPECT_EQ(win_->banner, "Gelvane Demo          " + name);
  EXPECT_EQ(std::string(win_->titleBar->text), win_->banner.substr(0, kHwTitleMax));

  // Minimised, the engine renders nothing until the window is sized again.
  Ogre::Root& root = Ogre::Root::getSingleton();
  click(win_->titleBar->minimiseButton->face);
  EXPECT_TRUE(IsIconic(win_->frame));
  const unsigned long frames = root.getNextFrameNumber();
  GVRedrawView(win_->view);
  EXPECT_EQ(root.getNextFrameNumber(), frames);
  ShowWindow(win_->frame, SW_RESTORE);
  settle();
  EXPECT_EQ(win_->minimised, 0);
  GVRedrawView(win_->view);
  EXPECT_GT(root.getNextFrameNumber(), frames);

  // The pointer on the border brings the sizing border; the client stays put.
  const RECT client = rectOf(win_->client);
  GVTestMouseMove(1, 500);
  settle();
  EXPECT_TRUE(GetWindowLongA(win_->frame, GWL_STYLE) & WS_THICKFRAME);
  EXPECT_EQ(rectOf(win_->frame), (RECT{-3, -3, 1923, 1083}));
  EXPECT_EQ(rectOf(win_->client), client);
  GVTestMouseMove(8, 68);  // a bare spot of the client
  settle();
  EXPECT_FALSE(GetWindowLongA(win_->frame, GWL_STYLE) & WS_THICKFRAME);
  EXPECT_EQ(rectOf(win_->frame), (RECT{0, 0, 1920, 1080}));

  click(win_->titleBar->closeButton->face);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 0u);
}

TEST_F(MainWindow, ChoosersSetTheFrameRateDisplayModesAndOpacity) {
  DisplaySettings* display = GVScene().display;
  ASSERT_TRUE(display);
  choose(win_->fpsChooser, 5);
  choose(win_->fpsChooser, 2);
  EXPECT_EQ(display->optionWord, 2);
  EXPECT_EQ(gFrameTimer.msPerFrame, 1000u / 60);
  EXPECT_EQ(gFrameTimer.timerMode, 1);
  display->optionWord = 2 | 64;  // choosing "60" again leaves the bits alone
  choose(win_->fpsChooser, 2);
  EXPECT_EQ(display->optionWord, 2 | 64);
  display->optionWord = 8;
  win_->updatePanels(0, 0);
  EXPECT_EQ(win_->fpsChooser->selected, 4);
  display->optionWord = 2;
  win_->updatePanels(0, 0);
  EXPECT_EQ(win_->fpsChooser->selected, 2);
  EXPECT_EQ(gFrameTimer.msPerFrame, 1000u / 60);

  choose(win_->geoDisplay, 2);
  EXPECT_EQ((*win_->view->camera)->geoDisplayMode, 2);
  choose(win_->jelDisplay, 3);
  EXPECT_EQ((*win_->view->camera)->jelDisplayMode, 16);

  display->renderValue1 = 1.0f;
  for (int i = 0; i < 3; ++i) click(win_->opacityDown->face);
  EXPECT_NEAR(display->renderValue1, 0.7f, 1e-5f);
  display->renderValue1 = 1.0f;
  click(win_->opacityUp->face);
  EXPECT_EQ(display->renderValue1, 1.0f);
}

}  // namespace
