#include "geo/geo_record_io.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "geo/geo_attach.h"
#include "geo/geo_fixtures.h"
#include "geo/geo_list.h"
#include "geo/geo_materials.h"
#include "geo/geo_transform.h"
#include "geo/key_frames.h"
#include "geo/uv_sets.h"
#include "records/heap_string.h"
#include "records/item_stream.h"

namespace {

using Bytes = std::vector<unsigned char>;
using geotest::makeGeo;

Bytes FileBytes(FILE* f) {
  Bytes b;
  std::fflush(f);
  const long end = std::ftell(f);
  std::rewind(f);
  b.resize(static_cast<size_t>(end));
  if (end > 0) {
    EXPECT_EQ(std::fread(b.data(), 1, b.size(), f), b.size());
  }
  return b;
}

FILE* FileOf(const Bytes& b) {
  FILE* f = std::tmpfile();
  if (!b.empty()) std::fwrite(b.data(), 1, b.size(), f);
  std::rewind(f);
  return f;
}

Bytes Write(const GObject* g) {
  FILE* f = std::tmpfile();
  EXPECT_EQ(GVWriteGeo(f, g), 1);
  Bytes b = FileBytes(f);
  std::fclose(f);
  return b;
}

// Reads a record from bytes into a new Geo; the result through *ok.
std::unique_ptr<GObject> Read(const Bytes& b, int* ok) {
  auto g = std::make_unique<GObject>();
  FILE* f = FileOf(b);
  *ok = GVReadGeo(f, g.get());
  std::fclose(f);
  return g;
}

// A Geo that carries something in every part of the record.
std::unique_ptr<GObject> RichGeo() {
  std::unique_ptr<GObject> g(makeGeo(7, "Rich", {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 2}, {2, 2, 1}},
                                     {{1, 2, 3}, {1, 3, 4}}, {{1, 2, 3, 5}}));
  g->jelId = 3;
  g->flags = 0x8 | 0x100;
  g->meshMode = 5;
  g->groupMask = 0x6;
  g->extraWord = 11;
  g->slotScale = 0.25f;
  g->materialType = 2;
  GVSetColour(&g->colourB, 2, 0.1f, 0.2f, 0.3f, 0.4f);
  GVSetColour(&g->colourC, 3, 0.5f, 0.6f, 0.7f, 0.8f);
  g->surfaceParam = 1.5f;
  for (int k = 0; k < 4; ++k) g->surfaceFloats[k] = 0.5f * k;
  for (int k = 0; k < 3; ++k) g->surfaceInts[k] = 10 + k;
  for (int k = 0; k < 3; ++k) g->slotTail[k] = 9.0f - k;
  for (int s = 0; s < GEO_SLOT_COUNT; ++s)
    for (int k = 0; k < 3; ++k) {
      g->xform[s].position[k] = float(s * 3 + k);
      g->xform[s].scale[k] = 1.0f + 0.5f * s;
    }
  for (int32_t i = 1; i <= g->vertexCount; ++i) {
    g->vertBinds[i] = GeoVertBind{3, i, 0.1f * i, 0.2f, 0.3f};
    g->vertexFlags[i] |= 0x40;
  }
  g->vertexFlags2 = GVNewGeoArray<int32_t>(g->vertexCount + 1);
  for (int32_t i = 1; i <= g->vertexCount; ++i) g->vertexFlags2[i] = GEO_VERTEX_BOUND;
  g->vertexFlags2[2] |= 0x10;
  g->vertexExtras = GVNewGeoArray<GColour>(g->vertexCount + 1);
  GVSetColour(&g->vertexExtras[4], 1, 0.25f, 0.5f, 0.75f, 1.0f);

  g->colourSets = new GeoColourSetArray{0, nullptr};
  GVNewColourSetArray(g->colourSets, 1);
  GVSetString(&g->colourSets->sets[0].name, "tint");
  EXPECT_EQ(GVNewGeoUVSets(g.get(), 2), 0);
  EXPECT_EQ(GVAddAllFacesUVSet(g.get()), 0);
  g->uvSets->sets[0].uvPairs[3][0] = 0.75f;
  EXPECT_EQ(GVAddMostFacesAUVSet(g.get(), 1, 2), 0);
  GVEnsureGeoMaterials(g.get());
  GVSetString(&g->matFile, "stone.material");
  GVSetString(&g->matName2, "Stone/Wet");
  GVSetString(&g->matScript, "stone.program");

