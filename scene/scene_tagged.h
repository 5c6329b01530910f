// The older tagged scene form, read but never written by the program: an
// 8-byte header (a u32 that must be 0, a u32 not examined), then items, each a
// u32 tag and its payload, up to the tag 99. The tutorials are stored in it.
//
//   1  the Jel list in its file form        2  the logic block (tagged form)
//   3  the Geo list in its file form        4  flag [flag [camera, 128 bytes]]
//   5  six floats: min x, max x, min y, max y, min z, max z
//   6  flag [the vehicle's tagged record]   7  display words 13 to 16
//   8  notes: u32 length and the bytes      9  flag [the lights block]
//   77 flag [the 88-byte display record]    78 flag [the 292-byte display record]
//   80 flag [the display settings]          83 flag [u32 n, n Geo-id blocks]
//   85 flag [the scene options]             99 end
// Other non-zero tags carry nothing.
//
// Both readers read everything into holders first (scene/scene_holders.h): a
// file that fails leaves the open scene as it was.
#pragma once

#include <cstdint>
#include <cstdio>

#include "records/obj_handle.h"

struct CameraRec;
struct HWorld;
struct LogicSystem;

enum : int32_t {
  kTaggedDisplayWords = 7,
  kTaggedDisplayFormA = 77,
  kTaggedDisplayFormB = 78,
  kTaggedGeoIdBlocks = 83,
};

// Results of the readers.
enum : int32_t {
  kTaggedReadOk = 0,
  kTaggedNoHeader = -1,   // the 8-byte header cannot be read
  kTaggedWrongType = -2,  // its first u32 is not 0
  kTaggedDamaged = -3,    // a zero tag, the file ends before the tag 99, or an item does not read whole
  kTaggedNoHolders = -4,  // (import) the holders could not be made
};

// Reads a scene; on 0 the scene's Jels, Geos and vehicle are those of the
// file and the records it holds replace the scene's (the logic programs of the
// given system, the camera in the handle, the notes, the bounds, lights,
// display settings, scene options and Geo-id blocks). Null targets take
// nothing.
int32_t GVReadSceneTagged(FILE* file, ObjHandle* geoList, HWorld** world, LogicSystem* logic, CameraRec** camera,
                          char** notes);

// Reads an object file and links its objects into the scene by the import
// options (scene/object_import.h); the result cells receive the ids of the
// first imported Geo and Jel. The file's lights replace the scene's only for
// the options 32; its bounds, camera and display records are passed over.
int32_t GVImportTagged(FILE* file, ObjHandle* geoList, HWorld** world, LogicSystem* logic, int32_t options,
                       int32_t* geoIdOut, int32_t* jelIdOut);
