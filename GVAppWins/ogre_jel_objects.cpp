#include "GVAppWins/ogre_jel_objects.h"

#include <OGRE/Ogre.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "GVAppWins/ogre_buffers.h"
#include "GVAppWins/ogre_geo_objects.h"
#include "GVAppWins/ogre_materials.h"
#include "GVAppWins/ogre_view.h"
#include "GVAppWins/view_links.h"
#include "GVAppWins/view_window.h"
#include "jel/jel_object.h"
#include "jel/worker_pool.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "vehicle/vehicle_record.h"

// What the engine holds for one Jel. The Jel's user word points here; a
// word that names no mirror of the running engine (a Jel rebuilt in place
// keeps its predecessor's) or one another Jel owns counts as none.
struct OgreJelMirror {
  HObject* owner = nullptr;
  std::string base;
  Ogre::Entity* entity = nullptr;
  Ogre::SubEntity* surface = nullptr;
  Ogre::SceneNode* node = nullptr;
  Ogre::ManualObject* lattice = nullptr;
};

namespace {

const Ogre::String& defaultGroup() { return Ogre::ResourceGroupManager::DEFAULT_RESOURCE_GROUP_NAME; }

// Removes a mesh of that name from the mesh manager, when it holds one.
void removeMesh(const std::string& name, const Ogre::String& group) {
  Ogre::MeshManager& mm = Ogre::MeshManager::getSingleton();
  if (mm.resourceExists(name, group)) mm.remove(name, group);
}

// The lattice line set: the four edges of every face, an edge (p, q) drawn
// when p < q or always on a one-layer Jel, whose faces are drawn again at -d
// on the other side of the sheet. put(p, q, d) draws one edge.
template <typename Put>
void forEachLatticeLine(const HObject* jel, bool flat, float d, Put put) {
  for (int pass = 0; pass < (flat ? 2 : 1); ++pass) {
    const float off = pass == 0 ? d : -d;
    for (int32_t f = 1; f <= jel->faceCount; ++f) {
      const int32_t* q = jel->faces[f];
      for (int e = 0; e < 4; ++e) {
        const int32_t a = q[e], b = q[(e + 1) % 4];
        if (flat || a < b) put(a, b, off);
      }
    }
  }
}

// A node moved off the surface along its normal.
Ogre::Vector3 offsetNode(const HObject* jel, int32_t i, float d) {
  const float* p = jel->pos[i];
  const float* n = jel->nodeNormals[i];
  return Ogre::Vector3(p[0] + d * n[0], p[1] + d * n[1], p[2] + d * n[2]);
}

bool usableLattice(const HObject* jel) { return jel && jel->nodeNormals && jel->pos && (jel->faces || jel->faceCount == 0); }

// The eighth vehicle group selector: the group the vehicle keeps out of view.
int32_t vehicleHiddenGroup() {
  const VehicleRec* v = GVScene().vehicle ? GVVehicleOf(GVScene().vehicle) : nullptr;
  if (!v) return 0;
  int32_t groups[kVehicleGroups] = {};
  GVVehicleGroups(v, groups);
  return groups[kVehicleGroups - 1];
}

// Is any of these engine names already held?
bool engineNamesTaken(const std::string& base) {
  Ogre::SceneManager* sm = gOgreData->mSceneMgr;
  Ogre::MeshManager& meshes = Ogre::MeshManager::getSingleton();
  return sm->hasEntity(base + "HENT") || sm->hasSceneNode(base + "HNODE") || sm->hasManualObject(base + "MO") ||
         meshes.resourceExists(base + "HMESH", "General") || meshes.resourceExists(base + "MESHDR", defaultGroup()) ||
         Ogre::MaterialManager::getSingleton().resourceExists(base + "HMAT", defaultGroup());
}

// The stem of a new mirror's engine names: the Jel's own name while the
// engine holds none of its names, else the name with the Jel's id (and a
// count, should even that be taken), so that Jels sharing a name each get
// objects of their own. The user only ever sees the Jel's name.
std::string freeEngineStem(const std::string& name, int32_t id) {
  if (!engineNamesTaken(name)) return name;
  const std::string stem = name + "#" + std::to_string(id);
  std::string base = stem;
  for (int k = 2; engineNamesTaken(base); ++k) base = stem + "#" + std::to_string(k);
  return base;
}

// Everything that bears a mirror's engine names; only for names that were
// free before the build.
void destroyEngineNamed(const std::string& base) {
  Ogre::SceneManager* sm = gOgreData->mSceneMgr;
  if (sm->hasSceneNode(base + "HNODE")) {
    Ogre::SceneNode* node = sm->getSceneNode(base + "HNODE");
    node->detachAllObjects();
    sm->destroySceneNode(node);
  }
  if (sm->hasEntity(base + "HENT")) sm->destroyEntity(base + "HENT");
  if (sm->hasManualObject(base + "MO")) sm->destroyManualObject(base + "MO");
  Ogre::MaterialPtr mat = Ogre::MaterialManager::getSingleton().getByName(base + "HMAT", defaultGroup());
  if (mat) GVDisposeOgreMaterial(mat);
  removeMesh(base + "HMESH", "General");
  removeMesh(base + "MESHDR", defaultGroup());
}

// Takes a mirror's objects out of the engine and forgets the mirror.
void destroyMirror(OgreJelMirror* m) {
  Ogre::SceneManager* sm = gOgreData->mSceneMgr;
  // The entity and its node go before the material and the mesh they use.
  if (m->node) {
    m->node->detachAllObjects();
    sm->destroySceneNode(m->node);
  }
  if (m->entity) {
    sm->destroyEntity(m->entity);
    Ogre::MaterialPtr mat = Ogre::MaterialManager::getSingleton().getByName(m->base + "HMAT", defaultGroup());
    if (mat) GVDisposeOgreMaterial(mat);
    removeMesh(m->base + "HMESH", "General");
  }
  if (m->lattice) sm->destroyManualObject(m->lattice);
  removeMesh(m->base + "MESHDR", defaultGroup());
  gOgreData->mJelMirrors.erase(m);
  delete m;
}

bool liveMirror(const void* m) {
  return m && gOgreData && gOgreData->mJelMirrors.count(static_cast<OgreJelMirror*>(const_cast<void*>(m))) != 0;
}

// The Jel's destroy hook: its user word is its mirror. A word left over from
// a Jel rebuilt in place may by now name another Jel's mirror: the handle,
// which still holds the Jel that goes, tells them apart.
void removeJelHook(HObject** handle, int32_t, void* user) {
  if (!gOgreData || !gOgreData->mSceneMgr || !liveMirror(user)) return;
  OgreJelMirror* m = static_cast<OgreJelMirror*>(user);
  if (handle && *handle && m->owner != *handle) return;
  destroyMirror(m);
}

// Rewrites the line drawing's vertex buffer in place, leaving the object as a
// section update would (the same vertices, unindexed, the bounds grown over
// them, its node told), in three steps so that several Jels fill side by side:
// begin checks the layout and locks, fill writes (plain memory, any thread),
// end unlocks and settles. Begin fails when that needs the update itself: the
// buffer is too small or laid out otherwise; end fails when a vertex lies
// outside the object's bounding radius, which only the update grows (the
// update then writes every vertex again).
struct LatticeWrite {
  Ogre::ManualObject* mo = nullptr;
  Ogre::HardwareVertexBufferSharedPtr buffer;
  const Ogre::VertexElement* pos = nullptr;
  const Ogre::VertexElement* col = nullptr;
  char* base = nullptr;
  size_t stride = 0, count = 0;
  Ogre::RGBA packed = 0;
  float radius = 0.0f;
  Ogre::AxisAlignedBox box;
  bool inside = true;
};

bool beginLatticeWrite(Ogre::ManualObject* mo, const HObject* jel, bool flat, const Ogre::ColourValue& colour,
                       float d, LatticeWrite* w) {
  Ogre::RenderOperation* op = mo->getSections()[0]->getRenderOperation();
  Ogre::VertexData* data = op->vertexData;
  if (!data || !data->vertexDeclaration || !data->vertexBufferBinding->isBufferBound(0)) return false;
  const Ogre::VertexDeclaration* decl = data->vertexDeclaration;
  const Ogre::VertexElement* pos = decl->findElementBySemantic(Ogre::VES_POSITION);
  const Ogre::VertexElement* col = decl->findElementBySemantic(Ogre::VES_DIFFUSE);
  if (decl->getElementCount() != 2 || !pos || !col || pos->getSource() != 0 || col->getSource() != 0 ||
      pos->getType() != Ogre::VET_FLOAT3)
    return false;
  const Ogre::HardwareVertexBufferSharedPtr buffer = data->vertexBufferBinding->getBuffer(0);
  size_t count = 0;
  forEachLatticeLine(jel, flat, d, [&](int32_t, int32_t, float) { count += 2; });
  if (count == 0 || buffer->getNumVertices() < count) return false;

  w->mo = mo;
  w->buffer = buffer;
  w->pos = pos;
  w->col = col;
  w->count = count;
  if (Ogre::RenderSystem* rs = Ogre::Root::getSingleton().getRenderSystem())
    rs->convertColourValue(colour, &w->packed);
  else
    w->packed = Ogre::VertexElement::convertColourValue(colour, col->getType());
  // The update would write the whole buffer again as well.
  w->radius = mo->getBoundingRadius();
  w->box = mo->getBoundingBox();
  w->stride = buffer->getVertexSize();
  w->base = static_cast<char*>(buffer->lock(0, count * w->stride, Ogre::HardwareBuffer::HBL_DISCARD));
  return true;
}

void fillLattice(LatticeWrite* w, const HObject* jel, bool flat, float d) {
  char* vertex = w->base;
  auto put = [&](const Ogre::Vector3& v) {
    float* p = nullptr;
    Ogre::RGBA* c = nullptr;
    w->pos->baseVertexPointerToElement(vertex, &p);
    w->col->baseVertexPointerToElement(vertex, &c);
    p[0] = v.x;
    p[1] = v.y;
    p[2] = v.z;
    *c = w->packed;
    vertex += w->stride;
    if (!(v.length() <= w->radius)) w->inside = false;
    w->box.merge(v);
  };
  forEachLatticeLine(jel, flat, d, [&](int32_t a, int32_t b, float off) {
    put(offsetNode(jel, a, off));
    put(offsetNode(jel, b, off));
  });
}

bool endLatticeWrite(LatticeWrite* w) {
  w->buffer->unlock();
  if (!w->inside) return false;
  Ogre::RenderOperation* op = w->mo->getSections()[0]->getRenderOperation();
  op->vertexData->vertexCount = w->count;
  if (op->indexData) op->indexData->indexCount = 0;
  op->useIndexes = false;
  w->mo->setBoundingBox(w->box);
  if (Ogre::Node* node = w->mo->getParentNode()) node->needUpdate();
  return true;
}

// The update itself: the lines again through a section update.
void updateLatticeSection(Ogre::ManualObject* mo, const HObject* jel, bool flat, const Ogre::ColourValue& colour,
                          float d) {
  mo->beginUpdate(0);
  forEachLatticeLine(jel, flat, d, [&](int32_t a, int32_t b, float off) {
    mo->position(offsetNode(jel, a, off));
    mo->colour(colour);
    mo->position(offsetNode(jel, b, off));
    mo->colour(colour);
  });
  mo->end();
}

// One Jel's mirror update in the steps above: what needs the engine before
// and after, and the fill between, which may run beside other Jels' fills.
struct JelMirrorUpdate {
  HObject** cell = nullptr;
  Ogre::Entity* entity = nullptr;
  JelBufferWrite surface;
  LatticeWrite lattice;
  bool latticeLocked = false, latticeUpdate = false, flat = false;
  Ogre::ColourValue grey;
  float offset = 0.0f;

