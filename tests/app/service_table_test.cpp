// The scene's service table as the program fills it: one owner per entry,
// the real answers of the existence entries, and the entries nothing fills yet.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "program_fixture.h"
#include "app/app_windows.h"
#include "app/service_installers.h"
#include "scene/scene_services.h"

namespace {

// Runs the installers in order on an empty table, then their removers in
// reverse order. A fault is an installer changing an entry another one set, a
// remover clearing an entry it does not own, or one leaving its own set.
std::vector<std::string> OwnershipFaults(const std::vector<ServiceInstaller>& installers) {
  SceneServices table;
  std::map<std::string, std::string> owner;
  std::vector<std::string> faults;
  for (const ServiceInstaller& in : installers) {
    const std::vector<SceneServiceEntry> before = GVSceneServiceEntries(table);
    in.install(&table);
    const std::vector<SceneServiceEntry> after = GVSceneServiceEntries(table);
    for (size_t i = 0; i < after.size(); ++i) {
      if (after[i].value == before[i].value) continue;
      auto set = owner.emplace(after[i].name, in.name);
      if (!set.second && set.first->second != in.name)
        faults.push_back(std::string(in.name) + " changes " + after[i].name + ", set by " + set.first->second);
    }
  }
  for (auto in = installers.rbegin(); in != installers.rend(); ++in) {
    if (!in->remove) continue;
    const std::vector<SceneServiceEntry> before = GVSceneServiceEntries(table);
    in->remove(&table);
    const std::vector<SceneServiceEntry> after = GVSceneServiceEntries(table);
    for (size_t i = 0; i < after.size(); ++i) {
      const std::string& own = owner[after[i].name];
      if (after[i].value != before[i].value && own != in->name)
        faults.push_back(std::string(in->name) + " clears " + after[i].name + ", set by " + own);
      else if (after[i].value && own == in->name)
        faults.push_back(std::string(in->name) + " leaves " + after[i].name + " set");
    }
  }
  return faults;
}

using Faults = std::vector<std::string>;

TEST(ServiceOwners, EveryEntryHasOneWriterInStartUpOrder) {
  EXPECT_EQ(OwnershipFaults(GVServiceInstallers()), Faults{});

  // A planted second writer and a planted foreign remover are caught.
  std::vector<ServiceInstaller> planted = GVServiceInstallers();
  planted.push_back({"planted", ServiceStage::kMainWindow,
                     [](SceneServices* s) { s->setGeoUVMaterials = [](int32_t, int32_t) {}; },
                     [](SceneServices* s) { s->renderStarted = nullptr; }});
  EXPECT_EQ(OwnershipFaults(planted),
            (Faults{"planted changes setGeoUVMaterials, set by render", "planted clears renderStarted, set by render"}));
}

// Entries no installer fills yet. An entry filled but still listed, or empty
// but not listed, fails; the list shrinks as the missing parts come.
const std::set<std::string> kUnset = {
    "markViewReEvaluation",
    "viewBusy"};

// The program started as WinMain starts it, its main window on the display.
class ServiceTable : public ProgramTest {
 public:
  void SetUp() override {
    StartProgram();
    settle();
  }
  void TearDown() override {
    CloseMainWindow();
    GVSetSceneServices(saved_);
  }
};

TEST_F(ServiceTable, TheEmptyEntriesAreTheListedOnesAndExistenceIsAsked) {
  // The vehicle's driving entries are set only while a vehicle exists.
  SceneServices vehicle;
  for (const ServiceInstaller& i : GVServiceInstallers())
    if (i.stage == ServiceStage::kVehicle) i.install(&vehicle);
  std::set<std::string> conditional;
  for (const SceneServiceEntry& e : GVSceneServiceEntries(vehicle))
    if (e.value) conditional.insert(e.name);

  std::vector<std::string> filledButListed, emptyButNotListed;
  for (const SceneServiceEntry& e : GVSceneServiceEntries(GVSceneServices())) {
    if (conditional.count(e.name)) continue;
    if (e.value && kUnset.count(e.name)) filledButListed.push_back(e.name);
    if (!e.value && !kUnset.count(e.name)) emptyButNotListed.push_back(e.name);
  }
  EXPECT_EQ(filledButListed, Faults{});
  EXPECT_EQ(emptyButNotListed, Faults{});

  EXPECT_TRUE(GVMainWindowExists());
  EXPECT_TRUE(GVViewExists());
  EXPECT_TRUE(GVRenderStarted());
  GVAppShutdown();
  GVDestroyMainWindow();
  EXPECT_FALSE(GVMainWindowExists());
  EXPECT_FALSE(GVViewExists());
  EXPECT_FALSE(GVRenderStarted());
}

}  // namespace
