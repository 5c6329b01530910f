// Scene access to the Jel world and its Jels through handle cells, the
// selection tests over both object lists, the world's frame and time tests,
// and the small forwarders the rest of the program reaches Geos and Jels by.
// (The Geo list's own services are in geo/geo_list_services.h.)
//
// A world handle is a cell (HWorld*) that the world keeps in its owner word;
// a Jel handle is a cell (HObject*) that the Jel keeps in its handle field.
// Cells are made with new; deleting a Jel empties and frees its cell. Every
// function does nothing, or returns its null value, for a null handle or an
// empty cell.
//
// Selections: s >= 1 one object; -1 .. -31 the group of bit -s. For Jels -1 is
// always group 1 (bit value 2); for Geos GVGeoMatches and GVDeleteGeos take -1
// as every Geo. Id 0 and values below -31 select nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "geo/geo_list_services.h"

class HObject;
struct CameraRec;
struct ViewportRec;
struct GeoAttach;
struct HWorld;
struct ItemStream;
struct LatticeBuilder;
struct LatticeSpec;
struct MatterProps;

using HWorldHandle = HWorld**;
using HObjectHandle = HObject**;

inline HWorld* GVWorldOf(HWorld* const* cell) { return cell ? *cell : nullptr; }
inline HObject* GVJelOf(HObject* const* cell) { return cell ? *cell : nullptr; }

// ---- finders and list walks ----
HObject** GVFindJel(HWorld** world, int32_t id);  // null for id < 1 or no such Jel
int32_t GVJelExists(HWorld** world, int32_t id);
int32_t GVGeoExists(ObjHandle* list, int32_t id);
uint32_t GVGeoFlags(ObjHandle* list, int32_t id, uint32_t mask);
float GVGeoFaceSize(ObjHandle* list, int32_t id);
// Id of the first Geo bound to that Jel id, else 0.
int32_t GVGeoIdOfJel(int32_t jelId, ObjHandle* list);
HObject** GVFirstJel(HWorld** world);
// The Geo before the given one; the last Geo for the first or an unknown id;
// 0 for an empty list.
int32_t GVPrevGeoId(ObjHandle* list, int32_t id);
int32_t GVNextJelId(HWorld** world);  // largest id plus one; 1 when empty

// ---- selection tests ----
int32_t GVJelMatches(HObject** jel, int32_t s);
int32_t GVGeoMatches(ObjHandle* geo, int32_t s);  // -1: every Geo
// For an object id: 0 for id < 1; 1 when id == s; for s in -1..-31 the group
// bit of that object (-1: group 1); 0 when there is no such object.
int32_t GVGeoIdInSel(int32_t geoId, int32_t s, ObjHandle* list);
int32_t GVJelIdInSel(int32_t jelId, int32_t s, HWorld** world);
// Only group selections count: the group bit (-1: group 1), else 0.
int32_t GVJelInGroup(int32_t s, HObject** jel);
// The next part after p (1..31) used by the Jels of selection -1; 1 when p is
// out of range or no later part is used.
int32_t GVNextJelPart(HWorld** world, int32_t p);

// ---- makers and destroyers ----
HObject** GVNewJel();  // a new default Jel in a new cell; null when memory runs out
HObject** GVInitJelHandle(HObject** cell);
// Fills the cell with a new world that keeps the cell in its owner word.
HWorld** GVInitWorldHandle(HWorld** cell);
void GVDeleteGeoHandle(ObjHandle* geo);  // destroys the Geo and frees the cell
void GVDeleteJelHandle(HObject** jel);   // destroys the Jel and frees the cell
// Deletes every Jel (in group 1 or not), destroys the world and empties the
// cell (the cell itself stays).
void GVDeleteWorld(HWorld** world);
// A Jel built from the builder's grid (GVCreateJelFromBuilder) in a new cell;
// null when the build fails (nothing is left behind).
HObject** GVNewJelFromBuilder(LatticeBuilder* builder, int32_t id, int32_t count, int32_t endFrame,
                              MatterProps* matter);
// A lattice builder with cleared arrays for the grid the spec describes, in a
// new cell (the builder's handle); null when the grid cannot be allocated.
LatticeBuilder** GVNewLatticeBuilder(const LatticeSpec* spec);
// Frees the builder held in the cell (arrays, then the builder) and the cell;
// nothing for null.
void GVDeleteLatticeBuilder(LatticeBuilder** cell);
// The one rule for Jels that go, whoever deletes them: from now on every Jel
// leaving the world first lets go of the Geos of the list (read through the
// field, so a list freed later is simply not there): their vertex and cell
// bindings and an attachment anchored on it. The scene's world watches the
// scene's list from start-up; a reader's own world watches its own list.
void GVWatchJelsLeaving(HWorld* world, ObjHandle** sceneGeoList);
void GVWatchJelsLeavingList(HWorld* world, GeoList* list);
// What the watch does for one Jel: no Geo of the list is left bound, cell
// bound or attached to it.
void GVReleaseGeosFromLeavingJel(GeoList* list, HWorld* world, HObject* jel);
void GVAddJelToScene(HWorld** world, HObject** jel);
HObject** GVRemoveJelFromScene(HWorld** world, HObject** jel);  // unlinks; returns the handle
// Deletes the Jels of the selection with their cells; -1 is group 1. An empty
// list resets the world's play words, keeping the current frame, frame rate,
// state-mode word and loop length.
void GVDeleteJels(HWorld** world, int32_t s);