  explicit JelMirrorUpdate(HObject** c) : cell(c) {}

  // The Jel's normals are current.
  void begin() {
    HObject* jel = *cell;
    const int32_t format = GVOgreJelFormat(cell);
    offset = gOgreData->mSelectOffset;
    bool showLattice = false;
    int32_t s = 0;
    GVView* view = GVMainView();
    if (view && view->camera && *view->camera) {
      showLattice = GVGeoModeShowsWire((*view->camera)->jelDisplayMode) != 0;
      s = GVViewScene().currentJel ? GVViewScene().currentJel[0] : 0;
    }
    const bool selected = s != 0 && GVJelMatches(cell, s) != 0;
    const OgreJelMirror* mirror = GVOgreJelMirror(cell);
    if (!mirror) return;
    entity = mirror->entity;
    if (entity)
      if (Ogre::SubMesh* sub = GVFindSubMesh(entity->getMesh().get(), mirror->base + "HSUBMESH"))
        GVBeginJelBufferWrite(sub, cell, format, &surface);
    Ogre::ManualObject* mo = mirror->lattice;
    if (!mo || !(showLattice || s != 0)) return;
    // An empty line list has no section to update.
    if (!usableLattice(jel) || mo->getSections().empty()) return;
    flat = GVJelHandleIsFlat(cell) != 0;
    grey = Ogre::ColourValue(selected ? 0.9f : 0.1f, selected ? 0.9f : 0.1f, selected ? 0.9f : 0.1f, 1.0f);
    lattice.mo = mo;
    latticeLocked = beginLatticeWrite(mo, jel, flat, grey, offset, &lattice);
    latticeUpdate = !latticeLocked;
  }

