// Attachments of Geos to other Geos and to Jels: the attachment record's
// operations and stored forms, the checks run before attachments are applied,
// applying them (each Geo's placement relative to its anchors is stored in its
// birth slot and record) and the per-frame placement of attached Geos in their
// frame slots.
//
// A record holds nine integer words and fifteen floats (GeoAttach in
// geo/geo_object.h); scene files and item-stream images store the nine ints in
// order, then the fifteen floats.
#pragma once

#include <cstdint>
#include <cstdio>

#include "geo/geo_object.h"

struct GeoList;
struct HWorld;
struct ItemStream;
class HObject;

enum : int32_t {
  GEO_ATTACH_NONE = 0,
  GEO_ATTACH_JEL0 = 1,           // "Jel0"
  GEO_ATTACH_JEL0_TO_JELZ = 2,   // "Jel0_to_JelZ"
  GEO_ATTACH_GEO0_TO_JELZ = 3,   // "Geo0_to_JelZ"
  GEO_ATTACH_JEL0_TO_GEOZ = 4,   // "Jel0_to_GeoZ"
  GEO_ATTACH_GEO0_TO_GEOZ = 5,   // "Geo0_to_GeoZ"
  GEO_ATTACH_GEO0 = 6,           // "Geo0"
  GEO_ATTACH_STEERING = 7,       // "Steering Wheel"
  GEO_ATTACH_DRIVE_FRONT = 8,    // "Motor_Drive Front"
  GEO_ATTACH_DRIVE_BACK = 9,     // "Motor_Drive Back"
};

// Words of a record in its stored forms.
constexpr int kGeoAttachInts = 9;
constexpr int kGeoAttachFloats = 15;
constexpr int kGeoAttachFileBytes = 4 * (kGeoAttachInts + kGeoAttachFloats);

// The method list's label of a type ("" outside 1..9).
const char* GVAttachTypeLabel(int32_t type);

void GVAttachCopy(GeoAttach* dst, const GeoAttach* src);  // nothing when either is null
void GVAttachClear(GeoAttach* a);
// Clears the whole record when its start or end Jel is jelId (a Jel released).
void GVAttachClearIfRefers(GeoAttach* a, int32_t jelId);
// Sets the type and the words that type uses; other words keep their values.
void GVAttachSet(GeoAttach* a, int32_t type, int32_t startJel, int32_t endJel, int32_t geo0, int32_t geoZ,
                 int32_t startPart, int32_t endPart);
// 1 when the record names every anchor its type needs (type 0 counts as
// complete), else 0.
int GVAttachIsComplete(const GeoAttach* a);
// An id table of a renumbering: count and the old ids in ids[1..count]. The
// new id of an old one is its position there, 0 when absent (or for id 0).
int32_t GVIdTablePosition(int32_t id, int32_t count, const int32_t* ids);
// Renumbering before a save or merge: each non-zero Geo id (words 1, 2) or Jel
// id (words 3, 4) becomes its position in the table. Records of type 0 are
// left alone.
void GVAttachRemapWord1(GeoAttach* a, int32_t count, const int32_t* ids);
void GVAttachRemapWord3(GeoAttach* a, int32_t count, const int32_t* ids);

// Stored forms. Readers return 1, or 0 when the file or a stream ends first
// (the record is then left as it was); writers return 1, or 0 when the file
// refused the bytes or the stream arrays lack room. GVCountAttachImage adds
// what GVPutAttachImage puts to the counts of a counting pass.
int GVReadAttach(FILE* file, GeoAttach* a);
int GVWriteAttach(FILE* file, const GeoAttach* a);
int GVAttachGetFromStream(ItemStream* image, GeoAttach* a);
void GVCountAttachImage(ItemStream* image);
int GVPutAttachImage(ItemStream* image, const GeoAttach* a);

// -1 without an active record; otherwise 1 when GEO_0 is among the Geos that
// follow this Geo in its list, else 2 when GEO_Z is, else 0.
int GVCheckAttachmentOrder(const GObject* geo);
// For the Geo-anchored types (3..6): the id of the first of the Geo, its
// GEO_0 and its GEO_Z whose start scale is not unit (|s - 1| > 0.0001 in some
// component), else 0.
int32_t GVFindNonUnitScaleAttachGeo(const GeoList* list, const GObject* geo);

// Node frame (position, orientation) of the first node of a part of the Jel at
// its current frame, keyed by its state mode; the position moved on by the
// node's velocity times timeStep when timeStep is above 0.00001. Returns the
// node-frame result; 0 without writing the outputs for a missing Jel or a part
// outside 1..31.
int32_t GVAttachNodeFrame(HObject* jel, int32_t part, float pos[3], float mat[9], float timeStep);

// Applies every active attachment of the list, in list order. -1 without a
// list or world, else 0.
int GVApplyGeoAttachments(GeoList* list, HWorld* world);
// Stores the Geo's placement relative to its anchors. Returns
// GVFindNonUnitScaleAttachGeo's result (the attachment is applied anyway), -1
// for a missing Geo or record.
int32_t GVApplyGeoAttachment(GeoList* list, HWorld* world, GObject* geo);
// Per-frame placement of every attached Geo into its frame slot (and the drive
// angle of the motor drives). The vertices are not moved: the frame driver
// applies the slot. jelSel picks the Jels whose node frames are carried on by
// timeStep. Always 0.
int GVUpdateGeoAttachments(GeoList* list, HWorld* world, float steeringAngle, float frontDriveStep,
                           float backDriveStep, int32_t jelSel, float timeStep);
