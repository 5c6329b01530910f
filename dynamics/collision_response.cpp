#include "dynamics/collision_response.h"

#include <cmath>
#include <cstdint>
#include <vector>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

#include "dynamics/collision_shared.h"
#include "dynamics/collision_tests.h"
#include "dynamics/contact_list.h"
#include "dynamics/contact_nodes.h"
#include "dynamics/world.h"
#include "dynamics/world_services.h"
#include "jel/contact_grid.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "jel/vector_math.h"

// Marks a state already visited while folding without a world.
constexpr int32_t kCollVisitMark = 0x08000000;

using namespace collide;

static bool IsActive(const HObject* j) { return j->id == -1 || (j->groupMask & 2u) != 0; }

static bool IsWheel(const HAState* s) {
  return s->ownerFlags && (*s->ownerFlags & kWheelFlag) && s->nodeCount == kWheelNodes;
}

// ---------------------------------------------------------------------------
// Contact search

static void ClearMarksOfWorld(HWorld* world, HAState* a, HAState* b) {
  if (world) {
    for (HObject* j = world->head; j; j = GVNextJel(j))
      if (j->state && IsActive(j)) GVClearGeoContactMarks(j->state);
  }
  // The parties themselves even when their Jels are not in an active group.
  GVClearGeoContactMarks(a);
  if (b != a) GVClearGeoContactMarks(b);
}

static void MarkListNodes(const ContactRec* from) {
  for (const ContactRec* r = from; r; r = r->next) {
    HAState* s = r->nodeSide;
    if (s && s->contactFlags && ValidNode(s, r->nodeA)) s->contactFlags[r->nodeA] |= kGeoContactMark;
  }
}

static bool ActiveIn(const HWorld* world, const HAState* s) {
  for (const HObject* j = world->head; j; j = GVNextJel(j))
    if (j->state == s) return IsActive(j);
  return false;
}

// The Geo-contact marks of one search. A search clears the marks of the
// world's active Jels and of both parties, and once its node contacts are in
// marks the nodes of every record of the node list, for the edges to read.
// Between searches run back to back (the world's kept marks valid) the node
// list has only grown by the previous search's records, all of its node
// side, so the marks are already those of the list but for the new records:
// the search then only marks those. A search that drops a record older than
// itself, or ends without marking, falls back to the whole clearing.
class SearchMarks {
 public:
  SearchMarks(HWorld* world, ContactList* nodes, ContactList* edges, HAState* A, HAState* B)
      : world_(world), nodes_(nodes), A_(A), B_(B) {
    kept_ = world && world->keptMarks.batch && nodes != edges;
    if (kept_) {
      const HWorld::KeptMarks& k = world->keptMarks;
      const auto covered = [&](const HAState* s) {
        return s == k.parties[0] || s == k.parties[1] || ActiveIn(world, s);
      };
      kept_ = k.valid && k.list == nodes && k.count == nodes->count && k.last == nodes->last && covered(A) &&
              covered(B);
      world->keptMarks.valid = false;
      keptCount_ = nodes->count;
      keptLast_ = nodes->last;
    }
    if (!kept_) ClearMarksOfWorld(world, A, B);
  }

  // After a contact was dropped from a list of countBefore records: a node
  // contact older than this search changes the marks of the records before
  // it. (Nothing reads the marks between the drop and mark().)
  void afterDrop(const ContactList* list, int32_t countBefore) {
    if (kept_ && list == nodes_ && countBefore <= keptCount_) {
      ClearMarksOfWorld(world_, A_, B_);
      kept_ = false;
    }
  }

  // The node contacts are in: marks for the edges.
  void mark() {
    if (kept_)
      MarkListNodes(keptLast_ ? keptLast_->next : nodes_->first);
    else
      MarkListNodes(nodes_->first);
    marked_ = true;
    if (world_ && world_->keptMarks.batch) {
      HWorld::KeptMarks& k = world_->keptMarks;
      k.valid = true;
      k.list = nodes_;
      k.count = nodes_->count;
      k.last = nodes_->last;
      k.parties[0] = A_;
      k.parties[1] = B_;
    }
  }

