// Whole scenes in one item-stream file: the scene writer (a counting pass
// and a filling pass over the scene's records) and the scene reader.
//
// Int array: 1, 789, then tagged items, then the end tag 99. The writer puts
// the items in this order, each only when its record is given (and, where
// said, not empty):
//   1  Jel list image (the world's Jels, when there are any)
//   3  Geo list image (when the list holds Geos)
//   2  logic block (a logic system with programs)
//   6  vehicle item (a vehicle that is not empty; through the vehicle's
//      scene services)
//   5  scene bounds, six floats: min x, min y, min z, max x, max y, max z
//   4  camera image, 6 ints and 26 floats
//   9  lights block
//   80 display settings
//   85 scene options (only when some Geo renders to the scene's texture)
//   8  scene notes (one string, also when absent)
//   99 end
// The reader takes items in any order and passes over tags it does not know;
// tag 1 must come before tag 3 so that the Geos find their Jels.
#pragma once

#include <cstdint>
#include <cstdio>

#include "records/obj_handle.h"

struct CameraRec;
struct DisplaySettings;
struct HWorld;
struct ItemStream;
struct LightList;
struct LogicSystem;
struct SceneOpts;

constexpr int32_t kSceneStreamFirst = 1;
constexpr int32_t kSceneStreamSecond = 789;

enum : int32_t {
  kSceneTagJels = 1,
  kSceneTagLogic = 2,
  kSceneTagGeos = 3,
  kSceneTagCamera = 4,
  kSceneTagBounds = 5,
  kSceneTagVehicle = 6,
  kSceneTagNotes = 8,
  kSceneTagLights = 9,
  kSceneTagDisplay = 80,
  kSceneTagOptions = 85,
  kSceneTagEnd = 99,
};

// Results of the scene readers (the container's own negative codes pass
// through GVReadSceneStreamFile unchanged).
enum : int32_t {
  kSceneReadOk = 0,
  kSceneWrongType = -2,  // no int array, or int 0 is not 1
  kSceneDamaged = -3,    // a zero tag, the ints end before the end tag, or an
                         // item that does not read whole
};

// The records a scene stream carries; a null record leaves its item out
// (the notes item is left out only when `notes` itself is null).
struct SceneStreamRecords {
  ObjHandle* geoList = nullptr;
  HWorld** world = nullptr;
  LogicSystem* logic = nullptr;
  ObjHandle* vehicle = nullptr;
  const float* bounds = nullptr;  // min x, max x, min y, max y, min z, max z
  CameraRec** camera = nullptr;
  LightList* lights = nullptr;
  DisplaySettings* display = nullptr;
  SceneOpts* options = nullptr;
  char** notes = nullptr;
};

// Adds to the container's counts what GVFillSceneItems puts.
void GVCountSceneItems(ItemStream* stream, const SceneStreamRecords& r);
// Sets the file-version word to 4 and puts the leading ints, the items and
// the end tag at the cursors: 1, or 0 when the arrays lacked room.
int32_t GVFillSceneItems(ItemStream* stream, const SceneStreamRecords& r);

// Writes the whole scene to the open file: 0, or the container's negative
// code when it could not be made or written.
int32_t GVWriteSceneStream(FILE* file, ObjHandle* geoList, HWorld** world, LogicSystem* logic, ObjHandle* vehicle,
                           const float* bounds, CameraRec** camera, LightList* lights, DisplaySettings* display,
                           SceneOpts* options, char** notes);

// 1 when some Geo whose material type is not 2 (scripted) has a material
// with a resolved UV set whose set word is 0 and whose mode renders to the
// scene's texture (16, 32 or 64); 0 otherwise and for an empty list.
int32_t GVSceneUsesRTT(ObjHandle* geoList);

// Parses a scene at the container's cursors into the given targets and the
// process-wide vehicle, bounds, lights, display settings and scene options.
// Everything is read into holders of its own first; the open scene is
// replaced only when the end tag has been reached, and then wholly: every Jel
// of the world, every Geo and the vehicle go, whatever the file holds. On a
// negative result nothing of the open scene has changed.
int32_t GVReadSceneStream(ItemStream* stream, ObjHandle* geoList, HWorld** world, LogicSystem* logic,
                          CameraRec** camera, char** notes);
// Reads the container from the open file and parses it.
int32_t GVReadSceneStreamFile(FILE* file, ObjHandle* geoList, HWorld** world, LogicSystem* logic,
                              CameraRec** camera, char** notes);
