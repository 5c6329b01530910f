// The two older display records that only the tagged scene form carries: the
// 88-byte record of tag 77 (colours and shadow values) and the 292-byte record
// of tag 78 (background image name and option values). Both are read, checked
// and copied into the scene's DisplaySettings.
#pragma once

#include <cstdint>
#include <cstdio>

#include "geo/geo_object.h"

struct DisplaySettings;

// 22 values of 4 bytes; the comments give the DisplaySettings words each one
// is copied into.
struct DisplayFormA {
  GColour background;        // 0-4
  GColour background2;       // 5-9 (the mode word travels as word 5)
  float renderValue1;        // 17
  int32_t optionInt1;        // 18
  int32_t backgroundFlags;   // 12
  int32_t optionInt2;        // 19
  float shadowValues[5];     // 20-24
  int32_t shadowCounts[3];   // 25-27
};
constexpr int kDisplayFormABytes = 88;

constexpr int kDisplayFormBText = 256;
struct DisplayFormB {
  char text[kDisplayFormBText];  // 10: always zero-terminated once read
  int32_t optionWord;            // 11
  int32_t optionInts[4];         // 28-31
  float optionFloats[4];         // 32-35
};
constexpr int kDisplayFormBBytes = 292;

void GVDisplayFormADefaults(DisplayFormA* a);
// Reads the 88 bytes over what the record holds, then replaces shadow value 4
// below 0, value 5 below 10 and counts 1 and 2 below 2 as the scene reader
// does and clamps them (GVClampDisplayFormA). 1 read; 0 when the file ends
// early (the record is then unchanged).
int GVReadDisplayFormA(FILE* file, DisplayFormA* a);
void GVClampDisplayFormA(DisplayFormA* a);
void GVDisplayFromFormA(DisplaySettings* d, const DisplayFormA* a);
// The writer of the record, for tests and tools that make such files.
int GVWriteDisplayFormA(FILE* file, const DisplayFormA* a);

// An empty text and zeros.
void GVDisplayFormBInit(DisplayFormB* b);
// Reads the 292 bytes; a text with no zero byte in its 256 is cut at 255
// characters. 1 read; 0 when the file ends early (record unchanged).
int GVReadDisplayFormB(FILE* file, DisplayFormB* b);
// Word 10 becomes a new heap copy of the text; 0 when it could not be made
// (the old name then stays).
int GVDisplayFromFormB(DisplaySettings* d, const DisplayFormB* b);
int GVWriteDisplayFormB(FILE* file, const DisplayFormB* b);