  // The search ended: without marking, its marks are the cleared ones.
  ~SearchMarks() {
    if (marked_) return;
    if (kept_) ClearMarksOfWorld(world_, A_, B_);
    if (world_) world_->keptMarks.valid = false;
  }

 private:
  HWorld* world_;
  ContactList* nodes_;
  HAState* A_;
  HAState* B_;
  bool kept_ = false;
  bool marked_ = false;
  int32_t keptCount_ = 0;
  const ContactRec* keptLast_ = nullptr;
};

// The box outside which a point of B meets no face of A: farther than A's
// cell size from every face centre on some axis (widened a little against
// rounding), or outside A's grid, where it cannot be located. Inclusive.
static void ReachBox(const HAState* A, float h, float box[6]) {
  const ContactGrid* grid = A->contactGrid;
  for (int a = 0; a < 3; ++a) {
    const float lo = A->faceCentreBox[a], hi = A->faceCentreBox[3 + a];
    const float padLo = h + 1e-4f * (std::fabs(lo) + h), padHi = h + 1e-4f * (std::fabs(hi) + h);
    box[a] = std::fmax(lo - padLo, grid->minCorner[a]);
    box[3 + a] = std::fmin(hi + padHi, grid->maxCorner[a]);
  }
}

// Written so that a NaN coordinate counts as outside.
static bool InBox(const float p[3], const float box[6]) {
  return p[0] >= box[0] && p[0] <= box[3] && p[1] >= box[1] && p[1] <= box[4] && p[2] >= box[2] && p[2] <= box[5];
}

// Per node of B, a bit for each side of the box (low x, y, z, then high x,
// y, z) the node lies beyond by more than one float step. A node with a bit
// is outside; an edge whose two nodes share one has its midpoint beyond
// that side too (the sum of two values below lo' stays at most 2 lo').
// *common gets the bits every node has: with one, no item of B is inside,
// and the result is null. B's node bounds tell those bits without visiting
// the nodes (a node that is not a number widens them to the whole space, as
// its own bits are none: every comparison with it is false).
static const uint8_t* BeyondSides(HAState* B, const float box[6], uint8_t* common) {
  float lo[4], hi[4];
  for (int a = 0; a < 3; ++a) {
    lo[a] = std::nextafter(box[a], -INFINITY);
    hi[a] = std::nextafter(box[3 + a], INFINITY);
  }
  lo[3] = -INFINITY;
  hi[3] = INFINITY;
  GVEnsureNodeBox(B);
  const float* nb = B->nodeBox;
  uint8_t all = 0;
  for (int a = 0; a < 3; ++a)
    all |= static_cast<uint8_t>((nb[3 + a] < lo[a]) << a | (nb[a] > hi[a]) << (3 + a));
  *common = all;
  if (all) return nullptr;
  std::vector<uint8_t>& scratch = B->collisionScratch;
  scratch.resize(static_cast<size_t>(B->nodeCount) + 1);
  uint8_t* sides = scratch.data();
  const float(*pos)[3] = B->pos;
  const int32_t n = B->nodeCount;
  sides[0] = 0;
  int32_t i = 1;
#if defined(__SSE__)
  // Four floats from a node's x: its x, y, z and the next node's x, whose
  // bit is dropped (the last node, with no next one, goes below).
  const __m128 lo4 = _mm_loadu_ps(lo), hi4 = _mm_loadu_ps(hi);
  for (; i < n; ++i) {
    const __m128 p = _mm_loadu_ps(pos[i]);
    const int below = _mm_movemask_ps(_mm_cmplt_ps(p, lo4)) & 7;
    const int above = _mm_movemask_ps(_mm_cmpgt_ps(p, hi4)) & 7;
    sides[i] = static_cast<uint8_t>(below | above << 3);
  }
#endif
  for (; i <= n; ++i) {
    const float* p = pos[i];
    sides[i] = static_cast<uint8_t>((p[0] < lo[0]) | (p[1] < lo[1]) << 1 | (p[2] < lo[2]) << 2 | (p[0] > hi[0]) << 3 |
                                    (p[1] > hi[1]) << 4 | (p[2] > hi[2]) << 5);
  }
  return sides;
}

