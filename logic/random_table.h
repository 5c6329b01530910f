// Repeatable pseudo-random numbers for logic programs: a table of values in
// [0, 1] filled from a generator seeded with 7, so a program that draws by
// frame number replays identically. One shared table serves RANDOM, the pulse
// commands and the face-animation commands; it is built on first use with
// 1000 entries and freed at exit.
#pragma once

#include <cstdint>

constexpr int32_t kRandomTableMax = 10000;
constexpr int32_t kRandomTableDefault = 1000;

struct RandomTable {
  int32_t mode;     // 0: values from the float array; 1: integer array / divisor
  int32_t seed;     // 7
  int32_t divisor;  // of the integer array in mode 1
  int32_t count;
  int32_t* ints;    // never filled by the builder
  float* floats;
};

// Refills the table with count values (0 for counts outside 0..10000, the
// table then unchanged): the generator is seeded with 7, five draws are
// discarded, and entry k takes draw / 32767. 1 when built.
int32_t GVBuildRandomTable(RandomTable* table, int32_t count);
// Entry i mod count; 0 for a negative i, an empty table or another mode.
float GVRandomValue(const RandomTable* table, int32_t i);
// With r = entry i: inclusive, trunc((n + 1) r) capped at n (0 .. n);
// exclusive, trunc(n r) + 1 capped at n (1 .. n). 0 when i < 0 or n < 1.
int32_t GVRandomPick(const RandomTable* table, int32_t i, int32_t n, int32_t inclusive);
void GVFreeRandomTable(RandomTable* table);

// The shared table (zero until first used).
RandomTable& GVSharedRandomTable();
// Value and pick on the shared table, building it first when it is empty.
float GVSharedRandomValue(int32_t i);
int32_t GVSeededRandomInt(int32_t seed, int32_t n, int32_t inclusive);
// Frees the shared table's arrays and zeroes it; registered to run at exit.
void GVFreeRandomTables();

// Pulse trains over the frame counter. The start frame of the train of m
// teeth of width w (frames) that ends period p holding frame F, shifted
// earlier by a repeatable random 0 .. (p - L) J / 100 frames (L the train's
// length, J the jitter in percent). Arguments are taken as given (the
// commands raise p and w to at least 3); the result may lie outside the int
// range, hence 64 bits.
int64_t GVPulseStart(int32_t frame, int32_t w, int32_t p, int32_t m, float jitter);
// The saw train's value at frame F for a train starting at s: a triangle from
// 0 to 1 and back over w - 1 frames, repeated m times; 0 outside.
float GVPulseSawValue(int32_t frame, int64_t start, int32_t w, int32_t m);
