#include "dynamics/constraint_cmds.h"

#include <atomic>
#include <cmath>
#include <cstring>

#include "dynamics/dyn_cmd.h"
#include "dynamics/group_ops.h"
#include "dynamics/rigid_parts.h"
#include "dynamics/world.h"
#include "dynamics/world_services.h"
#include "jel/chan_data.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "jel/vector_math.h"

namespace {


// The live state of a selected Jel that commands may change; null otherwise.
HAState* liveState(HObject* j, int32_t selection) {
  if (!GVJelInSel(j, selection) || !j->state) return nullptr;
  if (j->playParams.mode == 4 || j->state->readOnly()) return nullptr;
  return j->state;
}

template <class F>
void forEachLive(HWorld* w, int32_t selection, F f) {
  if (!w || selection == 0) return;
  for (HObject* j = w->head; j; j = GVNextJel(j))
    if (HAState* s = liveState(j, selection)) f(j, s);
}

// forEachLive for work that touches its own Jel only: side by side on the
// world's pool.
template <class F>
void eachLivePerJel(HWorld* w, int32_t selection, F f) {
  if (!w || selection == 0) return;
  std::vector<HObject*>& jels = w->perJel;
  jels.clear();
  for (HObject* j = w->head; j; j = GVNextJel(j))
    if (liveState(j, selection)) jels.push_back(j);
  GVRunPerJel(w, static_cast<int32_t>(jels.size()), [&](int32_t k) { f(jels[k], jels[k]->state); });
}

// Issues a record: appended to an unresolved store, found or added in a
// resolved one; any other store state takes none.
void issue(HWorld* w, const DynCmdArgs& a) {
  if (w->cmdResolved == 0)
    GVAppendDynCmdRec(w, a);
  else if (w->cmdResolved == 1)
    GVFindOrAddDynCmdRec(w, a);
}

DynCmdArgs recordArgs(int32_t selection, int32_t part, uint32_t type, int32_t passes, uint32_t mode) {
  DynCmdArgs a;
  a.key1 = selection;
  a.key3 = part;
  a.type = type;
  a.passes = passes;
  a.mode = mode;
  return a;
}

bool storedPart(int32_t part) { return part >= 1 && part <= 31; }

bool anyNoRecord(HWorld* w, int32_t selection) {
  bool stop = false;
  forEachLive(w, selection, [&](HObject* j, HAState*) { stop = stop || (j->flags & kJelRigidNoRecord); });
  return stop;
}

void restoreShapes(HWorld* w, int32_t selection, int32_t part) {
  if (!storedPart(part)) return;
  forEachLive(w, selection, [&](HObject*, HAState* s) { GVLoadPartRef(s, kPartRefShape, part); });
}

PartSums selectionSums(HWorld* w, int32_t selection, int32_t part) {
  PartSums sums;
  forEachLive(w, selection, [&](HObject*, HAState* s) { GVAddPartSums(s, part, &sums); });
  return sums;
}

// The part's rotation vector as the selection holds it: that of its first Jel.
HAState* firstState(HWorld* w, int32_t selection) {
  for (HObject* j = w->head; j; j = GVNextJel(j))
    if (GVJelInSel(j, selection)) return j->state;
  return nullptr;
}

void setRotation(HWorld* w, int32_t selection, int32_t part, const float w3[3], const float R[9]) {
  float Rw[9], P[9], rho[3];
  GVMat3FromRotVector(w3, Rw);
  GVMat3Mul(P, R, Rw);
  GVRotVectorFromMat3(P, rho);
  if (!std::isfinite(rho[0]) || !std::isfinite(rho[1]) || !std::isfinite(rho[2])) return;
  forEachLive(w, selection, [&](HObject*, HAState* s) {
    std::memcpy(s->impulseTable[static_cast<uint32_t>(part) & 31u], rho, sizeof rho);
  });
}

}  // namespace

// ---------------------------------------------------------------------------
// Fix, fix position, fix orientation

void GVSelFixBegin(HWorld* w, int32_t selection, int32_t part, const float* offset, const float* matrix) {
  forEachLive(w, selection, [&](HObject*, HAState* s) { GVFixPartBegin(s, part, offset, matrix); });
}

void GVSelFixStep(HWorld* w, int32_t selection, int32_t part, const float* offset, const float* matrix) {
  if (!w || selection == 0) return;
  forEachLive(w, selection, [&](HObject*, HAState* s) {
    GVFixPartStep(s, matrix, part, offset);
    s->collisionFlags |= kCollFixActive;
  });
  uint32_t mode = 0;
  if (offset) mode |= kDynCmdFixOffset;
  if (matrix) mode |= kDynCmdFixMatrix;
  DynCmdArgs a = recordArgs(selection, part, kDynCmdFix, kConstraintPasses, mode);
  a.vec = offset;
  a.mat = matrix;
  issue(w, a);
}

