#include "logic/pose_tables.h"

#include <new>

#include "scene/scene_context.h"

// Gives the record count entries of (fill, fill, fill); an entry array of
// another kind or size is replaced.
static float* Prepare(SceneAuxRec* t, int32_t kind, int32_t count, float fill) {
  if (!t) return nullptr;
  if (t->kind != kind || t->count != count || !t->entries) {
    delete[] t->entries;
    t->entries = new (std::nothrow) float[3 * count];
    t->count = t->entries ? count : 0;
  }
  t->tag = kPoseTableTag;
  t->kind = kind;
  if (t->entries)
    for (int32_t k = 0; k < 3 * count; ++k) t->entries[k] = fill;
  return t->entries;
}

static const float* Entry(const SceneAuxRec* t, int32_t index) {
  if (!t || !t->entries || t->count < 1) return nullptr;
  int32_t e = index < 0 ? 0 : index;
  if (e > t->count - 1) e %= t->count;
  return t->entries + 3 * e;
}

int32_t GVInitPoseTable(SceneAuxRec* table, float s) {
  float* e = Prepare(table, kTalkPoseKind, 12, 1.0f);
  if (!e) return 0;
  for (int32_t j = -1; j <= 1; ++j)
    for (int32_t c = 0; c < 3; ++c) {
      float* x = e + 3 * (3 * (j + 1) + c);
      x[0] = 1.0f + static_cast<float>(c - 1) * s;
      x[1] = 1.0f + static_cast<float>(j) * s;
      x[2] = 1.0f;
    }
  e[3 * 9 + 0] = 1.0f + 2.0f * s;
  e[3 * 10 + 1] = 1.0f + 2.0f * s;
  return 1;
}

void GVGetPose(const SceneAuxRec* table, int32_t index, float factor, float out[3]) {
  const float* e = Entry(table, index);
  for (int c = 0; c < 3; ++c) out[c] = e ? 1.0f + (e[c] - 1.0f) * factor : 1.0f;
}

int32_t GVInitBrowTable(SceneAuxRec* table, float a, float b) {
  float* e = Prepare(table, kBrowPoseKind, 29, 0.0f);
  if (!e) return 0;
  const float rows[6][3] = {{b, 0, -b}, {0, 0, -b}, {b, 0, 0}, {a, 0, -a}, {0, 0, -a}, {a, 0, 0}};
  for (int k = 0; k < 6; ++k)
    for (int c = 0; c < 3; ++c) e[3 * (k + 1) + c] = rows[k][c];
  return 1;
}

void GVGetBrowPose(const SceneAuxRec* table, int32_t index, float factor, float out[3]) {
  const float* e = Entry(table, index);
  for (int c = 0; c < 3; ++c) out[c] = e ? e[c] * factor : 0.0f;
}
