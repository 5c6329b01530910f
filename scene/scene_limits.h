// The largest magnitude a typed value may give a place, a length, a scale, a
// speed or a force of the scene. Products of a few such values (a scaled and
// moved vertex, a squared distance, a wall's box corner in the renderer) stay
// far inside the float range, so frames and view boxes built from them stay
// finite.
#pragma once

#include <cmath>

constexpr float kGVSceneValueLimit = 1.0e5f;

// The value within [-kGVSceneValueLimit, kGVSceneValueLimit]; NaN gives 0.
inline float GVBoundSceneValue(float value) {
  if (std::isnan(value)) return 0.0f;
  return std::fmax(-kGVSceneValueLimit, std::fmin(kGVSceneValueLimit, value));
}
