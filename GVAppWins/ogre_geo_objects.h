// The engine objects that mirror a Geo: one manual mesh "%sGMESH" with a solid
// sub-mesh, one sub-mesh per further material layer and a wireframe sub-mesh,
// an entity, a scene node and one material per sub-mesh, all named from the
// Geo's name. Built, kept current after frames and edits, and destroyed here.
// Every operation does nothing while the engine path is not running.
#pragma once

#include <OGRE/OgrePrerequisites.h>

#include <cstdint>
#include <string>

struct GObject;
struct GeoMaterial;
struct UVSet;
struct ObjHandle;
class HObject;
class WorkerPool;

// The names of a Geo's engine objects.
struct GeoOgreNames {
  std::string mesh, solid, wire, entity, node, material, wireMaterial;
  explicit GeoOgreNames(const GObject* geo);
  std::string layer(int32_t i) const;          // sub-mesh of layer i
  std::string layerMaterial(int32_t i) const;  // material of layer i
};

// Wireframe colours of a Geo: (ambient, diffuse, specular, shininess).
struct WireColours {
  float ambient[4], diffuse[4], specular[4], shininess;
};
extern const WireColours kWireBuilt;       // a new wireframe
extern const WireColours kWireSelected;    // the selection's
extern const WireColours kWireUnselected;  // every other Geo's

void GVCreateOgreGeoObj(int32_t id, int32_t displayMode, int32_t selector);
void GVDestroyOgreGeoObj(ObjHandle* geo);
void GVSetOgreGeoNodeTransform(ObjHandle* geo, int32_t selector);
void GVUpdateOgreGeoMesh(ObjHandle* geo, int32_t selector, int32_t refreshWire);
void GVUpdateOgreObjects();
void GVRecomputeOgreGeoMesh(ObjHandle* geo);
void GVRecreateOgreGeoObj(ObjHandle* geo, int32_t materialIndex);
// (min x, min y, min z, max x, max y, max z).
void GVGetOgreGeoBox(ObjHandle* geo, float box[6]);
void GVUpdateOgreGeoBounds();
void GVGetOgreJelBox(HObject** jel, float box[6]);
// With a pool the boxes are made side by side.
void GVUpdateOgreJelBounds(WorkerPool* pool = nullptr);
int32_t GVIsGeoJelDriven(ObjHandle* geo);
void GVEyeCamFollowGeo(int32_t id, float halfAngle);
int GVGeoModeShowsSolid(int32_t mode);  // 8, 16, 32
int GVGeoModeShowsWire(int32_t mode);   // 2, 8, 32

// Material layer i of the Geo and the UV set it uses (null when absent).
GeoMaterial* GVGeoMaterialAt(const GObject* geo, int32_t i);
int32_t GVGeoMaterialCount(const GObject* geo);
UVSet* GVGeoMaterialUV(const GObject* geo, const GeoMaterial* m);
// A scripted Geo whose script file is gone turns to its properties for good,
// with the warning on the view's status line.
void GVCheckGeoScript(GObject* geo);
// The view's status line, when the main window's view exists.
void GVViewStatusLine(const char* text);

// The Geo's entity, or null when it has none (or the engine is not running).
Ogre::Entity* GVGeoEntity(const GObject* geo);
// A sub-entity or sub-mesh by name, null when there is none.
Ogre::SubEntity* GVFindSubEntity(Ogre::Entity* entity, const std::string& name);
Ogre::SubMesh* GVFindSubMesh(Ogre::Mesh* mesh, const std::string& name);
// Every Geo of the scene, in list order.
template <typename Fn>
void GVForEachSceneGeo(Fn fn);
ObjHandle* GVSceneGeoList();
ObjHandle* GVSceneFirstGeo();
ObjHandle* GVSceneNextGeo(ObjHandle* geo);
template <typename Fn>
void GVForEachSceneGeo(Fn fn) {
  for (ObjHandle* h = GVSceneFirstGeo(); h; h = GVSceneNextGeo(h)) fn(h);
}
// Every Jel of the scene's world, in list order (fn takes the Jel's handle).
HObject** GVSceneFirstJel();
HObject** GVSceneNextJel(HObject** jel);
template <typename Fn>
void GVForEachSceneJel(Fn fn) {
  for (HObject** cell = GVSceneFirstJel(); cell && *cell;) {
    HObject** next = GVSceneNextJel(cell);
    fn(cell);
    cell = next;
  }
}
// The world's state mode and current frame (0, 0 without a world).
int32_t GVSceneStateMode();
int32_t GVSceneCurrentFrame();