void GVSelFixApply(HWorld* w, int32_t selection, int32_t part, const DynCmdRec* rec) {
  const float* offset = rec && (rec->mode & kDynCmdFixOffset) ? rec->vec : nullptr;
  const float* matrix = rec && (rec->mode & kDynCmdFixMatrix) ? rec->mat : nullptr;
  forEachLive(w, selection, [&](HObject*, HAState* s) { GVFixPartCorrect(s, matrix, part, offset); });
}

void GVSelFixPosBegin(HWorld* w, int32_t selection, int32_t part, const float* offset, const float* matrix) {
  forEachLive(w, selection, [&](HObject*, HAState* s) { GVFixPosPartBegin(s, part, offset, matrix); });
}

void GVSelFixPosStep(HWorld* w, int32_t selection, int32_t part, const float* shift, const float* matrix) {
  if (!w || !storedPart(part)) return;
  // Only Jels that recorded the part's positions take part.
  auto recorded = [&](HAState* s) { return s->partRefStores[0] && GVChanVec3s(s->partRefStores[0], part); };
  double M = 0.0, D[3] = {0.0, 0.0, 0.0};
  forEachLive(w, selection, [&](HObject*, HAState* s) {
    if (!recorded(s)) return;
    GVLoadPartRef(s, kPartRefFixPos, part);
    for (int32_t i = 1; i <= s->nodeCount; ++i) {
      if (!s->inPart(i, part)) continue;
      float* t = s->partRef[i];
      if (matrix) GVMat3MulVec(t, matrix, t);
      if (shift)
        for (int k = 0; k < 3; ++k) t[k] += shift[k];
      const double m = s->mass[i];
      M += m;
      for (int k = 0; k < 3; ++k) D[k] += m * (t[k] - (s->pos[i][k] + s->disp[i][k]));
    }
  });
  float move[3];
  for (int k = 0; k < 3; ++k) move[k] = static_cast<float>(M > 1e-6 ? D[k] / M : D[k] * M);
  forEachLive(w, selection, [&](HObject*, HAState* s) {
    if (!recorded(s)) return;
    for (int32_t i = 1; i <= s->nodeCount; ++i)
      if (s->inPart(i, part))
        for (int k = 0; k < 3; ++k) s->disp[i][k] += move[k];
  });
}

void GVSelFixOriBegin(HWorld* w, int32_t selection, int32_t part, const float* matrix) {
  forEachLive(w, selection, [&](HObject*, HAState* s) { GVFixOriPartBegin(s, part, matrix); });
}

void GVSelFixOriStep(HWorld* w, int32_t selection, int32_t part, const float* matrix) {
  forEachLive(w, selection, [&](HObject*, HAState* s) { GVFixOriPartStep(s, part, matrix); });
}

// ---------------------------------------------------------------------------
// Rigidify

void GVGetJelPartFrame(HWorld* w, int32_t selection, int32_t part, float* vec, float* mat) {
  if (!vec && !mat) return;
  if (vec) vec[0] = vec[1] = vec[2] = 0.0f;
  if (mat) GVMat3Identity(mat);
  if (!w || selection == 0 || part < 1) return;
  double K[9] = {}, v[3] = {};
  PartSums sums;
  forEachLive(w, selection, [&](HObject*, HAState* s) {
    GVAddPartSums(s, part, &sums);
    GVAddRigidFrameSums(s, part, K, v);
  });
  const double f = sums.mass > 0.0 ? 1.0 / sums.mass : 0.0;
  if (vec)
    for (int k = 0; k < 3; ++k) vec[k] = static_cast<float>(v[k] * f);
  if (mat) {
    float Kf[9];
    for (int k = 0; k < 9; ++k) Kf[k] = static_cast<float>(K[k] * f);
    GVInvertPartFrame(Kf, mat);
  }
}

void GVSelRotateStateFrames(HWorld* w, int32_t selection) {
  static const HAState::PartVectorStep kSteps[3] = {GVPartVecLoadOffsets, GVPartVecFitTurn, GVPartVecApplyTurn};
  forEachLive(w, selection, [&](HObject*, HAState* s) { s->advancePartVectors(kSteps); });
}

void GVSelRigidBegin(HWorld* w, int32_t selection, int32_t part) {
  if (!w || selection == 0) return;
  const PartSums sums = selectionSums(w, selection, part);
  float c[3], u[3];
  GVPartSumsMeans(sums, c, u);
  forEachLive(w, selection, [&](HObject* j, HAState* s) {
    if (j->flags & kJelRigidPoseCurrent) return;
    for (int32_t i = 1; i <= s->nodeCount; ++i)
      if (s->inPart(i, part))
        for (int k = 0; k < 3; ++k) s->restOffset[i][k] = s->pos[i][k] - c[k];
    float* rho = s->impulseTable[static_cast<uint32_t>(part) & 31u];
    rho[0] = rho[1] = rho[2] = 0.0f;
    GVStorePartRef(s, part, kPartRefShape);
  });
}

