// What the scene code needs of the 3-D view, the widget toolkit, the
// application windows and the subsystems built on top of the scene (vehicle,
// logic): one table of functions, filled by whoever starts those subsystems.
// An empty entry means that part is not there, and its step is skipped, as a
// missing view, camera, main window or panel is skipped. The scene code
// never includes a window, view or renderer header.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

class HObject;
struct CameraRec;
struct ItemStream;
struct ObjHandle;
struct GObject;
struct HWorld;
struct LightRec;

constexpr int kSceneVehicleJelIds = 15;
constexpr int kSceneVehicleGroups = 8;

// Each entry has one owner: the installer that sets it is the only one that
// changes it, and only that installer's remover clears it. Every entry is
// listed by name in scene/scene_service_entries.cpp.
struct SceneServices {
  // Message box: warnings and errors; a question answered Yes (1) or No (0).
  void (*showMessage)(const char* text) = nullptr;
  int32_t (*askYesNo)(const char* text) = nullptr;

  // What exists, asked rather than inferred from other entries (an entry that
  // is set says nothing of whether its window or renderer is there): the main
  // window, its 3-D view, and the render system started (the real result of
  // its start-up, 0 when it failed or has been shut down).
  int32_t (*mainWindowExists)() = nullptr;
  int32_t (*viewExists)() = nullptr;
  int32_t (*renderStarted)() = nullptr;

  // 3-D view. viewCamera is null, or answers null, without a view camera.
  CameraRec* (*viewCamera)() = nullptr;
  CameraRec* (*viewStartCamera)() = nullptr;
  // The view's current-selection record: its first word (0 = no Jel is
  // current), its second word into *second when given; 0 without a record.
  int32_t (*viewSelection)(int32_t* second) = nullptr;
  void (*viewResetFrame0)() = nullptr;
  // The view's client size; 0 when it reports none.
  int32_t (*viewSize)(int32_t* width, int32_t* height) = nullptr;
  void (*setViewProjection)() = nullptr;
  void (*redrawView)() = nullptr;
  void (*updateRenderObjects)() = nullptr;
  // Rewrites a Geo's render vertices from its current vertices.
  void (*updateGeoMesh)(GObject* geo) = nullptr;
  void (*setCurrentGeo)(int32_t id) = nullptr;
  void (*setCurrentJel)() = nullptr;
  void (*selectJel)(int32_t first, int32_t second) = nullptr;
  // Brings the view's light of that index up to date with its record in the
  // scene's light list; the flag bits say what: 0x40, 0x80 and 0x100 its
  // visibility and position.
  void (*updateRenderLight)(int32_t flags, int32_t index) = nullptr;

  // Main window and its panels: set only while the main window exists.
  void (*updateFramePanels)(int32_t frame, int32_t subStepIndex, int32_t subSteps) = nullptr;
  // Moves the time bar's marker to the frame while the bar is visible.
  void (*moveTimeBar)(int32_t frame) = nullptr;
  void (*syncAnimModeButton)(int32_t worldMode) = nullptr;
  void (*redrawVehicleReadout)() = nullptr;
  void (*showLogicLineValue)(int32_t program, int32_t row) = nullptr;


  // Vehicle: set only while a vehicle exists.
  void (*driveVehicle)(HWorld** world) = nullptr;
  // Sub-steps its Jels need, and its sub-step factor.
  int32_t (*vehicleSubsteps)(float* factor) = nullptr;
  // 1 when the vehicle is not empty and the camera followed it.
  int32_t (*vehicleCameraFollow)() = nullptr;
  // Steering angle, front spin, rear spin, speed-up and the body Jel id.
  void (*vehicleDriveInputs)(float* steering, float* frontSpin, float* rearSpin, float* speedUp,
                             int32_t* bodyJel) = nullptr;
  // Removes the vehicle with its Jels and wheel Geos (start-up and shutdown).
  void (*deleteVehicle)() = nullptr;

