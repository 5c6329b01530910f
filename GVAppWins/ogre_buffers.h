// Geo and Jel geometry as engine sub-meshes: each builder makes one named
// sub-mesh with its own vertex and index buffers, each writer rewrites the
// positions, normals and tangents of a sub-mesh in place.
//
// Vertex layouts (interleaved floats): source 0 position, normal and, for a Geo
// sub-mesh of UV set 0 when the Geo has UV sets, tangent (24 or 36 bytes);
// source 1 the packed vertex colour of per-vertex-UV Geo sub-meshes, or the
// texture coordinates of UV-entry sub-meshes; source 2 the texture
// coordinates of per-vertex-UV sub-meshes.
#pragma once

#include <OGRE/OgreHardwareVertexBuffer.h>
#include <OGRE/OgrePrerequisites.h>

#include <cstddef>
#include <cstdint>

struct ObjHandle;
class HObject;
class WorkerPool;

// Buffer flags of the builders and writers.
enum : int32_t {
  GV_BUF_PLAIN = 0x1,        // the plain vertex position
  GV_BUF_OFFSET = 0x2,       // the position moved along the normal by the offset (wins over 0x1)
  GV_BUF_JEL_LIVE = 0x4,     // a Jel's live node positions and normals (0x8 alike)
  GV_BUF_JEL_LIVE2 = 0x8,
  GV_BUF_DOUBLE_SIDED = 0x10,  // a second, back-facing copy of every vertex
};

// The packed colour every per-vertex-UV Geo vertex carries.
constexpr float kGeoVertexColour[4] = {0.4f, 0.9f, 0.4f, 1.0f};

// Index of the new sub-mesh in the mesh, 0 for a null handle. Vertex selector
// -2 takes the current vertices, any other the base vertices; UV-set index -1
// builds without texture coordinates.
uint16_t GVCreateOgreGeoSubMesh(const char* name, const Ogre::MeshPtr& mesh, ObjHandle* geo, int dynamic,
                                int selector, int32_t flags, int32_t uvSet, float offset);
// The same for a UV set holding its own vertex list; 0 also for UV-set index
// -1 or a Geo without that set or its entries.
uint16_t GVCreateOgreGeoUVSubMesh(const char* name, const Ogre::MeshPtr& mesh, ObjHandle* geo, int dynamic,
                                  int selector, int32_t flags, int32_t uvSet, float offset);
uint16_t GVCreateOgreJelSubMesh(const char* name, const Ogre::MeshPtr& mesh, HObject** jel, int32_t flags);

// With a pool a large buffer is written in pieces side by side.
void GVUpdateOgreGeoBuffer(Ogre::SubMesh* sub, int32_t uvSet, ObjHandle* geo, int selector, int32_t flags,
                           float offset, WorkerPool* pool = nullptr);
void GVUpdateOgreGeoUVBuffer(Ogre::SubMesh* sub, int32_t uvSet, ObjHandle* geo, int selector, int32_t flags,
                             float offset);
// A Jel's surface buffer is written in three steps, so that several fill side
// by side: the checks and the lock (false: nothing to write, nothing locked),
// the fill (plain memory, on any thread), the unlock.
struct JelBufferWrite {
  Ogre::HardwareVertexBufferSharedPtr buffer;
  char* base = nullptr;
  size_t stride = 0;
  size_t nodes = 0;
  bool twoSided = false;
};
bool GVBeginJelBufferWrite(Ogre::SubMesh* sub, HObject** jel, int32_t flags, JelBufferWrite* write);
void GVFillJelBuffer(const JelBufferWrite& write, const HObject* jel);
void GVEndJelBufferWrite(JelBufferWrite* write);

// Buffers of more vertices than 16-bit indices address take 32-bit indices.
constexpr int64_t kMax16BitVertices = 65536;
