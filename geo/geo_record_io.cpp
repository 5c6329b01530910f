#include "geo/geo_record_io.h"

#include <cstring>
#include <new>

#include "geo/geo_attach.h"
#include "geo/geo_jel_links.h"
#include "geo/geo_list.h"
#include "geo/geo_materials.h"
#include "geo/geo_transform.h"
#include "geo/key_frame_io.h"
#include "geo/key_frames.h"
#include "geo/mesh_derived.h"
#include "geo/mesh_normals.h"
#include "geo/record_codec.h"
#include "geo/uv_set_io.h"
#include "geo/uv_sets.h"
#include "jel/contact_grid.h"
#include "records/binary_file.h"
#include "records/heap_string.h"
#include "records/item_stream.h"

// The version-5 file record and the image record are each written once below,
// as a walk over their fields that a codec either reads or writes, so that
// reader and writer cannot drift apart. The older file layouts are only read;
// their fixed parts are decoded by byte offset from one block.

namespace {

constexpr size_t kLegacyNameBytes = 20;
constexpr size_t kLegacyMatStringBytes = 256;
constexpr size_t kV5HeadUnused = 16;
constexpr size_t kV5TailUnused = 72;  // bytes 476..547 of the fixed block
constexpr size_t kV34FixedBytes = 596;
constexpr size_t kV2FixedBytes = 492;
constexpr size_t kV1FixedBytes = 304;
constexpr float kLegacySurfaceParam = 6.0f;

// --- codecs -------------------------------------------------------------------

struct FileCodec : FileCodecCore {
  using FileCodecCore::FileCodecCore;
  // Whether n entries of entryBytes each can still follow (reading only).
  bool room(int64_t n, int64_t entryBytes) { return roomInFile(n, entryBytes, kGeoMaxCount); }
};

struct ImageCodec : ImageCodecCore {
  using ImageCodecCore::ImageCodecCore;
  // Whether that many ints and floats can still be taken (reading only).
  bool room(int64_t ints, int64_t floats) { return roomInImage(1, ints, floats, 1); }
};

// --- shared field groups ----------------------------------------------------------

template <typename C>
void codeSlot(C& c, GTransform& t) {
  codeVec3(c, t.position);
  for (float& m : t.matrix) c.f32(m);
  codeVec3(c, t.scale);
}

// The displayed frame's placement is worked out again when a scene opens
// (frame 0 is stepped), so files hold the start placement there: what the
// Geo shows before a frame is stepped, and the same whether the scene was
// saved mid-play or after opening.
template <typename C>
void codeSlots(C& c, GObject* g) {
  for (int k = 0; k < GEO_SLOT_COUNT; ++k) {
    GTransform start = g->xform[GEO_SLOT_START];
    codeSlot(c, k == GEO_SLOT_FRAME && !c.reading() ? start : g->xform[k]);
  }
}

template <typename C>
void codeVertBind(C& c, GeoVertBind& b) {
  c.i32(b.jelId);
  c.i32(b.cellNode);
  c.f32(b.u);
  c.f32(b.v);
  c.f32(b.w);
}

// The scalar fields, colours, surface fields and slots shared by the fixed
// part of a version-5 record and by the image (whose order differs: the image
// walks its own list in imageFixed).
// The view's marks on a Geo belong to the running program, not to the
// scene: they are neither written nor taken from a record.
constexpr uint32_t kGeoViewMarks = GEO_FLAG_VIEW_REFRESHED | GEO_FLAG_FRAME_XFORM_SET;
template <class C>
void codeFlags(C& c, uint32_t& flags) {
  uint32_t w = flags & ~kGeoViewMarks;
  c.u32(w);
  if (c.reading()) flags = w & ~kGeoViewMarks;
}

void codeV5Fixed(FileCodec& c, GObject* g) {
  c.unused(kV5HeadUnused);
  c.i32(g->id);
  c.i32(g->jelId);
  uint32_t jelRef = 0;  // the Jel is found again from jelId when the scene is linked
  c.u32(jelRef);
  codeFlags(c, g->flags);
  c.f32(g->faceSize);
  c.i32(g->meshMode);
  c.u32(g->groupMask);
  c.i32(g->vertexCount);
  c.i32(g->triangleCount);
  c.i32(g->quadCount);
  c.i32(g->extraPairCount);
  c.i32(g->extraWord);
  c.f32(g->slotScale);
  c.i32(g->materialType);
  GVWalkColour(c, g->colourA);
  GVWalkColour(c, g->colourB);
  GVWalkColour(c, g->colourC);
  c.f32(g->surfaceParam);
  for (float& v : g->surfaceFloats) c.f32(v);
  for (int32_t& v : g->surfaceInts) c.i32(v);
  for (float& v : g->slotTail) c.f32(v);
  codeSlots(c, g);
  c.unused(kV5TailUnused);
}

// --- legacy fixed parts (read only) ---------------------------------------------

uint32_t wordAt(const unsigned char* b, size_t off) {
  return uint32_t(b[off]) | uint32_t(b[off + 1]) << 8 | uint32_t(b[off + 2]) << 16 | uint32_t(b[off + 3]) << 24;
}
int32_t intAt(const unsigned char* b, size_t off) { return static_cast<int32_t>(wordAt(b, off)); }
float floatAt(const unsigned char* b, size_t off) {
  const uint32_t w = wordAt(b, off);
  float f;
  std::memcpy(&f, &w, sizeof f);
  return f;
}
void nameAt(const unsigned char* b, size_t off, GObject* g) {
  char buf[kLegacyNameBytes + 1] = {};
  std::memcpy(buf, b + off, kLegacyNameBytes);
  GVSetString(&g->name, buf);
}
void colourAt(const unsigned char* b, size_t off, GColour* k) {
  GVSetColour(k, intAt(b, off), floatAt(b, off + 4), floatAt(b, off + 8), floatAt(b, off + 12),
              floatAt(b, off + 16));
}
// Five slots from off: 15 floats each, or 12 (position and matrix) without
// scales.
void slotsAt(const unsigned char* b, size_t off, GObject* g, bool withScale) {
  for (GTransform& t : g->xform) {
    for (int k = 0; k < 3; ++k, off += 4) t.position[k] = floatAt(b, off);
    for (int k = 0; k < 9; ++k, off += 4) t.matrix[k] = floatAt(b, off);
    for (int k = 0; k < 3; ++k) {
      t.scale[k] = withScale ? floatAt(b, off) : 1.0f;
      if (withScale) off += 4;
    }
  }
}

GeoCellBind* newCellBind(int32_t jelId, int32_t part) {
  GeoCellBind* b = new (std::nothrow) GeoCellBind{};
  if (b) {
    b->jelId = jelId;
    b->part = part;
  }
  return b;
}

// Bytes 16..87, laid out alike in the fixed blocks of versions 2 to 4.
void readFixedHead(const unsigned char* b, GObject* g) {
  nameAt(b, 16, g);
  g->id = intAt(b, 36);
  g->jelId = intAt(b, 40);
  g->flags = wordAt(b, 48);
  g->faceSize = floatAt(b, 52);
  g->meshMode = intAt(b, 56);
  g->groupMask = wordAt(b, 60);
  g->vertexCount = intAt(b, 64);
  g->triangleCount = intAt(b, 68);
  g->quadCount = intAt(b, 72);
  g->extraPairCount = intAt(b, 76);
  g->extraWord = intAt(b, 80);
  g->slotScale = floatAt(b, 84);
}

bool readFixedV34(FILE* f, GObject* g) {
  unsigned char b[kV34FixedBytes];
  if (!GVFileReadBytes(f, b, sizeof b)) return false;
  readFixedHead(b, g);
  const int32_t cellPart = intAt(b, 104), cellJel2 = intAt(b, 108), cellPart2 = intAt(b, 112);
  g->materialType = intAt(b, 116);
  colourAt(b, 120, &g->colourA);
  colourAt(b, 140, &g->colourB);
  colourAt(b, 160, &g->colourC);
  g->surfaceParam = floatAt(b, 180);
  for (int k = 0; k < 4; ++k) g->surfaceFloats[k] = floatAt(b, 184 + 4 * k);
  for (int k = 0; k < 3; ++k) g->surfaceInts[k] = intAt(b, 200 + 4 * k);
  slotsAt(b, 212, g, true);
  for (int k = 0; k < 3; ++k) g->slotTail[k] = floatAt(b, 512 + 4 * k);
  if ((g->flags & GEO_FLAG_CELL_BINDING) && g->jelId >= 1 && cellPart != 0 &&
      !(g->cellBind = newCellBind(g->jelId, cellPart)))
    return false;
  if ((g->flags & GEO_FLAG_CELL_BINDING2) && cellJel2 >= 1 && cellPart2 != 0 &&
      !(g->cellBind2 = newCellBind(cellJel2, cellPart2)))
    return false;
  return true;
}

bool readFixedV2(FILE* f, GObject* g) {
  unsigned char b[kV2FixedBytes];
  if (!GVFileReadBytes(f, b, sizeof b)) return false;
  readFixedHead(b, g);
  if (intAt(b, 88) != 0) colourAt(b, 88, &g->colourA);
  slotsAt(b, 108, g, true);
  g->surfaceParam = kLegacySurfaceParam;
  return true;
}

bool readFixedV1(FILE* f, GObject* g) {
  unsigned char b[kV1FixedBytes];
  if (!GVFileReadBytes(f, b, sizeof b)) return false;
  nameAt(b, 0, g);
  g->id = intAt(b, 20);
  g->groupMask = wordAt(b, 24);
  g->jelId = intAt(b, 28);
  g->flags = wordAt(b, 32);
  g->meshMode = intAt(b, 36);
  g->vertexCount = intAt(b, 40);
  g->triangleCount = intAt(b, 44);
  g->quadCount = intAt(b, 48);
  g->extraPairCount = intAt(b, 52);
  g->faceSize = floatAt(b, 56);
  g->slotScale = floatAt(b, 60);
  slotsAt(b, 64, g, false);
  g->surfaceParam = kLegacySurfaceParam;
  return true;
}

// --- arrays made by the readers ------------------------------------------------

bool countsValid(const GObject* g) {
  auto ok = [](int32_t n) { return n >= 0 && n <= kGeoMaxCount; };
  return ok(g->vertexCount) && ok(g->triangleCount) && ok(g->quadCount) && ok(g->extraPairCount);
}

void fillFloat3(GVFloat3* a, int32_t n, float x, float y, float z) {
  for (int32_t i = 1; i <= n; ++i) {
    a[i][0] = x;
    a[i][1] = y;
    a[i][2] = z;
  }
}

// Vertices, their binding table, displacement, flags and the normals made
// with them. Binding tables are made for every Geo with vertices, so that a
// Geo read from a scene can be bound to a Jel later.
bool makeVertexArrays(GObject* g) {
  const int32_t n = g->vertexCount;
  if (n < 1) return true;
  if (!(g->vertices = GVNewGeoArray<GVFloat3>(n + 1)) || !(g->baseVertices = GVNewGeoArray<GVFloat3>(n + 1)) ||
      !(g->vertBinds = GVNewGeoArray<GeoVertBind>(n + 1)) ||
      !(g->vertexDisplacement = GVNewGeoArray<GVFloat3>(n + 1)) ||
      !(g->vertexNormals = GVNewGeoArray<GVFloat3>(n + 1)) || !(g->renderNormals = GVNewGeoArray<GVFloat3>(n + 1)))
    return false;
  fillFloat3(g->renderNormals, n, 1.0f, 0.0f, 0.0f);
  return true;
}

bool makeFaceNormals(GObject* g, int32_t n) {
  if (g->faceNormals) return true;
  return (g->faceNormals = GVNewGeoArray<GVFloat3>(n + 1)) && (g->faceTags = GVNewGeoArray<int32_t>(n + 1));
}

bool makeTriangleArrays(GObject* g) {
  const int32_t n = g->triangleCount;
  if (n < 1) return true;
  if (!(g->triangles = GVNewGeoArray<GVTriangle>(n + 1)) || !makeFaceNormals(g, n) ||
      !(g->triangleVectors = GVNewGeoArray<GVFloat3>(n + 1)))
    return false;
  fillFloat3(g->triangleVectors, n, 1.0f, 0.0f, 0.0f);
  return true;
}

bool makeQuadArrays(GObject* g) {
  const int32_t n = g->quadCount;
  if (n < 1) return true;
  return (g->quads = GVNewGeoArray<GVQuad>(n + 1)) && makeFaceNormals(g, n);
}

bool makePairArray(GObject* g) {
  const int32_t n = g->extraPairCount;
  return n < 1 || (g->extraPairs = GVNewGeoArray<GVWordPair>(n + 1));
}

// Entries an image array of n elements carries: 0..n, or none for n = 0.
int64_t span(int32_t n) { return n > 0 ? int64_t(n) + 1 : 0; }

bool vertexIndexOk(const GObject* g, int32_t v) { return v >= 1 && v <= g->vertexCount; }

template <typename C>
void codeTriangle(C& c, GObject* g, int32_t* t) {
  for (int k = 0; k < 3; ++k) {
    c.i32(t[k]);
    if (c.reading()) c.require(vertexIndexOk(g, t[k]));
  }
}

template <typename C>
void codeQuad(C& c, GObject* g, int32_t* q) {
  for (int k = 0; k < 4; ++k) {
    c.i32(q[k]);
    if (c.reading()) c.require(vertexIndexOk(g, q[k]));
  }
}

// A container reached through its holder pointer; made empty before a read.
template <typename T>
bool ensureContainer(T*& p) {
  if (!p) p = new (std::nothrow) T{0, nullptr};
  return p != nullptr;
}

// A Geo read without usable UV sets gets the projected set.
void addDefaultUVSet(GObject* g) {
  const UVSet* first = g->uvSets ? GVGetUVSet(g->uvSets, 0) : nullptr;
  if (!first || !first->uvPairs) GVAddAllFaces00UVSet(g);
  // UV corners of a damaged record must not name vertices the Geo lacks.
  GVCheckGeoUVSets(g);
}

bool anyText(const char* s) { return s && s[0]; }

// Derived data of a Geo just read: placed by its start slot, seam lists, face
// lists and normals; the broad-phase block.
bool finishRead(GObject* g) {
  GVApplyGeoTransform(g, GEO_SEL_START);
  GVBuildGeoSeamLists(g);
  GVBuildGeoSmoothFaceLists(g);
  GVCalcGeoFaceNormals(g);
  GVCalcGeoVertexNormals(g);
  if (!g->broadPhase) g->broadPhase = GVNewContactGrid();
  return g->broadPhase != nullptr;
}

int refuse(GObject* g) {
  // Per-vertex lists are only made once the counts are known to be sound;
  // damaged counts must not size the release of lists that were never made.
  if (!countsValid(g)) g->vertexCount = g->triangleCount = g->quadCount = g->extraPairCount = 0;
  g->releaseArrays();
  g->reset();
  return 0;
}

// Clears a Geo for a reader, keeping its handle.
void clearForRead(GObject* g) {
  g->releaseArrays();
  g->reset();
}

// --- file record body ------------------------------------------------------------

// The fields of a cell binding that both its forms hold, in their order.
template <typename C>
void codeCellBindHead(C& c, GeoCellBind& b) {
  c.i32(b.jelId);
  c.i32(b.part);
  c.i32(b.cornerNode);
  c.i32(b.nx);
  c.i32(b.ny);
  c.i32(b.nz);
  c.i32(b.status);
}

void fileCellBind(FileCodec& c, GeoCellBind*& b) {
  uint32_t present = c.writing() && b ? 1 : 0;
  c.u32(present);
  if (!present || !c.ok) return;
  if (c.reading()) {
    b = new (std::nothrow) GeoCellBind{};
    c.require(b != nullptr);
    if (!c.ok) return;
  }
  uint32_t tableRef = 0, jelRef = 0;  // the pointers are remade, not stored
  c.u32(tableRef);
  c.u32(jelRef);
  codeCellBindHead(c, *b);
  uint32_t n = (c.writing() && b->nodes && b->nodes[0] > 0) ? uint32_t(b->nodes[0]) : 0;
  c.u32(n);
  if (n == 0 || !c.room(int64_t(n) + 1, 4)) return;
  if (c.reading()) {
    b->nodes = GVNewGeoArray<int32_t>(int64_t(n) + 1);
    c.require(b->nodes != nullptr);
  }
  for (uint32_t i = 0; i <= n && c.ok; ++i) c.i32(b->nodes[i]);
  // The table's own count is what was allocated, whatever the entry said.
  if (c.reading() && c.ok) b->nodes[0] = static_cast<int32_t>(n);
}

bool fileBody(FileCodec& c, GObject* g, uint32_t version) {
  const int32_t nv = g->vertexCount;
  if (c.reading() && !(c.room(nv, 12) && makeVertexArrays(g))) return false;
  for (int32_t i = 1; i <= nv && c.ok; ++i) codeVec3(c, g->baseVertices[i]);

  uint32_t binds = c.writing() && g->vertBinds ? uint32_t(nv) : 0;
  c.u32(binds);
  if (c.reading()) c.require(binds <= uint32_t(nv) && c.room(binds, 20));
  for (uint32_t i = 1; i <= binds && c.ok; ++i) codeVertBind(c, g->vertBinds[i]);

  if (c.reading()) c.require(c.room(g->triangleCount, 12) && makeTriangleArrays(g));
  for (int32_t i = 1; i <= g->triangleCount && c.ok; ++i) codeTriangle(c, g, g->triangles[i]);
  if (c.reading()) c.require(c.room(g->quadCount, 16) && makeQuadArrays(g));
  for (int32_t i = 1; i <= g->quadCount && c.ok; ++i) codeQuad(c, g, g->quads[i]);
  if (c.reading()) c.require(c.room(g->extraPairCount, 8) && makePairArray(g));
  for (int32_t i = 1; i <= g->extraPairCount && c.ok; ++i) {
    c.u32(g->extraPairs[i][0]);
    c.u32(g->extraPairs[i][1]);
  }
  c.unused(16);

  // Vertex flags: every vertex read gets the bound bit.
  for (int pass = 0; pass < (version >= 3 ? 2 : 1) && c.ok; ++pass) {
    int32_t*& flags = pass == 0 ? g->vertexFlags : g->vertexFlags2;
    uint32_t n = c.writing() && flags ? uint32_t(nv) : 0;
    c.u32(n);
    if (c.reading()) {
      c.require(n <= uint32_t(nv) && c.room(n, 4));
      if (c.ok && (pass == 0 ? nv > 0 : n > 0)) c.require((flags = GVNewGeoArray<int32_t>(nv + 1)) != nullptr);
    }
    for (uint32_t i = 1; i <= n && c.ok; ++i) {
      c.i32(flags[i]);
      if (c.reading()) flags[i] |= GEO_VERTEX_BOUND;
    }
  }

  if (version >= 3) {
    const int legacy = version < 5 ? 1 : 0;
    uint32_t extras = c.writing() && g->vertexExtras ? 1 : 0;
    c.u32(extras);
    if (extras && c.reading())
      c.require(c.room(nv, 20) && (g->vertexExtras = GVNewGeoArray<GColour>(int64_t(nv) + 1)) != nullptr);
    for (int32_t i = 1; extras && i <= nv && c.ok; ++i) GVWalkColour(c, g->vertexExtras[i]);

    uint32_t present = c.writing() && g->colourSets ? 1 : 0;
    c.u32(present);
    if (present && c.ok) {
      if (c.reading())
        c.require(ensureContainer(g->colourSets) && GVReadColourSets(c.f, legacy, g->colourSets));
      else
        c.require(GVWriteColourSets(c.f, legacy, g->colourSets) == 1);
    }
    present = c.writing() && g->uvSets ? 1 : 0;
    c.u32(present);
    if (present && c.ok) {
      if (c.reading())
        c.require(ensureContainer(g->uvSets) && GVReadUVSets(c.f, legacy, g->uvSets));
      else
        c.require(GVWriteUVSets(c.f, legacy, g->uvSets) == 1);
    }
    if (c.reading() && c.ok) addDefaultUVSet(g);
    present = c.writing() && g->materials ? 1 : 0;
    c.u32(present);
    if (present && c.ok) {
      if (c.reading()) {
        c.require(ensureContainer(g->materials) && GVReadGeoMaterials(c.f, legacy, g->materials));
        GVResolveGeoMaterialRefs(g);
      } else {
        c.require(GVWriteGeoMaterials(c.f, legacy, g->materials) == 1);
      }
    }
    if (g->materialType == 2 && c.ok) {
      char** texts[3] = {&g->matFile, &g->matName2, &g->matScript};
      for (char** t : texts) {
        if (version >= 5) {
          c.str(*t);
        } else if (c.ok) {
          char buf[kLegacyMatStringBytes + 1] = {};
          c.require(GVFileReadBytes(c.f, buf, kLegacyMatStringBytes) == 1);
          if (c.ok) GVSetString(t, buf);
        }
      }
    }
  }

  if (version >= 4) {
    uint32_t present = c.writing() && g->attach ? 1 : 0;
    c.u32(present);
    if (present && c.ok) {
      if (c.reading()) {
        if (!g->attach) g->attach = new (std::nothrow) GeoAttach{};
        c.require(g->attach && GVReadAttach(c.f, g->attach));
      } else {
        c.require(GVWriteAttach(c.f, g->attach) == 1);
      }
    }
  }

  if (version >= 3) {
    uint32_t present = c.writing() && g->keyTrack ? 1 : 0;
    c.u32(present);
    if (present && c.ok)
      c.require(c.reading() ? GVReadKeyTrack(g->keyTrack, c.f) == 1 : GVWriteKeyTrack(g->keyTrack, c.f) == 1);
  }

  if (version >= 5) {
    fileCellBind(c, g->cellBind);
    fileCellBind(c, g->cellBind2);
  }
  if (version >= 2) c.unused(4);
  return c.ok;
}

// --- image record -----------------------------------------------------------------

// A cell binding's image: the shared fields, the node count n, then n + 1 node
// words whose first repeats n. Reading allocates the table of the record given
// (whose table must be none) and makes its count what was allocated.
void imageCellBindBody(ImageCodec& c, GeoCellBind& b) {
  codeCellBindHead(c, b);
  int32_t n = c.writing() && b.nodes && b.nodes[0] > 0 ? b.nodes[0] : 0;
  c.i32(n);
  if (c.reading()) {
    c.require(n >= 0 && n <= kGeoMaxCount && c.room(int64_t(n) + 1, 0));
    if (c.ok && n > 0) c.require((b.nodes = GVNewGeoArray<int32_t>(int64_t(n) + 1)) != nullptr);
  }
  for (int32_t i = 0; i <= n && c.ok; ++i) {
    int32_t v = i == 0 || !b.nodes ? n : b.nodes[i];
    c.i32(v);
    if (c.reading() && b.nodes) b.nodes[i] = i == 0 ? n : v;
  }
}

void imageCellBind(ImageCodec& c, GeoCellBind*& b) {
  int32_t present = c.writing() && b ? 1 : 0;
  c.i32(present);
  if (!present || !c.ok) return;
  if (c.reading()) {
    b = new (std::nothrow) GeoCellBind{};
    c.require(b != nullptr);
    if (!c.ok) return;
    c.require(GVReadCellBindImage(c.s, b) == 1);
    return;
  }
  imageCellBindBody(c, *b);
}

bool imageRecord(ImageCodec& c, GObject* g) {
  int32_t lead[2] = {0, static_cast<int32_t>(kGeoRecordVersion)};
  c.i32(lead[0]);
  c.i32(lead[1]);
  c.str(g->name);
  c.i32(g->id);
  c.i32(g->jelId);
  codeFlags(c, g->flags);
  c.f32(g->faceSize);
  c.i32(g->meshMode);
  c.u32(g->groupMask);
  c.i32(g->vertexCount);
  c.i32(g->triangleCount);
  c.i32(g->quadCount);
  c.i32(g->extraPairCount);
  c.f32(g->slotScale);
  c.i32(g->extraWord);
  c.i32(g->materialType);
  GVWalkColour(c, g->colourA);
  GVWalkColour(c, g->colourB);
  GVWalkColour(c, g->colourC);
  c.f32(g->surfaceParam);
  for (float& v : g->surfaceFloats) c.f32(v);
  for (int32_t& v : g->surfaceInts) c.i32(v);
  codeSlots(c, g);
  for (float& v : g->slotTail) c.f32(v);
  if (c.reading()) c.require(countsValid(g));
  if (!c.ok) return false;

  const int32_t nv = g->vertexCount;
  int32_t n = c.writing() && g->baseVertices ? nv : 0;
  c.i32(n);
  if (c.reading()) c.require(n == nv && c.room(0, 3 * span(n)) && makeVertexArrays(g));
  for (int32_t i = 0; n > 0 && i <= n && c.ok; ++i) codeVec3(c, g->baseVertices[i]);

  int32_t binds = c.writing() && g->vertBinds ? nv : 0;
  c.i32(binds);
  if (c.reading()) c.require(binds >= 0 && binds <= nv && c.room(2 * span(binds), 3 * span(binds)));
  for (int32_t i = 0; binds > 0 && i <= binds && c.ok; ++i) codeVertBind(c, g->vertBinds[i]);

  int32_t t = c.writing() && g->triangles ? g->triangleCount : 0;
  c.i32(t);
  if (c.reading()) c.require(t == g->triangleCount && c.room(3 * span(t), 0) && makeTriangleArrays(g));
  for (int32_t i = 0; t > 0 && i <= t && c.ok; ++i) {
    if (i == 0) {
      for (int32_t& v : g->triangles[0]) c.i32(v);
      if (c.reading()) std::memset(g->triangles[0], 0, sizeof(GVTriangle));
    } else {
      codeTriangle(c, g, g->triangles[i]);
    }
  }
  int32_t q = c.writing() && g->quads ? g->quadCount : 0;
  c.i32(q);
  if (c.reading()) c.require(q == g->quadCount && c.room(4 * span(q), 0) && makeQuadArrays(g));
  for (int32_t i = 0; q > 0 && i <= q && c.ok; ++i) {
    if (i == 0) {
      for (int32_t& v : g->quads[0]) c.i32(v);
      if (c.reading()) std::memset(g->quads[0], 0, sizeof(GVQuad));
    } else {
      codeQuad(c, g, g->quads[i]);
    }
  }
  int32_t p = c.writing() && g->extraPairs ? g->extraPairCount : 0;
  c.i32(p);
  if (c.reading()) c.require(p == g->extraPairCount && c.room(2 * span(p), 0) && makePairArray(g));
  for (int32_t i = 0; p > 0 && i <= p && c.ok; ++i) {
    c.u32(g->extraPairs[i][0]);
    c.u32(g->extraPairs[i][1]);
  }
  for (int k = 0; k < 4; ++k) {
    int32_t unused = 0;
    c.i32(unused);
  }

  for (int pass = 0; pass < 2 && c.ok; ++pass) {
    int32_t*& flags = pass == 0 ? g->vertexFlags : g->vertexFlags2;
    int32_t m = c.writing() && flags ? nv : 0;
    c.i32(m);
    if (c.reading()) {
      c.require(m >= 0 && m <= nv && c.room(span(m), 0));
      if (c.ok && m > 0) c.require((flags = GVNewGeoArray<int32_t>(int64_t(nv) + 1)) != nullptr);
    }
    for (int32_t i = 0; m > 0 && i <= m && c.ok; ++i) {
      c.i32(flags[i]);
      if (c.reading()) flags[i] = i == 0 ? 0 : (flags[i] | GEO_VERTEX_BOUND);
    }
  }

  int32_t extras = c.writing() && g->vertexExtras ? 1 : 0;
  c.i32(extras);
  if (extras && c.reading())
    c.require(c.room(int64_t(nv) + 1, 4 * (int64_t(nv) + 1)) &&
              (g->vertexExtras = GVNewGeoArray<GColour>(int64_t(nv) + 1)) != nullptr);
  for (int32_t i = 0; extras && i <= nv && c.ok; ++i) GVWalkColour(c, g->vertexExtras[i]);
  if (extras && c.reading() && c.ok) g->vertexExtras[0] = GColour{};

  int32_t present = c.writing() && g->colourSets ? 1 : 0;
  c.i32(present);
  if (present && c.ok) {
    if (c.reading())
      c.require(ensureContainer(g->colourSets) && GVReadColourSetsImage(c.s, g->colourSets));
    else if (c.mode == ImageCodec::kCount)
      GVCountColourSetsImage(c.s, g->colourSets);
    else
      c.require(GVPutColourSetsImage(c.s, g->colourSets) == 1);
  }
  present = c.writing() && g->uvSets ? 1 : 0;
  c.i32(present);
  if (present && c.ok) {
    if (c.reading())
      c.require(ensureContainer(g->uvSets) && GVReadUVSetsImage(c.s, g->uvSets));
    else if (c.mode == ImageCodec::kCount)
      GVCountUVSetsImage(c.s, g->uvSets);
    else
      c.require(GVPutUVSetsImage(c.s, g->uvSets) == 1);
  }
  if (c.reading() && c.ok) addDefaultUVSet(g);
  present = c.writing() && g->materials ? 1 : 0;
  c.i32(present);
  if (present && c.ok) {
    if (c.reading()) {
      c.require(ensureContainer(g->materials) && GVReadGeoMaterialsImage(c.s, g->materials));
      GVResolveGeoMaterialRefs(g);
    } else if (c.mode == ImageCodec::kCount) {
      GVCountGeoMaterialsImage(c.s, g->materials);
    } else {
      c.require(GVPutGeoMaterialsImage(c.s, g->materials) == 1);
    }
  }
  present = c.writing() && (anyText(g->matFile) || anyText(g->matName2) || anyText(g->matScript)) ? 1 : 0;
  c.i32(present);
  if (present) {
    c.str(g->matFile);
    c.str(g->matName2);
    c.str(g->matScript);
  }

  present = c.writing() && g->attach ? 1 : 0;
  c.i32(present);
  if (present && c.ok) {
    if (c.reading()) {
      if (!g->attach) g->attach = new (std::nothrow) GeoAttach{};
      c.require(g->attach && GVAttachGetFromStream(c.s, g->attach));
    } else if (c.mode == ImageCodec::kCount) {
      GVCountAttachImage(c.s);
    } else {
      c.require(GVPutAttachImage(c.s, g->attach) == 1);
    }
  }
  present = c.writing() && g->keyTrack ? 1 : 0;
  c.i32(present);
  if (present && c.ok)
    c.require(c.reading() ? GVGetKeyTrack(g->keyTrack, c.s) == 1 : GVPutKeyTrack(c.s, g->keyTrack) == 1);

  imageCellBind(c, g->cellBind);
  imageCellBind(c, g->cellBind2);
  return c.ok;
}

// A new empty key track for a Geo being read.
bool makeKeyTrack(GObject* g) {
  if (!g->keyTrack) {
    g->keyTrack = new (std::nothrow) KeyTrack;
    if (!g->keyTrack) return false;
  }
  GVKeyTrackInit(g->keyTrack);
  return true;
}

int readRecord(GObject* geo, FILE* file) { return GVReadGeo(file, geo); }

}  // namespace

