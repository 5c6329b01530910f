#include "geo/uv_set_io.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "geo/uv_sets.h"
#include "records/binary_file.h"
#include "records/heap_string.h"
#include "records/item_stream.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes contents(FILE* f) {
  Bytes out;
  std::rewind(f);
  int c;
  while ((c = std::fgetc(f)) != EOF) out.push_back(static_cast<unsigned char>(c));
  std::rewind(f);
  return out;
}

FILE* fileWith(const Bytes& b) {
  FILE* f = std::tmpfile();
  if (!b.empty()) std::fwrite(b.data(), 1, b.size(), f);
  std::rewind(f);
  return f;
}

void sampleUVSets(UVSetArray* a) {
  GVNewUVSetArray(a, 3);
  GVSetString(&a->sets[0].name, "AllFaces");
  a->sets[0].uvCount = 3;
  a->sets[0].uvPairs = GVNewGeoArray<float[2]>(4);
  for (int i = 1; i <= 3; ++i) a->sets[0].uvPairs[i][0] = 0.25f * i;
  GVSetString(&a->sets[1].name, "MostFacesA");
  GVSetString(&a->sets[1].name2, "second");
  a->sets[1].uvCount = 2;
  a->sets[1].faceCount = 1;
  a->sets[1].setBits = 0x0102;
  a->sets[1].setWord = 7;
  a->sets[1].uvCorners = GVNewGeoArray<UVCorner>(3);
  a->sets[1].uvCorners[2] = {3, 0.5f, 0.75f};
  a->sets[1].uvFaces = GVNewGeoArray<UVFace>(2);
  a->sets[1].uvFaces[1] = {{1, 2, 2}};
  // Set 2 stays as made: empty names, no arrays.
}

void sampleMaterials(GeoMaterialArray* a) {
  GVNewGeoMaterialArray(a, 2);
  GeoMaterial& m = a->materials[1];
  GVSetString(&m.name, "skin");
  GVSetString(&m.textureFile, "skin.png");
  m.colourSetIndex = 2;
  m.colourSetRef = 1;
  m.uvSetIndex = 1;
  m.uvSetRef = 1;
  m.shininess = 18.2f;
  m.mode = GEO_MAT_TRANSPARENT;
  m.param5 = -1.5f;
  m.word18 = 3;
  m.layer = 1;
  m.word20 = 9;
  m.colourA = new GColour{1, 0.1f, 0.2f, 0.3f, 0.4f};
  m.colourC = new GColour{0, 1, 1, 1, 1};
}

void sampleColourSets(GeoColourSetArray* a) {
  GVNewColourSetArray(a, 2);
  GeoColourSet& s = a->sets[0];
  GVSetString(&s.name, "tint");
  s.entryCount = 2;
  s.vectorCount = 1;
  s.words[1] = 5;
  s.entries = GVNewGeoArray<GColour>(3);
  s.entries[2] = {4, 0.5f, 0.5f, 0.25f, 1.0f};
  s.vectors = GVNewGeoArray<int32_t[3]>(2);
  s.vectors[1][2] = 11;
}

}  // namespace

