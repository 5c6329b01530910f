// The pose tables of the face-animation commands, kept in the scene's two
// auxiliary records: the talk table (kind 3) holds twelve mouth scalings, the
// brow table (kind 20) twenty-nine brow tilts; the commands pick entries with
// repeatable random indices.
#pragma once

#include <cstdint>

struct SceneAuxRec;

constexpr int32_t kPoseTableTag = 9;
constexpr int32_t kTalkPoseKind = 3;
constexpr int32_t kBrowPoseKind = 20;

// Talk table for strength s: a 3 x 3 grid of scalings (1 -+ s across,
// 1 + j s down for j = -1, 0, 1), two stretched poses (1 + 2s) and a rest
// pose. 0 when the record is missing or memory runs out.
int32_t GVInitPoseTable(SceneAuxRec* table, float s);
// 1 + (entry - 1) * factor per component, for entry max(0, index) taken
// modulo the count when beyond it; (1, 1, 1) from an empty table.
void GVGetPose(const SceneAuxRec* table, int32_t index, float factor, float out[3]);
// Brow table of tilts a and b (radians), mostly rest (zero) entries.
int32_t GVInitBrowTable(SceneAuxRec* table, float a, float b);
// The entry (same index rule) times factor; zero from an empty table.
void GVGetBrowPose(const SceneAuxRec* table, int32_t index, float factor, float out[3]);
