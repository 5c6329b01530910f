#include "vehicle/vehicle_record.h"

#include <initializer_list>
#include <cmath>
#include <new>

#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "scene/scene_records.h"
#include "vehicle/vehicle_jels.h"

namespace {


template <class F>
void forFirstSet(const VehicleRec* v, F f) {
  for (VhclPartRec** cell : {v->rotorL, v->rotorR, v->wheelFL, v->wheelFR, v->wheelBL, v->wheelBR})
    if (VhclPartRec* p = GVVhclPartOf(cell)) f(p);
}

int32_t* recordIds(VehicleRec* v, int k) {
  int32_t* ids[3] = {&v->chassisJel, &v->bodyJel, &v->suspensionJel};
  return ids[k];
}

void freeSlot(VhclPartRec**& cell) {
  GVDeleteVhclPart(cell);
  cell = nullptr;
}

bool hasJels(VhclPartRec** cell) {
  const VhclPartRec* p = GVVhclPartOf(cell);
  return p && (p->jelA || p->jelB);
}

// Centre of part 1 of a motor Jel at the initial frame.
bool motorCentre(const HWorld* world, int32_t id, float c[3]) {
  HObject* j = GVVehicleJel(world, id);
  if (j) GVVehiclePart1Centre(&j, 1, kFrameInitial, c);
  return j != nullptr;
}

// Whether node 1 of the Jel has a neighbour in direction dir that itself has
// one in that direction.
bool extendsFromNode1(const HObject* j, int32_t dir) { return j->neighbour(dir, j->neighbour(dir, 1)) != 0; }

}  // namespace

VehicleRec* GVVehicleOf(const ObjHandle* cell) { return cell ? static_cast<VehicleRec*>(cell->object) : nullptr; }

void GVVehicleInit(VehicleRec* v) {
  if (!v) return;
  const int32_t groupAll = v->groupAll;
  *v = VehicleRec();
  v->groupAll = groupAll;
}

void GVInitVehicleHandle(ObjHandle* cell) {
  if (!cell) return;
  VehicleRec* v = new (std::nothrow) VehicleRec();
  cell->object = v;
  if (!v) return;
  GVVehicleInit(v);
  v->handle = cell;
}

ObjHandle* GVNewVehicle() {
  ObjHandle* cell = new (std::nothrow) ObjHandle();
  if (cell) GVInitVehicleHandle(cell);
  return cell;
}

void GVDeleteVehicleHandle(ObjHandle* cell) {
  if (!cell) return;
  if (VehicleRec* v = GVVehicleOf(cell)) {
    GVVehicleFreeParts(v);
    delete v;
  }
  cell->object = nullptr;
  delete cell;
}

void GVDeleteSceneVehicle() { GVDeleteVehicleHandle(GVScene().vehicle); }

void GVVehicleFreeParts(VehicleRec* v) {
  if (!v) return;
  for (VhclPartRec*** cell : {&v->wheelBR, &v->wheelBL, &v->wheelFR, &v->wheelFL, &v->rotorR, &v->rotorL,
                             &v->wheel2BR, &v->wheel2BL, &v->wheel2FR, &v->wheel2FL, &v->rotorR2, &v->rotorL2})
    freeSlot(*cell);
  for (int k = 0; k < 3; ++k) {
    int32_t* id = recordIds(v, k);
    if (*id != 0 && v->world && GVGetJelById(v->world, *id)) GVVehicleDeleteJels(v->world, *id);
    *id = 0;
  }
  delete[] v->aux;
  v->aux = nullptr;
  v->auxCount = 0;
}

void GVVehicleSetWorld(VehicleRec* v, HWorld* world) {
  if (!v) return;
  v->world = world;
  forFirstSet(v, [world](VhclPartRec* p) { p->world = world; });
}

