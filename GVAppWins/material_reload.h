// Reloading a material script the user may have edited while the program
// runs: every material and GPU program the file defines is thrown out of the
// engine, the file is parsed again, the material is compiled and loaded, and
// every resource the file names is loaded again. Failures go to the engine's
// log only.
#pragma once

#include <OGRE/OgrePrerequisites.h>

void GVReloadMaterial(const Ogre::String& material, const Ogre::String& group, const Ogre::String& file,
                      bool parse);
void GVUnloadMaterials(const Ogre::String& file);
void GVUnloadVertexPrograms(const Ogre::String& file);
void GVUnloadFragmentPrograms(const Ogre::String& file);
void GVUnloadOgreResource(Ogre::ResourceManager* manager, const Ogre::String& name);
void GVLoadOgreResource(Ogre::ResourceManager* manager, const Ogre::String& group, const Ogre::String& name);

// The resource a script line defines, or "" when the line defines none of
// that kind: kind 0 material, 1 vertex program, 2 fragment program.
Ogre::String GVScriptLineResource(const Ogre::String& line, int kind);
