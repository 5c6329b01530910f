// Writes the sample scenes into the folder given as the only argument
// (GVSceneFiles/Scenes of the project): each built headless into fresh scene
// records and written by the scene writer.
#include <cstdio>
#include <string>

#include "sample_scenes.h"
#include "scene/app_lifecycle.h"
#include "scene/scene_services.h"
#include "vehicle/vehicle_file_services.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_sample_scenes <folder>\n");
    return 2;
  }
  SceneServices services = GVSceneServices();
  GVInstallVehicleFileServices(&services);
  GVSetSceneServices(services);
  int status = 0;
  for (int32_t k = 0; k < kSampleSceneCount; ++k) {
    GVAppStartup();
    const std::string path = std::string(argv[1]) + "/" + GVSampleSceneName(k);
    // Written beside the old file, which is replaced only by a complete one.
    const std::string temp = path + ".new";
    FILE* f = GVBuildSampleScene(k) ? std::fopen(temp.c_str(), "wb") : nullptr;
    const bool ok = f && GVWriteSampleScene(k, f) == 0;
    if (f && std::fclose(f) != 0) status = 1;
    if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
      std::fprintf(stderr, "make_sample_scenes: could not write %s\n", path.c_str());
      std::remove(temp.c_str());
      status = 1;
    }
    GVAppShutdown();
  }
  return status;
}
