// Dynamic-command records: commands that must act in every sub-step (fixing,
// rigidifying, walls, collisions between Jel selections). The logic program
// re-issues its commands in every sub-step; each issue finds or adds a record
// and marks it issued. The runner clears the marks at the start of a sub-step
// and applies every valid, issued record in one or more passes, so a record
// that is not re-issued stops acting without being removed.
//
// A record owns its contact sub-records. Records move (never copy) their
// sub-records when the store grows, and every path that drops or reuses a
// record frees them.
#pragma once

#include <cstdint>

#include "dynamics/contact_list.h"

struct HWorld;
class HObject;

// Record types.
enum : uint32_t {
  kDynCmdFix = 1,
  kDynCmdRigid = 16,
  kDynCmdGeoJel = 32,     // sub-record: the joined Geo contact lists
  kDynCmdGeoJelAlt = 64,  // sub-record made when missing, dropped while empty
  kDynCmdJelJel = 128,    // sub-record: the joined Jel-against-Jel contact lists
  kDynCmdWalls = 256,
  kDynCmdPlane = 512,
};

// Mode bits of a fix record: the vector and matrix hold a target.
enum : uint32_t { kDynCmdFixOffset = 0x20, kDynCmdFixMatrix = 0x40 };

// Collision-state flag of a live state taking part in a Jel-against-Jel collision.
constexpr int32_t kCollJelJel = 0x80;
// Contact-summary bit that lets rigid and wall records act.
constexpr int32_t kContactWallTouch = 0x100;

struct DynCmdRec {
  DynCmdRec();
  ~DynCmdRec();
  DynCmdRec(const DynCmdRec&) = delete;
  DynCmdRec& operator=(const DynCmdRec&) = delete;

  int32_t word0 = 0;
  int32_t key1 = 0;  // first Jel selection (or Jel id)
  int32_t key2 = 0;  // second Jel selection
  int32_t key3 = 0;  // part (or kind of the first selection)
  int32_t key4 = 0;  // second part (or kind of the second selection)
  uint32_t type = 0;
  int32_t valid = 0;             // set by resolution when the record can act
  int32_t issued = 0;            // issued in the current sub-step
  int32_t requestedPasses = 0;
  int32_t passes = 0;            // after resolution
  int32_t mergedWith = -1;       // index of the record whose pass count it shares
  uint32_t mergedTypes = 0;      // types of the records merged into this rigid record
  uint32_t mode = 0;
  float vec[3] = {};
  float mat[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  float scalar = 0.0f;
  float work[6] = {};            // two working vectors of the rigid command
  float mat2[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
  float limits[6] = {};          // wall or box limits
  ContactList* jelContacts = nullptr;   // type 128
  ContactList* altContacts = nullptr;   // type 64
  ContactList* geoContacts = nullptr;   // type 32
};

// The values a command issues its record with; null pointers mean "none".
struct DynCmdArgs {
  int32_t key1 = 0, key2 = 0, key3 = 0, key4 = 0;
  uint32_t type = 0;
  int32_t passes = 0;  // requested passes per sub-step
  uint32_t mode = 0;
  const float* vec = nullptr;
  const float* mat = nullptr;
  float scalar = 0.0f;
  const float* limits = nullptr;
};

void GVResetDynCmdRec(DynCmdRec* r);  // defaults; frees sub-records
void GVInitDynCmdRec(DynCmdRec* r, const DynCmdArgs& a);
void GVUpdateDynCmdRec(DynCmdRec* r, const float* vec, const float* mat, uint32_t mode, float scalar,
                       const float* limits);
// Copies every word except the sub-records, which stay with their owner: the
// destination's own are freed and it holds none.
void GVCopyDynCmdRec(const DynCmdRec* from, DynCmdRec* to);
// Moves every word, sub-records included; the source keeps none.
void GVMoveDynCmdRec(DynCmdRec* from, DynCmdRec* to);
// Frees the contact sub-records of a record.
void GVFreeDynCmdSubRecs(DynCmdRec* r);

int32_t GVGrowDynCmdRecs(HWorld* world);  // new capacity, or 0 when memory ran out
int32_t GVAppendDynCmdRec(HWorld* world, const DynCmdArgs& a);
int32_t GVFindDynCmdRecByKeys(const HWorld* world, uint32_t type, int32_t k1, int32_t k2, int32_t k3, int32_t k4);
int32_t GVFindDynCmdRec(const HWorld* world, uint32_t type, int32_t k1, int32_t k2, int32_t k3, int32_t k4,
                        uint32_t mode);
int32_t GVFindOrAddDynCmdRec(HWorld* world, const DynCmdArgs& a);
int32_t GVAddDynCmdRec(HWorld* world, const DynCmdArgs& a);
void GVResolveDynCmdRecs(HWorld* world);
void GVAttachDynCmdSubRec(HWorld* world, DynCmdRec* r, uint32_t type);
// Empties the store (restore to a frame): every record back to its defaults,
// sub-records freed, count 0, unresolved.
void GVClearDynCmdRecs(HWorld* world);

// Start of a sub-step: issue marks cleared, collision sub-records freed.
void GVPrepareDynCmdSubsteps(HWorld* world);
// Once per sub-step after the application's work.
void GVApplyDynCmdRecs(HWorld* world);
// The same in two parts, for a caller that runs the Jels' own work side by
// side: all but the last step, then that step for each Jel with a live state
// (it touches that Jel only; when walls alone act, it holds their passes).
void GVApplyDynCmdRecsShared(HWorld* world);
void GVFinishDynCmdRecs(HWorld* world, HObject* jel);

// Jel-against-Jel collision between selections a and b with parts (kinds) ka
// and kb: searches every pair, then issues the type-128 record. direction: 1
// one-way, 2 two-way.
void GVSetupJelCollision(HWorld* world, int32_t a, int32_t b, int32_t ka, int32_t kb, float cornerShift,
                         float offsetLength, int32_t direction);

// Collision bookkeeping of a live state used by the application.
void GVCollectContactFlags(HWorld* world);