// ---- list readers: every object read gets a new cell ----
int32_t GVReadSceneGeos(ObjHandle* list, FILE* file);
int32_t GVReadSceneGeosImage(ItemStream* image, ObjHandle* list);
int32_t GVReadSceneJels(FILE* file, HWorld** world);
int32_t GVReadSceneJelsImage(ItemStream* image, HWorld** world);

// ---- whole-list replacement (the scene reader's last step) ----
// Deletes every Jel of the world, in group 1 or not, with their cells; the
// emptied world's play words are reset as GVDeleteJels resets them.
void GVDeleteEveryJel(HWorld** world);
// Gives every Jel of the world that has no cell a new one: 1, or 0 when a
// cell could not be made (that Jel stays without).
int32_t GVGiveJelCells(HWorld* world);
// Moves every Jel of `from` to the end of the world's list (the world's mode
// taken from the first Jel, as a list read sets it), each with its cell.
// 0 when a cell could not be made: that Jel and the rest are deleted.
int32_t GVMoveJelsInto(HWorld** world, HWorld* from);
// Moves every Geo of `from` to the end of the list, each with its cell; 0
// when a cell could not be made: that Geo and the rest are deleted.
int32_t GVMoveGeosInto(ObjHandle* list, GeoList* from);

// ---- frame and time tests ----
// The world's frame, counted on by one when the last sub-step of a frame has
// been taken.
int32_t GVCurrentFrame(HWorld** world);
float GVCurrentFrameFloat(HWorld** world);
// index: the sub-step while sub-stepping, else the sub-steps per frame.
void GVGetSubstepInfo(HWorld** world, int32_t* index, int32_t* count);
int32_t GVIsFrameInStep(HWorld** world, float frame);
int32_t GVIsWorldFrameInStep(HWorld** world);
// 3 when a starts in this step, 6 when b ends in it, 2 inside, 0 outside.
int32_t GVFrameRangePhase(HWorld** world, float a, float b);
int32_t GVJelStartFrame(HWorld** world, int32_t id);
int32_t GVJelEndFrame(HWorld** world, int32_t id);
// Loop length: max(0, value) into the world and every active Jel; returns it.
int32_t GVSetWorldFrameParam(HWorld** world, int32_t value);

// ---- forwarders ----
void GVDeformBoundGeos(ObjHandle* list, HWorld** world);
int32_t GVFindUnscaledAttachGeo(ObjHandle* list, ObjHandle* geo);
// Id of the first Geo whose attachment names a Geo later in the list; -1 for
// an empty list or when the last Geo has no attachment to check; else 0.
int32_t GVFindMisorderedGeo(ObjHandle* list);
int32_t GVApplySceneAttachments(ObjHandle* list, HWorld** world);
int32_t GVApplyAttachmentOfGeo(ObjHandle* list, HWorld** world, ObjHandle* geo);
// Places the attached Geos for this frame: the Jel id picks the Jels whose node
// frames are carried on; -1 without a world.
int32_t GVUpdateAttachedGeos(ObjHandle* list, HWorld** world, int32_t jelId, float steering, float frontSpin,
                             float rearSpin, float speedUp);
// Geo-against-Jel collision of every Geo of the Geo selection with part p of
// every Jel of the Jel selection, into the world's last three contact lists,
// then the collision's records (keys: the two selections, 1, the part): type
// 32 for modes 3 and 4, 64 for the others, and for modes 4 and 6 the other
// type too. The largest pair result; 0 (no record) without world, Geos or Jels.
int32_t GVCollideGeosJels(ObjHandle* list, HWorld** world, int32_t geoSel, int32_t jelSel, int32_t part,
                          int32_t mode, int32_t contactKind, float param);
