#include "records/item_stream.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using Bytes = std::vector<unsigned char>;

// Writes the container to an in-memory file and returns the bytes.
Bytes WriteToBytes(const ItemStream& s, int* result) {
  char* buf = nullptr;
  size_t len = 0;
  FILE* f = open_memstream(&buf, &len);
  *result = GVItemStreamWrite(&s, f);
  std::fclose(f);
  Bytes out(buf, buf + len);
  std::free(buf);
  return out;
}

int ReadFromBytes(ItemStream* s, const Bytes& bytes) {
  // fmemopen refuses a zero-size buffer; give it one spare byte it never sees.
  Bytes copy = bytes;
  copy.push_back(0);
  FILE* f = fmemopen(copy.data(), bytes.size() ? bytes.size() : 1, "rb");
  if (bytes.empty()) std::fgetc(f);
  int r = GVItemStreamRead(s, f);
  std::fclose(f);
  return r;
}

void PutU32(Bytes* b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b->push_back(static_cast<unsigned char>(v >> (8 * i)));
}

Bytes Header(uint32_t nb, uint32_t ni, uint32_t nf, uint32_t nd) {
  Bytes b;
  PutU32(&b, nb);
  PutU32(&b, ni);
  PutU32(&b, nf);
  PutU32(&b, nd);
  return b;
}

// A container filled the way writers fill it: count, allocate, zero, fill.
ItemStream Filled(const std::string& text, const std::vector<int32_t>& ints, const std::vector<float>& floats,
                  const std::vector<double>& items) {
  ItemStream s;
  s.byteCount = static_cast<uint32_t>(text.size());
  s.intCount = static_cast<uint32_t>(ints.size());
  s.floatCount = static_cast<uint32_t>(floats.size());
  s.itemCount = static_cast<uint32_t>(items.size());
  EXPECT_EQ(GVItemStreamAlloc(&s), kItemStreamOk);
  s.byteCount = s.intCount = s.floatCount = s.itemCount = 0;
  for (char c : text) s.bytes[s.byteCount++] = static_cast<uint8_t>(c);
  for (int32_t v : ints) s.ints[s.intCount++] = v;
  for (float v : floats) s.floats[s.floatCount++] = v;
  for (double v : items) s.items[s.itemCount++] = v;
  return s;
}

TEST(ItemStream, EmptyContainerIsSixteenBytesAndReadsBackEmpty) {
  ItemStream s;
  int r;
  Bytes b = WriteToBytes(s, &r);
  EXPECT_EQ(r, kItemStreamOk);
  EXPECT_EQ(b, Bytes(16, 0));

  ItemStream back = Filled("x", {1}, {}, {});
  EXPECT_EQ(ReadFromBytes(&back, b), kItemStreamOk);
  EXPECT_EQ(back.byteCount + back.intCount + back.floatCount + back.itemCount, 0u);
  EXPECT_EQ(back.bytes, nullptr);
  EXPECT_EQ(back.ints, nullptr);
  EXPECT_EQ(back.floats, nullptr);
  EXPECT_EQ(back.items, nullptr);
}

TEST(ItemStream, ArraysFollowEachOtherUnaligned) {
  ItemStream s = Filled("abc", {0x04030201, -2}, {1.5f}, {-0.25});
  int r;
  Bytes b = WriteToBytes(s, &r);
  ASSERT_EQ(r, kItemStreamOk);
  ASSERT_EQ(b.size(), 16u + 3 + 8 + 4 + 8);
  Bytes head = Header(3, 2, 1, 1);
  EXPECT_TRUE(std::equal(head.begin(), head.end(), b.begin()));
  EXPECT_EQ(std::string(b.begin() + 16, b.begin() + 19), "abc");
  // The ints start at offset 19, little-endian.
  EXPECT_EQ(b[19], 1);
  EXPECT_EQ(b[20], 2);
  EXPECT_EQ(b[21], 3);
  EXPECT_EQ(b[22], 4);
  EXPECT_EQ(b[23], 0xfe);
  EXPECT_EQ(b[26], 0xff);
  // Float 1.5 is 0x3fc00000.
  EXPECT_EQ(b[27 + 3], 0x3f);
  EXPECT_EQ(b[27 + 2], 0xc0);
  // Double -0.25 is 0xbfd0000000000000.
  EXPECT_EQ(b[31 + 7], 0xbf);
  EXPECT_EQ(b[31 + 6], 0xd0);
  GVItemStreamReset(&s);
}