  g->attach = new GeoAttach{};
  GVAttachSet(g->attach, GEO_ATTACH_JEL0_TO_GEOZ, 3, 0, 0, 9, 2, 0);
  g->attach->floatWords[5] = 6.5f;
  g->attach->intWords[1] = -4;
  KeyFrame* k = GVKeyTrackFindOrInsert(g->keyTrack, 10);
  k->translation[0] = 4.0f;
  GVKeyTrackFindOrInsert(g->keyTrack, 20)->scale[2] = 2.0f;
  GVKeyTrackRebuild(g->keyTrack);

  g->cellBind = new GeoCellBind{};
  g->cellBind->jelId = 3;
  g->cellBind->part = 2;
  g->cellBind->nx = 4;
  g->cellBind->nodes = GVNewGeoArray<int32_t>(4);
  g->cellBind->nodes[0] = 3;
  g->cellBind->nodes[1] = 5;
  g->cellBind->nodes[3] = 8;
  g->cellBind2 = new GeoCellBind{};
  g->cellBind2->jelId = 5;
  g->cellBind2->status = 1;
  return g;
}

TEST(GeoRecordFile, VersionFiveWriteReadWriteIsByteIdentical) {
  auto g = RichGeo();
  const Bytes first = Write(g.get());
  int ok = 0;
  auto back = Read(first, &ok);
  ASSERT_EQ(ok, 1);
  const Bytes second = Write(back.get());
  ASSERT_EQ(second.size(), first.size());
  for (size_t i = 0; i < first.size(); ++i) ASSERT_EQ(second[i], first[i]) << "byte " << i;

  // What the read Geo holds.
  EXPECT_STREQ(back->name, "Rich");
  EXPECT_EQ(back->id, 7);
  EXPECT_EQ(back->vertexCount, 5);
  EXPECT_EQ(back->triangleCount, 2);
  EXPECT_EQ(back->quadCount, 1);
  EXPECT_EQ(back->triangles[2][2], 4);
  EXPECT_EQ(back->quads[1][3], 5);
  EXPECT_EQ(back->colourC.mode, 3);
  EXPECT_FLOAT_EQ(back->surfaceParam, 1.5f);
  EXPECT_FLOAT_EQ(back->slotTail[2], 7.0f);
  EXPECT_FLOAT_EQ(back->xform[GEO_SLOT_FRAME2].position[1], 13.0f);
  EXPECT_EQ(back->vertBinds[4].cellNode, 4);
  EXPECT_EQ(back->vertexFlags2[2], 0x12);
  EXPECT_EQ(back->vertexExtras[4].mode, 1);
  ASSERT_NE(back->uvSets, nullptr);
  ASSERT_EQ(back->uvSets->count, 2);
  EXPECT_STREQ(back->uvSets->sets[0].name, "AllFaces");
  EXPECT_FLOAT_EQ(back->uvSets->sets[0].uvPairs[3][0], 0.75f);
  ASSERT_NE(back->materials, nullptr);
  EXPECT_EQ(back->materials->materials[0].uvSet, &back->uvSets->sets[0]);
  EXPECT_STREQ(back->matName2, "Stone/Wet");
  ASSERT_NE(back->attach, nullptr);
  EXPECT_EQ(back->attach->geoZ, 9);
  EXPECT_FLOAT_EQ(back->attach->floatWords[5], 6.5f);
  EXPECT_EQ(GVKeyTrackKeyCount(back->keyTrack), 2);
  ASSERT_NE(back->cellBind, nullptr);
  ASSERT_NE(back->cellBind->nodes, nullptr);
  EXPECT_EQ(back->cellBind->nodes[0], 3);
  EXPECT_EQ(back->cellBind->nodes[3], 8);
  EXPECT_EQ(back->cellBind->jel, nullptr);
  ASSERT_NE(back->cellBind2, nullptr);
  EXPECT_EQ(back->cellBind2->nodes, nullptr);
  EXPECT_EQ(back->cellBind2->status, 1);
  // Placed by its start slot.
  EXPECT_FLOAT_EQ(back->vertices[2][0], 1.0f * 1.0f + 0.0f);
  EXPECT_NE(back->broadPhase, nullptr);
}