  // The vehicle in scene files: set while the vehicle subsystem is there,
  // with or without a vehicle. 1 when the vehicle (or no vehicle) is empty.
  int32_t (*vehicleIsEmpty)(ObjHandle* vehicle) = nullptr;
  void (*countVehicleItem)(ItemStream* stream, ObjHandle* vehicle) = nullptr;
  // 1 put, 0 when the arrays lack room.
  int32_t (*putVehicleItem)(ObjHandle* vehicle, ItemStream* stream) = nullptr;
  // A new vehicle (cell and record) read from the item at the cursors, its
  // parts made against the world's Jels; null when the item does not read
  // (the cursors are then as they were and nothing is left behind).
  ObjHandle* (*readVehicleItem)(ItemStream* stream, HWorld* world) = nullptr;
  // The same from the older tagged record at the file's position.
  ObjHandle* (*readVehicleTagged)(FILE* file, HWorld* world) = nullptr;
  // Frees a vehicle that was read but not taken into the scene, with its
  // Jels in its own world.
  void (*freeVehicle)(ObjHandle* vehicle) = nullptr;
  // Frees the scene's vehicle (its Jels go from its world) and puts the given
  // one, now of the given world, in its place with the driving entries above;
  // null leaves the scene without a vehicle and without those entries.
  void (*replaceVehicle)(ObjHandle* vehicle, HWorld* world) = nullptr;

  // The vehicle's Jel ids in object imports and renumbering: set while the
  // vehicle subsystem is there; each does nothing (or answers 0) for a null
  // or empty cell.
  // Chassis, body, suspension, the two Jels of each rotor, motor and wheel of
  // each wheel; 0 for what is absent.
  void (*vehicleJelIds)(ObjHandle* vehicle, int32_t out[kSceneVehicleJelIds]) = nullptr;
  // The chassis group, the groups of the six parts and the group of all its
  // Jels, as group selections (-1 .. -31) or 0.
  void (*vehicleGroups)(ObjHandle* vehicle, int32_t out[kSceneVehicleGroups]) = nullptr;
  // 1 when the Jel is one of the vehicle's (with testGroups, also when it is
  // in the vehicle's extra group).
  int32_t (*vehicleHasJel)(ObjHandle* vehicle, int32_t id, int32_t testGroups) = nullptr;
  void (*shiftVehicleJelIds)(ObjHandle* vehicle, int32_t offset) = nullptr;
  void (*replaceVehicleJelId)(ObjHandle* vehicle, int32_t oldId, int32_t newId) = nullptr;
  // Renumbering: each Jel id becomes its position in table[1..count].
  void (*remapVehicleJelIds)(ObjHandle* vehicle, int32_t count, const int32_t* table) = nullptr;
  // Clears the vehicle link of its Jels (a vehicle read but not taken).
  void (*unmarkVehicleJels)(ObjHandle* vehicle) = nullptr;

  // Logic: set only while the logic store exists.
  void (*runMainLogic)(HWorld** world) = nullptr;
  int32_t (*logicMinSubsteps)() = nullptr;
  int32_t (*logicLineExists)(int32_t program, int32_t line) = nullptr;

  // Render objects, named after their object ("%sGMESH", "%sHMESH", ...): set
  // only while the render system is started.
  void (*createGeoRenderObj)(int32_t id, int32_t mode, int32_t selector) = nullptr;
  void (*destroyGeoRenderObj)(GObject* geo) = nullptr;
  void (*createJelRenderObj)(int32_t id, int32_t mode) = nullptr;
  void (*destroyJelRenderObj)(HObject* jel) = nullptr;
  // Gives the Geo's sub-entity its own "%sGMAT" material.
  void (*assignGeoMaterial)(int32_t id) = nullptr;
  // (Re-)assigns the Geo's materials for the display mode.
  void (*setGeoMaterial)(int32_t id, int32_t mode) = nullptr;
  void (*setGeoUVMaterials)(int32_t geoMode, int32_t jelMode) = nullptr;
  // Puts a Geo bound to a Jel back to its reset shape and rewrites its render
  // buffers, skipped while its refresh mark (0x100000) is set; for the Geos
  // of a Jel selection (mark ignored); for every unmarked Geo while the
  // natural state is edited.
  void (*refreshGeoRenderMesh)(GObject* geo) = nullptr;
  void (*refreshJelGeoRenderMeshes)(int32_t selection) = nullptr;
  void (*refreshAllGeoRenderMeshes)() = nullptr;
  // The whole scene mirrored after a file is opened; what an import appended
  // (from these Geo and Jel ids to the ends of the lists); the scene-wide
  // render extras cleared before a scene is opened or reset.
  void (*buildRenderScene)(int32_t geoMode, int32_t jelMode) = nullptr;
  void (*rebuildRenderObjects)(int32_t firstGeo, int32_t firstJel, int32_t geoMode, int32_t jelMode) = nullptr;
  void (*resetRenderExtras)() = nullptr;

