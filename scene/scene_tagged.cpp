#include "scene/scene_tagged.h"

#include "camera/camera_record.h"
#include "dynamics/world.h"
#include "geo/geo_record_io.h"
#include "logic/logic_persistence.h"
#include "records/binary_file.h"
#include "scene/display_forms.h"
#include "scene/file_ids.h"
#include "records/file_version.h"
#include "records/heap_string.h"
#include "scene/object_import.h"
#include "scene/scene_access.h"
#include "scene/scene_holders.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "scene/scene_stream.h"

namespace {

constexpr int32_t kTaggedFileVersion = 4;

// The u32 flag an item starts with: 1 set, 0 clear, -1 when the file ends.
int flag(FILE* file) {
  uint32_t v = 0;
  if (!GVFileReadU32(file, &v)) return -1;
  return v != 0 ? 1 : 0;
}

bool readJels(SceneHolders& h, FILE* file) {
  // The vehicle's reader finds its Jels by their cells.
  return GVHolderWorld(h) && GVReadJelList(h.world, file) == 1 && GVGiveJelCells(h.world);
}

bool readGeos(SceneHolders& h, FILE* file) {
  if (!GVHolderWorld(h)) return false;
  h.haveGeos = true;
  // Jels read for no world are dropped at the end: no Geo may point at them.
  return GVReadGeoList(&h.geos, file, h.keepJels ? h.world : nullptr) == 1;
}

bool readCamera(SceneHolders& h, FILE* file) {
  int f = flag(file);
  if (f <= 0) return f == 0;
  if ((f = flag(file)) <= 0) return f == 0;
  const long long left = GVFileRemaining(file);
  if (left >= 0 && left < kCameraStoredBytes) return false;
  GVLoadCamera(&h.camera, file);
  h.haveCamera = true;
  return true;
}

bool readBounds(SceneHolders& h, FILE* file) {
  float b[6];
  for (float& v : b)
    if (!GVFileReadF32(file, &v)) return false;
  for (int k = 0; k < 6; ++k) h.bounds[k] = b[k];
  h.haveBounds = true;
  return true;
}

bool readVehicle(SceneHolders& h, FILE* file, bool* vehicleRead) {
  const int f = flag(file);
  if (f <= 0) {
    if (f == 0) *vehicleRead = false;
    return f == 0;
  }
  *vehicleRead = GVHolderReadVehicle(h, [&](const SceneServices& sv, HWorld* world) {
    return sv.readVehicleTagged ? sv.readVehicleTagged(file, world) : nullptr;
  });
  return *vehicleRead;
}

bool readDisplayWords(SceneHolders& h, FILE* file) {
  uint32_t w[4];
  for (uint32_t& v : w)
    if (!GVFileReadU32(file, &v)) return false;
  DisplaySettings* d = GVHolderDisplayFromScene(h);
  for (int k = 0; k < 4; ++k) d->frameWords[k] = static_cast<int32_t>(w[k]);
  return true;
}

bool readFormA(SceneHolders& h, FILE* file) {
  const int f = flag(file);
  if (f <= 0) return f == 0;
  DisplayFormA a;
  GVDisplayFormADefaults(&a);
  if (!GVReadDisplayFormA(file, &a)) return false;
  GVClampDisplayFormA(&a);
  GVDisplayFromFormA(GVHolderDisplayFromScene(h), &a);
  return true;
}

bool readFormB(SceneHolders& h, FILE* file) {
  const int f = flag(file);
  if (f <= 0) return f == 0;
  DisplayFormB b;
  GVDisplayFormBInit(&b);
  return GVReadDisplayFormB(file, &b) && GVDisplayFromFormB(GVHolderDisplayFromScene(h), &b);
}

// Reads a flag and, when it is set, the record with `read`.
template <typename Read>
bool flagged(FILE* file, Read read) {
  const int f = flag(file);
  return f == 0 || (f == 1 && read());
}

// Reads the header and every item up to the tag 99 into the holders.
int32_t readTagged(SceneHolders& h, FILE* file, const LogicSystem* logic, bool* vehicleRead) {
  uint32_t header[2];
  if (!file || !GVFileReadU32(file, &header[0]) || !GVFileReadU32(file, &header[1])) return kTaggedNoHeader;
  if (header[0] != 0) return kTaggedWrongType;
  for (;;) {
    uint32_t tag = 0;
    if (!GVFileReadU32(file, &tag)) return kTaggedDamaged;  // the file ends before the tag 99
    bool ok = true;
    switch (tag) {
      case 0: return kTaggedDamaged;
      case kSceneTagEnd: return kTaggedReadOk;
      case kSceneTagJels: ok = readJels(h, file); break;
      case kSceneTagGeos: ok = readGeos(h, file); break;
      case kSceneTagLogic: ok = GVLoadLogic(GVHolderLogic(h, logic), file) >= 0; break;
      case kSceneTagCamera: ok = readCamera(h, file); break;
      case kSceneTagBounds: ok = readBounds(h, file); break;
      case kSceneTagVehicle: ok = readVehicle(h, file, vehicleRead); break;
      case kTaggedDisplayWords: ok = readDisplayWords(h, file); break;
      case kSceneTagNotes: ok = h.haveNotes = GVReadString(file, &h.notes) == 1; break;
      case kSceneTagLights:
        ok = flagged(file, [&] { return h.haveLights = GVReadLightsTagged(file, &h.lights) == 1; });
        break;
      case kTaggedDisplayFormA: ok = readFormA(h, file); break;
      case kTaggedDisplayFormB: ok = readFormB(h, file); break;
      case kSceneTagDisplay:
        ok = flagged(file, [&] { return GVReadDisplayTagged(file, GVHolderDisplayFromScene(h)) == 1; });
        break;
      case kTaggedGeoIdBlocks:
        ok = flagged(file, [&] { return h.haveBlocks = GVReadGeoIdBlocks(file, &h.blocks) == 1; });
        break;
      case kSceneTagOptions:
        ok = flagged(file, [&] { return h.haveOptions = GVReadSceneOptsTagged(&h.options, file) == 1; });
        break;
      default: break;  // carries nothing
    }
    if (!ok) return kTaggedDamaged;
  }
}

}  // namespace