TEST(GeoRecordFile, EveryVertexFlagReadGetsTheBoundBit) {
  auto g = RichGeo();
  for (int32_t i = 1; i <= g->vertexCount; ++i) g->vertexFlags[i] = 0x100;
  int ok = 0;
  auto back = Read(Write(g.get()), &ok);
  ASSERT_EQ(ok, 1);
  EXPECT_EQ(back->vertexFlags[0], 0);
  for (int32_t i = 1; i <= back->vertexCount; ++i) EXPECT_EQ(back->vertexFlags[i], 0x102);
}

TEST(GeoRecordFile, UVCornersNamingMissingVerticesAreCleared) {
  auto g = RichGeo();
  UVSet& set = g->uvSets->sets[1];
  ASSERT_NE(set.uvCorners, nullptr);
  set.uvCorners[1].vertex = 99;
  set.uvCorners[2].vertex = 4;
  int ok = 0;
  auto back = Read(Write(g.get()), &ok);
  ASSERT_EQ(ok, 1);
  EXPECT_EQ(back->uvSets->sets[1].uvCorners[1].vertex, 0);
  EXPECT_EQ(back->uvSets->sets[1].uvCorners[2].vertex, 4);
}

TEST(GeoRecordFile, EveryCutOfARecordIsRefusedAndLeavesTheGeoReset) {
  auto g = RichGeo();
  const Bytes full = Write(g.get());
  for (size_t n = 0; n < full.size(); n += (n < 700 ? 1 : 7)) {
    const Bytes cut(full.begin(), full.begin() + static_cast<long>(n));
    int ok = -1;
    auto back = Read(cut, &ok);
    ASSERT_EQ(ok, 0) << "cut at " << n;
    EXPECT_STREQ(back->name, "no name");
    EXPECT_EQ(back->vertexCount, 0);
    EXPECT_EQ(back->vertices, nullptr);
    EXPECT_EQ(back->attach, nullptr);
  }
}

void Put32(Bytes& b, size_t off, uint32_t v) {
  if (b.size() < off + 4) b.resize(off + 4);
  for (int k = 0; k < 4; ++k) b[off + k] = static_cast<unsigned char>(v >> (8 * k));
}
void PutF(Bytes& b, size_t off, float f) {
  uint32_t w;
  std::memcpy(&w, &f, 4);
  Put32(b, off, w);
}
void Append32(Bytes& b, uint32_t v) { Put32(b, b.size(), v); }
void AppendF(Bytes& b, float f) { PutF(b, b.size(), f); }

// Offsets in the version-5 record: header 8, name length 4 + 4 ("Rich").
const size_t kV5Block = 16;

TEST(GeoRecordFile, DamagedCountsAndIndicesAreRefused) {
  auto g = RichGeo();
  const Bytes good = Write(g.get());
  struct Case {
    const char* what;
    size_t offset;
    uint32_t value;
  };
  const size_t vertsEnd = kV5Block + 548 + 5 * 12;
  const size_t trisAt = vertsEnd + 4 + 5 * 20;
  const Case cases[] = {
      {"vertex count negative", kV5Block + 44, 0xffffffffu},
      {"vertex count the largest int", kV5Block + 44, 0x7fffffffu},
      {"vertex count beyond the file", kV5Block + 44, 100000000u},
      {"triangle count beyond the file", kV5Block + 48, 50000000u},
      {"quad count negative", kV5Block + 52, 0x80000000u},
      {"pair count beyond the file", kV5Block + 56, 90000000u},
      {"bind count above the vertex count", vertsEnd, 6},
      {"triangle corner 0", trisAt, 0},
      {"triangle corner above the vertex count", trisAt + 4, 6},
      {"name length beyond the file", 8, 0x7fffffffu},
      {"version above 5", 4, 6},
  };
  for (const Case& c : cases) {
    Bytes bad = good;
    Put32(bad, c.offset, c.value);
    int ok = -1;
    auto back = Read(bad, &ok);
    EXPECT_EQ(ok, 0) << c.what;
    EXPECT_STREQ(back->name, "no name") << c.what;
    EXPECT_EQ(back->triangles, nullptr) << c.what;
  }
  // Version 0 reads as an empty record.
  Bytes zero(8, 0);
  int ok = -1;
  auto back = Read(zero, &ok);
  EXPECT_EQ(ok, 1);
  EXPECT_STREQ(back->name, "no name");
}

