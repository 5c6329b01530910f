#include "GVAppWins/ogre_buffers.h"

#include <OGRE/Ogre.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "GVAppWins/ogre_geo_objects.h"
#include "GVAppWins/ogre_view.h"
#include "geo/geo_materials.h"
#include "geo/uv_sets.h"
#include "jel/jel_object.h"
#include "jel/worker_pool.h"
#include "records/obj_handle.h"

namespace {

const float kZeroTangent[3] = {0.0f, 0.0f, 0.0f};

// Vertices one call of a buffer rewrite takes on the pool.
constexpr int32_t kBufferPiece = 4096;

GObject* geoOf(ObjHandle* h) { return h ? static_cast<GObject*>(h->object) : nullptr; }

const GVFloat3* positionsOf(const GObject* g, int selector) {
  return selector == -2 ? g->vertices : g->baseVertices;
}

// A sub-mesh of UV set 0 carries tangents when the Geo has UV sets at all.
bool withTangents(const GObject* g, int32_t uvSet) { return uvSet == 0 && g->uvSets && g->uvSets->count > 0; }

// The offset the flags ask for: +d or -d along the normal, or none.
float offsetOf(int32_t flags, float d) { return (flags & GV_BUF_OFFSET) ? d : 0.0f; }

void putVertex(float*& out, const float* p, const float* n, const float* t, float d, float sign) {
  const float nx = n ? n[0] : 0.0f, ny = n ? n[1] : 0.0f, nz = n ? n[2] : 0.0f;
  *out++ = p[0] + sign * d * nx;
  *out++ = p[1] + sign * d * ny;
  *out++ = p[2] + sign * d * nz;
  *out++ = sign * nx;
  *out++ = sign * ny;
  *out++ = sign * nz;
  if (t) {
    *out++ = sign * t[0];
    *out++ = sign * t[1];
    *out++ = sign * t[2];
  }
}

// Triangle-list indices of the faces: fronts with reversed winding, backs
// (second half, shifted by n) with the stored one. Numbers are 1-based.
struct FaceIndices {
  std::vector<uint32_t> items;
  void front(uint32_t a, uint32_t b, uint32_t c) {
    items.push_back(a - 1);
    items.push_back(c - 1);
    items.push_back(b - 1);
  }
  void back(uint32_t a, uint32_t b, uint32_t c, uint32_t n) {
    items.push_back(a - 1 + n);
    items.push_back(b - 1 + n);
    items.push_back(c - 1 + n);
  }
  void quads(const int32_t (*q)[4], int32_t count, bool twoSided, uint32_t n) {
    for (int32_t k = 1; k <= count; ++k) {
      front(q[k][0], q[k][1], q[k][2]);
      front(q[k][0], q[k][2], q[k][3]);
    }
    if (!twoSided) return;
    for (int32_t k = 1; k <= count; ++k) {
      back(q[k][0], q[k][1], q[k][2], n);
      back(q[k][0], q[k][2], q[k][3], n);
    }
  }
  template <typename Tri>
  void triangles(const Tri* t, int32_t count, bool twoSided, uint32_t n) {
    for (int32_t k = 1; k <= count; ++k) front(t[k][0], t[k][1], t[k][2]);
    if (!twoSided) return;
    for (int32_t k = 1; k <= count; ++k) back(t[k][0], t[k][1], t[k][2], n);
  }
};

// Drops indices that point outside the buffer, whole triangles at a time, so a
// damaged face table cannot make the engine read past a vertex buffer.
void keepValidTriangles(std::vector<uint32_t>& idx, uint32_t vertexCount) {
  size_t w = 0;
  for (size_t r = 0; r + 2 < idx.size(); r += 3) {
    if (idx[r] >= vertexCount || idx[r + 1] >= vertexCount || idx[r + 2] >= vertexCount) continue;
    idx[w++] = idx[r];
    idx[w++] = idx[r + 1];
    idx[w++] = idx[r + 2];
  }
  idx.resize(w);
}

Ogre::HardwareVertexBufferSharedPtr uploadVertices(Ogre::VertexData* vd, unsigned short source, size_t vertexSize,
                                                   const void* data, Ogre::HardwareBuffer::Usage usage) {
  Ogre::HardwareVertexBufferSharedPtr buf = Ogre::HardwareBufferManager::getSingleton().createVertexBuffer(
      vertexSize, vd->vertexCount, usage, false);
  buf->writeData(0, buf->getSizeInBytes(), data, true);
  vd->vertexBufferBinding->setBinding(source, buf);
  return buf;
}

// Index buffer of the sub-mesh: 16-bit while every index fits, 32-bit for a
// larger buffer. No faces, no index buffer.
void uploadIndices(Ogre::SubMesh* sub, std::vector<uint32_t>& idx, size_t vertexCount) {
  keepValidTriangles(idx, static_cast<uint32_t>(vertexCount));
  sub->indexData->indexStart = 0;
  sub->indexData->indexCount = idx.size();
  if (idx.empty()) return;
  const bool wide = static_cast<int64_t>(vertexCount) > kMax16BitVertices;
  Ogre::HardwareIndexBufferSharedPtr ib = Ogre::HardwareBufferManager::getSingleton().createIndexBuffer(
      wide ? Ogre::HardwareIndexBuffer::IT_32BIT : Ogre::HardwareIndexBuffer::IT_16BIT, idx.size(),
      Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY, false);
  if (wide) {
    ib->writeData(0, ib->getSizeInBytes(), idx.data(), true);
  } else {
    std::vector<uint16_t> narrow(idx.begin(), idx.end());
    ib->writeData(0, ib->getSizeInBytes(), narrow.data(), true);
  }
  sub->indexData->indexBuffer = ib;
}

// A fixed per-vertex attribute of one element type under its own binding.
void uploadStatic(Ogre::VertexData* vd, unsigned short source, Ogre::VertexElementType type, const void* data) {
  uploadVertices(vd, source, Ogre::VertexElement::getTypeSize(type), data, Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY);
}

// Position, normal and optionally tangent interleaved in source 0; returns the vertex size.
size_t declareMain(Ogre::VertexDeclaration* decl, bool tangents) {
  size_t off = decl->addElement(0, 0, Ogre::VET_FLOAT3, Ogre::VES_POSITION).getSize();
  off += decl->addElement(0, off, Ogre::VET_FLOAT3, Ogre::VES_NORMAL).getSize();
  if (tangents) off += decl->addElement(0, off, Ogre::VET_FLOAT3, Ogre::VES_TANGENT).getSize();
  return off;
}

Ogre::SubMesh* newSubMesh(const Ogre::MeshPtr& mesh, const char* name, size_t vertexCount) {
  Ogre::SubMesh* sub = mesh->createSubMesh(name);
  sub->useSharedVertices = false;
  sub->vertexData = OGRE_NEW Ogre::VertexData();
  sub->vertexData->vertexStart = 0;
  sub->vertexData->vertexCount = vertexCount;
  return sub;
}

void setMeshBounds(const Ogre::MeshPtr& mesh, const float box[6]) {
  Ogre::AxisAlignedBox aab(box[0], box[1], box[2], box[3], box[4], box[5]);
  mesh->_setBounds(aab, true);
  const float dx = box[3] - box[0], dy = box[4] - box[1], dz = box[5] - box[2];
  mesh->_setBoundingSphereRadius(0.5f * std::sqrt(dx * dx + dy * dy + dz * dz));
}

// Geo faces as indices: triangles when it has only triangles, quads when only
// quads; both or neither draw nothing.
void geoFaceIndices(const GObject* g, bool twoSided, uint32_t n, FaceIndices& out) {
  if (g->triangleCount > 0 && g->quadCount == 0 && g->triangles)
    out.triangles(g->triangles, g->triangleCount, twoSided, n);
  else if (g->quadCount > 0 && g->triangleCount == 0 && g->quads)
    out.quads(g->quads, g->quadCount, twoSided, n);
}

Ogre::HardwareBuffer::Usage mainUsage(int dynamic) {
  return dynamic ? Ogre::HardwareBuffer::HBU_DYNAMIC_WRITE_ONLY : Ogre::HardwareBuffer::HBU_STATIC_WRITE_ONLY;
}

// Locks the position source of the sub-mesh for a whole rewrite.
struct PositionLock {
  Ogre::HardwareVertexBufferSharedPtr buf;
  char* base = nullptr;
  size_t stride = 0;
  explicit PositionLock(Ogre::SubMesh* sub) {
    Ogre::VertexData* vd = sub->vertexData;
    if (!vd) return;
    const Ogre::VertexElement* e = vd->vertexDeclaration->findElementBySemantic(Ogre::VES_POSITION, 0);
    if (!e) return;
    buf = vd->vertexBufferBinding->getBuffer(e->getSource());
    stride = buf->getVertexSize();
    base = static_cast<char*>(buf->lock(Ogre::HardwareBuffer::HBL_DISCARD)) + e->getOffset();
  }
  ~PositionLock() {
    if (base) buf->unlock();
  }
  float* at(size_t i) const { return reinterpret_cast<float*>(base + i * stride); }
};

const float* rowOf(const GVFloat3* a, int32_t i) { return a ? a[i] : nullptr; }

}  // namespace

