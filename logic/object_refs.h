// Object references in lines: integer constants that name a Geo, a Jel, a
// part, a light, an on/off value or a count, told apart by the qualifier bits
// of the command's mask for that slot. Zero means no object; negative values
// are selections (-1 all, -2 .. -31 a group) and are never renumbered.
#pragma once

#include <cstdint>

#include "logic/dyn2_cmds.h"

struct LogicLine;
struct LogicProgram;
struct LogicSystem;
struct ObjHandle;

// Collision use of a Geo by the main program (GVLogicFindObjectRefs).
enum : int32_t {
  kLogicCollGeoMoves = 32,   // HCOLL Gh, or HCOLL gH in its both-ways mode
  kLogicCollGeoHits = 64,    // HCOLL gH, or HCOLL Gh in its both-ways mode
  kLogicCollHullOnly = 128,  // HCOLL Hh
};

// The Jel/part pair of a line: for the argument slots in order, the first
// integer-constant slot of the other kind (a Jel slot for a part mask, a part
// slot for a Jel mask) and of the same pair when the mask names one. 1 with
// (*jelId, *part) from that slot and value; 0 for a zero value or mask, no
// line, or no such slot.
int32_t GVLogicFindPairConst(const LogicLine* line, const LogicSystem* sys, int32_t value, uint32_t mask,
                             int32_t* jelId, int32_t* part);

// Steps the object reference in a line's argument column (5..9 for arguments
// 1..5) to the next (direction 1) or previous (-1) object of its kind, or
// keeps it (0), and tells the application which Geo, or which Jel and part,
// it now names. Returns the new constant (0 for a column or line that holds
// none).
int32_t GVLogicStepObjectConst(LogicLine* line, int32_t column, LogicSystem* sys, int32_t direction);

// Merges the main program of an imported system into dest[1]: Geo and Jel ids
// of the imported lines are shifted (positive ones by +shift, negative ones by
// -groupShift), dest[1]'s variable counts grow to cover the imported ones
// (its variables zeroed), and the imported lines follow dest[1]'s own. With
// merge 0, or an imported system without catalogue, nothing is merged. Either
// way the imported programs are freed and its program count kept.
void GVLogicShiftRefs(LogicProgram* dest, LogicSystem* imported, int32_t shift, int32_t groupShift,
                      int32_t merge);

// Every Jel-id constant of the main program equal to oldId (>= 1) becomes newId.
void GVLogicDropJelRef(LogicSystem* sys, int32_t oldId, int32_t newId);

// Renumbering: oldIds[1..count] holds the old id of the object that now has
// number i. Every positive Geo-id (Jel-id) constant c of the main program
// becomes the first i with oldIds[i] == c, or 0 when there is none.
void GVLogicRemapGeoRefs(LogicSystem* sys, int32_t count, const int32_t* oldIds);
void GVLogicRemapJelRefs(LogicSystem* sys, int32_t count, const int32_t* oldIds);

// The collision use of the Geo by the main program's HCOLL lines (bits above).
int32_t GVLogicFindObjectRefs(LogicSystem* sys, ObjHandle* geo);
// Builds the Geo's collision tables when an HCOLL gH or Gh line names it, frees
// them when only HCOLL Hh lines do, and leaves an unnamed Geo alone.
void GVLogicPrepareCollGeo(LogicSystem* sys, ObjHandle* geo);
// The same for every Geo of the system's Geo list in the selection (an id, -1
// every Geo, -2 .. -31 a group).
void GVLogicPrepareCollGeos(LogicSystem* sys, int32_t selection);
