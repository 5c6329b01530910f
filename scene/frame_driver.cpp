#include "scene/frame_driver.h"

#include <cmath>
#include <cstdio>

#include "camera/camera_record.h"
#include "dynamics/constraint_cmds.h"
#include "dynamics/jel_selection.h"
#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "geo/geo_binding.h"
#include "geo/geo_list.h"
#include "geo/geo_transform.h"
#include "geo/key_frames.h"
#include "geo/mesh_normals.h"
#include "jel/deformation_map.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "scene/scene_access.h"
#include "scene/scene_opts.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"

namespace {

constexpr int32_t kJelNotSimulated = 4;  // a Jel's own mode word
constexpr int32_t kPartOne = 1;
constexpr int32_t kLiveInStep = -3;
constexpr int32_t kLiveCommitted = -2;
constexpr int32_t kAxesXYZ = 14;


bool HasKeys(const GObject* g) { return g->keyTrack && g->keyTrack->firstKey; }

GeoList* SceneGeos() { return GVGeoListOf(GVScene().geoList); }

// Once on the status line each time frames begin to ask for more sub-steps
// than a frame takes.
void TellSubStepsHeld(HWorld* w) {
  if (!w->subStepsHeld) {
    w->subStepsHeldShown = 0;
    return;
  }
  if (w->subStepsHeldShown) return;
  w->subStepsHeldShown = 1;
  const SceneServices& sv = GVSceneServices();
  if (!sv.showStatusLine) return;
  char text[128];
  std::snprintf(text, sizeof text, "Warning: a frame asked for %d sub-steps; it takes %d", w->subStepsHeld,
                kMaxSubStepsPerFrame);
  sv.showStatusLine(text);
}

}  // namespace

void GVAdvanceFrame() {
  FrameClock& clock = GVFrameClock();
  clock.currentFrame += 1;
  HWorld* w = GVWorldOf(GVScene().world);
  if (!w) return;
  const FrameParams& p = w->params;
  if (p.loopFlag == 1 && p.loopLength >= 1 && int64_t{p.loopStart} + p.loopLength < clock.currentFrame) {
    clock.currentFrame = p.loopStart;
    GVStepFrame(p.loopStart, 0);
  } else {
    GVStepFrame(clock.currentFrame, 1);
  }
}

void GVNextFrame() { GVAdvanceFrame(); }

namespace {
// Node sub-steps above which a seek is announced.
constexpr int64_t kLongStepWork = 1600000;
constexpr int32_t kWorldReplayMode = 4;
}  // namespace

int32_t GVLongStepFrames(int32_t target, int32_t current) {
  const int64_t s = static_cast<int64_t>(target) - current;
  return s < 0 ? target : static_cast<int32_t>(s);
}

int64_t GVLongStepWork(const HWorld* world, int32_t frames) {
  if (!world) return 0;
  return static_cast<int64_t>(GVJelSelNodeCount(world, -1)) * frames * world->params.subSteps;
}

int32_t GVLongStepNotice(int32_t target, int32_t frames) {
  const HWorld* w = GVWorldOf(GVScene().world);
  if (!w || w->params.mode == kWorldReplayMode || GVLongStepWork(w, frames) <= kLongStepWork) return 0;
  const SceneServices& sv = GVSceneServices();
  if (!sv.showStatusLine) return 0;
  char text[120];
  std::snprintf(text, sizeof text, "... frame %d ... evaluating scene may take a few seconds ... ", target);
  sv.showStatusLine(text);
  return 1;
}