TEST(UVSetIO, FileRoundTripsOfEveryRecordAndForm) {
  for (int legacy = 0; legacy < 2; ++legacy) {
    UVSetArray uv{0, nullptr}, uvBack{0, nullptr};
    GeoMaterialArray mat{0, nullptr}, matBack{0, nullptr};
    GeoColourSetArray col{0, nullptr}, colBack{0, nullptr};
    sampleUVSets(&uv);
    sampleMaterials(&mat);
    sampleColourSets(&col);
    FILE* f = std::tmpfile();
    ASSERT_EQ(GVWriteUVSets(f, legacy, &uv), 1);
    ASSERT_EQ(GVWriteGeoMaterials(f, legacy, &mat), 1);
    ASSERT_EQ(GVWriteColourSets(f, legacy, &col), 1);
    const Bytes first = contents(f);
    ASSERT_EQ(GVReadUVSets(f, legacy, &uvBack), 1);
    ASSERT_EQ(GVReadGeoMaterials(f, legacy, &matBack), 1);
    ASSERT_EQ(GVReadColourSets(f, legacy, &colBack), 1);
    EXPECT_EQ(GVFileRemaining(f), 0);

    ASSERT_EQ(uvBack.count, 3);
    EXPECT_STREQ(uvBack.sets[1].name, "MostFacesA");
    EXPECT_STREQ(uvBack.sets[1].name2, "second");
    EXPECT_EQ(uvBack.sets[1].setBits, 0x0102u);
    EXPECT_EQ(uvBack.sets[1].uvCorners[2].vertex, 3);
    EXPECT_EQ(uvBack.sets[1].uvCorners[2].v, 0.75f);
    EXPECT_EQ(uvBack.sets[1].uvFaces[1].corner[1], 2);
    EXPECT_EQ(uvBack.sets[0].uvPairs[3][0], 0.75f);
    EXPECT_EQ(uvBack.sets[2].uvPairs, nullptr);
    ASSERT_EQ(matBack.count, 2);
    const GeoMaterial& m = matBack.materials[1];
    EXPECT_STREQ(m.textureFile, "skin.png");
    EXPECT_EQ(m.colourSetIndex, 2);
    EXPECT_EQ(m.uvSetRef, 1);
    EXPECT_EQ(m.mode, GEO_MAT_TRANSPARENT);
    EXPECT_EQ(m.param5, -1.5f);
    EXPECT_EQ(m.word20, 9);
    ASSERT_NE(m.colourA, nullptr);
    EXPECT_EQ(m.colourA->b, 0.3f);
    EXPECT_EQ(m.colourB, nullptr);
    ASSERT_EQ(colBack.count, 2);
    EXPECT_EQ(colBack.sets[0].entries[2].mode, 4);
    EXPECT_EQ(colBack.sets[0].vectors[1][2], 11);
    EXPECT_EQ(colBack.sets[0].words[1], 5);

    FILE* g = std::tmpfile();
    GVWriteUVSets(g, legacy, &uvBack);
    GVWriteGeoMaterials(g, legacy, &matBack);
    GVWriteColourSets(g, legacy, &colBack);
    EXPECT_EQ(contents(g), first) << "legacy " << legacy;
    std::fclose(f);
    std::fclose(g);
    for (UVSetArray* a : {&uv, &uvBack}) delete[] a->sets;
    for (GeoMaterialArray* a : {&mat, &matBack}) delete[] a->materials;
    for (GeoColourSetArray* a : {&col, &colBack}) delete[] a->sets;
  }
}

TEST(UVSetIO, LegacyBlocksHaveTheirFixedSizes) {
  UVSet s;
  GeoMaterial m;
  GeoColourSet c;
  struct {
    const char* what;
    int (*write)(FILE*, const void*);
    long size;
  } cases[] = {
      {"uv set", [](FILE* f, const void* p) { return GVWriteUVSet(f, 1, static_cast<const UVSet*>(p)); }, 540},
      {"material",
       [](FILE* f, const void* p) { return GVWriteGeoMaterial(f, 1, static_cast<const GeoMaterial*>(p)); },
       588 + 12},
      {"colour set",
       [](FILE* f, const void* p) { return GVWriteColourSet(f, 1, static_cast<const GeoColourSet*>(p)); },
       280},
  };
  const void* recs[] = {&s, &m, &c};
  for (int i = 0; i < 3; ++i) {
    FILE* f = std::tmpfile();
    ASSERT_EQ(cases[i].write(f, recs[i]), 1);
    EXPECT_EQ(std::ftell(f), cases[i].size) << cases[i].what;
    std::fclose(f);
  }
  // A long name is cut to fit its 256-byte field and still terminated.
  GVSetString(&s.name, std::string(300, 'x').c_str());
  FILE* f = std::tmpfile();
  GVWriteUVSet(f, 1, &s);
  std::rewind(f);
  UVSet back;
  ASSERT_EQ(GVReadUVSet(f, 1, &back), 1);
  EXPECT_EQ(std::string(back.name), std::string(255, 'x'));
  std::fclose(f);
}

