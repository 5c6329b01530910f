// A vehicle part: two Jels of the world tied together. A rotator part is a
// steering knuckle of two rotor cubes; a motor-wheel part is a motor cube
// carrying a wheel (an 8-segment wheel of 18 nodes or a 16-segment wheel of 36
// nodes). The record names its Jels by id; the Jels belong to the world.
//
// Building, the scene-file forms, the per-sub-step mechanics (steering a
// rotator, driving and shaping a wheel) and the small services the vehicle,
// its builder and its panel call.
#pragma once

#include <cstdint>
#include <cstdio>

class HAState;
class HObject;
struct HWorld;
struct ItemStream;
struct MatterProps;

struct VhclPartRec {
  VhclPartRec** handle = nullptr;  // the cell that holds this record
  HWorld* world = nullptr;
  int32_t groupSel = 0;            // selection of the part's Jels (id, -1 or group)
  int32_t jelA = 0;                // rotator A, or the motor; 0 = none
  int32_t jelB = 0;                // rotator B, or the wheel; 0 = none
  int32_t jelAKey = 0;             // ids as built
  int32_t* nodeTableA = nullptr;   // rotator: node count + 1 zeroed entries
  int32_t jelBKey = 0;
  int32_t* nodeTableB = nullptr;
  // Six part parameters, kept and stored unchanged: floats on a rotator part,
  // ints on a motor-wheel part (the raw words are the same either way).
  uint32_t params[6] = {};
};

// Building flags of a motor-wheel part.
enum : int32_t {
  kWheelEightSegments = 1,  // an 18-node wheel (else 36 nodes)
  kWheelHalfParts = 2,      // the wheel's halves go into parts 6 and 7, nodes 19 and 28 into part 5
};

// HObject flags of vehicle Jels.
enum : uint32_t { kJelVehicleMotor = 8, kJelVehicleWheel = 32 };

// What the driving update asks of one wheel for one sub-step.
struct WheelRequest {
  int32_t rigidWheels = 0;
  int32_t brake = 0;         // this axle brakes
  int32_t drive = 0;         // this axle drives
  float driveFactor = 0.0f;  // drive torque factor
  float limitFactor = 0.0f;  // torque limit factor
  int32_t gear = 0;          // 1 forward, -1 reverse, 0 neutral
  int32_t driveMode = 0;     // 2 drive, 1 brake
  float throttle = 0.0f;
  int32_t noCounterDrive = 0;
  float grip = 0.0f;         // written as the Friction of both Jels
  float result = 0.0f;       // written: the wheel's spin relative to its motor
  float hubWidth = 0.0f;
};

// The record a holder cell holds; null for a null cell.
inline VhclPartRec* GVVhclPartOf(VhclPartRec** cell) { return cell ? *cell : nullptr; }

// Part-record holders: a new zeroed record in a new cell, and the release of a
// record with its tables (not its Jels) and its cell.
VhclPartRec** GVNewVhclPartCell();
void GVFreeVhclPartCell(VhclPartRec** cell);

// ---- building ----

// Builds both rotor Jels (2 x 2 x 2 cubes of the given cell size) under the
// ids (0: the next free id), names and the group selection, and fills the
// record. A Jel that could not be made leaves its id at 0.
void GVCreateVhclRotPart(VhclPartRec* part, int32_t groupSel, HWorld* world, int32_t idA, int32_t idB,
                         const char* nameA, const char* nameB, float cell);
// Builds the motor and the wheel (kWheel* flags), rounds and turns the wheel
// and fills the record. The wheel also joins the second group groupAll.
void GVCreateVhclWheelPart(VhclPartRec* part, HWorld* world, int32_t motorId, int32_t wheelId, int32_t groupSel,
                           int32_t groupAll, float cell, int32_t flags, const char* motorName,
                           const char* wheelName);

