// Category builders describe their commands as rows of a constant table; one
// routine turns the rows into the category's command records.
#pragma once

#include <cstdint>

#include "logic/logic_system.h"

struct LogicCmdRow {
  const char* prefix;
  const char* name;
  const char* infix;
  const char* key;
  uint32_t optionKind;
  int32_t layoutKind;
  int32_t pickedConstants;
  LogicCmdFn fn;
  uint32_t resultMask;
  uint32_t argMask[kLogicArgs];  // 0 stands for 1 (none)
};

// Gives the category count records (GVLogicBeginCategory) filled from the
// rows; nothing when the system has no categories.
void GVLogicFillCmds(LogicSystem* sys, int32_t category, const LogicCmdRow* rows, int32_t count);
