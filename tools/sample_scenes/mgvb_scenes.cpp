#include "mgvb_scenes.h"

#include "dynamics/world.h"
#include "geo/geo_list.h"
#include "geo/geo_object.h"
#include "geo/geo_record_io.h"
#include "jel/jel_object.h"
#include "sample_scenes.h"
#include "records/binary_file.h"
#include "records/file_version.h"
#include "geo/geo_list_services.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"

namespace {

constexpr uint32_t kRunBytes[5] = {4, 500, 500, 12, 36};

bool writeZeros(FILE* f, uint64_t n) {
  static const unsigned char zeros[512] = {};
  while (n > 0) {
    const size_t k = n < sizeof zeros ? static_cast<size_t>(n) : sizeof zeros;
    if (!GVFileWriteBytes(f, zeros, k)) return false;
    n -= k;
  }
  return true;
}

bool writeJelBlock(FILE* f) {
  return GVFileWriteF32(f, 0.0f) && GVFileWriteF32(f, 0.5f) && GVFileWriteF32(f, 0.0f) &&
         GVFileWriteF32(f, 0.0f) && GVFileWriteU32(f, 0);
}

bool writeGeoBlock(FILE* f, const MGVBBlocks& b) {
  if (!GVFileWriteU32(f, static_cast<uint32_t>(b.geoInner))) return false;
  if (b.geoInner == 0) return true;
  for (int k = 0; k < 5; ++k) {
    if (!GVFileWriteI32(f, b.geoCounts[k])) return false;
    if (b.geoCounts[k] > 0 && !writeZeros(f, uint64_t(b.geoCounts[k]) * kRunBytes[k])) return false;
  }
  return writeZeros(f, 20);
}

const struct {
  const char* name;
  MGVBBlocks blocks;
} kSamples[kMGVBSampleCount] = {
    {"JelDropMerge.gvb", {}},
    {"JelDropBlocks.gvb", {true, 1, {3, 2, 1, 4, 5}}},
};

}  // namespace

int32_t GVWriteMGVB(FILE* f, const HWorld* world, const GeoList* geos, const MGVBBlocks& b, uint32_t version) {
  // The records are read back with the file-version word 0.
  GVSetFileVersion(0);
  if (!f || !GVFileWriteU32(f, version)) return 0;
  int32_t n = 0;
  for (const HObject* j = world ? world->head : nullptr; j; j = GVNextJel(j)) ++n;
  if (!GVFileWriteI32(f, n)) return 0;
  for (const HObject* j = world ? world->head : nullptr; j; j = GVNextJel(j))
    if (j->write(f) != 1 || !GVFileWriteU32(f, b.jelBlocks ? 1 : 0) || (b.jelBlocks && !writeJelBlock(f)))
      return 0;
  n = 0;
  for (const GObject* g = geos ? geos->head : nullptr; g; g = g->next) ++n;
  if (!GVFileWriteI32(f, n)) return 0;
  for (const GObject* g = geos ? geos->head : nullptr; g; g = g->next) {
    const bool block = b.geoInner >= 0;
    if (!GVWriteGeo(f, g) || !GVFileWriteU32(f, block ? 1 : 0) || (block && !writeGeoBlock(f, b))) return 0;
  }
  return 1;
}

const char* GVMGVBSampleName(int32_t sample) {
  return sample >= 0 && sample < kMGVBSampleCount ? kSamples[sample].name : "";
}

int32_t GVWriteMGVBSample(int32_t sample, FILE* file) {
  if (sample < 0 || sample >= kMGVBSampleCount || !GVBuildSampleScene(kSampleJelDrop)) return 0;
  SceneRecords& sc = GVScene();
  return GVWriteMGVB(file, GVWorldOf(sc.world), GVGeoListOf(sc.geoList), kSamples[sample].blocks);
}