uint16_t GVCreateOgreGeoSubMesh(const char* name, const Ogre::MeshPtr& mesh, ObjHandle* h, int dynamic,
                                int selector, int32_t flags, int32_t uvSet, float offset) {
  GObject* g = geoOf(h);
  if (!g) return 0;
  Ogre::SubMesh* sub = newSubMesh(mesh, name, 0);
  const uint16_t index = mesh->_getSubMeshIndex(name);
  const UVSet* uv = (uvSet != -1) ? GVGetUVSet(g->uvSets, uvSet) : nullptr;
  const bool tangents = withTangents(g, uvSet);
  const GVFloat3* pos = positionsOf(g, selector);
  const int32_t n = pos ? g->vertexCount : 0;
  const bool twoSided = (flags & GV_BUF_DOUBLE_SIDED) != 0;
  const size_t count = static_cast<size_t>(n) * (twoSided ? 2 : 1);
  const size_t floats = tangents ? 9 : 6;
  const float d = offsetOf(flags, offset);

  std::vector<float> verts(count * floats);
  float* out = verts.data();
  for (int sign = 1; sign >= (twoSided ? -1 : 1); sign -= 2)
    for (int32_t i = 1; i <= n; ++i)
      putVertex(out, pos[i], rowOf(g->vertexNormals, i),
                tangents ? (g->renderNormals ? g->renderNormals[i] : kZeroTangent) : nullptr, d,
                static_cast<float>(sign));

  uint32_t colour = 0;
  Ogre::Root::getSingleton().getRenderSystem()->convertColourValue(
      Ogre::ColourValue(kGeoVertexColour[0], kGeoVertexColour[1], kGeoVertexColour[2], kGeoVertexColour[3]),
      &colour);
  std::vector<uint32_t> colours(count, colour);

  // A set with no pairs uploads (0, 0) for every vertex.
  std::vector<float> uvs;
  if (uv) {
    uvs.assign(count * 2, 0.0f);
    if (uv->uvPairs && uv->uvCount >= n)
      for (size_t k = 0; k < count; ++k) {
        const int32_t i = static_cast<int32_t>(k % static_cast<size_t>(n)) + 1;
        uvs[2 * k] = uv->uvPairs[i][0];
        uvs[2 * k + 1] = uv->uvPairs[i][1];
      }
  }

  FaceIndices idx;
  geoFaceIndices(g, twoSided, static_cast<uint32_t>(n), idx);

  sub->vertexData->vertexCount = count;
  Ogre::VertexDeclaration* decl = sub->vertexData->vertexDeclaration;
  const size_t off = declareMain(decl, tangents);
  decl->addElement(1, 0, Ogre::VET_COLOUR, Ogre::VES_DIFFUSE);
  if (uv) decl->addElement(2, 0, Ogre::VET_FLOAT2, Ogre::VES_TEXTURE_COORDINATES, 0);
  if (count > 0) {
    uploadVertices(sub->vertexData, 0, off, verts.data(), mainUsage(dynamic));
    uploadStatic(sub->vertexData, 1, Ogre::VET_COLOUR, colours.data());
    if (uv) uploadStatic(sub->vertexData, 2, Ogre::VET_FLOAT2, uvs.data());
  }
  uploadIndices(sub, idx.items, count);

  float box[6];
  GVGetOgreGeoBox(h, box);
  setMeshBounds(mesh, box);
  return index;
}

