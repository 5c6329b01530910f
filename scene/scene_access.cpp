#include "scene/scene_access.h"

#include <cmath>
#include <cstdio>
#include <new>

#include "dynamics/dyn_cmd.h"
#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "dynamics/jel_selection.h"
#include "dynamics/motion_commands.h"
#include "dynamics/rigid_parts.h"
#include "geo/geo_attach.h"
#include "geo/geo_binding.h"
#include "geo/geo_collision.h"
#include "geo/geo_copy.h"
#include "geo/geo_jel_links.h"
#include "geo/key_interp.h"
#include "geo/key_frames.h"
#include "geo/geo_record_io.h"
#include "jel/deformation_map.h"
#include "jel/jel_from_builder.h"
#include "jel/jel_object.h"
#include "jel/lattice_builder.h"
#include "jel/live_state.h"
#include "jel/vector_math.h"
#include "records/heap_string.h"
#include "records/item_stream.h"
#include "scene/scene_limits.h"
#include "scene/scene_records.h"
#include "scene/file_ids.h"


static GObject* GeoById(ObjHandle* list, int32_t id) { return GVGetGeoById(GVGeoListOf(list), id); }

// ---- finders and list walks ----

HObject** GVFindJel(HWorld** world, int32_t id) {
  HObject* j = GVGetJelById(GVWorldOf(world), id);
  return j ? j->handle : nullptr;
}

int32_t GVJelExists(HWorld** world, int32_t id) { return GVGetJelById(GVWorldOf(world), id) ? 1 : 0; }
int32_t GVGeoExists(ObjHandle* list, int32_t id) { return GeoById(list, id) ? 1 : 0; }

uint32_t GVGeoFlags(ObjHandle* list, int32_t id, uint32_t mask) {
  const GObject* g = GeoById(list, id);
  return g ? g->flags & mask : 0;
}

float GVGeoFaceSize(ObjHandle* list, int32_t id) {
  const GObject* g = GeoById(list, id);
  return g ? g->faceSize : 0.0f;
}

int32_t GVGeoIdOfJel(int32_t jelId, ObjHandle* list) {
  const GeoList* l = GVGeoListOf(list);
  if (!l || jelId < 1) return 0;
  for (const GObject* g = l->head; g; g = g->next)
    if (g->jelId == jelId) return g->id;
  return 0;
}

HObject** GVFirstJel(HWorld** world) {
  const HWorld* w = GVWorldOf(world);
  return w && w->head ? w->head->handle : nullptr;
}

int32_t GVPrevGeoId(ObjHandle* list, int32_t id) {
  const GeoList* l = GVGeoListOf(list);
  if (!l || !l->head) return 0;
  const GObject* prev = nullptr;
  const GObject* g = l->head;
  for (; g && g->id != id; g = g->next) prev = g;
  if (g && prev) return prev->id;
  const GObject* last = l->head;
  while (last->next) last = last->next;
  return last->id;
}

int32_t GVNextJelId(HWorld** world) {
  const HWorld* w = GVWorldOf(world);
  int32_t largest = 0;
  for (const HObject* j = w ? w->head : nullptr; j; j = GVNextJel(j))
    if (j->id > largest) largest = j->id;
  return GVIdAfter(largest);
}

// ---- selection tests ----

int32_t GVJelMatches(HObject** jel, int32_t s) { return GVJelInSel(GVJelOf(jel), s) ? 1 : 0; }
int32_t GVGeoMatches(ObjHandle* geo, int32_t s) { return GVGeoMatchesSel(s, GVGeoOf(geo)); }

// The rule shared by the id tests: -1 is group 1 for both kinds here.
static int32_t IdInSel(int32_t id, uint32_t groupMask, int32_t s) {
  if (s == id) return 1;
  if (s <= -1 && s >= -31) return (groupMask >> -s) & 1u ? 1 : 0;
  return 0;
}

