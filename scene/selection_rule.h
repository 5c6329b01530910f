// The selection-change rule the property editors' callbacks share: an editor
// reports that the user chose, stepped or refreshed the object it shows, and
// the application makes that object current, refreshes the selection or the
// panels, then redraws what the editor's callback names.
#pragma once

#include <cstdint>
#include <limits>

// What the editor shows.
enum : int32_t { kSelectGeo = 0, kSelectJel = 1 };

// What is redrawn after the change (besides the view).
enum : uint32_t {
  kSelectLogicLines = 1,   // the logic window's lines
  kSelectTimeBar = 2,      // the time bar
  kSelectRenderFrame = 4,  // a frame is rendered instead of the view redrawn
  kSelectResetIfNone = 8,  // code 3 without an id resets the selection display
};

// Panel ids of code 0 taken from the application's current Geo or Jel.
constexpr int32_t kSelectCurrentId = std::numeric_limits<int32_t>::min();

struct GVSelectionChange {
  int32_t kind = kSelectJel;
  // -1 or 1: make the object current and reset the move tool; 2: make it
  // current only; 3: refresh the selection of the object (when the id is not
  // 0), then reset the move tool; 0: refresh every panel. Other codes only
  // redraw.
  int32_t code = 0;
  int32_t id = 0;  // the object (or group selection) the editor shows
  // The ids every panel is refreshed with for code 0.
  int32_t panelGeo = kSelectCurrentId;
  int32_t panelJel = kSelectCurrentId;
  uint32_t redraw = 0;
};

// Applies the rule; for codes -1, 1 and 2 the object's information is shown
// last.
void GVApplySelectionChange(const GVSelectionChange& change);

// The editors' callbacks do nothing without the main window (their user
// word) or without its 3-D view.
bool GVEditorCallbackReady(const void* mainWindow);