TEST(UVSetIO, TooManySetsReadAsEmptyAndStayInStep) {
  UVSetArray many{0, nullptr};
  many.sets = new UVSet[21];
  many.count = 21;
  GVSetString(&many.sets[20].name, "last");
  many.sets[20].uvCount = 1;
  many.sets[20].uvPairs = GVNewGeoArray<float[2]>(2);
  for (int legacy = 0; legacy < 2; ++legacy) {
    FILE* f = std::tmpfile();
    ASSERT_EQ(GVWriteUVSets(f, legacy, &many), 1);
    GVFileWriteU32(f, 0xC0FFEEu);
    std::rewind(f);
    UVSetArray back{0, nullptr};
    ASSERT_EQ(GVReadUVSets(f, legacy, &back), 1);
    EXPECT_EQ(back.count, 0);
    EXPECT_EQ(back.sets, nullptr);
    uint32_t marker = 0;
    ASSERT_EQ(GVFileReadU32(f, &marker), 1);
    EXPECT_EQ(marker, 0xC0FFEEu);
    std::fclose(f);
  }
  delete[] many.sets;
}

TEST(UVSetIO, DamagedFilesAreRefusedOrRepaired) {
  auto u32 = [](Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>(v >> (8 * i)));
  };
  // One current-form set: empty names, then counts and present words.
  auto oneSet = [&](uint32_t uvCount, uint32_t faceCount, uint32_t pairs, uint32_t corners,
                    uint32_t faces) {
    Bytes b;
    u32(b, 1);
    u32(b, 1);
    u32(b, 0);
    u32(b, 0);
    for (uint32_t v : {uvCount, faceCount, 0u, 0u, pairs, corners, faces}) u32(b, v);
    return b;
  };
  struct {
    const char* what;
    Bytes bytes;
    int expected;
  } cases[] = {
      {"uv count beyond the file", oneSet(0x10000000, 0, 1, 0, 0), 0},
      {"negative uv count", oneSet(0xffffffff, 0, 1, 0, 0), 0},
      {"face count beyond the file", oneSet(1, 0x7fffffff, 0, 0, 1), 0},
      {"pairs cut short", [&] {
         Bytes b = oneSet(2, 0, 1, 0, 0);
         u32(b, 0);
         return b;
       }(), 0},
      {"container count beyond the file", [&] {
         Bytes b;
         u32(b, 20);
         u32(b, 1);
         return b;
       }(), 0},
      {"no sets present", [&] {
         Bytes b;
         u32(b, 5);
         u32(b, 0);
         return b;
       }(), 1},
  };
  for (auto& c : cases) {
    FILE* f = fileWith(c.bytes);
    UVSetArray a{0, nullptr};
    GVNewUVSetArray(&a, 2);
    EXPECT_EQ(GVReadUVSets(f, 0, &a), c.expected) << c.what;
    EXPECT_EQ(a.count, 0) << c.what;
    EXPECT_EQ(a.sets, nullptr) << c.what;
    std::fclose(f);
  }

  // Face words outside 0..uvCount are cleared; the read goes on.
  Bytes b = oneSet(2, 1, 0, 0, 1);
  for (uint32_t w : {1u, 3u, 0xffffffffu}) u32(b, w);
  FILE* f = fileWith(b);
  UVSetArray a{0, nullptr};
  ASSERT_EQ(GVReadUVSets(f, 0, &a), 1);
  ASSERT_EQ(a.count, 1);
  EXPECT_EQ(a.sets[0].uvFaces[1].corner[0], 1);
  EXPECT_EQ(a.sets[0].uvFaces[1].corner[1], 0);
  EXPECT_EQ(a.sets[0].uvFaces[1].corner[2], 0);
  delete[] a.sets;
  std::fclose(f);
}

TEST(UVSetIO, MaterialModeZeroAndBadColourSetIndexAreMended) {
  GeoMaterial m;
  m.mode = 0;
  m.colourSetIndex = 9;
  for (int legacy = 0; legacy < 2; ++legacy) {
    FILE* f = std::tmpfile();
    ASSERT_EQ(GVWriteGeoMaterial(f, legacy, &m), 1);
    std::rewind(f);
    GeoMaterial back;
    ASSERT_EQ(GVReadGeoMaterial(f, legacy, &back), 1);
    EXPECT_EQ(back.mode, GEO_MAT_OPAQUE);
    EXPECT_EQ(back.colourSetIndex, 0);
    std::fclose(f);
  }
}

