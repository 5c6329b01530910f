#include "dynamics/selection_ops.h"

#include <algorithm>
#include <cmath>

#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "jel/deformation_map.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "jel/time_step.h"


void GVGetSelMatter(HWorld* world, int32_t selection, uint32_t mask, MatterProps* out) {
  if (!world || !out) return;
  for (HObject* j = world->head; j; j = GVNextJel(j))
    if (GVJelInSel(j, selection)) j->getNodeMatterAlias(1, 0, mask, out);
}

void GVGetSelMatterRange(HWorld* world, int32_t selection, int32_t part, int32_t frame, uint32_t mask,
                         MatterProps* out) {
  if (!world || !out || selection == 0) return;
  MatterProps work;
  for (HObject* j = world->head; j; j = GVNextJel(j)) {
    if (!GVJelInSel(j, selection)) continue;
    if (frame == kFrameInitial)
      j->getPartMatterRange(part, 0, mask, &work);
    else if (frame < kFrameInitial) {
      if (j->state) j->state->getPartMatterRange(part, frame, mask, &work);
    } else {
      j->getPartMatterRange(part, frame, mask, &work);
    }
  }
  const float whole = std::floor(work.fRatio);
  work.fRatio = work.fRatio > whole ? whole + 1.0f : whole;
  GVCopyMatterMasked(&work, mask, out);
}

void GVSetSelMatter(HWorld* world, int32_t selection, int32_t frame, int32_t part, uint32_t mask,
                    const MatterProps* values) {
  if (!world || !values || selection == 0) return;
  for (HObject* j = world->head; j; j = GVNextJel(j)) {
    if (!GVJelInSel(j, selection) || j->playParams.mode == kWorldReplay) continue;
    MatterProps v = *values;  // the write clamps its record in place
    if (frame < 0) {
      if (j->state) j->state->setPartMatter(part, frame, mask, &v);
    } else {
      j->setPartMatter(part, frame, mask, &v);
    }
  }
}

void GVSelUpdateNodeCoeffs(HWorld* world, int32_t selection) {
  if (!world) return;
  for (HObject* j = world->head; j; j = GVNextJel(j))
    if (GVJelInSel(j, selection) && j->state) j->state->updateNodeCoeffs(kFrameCommitted);
}

int32_t GVSubstepsPerFrame(const HWorld* world) {
  if (!world) return 1;
  int32_t v = 1;
  for (const HObject* j = world->head; j; j = GVNextJel(j)) {
    if (!GVJelActive(j)) continue;
    const int32_t n = j->state ? GVCalcSubstepsNeeded(j->state) : 1;
    v = std::max(v, n);
  }
  return v;
}

void GVSelUpdateJelDeform(HWorld* world, int32_t selection) {
  if (!world) return;
  for (HObject* j = world->head; j; j = GVNextJel(j))
    if (GVJelInSel(j, selection)) GVUpdateJelDeform(j, 0);
}

void GVSelRebuildContactGrid(HWorld* world, int32_t selection) {
  if (!world) return;
  for (HObject* j = world->head; j; j = GVNextJel(j))
    if (GVJelInSel(j, selection) && j->state) j->state->rebuildContactGrid(0.5f * j->state->cellSize, 0);
}

int32_t GVLocatePointInJels(HWorld* world, int32_t selection, const float point[3], GeoVertBind* out) {
  if (!out) return 0;
  *out = GeoVertBind{};
  if (!world || !point) return 0;
  float best = 9e30f;
  for (HObject* j = world->head; j; j = GVNextJel(j)) {
    if (!GVJelInSel(j, selection)) continue;
    GeoVertBind rec;
    if (GVLocatePointInJel(j, point, &rec) <= 0 || rec.cellNode <= 0) continue;
    const float du = std::fabs(rec.u - 0.5f), dv = std::fabs(rec.v - 0.5f), dw = std::fabs(rec.w - 0.5f);
    const float score = std::max(du, std::max(dv, dw));
    if (score < best) {
      best = score;
      *out = rec;
      out->jelId = j->id;
    }
    if (du < 0.5f && dv < 0.5f && dw < 0.5f) break;  // inside this cell
  }
  return out->jelId;
}

void GVSelSetPartInRect(HWorld* world, int32_t selection, int32_t part, const ViewportRec* vp,
                        const CameraRec* cam, const int32_t rect[4], int32_t mode) {
  if (!world || !rect || selection == 0 || part < 0) return;
  for (HObject* j = world->head; j; j = GVNextJel(j))
    if (GVJelInSel(j, selection)) j->setPartInRect(vp, cam, part, mode, rect[0], rect[1], rect[2], rect[3]);
}