// --- file record --------------------------------------------------------------

int GVReadGeo(FILE* file, GObject* geo) {
  if (!file || !geo) return 0;
  clearForRead(geo);
  uint32_t lead, version;
  if (!GVFileReadU32(file, &lead) || !GVFileReadU32(file, &version)) return 0;
  if (version == 0) return 1;
  if (version > kGeoRecordVersion) return 0;

  bool fixed = false;
  if (version == 5) {
    FileCodec c{file, false};
    c.str(geo->name);
    if (c.ok) codeV5Fixed(c, geo);
    fixed = c.ok;
  } else if (version >= 3) {
    fixed = readFixedV34(file, geo);
  } else if (version == 2) {
    fixed = readFixedV2(file, geo);
  } else {
    fixed = readFixedV1(file, geo);
  }
  if (!fixed || !countsValid(geo) || !makeKeyTrack(geo)) return refuse(geo);

  FileCodec c{file, false};
  if (!fileBody(c, geo, version) || !finishRead(geo)) return refuse(geo);
  if (version <= 2) GVFixLegacyGeo(geo);
  return 1;
}

int GVWriteGeo(FILE* file, const GObject* geo) {
  if (!file || !geo) return 0;
  // The codec only reads the Geo when writing.
  GObject* g = const_cast<GObject*>(geo);
  FileCodec c{file, true};
  uint32_t lead = 0, version = kGeoRecordVersion;
  c.u32(lead);
  c.u32(version);
  c.str(g->name);
  codeV5Fixed(c, g);
  return c.ok && fileBody(c, g, version) ? 1 : 0;
}

