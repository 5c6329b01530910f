// The interpreter: runs the main program (program 1) once, from its first
// line, on every call of the frame driver's per-sub-step work. It applies the
// CONTROL roles (IF / IF NOT / END IF regions, BREAK, LOOP ... ENDLOOP blocks),
// calls the command function of every line that runs, marks every line that
// did not (kLineNotRun), and reports each line to the application outside
// sub-stepping or at the last sub-step of a frame.
//
// IF regions and loops do not nest: each IF sets the condition afresh, END IF
// sets it to true, and a second LOOP replaces the remembered one. At the
// first frame (0) every loop body runs once. Nothing is allocated.
#pragma once

#include "logic/logic_system.h"

struct HWorld;

// Runs program 1 of the system against the world in the cell (its frame
// words; a missing world counts as frame 0 outside sub-stepping).
void GVRunMainLogic(LogicSystem* sys, HWorld** world);