void GVJelJelContactSearch(HWorld* world, ContactList* nodes, ContactList* edges, HAState* A, HAState* B,
                           int32_t kA, int32_t kB, float cornerShift, float offsetLength, int32_t mode) {
  if (!nodes || !edges || !A || !B) return;
  if (!A->pos || !A->disp || !A->faces || A->faceCount < 1 || !B->pos || !B->disp || !B->restLinks) return;
  const bool flatA = A->isFlat(), flatB = B->isFlat();
  if (flatA && kA == 2) kA = 1;
  if (flatB && kB == 2) kB = 1;
  const float dt = GVContactStepTime(B);
  if (dt == 0.0f) return;
  const bool wheel = IsWheel(A);
  SearchMarks marks(world, nodes, edges, A, B);
  GVEnsureFaceGrid(A);
  if (!A->contactGrid || !A->contactGrid->root) return;

  const float hA = A->cellSize;
  const float start = (hA < B->cellSize ? hA : B->cellSize) * dt * 30.0f * 0.6f;
  const uint32_t options = (flatB ? kProjOffsetTowards : 0u) | (flatA ? kProjShiftTowards : 0u);
  const int32_t n = B->nodeCount;
  const int32_t items = n + (B->edges ? B->edgeCount : 0);
  const bool self = A == B;
  // A point outside the reach box finds no face near enough to be tried:
  // skipping it, or every item of B when none lies inside, loses nothing.
  float reachBox[6];
  ReachBox(A, hA, reachBox);
  uint8_t common = 0;
  const uint8_t* beyond = BeyondSides(B, reachBox, &common);
  if (common != 0) {
    if (items > n) marks.mark();
    return;
  }
  const bool distinct = A->contactGrid->distinctItems != 0;

  // Most items of a pair lie out of reach: a sweep without branches keeps
  // the others, each a node or an edge of two valid nodes.
  B->searchItems.resize(static_cast<size_t>(items));
  int32_t* kept = B->searchItems.data();
  int32_t keptCount = 0;
  for (int32_t i = 1; i <= n; ++i) {
    kept[keptCount] = i;
    keptCount += beyond[i] == 0;
  }
  for (int32_t e = 1; e <= items - n; ++e) {
    const int32_t a = B->edges[e][0], b = B->edges[e][1];
    const bool valid = ValidNode(B, a) & ValidNode(B, b);
    kept[keptCount] = n + e;
    keptCount += valid & ((beyond[valid ? a : 0] & beyond[valid ? b : 0]) == 0);
  }

  constexpr int32_t kBatch = 16;
  int32_t near[kBatch];
  SurfaceProjection projected[kBatch];
  bool edgesMarked = false;
  for (int32_t j = 0; j < keptCount; ++j) {
    const int32_t i = kept[j];
    int32_t a = i, b = 0;
    if (i > n) {
      if (!edgesMarked) marks.mark();
      edgesMarked = true;
      a = B->edges[i - n][0];
      b = B->edges[i - n][1];
    }
    float P[3];
    for (int k = 0; k < 3; ++k) P[k] = b ? 0.5f * (B->pos[a][k] + B->pos[b][k]) : B->pos[a][k];
    if (!InBox(P, reachBox)) continue;
    if (!B->inPart(a, kB) && !(b && B->inPart(b, kB))) continue;
    if (b && Marked(B, a) && Marked(B, b)) continue;

    int32_t x = -1, y = -1, z = -1;
    // A point the grid cannot place has no candidate faces; the other items
    // still search.
    if (!GVOctreeLocate(A->contactGrid, P, &x, &y, &z)) continue;
    const int32_t* hits = GVOctreeQuery(A->contactGrid, x, y, z);
    if (!hits || hits[0] == 0) continue;
    float S[3];
    bool haveS = false;  // the in-step point, formed once a face is near
    float best[3] = {start, start, start};
    ContactList* list = b ? edges : nodes;

    // The faces near enough to be tried, a batch at a time: their
    // projections depend on nothing the tries change, so a batch is
    // projected together and then tried in hit order.
    bool stop = false;
    for (int32_t k = 1; k <= hits[0] && !stop;) {
      int32_t count = 0;
      for (; k <= hits[0] && count < kBatch; ++k) {
        const int32_t f = hits[k];
        if (!ValidFace(A, f) || (!distinct && SeenBefore(hits, k))) continue;
        const int32_t* c = A->faces[f];
        if (!ValidNode(A, c[0]) || !A->inPart(c[0], kA)) continue;
        if (self && (GVNodeNearFace(a, A, c[0], c[1], c[2], c[3]) ||
                     (b != 0 && GVNodeNearFace(b, A, c[0], c[1], c[2], c[3]))))
          continue;
        float off[3], scratch[3];
        Sub(off, P, FaceCentre(A, f, scratch));
        if (!(Dot(off, off) < hA * hA)) continue;
        // A face whose surface is farther across than any kept distance.
        if (options == 0 && FaceBeyondReach(A, f, P, start)) continue;
        near[count++] = f;
      }
      if (count == 0) continue;
      if (!haveS) NodeStepPos(B, a, b, S);
      haveS = true;
      if (options == 0) {
        GVProjectOnFaces(A, near, count, P, 4, projected);
      } else {
        const float* D = GVNodeShiftVector(B, a);
        for (int32_t j = 0; j < count; ++j)
          GVProjectOnFace(A, near[j], P, D, 4, options, offsetLength, cornerShift, &projected[j]);
      }
      for (int32_t j = 0; j < count; ++j) {
        const int32_t f = near[j];
        const SurfaceProjection& pr = projected[j];
        const int32_t half = wheel ? (A->faces[f][0] > kWheelHalfNode ? 2 : 1) : 0;
        if (!(std::fabs(pr.dist) < best[half])) continue;
        float F[3], move[3];
        FaceDispAt(A, f, pr.s, pr.t, F);
        Sub(move, S, P);
        const float r = Dot(move, pr.normal) - Dot(F, pr.normal);
        bool touch = !EndsBehind(pr.dist, r) || (std::fabs(pr.dist) < kRestEps && std::fabs(r) < kRestEps);
        const FaceReach reach = FaceReachOf(A, f, pr.s, pr.t, pr.dist);
        if (reach == FaceReach::Outside) continue;
        const bool edgeTouch = reach == FaceReach::EdgeTouch;
        if (edgeTouch) touch = true;

        float Y[3], Sx[3], gap[3];
        for (int q = 0; q < 3; ++q) {
          Y[q] = pr.point[q] + F[q];
          Sx[q] = S[q] + (flatB ? pr.offset[q] : 0.0f);
        }
        Sub(gap, Y, Sx);
        const float p = Dot(gap, pr.normal);
        if (touch) {
          const int32_t countBefore = list->count;
          if (GVContactDropLastIf(list, B, A, a, b, static_cast<uint32_t>(half))) marks.afterDrop(list, countBefore);
          best[half] = std::fabs(pr.dist);
          if (edgeTouch && !wheel) {
            stop = true;
            break;
          }
          continue;
        }
        if (p <= 0.0f) continue;
        const float v2[3] = {pr.s, pr.t, pr.dist};
        best[half] = GVContactUpdateOrAppendPair(list, B, A, a, b, f, p, ProjectionVectors(pr, v2),
                                                 static_cast<uint32_t>(mode), static_cast<uint32_t>(half));
      }
    }
  }
  if (items > n && !edgesMarked) marks.mark();
}

