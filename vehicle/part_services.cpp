// The small services of a vehicle part: its Jels' presence and kind, id
// renumbering, matter edits, placement, and the per-sub-step walks over both
// of its Jels.
#include <initializer_list>
#include <cstring>
#include <new>

#include "dynamics/selection_ops.h"
#include "dynamics/world.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "jel/time_step.h"
#include "jel/vector_math.h"
#include "vehicle/vehicle_carry.h"
#include "vehicle/vehicle_jels.h"
#include "vehicle/vehicle_part.h"

namespace {

template <class F>
void forEachState(VhclPartRec* p, F f) {
  if (!p || !p->jelA || !p->jelB) return;
  for (int32_t id : {p->jelA, p->jelB})
    if (HAState* s = GVVehicleJelState(p->world, id)) f(s);
}

int32_t remapId(int32_t id, int32_t count, const int32_t* table) {
  if (id == 0) return 0;
  for (int32_t k = 1; table && k <= count; ++k)
    if (table[k] == id) return k;
  return 0;
}

// Masked matter of part 1 of both Jels, in their initial frame and their live
// state; Jels in replay keep theirs.
void writePart1Matter(VhclPartRec* p, uint32_t mask, const MatterProps& values) {
  if (!p) return;
  for (int32_t id : {p->jelA, p->jelB}) {
    HObject* j = GVVehicleJel(p->world, id);
    if (!j || j->playParams.mode == 4) continue;
    MatterProps m = values;
    j->setPartMatter(1, 0, mask, &m);
    if (j->state && !j->state->readOnly()) {
      m = values;
      j->state->setPartMatter(1, kFrameCommitted, mask, &m);
    }
  }
}

}  // namespace

VhclPartRec** GVNewVhclPartCell() {
  VhclPartRec** cell = new (std::nothrow) VhclPartRec*(nullptr);
  if (!cell) return nullptr;
  *cell = new (std::nothrow) VhclPartRec();
  if (*cell) (*cell)->handle = cell;
  return cell;
}

void GVFreeVhclPartCell(VhclPartRec** cell) {
  if (!cell) return;
  if (VhclPartRec* p = *cell) {
    delete[] p->nodeTableA;
    delete[] p->nodeTableB;
    delete p;
  }
  delete cell;
}

void GVCheckVhclPartJels(VhclPartRec* p) {
  if (!p || !p->world) return;
  if (!GVVehicleJel(p->world, p->jelA)) p->jelA = 0;
  if (!GVVehicleJel(p->world, p->jelB)) p->jelB = 0;
}

int32_t GVVhclPartIsEmpty(VhclPartRec* p) {
  if (!p) return 1;
  GVCheckVhclPartJels(p);
  return p->jelA == 0 && p->jelB == 0 ? 1 : 0;
}

int32_t GVVhclPartHasJel(const VhclPartRec* p, int32_t id) {
  return p && id != 0 && (id == p->jelA || id == p->jelB) ? 1 : 0;
}

static int32_t wheelNodes(const VhclPartRec* p) {
  const HObject* j = p ? GVVehicleJel(p->world, p->jelB) : nullptr;
  return j ? j->nodeCount : 0;
}

int32_t GVVhclPartIsWheel18(const VhclPartRec* p) { return wheelNodes(p) == 18 ? 1 : 0; }
int32_t GVVhclPartIsWheel36(const VhclPartRec* p) { return wheelNodes(p) == 36 ? 1 : 0; }

void GVVhclPartRemapIds(VhclPartRec* p, int32_t count, const int32_t* table) {
  if (!p) return;
  for (int32_t* id : {&p->jelA, &p->jelB, &p->jelAKey, &p->jelBKey}) *id = remapId(*id, count, table);
  if (p->groupSel > 0) p->groupSel = remapId(p->groupSel, count, table);
}

void GVDeleteVhclPartJels(VhclPartRec* p) {
  if (!p || !p->world) return;
  if (p->groupSel != 0) {
    GVVehicleDeleteJels(p->world, p->groupSel);
  } else {
    for (int32_t id : {p->jelA, p->jelB})
      if (GVVehicleJel(p->world, id)) GVVehicleDeleteJels(p->world, id);
  }
  p->jelA = p->jelB = 0;
}