uint16_t GVCreateOgreGeoUVSubMesh(const char* name, const Ogre::MeshPtr& mesh, ObjHandle* h, int dynamic,
                                  int selector, int32_t flags, int32_t uvSet, float offset) {
  GObject* g = geoOf(h);
  if (!g || uvSet == -1) return 0;
  const UVSet* uv = GVGetUVSet(g->uvSets, uvSet);
  if (!uv || !uv->uvCorners) return 0;
  const GVFloat3* pos = positionsOf(g, selector);
  Ogre::SubMesh* sub = newSubMesh(mesh, name, 0);
  const uint16_t index = mesh->_getSubMeshIndex(name);
  const int32_t n = pos ? uv->uvCount : 0;
  const bool twoSided = (flags & GV_BUF_DOUBLE_SIDED) != 0;
  const size_t count = static_cast<size_t>(n) * (twoSided ? 2 : 1);
  const float d = offsetOf(flags, offset);

  static const float kOrigin[3] = {0, 0, 0};
  std::vector<float> verts(count * 6);
  std::vector<float> uvs(count * 2);
  float* out = verts.data();
  float* t = uvs.data();
  for (int sign = 1; sign >= (twoSided ? -1 : 1); sign -= 2)
    for (int32_t i = 1; i <= n; ++i) {
      const int32_t v = uv->uvCorners[i].vertex;
      const bool ok = GVGeoVertexOk(g, v);
      putVertex(out, ok ? pos[v] : kOrigin, ok ? rowOf(g->vertexNormals, v) : nullptr, nullptr, d,
                static_cast<float>(sign));
      *t++ = uv->uvCorners[i].u;
      *t++ = uv->uvCorners[i].v;
    }

  FaceIndices idx;
  if (uv->uvFaces) {
    for (int32_t k = 1; k <= uv->faceCount; ++k) {
      const int32_t* c = uv->uvFaces[k].corner;
      idx.front(c[0], c[1], c[2]);
    }
    if (twoSided)
      for (int32_t k = 1; k <= uv->faceCount; ++k) {
        const int32_t* c = uv->uvFaces[k].corner;
        idx.back(c[0], c[1], c[2], static_cast<uint32_t>(n));
      }
  }

  sub->vertexData->vertexCount = count;
  Ogre::VertexDeclaration* decl = sub->vertexData->vertexDeclaration;
  const size_t off = declareMain(decl, false);
  decl->addElement(1, 0, Ogre::VET_FLOAT2, Ogre::VES_TEXTURE_COORDINATES, 0);
  if (count > 0) {
    uploadVertices(sub->vertexData, 0, off, verts.data(), mainUsage(dynamic));
    uploadStatic(sub->vertexData, 1, Ogre::VET_FLOAT2, uvs.data());
  }
  uploadIndices(sub, idx.items, count);
  return index;
}

