#include "geo/geo_fixtures.h"

#include "geo/geo_transform.h"
#include "records/heap_string.h"

namespace geotest {

GObject* makeGeo(int32_t id, const char* name, const std::vector<V3>& verts,
                 const std::vector<Tri>& tris, const std::vector<Quad>& quads) {
  GObject* geo = new GObject;
  GeoMeshDesc desc;
  GVInitGeoMeshDesc(&desc);
  GVSetString(&desc.name, name);
  desc.vertexCount = static_cast<int32_t>(verts.size());
  desc.triangleCount = static_cast<int32_t>(tris.size());
  desc.quadCount = static_cast<int32_t>(quads.size());
  const int built = GVBuildGeoFromDesc(geo, &desc, id);
  if (built) {
    for (size_t i = 0; i < verts.size(); ++i)
      for (int a = 0; a < 3; ++a) desc.baseVertices[i + 1][a] = verts[i][a];
    for (size_t t = 0; t < tris.size(); ++t)
      for (int a = 0; a < 3; ++a) desc.triangles[t + 1][a] = tris[t][a];
    for (size_t q = 0; q < quads.size(); ++q)
      for (int a = 0; a < 4; ++a) desc.quads[q + 1][a] = quads[q][a];
  }
  GVResetGeoMeshDesc(&desc);
  GVSetString(&desc.name, nullptr);
  if (!built) {
    delete geo;
    return nullptr;
  }
  GVApplyGeoTransform(geo, GEO_SEL_START);
  return geo;
}

GObject* makeBareGeo(int32_t id, const char* name, uint32_t groupMask) {
  GObject* geo = new GObject;
  geo->id = id;
  geo->groupMask = groupMask;
  GVSetString(&geo->name, name);
  return geo;
}

std::vector<V3> boxCorners(V3 lo, V3 hi) {
  std::vector<V3> v;
  for (int i = 0; i < 8; ++i)
    v.push_back({(i & 1) ? hi[0] : lo[0], (i & 2) ? hi[1] : lo[1], (i & 4) ? hi[2] : lo[2]});
  return v;
}

std::vector<Tri> boxTriangles() {
  // Corners numbered 1..8 as boxCorners makes them (bit 0 x, bit 1 y, bit 2 z).
  return {{1, 3, 2}, {2, 3, 4}, {5, 6, 7}, {6, 8, 7}, {1, 2, 5}, {2, 6, 5},
          {3, 7, 4}, {4, 7, 8}, {1, 5, 3}, {3, 5, 7}, {2, 4, 6}, {4, 8, 6}};
}

ViewportRec pickView() {
  ViewportRec vp;
  vp.createdWidth = vp.width = 800;
  vp.createdHeight = vp.height = 600;
  vp.centreX = 400;
  vp.centreY = 300;
  return vp;
}

CameraRec pickCamera(float ez) {
  const ViewportRec vp = pickView();
  CameraRec cam;
  GVCameraInit(&cam);
  cam.mode = 1;
  cam.depthScale = 1.0f;
  cam.fov = 1.0f;
  cam.eye[2] = ez;
  GVUpdateCameraProjection(&vp, &cam);
  const float target[3] = {0, 0, 0};
  GVSetCameraTarget(&cam, target);
  return cam;
}

void pixelOf(const CameraRec& cam, const float* p, int32_t* x, int32_t* y) {
  const ViewportRec vp = pickView();
  float q[3];
  GVProjectPoint(&cam, p, q);
  *x = static_cast<int32_t>(vp.centreX + 0.5f * vp.width * q[0] + 0.5f);
  *y = static_cast<int32_t>(vp.centreY - 0.5f * vp.height * q[1] + 0.5f);
}

}  // namespace geotest
