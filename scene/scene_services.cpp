#include "scene/scene_services.h"

#include <cstdio>

static SceneServices gServices;

const SceneServices& GVSceneServices() { return gServices; }
void GVSetSceneServices(const SceneServices& services) { gServices = services; }

static bool Ask(int32_t (*entry)()) { return entry && entry() != 0; }
bool GVMainWindowExists() { return Ask(gServices.mainWindowExists); }
bool GVViewExists() { return Ask(gServices.viewExists); }
bool GVRenderStarted() { return Ask(gServices.renderStarted); }

// Every entry, in the table's order. A new entry goes here too: the count
// below stops the build until it does.
#define GV_SCENE_SERVICE_ENTRIES(E) \
  E(showMessage) E(askYesNo) E(mainWindowExists) E(viewExists) E(renderStarted) E(viewCamera) E(viewStartCamera) \
  E(viewSelection) E(viewResetFrame0) E(viewSize) E(setViewProjection) E(redrawView) E(updateRenderObjects) \
  E(updateGeoMesh) E(setCurrentGeo) E(setCurrentJel) E(selectJel) E(updateRenderLight) E(updateFramePanels) \
  E(moveTimeBar) E(syncAnimModeButton) E(redrawVehicleReadout) E(showLogicLineValue) E(driveVehicle) \
  E(vehicleSubsteps) E(vehicleCameraFollow) E(vehicleDriveInputs) E(deleteVehicle) E(vehicleIsEmpty) \
  E(countVehicleItem) E(putVehicleItem) E(readVehicleItem) E(readVehicleTagged) E(freeVehicle) \
  E(replaceVehicle) E(vehicleJelIds) E(vehicleGroups) E(vehicleHasJel) E(shiftVehicleJelIds) \
  E(replaceVehicleJelId) E(remapVehicleJelIds) E(unmarkVehicleJels) E(runMainLogic) E(logicMinSubsteps) \
  E(logicLineExists) E(createGeoRenderObj) E(destroyGeoRenderObj) E(createJelRenderObj) \
  E(destroyJelRenderObj) E(assignGeoMaterial) E(setGeoMaterial) E(setGeoUVMaterials) E(refreshGeoRenderMesh) \
  E(refreshJelGeoRenderMeshes) E(refreshAllGeoRenderMeshes) E(buildRenderScene) E(rebuildRenderObjects) \
  E(resetRenderExtras) E(showStatusLine) E(viewToolActive) E(viewBusy) E(selectDisplayItem) E(beep) \
  E(checkRenameName) E(updatePanels) E(redrawLogicLines) E(redrawTimeBar) E(resetMoveTool) E(endEditModes) \
  E(showObjectInfo) E(clearInfoPanel) E(renderFrame) E(setViewCurrentGeo) E(setViewCurrentJel) \
  E(currentGeoRecord) E(currentJelRecord) E(pickPending) E(clearPendingPicks) E(showSelectionHighlight) \
  E(notifyViewOwner) E(detachManipulator) E(setTimeBarRange) E(timeBarRange) E(sceneName) E(setSceneName) \
  E(setTitle) E(showVehiclePanel) E(vehiclePanelVisible) E(refreshVehiclePanel) E(showLogicPanel) \
  E(showFilesList) E(showSaveDialog) \
  E(hideExportDialog) E(notesText) E(setSceneNotes) E(refreshGeoSelection) E(refreshJelSelection) \
  E(showWarning) E(viewGlueDisplay) E(setViewGlueDisplay) E(viewNodePairsShown) E(manipulatorCanMove) \
  E(placeManipulatorAtGeo) E(recentreManipulator) E(releaseMoveToolButtons) E(setAnimInitButton) \
  E(vehicleWheelsOneSide) E(vehicleExtraGroup) E(checkNewName) E(setGeoNodeTransform) E(updateGeoMeshBy) \
  E(recomputeGeoMesh) E(setGeoCastShadows) E(setGeoSubEntityMaterial) E(setJelMaterial) E(evaluateShadowNeed) \
  E(markViewReEvaluation) E(updateRenderSceneBounds) E(setRenderSky) E(setupShadowTextures) \
  E(updateShadowSettings) E(syncRenderCamera) E(renderTargetExists) E(createRenderLight) \
  E(recreateRenderLights) E(resetRenderLights) E(computeShadowExtents) E(setLightsCastShadows) \
  E(renderWideLightFrame) E(updateCameraModeButton) E(exitProgram) E(showHelpPage) E(showNotesWindow) \
  E(clearNotes) E(showCreateDialog) E(showExportDialog) E(saveViewImage) E(createRtt) E(resetViewCamera) \
  E(endLightEdit) E(releaseCameraButtons) E(endLogicTextEdit) E(refreshLogicWindow) E(redrawLogicValues) \
  E(jelFromGeoDialogGeo) E(vehicleCamFromView)

std::vector<SceneServiceEntry> GVSceneServiceEntries(const SceneServices& s) {
#define GV_ENTRY(name) SceneServiceEntry{#name, reinterpret_cast<SceneServiceFn>(s.name)},
  return {GV_SCENE_SERVICE_ENTRIES(GV_ENTRY)};
#undef GV_ENTRY
}

#define GV_COUNT(name) +1
static_assert(sizeof(SceneServices) == (0 GV_SCENE_SERVICE_ENTRIES(GV_COUNT)) * sizeof(SceneServiceFn),
              "every SceneServices entry is listed in GV_SCENE_SERVICE_ENTRIES");
#undef GV_COUNT

void GVSceneMessage(const char* text) {
  if (!text) return;
  if (gServices.showMessage)
    gServices.showMessage(text);
  else
    std::fprintf(stderr, "%s\n", text);
}