  void fill() {
    if (surface.base) GVFillJelBuffer(surface, *cell);
    if (latticeLocked) fillLattice(&lattice, *cell, flat, offset);
  }

  void end() {
    GVEndJelBufferWrite(&surface);
    if (latticeLocked && !endLatticeWrite(&lattice)) latticeUpdate = true;
    if (latticeUpdate) updateLatticeSection(lattice.mo, *cell, flat, grey, offset);
    if (entity)
      if (Ogre::SceneNode* node = entity->getParentSceneNode()) {
        node->setPosition(Ogre::Vector3::ZERO);
        node->setOrientation(Ogre::Quaternion::IDENTITY);
        node->setScale(Ogre::Vector3::UNIT_SCALE);
      }
  }
};

}  // namespace

OgreJelMirror* GVOgreJelMirror(HObject** cell) {
  if (!cell || !*cell || !liveMirror((*cell)->userWord)) return nullptr;
  OgreJelMirror* m = static_cast<OgreJelMirror*>((*cell)->userWord);
  return m->owner == *cell ? m : nullptr;
}

Ogre::Entity* GVOgreJelEntity(HObject** cell) {
  const OgreJelMirror* m = GVOgreJelMirror(cell);
  return m ? m->entity : nullptr;
}

Ogre::SubEntity* GVOgreJelSurface(HObject** cell) {
  const OgreJelMirror* m = GVOgreJelMirror(cell);
  return m ? m->surface : nullptr;
}

