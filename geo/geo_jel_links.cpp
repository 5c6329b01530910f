#include "geo/geo_jel_links.h"

#include <cmath>

#include "dynamics/dyn_cmd.h"
#include "dynamics/glue.h"
#include "dynamics/selection_ops.h"
#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "geo/geo_binding.h"
#include "geo/geo_collision.h"
#include "geo/geo_list.h"
#include "geo/geo_transform.h"
#include "geo/key_frames.h"
#include "geo/vertex_pick.h"
#include "jel/deformation_map.h"
#include "jel/jel_object.h"

static bool jelMatches(const HObject* jel, int32_t sel) {
  if (!jel || sel == 0) return false;
  if (jel->id == sel) return true;
  return sel <= -1 && sel >= -31 && ((jel->groupMask >> uint32_t(-sel)) & 1u);
}

static bool hasKeys(const GObject* geo) { return geo->keyTrack && geo->keyTrack->firstKey; }

void GVReleaseGeosFromJelSel(GeoList* list, HWorld* world, int32_t jelSel) {
  if (!list || !world) return;
  for (GObject* g = list->head; g; g = g->next)
    for (HObject* j = world->head; j; j = GVNextJel(j))
      if (jelMatches(j, jelSel)) GVReleaseGeoFromJel(j, g);
  // Glue between the released Jels and the rest goes with them.
  if (jelSel != 0 && jelSel != -1) GVUnglueSelParts(world, jelSel, -1, 1, 1, 0.0f);
}

int32_t GVMassocGeosToJel(int32_t jelSel, GeoList* list, int32_t geoSel, HWorld* world) {
  if (!list || geoSel == 0 || !world || jelSel == 0) return -1;
  int32_t result = 0;
  for (GObject* g = list->head; g; g = g->next) {
    if (!GVGeoMatchesSel(geoSel, g)) continue;
    bool anyOutside = false;
    for (int32_t i = 1; g->vertices && g->vertBinds && i <= g->vertexCount; ++i) {
      if (!g->vertexFlags || !(g->vertexFlags[i] & GEO_VERTEX_BOUND)) continue;
      GeoVertBind& b = g->vertBinds[i];
      b = GeoVertBind{};
      if (GVLocatePointInJels(world, jelSel, g->vertices[i], &b) <= 0) result = -1;
      if (b.u < -0.5f || b.u > 1.5f || b.v < -0.5f || b.v > 1.5f || b.w < -0.5f || b.w > 1.5f)
        anyOutside = true;
    }
    g->flags |= GEO_FLAG_BOUND;
    g->jelId = jelSel;
    if (anyOutside)
      g->flags |= GEO_FLAG_TOO_FAR_OUTSIDE;
    else
      g->flags &= ~uint32_t(GEO_FLAG_TOO_FAR_OUTSIDE);
  }
  GVResolveGeoJelIds(list, geoSel, world);
  return result;
}

void GVResolveGeoJelIds(GeoList* list, int32_t geoSel, HWorld* world) {
  if (!list) return;
  for (GObject* g = list->head; g; g = g->next) {
    if (!GVGeoMatchesSel(geoSel, g)) continue;
    const int32_t id = GVGeoVertBindJelId(g);
    if (id == 0) {
      g->flags &= ~uint32_t(GEO_FLAG_BOUND);
      g->jelId = 0;
      g->jel = nullptr;
    } else if (id > 0) {
      g->jelId = id;
      g->jel = world ? GVGetJelById(world, id) : nullptr;
    }
  }
}

void GVUnbindGeosOfJelSel(GeoList* list, int32_t jelSel) {
  if (!list) return;
  for (GObject* g = list->head; g; g = g->next)
    if (g->jel && jelMatches(g->jel, jelSel)) g->flags &= ~uint32_t(GEO_FLAG_BOUND);
}

int32_t GVGeoSelJelId(const GeoList* list, int32_t geoSel) {
  if (!list) return 0;
  for (const GObject* g = list->head; g; g = g->next)
    if (GVGeoMatchesSel(geoSel, g)) return g->jelId;
  return 0;
}

