#include "scene/geo_id_blocks.h"

#include <gtest/gtest.h>

#include "scene/stream_file.h"

using scenetest::Bytes;
using scenetest::ReadFile;
using scenetest::WriteFile;

namespace {

Bytes BlocksFile(uint32_t declared, uint32_t present) {
  return WriteFile([&](FILE* f) {
    uint32_t n = declared;
    fwrite(&n, 4, 1, f);
    for (uint32_t i = 0; i < present; ++i) {
      int32_t words[16] = {int32_t(i + 1), 0, 0, 0};
      fwrite(words, 4, 16, f);
    }
  });
}

TEST(GeoIdBlocks, ReadWholeOrNotAtAll) {
  GeoIdBlockList list;
  GVInitGeoIdBlockList(&list);
  ASSERT_EQ(ReadFile(BlocksFile(3, 3), [&](FILE* f) { return GVReadGeoIdBlocks(f, &list); }), 1);
  ASSERT_EQ(list.count, 3);
  EXPECT_EQ(list.blocks[2]->geoIds[0], 3);
  const Bytes again = WriteFile([&](FILE* f) { GVWriteGeoIdBlocks(f, &list); });
  EXPECT_EQ(again, BlocksFile(3, 3));

  // Above ten slots, a count the file cannot hold, a block cut short: refused.
  for (const Bytes& bad : {BlocksFile(11, 11), BlocksFile(0xFFFFFFFFu, 1), BlocksFile(2, 1)}) {
    EXPECT_EQ(ReadFile(bad, [&](FILE* f) { return GVReadGeoIdBlocks(f, &list); }), 0);
    EXPECT_EQ(list.count, 3);
    EXPECT_EQ(list.blocks[0]->geoIds[0], 1);
  }
  GVDeleteGeoIdBlockList(&list);
}

}  // namespace