int32_t GVGeoIdInSel(int32_t geoId, int32_t s, ObjHandle* list) {
  if (geoId < 1) return 0;
  if (geoId == s) return 1;
  const GObject* g = GeoById(list, geoId);
  return g ? IdInSel(geoId, g->groupMask, s) : 0;
}

int32_t GVJelIdInSel(int32_t jelId, int32_t s, HWorld** world) {
  if (jelId < 1) return 0;
  if (jelId == s) return 1;
  const HObject* j = GVGetJelById(GVWorldOf(world), jelId);
  return j ? IdInSel(jelId, j->groupMask, s) : 0;
}

int32_t GVJelInGroup(int32_t s, HObject** jel) {
  const HObject* j = GVJelOf(jel);
  return j && s <= -1 && s >= -31 && GVJelInSel(j, s) ? 1 : 0;
}

int32_t GVNextJelPart(HWorld** world, int32_t p) {
  if (p < 1 || p > 31) return 1;
  const uint32_t used = GVJelSelPartMask(GVWorldOf(world), -1);
  for (int32_t q = p + 1; q <= 31; ++q)
    if ((used >> q) & 1u) return q;
  return 1;
}

// ---- makers and destroyers ----

HObject** GVNewJel() {
  HObject** cell = new (std::nothrow) HObject*(nullptr);
  if (!cell) return nullptr;
  if (!GVInitJelHandle(cell)) {
    delete cell;
    return nullptr;
  }
  return cell;
}

HObject** GVInitJelHandle(HObject** cell) {
  if (!cell) return nullptr;
  HObject* jel = new (std::nothrow) HObject;
  *cell = jel;
  if (!jel) return nullptr;
  jel->handle = cell;
  return cell;
}

HWorld** GVInitWorldHandle(HWorld** cell) {
  if (!cell) return nullptr;
  HWorld* world = new (std::nothrow) HWorld;
  *cell = world;
  if (!world) return nullptr;
  world->owner = cell;
  return cell;
}

void GVDeleteGeoHandle(ObjHandle* geo) {
  if (!geo) return;
  GObject* g = GVGeoOf(geo);
  if (g) g->handle = nullptr;
  delete g;
  geo->object = nullptr;
  delete geo;
}

void GVDeleteJelHandle(HObject** jel) {
  if (!jel) return;
  HObject* j = *jel;
  if (j) j->handle = nullptr;
  delete j;
  *jel = nullptr;
  delete jel;
}

void GVDeleteWorld(HWorld** world) {
  if (!world || !*world) return;
  delete *world;  // every Jel goes, whatever its group
  *world = nullptr;
}

HObject** GVNewJelFromBuilder(LatticeBuilder* builder, int32_t id, int32_t count, int32_t endFrame,
                              MatterProps* matter) {
  if (!builder) return nullptr;
  HObject** cell = new (std::nothrow) HObject*(nullptr);
  if (!cell) return nullptr;
  HObject* jel = GVCreateJelFromBuilder(builder, id, count, endFrame, matter);
  if (!jel) {
    delete cell;
    return nullptr;
  }
  *cell = jel;
  jel->handle = cell;
  return cell;
}

void GVReleaseGeosFromLeavingJel(GeoList* list, HWorld* world, HObject* jel) {
  if (!list || !jel) return;
  for (GObject* g = list->head; g; g = g->next) {
    GVReleaseGeoFromJel(jel, g);  // by id and group: bindings, cell bindings, attachment
    for (GeoCellBind* b : {g->cellBind, g->cellBind2})
      if (b && b->jel == jel) {
        GVFreeCellBind(b);
        *b = GeoCellBind{};
      }
    if (g->jel != jel && g->jelId != jel->id) continue;
    // Still held: bound through a group, or some vertices lie in other Jels.
    // The entries in this Jel go; another Jel they name takes its place.
    GVValidateGeoMassoc(g, jel->id);
    const int32_t other = GVGeoVertBindJelId(g);
    HObject* next = other > 0 && other != jel->id ? GVGetJelById(world, other) : nullptr;
    if (next && next != jel && (g->flags & GEO_FLAG_BOUND)) {
      g->jel = next;
      g->jelId = other;
    } else if (g->jel == jel || g->jelId == jel->id) {
      g->flags &= ~uint32_t(GEO_FLAG_BOUND | GEO_FLAG_VERTEX_BINDING);
      g->jelId = 0;
      g->jel = nullptr;
    }
  }
}