TEST(UVSetIO, ImageRoundTripsAndChecks) {
  UVSetArray uv{0, nullptr};
  GeoMaterialArray mat{0, nullptr};
  GeoColourSetArray col{0, nullptr};
  sampleUVSets(&uv);
  sampleMaterials(&mat);
  sampleColourSets(&col);

  auto fill = [&](const UVSetArray* u, const GeoMaterialArray* m, const GeoColourSetArray* c,
                  ItemStream* s) {
    *s = ItemStream();
    GVCountColourSetsImage(s, c);
    GVCountUVSetsImage(s, u);
    GVCountGeoMaterialsImage(s, m);
    ASSERT_EQ(GVItemStreamAlloc(s), kItemStreamOk);
    s->byteCount = s->intCount = s->floatCount = s->itemCount = 0;
    ASSERT_EQ(GVPutColourSetsImage(s, c), 1);
    ASSERT_EQ(GVPutUVSetsImage(s, u), 1);
    ASSERT_EQ(GVPutGeoMaterialsImage(s, m), 1);
    EXPECT_EQ(s->intCount, s->intSize);
    EXPECT_EQ(s->floatCount, s->floatSize);
    EXPECT_EQ(s->byteCount, s->byteSize);
  };
  ItemStream first;
  fill(&uv, &mat, &col, &first);

  UVSetArray uvBack{0, nullptr};
  GeoMaterialArray matBack{0, nullptr};
  GeoColourSetArray colBack{0, nullptr};
  ItemStream reader = first;
  reader.byteCount = reader.intCount = reader.floatCount = reader.itemCount = 0;
  ASSERT_EQ(GVReadColourSetsImage(&reader, &colBack), 1);
  ASSERT_EQ(GVReadUVSetsImage(&reader, &uvBack), 1);
  ASSERT_EQ(GVReadGeoMaterialsImage(&reader, &matBack), 1);
  EXPECT_EQ(reader.intCount, first.intSize);
  EXPECT_EQ(reader.floatCount, first.floatSize);
  EXPECT_EQ(uvBack.sets[1].uvCorners[2].u, 0.5f);
  EXPECT_STREQ(matBack.materials[1].name, "skin");
  EXPECT_STREQ(uvBack.sets[2].name, "");

  ItemStream second;
  fill(&uvBack, &matBack, &colBack, &second);
  ASSERT_EQ(second.intSize, first.intSize);
  ASSERT_EQ(second.floatSize, first.floatSize);
  ASSERT_EQ(second.byteSize, first.byteSize);
  EXPECT_TRUE(std::equal(first.ints, first.ints + first.intSize, second.ints));
  EXPECT_TRUE(std::equal(first.floats, first.floats + first.floatSize, second.floats));
  EXPECT_TRUE(std::equal(first.bytes, first.bytes + first.byteSize, second.bytes));

  // A stream cut short anywhere is refused and leaves the container empty.
  for (uint32_t cut = 0; cut < first.intSize; cut += 3) {
    ItemStream s = first;
    s.byteCount = s.intCount = s.floatCount = s.itemCount = 0;
    s.intSize = cut;
    GeoColourSetArray c{0, nullptr};
    UVSetArray u{0, nullptr};
    GeoMaterialArray m{0, nullptr};
    const int ok = GVReadColourSetsImage(&s, &c) && GVReadUVSetsImage(&s, &u) &&
                   GVReadGeoMaterialsImage(&s, &m);
    EXPECT_EQ(ok, 0) << cut;
    delete[] c.sets;
    delete[] u.sets;
    delete[] m.materials;
  }

  GVItemStreamReset(&first);
  GVItemStreamReset(&second);
  for (UVSetArray* a : {&uv, &uvBack}) delete[] a->sets;
  for (GeoMaterialArray* a : {&mat, &matBack}) delete[] a->materials;
  for (GeoColourSetArray* a : {&col, &colBack}) delete[] a->sets;
}
