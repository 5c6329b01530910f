// What the logic control window learns of a program's lines and does to them
// as a whole: finding lines, what each column of a line shows and allows, the
// texts of the argument columns, the object numbers a line names, comments,
// the first lines of a new program, and selection, copy, paste, delete and
// switch-off. The window never touches a LogicLine itself; the slot and
// option changes are in slot_types.h.
//
// Columns: 1 the result, 2 and 3 the prefix and infix texts, 4 the command,
// 5 to 9 arguments 1 to 5. Positions count lines from 1; 0 is no line.
// Program 0 is the copy buffer: it holds the lines last copied and never runs.
#pragma once

#include <cstddef>
#include <cstdint>

struct LogicLine;
struct LogicSystem;

// ---- lines ----

// The position of the line in the program, 0 when it is not there.
int32_t GVLogicLineNumber(int32_t program, const LogicLine* line, const LogicSystem* sys);
// The first line of the main program that runs GEOPOINTER, or
// null: on the scene's logic store, and on a given system.
LogicLine* GVLogicFindGeoPointer();
LogicLine* GVLogicFindGeoPointerIn(const LogicSystem* sys);

// ---- the command record of a line (0 or null for a line outside the catalogue) ----

uint32_t GVLogicCmdFlags(const LogicLine* line, const LogicSystem* sys);
const char* GVLogicCmdPrefix(const LogicLine* line, const LogicSystem* sys);
const char* GVLogicCmdInfix(const LogicLine* line, const LogicSystem* sys);
// Column 1: the result mask; 5..9: the masks of arguments 1..5; else 0.
uint32_t GVLogicColumnMask(const LogicLine* line, int32_t column, const LogicSystem* sys);

// ---- display ----

// The last argument column the window shows (5..9), 0 when none: the last
// argument that is required or, if optional, filled.
int32_t GVLogicColumnKind(const LogicLine* line, const LogicSystem* sys);
// Appends the text of argument column 5..9 to the nul-terminated text in
// buf (of size bytes), cut to fit: "f 3", "12", "0.5", "." for an empty
// optional slot, "$" for an empty required one. Nothing for other columns,
// columns beyond lastColumn, or arguments the command does not take.
void GVLogicArgText(int32_t lastColumn, int32_t column, const LogicSystem* sys, const LogicLine* line,
                    char* buf, size_t size);
// 1 when the argument column holds a constant the user types in place
// (object numbers of the picked-constants commands are stepped instead).
int32_t GVLogicColumnIsConst(const LogicLine* line, int32_t column, const LogicSystem* sys);

// ---- object numbers of a line ----

// The first and second argument slots (1..5) whose mask names a Geo, and the
// ids held there (0 when not an integer constant); slot 0 when absent. True
// when either id is non-zero.
bool GVLogicLineGeoRefs(const LogicLine* line, const LogicSystem* sys, int32_t* slot1, int32_t* id1,
                        int32_t* slot2, int32_t* id2);
// The same for the Jel slots (first and second) and the part slots (first
// and second). True when either Jel id is non-zero.
struct LogicJelRefs {
  int32_t jelSlot, partSlot, jel, part;
  int32_t jelSlot2, partSlot2, jel2, part2;
};
bool GVLogicLineJelRefs(const LogicLine* line, const LogicSystem* sys, LogicJelRefs* out);

// ---- comments ----

// Replaces the comment with a copy of text (null or "" removes it).
void GVLogicSetLineComment(LogicLine* line, const char* text);

// ---- a new program ----

// Gives an empty program its first five lines: empty lines around a CUR_TIME
// line (the second) that writes f 1. A program with lines is left alone.
void GVLogicEnsureLine(LogicSystem* sys, int32_t program);

// ---- selection and the copy buffer ----

// A new unlinked line with the source's command, slots, flags and comment and
// a deep copy of its channel data; no FG items.
LogicLine* GVLogicCopyLine(const LogicLine* src);
// Selects the lines at positions from..to and deselects the others.
void GVLogicSelectRange(int32_t program, int32_t from, int32_t to, LogicSystem* sys);
void GVLogicClearSelection(int32_t program, LogicSystem* sys);
// Empties the copy buffer and fills it with copies of the selected lines.
void GVLogicCopySelected(int32_t program, LogicSystem* sys);
// Inserts copies of the buffer's selected lines, in order, after `after`
// (null only in an empty program). 1 when a pasted command keeps recorded
// data whose change restarts the run (option kind 0x4000), else 0.
int32_t GVLogicPasteBuffer(LogicLine* after, int32_t program, LogicSystem* sys);
// Removes and frees the selected lines.
void GVLogicDeleteSelected(int32_t program, LogicSystem* sys);
// Toggles the switched-off flag of the selected lines; empty lines stay on.
void GVLogicToggleSelectedOff(int32_t program, LogicSystem* sys);
