// The key-frame editor's and the attachments editor's callbacks: both move
// Geos that others may be attached to, so both end by applying attachments
// again under the same conditions.
#include <cstdio>

#include "camera/camera_record.h"
#include "dynamics/jel_selection.h"
#include "dynamics/world_runner.h"
#include "geo/geo_attach.h"
#include "geo/geo_list.h"
#include "geo/geo_transform.h"
#include "scene/edit_rules.h"
#include "scene/editor_links.h"
#include "scene/frame_driver.h"
#include "scene/geo_editor_callbacks.h"
#include "scene/geo_editor_links.h"
#include "scene/geo_editor_steps.h"
#include "scene/jel_editor_callbacks.h"
#include "scene/scene_access.h"

using namespace geoedit;

namespace {


constexpr const char* kAttachmentsApplied = "GEO ATTACHMENTS have been re-applied";

void nonUnitScaleWarning(int32_t id) {
  char name[120], text[220];
  GVWriteGeoName(GVFindGeo(geoList(), id), name, sizeof name);
  std::snprintf(text, sizeof text, "Warning: NON-UNIT SCALE of Geo \"%s\" must be BAKED for this attachment method !",
                name);
  status(text);
}

// Attachments are placed in natural state only, and only when no attached Geo
// carries a scale that would have to be baked first.
void reapplySceneAttachments() {
  const GeoList* list = GVGeoListOf(geoList());
  for (const GObject* g = list ? list->head : nullptr; g; g = g->next) {
    if (!g->attach || g->attach->type == 0) continue;
    if (const int32_t id = GVFindNonUnitScaleAttachGeo(list, g)) {
      nonUnitScaleWarning(id);
      return;
    }
  }
  GVApplySceneAttachments(geoList(), GVScene().world);
  status(kAttachmentsApplied);
}

void reapplyIfAttached(GObject* g) {
  if (stateMode() == -1 && !GVGeoIsKeyFramed(g->handle) && GVGeoHasAttachment(g->handle)) reapplySceneAttachments();
}

// The world recomputes from the frame on; the view follows.
void evaluateAtCurrentFrame() {
  GVLimitComputedFrames(world(), currentFrame());
  GVStepFrame(currentFrame(), 1);
  recentreManipulator();
  redrawTimeBar();
  redrawView();
}

// The world replays from its start up to the current frame.
void announceSlowEvaluation() { GVLongStepNotice(currentFrame(), currentFrame()); }

// A Geo that follows its Jel is bound again after its key frames moved it; the
// bound flag stays as it was.
void rebindToJel(GObject* g) {
  HObject* jel = GVJelOf(GVFindJel(GVScene().world, g->jelId));
  if (stateMode() != -1 || !(g->flags & GEO_FLAG_VERTEX_BINDING) || !jel) return;
  status(GVRemassocGeoWithJel(g, jel) ? "GEO object sucessfully RE-MASSOC'd with JEL object ... and JEL object RE-ALIGNED"
                                      : "Warning: bad association: GEO object too far outside Jel object");
}

void keyFramesEdited(int32_t code, GObject* g) {
  recentreManipulator();
  redrawView();
  redrawTimeBar();
  if (g) {
    rebindToJel(g);
    reapplyIfAttached(g);
  }
  updateAllRenderObjects();
  const GeoEditorLinks& l = GVGeoEditorLinks();
  if (code >= 7 && code <= 9 && l.geoEditorUpdateFields) l.geoEditorUpdateFields();
  redrawView();
}

}  // namespace

