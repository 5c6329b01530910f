#include "geo/mesh_normals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "geo/geo_fixtures.h"
#include "geo/mesh_bounds.h"
#include "geo/mesh_derived.h"
#include "geo/mesh_topology.h"
#include "jel/vector_math.h"
#include "jel/worker_pool.h"

namespace {

void expect3(const float* v, float x, float y, float z) {
  EXPECT_NEAR(v[0], x, 1e-6f);
  EXPECT_NEAR(v[1], y, 1e-6f);
  EXPECT_NEAR(v[2], z, 1e-6f);
}

TEST(MeshNormals, DegenerateFacesAndBadCornersGiveZero) {
  std::unique_ptr<GObject> geo(geotest::makeGeo(
      1, "Tris", {{0, 0, 0}, {0, 0, 2}, {2, 0, 0}, {5, 5, 5}}, {{1, 2, 3}, {4, 4, 4}, {1, 9, 2}}));
  ASSERT_TRUE(geo);
  GVCalcGeoTriNormals(geo.get());
  // (c - a) x (b - a) = (2,0,0) x (0,0,2) = (0,-4,0), normalised.
  expect3(geo->faceNormals[1], 0, -1, 0);
  expect3(geo->faceNormals[2], 0, 0, 0);
  expect3(geo->faceNormals[3], 0, 0, 0);  // vertex 9 does not exist
}

TEST(MeshNormals, QuadNormalSkipsTheThirdCorner) {
  std::unique_ptr<GObject> geo(geotest::makeGeo(
      1, "Quad", {{0, 0, 0}, {1, 0, 0}, {7, 7, 7}, {0, 1, 0}}, {}, {{1, 2, 3, 4}}));
  GVCalcGeoFaceNormals(geo.get());
  // (d - a) x (b - a) = (0,1,0) x (1,0,0) = (0,0,-1); corner 3 is ignored.
  expect3(geo->faceNormals[1], 0, 0, -1);
}

TEST(MeshNormals, VertexNormalsWeighTheListedFaces) {
  std::unique_ptr<GObject> geo(geotest::makeGeo(
      1, "Fan", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, {{1, 3, 2}, {1, 2, 4}}));
  GVCalcGeoFaceNormals(geo.get());
  geo->vertexFaceLists = GVNewIntListArray(5);
  geo->vertexLists3 = GVNewFloatListArray(5);
  GVResizeIntList(&geo->vertexFaceLists[1], 3);
  geo->vertexFaceLists[1].items[0] = 1;
  geo->vertexFaceLists[1].items[1] = 2;
  geo->vertexFaceLists[1].items[2] = 40;  // not a face: skipped
  GVResizeFloatList(&geo->vertexLists3[1], 1);  // the second weight is missing: 0
  geo->vertexLists3[1].items[0] = 0.5f;
  GVCalcGeoVertexNormals(geo.get());
  expect3(geo->vertexNormals[1], geo->faceNormals[1][0], geo->faceNormals[1][1],
          geo->faceNormals[1][2]);
  expect3(geo->vertexNormals[2], 0, 0, 0);
}

// A mesh of several pieces gets the same normals, bit for bit, on a pool of
// threads as on one.
TEST(MeshNormals, PiecesOnAPoolGiveTheNormalsOfOneThread) {
  constexpr int kSide = 75;  // 5625 vertices, 10952 triangles: more than one piece each
  std::vector<geotest::V3> verts;
  for (int i = 0; i < kSide; ++i)
    for (int j = 0; j < kSide; ++j) verts.push_back({float(i), std::sin(0.3f * i) * std::cos(0.2f * j), float(j)});
  std::vector<geotest::Tri> tris;
  for (int i = 0; i + 1 < kSide; ++i)
    for (int j = 0; j + 1 < kSide; ++j) {
      const int a = i * kSide + j + 1;
      tris.push_back({a, a + 1, a + kSide + 1});
      tris.push_back({a, a + kSide + 1, a + kSide});
    }
  ASSERT_GT(int(tris.size()), kGeoNormalsPiece);
  ASSERT_GT(int(verts.size()), kGeoNormalsPiece);
  std::unique_ptr<GObject> geo(geotest::makeGeo(1, "Wave", verts, tris));
  GVBuildGeoSeamLists(geo.get());
  GVBuildGeoSmoothFaceLists(geo.get());
  ASSERT_TRUE(geo->vertexNormals && geo->vertexFaceLists);
  auto bytes = [&] {
    const size_t f = size_t(geo->triangleCount + 1) * sizeof(GVFloat3);
    const size_t v = size_t(geo->vertexCount + 1) * sizeof(GVFloat3);
    std::vector<char> out(f + 2 * v);
    std::memcpy(out.data(), geo->faceNormals, f);
    std::memcpy(out.data() + f, geo->vertexNormals, v);
    if (geo->vertexVectors) std::memcpy(out.data() + f + v, geo->vertexVectors, v);
    return out;
  };
  GVCalcGeoFaceNormals(geo.get());
  GVCalcGeoVertexNormals(geo.get());
  const std::vector<char> alone = bytes();
  std::memset(geo->faceNormals, 0, size_t(geo->triangleCount + 1) * sizeof(GVFloat3));
  std::memset(geo->vertexNormals, 0, size_t(geo->vertexCount + 1) * sizeof(GVFloat3));
  if (geo->vertexVectors) std::memset(geo->vertexVectors, 0, size_t(geo->vertexCount + 1) * sizeof(GVFloat3));
  WorkerPool pool(4);
  GVCalcGeoFaceNormals(geo.get(), &pool);
  GVCalcGeoVertexNormals(geo.get(), &pool);
  EXPECT_EQ(bytes(), alone);
  const float* n = geo->vertexNormals[kSide * kSide / 2];
  EXPECT_NEAR(n[0] * n[0] + n[1] * n[1] + n[2] * n[2], 1.0f, 1e-5f);
}

// The pass sums each vertex's listed faces in list order; on an irregular mesh
// (mixed diagonals and holes) its normals are those sums
// bit for bit, and still so after the weights are made again from moved
// vertices.
TEST(MeshNormals, VertexNormalsAreTheSumsOfTheirListsAfterEveryRebuild) {
  constexpr int kSide = 40;
  std::vector<geotest::V3> verts;
  for (int i = 0; i < kSide; ++i)
    for (int j = 0; j < kSide; ++j) verts.push_back({float(i), 0.4f * std::sin(0.7f * i + 0.3f * j), float(j)});
  std::vector<geotest::Tri> tris;
  for (int i = 0; i + 1 < kSide; ++i)
    for (int j = 0; j + 1 < kSide; ++j) {
      const int a = i * kSide + j + 1, b = a + 1, c = a + kSide + 1, d = a + kSide;
      if ((i * 7 + j * 3) % 11 == 0) continue;
      if ((i * 5 + j) % 3 == 0) {
        tris.push_back({a, b, c});
        tris.push_back({a, c, d});
      } else {
        tris.push_back({a, b, d});
        tris.push_back({b, c, d});
      }
    }
  std::unique_ptr<GObject> geo(geotest::makeGeo(1, "Patchy", verts, tris));
  GVRebuildGeo(geo.get());
  ASSERT_TRUE(geo->vertexNormals && geo->vertexVectors && geo->vertexLists3 && geo->vertexToFaceLists2);
  auto sums = [&](const IntList* faces, const FloatList* weights) {
    std::vector<float> out;
    for (int32_t v = 1; v <= geo->vertexCount; ++v) {
      float s[3] = {0, 0, 0}, n[3];
      for (int32_t j = 0; j < faces[v].count; ++j) {
        const float w = j < weights[v].count ? weights[v].items[j] : 0.0f;
        for (int k = 0; k < 3; ++k) s[k] += w * geo->faceNormals[faces[v].items[j]][k];
      }
      GVVecNormalise(s, n);
      out.insert(out.end(), n, n + 3);
    }
    return out;
  };
  auto expectSums = [&] {
    GVCalcGeoFaceNormals(geo.get());
    GVCalcGeoVertexNormals(geo.get());
    const size_t n = size_t(geo->vertexCount) * 3;
    EXPECT_EQ(std::memcmp(sums(geo->vertexFaceLists, geo->vertexLists3).data(), geo->vertexNormals[1],
                          n * sizeof(float)), 0);
    EXPECT_EQ(std::memcmp(sums(geo->vertexToFaceLists, geo->vertexToFaceLists2).data(), geo->vertexVectors[1],
                          n * sizeof(float)), 0);
  };
  expectSums();
  for (int32_t v = 1; v <= geo->vertexCount; v += 3) geo->baseVertices[v][1] += 0.5f;
  std::memcpy(geo->vertices[1], geo->baseVertices[1], size_t(geo->vertexCount) * sizeof(GVFloat3));
  GVBuildGeoFaceWeights(geo.get());
  GVBuildGeoVertexFaceWeights(geo.get());
  expectSums();
}

TEST(MeshBounds, EmptyGeoKeepsTheSentinels) {
  GObject geo;
  float box[6];
  EXPECT_EQ(GVGetGeoBounds(&geo, box), 0);
  EXPECT_FLOAT_EQ(box[0], 9e30f);
  EXPECT_FLOAT_EQ(box[5], -9e30f);
  std::unique_ptr<GObject> tri(geotest::makeGeo(1, "T", {{1, 2, 3}, {-1, 5, 0}}));
  tri->vertices[2][0] = 50;
  ASSERT_EQ(GVGetGeoBaseBounds(tri.get(), box), 1);
  EXPECT_FLOAT_EQ(box[0], -1);
  EXPECT_FLOAT_EQ(box[1], 1);
  ASSERT_EQ(GVGetGeoBounds(tri.get(), box), 1);
  EXPECT_FLOAT_EQ(box[1], 50);
}

}  // namespace
