#include "geo/geo_list.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "geo/geo_fixtures.h"
#include "records/heap_string.h"
#include "records/item_stream.h"
#include "records/obj_handle.h"

namespace {

struct Call {
  ObjHandle* handle;
  int32_t sel;
  int32_t added;
  bool operator==(const Call& o) const {
    return handle == o.handle && sel == o.sel && added == o.added;
  }
};

std::vector<Call>* gCalls = nullptr;

void record(ObjHandle* handle, int32_t sel, int32_t added) {
  if (gCalls) gCalls->push_back({handle, sel, added});
}

// A list in a handle cell with a recording callback; deletes its Geos at the end.
struct ListFixture : testing::Test {
  ObjHandle cell;
  GeoList list;
  std::vector<Call> calls;

  void SetUp() override {
    GVInitGeoList(&list);
    list.handle = &cell;
    cell.object = &list;
    list.changeCallback = record;
    gCalls = &calls;
  }
  void TearDown() override {
    list.changeCallback = nullptr;
    GVClearGeoList(&list);
    gCalls = nullptr;
  }
  GObject* add(int32_t id, const char* name, uint32_t groups = 2) {
    GObject* g = geotest::makeBareGeo(id, name, groups);
    GVAddGeo(&list, g);
    return g;
  }
  std::vector<int32_t> ids() const {
    std::vector<int32_t> out;
    for (const GObject* g = list.head; g; g = g->next) out.push_back(g->id);
    return out;
  }
};

using GeoListTest = ListFixture;

TEST_F(GeoListTest, AppendCallsBackOnceAndRefusesADuplicate) {
  GObject* a = add(1, "A");
  add(2, "B");
  EXPECT_EQ(ids(), (std::vector<int32_t>{1, 2}));
  calls.clear();
  GVAddGeo(&list, a);
  GVAddGeo(&list, nullptr);
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(ids(), (std::vector<int32_t>{1, 2}));
}

TEST_F(GeoListTest, RemoveCallsBackBeforeUnlinkingAndKeepsTheGeo) {
  add(1, "A");
  GObject* b = add(2, "B");
  add(3, "C");
  calls.clear();
  GVRemoveGeo(&list, b);
  EXPECT_EQ(calls, (std::vector<Call>{{&cell, 2, 0}}));
  EXPECT_EQ(ids(), (std::vector<int32_t>{1, 3}));
  EXPECT_EQ(b->next, nullptr);
  calls.clear();
  GVRemoveGeo(&list, b);  // no longer listed: nothing reported
  EXPECT_TRUE(calls.empty());
  delete b;
}

TEST_F(GeoListTest, DeleteBySelectionFollowsTheCallbackOrder) {
  struct Case {
    const char* what;
    int32_t sel;
    std::vector<int32_t> left;
    std::vector<int32_t> callbackSels;
  } cases[] = {
      // Head pair in group 3, a later member too: two head deletions give
      // three callbacks, the later member goes silently.
      {"group at the head", -3, {3, 5}, {-3, -3, -3}},
      {"selection 0", 0, {1, 2, 3, 4, 5}, {0}},
      {"one id in the middle", 4, {1, 2, 3, 5}, {4}},
      {"the head id", 1, {2, 3, 4, 5}, {1}},
      {"every Geo", -1, {}, {-1, -1, -1, -1, -1, -1}},
      {"unused group", -9, {1, 2, 3, 4, 5}, {-9}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    list.changeCallback = nullptr;
    GVClearGeoList(&list);
    list.handle = &cell;
    list.changeCallback = record;
    add(1, "A", 0x2 | 0x8);
    add(2, "B", 0x2 | 0x8);
    add(3, "C", 0x2);
    add(4, "D", 0x2 | 0x8);
    add(5, "E", 0x2);
    calls.clear();
    GVDeleteGeoSel(&list, c.sel);
    EXPECT_EQ(ids(), c.left);
    std::vector<int32_t> sels;
    for (const Call& k : calls) {
      EXPECT_EQ(k.handle, &cell);
      EXPECT_EQ(k.added, 0);
      sels.push_back(k.sel);
    }
    EXPECT_EQ(sels, c.callbackSels);
  }
}

TEST_F(GeoListTest, DeletionFreesAndEmptiesTheHandleCell) {
  GObject* g = add(1, "A");
  ObjHandle* geoCell = new ObjHandle;
  geoCell->object = g;
  g->handle = geoCell;
  GVDeleteGeoSel(&list, 1);  // the sanitizer build reports a leaked or reused cell
  EXPECT_EQ(list.head, nullptr);
}

TEST_F(GeoListTest, ClearCallsBackWithAllAndDropsTheHandle) {
  add(1, "A");
  add(2, "B");
  calls.clear();
  GVClearGeoList(&list);
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.front(), (Call{&cell, -1, 0}));
  EXPECT_EQ(list.head, nullptr);
  EXPECT_EQ(list.handle, nullptr);
}

TEST_F(GeoListTest, FindByIdAndExactName) {
  add(3, "Box");
  add(7, "box");
  EXPECT_EQ(GVGetGeoById(&list, 7)->id, 7);
  EXPECT_EQ(GVGetGeoById(&list, 0), nullptr);
  EXPECT_EQ(GVGetGeoById(&list, 9), nullptr);
  EXPECT_EQ(GVFindGeoByName(&list, "box"), 7);
  EXPECT_EQ(GVFindGeoByName(&list, "Box"), 3);
  EXPECT_EQ(GVFindGeoByName(&list, "Bo"), 0);
  EXPECT_EQ(GVFindGeoByName(&list, nullptr), 0);
}

TEST_F(GeoListTest, UniqueNamesCountUpwardsFromTheTrailingNumber) {
  add(1, "Geo");
  add(2, "Geo2");
  add(3, "Box7");
  add(4, "Box8");
  struct Case {
    const char* in;
    const char* out;
    int result;
  } cases[] = {
      {"Geo", "Geo3", 0},      {"Box7", "Box9", 0},  {"Box", "Box", 1},
      {"  Geo 9", "Geo3", 0},  {"Car", "Car", 1},    {"2Car", "Car", 0},
      {"Geo2", "Geo3", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.in);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%s", c.in);
    EXPECT_EQ(GVMakeUniqueGeoName(&list, buf, sizeof buf), c.result);
    EXPECT_STREQ(buf, c.out);
  }
}

TEST_F(GeoListTest, UniqueNameRefusesEmptyNamesAndNeverOverrunsTheBuffer) {
  add(1, "ABCDEFGHIJKLMNOPQRS");  // 19 characters: fills a 20-byte buffer
  char blank[8] = "   ";
  EXPECT_EQ(GVMakeUniqueGeoName(&list, blank, sizeof blank), -1);
  char empty[4] = "";
  EXPECT_EQ(GVMakeUniqueGeoName(&list, empty, sizeof empty), -1);
  char cleanedAway[8] = "_ x";  // nothing is left once cleaned
  EXPECT_EQ(GVMakeUniqueGeoName(&list, cleanedAway, sizeof cleanedAway), -1);

  char buf[21];
  std::memset(buf, 'x', sizeof buf);
  std::snprintf(buf, 20, "%s", "ABCDEFGHIJKLMNOPQRS");
  EXPECT_EQ(GVMakeUniqueGeoName(&list, buf, 20), -1);  // "...S2" needs 21 bytes
  EXPECT_STREQ(buf, "ABCDEFGHIJKLMNOPQRS");
  EXPECT_EQ(buf[20], 'x');

  char wide[64];
  std::snprintf(wide, sizeof wide, "%s", "ABCDEFGHIJKLMNOPQRS");
  EXPECT_EQ(GVMakeUniqueGeoName(&list, wide, sizeof wide), 0);
  EXPECT_STREQ(wide, "ABCDEFGHIJKLMNOPQRS2");
}

TEST_F(GeoListTest, NavigationCyclesThroughGeosThenGroups) {
  add(1, "A", 0x2);      // group 1
  add(2, "B", 0x2 | 0x8);  // groups 1 and 3
  std::vector<int32_t> forward{1};
  for (int i = 0; i < 4; ++i) forward.push_back(GVNextGeoSel(&list, forward.back()));
  EXPECT_EQ(forward, (std::vector<int32_t>{1, 2, -1, -3, 1}));
  std::vector<int32_t> backward{1};
  for (int i = 0; i < 4; ++i) backward.push_back(GVPrevGeoSel(&list, backward.back()));
  EXPECT_EQ(backward, (std::vector<int32_t>{1, -3, -1, 2, 1}));
  EXPECT_EQ(GVNextGeoSel(&list, 0), 1);
  EXPECT_EQ(GVPrevGeoSel(&list, 0), -3);
}

TEST_F(GeoListTest, NavigationWithoutGroupsOrGeos) {
  EXPECT_EQ(GVNextGeoSel(&list, 0), 0);
  EXPECT_EQ(GVPrevGeoSel(&list, 0), 0);
  EXPECT_EQ(GVNextGeoGroupSel(&list, 0, 1), 0);
  add(4, "A", 0);
  add(6, "B", 0);
  EXPECT_EQ(GVNextGeoSel(&list, 6), 4);
  EXPECT_EQ(GVPrevGeoSel(&list, 4), 6);
}

TEST_F(GeoListTest, GroupStepsAndWrapTargets) {
  add(1, "A", 0x2 | 0x10);  // groups 1 and 4
  add(2, "B", 0x40);         // group 6
  struct Case {
    bool next;
    int32_t group, wrap, expected;
  } cases[] = {
      {true, -1, 0, -4},  {true, -4, 0, -6}, {true, -6, 0, 0},  {true, -6, 1, -1},
      {true, 0, 0, -1},   {true, -2, 0, 0},  {true, -2, 1, -1}, {false, -6, 0, -4},
      {false, -1, 0, 0},  {false, -1, 1, -6}, {false, 0, 0, -6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << (c.next ? "next " : "prev ") << c.group << " wrap " << c.wrap);
    EXPECT_EQ(c.next ? GVNextGeoGroupSel(&list, c.group, c.wrap)
                     : GVPrevGeoGroupSel(&list, c.group, c.wrap),
              c.expected);
  }
  EXPECT_EQ(GVNewGeoGroupSel(&list), -7);
}

TEST_F(GeoListTest, NewGroupValue) {
  EXPECT_EQ(GVNewGeoGroupSel(&list), -1);
  GObject* g = add(1, "A", 0);
  EXPECT_EQ(GVNewGeoGroupSel(&list), -1);
  g->groupMask = 0x2 | 0x10;
  EXPECT_EQ(GVNewGeoGroupSel(&list), -5);
  g->groupMask = 1u << 29;
  EXPECT_EQ(GVNewGeoGroupSel(&list), -30);
  g->groupMask = 1u << 30;
  EXPECT_EQ(GVNewGeoGroupSel(&list), 0);
}

TEST_F(GeoListTest, InSelectionWalks) {
  add(1, "A", 0x2);
  add(2, "B", 0x8);
  add(3, "C", 0x8);
  EXPECT_EQ(GVFirstGeoInSel(&list, -3), 2);
  EXPECT_EQ(GVFirstGeoInSel(&list, 0), 0);
  EXPECT_EQ(GVNextGeoInSel(&list, -3, 2, 0), 3);
  EXPECT_EQ(GVNextGeoInSel(&list, -3, 3, 0), 0);
  EXPECT_EQ(GVNextGeoInSel(&list, -3, 3, 1), 2);
  EXPECT_EQ(GVNextGeoInSel(&list, -3, 0, 0), 2);
  EXPECT_EQ(GVNextGeoInSel(&list, 0, 1, 1), 0);
  EXPECT_EQ(GVNextGeoInSel(&list, -5, 0, 1), 0);
}

TEST_F(GeoListTest, GroupBitEditsOnlyTheSelected) {
  GObject* a = add(1, "A", 0x2);
  GObject* b = add(2, "B", 0x2 | 0x8);
  EXPECT_EQ(GVSetGeoSelGroupBit(&list, -3, -4, 1), 0x10u);
  EXPECT_EQ(a->groupMask, 0x2u);
  EXPECT_EQ(b->groupMask, 0x2u | 0x8u | 0x10u);
  EXPECT_EQ(GVSetGeoSelGroupBit(&list, -1, -3, 0), 0u);
  EXPECT_EQ(b->groupMask, 0x2u | 0x10u);
  EXPECT_EQ(GVSetGeoSelGroupBit(&list, 2, -4, 5), 0x10u);  // other modes only read
  EXPECT_EQ(GVSetGeoSelGroupBit(&list, -1, -32, 1), 0u);
  EXPECT_EQ(GVSetGeoSelGroupBit(&list, -1, 0, 1), 0u);
  EXPECT_EQ(a->groupMask, 0x2u);
}

TEST_F(GeoListTest, SelectionCountsAndBounds) {
  GVAddGeo(&list, geotest::makeGeo(1, "Tri", {{0, 0, 0}, {2, 0, 0}, {0, 3, 0}}, {{1, 2, 3}}));
  GVAddGeo(&list, geotest::makeGeo(2, "Quad", {{-1, -1, 5}, {1, -1, 5}, {1, 1, 6}, {-1, 1, 6}}, {},
                                   {{1, 2, 3, 4}}));
  add(3, "Empty");
  EXPECT_EQ(GVGeoSelVertexCount(&list, -1), 7);
  EXPECT_EQ(GVGeoSelFaceCount(&list, -1), 2);
  EXPECT_EQ(GVGeoSelVertexCount(&list, 2), 4);
  float box[6];
  ASSERT_EQ(GVGeoSelBounds(&list, -1, box), 1);
  const float expected[6] = {-1, 2, -1, 3, 0, 6};
  for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(box[i], expected[i]) << i;
  EXPECT_EQ(GVGeoSelBounds(&list, 3, box), 0);
  EXPECT_FLOAT_EQ(box[0], 9e30f);
  EXPECT_FLOAT_EQ(box[1], -9e30f);
}

TEST_F(GeoListTest, MoveToEnd) {
  add(1, "A");
  add(2, "B");
  add(3, "C");
  EXPECT_EQ(GVMoveGeoToEnd(&list, 1), 2);
  EXPECT_EQ(ids(), (std::vector<int32_t>{2, 3, 1}));
  EXPECT_EQ(GVMoveGeoToEnd(&list, 3), 1);
  EXPECT_EQ(ids(), (std::vector<int32_t>{2, 1, 3}));
  EXPECT_EQ(GVMoveGeoToEnd(&list, 3), 0);
  EXPECT_EQ(GVMoveGeoToEnd(&list, 0), 0);
  EXPECT_EQ(GVMoveGeoToEnd(&list, 8), 0);
  EXPECT_EQ(ids(), (std::vector<int32_t>{2, 1, 3}));
}

// Record reader fake: a u32 id and a one-byte name length with the name.
int readFakeRecord(GObject* geo, FILE* file) {
  unsigned char b[5];
  if (std::fread(b, 1, 5, file) != 5) return 0;
  std::string name(b[4], '\0');
  if (!name.empty() && std::fread(&name[0], 1, name.size(), file) != name.size()) return 0;
  geo->id = int32_t(b[0] | b[1] << 8 | b[2] << 16 | b[3] << 24);
  GVSetString(&geo->name, name.c_str());
  return 1;
}

FILE* fileWith(const std::vector<unsigned char>& bytes) {
  FILE* f = std::tmpfile();
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::rewind(f);
  return f;
}

TEST_F(GeoListTest, FileReadReplacesTheListAndStopsAtTheEndOfTheFile) {
  add(9, "Old");
  calls.clear();
  FILE* f = fileWith({2, 0, 0, 0, 4, 0, 0, 0, 1, 'a', 5, 0, 0, 0, 2, 'b', 'c'});
  EXPECT_EQ(GVReadGeoListWith(&list, f, readFakeRecord), 1);
  std::fclose(f);
  EXPECT_EQ(ids(), (std::vector<int32_t>{4, 5}));
  EXPECT_EQ(list.handle, &cell);
  // Emptying reports -1 once for the list and once more from the deletion by
  // selection; then one addition per Geo.
  EXPECT_EQ(calls, (std::vector<Call>{{&cell, -1, 0}, {&cell, -1, 0}, {&cell, 4, 1}, {&cell, 5, 1}}));

  // A count far beyond the records present: the records there are read, then
  // the read stops instead of appending empty Geos.
  f = fileWith({0xff, 0xff, 0xff, 0xff, 6, 0, 0, 0, 0});
  EXPECT_EQ(GVReadGeoListWith(&list, f, readFakeRecord), 0);
  std::fclose(f);
  EXPECT_EQ(ids(), (std::vector<int32_t>{6}));

  EXPECT_EQ(GVReadGeoListWith(&list, nullptr, readFakeRecord), 0);
  EXPECT_EQ(ids(), (std::vector<int32_t>{6}));
}

int readFakeImageRecord(GObject* geo, ItemStream* image) {
  if (image->intCount >= image->intSize) return 0;
  const int32_t id = image->ints[image->intCount++];
  if (id <= 0) return 0;
  geo->id = id;
  return 1;
}

TEST_F(GeoListTest, ImageReadChecksTheCountAgainstTheIntsLeft) {
  ItemStream image;
  EXPECT_EQ(GVReadGeoListImageWith(&list, &image, readFakeImageRecord), 0);  // empty image

  image.intCount = 4;
  ASSERT_EQ(GVItemStreamAlloc(&image), kItemStreamOk);
  image.ints[0] = 3;
  image.ints[1] = 11;
  image.ints[2] = -1;  // unreadable: appended in its reset state
  image.ints[3] = 12;
  image.intCount = 0;
  add(1, "Old");
  EXPECT_EQ(GVReadGeoListImageWith(&list, &image, readFakeImageRecord), 1);
  EXPECT_EQ(ids(), (std::vector<int32_t>{11, 0, 12}));

  image.intCount = 0;
  image.ints[0] = 4;  // more records than ints left: refused, list kept
  EXPECT_EQ(GVReadGeoListImageWith(&list, &image, readFakeImageRecord), 0);
  EXPECT_EQ(ids(), (std::vector<int32_t>{11, 0, 12}));
  GVItemStreamReset(&image);
}

}  // namespace
