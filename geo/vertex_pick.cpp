#include "geo/vertex_pick.h"

#include "camera/camera_record.h"
#include "jel/vector_math.h"

void GVPickGeoVertexInView(const GObject* geo, const CameraRec* camera, const ViewportRec* view,
                           int32_t x, int32_t y, int32_t* index, float* position) {
  float best = 9e30f;
  int32_t bestIndex = 0;
  float bestPos[3] = {0.0f, 0.0f, 0.0f};
  const bool ready = geo && camera && view && geo->vertices && geo->vertexFlags;
  for (int32_t i = 1; ready && i <= geo->vertexCount; ++i) {
    if (!(geo->vertexFlags[i] & GEO_VERTEX_BOUND)) continue;
    if (!(geo->flags & GEO_FLAG_PICK_BACK_FACES) &&
        (!geo->vertexNormals || GVVecDot(geo->vertexNormals[i], camera->rot + 6) <= 0.0f))
      continue;
    float p[3];
    GVProjectPoint(camera, geo->vertices[i], p);
    // A point at or behind the eye projects mirrored through the centre.
    if (!(p[2] > 0.0f)) continue;
    const float sx = p[0] * 0.5f * static_cast<float>(view->width) + static_cast<float>(view->centreX);
    const float sy = static_cast<float>(view->centreY) - p[1] * 0.5f * static_cast<float>(view->height);
    const float dx = static_cast<float>(x) - sx, dy = static_cast<float>(y) - sy;
    const float d = dx * dx + dy * dy;
    if (d < best) {
      best = d;
      bestIndex = i;
      bestPos[0] = sx;
      bestPos[1] = sy;
      bestPos[2] = p[2];
    }
  }
  if (index) *index = bestIndex;
  if (position && bestIndex) GVVec3Copy(position, bestPos);
}