float GVVhclPartGetFy(VhclPartRec* p) {
  if (!p || !p->world || (!p->jelA && !p->jelB)) return 0.0f;
  MatterProps m;
  m.forceY = 0.0f;
  GVGetSelMatter(p->world, p->groupSel, kMatterForceY, &m);
  return m.forceY;
}

void GVVhclPartSetFy(VhclPartRec* p, float value) {
  if (!p || !p->world) return;
  MatterProps m;
  GVSetMatterDefaults(&m);
  m.forceY = value;
  writePart1Matter(p, kMatterForceY, m);
  GVSetSelMatter(p->world, p->groupSel, kFrameCommitted, 1, kMatterForceY, &m);
}

void GVVhclPartSetScaleT(VhclPartRec* p, float value) {
  MatterProps m;
  GVSetMatterDefaults(&m);
  m.fRatio = value;
  m.scaleT = value;
  writePart1Matter(p, kMatterFRatio | kMatterScaleT, m);
}

void GVVhclPartPlaceAt(VhclPartRec* p, const float point[3]) {
  if (!p || !p->world || !point) return;
  HObject* jels[2] = {GVVehicleJel(p->world, p->jelA), GVVehicleJel(p->world, p->jelB)};
  if (!jels[0] && !jels[1]) return;
  float c[3], move[3];
  GVVehiclePart1Centre(jels, 2, kFrameInitial, c);
  for (int k = 0; k < 3; ++k) move[k] = point[k] - c[k];
  for (HObject* j : jels) {
    if (!j) continue;
    j->addPartVec0(1, kFrameInitial, kAxesAll, move);
    // The moved rest shape becomes the live state and the start frame.
    j->restoreFrame(kFrameInitial);
    j->storeFrame(kFrameInitial);
  }
}

void GVVhclPartSaveDisplacements(VhclPartRec* p) { forEachState(p, [](HAState* s) { GVSavePart1Displacements(s); }); }

void GVVhclPartSaveOffsets(VhclPartRec* p, const float c[3]) {
  forEachState(p, [c](HAState* s) { GVSavePart1Offsets(s, c); });
}

void GVVhclPartSaveDisplacementsP(VhclPartRec* p) {
  forEachState(p, [](HAState* s) { GVSavePartDisplacements(s, 1); });
}

void GVVhclPartSaveOffsetsP(VhclPartRec* p, const float c[3]) {
  forEachState(p, [c](HAState* s) { GVSavePartOffsets(s, 1, c); });
}

void GVVhclPartAddRotation(VhclPartRec* p, const float omega[3]) {
  forEachState(p, [omega](HAState* s) { GVAddPartRotation(s, 1, omega); });
}

void GVVhclPartFollowFrame(VhclPartRec* p, const float refCentre[3]) {
  if (!p || !refCentre) return;
  HAState* states[2] = {GVVehicleJelMovable(p->world, p->jelA), GVVehicleJelMovable(p->world, p->jelB)};
  if (!states[0] || !states[1]) return;
  GVVhclPartSaveOffsetsP(p, refCentre);
  float omega[3];
  GVCarryTurn(states, 2, omega);
  GVVhclPartAddRotation(p, omega);
}

void GVVhclPartApplyOffset(VhclPartRec* p, float offset) {
  if (!p || !p->world || p->world->params.stateMode != -1) return;
  HObject* motor = GVVehicleJel(p->world, p->jelA);
  HObject* wheel = GVVehicleJel(p->world, p->jelB);
  if (!motor || !wheel) return;
  float m = 0.0f, c[3] = {0, 0, 0}, mw = 0.0f, cw[3] = {0, 0, 0};
  motor->getPartMass(1, kFrameInitial, &m);
  motor->getPartMassSumVec0(1, kFrameInitial, kAxesAll, c);
  wheel->getPartMass(1, kFrameInitial, &mw);
  wheel->getPartMassSumVec0(1, kFrameInitial, kAxesAll, cw);
  if (m == 0.0f || mw == 0.0f) return;
  float move[3];
  for (int k = 0; k < 3; ++k) move[k] = c[k] / m - cw[k] / mw;
  move[2] += offset * wheel->cellSize;
  wheel->addPartVec0(1, kFrameInitial, kAxesAll, move);
  if (wheel->state) wheel->state->translatePart(1, kFrameCommitted, kAxesAll, move);
  wheel->storeFrame(0);
}
