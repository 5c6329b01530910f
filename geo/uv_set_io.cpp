#include "geo/uv_set_io.h"

#include <cstring>

#include "geo/record_codec.h"
#include "geo/uv_sets.h"
#include "records/binary_file.h"
#include "records/heap_string.h"
#include "records/item_stream.h"

// Each record layout below is written once, as a walk over its fields that a
// codec either reads or writes, so the reader and the writer cannot drift
// apart. A codec stops touching values after its first failure.

namespace {

constexpr size_t kLegacyNameBytes = 256;
// A count no 32-bit scene could have held.
constexpr int64_t kMaxEntries = 0x3fffffff;

struct FileCodec : FileCodecCore {
  using FileCodecCore::FileCodecCore;
  // Names are never absent in memory, even after a failed read.
  void str(char*& s) {
    FileCodecCore::str(s);
    if (!ok && !out && !s) GVSetString(&s, "");
  }
  // A zero-terminated text in a fixed block; a longer text is cut to fit.
  void fixedStr(char*& s) {
    if (!ok) return;
    char buf[kLegacyNameBytes] = {};
    if (out) {
      if (s) std::strncpy(buf, s, kLegacyNameBytes - 1);
      ok = GVFileWriteBytes(f, buf, sizeof(buf)) == 1;
      return;
    }
    ok = GVFileReadBytes(f, buf, sizeof(buf)) == 1;
    buf[kLegacyNameBytes - 1] = '\0';
    if (ok) GVSetString(&s, buf);
  }
  // Whether n entries of the given size can still follow. Only reading checks.
  bool room(int64_t n, int64_t entryBytes) { return roomInFile(n, entryBytes, kMaxEntries); }
};

struct ImageCodec : ImageCodecCore {
  using ImageCodecCore::ImageCodecCore;
  void str(char*& t) {
    if (!ok) return;
    ImageCodecCore::str(t);
    if (mode == kRead && !t) GVSetString(&t, "");  // names are never absent in memory
  }
  bool room(int64_t n, int64_t ints) { return room(n, ints, 0); }
  // Whether n entries of the given numbers of ints and floats can follow.
  bool room(int64_t n, int64_t ints, int64_t floats) { return roomInImage(n, ints, floats, kMaxEntries); }

};

// Allocates a zeroed n + 1 entry array when reading; false when memory runs out.
template <typename T>
bool makeEntries(T*& p, int64_t n) {
  GVFreeGeoArray(p);
  p = GVNewGeoArray<T>(n + 1);
  return p != nullptr;
}

// Face words point at the set's corner entries; a word outside 0..uvCount from
// a damaged file is cleared rather than left to index past the corners.
void clampFaceWords(UVSet* s) {
  if (!s->uvFaces) return;
  for (int32_t i = 1; i <= s->faceCount; ++i)
    for (int32_t& w : s->uvFaces[i].corner)
      if (w < 0 || w > s->uvCount) w = 0;
}

// The arrays of a UV set after its counts: pairs, corners, faces, each behind
// its present word (read before the arrays in files, beside them in images).
template <typename C>
void uvArrays(C& c, UVSet* s, uint32_t pairs, uint32_t corners, uint32_t faces) {
  const int64_t n = s->uvCount;
  if (pairs && c.ok) {
    if (c.reading() && !makeEntries(s->uvPairs, n)) c.ok = false;
    for (int64_t i = 1; i <= n && c.ok; ++i) {
      c.f32(s->uvPairs[i][0]);
      c.f32(s->uvPairs[i][1]);
    }
  }
  if (corners && c.ok) {
    if (c.reading() && !makeEntries(s->uvCorners, n)) c.ok = false;
    for (int64_t i = 1; i <= n && c.ok; ++i) {
      c.i32(s->uvCorners[i].vertex);
      c.f32(s->uvCorners[i].u);
      c.f32(s->uvCorners[i].v);
    }
  }
  if (faces && c.ok) {
    if (c.reading() && !makeEntries(s->uvFaces, s->faceCount)) c.ok = false;
    for (int64_t i = 1; i <= s->faceCount && c.ok; ++i)
      for (int32_t& w : s->uvFaces[i].corner) c.i32(w);
  }
}

void clearUVArrays(UVSet* s) {
  GVFreeGeoArray(s->uvPairs);
  GVFreeGeoArray(s->uvCorners);
  GVFreeGeoArray(s->uvFaces);
}

// What a writer says is present: arrays only travel with a non-zero UV count.
uint32_t pairsPresent(const UVSet* s) { return s->uvCount > 0 && s->uvPairs ? 1u : 0u; }
uint32_t cornersPresent(const UVSet* s) { return s->uvCount > 0 && s->uvCorners ? 1u : 0u; }
uint32_t facesPresent(const UVSet* s) {
  return s->uvCount > 0 && s->faceCount > 0 && s->uvFaces ? 1u : 0u;
}

// --- UV set ---

bool uvSetFile(FileCodec& c, UVSet* s, bool legacy) {
  if (legacy) {
    c.fixedStr(s->name);
    c.fixedStr(s->name2);
  } else {
    c.str(s->name);
    c.str(s->name2);
  }
  c.i32(s->uvCount);
  c.i32(s->faceCount);
  c.u32(s->setBits);
  c.i32(s->setWord);
  uint32_t pairs = 0, corners = 0, faces = 0;
  if (c.writing()) {
    pairs = pairsPresent(s);
    corners = cornersPresent(s);
    faces = facesPresent(s);
  } else {
    clearUVArrays(s);
  }
  c.u32(pairs);
  c.u32(corners);
  c.u32(faces);
  if (!c.ok || s->uvCount == 0) return c.ok;
  if (c.reading()) {
    if (s->uvCount < 0 || s->faceCount < 0) return c.ok = false;
    c.room((pairs ? 8 : 0) * int64_t{s->uvCount} + (corners ? 12 : 0) * int64_t{s->uvCount} +
               (faces ? 12 : 0) * int64_t{s->faceCount},
           1);
  }
  uvArrays(c, s, pairs, corners, faces);
  if (c.reading()) clampFaceWords(s);
  return c.ok;
}

bool uvSetImage(ImageCodec& c, UVSet* s) {
  c.str(s->name);
  c.str(s->name2);
  c.i32(s->uvCount);
  c.i32(s->faceCount);
  c.u32(s->setBits);
  c.i32(s->setWord);
  if (c.reading()) clearUVArrays(s);
  if (!c.ok || s->uvCount == 0) return c.ok;
  if (c.reading() && (s->uvCount < 0 || s->faceCount < 0)) return c.ok = false;
  uint32_t pairs = c.writing() ? pairsPresent(s) : 0;
  c.u32(pairs);
  if (pairs) c.room(s->uvCount, 0, 2);
  uvArrays(c, s, pairs, 0, 0);
  uint32_t corners = c.writing() ? cornersPresent(s) : 0;
  c.u32(corners);
  if (corners) c.room(s->uvCount, 1, 2);
  uvArrays(c, s, 0, corners, 0);
  uint32_t faces = c.writing() ? facesPresent(s) : 0;
  c.u32(faces);
  if (faces) c.room(s->faceCount, 3, 0);
  uvArrays(c, s, 0, 0, faces);
  if (c.reading()) clampFaceWords(s);
  return c.ok;
}

// --- material ---

void materialAfterRead(GeoMaterial* m) {
  if (m->mode == 0) m->mode = GEO_MAT_OPAQUE;
  if (m->colourSetIndex < 0 || m->colourSetIndex > 8) m->colourSetIndex = 0;
  m->colourSet = nullptr;
  m->uvSet = nullptr;
}

int32_t refWord(const void* resolved, int32_t stored) { return resolved || stored ? 1 : 0; }

template <typename C>
void materialTail(C& c, GeoMaterial* m) {
  c.f32(m->shininess);
  c.i32(m->mode);
  c.f32(m->param1);
  c.f32(m->param2);
  c.i32(m->flag1);
  c.i32(m->flag2);
  c.f32(m->param3);
  c.f32(m->param4);
  c.f32(m->param5);
  c.u32(m->word18);
  c.i32(m->layer);
  c.i32(m->word20);
}

bool materialFile(FileCodec& c, GeoMaterial* m, bool legacy) {
  int32_t csRef = c.writing() ? refWord(m->colourSet, m->colourSetRef) : 0;
  int32_t uvRef = c.writing() ? refWord(m->uvSet, m->uvSetRef) : 0;
  uint32_t unused[3] = {0, 0, 0};
  if (legacy) {
    c.fixedStr(m->name);
    c.fixedStr(m->textureFile);
    c.i32(csRef);
    c.i32(m->colourSetIndex);
  } else {
    c.str(m->name);
    c.str(m->textureFile);
    c.i32(m->colourSetIndex);
    c.i32(csRef);
  }
  c.i32(m->uvSetIndex);
  c.i32(uvRef);
  for (uint32_t& w : unused) c.u32(w);
  materialTail(c, m);
  GVWalkOptionalColour(c, m->colourA);
  GVWalkOptionalColour(c, m->colourB);
  GVWalkOptionalColour(c, m->colourC);
  if (c.reading()) {
    m->colourSetRef = csRef;
    m->uvSetRef = uvRef;
    materialAfterRead(m);
  }
  return c.ok;
}

bool materialImage(ImageCodec& c, GeoMaterial* m) {
  int32_t csRef = c.writing() ? refWord(m->colourSet, m->colourSetRef) : 0;
  int32_t uvRef = c.writing() ? refWord(m->uvSet, m->uvSetRef) : 0;
  c.str(m->name);
  c.str(m->textureFile);
  c.i32(m->colourSetIndex);
  c.i32(csRef);
  c.i32(m->uvSetIndex);
  c.i32(uvRef);
  GVWalkOptionalColour(c, m->colourA);
  GVWalkOptionalColour(c, m->colourB);
  GVWalkOptionalColour(c, m->colourC);
  materialTail(c, m);
  if (c.reading()) {
    m->colourSetRef = csRef;
    m->uvSetRef = uvRef;
    materialAfterRead(m);
  }
  return c.ok;
}

// --- colour set ---

template <typename C>
void colourSetArrays(C& c, GeoColourSet* s, uint32_t entries, uint32_t vectors, bool entriesPart) {
  if (entriesPart && entries && c.ok) {
    if (c.reading() && !makeEntries(s->entries, s->entryCount)) c.ok = false;
    for (int32_t i = 1; i <= s->entryCount && c.ok; ++i) GVWalkColour(c, s->entries[i]);
  }
  if (!entriesPart && vectors && c.ok) {
    if (c.reading() && !makeEntries(s->vectors, s->vectorCount)) c.ok = false;
    for (int32_t i = 1; i <= s->vectorCount && c.ok; ++i)
      for (int32_t& w : s->vectors[i]) c.i32(w);
  }
}

uint32_t entriesPresent(const GeoColourSet* s) { return s->entryCount > 0 && s->entries ? 1u : 0u; }
uint32_t vectorsPresent(const GeoColourSet* s) {
  return s->entryCount > 0 && s->vectorCount > 0 && s->vectors ? 1u : 0u;
}

void clearColourArrays(GeoColourSet* s) {
  GVFreeGeoArray(s->entries);
  GVFreeGeoArray(s->vectors);
}

bool colourSetFile(FileCodec& c, GeoColourSet* s, bool legacy) {
  if (legacy)
    c.fixedStr(s->name);
  else
    c.str(s->name);
  c.i32(s->entryCount);
  c.i32(s->vectorCount);
  c.i32(s->words[0]);
  c.i32(s->words[1]);
  uint32_t entries = 0, vectors = 0;
  if (c.writing()) {
    entries = entriesPresent(s);
    vectors = vectorsPresent(s);
  } else {
    clearColourArrays(s);
  }
  c.u32(entries);
  c.u32(vectors);
  if (!c.ok || s->entryCount == 0) return c.ok;
  if (c.reading()) {
    if (s->entryCount < 0 || (vectors && s->vectorCount < 0)) return c.ok = false;
    c.room((entries ? 20 : 0) * int64_t{s->entryCount} + (vectors ? 12 : 0) * int64_t{s->vectorCount},
           1);
  }
  colourSetArrays(c, s, entries, vectors, true);
  colourSetArrays(c, s, entries, vectors, false);
  return c.ok;
}

bool colourSetImage(ImageCodec& c, GeoColourSet* s) {
  c.str(s->name);
  c.i32(s->entryCount);
  c.i32(s->vectorCount);
  c.i32(s->words[0]);
  c.i32(s->words[1]);
  if (c.reading()) clearColourArrays(s);
  if (!c.ok || s->entryCount == 0) return c.ok;
  if (c.reading() && s->entryCount < 0) return c.ok = false;
  uint32_t entries = c.writing() ? entriesPresent(s) : 0;
  c.u32(entries);
  if (entries) c.room(s->entryCount, 1, 4);
  colourSetArrays(c, s, entries, 0, true);
  uint32_t vectors = c.writing() ? vectorsPresent(s) : 0;
  c.u32(vectors);
  if (vectors && c.reading() && s->vectorCount < 0) c.ok = false;
  if (vectors) c.room(s->vectorCount, 3, 0);
  colourSetArrays(c, s, 0, vectors, false);
  return c.ok;
}

// --- containers ---
// A count and a present word; when both are non-zero, that many records.

template <typename Codec, typename Array, typename Rec, typename RecordFn>
bool container(Codec& c, Array* array, Rec* Array::*field, int32_t maxCount, int64_t minRecordSize,
               RecordFn record) {
  uint32_t count = 0, present = 0;
  if (c.writing()) {
    count = array->*field ? static_cast<uint32_t>(array->count) : 0u;
    present = array->*field && array->count > 0 ? 1u : 0u;
  } else {
    delete[] (array->*field);
    array->*field = nullptr;
    array->count = 0;
  }
  c.u32(count);
  c.u32(present);
  if (!c.ok || count == 0 || present == 0) return c.ok;
  if (c.writing()) {
    for (int32_t i = 0; i < array->count && c.ok; ++i) record(c, &(array->*field)[i]);
    return c.ok;
  }
  if (!c.room(static_cast<int64_t>(count), minRecordSize)) return false;
  if (static_cast<int64_t>(count) > maxCount) {
    // Too many for a Geo: read the records and drop them so the reader stays in
    // step with what follows.
    Rec scratch;
    for (uint32_t i = 0; i < count && c.ok; ++i) record(c, &scratch);
    return c.ok;
  }
  Rec* recs = new (std::nothrow) Rec[count];
  if (!recs) return c.ok = false;
  for (uint32_t i = 0; i < count && c.ok; ++i) record(c, &recs[i]);
  if (!c.ok) {
    delete[] recs;
    return false;
  }
  array->*field = recs;
  array->count = static_cast<int32_t>(count);
  return true;
}

template <typename Rec, typename Fn>
int readOne(FILE* file, Rec* rec, Fn fn) {
  if (!file || !rec) return 0;
  FileCodec c{file, false};
  return fn(c, rec) ? 1 : 0;
}

template <typename Rec, typename Fn>
int writeOne(FILE* file, const Rec* rec, Fn fn) {
  if (!file || !rec) return 0;
  FileCodec c{file, true};
  return fn(c, const_cast<Rec*>(rec)) ? 1 : 0;
}

// Minimum stored sizes of one record, for the count checks.
constexpr int64_t kUVSetBytes[2] = {4 + 4 + 7 * 4, 540};
constexpr int64_t kMaterialBytes[2] = {4 + 4 + 19 * 4 + 12, 588 + 12};
constexpr int64_t kColourSetBytes[2] = {4 + 6 * 4, 280};
constexpr int64_t kUVSetInts = 6;
constexpr int64_t kMaterialInts = 15;
constexpr int64_t kColourSetInts = 5;
constexpr int32_t kUnlimited = 0x7fffffff;

template <typename Array, typename Rec, typename Fn>
int fileContainer(FILE* file, bool writing, Array* array, Rec* Array::*field, int32_t maxCount,
                  int64_t minSize, Fn fn) {
  if (!file || !array) return 0;
  FileCodec c{file, writing};
  const bool ok = container(c, array, field, maxCount, minSize,
                            [&](FileCodec& cc, Rec* r) { return fn(cc, r); });
  if (!ok && !writing) {
    delete[] (array->*field);
    array->*field = nullptr;
    array->count = 0;
  }
  return ok ? 1 : 0;
}

template <typename Array, typename Rec, typename Fn>
int imageContainer(ItemStream* image, ImageCodec::Mode mode, Array* array, Rec* Array::*field,
                   int32_t maxCount, int64_t minInts, Fn fn) {
  if (!image || !array) return 0;
  ImageCodec c{image, mode};
  const bool ok = container(c, array, field, maxCount, minInts,
                            [&](ImageCodec& cc, Rec* r) { return fn(cc, r); });
  if (!ok && mode == ImageCodec::kRead) {
    delete[] (array->*field);
    array->*field = nullptr;
    array->count = 0;
  }
  return ok ? 1 : 0;
}

}  // namespace

