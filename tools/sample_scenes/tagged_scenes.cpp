#include "tagged_scenes.h"

#include <cstring>

#include "camera/camera_record.h"
#include "dynamics/world.h"
#include "geo/geo_list.h"
#include "geo/geo_record_io.h"
#include "logic/logic_persistence.h"
#include "logic/logic_system.h"
#include "sample_scenes.h"
#include "records/binary_file.h"
#include "scene/display_forms.h"
#include "scene/display_settings.h"
#include "records/file_version.h"
#include "scene/geo_id_blocks.h"
#include "records/heap_string.h"
#include "scene/light_list.h"
#include "scene/object_stream.h"
#include "scene/scene_access.h"
#include "scene/scene_opts.h"
#include "scene/scene_records.h"
#include "scene/scene_stream.h"
#include "scene/scene_tagged.h"

namespace {

DisplayFormA formAOf(const DisplaySettings& d) {
  DisplayFormA a;
  GVDisplayFormADefaults(&a);
  a.background = d.background;
  a.background2 = d.background2;
  a.renderValue1 = d.renderValue1;
  a.optionInt1 = d.optionInts[0];
  a.backgroundFlags = d.backgroundFlags;
  a.optionInt2 = d.optionInts[1];
  std::memcpy(a.shadowValues, d.shadowValues, sizeof a.shadowValues);
  std::memcpy(a.shadowCounts, d.shadowCounts, sizeof a.shadowCounts);
  return a;
}

DisplayFormB formBOf(const DisplaySettings& d) {
  DisplayFormB b;
  GVDisplayFormBInit(&b);
  if (d.imageName) std::strncpy(b.text, d.imageName, sizeof b.text - 1);
  b.optionWord = d.optionWord;
  std::memcpy(b.optionInts, d.optionInts3, sizeof b.optionInts);
  std::memcpy(b.optionFloats, d.optionFloats, sizeof b.optionFloats);
  return b;
}

bool tag(FILE* f, uint32_t t) { return GVFileWriteU32(f, t) == 1; }

}  // namespace

int32_t GVWriteTaggedScene(FILE* f, const TaggedSceneParts& p) {
  GVSetFileVersion(4);  // the layout the reader expects of the channel data
  bool ok = tag(f, 0) && tag(f, 0);
  if (ok && p.world) ok = tag(f, kSceneTagJels) && GVWriteJelList(p.world, f) == 1;
  if (ok && GVGeoListOf(p.geoList)) ok = tag(f, kSceneTagGeos) && GVWriteGeoList(GVGeoListOf(p.geoList), f) == 1;
  if (ok && p.logic && p.logic->programs) ok = tag(f, kSceneTagLogic) && GVWriteLogicTagged(p.logic, f, 1) == 1;
  if (ok && p.camera) {
    uint8_t block[kCameraStoredBytes];
    GVCameraToStored(p.camera, block);
    ok = tag(f, kSceneTagCamera) && tag(f, 1) && tag(f, 1) && GVFileWriteBytes(f, block, sizeof block) == 1;
  }
  if (ok && p.bounds) {
    ok = tag(f, kSceneTagBounds);
    for (int k = 0; ok && k < 6; ++k) ok = GVFileWriteF32(f, p.bounds[k]) == 1;
  }
  if (ok && p.display) {
    ok = tag(f, kTaggedDisplayWords);
    for (int k = 0; ok && k < 4; ++k) ok = GVFileWriteI32(f, p.display->frameWords[k]) == 1;
  }
  if (ok && p.notes) ok = tag(f, kSceneTagNotes) && GVWriteString(f, p.notes) == 1;
  if (ok && p.lights) ok = tag(f, kSceneTagLights) && tag(f, 1) && GVWriteLightsTagged(f, p.lights) == 1;
  if (ok && p.display) {
    const DisplayFormA a = formAOf(*p.display);
    const DisplayFormB b = formBOf(*p.display);
    ok = tag(f, kTaggedDisplayFormA) && tag(f, 1) && GVWriteDisplayFormA(f, &a) == 1 &&
         tag(f, kTaggedDisplayFormB) && tag(f, 1) && GVWriteDisplayFormB(f, &b) == 1;
    if (ok && p.displayWhole) ok = tag(f, kSceneTagDisplay) && tag(f, 1) && GVWriteDisplayTagged(f, p.display) == 1;
  }
  if (ok && p.blocks) ok = tag(f, kTaggedGeoIdBlocks) && tag(f, 1) && GVWriteGeoIdBlocks(f, p.blocks) == 1;
  if (ok && p.options) ok = tag(f, kSceneTagOptions) && tag(f, 1) && GVWriteSceneOptsTagged(p.options, f) == 1;
  return ok && tag(f, kSceneTagEnd) ? 1 : 0;
}

