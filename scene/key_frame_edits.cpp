#include "scene/key_frame_edits.h"

#include "dynamics/world.h"
#include "geo/geo_transform.h"
#include "geo/key_frames.h"
#include "geo/key_interp.h"
#include "geo/geo_list_services.h"
#include "scene/scene_access.h"

namespace {

// The Geo whose keys may be edited now, or null.
GObject* editableTrackGeo(ObjHandle* list, HWorld** world, int32_t id) {
  GObject* g = id >= 1 ? GVGeoOf(GVFindGeo(list, id)) : nullptr;
  if (!g || !g->keyTrack) return nullptr;
  const HWorld* w = GVWorldOf(world);
  const int32_t stateMode = w ? w->params.stateMode : 0;
  if (stateMode != 0 && ((g->flags & GEO_FLAG_VERTEX_BINDING) || GVGeoHasAttachment(g->handle))) return nullptr;
  return g;
}

}  // namespace

int32_t GVSetGeoKeyFromFields(const float translation[3], const float rotation[3], const float scale[3],
                              ObjHandle* list, HWorld** world, int32_t id) {
  GObject* g = editableTrackGeo(list, world, id);
  if (!g) return 0;
  return GVKeyTrackSetKey(GVCurrentFrame(world), g->keyTrack, 0.0f, translation, rotation, scale) ? 1 : 0;
}

int32_t GVRemoveGeoKeyAtFrame(ObjHandle* list, HWorld** world, int32_t id) {
  GObject* g = editableTrackGeo(list, world, id);
  if (!g) return 0;
  const int32_t frame = GVCurrentFrame(world);
  const int before = GVKeyTrackKeyCount(g->keyTrack);
  if (KeyFrame* k = GVKeyTrackFindKey(g->keyTrack, frame))
    GVKeyTrackRemoveKey(k, g->keyTrack);
  else
    GVTruncKeyTrack(frame, g->keyTrack);
  return GVKeyTrackKeyCount(g->keyTrack) < before ? 1 : 0;
}

int32_t GVSetGeoKeyFromSlot(ObjHandle* list, HWorld** world, int32_t id) {
  GObject* g = editableTrackGeo(list, world, id);
  if (!g) return 0;
  const GTransform& slot = g->xform[GEO_SLOT_FRAME];
  return GVKeyTrackSetKeyFromMatrix(slot.matrix, g->keyTrack, GVCurrentFrame(world), 0.0f, slot.position,
                                    slot.scale)
             ? 1
             : 0;
}