// --- single records ---

int GVReadUVSet(FILE* file, int legacy, UVSet* set) {
  return readOne(file, set, [&](FileCodec& c, UVSet* s) { return uvSetFile(c, s, legacy != 0); });
}
int GVWriteUVSet(FILE* file, int legacy, const UVSet* set) {
  return writeOne(file, set, [&](FileCodec& c, UVSet* s) { return uvSetFile(c, s, legacy != 0); });
}
int GVReadGeoMaterial(FILE* file, int legacy, GeoMaterial* material) {
  return readOne(file, material,
                 [&](FileCodec& c, GeoMaterial* m) { return materialFile(c, m, legacy != 0); });
}
int GVWriteGeoMaterial(FILE* file, int legacy, const GeoMaterial* material) {
  return writeOne(file, material,
                  [&](FileCodec& c, GeoMaterial* m) { return materialFile(c, m, legacy != 0); });
}
int GVReadColourSet(FILE* file, int legacy, GeoColourSet* set) {
  return readOne(file, set,
                 [&](FileCodec& c, GeoColourSet* s) { return colourSetFile(c, s, legacy != 0); });
}
int GVWriteColourSet(FILE* file, int legacy, const GeoColourSet* set) {
  return writeOne(file, set,
                  [&](FileCodec& c, GeoColourSet* s) { return colourSetFile(c, s, legacy != 0); });
}