  // The 3-D view's status line and its tool state.
  void (*showStatusLine)(const char* text) = nullptr;
  // 1 while an interactive tool holds the view (its busy indicator).
  int32_t (*viewToolActive)() = nullptr;
  // The view's busy word.
  int32_t (*viewBusy)() = nullptr;
  // Selects the 1-based item of the main window's "Geo Dply" (list 0) or
  // "Jel Dply" (list 1) drop-down.
  void (*selectDisplayItem)(int32_t list, int32_t item) = nullptr;
  // The beep of a refused user action (MB_ICONHAND).
  void (*beep)() = nullptr;
  // The toolkit's name cleaner for renames: cleans in place; 1 already clean,
  // 0 changed, -1 unusable.
  int32_t (*checkRenameName)(char* name) = nullptr;

  // ---- The main window and its 3-D view as the file handlers, the menu
  // commands and the editor callbacks use them: set while the main window
  // exists (GVInstallMainWindowServices). ----
  // Refreshes every open panel for these objects (0 = none).
  void (*updatePanels)(int32_t geoId, int32_t jelId) = nullptr;
  void (*redrawLogicLines)() = nullptr;
  void (*redrawTimeBar)() = nullptr;
  void (*resetMoveTool)() = nullptr;
  // Ends the editors' interactive modes.
  void (*endEditModes)() = nullptr;
  // The view's current object described in, or cleared from, its information panel.
  void (*showObjectInfo)() = nullptr;
  void (*clearInfoPanel)() = nullptr;
  // Renders one frame of the view (nothing while the main window is minimised).
  void (*renderFrame)() = nullptr;
  // The view's current object, with its highlights, marked parts and owner
  // report: a Geo id (clears the current Jel when non-zero); a Jel id (an id
  // of 0 is ignored while a pick is pending).
  void (*setViewCurrentGeo)(int32_t id) = nullptr;
  void (*setViewCurrentJel)(int32_t id) = nullptr;
  // The view's current-Geo record {id, word, picked vertex} and current-Jel
  // record {id, part, picked node}; null without a view.
  int32_t* (*currentGeoRecord)() = nullptr;
  int32_t* (*currentJelRecord)() = nullptr;
  // 1 while the view's part pick holds the selection.
  int32_t (*pickPending)() = nullptr;
  // Zeroes the view's pending picks and its drag word.
  void (*clearPendingPicks)() = nullptr;
  // The Geo and Jel highlights redrawn for the current records.
  void (*showSelectionHighlight)() = nullptr;
  // Tells the view's owner callback (a, code, p1, p2) with its user word.
  void (*notifyViewOwner)(int32_t a, int32_t code, int32_t p1, int32_t p2) = nullptr;
  // The view manipulator switched off and detached.
  void (*detachManipulator)() = nullptr;
  // The time bar's first and last frame (also shown in its edit control, and
  // the bar redrawn); the getter answers 0 without a time bar.
  void (*setTimeBarRange)(int32_t first, int32_t last) = nullptr;
  int32_t (*timeBarRange)(int32_t* first, int32_t* last) = nullptr;
  // The scene name kept by the main window, and the title rebuilt from it
  // (setSceneName); setTitle shows a text without storing it.
  const char* (*sceneName)() = nullptr;
  void (*setSceneName)(const char* name) = nullptr;
  void (*setTitle)(const char* text) = nullptr;
  // Side panels: the vehicle panel (shown, hidden; visible; re-pointed at the
  // scene's vehicle and refreshed), the logic panel hidden.
  void (*showVehiclePanel)(int32_t show) = nullptr;
  int32_t (*vehiclePanelVisible)() = nullptr;
  void (*refreshVehiclePanel)() = nullptr;
  void (*showLogicPanel)(int32_t show) = nullptr;
  // The files list and the save-name dialog, made on first use and kept by
  // the main window, shown with the mode (and the proposed name); the export
  // dialog hidden when it exists.
  void (*showFilesList)(int32_t mode) = nullptr;
  void (*showSaveDialog)(int32_t mode, const char* name) = nullptr;
  void (*hideExportDialog)() = nullptr;
  // The scene notes window's text (a new heap copy, null for none) and its
  // new text.
  char* (*notesText)() = nullptr;
  void (*setSceneNotes)(const char* text) = nullptr;