static void releaseSceneGeos(void* user, HWorld* world, HObject* jel) {
  ObjHandle** field = static_cast<ObjHandle**>(user);
  GVReleaseGeosFromLeavingJel(field ? GVGeoListOf(*field) : nullptr, world, jel);
}

static void releaseListGeos(void* user, HWorld* world, HObject* jel) {
  GVReleaseGeosFromLeavingJel(static_cast<GeoList*>(user), world, jel);
}

void GVWatchJelsLeaving(HWorld* world, ObjHandle** sceneGeoList) {
  if (!world) return;
  world->beforeJelLeaves = sceneGeoList ? releaseSceneGeos : nullptr;
  world->leavesUser = sceneGeoList;
}

void GVWatchJelsLeavingList(HWorld* world, GeoList* list) {
  if (!world) return;
  world->beforeJelLeaves = list ? releaseListGeos : nullptr;
  world->leavesUser = list;
}

void GVAddJelToScene(HWorld** world, HObject** jel) {
  HWorld* w = GVWorldOf(world);
  if (w && GVJelOf(jel)) GVAddJel(w, *jel);
}

HObject** GVRemoveJelFromScene(HWorld** world, HObject** jel) {
  HWorld* w = GVWorldOf(world);
  if (w && GVJelOf(jel)) GVRemoveJel(w, *jel);
  return jel;
}

void GVDeleteJels(HWorld** world, int32_t s) { GVDeleteJelSel(GVWorldOf(world), s); }

// ---- list readers ----

// Gives every Geo read its own cell; 0 when a cell cannot be made (that Geo
// and the rest are deleted, so nothing without a cell stays listed).
static int32_t GiveGeoCells(GeoList* l) {
  for (GObject* g = l->head; g; g = g->next) {
    if (g->handle) continue;
    ObjHandle* cell = new (std::nothrow) ObjHandle;
    if (!cell) {
      GObject** link = &l->head;
      while (*link != g) link = &(*link)->next;
      *link = nullptr;
      while (g) {
        GObject* next = g->next;
        delete g;
        g = next;
      }
      return 0;
    }
    cell->object = g;
    g->handle = cell;
  }
  return 1;
}

int32_t GVGiveJelCells(HWorld* w) {
  int32_t ok = 1;
  for (HObject* j = w ? w->head : nullptr; j; j = GVNextJel(j)) {
    if (j->handle) continue;
    j->handle = new (std::nothrow) HObject*(j);
    if (!j->handle) ok = 0;
  }
  return ok;
}

int32_t GVReadSceneGeos(ObjHandle* list, FILE* file) {
  GeoList* l = GVGeoListOf(list);
  if (!l) return 0;
  GVDeleteGeos(list, -1);
  GVReadGeoList(l, file, GVWorldOf(GVScene().world));
  return GiveGeoCells(l);
}

int32_t GVReadSceneGeosImage(ItemStream* image, ObjHandle* list) {
  GeoList* l = GVGeoListOf(list);
  if (!image || !l) return 0;
  if (!image->bytes && !image->ints && !image->floats && !image->items) return 0;
  GVDeleteGeos(list, -1);
  GVReadGeoListImage(l, image, GVWorldOf(GVScene().world));
  return GiveGeoCells(l);
}

int32_t GVReadSceneJels(FILE* file, HWorld** world) {
  HWorld* w = GVWorldOf(world);
  if (!w || !file) return 0;
  GVDeleteJels(world, -1);
  const int32_t rc = GVReadJelList(w, file);
  GVGiveJelCells(w);
  return rc;
}