// --- image record ---------------------------------------------------------------

int GVReadGeoImage(GObject* geo, ItemStream* image) {
  if (!geo) return 0;
  clearForRead(geo);
  if (!image || !image->ints || !image->floats) return 0;
  if (!makeKeyTrack(geo)) return refuse(geo);
  ImageCodec c{image, ImageCodec::kRead};
  if (!imageRecord(c, geo) || !finishRead(geo)) return refuse(geo);
  return 1;
}

void GVCountGeoImage(ItemStream* image, const GObject* geo) {
  if (!image || !geo) return;
  ImageCodec c{image, ImageCodec::kCount};
  imageRecord(c, const_cast<GObject*>(geo));
}

int GVPutGeoImage(ItemStream* image, const GObject* geo) {
  if (!image || !geo) return 0;
  ImageCodec c{image, ImageCodec::kPut};
  return imageRecord(c, const_cast<GObject*>(geo)) ? 1 : 0;
}

int GVReadCellBindImage(ItemStream* image, GeoCellBind* bind) {
  if (!image || !bind) return 0;
  ImageCodec c{image, ImageCodec::kRead};
  GeoCellBind r{};
  imageCellBindBody(c, r);
  if (!c.ok) {
    delete[] r.nodes;
    return 0;
  }
  delete[] bind->nodes;
  *bind = r;
  return 1;
}

