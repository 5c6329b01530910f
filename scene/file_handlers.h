// The handlers between the file dialogs and the scene files: the files list
// opens a scene, a tutorial or an MGVB scene, or imports objects; the name
// dialog saves the scene or exports objects; the export dialog keeps the
// objects chosen for export and proposes a file name. The main window is
// passed through as the dialogs' user word: without it, or without its 3-D
// view, the handlers do nothing.
#pragma once

#include <cstdint>
#include <string>

// Request flags the dialogs hand over: their mode word with one event bit.
enum : uint32_t {
  kFileChangeDir = 0x2,
  kFileNameEdited = 0x4,
  kFileConfirmed = 0x8,
  kFileSaves = 0x10,
  kFileOpen = 0x20,
  kFileGeos = 0x80,
  kFileJels = 0x100,
  kFileScenes = 0x200,
  kFileMGVB = 0x400,
  kFileImport = 0x800,
  kFileTutorial = 0x1000,
  kFileExport = 0x10000,
};

// The files list's callback: opens the file and answers the value.
int32_t GVFilesListCB(uint32_t flags, int32_t value, const char* name, void* mainWindow);
void GVFileOpenCB(uint32_t flags, const char* name, void* mainWindow);
// The name dialog's callback; the name is the bare name typed (no extension).
void GVSaveSceneCB(int32_t ignored, uint32_t flags, const char* name, void* mainWindow);
// The whole scene written to the file (its full name), with the play range
// kept in the display settings and the notes; what a confirmed save and the
// File menu's Save do. 0 when the file could not be written.
int32_t GVSaveSceneAs(const char* file);
// Save As and the File menu's Save: GVSaveSceneAs, after asking before another
// existing file than the scene's own is replaced (No writes nothing). The file
// written becomes the scene's own. 0 when nothing was written.
int32_t GVWriteSceneFile(const char* file);
// The export dialog's callback: events 2 (Geo chosen), 4 (Jel chosen), 8
// (export), 16 (reset).
void GVExportCB(int32_t code, int32_t event, int32_t geoId, int32_t jelId, void* mainWindow);
// The warning for a reader's result code (every negative code has one): it
// names the file and says what was wrong. The open scene stays as it was
// whatever the reset flag says.
void GVOpenSceneWarning(int32_t code, int32_t resetFlag, const char* name, void* mainWindow);

// The import mode of the import option bits 20 to 27 of a request.
int32_t GVImportModeFromFlags(uint32_t flags);
// The export file name proposed for the chosen objects and the scene name.
std::string GVExportFileName(int32_t geoId, int32_t jelId, const std::string& sceneName);

// 1 from just before the render scene is rebuilt by an open until the frame-0
// step that ends the open has run; the view's overlay pass reads it.
int32_t GVSceneReloading();
void GVSetSceneReloading(int32_t on);