int32_t GVKeyFrameDlgCB(int32_t code, int32_t event, int32_t geoId, const char* text, void* mainWin) {
  if (!ready(mainWin)) return 0;
  GObject* g = findGeo(geoId);
  switch (event) {
    case 1: {
      const GVKeyFrameEditorLink* editor = GVEditors().keyFrame;
      selectGeo(code, code == 3 && editor ? editor->geoId : geoId, kSelectLogicLines | kSelectTimeBar);
      return 0;
    }
    case 8:
    case 0x10:
    case 0x20:
      if (!g) return 0;
      updateMesh(g, stateMode());
      setNodeTransform(g, GVGetGeoDriveMode(currentFrame(), g, stateMode()));
      if (event == 0x10) reapplyIfAttached(g);
      evaluateAtCurrentFrame();
      return 0;
    case 0x40:
    case 0x80:
      if (!g) return 0;
      if (currentFrame() != 0 && sv().markViewReEvaluation) sv().markViewReEvaluation();
      announceSlowEvaluation();
      evaluateAtCurrentFrame();
      showWarning(1, geoId, code);
      return 0;
    case 0x1000:
      if (!g) return 0;
      if (const int32_t mode = GVGetGeoDriveMode(currentFrame(), g, stateMode())) {
        setNodeTransform(g, mode);
        recentreManipulator();
      }
      return 0;
    case 0x800:
      if (text) status(text);
      return 0;
    case 0x4000:
      return GVIsGeoReconfigureBlocked(g ? g->handle : nullptr, stateMode());
    case 4:
      keyFramesEdited(code, g);
      return 0;
    default:
      return 0;
  }
}

namespace {

// The refusals of applying one Geo's attachment, in their order; true when
// the attachment may be applied.
bool attachmentApplicable(GObject* g) {
  if (g->attach && !GVAttachIsComplete(g->attach)) {
    beep();
    return false;
  }
  if (stateMode() != -1 && GVGeoHasAttachment(g->handle)) {
    status("Warning: GEO ATTACHMENTS must be applied in Natural State mode");
    beep();
    return false;
  }
  static const char* const kOrderWarnings[] = {
      "Warning: GEO must be sequenced AFTER GEO_0 for ATTACHMENT to be correctly applied",
      "Warning: GEO must be sequenced AFTER GEO_Z for ATTACHMENT to be correctly applied",
      "Warning: GEO must be sequenced AFTER GEO_0 and GEO_Z for ATTACHMENT to be correctly applied"};
  const int order = GVCheckAttachmentOrder(g);
  if (order >= 1 && order <= 3) {
    status(kOrderWarnings[order - 1]);
    beep();
    return false;
  }
  if (const int32_t misordered = GVFindMisorderedGeo(geoList()); misordered > 0) {
    char name[120], text[220];
    GVWriteGeoName(GVFindGeo(geoList(), misordered), name, sizeof name);
    std::snprintf(text, sizeof text, "Warning: GEO  \"%s\"  is incorrectly sequenced BEFORE GEO(S) that it is ATTACHED to",
                  name);
    status(text);
    beep();
    return false;
  }
  if (const int32_t unscaled = GVFindUnscaledAttachGeo(geoList(), g->handle); unscaled > 0) {
    nonUnitScaleWarning(unscaled);
    return false;
  }
  return true;
}

}  // namespace

void GVApplyAttachmentsCB(int32_t code, int32_t event, int32_t id, int32_t value, void* mainWin) {
  const GeoEditorLinks& l = GVGeoEditorLinks();
  if (!ready(mainWin) || !l.attachEditorGeo) return;
  switch (event) {
    case 1:
      selectGeo(code, id, kSelectLogicLines | kSelectResetIfNone);
      return;
    case 2:
      selectJel(code, id, kSelectLogicLines);
      return;
    case 4:
      if (sv().selectJel) sv().selectJel(id, value);
      if (code == 3 && sv().setJelMaterial && viewCamera()) sv().setJelMaterial(id, viewCamera()->jelDisplayMode);
      redrawLogicLines();
      return;
    case 0x80:
      if (code == 0) status("Warning: No attachment method set");
      return;
    case 0x40: {
      GObject* g = findGeo(id);
      if (!g || !attachmentApplicable(g)) return;
      GVApplyAttachmentOfGeo(geoList(), GVScene().world, g->handle);
      status(kAttachmentsApplied);
      return;
    }
    default:
      return;
  }
}
