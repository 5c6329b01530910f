// The installers of the scene's service table. Each entry has one owner: the
// installer that sets it. No other installer changes it, and only the owner's
// remover clears it.
#pragma once

#include <vector>

struct SceneServices;

// When the program runs an installer, in start-up order.
enum class ServiceStage {
  kStart,       // WinMain, before the scene records exist
  kScene,       // with the scene records (the logic store)
  kMainWindow,  // with the main window; removed when it goes
  kVehicle,     // while a vehicle exists
};

struct ServiceInstaller {
  const char* name;
  ServiceStage stage;
  void (*install)(SceneServices* services);
  // Null: the entries stay for the rest of the run.
  void (*remove)(SceneServices* services);
};

// Every installer, in the order the program runs them.
const std::vector<ServiceInstaller>& GVServiceInstallers();

// Runs the installers (or, in reverse order, the removers) of one stage on the
// process-wide table.
void GVInstallServices(ServiceStage stage);
void GVRemoveServices(ServiceStage stage);
