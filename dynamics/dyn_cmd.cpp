#include "dynamics/dyn_cmd.h"

#include "dynamics/constraint_cmds.h"

#include <new>
#include <utility>

#include "dynamics/contact_nodes.h"
#include "dynamics/world.h"
#include "dynamics/world_services.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"

constexpr int32_t kDynCmdGrowth = 10;
// Passes of each direction of a Jel-against-Jel collision record.
constexpr int32_t kJelJelPasses = 5;

static void Identity(float* m) {
  for (int i = 0; i < 9; ++i) m[i] = (i % 4 == 0) ? 1.0f : 0.0f;
}

static void Copy(float* dst, const float* src, int n) {
  for (int i = 0; i < n; ++i) dst[i] = src ? src[i] : 0.0f;
}


static bool IsActive(const HObject* j) { return j->id == -1 || (j->groupMask & 2u) != 0; }

// ---------------------------------------------------------------------------
// Records

DynCmdRec::DynCmdRec() { GVResetDynCmdRec(this); }

DynCmdRec::~DynCmdRec() { GVFreeDynCmdSubRecs(this); }

void GVFreeDynCmdSubRecs(DynCmdRec* r) {
  if (!r) return;
  GVDeleteContactList(r->jelContacts);
  GVDeleteContactList(r->altContacts);
  GVDeleteContactList(r->geoContacts);
  r->jelContacts = r->altContacts = r->geoContacts = nullptr;
}

void GVResetDynCmdRec(DynCmdRec* r) {
  if (!r) return;
  GVFreeDynCmdSubRecs(r);
  r->word0 = r->key1 = r->key2 = r->key3 = r->key4 = 0;
  r->type = 0;
  r->valid = r->issued = r->requestedPasses = r->passes = 0;
  r->mergedWith = -1;
  r->mergedTypes = 0;
  r->mode = 0;
  Copy(r->vec, nullptr, 3);
  Identity(r->mat);
  r->scalar = 0.0f;
  Copy(r->work, nullptr, 6);
  Identity(r->mat2);
  Copy(r->limits, nullptr, 6);
}

void GVInitDynCmdRec(DynCmdRec* r, const DynCmdArgs& a) {
  if (!r) return;
  GVFreeDynCmdSubRecs(r);
  r->word0 = 0;
  r->key1 = a.key1;
  r->key2 = a.key2;
  r->key3 = a.key3;
  r->key4 = a.key4;
  r->type = a.type;
  r->valid = r->issued = 0;
  r->requestedPasses = a.passes;
  r->passes = 0;
  r->mergedWith = 0;
  r->mergedTypes = 0;
  r->mode = a.mode;
  Copy(r->vec, a.vec, 3);
  if (a.mat)
    Copy(r->mat, a.mat, 9);
  else
    Identity(r->mat);
  r->scalar = a.scalar;
  Copy(r->work, nullptr, 6);
  Identity(r->mat2);
  if (a.limits) Copy(r->limits, a.limits, 6);
}

void GVUpdateDynCmdRec(DynCmdRec* r, const float* vec, const float* mat, uint32_t mode, float scalar,
                       const float* limits) {
  if (!r) return;
  // The caller attaches fresh sub-records when the type has them.
  GVFreeDynCmdSubRecs(r);
  r->mode = mode;
  Copy(r->vec, vec, 3);
  if (mat)
    Copy(r->mat, mat, 9);
  else
    Identity(r->mat);
  r->scalar = scalar;
  Copy(r->work, nullptr, 6);
  Identity(r->mat2);
  if (limits) Copy(r->limits, limits, 6);
}

static void CopyWords(const DynCmdRec* from, DynCmdRec* to) {
  to->word0 = from->word0;
  to->key1 = from->key1;
  to->key2 = from->key2;
  to->key3 = from->key3;
  to->key4 = from->key4;
  to->type = from->type;
  to->valid = from->valid;
  to->issued = from->issued;
  to->requestedPasses = from->requestedPasses;
  to->passes = from->passes;
  to->mergedWith = from->mergedWith;
  to->mergedTypes = from->mergedTypes;
  to->mode = from->mode;
  Copy(to->vec, from->vec, 3);
  Copy(to->mat, from->mat, 9);
  to->scalar = from->scalar;
  Copy(to->work, from->work, 6);
  Copy(to->mat2, from->mat2, 9);
  Copy(to->limits, from->limits, 6);
}