void GVStepFrame(int32_t frame, int32_t normal) {
  const SceneServices& sv = GVSceneServices();
  GVFrameClock().currentFrame = frame;
  HWorld** world = GVScene().world;
  GeoList* geos = SceneGeos();

  if (frame == 0) {
    if (sv.viewResetFrame0) sv.viewResetFrame0();
    for (GObject* g = geos ? geos->head : nullptr; g; g = g->next) {
      GVCalcGeoFaceNormals(g);
      GVCalcGeoVertexNormals(g);
    }
  }

  const int32_t e = GVCurrentFrame(world);
  const int32_t stateMode = GVWorldOf(world) ? (*world)->params.stateMode : 0;
  for (GObject* g = geos ? geos->head : nullptr; g; g = g->next) {
    g->flags &= ~GEO_FLAG_FRAME_XFORM_SET;
    // A step that does not go forward replays the world from its initial
    // state, so the Geos that follow a Jel start again from their base.
    if ((g->flags & (GEO_FLAG_CELL_BINDING | GEO_FLAG_VERTEX_BINDING)) && frame <= e) {
      g->flags &= ~GEO_FLAG_VIEW_REFRESHED;
      GVApplyGeoTransform(g, GEO_SEL_RESET_BOUND);
      if (sv.updateGeoMesh) sv.updateGeoMesh(g);
      g->flags |= GEO_FLAG_VIEW_REFRESHED;
    }
    if (HasKeys(g) && !((g->flags & GEO_FLAG_VERTEX_BINDING) && stateMode != 0)) {
      float position[3], matrix[9], scale[3];
      GVEvalGeoKeyTrack(g, static_cast<float>(frame), position, matrix, scale);
      GVSetGeoTransform(g, GEO_SEL_FRAME, position, matrix, scale, 0.0f);
      g->flags |= GEO_FLAG_FRAME_XFORM_SET;
    }
  }

  HWorld* w = GVWorldOf(world);
  if (!w) return;
  const int32_t restores = w->nonFiniteRestores;
  GVAdvanceToFrame(w, frame, GVFrameCallback, normal == 1 ? GVUpdateAfterStep : nullptr);
  if (normal != 1) GVUpdateAfterStep(world, -1, nullptr);
  TellSubStepsHeld(w);
  if (w->nonFiniteRestores != restores && sv.showStatusLine) {
    char text[120];
    std::snprintf(text, sizeof text,
                  "Warning: frame %d went out of bounds (not a number); the last finite frame was restored",
                  static_cast<int>(w->nonFiniteFrame));
    sv.showStatusLine(text);
  }
}

static int32_t SubstepsPerFrame() {
  const SceneServices& sv = GVSceneServices();
  const int32_t m = sv.logicMinSubsteps ? sv.logicMinSubsteps() : 1;
  float f = 1.0f;
  const int32_t n = sv.vehicleSubsteps ? sv.vehicleSubsteps(&f) : 1;
  const int32_t k = static_cast<int32_t>(std::ceil(static_cast<float>(n) * f));
  return m > k ? m : k;
}

void GVStepToCurrentFrame(int32_t normal) { GVStepFrame(GVFrameClock().currentFrame, normal); }

void GVRunWorldToFrame0() {
  if (HWorld* w = GVWorldOf(GVScene().world)) GVAdvanceToFrame(w, 0, GVFrameCallback, nullptr);
}

int32_t GVFrameCallback(void* world, int32_t selection, void* /*user*/) {
  HWorld** cell = static_cast<HWorld**>(world);
  if (!GVWorldOf(cell)) return selection == 0 ? SubstepsPerFrame() : 1;
  if (selection == 0) return 1;

  const SceneServices& sv = GVSceneServices();
  HWorld* w = *cell;
  const int32_t frame = GVCurrentFrame(cell);
  int32_t index = 1, count = 1;
  GVGetSubstepInfo(cell, &index, &count);
  const int32_t stateMode = w->params.stateMode;

  if (sv.updateFramePanels) sv.updateFramePanels(frame, index, count);
  if (sv.driveVehicle && stateMode == 0) sv.driveVehicle(cell);
  if (sv.runMainLogic) sv.runMainLogic(cell);
  GVSelWalls(w, selection, kPartOne, GVScene().bounds);
  // In natural-state mode the group-1 Jels carry no part-1 velocity from one
  // frame into the next.
  if (stateMode == -1) {
    static const float kZero[3] = {0.0f, 0.0f, 0.0f};
    for (HObject* j = w->head; j; j = GVNextJel(j))
      if ((j->id == -1 || GVJelInSel(j, -1)) && j->playParams.mode != kJelNotSimulated && j->state)
        j->state->setPartVelocity(kPartOne, kLiveInStep, kAxesXYZ, kZero);
  }
  return 1;
}

// The view camera's target to the centre of mass of part 1 of the Jels of
// the selection (the origin for a total mass of 0).
static void FollowSelectedJels(HWorld* w, int32_t selection, CameraRec* camera) {
  float mass = 0.0f;
  float sum[3] = {0.0f, 0.0f, 0.0f};
  for (HObject* j = w->head; j; j = GVNextJel(j)) {
    if (!GVJelInSel(j, selection)) continue;
    float m = 0.0f, s[3] = {0.0f, 0.0f, 0.0f};
    j->getPartMass(kPartOne, kLiveCommitted, &m);
    j->getPartMassPosSum(kPartOne, kLiveCommitted, kAxesXYZ, s);
    mass += m;
    for (int a = 0; a < 3; ++a) sum[a] += s[a];
  }
  float centre[3] = {0.0f, 0.0f, 0.0f};
  if (mass != 0.0f)
    for (int a = 0; a < 3; ++a) centre[a] = sum[a] / mass;
  GVSetCameraTarget(camera, centre);
  if (GVSceneServices().setViewProjection) GVSceneServices().setViewProjection();
}