int32_t GVReadSceneJelsImage(ItemStream* image, HWorld** world) {
  HWorld* w = GVWorldOf(world);
  if (!image || !w) return 0;
  if (!image->bytes && !image->ints && !image->floats && !image->items) return 0;
  GVDeleteJels(world, -1);
  const int32_t rc = GVReadJelListImage(w, image);
  GVGiveJelCells(w);
  return rc;
}

// ---- whole-list replacement ----

void GVDeleteEveryJel(HWorld** world) {
  HWorld* w = GVWorldOf(world);
  if (!w) return;
  // Jels taken out of group 1 first, one by one, so each removal is reported;
  // then group 1, which also resets the emptied world's play words.
  HObject* j = w->head;
  while (j) {
    HObject* next = GVNextJel(j);
    if (!GVJelInSel(j, -1)) {
      GVRemoveJel(w, j);
      if (j->handle)
        GVDeleteJelHandle(j->handle);
      else
        delete j;
    }
    j = next;
  }
  GVDeleteJels(world, -1);
}

int32_t GVMoveJelsInto(HWorld** world, HWorld* from) {
  HWorld* w = GVWorldOf(world);
  if (!w || !from) return 0;
  HObject* first = from->head;
  from->head = nullptr;
  if (first && !w->head) w->params.mode = first->playParams.mode;
  while (first) {
    HObject* next = GVNextJel(first);
    first->next = nullptr;
    GVAddJel(w, first);
    first = next;
  }
  GVGiveJelCells(w);
  // A Jel left without a cell cannot be reached by handle: it goes.
  int32_t ok = 1;
  for (HObject* j = w->head; j;) {
    HObject* next = GVNextJel(j);
    if (!j->handle) {
      GVRemoveJel(w, j);
      delete j;
      ok = 0;
    }
    j = next;
  }
  return ok;
}

int32_t GVMoveGeosInto(ObjHandle* list, GeoList* from) {
  GeoList* l = GVGeoListOf(list);
  if (!l || !from) return 0;
  GObject* first = from->head;
  from->head = nullptr;
  while (first) {
    GObject* next = first->next;
    first->next = nullptr;
    GVAddGeo(l, first);
    first = next;
  }
  return GiveGeoCells(l);
}

// ---- frame and time tests ----

int32_t GVCurrentFrame(HWorld** world) {
  const HWorld* w = GVWorldOf(world);
  if (!w) return 0;
  const FrameParams& p = w->params;
  const bool lastSubStep = p.stepping && p.subSteps >= 1 && p.subStepIndex == p.subSteps;
  return p.currentFrame + (lastSubStep ? 1 : 0);
}

float GVCurrentFrameFloat(HWorld** world) {
  const HWorld* w = GVWorldOf(world);
  if (!w) return 0.0f;
  const FrameParams& p = w->params;
  if (p.stepping && p.subSteps >= 1)
    return static_cast<float>(p.currentFrame) + static_cast<float>(p.subStepIndex) / static_cast<float>(p.subSteps);
  return static_cast<float>(p.currentFrame);
}

void GVGetSubstepInfo(HWorld** world, int32_t* index, int32_t* count) {
  const HWorld* w = GVWorldOf(world);
  if (!w) return;
  const FrameParams& p = w->params;
  if (index) *index = p.stepping ? p.subStepIndex : p.subSteps;
  if (count) *count = p.subSteps;
}

int32_t GVIsFrameInStep(HWorld** world, float frame) {
  const HWorld* w = GVWorldOf(world);
  if (!w || w->params.fps < 1) return 0;
  return GVFrameIsTime(&w->params, frame / static_cast<float>(w->params.fps));
}

int32_t GVIsWorldFrameInStep(HWorld** world) {
  const HWorld* w = GVWorldOf(world);
  return w ? GVIsFrameInStep(world, static_cast<float>(w->params.loopStart)) : 0;
}

int32_t GVFrameRangePhase(HWorld** world, float a, float b) {
  const HWorld* w = GVWorldOf(world);
  if (!w) return 0;
  const float k = w->params.fps < 1 ? 0.0f : 1.0f / static_cast<float>(w->params.fps);
  return GVFrameTimeRangeState(&w->params, a * k, b * k);
}

