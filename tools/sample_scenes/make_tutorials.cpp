// Writes the tutorials (older tagged form) into the Tutorials folder and the
// sample object files into GVSceneFiles/Geos and GVSceneFiles/Jels, and the
// sample MGVB scenes into GVSceneFiles/ScenesMGVB: make_tutorials <project root>. Each is built headless into fresh scene
// records.
#include <cstdio>
#include <functional>
#include <string>

#include "scene/app_lifecycle.h"
#include "scene/scene_services.h"
#include "mgvb_scenes.h"
#include "tagged_scenes.h"
#include "vehicle/vehicle_file_services.h"

namespace {

// Written beside the old file, which is replaced only by a complete one.
bool writeFile(const std::string& path, const std::function<bool(FILE*)>& write) {
  GVAppStartup();
  const std::string temp = path + ".new";
  FILE* f = std::fopen(temp.c_str(), "wb");
  bool ok = f && write(f);
  if (f && std::fclose(f) != 0) ok = false;
  if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
    std::fprintf(stderr, "make_tutorials: could not write %s\n", path.c_str());
    std::remove(temp.c_str());
    ok = false;
  }
  GVAppShutdown();
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_tutorials <project root>\n");
    return 2;
  }
  SceneServices services = GVSceneServices();
  GVInstallVehicleFileServices(&services);
  GVSetSceneServices(services);
  const std::string root = argv[1];
  bool ok = true;
  for (int32_t t = 0; t < kTutorialCount; ++t)
    ok = writeFile(root + "/Tutorials/" + GVTutorialName(t), [&](FILE* f) { return GVWriteTutorial(t, f) == 1; }) &&
         ok;
  for (int32_t o = 0; o < kObjectFileCount; ++o)
    ok = writeFile(root + "/GVSceneFiles/" + GVObjectFileName(o),
                   [&](FILE* f) { return GVWriteObjectFile(o, f) == 0; }) &&
         ok;
  for (int32_t m = 0; m < kMGVBSampleCount; ++m)
    ok = writeFile(root + "/GVSceneFiles/ScenesMGVB/" + GVMGVBSampleName(m),
                   [&](FILE* f) { return GVWriteMGVBSample(m, f) == 1; }) &&
         ok;
  return ok ? 0 : 1;
}