// ---------------------------------------------------------------------------
// Refresh

void GVRefreshContactList(ContactList* list) {
  if (!list) return;
  for (ContactRec* r = list->first; r; r = r->next) {
    const HAState* B = r->nodeSide;
    const HAState* A = r->faceSide;
    if (!B || !A || !B->mass || !ValidNode(B, r->nodeA) || !ValidFace(A, r->face)) continue;
    float m = B->mass[r->nodeA];
    if (r->nodeB != 0 && ValidNode(B, r->nodeB)) m = 0.5f * (m + B->mass[r->nodeB]);
    const int32_t* c = A->faces[r->face];
    const float mx = GVMaxNodeMass(A, c[0], c[1], c[2], c[3]);
    const float q = mx > 1e-10f ? m / mx : 0.0f;
    r->massRatio = q;
    r->weight = 1.0f / (q + 1.0f);
  }
}

// ---------------------------------------------------------------------------
// Pass bookkeeping

// The parties a pass marks as it meets them, each once, so that the marks
// are cleared without walking the list again (a pass leaves no mark: every
// party is unmarked when a pass begins).
class PassParties {
 public:
  void mark(HAState* s) {
    if (!s || (s->collisionFlags & kCollPassMark)) return;
    s->collisionFlags |= kCollPassMark;
    if (count_ < kRoom)
      parties_[count_] = s;
    ++count_;
  }
  void mark(const ContactRec* r, bool faces) {
    mark(r->nodeSide);
    if (faces) mark(r->faceSide);
  }
  // Clears the marks; with more parties than the room, by the list.
  void clear(ContactList* list, bool faces);

