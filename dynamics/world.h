// The Jel world: the singly linked list of every Jel of the scene, the world's
// play parameters, its five per-sub-step contact lists, the change callback
// that reports additions and removals, and the store of dynamic-command records.
//
// Jels belong to the world while they are listed: deletion by selection
// destroys them, GVRemoveJel only unlinks.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <type_traits>
#include <vector>

#include "dynamics/contact_list.h"
#include "jel/frame_params.h"

class HObject;
struct DynCmdRec;
struct HWorld;
struct ItemStream;
class WorkerPool;

// onChange(owner, id, 1) after an addition; onChange(owner, id or selection, 0)
// before a removal.
using JelListChangeCB = void (*)(void* owner, int32_t idOrSelection, int32_t added);
// beforeJelLeaves(user, world, jel) for each Jel, still listed, that is about
// to leave the world for good: deleted by selection or with the world, or
// unlinked by GVRemoveJel. Whatever holds on to the Jel (a Geo list) lets go
// of it here.
using JelLeavesCB = void (*)(void* user, HWorld* world, HObject* jel);

constexpr int kWorldContactLists = 5;
constexpr int32_t kDynCmdInitialCapacity = 20;

struct HWorld {
  HWorld();
  ~HWorld();  // GVResetJelList
  HWorld(const HWorld&) = delete;
  HWorld& operator=(const HWorld&) = delete;

  HObject* head = nullptr;
  FrameParams params;
  // 0 and 1: Jel-against-Jel node and edge contacts; 2, 3 and 4: the Geo
  // collision code's three lists. All emptied at the start of every sub-step.
  ContactStore contactStore;  // spare records and headers of the lists below and the commands
  ContactList contacts[kWorldContactLists];
  void* owner = nullptr;         // the cell the world lives in; first argument of the callbacks
  void* callbackUser = nullptr;  // third argument of the runner's callbacks
  JelListChangeCB onChange = nullptr;
  JelLeavesCB beforeJelLeaves = nullptr;
  void* leavesUser = nullptr;

  // The sub-steps the last stepped frame asked for beyond the bound it was
  // held to (GVStepWorldFrames), 0 when it was within; whether the player
  // has been told since the holding began.
  int32_t subStepsHeld = 0;
  int32_t subStepsHeldShown = 0;

  int32_t cmdResolved = 0;
  int32_t cmdCount = 0;
  int32_t cmdCapacity = 0;
  int32_t cmdPasses = 0;
  DynCmdRec* cmds = nullptr;
  // Set when every acting record is a walls record: the records whose passes
  // each Jel runs as it finishes the sub-step's records.
  bool cmdPassesPerJel = false;
  std::vector<int32_t> cmdPerJel;

  // Threads that step the world's Jels (GVSetWorldThreads); the pool is made
  // on the first sub-step that needs it. The result never depends on the
  // count.
  // Frames the runner took back because they left a Jel with a non-finite
  // position or velocity (the Jels keep the state the frame started from),
  // and the last such frame.
  int32_t nonFiniteRestores = 0;
  int32_t nonFiniteFrame = 0;
  uint32_t frameSerial = 0;  // counts the stepped frames, to mark those copies

  int32_t threadCount = 0;
  std::unique_ptr<WorkerPool> workers;
  std::vector<HObject*> stepping;  // the active Jels of a sub-step, reused
  std::vector<HObject*> perJel;    // the Jels of one GVRunPerJel call, reused

  // Geo-contact marks kept from one Jel-against-Jel search to the next while
  // GVSetupJelCollision runs its searches back to back (batch set): the
  // marks of the world's active Jels and of the last two parties are those of
  // the node list's records up to `last` (count records), and every other
  // state's marks hold at least its records'.
  struct KeptMarks {
    bool batch = false;
    bool valid = false;
    const ContactList* list = nullptr;
    const ContactRec* last = nullptr;
    int32_t count = 0;
    const HAState* parties[2] = {};
  } keptMarks;
};