void GVVehicleMarkPartJels(VehicleRec* v, int32_t link) {
  if (!v || !v->world) return;
  for (int32_t id : {v->chassisJel, v->bodyJel})
    if (HObject* j = GVVehicleJel(v->world, id)) j->vehicleLink = link;
  forFirstSet(v, [&](VhclPartRec* p) {
    for (int32_t id : {p->jelA, p->jelB})
      if (HObject* j = GVVehicleJel(v->world, id)) j->vehicleLink = link;
  });
}

// ---------------------------------------------------------------------------
// Part holders

VhclPartRec** GVNewVhclRotPart(HWorld* world, int32_t idA, int32_t idB, const char* nameA, const char* nameB,
                               float scale, int32_t groupSel) {
  VhclPartRec** cell = GVNewVhclPartCell();
  if (VhclPartRec* p = GVVhclPartOf(cell)) GVCreateVhclRotPart(p, groupSel, world, idA, idB, nameA, nameB, scale);
  return cell;
}

VhclPartRec** GVNewVhclWheelPart(HWorld* world, int32_t motorId, int32_t wheelId, const char* motorName,
                                 const char* wheelName, float scale, int32_t groupSel, int32_t groupAll,
                                 int32_t flags) {
  VhclPartRec** cell = GVNewVhclPartCell();
  if (VhclPartRec* p = GVVhclPartOf(cell))
    GVCreateVhclWheelPart(p, world, motorId, wheelId, groupSel, groupAll, scale, flags, motorName, wheelName);
  return cell;
}

template <class Read>
static VhclPartRec** readPart(Read read) {
  VhclPartRec** cell = GVNewVhclPartCell();
  VhclPartRec* p = GVVhclPartOf(cell);
  if (p && read(p)) return cell;
  GVFreeVhclPartCell(cell);
  return nullptr;
}

VhclPartRec** GVNewVhclRotPartFromFile(FILE* file, HWorld* world) {
  return readPart([&](VhclPartRec* p) { return GVReadVhclRotPart(p, file, world); });
}

VhclPartRec** GVNewVhclWheelPartFromFile(FILE* file, HWorld* world) {
  return readPart([&](VhclPartRec* p) { return GVReadVhclWheelPart(file, p, world); });
}

VhclPartRec** GVNewVhclRotPartFromImage(ItemStream* image, HWorld* world) {
  return readPart([&](VhclPartRec* p) { return GVReadVhclRotPartImage(p, world, image); });
}

VhclPartRec** GVNewVhclWheelPartFromImage(ItemStream* image, HWorld* world) {
  return readPart([&](VhclPartRec* p) { return GVReadVhclWheelPartImage(p, world, image); });
}

void GVDeleteVhclPart(VhclPartRec** cell) {
  if (!cell) return;
  GVDeleteVhclPartJels(GVVhclPartOf(cell));
  GVFreeVhclPartCell(cell);
}

// ---------------------------------------------------------------------------
// Queries and edits

void GVVehicleJelIds(const VehicleRec* v, int32_t out[kVehicleJelIds]) {
  if (!out) return;
  for (int k = 0; k < kVehicleJelIds; ++k) out[k] = 0;
  if (!v) return;
  out[0] = v->chassisJel;
  out[1] = v->bodyJel;
  out[2] = v->suspensionJel;
  int k = 3;
  for (VhclPartRec** cell : {v->rotorL, v->rotorR, v->wheelFL, v->wheelFR, v->wheelBL, v->wheelBR}) {
    if (const VhclPartRec* p = GVVhclPartOf(cell)) {
      out[k] = p->jelA;
      out[k + 1] = p->jelB;
    }
    k += 2;
  }
}

void GVVehicleGroups(const VehicleRec* v, int32_t out[kVehicleGroups]) {
  if (!out) return;
  for (int k = 0; k < kVehicleGroups; ++k) out[k] = 0;
  if (!v) return;
  out[0] = v->groupChassis;
  int k = 1;
  for (VhclPartRec** cell : {v->rotorL, v->rotorR, v->wheelFL, v->wheelFR, v->wheelBL, v->wheelBR}) {
    if (const VhclPartRec* p = GVVhclPartOf(cell)) out[k] = p->groupSel;
    ++k;
  }
  out[7] = v->groupAll;
}