void GVCopyDynCmdRec(const DynCmdRec* from, DynCmdRec* to) {
  if (!from || !to || from == to) return;
  GVFreeDynCmdSubRecs(to);
  CopyWords(from, to);
}

void GVMoveDynCmdRec(DynCmdRec* from, DynCmdRec* to) {
  if (!from || !to || from == to) return;
  GVFreeDynCmdSubRecs(to);
  CopyWords(from, to);
  to->jelContacts = std::exchange(from->jelContacts, nullptr);
  to->altContacts = std::exchange(from->altContacts, nullptr);
  to->geoContacts = std::exchange(from->geoContacts, nullptr);
}

// ---------------------------------------------------------------------------
// Store

int32_t GVGrowDynCmdRecs(HWorld* world) {
  if (!world) return 0;
  const int32_t capacity = world->cmdCapacity + kDynCmdGrowth;
  DynCmdRec* grown = new (std::nothrow) DynCmdRec[capacity];
  if (!grown) return 0;
  // Sub-records move with their record: the old array must not free them.
  for (int32_t i = 0; i < world->cmdCapacity && world->cmds; ++i) GVMoveDynCmdRec(&world->cmds[i], &grown[i]);
  delete[] world->cmds;
  world->cmds = grown;
  world->cmdCapacity = capacity;
  return capacity;
}

int32_t GVAppendDynCmdRec(HWorld* world, const DynCmdArgs& a) {
  if (!world) return -1;
  if (world->cmdCount >= world->cmdCapacity && GVGrowDynCmdRecs(world) == 0) return -1;
  const int32_t index = world->cmdCount;
  GVInitDynCmdRec(&world->cmds[index], a);
  world->cmdCount += 1;
  return index;
}

static bool KeysMatch(const DynCmdRec& r, uint32_t type, int32_t k1, int32_t k2, int32_t k3, int32_t k4) {
  return (type == 0 || r.type == type) && (k1 == 0 || r.key1 == k1) && (k2 == 0 || r.key2 == k2) &&
         (k3 == 0 || r.key3 == k3) && (k4 == 0 || r.key4 == k4);
}

int32_t GVFindDynCmdRecByKeys(const HWorld* world, uint32_t type, int32_t k1, int32_t k2, int32_t k3, int32_t k4) {
  if (!world || !world->cmds) return -1;
  for (int32_t i = 0; i < world->cmdCount; ++i)
    if (KeysMatch(world->cmds[i], type, k1, k2, k3, k4)) return i;
  return -1;
}

int32_t GVFindDynCmdRec(const HWorld* world, uint32_t type, int32_t k1, int32_t k2, int32_t k3, int32_t k4,
                        uint32_t mode) {
  if (!world || !world->cmds) return -1;
  for (int32_t i = 0; i < world->cmdCount; ++i) {
    const DynCmdRec& r = world->cmds[i];
    if (KeysMatch(r, type, k1, k2, k3, k4) && (mode == 0 || r.mode == mode)) return i;
  }
  return -1;
}

int32_t GVFindOrAddDynCmdRec(HWorld* world, const DynCmdArgs& a) {
  if (!world) return -1;
  const int32_t found = GVFindDynCmdRec(world, a.type, a.key1, a.key2, a.key3, a.key4, a.mode);
  if (found >= 0) {
    DynCmdRec& r = world->cmds[found];
    if (!r.valid) {
      r.issued = 0;
      return 0;
    }
    GVUpdateDynCmdRec(&r, a.vec, a.mat, a.mode, a.scalar, a.limits);
    r.issued = 1;
    return found;
  }
  const int32_t index = GVAppendDynCmdRec(world, a);
  if (index < 0) return -1;
  world->cmdResolved = 0;
  GVResolveDynCmdRecs(world);
  return index;
}

static bool HasSubRecord(uint32_t type) {
  return type == kDynCmdGeoJel || type == kDynCmdGeoJelAlt || type == kDynCmdJelJel;
}

int32_t GVAddDynCmdRec(HWorld* world, const DynCmdArgs& a) {
  if (!world) return -1;
  const int32_t index = world->cmdResolved ? GVFindOrAddDynCmdRec(world, a) : GVAppendDynCmdRec(world, a);
  if (HasSubRecord(a.type) && index >= 0 && index < world->cmdCount)
    GVAttachDynCmdSubRec(world, &world->cmds[index], a.type);
  return index;
}

