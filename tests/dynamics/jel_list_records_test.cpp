// The world's Jel-list readers over real Jel records: every Jel of a list block
// comes back in order, and a block with one damaged record leaves the world's
// Jels as they were.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "block_lattice.h"
#include "dynamics/world.h"
#include "dynamics/world_services.h"
#include "jel/jel_object.h"
#include "jel/jel_record_io.h"
#include "records/binary_file.h"
#include "records/file_version.h"
#include "records/heap_string.h"
#include "records/item_stream.h"

namespace {

using Bytes = std::vector<unsigned char>;

std::unique_ptr<HObject> namedJel(int id, const char* name, int nx) {
  auto jel = makeBlockJel(nx, 2, 2, 0.5f, nullptr, id);
  GVSetString(&jel->name, name);
  return jel;
}

std::vector<std::string> Names(const HWorld& w) {
  std::vector<std::string> names;
  for (const HObject* j = w.head; j; j = j->next) names.push_back(j->name ? j->name : "");
  return names;
}

// A list block: u32 count, then the records; the last one cut to keep bytes.
FILE* listFile(const std::vector<const HObject*>& jels, long cutLast = 0) {
  FILE* f = std::tmpfile();
  GVFileWriteU32(f, static_cast<uint32_t>(jels.size()));
  for (const HObject* j : jels) EXPECT_EQ(j->write(f), 1);
  const long end = std::ftell(f) - cutLast;
  Bytes bytes(static_cast<size_t>(end));
  std::rewind(f);
  EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), f), bytes.size());
  std::fclose(f);
  FILE* cut = std::tmpfile();
  std::fwrite(bytes.data(), 1, bytes.size(), cut);
  std::rewind(cut);
  return cut;
}

class JelListRecordsTest : public testing::Test {
 protected:
  void SetUp() override {
    saved_ = GVWorldServices();
    savedVersion_ = GVGetFileVersion();
    GVSetFileVersion(4);
    WorldServices s;
    s.jelFromFile = &HObject::HObjectFromFile;
    s.jelFromImage = &HObject::HObjectFromArrays;
    GVSetWorldServices(s);
    GVAddJel(&world, namedJel(1, "Kept", 2).release());
    GVAddJel(&world, namedJel(2, "AlsoKept", 3).release());
  }
  void TearDown() override {
    GVSetWorldServices(saved_);
    GVSetFileVersion(savedVersion_);
  }

  HWorld world;
  std::unique_ptr<HObject> a = namedJel(4, "Box", 3);
  std::unique_ptr<HObject> b = namedJel(5, "Ball", 2);

 private:
  WorldServices saved_;
  int32_t savedVersion_ = 0;
};

TEST_F(JelListRecordsTest, FileListReplacesTheJelsInOrder) {
  FILE* f = listFile({a.get(), b.get()});
  ASSERT_EQ(GVReadJelList(&world, f), 1);
  std::fclose(f);
  EXPECT_EQ(Names(world), (std::vector<std::string>{"Box", "Ball"}));
  for (const HObject* j = world.head; j; j = j->next) EXPECT_NE(j->state, nullptr);
}

TEST_F(JelListRecordsTest, DamagedFileListKeepsTheWorld) {
  for (long cut : {1L, 40L, 400L}) {
    SCOPED_TRACE(cut);
    FILE* f = listFile({a.get(), b.get()}, cut);
    EXPECT_EQ(GVReadJelList(&world, f), 0);
    std::fclose(f);
    EXPECT_EQ(Names(world), (std::vector<std::string>{"Kept", "AlsoKept"}));
  }
}

TEST_F(JelListRecordsTest, ImageListRoundTripsAndDamageKeepsTheWorld) {
  ItemStream s;
  s.intCount = 1;
  a->countArrays(&s);
  b->countArrays(&s);
  ASSERT_EQ(GVItemStreamAlloc(&s), kItemStreamOk);
  s.intCount = s.floatCount = s.byteCount = 0;
  s.ints[s.intCount++] = 2;
  ASSERT_EQ(a->writeArrays(&s), 1);
  ASSERT_EQ(b->writeArrays(&s), 1);

  // The second image loses its last float: refused, the world as it was.
  s.intCount = s.floatCount = s.byteCount = 0;
  s.floatSize -= 1;
  EXPECT_EQ(GVReadJelListImage(&world, &s), 0);
  EXPECT_EQ(Names(world), (std::vector<std::string>{"Kept", "AlsoKept"}));

  s.floatSize += 1;
  s.intCount = s.floatCount = s.byteCount = 0;
  ASSERT_EQ(GVReadJelListImage(&world, &s), 1);
  EXPECT_EQ(Names(world), (std::vector<std::string>{"Box", "Ball"}));
  EXPECT_EQ(s.intCount, s.intSize);
  EXPECT_EQ(s.floatCount, s.floatSize);
  GVItemStreamReset(&s);
}

// The list writers mirror the readers: a world written and read back into
// another world writes again to the same bytes and the same image.
TEST_F(JelListRecordsTest, WrittenListsReadBackAndWriteAlike) {
  HWorld source;
  GVAddJel(&source, a.release());
  GVAddJel(&source, b.release());

  FILE* f = std::tmpfile();
  ASSERT_EQ(GVWriteJelList(&source, f), 1);
  const long size = std::ftell(f);
  std::rewind(f);
  ASSERT_EQ(GVReadJelList(&world, f), 1);
  std::fclose(f);
  EXPECT_EQ(Names(world), (std::vector<std::string>{"Box", "Ball"}));
  FILE* again = std::tmpfile();
  ASSERT_EQ(GVWriteJelList(&world, again), 1);
  EXPECT_EQ(std::ftell(again), size);
  std::fclose(again);

  auto image = [](const HWorld& w, ItemStream* s) {
    GVCountJelListImage(&w, s);
    ASSERT_EQ(GVItemStreamAlloc(s), kItemStreamOk);
    s->byteCount = s->intCount = s->floatCount = s->itemCount = 0;
    ASSERT_EQ(GVPutJelListImage(&w, s), 1);
  };
  ItemStream first, second;
  image(source, &first);
  first.byteCount = first.intCount = first.floatCount = first.itemCount = 0;
  HWorld copy;
  ASSERT_EQ(GVReadJelListImage(&copy, &first), 1);
  image(copy, &second);
  ASSERT_EQ(second.intCount, first.intCount);
  ASSERT_EQ(second.floatCount, first.floatCount);
  ASSERT_EQ(second.byteCount, first.byteCount);
  for (uint32_t i = 0; i < first.intCount; ++i) EXPECT_EQ(first.ints[i], second.ints[i]) << i;
  for (uint32_t i = 0; i < first.floatCount; ++i)
    EXPECT_EQ(std::memcmp(&first.floats[i], &second.floats[i], 4), 0) << i;
  GVItemStreamReset(&first);
  GVItemStreamReset(&second);

  // An empty world writes just its count.
  HWorld empty;
  FILE* e = std::tmpfile();
  ASSERT_EQ(GVWriteJelList(&empty, e), 1);
  EXPECT_EQ(std::ftell(e), 4);
  std::fclose(e);
}

}  // namespace
