#include "sample_scenes.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "camera/camera_record.h"
#include "dynamics/jel_selection.h"
#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "geo/geo_attach.h"
#include "geo/geo_binding.h"
#include "geo/geo_from_jel.h"
#include "geo/geo_list.h"
#include "geo/geo_object.h"
#include "geo/geo_transform.h"
#include "geo/key_frames.h"
#include "geo/geo_materials.h"
#include "geo/uv_sets.h"
#include "jel/deformation_map.h"
#include "jel/jel_from_builder.h"
#include "jel/jel_object.h"
#include "jel/lattice_builder.h"
#include "jel/matter.h"
#include "jel/state_interface.h"
#include "logic/control_logic_cmds.h"
#include "logic/dyn1_cmds.h"
#include "logic/dyn2_cmds.h"
#include "logic/logic_system.h"
#include "logic/program_store.h"
#include "scene/display_settings.h"
#include "scene/frame_driver.h"
#include "records/heap_string.h"
#include "scene/light_list.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_stream.h"
#include "vehicle/chase_camera.h"
#include "vehicle/vehicle_commands.h"
#include "vehicle/vehicle_record.h"

namespace {

const char* const kNames[kSampleSceneCount] = {"JelDrop.gvs", "Vehicle2x2.gvs", "LogicCommands.gvs",
                                               "Showcase.gvs", "VehicleExploded.gvs"};
const char* const kNotes[kSampleSceneCount] = {
    "Three Jels dropped on the floor; the Geo JelSkin follows the first, the box Spinner is key-framed.",
    "A 2x2 vehicle settled on the floor, with its four wheel Geos. The scene opens with Fix POI of the camera "
    "panel pressed: while it is pressed, the view follows the vehicle as the scene plays. To drive it, use the "
    "Vehicle Controls panel along the bottom (the Vehicle Controls button of the selector bar shows and hides "
    "it): push the gear lever, the slider marked F N R, up to F; push the right-hand pedal, the slider at the "
    "far right, up to drive (the left-hand pedal beside it brakes, and pressing one lets go of the other); steer "
    "with the wide slider above them. Press Cam Mode3 once (it then reads Cam ModeB) for the view from behind "
    "the vehicle, and press play. The walls stand far apart, so a run at full throttle in F stays on its wheels "
    "for the whole play range.",
    "Press play: the Jel Faller drops onto the grey Track, and the main program slides it along the track and "
    "back. Each frame its CUR_FRAME line reads the frame, two LOGIC lines (<) test whether the frame lies "
    "between 40 and 100 or between 120 and 180, and CONTROL lines (IF ... END IF) give the Jel a velocity of "
    "2.0 along x in the first range and -2.0 in the second. Open the Constraint Editor of the selector bar to "
    "see the lines, and press Print there to see what each gave in the last frame.",
    "Press play: the soft Jel Soft, wrapped in the orange Geo SoftSkin, drops onto the Jel Pedestal while "
    "the spot light throws its shadow on the Floor under a cloudy sky; the main program makes the two "
    "collide, pushes the Jel Runner along the floor from frame 30 to 90 and back from frame 100 to 160, "
    "and friction on the floor then brings it to rest near where it started. "
    "Things to try: turn the camera while it plays; drag a Jel with the mouse while it runs; open Lights on "
    "the selector bar to move the light or change its colour; open the Constraint Editor to change the push "
    "speed (2.0) or its frames; open the Jel Material Attributes Editor on Soft to make it softer or stiffer.",
    "The exploded view of a vehicle, which the scene's display settings ask for. Press play: from frame 50 "
    "the Geos attached to the vehicle's Jels are drawn pulled apart along one line taken from the chassis: "
    "the plate Body on the body moves four steps for every two of the plate Chassis on the chassis and three "
    "of the plate Suspension, so that the layers and the links between them show how the vehicle is built. "
    "Only the drawing moves; the Jels stay where they are. While the exploded view is on, the vehicle's "
    "attachments and the Jels' structure cannot be changed."};

// A solid block of nx x ny x nz cells of size h, its centre moved to `at`,
// added to the scene's world with a cell; elasticity 1 and friction 0 are the
// default matter's.
HObject* addBlockJel(int32_t id, const char* name, int32_t nx, int32_t ny, int32_t nz, float h, const float at[3],
                     float elasticity = 1.0f, float friction = 0.0f) {
  LatticeSpec spec;
  spec.cellSize = h;
  spec.nx = nx + 1;
  spec.ny = ny + 1;
  spec.nz = nz + 1;
  LatticeBuilder b;
  if (!GVInitLatticeBuilder(&spec, &b)) return nullptr;
  GVGridFillBox(1, nx, &b, 1, 1, ny, nz);
  MatterProps matter;
  GVSetMatterDefaults(&matter);
  matter.forceY = -9.81f;  // the defaults have no weight: these fall
  matter.elasticity = elasticity;
  matter.friction = friction;
  HObject* j = GVCreateJelFromBuilder(&b, id, 0, 0, &matter);
  GVFreeLatticeBuilder(&b);
  if (!j) return nullptr;
  GVTranslateJel(at, j);
  j->restoreFrame(kFrameInitial);
  j->storeFrame(kFrameInitial);
  GVSetString(&j->name, name);
  j->handle = new HObject*(j);
  GVAddJelToScene(GVScene().world, j->handle);
  return j;
}

// A box Geo from lo to hi added to the scene's list.
GObject* addBoxGeo(int32_t id, const char* name, const float lo[3], const float hi[3]) {
  static const int32_t kTris[12][3] = {{1, 3, 2}, {2, 3, 4}, {5, 6, 7}, {6, 8, 7}, {1, 2, 5}, {2, 6, 5},
                                       {3, 7, 4}, {4, 7, 8}, {1, 5, 3}, {3, 5, 7}, {2, 4, 6}, {4, 8, 6}};
  GObject* g = new GObject;
  GeoMeshDesc desc;
  GVInitGeoMeshDesc(&desc);
  GVSetString(&desc.name, name);
  desc.vertexCount = 8;
  desc.triangleCount = 12;
  const int built = GVBuildGeoFromDesc(g, &desc, id);
  if (built) {
    for (int32_t k = 0; k < 8; ++k) {
      desc.baseVertices[k + 1][0] = (k & 1) ? hi[0] : lo[0];
      desc.baseVertices[k + 1][1] = (k & 2) ? hi[1] : lo[1];
      desc.baseVertices[k + 1][2] = (k & 4) ? hi[2] : lo[2];
    }
    for (int32_t t = 0; t < 12; ++t)
      for (int a = 0; a < 3; ++a) desc.triangles[t + 1][a] = kTris[t][a];
  }
  GVResetGeoMeshDesc(&desc);
  GVSetString(&desc.name, nullptr);
  if (!built) {
    delete g;
    return nullptr;
  }
  GVApplyGeoTransform(g, GEO_SEL_START);
  // The projected UV set every Geo gets when it has none of its own.
  GVAddAllFaces00UVSet(g);
  g->handle = new ObjHandle{g};
  GVAddGeoToScene(GVScene().geoList, g->handle);
  return g;
}

// A Geo made from the Jel's surface with its vertices bound to the Jel, so
// that it follows the Jel's deformation. The vertices are located through the
// Jel's deformation map, which a new Jel has yet to compute.
GObject* addSkin(HObject* jel, const char* name) {
  GObject* g = GVGetGeoById(GVGeoListOf(GVScene().geoList), GVCreateGeoFromJel(GVScene().geoList, jel, name));
  if (!g) return nullptr;
  GVUpdateJelDeform(jel, 0);
  if (GVMassocGeo(g, jel) != 0) return nullptr;
  g->flags |= GEO_FLAG_VERTEX_BINDING;
  return g;
}

int32_t buildDrop() {
  const float at[3][3] = {{-1.5f, 3.0f, 0.0f}, {1.0f, 6.5f, 0.5f}, {-0.5f, 10.0f, -1.0f}};
  const char* names[3] = {"DropA", "DropB", "DropC"};
  HObject* first = nullptr;
  for (int32_t k = 0; k < 3; ++k) {
    HObject* j = addBlockJel(GVNextJelId(GVScene().world), names[k], 2, 2, 2, 1.0f, at[k]);
    if (!j) return 0;
    if (!first) first = j;
  }
  if (!addSkin(first, "JelSkin")) return 0;
  const float lo[3] = {-6.0f, 1.0f, -6.0f}, hi[3] = {-5.0f, 2.0f, -5.0f};
  GObject* keyed = addBoxGeo(GVNextGeoId(GVScene().geoList), "Spinner", lo, hi);
  if (!keyed || !keyed->keyTrack) return 0;
  for (int32_t f : {0, 60, 120}) {
    KeyFrame* key = GVKeyTrackFindOrInsert(keyed->keyTrack, f);
    if (!key || !GVKeyFrameAllocBlocks(key, KEY_CHAN_TRANSLATION)) return 0;
    key->translation[0] = f == 60 ? 10.0f : 0.0f;
    key->translation[2] = f == 60 ? 4.0f : 0.0f;
  }
  GVKeyTrackRebuild(keyed->keyTrack);
  return 1;
}

// Vehicles are built, with their wheel Geos, in natural-state mode; the
// wheels are the 8-segment kind the wheel Geos are bound to.
int32_t buildVehicle() {
  HWorld* world = GVWorldOf(GVScene().world);
  if (!world) return 0;
  // Walls far enough apart that a full-throttle run of the play range ends
  // on the floor, not against a wall.
  static const float kBounds[6] = {-60.0f, 60.0f, 0.0f, 40.0f, -60.0f, 60.0f};
  for (int k = 0; k < 6; ++k) GVScene().bounds[k] = kBounds[k];
  const int32_t mode = world->params.stateMode;
  world->params.stateMode = -1;
  const bool built = GVMakeVehicle(1, 0, 0, 1, 1) != nullptr;
  world->params.stateMode = mode;
  return built && GVGeoListOf(GVScene().geoList)->head ? 1 : 0;
}

// The vehicle with a thin plate Geo on top of its chassis, body and
// suspension, each attached to its Jel, and the display settings asking for
// the exploded view with body and suspension (shape 3).
int32_t buildExploded() {
  if (!buildVehicle()) return 0;
  SceneRecords& sc = GVScene();
  VehicleRec* v = GVVehicleOf(sc.vehicle);
  HWorld* world = GVWorldOf(sc.world);
  if (!v || !world || !sc.display) return 0;
  const struct {
    int32_t jel;
    const char* name;
  } plates[] = {{v->chassisJel, "Chassis"}, {v->bodyJel, "Body"}, {v->suspensionJel, "Suspension"}};
  // Attached as the attachments editor attaches, in natural-state mode: the
  // Geo keeps its place relative to the Jel's first part.
  const int32_t mode = world->params.stateMode;
  world->params.stateMode = -1;
  bool made = true;
  for (const auto& p : plates) {
    float b[6];
    GObject* g = nullptr;
    if (GVJelSelBounds(world, p.jel, b)) {
      const float lo[3] = {b[0], b[3], b[4]}, hi[3] = {b[1], b[3] + 0.2f, b[5]};
      g = addBoxGeo(GVNextGeoId(sc.geoList), p.name, lo, hi);
    }
    if (!g) {
      made = false;
      break;
    }
    g->attach = new GeoAttach{};
    GVAttachSet(g->attach, 1, p.jel, 0, 0, 0, 1, 0);
    GVApplyGeoAttachment(GVGeoListOf(sc.geoList), world, g);
  }
  world->params.stateMode = mode;
  sc.display->optionInts3[0] = 3;
  return made ? 1 : 0;
}

// One line of a main program: its command, result, option flags and the
// first three arguments.
struct ProgramLine {
  int32_t cat, cmd, resultType, resultVar;
  int32_t argType[3], argVar[3], argInt[3];
  float argFloat[3];
  uint32_t flags;
};

// Appends the lines to the main program: 1, or 0 when one could not be added.
int32_t addMainLines(std::initializer_list<ProgramLine> lines) {
  LogicSystem* sys = GVScene().logic;
  if (!GVLogicProgram(sys, 1)) return 0;
  LogicLine* last = nullptr;
  for (const ProgramLine& x : lines) {
    LogicLine* l = GVLogicInsertLineAfter(sys, 1, last);
    if (!l) return 0;
    l->flags = x.flags;
    l->category = x.cat;
    l->command = x.cmd;
    l->resultType = x.resultType;
    l->resultVar = x.resultVar;
    for (int a = 0; a < 3; ++a) {
      l->argType[a] = x.argType[a];
      l->argVar[a] = x.argVar[a];
      l->argInt[a] = x.argInt[a];
      l->argFloat[a] = x.argFloat[a];
    }
    last = l;
  }
  return 1;
}

constexpr int32_t kPP = kLogicPP, kIC = kLogicIntConst;

int32_t buildLogic() {
  SceneRecords& sc = GVScene();
  const float at[3] = {0.0f, 4.0f, 0.0f};
  HObject* faller = addBlockJel(GVNextJelId(sc.world), "Faller", 3, 2, 2, 1.0f, at);
  if (!faller) return 0;
  // The strip of floor the Jel is slid along, so that the view takes it in.
  const float lo[3] = {-3.0f, -0.2f, -1.5f}, hi[3] = {7.0f, 0.0f, 1.5f};
  if (!addBoxGeo(GVNextGeoId(sc.geoList), "Track", lo, hi)) return 0;
  // I1 = CUR_FRAME; PP1 = 40 < I1 < 100; PP2 = 120 < I1 < 180;
  // IF PP1: HVEL x 2; END IF; IF PP2: HVEL x -2; END IF
  const int32_t id = faller->id;
  constexpr int32_t kI = kLogicInt, kFC = kLogicFloatConst;
  return addMainLines({
      {kLogicDyn1, kDyn1CurFrame, kI, 1, {0, 0}, {0, 0}, {0, 0}, {}, 0},
      {kLogicLogic, kLogLess, kPP, 1, {kIC, kI, kIC}, {0, 1, 0}, {40, 0, 100}, {}, 0},
      {kLogicLogic, kLogLess, kPP, 2, {kIC, kI, kIC}, {0, 1, 0}, {120, 0, 180}, {}, 0},
      {kLogicControl, kCtlIf, 0, 0, {kPP, 0}, {1, 0}, {0, 0}, {}, 0},
      {kLogicDyn1, kDyn1HVel, 0, 0, {kIC, kIC, kFC}, {}, {id, 1}, {0, 0, 2.0f}, kAxisX},
      {kLogicControl, kCtlEndIf, 0, 0, {0, 0}, {0, 0}, {0, 0}, {}, 0},
      {kLogicControl, kCtlIf, 0, 0, {kPP, 0}, {2, 0}, {0, 0}, {}, 0},
      {kLogicDyn1, kDyn1HVel, 0, 0, {kIC, kIC, kFC}, {}, {id, 1}, {0, 0, -2.0f}, kAxisX},
      {kLogicControl, kCtlEndIf, 0, 0, {0, 0}, {0, 0}, {0, 0}, {}, 0},
  });
}

// A Geo's colour as its first material layer, with the layer's shadow bits
// (1 casts, 2 receives).
void paintGeo(GObject* g, float r, float gr, float b, uint32_t shadowBits) {
  GVSetColour(&g->colourA, 0, r, gr, b, 1.0f);
  g->materialType = 1;
  GVEnsureGeoMaterials(g);
  GVSetGeoFirstMatColour(g);
  if (GeoMaterial* m = GVGetGeoMaterial(g->materials, 0)) m->word18 = shadowBits;
}

int32_t buildShowcase() {
  SceneRecords& sc = GVScene();
  // A pedestal on the floor, a soft block above it that drops onto it, and a
  // runner in front of them, clear of the pedestal, that the main program
  // pushes along x and back.
  const float base[3] = {-3.0f, 1.0f, 0.0f}, soft[3] = {-3.0f, 6.0f, 0.0f}, runner[3] = {0.5f, 0.5f, 3.5f};
  HObject* pedestal = addBlockJel(GVNextJelId(sc.world), "Pedestal", 5, 3, 5, 1.0f, base);
  if (!pedestal) return 0;
  HObject* drop = addBlockJel(GVNextJelId(sc.world), "Soft", 3, 3, 3, 1.0f, soft, 0.3f);
  // Friction on the floor brings the runner to rest once the pushes end.
  HObject* pushed = drop ? addBlockJel(GVNextJelId(sc.world), "Runner", 5, 3, 3, 0.5f, runner, 1.0f, 0.5f) : nullptr;
  if (!pushed) return 0;
  GObject* skin = addSkin(drop, "SoftSkin");
  if (!skin) return 0;
  paintGeo(skin, 1.0f, 0.55f, 0.1f, 1);
  // The floor under them receives the shadows through the shadow script.
  const float lo[3] = {-7.0f, -0.3f, -5.0f}, hi[3] = {7.0f, 0.0f, 5.0f};
  GObject* floor = addBoxGeo(GVNextGeoId(sc.geoList), "Floor", lo, hi);
  if (!floor) return 0;
  paintGeo(floor, 0.8f, 0.8f, 0.75f, 2);
  floor->materialType = 2;
  GVSetString(&floor->matFile, "Shadow1.material");
  GVSetString(&floor->matName2, "Shadow1");

  // A spot light from the upper left that casts shadows; its clip range is
  // computed from the Geos when the view builds it.
  LightRec* light = GVGetLight(0, sc.lights);
  if (!light || !light->colour2 || !sc.display) return 0;
  GVSetLightName(light, "Sun");
  light->kind = 3;
  light->flags = 1;
  // Its direction is stored as the lights editor keeps one: of length 1.
  const float from[3] = {-8.0f, 15.0f, 4.0f}, toward[3] = {8.0f, -15.0f, -4.0f};
  const float length = std::sqrt(toward[0] * toward[0] + toward[1] * toward[1] + toward[2] * toward[2]);
  for (int k = 0; k < 3; ++k) {
    light->position[k] = from[k];
    light->direction[k] = toward[k] / length;
  }
  GVSetColour(light->colour2, 1, 0.8f, 0.8f, 0.8f, 1.0f);
  light->angle1 = 60.0f;
  light->angle2 = 80.0f;
  // Texture shadows, a dimmer ambient light so that they show, and the sky
  // dome with its default clouds.
  DisplaySettings* d = sc.display;
  GVSetColour(&d->background2, 1, 0.5f, 0.5f, 0.5f, 1.0f);
  d->optionInts[0] = 5;
  d->backgroundFlags = 2;
  d->shadowCounts[2] = 1024;

  // The soft Jel collides with the pedestal; from frame 30 to 90 the
  // runner's mean x velocity is held at 2, from frame 100 to 160 at -2, so
  // that it comes back before the play range ends.
  const int32_t id = pushed->id;
  return addMainLines({
      {kLogicDyn2, kDyn2HCollHh, 0, 0, {kIC, kIC}, {}, {pedestal->id, drop->id}, {}, 0},
      {kLogicDyn1, kDyn1IsInFrange, kPP, 1, {kIC, kIC}, {0, 0}, {30, 90}, {}, 0},
      {kLogicControl, kCtlIf, 0, 0, {kPP, 0}, {1, 0}, {0, 0}, {}, 0},
      {kLogicDyn1, kDyn1HVel, 0, 0, {kIC, kIC, kLogicFloatConst}, {}, {id, 1}, {0, 0, 2.0f}, kAxisX},
      {kLogicControl, kCtlEndIf, 0, 0, {0, 0}, {0, 0}, {0, 0}, {}, 0},
      {kLogicDyn1, kDyn1IsInFrange, kPP, 2, {kIC, kIC}, {0, 0}, {100, 160}, {}, 0},
      {kLogicControl, kCtlIf, 0, 0, {kPP, 0}, {2, 0}, {0, 0}, {}, 0},
      {kLogicDyn1, kDyn1HVel, 0, 0, {kIC, kIC, kLogicFloatConst}, {}, {id, 1}, {0, 0, -2.0f}, kAxisX},
      {kLogicControl, kCtlEndIf, 0, 0, {0, 0}, {0, 0}, {0, 0}, {}, 0},
  });
}

}  // namespace

