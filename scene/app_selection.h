// The objects the application's commands act on, apart from the 3-D view's
// own current-object records: the current Geo and Jel of the menu commands
// and creation dialogs, and the objects the export dialog chose. Ids are
// object selections (an id >= 1, or a group -1 .. -31); 0 means none.
#pragma once

#include <cstdint>

struct AppSelection {
  int32_t geoId = 0;
  int32_t jelId = 0;
};

// The current Geo and Jel of the menu commands; an open picks them anew.
AppSelection& GVAppSelection();
// What the export writes: set by the export dialog's callback, seeded by the
// File menu's Export item, cleared by the dialog's reset.
AppSelection& GVExportSelection();

// The view's selection display after the objects under it changed (an open,
// a merge, a deletion): the view's current Jel is cleared, the Geo and Jel
// highlights are reset, the view's owner is told (1, 2, current Jel id, 0) and
// the information panel is cleared when nothing is current. Skipped while the
// view holds a pending pick; the view's current Geo is the caller's to clear.
void GVResetSelectionDisplay();

// The view's current Geo cleared (its record only, no report).
void GVClearViewCurrentGeo();
// Every Jel's marked-part mask (four words) cleared.
void GVClearMarkedParts();