// The body of a legacy record for a one-triangle mesh.
void AppendLegacyBody(Bytes& b, uint32_t version, bool withFlags) {
  const float verts[3][3] = {{0, 0, 0}, {2, 0, 0}, {0, 1, 0}};
  for (const auto& v : verts)
    for (float x : v) AppendF(b, x);
  Append32(b, 0);  // binds
  for (uint32_t i : {1u, 2u, 3u}) Append32(b, i);
  for (int k = 0; k < 4; ++k) Append32(b, 0);
  Append32(b, withFlags ? 3 : 0);
  for (int i = 0; withFlags && i < 3; ++i) Append32(b, 0x40);
  if (version >= 3) {
    Append32(b, 0);  // second flags
    for (int k = 0; k < 4; ++k) Append32(b, 0);  // extras, colour sets, UV sets, materials
  }
  if (version >= 4) Append32(b, 0);  // attachment
  if (version >= 3) Append32(b, 0);  // key track
  if (version >= 2) Append32(b, 0);
}

void PutName(Bytes& b, size_t off, const char* name) {
  if (b.size() < off + 20) b.resize(off + 20);
  std::memcpy(&b[off], name, std::strlen(name));
}

void PutSlots(Bytes& b, size_t off, bool withScale) {
  for (int s = 0; s < 5; ++s) {
    for (int k = 0; k < 3; ++k, off += 4) PutF(b, off, float(10 * s + k));
    for (int k = 0; k < 9; ++k, off += 4) PutF(b, off, (k % 4 == 0) ? 1.0f : 0.0f);
    for (int k = 0; withScale && k < 3; ++k, off += 4) PutF(b, off, 2.0f);
  }
}

Bytes LegacyRecord(uint32_t version, uint32_t flags = 0) {
  Bytes b;
  Put32(b, 0, 0);
  Put32(b, 4, version);
  const size_t f = 8;
  if (version == 1) {
    b.resize(f + 304);
    PutName(b, f, "Old");
    Put32(b, f + 20, 4);     // id
    Put32(b, f + 24, 2);     // group mask
    Put32(b, f + 32, flags);
    Put32(b, f + 40, 3);     // vertices
    Put32(b, f + 44, 1);     // triangles
    PutF(b, f + 56, 0.5f);   // face size
    PutSlots(b, f + 64, false);
  } else if (version == 2) {
    b.resize(f + 492);
    PutName(b, f + 16, "Old");
    Put32(b, f + 36, 4);
    Put32(b, f + 48, flags);
    Put32(b, f + 60, 2);
    Put32(b, f + 64, 3);
    Put32(b, f + 68, 1);
    PutSlots(b, f + 108, true);
  } else {
    b.resize(f + 596);
    PutName(b, f + 16, "Old");
    Put32(b, f + 36, 4);
    Put32(b, f + 40, 6);  // Jel id
    Put32(b, f + 48, flags);
    Put32(b, f + 64, 3);
    Put32(b, f + 68, 1);
    Put32(b, f + 104, 2);  // part of the first cell binding
    Put32(b, f + 108, 8);  // Jel and part of the second
    Put32(b, f + 112, 5);
    Put32(b, f + 116, 1);
    Put32(b, f + 140, 7);  // colour B mode
    PutF(b, f + 180, 3.5f);
    PutSlots(b, f + 212, true);
  }
  AppendLegacyBody(b, version, true);
  return b;
}