// A new wheel Jel of the kind the flags ask (rounded and turned) in the world
// and the two groups, with flag 32; null when it could not be made.
HObject* GVBuildVehicleWheelJel(HWorld* world, int32_t id, float cell, int32_t flags, const char* name,
                                int32_t group, int32_t group2);

// ---- scene-file forms ----

// The tagged block: an 8-byte header and the fifteen words of the record.
// Result 1, or 0 for a short read or a missing file, part or world.
int32_t GVReadVhclRotPart(VhclPartRec* part, FILE* file, HWorld* world);
int32_t GVReadVhclWheelPart(FILE* file, VhclPartRec* part, HWorld* world);
// The item-stream image: rotator 9 ints and 6 floats, motor-wheel 15 ints.
// Readers take the part at the stream's cursors (1, or 0 when the image is
// short: nothing is read past its arrays and the record is left as it was;
// the two leading kind words are skipped); the counters add
// the image's sizes; the putters put it (0 when the arrays lack room).
int32_t GVReadVhclRotPartImage(VhclPartRec* part, HWorld* world, ItemStream* image);
int32_t GVReadVhclWheelPartImage(VhclPartRec* part, HWorld* world, ItemStream* image);
void GVCountVhclRotPart(ItemStream* image);
void GVCountVhclWheelPart(ItemStream* image);
int32_t GVPutVhclRotPart(const VhclPartRec* part, ItemStream* image);
int32_t GVPutVhclWheelPart(const VhclPartRec* part, ItemStream* image);

// ---- the part's Jels ----

// Clears jelA or jelB when its Jel is no longer in the world's list or has no
// handle.
void GVCheckVhclPartJels(VhclPartRec* part);
// GVCheckVhclPartJels, then 1 when both ids are 0.
int32_t GVVhclPartIsEmpty(VhclPartRec* part);
int32_t GVVhclPartHasJel(const VhclPartRec* part, int32_t id);
int32_t GVVhclPartIsWheel18(const VhclPartRec* part);
int32_t GVVhclPartIsWheel36(const VhclPartRec* part);
// Each non-zero id becomes its 1-based place in the table of old ids (0 when
// absent).
void GVVhclPartRemapIds(VhclPartRec* part, int32_t count, const int32_t* table);
// Deletes the part's Jels from its world by its group selection.
void GVDeleteVhclPartJels(VhclPartRec* part);

// ---- services ----

float GVVhclPartGetFy(VhclPartRec* part);
void GVVhclPartSetFy(VhclPartRec* part, float value);
void GVVhclPartSetScaleT(VhclPartRec* part, float value);
void GVVhclPartPlaceAt(VhclPartRec* part, const float point[3]);
void GVVhclPartSaveDisplacements(VhclPartRec* part);
void GVVhclPartSaveOffsets(VhclPartRec* part, const float centre[3]);
void GVVhclPartSaveDisplacementsP(VhclPartRec* part);
void GVVhclPartSaveOffsetsP(VhclPartRec* part, const float centre[3]);
void GVVhclPartAddRotation(VhclPartRec* part, const float omega[3]);
void GVVhclPartFollowFrame(VhclPartRec* part, const float refCentre[3]);
void GVVhclPartApplyOffset(VhclPartRec* part, float offset);
// Mode 1 rebuilds a 36-node wheel as an 18-node one, mode 2 the reverse; 1
// when the wheel was rebuilt.
int32_t GVVhclPartSetWheelKind(VhclPartRec* part, int32_t mode);

// ---- per-sub-step mechanics (between the force phase and the commit) ----

// Records part 1's shape of both Jels as they stand (the start of a run).
void GVVhclPartCaptureShapes(VhclPartRec* part);
// Turns the rotator's two cubes against each other by angle (radians) about y.
void GVSteerRotatorPart(VhclPartRec* part, float angle);
// Drives or brakes the wheel about its motor's axle, keeps it planar and on
// its hubs; writes request->result. lateralShift moves the axle points along
// the axle, in wheel cells.
void GVDriveWheelPart(VhclPartRec* part, WheelRequest* request, float lateralShift);