int32_t GVRemassocJelGeos(HWorld* world, int32_t jelSel, GeoList* list) {
  if (jelSel == 0 || !world || world->params.stateMode != -1) return 1;
  if (jelSel < 0) {
    for (HObject* j = world->head; j; j = GVNextJel(j))
      if (jelMatches(j, jelSel) && j->id > 0) GVRemassocJelGeos(world, j->id, list);
    return 1;
  }
  HObject* jel = GVGetJelById(world, jelSel);
  if (!jel || !list) return 1;
  GVUpdateJelDeform(jel, 0);
  for (GObject* g = list->head; g; g = g->next) {
    if (g->jelId != jelSel || !(g->flags & GEO_FLAG_VERTEX_BINDING)) continue;
    GVApplyGeoTransform(g, GEO_SEL_START);
    GVMassocGeo(g, jel);
    if (g->flags & GEO_FLAG_TOO_FAR_OUTSIDE) return -1;
  }
  return 1;
}

void GVSyncGeoStartTransform(GObject* geo, HWorld* world, HObject* jel) {
  if (!geo || !world || !jel || !(geo->flags & GEO_FLAG_VERTEX_BINDING) || world->params.fps == 0) return;
  const float f = float(jel->playParams.startFrame);
  const float dt = 1.0f / float(world->params.fps);
  const bool keys = hasKeys(geo);
  if (keys) {
    float pos[3], mat[9], scale[3];
    GVGetGeoTransform(geo, GEO_SEL_BIRTH, pos, mat, scale, nullptr);
    GVEvalGeoKeyTrack(geo, f, pos, mat, scale);
    GVSetGeoTransform(geo, GEO_SEL_BIRTH, pos, mat, scale, dt);
    GVEvalGeoKeyTrack(geo, f + 1.0f, pos, mat, scale);
    GVSetGeoTransform(geo, GEO_SEL_BIRTH_NEXT, pos, mat, scale, dt);
  } else if (!(geo->flags & GEO_FLAG_BOUND)) {
    GVCopyGeoTransform(geo, GEO_SEL_FRAME, GEO_SEL_BIRTH);
    GVCopyGeoTransform(geo, GEO_SEL_FRAME, GEO_SEL_BIRTH_NEXT);
  }
  if (keys || ((geo->flags & GEO_FLAG_VERTEX_BINDING) && !(geo->flags & GEO_FLAG_CELL_BINDING))) {
    GVRealignJelAtFrame(geo, jel, jel->playParams.stateMode);
    GVLimitComputedFrames(world, int32_t(f));
  }
}

void GVSyncJelGeoTransform(GeoList* list, HObject* jel, HWorld* world) {
  if (!list || !jel || jel->id < 1) return;
  for (GObject* g = list->head; g; g = g->next) {
    if (g->jelId != jel->id) continue;
    GObject* geo = GVGetGeoById(list, g->id);
    if (geo && (geo->flags & GEO_FLAG_VERTEX_BINDING) && world) GVSyncGeoStartTransform(geo, world, jel);
    return;
  }
}

void GVSyncAllJelGeoTransforms(GeoList* list, HWorld* world) {
  if (!world) return;
  for (HObject* j = world->head; j; j = GVNextJel(j))
    if (j->id >= 1) GVSyncJelGeoTransform(list, j, world);
}

int32_t GVJelHasKeyFramedGeo(HWorld* world, int32_t jelSel, const GeoList* list) {
  if (jelSel == 0) return 0;
  if (jelSel < 0 && world)
    for (HObject* j = world->head; j; j = GVNextJel(j))
      if (jelMatches(j, jelSel) && j->id > 0 && GVJelHasKeyFramedGeo(world, j->id, list)) return 1;
  if (!list) return 0;
  for (const GObject* g = list->head; g; g = g->next)
    if (!(g->flags & GEO_FLAG_CELL_BINDING) && g->jelId != 0 && g->jelId == jelSel && hasKeys(g)) return 1;
  return 0;
}

void GVRelinkGeosToJels(GeoList* list, HWorld* world) {
  if (!list) return;
  for (GObject* g = list->head; g; g = g->next) {
    if (g->jelId > 0) g->jel = world ? GVGetJelById(world, g->jelId) : nullptr;
    if (g->jel) GVUpdateJelDeform(g->jel, 0);
    if (g->cellBind)
      g->cellBind->jel = g->cellBind->jelId > 0 && world ? GVGetJelById(world, g->cellBind->jelId) : nullptr;
    if (g->cellBind2) {
      GeoCellBind* b = g->cellBind2;
      b->jel = b->jelId > 0 && world ? GVGetJelById(world, b->jelId) : nullptr;
      // Re-binding replaces the record; the Jel and part are read first.
      if (b->jel) GVCellBindGeoSecondary(g, b->jel, b->part);
    }
  }
}