static int32_t JelFrameWord(HWorld** world, int32_t id, bool start) {
  const HWorld* w = GVWorldOf(world);
  if (!w) return 0;
  if (id < 0) return start ? w->params.startFrame : w->params.endFrame;
  const HObject* j = GVGetJelById(w, id);
  if (!j) return 0;
  return start ? j->playParams.startFrame : j->playParams.endFrame;
}

int32_t GVJelStartFrame(HWorld** world, int32_t id) { return JelFrameWord(world, id, true); }
int32_t GVJelEndFrame(HWorld** world, int32_t id) { return JelFrameWord(world, id, false); }

int32_t GVSetWorldFrameParam(HWorld** world, int32_t value) {
  HWorld* w = GVWorldOf(world);
  const int32_t v = value < 0 ? 0 : value > kGVFrameLimit ? kGVFrameLimit : value;
  if (!w) return v;
  w->params.loopLength = v;
  if (w->head) GVPushWorldParams(w, &w->params, kFpLoopLength);
  return v;
}

// ---- forwarders ----

void GVDeformBoundGeos(ObjHandle* list, HWorld** world) {
  GeoList* l = GVGeoListOf(list);
  if (!l || !GVWorldOf(world)) return;
  for (GObject* g = l->head; g; g = g->next)
    if ((g->flags & GEO_FLAG_BOUND) && g->jel) GVDeformGeoFromJel(g);
}

int32_t GVFindUnscaledAttachGeo(ObjHandle* list, ObjHandle* geo) {
  const GObject* g = GVGeoOf(geo);
  return g ? GVFindNonUnitScaleAttachGeo(GVGeoListOf(list), g) : -1;
}

int32_t GVFindMisorderedGeo(ObjHandle* list) {
  const GeoList* geos = GVGeoListOf(list);
  int32_t last = -1;
  for (const GObject* g = geos ? geos->head : nullptr; g; g = g->next) {
    last = GVCheckAttachmentOrder(g);
    if (last > 0) return g->id;
  }
  return last == -1 ? -1 : 0;
}

int32_t GVApplySceneAttachments(ObjHandle* list, HWorld** world) {
  return GVApplyGeoAttachments(GVGeoListOf(list), GVWorldOf(world));
}

int32_t GVApplyAttachmentOfGeo(ObjHandle* list, HWorld** world, ObjHandle* geo) {
  if (!GVGeoListOf(list) || !GVWorldOf(world) || !GVGeoOf(geo)) return -1;
  return GVApplyGeoAttachment(GVGeoListOf(list), GVWorldOf(world), GVGeoOf(geo));
}

int32_t GVUpdateAttachedGeos(ObjHandle* list, HWorld** world, int32_t jelId, float steering, float frontSpin,
                             float rearSpin, float speedUp) {
  if (!GVWorldOf(world)) return -1;
  return GVUpdateGeoAttachments(GVGeoListOf(list), GVWorldOf(world), steering, frontSpin, rearSpin, jelId,
                                speedUp);
}

int32_t GVCollideGeosJels(ObjHandle* list, HWorld** world, int32_t geoSel, int32_t jelSel, int32_t part,
                          int32_t mode, int32_t contactKind, float param) {
  (void)contactKind;  // chosen by the collision commands; the present contact routine has no use for it
  HWorld* w = GVWorldOf(world);
  if (!w || !w->head || !GVFirstGeo(list)) return 0;
  int32_t largest = 0;
  for (ObjHandle* g = GVFirstGeo(list); g; g = GVNextGeo(g)) {
    if (!GVGeoMatches(g, geoSel)) continue;
    for (HObject* j = w->head; j; j = j->next) {
      if (!GVJelInSel(j, jelSel)) continue;
      const int32_t r = GVCollideGeoWithJel(GVGeoOf(g), &w->contacts[2], &w->contacts[3], &w->contacts[4], j, part,
                                            param, mode);
      if (r > largest) largest = r;
    }
  }
  DynCmdArgs rec;
  rec.key1 = geoSel;
  rec.key2 = jelSel;
  rec.key3 = 1;
  rec.key4 = part;
  rec.type = mode == 3 || mode == 4 ? kDynCmdGeoJel : kDynCmdGeoJelAlt;
  GVAddDynCmdRec(w, rec);
  if (mode == 4 || mode == 6) {
    rec.type = mode == 4 ? kDynCmdGeoJelAlt : kDynCmdGeoJel;
    GVAddDynCmdRec(w, rec);
  }
  return largest;
}

