#include "dynamics/world.h"

#include <cassert>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "dynamics/collision_response.h"
#include "dynamics/constraint_cmds.h"
#include "dynamics/dyn_cmd.h"
#include "dynamics/world_runner.h"
#include "dynamics/world_services.h"
#include "jel/jel_from_builder.h"
#include "jel/jel_object.h"
#include "jel/worker_pool.h"
#include "records/binary_file.h"
#include "records/heap_string.h"
#include "records/item_stream.h"

// Everything a running world needs: the Jel object's record readers, the
// runner, the constraint commands and the collision passes, and the Jel-side
// tests that the Geo collision entry hands its contacts to. Tests swap in their
// own tables and put this one back.
static WorldServices DefaultServices() {
  WorldServices s;
  s.jelFromFile = &HObject::HObjectFromFile;
  s.jelFromImage = &HObject::HObjectFromArrays;
  GVInstallRunnerServices(&s);
  GVInstallConstraintServices(&s);
  GVInstallCollisionServices(&s);
  return s;
}

static WorldServices gServices = DefaultServices();

const WorldServices& GVWorldServices() { return gServices; }
void GVSetWorldServices(const WorldServices& services) { gServices = services; }

static void DestroyJel(HObject* jel);
static void Leaving(HWorld* world, HObject* jel);

HWorld::HWorld() {
  GVFrameParamsDefaults(&params);
  for (ContactList& l : contacts) {
    l.store = &contactStore;
    GVContactListReset(&l);
  }
  cmds = new (std::nothrow) DynCmdRec[kDynCmdInitialCapacity];
  cmdCapacity = cmds ? kDynCmdInitialCapacity : 0;
}

HWorld::~HWorld() { GVResetJelList(this); }

void GVSetWorldThreads(HWorld* world, int32_t threads) {
  if (world) world->threadCount = threads;
}

WorkerPool* GVWorldWorkers(HWorld* world) {
  if (!world) return nullptr;
  const int32_t want = world->threadCount > 0 ? world->threadCount : GVDefaultThreadCount();
  if (want <= 1) {
    world->workers.reset();
    return nullptr;
  }
  if (!world->workers || world->workers->threads() != want) world->workers.reset(new WorkerPool(want));
  return world->workers.get();
}

void GVRunPerJel(HWorld* world, int32_t count, void (*task)(void* ctx, int32_t k), void* ctx) {
  if (WorkerPool* pool = count > 1 ? GVWorldWorkers(world) : nullptr) {
    pool->run(count, [&](int32_t k) { task(ctx, k); });
    return;
  }
  for (int32_t k = 0; k < count; ++k) task(ctx, k);
}

void GVResetJelList(HWorld* world) {
  if (!world) return;
  delete[] world->cmds;  // each record frees its sub-records
  world->cmds = nullptr;
  world->cmdCapacity = 0;
  world->cmdCount = 0;
  world->cmdResolved = 0;
  world->cmdPasses = 0;
  GVDeleteJelSel(world, -1);
  // Jels taken out of group 1 are not in selection -1 but belong to the
  // world all the same.
  while (HObject* j = world->head) {
    Leaving(world, j);
    world->head = GVNextJel(j);
    DestroyJel(j);
  }
  GVResetWorldFrameWords(&world->params);
  for (ContactList& l : world->contacts) GVFreeContacts(&l);
}

bool GVJelInSel(const HObject* jel, int32_t selection) {
  if (!jel || selection == 0) return false;
  if (selection > 0) return jel->id == selection;
  if (selection >= -31) return ((jel->groupMask >> (-selection)) & 1u) != 0;
  return false;
}

void GVResetWorldFrameWords(FrameParams* p) {
  p->mode = 0;
  p->stepping = 0;
  p->timeStep = 0.0f;
  p->startFrame = 0;
  p->endFrame = 0;
  p->loopStart = 0;
  p->recordFirst = 0;
  p->computedFrame = 0;
  p->lastRecordedFrame = 0;
  p->highestComputedFrame = 0;
  p->recordLast = 0;
  p->word18 = 0;
  p->subStepIndex = 1;
  p->subSteps = 1;
}

static void Notify(HWorld* world, int32_t idOrSel, int32_t added) {
  if (world->onChange) world->onChange(world->owner, idOrSel, added);
}

static void Leaving(HWorld* world, HObject* jel) {
  if (world->beforeJelLeaves) world->beforeJelLeaves(world->leavesUser, world, jel);
}

// A Jel's handle cell lives and dies with it: the cell is emptied and freed.
static void DestroyJel(HObject* jel) {
  HObject** cell = jel->handle;
  delete jel;
  if (cell) {
    *cell = nullptr;
    delete cell;
  }
}

