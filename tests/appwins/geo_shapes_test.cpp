// The meshes of the Create Geo dialogs: counts, windings, positions and UVs of
// the box, the pane and the three swept shapes.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "appwins/geo_shapes.h"
#include "geo/geo_materials.h"
#include "geo/geo_object.h"
#include "geo/geo_list_services.h"

namespace {

struct Cell {
  ObjHandle* h;
  explicit Cell(ObjHandle* cell) : h(cell) {}
  ~Cell() {
    if (h) delete GVGeoOf(h), delete h;
  }
  GObject* operator->() const { return GVGeoOf(h); }
  const float* uv(int32_t set, int32_t i) const { return GVGeoOf(h)->uvSets->sets[set].uvPairs[i]; }
};

// Canvas points (pixels) on a 400 x 300 canvas at 100 pixels per unit.
struct Profile {
  std::vector<float> pts{0, 0, 0};
  GVSweptProfile p;
  Profile(std::initializer_list<std::pair<float, float>> xy, int32_t segments) {
    for (auto [x, y] : xy) pts.insert(pts.end(), {x, y, 0.0f});
    p.points = pts.data();
    p.count = int32_t(xy.size());
    p.segments = segments;
    p.width = 400, p.height = 300;
    p.scale = 100.0f;
  }
};

float dot(const float* a, const float* b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

}  // namespace

TEST(GeoShapes, BoxFacesAreOwnGridsWoundClockwiseFromOutside) {
  const float len[3] = {2.0f, 4.0f, 6.0f};
  const int32_t two[3] = {2, 2, 2};
  Cell box(GVBuildBlockGeo("Box", 7, len, two));
  ASSERT_NE(box.h, nullptr);
  EXPECT_EQ(box->id, 7);
  EXPECT_EQ(box->vertexCount, 24);
  EXPECT_EQ(box->triangleCount, 12);
  EXPECT_EQ(box->quadCount, 0);
  for (int32_t t = 1; t <= 12; ++t) {
    float centroid[3] = {};
    for (int k = 0; k < 3; ++k)
      for (int a = 0; a < 3; ++a) centroid[a] += box->vertices[box->triangles[t][k]][a] / 3.0f;
    EXPECT_GT(dot(box->faceNormals[t], centroid), 0.0f) << "triangle " << t;
  }
  for (int32_t v = 1; v <= 24; ++v) {
    EXPECT_FLOAT_EQ(std::fabs(box->vertices[v][0]), 1.0f);
    EXPECT_FLOAT_EQ(std::fabs(box->vertices[v][1]), 2.0f);
    EXPECT_FLOAT_EQ(std::fabs(box->vertices[v][2]), 3.0f);
  }
  EXPECT_STREQ(box->uvSets->sets[0].name, "AllFaces");
  // The back face (z = -3) seen from behind: u runs against x; v falls with y.
  EXPECT_FLOAT_EQ(box.uv(0, 1)[0], 1.0f);
  EXPECT_FLOAT_EQ(box.uv(0, 1)[1], 1.0f);
  EXPECT_FLOAT_EQ(box.uv(0, 4)[0], 0.0f);
  EXPECT_FLOAT_EQ(box.uv(0, 4)[1], 0.0f);

  const int32_t six[3] = {6, 6, 6};
  const float five[3] = {5, 5, 5};
  Cell defaults(GVBuildBlockGeo("Box", 1, five, six));
  ASSERT_NE(defaults.h, nullptr);
  EXPECT_EQ(defaults->vertexCount, 216);
  EXPECT_EQ(defaults->triangleCount, 300);

  const int32_t one[3] = {2, 1, 2};
  const float thin[3] = {1.0f, 0.005f, 1.0f};
  EXPECT_EQ(GVBuildBlockGeo("Box", 1, five, one), nullptr);
  EXPECT_EQ(GVBuildBlockGeo("Box", 1, thin, two), nullptr);
  EXPECT_EQ(GVBuildBlockGeo("", 1, five, two), nullptr);
}

TEST(GeoShapes, PaneIsTheFrontFaceAlone) {
  Cell pane(GVBuildPlaneGeo("Pane", 3, 2.0f, 4.0f, 2, 3));
  ASSERT_NE(pane.h, nullptr);
  EXPECT_EQ(pane->vertexCount, 6);
  EXPECT_EQ(pane->triangleCount, 4);
  EXPECT_TRUE(pane->flags & 0x4);
  for (int32_t v = 1; v <= 6; ++v) {
    EXPECT_FLOAT_EQ(pane->vertices[v][2], 0.0f);
    EXPECT_FLOAT_EQ(pane->vertices[v][1], -2.0f + 2.0f * float((v - 1) / 2));
    EXPECT_FLOAT_EQ(pane.uv(0, v)[1], 1.0f - 0.5f * float((v - 1) / 2));
    EXPECT_FLOAT_EQ(pane.uv(0, v)[0], float((v - 1) % 2));
  }
  EXPECT_EQ(GVBuildPlaneGeo("Pane", 3, 2.0f, 4.0f, 1, 3), nullptr);
}

TEST(GeoShapes, RevolutionRingsFacesAndUVs) {
  // Bottom-up: the first point lies lower on the canvas.
  Profile up({{300, 250}, {300, 50}}, 2);
  GVRevolution rev;
  ASSERT_TRUE(GVComputeRevolution(up.p, &rev));
  ASSERT_EQ(rev.entries, 6);
  const int P = 2;
  for (int r = 0; r < 2; ++r)
    for (int p = 1; p < P; ++p) {
      const int k = r * P + p;
      const std::vector<int32_t> q(&rev.quads[4 * k], &rev.quads[4 * k] + 4);
      EXPECT_EQ(q, (std::vector<int32_t>{k, k + 1, k + P + 1, k + P}));
    }
  EXPECT_EQ(rev.quads[4 * 2], 0);  // p = P
  EXPECT_EQ(rev.quads[4 * 5], 0);  // ring S
  // Ring 0 at a quarter turn: x = 1 (radius) lands on -z; ring 1 opposite.
  EXPECT_NEAR(rev.vertices[3 * 1 + 0], 0.0f, 1e-6f);
  EXPECT_NEAR(rev.vertices[3 * 1 + 2], -1.0f, 1e-6f);
  EXPECT_FLOAT_EQ(rev.vertices[3 * 1 + 1], -1.0f);
  EXPECT_NEAR(rev.vertices[3 * 3 + 2], 1.0f, 1e-6f);
  for (int a = 0; a < 3; ++a) EXPECT_EQ(rev.vertices[3 * 5 + a], rev.vertices[3 * 1 + a]);

  Cell geo(GVBuildRevolutionGeo("Vase", 4, up.p, rev));
  ASSERT_NE(geo.h, nullptr);
  EXPECT_EQ(geo->vertexCount, 6);
  EXPECT_EQ(geo->triangleCount, 4);
  for (int r = 0; r <= 2; ++r) {
    EXPECT_FLOAT_EQ(geo.uv(0, r * P + 1)[0], 0.5f * float(r));
    EXPECT_FLOAT_EQ(geo.uv(0, r * P + 1)[1], 0.0f);
    EXPECT_FLOAT_EQ(geo.uv(0, r * P + 2)[1], 1.0f);
  }

  // Top-down the quads turn the other way; quads stay quads without triangles.
  Profile down({{300, 50}, {300, 250}}, 2);
  ASSERT_TRUE(GVComputeRevolution(down.p, &rev));
  EXPECT_EQ(rev.quads[4 * 1 + 1], 1 + P);
  EXPECT_EQ(rev.quads[4 * 1 + 3], 2);
  down.p.triangles = 0;
  Cell quads(GVBuildRevolutionGeo("Vase", 4, down.p, rev));
  ASSERT_NE(quads.h, nullptr);
  EXPECT_EQ(quads->triangleCount, 0);
  EXPECT_EQ(quads->quadCount, 2);

  // Coincident points: no length, evenly spaced parameters.
  Profile dot({{250, 100}, {250, 100}, {250, 100}}, 3);
  ASSERT_TRUE(GVComputeRevolution(dot.p, &rev));
  Cell point(GVBuildRevolutionGeo("Dot", 5, dot.p, rev));
  ASSERT_NE(point.h, nullptr);
  EXPECT_FLOAT_EQ(point.uv(0, 2)[1], 0.5f);
  EXPECT_FLOAT_EQ(point.uv(0, 3)[1], 1.0f);
  Profile single({{250, 100}}, 3);
  EXPECT_EQ(GVBuildRevolutionGeo("One", 5, single.p, rev), nullptr);
}

TEST(GeoShapes, CylinderClosesItsRingsAndCapsItsEnds) {
  Profile tri({{200, 50}, {300, 250}, {100, 250}}, 2);
  Cell cyl(GVBuildCylinderGeo("Prism", 2, tri.p));
  ASSERT_NE(cyl.h, nullptr);
  EXPECT_EQ(cyl->vertexCount, 10);
  EXPECT_EQ(cyl->triangleCount, 12);
  ASSERT_EQ(cyl->uvSets->count, 2);
  EXPECT_STREQ(cyl->uvSets->sets[0].name, "AllFaces");
  const UVSet& most = cyl->uvSets->sets[1];
  EXPECT_STREQ(most.name, "MostFacesA");
  EXPECT_EQ(most.uvCount, 8);
  EXPECT_EQ(most.faceCount, 6);
  // The repeated first point shares point 1's place but not its v.
  for (int a = 0; a < 3; ++a) EXPECT_EQ(cyl->vertices[4][a], cyl->vertices[1][a]);
  EXPECT_FLOAT_EQ(cyl.uv(0, 1)[1], 1.0f);
  EXPECT_FLOAT_EQ(cyl.uv(0, 4)[1], 0.0f);
  EXPECT_FLOAT_EQ(cyl.uv(0, 5)[0], 1.0f);
  EXPECT_FLOAT_EQ(most.uvCorners[4].v, 0.0f);
  EXPECT_EQ(most.uvFaces[1].corner[2], cyl->triangles[1][2]);
  // Layers one unit apart around z = 0; the caps' centres on the mean point.
  EXPECT_FLOAT_EQ(cyl->vertices[1][2], -0.5f);
  EXPECT_FLOAT_EQ(cyl->vertices[5][2], 0.5f);
  EXPECT_NEAR(cyl->vertices[9][1], (1.0f - 1.0f - 1.0f) / 3.0f, 1e-6f);
  EXPECT_FLOAT_EQ(cyl->vertices[10][2], 0.5f);
}

TEST(GeoShapes, SurfaceLayersRunAlongZ) {
  Profile line({{100, 100}, {150, 150}, {200, 150}, {250, 100}}, 3);
  Cell surf(GVBuildSurfaceGeo("Sheet", 9, line.p));
  ASSERT_NE(surf.h, nullptr);
  EXPECT_EQ(surf->vertexCount, 12);
  EXPECT_EQ(surf->triangleCount, 12);
  EXPECT_TRUE(surf->flags & 0x4);
  for (int a = 0; a < 3; ++a)
    for (int p = 1; p <= 4; ++p) {
      EXPECT_FLOAT_EQ(surf->vertices[a * 4 + p][2], float(a - 1));
      EXPECT_FLOAT_EQ(surf.uv(0, a * 4 + p)[0], 0.5f * float(a));
    }
  EXPECT_FLOAT_EQ(surf.uv(0, 1)[1], 1.0f);
  EXPECT_FLOAT_EQ(surf.uv(0, 4)[1], 0.0f);
}
