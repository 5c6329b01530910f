// Feeds arbitrary bytes, as a tagged scene file, to the tagged scene reader
// over one scene of the process's records: a read that fails changes nothing.
#include "object_files_fuzz.h"
#include "scene/scene_tagged.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzFileScene scene;
  FILE* f = FuzzFileOf(data, size);
  if (!f) return 0;
  const std::string before = scene.fingerprint();
  SceneRecords& sc = GVScene();
  if (GVReadSceneTagged(f, sc.geoList, sc.world, sc.logic, &scene.cell, &scene.notes) != 0 &&
      scene.fingerprint() != before)
    __builtin_trap();
  std::fclose(f);
  return 0;
}