  // ---- The property editors' callbacks: the selection refresh, the view's
  // warnings, glue display and manipulator, the tool buttons, and the
  // vehicle's answers about its Jels. ----
  // The selection refreshed from an id or group with its attached Jel or Geo.
  void (*refreshGeoSelection)(int32_t id) = nullptr;
  void (*refreshJelSelection)(int32_t id) = nullptr;
  // A fixed warning written into the view's info panel (its number names it).
  void (*showWarning)(int32_t code, int32_t geoId, int32_t jelId) = nullptr;
  // The view's glue display: show flag, first Jel, first Jel again, second
  // Jel (or part); and 1 while it draws node pairs.
  void (*viewGlueDisplay)(int32_t words[4]) = nullptr;
  void (*setViewGlueDisplay)(const int32_t words[4]) = nullptr;
  int32_t (*viewNodePairsShown)() = nullptr;
  // The transform manipulator: 1 when it may move (none active, or the move
  // tool allows it); placed at its Geo when active; re-centred.
  int32_t (*manipulatorCanMove)() = nullptr;
  void (*placeManipulatorAtGeo)() = nullptr;
  void (*recentreManipulator)() = nullptr;
  // The move tool's buttons released; the animation window's initial-state
  // button (set only while that window is open).
  void (*releaseMoveToolButtons)() = nullptr;
  void (*setAnimInitButton)(int32_t state) = nullptr;
  // Set while the vehicle subsystem is there: 1 when the vehicle has wheels
  // on one side only; its third group selector, made on first use and kept
  // (0 without a world).
  int32_t (*vehicleWheelsOneSide)(ObjHandle* vehicle) = nullptr;
  int32_t (*vehicleExtraGroup)(ObjHandle* vehicle) = nullptr;

  // ---- The Geo and scene editors' callbacks ----
  // The toolkit's name cleaner for new objects: cleans in place; 1 usable, 0 not.
  int32_t (*checkNewName)(char* name) = nullptr;
  // One Geo's render objects: the node transform by a drive mode or slot
  // selector; the vertex buffers rewritten by a selector (the world's
  // state-mode word); the mesh rebuilt; its cast-shadow setting and its
  // sub-entity material taken from the Geo.
  void (*setGeoNodeTransform)(GObject* geo, int32_t selector) = nullptr;
  void (*updateGeoMeshBy)(GObject* geo, int32_t selector) = nullptr;
  void (*recomputeGeoMesh)(GObject* geo) = nullptr;
  void (*setGeoCastShadows)(GObject* geo) = nullptr;
  void (*setGeoSubEntityMaterial)(GObject* geo) = nullptr;
  // A Jel's materials for the display mode.
  void (*setJelMaterial)(int32_t jelId, int32_t mode) = nullptr;
  // Whether the scene needs shadows, asked again after a Geo's changed.
  void (*evaluateShadowNeed)() = nullptr;
  // The view asked to evaluate the scene again at its frame.
  void (*markViewReEvaluation)() = nullptr;
  // The render scene's box (the walls) from the scene bounds.
  void (*updateRenderSceneBounds)(const float bounds[6]) = nullptr;
  // Scene-wide render settings from the display settings: the sky or
  // background image, the shadow textures for a shadow type, the shadow
  // values and counts; the render camera put where the view camera is; 1
  // when the render-to-texture target exists.
  void (*setRenderSky)() = nullptr;
  void (*setupShadowTextures)(int32_t type) = nullptr;
  void (*updateShadowSettings)() = nullptr;
  void (*syncRenderCamera)() = nullptr;
  int32_t (*renderTargetExists)() = nullptr;
  // Render lights: one made from the light record of that index; every light
  // made again from the light list; every light reset (after a light was
  // removed); a light's shadow clip distances computed into its record
  // (flags 0x400000 near, 0x800000 far); the cast-shadow settings; one frame
  // drawn with that light widened.
  void (*createRenderLight)(int32_t index, const LightRec* light) = nullptr;
  void (*recreateRenderLights)() = nullptr;
  void (*resetRenderLights)() = nullptr;
  void (*computeShadowExtents)(int32_t index, int32_t flags) = nullptr;
  void (*setLightsCastShadows)() = nullptr;
  void (*renderWideLightFrame)(int32_t index) = nullptr;
  // The camera dialog's mode button, when the dialog exists.
  void (*updateCameraModeButton)() = nullptr;

