// The holders a scene or object file is read into before the open scene is
// touched, shared by every scene and import reader: the readers fill them item
// by item and give them to the scene (or to the import linking) only when the
// whole file has read; whatever was not taken is freed with them.
#pragma once

#include <cstdint>

#include "camera/camera_record.h"
#include "geo/geo_list.h"
#include "logic/logic_system.h"
#include "scene/display_settings.h"
#include "scene/geo_id_blocks.h"
#include "scene/light_list.h"
#include "scene/scene_opts.h"
#include "scene/scene_services.h"

struct HWorld;
struct ItemStream;

struct SceneHolders {
  bool keepJels = false;  // a world takes the Jels read; else no Geo may point at them
  HWorld* world = nullptr;
  GeoList geos{};
  bool haveGeos = false;
  LogicSystem logic{};
  bool haveLogic = false;
  ObjHandle* vehicle = nullptr;
  float bounds[6] = {};
  bool haveBounds = false;
  CameraRec camera;
  bool haveCamera = false;
  LightList lights{0, nullptr};
  bool haveLights = false;
  DisplaySettings display{};
  bool haveDisplay = false;
  SceneOpts options{};
  bool haveOptions = false;
  char* notes = nullptr;
  bool haveNotes = false;
  GeoIdBlockList blocks{};
  bool haveBlocks = false;

  SceneHolders();
  ~SceneHolders();
  SceneHolders(const SceneHolders&) = delete;
  SceneHolders& operator=(const SceneHolders&) = delete;
};

// The empty temporary system a logic block is read into: every field zero,
// the sub-step minimum and word 14 at 1.
void GVLogicTempInit(LogicSystem* sys);

// The holders' world, made on first use; null when it cannot be made.
HWorld* GVHolderWorld(SceneHolders& h);
// Reads a vehicle into the holders with `read` (the vehicle's reader of an
// item or a tagged record, given the holders' world), freeing one read before:
// true when it read. False too when no vehicle subsystem knows the layout.
template <typename Read>
bool GVHolderReadVehicle(SceneHolders& h, Read read) {
  const SceneServices& sv = GVSceneServices();
  if (!sv.freeVehicle || !GVHolderWorld(h)) return false;
  if (h.vehicle) sv.freeVehicle(h.vehicle);
  h.vehicle = read(sv, h.world);
  return h.vehicle != nullptr;
}
// Prepares the logic holder for a block: the catalogue of the scene's own
// system (which repairs the main program) is shared, the programs are its own.
LogicSystem* GVHolderLogic(SceneHolders& h, const LogicSystem* target);
// The display holder, starting from the scene's settings the first time, for
// the older records that change only some of the fields.
DisplaySettings* GVHolderDisplayFromScene(SceneHolders& h);

// Checks that the stream's first int is 1 and skips the two leading ints: 0;
// -2 for no int array or another first int; -3 when the second is missing.
int32_t GVTakeSceneStreamHeader(ItemStream* stream);
// Parses item-stream items up to the end tag into the holders: 0, or -3 for a
// zero tag, ints that end before the end tag, or an item that does not read
// whole.
int32_t GVReadSceneItems(SceneHolders& h, ItemStream* stream, const LogicSystem* logic);

// The open scene gives way to what was read: every Jel, every Geo and the
// vehicle go, whatever the file holds; the other records take what the file
// held and keep what it did not.
void GVReplaceScene(SceneHolders& h, ObjHandle* geoList, HWorld** world, LogicSystem* logic, CameraRec** camera,
                    char** notes);
