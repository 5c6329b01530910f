#include "scene/geo_editor_callbacks.h"

#include <cstdio>
#include <cstring>

#include "camera/camera_record.h"
#include "geo/geo_transform.h"
#include "geo/uv_sets.h"
#include "scene/display_settings.h"
#include "scene/editor_links.h"
#include "scene/frame_driver.h"
#include "scene/geo_editor_links.h"
#include "scene/geo_editor_steps.h"
#include "records/heap_string.h"
#include "scene/scene_access.h"

using namespace geoedit;

namespace {

constexpr uint32_t kGeoSmoothSeams = GEO_FLAG_SEAM_LISTS;

int32_t geoDisplayMode() {
  const CameraRec* cam = viewCamera();
  return cam ? cam->geoDisplayMode : 1;
}

// The Geo's node follows its drive mode at the current frame, when it is
// driven by a transform rather than by its Jel.
void followDriveMode(GObject* g) {
  const int32_t mode = GVGetGeoDriveMode(currentFrame(), g, stateMode());
  if (mode != 0) setNodeTransform(g, mode);
}

void stepToCurrentFrame(int32_t normal) { GVStepToCurrentFrame(normal); }

// The soft-transform reports of a Geo's binding at level 1 or 2, with the
// part and Jel the editor chose for that level.
void softTransformReport(int32_t event, int32_t level, const GObject* g) {
  int32_t part = 0, jel = 0;
  GVGeoEditorLinks().geoEditorLevel(level, &part, &jel);
  char text[200];
  if (event == 0x2000) {
    std::snprintf(text, sizeof text, "Block shaped part_%d of JEL_%d OK for optimised level-%d soft-transform!", part,
                  jel, level);
  } else if (event == 0x8000) {
    std::snprintf(text, sizeof text,
                  "Warning: Block shaped part_%d of JEL_%d does not completely enclose GEO ... level-%d "
                  "soft-transform may cause distortions",
                  part, jel, level);
  } else {
    const GeoCellBind* bind = !g ? nullptr : level == 1 ? g->cellBind : level == 2 ? g->cellBind2 : nullptr;
    const char* what = "has BAD STRUCTURE";
    switch (bind ? bind->status : 0) {
      case 2: what = "is 'EMPTY!"; break;
      case 3: what = "is NOT BLOCK shaped!"; break;
      case 4: what = "is NOT 'SOLID' BLOCK shaped!"; break;
      default: break;
    }
    std::snprintf(text, sizeof text,
                  "Warning: part_%d of JEL_%d %s ... level-%d soft-transform using non-optimal part_1", part, jel,
                  what, level);
  }
  status(text);
}

void attachmentOrderReport(int32_t id) {
  selectGeo(1, id, kSelectLogicLines);
  const int32_t misordered = GVFindMisorderedGeo(geoList());
  if (misordered > 0)
    status("Warning: Not all GEOs are correctly sequenced for ATTACHMENTS to work correctly");
  else if (misordered == 0)
    status("GEOs are correctly sequenced for ATTACHMENTS to work correctly");
}

// A text of the editor copied into the Geo's own; true when it differed.
bool takeText(char** field, const char* text) {
  if (!text || (*field && std::strcmp(*field, text) == 0)) return false;
  GVSetString(field, text);
  return true;
}

}  // namespace

void GVEditGeoCB(int32_t code, int32_t event, int32_t id, int32_t value, void* mainWin) {
  const GeoEditorLinks& links = GVGeoEditorLinks();
  if (!ready(mainWin) || !links.geoEditorGeo) return;
  GObject* g = findGeo(id);
  switch (event) {
    case 1:
      selectGeo(code, id);
      return;
    case 2:
      selectJel(code, id);
      if (code == 2 && sv().selectJel) sv().selectJel(id, value);
      return;
    case 0x100:
      if (sv().selectJel) sv().selectJel(id, value);
      redrawView();
      return;
    case 4:
      if (code == value) return;
      if (code == 0) refreshMesh(g);
      GVUpdateAfterStep(GVScene().world, -1, nullptr);
      GVReshowKeyFrameEditor();
      return;
    case 0x10000:
      status("Warning: Cannot switch ON GEO's DefMode unless previously MASSOC'd with JEL object");
      return;
    case 8:
      setNodeTransform(g, GEO_SEL_START);
      return;
    case 0x10:
      showWarning(1, id, value);
      return;
    case 0x20:
      refreshMesh(g);
      stepToCurrentFrame(0);
      return;
    case 0x40:
      GVReshowKeyFrameEditor();
      return;
    case 0x20000:
      if (!g) return;
      g->flags &= ~GEO_FLAG_VIEW_REFRESHED;
      refreshMesh(g);
      return;
    case 0x80:
      attachmentOrderReport(id);
      return;
    case 0x1000:
      if (!g) return;
      if (code == 0)
        g->flags &= ~kGeoSmoothSeams;
      else
        g->flags |= kGeoSmoothSeams;
      if (sv().recomputeGeoMesh) sv().recomputeGeoMesh(g);
      updateMesh(g, stateMode());
      followDriveMode(g);
      stepToCurrentFrame(1);
      return;
    case 0x80000:
      if (!g) return;
      destroyGeoObj(g);
      createGeoObj(id, geoDisplayMode(), (g->flags & GEO_FLAG_BOUND) ? -2 : 0);
      stepToCurrentFrame(1);
      return;
    case 0x2000:
    case 0x4000:
    case 0x8000:
      if (links.geoEditorLevel) softTransformReport(event, code, g);
      return;
    default:
      return;
  }
}

