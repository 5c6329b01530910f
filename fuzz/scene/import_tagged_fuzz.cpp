// Feeds arbitrary bytes, as a tagged object file, to the tagged importer with
// each import option in turn: an import that fails changes nothing.
#include "object_files_fuzz.h"
#include "scene/scene_tagged.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzFileScene scene;
  FuzzImport(scene, data, size, [](FILE* f, int32_t options, int32_t* geoId, int32_t* jelId) {
    SceneRecords& sc = GVScene();
    return GVImportTagged(f, sc.geoList, sc.world, sc.logic, options, geoId, jelId);
  });
  return 0;
}
