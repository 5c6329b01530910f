// Operations of the world that live in the runner, the Jel record readers, the
// constraint commands and the collision code. The world and the command store
// reach them through this table, so the store can be built and exercised on
// its own; an empty entry is skipped (a reader entry left empty makes the list
// readers fail cleanly).
#pragma once

#include <cstdint>
#include <cstdio>

#include "jel/chan_data.h"

class HAState;
class HObject;
struct ContactList;
struct DynCmdRec;
struct HWorld;
struct ItemStream;

struct WorldServices {
  // Runner: every selected Jel takes the world's play parameters; the world mode.
  void (*resetSelToWorld)(HWorld* world, int32_t selection) = nullptr;
  int32_t (*setWorldMode)(HWorld* world, int32_t request) = nullptr;

  // Jel records: a new Jel read from a file (form: the list reader's running
  // header form, see HObject::read), or from an image with its cursors (the
  // image counts); null when the record is damaged.
  HObject* (*jelFromFile)(FILE* file, ChanHeaderForm* form) = nullptr;
  HObject* (*jelFromImage)(ItemStream* image) = nullptr;

  // Constraint commands re-applied in every pass.
  void (*selFixApply)(HWorld* world, int32_t selection, int32_t part, const DynCmdRec* target) = nullptr;
  void (*selRigidApply)(HWorld* world, int32_t selection, int32_t part, float* invMass, float* meanDisp,
                        float* work, float* frameInv) = nullptr;
  void (*selRigidApplyRot)(HWorld* world, int32_t selection, int32_t part, float invMass,
                           const float* meanDisp, const float* frameInv, int32_t lastPass) = nullptr;
  int32_t (*selWallsApply)(HWorld* world, int32_t selection, int32_t part, uint32_t axes,
                           const float* box) = nullptr;

  // Collision: the Jel-against-Jel search and the per-pass responses.
  void (*jelJelContactSearch)(HWorld* world, ContactList* nodes, ContactList* edges, HAState* faceSide,
                              HAState* nodeSide, int32_t faceParts, int32_t nodeParts, float cornerShift,
                              float offsetLength, int32_t mode) = nullptr;
  void (*refreshContactList)(ContactList* list) = nullptr;
  void (*faceMassFrame)(HAState* state, int32_t face, float* mass, float* invMass, float* centre,
                        float* invInertia) = nullptr;
  int32_t (*jelJelCollisionPass)(HWorld* world, ContactList* list, int32_t pass, int32_t passCount) = nullptr;
  int32_t (*geoJelCollisionPass)(HWorld* world, ContactList* list, int32_t pass, int32_t passCount) = nullptr;
};

// The process-wide table. At start it holds every operation above.
const WorldServices& GVWorldServices();
void GVSetWorldServices(const WorldServices& services);
