#include <algorithm>
#include <cmath>

#include "jel/contact_grid.h"
#include "jel/live_state.h"
#include "jel/vector_math.h"

void HAState::rebuildContactGrid(float gridCellSize, int32_t kind) {
  if (!contactGrid || !pos || !disp || nodeCount < 1) return;
  if (kind == 0 && (!faces || faceCount < 1)) return;
  float box[6];
  if (!GVJelBoundingBox(this, kFrameInStep, box)) return;
  float side = 0.0f;
  for (int a = 0; a < 3; ++a) side = std::max(side, box[2 * a + 1] - box[2 * a]);
  // The lattice's own bounds would leave a point just outside the surface
  // unlocatable, and an approaching point is always outside first.
  const float pad = 2.0f * gridCellSize;
  for (int a = 0; a < 3; ++a) {
    const float widen = 0.5f * (side - (box[2 * a + 1] - box[2 * a])) + pad;
    box[2 * a] -= widen;
    box[2 * a + 1] += widen;
  }
  const int32_t count = kind == 0 ? faceCount : nodeCount;
  if (!GVOctreeSetup(contactGrid, box[0], box[2], box[4], box[1], box[3], box[5], gridCellSize, count) ||
      !contactGrid->root)
    return;
  // One level fewer with cells twice as large: a query's 3 x 3 x 3 cells then
  // reach about one lattice cell around the point.
  if (contactGrid->levelCount > 1) {
    contactGrid->levelCount -= 1;
    contactGrid->smallestCell *= 2.0f;
  }
  if (kind == 0) {
    float(*centres)[3] = GVOctreeItemPoints(contactGrid, faceCount);
    for (int32_t f = 1; f <= faceCount; ++f) {
      float c[3] = {0, 0, 0};
      for (int k = 0; k < 4; ++k) {
        const int32_t j = faces[f][k];
        if (j < 1 || j > nodeCount) continue;
        for (int a = 0; a < 3; ++a) c[a] += 0.25f * (pos[j][a] + disp[j][a]);
      }
      if (centres)
        for (int a = 0; a < 3; ++a) centres[f - 1][a] = c[a];
      else
        GVOctreeAddItem(contactGrid, f, c[0], c[1], c[2]);
    }
    if (centres) GVOctreeFillItems(contactGrid, faceCount);
    contactGrid->distinctItems = 1;  // each face once, as one point
  } else {
    for (int32_t i = 1; i <= nodeCount; ++i) {
      const int32_t key = partMask ? static_cast<int32_t>(partMask[i]) : 0;
      GVOctreeAddItem(contactGrid, key, pos[i][0], pos[i][1], pos[i][2]);
    }
  }
}

void HAState::computeNodeCreaseDots() {
  if (!nodeCreaseDot) return;
  for (int32_t i = 0; i <= nodeCount; ++i) nodeCreaseDot[i] = 1.0f;
  if (isFlat() || !faces || !faceNormals || !nodeNormals) return;
  for (int32_t f = 1; f <= faceCount; ++f)
    for (int k = 0; k < 4; ++k) {
      const int32_t j = faces[f][k];
      if (j < 1 || j > nodeCount) continue;
      const float d = GVVecDot(faceNormals[f], nodeNormals[j]);
      if (d < nodeCreaseDot[j]) nodeCreaseDot[j] = d;
    }
}
