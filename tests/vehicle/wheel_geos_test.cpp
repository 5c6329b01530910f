#include "vehicle/wheel_geos.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "command_scene.h"
#include "geo/geo_list.h"
#include "geo/geo_materials.h"
#include "geo/geo_object.h"
#include "jel/vector_math.h"
#include "geo/geo_list_services.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "vehicle/vehicle_commands.h"

namespace {

struct OwnedGeo {
  explicit OwnedGeo(ObjHandle* c) : cell(c), g(GVGeoOf(c)) {}
  ~OwnedGeo() { GVDeleteGeoHandle(cell); }
  ObjHandle* cell;
  GObject* g;
};

// Sum over a UV set's triangles of their normals' z, from the base mesh.
float FacingZ(const GObject* g, const UVSet& set) {
  float z = 0.0f;
  for (int32_t f = 1; f <= set.faceCount; ++f) {
    const float* p[3];
    for (int c = 0; c < 3; ++c) p[c] = g->baseVertices[set.uvCorners[set.uvFaces[f].corner[c]].vertex];
    float a[3], b[3], n[3];
    GVVecSub(a, p[1], p[0]);
    GVVecSub(b, p[2], p[0]);
    GVVecCross(n, a, b);
    z += n[2];
  }
  return z;
}

}  // namespace

TEST(WheelGeos, FrontMeshesFaceOutwardOnTheirSides) {
  for (int side = 0; side < 2; ++side) {
    OwnedGeo w(side == 0 ? GVBuildWheelGeoFL(3) : GVBuildWheelGeoFR(4));
    const GObject* g = w.g;
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->vertexCount, 224);
    EXPECT_EQ(g->triangleCount, 316);
    EXPECT_EQ(g->quadCount, 0);
    EXPECT_EQ(g->flags, 0x40000u);
    // Current vertices are the base ones (the frame transform is zero).
    EXPECT_EQ(std::memcmp(g->vertices[1], g->baseVertices[1], sizeof(float) * 3 * 224), 0);

    ASSERT_EQ(g->uvSets->count, 4);
    const char* names[4] = {"AllFaces", "map1_1", "map1_2", "AllFaces1_4"};
    int32_t faces = 0;
    for (int s = 0; s < 4; ++s) {
      const UVSet& set = g->uvSets->sets[s];
      EXPECT_STREQ(set.name, names[s]);
      if (s > 0) faces += set.faceCount;
    }
    EXPECT_EQ(faces, 316);  // the three face sets share the mesh out
    ASSERT_EQ(g->materials->count, 4);
    const int sets[4] = {0, 2, 1, 3};
    const char* textures[4] = {"", "WheelSide5.jpg", "", "TyreSRound2.jpg"};
    for (int m = 0; m < 4; ++m) {
      EXPECT_EQ(g->materials->materials[m].uvSetIndex, sets[m]);
      EXPECT_EQ(g->materials->materials[m].uvSet, &g->uvSets->sets[sets[m]]);
      EXPECT_STREQ(g->materials->materials[m].textureFile, textures[m]);
    }
    // The textured face looks out of the vehicle (-z on the left, +z on the
    // right), the plain one into it.
    const float outer = FacingZ(g, g->uvSets->sets[2]), inner = FacingZ(g, g->uvSets->sets[1]);
    EXPECT_GT(side == 0 ? -outer : outer, 0.5f);
    EXPECT_GT(side == 0 ? inner : -inner, 0.5f);
  }
}

TEST(WheelGeos, BackWheelsCarryTheFrontMeshesAndStrayWheelsRefuse) {
  CommandScene s;
  GVMakeVehicle(1, 0, 0, 0, 32);
  for (int k = 0; k < 2; ++k) {
    const GObject* front = s.Geo(kWheelGeoNames[k]);
    const GObject* back = s.Geo(kWheelGeoNames[k + 2]);
    ASSERT_TRUE(front && back);
    EXPECT_EQ(back->id, front->id + 2);
    EXPECT_EQ(std::memcmp(back->baseVertices[1], front->baseVertices[1], sizeof(float) * 3 * 224), 0);
    EXPECT_EQ(std::memcmp(back->triangles[1], front->triangles[1], sizeof(int32_t) * 3 * 316), 0);
    for (int u = 0; u < 4; ++u) {
      EXPECT_EQ(back->uvSets->sets[u].faceCount, front->uvSets->sets[u].faceCount);
      EXPECT_STREQ(back->materials->materials[u].textureFile, front->materials->materials[u].textureFile);
    }
    EXPECT_NE(back->jelId, front->jelId);
  }

  // Remaking the wheel Geos finds them all there: the first is named.
  GVCreateVhcl_2x2(GVNextGeoId(GVScene().geoList));
  ASSERT_EQ(s.view->status.size(), 1u);
  EXPECT_NE(s.view->status[0].find("\"GWheelFL\" must be deleted!"), std::string::npos);

  // Only a stray back-right wheel: nothing is made, the message names it.
  GVDeleteWheelGeos(GVScene().geoList);
  s.view->addGeo(40, "GWheelBR");
  GVCreateVhcl_2x2(41);
  EXPECT_EQ(s.Geo("GWheelFL"), nullptr);
  ASSERT_EQ(s.view->status.size(), 2u);
  EXPECT_EQ(s.view->status[1],
            "GVCreateVhcl_2x2 cannot create Geo wheels ... 'stray' Geo wheel \"GWheelBR\" must be deleted!");

  // Outside natural state nothing is made either.
  GVDeleteWheelGeos(GVScene().geoList);
  s.view->setStateMode(0);
  GVCreateVhcl_2x2(41);
  EXPECT_EQ(s.Geo("GWheelFL"), nullptr);
  s.view->setStateMode(-1);
  GVCreateVhcl_2x2(41);
  EXPECT_NE(s.Geo("GWheelFL"), nullptr);
}