 private:
  static constexpr int32_t kRoom = 64;
  HAState* parties_[kRoom];
  int32_t count_ = 0;
};

void PassParties::clear(ContactList* list, bool faces) {
  if (count_ > kRoom) {
    for (ContactRec* r = list->first; r; r = r->next) {
      if (r->nodeSide) r->nodeSide->collisionFlags &= ~kCollPassMark;
      if (faces && r->faceSide) r->faceSide->collisionFlags &= ~kCollPassMark;
    }
    return;
  }
  for (int32_t k = 0; k < count_; ++k) parties_[k]->collisionFlags &= ~kCollPassMark;
}

// Runs fn on every live state carrying the pass mark: the world's Jels, or,
// without a world, the parties of the list (each once).
template <class Fn>
static void ForEachMarked(HWorld* world, ContactList* list, bool faces, Fn fn) {
  if (world) {
    for (HObject* j = world->head; j; j = GVNextJel(j))
      if (j->state && (j->state->collisionFlags & kCollPassMark)) fn(j->state);
    return;
  }
  for (ContactRec* r = list->first; r; r = r->next) {
    HAState* parties[2] = {r->nodeSide, faces ? r->faceSide : nullptr};
    for (HAState* s : parties)
      if (s && (s->collisionFlags & kCollPassMark) && !(s->collisionFlags & kCollVisitMark)) {
        s->collisionFlags |= kCollVisitMark;
        fn(s);
      }
  }
  for (ContactRec* r = list->first; r; r = r->next) {
    if (r->nodeSide) r->nodeSide->collisionFlags &= ~kCollVisitMark;
    if (faces && r->faceSide) r->faceSide->collisionFlags &= ~kCollVisitMark;
  }
}


// ---------------------------------------------------------------------------
// Jel against Jel