static void WriteName(const char* name, char* buffer, size_t size) {
  if (buffer && size > 0) std::snprintf(buffer, size, "%s", name ? name : "");
}

void GVWriteGeoName(ObjHandle* geo, char* buffer, size_t size) {
  const GObject* g = GVGeoOf(geo);
  WriteName(g ? g->name : nullptr, buffer, size);
}

void GVGetJelName(HObject** jel, char* buffer, size_t size) {
  const HObject* j = GVJelOf(jel);
  WriteName(j ? j->name : nullptr, buffer, size);
}

static char* Dup(const char* text) {
  char* copy = nullptr;
  if (text) GVSetString(&copy, text);
  return copy;
}

char* GVDupGeoName(ObjHandle* geo) { return GVGeoOf(geo) ? Dup(GVGeoOf(geo)->name) : nullptr; }
char* GVDupJelName(HObject** jel) { return GVJelOf(jel) ? Dup(GVJelOf(jel)->name) : nullptr; }

char* GVDupGeoMatFile(ObjHandle* geo) { return GVGeoOf(geo) ? Dup(GVGeoOf(geo)->matFile) : nullptr; }
char* GVDupGeoMatAux(ObjHandle* geo) { return GVGeoOf(geo) ? Dup(GVGeoOf(geo)->matName2) : nullptr; }
char* GVDupGeoMatScript(ObjHandle* geo) { return GVGeoOf(geo) ? Dup(GVGeoOf(geo)->matScript) : nullptr; }

int32_t* GVSetGeoTriangle(ObjHandle* geo, int32_t index) {
  GObject* g = GVGeoOf(geo);
  if (!g || !g->triangles || index < 0 || index > g->triangleCount) return nullptr;
  return g->triangles[index];
}

int32_t* GVSetGeoQuad(ObjHandle* geo, int32_t index) {
  GObject* g = GVGeoOf(geo);
  if (!g || !g->quads || index < 0 || index > g->quadCount) return nullptr;
  return g->quads[index];
}

int32_t GVNextGeoKeyFrame(ObjHandle* geo, int32_t frame) {
  const GObject* g = GVGeoOf(geo);
  for (const KeyFrame* k = g && g->keyTrack ? g->keyTrack->firstKey : nullptr; k; k = k->next)
    if (k->frame > frame) return k->frame;
  return -2;
}

int32_t GVEvalGeoTrack(ObjHandle* geo, const float matrix[9], float angles[3], int32_t useMatrix, double t) {
  GObject* g = GVGeoOf(geo);
  if (!g || !g->keyTrack) return 0;
  return GVKeyTrackAnglesFromMatrix(g->keyTrack, matrix, angles, useMatrix, t);
}

GeoAttach* GVGetGeoAttachment(ObjHandle* geo) {
  GObject* g = GVGeoOf(geo);
  if (!g) return nullptr;
  if (!g->attach) g->attach = new (std::nothrow) GeoAttach{};
  return g->attach;
}

void GVRefreshJelGeos(ObjHandle* list, HWorld** world, HObject** jel) {
  if (GVGeoListOf(list) && GVJelOf(jel)) GVSyncJelGeoTransform(GVGeoListOf(list), *jel, GVWorldOf(world));
}

void GVRefreshAllJelGeos(ObjHandle* list, HWorld** world) {
  if (GVGeoListOf(list) && GVWorldOf(world)) GVSyncAllJelGeoTransforms(GVGeoListOf(list), *world);
}

