// The program's entry: start-up, the main window, the message loop, and the
// fixed shutdown order.
#include <cstdlib>

#include "app/app_windows.h"
#include "app/message_loop.h"
#include "GVAppWins/editor_view_services.h"
#include "GVAppWins/render_services.h"
#include "appwins/app_main_win.h"
#include "jel/matter.h"
#include "logic/random_table.h"
#include "scene/app_lifecycle.h"
#include "scene/geo_id_blocks.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "scene/work_folders.h"
#include "toolkit/dialog_window.h"
#include "toolkit/messages.h"
#include "toolkit/object_names.h"
#include "toolkit/window_classes.h"
#include "vehicle/vehicle_file_services.h"
#include "vehicle/vehicle_link_services.h"

namespace {

void ClearGlobalBlockAtExit() { GVInitGlobalBlock(); }
void DeleteGeoIdBlocksAtExit() { GVDeleteGeoIdBlockList(&GVGeoIdBlocks()); }

// Runs before WinMain; what it registers runs at exit in reverse order.
struct StaticInitialisers {
  StaticInitialisers() {
    GVInitFrameTime();
    GVInitGlobalBlock();
    std::atexit(ClearGlobalBlockAtExit);
    GVInitGeoIdBlockList(&GVGeoIdBlocks());
    std::atexit(DeleteGeoIdBlocksAtExit);
    std::atexit(GVFreeRandomTables);
  }
};
const StaticInitialisers gStaticInitialisers;

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  AppWindows& win = GVAppWindows();
  LoadStringA(instance, kStringTitle, win.title, sizeof win.title);
  LoadStringA(instance, kStringClass, win.className, sizeof win.className);
  // Scene code shows its warnings through the toolkit's message path, cleans
  // new names with the toolkit's rule and beeps when it refuses an edit.
  SceneServices services = GVSceneServices();
  services.showMessage = GVMessage;
  services.checkRenameName = GVCheckRenameName;
  services.checkNewName = [](char* name) -> int32_t { return GVCheckNewName(name); };
  services.beep = [] { MessageBeep(MB_ICONHAND); };
  // Scene files carry the vehicle through its own item.
  GVInstallVehicleFileServices(&services);
  GVInstallVehicleLinkServices(&services);
  GVSetSceneServices(services);
  // Renames and edits rebuild the engine mirrors of Geos through the table.
  GVInstallRenderServices();
  // Editor callbacks write warnings into the view and keep its glue display.
  GVInstallEditorViewServices();
  GVAppStartup();
  GVInstallAppWindows();
  GVRegisterWindowClasses(instance);
  // A closed dialog puts the application root back as the current folder.
  GVSetDialogRootFolderHook(GVSetDirRoot);
  win.instance = instance;
  GVCreateMainWindow(instance);
  const int status = GVRunMessageLoop();
  GVAppShutdown();
  GVDestroyMainWindow();
  GVFreeWindowResources();
  return status;
}