int32_t GVJelJelCollisionPass(HWorld* world, ContactList* list, int32_t pass, int32_t passCount) {
  if (!list || !list->first || !list->first->nodeSide || !list->first->faceSide || pass > passCount) return 0;
  GVClearFaceContactCounts(list->first->nodeSide);
  if (list->first->faceSide != list->first->nodeSide) GVClearFaceContactCounts(list->first->faceSide);

  // The parties are marked in the first walk; it reads no pass correction,
  // so their corrections are cleared after it.
  PassParties parties;
  for (ContactRec* r = list->first; r; r = r->next) {
    parties.mark(r, true);
    HAState* B = r->nodeSide;
    HAState* A = r->faceSide;
    if (!B || !A) continue;
    r->active = 0;
    if (!ValidNode(B, r->nodeA) || !ValidFace(A, r->face) || !B->contactCorr || !A->contactCorr) continue;
    float Y[3], S[3], d[3];
    FaceCorrDispAt(A, r->face, r->vec2[0], r->vec2[1], Y);
    for (int q = 0; q < 3; ++q) Y[q] += r->vec3[q];
    NodeCorrPos(B, r->nodeA, r->nodeB, S);
    if (B->isFlat())
      for (int q = 0; q < 3; ++q) S[q] += r->vec4[q];
    Sub(d, Y, S);
    const float p = Dot(d, r->vec1);
    // A node contact holds its node to the face until the last pass; an edge
    // contact only ever pushes.
    const bool active = p > 0.0f || (r->nodeB == 0 && pass < passCount);
    if (active) {
      const float mu = FrictionOf(A, A->faces[r->face][0]) * FrictionOf(B, r->nodeA) * p;
      FrictionLimited(d, r->vec1, p, mu, r->corr);
      if (r->nodeB == 0 && A->faceContactCount) A->faceContactCount[r->face] += 1;
    }
    r->active = active ? 1u : 0u;
  }
  ForEachMarked(world, list, true, [](HAState* s) { GVClearTouchedPassCorr(s); });

  int32_t any = 0;
  for (ContactRec* r = list->first; r; r = r->next) {
    HAState* B = r->nodeSide;
    HAState* A = r->faceSide;
    if (!B || !A) continue;
    if (r->active) {
      any = 1;
      float w = 0.5f * r->weight;
      if (r->extra == 2) w *= 0.5f;
      float c[3], L[3], Ls[3], omega[3], v[3];
      GVVecScale(c, r->corr, w);
      NodeAngImpulse(B, r->nodeA, r->nodeB, r->faceCentre, c, L);
      GVVecScale(Ls, L, r->invFaceMass);
      GVMat3MulVec(omega, r->matrix, Ls);
      NodeImpulse(B, r->nodeA, r->nodeB, c, r->faceMass, v);
      const float negOmega[3] = {-omega[0], -omega[1], -omega[2]};
      FaceAddRigidCorr(A, A->faces[r->face], r->faceCentre, v, negOmega);
    }
    // The node contacts are folded before the edge contacts read positions.
    if (r->serial == list->nodeCount) ForEachMarked(world, list, true, FoldPass);
  }
  ForEachMarked(world, list, true, FoldPass);
  parties.clear(list, true);
  return any;
}

// ---------------------------------------------------------------------------
// Geo against Jel

int32_t GVGeoJelCollisionPass(HWorld* world, ContactList* list, int32_t pass, int32_t passCount) {
  if (!list || !list->first) return 0;
  PassParties parties;
  for (const ContactRec* r = list->first; r; r = r->next) parties.mark(r, false);
  if (pass <= passCount) {
    ForEachMarked(world, list, false, [](HAState* s) { GVClearTouchedPassCorr(s); });
    for (ContactRec* r = list->first; r; r = r->next) {
      HAState* J = r->nodeSide;
      if (!J) continue;
      if (ValidNode(J, r->nodeA) && J->contactCorr && J->contactPassCorr) {
        float S[3], d[3];
        NodeCorrPos(J, r->nodeA, r->nodeB, S);
        if (J->isFlat())
          for (int q = 0; q < 3; ++q) S[q] += r->vec4[q];
        Sub(d, r->vec3, S);
        const float p = Dot(d, r->vec1);
        if (p > 0.0f || r->nodeB == 0) {
          float c[3], unused[3];
          FrictionLimited(d, r->vec1, p, FrictionOf(J, r->nodeA) * p, c);
          // The Geo does not move: the Jel takes the whole correction.
          NodeImpulse(J, r->nodeA, r->nodeB, c, 0.0f, unused);
        }
      }
      if (r->serial == list->nodeCount && (J->collisionFlags & kCollPassMark)) FoldPass(J);
    }
    ForEachMarked(world, list, false, FoldPass);
  }
  parties.clear(list, false);
  return 0;
}

// ---------------------------------------------------------------------------

static void FaceMassFrameService(HAState* state, int32_t face, float* mass, float* invMass, float* centre,
                                 float* invInertia) {
  GVFaceMassFrame(state, face, mass, invMass, centre, invInertia);
}

void GVInstallCollisionServices(WorldServices* services) {
  if (!services) return;
  services->jelJelContactSearch = GVJelJelContactSearch;
  services->refreshContactList = GVRefreshContactList;
  services->faceMassFrame = FaceMassFrameService;
  services->jelJelCollisionPass = GVJelJelCollisionPass;
  services->geoJelCollisionPass = GVGeoJelCollisionPass;
}