void GVRefreshGeosOfJel(int32_t jelId) {
  SceneRecords& scene = GVScene();
  if (HObject** jel = jelId >= 1 ? GVFindJel(scene.world, jelId) : nullptr)
    GVRefreshJelGeos(scene.geoList, scene.world, jel);
  else
    GVRefreshAllJelGeos(scene.geoList, scene.world);
}

int32_t GVGeoIsKeyFramed(ObjHandle* geo) {
  const GObject* g = GVGeoOf(geo);
  return g && g->keyTrack && g->keyTrack->firstKey ? 1 : 0;
}

int32_t GVMassocSceneGeos(ObjHandle* list, HWorld** world) {
  GeoList* geos = GVGeoListOf(list);
  HWorld* w = GVWorldOf(world);
  return geos && w ? GVMassocGeosToJel(-1, geos, -1, w) : -1;
}

int32_t GVMassocGeoMode(HObject** jel, ObjHandle* geo, int32_t mode) {
  HObject* j = GVJelOf(jel);
  GObject* g = GVGeoOf(geo);
  if (!j || !g) return -1;
  if (mode == 0 || mode == 1) return GVMassocGeo(g, j);
  if (mode == 2) return GVMassocGeoSecondary(g, j);
  return -1;
}

int32_t GVCopyGeoInto(ObjHandle* destination, ObjHandle* source, const char* name, int32_t id) {
  GObject* dst = GVGeoOf(destination);
  const GObject* src = GVGeoOf(source);
  return dst && src ? GVCopyGeo(dst, src, name, id) : 0;
}

void GVGetSelPositionH(HWorld** world, int32_t part, int32_t selection, int32_t frame, int32_t axes, float out[3],
                       const float* origin, const float* matrix) {
  if (!out) return;
  if (HWorld* w = GVWorldOf(world)) {
    GVGetSelPosition(w, part, selection, frame, axes, out, origin, matrix);
    return;
  }
  out[0] = out[1] = out[2] = 0.0f;
}

void GVSetSelPositionH(HWorld** world, int32_t selection, int32_t part, int32_t frame, int32_t axes,
                       const float target[3], const float* matrix) {
  if (HWorld* w = GVWorldOf(world)) GVSetSelPosition(w, part, selection, frame, axes, target, nullptr, matrix);
}

// Marks 0-1 hold the (frame, sub-step) of the face normals, 2-3 of the node normals.
static void updateJelNormals(HObject** cell, int mark, void (HObject::*compute)()) {
  HObject* j = GVJelOf(cell);
  if (!j) return;
  const int32_t frame = j->playParams.currentFrame, sub = j->playParams.subStepIndex;
  if (j->frameMarks[mark] == frame && j->frameMarks[mark + 1] == sub) return;
  (j->*compute)();
  j->frameMarks[mark] = frame;
  j->frameMarks[mark + 1] = sub;
}

void GVUpdateJelFaceNormals(HObject** jel) { updateJelNormals(jel, 0, &HObject::computeFaceNormals); }
void GVUpdateJelNodeNormals(HObject** jel) { updateJelNormals(jel, 2, &HObject::computeNodeNormals); }

int32_t GVGeoHasAttachment(ObjHandle* geo) {
  const GObject* g = GVGeoOf(geo);
  return g && g->attach && g->attach->type != 0 ? 1 : 0;
}

int32_t GVJelHandleIsFlat(HObject** jel) { return GVIsJelFlat(GVJelOf(jel)); }

void GVGetJelMatter(HObject** jel, int32_t frame, uint32_t mask, MatterProps* out) {
  if (GVJelOf(jel) && out) (*jel)->getNodeMatterAlias(1, frame, mask, out);
}

void GVSetJelMatter(HObject** jel, int32_t frame, uint32_t mask, MatterProps* values) {
  if (GVJelOf(jel) && values) (*jel)->applyPartMatterAlias(1, frame, mask, values);
}