namespace {

struct Tutorial {
  const char* name;
  int32_t sample;
  const char* notes;
};
const Tutorial kTutorials[kTutorialCount] = {
    {"JelDropTutorial.gvs", kSampleJelDrop,
     "Jels fall under gravity and come to rest on the floor. Press Play, then step back to frame 0 and play again: "
     "the scene replays the same way."},
    {"LogicTutorial.gvs", kSampleLogic,
     "The main logic program runs on every sub-step. Open the Constraint Editor of the selector bar to see its lines "
     "while the scene plays."},
};

struct ObjectFile {
  const char* name;
  int32_t geoSel;
  int32_t jelSel;
};
const ObjectFile kObjectFiles[kObjectFileCount] = {
    {"Geos/JelDropGeos.gvs", -1, 0},
    {"Jels/JelDropJels.gvs", 0, -1},
};

}  // namespace

const char* GVTutorialName(int32_t t) { return t >= 0 && t < kTutorialCount ? kTutorials[t].name : ""; }

int32_t GVWriteTutorial(int32_t t, FILE* file) {
  if (t < 0 || t >= kTutorialCount || !GVBuildSampleScene(kTutorials[t].sample)) return 0;
  SceneRecords& sc = GVScene();
  CameraRec camera;
  GVPrepareSampleWrite(&camera);
  // One Geo-id block naming the first Geos, as the older scenes kept them.
  GeoIdBlockList blocks;
  GVInitGeoIdBlockList(&blocks);
  GeoIdBlock block{};
  int32_t k = 0;
  for (ObjHandle* g = GVFirstGeo(sc.geoList); g && k < 4; g = GVNextGeo(g)) block.geoIds[k++] = GVGeoOf(g)->id;
  if (blocks.blocks) {
    blocks.blocks[0] = &block;
    blocks.count = 1;
  }
  TaggedSceneParts p;
  p.world = GVWorldOf(sc.world);
  p.geoList = sc.geoList;
  p.logic = sc.logic;
  p.camera = &camera;
  p.bounds = sc.bounds;
  p.lights = sc.lights;
  p.display = sc.display;
  p.options = sc.options;
  p.blocks = &blocks;
  p.notes = kTutorials[t].notes;
  const int32_t ok = GVWriteTaggedScene(file, p);
  if (blocks.blocks) blocks.blocks[0] = nullptr;  // the block is this function's
  GVDeleteGeoIdBlockList(&blocks);
  return ok;
}

const char* GVObjectFileName(int32_t o) { return o >= 0 && o < kObjectFileCount ? kObjectFiles[o].name : ""; }

int32_t GVWriteObjectFile(int32_t o, FILE* file) {
  if (o < 0 || o >= kObjectFileCount || !GVBuildSampleScene(kSampleJelDrop)) return kImportWrongType;
  SceneRecords& sc = GVScene();
  return GVWriteExportStream(file, sc.geoList, sc.world, kObjectFiles[o].geoSel, kObjectFiles[o].jelSel, sc.logic);
}
