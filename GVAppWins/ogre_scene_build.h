// Scene-wide work on the engine mirrors: putting the Geos that follow a Jel
// back to their reset shape (with the refresh mark that keeps an unchanged
// Geo from being rewritten again), the full build after a scene is opened, the
// build of what an import appended, and the reset of the scene-wide extras.
// Every operation does nothing while the engine path is not running.
#pragma once

#include <cstdint>

struct ObjHandle;

// Reset refresh of one Geo unless its refresh mark is set.
void GVRefreshOgreGeoMesh(ObjHandle* geo);
// Reset refresh of every Geo bound to a Jel of the selection.
void GVRefreshOgreMeshesOfJel(int32_t selection);
// Reset refresh of every unmarked Geo, only while the natural state is edited.
void GVRefreshAllOgreGeoMeshes();

void GVBuildOgreScene(int32_t geoMode, int32_t jelMode);
void GVRebuildOgreObjects(int32_t firstGeo, int32_t firstJel, int32_t geoMode, int32_t jelMode);
void GVResetOgreSceneExtras();
