// The MGVB reader: the file's Jels and Geos are read into a world and a Geo
// list of their own, and only a file that read whole is merged into the scene.
#include "scene/mgvb_reader.h"

#include <cstdint>
#include <new>
#include <string>
#include <vector>

#include "camera/camera_record.h"
#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "geo/geo_attach.h"
#include "geo/geo_binding.h"
#include "geo/geo_collision.h"
#include "geo/geo_list.h"
#include "geo/geo_object.h"
#include "geo/geo_record_io.h"
#include "geo/geo_transform.h"
#include "geo/mesh_derived.h"
#include "jel/jel_object.h"
#include "jel/live_state.h"
#include "scene/app_selection.h"
#include "records/binary_file.h"
#include "scene/file_handlers.h"
#include "scene/file_ids.h"
#include "scene/frame_driver.h"
#include "geo/geo_list_services.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"

namespace {

constexpr int32_t kMaxObjects = 20;
constexpr size_t kJelBlockBytes = 20;
// Records sizes of the Geo extension block's five counted runs.
constexpr size_t kGeoRunBytes[5] = {4, 500, 500, 12, 36};
constexpr size_t kGeoBlockTailBytes = 20;

// What a file read into: its own world and Geo list, freed with it.
struct MGVBContents {
  HWorld* world = new (std::nothrow) HWorld;
  GeoList geos{};
  ~MGVBContents() {
    GVClearGeoList(&geos);
    delete world;
  }
};

enum class Read { ok, stop, bad };

// Moves past n bytes once the file is known to hold them.
bool Skip(FILE* f, uint64_t n) {
  if (n == 0) return true;
  const long long left = GVFileRemaining(f);
  if (left >= 0) return n <= static_cast<uint64_t>(left) && std::fseek(f, static_cast<long>(n), SEEK_CUR) == 0;
  return n <= 0x7fffffffu && GVFileSkip(f, static_cast<size_t>(n));
}

bool SkipGeoBlock(FILE* f) {
  uint32_t inner = 0;
  if (!GVFileReadU32(f, &inner)) return false;
  if (inner == 0) return true;
  for (size_t bytes : kGeoRunBytes) {
    int32_t count = 0;
    if (!GVFileReadI32(f, &count)) return false;
    if (count > 0 && !Skip(f, static_cast<uint64_t>(count) * bytes)) return false;
  }
  return Skip(f, kGeoBlockTailBytes);
}

// A count of at most 20; above it the message names the count.
Read ReadCount(FILE* f, const char* what, int32_t* count) {
  if (!GVFileReadI32(f, count)) return Read::bad;
  if (*count <= kMaxObjects) return Read::ok;
  GVSceneMessage((std::string("GVLoadMGVB: ") + what + " " + std::to_string(*count)).c_str());
  return Read::stop;
}

Read ReadJels(FILE* f, HWorld* world) {
  int32_t count = 0;
  if (Read r = ReadCount(f, "numjels", &count); r != Read::ok) return r;
  ChanHeaderForm form = kChanHeaderFull;
  for (int32_t i = 0; i < count; ++i) {
    HObject* jel = HObject::HObjectFromFile(f, &form);
    if (!jel) return Read::bad;
    jel->next = nullptr;
    jel->handle = nullptr;
    GVAddJel(world, jel);
    uint32_t flag = 0;
    if (!GVFileReadU32(f, &flag) || (flag && !Skip(f, kJelBlockBytes))) return Read::bad;
  }
  GVResetSelToWorld(world, -1);
  if (world->head) GVSetWorldMode(world, world->head->playParams.mode);
  return Read::ok;
}

Read ReadGeos(FILE* f, GeoList* geos, HWorld* world) {
  int32_t count = 0;
  if (Read r = ReadCount(f, "numgeos", &count); r != Read::ok) return r;
  for (int32_t i = 0; i < count; ++i) {
    GObject* geo = new (std::nothrow) GObject;
    if (!geo) {
      GVSceneMessage("GVLoadMGVB: bad load geo");
      return Read::stop;
    }
    if (GVReadGeo(f, geo) != 1) {
      delete geo;
      return Read::bad;
    }
    geo->next = nullptr;
    geo->handle = nullptr;
    GVAddGeo(geos, geo);
    if (geo->jelId >= 1) {
      HObject* jel = GVGetJelById(world, geo->jelId);
      geo->jel = jel;
      geo->jelId = jel ? jel->id : 0;
      geo->flags |= 0x200;
    }
    uint32_t flag = 0;
    if (!GVFileReadU32(f, &flag) || (flag && !SkipGeoBlock(f))) return Read::bad;
    GVApplyGeoTransform(geo, 0);
  }
  return Read::ok;
}

// The file's Geos take ids above the scene's highest Geo id and its Jels ids
// above the scene's highest Jel id; the Geos' Jel ids follow their Jels.
void ShiftIds(MGVBContents& in) {
  SceneRecords& sc = GVScene();
  const int32_t geoOffset = GVNextGeoId(sc.geoList) - 1;
  const int32_t jelOffset = GVNextJelId(sc.world) - 1;
  for (GObject* g = in.geos.head; g; g = g->next) {
    if (g->jelId != 0) GVReplaceGeoJelId(g, g->jelId, g->jelId + jelOffset);
    g->id += geoOffset;
    if (g->attach && g->attach->type != 0)
      for (int32_t* w : {&g->attach->geo0, &g->attach->geoZ})
        if (*w != 0) *w = static_cast<int32_t>(static_cast<uint32_t>(*w) + static_cast<uint32_t>(geoOffset));
  }
  for (HObject* j = in.world->head; j; j = j->next) {
    j->offsetIds(jelOffset);
    if (j->state) j->state->id = j->id;
  }
}

// The one id rule of the readers, under the offsets ShiftIds takes.
bool IdsUsable(const MGVBContents& in) {
  SceneRecords& sc = GVScene();
  return GVFileIdsUsable(&in.geos, in.world, GVNextGeoId(sc.geoList) - 1, GVNextJelId(sc.world) - 1);
}

void Merge(MGVBContents& in) {
  SceneRecords& sc = GVScene();
  const SceneServices& s = GVSceneServices();
  ShiftIds(in);
  std::vector<int32_t> geoIds, jelIds;
  for (GObject* g = in.geos.head; g; g = g->next) geoIds.push_back(g->id);
  for (HObject* j = in.world->head; j; j = j->next) jelIds.push_back(j->id);

  CameraRec* cam = s.viewCamera ? s.viewCamera() : nullptr;
  const int32_t geoMode = cam ? cam->geoDisplayMode : 1;
  const int32_t jelMode = cam ? cam->jelDisplayMode : 1;
  GVMoveGeosInto(sc.geoList, &in.geos);
  for (int32_t id : geoIds) {
    if (s.createGeoRenderObj) s.createGeoRenderObj(id, geoMode, -7);
    if (s.setGeoMaterial) s.setGeoMaterial(id, geoMode);
  }
  GVMoveJelsInto(sc.world, in.world);
  for (int32_t id : jelIds)
    if (s.createJelRenderObj) s.createJelRenderObj(id, jelMode);
}

// Collision data, a run to frame 0, stored frame 0 restored, selection reset.
void PrepareScene() {
  SceneRecords& sc = GVScene();
  HWorld* world = GVWorldOf(sc.world);
  GeoList* list = GVGeoListOf(sc.geoList);
  for (HObject* j = world->head; j; j = j->next)
    if (GVJelInSel(j, -1) && j->state) j->state->rebuildContactGrid(0.5f * j->state->cellSize, 0);
  for (GObject* g = list ? list->head : nullptr; g; g = g->next) GVBuildGeoCollisionGrid(g, 1);
  GVAdvanceToFrame(world, 0, GVFrameCallback, GVUpdateAfterStep);
  for (GObject* g = list ? list->head : nullptr; g; g = g->next) GVCopyGeoTransformSlots(g, 0);
  for (HObject* j = world->head; j; j = j->next)
    if (GVJelInSel(j, -1)) j->restoreFrame(0);
  GVResetSelToWorld(world, -1);
  world->cmdResolved = 0;
  world->cmdCount = 0;

  const SceneServices& s = GVSceneServices();
  if (!GVViewExists()) return;
  GVClearViewCurrentGeo();
  GVResetSelectionDisplay();
  if (s.renderFrame) s.renderFrame();
}

}  // namespace

void GVLoadMGVB(FILE* file, const char* name) {
  SceneRecords& sc = GVScene();
  if (!file || !sc.geoList || !GVWorldOf(sc.world)) return;
  MGVBContents in;
  if (!in.world) return;
  uint32_t version = 0;
  Read r = GVFileReadU32(file, &version) ? Read::ok : Read::bad;
  if (r == Read::ok && version == 0) {
    r = ReadJels(file, in.world);
    if (r == Read::ok) r = ReadGeos(file, &in.geos, in.world);
  }
  if (r == Read::ok && !IdsUsable(in)) r = Read::bad;
  if (r == Read::bad) {
    if (name && name[0])
      GVOpenSceneWarning(-3, 0, name, nullptr);
    else
      GVSceneMessage("Warning: could not open scene file: bad file access");
  }
  if (r != Read::ok) return;
  Merge(in);
  PrepareScene();
}