void GVAttachDynCmdSubRec(HWorld* world, DynCmdRec* r, uint32_t type) {
  if (!world || !r) return;
  switch (type) {
    case kDynCmdJelJel:
      if (!r->jelContacts) r->jelContacts = GVNewContactList(&world->contactStore);
      GVContactListJoin(r->jelContacts, &world->contacts[0], &world->contacts[1]);
      break;
    case kDynCmdGeoJel:
      if (!r->geoContacts) r->geoContacts = GVNewContactList(&world->contactStore);
      GVContactListJoin(r->geoContacts, &world->contacts[3], &world->contacts[4]);
      break;
    case kDynCmdGeoJelAlt:
      if (!r->altContacts) r->altContacts = GVNewContactList(&world->contactStore);
      if (r->altContacts->count == 0) {
        GVDeleteContactList(r->altContacts);
        r->altContacts = nullptr;
      }
      break;
    default:
      break;
  }
}

void GVClearDynCmdRecs(HWorld* world) {
  if (!world) return;
  for (int32_t i = 0; i < world->cmdCapacity && world->cmds; ++i) GVResetDynCmdRec(&world->cmds[i]);
  world->cmdCount = 0;
  world->cmdResolved = 0;
  world->cmdPasses = 0;
}

// ---------------------------------------------------------------------------
// Resolution

// Selection test of the resolution: -1..-30 are groups.
static bool MatchesKey(const HObject* j, int32_t s) {
  if (s > 0) return j->id == s;
  if (s >= -30 && s <= -1) return ((j->groupMask >> (-s)) & 1u) != 0;
  return false;
}

static bool ShareAJel(const HWorld* world, int32_t s1, int32_t s2) {
  for (const HObject* j = world->head; j; j = GVNextJel(j))
    if (MatchesKey(j, s1) && MatchesKey(j, s2)) return true;
  return false;
}

void GVResolveDynCmdRecs(HWorld* world) {
  if (!world) return;
  world->cmdPasses = 0;
  if (world->cmdResolved) return;
  const int32_t n = world->cmdCount;
  DynCmdRec* recs = world->cmds;
  for (int32_t i = 0; i < n; ++i) {
    recs[i].passes = recs[i].requestedPasses;
    recs[i].mergedWith = -1;
    recs[i].valid = recs[i].issued = 0;
    recs[i].mergedTypes = 0;
  }
  for (int32_t ri = 0; ri < n; ++ri) {
    DynCmdRec& r = recs[ri];
    if (r.type != kDynCmdRigid) {
      for (int32_t gi = 0; gi < n; ++gi) {
        DynCmdRec& g = recs[gi];
        if (g.type != kDynCmdRigid || !ShareAJel(world, r.key1, g.key1)) continue;
        r.valid = g.valid = 1;
        g.mergedTypes |= r.type;
        if (g.passes < r.passes) {
          g.passes = r.passes;
          if (g.mergedWith >= 0 && g.mergedWith < n && recs[g.mergedWith].passes > 0)
            recs[g.mergedWith].passes = r.passes;
          g.mergedWith = ri;
        } else if (r.passes < g.passes && r.passes > 0) {
          r.passes = g.passes;
          r.mergedWith = gi;
        }
      }
    }
    if (HasSubRecord(r.type)) r.valid = 1;
  }
  for (int32_t i = 0; i < n; ++i) {
    DynCmdRec& r = recs[i];
    if (!r.valid || r.mergedWith < 0 || r.mergedWith >= n) continue;
    DynCmdRec& m = recs[r.mergedWith];
    m.mergedWith = -1;
    r.passes = m.passes;
  }
  for (int32_t i = 0; i < n; ++i)
    if (recs[i].valid && recs[i].passes > world->cmdPasses) world->cmdPasses = recs[i].passes;
  for (int32_t i = 0; i < n; ++i) recs[i].issued = 1;
  world->cmdResolved = 1;
}

// ---------------------------------------------------------------------------
// Application

void GVPrepareDynCmdSubsteps(HWorld* world) {
  if (!world || !world->cmds) return;
  for (int32_t i = 0; i < world->cmdCount; ++i) {
    world->cmds[i].issued = 0;
    GVFreeDynCmdSubRecs(&world->cmds[i]);
  }
}

static void CollectContactFlags(HObject* j) {
  HAState* s = j->state;
  if (!s || !IsActive(j) || !s->contactFlags) return;
  uint32_t all = 0;
  for (int32_t i = 1; i <= s->nodeCount; ++i) all |= s->contactFlags[i];
  s->contactSummary |= static_cast<int32_t>(all);
}

