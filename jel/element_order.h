// The element order of stored channel arrays: from file-version word 1 on, the
// words of some channels are stored shuffled by a counting-out table.
#pragma once

#include <cstdint>

// Fills table[1..n] with a permutation of 1..n by counting out: positions
// 1..n are walked cyclically, skipping those already placed, and every step-th
// unplaced position receives the next value; the step starts at `step` (n / 2
// when n <= step, 2 when that is below 1) and drops by one after each placement
// while it is above 2. table[0] is set to 0. Runs in O(n log n).
void GVMakeOrderTable(int32_t* table, int32_t n, int32_t step);
