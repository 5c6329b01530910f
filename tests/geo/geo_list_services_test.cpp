#include "geo/geo_list_services.h"

#include <gtest/gtest.h>

#include <vector>

#include "records/heap_string.h"

namespace {

std::vector<int32_t> gRemoved;

void recordRemoval(ObjHandle*, int32_t sel, int32_t added) {
  if (!added) gRemoved.push_back(sel);
}

// A scene list in its cell with Geos made through handles.
struct SceneGeos : testing::Test {
  ObjHandle listCell;
  void SetUp() override {
    GVNewGeoList(&listCell);
    ASSERT_NE(GVGeoListOf(&listCell), nullptr);
    gRemoved.clear();
  }
  void TearDown() override { GVDeleteGeoList(&listCell); }

  ObjHandle* addGeo(const char* name, int32_t vertices = 3) {
    ObjHandle* cell = GVCreateGeo();
    GeoMeshDesc desc;
    GVInitGeoMeshDesc(&desc);
    GVSetString(&desc.name, name);
    desc.vertexCount = vertices;
    const int32_t id = GVNextGeoId(&listCell);
    EXPECT_EQ(GVBuildGeoFromMesh(cell, &desc, id), 1);
    GVResetGeoMeshDesc(&desc);
    GVSetString(&desc.name, nullptr);
    GVAddGeoToScene(&listCell, cell);
    return cell;
  }
};

TEST_F(SceneGeos, NewListIsEmptyAndKnowsItsCell) {
  GeoList* list = GVGeoListOf(&listCell);
  EXPECT_EQ(list->head, nullptr);
  EXPECT_EQ(list->handle, &listCell);
  EXPECT_EQ(list->changeCallback, nullptr);
  EXPECT_EQ(GVNextGeoId(&listCell), 1);
  EXPECT_EQ(GVFirstGeo(&listCell), nullptr);
}

TEST_F(SceneGeos, HandlesFindWalkAndNumber) {
  ObjHandle* a = addGeo("A");
  ObjHandle* b = addGeo("B");
  EXPECT_EQ(GVGeoOf(a)->handle, a);
  EXPECT_EQ(GVGeoOf(b)->id, 2);
  EXPECT_EQ(GVNextGeoId(&listCell), 3);
  EXPECT_EQ(GVFindGeo(&listCell, 2), b);
  EXPECT_EQ(GVFindGeo(&listCell, 0), nullptr);
  EXPECT_EQ(GVFindGeo(&listCell, -1), nullptr);
  EXPECT_EQ(GVFindGeo(&listCell, 5), nullptr);
  EXPECT_EQ(GVFirstGeo(&listCell), a);
  EXPECT_EQ(GVNextGeo(a), b);
  EXPECT_EQ(GVNextGeo(b), nullptr);
  EXPECT_EQ(GVNextGeo(nullptr), nullptr);

  GVRemoveGeoFromScene(&listCell, a);
  EXPECT_EQ(GVFirstGeo(&listCell), b);
  GVAddGeoToScene(&listCell, a);
  EXPECT_EQ(GVNextGeo(b), a);
}

TEST_F(SceneGeos, DeleteGeosFreesHandlesAndReportsTheSelection) {
  addGeo("A");
  addGeo("B");
  addGeo("C");
  GVGeoListOf(&listCell)->changeCallback = recordRemoval;
  GVDeleteGeos(&listCell, 2);
  EXPECT_EQ(gRemoved, (std::vector<int32_t>{2}));
  EXPECT_EQ(GVFindGeo(&listCell, 2), nullptr);
  GVDeleteGeos(&listCell, 0);
  EXPECT_EQ(GVGeoSelVertexCount(GVGeoListOf(&listCell), -1), 6);
  GVDeleteGeos(&listCell, -1);
  EXPECT_EQ(GVFirstGeo(&listCell), nullptr);
  EXPECT_EQ(GVNextGeoId(&listCell), 1);
}

TEST_F(SceneGeos, CopyAndBuildThroughHandles) {
  ObjHandle* src = addGeo("Src", 5);
  ObjHandle* cell = new ObjHandle;
  ASSERT_EQ(GVNewGeoCopy(cell, src, "Copy", 7), cell);
  GObject* copy = GVGeoOf(cell);
  EXPECT_EQ(copy->handle, cell);
  EXPECT_EQ(copy->id, 7);
  EXPECT_STREQ(copy->name, "Copy");
  EXPECT_EQ(copy->vertexCount, 5);
  GVAddGeoToScene(&listCell, cell);
  EXPECT_EQ(GVNextGeoId(&listCell), 8);

  GeoMeshDesc desc;
  GVInitGeoMeshDesc(&desc);
  EXPECT_EQ(GVBuildGeoFromMesh(nullptr, &desc, 3), 0);
  ObjHandle empty;
  EXPECT_EQ(GVBuildGeoFromMesh(&empty, &desc, 3), 0);
  EXPECT_EQ(GVBuildGeoFromMesh(cell, &desc, 3), 0);  // empty name
  GVResetGeoMeshDesc(&desc);
  GVSetString(&desc.name, nullptr);
}

TEST(SceneGeoList, NullAndEmptyHandlesAreHarmless) {
  ObjHandle empty;
  GVDeleteGeoList(nullptr);
  GVDeleteGeoList(&empty);
  GVAddGeoToScene(&empty, nullptr);
  GVDeleteGeos(&empty, -1);
  EXPECT_EQ(GVFindGeo(&empty, 1), nullptr);
  EXPECT_EQ(GVNextGeoId(nullptr), 1);
  EXPECT_EQ(GVInitGeoHandle(nullptr), nullptr);
}

}  // namespace