TEST(ItemStream, WriteReadWriteIsByteIdentical) {
  std::vector<int32_t> ints;
  std::vector<float> floats;
  std::vector<double> items;
  std::string text;
  for (int i = 0; i < 300; ++i) {
    ints.push_back(i * 7919 - 100000);
    floats.push_back(i * 0.37f - 5);
    if (i % 3 == 0) items.push_back(i / 7.0);
    text.push_back(static_cast<char>(i));
  }
  struct Shape {
    bool t, i, f, d;
  } shapes[] = {{1, 1, 1, 1}, {0, 1, 0, 0}, {1, 0, 0, 0}, {0, 0, 1, 1}, {0, 0, 0, 1}};
  for (const Shape& sh : shapes) {
    ItemStream s = Filled(sh.t ? text : "", sh.i ? ints : std::vector<int32_t>{}, sh.f ? floats : std::vector<float>{},
                          sh.d ? items : std::vector<double>{});
    int r;
    Bytes first = WriteToBytes(s, &r);
    ASSERT_EQ(r, kItemStreamOk);
    ItemStream back;
    ASSERT_EQ(ReadFromBytes(&back, first), kItemStreamOk);
    EXPECT_EQ(back.intCount, s.intCount);
    EXPECT_EQ(back.intSize, s.intCount);
    if (sh.i) {
      EXPECT_EQ(back.ints[299], ints[299]);
    }
    if (!sh.t) {
      EXPECT_EQ(back.bytes, nullptr);
    }
    Bytes second = WriteToBytes(back, &r);
    ASSERT_EQ(r, kItemStreamOk);
    EXPECT_EQ(first, second);
    GVItemStreamReset(&s);
    GVItemStreamReset(&back);
  }
}

TEST(ItemStream, ReadStopsAtTheContainerEnd) {
  ItemStream s = Filled("hi", {5}, {}, {});
  int r;
  Bytes b = WriteToBytes(s, &r);
  GVItemStreamReset(&s);
  b.push_back(0x77);  // whatever follows the container is left in the file
  Bytes copy = b;
  FILE* f = fmemopen(copy.data(), copy.size(), "rb");
  ItemStream back;
  EXPECT_EQ(GVItemStreamRead(&back, f), kItemStreamOk);
  EXPECT_EQ(std::fgetc(f), 0x77);
  std::fclose(f);
  GVItemStreamReset(&back);
}

TEST(ItemStream, ReaderRefusesDamagedFiles) {
  Bytes good;
  {
    ItemStream s = Filled("abcd", {1, 2, 3}, {0.5f, 0.25f}, {2.0});
    int r;
    good = WriteToBytes(s, &r);
    GVItemStreamReset(&s);
  }
  auto withHeader = [&](Bytes head) {
    head.insert(head.end(), good.begin() + 16, good.end());
    return head;
  };
  struct Case {
    const char* what;
    Bytes file;
    int want;
  } cases[] = {
      {"empty file", Bytes{}, kItemStreamHeaderNotRead},
      {"half a header", Bytes(good.begin(), good.begin() + 9), kItemStreamHeaderNotRead},
      {"header only", Bytes(good.begin(), good.begin() + 16), kItemStreamBadCounts},
      {"cut in the bytes", Bytes(good.begin(), good.begin() + 18), kItemStreamBadCounts},
      {"cut in the last item", Bytes(good.begin(), good.end() - 1), kItemStreamBadCounts},
      {"byte count too large", withHeader(Header(5, 3, 2, 1)), kItemStreamBadCounts},
      {"int count too large", withHeader(Header(4, 4, 2, 1)), kItemStreamBadCounts},
      {"count of all ones", withHeader(Header(0xffffffffu, 0, 0, 0)), kItemStreamBadCounts},
      {"ints whose bytes wrap 32 bits", withHeader(Header(0, 0x40000001u, 0, 0)), kItemStreamBadCounts},
      {"items whose bytes wrap 32 bits", withHeader(Header(0, 0, 0, 0x20000001u)), kItemStreamBadCounts},
      {"sum beyond 2 GiB", withHeader(Header(0x7fffffffu, 0x7fffffffu, 0x7fffffffu, 0x7fffffffu)),
       kItemStreamBadCounts},
  };
  for (const Case& c : cases) {
    ItemStream s = Filled("old", {9}, {}, {});
    EXPECT_EQ(ReadFromBytes(&s, c.file), c.want) << c.what;
    // Refused: left reset, nothing held (LeakSanitizer checks the old arrays went).
    EXPECT_EQ(s.bytes, nullptr) << c.what;
    EXPECT_EQ(s.ints, nullptr) << c.what;
    EXPECT_EQ(s.byteCount + s.intCount + s.floatCount + s.itemCount, 0u) << c.what;
  }
}