void GVSelRigidStep(HWorld* w, int32_t selection, int32_t part, int32_t passes) {
  if (!w || selection == 0 || part == 0) return;
  restoreShapes(w, selection, part);
  HAState* first = firstState(w, selection);
  if (!first) return;
  float R[9];
  GVRotationFromVector(first->impulseTable[static_cast<uint32_t>(part) & 31u], R);

  const PartSums sums = selectionSums(w, selection, part);
  float c[3], u[3];
  GVPartSumsMeans(sums, c, u);
  forEachLive(w, selection, [&](HObject*, HAState* s) { GVFillRigidWork(s, part, R, c); });
  float v[3], Kinv[9], omega[3];
  GVGetJelPartFrame(w, selection, part, v, Kinv);
  GVMat3MulVec(omega, Kinv, v);
  setRotation(w, selection, part, omega, R);

  // Each node goes to the captured shape turned by the full rotation (not its
  // first-order form, which would stretch a fast-spinning part), carried by
  // the part's mean displacement.
  float Rw[9];
  GVMat3FromRotVector(omega, Rw);
  double meanE[3] = {0.0, 0.0, 0.0};
  forEachLive(w, selection, [&](HObject*, HAState* s) {
    const Vec3f* r = s->rigidWork[0];
    const Vec3f* sv = s->rigidWork[1];
    for (int32_t i = 1; i <= s->nodeCount; ++i) {
      if (!s->inPart(i, part)) continue;
      float e[3];
      GVMat3MulVec(e, Rw, r[i]);
      for (int k = 0; k < 3; ++k) {
        e[k] -= sv[i][k];
        s->disp[i][k] = e[k] + u[k];
        meanE[k] += static_cast<double>(s->mass[i]) * e[k];
      }
    }
  });
  const double f = sums.mass > 0.0 ? 1.0 / sums.mass : 0.0;
  float eBar[3];
  for (int k = 0; k < 3; ++k) eBar[k] = static_cast<float>(meanE[k] * f);
  forEachLive(w, selection, [&](HObject*, HAState* s) {
    for (int32_t i = 1; i <= s->nodeCount; ++i)
      if (s->inPart(i, part))
        for (int k = 0; k < 3; ++k) s->disp[i][k] -= eBar[k];
  });

  bool noRecord = false;
  forEachLive(w, selection, [&](HObject* j, HAState* s) {
    s->rigidUpdateFrame = w->params.currentFrame;
    if (j->flags & kJelRigidNoRecord)
      noRecord = true;
    else
      s->collisionFlags |= kCollRigidActive;
  });
  if (noRecord) return;
  issue(w, recordArgs(selection, part, kDynCmdRigid, passes, 0));
}

void GVSelRigidApply(HWorld* w, int32_t selection, int32_t part, float* invMass, float* meanDisp, float* work,
                     float* frameInv) {
  if (!w || selection == 0 || part == 0) return;
  if (anyNoRecord(w, selection)) return;
  restoreShapes(w, selection, part);
  const PartSums sums = selectionSums(w, selection, part);
  float c[3], u[3];
  GVPartSumsMeans(sums, c, u);
  if (invMass) *invMass = sums.mass > 0.0 ? static_cast<float>(1.0 / sums.mass) : 0.0f;
  if (meanDisp) std::memcpy(meanDisp, u, sizeof u);
  HAState* first = firstState(w, selection);
  if (!first) return;
  float R[9];
  GVRotationFromVector(first->impulseTable[static_cast<uint32_t>(part) & 31u], R);
  forEachLive(w, selection, [&](HObject*, HAState* s) { GVFillRigidWork(s, part, R, c); });
  float v[3];
  GVGetJelPartFrame(w, selection, part, v, frameInv);
  if (work) work[0] = work[1] = work[2] = 0.0f;
}

