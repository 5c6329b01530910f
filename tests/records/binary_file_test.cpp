#include "records/binary_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

std::vector<unsigned char> contents(FILE* f) {
  std::rewind(f);
  std::vector<unsigned char> out;
  int c;
  while ((c = std::fgetc(f)) != EOF) out.push_back((unsigned char)c);
  return out;
}

TEST(BinaryFile, ValuesAreLittleEndianAndRoundTrip) {
  FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(GVFileWriteU32(f, 0x04030201u));
  EXPECT_TRUE(GVFileWriteI32(f, -2));
  EXPECT_TRUE(GVFileWriteF32(f, 1.0f));
  EXPECT_TRUE(GVFileWriteF64(f, -0.5));
  std::vector<unsigned char> bytes = contents(f);
  ASSERT_EQ(bytes.size(), 20u);
  EXPECT_EQ(bytes[0], 1);
  EXPECT_EQ(bytes[3], 4);
  EXPECT_EQ(bytes[4], 0xfe);
  EXPECT_EQ(bytes[7], 0xff);
  EXPECT_EQ(bytes[11], 0x3f);  // 1.0f = 0x3f800000
  EXPECT_EQ(bytes[19], 0xbf);  // -0.5 = 0xbfe0000000000000

  std::rewind(f);
  uint32_t u = 0;
  int32_t i = 0;
  float x = 0;
  double d = 0;
  EXPECT_TRUE(GVFileReadU32(f, &u));
  EXPECT_TRUE(GVFileReadI32(f, &i));
  EXPECT_TRUE(GVFileReadF32(f, &x));
  EXPECT_TRUE(GVFileReadF64(f, &d));
  EXPECT_EQ(u, 0x04030201u);
  EXPECT_EQ(i, -2);
  EXPECT_EQ(x, 1.0f);
  EXPECT_EQ(d, -0.5);
  std::fclose(f);
}

TEST(BinaryFile, ShortReadsFailAndLeaveTheOutputAlone) {
  FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  GVFileWriteBytes(f, "\x01\x02\x03", 3);
  std::rewind(f);
  EXPECT_EQ(GVFileRemaining(f), 3);
  uint32_t u = 77;
  EXPECT_FALSE(GVFileReadU32(f, &u));
  EXPECT_EQ(u, 77u);
  std::rewind(f);
  EXPECT_TRUE(GVFileSkip(f, 2));
  EXPECT_EQ(GVFileRemaining(f), 1);
  EXPECT_FALSE(GVFileSkip(f, 2));
  std::fclose(f);
  EXPECT_FALSE(GVFileReadU32(nullptr, &u));
  EXPECT_EQ(GVFileRemaining(nullptr), -1);
}

}  // namespace
