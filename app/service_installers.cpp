#include "app/service_installers.h"

#include "GVAppWins/editor_view_services.h"
#include "GVAppWins/render_services.h"
#include "app/app_windows.h"
#include "appwins/app_main_win.h"
#include "appwins/menu_services.h"
#include "editors/editor_entries.h"
#include "logic/logic_store.h"
#include "scene/scene_services.h"
#include "toolkit/messages.h"
#include "toolkit/object_names.h"
#include "vehicle/vehicle_drive.h"
#include "vehicle/vehicle_file_services.h"
#include "vehicle/vehicle_link_services.h"

namespace {

// Scene code shows its warnings and asks its questions through the toolkit's
// message path, cleans new names with the toolkit's rule and beeps when it
// refuses an edit.
void InstallToolkit(SceneServices* s) {
  s->showMessage = GVMessage;
  s->askYesNo = [](const char* text) -> int32_t { return GVAskYesNo(text); };
  s->checkRenameName = GVCheckRenameName;
  s->checkNewName = [](char* name) -> int32_t { return GVCheckNewName(name); };
  s->beep = [] { MessageBeep(MB_ICONHAND); };
}

// The menu commands' entries, with the program's exit.
void InstallMenu(SceneServices* s) {
  GVInstallMenuServices(s);
  s->exitProgram = GVExitCommand;
}
void RemoveMenu(SceneServices* s) {
  GVRemoveMenuServices(s);
  s->exitProgram = nullptr;
}

// Installers that work on the process-wide table, run on the one given.
template <void (*Run)()>
void OnTable(SceneServices* s) {
  const SceneServices saved = GVSceneServices();
  GVSetSceneServices(*s);
  Run();
  *s = GVSceneServices();
  GVSetSceneServices(saved);
}

}  // namespace

const std::vector<ServiceInstaller>& GVServiceInstallers() {
  static const std::vector<ServiceInstaller> installers = {
      {"toolkit", ServiceStage::kStart, InstallToolkit, nullptr},
      // Scene files carry the vehicle through its own item.
      {"vehicle files", ServiceStage::kStart, GVInstallVehicleFileServices, nullptr},
      {"vehicle links", ServiceStage::kStart, GVInstallVehicleLinkServices, nullptr},
      // Renames and edits rebuild the engine mirrors of Geos through the table.
      {"render", ServiceStage::kStart, GVInstallRenderServices, nullptr},
      // Editor callbacks write warnings into the view and keep its glue display.
      {"editor view", ServiceStage::kStart, GVInstallEditorViewServices, nullptr},
      // Run by the scene's start-up and shutdown (scene/app_lifecycle.cpp).
      {"logic", ServiceStage::kScene, OnTable<GVInstallLogicServices>, OnTable<GVRemoveLogicServices>},
      {"main window", ServiceStage::kMainWindow, GVInstallMainWindowServices, GVRemoveMainWindowServices},
      {"menu", ServiceStage::kMainWindow, InstallMenu, RemoveMenu},
      {"editors", ServiceStage::kMainWindow, GVInstallEditorServices, GVRemoveEditorServices},
      // Run by the vehicle's file services and commands as a vehicle comes and goes.
      {"vehicle", ServiceStage::kVehicle, GVInstallVehicleServices, GVRemoveVehicleServices},
  };
  return installers;
}

void GVInstallServices(ServiceStage stage) {
  SceneServices s = GVSceneServices();
  for (const ServiceInstaller& i : GVServiceInstallers())
    if (i.stage == stage) i.install(&s);
  GVSetSceneServices(s);
}

void GVRemoveServices(ServiceStage stage) {
  SceneServices s = GVSceneServices();
  const std::vector<ServiceInstaller>& all = GVServiceInstallers();
  for (auto i = all.rbegin(); i != all.rend(); ++i)
    if (i->stage == stage && i->remove) i->remove(&s);
  GVSetSceneServices(s);
}
