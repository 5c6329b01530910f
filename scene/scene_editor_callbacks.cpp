// The global scene editor's and the lights editor's callbacks: the display
// settings and the light list, and what the renderer is told of them.
#include <cstdio>
#include <cstring>

#include "camera/camera_record.h"
#include "scene/display_settings.h"
#include "scene/geo_editor_callbacks.h"
#include "scene/geo_editor_links.h"
#include "scene/geo_editor_steps.h"
#include "records/heap_string.h"
#include "scene/light_list.h"

using namespace geoedit;

namespace {

constexpr int32_t kShadowNone = 0;
constexpr int32_t kShadowScripted = 5;
constexpr int32_t kShadowTextureSizes[] = {512, 1024, 2048};

// The scene editor's fields: the display-settings word each code names.
int32_t* intField(DisplaySettings* d, int32_t code) {
  switch (code) {
    case 2: return &d->optionInts[0];
    case 4: return &d->shadowCounts[2];
    case 0x20: return &d->backgroundFlags;
    case 0x80: return &d->shadowCounts[0];
    case 0x100: return &d->shadowCounts[1];
    default: return nullptr;
  }
}
float* floatField(DisplaySettings* d, int32_t code) {
  switch (code) {
    case 8: return &d->shadowValues[0];
    case 0x10: return &d->shadowValues[1];
    case 0x200: return &d->shadowValues[4];
    case 0x400: return &d->shadowValues[3];
    default: return nullptr;
  }
}

int32_t readField(DisplaySettings* d, int32_t code, int32_t* ints, float* floats, char* text) {
  if (ints) *ints = 0;
  if (floats) *floats = 0.0f;
  if (const int32_t* i = intField(d, code)) {
    if (ints) *ints = *i;
  } else if (const float* f = floatField(d, code)) {
    if (floats) *floats = *f;
  } else if (code == 0x40 && text) {
    std::snprintf(text, kSceneDlgTextSize, "%s", d->imageName ? d->imageName : "");
  }
  return 1;
}

// Stores the field the code names from the editor's argument; false when
// the argument is missing.
bool writeField(DisplaySettings* d, int32_t code, const int32_t* ints, const float* floats) {
  if (int32_t* i = intField(d, code)) {
    if (ints) *i = *ints;
    return ints != nullptr;
  }
  float* f = floatField(d, code);
  if (f && floats) *f = *floats;
  return f && floats;
}

// Background, sky and image changes: the sky set again, then the view.
void refreshBackground() {
  if (sv().setRenderSky) sv().setRenderSky();
  setProjection();
  redrawView();
}

void shadowSettingsChanged() {
  if (sv().updateShadowSettings) sv().updateShadowSettings();
  redrawView();
}

int32_t setShadowType(DisplaySettings* d, const int32_t* item) {
  const int32_t old = d->optionInts[0];
  const int32_t type = item && *item == 2 ? kShadowScripted : kShadowNone;
  d->optionInts[0] = type;
  if (sv().setupShadowTextures) sv().setupShadowTextures(type);
  setProjection();
  redrawView();
  if (old == kShadowScripted && type == kShadowNone && GVSceneUsesShadowScript())
    status("Warning: Must also remove material 'Shadow Script' to avoid drawing artifacts!");
  return 1;
}

}  // namespace

int32_t GVSceneDlgCB(int32_t code, int32_t event, int32_t* ints, float* floats, char* text, void* mainWin) {
  DisplaySettings* d = GVScene().display;
  if (!ready(mainWin) || !d || !viewCamera()) return 0;
  switch (event) {
    case 1:
      return readField(d, code, ints, floats, text);
    case 0x20:
      d->backgroundFlags = !ints ? 0 : *ints == 2 ? 1 : *ints == 3 ? 2 : 0;
      refreshBackground();
      return 0;
    case 0x40:
      if (text && *text) {
        GVSetString(&d->imageName, text);
        refreshBackground();
      }
      return 0;
    case 0x80:
    case 0x100:
    case 0x200:
    case 0x400:
      if (!writeField(d, event, ints, floats)) return 1;
      GVClampDisplaySettings(d);
      refreshBackground();
      return 0;
    case 2:
      return setShadowType(d, ints);
    case 4:
      if (!ints || *ints < 1 || *ints > 3) return 1;
      d->shadowCounts[2] = kShadowTextureSizes[*ints - 1];
      shadowSettingsChanged();
      return 0;
    case 8:
    case 0x10:
      if (!writeField(d, event, ints, floats)) return 1;
      shadowSettingsChanged();
      return 0;
    case 0x800: {
      const GeoEditorLinks& l = GVGeoEditorLinks();
      selectGeo(code, l.sceneEditorGeo ? l.sceneEditorGeo() : 0, kSelectLogicLines | kSelectTimeBar);
      return 1;
    }
    case 0x1000:
      if (sv().syncRenderCamera) sv().syncRenderCamera();
      redrawView();
      return 1;
    case 0x2000:
      return sv().renderTargetExists ? sv().renderTargetExists() : 0;
    default:
      return 1;
  }
}

