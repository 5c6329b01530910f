#include "geo/geo_edits.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "geo/geo_materials.h"
#include "geo/geo_transform.h"
#include "geo/mesh_bounds.h"
#include "geo/mesh_derived.h"
#include "geo/mesh_normals.h"
#include "jel/vector_math.h"
#include "geo/geo_list_services.h"
#include "records/heap_string.h"
#include "geo/uv_sets.h"

// Room for a Geo name built from a format.
static constexpr size_t kGeoNameCapacity = 128;

// The name format comes from the command layer; anything but literal text
// with exactly one "%s" (and "%%") would read arguments that are not there.
static bool plainNameFormat(const char* format) {
  int strings = 0;
  for (const char* p = format; *p; ++p) {
    if (*p != '%') continue;
    ++p;
    if (*p == '%') continue;
    if (*p != 's') return false;
    ++strings;
  }
  return strings == 1;
}

static void negateZ(GVFloat3* v, int32_t count) {
  if (!v) return;
  for (int32_t i = 0; i <= count; ++i) v[i][2] = -v[i][2];
}

int32_t GVInvertGeo(ObjHandle* list, int32_t sourceId, const char* nameFormat) {
  GeoList* geos = GVGeoListOf(list);
  if (!geos || sourceId < 1 || !nameFormat || !plainNameFormat(nameFormat)) return 0;
  ObjHandle* sourceCell = GVFindGeo(list, sourceId);
  const GObject* source = GVGeoOf(sourceCell);
  if (!source) return 0;
  char name[kGeoNameCapacity];
  std::snprintf(name, sizeof name, nameFormat, source->name ? source->name : "");
  if (GVMakeUniqueGeoName(geos, name, sizeof name) < 0) return 0;

  ObjHandle* cell = new ObjHandle;
  if (!GVNewGeoCopy(cell, sourceCell, name, GVNextGeoId(list))) {
    delete cell;
    return 0;
  }
  GObject* geo = GVGeoOf(cell);
  if (geo->id < 1) {  // the copy was refused: a default Geo sits in the cell
    delete geo;
    delete cell;
    return 0;
  }
  GVAddGeoToScene(list, cell);

  negateZ(geo->baseVertices, geo->vertexCount);
  negateZ(geo->vertices, geo->vertexCount);
  // A mirror turns the mesh inside out unless every face is wound the other way.
  for (int32_t t = 1; geo->triangles && t <= geo->triangleCount; ++t) {
    int32_t* tri = geo->triangles[t];
    const int32_t b = tri[1];
    tri[1] = tri[2];
    tri[2] = b;
  }
  for (int32_t q = 1; geo->quads && q <= geo->quadCount; ++q) {
    int32_t* quad = geo->quads[q];
    const int32_t b = quad[1];
    quad[1] = quad[3];
    quad[3] = b;
  }
  if (geo->uvSets) {
    for (int32_t s = 0; s < geo->uvSets->count; ++s) {
      UVSet& set = geo->uvSets->sets[s];
      for (int32_t f = 1; set.uvFaces && f <= set.faceCount; ++f) {
        int32_t* c = set.uvFaces[f].corner;
        const int32_t b = c[1];
        c[1] = c[2];
        c[2] = b;
      }
    }
  }
  // Each slot becomes S M S with S the z reflection, so the copy's placed
  // vertices are the source's reflected: the elements that mix z with x or y
  // change sign. (The inverse matrix mirrors only turns about x and y.)
  for (GTransform& slot : geo->xform) {
    slot.position[2] = -slot.position[2];
    for (int k : {2, 5, 6, 7}) slot.matrix[k] = -slot.matrix[k];
  }
  GVCalcGeoFaceNormals(geo);
  GVCalcGeoVertexNormals(geo);
  return geo->id;
}

void GVCentreGeoBase(ObjHandle* cell) {
  GObject* geo = GVGeoOf(cell);
  if (!geo || !GVGeoHasUnitScale(geo, 0.0001f)) return;
  float box[6];
  if (!GVGetGeoBaseBounds(geo, box)) return;
  const float centre[3] = {(box[0] + box[1]) * 0.5f, (box[2] + box[3]) * 0.5f, (box[4] + box[5]) * 0.5f};
  for (int32_t i = 1; i <= geo->vertexCount; ++i)
    for (int a = 0; a < 3; ++a) geo->baseVertices[i][a] -= centre[a];
  GVSetGeoTransformPos(centre, GEO_SEL_START, geo);
  GVSetGeoTransformPos(centre, GEO_SEL_FRAME, geo);
  GVApplyGeoTransform(geo, GEO_SEL_FRAME);
}

int GVGeoGroupIsUniform(const GeoList* list, int32_t group) {
  if (!list) return 1;
  bool tris = false, quads = false;
  for (const GObject* g = list->head; g; g = g->next) {
    if (!GVGeoMatchesSel(group, g)) continue;
    tris = tris || g->triangleCount > 0;
    quads = quads || g->quadCount > 0;
  }
  return tris && quads ? 0 : 1;
}

