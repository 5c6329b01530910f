// The program's entry: start-up, the main window, the message loop, and the
// fixed shutdown order.
#include <cstdlib>

#include "app/app_windows.h"
#include "app/message_loop.h"
#include "app/service_installers.h"
#include "appwins/app_main_win.h"
#include "appwins/logic_cntrl.h"
#include "editors/editor_entries.h"
#include "jel/matter.h"
#include "logic/random_table.h"
#include "scene/app_lifecycle.h"
#include "scene/geo_id_blocks.h"
#include "scene/scene_records.h"
#include "scene/work_folders.h"
#include "toolkit/dialog_window.h"
#include "toolkit/messages.h"
#include "toolkit/window_classes.h"

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
    HwLogicCntrl::resetGlobals();
  }
};
const StaticInitialisers gStaticInitialisers;

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  AppWindows& win = GVAppWindows();
  LoadStringA(instance, kStringTitle, win.title, sizeof win.title);
  LoadStringA(instance, kStringClass, win.className, sizeof win.className);
  GVInstallServices(ServiceStage::kStart);
  GVAppStartup();
  GVInstallAppWindows();
  // The dialog opener reaches the property editors through their entries.
  GVInstallEditorEntries();
  GVRegisterWindowClasses(instance);
  // A closed dialog puts the application root back as the current folder.
  GVSetDialogRootFolderHook(GVSetDirRoot);
  win.instance = instance;
  GVCreateMainWindow(instance);
  const int status = GVRunMessageLoop();
  GVEndProgram();
  return status;
}