namespace {

// Render-light updates of the light's position and direction with its
// visibility.
constexpr int32_t kLightPlaceFlags = 0x240;

void recreateLights() {
  if (sv().recreateRenderLights) sv().recreateRenderLights();
}
void updateLight(int32_t flags, int32_t index) {
  if (sv().updateRenderLight) sv().updateRenderLight(flags, index);
}

// The light takes the view's eye and looks along the view's axis (the
// camera's third rotation row points from the target to the eye).
void lightFromView(LightRec* light, int32_t index) {
  const GeoEditorLinks& l = GVGeoEditorLinks();
  const CameraRec* view = viewCamera();
  if (!light || !view || !l.lightsEditorCamera || !l.lightsEditorCamera()) {
    recreateLights();
    redrawView();
    return;
  }
  for (int k = 0; k < 3; ++k) {
    light->position[k] = view->eye[k];
    light->direction[k] = -view->rot[6 + k];
  }
  if (l.lightsEditorUpdateFields) l.lightsEditorUpdateFields();
  updateLight(kLightPlaceFlags, index);
  redrawView();
}

// Looking from the light: the editor keeps the view camera from before, and
// leaving the mode (0x20000 with code 0) gives it back.
void viewFromLight(int32_t code, int32_t event, const LightRec* light, int32_t index) {
  CameraRec* view = viewCamera();
  CameraRec* kept = GVGeoEditorLinks().lightsEditorCamera ? GVGeoEditorLinks().lightsEditorCamera() : nullptr;
  if (light && view && kept) {
    bool move = false;
    switch (event) {
      case 0x20000:
        if (code != 0)
          GVCopyCamera(view, kept);
        else
          GVCopyCamera(kept, view);
        move = code != 0;
        break;
      case 0x40000: move = code != 0 && light->kind != 0; break;
      case 0x80000: move = code != 0; break;
      default: move = true; break;
    }
    if (move) {
      view->mode = 1;
      std::memcpy(view->eye, light->position, sizeof view->eye);
      GVUpdateCameraAngles(view);
      GVAimCamera(view, light->direction);
      view->mode = kept->mode;
    }
  }
  setProjection();
  // An index the list does not hold is never passed on to the renderer.
  if (light)
    updateLight(kLightPlaceFlags, index);
  else
    recreateLights();
  if (sv().updateCameraModeButton) sv().updateCameraModeButton();
  redrawView();
}

}  // namespace

void GVLightsDlgCB(int32_t code, int32_t event, int32_t index, void* mainWin) {
  const GeoEditorLinks& l = GVGeoEditorLinks();
  if (!ready(mainWin) || !l.lightsEditorVisible) return;
  LightList* lights = GVScene().lights;
  LightRec* light = GVGetLight(index, lights);
  switch (event) {
    case 1:
      if (code == 3) {
        if (light && sv().createRenderLight) sv().createRenderLight(index, light);
        return;
      }
      recreateLights();
      redrawView();
      clearInfoPanel();
      return;
    case 0x200000:
      // A camera move in the view: only while the editor looks through a light.
      if (l.lightsEditorVisible() && l.lightsEditorCameraOn && l.lightsEditorCameraOn()) lightFromView(light, index);
      return;
    case 0x400000:
    case 0x800000:
      if (!light) return;
      if (code == 0x1000000 && sv().computeShadowExtents) sv().computeShadowExtents(index, event);
      updateLight(event == 0x400000 ? 0x400000 : 0xC00000, index);
      redrawView();
      return;
    case 0x2000000:
      if (sv().setLightsCastShadows) sv().setLightsCastShadows();
      redrawView();
      return;
    case 0x4000000:
      if (light && sv().renderWideLightFrame) sv().renderWideLightFrame(index);
      return;
    case 0x8000:
      // The editor's delete button: the light goes (never the last one), and
      // the render lights follow the shortened list.
      GVDeleteLight(lights, index);
      if (sv().resetRenderLights) sv().resetRenderLights();
      if (l.lightsEditorUpdateFields) l.lightsEditorUpdateFields();
      redrawView();
      return;
    case 0x20000:
    case 0x40000:
    case 0x80000:
    case 0x100000:
      viewFromLight(code, event, light, index);
      return;
    default:
      // A field of the light or of the scene's colours: the render light (or
      // the background or ambient) takes exactly the fields named.
      updateLight(event, index);
      redrawView();
      clearInfoPanel();
      return;
  }
}