static int32_t uvSetCount(const GObject* g) { return g->uvSets ? g->uvSets->count : 0; }
static int32_t materialCount(const GObject* g) { return g->materials ? g->materials->count : 0; }

// Sets from index 1 on whose flag byte carries bit 0x2: set by merges that
// met seam-listed sources.
static bool hasFlaggedSet(const GObject* g) {
  for (int32_t s = 1; s < uvSetCount(g); ++s)
    if (g->uvSets->sets[s].setBits & 0x2u) return true;
  return false;
}

int32_t GVGeoSelUVSetCount(const GeoList* list, int32_t selection) {
  if (!list) return 0;
  const GObject* first = nullptr;
  for (const GObject* g = list->head; g; g = g->next) {
    if (!GVGeoMatchesSel(selection, g)) continue;
    if (!first) {
      first = g;
      continue;
    }
    if (materialCount(g) != materialCount(first) || uvSetCount(g) != uvSetCount(first) ||
        hasFlaggedSet(g) != hasFlaggedSet(first))
      return 0;
  }
  return first ? uvSetCount(first) : 0;
}

int32_t GVGeoGroupUVSetTotal(const GeoList* list, int32_t group) {
  if (!list) return 0;
  int64_t total = 0;
  for (const GObject* g = list->head; g; g = g->next)
    if (GVGeoMatchesSel(group, g)) total += uvSetCount(g);
  return total <= 20 ? static_cast<int32_t>(total) : 0;
}

static bool validTriangle(const GObject* g, const int32_t* t) {
  for (int k = 0; k < 3; ++k)
    if (t[k] < 1 || t[k] > g->vertexCount) return false;
  return true;
}

int32_t GVFloodMarkVerts(const GeoList* list, int32_t id, int32_t* marks) {
  const GObject* g = GVGetGeoById(list, id);
  if (!g || !marks) return 0;
  const int32_t n = g->vertexCount;
  // Triangles around each vertex (compressed rows), then a breadth-first walk
  // from the marked vertices: the same fixed point as repeated sweeps over
  // the triangles, without their quadratic worst case.
  std::vector<int32_t> start(static_cast<size_t>(n) + 2, 0), around;
  for (int32_t t = 1; g->triangles && t <= g->triangleCount; ++t)
    if (validTriangle(g, g->triangles[t]))
      for (int k = 0; k < 3; ++k) ++start[static_cast<size_t>(g->triangles[t][k]) + 1];
  for (int32_t v = 1; v <= n + 1; ++v) start[static_cast<size_t>(v)] += start[static_cast<size_t>(v) - 1];
  around.resize(static_cast<size_t>(start[static_cast<size_t>(n) + 1]));
  std::vector<int32_t> fill(start.begin(), start.end() - 1);
  for (int32_t t = 1; g->triangles && t <= g->triangleCount; ++t)
    if (validTriangle(g, g->triangles[t]))
      for (int k = 0; k < 3; ++k) around[static_cast<size_t>(fill[static_cast<size_t>(g->triangles[t][k])]++)] = t;

  std::vector<int32_t> queue;
  for (int32_t v = 1; v <= n; ++v)
    if (marks[v]) queue.push_back(v);
  for (size_t head = 0; head < queue.size(); ++head) {
    const int32_t v = queue[head];
    for (int32_t k = start[static_cast<size_t>(v)]; k < start[static_cast<size_t>(v) + 1]; ++k) {
      const int32_t* tri = g->triangles[around[static_cast<size_t>(k)]];
      for (int c = 0; c < 3; ++c)
        if (!marks[tri[c]]) {
          marks[tri[c]] = 1;
          queue.push_back(tri[c]);
        }
    }
  }
  return static_cast<int32_t>(queue.size());
}

int32_t GVCountLooseVerts(const GeoList* list, int32_t id, int32_t* work) {
  const GObject* g = GVGetGeoById(list, id);
  if (!g) return -1;
  std::vector<int32_t> own;
  if (!work) {
    own.assign(static_cast<size_t>(g->vertexCount) + 1, 0);
    work = own.data();
  } else {
    std::memset(work, 0, sizeof(int32_t) * (static_cast<size_t>(g->vertexCount) + 1));
  }
  for (int32_t t = 1; g->triangles && t <= g->triangleCount; ++t)
    if (validTriangle(g, g->triangles[t]))
      for (int k = 0; k < 3; ++k) work[g->triangles[t][k]] = 1;
  int32_t loose = 0;
  for (int32_t v = 1; v <= g->vertexCount; ++v)
    if (!work[v]) ++loose;
  return loose;
}