// The scene options' render-to-texture camera owns the view camera for the
// rule of that field (kSceneOptsKeepCamera, kSceneOptsNoFollow).
static bool OptionsOwnCamera(int field) {
  const SceneOpts* o = GVScene().options;
  return o && o->camera && o->fields[field] != 0;
}

int32_t GVUpdateAfterStep(void* world, int32_t selection, void* /*user*/) {
  HWorld** cell = static_cast<HWorld**>(world);
  const SceneServices& sv = GVSceneServices();
  CameraRec* camera = sv.viewCamera ? sv.viewCamera() : nullptr;
  if (!GVWorldOf(cell) || selection == 0 || !camera) return 0;
  HWorld* w = *cell;
  const int32_t e = GVCurrentFrame(cell);
  const int32_t stateMode = w->params.stateMode;
  const bool deform = camera->geoDisplayMode != 0 && stateMode == 0;
  GeoList* geos = SceneGeos();

  if (deform) {
    for (HObject* j = w->head; j; j = GVNextJel(j))
      if (GVJelInSel(j, -1)) GVUpdateJelDeform(j, 0);
    // Large bound meshes follow their Jels on the world's threads.
    WorkerPool* pool = GVWorldWorkers(w);
    for (GObject* g = geos ? geos->head : nullptr; g; g = g->next) GVUpdateGeoAfterFrame(g, e, 0, pool);
  }

  CameraRec* start = sv.viewStartCamera ? sv.viewStartCamera() : nullptr;
  if (e == 0 && start && !OptionsOwnCamera(kSceneOptsKeepCamera)) {
    const int32_t mode = camera->mode, geoMode = camera->geoDisplayMode, jelMode = camera->jelDisplayMode;
    GVCopyCamera(start, camera);
    if (sv.setViewProjection) sv.setViewProjection();
    camera->mode = mode;
    camera->geoDisplayMode = geoMode;
    camera->jelDisplayMode = jelMode;
  }

  if (camera->mode == 1) {
    const bool vehicleFollowed = sv.vehicleCameraFollow && sv.vehicleCameraFollow();
    const bool jelCurrent = sv.viewSelection && sv.viewSelection(nullptr) != 0;
    if (!vehicleFollowed && jelCurrent && !OptionsOwnCamera(kSceneOptsNoFollow)) FollowSelectedJels(w, selection, camera);
  }

  if (e % 10 == 0 && sv.redrawVehicleReadout) sv.redrawVehicleReadout();
  if (sv.moveTimeBar) sv.moveTimeBar(e);
  if (sv.syncAnimModeButton) sv.syncAnimModeButton(w->params.mode);

  if (!sv.vehicleDriveInputs) {
    GVUpdateAttachedGeos(GVScene().geoList, cell, 0, 0.0f, 0.0f, 0.0f, 0.0f);
  } else if (deform) {
    float steering = 0.0f, front = 0.0f, rear = 0.0f, speedUp = 0.0f;
    int32_t body = 0;
    sv.vehicleDriveInputs(&steering, &front, &rear, &speedUp, &body);
    GVUpdateAttachedGeos(GVScene().geoList, cell, body, steering, front, rear, speedUp);
  }

  if (sv.updateRenderObjects) sv.updateRenderObjects();
  if (sv.redrawView) sv.redrawView();
  return 0;
}

int32_t GVLogicAppCB(int32_t mode, int32_t a, int32_t b, int32_t c, void* /*unused*/) {
  const SceneServices& sv = GVSceneServices();
  if (!GVMainWindowExists()) return 0;
  if (mode == 1 && sv.setCurrentGeo) sv.setCurrentGeo(a);
  if (mode == 2 && sv.selectJel) {
    int32_t second = 0;
    const int32_t first = sv.viewSelection ? sv.viewSelection(&second) : 0;
    if (first != b || second != c) {
      if (sv.setCurrentJel) sv.setCurrentJel();
      sv.selectJel(b, c);
    }
  }
  if (mode == 3 && sv.selectJel) sv.selectJel(b, c);
  if (mode == 4 && sv.showLogicLineValue && b != 0 && sv.logicLineExists && sv.logicLineExists(a, b))
    sv.showLogicLineValue(a, c);
  return 0;
}