const char* GVSampleSceneName(int32_t sample) {
  return sample >= 0 && sample < kSampleSceneCount ? kNames[sample] : "";
}

int32_t GVBuildSampleScene(int32_t sample) {
  switch (sample) {
    case kSampleJelDrop: return buildDrop();
    case kSampleVehicle: return buildVehicle();
    case kSampleLogic: return buildLogic();
    case kSampleShowcase: return buildShowcase();
    case kSampleVehicleExploded: return buildExploded();
    default: return 0;
  }
}

namespace {

// The box (min x, max x, min y, max y, min z, max z) of every Jel's nodes and
// every Geo's vertices, taken down to the floor the Jels fall to; 0 when the
// scene holds neither.
int32_t objectsBox(float box[6]) {
  SceneRecords& sc = GVScene();
  bool any = false;
  auto take = [&](const float b[6]) {
    for (int k = 0; k < 3; ++k) {
      box[2 * k] = any ? std::min(box[2 * k], b[2 * k]) : b[2 * k];
      box[2 * k + 1] = any ? std::max(box[2 * k + 1], b[2 * k + 1]) : b[2 * k + 1];
    }
    any = true;
  };
  float b[6];
  const HWorld* world = GVWorldOf(sc.world);
  for (const HObject* j = world ? world->head : nullptr; j; j = GVNextJel(j))
    if (GVJelSelBounds(world, j->id, b)) take(b);
  for (const GObject* g = GVGeoListOf(sc.geoList)->head; g; g = g->next)
    if (GVGeoSelBounds(GVGeoListOf(sc.geoList), g->id, b)) take(b);
  if (any) box[2] = std::min(box[2], sc.bounds[2]);
  return any ? 1 : 0;
}

// The frames the time bar shows and the loop runs over, from frame 0.
constexpr int32_t kPlayRange = 200;

}  // namespace

