// The logic programs in scene files: the logic block of the item stream
// (written and read) and of the older tagged form (read; its writer serves
// tests and tools that make such files).
//
// Item-stream block, after its tag: ints 0, 0, 0, program count, stored word;
// then per program p = 0..count: int p; name (length int, characters); ints
// top line and the six variable counts; int line count N; N lines; int 0 (the
// empty list's item count). Per line: ints flags, category, command, result
// type and variable, five argument types, five argument variables, five
// integer constants; floats the five float constants; comment (length int,
// characters); int FG count (always 0: FG lists stay out of the item stream);
// int channel-data element count n, and the channel-data image when n != 0.
// A block whose first int is 1 has the single-program layout: the program
// count is 1, the stored word 0, and program 0's index follows at once.
//
// Tagged block: int layout word (1: single-program; else two skipped ints, the
// program count and the stored word); per program: int index, the 84-byte
// program image (20-character name, top line, six counts, nine ignored
// words), int N and N lines: the line image of 116 bytes (single-program) or
// 120 bytes followed by the comment (u32 length, characters); int K and K FG
// items of 20 bytes (key, value, flags, two ignored words); int n and, when
// n != 0, the channel data in its file layout; then a trailing int.
//
// Variables are never stored: a load re-creates every program with zeroed
// variable arrays of the stored counts (GVLogicBlockVarBound in all). A load replaces every program only
// when the whole block has read and every count agreed with what it holds;
// a damaged block leaves the programs as they were.
#pragma once

#include <cstdint>
#include <cstdio>

struct ItemStream;
struct LogicSystem;

// The most variables of one type a stored program may declare.
constexpr int32_t kLogicMaxStoredVars = 65536;
// The most variables a block of that many programs may declare, of every
// type in every program together: the default count of each type in every
// program, and the most of every type for one program besides. None of them
// is stored, so a block beyond it is refused as damaged rather than made on
// credit.
int64_t GVLogicBlockVarBound(int32_t programCount);

// Result of the readers for a block that cannot be read whole: a count that
// the block cannot hold, a program index outside 0..count, a line cut short.
// The programs and the cursors are then left as they were.
constexpr int32_t kLogicBlockDamaged = -1;

// ---- item stream ----

// What one program puts (counting pass).
void GVCountLogicProgram(LogicSystem* sys, int32_t program, ItemStream* stream);
// The header and every program (what GVStoreLogicToWords puts). Nothing
// without a program array.
void GVCountLogicBlock(LogicSystem* sys, ItemStream* stream);
// Puts one program at the cursors: 1, or 0 when the arrays ran out of room.
int32_t GVPutLogicProgram(LogicSystem* sys, int32_t program, ItemStream* stream);
// Puts the header and every program, whole or not at all: 1 put; 0 when the
// system has no programs or the arrays lack room (nothing put).
int32_t GVStoreLogicToWords(LogicSystem* sys, ItemStream* stream);

// Reads a block at the cursors into the system: records the layout (field 2)
// and the stored word, replaces every program, then repairs the main program.
// 1 when the repair changed a line, 0 when not, kLogicBlockDamaged when the
// block does not read.
int32_t GVGetLogicItem(LogicSystem* sys, ItemStream* stream);
// The same, for the importer: the container first.
int32_t GVLoadLogicFromWords(ItemStream* stream, LogicSystem* sys);

// ---- tagged form ----

// Reads a tagged block from the file's position. 0 when the header cannot be
// read (programs untouched); otherwise as GVGetLogicItem. HCOLL gH and HCOLL
// Gh lines of the main program that carry the old mode bit 0x8000 are given
// 0x10000 instead.
int32_t GVLoadLogic(LogicSystem* sys, FILE* file);
// Writes the programs in the tagged form, single-program layout (0: programs 0
// and 1, no comments) or counted layout (1). 1 written, 0 when the file
// refused the bytes or the system has no programs.
int32_t GVWriteLogicTagged(LogicSystem* sys, FILE* file, int32_t layout);

// ---- the repair every load applies ----

// In every line of program 1: a category outside 0..10 becomes 10, and a
// command index outside the category's commands becomes its highest one (both
// compared unsigned, so negative indices are repaired too). 1 when a line
// changed.
int32_t GVLogicRepairMain(LogicSystem* sys);