TEST(GeoRecordFile, OlderVersionsReadWithTheirDefaults) {
  for (uint32_t version : {1u, 2u, 3u, 4u}) {
    int ok = 0;
    auto g = Read(LegacyRecord(version), &ok);
    ASSERT_EQ(ok, 1) << "version " << version;
    EXPECT_STREQ(g->name, "Old");
    EXPECT_EQ(g->id, 4);
    EXPECT_EQ(g->vertexCount, 3);
    EXPECT_EQ(g->triangles[1][1], 2);
    EXPECT_EQ(g->vertexFlags[3], 0x42);
    ASSERT_NE(g->keyTrack, nullptr);
    EXPECT_EQ(GVKeyTrackKeyCount(g->keyTrack), 0);
    if (version <= 2) {
      EXPECT_FLOAT_EQ(g->surfaceParam, 6.0f);
      EXPECT_EQ(g->colourA.mode, 0);
      EXPECT_FLOAT_EQ(g->colourA.a, 1.0f);
      EXPECT_EQ(g->uvSets, nullptr);
      EXPECT_EQ(g->materials, nullptr);
      // No keys, no attachment, no binding: start and frame slots take the
      // birth slot.
      EXPECT_FLOAT_EQ(g->xform[GEO_SLOT_START].position[0], 10.0f);
      EXPECT_FLOAT_EQ(g->xform[GEO_SLOT_FRAME].position[1], 11.0f);
      EXPECT_FLOAT_EQ(g->xform[GEO_SLOT_FRAME].scale[2], version == 1 ? 1.0f : 2.0f);
    } else {
      EXPECT_FLOAT_EQ(g->surfaceParam, 3.5f);
      EXPECT_EQ(g->colourB.mode, 7);
      ASSERT_NE(g->uvSets, nullptr);
      ASSERT_EQ(g->uvSets->count, 1);
      EXPECT_STREQ(g->uvSets->sets[0].name, "AllFaces_00");
      EXPECT_FLOAT_EQ(g->uvSets->sets[0].uvPairs[2][0], 1.0f);  // x spans 0..2
      EXPECT_FLOAT_EQ(g->xform[GEO_SLOT_START].position[0], 0.0f);
      EXPECT_FLOAT_EQ(g->xform[GEO_SLOT_FRAME].position[0], 30.0f);
    }
    if (version == 1) {
      EXPECT_FLOAT_EQ(g->xform[GEO_SLOT_BIRTH].scale[0], 1.0f);
    }
  }
}

TEST(GeoRecordFile, LegacyFixUpKeepsBoundOrAttachedGeos) {
  int ok = 0;
  auto bound = Read(LegacyRecord(2, GEO_FLAG_VERTEX_BINDING), &ok);
  ASSERT_EQ(ok, 1);
  EXPECT_FLOAT_EQ(bound->xform[GEO_SLOT_START].position[0], 0.0f);
  EXPECT_FLOAT_EQ(bound->xform[GEO_SLOT_FRAME].position[0], 30.0f);

  auto g = Read(LegacyRecord(2), &ok);
  GVSetGeoTransformPos(std::vector<float>{5, 5, 5}.data(), GEO_SEL_START, g.get());
  g->attach = new GeoAttach{};
  g->attach->type = GEO_ATTACH_GEO0;
  GVFixLegacyGeo(g.get());
  EXPECT_FLOAT_EQ(g->xform[GEO_SLOT_START].position[0], 5.0f);
  g->attach->type = 0;
  GVKeyTrackFindOrInsert(g->keyTrack, 3);
  GVFixLegacyGeo(g.get());
  EXPECT_FLOAT_EQ(g->xform[GEO_SLOT_START].position[0], 5.0f);
}

TEST(GeoRecordFile, CellBindingsOfVersionsThreeAndFour) {
  int ok = 0;
  auto g = Read(LegacyRecord(3, GEO_FLAG_CELL_BINDING | GEO_FLAG_CELL_BINDING2), &ok);
  ASSERT_EQ(ok, 1);
  ASSERT_NE(g->cellBind, nullptr);
  EXPECT_EQ(g->cellBind->jelId, 6);
  EXPECT_EQ(g->cellBind->part, 2);
  ASSERT_NE(g->cellBind2, nullptr);
  EXPECT_EQ(g->cellBind2->jelId, 8);
  EXPECT_EQ(g->cellBind2->part, 5);
  auto none = Read(LegacyRecord(4), &ok);
  ASSERT_EQ(ok, 1);
  EXPECT_EQ(none->cellBind, nullptr);
  EXPECT_EQ(none->cellBind2, nullptr);
}

