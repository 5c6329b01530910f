#include "scene/file_handlers.h"

namespace {
int32_t gReloading = 0;
}

int32_t GVFilesListCB(uint32_t flags, int32_t value, const char* name, void* mainWindow) {
  GVFileOpenCB(flags, name, mainWindow);
  return value;
}
void GVFileOpenCB(uint32_t, const char*, void*) {}
void GVSaveSceneCB(int32_t, uint32_t, const char*, void*) {}
void GVExportCB(int32_t, int32_t, int32_t, int32_t, void*) {}
void GVOpenSceneWarning(int32_t, int32_t, const char*, void*) {}
int32_t GVSceneReloading() { return gReloading; }
void GVSetSceneReloading(int32_t on) { gReloading = on; }
