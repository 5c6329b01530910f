// Feeds arbitrary bytes, as an MGVB file, to the MGVB reader over one scene of
// the process's records: whatever it merges keeps every Geo and Jel id unique
// and every Geo's Jel pointer on a Jel of the scene with its Jel id.
#include <set>

#include "object_files_fuzz.h"
#include "records/file_version.h"
#include "scene/mgvb_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzFileScene scene;
  scene.keepSmall();
  FILE* f = FuzzFileOf(data, size);
  if (!f) return 0;
  GVSetFileVersion(0);
  GVLoadMGVB(f);
  std::fclose(f);
  SceneRecords& sc = GVScene();
  std::set<int32_t> jels, geos;
  for (HObject* j = GVWorldOf(sc.world)->head; j; j = GVNextJel(j))
    if (!jels.insert(j->id).second) __builtin_trap();
  for (GObject* g = GVGeoListOf(sc.geoList)->head; g; g = g->next) {
    if (!geos.insert(g->id).second) __builtin_trap();
    if (g->jel && GVGetJelById(GVWorldOf(sc.world), g->jelId) != g->jel) __builtin_trap();
  }
  return 0;
}
