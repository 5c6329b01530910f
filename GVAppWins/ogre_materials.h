// The engine materials of Geos and Jels: material-property layers as pass
// settings, the switch between a material script and properties, the Jel
// surface, the display modes, the selection highlight and the disposal of
// materials. Every operation does nothing while the engine is not running.
#pragma once

#include <OGRE/OgrePrerequisites.h>

#include <cstdint>

struct GeoMaterial;
struct UVSet;
struct WireColours;
class HObject;

// Display types of a material layer.
enum : int32_t {
  GV_DISPLAY_OPAQUE = 1,
  GV_DISPLAY_TRANSPARENT = 2,
  GV_DISPLAY_IGNORE = 4,
  GV_DISPLAY_ALPHA_MASK = 8,
  GV_DISPLAY_RTT_OPAQUE = 16,
  GV_DISPLAY_RTT_TRANSPARENT = 32,
  GV_DISPLAY_RTT_ALPHA_MASK = 64,
};

void GVApplyGeoMaterialProps(GeoMaterial* layer, const Ogre::MaterialPtr& material, const UVSet* uv);
void GVSetOgreGeoMaterial(int32_t id, int32_t displayMode);
void GVAssignOgreGeoMaterial(int32_t id);
void GVSetOgreJelMaterial(int32_t displayMode, HObject** jel);
void GVUpdateAllOgreJelMaterials(int32_t displayMode);
// A mode of 0 leaves that kind of object as it is.
void GVApplyOgreDisplayModes(int32_t geoMode, int32_t jelMode);
void GVOgreShowGeoSelection(int32_t selection, int32_t displayMode);
void GVOgreShowJelSelection(int32_t selection, int32_t displayMode);
void GVDisposeOgreMaterial(const Ogre::MaterialPtr& material);
void GVDisposeSubEntityMaterial(Ogre::SubEntity* sub);

// Wireframe polygon mode and colours on a pass.
void GVSetWirePass(Ogre::Pass* pass, const WireColours& colours);