int32_t GVReadSceneTagged(FILE* file, ObjHandle* geoList, HWorld** world, LogicSystem* logic, CameraRec** camera,
                          char** notes) {
  GVSetFileVersion(kTaggedFileVersion);
  SceneHolders h;
  h.keepJels = GVWorldOf(world) != nullptr;
  bool vehicleRead = false;
  const int32_t rc = readTagged(h, file, logic, &vehicleRead);
  if (rc != kTaggedReadOk) return rc;
  if (!GVFileIdsUsable(&h.geos, h.world, 0, 0)) return kTaggedDamaged;
  GVReplaceScene(h, geoList, world, logic, camera, notes);
  return kTaggedReadOk;
}

int32_t GVImportTagged(FILE* file, ObjHandle* geoList, HWorld** world, LogicSystem* logic, int32_t options,
                       int32_t* geoIdOut, int32_t* jelIdOut) {
  GVSetFileVersion(kTaggedFileVersion);
  SceneHolders h;
  h.keepJels = GVWorldOf(world) != nullptr;
  if (!GVHolderWorld(h)) return kTaggedNoHolders;
  bool vehicleRead = false;
  const int32_t rc = readTagged(h, file, logic, &vehicleRead);
  if (rc != kTaggedReadOk) return rc;
  if (!GVApplyImport(h, geoList, world, logic, nullptr, false, options, vehicleRead, geoIdOut, jelIdOut))
    return kTaggedDamaged;
  return kTaggedReadOk;
}