void GVFixLegacyGeo(GObject* geo) {
  if (!geo) return;
  if (geo->flags & (GEO_FLAG_VERTEX_BINDING | GEO_FLAG_CELL_BINDING)) return;
  if (geo->attach && geo->attach->type != 0) return;
  if (geo->keyTrack && geo->keyTrack->firstKey) return;
  GVCopyGeoTransform(geo, GEO_SEL_BIRTH, GEO_SEL_START);
  GVCopyGeoTransform(geo, GEO_SEL_START, GEO_SEL_FRAME);
}

int GObject::constructFromFile(FILE* file) { return GVReadGeo(file, this); }
int GObject::constructFromImage(ItemStream* image) { return GVReadGeoImage(this, image); }

// --- list blocks ---------------------------------------------------------------------

int GVReadGeoList(GeoList* list, FILE* file, HWorld* world) {
  const int rc = GVReadGeoListWith(list, file, readRecord);
  // The Geos read so far are linked even when a later record failed.
  if (world && file) GVRelinkGeosToJels(list, world);
  return rc;
}

int GVWriteGeoList(const GeoList* list, FILE* file) {
  if (!list || !file) return 0;
  uint32_t n = 0;
  for (const GObject* g = list->head; g; g = g->next) ++n;
  if (!GVFileWriteU32(file, n)) return 0;
  for (const GObject* g = list->head; g; g = g->next)
    if (!GVWriteGeo(file, g)) return 0;
  return 1;
}

int GVReadGeoListImage(GeoList* list, ItemStream* image, HWorld* world) {
  const int rc = GVReadGeoListImageWith(list, image, GVReadGeoImage);
  if (world && rc) GVRelinkGeosToJels(list, world);
  return rc;
}

void GVCountGeoListImage(ItemStream* image, const GeoList* list) {
  if (!image || !list) return;
  image->intCount++;
  for (const GObject* g = list->head; g; g = g->next) GVCountGeoImage(image, g);
}

int GVPutGeoListImage(ItemStream* image, const GeoList* list) {
  if (!image || !list || !GVItemStreamHasRoom(image, 0, 1, 0, 0)) return 0;
  int32_t n = 0;
  for (const GObject* g = list->head; g; g = g->next) ++n;
  image->ints[image->intCount++] = n;
  for (const GObject* g = list->head; g; g = g->next)
    if (!GVPutGeoImage(image, g)) return 0;
  return 1;
}