int32_t GVSplitGeoPiece(ObjHandle* list, int32_t id, int32_t keep, const char* name) {
  GeoList* geos = GVGeoListOf(list);
  GObject* g = GVGetGeoById(geos, id);
  if (!g || !name || !*name || g->vertexCount < 1 || !g->vertices) return 0;
  GVApplyGeoTransform(g, GEO_SEL_FRAME);
  const int32_t n = g->vertexCount;
  std::vector<int32_t> marks(static_cast<size_t>(n) + 1, 0);
  marks[1] = 1;
  GVFloodMarkVerts(geos, id, marks.data());
  std::vector<int32_t> newIndex(static_cast<size_t>(n) + 1, 0);
  int32_t kept = 0;
  for (int32_t v = 1; v <= n; ++v)
    if ((marks[static_cast<size_t>(v)] != 0) == (keep != 0)) newIndex[static_cast<size_t>(v)] = ++kept;
  if (kept == 0 || kept == n) return 0;
  // A piece is closed under its triangles, so a triangle is kept whole or not at all.
  std::vector<int32_t> tris;
  for (int32_t t = 1; g->triangles && t <= g->triangleCount; ++t)
    if (validTriangle(g, g->triangles[t]) && newIndex[static_cast<size_t>(g->triangles[t][0])])
      tris.push_back(t);

  GeoMeshDesc desc;
  GVInitGeoMeshDesc(&desc);
  GVSetString(&desc.name, name);
  desc.vertexCount = kept;
  desc.triangleCount = static_cast<int32_t>(tris.size());
  ObjHandle* cell = GVCreateGeo();
  const int32_t newId = GVNextGeoId(list);
  const int built = cell ? GVBuildGeoFromMesh(cell, &desc, newId) : 0;
  GVResetGeoMeshDesc(&desc);
  GVSetString(&desc.name, nullptr);
  GObject* piece = GVGeoOf(cell);
  if (!built) {
    delete piece;
    delete cell;
    return 0;
  }
  for (int32_t v = 1; v <= n; ++v)
    if (const int32_t k = newIndex[static_cast<size_t>(v)]) GVVec3Copy(piece->baseVertices[k], g->vertices[v]);
  for (size_t k = 0; k < tris.size(); ++k)
    for (int c = 0; c < 3; ++c)
      piece->triangles[k + 1][c] = newIndex[static_cast<size_t>(g->triangles[tris[k]][c])];
  GVAddGeoToScene(list, cell);
  GVApplyGeoTransform(piece, GEO_SEL_START);
  GVRebuildGeo(piece);
  return newId;
}

int32_t GVSplitGeoRecursive(ObjHandle* list, int32_t root, int32_t current, int32_t depth) {
  const int32_t d = depth + 1;
  char name[kGeoNameCapacity];
  std::snprintf(name, sizeof name, "GA_%d%d", current, d);
  if (!GVSplitGeoPiece(list, current, 1, name)) return 0;
  std::snprintf(name, sizeof name, "GB_%d%d", current, d);
  const int32_t rest = GVSplitGeoPiece(list, current, 0, name);
  // The rest splits again; once it has, its pieces replace it.
  if (rest && GVSplitGeoRecursive(list, root, rest, d) && rest != root) GVDeleteGeos(list, rest);
  return 1;
}

int32_t GVUnMergeGeo(ObjHandle* list, int32_t id, int32_t* first, int32_t* last) {
  GeoList* geos = GVGeoListOf(list);
  if (!geos || id < 1) return -1;
  if (GVCountLooseVerts(geos, id, nullptr) != 0) return -2;
  const int32_t start = GVNextGeoId(list);
  GVSplitGeoRecursive(list, id, id, 0);
  int32_t count = 0;
  GObject* g = GVGetGeoById(geos, start);
  for (; g; g = g->next) {
    g->id = start + count++;
    GVEnsureGeoMaterials(g);
  }
  if (first) *first = count ? start : 0;
  if (last) *last = count ? start + count - 1 : 0;
  return count;
}

void GVUnMergeMessage(int32_t selection, int32_t result, char* out, size_t capacity) {
  if (!out || capacity == 0) return;
  if (selection < 0) {
    std::snprintf(out, capacity, "GVUnMergeGeos: Cannot UnMerge Geo 'Group' !");
  } else if (result == -1) {
    std::snprintf(out, capacity, "GVUnMergeGeos: Cannot UnMerge Geo ... bad Geo_ID supplied !");
  } else if (result == -2) {
    std::snprintf(out, capacity, "GVUnMergeGeos: Cannot UnMerge Geo ... Geo contains 'stray' vtxpts !");
  } else if (result > 0) {
    std::snprintf(out, capacity, "GVUnMergeGeos: UnMerge Geo successful ... number 'new' geos = %d", result);
  } else {
    std::snprintf(out, capacity, "GVUnMergeGeos: Cannot UnMerge Geo !");
  }
}

void GVFreeGeoList(ObjHandle** cell) {
  if (!cell || !*cell) return;
  GVDeleteGeoList(*cell);
  delete *cell;
  *cell = nullptr;
}