// --- file containers ---

int GVReadUVSets(FILE* file, int legacy, UVSetArray* array) {
  return fileContainer(file, false, array, &UVSetArray::sets, kGeoMaxUVSets, kUVSetBytes[legacy != 0],
                       [&](FileCodec& c, UVSet* s) { return uvSetFile(c, s, legacy != 0); });
}
int GVWriteUVSets(FILE* file, int legacy, const UVSetArray* array) {
  return fileContainer(file, true, const_cast<UVSetArray*>(array), &UVSetArray::sets, kGeoMaxUVSets,
                       0, [&](FileCodec& c, UVSet* s) { return uvSetFile(c, s, legacy != 0); });
}
int GVReadGeoMaterials(FILE* file, int legacy, GeoMaterialArray* array) {
  return fileContainer(file, false, array, &GeoMaterialArray::materials, kUnlimited,
                       kMaterialBytes[legacy != 0],
                       [&](FileCodec& c, GeoMaterial* m) { return materialFile(c, m, legacy != 0); });
}
int GVWriteGeoMaterials(FILE* file, int legacy, const GeoMaterialArray* array) {
  return fileContainer(file, true, const_cast<GeoMaterialArray*>(array), &GeoMaterialArray::materials,
                       kUnlimited, 0,
                       [&](FileCodec& c, GeoMaterial* m) { return materialFile(c, m, legacy != 0); });
}
int GVReadColourSets(FILE* file, int legacy, GeoColourSetArray* array) {
  return fileContainer(file, false, array, &GeoColourSetArray::sets, kUnlimited,
                       kColourSetBytes[legacy != 0],
                       [&](FileCodec& c, GeoColourSet* s) { return colourSetFile(c, s, legacy != 0); });
}
int GVWriteColourSets(FILE* file, int legacy, const GeoColourSetArray* array) {
  return fileContainer(file, true, const_cast<GeoColourSetArray*>(array), &GeoColourSetArray::sets,
                       kUnlimited, 0,
                       [&](FileCodec& c, GeoColourSet* s) { return colourSetFile(c, s, legacy != 0); });
}

