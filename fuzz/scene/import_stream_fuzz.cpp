// Feeds arbitrary bytes, as an object or scene file, to the item-stream
// importer with each import option in turn: an import that fails changes
// nothing, the scene's bounds and camera included.
#include "object_files_fuzz.h"
#include "scene/object_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzFileScene scene;
  FuzzImport(scene, data, size, [](FILE* f, int32_t options, int32_t* geoId, int32_t* jelId) {
    SceneRecords& sc = GVScene();
    return GVImportStreamFile(f, sc.geoList, sc.world, sc.logic, &scene.cell, options, geoId, jelId);
  });
  return 0;
}