  // ---- The menu commands and the creation dialogs' callbacks: set while the
  // main window exists; an entry whose window, dialog or editor is not built
  // stays empty and its step is skipped. ----
  // Ends the program: the scene records freed, the main window destroyed,
  // exit status 2.
  void (*exitProgram)() = nullptr;
  // The help window at a page key.
  void (*showHelpPage)(const char* key) = nullptr;
  // The scene notes window shown (1) or hidden (0); emptied and hidden for a
  // new scene.
  void (*showNotesWindow)(int32_t show) = nullptr;
  void (*clearNotes)() = nullptr;
  // A creation dialog (kCreateDialog... of scene/menu_commands.h, with the
  // swept-shape mode) made on first use with the current ids and kept; later
  // uses show, toggle or reload it as that dialog does.
  void (*showCreateDialog)(int32_t dialog, int32_t mode, int32_t geoId, int32_t jelId) = nullptr;
  // The export dialog: made on first use, else refreshed for the export Geo
  // and shown when hidden.
  void (*showExportDialog)(int32_t exportGeoId) = nullptr;
  // The view rendered into an image file of the application folder (type 0
  // JPEG, 1 PNG): 1 written.
  int32_t (*saveViewImage)(const char* fileName, int32_t type) = nullptr;
  // The render-to-texture target (re)made with type 0 or 1.
  void (*createRtt)(int32_t type) = nullptr;
  // The view camera reset to look at the scene bounds.
  void (*resetViewCamera)() = nullptr;
  // The lights editor leaving its interactive mode.
  void (*endLightEdit)() = nullptr;
  // The camera dialog's mode buttons released.
  void (*releaseCameraButtons)() = nullptr;
  // The logic control window: a text edit ended; after its programs changed,
  // scroll bar updated, values cleared and lines redrawn when visible; values
  // redrawn when visible.
  void (*endLogicTextEdit)() = nullptr;
  void (*refreshLogicWindow)() = nullptr;
  void (*redrawLogicValues)() = nullptr;
  // The Geo the Jel-from-Geo dialog shows.
  int32_t (*jelFromGeoDialogGeo)() = nullptr;
  // The vehicle's chase camera taken from the view.
  void (*vehicleCamFromView)() = nullptr;
};

// The process-wide table; empty at start.
const SceneServices& GVSceneServices();
void GVSetSceneServices(const SceneServices& services);

// The existence entries asked; false while an entry is not installed.
bool GVMainWindowExists();
bool GVViewExists();
bool GVRenderStarted();

// Every entry of the table by name with its value as a plain function
// pointer (null while unset), in the table's order.
using SceneServiceFn = void (*)();
struct SceneServiceEntry {
  const char* name;
  SceneServiceFn value;
};
std::vector<SceneServiceEntry> GVSceneServiceEntries(const SceneServices& services);

// Shows a text through the message-box entry; written to the standard error stream when
// no message box is installed.
void GVSceneMessage(const char* text);
