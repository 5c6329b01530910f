// Ids of the records in a scene: every list numbers its records from 1.
#pragma once

#include <climits>
#include <cstdint>

// The id after the largest of a list (1 for none), held at the largest int
// when the list already uses it.
inline int32_t GVIdAfter(int32_t largest) { return largest < 1 ? 1 : largest < INT32_MAX ? largest + 1 : INT32_MAX; }
