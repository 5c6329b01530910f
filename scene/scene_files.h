// The scene file wrappers: each enters its working folder, opens the named
// file there, hands it to its reader or writer with the scene's records and
// enters the application root again. Names and paths are held whole; a name
// the folder cannot hold is refused by the system's own open or create.
#pragma once

#include <cstdint>

struct CameraRec;

// Results of the reading wrappers besides the readers' own codes.
enum : int32_t {
  kSceneFileNoFolder = -5,  // the folder could not be entered
  kSceneFileNoFile = -6,    // the file could not be opened
};

int32_t GVLoadScene(const char* name, CameraRec** camera, char** notes);
int32_t GVLoadTutorialScene(const char* name, CameraRec** camera, char** notes);
int32_t GVImportObjects(const char* name, int32_t options, int32_t* geoIdOut, int32_t* jelIdOut);
int32_t GVLoadSceneStream(const char* name, CameraRec** camera, char** notes);
int32_t GVImportObjectsStream(const char* name, CameraRec** camera, int32_t options, int32_t* geoIdOut,
                              int32_t* jelIdOut);
// The writers replace the file only once the new one is complete: they write
// a temporary file in the same folder, flush and close it and rename it over
// the old one, whose permissions it keeps. 0 when the file could not be
// written there (the old file is kept, and "Warning: could not save scene
// file: %s" is shown, also for a folder that could not be entered) or the
// root could not be entered again after it, else non-zero.
int32_t GVSaveScene(const char* name, char** notes, CameraRec** camera, const float* bounds);
// 1 when a file of that name is in the Scenes folder; the root is entered again.
int32_t GVSceneFileExists(const char* name);
// Writes the objects of the export selection (scene/app_selection.h).
int32_t GVExportObjects(const char* name, CameraRec** camera);
// Merges an MGVB scene into the open one; 0 when the folder could not be
// entered, else 1 (the reader's verdict is its own).
int32_t GVOpenMGVB(const char* name);
