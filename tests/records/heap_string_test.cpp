#include "records/heap_string.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

#include "records/item_stream.h"

namespace {

// A heap-string field that frees itself, so every case is leak-checked.
struct Field {
  char* s = nullptr;
  ~Field() { GVFreeString(&s); }
};

TEST(HeapString, SetCopyAndFree) {
  Field f;
  EXPECT_EQ(GVSetString(&f.s, "Jel one"), &f.s);
  EXPECT_STREQ(f.s, "Jel one");
  GVSetString(&f.s, nullptr);
  EXPECT_EQ(f.s, nullptr);
  GVSetString2(&f.s, "");
  ASSERT_NE(f.s, nullptr);
  EXPECT_STREQ(f.s, "");

  Field g;
  GVCopyString(&g.s, f.s);
  EXPECT_NE(g.s, f.s);  // a copy, not a share
  EXPECT_STREQ(g.s, "");
  GVCopyString(&g.s, nullptr);
  EXPECT_EQ(g.s, nullptr);

  // Copying a field onto itself keeps the text.
  GVSetString(&f.s, "self");
  GVSetString(&f.s, f.s);
  EXPECT_STREQ(f.s, "self");
  GVFreeString(&f.s);
  EXPECT_EQ(f.s, nullptr);
  GVFreeString(nullptr);
}

TEST(HeapString, CopiesCarryEveryCharacter) {
  std::string all;
  for (int c = 1; c < 256; ++c) all.push_back(static_cast<char>(c));
  Field f;
  GVSetString(&f.s, all.c_str());
  EXPECT_EQ(std::string(f.s), all);
  EXPECT_EQ(GVStrLen(f.s), 255);
  EXPECT_EQ(GVStrLen(nullptr), 0);
}

TEST(HeapString, AppendAndConcat) {
  Field name, out;
  GVAppendString(&name.s, "Box", &out.s);
  EXPECT_STREQ(name.s, "Box");
  EXPECT_STREQ(out.s, "Box");
  EXPECT_NE(name.s, out.s);
  GVAppendXXXMark(&name.s, &out.s);
  EXPECT_STREQ(name.s, "Box (XXX)");
  EXPECT_STREQ(out.s, "Box (XXX)");
  GVAppendString(&name.s, nullptr, &out.s);
  EXPECT_STREQ(name.s, "Box (XXX)");
  EXPECT_STREQ(out.s, "Box (XXX)");

  Field absent;
  GVAppendString(&absent.s, nullptr, &out.s);
  EXPECT_EQ(absent.s, nullptr);
  EXPECT_EQ(out.s, nullptr);

  GVConcatString("abc", ".gvs", &out.s);
  EXPECT_STREQ(out.s, "abc.gvs");
  GVConcatString(nullptr, ".gvs", &out.s);
  EXPECT_STREQ(out.s, ".gvs");
  GVConcatString("abc", nullptr, &out.s);
  EXPECT_STREQ(out.s, "abc");
  // The out-string may be the text itself.
  GVConcatString(out.s, "d", &out.s);
  EXPECT_STREQ(out.s, "abcd");
}

TEST(HeapString, DropTail) {
  Field f;
  GVSetString(&f.s, "abc.gvs");
  EXPECT_EQ(GVStringDropTail(&f.s, 4), 1);
  EXPECT_STREQ(f.s, "abc");
  GVSetString(&f.s, "abcd");
  EXPECT_EQ(GVStringDropTail(&f.s, 4), 0);
  EXPECT_STREQ(f.s, "abcd");
  EXPECT_EQ(GVStringDropTail(&f.s, -1), 0);
  Field absent;
  EXPECT_EQ(GVStringDropTail(&absent.s, 0), 0);
}

TEST(HeapString, NameTests) {
  EXPECT_EQ(GVNameEquals(nullptr, nullptr), 1);
  EXPECT_EQ(GVNameEquals("a", nullptr), 0);
  EXPECT_EQ(GVNameEquals(nullptr, "a"), 0);
  EXPECT_EQ(GVNameEquals("Car", "Car"), 1);
  EXPECT_EQ(GVNameEquals("Car", "car"), 0);
  EXPECT_EQ(GVNameEquals("", ""), 1);
  EXPECT_EQ(GVNameIsNotMap1("map1"), 0);
  EXPECT_EQ(GVNameIsNotMap1("Map1"), 1);
  EXPECT_EQ(GVNameIsNotMap1("map10"), 1);
  EXPECT_EQ(GVNameIsNotMap1(nullptr), 1);
}

TEST(HeapString, CleanName) {
  struct Case {
    const char* in;
    const char* out;  // null: not checked (result -1 on a null name)
    int result;
  } cases[] = {
      {"  Car 2", "Car", 1},
      {"2car_x", "car_x", 0},
      {"a b", "a", 1},
      {"   ", "", -1},
      {"", "", -1},
      {"_-9", "", 0},
      {"Jel_2-b", "Jel_2-b", 1},
      {"G\xe9o", "Go", 0},
      {"x.y", "xy", 0},
      {" \tTab", "Tab", 0},  // only the space counts as a blank
  };
  for (const Case& c : cases) {
    std::vector<char> buf(c.in, c.in + std::strlen(c.in) + 1);
    EXPECT_EQ(GVCleanName(buf.data()), c.result) << '"' << c.in << '"';
    EXPECT_STREQ(buf.data(), c.out) << '"' << c.in << '"';
  }
  EXPECT_EQ(GVCleanName(nullptr), -1);
}

TEST(HeapString, CleanNameIsIdempotentAndKeepsOnlyNameCharacters) {
  std::srand(11);
  const char alphabet[] = " aZ09_-.#\x80";
  for (int n = 0; n < 500; ++n) {
    char buf[16];
    const int len = std::rand() % 15;
    for (int i = 0; i < len; ++i) buf[i] = alphabet[std::rand() % (sizeof alphabet - 1)];
    buf[len] = '\0';
    if (GVCleanName(buf) < 0) continue;
    if (buf[0]) {
      EXPECT_TRUE((buf[0] >= 'a' && buf[0] <= 'z') || (buf[0] >= 'A' && buf[0] <= 'Z')) << buf;
    }
    for (const char* p = buf; *p; ++p) EXPECT_TRUE(std::strchr("aZ09_-", *p)) << buf;
    std::string once = buf;
    if (!once.empty()) {
      EXPECT_EQ(GVCleanName(buf), 1) << once;
      EXPECT_EQ(once, buf);
    }
  }
}

TEST(StreamString, PutThenGetBothWays) {
  int32_t ints[4] = {};
  uint8_t bytes[4] = {};
  uint32_t ii = 0, bi = 0;
  GVStreamPutString(ints, bytes, &ii, &bi, "Ab");
  GVStreamPutString(ints, bytes, &ii, &bi, nullptr);
  EXPECT_EQ(ii, 2u);
  EXPECT_EQ(bi, 2u);
  EXPECT_EQ(ints[0], 2);
  EXPECT_EQ(ints[1], 0);
  EXPECT_EQ(bytes[0], 'A');
  EXPECT_EQ(bytes[1], 'b');

  Field a, b;
  GVSetString(&b.s, "old");
  ii = bi = 0;
  GVStreamGetNewString(ints, bytes, &ii, &bi, &a.s);
  GVStreamGetNewString(ints, bytes, &ii, &bi, &b.s);
  EXPECT_STREQ(a.s, "Ab");
  EXPECT_EQ(b.s, nullptr);
  EXPECT_EQ(ii, 2u);
  EXPECT_EQ(bi, 2u);

  char buf1[8] = "zzzzzzz", buf2[8] = "zzzzzzz";
  ii = bi = 0;
  GVStreamGetString(ints, bytes, &ii, &bi, buf1, sizeof buf1);
  GVStreamGetString(ints, bytes, &ii, &bi, buf2, sizeof buf2);
  EXPECT_STREQ(buf1, "Ab");
  EXPECT_STREQ(buf2, "");
  EXPECT_EQ(bi, 2u);
}

TEST(StreamString, MissingArraysMoveNothing) {
  int32_t ints[2] = {7, 7};
  uint8_t bytes[2] = {};
  uint32_t ii = 0, bi = 0;
  GVStreamPutString(ints, nullptr, &ii, &bi, "x");
  GVStreamPutString(nullptr, bytes, &ii, &bi, nullptr);
  GVStreamPutHeapString(ints, nullptr, &ii, &bi, nullptr);
  EXPECT_EQ(ii, 0u);
  EXPECT_EQ(ints[0], 7);
  // An absent string needs only the int array.
  GVStreamPutString(ints, nullptr, &ii, &bi, nullptr);
  EXPECT_EQ(ii, 1u);
  EXPECT_EQ(ints[0], 0);
  // The heap-string carrier wants both.
  ii = 0;
  GVStreamPutHeapString(ints, bytes, &ii, &bi, nullptr);
  EXPECT_EQ(ii, 1u);

  Field f;
  GVSetString(&f.s, "kept");
  ii = 0;
  GVStreamGetNewString(ints, nullptr, &ii, &bi, &f.s);
  EXPECT_STREQ(f.s, "kept");
  EXPECT_EQ(ii, 0u);
}

TEST(StreamString, LongTextIsCutToTheBufferAndTheParseStaysInStep) {
  int32_t ints[2] = {};
  uint8_t bytes[64] = {};
  uint32_t ii = 0, bi = 0;
  GVStreamPutString(ints, bytes, &ii, &bi, "A light with a long name");
  GVStreamPutString(ints, bytes, &ii, &bi, "next");
  char name[20];
  char next[20];
  ii = bi = 0;
  GVStreamGetString(ints, bytes, &ii, &bi, name, sizeof name);
  GVStreamGetString(ints, bytes, &ii, &bi, next, sizeof next);
  EXPECT_STREQ(name, "A light with a long");  // 19 characters and the terminator
  EXPECT_STREQ(next, "next");
}

TEST(StreamString, NegativeLengthReadsAsNothing) {
  const int32_t ints[2] = {-5, 1};
  const uint8_t bytes[1] = {'q'};
  uint32_t ii = 0, bi = 0;
  Field f;
  GVSetString(&f.s, "old");
  GVStreamGetNewString(ints, bytes, &ii, &bi, &f.s);
  EXPECT_EQ(f.s, nullptr);
  EXPECT_EQ(bi, 0u);
  GVStreamGetNewString(ints, bytes, &ii, &bi, &f.s);
  EXPECT_STREQ(f.s, "q");
}

TEST(StreamString, ContainerFormCountsPutsAndRefusesOverruns) {
  const char* texts[] = {"Geo1", nullptr, "", "a longer text"};
  ItemStream s;
  for (const char* t : texts) GVStreamCountString(&s, t);
  EXPECT_EQ(s.intCount, 4u);
  EXPECT_EQ(s.byteCount, 17u);
  ASSERT_EQ(GVItemStreamAlloc(&s), kItemStreamOk);
  s.intCount = s.byteCount = 0;
  for (const char* t : texts) EXPECT_EQ(GVItemStreamPutString(&s, t), 1);
  EXPECT_EQ(GVItemStreamPutString(&s, "x"), 0);  // the counting pass did not allow it
  EXPECT_EQ(s.intCount, 4u);

  s.intCount = s.byteCount = 0;
  Field got[4];
  for (Field& g : got) EXPECT_EQ(GVItemStreamGetNewString(&s, &g.s), 1);
  EXPECT_STREQ(got[0].s, "Geo1");
  EXPECT_EQ(got[1].s, nullptr);
  EXPECT_EQ(got[2].s, nullptr);  // the stream carries empty as absent
  EXPECT_STREQ(got[3].s, "a longer text");
  Field more;
  EXPECT_EQ(GVItemStreamGetNewString(&s, &more.s), 0);

  // A length that runs past the byte array is refused without moving.
  s.intCount = 0;
  s.byteCount = 5;
  s.ints[0] = 13;
  Field f;
  GVSetString(&f.s, "kept");
  EXPECT_EQ(GVItemStreamGetNewString(&s, &f.s), 0);
  EXPECT_STREQ(f.s, "kept");
  EXPECT_EQ(s.intCount, 0u);
  EXPECT_EQ(s.byteCount, 5u);
  char buf[8] = "same";
  EXPECT_EQ(GVItemStreamGetString(&s, buf, sizeof buf), 0);
  EXPECT_STREQ(buf, "same");
  s.byteCount = 4;
  EXPECT_EQ(GVItemStreamGetString(&s, buf, sizeof buf), 1);
  EXPECT_STREQ(buf, "a longe");
  EXPECT_EQ(s.byteCount, 17u);
  GVItemStreamReset(&s);
}

TEST(StreamString, ContainerWithoutBytesStillCarriesAbsentStrings) {
  ItemStream s;
  s.intCount = 1;
  ASSERT_EQ(GVItemStreamAlloc(&s), kItemStreamOk);
  s.intCount = 0;
  EXPECT_EQ(GVItemStreamPutString(&s, nullptr), 1);
  EXPECT_EQ(GVItemStreamPutString(&s, "x"), 0);
  s.intCount = 0;
  Field f;
  GVSetString(&f.s, "old");
  EXPECT_EQ(GVItemStreamGetNewString(&s, &f.s), 1);
  EXPECT_EQ(f.s, nullptr);
  GVItemStreamReset(&s);
}

std::vector<unsigned char> FileBytes(const std::vector<const char*>& texts) {
  char* buf = nullptr;
  size_t len = 0;
  FILE* f = open_memstream(&buf, &len);
  for (const char* t : texts) EXPECT_EQ(GVWriteString(f, t), 1);
  std::fclose(f);
  std::vector<unsigned char> out(buf, buf + len);
  std::free(buf);
  return out;
}

TEST(FileString, WriteThenReadAndEmptyIsNotAbsent) {
  std::vector<unsigned char> bytes = FileBytes({"Scene notes", "", nullptr});
  ASSERT_EQ(bytes.size(), 4u + 11 + 4 + 4);
  EXPECT_EQ(bytes[0], 11);
  FILE* f = fmemopen(bytes.data(), bytes.size(), "rb");
  Field a, b, c, d;
  EXPECT_EQ(GVReadString(f, &a.s), 1);
  EXPECT_EQ(GVReadString(f, &b.s), 1);
  EXPECT_EQ(GVReadString(f, &c.s), 1);
  EXPECT_STREQ(a.s, "Scene notes");
  ASSERT_NE(b.s, nullptr);
  EXPECT_STREQ(b.s, "");
  ASSERT_NE(c.s, nullptr);  // an absent string comes back empty
  GVSetString(&d.s, "old");
  EXPECT_EQ(GVReadString(f, &d.s), 0);  // end of file
  EXPECT_EQ(d.s, nullptr);
  std::fclose(f);

  GVSetString(&d.s, "kept");
  EXPECT_EQ(GVReadString(nullptr, &d.s), 0);
  EXPECT_STREQ(d.s, "kept");
  EXPECT_EQ(GVWriteString(nullptr, "x"), 0);
}

TEST(FileString, ShortFilesAreRefused) {
  struct Case {
    const char* what;
    std::vector<unsigned char> file;
  } cases[] = {
      {"length cut", {5, 0}},
      {"text cut", {5, 0, 0, 0, 'a', 'b'}},
      {"length of 4 GiB", {0xff, 0xff, 0xff, 0xff, 'a'}},
  };
  for (Case& c : cases) {
    FILE* f = fmemopen(c.file.data(), c.file.size(), "rb");
    Field s;
    GVSetString(&s.s, "old");
    EXPECT_EQ(GVReadString(f, &s.s), 0) << c.what;
    EXPECT_EQ(s.s, nullptr) << c.what;
    std::fclose(f);
  }
}

TEST(FileString, ShortPipeIsRefusedWithoutTrustingTheLength) {
  // A pipe cannot tell its size: the text is read as it arrives.
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const unsigned char data[] = {0x00, 0x00, 0x00, 0x40, 'a', 'b', 'c'};  // claims 1 GiB
  ASSERT_EQ(write(fds[1], data, sizeof data), ssize_t(sizeof data));
  close(fds[1]);
  FILE* f = fdopen(fds[0], "rb");
  Field s;
  EXPECT_EQ(GVReadString(f, &s.s), 0);
  EXPECT_EQ(s.s, nullptr);
  std::fclose(f);
}

}  // namespace