void GVCollectContactFlags(HWorld* world) {
  if (!world) return;
  for (HObject* j = world->head; j; j = GVNextJel(j)) CollectContactFlags(j);
}

static bool SelectionHas(const HWorld* world, int32_t selection, bool (*test)(const HAState*)) {
  for (const HObject* j = world->head; j; j = GVNextJel(j))
    if (j->state && GVJelInSel(j, selection) && test(j->state)) return true;
  return false;
}

static bool RigidContact(const HAState* s) { return s->rigidContact != 0; }
static bool WallTouch(const HAState* s) { return (s->contactSummary & kContactWallTouch) != 0; }

static void ApplyRecord(HWorld* world, DynCmdRec& r, int32_t pass) {
  const WorldServices& sv = GVWorldServices();
  const bool lastPass = pass == r.passes;
  if (r.type & kDynCmdFix) {
    const bool target = (r.mode & (kDynCmdFixOffset | kDynCmdFixMatrix)) != 0;
    if (sv.selFixApply) sv.selFixApply(world, r.key1, r.key3, target ? &r : nullptr);
  }
  if ((r.type & kDynCmdRigid) &&
      ((r.mergedTypes & kDynCmdFix) || SelectionHas(world, r.key1, RigidContact) ||
       SelectionHas(world, r.key1, WallTouch))) {
    if (pass == 1) {
      if (sv.selRigidApply) sv.selRigidApply(world, r.key1, r.key3, &r.scalar, r.work, r.work + 3, r.mat2);
    } else if (r.key1 != 0 && sv.selRigidApplyRot) {
      sv.selRigidApplyRot(world, r.key1, r.key3, r.scalar, r.work, r.mat2, lastPass ? 1 : 0);
    }
  }
  if ((r.type & kDynCmdJelJel) && r.jelContacts) {
    if (pass == 1) {
      if (sv.refreshContactList) sv.refreshContactList(r.jelContacts);
      if (sv.faceMassFrame)
        for (ContactRec* c = r.jelContacts->first; c; c = c->next)
          sv.faceMassFrame(c->faceSide, c->face, &c->faceMass, &c->invFaceMass, c->faceCentre, c->matrix);
    }
    if (sv.jelJelCollisionPass) sv.jelJelCollisionPass(world, r.jelContacts, pass, r.passes);
  }
  if ((r.type & kDynCmdGeoJel) && r.geoContacts && sv.geoJelCollisionPass)
    sv.geoJelCollisionPass(world, r.geoContacts, pass, r.passes);
  if ((r.type & kDynCmdWalls) && SelectionHas(world, r.key1, WallTouch) && sv.selWallsApply)
    sv.selWallsApply(world, r.key1, r.key3, r.mode, r.limits);
}

// The Jels with a live state, into the world's reused list.
static std::vector<HObject*>& JelsWithState(HWorld* world) {
  std::vector<HObject*>& jels = world->perJel;
  jels.clear();
  for (HObject* j = world->head; j; j = GVNextJel(j))
    if (j->state) jels.push_back(j);
  return jels;
}

// Passes that touch one Jel at a time: every record that acts is a walls
// record alone, re-applied by the walls command's own service.
static bool PassesPerJel(const HWorld* world) {
  if (GVWorldServices().selWallsApply != GVSelWallsApply) return false;
  for (int32_t k = 0; k < world->cmdCount; ++k) {
    const DynCmdRec& r = world->cmds[k];
    if (r.valid && r.issued && r.passes >= 1 && r.type != kDynCmdWalls) return false;
  }
  return true;
}

void GVApplyDynCmdRecsShared(HWorld* world) {
  if (!world) return;
  if (!world->cmdResolved) GVResolveDynCmdRecs(world);
  world->cmdPerJel.clear();
  world->cmdPassesPerJel = false;
  // The per-Jel work before and after the records touches its own Jel only:
  // it runs side by side.
  std::vector<HObject*>& jels = JelsWithState(world);
  GVRunPerJel(world, static_cast<int32_t>(jels.size()), [&](int32_t k) {
    HObject* j = jels[k];
    if (j->state->collisionFlags != 0) GVClearCollAccums(j->state);
    CollectContactFlags(j);
  });
  // Walls alone: each Jel runs the passes when it finishes; whether a
  // record acts is settled here, once (nothing in the passes changes it).
  if (PassesPerJel(world)) {
    world->cmdPassesPerJel = true;
    for (int32_t k = 0; k < world->cmdCount; ++k) {
      const DynCmdRec& r = world->cmds[k];
      if (r.valid && r.issued && r.passes >= 1 && r.key1 != 0 && world->params.stepping &&
          SelectionHas(world, r.key1, WallTouch))
        world->cmdPerJel.push_back(k);
    }
    return;
  }
  for (int32_t pass = 1; pass <= world->cmdPasses; ++pass) {
    for (int32_t k = 0; k < world->cmdCount; ++k) {
      DynCmdRec& r = world->cmds[k];
      if (r.valid && r.issued && pass <= r.passes) ApplyRecord(world, r, pass);
    }
  }
}