Ogre::ManualObject* GVOgreJelLattice(HObject** cell) {
  const OgreJelMirror* m = GVOgreJelMirror(cell);
  return m ? m->lattice : nullptr;
}

void GVForgetOgreJelMirrors(OgreData* data) {
  if (!data) return;
  for (OgreJelMirror* m : data->mJelMirrors) delete m;
  data->mJelMirrors.clear();
}

std::string GVOgreJelBaseName(HObject** jel) {
  if (const OgreJelMirror* m = GVOgreJelMirror(jel)) return m->base;
  char name[600];
  GVGetJelName(jel, name, sizeof name);
  return name;
}

int32_t GVOgreJelFormat(HObject** jel) {
  return GVJelHandleIsFlat(jel) ? (GV_BUF_JEL_LIVE | GV_BUF_DOUBLE_SIDED) : GV_BUF_JEL_LIVE;
}

void GVRefreshJelNormals(HObject* jel) {
  if (jel) jel->updateNormals();
}

namespace {

Ogre::ManualObject* createLattice(HObject** cell, const std::string& base, float d) {
  HObject* jel = *cell;
  if (!usableLattice(jel)) return nullptr;
  const bool flat = GVJelHandleIsFlat(cell) != 0;
  const size_t f = static_cast<size_t>(jel->faceCount);
  Ogre::SceneManager* sm = gOgreData->mSceneMgr;
  Ogre::ManualObject* mo = nullptr;
  try {
    mo = sm->createManualObject(base + "MO");
  } catch (const Ogre::Exception& e) {
    Ogre::LogManager::getSingleton().logMessage(e.getFullDescription(), Ogre::LML_CRITICAL);
  }
  if (!mo) {
    GVViewMessage("GVCreateOgreJelManualObject: cannot create jel Manual Object!!");
    return nullptr;
  }
  mo->setDynamic(true);
  mo->estimateVertexCount(flat ? 8 * f : 4 * f);
  mo->estimateIndexCount(flat ? 8 * f : 4 * f);
  mo->begin("BaseWhiteNoLighting", Ogre::RenderOperation::OT_LINE_LIST, defaultGroup());
  const Ogre::ColourValue grey(0.1f, 0.1f, 0.1f, 1.0f);
  Ogre::uint32 k = 0;
  forEachLatticeLine(jel, flat, d, [&](int32_t a, int32_t b, float off) {
    mo->position(offsetNode(jel, a, off));
    mo->colour(grey);
    mo->position(offsetNode(jel, b, off));
    mo->colour(grey);
    mo->index(k);
    mo->index(k + 1);
    k += 2;
  });
  mo->end();
  // A mesh left by an earlier build under the same name would refuse the new one.
  const std::string meshName = base + "MESHDR";
  removeMesh(meshName, defaultGroup());
  if (!mo->getSections().empty()) mo->convertToMesh(meshName, defaultGroup());
  mo->setCastShadows(false);
  float b[6];
  if (GVJelBoundingBox(jel, kFrameCommitted, b)) {
    const float w = std::fabs(d);
    mo->setBoundingBox(Ogre::AxisAlignedBox(b[0] - w, b[2] - w, b[4] - w, b[1] + w, b[3] + w, b[5] + w));
  }
  return mo;
}

}  // namespace

