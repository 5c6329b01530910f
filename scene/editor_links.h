// What the application's editor callbacks read of the property editors, and
// the editor actions they drive. Each editor fills its link when it is made
// and clears the pointer in GVEditorLinks() when it goes; a null link means
// the editor does not exist, and an unset action is skipped. The scene code
// includes no editor header: this record is all it knows of them.
#pragma once

#include <cstdint>

// An editor that shows one Jel (or a Jel group selection, -1 .. -31).
struct GVJelEditorLink {
  int32_t jelId = 0;
  int32_t visible = 0;
  // Leaves the editor's interactive mode (node editing, part picking).
  void (*endEditMode)(void* editor) = nullptr;
  // Shows the world's state mode after it was changed elsewhere (the initial
  // state editor's drop-down and values).
  void (*showStateMode)(void* editor, int32_t stateMode) = nullptr;
  void* editor = nullptr;
};

// The group editor in Jel mode: the Jel or group chosen in it, 0 for none.
struct GVJelGroupEditorLink {
  int32_t chosen = 0;
  int32_t visible = 0;
};

// The key-frame editor: its Geo, shown again after a change of the scene's
// state mode or of the Geo's deformation, and a Geo shown at a time.
struct GVKeyFrameEditorLink {
  int32_t geoId = 0;
  int32_t visible = 0;
  void (*reshowGeo)(void* editor) = nullptr;
  // The Geo made current and its transform shown at the time: source -1
  // evaluates the start slot, 0 the slot of its drive mode; fullRefresh 1
  // takes the source from the drive mode whatever was given.
  void (*showGeoAt)(void* editor, int32_t geoId, float time, int32_t source, int32_t fullRefresh) = nullptr;
  void* editor = nullptr;
};

struct GVEditorLinks {
  GVJelEditorLink* initialState = nullptr;  // initial-state editor
  GVJelEditorLink* matter = nullptr;        // matter editor
  GVJelEditorLink* structure = nullptr;     // structure editor (node editing)
  GVJelEditorLink* jelPart = nullptr;       // part editor, Jel mode (part picking)
  GVJelEditorLink* geoPart = nullptr;       // part editor, Geo mode (part picking)
  GVJelGroupEditorLink* jelGroup = nullptr; // group editor, Jel mode
  GVJelEditorLink* glue = nullptr;          // glue editor
  GVKeyFrameEditorLink* keyFrame = nullptr;
};

// The process-wide links; all null at start.
GVEditorLinks& GVEditors();

// Ends the interactive mode of an editor that has one; nothing for null.
void GVEndEditorMode(GVJelEditorLink* link);
// The state mode was changed outside the initial state editor: it follows.
void GVShowEditorStateMode(int32_t stateMode);
// A visible key-frame editor shows its Geo again.
void GVReshowKeyFrameEditor();
// The key-frame editor, visible or not, shows the Geo at the time.
void GVShowGeoInKeyFrameEditor(int32_t geoId, float time, int32_t source, int32_t fullRefresh);