void GVPrepareSampleWrite(CameraRec* camera, const float* aim) {
  SceneRecords& sc = GVScene();
  GVCameraInit(camera);
  // An 80 degree view of a 1920 x 1080 window, looking 20 degrees down at the
  // objects from in front, near enough that the nearest corner of their box
  // to an edge of the view comes to nine tenths of the way from its centre.
  GVResetCamera(camera, 1920, 1080, sc.bounds);
  float box[6];
  if (objectsBox(box)) {
    const float middle[3] = {(box[0] + box[1]) / 2, (box[2] + box[3]) / 2, (box[4] + box[5]) / 2};
    const float* c = aim ? aim : middle;
    const float down = 20.0f * 3.14159265f / 180.0f;
    const float up[3] = {0.0f, std::cos(down), -std::sin(down)}, back[3] = {0.0f, std::sin(down), std::cos(down)};
    const float tanV = 0.9f * std::tan(camera->fov / 2), tanH = tanV * 1920.0f / 1080.0f;
    // Each corner at (x, y) across the view and b towards the eye needs the
    // eye at least |y| / tanV (or |x| / tanH) in front of it.
    float d = 0.5f;
    for (int k = 0; k < 8; ++k) {
      const float p[3] = {box[k & 1] - c[0], box[2 + ((k >> 1) & 1)] - c[1], box[4 + ((k >> 2) & 1)] - c[2]};
      const float y = p[1] * up[1] + p[2] * up[2], b = p[1] * back[1] + p[2] * back[2];
      d = std::max(d, std::max(std::fabs(y) / tanV, std::fabs(p[0]) / tanH) + b);
    }
    for (int k = 0; k < 3; ++k) camera->target[k] = c[k];
    for (int k = 0; k < 3; ++k) camera->eye[k] = c[k] + d * back[k];
    GVUpdateCameraAngles(camera);
  }
  camera->geoDisplayMode = 32;
  camera->jelDisplayMode = 32;
  if (sc.display) {
    sc.display->frameWords[0] = 0;
    sc.display->frameWords[1] = kPlayRange;
    sc.display->frameWords[2] = kPlayRange;
    sc.display->frameWords[3] = 0;
  }
}

