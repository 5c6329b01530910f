#include "records/file_version.h"

#include <gtest/gtest.h>

namespace {

// Every case that changes the word puts 0 back, so this holds in any order.
TEST(FileVersion, ZeroAtStart) { EXPECT_EQ(GVGetFileVersion(), 0); }

TEST(FileVersion, HoldsWhatIsSet) {
  for (int32_t v : {4, -3, 0x7fffffff, 0}) {
    GVSetFileVersion(v);
    EXPECT_EQ(GVGetFileVersion(), v);
  }
}

}  // namespace
