// The largest magnitude a typed value may give a place, a length, a scale, a
// speed or a force of the scene. Products of a few such values (a scaled and
// moved vertex, a squared distance, a wall's box corner in the renderer) stay
// far inside the float range, so frames and view boxes built from them stay
// finite.
#pragma once

#include <cmath>

constexpr float kGVSceneValueLimit = 1.0e5f;

// The largest frame number a user may type or a file may give the time bar, a
// Jel's lifespan or the loop length: nearly an hour at 30 frames a second, and
// small enough that a frame plus a step, or a loop's start plus its length,
// stays far inside an int.
constexpr int kGVFrameLimit = 100000;

// The value within [-kGVSceneValueLimit, kGVSceneValueLimit]; NaN gives 0.
inline float GVBoundSceneValue(float value) {
  if (std::isnan(value)) return 0.0f;
  return std::fmax(-kGVSceneValueLimit, std::fmin(kGVSceneValueLimit, value));
}
