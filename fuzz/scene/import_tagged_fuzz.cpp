// Feeds arbitrary bytes, as a tagged object file, to the tagged importer with
// each import option in turn: an import that fails changes nothing.
#include "object_files_fuzz.h"
#include "scene/object_import.h"
#include "scene/scene_tagged.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzFileScene scene;
  static const int32_t kOptions[] = {1, 2, 4, 6, 8 | 4, 8 | 2, 2 | 4 | 8, 16 | 2, 32};
  static unsigned turn = 0;
  const int32_t options = kOptions[turn++ % (sizeof kOptions / sizeof kOptions[0])];
  scene.keepSmall();
  FILE* f = FuzzFileOf(data, size);
  if (!f) return 0;
  const std::string before = scene.fingerprint();
  SceneRecords& sc = GVScene();
  int32_t geoId = 0, jelId = 0;
  if (GVImportTagged(f, sc.geoList, sc.world, sc.logic, options, &geoId, &jelId) != 0 &&
      scene.fingerprint() != before)
    __builtin_trap();
  std::fclose(f);
  return 0;
}
