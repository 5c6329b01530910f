// The engine objects that mirror a Jel: a translucent surface (manual mesh
// "%sHMESH" with its sub-mesh "%sHSUBMESH", entity "%sHENT", material
// "%sHMAT") and a line drawing of its lattice (manual object "%sMO"), both on
// the node "%sHNODE" at the origin, all named from the Jel's name (with its id
// added when another Jel's objects hold that name). The Jel reaches them
// through its mirror record, never by name. Every operation does nothing
// while the engine path is not running.
#pragma once

#include <OGRE/OgrePrerequisites.h>

#include <cstdint>
#include <string>

class HObject;
class WorkerPool;
struct OgreData;
struct OgreJelMirror;

// The Jel's own mirror, or null when it is not drawn.
OgreJelMirror* GVOgreJelMirror(HObject** jel);
Ogre::Entity* GVOgreJelEntity(HObject** jel);
Ogre::SubEntity* GVOgreJelSurface(HObject** jel);
Ogre::ManualObject* GVOgreJelLattice(HObject** jel);
// The engine is going: every mirror record is freed (the engine frees the
// objects themselves).
void GVForgetOgreJelMirrors(OgreData* data);

// The stem of the Jel's engine names: its mirror's, or without one the
// Jel's name ("" when it has none).
std::string GVOgreJelBaseName(HObject** jel);

// Buffer format of the Jel's surface: live positions, with a back-facing copy
// for a one-layer Jel.
int32_t GVOgreJelFormat(HObject** jel);

// Face normals, then node normals, recomputed when the Jel changed since they
// were last computed.
void GVRefreshJelNormals(HObject* jel);

Ogre::ManualObject* GVCreateOgreJelManualObject(HObject** jel, float offset);
Ogre::ManualObject* GVUpdateJelManualObject(HObject** jel, float grey, float offset);

void GVCreateOgreJelObj(int32_t id, int32_t displayMode);
void GVUpdateOgreJelMesh(HObject** jel);
// Every Jel of the scene the same, their normals and buffer fills side by
// side on the pool when one is given.
void GVUpdateOgreJelMeshes(WorkerPool* pool);
void GVDestroyOgreJelObj(HObject** jel);