static HAState* LiveState(HObject** jel) { return GVJelOf(jel) ? (*jel)->state : nullptr; }

void GVJelStateSetRefPoint(HObject** jel, const float omega[3]) {
  if (HAState* s = LiveState(jel)) GVSetPartAngVelocity(s, omega);
}

void GVJelGroupImpulse(HObject** jel, int32_t part) {
  if (HAState* s = LiveState(jel)) GVCapturePartShape(s, part);
}

void GVJelGroupOp138(HObject** jel, int32_t part) {
  HAState* s = LiveState(jel);
  if (s && (*jel)->playParams.mode != kWorldReplay) GVApplyPartRotationDrive(s, part);
}

void GVRebuildJelContactGrid(HObject** jel) {
  if (HAState* s = LiveState(jel)) s->rebuildContactGrid(0.5f * s->cellSize, 0);
}

LatticeBuilder** GVNewLatticeBuilder(const LatticeSpec* spec) {
  auto* builder = new (std::nothrow) LatticeBuilder(spec);
  if (!builder) return nullptr;
  auto** cell = builder->allocated > 0 ? new (std::nothrow) LatticeBuilder*(builder) : nullptr;
  if (!cell) {
    GVDestroyLatticeBuilder(builder);
    return nullptr;
  }
  builder->handle = cell;
  return cell;
}

void GVDeleteLatticeBuilder(LatticeBuilder** cell) {
  if (!cell) return;
  GVDestroyLatticeBuilder(*cell);
  *cell = nullptr;
  delete cell;
}

int32_t GVPickNearestJelNode(HWorld** world, int32_t selection, int32_t x, int32_t y, const ViewportRec* vp,
                             const CameraRec* cam, int32_t* node, int32_t* jelId, float point[3]) {
  float best = 9e30f, bestPoint[3] = {};
  int32_t bestJel = 0, bestNode = 0;
  const HWorld* w = GVWorldOf(world);
  for (const HObject* j = w ? w->head : nullptr; j; j = GVNextJel(j)) {
    if (!GVJelInSel(j, selection)) continue;
    int32_t n = 0;
    float p[3] = {};
    if (!j->pickNearestNode(x, y, vp, cam, &n, p) || n < 1) continue;
    const float dx = float(x) - p[0], dy = float(y) - p[1];
    if (dx * dx + dy * dy < best) {
      best = dx * dx + dy * dy;
      bestJel = j->id;
      bestNode = n;
      for (int k = 0; k < 3; ++k) bestPoint[k] = p[k];
    }
  }
  if (node) *node = bestNode;
  if (jelId) *jelId = bestJel;
  if (point && bestJel)
    for (int k = 0; k < 3; ++k) point[k] = bestPoint[k];
  return bestJel;
}

void GVSetJelGrabPoint(HObject** jel, int32_t node) {
  HAState* s = LiveState(jel);
  if (!s || s->dragMode != 2 || !s->pos || node < 1 || node > s->nodeCount) return;
  for (int k = 0; k < 3; ++k) s->grabPoint[k] = s->pos[node][k];
}

HObject* GVRebuildJelHandleAtFace(LatticeBuilder* builder, HObject** jel, int32_t face, int32_t mode,
                                  HWorld** world) {
  if (!builder || !jel || !*jel) return nullptr;
  HObject* old = *jel;
  HObject* fresh = GVJelHandleIsFlat(jel) ? GVRebuildJelAtEdge(builder, old, mode, face)
                                          : GVRebuildJelAtFace(builder, old, mode, face);
  if (!fresh) return nullptr;
  // A listed Jel goes by the world's rule, so no Geo is left holding it.
  if (!GVReplaceJel(GVWorldOf(world), old, fresh)) GVSwapJelInHandle(old, fresh);
  return fresh;
}

void GVSetActiveJel(HWorld** world, int32_t, int32_t id) {
  if (HWorld* w = GVWorldOf(world)) GVRefillJelFrames(w, GVJelOf(GVFindJel(world, id)));
}

float GVAtan(float x) { return std::atan(x); }
