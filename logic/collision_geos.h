// The Geos that the main program's collision lines name: which kinds of
// collision a Geo takes part in, and the per-vertex tables those need.
#pragma once

#include <cstdint>

struct LogicSystem;
struct ObjHandle;

// Bits of a Geo's collision use by program 1: 64 (HCOLL gH), 32 (HCOLL Gh),
// each line with option 0x20000 adding the other, 128 (HCOLL Hh). 0 without
// programs, lines or Geo.
int32_t GVLogicFindObjectRefs(LogicSystem* sys, ObjHandle* geo);
// A Geo used by a Geo collision gets its vertex tables; one used only by
// HCOLL Hh lines loses them; an unused Geo is left as it is.
void GVLogicPrepareCollGeo(LogicSystem* sys, ObjHandle* geo);
// The same for every Geo of the system's list that the selection picks (its
// id, -1 every Geo, -2..-31 a group).
void GVLogicPrepareCollGeos(LogicSystem* sys, int32_t selection);