Ogre::ManualObject* GVCreateOgreJelManualObject(HObject** cell, float d) {
  if (!gOgreData || !gOgreData->mSceneMgr || !cell || !*cell) return nullptr;
  return createLattice(cell, GVOgreJelBaseName(cell), d);
}

Ogre::ManualObject* GVUpdateJelManualObject(HObject** cell, float g, float d) {
  if (!gOgreData || !gOgreData->mSceneMgr || !cell || !*cell) return nullptr;
  HObject* jel = *cell;
  Ogre::ManualObject* mo = GVOgreJelLattice(cell);
  if (!mo) {
    GVViewMessage("GVUpdateJelManualObject: cannot get jel Manual Object!!");
    return nullptr;
  }
  if (!usableLattice(jel)) return nullptr;
  const bool flat = GVJelHandleIsFlat(cell) != 0;
  // An empty line list has no section to update.
  if (mo->getSections().empty()) return mo;
  const Ogre::ColourValue grey(g, g, g, 1.0f);
  LatticeWrite w;
  if (beginLatticeWrite(mo, jel, flat, grey, d, &w)) {
    fillLattice(&w, jel, flat, d);
    if (endLatticeWrite(&w)) return mo;
  }
  updateLatticeSection(mo, jel, flat, grey, d);
  return mo;
}