uint16_t GVCreateOgreJelSubMesh(const char* name, const Ogre::MeshPtr& mesh, HObject** cell, int32_t flags) {
  HObject* jel = cell ? *cell : nullptr;
  if (!jel) return 0;
  Ogre::SubMesh* sub = newSubMesh(mesh, name, 0);
  const uint16_t index = mesh->_getSubMeshIndex(name);
  const int32_t n = jel->pos ? jel->nodeCount : 0;
  const bool twoSided = (flags & GV_BUF_DOUBLE_SIDED) != 0;
  const size_t count = static_cast<size_t>(n) * (twoSided ? 2 : 1);

  std::vector<float> verts(count * 6);
  float* out = verts.data();
  for (int sign = 1; sign >= (twoSided ? -1 : 1); sign -= 2)
    for (int32_t i = 1; i <= n; ++i)
      putVertex(out, jel->pos[i], jel->nodeNormals ? jel->nodeNormals[i] : nullptr, nullptr, 0.0f,
                static_cast<float>(sign));
  FaceIndices idx;
  if (jel->faces) idx.quads(jel->faces, jel->faceCount, twoSided, static_cast<uint32_t>(n));

  sub->vertexData->vertexCount = count;
  Ogre::VertexDeclaration* decl = sub->vertexData->vertexDeclaration;
  const size_t off = declareMain(decl, false);
  if (count > 0)
    uploadVertices(sub->vertexData, 0, off, verts.data(),
                   Ogre::HardwareBuffer::HBU_DYNAMIC_WRITE_ONLY_DISCARDABLE);
  uploadIndices(sub, idx.items, count);

  float box[6];
  GVGetOgreJelBox(cell, box);
  setMeshBounds(mesh, box);
  return index;
}

