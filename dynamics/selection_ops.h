// Operations applied to every Jel of a selection of the world, in list
// order: matter reads and writes, coefficient updates, the sub-steps per
// frame the world needs, deformation updates, point location, and part bits
// from a screen rectangle. Selection 0 selects nothing.
#pragma once

#include <cstdint>

#include "jel/matter.h"

struct CameraRec;
struct GeoVertBind;
struct HWorld;
struct ViewportRec;

// Masked fields of node 1 (initial state) of the last selected Jel.
void GVGetSelMatter(HWorld* world, int32_t selection, uint32_t mask, MatterProps* out);
// The matter range of a part over the selection, folded into the default
// record; F-Ratio rounded up to a whole number. frame -1 reads the initial
// state, frames below -1 the live states, others that stored frame.
void GVGetSelMatterRange(HWorld* world, int32_t selection, int32_t part, int32_t frame, uint32_t mask,
                         MatterProps* out);
// Writes the masked fields into a part: frame < 0 through the live state,
// otherwise into that stored frame. Jels in replay are left alone.
void GVSetSelMatter(HWorld* world, int32_t selection, int32_t frame, int32_t part, uint32_t mask,
                    const MatterProps* values);
void GVSelUpdateNodeCoeffs(HWorld* world, int32_t selection);
// Sub-steps per frame the active Jels need (at least 1).
int32_t GVSubstepsPerFrame(const HWorld* world);
void GVSelUpdateJelDeform(HWorld* world, int32_t selection);
// Refills the face grid of every selected Jel's live state, with cells of
// half the Jel's cell size.
void GVSelRebuildContactGrid(HWorld* world, int32_t selection);
// The cell of the selected Jels that holds the point, or the one it lies
// nearest to; returns the Jel id (0 when no Jel contributed).
int32_t GVLocatePointInJels(HWorld* world, int32_t selection, const float point[3], GeoVertBind* out);
// Part bit on the nodes inside a screen rectangle (mode 1 set, 2 toggle, 0
// clear); nothing for a negative part.
void GVSelSetPartInRect(HWorld* world, int32_t selection, int32_t part, const ViewportRec* vp,
                        const CameraRec* cam, const int32_t rect[4], int32_t mode);
