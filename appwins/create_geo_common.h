// What the Create Geo dialogs share: their place on the screen, the buttons
// on the Dismiss row, the number fields, and the name rules of Create and
// ReCreate.
#pragma once

#include <cstdint>

#include "toolkit/dialog_window.h"
#include "toolkit/edit_control.h"

class HwBaseControl;
struct ObjHandle;

// x of a new create dialog: half the work area's width + 180.
int GVCreateDialogX();
// A 50 x 25 text button on the Dismiss row at x; its user value is the dialog.
HwBMButton* GVMakeRowButton(HwDialogTemp* dialog, const char* label, int x, HwButtonCB callback);
// The button moved to x on the Dismiss row where the dialog's form put it.
void GVPlaceOnButtonRow(HwDialogTemp* dialog, HwBMButton* button, int x);
// A labelled number field with step arrows, width x 30.
HwBaseControl* GVMakeNumberField(HWND parent, int x, int y, int width, int labelWidth, const char* label, bool isFloat,
                                 float value, HwEditIntCB intCB, HwEditFloatCB floatCB, void* user);
void GVShowFieldInt(HwBaseControl* field, int value);
// A typed name cut to the dialogs' name buffer (kGeoNameSize bytes).
void GVCopyGeoName(char* out, const char* typed);
// A name typed but not committed with Enter counts when a button is pressed:
// it is checked into `name` (emptied when unusable). True when it differed.
bool GVTakeTypedGeoName(HwEditControl* edit, char* name);
// The name rules of Create (recreate false) and ReCreate, the refusals shown
// in the message box: -1 refused; else the id of the Geo of that name (0 for
// Create). `cleaned` (kGeoNameSize bytes) receives the cleaned name.
int32_t GVCheckCreateName(ObjHandle* list, const char* name, bool recreate, char* cleaned);
// A built Geo listed in place of the old one (replaceId, 0 for none); a
// refused ReCreate (no cell) says so and keeps the old Geo. The new id, or 0.
int32_t GVFinishCreate(ObjHandle* list, ObjHandle* cell, int32_t replaceId, bool recreate);
