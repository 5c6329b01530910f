// The Create menu's object commands: copies of the current Geo or Jel (the
// Geo also mirrored in z), a Geo made from the current Jel's surface, and the
// deletions of the current Geo (or its group), the current Jel, and the
// vehicle's Geos or Jels. Each takes the main window and does nothing without
// one; the view, panels and editors are reached through the scene services.
#pragma once

#include <cstdint>

// Status-line texts of refused copies.
constexpr const char* kCopyGeoBadNameMessage = "Warning: Copy GEO: Bad name! ... GEO NOT copied!";
constexpr const char* kCopyJelBadNameMessage = "Warning: Copy JEL: Bad name! ... JEL NOT copied!";
constexpr const char* kCopyVehicleJelMessage = "Warning: Cannot copy jel belonging to physical component";

// Mode 0 copies the current Geo under its name made unique; mode 1 makes the
// mirrored copy "%s_INV" (z negated, winding reversed). The new Geo becomes
// current.
void GVCopyGeoCmd(void* mainWindow, int32_t mode);
// A Geo covering the current Jel's surface, named "G" and the Jel's name;
// refused with a message when a Geo is bound to the Jel or that name exists.
void CreateGeoFromJelCB(void* mainWindow);
// Copies the current Jel (not one of the vehicle's parts) under a unique name.
void GVCopyJelCmd(void* mainWindow);
// Deletes every Geo the view's current Geo id selects (an id, -1 every Geo,
// a group), clearing their ids from the Geo-id blocks.
void GVDeleteGeoCmd(void* mainWindow);
// Deletes the view's current Jel; Geos bound to it let go of it first.
void GVDeleteJelCmd(void* mainWindow);
void GVDeleteVehicleGeosCmd(void* mainWindow);
// Deletes the four wheel Geos and the vehicle's Jels, then the emptied vehicle.
void GVDeleteVehicleJelsCmd(void* mainWindow);