TEST(ItemStream, TruncationFoundWhenTheFileCannotSeek) {
  // Through a pipe the size is unknown up front; the short read refuses it.
  Bytes head = Header(2, 1, 0, 0);
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  head.push_back('a');
  head.push_back('b');
  head.push_back(1);  // only one of the int's four bytes
  ASSERT_EQ(write(fds[1], head.data(), head.size()), ssize_t(head.size()));
  close(fds[1]);
  FILE* f = fdopen(fds[0], "rb");
  ItemStream s;
  EXPECT_EQ(GVItemStreamRead(&s, f), kItemStreamTruncated);
  EXPECT_EQ(s.bytes, nullptr);
  std::fclose(f);
}

TEST(ItemStream, NoFileTouchesNothing) {
  ItemStream s = Filled("ab", {1, 2}, {}, {});
  EXPECT_EQ(GVItemStreamRead(&s, nullptr), kItemStreamNoFile);
  EXPECT_EQ(s.byteCount, 2u);
  EXPECT_NE(s.bytes, nullptr);
  EXPECT_EQ(GVItemStreamWrite(&s, nullptr), kItemStreamNoFile);
  GVItemStreamReset(&s);
}

TEST(ItemStream, WriterRefusesCursorsPastTheArrays) {
  ItemStream s = Filled("ab", {1, 2}, {}, {});
  s.intCount = 3;  // a filling pass that put more than its counting pass allowed
  int r;
  Bytes b = WriteToBytes(s, &r);
  EXPECT_EQ(r, kItemStreamBadCounts);
  EXPECT_TRUE(b.empty());
  s.intCount = 2;
  s.floatCount = 1;  // a count without an array
  b = WriteToBytes(s, &r);
  EXPECT_EQ(r, kItemStreamBadCounts);
  GVItemStreamReset(&s);
}

TEST(ItemStream, AllocKeepsArraysOfZeroCountAndSizesTheRest) {
  ItemStream s;
  s.intCount = 4;
  ASSERT_EQ(GVItemStreamAlloc(&s), kItemStreamOk);
  int32_t* ints = s.ints;
  EXPECT_EQ(s.intSize, 4u);
  EXPECT_EQ(ints[4], 0);  // count + 1 entries, zeroed
  EXPECT_EQ(s.bytes, nullptr);
  s.intCount = 0;
  s.byteCount = 2;
  ASSERT_EQ(GVItemStreamAlloc(&s), kItemStreamOk);
  EXPECT_EQ(s.ints, ints);
  EXPECT_EQ(s.byteSize, 2u);
  GVItemStreamReset(&s);
  EXPECT_EQ(s.ints, nullptr);
  EXPECT_EQ(s.intSize, 0u);
}

TEST(ItemStream, FreeArraysLeavesCountsAlone) {
  ItemStream s = Filled("ab", {1}, {2}, {3});
  GVItemStreamFreeArrays(&s);
  EXPECT_EQ(s.byteCount, 2u);
  EXPECT_EQ(s.itemCount, 1u);
}

TEST(ItemStream, TakesStopAtTheArrayEnds) {
  ItemStream s = Filled("", {10, 20}, {1.5f}, {2.5});
  s.intCount = s.floatCount = s.itemCount = 0;
  int32_t i = 0;
  float f = 0;
  double d = 0;
  EXPECT_EQ(GVItemStreamTakeInt(&s, &i), 1);
  EXPECT_EQ(GVItemStreamTakeInt(&s, &i), 1);
  EXPECT_EQ(i, 20);
  EXPECT_EQ(GVItemStreamTakeInt(&s, &i), 0);
  EXPECT_EQ(i, 20);
  EXPECT_EQ(s.intCount, 2u);
  EXPECT_EQ(GVItemStreamTakeFloat(&s, &f), 1);
  EXPECT_EQ(GVItemStreamTakeFloat(&s, &f), 0);
  EXPECT_EQ(f, 1.5f);
  EXPECT_EQ(GVItemStreamTakeItem(&s, &d), 1);
  EXPECT_EQ(GVItemStreamTakeItem(&s, &d), 0);
  EXPECT_EQ(d, 2.5);
  s.intCount = 0;
  EXPECT_EQ(GVItemStreamHasRoom(&s, 0, 2, 0, 0), 1);
  EXPECT_EQ(GVItemStreamHasRoom(&s, 0, 3, 0, 0), 0);
  EXPECT_EQ(GVItemStreamHasRoom(&s, 1, 0, 0, 0), 0);  // no byte array
  EXPECT_EQ(GVItemStreamHasRoom(&s, 0, 0, 0, 0), 1);
  GVItemStreamReset(&s);
}

}  // namespace
