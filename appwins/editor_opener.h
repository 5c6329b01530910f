// The dialog opener: every property editor and the two side panels are
// reached by one editor code through GVEditorFrameCB, the owner callback of
// the editor selector bar. The editors live in a folder linked after this
// one, so each code has a table entry (make, show, hide, refresh, free) that
// the editors' folder installs at start-up; a code without an entry does
// nothing. Also the two selection refreshes the application commands use.
#pragma once

#include <cstdint>

class GVAppMainWin;
class HwDialogWindow;

// Editor codes (the argument of GVEditorFrameCB).
enum GVEditorCode : int {
  kEditorInitialState = 1,
  kEditorMatter = 2,
  kEditorStructure = 3,
  kEditorJelPart = 4,
  kEditorJelGroup = 5,
  kEditorGlue = 6,
  kEditorGeoProperties = 7,
  kEditorGeoPart = 8,
  kEditorGeoGroup = 9,
  kEditorKeyFrame = 10,
  kEditorRender = 11,
  kEditorWalls = 12,
  kEditorLogicPanel = 13,    // the logic control window, toggled in place
  kEditorVehiclePanel = 14,  // the vehicle controls, toggled in place
  kEditorAttachment = 15,
  kEditorSceneSettings = 16,
  kEditorLights = 17,
  kEditorExport = 18,   // the File menu's export dialog; no bar button sends it
  kEditorCodeEnd = 19,  // one past the last code
};

// What an editor is made with: the main window, the x every editor opens at,
// and the Geo and Jel it starts with (the current ones, or the defaults).
struct GVEditorArgs {
  GVAppMainWin* main = nullptr;
  int x = 0;
  int32_t geoId = 0;
  int32_t jelId = 0;
};

// One code's entry. make creates the editor, which shows itself; null when it
// could not be made (the next call tries again). show, hide and free may be
// left empty: the dialog is then shown with ShowWindow, hidden with
// HwDialogWindow::hide (refused while locked) and deleted. refresh is the
// editor's step of GVAppMainWin::updatePanels (empty: none).
struct GVEditorEntry {
  HwDialogWindow* (*make)(const GVEditorArgs& args) = nullptr;
  void (*show)(HwDialogWindow* editor) = nullptr;
  void (*hide)(HwDialogWindow* editor) = nullptr;
  void (*refresh)(HwDialogWindow* editor, int32_t geoId, int32_t jelId) = nullptr;
  void (*free)(HwDialogWindow* editor) = nullptr;
};

// What every editor shares: an HwDialogTemp made with no parent window, its
// title, the opener's x, its own y, width and height, this frame style, the
// help callback GVShowHelpPage and a help topic "dlg_" plus a short word.
constexpr int kEditorFrameStyle = 5;
// Gives the dialog its help topic (a copy; the dialog frees it).
void GVSetEditorHelpTopic(HwDialogWindow* editor, const char* topic);

// One owner per code: the entry is taken only when the code is an editor code
// (1..18, not 13 or 14) with no entry, or with an entry of the same owner.
// 1 taken; 0 refused, with a message naming both owners.
int GVInstallEditorEntry(int code, const GVEditorEntry& entry, const char* owner);
// The code's entry removed (its owner's shutdown, tests).
void GVRemoveEditorEntry(int code);
// The code's entry, null when none is installed; its owner, null likewise.
const GVEditorEntry* GVEditorEntryOf(int code);
const char* GVEditorEntryOwner(int code);

// The selector bar's owner: opens the editor of the code (GVOpenEditor);
// codes 13 and 14 toggle the side panels; code 8 and codes outside 1..17 do
// nothing. Always 0.
int GVEditorFrameCB(int code, void* mainWindow);
// An editor with an entry made on first use (it shows itself), then hidden
// when visible and shown when hidden.
void GVOpenEditor(int code, GVAppMainWin* mainWindow);
// The export dialog made on first use with the Geo (else the current one),
// otherwise refreshed with it, then shown; hidden when it exists.
void GVShowExportDialog(GVAppMainWin* mainWindow, int32_t geoId);
void GVHideExportDialog(GVAppMainWin* mainWindow);
// The x every editor opens at: half the work-area width (toward zero) + 180.
int GVEditorOpenX();

// Selection refresh after an application command changed or made an object
// (view: refresh the 3-D view's current object too). Negative ids are
// selections: -1 every Geo (Jels: group 1), -2 .. -31 a group.
void GVRefreshGeoSelection(int32_t id, int useView);
void GVRefreshJelSelection(int32_t id, int useView);