// Applies f to every Jel id the record and its first-set parts hold.
template <class F>
static void forEachIdField(VehicleRec* v, F f) {
  for (int k = 0; k < 3; ++k) f(*recordIds(v, k));
  forFirstSet(v, [&](VhclPartRec* p) {
    for (int32_t* id : {&p->jelA, &p->jelB, &p->jelAKey, &p->jelBKey}) f(*id);
  });
}

void GVVehicleShiftJelIds(VehicleRec* v, int32_t offset) {
  if (!v) return;
  forEachIdField(v, [offset](int32_t& id) {
    if (id != 0) id += offset;
  });
}

void GVVehicleReplaceJelId(VehicleRec* v, int32_t oldId, int32_t newId) {
  if (!v || oldId == 0) return;
  forEachIdField(v, [=](int32_t& id) {
    if (id == oldId) id = newId;
  });
}

void GVVehicleRemapJelIds(VehicleRec* v, int32_t count, const int32_t* table) {
  if (!v) return;
  for (int k = 0; k < 3; ++k) {
    int32_t& id = *recordIds(v, k);
    int32_t found = 0;
    for (int32_t i = 1; id != 0 && table && i <= count; ++i)
      if (table[i] == id) {
        found = i;
        break;
      }
    id = found;
  }
  forFirstSet(v, [&](VhclPartRec* p) { GVVhclPartRemapIds(p, count, table); });
}

int32_t GVVehicleHasJel(const VehicleRec* v, int32_t id, int32_t testGroups) {
  if (!v || id == 0) return 0;
  if (id == v->chassisJel || id == v->bodyJel || id == v->suspensionJel) return 1;
  bool found = false;
  forFirstSet(v, [&](VhclPartRec* p) { found = found || GVVhclPartHasJel(p, id); });
  if (found) return 1;
  if (testGroups && v->groupExtra <= -1 && v->groupExtra >= -31)
    if (const HObject* j = GVVehicleJel(v->world, id)) return GVJelInSel(j, v->groupExtra) ? 1 : 0;
  return 0;
}

void GVVehicleValidate(VehicleRec* v) {
  if (!v || !v->world) return;
  for (int k = 0; k < 3; ++k) {
    int32_t& id = *recordIds(v, k);
    if (id != 0 && !GVVehicleJel(v->world, id)) id = 0;
  }
  for (VhclPartRec*** cell : {&v->rotorL, &v->rotorR, &v->wheelFL, &v->wheelFR, &v->wheelBL, &v->wheelBR,
                              &v->rotorL2, &v->rotorR2, &v->wheel2FL, &v->wheel2FR, &v->wheel2BL, &v->wheel2BR})
    if (VhclPartRec* p = GVVhclPartOf(*cell)) GVCheckVhclPartJels(p);
  for (VhclPartRec*** cell : {&v->rotorL, &v->rotorR, &v->wheelFL, &v->wheelFR, &v->wheelBL, &v->wheelBR})
    if (*cell && !hasJels(*cell)) {
      GVFreeVhclPartCell(*cell);
      *cell = nullptr;
    }
}

int32_t GVVehicleIsEmpty(VehicleRec* v) {
  if (!v) return 1;
  GVVehicleValidate(v);
  if (v->chassisJel || v->bodyJel || v->suspensionJel) return 0;
  bool any = false;
  forFirstSet(v, [&](VhclPartRec* p) { any = any || p->jelA || p->jelB; });
  return any ? 0 : 1;
}

int32_t GVVehicleGroupHasJel(VehicleRec* v, int32_t id) {
  if (!v || id < 1 || GVVehicleIsEmpty(v)) return 0;
  const HObject* j = GVVehicleJel(v->world, id);
  if (!j) return 0;
  int32_t groups[kVehicleGroups];
  GVVehicleGroups(v, groups);
  for (int k = 1; k <= 6; ++k)
    if (groups[k] != 0 && GVJelInSel(j, groups[k])) return 1;
  return 0;
}