void GVUpdateOgreGeoBuffer(Ogre::SubMesh* sub, int32_t uvSet, ObjHandle* h, int selector, int32_t flags,
                           float offset, WorkerPool* pool) {
  GObject* g = geoOf(h);
  if (!gOgreData || !sub || !g || !(flags & (GV_BUF_PLAIN | GV_BUF_OFFSET))) return;
  const bool tangents = withTangents(g, uvSet);
  const GVFloat3* pos = positionsOf(g, selector);
  const GVFloat3* nrm = g->vertexNormals;
  if (!pos || !nrm) return;
  if (!sub->vertexData || sub->vertexData->vertexCount == 0) return;
  const bool twoSided = (flags & GV_BUF_DOUBLE_SIDED) != 0;
  size_t n = sub->vertexData->vertexCount;
  if (twoSided) n /= 2;
  if (n > static_cast<size_t>(g->vertexCount)) return;  // the mesh no longer matches its buffer
  const float d = offsetOf(flags, offset);
  const GVFloat3* tan = g->renderNormals;

  PositionLock lock(sub);
  if (!lock.base) return;
  // Positions, normals and tangents are consecutive floats from the position
  // element on; the back half follows the front. A large mesh is written in
  // pieces side by side (the locked memory is plain memory until the unlock).
  auto piece = [&](size_t first, size_t last) {
    for (int sign = 1; sign >= (twoSided ? -1 : 1); sign -= 2) {
      const float s = static_cast<float>(sign);
      const size_t back = sign < 0 ? n : 0;
      for (size_t i = first; i <= last; ++i) {
        float* out = lock.at(back + i - 1);
        putVertex(out, pos[i], nrm[i], tangents ? (tan ? tan[i] : kZeroTangent) : nullptr, d, s);
      }
    }
  };
  GVRunInPieces(pool, static_cast<int32_t>(n), kBufferPiece,
                [&](int32_t first, int32_t last) { piece(static_cast<size_t>(first), static_cast<size_t>(last)); });
}

void GVUpdateOgreGeoUVBuffer(Ogre::SubMesh* sub, int32_t uvSet, ObjHandle* h, int selector, int32_t flags,
                             float offset) {
  GObject* g = geoOf(h);
  if (!gOgreData || !sub || !g || !(flags & (GV_BUF_PLAIN | GV_BUF_OFFSET))) return;
  if (!g->uvSets || uvSet < 0 || uvSet >= g->uvSets->count) return;
  const UVSet* uv = GVGetUVSet(g->uvSets, uvSet);
  const GVFloat3* pos = positionsOf(g, selector);
  const GVFloat3* nrm = g->vertexNormals;
  if (!uv || !uv->uvCorners || !pos || !nrm || !sub->vertexData) return;
  const bool twoSided = (flags & GV_BUF_DOUBLE_SIDED) != 0;
  size_t n = sub->vertexData->vertexCount;
  if (twoSided) n /= 2;
  if (n == 0 || n > static_cast<size_t>(uv->uvCount)) return;
  const float d = offsetOf(flags, offset);
  static const float kOrigin[3] = {0, 0, 0};

  PositionLock lock(sub);
  if (!lock.base) return;
  size_t slot = 0;
  for (int sign = 1; sign >= (twoSided ? -1 : 1); sign -= 2)
    for (size_t i = 1; i <= n; ++i, ++slot) {
      const int32_t v = uv->uvCorners[i].vertex;
      const bool ok = GVGeoVertexOk(g, v);
      float* out = lock.at(slot);
      putVertex(out, ok ? pos[v] : kOrigin, ok ? nrm[v] : nullptr, nullptr, d, static_cast<float>(sign));
    }
}

bool GVBeginJelBufferWrite(Ogre::SubMesh* sub, HObject** cell, int32_t flags, JelBufferWrite* w) {
  HObject* jel = cell ? *cell : nullptr;
  if (!sub || !jel || !(flags & (GV_BUF_JEL_LIVE | GV_BUF_JEL_LIVE2))) return false;
  if (!jel->pos || !sub->vertexData) return false;
  const bool twoSided = (flags & GV_BUF_DOUBLE_SIDED) != 0;
  size_t n = sub->vertexData->vertexCount;
  if (twoSided) n /= 2;
  if (n == 0 || n > static_cast<size_t>(jel->nodeCount)) return false;
  PositionLock lock(sub);
  if (!lock.base) return false;
  w->buffer = lock.buf;
  w->base = lock.base;
  w->stride = lock.stride;
  w->nodes = n;
  w->twoSided = twoSided;
  lock.base = nullptr;  // the write keeps the lock
  return true;
}

void GVFillJelBuffer(const JelBufferWrite& w, const HObject* jel) {
  size_t slot = 0;
  for (int sign = 1; sign >= (w.twoSided ? -1 : 1); sign -= 2)
    for (size_t i = 1; i <= w.nodes; ++i, ++slot) {
      float* out = reinterpret_cast<float*>(w.base + slot * w.stride);
      putVertex(out, jel->pos[i], jel->nodeNormals ? jel->nodeNormals[i] : nullptr, nullptr, 0.0f,
                static_cast<float>(sign));
    }
}

void GVEndJelBufferWrite(JelBufferWrite* w) {
  if (w->base) w->buffer->unlock();
  *w = JelBufferWrite();
}
