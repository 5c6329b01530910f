// Objects in item-stream files: the export writer (selected Jels and Geos
// with the logic programs) and the item-stream import reader.
//
// Export stream: ints 1, 1; tag 1 with the Jel list image of the selected
// Jels (when a Jel selection is given and a world exists); tag 3 with the Geo
// list image of the selected Geos (when a Geo selection is given and a list
// exists); tag 2 with the logic block (when a logic system with programs is
// given and Jels are exported, or neither Jels nor Geos); the end tag 99.
// Selections: an id, -1 for all, -2 .. -31 a group; 0 exports none of that kind.
#pragma once

#include <cstdint>
#include <cstdio>

#include "records/obj_handle.h"

struct CameraRec;
struct HWorld;
struct ItemStream;
struct LogicSystem;

// Results of the import reader.
enum : int32_t {
  kImportOk = 0,
  kImportWrongType = -2,  // no int array, or int 0 is not 1
  kImportDamaged = -3,    // a zero tag, the ints end before the end tag, or an item that does not read
  kImportNoHolders = -4,  // the holders could not be made
};

// The counting pass and the filling pass of the export stream (the filling
// pass sets the file-version word to 4): 1, or 0 when the arrays lacked room.
void GVCountExportItems(ItemStream* stream, ObjHandle* geoList, HWorld** world, int32_t geoSel, int32_t jelSel,
                        LogicSystem* logic);
int32_t GVFillExportItems(ItemStream* stream, ObjHandle* geoList, HWorld** world, int32_t geoSel, int32_t jelSel,
                          LogicSystem* logic);
// Writes the export stream to the open file: 0, or the container's negative code.
int32_t GVWriteExportStream(FILE* file, ObjHandle* geoList, HWorld** world, int32_t geoSel, int32_t jelSel,
                            LogicSystem* logic);

// Parses an object or scene stream at the container's cursors and links its
// objects into the scene by the import options (scene/object_import.h). Only
// when the whole stream has read: the file's bounds and camera (into the
// given handle) are taken, and for the options 32 its lights.
int32_t GVImportStream(ItemStream* stream, ObjHandle* geoList, HWorld** world, LogicSystem* logic,
                       CameraRec** camera, int32_t options, int32_t* geoIdOut, int32_t* jelIdOut);
// Reads the container from the open file and parses it; the container's own
// negative codes pass through.
int32_t GVImportStreamFile(FILE* file, ObjHandle* geoList, HWorld** world, LogicSystem* logic, CameraRec** camera,
                           int32_t options, int32_t* geoIdOut, int32_t* jelIdOut);
