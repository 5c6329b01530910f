#include "scene/scene_wide_records.h"

#include <new>

#include "scene/display_settings.h"
#include "scene/light_list.h"
#include "scene/scene_context.h"
#include "scene/scene_opts.h"
#include "scene/scene_records.h"

void GVCreateSceneWideRecords() {
  GVFreeSceneContext();
  GVFreeSceneWideRecords();
  SceneRecords& s = GVScene();
  if ((s.lights = new (std::nothrow) LightList{0, nullptr})) GVNewLightList(s.lights);
  if ((s.display = new (std::nothrow) DisplaySettings)) GVInitDisplaySettings(s.display);
  s.auxA = GVNewSceneAuxRec();
  s.auxB = GVNewSceneAuxRec();
  // The mode is the readers' to set; until a scene is read it names no view mode.
  s.options = new (std::nothrow) SceneOpts{};
  if ((s.context = new (std::nothrow) SceneCtx))
    GVInitSceneCtx(s.context, s.geoList, s.world, s.lights, s.auxA, s.auxB, s.viewPair, s.bounds);
}

void GVFreeSceneContext() {
  SceneRecords& s = GVScene();
  delete s.context;
  s.context = nullptr;
}

void GVFreeSceneWideRecords() {
  SceneRecords& s = GVScene();
  if (s.lights) {
    GVFreeLightListArray(s.lights);
    delete s.lights;
    s.lights = nullptr;
  }
  if (s.display) {
    GVFreeDisplaySettingsText(s.display);
    delete s.display;
    s.display = nullptr;
  }
  GVFreeSceneAuxRec(s.auxA);
  GVFreeSceneAuxRec(s.auxB);
  s.auxA = s.auxB = nullptr;
  GVDeleteSceneOpts(s.options);
  s.options = nullptr;
}