// "%s" of the name (or "") into a caller buffer of size bytes.
void GVWriteGeoName(ObjHandle* geo, char* buffer, size_t size);
void GVGetJelName(HObject** jel, char* buffer, size_t size);
char* GVDupGeoName(ObjHandle* geo);  // new heap copies; null when absent
char* GVDupJelName(HObject** jel);
char* GVDupGeoMatFile(ObjHandle* geo);
char* GVDupGeoMatAux(ObjHandle* geo);
char* GVDupGeoMatScript(ObjHandle* geo);
// The triangle / quad entry of that index (0 .. count); null out of range or
// without the array.
int32_t* GVSetGeoTriangle(ObjHandle* geo, int32_t index);
int32_t* GVSetGeoQuad(ObjHandle* geo, int32_t index);
int32_t GVGeoIsKeyFramed(ObjHandle* geo);
// Frame of the first key after the frame; -2 when none.
int32_t GVNextGeoKeyFrame(ObjHandle* geo, int32_t frame);
// Rotation angles of a 3x3 matrix kept continuous with the Geo's rotation keys
// around time t; 0 without a track.
int32_t GVEvalGeoTrack(ObjHandle* geo, const float matrix[9], float angles[3], int32_t useMatrix, double t);
// The Geo's attachment record, made zeroed on first use; null for no Geo.
GeoAttach* GVGetGeoAttachment(ObjHandle* geo);
// The Geos bound to the Jel (or to every Jel) take its transform.
void GVRefreshJelGeos(ObjHandle* list, HWorld** world, HObject** jel);
void GVRefreshAllJelGeos(ObjHandle* list, HWorld** world);
// The scene's Geos of the Jel with that id, or of every Jel when the id
// names none.
void GVRefreshGeosOfJel(int32_t jelId);
int32_t GVGeoHasAttachment(ObjHandle* geo);
// Every Geo of the list bound to the world's Jels of group 1 where each
// vertex lies (GVMassocGeosToJel); -1 without the list or the world.
int32_t GVMassocSceneGeos(ObjHandle* list, HWorld** world);
// The Geo's flagged vertices located in the Jel's lattice: modes 0 and 1 into
// the primary table (GVMassocGeo), mode 2 into the secondary one; -1 for
// another mode or a null handle, else the binding's result.
int32_t GVMassocGeoMode(HObject** jel, ObjHandle* geo, int32_t mode);
// Deep copy of the source Geo into the destination under the name and id
// (GVCopyGeo); 0 for an empty handle.
int32_t GVCopyGeoInto(ObjHandle* destination, ObjHandle* source, const char* name, int32_t id);
// The world's GVGetSelPosition; the zero vector without a world.
void GVGetSelPositionH(HWorld** world, int32_t part, int32_t selection, int32_t frame, int32_t axes, float out[3],
                       const float* origin, const float* matrix);
// The world's GVSetSelPosition (part moved to the target at the frame, Jels in
// replay skipped); nothing without a world.
void GVSetSelPositionH(HWorld** world, int32_t selection, int32_t part, int32_t frame, int32_t axes,
                       const float target[3], const float* matrix);
// The Jel's face or node normals recomputed, unless they were for the frame
// and sub-step the Jel is at now.
void GVUpdateJelFaceNormals(HObject** jel);
void GVUpdateJelNodeNormals(HObject** jel);
int32_t GVJelHandleIsFlat(HObject** jel);
// With a live state only: part 1's angular velocity; a part's rest shape
// recorded; a part's rotation update (not for a Jel in replay).
void GVJelStateSetRefPoint(HObject** jel, const float omega[3]);
void GVJelGroupImpulse(HObject** jel, int32_t part);
void GVJelGroupOp138(HObject** jel, int32_t part);
// Node 1's masked matter fields / the masked fields into part 1, at a frame.
void GVGetJelMatter(HObject** jel, int32_t frame, uint32_t mask, MatterProps* out);
void GVSetJelMatter(HObject** jel, int32_t frame, uint32_t mask, MatterProps* values);
// With a live state: the Jel's contact grid refilled with cells of half its
// cell size.
void GVRebuildJelContactGrid(HObject** jel);
// Over the world's Jels of the selection, the node whose projection lies
// nearest pixel (x, y) (squared distance; an earlier Jel wins a tie). Returns
// the Jel id (0 when none) and writes the node and, when asked, its pixel
// point (x, y, depth).
int32_t GVPickNearestJelNode(HWorld** world, int32_t selection, int32_t x, int32_t y, const ViewportRec* vp,
                             const CameraRec* cam, int32_t* node, int32_t* jelId, float point[3]);
// While the Jel's live state drags in mode 2: its grab point becomes the
// committed position of the node.
void GVSetJelGrabPoint(HObject** jel, int32_t node);
// Edit Structure on the Jel in the handle: a cell added (mode 1) or removed
// (mode 0) at a surface face, or at an edge of a one-layer Jel. The new Jel
// takes the old one's place in its handle and, when the Jel is in the world,
// in its list (GVReplaceJel: the Geos let go of the old one); null (and
// nothing changed) when the rebuild fails.
HObject* GVRebuildJelHandleAtFace(LatticeBuilder* builder, HObject** jel, int32_t face, int32_t mode,
                                  HWorld** world);
// Makes the Jel of that id the world's active one again after its structure
// was made or rebuilt: its stored frames follow the other Jels' (nothing when
// no Jel has the id). The second argument is unused.
void GVSetActiveJel(HWorld** world, int32_t unused, int32_t id);
float GVAtan(float x);
