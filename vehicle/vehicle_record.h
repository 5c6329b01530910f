// The scene's vehicle: one record naming the Jels it is made of (chassis,
// body, suspension) and holding its part records (rotator parts and
// motor-wheel parts), reached through a handle cell. The holder operations
// create and free it; the queries tell the scene, the editors and the vehicle
// panel which Jels and groups belong to it.
#pragma once

#include <cstdint>

#include "records/obj_handle.h"
#include "vehicle/vehicle_part.h"

struct HWorld;

constexpr int kVehicleJelIds = 15;
// Places of the four wheels (FL, FR, BL, BR) in the vehicle's Jel-id list.
constexpr int kVehicleWheelSlots[4] = {8, 10, 12, 14};
constexpr int kVehicleGroups = 8;

struct VehicleRec {
  ObjHandle* handle = nullptr;  // the cell that holds the record
  HWorld* world = nullptr;      // the world whose list holds the vehicle's Jels
  int32_t groupChassis = 0;     // group of the whole vehicle
  int32_t groupAll = 0;         // second group selector (the wheels' common group)
  int32_t number = 0;           // vehicle number in the Jel names
  float scale = 0.0f;
  int32_t type = 0;             // driving type: 2 the 2x2 vehicle, 3 one box Jel
  int32_t reserved7 = 0;
  int32_t reserved8 = 0;
  int32_t groupExtra = 0;       // third group selector
  int32_t reserved10 = 0;
  int32_t reserved11 = 0;
  float speedUp = 0.0f;
  float wheelOffset = 0.0f;     // lateral shift of the axle points, in wheel cells
  float hubWidth = 0.0f;        // narrowing of the axle points (used within 0.1 .. 1)
  float frontSpin = 0.0f;
  float rearSpin = 0.0f;
  float subStepFactor = 1.0f;
  int32_t chassisJel = 0;
  int32_t bodyJel = 0;
  int32_t suspensionJel = 0;
  VhclPartRec** rotorL = nullptr;
  VhclPartRec** rotorR = nullptr;
  VhclPartRec** wheelFL = nullptr;
  VhclPartRec** wheelFR = nullptr;
  VhclPartRec** wheelBL = nullptr;
  VhclPartRec** wheelBR = nullptr;
  VhclPartRec** rotorL2 = nullptr;
  VhclPartRec** rotorR2 = nullptr;
  VhclPartRec** wheel2FL = nullptr;
  VhclPartRec** wheel2FR = nullptr;
  VhclPartRec** wheel2BL = nullptr;
  VhclPartRec** wheel2BR = nullptr;
  int32_t chassisPart = 0;
  int32_t rigidWheels = 0;
  int32_t driveAxles = 0;       // 0 none, 1 front, 2 rear, 3 both
  int32_t brakeAxles = 0;
  float speedLimit = 50.0f;
  float steerRate = 1.0f;
  float heading = 0.0f;         // steering angle in degrees
  float driveGain = 0.0f;
  float driveScale = 1.0f;
  float limitGain = 0.0f;
  float limitScale = 1.0f;
  float defaultForceA = 0.0f;
  float defaultForceB = 0.0f;
  float frontGrip = 0.0f;
  float rearGrip = 0.0f;
  float speed = 0.0f;
  float fRatioFactor = 1.0f;
  float scTFactor = 1.0f;
  float reserved51[3] = {};
  int32_t suspBodyPart = 0;
  int32_t suspPart = 0;
  int32_t auxCount = 0;
  float* aux = nullptr;         // auxCount floats owned by the record
  int32_t headingNode = 0;
  float steerRatio = 0.0f;
};

// The record held by a cell, or null.
VehicleRec* GVVehicleOf(const ObjHandle* cell);

// ---- holder ----

// Defaults of a new record (groupAll is left as it stands).
void GVVehicleInit(VehicleRec* v);
// A new cell holding a new record; null when the cell cannot be made (the
// cell holds null when only the record could not be).
ObjHandle* GVNewVehicle();
void GVInitVehicleHandle(ObjHandle* cell);
// Frees the record (with everything it owns) and the cell.
void GVDeleteVehicleHandle(ObjHandle* cell);
// The same for the scene's vehicle cell (GVScene().vehicle); the scene's
// pointer to the freed cell is left to the caller to clear.
void GVDeleteSceneVehicle();
// Deletes the vehicle's Jels from its world and frees its parts and auxiliary
// array; the record stays, emptied.
void GVVehicleFreeParts(VehicleRec* v);
void GVVehicleSetWorld(VehicleRec* v, HWorld* world);
// Stores the link value in the vehicle-link word of the chassis, the body and
// both Jels of every first-set part.
void GVVehicleMarkPartJels(VehicleRec* v, int32_t link);

// ---- part holders ----

VhclPartRec** GVNewVhclRotPart(HWorld* world, int32_t idA, int32_t idB, const char* nameA, const char* nameB,
                               float scale, int32_t groupSel);
VhclPartRec** GVNewVhclWheelPart(HWorld* world, int32_t motorId, int32_t wheelId, const char* motorName,
                                 const char* wheelName, float scale, int32_t groupSel, int32_t groupAll,
                                 int32_t flags);
// Null when the part could not be read.
VhclPartRec** GVNewVhclRotPartFromFile(FILE* file, HWorld* world);
VhclPartRec** GVNewVhclWheelPartFromFile(FILE* file, HWorld* world);
VhclPartRec** GVNewVhclRotPartFromImage(ItemStream* image, HWorld* world);
VhclPartRec** GVNewVhclWheelPartFromImage(ItemStream* image, HWorld* world);
// Deletes the part's Jels by its group selection, then frees its tables, the
// record and the cell.
void GVDeleteVhclPart(VhclPartRec** cell);

// ---- queries and edits (0 or nothing without record or world) ----

// chassis, body, suspension, rotorL A, B, rotorR A, B, then motor and wheel of
// FL, FR, BL, BR; 0 for what is absent.
void GVVehicleJelIds(const VehicleRec* v, int32_t out[kVehicleJelIds]);
// groupChassis, the groups of rotorL, rotorR, FL, FR, BL, BR, groupAll.
void GVVehicleGroups(const VehicleRec* v, int32_t out[kVehicleGroups]);
void GVVehicleShiftJelIds(VehicleRec* v, int32_t offset);
void GVVehicleReplaceJelId(VehicleRec* v, int32_t oldId, int32_t newId);
// Table: count old ids at 1 .. count.
void GVVehicleRemapJelIds(VehicleRec* v, int32_t count, const int32_t* table);
int32_t GVVehicleHasJel(const VehicleRec* v, int32_t id, int32_t testGroups);
// Clears the ids of Jels gone from the world and drops first-set parts left
// without Jels.
void GVVehicleValidate(VehicleRec* v);
int32_t GVVehicleIsEmpty(VehicleRec* v);
int32_t GVVehicleGroupHasJel(VehicleRec* v, int32_t id);
int32_t GVVehicleHasWheelType18(const VehicleRec* v);
int32_t GVVehicleHasWheelType36(const VehicleRec* v);
int32_t GVVehicleWheelsOneSide(VehicleRec* v);
// Mode 1 turns 16-segment wheels into 8-segment ones, mode 2 the reverse;
// returns the mode when it acted, else 0.
int32_t GVVehicleSetWheelKind(VehicleRec* v, int32_t mode);
int32_t GVVehicleCheckBodyJels(const VehicleRec* v, int32_t* status1, int32_t* status2);
int32_t GVVehicleSuspensionKind(const VehicleRec* v);
float GVVehicleSteerRatio(VehicleRec* v);