static int32_t anyWheel(const VehicleRec* v, int32_t (*test)(const VhclPartRec*)) {
  if (!v) return 0;
  for (VhclPartRec** cell : {v->wheelFL, v->wheelFR, v->wheelBL, v->wheelBR})
    if (const VhclPartRec* p = GVVhclPartOf(cell))
      if (test(p)) return 1;
  return 0;
}

int32_t GVVehicleHasWheelType18(const VehicleRec* v) { return anyWheel(v, GVVhclPartIsWheel18); }
int32_t GVVehicleHasWheelType36(const VehicleRec* v) { return anyWheel(v, GVVhclPartIsWheel36); }

int32_t GVVehicleWheelsOneSide(VehicleRec* v) {
  if (!v) return 0;
  bool has[4];
  int k = 0;
  for (VhclPartRec** cell : {v->wheelFL, v->wheelFR, v->wheelBL, v->wheelBR}) {
    VhclPartRec* p = GVVhclPartOf(cell);
    if (p) GVCheckVhclPartJels(p);
    has[k++] = p && (p->jelA || p->jelB);
  }
  const bool left = has[0] && has[2] && !has[1] && !has[3];
  const bool right = has[1] && has[3] && !has[0] && !has[2];
  return left || right ? 1 : 0;
}

int32_t GVVehicleSetWheelKind(VehicleRec* v, int32_t mode) {
  if (!v || !v->world) return 0;
  if (!(mode == 1 && GVVehicleHasWheelType36(v)) && !(mode == 2 && GVVehicleHasWheelType18(v))) return 0;
  GVSelRestoreFrame(v->world, -1, kFrameInitial);
  for (VhclPartRec** cell : {v->wheelFL, v->wheelFR, v->wheelBL, v->wheelBR})
    if (VhclPartRec* p = GVVhclPartOf(cell)) GVVhclPartSetWheelKind(p, mode);
  GVSelStoreFrame(v->world, -1, kFrameInitial);
  return mode;
}

int32_t GVVehicleCheckBodyJels(const VehicleRec* v, int32_t* status1, int32_t* status2) {
  if (!v) return 0;
  auto report = [&](int32_t s) {
    if (status1) *status1 = s;
    if (status2) *status2 = s;
  };
  if (!v->bodyJel || !v->suspensionJel) {
    report(v->chassisJel ? 2 : 0);
    return v->chassisJel ? 1 : 0;
  }
  if (GVVehicleJel(v->world, v->chassisJel) || GVVehicleJel(v->world, v->bodyJel)) report(2);
  return 1;
}

int32_t GVVehicleSuspensionKind(const VehicleRec* v) {
  if (!v || !v->bodyJel || !v->suspensionJel) return 0;
  const HObject* j = GVVehicleJel(v->world, v->suspensionJel);
  if (!j) return 1;
  const bool x = extendsFromNode1(j, kNbrPlusX);
  const bool y = extendsFromNode1(j, kNbrPlusY);
  const bool z = extendsFromNode1(j, kNbrPlusZ);
  if (x && y && z) return 5;
  if (x && z) return 4;
  if (x && !y) return 2;
  if (z && !y) return 3;
  if (!x && !y && !z) return 1;
  return 0;
}

float GVVehicleSteerRatio(VehicleRec* v) {
  if (!v || !v->world) return 0.0f;
  int32_t ids[kVehicleJelIds];
  GVVehicleJelIds(v, ids);
  float fl[3], fr[3], bl[3];
  if (!motorCentre(v->world, ids[7], fl) || !motorCentre(v->world, ids[9], fr) ||
      !motorCentre(v->world, ids[11], bl))
    return 0.0f;
  const float d = fl[0] - bl[0];
  float ratio = 1.0f;
  if (std::fabs(d) >= 0.0001f) {
    const HObject* motorFL = GVVehicleJel(v->world, ids[7]);
    ratio = (fr[2] - fl[2] - 2.0f * v->wheelOffset * motorFL->cellSize) / d;
  }
  v->steerRatio = ratio;
  return ratio;
}