void GVFinishDynCmdRecs(HWorld* world, HObject* jel) {
  if (world->cmdPassesPerJel)
    for (int32_t pass = 1; pass <= world->cmdPasses; ++pass)
      for (int32_t k : world->cmdPerJel) {
        const DynCmdRec& r = world->cmds[k];
        if (pass <= r.passes) GVJelWallsApply(jel, r.key1, r.key3, r.mode, r.limits);
      }
  HAState* s = jel->state;
  if (s->collisionFlags != 0) {
    GVApplyCollDisp(1, s);
    GVClearCollDisp(1, s);
  }
  s->rigidContact = 0;
}

void GVApplyDynCmdRecs(HWorld* world) {
  if (!world) return;
  GVApplyDynCmdRecsShared(world);
  std::vector<HObject*>& jels = JelsWithState(world);
  GVRunPerJel(world, static_cast<int32_t>(jels.size()), [&](int32_t k) { GVFinishDynCmdRecs(world, jels[k]); });
}

// ---------------------------------------------------------------------------
// Jel-against-Jel collision set-up

static void SearchPair(HWorld* world, HObject* a, HObject* b, int32_t ka, int32_t kb, float shift, float offset,
                       int32_t direction) {
  if (!a->state || !b->state) return;
  a->state->collisionFlags |= kCollJelJel;
  b->state->collisionFlags |= kCollJelJel;
  const WorldServices& sv = GVWorldServices();
  if (!sv.jelJelContactSearch) return;
  sv.jelJelContactSearch(world, &world->contacts[0], &world->contacts[1], a->state, b->state, ka, kb, shift, offset,
                         direction);
  if (direction == 2)
    sv.jelJelContactSearch(world, &world->contacts[0], &world->contacts[1], b->state, a->state, kb, ka, shift,
                           offset, direction);
}

void GVSetupJelCollision(HWorld* world, int32_t a, int32_t b, int32_t ka, int32_t kb, float cornerShift,
                         float offsetLength, int32_t direction) {
  if (!world || a == 0 || b == 0 || world->params.mode == 4) return;
  if (ka == 1) ka = 2;
  if (kb == 1) kb = 2;
  if (a == b && a < 0) direction = 2;
  if (a == b && a > 0) direction = ka == kb ? 1 : 2;

  // The searches run back to back: the contact marks are kept between them.
  world->keptMarks.batch = true;
  world->keptMarks.valid = false;
  if (a > 0 && b > 0) {
    HObject* ja = GVGetJelById(world, a);
    HObject* jb = GVGetJelById(world, b);
    if (ja && jb) SearchPair(world, ja, jb, ka, kb, cornerShift, offsetLength, direction);
  } else {
    for (HObject* ja = world->head; ja; ja = GVNextJel(ja)) {
      if (!GVJelInSel(ja, a)) continue;
      for (HObject* jb = world->head; jb; jb = GVNextJel(jb)) {
        if (!GVJelInSel(jb, b) || ja == jb) continue;
        if (a == b && ja->id > jb->id) continue;             // each unordered pair once, lower id first
        if (a < 0 && b < 0 && a != b && GVJelInSel(jb, a)) continue;  // the second side also in the first group
        SearchPair(world, ja, jb, ka, kb, cornerShift, offsetLength, direction);
      }
    }
  }
  world->keptMarks.batch = false;
  world->keptMarks.valid = false;

  DynCmdArgs args;
  args.key1 = a;
  args.key2 = b;
  args.key3 = ka;
  args.key4 = kb;
  args.type = kDynCmdJelJel;
  args.passes = kJelJelPasses;
  args.mode = 0;
  GVAddDynCmdRec(world, args);
  if (direction == 2 && !world->cmdResolved) {
    DynCmdArgs rev = args;
    rev.key1 = b;
    rev.key2 = a;
    rev.key3 = kb;
    rev.key4 = ka;
    rev.mode = 2;
    GVAppendDynCmdRec(world, rev);
  }
}
