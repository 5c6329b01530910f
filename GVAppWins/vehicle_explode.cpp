#include "GVAppWins/vehicle_explode.h"

#include <cstring>
#include <new>

#include "GVAppWins/ogre_geo_objects.h"
#include "GVAppWins/ogre_view.h"
#include "dynamics/world.h"
#include "jel/jel_object.h"
#include "scene/display_settings.h"
#include "geo/geo_list_services.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "vehicle/vehicle_record.h"

static VehicleRec* sceneVehicle() { return GVScene().vehicle ? GVVehicleOf(GVScene().vehicle) : nullptr; }

void GVClearVehicleExplode(VehicleExplodeRec* r) {
  if (!r) return;
  std::memset(r, 0, sizeof *r);
  VehicleRec* v = sceneVehicle();
  if (v && !GVVehicleIsEmpty(v)) {
    int32_t groups[kVehicleGroups];
    GVVehicleGroups(v, groups);
    r->groups[0] = groups[1];
    r->groups[1] = groups[2];
  }
}

static bool setEnvelope(VehicleExplodeRec* r, float start, float end, float ramp, float peak, int32_t shape,
                        int32_t ids[kVehicleJelIds]) {
  VehicleRec* v = sceneVehicle();
  if (!r || !v) return false;
  GVClearVehicleExplode(r);
  GVVehicleJelIds(v, ids);
  r->chassisId = ids[0];
  r->start = start;
  r->end = end;
  r->ramp = ramp;
  r->peak = peak;
  r->frameNode = 1;
  r->shape = shape;
  return true;
}

void GVSetVehicleExplodeTriangle(VehicleExplodeRec* r, float start, float end, float peak) {
  int32_t ids[kVehicleJelIds];
  setEnvelope(r, start, end, 0.0f, peak, 1, ids);
}

void GVSetVehicleExplodeTrapezoid(VehicleExplodeRec* r, float start, float end, float ramp, float peak) {
  int32_t ids[kVehicleJelIds];
  setEnvelope(r, start, end, ramp, peak, 2, ids);
}

void GVSetVehicleExplodeFull(VehicleExplodeRec* r, float start, float end, float ramp, float peak) {
  int32_t ids[kVehicleJelIds];
  if (!setEnvelope(r, start, end, ramp, peak, 3, ids)) return;
  r->bodyId = ids[1];
  r->suspensionId = ids[2];
}

float GVLerp(float x0, float x1, float y0, float y1, float x) {
  return ((y1 - y0) * x + x1 * y0 - x0 * y1) / (x1 - x0);
}

float GVVehicleExplodeEnvelope(const VehicleExplodeRec* r, float x) {
  if (!r || r->shape < 1 || r->shape > 3) return 0.0f;
  const float s = r->start, e = r->end, ramp = r->ramp, p = r->peak;
  if (x < s || x > e) return 0.0f;
  if (r->shape == 1) {
    const float m = (s + e) * 0.5f;
    return x <= m ? GVLerp(s, m, 0.0f, p, x) : GVLerp(m, e, p, 0.0f, x);
  }
  if (x <= s + ramp) return GVLerp(s, s + ramp, 0.0f, p, x);
  if (x >= e - ramp) return GVLerp(e - ramp, e, p, 0.0f, x);
  return p;
}

static HObject* jelWithId(HWorld* world, int32_t id) {
  for (HObject* j = world ? world->head : nullptr; j; j = GVNextJel(j))
    if (j->id == id) return j;
  return nullptr;
}

void GVVehicleExplodeVector(HWorld** world, const VehicleExplodeRec* r, float scale, float out[3]) {
  out[0] = out[1] = out[2] = 0.0f;
  HWorld* w = GVWorldOf(world);
  if (!w || !r || r->chassisId < 1) return;
  HObject* chassis = jelWithId(w, r->chassisId);
  const int32_t node = r->frameNode;
  if (!chassis || !chassis->pos || node < 1 || node > chassis->nodeCount) return;
  float centre[3];
  GVGetPartCentre(chassis, 1, kFrameCommitted, 14, centre);
  for (int k = 0; k < 3; ++k) out[k] = (chassis->pos[node][k] - centre[k]) * scale;
}

// Word w of the record accepts the Jel: its id, or a group selector the Jel belongs to.
static bool accepts(const HObject* jel, int32_t word) {
  return word != 0 && GVObjInSel(jel->id, jel->groupMask, word);
}

void GVApplyVehicleExplode(VehicleExplodeRec* r) {
  VehicleRec* v = sceneVehicle();
  HWorld** world = GVScene().world;
  if (!r || !v || !GVScene().geoList || !GVWorldOf(world)) return;
  const float x = GVCurrentFrameFloat(world);
  GVVehicleExplodeVector(world, r, GVVehicleExplodeEnvelope(r, x), r->offset);
  GVForEachSceneGeo([&](ObjHandle* h) {
    GObject* g = static_cast<GObject*>(h->object);
    if (!g) return;
    const int32_t type = g->attach ? g->attach->type : 0;
    const int32_t a = (type == 1 || type == 7 || type == 8 || type == 9) ? g->attach->jelStart : 0;
    float* t = g->xform[GEO_SLOT_FRAME].position;
    if ((g->flags & GEO_FLAG_VERTEX_BINDING) && (g->flags & GEO_FLAG_BOUND)) {
      if (GVVehicleGroupHasJel(v, g->jelId)) return;
      t[0] = t[1] = t[2] = 0.0f;
    }
    if (a == 0) return;
    HObject* jel = jelWithId(GVWorldOf(world), a);
    int weight = 0;
    if (jel) {
      if (accepts(jel, r->chassisId))
        weight = 2;
      else if (accepts(jel, r->bodyId))
        weight = 4;
      else if (accepts(jel, r->suspensionId))
        weight = 3;
      else if (accepts(jel, r->groups[0]) || accepts(jel, r->groups[1]))
        weight = 1;
    }
    for (int k = 0; k < 3; ++k) t[k] += weight * r->offset[k];
    GVSetOgreGeoNodeTransform(h, -2);
  });
}

void GVBuildVehicleExplode() {
  if (!gOgreData) return;
  const DisplaySettings* d = GVScene().display;
  const int32_t shape = d ? d->optionInts3[0] : 0;
  if (shape == 0) {
    GVFreeVehicleExplode();
    return;
  }
  if (!gOgreData->mVehicleExplode) {
    gOgreData->mVehicleExplode = new (std::nothrow) VehicleExplodeRec();
    if (!gOgreData->mVehicleExplode) return;
  }
  VehicleExplodeRec* r = gOgreData->mVehicleExplode;
  if (shape == 1)
    GVSetVehicleExplodeTriangle(r, 50.0f, 800.0f, 2.0f);
  else if (shape == 3)
    GVSetVehicleExplodeFull(r, 50.0f, 800.0f, 100.0f, 2.0f);
  else
    GVSetVehicleExplodeTrapezoid(r, 50.0f, 800.0f, 100.0f, 2.0f);
}

void GVFreeVehicleExplode() {
  if (!gOgreData) return;
  delete gOgreData->mVehicleExplode;
  gOgreData->mVehicleExplode = nullptr;
}
