#include "fake_view.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "dynamics/world.h"
#include "geo/geo_fixtures.h"
#include "jel/jel_object.h"
#include "platform/user32.h"
#include "records/heap_string.h"
#include "scene/scene_access.h"

namespace scenetest {

namespace {

FakeView* gView = nullptr;

std::string geoName(const GObject* g) { return g && g->name ? g->name : ""; }
std::string jelName(const HObject* j) { return j && j->name ? j->name : ""; }

void removeObject(const std::string& name) {
  auto& o = gView->objects;
  o.erase(std::remove(o.begin(), o.end(), name), o.end());
}

// Letters and digits, a digit never first; anything else is dropped.
int32_t cleanName(char* name) {
  if (!name || !*name) return -1;
  char* out = name;
  for (const char* p = name; *p; ++p)
    if (std::isalpha(static_cast<unsigned char>(*p)) || (out != name && std::isdigit(static_cast<unsigned char>(*p))))
      *out++ = *p;
  const bool changed = *out != '\0';
  *out = '\0';
  if (out == name) return -1;
  return changed ? 0 : 1;
}

SceneServices fakeServices() {
  SceneServices s;
  s.viewCamera = [] { return &gView->camera; };
  s.createGeoRenderObj = [](int32_t id, int32_t mode, int32_t selector) {
    const GObject* g = GVGeoOf(GVFindGeo(GVScene().geoList, id));
    gView->objects.push_back(geoName(g) + "GMESH");
    gView->calls.push_back("create " + geoName(g) + " " + std::to_string(mode) + " " + std::to_string(selector));
  };
  s.destroyGeoRenderObj = [](GObject* g) {
    removeObject(geoName(g) + "GMESH");
    gView->calls.push_back("destroy " + geoName(g));
  };
  s.createJelRenderObj = [](int32_t id, int32_t mode) {
    const HObject* j = GVJelOf(GVFindJel(GVScene().world, id));
    gView->objects.push_back(jelName(j) + "HMESH");
    gView->calls.push_back("create " + jelName(j) + " " + std::to_string(mode));
  };
  s.destroyJelRenderObj = [](HObject* j) {
    removeObject(jelName(j) + "HMESH");
    gView->calls.push_back("destroy " + jelName(j));
  };
  s.assignGeoMaterial = [](int32_t id) { gView->calls.push_back("own material " + std::to_string(id)); };
  s.setGeoMaterial = [](int32_t id, int32_t mode) {
    const GObject* g = GVGeoOf(GVFindGeo(GVScene().geoList, id));
    gView->calls.push_back("material " + std::to_string(id) + " type " + std::to_string(g ? g->materialType : -1) +
                           " mode " + std::to_string(mode));
  };
  s.viewExists = s.renderStarted = s.mainWindowExists = []() -> int32_t { return 1; };
  s.showStatusLine = [](const char* text) { gView->status.push_back(text ? text : ""); };
  s.viewToolActive = [] { return static_cast<int32_t>(gView->toolActive); };
  s.viewBusy = [] { return static_cast<int32_t>(gView->busy); };
  s.selectDisplayItem = [](int32_t list, int32_t item) { gView->displayItems.push_back(list * 10 + item); };
  s.beep = [] { MessageBeep(MB_ICONHAND); };
  s.checkRenameName = cleanName;
  return s;
}

}  // namespace

FakeView::FakeView() : saved_(GVSceneServices()), savedScene_(GVScene()) {
  gView = this;
  GVCameraInit(&camera);
  camera.geoDisplayMode = camera.jelDisplayMode = 32;
  SceneRecords& scene = GVScene();
  scene.geoList = new ObjHandle;
  GVNewGeoList(scene.geoList);
  scene.world = new HWorld*(nullptr);
  GVInitWorldHandle(scene.world);
  GVWatchJelsLeaving(*scene.world, &scene.geoList);  // as start-up does
  GVSetSceneServices(fakeServices());
}

FakeView::~FakeView() {
  GVSetSceneServices(saved_);
  SceneRecords& scene = GVScene();
  // The world first: its Jels, as they go, let go of the Geos of the list.
  GVDeleteWorld(scene.world);
  delete scene.world;
  GVDeleteGeoList(scene.geoList);
  delete scene.geoList;
  scene = savedScene_;
  gView = nullptr;
}

GObject* FakeView::addGeo(int32_t id, const char* name) {
  ObjHandle* cell = new ObjHandle;
  GObject* g = geotest::makeBareGeo(id, name, 2);
  cell->object = g;
  g->handle = cell;
  GVAddGeoToScene(GVScene().geoList, cell);
  return g;
}

HObject* FakeView::addJel(int32_t id, const char* name) {
  HObject** cell = GVNewJel();
  (*cell)->id = id;
  (*cell)->groupMask = 2;
  GVSetString(&(*cell)->name, name);
  GVAddJelToScene(GVScene().world, cell);
  return *cell;
}

void FakeView::setStateMode(int32_t mode) { (*GVScene().world)->params.stateMode = mode; }

}  // namespace scenetest