// Threads for stepping the world: 1 runs everything on the calling thread
// with no worker, 0 or less the machine's core count (the default).
void GVSetWorldThreads(HWorld* world, int32_t threads);
// The pool for the world's next sub-step, made or remade to the setting; null
// when the setting is one thread.
WorkerPool* GVWorldWorkers(HWorld* world);

// Calls task(ctx, k) once for every k in [0, count), side by side on the
// world's pool (in order on the caller without one). For work where call k
// touches one Jel only, so the result does not depend on the thread count.
void GVRunPerJel(HWorld* world, int32_t count, void (*task)(void* ctx, int32_t k), void* ctx);
template <class F>
void GVRunPerJel(HWorld* world, int32_t count, F&& fn) {
  using Fn = std::remove_reference_t<F>;
  GVRunPerJel(world, count, [](void* f, int32_t k) { (*static_cast<Fn*>(f))(k); }, static_cast<void*>(&fn));
}

// Frees the command records (with their contact sub-records), deletes every
// Jel, and empties the contact lists. The world can be used again afterwards.
void GVResetJelList(HWorld* world);

// A Jel matches selection s when its id is s (s >= 1), or when -31 <= s <= -1
// and group bit -s is set. Selection 0 matches nothing.
bool GVJelInSel(const HObject* jel, int32_t selection);
// Frame words of an empty world.
void GVResetWorldFrameWords(FrameParams* p);

void GVDeleteJelSel(HWorld* world, int32_t selection);
void GVAddJel(HWorld* world, HObject* jel);
int32_t GVInsertJelAfter(HWorld* world, HObject* jel, int32_t id);
int32_t GVRemoveJel(HWorld* world, HObject* jel);
// Takes the Jel off the list for a moment, to be put back with
// GVInsertJelAfter: reported as a removal to onChange, but the Jel is not
// leaving (beforeJelLeaves is not called). Returns the predecessor's id.
int32_t GVSetJelAside(HWorld* world, HObject* jel);
HObject* GVGetJelById(const HWorld* world, int32_t id);
// The link that points at the Jel in the world's list: the head, or the
// previous Jel's next. Null when the Jel is not in the list.
HObject** GVJelListLink(HWorld* world, const HObject* jel);
// A Jel rebuilt from a listed one (Edit Structure) takes its place in the
// list and in its handle cell. The old one leaves the world for good as with
// GVRemoveJel (beforeJelLeaves: whatever holds it lets go), then is destroyed.
// 0, and nothing changed, when the old Jel is not listed or the new one is
// missing or listed already.
int32_t GVReplaceJel(HWorld* world, HObject* old, HObject* fresh);
int32_t GVFindJelByName(const HWorld* world, const char* name);
// buffer holds at least size bytes; the name is cut to fit.
void GVCopyJelNameById(const HWorld* world, int32_t id, char* buffer, size_t size);
// Cleans the name in place and makes it unique among the Jels: a taken Box
// becomes Box2, a taken Box7 becomes Box8 (or the next free number). The
// buffer must hold size bytes; a number that does not fit shortens the base.
void GVMakeUniqueJelName(const HWorld* world, char* name, size_t size);
void GVSetJelSelVehicleLink(HWorld* world, int32_t selection, int32_t value);
float GVJelSelScale(const HWorld* world, int32_t selection);

// Jel-list readers. Replace the list by the Jels of a scene file's list block
// (u32 count, then the Jel records) or of an item-stream image. A damaged block
// leaves the current list as it was and returns 0. The file reader returns 1
// for a missing file after emptying the list; the image reader returns 0 at
// once for an empty image.
int32_t GVReadJelList(HWorld* world, FILE* file);
int32_t GVReadJelListImage(HWorld* world, ItemStream* image);
// Their mirrors: the u32 count and every Jel's newest record in list order (1,
// or 0 when the file refused the bytes); and the image, the count as one int
// and every Jel's image, counted first and then put at the cursors (0 when the
// arrays lack room).
int32_t GVWriteJelList(const HWorld* world, FILE* file);
void GVCountJelListImage(const HWorld* world, ItemStream* image);
int32_t GVPutJelListImage(const HWorld* world, ItemStream* image);