void GVDeleteJelSel(HWorld* world, int32_t selection) {
  if (!world) return;
  for (;;) {
    Notify(world, selection, 0);
    if (!world->head) {
      GVResetWorldFrameWords(&world->params);
      return;
    }
    if (selection == 0) return;
    HObject* head = world->head;
    if (GVJelInSel(head, selection)) {
      Leaving(world, head);
      world->head = GVNextJel(head);
      DestroyJel(head);
      if (selection > 0) {  // one id names one Jel
        // An empty list always carries the reset frame words.
        if (!world->head) GVResetWorldFrameWords(&world->params);
        return;
      }
      continue;
    }
    // The head stays: one walk over the rest removes every match.
    HObject* prev = head;
    HObject* cur = head->next;
    while (cur && cur != prev) {
      HObject* next = GVNextJel(cur);
      if (GVJelInSel(cur, selection)) {
        Leaving(world, cur);
        prev->next = next;
        DestroyJel(cur);
      } else {
        prev = cur;
      }
      cur = next;
    }
    return;
  }
}

static bool Listed(const HWorld* world, const HObject* jel) {
  for (const HObject* j = world->head; j; j = GVNextJel(j))
    if (j == jel) return true;
  return false;
}

static HObject* Tail(const HWorld* world) {
  HObject* j = world->head;
  while (j && GVNextJel(j)) j = GVNextJel(j);
  return j;
}

void GVAddJel(HWorld* world, HObject* jel) {
  if (!world || !jel || Listed(world, jel)) return;
  jel->next = nullptr;
  if (HObject* tail = Tail(world))
    tail->next = jel;
  else
    world->head = jel;
  Notify(world, jel->id, 1);
  if (gServices.resetSelToWorld) gServices.resetSelToWorld(world, -1);
}

int32_t GVInsertJelAfter(HWorld* world, HObject* jel, int32_t id) {
  if (!world || !jel || Listed(world, jel)) return 0;
  HObject* after = nullptr;
  if (id != 0) {
    after = GVGetJelById(world, id);
    if (!after) after = Tail(world);
  }
  if (after) {
    jel->next = GVNextJel(after);
    after->next = jel;
  } else {
    jel->next = world->head;
    world->head = jel;
  }
  Notify(world, jel->id, 1);
  return 1;
}

static int32_t Unlink(HWorld* world, HObject* jel, bool leaving) {
  if (!world || !jel || !world->head) return 0;
  Notify(world, jel->id, 0);
  if (leaving && Listed(world, jel)) Leaving(world, jel);
  if (world->head == jel) {
    world->head = GVNextJel(jel);
    jel->next = nullptr;
    return 0;
  }
  for (HObject* prev = world->head; prev; prev = GVNextJel(prev)) {
    if (prev->next == jel) {
      prev->next = GVNextJel(jel);
      jel->next = nullptr;
      return prev->id;
    }
  }
  return 0;
}

int32_t GVRemoveJel(HWorld* world, HObject* jel) { return Unlink(world, jel, true); }
int32_t GVSetJelAside(HWorld* world, HObject* jel) { return Unlink(world, jel, false); }

HObject** GVJelListLink(HWorld* world, const HObject* jel) {
  if (!world || !jel) return nullptr;
  if (world->head == jel) return &world->head;
  for (HObject* prev = world->head; prev; prev = GVNextJel(prev))
    if (prev->next == jel) return &prev->next;
  return nullptr;
}

int32_t GVReplaceJel(HWorld* world, HObject* old, HObject* fresh) {
  HObject** link = GVJelListLink(world, old);
  if (!link || !fresh || fresh == old || Listed(world, fresh)) return 0;
  Notify(world, old->id, 0);
  Leaving(world, old);
  fresh->next = GVNextJel(old);
  *link = fresh;
  old->next = nullptr;
  GVSwapJelInHandle(old, fresh);
  Notify(world, fresh->id, 1);
  return 1;
}

HObject* GVGetJelById(const HWorld* world, int32_t id) {
  if (!world || id < 1) return nullptr;
  for (HObject* j = world->head; j; j = GVNextJel(j))
    if (j->id == id) return j;
  return nullptr;
}

int32_t GVFindJelByName(const HWorld* world, const char* name) {
  if (!world || !name) return 0;
  for (const HObject* j = world->head; j; j = GVNextJel(j))
    if (j->name && std::strcmp(j->name, name) == 0) return j->id;
  return 0;
}

void GVCopyJelNameById(const HWorld* world, int32_t id, char* buffer, size_t size) {
  if (!buffer || size == 0) return;
  buffer[0] = '\0';
  const HObject* j = GVGetJelById(world, id);
  if (!j || !j->name) return;
  std::snprintf(buffer, size, "%s", j->name);
}

void GVMakeUniqueJelName(const HWorld* world, char* name, size_t size) {
  if (!world || !name || size == 0) return;
  if (GVCleanName(name) == -1 || name[0] == '\0') return;
  if (GVFindJelByName(world, name) == 0) return;
  size_t len = std::strlen(name);
  size_t digits = len;
  while (digits > 0 && name[digits - 1] >= '0' && name[digits - 1] <= '9') --digits;
  // Only the last nine digits count, so the number always fits an int.
  long long n = 0;
  for (size_t i = (len - digits > 9 ? len - 9 : digits); i < len; ++i) n = n * 10 + (name[i] - '0');
  if (n == 0) n = 1;
  std::string base(name, digits);
  char candidate[64];
  for (;;) {
    ++n;
    const int numLen = std::snprintf(candidate, sizeof candidate, "%lld", n);
    // Shorten the base when the buffer cannot take base and number together.
    size_t keep = base.size();
    if (keep + static_cast<size_t>(numLen) + 1 > size)
      keep = size > static_cast<size_t>(numLen) + 1 ? size - static_cast<size_t>(numLen) - 1 : 0;
    std::string full = base.substr(0, keep) + candidate;
    if (full.size() + 1 > size) return;  // not even the number fits: leave the name
    if (GVFindJelByName(world, full.c_str()) == 0) {
      std::memcpy(name, full.c_str(), full.size() + 1);
      return;
    }
  }
}