void GVApplyGeoSelTransform(GeoList* list, int32_t geoSel) {
  if (!list) return;
  for (GObject* g = list->head; g; g = g->next)
    if (GVGeoMatchesSel(geoSel, g)) GVApplyGeoTransform(g, GEO_SEL_START);
}

int32_t GVCollideGeosWithJels(GeoList* list, int32_t geoSel, HWorld* world, int32_t jelSel, int32_t param,
                              float fparam, int32_t mode) {
  if (!world || !list || !list->head || !world->head) return 0;
  int32_t best = 0;
  for (GObject* g = list->head; g; g = g->next) {
    if (!GVGeoMatchesSel(geoSel, g)) continue;
    for (HObject* j = world->head; j; j = GVNextJel(j)) {
      if (!jelMatches(j, jelSel)) continue;
      const int32_t r = GVCollideGeoWithJel(g, &world->contacts[2], &world->contacts[3], &world->contacts[4], j,
                                            param, fparam, mode);
      if (r > best) best = r;
    }
  }
  DynCmdArgs a;
  a.key1 = geoSel;
  a.key2 = jelSel;
  a.key3 = param;
  a.type = (mode == 3 || mode == 4) ? 32u : 64u;
  GVAddDynCmdRec(world, a);
  if (mode == 4 || mode == 6) {
    a.type = mode == 4 ? 64u : 32u;
    GVAddDynCmdRec(world, a);
  }
  return best;
}

void GVPickGeoVertex(const GeoList* list, const CameraRec* camera, const ViewportRec* view, int32_t x,
                     int32_t y, int32_t* geoId, int32_t* vertex, float* position) {
  float best = 9e30f;
  const GObject* bestGeo = nullptr;
  int32_t bestVertex = 0;
  float bestPos[3] = {0.0f, 0.0f, 0.0f};
  for (const GObject* g = list ? list->head : nullptr; g; g = g->next) {
    int32_t v = 0;
    float p[3] = {0.0f, 0.0f, 0.0f};
    GVPickGeoVertexInView(g, camera, view, x, y, &v, p);
    if (v < 1) continue;
    const float dx = p[0] - float(x), dy = p[1] - float(y);
    const float d = dx * dx + dy * dy;
    if (d < best) {
      best = d;
      bestGeo = g;
      bestVertex = v;
      for (int k = 0; k < 3; ++k) bestPos[k] = p[k];
    }
  }
  if (geoId) *geoId = bestGeo ? bestGeo->id : 0;
  if (bestGeo && bestVertex >= 1 && bestVertex <= bestGeo->vertexCount) {
    // The first vertex of a coincident group stands for the group. The lists
    // are held by group (list 0 gives the group count), so the vertex's group
    // is searched for.
    const IntList* lists = bestGeo->coincidentLists ? bestGeo->coincidentLists : bestGeo->seamLists;
    const int32_t groups = lists && lists[0].count > 0 ? lists[0].items[0] : 0;
    bool found = false;
    for (int32_t k = 1; k <= groups && k <= bestGeo->vertexCount && !found; ++k)
      for (int32_t e = 0; e < lists[k].count && !found; ++e)
        if (lists[k].items[e] == bestVertex && lists[k].items[0] >= 1) {
          bestVertex = lists[k].items[0];
          found = true;
        }
  }
  if (vertex && bestGeo) *vertex = bestVertex;
  if (position && bestGeo)
    for (int k = 0; k < 3; ++k) position[k] = bestPos[k];
}

float GVAsinF(float x) { return std::asin(x); }

void GVResetBoundGeos(GeoList* list) {
  if (!list) return;
  for (GObject* g = list->head; g; g = g->next)
    if (g->flags & GEO_FLAG_BOUND) GVApplyGeoTransform(g, GEO_SEL_RESET_BOUND);
}

void GVUpdateGeosAfterFrame(GeoList* list, HWorld* world, int32_t frame, int resetAll) {
  if (world)
    for (HObject* j = world->head; j; j = GVNextJel(j)) GVUpdateJelDeform(j, 0);
  if (!list) return;
  for (GObject* g = list->head; g; g = g->next) GVUpdateGeoAfterFrame(g, frame, resetAll);
}