// --- images ---------------------------------------------------------------------

struct Image {
  ItemStream s;
  ~Image() { GVItemStreamReset(&s); }
};

void PutImage(Image& img, const GObject* g) {
  GVCountGeoImage(&img.s, g);
  ASSERT_EQ(GVItemStreamAlloc(&img.s), kItemStreamOk);
  const ItemStream counted = img.s;
  img.s.byteCount = img.s.intCount = img.s.floatCount = img.s.itemCount = 0;
  ASSERT_EQ(GVPutGeoImage(&img.s, g), 1);
  EXPECT_EQ(img.s.intCount, counted.intCount);
  EXPECT_EQ(img.s.floatCount, counted.floatCount);
  EXPECT_EQ(img.s.byteCount, counted.byteCount);
  EXPECT_EQ(img.s.itemCount, counted.itemCount);
}

void Rewind(ItemStream* s) { s->byteCount = s->intCount = s->floatCount = s->itemCount = 0; }

bool SameArrays(const ItemStream& a, const ItemStream& b) {
  return a.intSize == b.intSize && a.floatSize == b.floatSize && a.byteSize == b.byteSize &&
         a.itemSize == b.itemSize && std::memcmp(a.ints, b.ints, 4 * a.intSize) == 0 &&
         std::memcmp(a.floats, b.floats, 4 * a.floatSize) == 0 &&
         (a.byteSize == 0 || std::memcmp(a.bytes, b.bytes, a.byteSize) == 0) &&
         (a.itemSize == 0 || std::memcmp(a.items, b.items, 8 * a.itemSize) == 0);
}

TEST(GeoRecordImage, PutReadPutIsIdenticalAndKeepsEveryField) {
  auto g = RichGeo();
  Image first;
  PutImage(first, g.get());
  Rewind(&first.s);
  GObject back;
  ASSERT_EQ(GVReadGeoImage(&back, &first.s), 1);
  EXPECT_EQ(first.s.intCount, first.s.intSize);
  EXPECT_EQ(first.s.floatCount, first.s.floatSize);
  Image second;
  PutImage(second, &back);
  EXPECT_TRUE(SameArrays(first.s, second.s));

  // The fields an image keeps although nothing here uses them.
  EXPECT_EQ(back.colourB.mode, 2);
  EXPECT_FLOAT_EQ(back.colourC.b, 0.7f);
  EXPECT_FLOAT_EQ(back.surfaceParam, 1.5f);
  EXPECT_EQ(back.surfaceInts[2], 12);
  EXPECT_FLOAT_EQ(back.slotTail[0], 9.0f);
  EXPECT_STREQ(back.matScript, "stone.program");
  EXPECT_EQ(back.vertexFlags[0], 0);
  EXPECT_EQ(back.triangles[0][0], 0);
  EXPECT_EQ(back.cellBind->nodes[0], 3);
  EXPECT_EQ(back.cellBind2->nodes, nullptr);
  EXPECT_EQ(back.attach->type, GEO_ATTACH_JEL0_TO_GEOZ);
}

TEST(GeoRecordImage, EveryShortIntArrayIsRefused) {
  auto g = RichGeo();
  Image img;
  PutImage(img, g.get());
  const uint32_t ints = img.s.intSize;
  for (uint32_t n = 0; n < ints; ++n) {
    Rewind(&img.s);
    img.s.intSize = n;
    GObject back;
    ASSERT_EQ(GVReadGeoImage(&back, &img.s), 0) << "ints cut at " << n;
    EXPECT_STREQ(back.name, "no name");
    EXPECT_EQ(back.vertices, nullptr);
  }
  img.s.intSize = ints;
}