// --- image containers ---

int GVReadUVSetsImage(ItemStream* image, UVSetArray* array) {
  return imageContainer(image, ImageCodec::kRead, array, &UVSetArray::sets, kGeoMaxUVSets, kUVSetInts,
                        uvSetImage);
}
void GVCountUVSetsImage(ItemStream* image, const UVSetArray* array) {
  imageContainer(image, ImageCodec::kCount, const_cast<UVSetArray*>(array), &UVSetArray::sets,
                 kGeoMaxUVSets, 0, uvSetImage);
}
int GVPutUVSetsImage(ItemStream* image, const UVSetArray* array) {
  return imageContainer(image, ImageCodec::kPut, const_cast<UVSetArray*>(array), &UVSetArray::sets,
                        kGeoMaxUVSets, 0, uvSetImage);
}
int GVReadGeoMaterialsImage(ItemStream* image, GeoMaterialArray* array) {
  return imageContainer(image, ImageCodec::kRead, array, &GeoMaterialArray::materials, kUnlimited,
                        kMaterialInts, materialImage);
}
void GVCountGeoMaterialsImage(ItemStream* image, const GeoMaterialArray* array) {
  imageContainer(image, ImageCodec::kCount, const_cast<GeoMaterialArray*>(array),
                 &GeoMaterialArray::materials, kUnlimited, 0, materialImage);
}
int GVPutGeoMaterialsImage(ItemStream* image, const GeoMaterialArray* array) {
  return imageContainer(image, ImageCodec::kPut, const_cast<GeoMaterialArray*>(array),
                        &GeoMaterialArray::materials, kUnlimited, 0, materialImage);
}
int GVReadColourSetsImage(ItemStream* image, GeoColourSetArray* array) {
  return imageContainer(image, ImageCodec::kRead, array, &GeoColourSetArray::sets, kUnlimited,
                        kColourSetInts, colourSetImage);
}
void GVCountColourSetsImage(ItemStream* image, const GeoColourSetArray* array) {
  imageContainer(image, ImageCodec::kCount, const_cast<GeoColourSetArray*>(array),
                 &GeoColourSetArray::sets, kUnlimited, 0, colourSetImage);
}
int GVPutColourSetsImage(ItemStream* image, const GeoColourSetArray* array) {
  return imageContainer(image, ImageCodec::kPut, const_cast<GeoColourSetArray*>(array),
                        &GeoColourSetArray::sets, kUnlimited, 0, colourSetImage);
}