void GVSelRigidApplyRot(HWorld* w, int32_t selection, int32_t part, float invMass, const float* meanDisp,
                        const float* frameInv, int32_t lastPass) {
  if (!w || part == 0 || !meanDisp || !frameInv) return;
  if (anyNoRecord(w, selection)) return;
  restoreShapes(w, selection, part);
  double C[3] = {0.0, 0.0, 0.0}, L[3] = {0.0, 0.0, 0.0};
  forEachLive(w, selection, [&](HObject*, HAState* s) {
    const Vec3f* r = s->rigidWork[0];
    const Vec3f* sv = s->rigidWork[1];
    Vec3f* q = s->rigidWork[2];
    for (int32_t i = 1; i <= s->nodeCount; ++i) {
      if (!s->inPart(i, part)) continue;
      const double m = s->mass[i];
      for (int k = 0; k < 3; ++k) {
        q[i][k] = r[i][k] - s->disp[i][k] - s->contactCorr[i][k];
        C[k] += m * s->contactCorr[i][k];
      }
      float t[3];
      GVVecCross(t, q[i], sv[i]);
      for (int k = 0; k < 3; ++k) L[k] += m * t[k];
    }
  });
  float Lm[3], omega[3];
  for (int k = 0; k < 3; ++k) Lm[k] = static_cast<float>(L[k] * invMass);
  GVMat3MulVec(omega, frameInv, Lm);
  if (!std::isfinite(omega[0]) || !std::isfinite(omega[1]) || !std::isfinite(omega[2])) return;
  if (lastPass) {
    HAState* first = firstState(w, selection);
    if (first) {
      float R[9];
      GVRotationFromVector(first->impulseTable[static_cast<uint32_t>(part) & 31u], R);
      setRotation(w, selection, part, omega, R);
    }
  }
  float Rw[9], base[3];
  GVMat3FromRotVector(omega, Rw);
  for (int k = 0; k < 3; ++k) base[k] = meanDisp[k] + static_cast<float>(C[k] * invMass);
  double sumE[3] = {0.0, 0.0, 0.0};
  forEachLive(w, selection, [&](HObject*, HAState* s) {
    const Vec3f* r = s->rigidWork[0];
    const Vec3f* sv = s->rigidWork[1];
    for (int32_t i = 1; i <= s->nodeCount; ++i) {
      if (!s->inPart(i, part)) continue;
      float e[3];
      GVMat3MulVec(e, Rw, r[i]);
      for (int k = 0; k < 3; ++k) {
        e[k] -= sv[i][k];
        s->contactCorr[i][k] = e[k] + base[k] - s->disp[i][k];
        sumE[k] += static_cast<double>(s->mass[i]) * e[k];
      }
    }
  });
  float eBar[3];
  for (int k = 0; k < 3; ++k) eBar[k] = static_cast<float>(sumE[k] * invMass);
  forEachLive(w, selection, [&](HObject*, HAState* s) {
    for (int32_t i = 1; i <= s->nodeCount; ++i)
      if (s->inPart(i, part))
        for (int k = 0; k < 3; ++k) s->contactCorr[i][k] -= eBar[k];
  });
}

// ---------------------------------------------------------------------------
// Walls, plane, drag

int32_t GVSelWalls(HWorld* w, int32_t selection, int32_t part, const float bounds[6]) {
  if (!w || selection == 0 || !w->params.stepping || !bounds) return 0;
  std::atomic<int32_t> hits{0};
  eachLivePerJel(w, selection, [&](HObject*, HAState* s) {
    hits.fetch_or(GVConstrainPartToBox(s, part, static_cast<uint32_t>(-1), bounds), std::memory_order_relaxed);
    s->collisionFlags |= kCollWallsActive;
  });
  DynCmdArgs a = recordArgs(selection, part, kDynCmdWalls, kConstraintPasses, static_cast<uint32_t>(-1));
  a.limits = bounds;
  issue(w, a);
  return hits.load(std::memory_order_relaxed);
}

int32_t GVSelWallsApply(HWorld* w, int32_t selection, int32_t part, uint32_t axes, const float* box) {
  if (!w || selection == 0 || !w->params.stepping || !box) return 0;
  eachLivePerJel(w, selection, [&](HObject*, HAState* s) { GVCorrectPartToBox(s, part, axes, box); });
  return 1;
}

void GVJelWallsApply(HObject* jel, int32_t selection, int32_t part, uint32_t axes, const float* box) {
  if (HAState* s = jel && box && selection != 0 ? liveState(jel, selection) : nullptr) GVCorrectPartToBox(s, part, axes, box);
}

int32_t GVSelPlane(HWorld* w, int32_t selection, int32_t part, const float point[3], const float normal[3]) {
  int32_t moved = 0;
  forEachLive(w, selection, [&](HObject*, HAState* s) { moved |= GVConstrainPartToPlane(s, part, point, normal); });
  return moved;
}

void GVApplyDynCmdToJel(HWorld* w, DragCmd* drag) {
  if (!w || !drag) return;
  if (drag->jelId <= 0) return;
  HObject* j = GVGetJelById(w, drag->jelId);
  if (j && j->state) GVDragNodeStep(j->state, drag);
  issue(w, recordArgs(drag->jelId, drag->part, kDynCmdPlane, 1, 0));
}

void GVInstallConstraintServices(WorldServices* sv) {
  if (!sv) return;
  sv->selFixApply = GVSelFixApply;
  sv->selRigidApply = GVSelRigidApply;
  sv->selRigidApplyRot = GVSelRigidApplyRot;
  sv->selWallsApply = GVSelWallsApply;
}
