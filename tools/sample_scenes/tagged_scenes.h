// Scenes in the older tagged form, which the program reads but never writes:
// a writer of the form for the tutorials, the tests and the fuzz seeds, and
// the tutorial and object files made from the sample scenes.
#pragma once

#include <cstdint>
#include <cstdio>

#include "records/obj_handle.h"

struct CameraRec;
struct DisplaySettings;
struct GeoIdBlockList;
struct HWorld;
struct LightList;
struct LogicSystem;
struct SceneOpts;

// What a tagged scene file carries; a null record leaves its item out. The
// display settings go out three ways: words 13 to 16 (tag 7), the two older
// records (tags 77, 78) and the whole record (tag 80) when `displayWhole`.
struct TaggedSceneParts {
  HWorld* world = nullptr;
  ObjHandle* geoList = nullptr;
  LogicSystem* logic = nullptr;
  CameraRec* camera = nullptr;
  const float* bounds = nullptr;  // min x, max x, min y, max y, min z, max z
  LightList* lights = nullptr;
  DisplaySettings* display = nullptr;
  bool displayWhole = true;
  SceneOpts* options = nullptr;
  GeoIdBlockList* blocks = nullptr;
  const char* notes = nullptr;
};

// Header and items in the order 1, 3, 2, 4, 5, 7, 8, 9, 77, 78, 80, 83, 85,
// 99 (no vehicle: the vehicle's own tests write its tagged record): 1 written, 0 when a record could not be written.
int32_t GVWriteTaggedScene(FILE* file, const TaggedSceneParts& parts);

// The tutorials in Tutorials/ ("JelDropTutorial.gvs", "LogicTutorial.gvs"),
// each built from a sample scene, and the object files in GVSceneFiles/Geos
// and GVSceneFiles/Jels written by the export writer.
enum : int32_t { kTutorialCount = 2, kObjectFileCount = 2 };
const char* GVTutorialName(int32_t tutorial);
// Builds the tutorial into the scene's records (made by start-up, empty) and
// writes it: 1, or 0.
int32_t GVWriteTutorial(int32_t tutorial, FILE* file);
// "Geos/JelDropGeos.gvs" (every Geo) and "Jels/JelDropJels.gvs" (the group-1
// Jels and the programs), relative to GVSceneFiles.
const char* GVObjectFileName(int32_t objectFile);
// Builds the sample the object file comes from and exports it: 0, or the
// writer's negative code.
int32_t GVWriteObjectFile(int32_t objectFile, FILE* file);