TEST(GeoRecordImage, DamagedCountsAreRefused) {
  auto g = RichGeo();
  Image img;
  PutImage(img, g.get());
  // Ints: 2 lead, name length, id, jelId, flags, meshMode, groupMask, then
  // the vertex count at 8.
  struct Case {
    const char* what;
    uint32_t at;
    int32_t value;
  };
  const Case cases[] = {{"vertex count negative", 8, -1}, {"vertex count too large", 8, 1 << 29},
                        {"triangle count negative", 9, -3}};
  for (const Case& c : cases) {
    Image bad;
    PutImage(bad, g.get());
    bad.s.ints[c.at] = c.value;
    Rewind(&bad.s);
    GObject back;
    EXPECT_EQ(GVReadGeoImage(&back, &bad.s), 0) << c.what;
  }
  ItemStream empty;
  GObject back;
  EXPECT_EQ(GVReadGeoImage(&back, &empty), 0);  // no arrays
}

TEST(GeoRecordImage, CellBindImageOwnsACountedTable) {
  Image img;
  const int32_t words[] = {4, 2, 1, 3, 3, 3, 0, 2, 99, 5, 6};
  img.s.intCount = sizeof words / sizeof words[0];
  ASSERT_EQ(GVItemStreamAlloc(&img.s), kItemStreamOk);
  std::memcpy(img.s.ints, words, sizeof words);
  Rewind(&img.s);
  GeoCellBind b{};
  ASSERT_EQ(GVReadCellBindImage(&img.s, &b), 1);
  EXPECT_EQ(b.jelId, 4);
  EXPECT_EQ(b.status, 0);
  ASSERT_NE(b.nodes, nullptr);
  EXPECT_EQ(b.nodes[0], 2);  // the count, whatever the entry held
  EXPECT_EQ(b.nodes[2], 6);
  delete[] b.nodes;

  Rewind(&img.s);
  img.s.ints[7] = 1000;  // more nodes than the image holds
  GeoCellBind c{};
  c.part = 9;
  EXPECT_EQ(GVReadCellBindImage(&img.s, &c), 0);
  EXPECT_EQ(c.part, 9);
}

// --- list blocks ------------------------------------------------------------------

TEST(GeoRecordList, FileAndImageBlocksRoundTrip) {
  GeoList list;
  GVInitGeoList(&list);
  GVAddGeo(&list, RichGeo().release());
  GObject* plain = makeGeo(8, "Plain", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{1, 2, 3}});
  // With a UV set of its own it reads back as written (without, it would
  // gain the projected set).
  GVNewGeoUVSets(plain, 1);
  GVAddAllFacesUVSet(plain);
  GVAddGeo(&list, plain);

  FILE* f = std::tmpfile();
  ASSERT_EQ(GVWriteGeoList(&list, f), 1);
  const Bytes block = FileBytes(f);
  std::rewind(f);
  GeoList read;
  GVInitGeoList(&read);
  ASSERT_EQ(GVReadGeoList(&read, f, nullptr), 1);
  std::fclose(f);
  ASSERT_NE(read.head, nullptr);
  EXPECT_EQ(read.head->id, 7);
  ASSERT_NE(read.head->next, nullptr);
  EXPECT_STREQ(read.head->next->name, "Plain");
  FILE* g = std::tmpfile();
  GVWriteGeoList(&read, g);
  EXPECT_EQ(FileBytes(g), block);
  std::fclose(g);

  Image img;
  GVCountGeoListImage(&img.s, &list);
  ASSERT_EQ(GVItemStreamAlloc(&img.s), kItemStreamOk);
  Rewind(&img.s);
  ASSERT_EQ(GVPutGeoListImage(&img.s, &list), 1);
  Rewind(&img.s);
  GeoList fromImage;
  GVInitGeoList(&fromImage);
  ASSERT_EQ(GVReadGeoListImage(&fromImage, &img.s, nullptr), 1);
  ASSERT_NE(fromImage.head, nullptr);
  EXPECT_EQ(fromImage.head->next->id, 8);

  GObject viaCtor;
  FILE* one = FileOf(Write(list.head));
  EXPECT_EQ(viaCtor.constructFromFile(one), 1);
  EXPECT_EQ(viaCtor.id, 7);
  std::fclose(one);

  GVClearGeoList(&list);
  GVClearGeoList(&read);
  GVClearGeoList(&fromImage);
}

}  // namespace
