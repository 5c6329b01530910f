// Number conversions of the logic commands. Programs hold whatever a user
// typed or a scene file carried (NaN, 1e30, INT_MIN), so a float becomes an
// integer by truncation toward zero, saturated at the int range with NaN
// giving 0, and integer sums and products wrap as two's complement.
#pragma once

#include <cstdint>
#include <limits>

inline int32_t GVLogicTruncInt(double x) {
  if (x != x) return 0;
  if (x >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (x <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(x);
}

inline int32_t GVLogicWrapAdd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t GVLogicWrapNeg(int32_t a) { return static_cast<int32_t>(0u - static_cast<uint32_t>(a)); }
inline int32_t GVLogicWrapMul(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}