void GVCreateOgreJelObj(int32_t id, int32_t mode) {
  if (!gOgreData || !gOgreData->mSceneMgr || id < 1) return;
  HObject** cell = GVFindJel(GVScene().world, id);
  if (!cell || !*cell) return;
  HObject* jel = *cell;
  // A word that names no mirror of this Jel's is its predecessor's: gone.
  if (!GVOgreJelMirror(cell)) jel->userWord = nullptr;
  const int32_t format = GVOgreJelFormat(cell);
  const float offset = gOgreData->mSelectOffset;
  const int32_t hidden = vehicleHiddenGroup();
  if (hidden != 0 && GVJelMatches(cell, hidden)) return;
  // Its own mirror is drawn already.
  if (GVOgreJelMirror(cell)) {
    jel->removalCB = removeJelHook;
    return;
  }
  char name[600];
  GVGetJelName(cell, name, sizeof name);
  const std::string base = freeEngineStem(name, id);
  GVRefreshJelNormals(jel);

  Ogre::SceneManager* sm = gOgreData->mSceneMgr;
  auto* mirror = new OgreJelMirror;
  mirror->owner = jel;
  mirror->base = base;
  try {
    Ogre::MeshPtr mesh = Ogre::MeshManager::getSingleton().createManual(base + "HMESH", "General");
    GVCreateOgreJelSubMesh((base + "HSUBMESH").c_str(), mesh, cell, format);
    mesh->load();
    mirror->entity =
        sm->createEntity(base + "HENT", base + "HMESH", Ogre::ResourceGroupManager::AUTODETECT_RESOURCE_GROUP_NAME);
    mirror->surface = GVFindSubEntity(mirror->entity, base + "HSUBMESH");
    Ogre::MaterialPtr mat = Ogre::MaterialManager::getSingleton().create(base + "HMAT", defaultGroup());
    if (mirror->surface) mirror->surface->setMaterial(mat);
    gOgreData->mJelMirrors.insert(mirror);
    jel->userWord = mirror;
    GVSetOgreJelMaterial(mode, cell);

    mirror->lattice = createLattice(cell, base, offset);
    if (mirror->lattice) mirror->lattice->setVisible(GVGeoModeShowsWire(mode) != 0);

    Ogre::SceneNode* node =
        sm->getRootSceneNode()->createChildSceneNode(base + "HNODE", Ogre::Vector3::ZERO, Ogre::Quaternion::IDENTITY);
    mirror->node = node;
    node->setPosition(Ogre::Vector3::ZERO);
    node->setOrientation(Ogre::Quaternion::IDENTITY);
    node->setScale(Ogre::Vector3::UNIT_SCALE);
    node->attachObject(mirror->entity);
    if (mirror->lattice) node->attachObject(mirror->lattice);
  } catch (const Ogre::Exception& e) {
    Ogre::LogManager::getSingleton().logMessage(e.getFullDescription(), Ogre::LML_CRITICAL);
    gOgreData->mJelMirrors.erase(mirror);
    delete mirror;
    jel->userWord = nullptr;
    try {
      destroyEngineNamed(base);
    } catch (const Ogre::Exception& again) {
      Ogre::LogManager::getSingleton().logMessage(again.getFullDescription(), Ogre::LML_CRITICAL);
    }
    char text[700];
    std::snprintf(text, sizeof text, "JEL \"%.400s\" (id %d) not drawn: the engine refused its mesh", name,
                  static_cast<int>(id));
    GVViewStatusLine(text);
    return;
  }
  jel->removalCB = removeJelHook;
}

void GVUpdateOgreJelMesh(HObject** cell) {
  if (!gOgreData || !gOgreData->mSceneMgr || !cell || !*cell) return;
  GVRefreshJelNormals(*cell);
  JelMirrorUpdate update(cell);
  update.begin();
  update.fill();
  update.end();
}

void GVUpdateOgreJelMeshes(WorkerPool* pool) {
  if (!gOgreData || !gOgreData->mSceneMgr) return;
  // Each Jel writes only its own mirror, so all fill side by side.
  std::vector<JelMirrorUpdate> updates;
  GVForEachSceneJel([&](HObject** cell) { updates.emplace_back(cell); });
  const int32_t count = static_cast<int32_t>(updates.size());
  auto each = [&](auto step) { GVRunTasks(pool, count, [&](int32_t k) { step(updates[k]); }); };
  each([](JelMirrorUpdate& u) { GVRefreshJelNormals(*u.cell); });
  for (JelMirrorUpdate& u : updates) u.begin();
  each([](JelMirrorUpdate& u) { u.fill(); });
  for (JelMirrorUpdate& u : updates) u.end();
}

void GVDestroyOgreJelObj(HObject** cell) {
  if (!gOgreData || !gOgreData->mSceneMgr || !cell || !*cell) return;
  OgreJelMirror* mirror = GVOgreJelMirror(cell);
  // A Jel without a mirror of its own has nothing here to take away.
  if (!mirror) return;
  destroyMirror(mirror);
  (*cell)->userWord = nullptr;
  (*cell)->removalCB = nullptr;
}