void GVEditGeoPartCB(int32_t code, int32_t event, int32_t id, int32_t, void* mainWin) {
  if (!ready(mainWin)) return;
  if (event == 2) {
    const GeoEditorLinks& l = GVGeoEditorLinks();
    selectGeo(code, l.geoPartEditorGeo ? l.geoPartEditorGeo() : id, kSelectRenderFrame);
  } else if (event == 4 || event == 8) {
    renderFrame();
  }
}

int32_t GVSceneUsesShadowScript() {
  static const char* const kShadowScripts[] = {"Shadow1.material", "Shadow2.material", "gvShadow.material"};
  const GeoList* list = GVGeoListOf(geoList());
  for (const GObject* g = list ? list->head : nullptr; g; g = g->next) {
    if (g->materialType != 2 || !g->matFile) continue;
    for (const char* name : kShadowScripts)
      if (std::strcmp(g->matFile, name) == 0) return 1;
  }
  return 0;
}

void GVRenderDlgCB(int32_t code, int32_t event, int32_t geoId, void* mainWin) {
  if (!ready(mainWin)) return;
  GObject* g = findGeo(geoId);
  switch (event) {
    case 4: {
      if (code == 3) {
        if (sv().assignGeoMaterial) sv().assignGeoMaterial(geoId);
        setGeoMaterial(geoId, geoDisplayMode());
        redrawView();
        return;
      }
      if (code != 2) return;
      const GeoEditorLinks& l = GVGeoEditorLinks();
      if (g && l.renderEditorMatFile && l.renderEditorMatAux) {
        takeText(&g->matFile, l.renderEditorMatFile());
        takeText(&g->matName2, l.renderEditorMatAux());
      }
      // A script kept from an earlier choice is applied again as well, so the
      // view leaves the property material.
      if (g && g->materialType == 2 && g->matFile && g->matFile[0] && g->matName2 && g->matName2[0]) {
        setGeoMaterial(geoId, geoDisplayMode());
        redrawView();
      }
      const DisplaySettings* d = GVScene().display;
      if (d && d->optionInts[0] != 5 && GVSceneUsesShadowScript())
        status("Warning: Must set 'Shadow Type' to 'Scripted' to avoid drawing artifacts!");
      return;
    }
    case 0x20:
      if (g && sv().setGeoCastShadows) sv().setGeoCastShadows(g);
      if (sv().evaluateShadowNeed) sv().evaluateShadowNeed();
      redrawView();
      return;
    case 0x40:
      if (g && sv().setGeoSubEntityMaterial) sv().setGeoSubEntityMaterial(g);
      if (sv().evaluateShadowNeed) sv().evaluateShadowNeed();
      redrawView();
      return;
    case 0x800000:
      setGeoMaterial(geoId, geoDisplayMode());
      redrawView();
      return;
    case 0x200000:
      if (!g) return;
      destroyGeoObj(g);
      createGeoObj(geoId, geoDisplayMode(), code);
      setGeoMaterial(geoId, geoDisplayMode());
      updateMesh(g, stateMode());
      updateAllRenderObjects();
      renderFrame();
      return;
    case 0x1000000:
      // Layer code above 0: its UV set goes, with the materials built on it.
      if (!g || code < 1) return;
      GVRemoveGeoMaterialUVSet(code, g);
      destroyGeoObj(g);
      createGeoObj(geoId, geoDisplayMode(), (g->flags & GEO_FLAG_BOUND) ? -2 : 0);
      setGeoMaterial(geoId, geoDisplayMode());
      updateMesh(g, stateMode());
      updateAllRenderObjects();
      renderFrame();
      return;
    case 1:
      selectGeo(code, geoId);
      return;
    default:
      // Script choice, colours, shininess and the UV set: the material again.
      if ((event == 0x10 || event == 0x400000 || (event >= 0x80 && event <= 0x80000 && !(event & (event - 1)))) &&
          code != 4) {
        setGeoMaterial(geoId, geoDisplayMode());
        redrawView();
      }
      return;
  }
}

void GVWallsDlgCB(int32_t, int32_t event, float, void* mainWin) {
  if (!ready(mainWin)) return;
  switch (event) {
    case 1: case 2: case 4: case 8: case 0x10: case 0x20:
      if (sv().updateRenderSceneBounds) sv().updateRenderSceneBounds(GVScene().bounds);
      setProjection();
      renderFrame();
      return;
    default:
      return;
  }
}
