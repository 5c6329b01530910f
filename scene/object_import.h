// Objects moving into the open scene from an object or scene file: the import
// options, the filtering of what was read, the merge into the scene with new
// ids, groups and names, the vehicle's hand-over and the references carried
// along (Geo bindings and attachments, glue links, vehicle parts, the main
// logic program). The import readers read into holders of their own and hand
// them here only when the whole file has read.
#pragma once

#include <cstdint>

#include "records/obj_handle.h"

class HObject;
struct GeoList;
struct GObject;
struct HWorld;
struct LogicSystem;
struct CameraRec;
struct SceneHolders;

// Import options (a bit set).
enum : int32_t {
  kImportAll = 1,        // everything the file holds; its vehicle replaces the scene's
  kImportJels = 2,
  kImportGeos = 4,
  kImportVehicle = 8,    // with 2 or 4: only the vehicle's objects; without: only the others
  kImportMergeLogic = 16,
  kImportLightsOnly = 32,  // as the whole value: the lights and nothing else
};

// 1 when the file's vehicle takes the place of the scene's.
int32_t GVImportReplacesVehicle(int32_t options);

// What an import reader hands over. The holders stay the reader's: the
// linking takes from them what it moves into the scene and leaves the rest
// for the reader to free.
struct ImportedObjects {
  GeoList* geos = nullptr;
  HWorld* world = nullptr;
  ObjHandle* vehicle = nullptr;   // read from the file; taken (nulled) when it replaces the scene's
  LogicSystem* programs = nullptr;  // the file's programs, or null when none were read
};

// Links what was read into the scene's Geo list, world and logic system (the
// vehicle is the scene's process-wide one). The result cells, set to 0 first,
// receive the new ids of the first imported Geo and Jel. 1 when linked; 0,
// with the scene unchanged, when the file's ids break the id rule
// (scene/file_ids.h).
int32_t GVLinkImportedObjects(ObjHandle* sceneGeos, HWorld** sceneWorld, LogicSystem* logic, ImportedObjects* in,
                              int32_t options, int32_t* geoIdOut, int32_t* jelIdOut);

// What an import reader does with its holders once the whole file has read:
// the lights for the options 32 (and nothing else), the camera and the bounds
// when the reader takes them (camera non-null, takeBounds), then the linking.
// The vehicle counts only when the file's last vehicle item held one. 1, or
// 0 when the linking refused the file (nothing of the scene changed).
int32_t GVApplyImport(SceneHolders& h, ObjHandle* geoList, HWorld** world, LogicSystem* logic, CameraRec** camera,
                      bool takeBounds, int32_t options, bool vehicleRead, int32_t* geoIdOut, int32_t* jelIdOut);

// ---- the steps of the linking ----

// Frees what the options leave out; Geos imported without Jels lose their
// binding to them.
void GVFilterImportedObjects(ImportedObjects* in, int32_t options);
// Id offset and group shifts of a merge, and the merge itself (everything but
// the move into the scene's lists).
struct ImportShifts {
  int32_t idOffset = 0;
  int32_t geoGroupShift = 0;
  int32_t jelGroupShift = 0;
};
ImportShifts GVMergeImportedObjects(ObjHandle* sceneGeos, HWorld** sceneWorld, ImportedObjects* in,
                                    int32_t options);
// The smallest id among the imported Geos and Jels (at most 16384); 0 when
// both holders are empty.
int32_t GVLowestImportedId(const GeoList* geos, const HWorld* world);
// While the scene holds an object of the same name: "_X" the first time, "X"
// each further time. 1 when the name is the object's, 0 when memory ran out.
int32_t GVMakeImportedGeoNameUnique(ObjHandle* sceneGeos, GObject* geo);
int32_t GVMakeImportedJelNameUnique(HWorld** sceneWorld, HObject* jel);
// 1 when the Geo's Jel is one of the vehicle's, or its active attachment
// names one, or a Geo its attachment names (GEO_0, GEO_Z) uses the vehicle.
int32_t GVGeoUsesVehicle(const GeoList* list, ObjHandle* vehicle, const GObject* geo);
// The group mask moved up by the shift (bits beyond 31 dropped); for a Jel of
// the vehicle the bits of the vehicle's own groups stay where they are.
uint32_t GVShiftGroupMask(uint32_t mask, int32_t shift);
void GVShiftJelGroupsKeepVehicle(HObject* jel, ObjHandle* vehicle, int32_t shift);
// Replaces the Jel id in every Geo, every glue link, the vehicle and the
// main logic program; nothing unless both ids are at least 1 and differ.
void GVReplaceJelIdEverywhere(ObjHandle* sceneGeos, HWorld** sceneWorld, LogicSystem* logic, int32_t oldId,
                              int32_t newId);
// For each vehicle position where the old and the new vehicle name a Jel and
// the old one is gone from the scene, the new id replaces the old everywhere.
void GVRelinkVehicleJelRefs(ObjHandle* sceneGeos, HWorld** sceneWorld, LogicSystem* logic, const int32_t* oldIds,
                            ObjHandle* vehicle);
// Deletes every Geo of the list that uses the vehicle.
void GVDeleteMatchingGeos(ObjHandle* list, ObjHandle* vehicle);
