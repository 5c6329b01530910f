#include "app/app_windows.h"

#include <cstdlib>
#include <new>

#include "GVAppWins/view_links.h"
#include "GVAppWins/view_window.h"
#include "app/service_installers.h"
#include "appwins/app_main_win.h"
#include "appwins/menu_bar.h"
#include "appwins/menu_services.h"
#include "editors/editor_entries.h"
#include "scene/app_lifecycle.h"
#include "scene/display_settings.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "toolkit/messages.h"
#include "toolkit/window_classes.h"

static AppWindows gWindows;
// The current Geo {id, word, picked vertex}, the current Jel {id, part, picked
// node} and the view's pending drag: the panels and the view share them.
static int32_t gCurrentGeo[3];
static int32_t gCurrentJel[3];
static ViewDragRec gViewDrag;

AppWindows& GVAppWindows() { return gWindows; }

int GVMainWindowScale(const RECT& workArea, int screenWidth, int screenHeight) {
  double width = workArea.right - workArea.left;
  double height = workArea.bottom - workArea.top;
  if (width <= 0) {
    width = screenWidth;
    height = screenHeight;
  }
  if (width <= 0) return 0;
  return static_cast<int>(height * 1233.0 / width);
}

HWND GVCreateMainWindow(HINSTANCE instance) {
  FrameClock& clock = GVFrameClock();
  clock.currentFrame = 0;
  clock.timeBarFrame = 0;
  clock.fps = kBuildFrameRate;
  gWindows.instance = instance;

  RECT area = {0, 0, 0, 0};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  const int screenWidth = GetSystemMetrics(SM_CXSCREEN), screenHeight = GetSystemMetrics(SM_CYSCREEN);
  gWindows.layoutScale = GVMainWindowScale(area, screenWidth, screenHeight);

  // The view reads the scene's records and reports through the message box.
  SceneRecords& scene = GVScene();
  GVViewSceneLinks links;
  links.bounds = scene.bounds;
  links.running = &clock.running;
  links.drag = &gViewDrag;
  links.currentGeo = gCurrentGeo;
  links.currentJel = gCurrentJel;
  if (scene.display) {
    links.background = &scene.display->background.r;
    links.backdropMode = &scene.display->backgroundFlags;
    links.skyDistance = &scene.display->shadowValues[4];
  }
  GVSetViewSceneLinks(links);
  GVSetViewMessageRoutine(GVMessage);

  auto* main = new (std::nothrow) GVAppMainWin(instance, gWindows.layoutScale);
  if (!main) return nullptr;
  if (!main->frame) {
    delete main;
    return nullptr;
  }
  GVSetMainAppWin(main);
  GVInstallServices(ServiceStage::kMainWindow);
  if (main->menuBar) main->menuBar->owner = GVMenuBarOwner;
  gWindows.mainWindow = main->frame;
  gWindows.viewWindow = main->view ? main->view->window : nullptr;
  // At start the time bar shows and the vehicle controls keep no height.
  main->showVehiclePanel(0);
  return main->frame;
}

void GVDestroyMainWindow() {
  gWindows.mainWindow = nullptr;
  gWindows.viewWindow = nullptr;
  GVAppMainWin* main = GVMainAppWin();
  if (!main) return;
  GVRemoveServices(ServiceStage::kMainWindow);
  GVSetMainAppWin(nullptr);
  delete main;
}

void GVEndProgram() {
  // The view keeps pointers into the display settings, which go with the
  // scene's records before the view goes with the main window.
  GVViewSceneLinks links = GVViewScene();
  links.background = nullptr;
  links.backdropMode = nullptr;
  links.skyDistance = nullptr;
  GVSetViewSceneLinks(links);
  GVAppShutdown();
  GVDestroyMainWindow();
  GVRemoveEditorEntries();
  GVFreeWindowResources();
}

void GVExitCommand() {
  GVEndProgram();
  std::exit(2);
}