void GVSetJelSelVehicleLink(HWorld* world, int32_t selection, int32_t value) {
  if (!world) return;
  for (HObject* j = world->head; j; j = GVNextJel(j))
    if (GVJelInSel(j, selection)) j->vehicleLink = value;
}

float GVJelSelScale(const HWorld* world, int32_t selection) {
  if (!world) return 0.0f;
  for (const HObject* j = world->head; j; j = GVNextJel(j))
    if (GVJelInSel(j, selection)) return j->cellSize;
  return 0.0f;
}

// Jels read so far stay off the world's list until the whole block has been
// read, so a damaged block costs nothing already in the scene.
static void DestroyChain(HObject* first) {
  while (first) {
    HObject* next = GVNextJel(first);
    delete first;
    first = next;
  }
}

static void AdoptChain(HWorld* world, HObject* first) {
  GVDeleteJelSel(world, -1);
  while (first) {
    HObject* next = GVNextJel(first);
    first->next = nullptr;
    GVAddJel(world, first);
    first = next;
  }
}

// Smallest possible Jel record in a file: a version word and a leading word.
constexpr uint64_t kMinJelRecordBytes = 8;

int32_t GVReadJelList(HWorld* world, FILE* file) {
  if (!world) return 0;
  if (!file) {
    GVDeleteJelSel(world, -1);
    return 1;
  }
  uint32_t count = 0;
  if (!GVFileReadU32(file, &count)) return 0;
  const long long remaining = GVFileRemaining(file);
  if (remaining >= 0 && static_cast<uint64_t>(count) * kMinJelRecordBytes > static_cast<uint64_t>(remaining))
    return 0;
  if (count != 0 && !gServices.jelFromFile) return 0;
  HObject* first = nullptr;
  HObject* last = nullptr;
  ChanHeaderForm form = kChanHeaderFull;
  for (uint32_t i = 0; i < count; ++i) {
    HObject* jel = gServices.jelFromFile(file, &form);
    if (!jel) {
      DestroyChain(first);
      return 0;
    }
    jel->next = nullptr;
    (last ? last->next : first) = jel;
    last = jel;
  }
  AdoptChain(world, first);
  if (world->head && gServices.setWorldMode) gServices.setWorldMode(world, world->head->playParams.mode);
  return 1;
}

int32_t GVWriteJelList(const HWorld* world, FILE* file) {
  if (!file) return 0;
  uint32_t count = 0;
  for (const HObject* j = world ? world->head : nullptr; j; j = GVNextJel(j)) ++count;
  if (!GVFileWriteU32(file, count)) return 0;
  for (const HObject* j = world ? world->head : nullptr; j; j = GVNextJel(j))
    if (j->write(file) != 1) return 0;
  return 1;
}

void GVCountJelListImage(const HWorld* world, ItemStream* image) {
  if (!image) return;
  ++image->intCount;
  for (const HObject* j = world ? world->head : nullptr; j; j = GVNextJel(j)) j->countArrays(image);
}

int32_t GVPutJelListImage(const HWorld* world, ItemStream* image) {
  if (!image || !image->ints || image->intCount >= image->intSize) return 0;
  int32_t count = 0;
  for (const HObject* j = world ? world->head : nullptr; j; j = GVNextJel(j)) ++count;
  image->ints[image->intCount++] = count;
  for (const HObject* j = world ? world->head : nullptr; j; j = GVNextJel(j))
    if (j->writeArrays(image) != 1) return 0;
  return 1;
}

int32_t GVReadJelListImage(HWorld* world, ItemStream* image) {
  if (!world || !image) return 0;
  if (!image->bytes && !image->ints && !image->floats && !image->items) return 0;
  if (!GVItemStreamHasRoom(image, 0, 1, 0, 0)) return 0;
  const int32_t count = image->ints[image->intCount++];
  // Every Jel image takes several ints; a count beyond what is left is damage.
  if (count < 0 || static_cast<uint32_t>(count) > image->intSize - image->intCount) return 0;
  if (count != 0 && !gServices.jelFromImage) return 0;
  HObject* first = nullptr;
  HObject* last = nullptr;
  for (int32_t i = 0; i < count; ++i) {
    HObject* jel = gServices.jelFromImage(image);
    if (!jel) {
      DestroyChain(first);
      return 0;
    }
    jel->next = nullptr;
    (last ? last->next : first) = jel;
    last = jel;
  }
  AdoptChain(world, first);
  if (world->head) world->params.mode = world->head->playParams.mode;
  return 1;
}