int32_t GVWriteSampleScene(int32_t sample, FILE* file) {
  if (sample < 0 || sample >= kSampleSceneCount) return kSceneWrongType;
  CameraRec camera;
  GVPrepareSampleWrite(&camera);
  // The scene as opening the file leaves it, so that a sample opened and
  // saved again is the same file: the play range's loop in every Jel, the
  // initial state, and the run back at frame 0.
  if (HWorld* world = GVWorldOf(GVScene().world)) {
    GVSetWorldFrameParam(GVScene().world, kPlayRange);
    GVSetWorldLoop(world, 0);
    if (world->params.stateMode == -1) GVSetWorldStateMode(world, 0);
    GVFrameClock().currentFrame = 0;
    GVStepFrame(0, 0);
  }
  // The vehicle sample opens with the point of interest fixed, the camera mode
  // under which every played frame moves the view after the vehicle; it is
  // aimed where that move aims, ahead of the chassis, so that frame 0 shows
  // the view the file gives.
  float aim[3];
  if (sample == kSampleVehicle && GVVehicleChaseTarget(GVVehicleOf(GVScene().vehicle), aim)) {
    GVPrepareSampleWrite(&camera, aim);
    camera.mode = 1;
  }
  CameraRec* cell = &camera;
  char* notes = nullptr;
  GVSetString(&notes, kNotes[sample]);
  SceneRecords& sc = GVScene();
  const int32_t rc = GVWriteSceneStream(file, sc.geoList, sc.world, sc.logic, sc.vehicle, sc.bounds, &cell,
                                        sc.lights, sc.display, sc.options, &notes);
  GVFreeString(&notes);
  return rc;
}
