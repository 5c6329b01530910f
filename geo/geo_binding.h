// Binding a Geo to a Jel so that the Jel's deformed lattice carries the Geo's
// vertices: the per-vertex binding (GEO_FLAG_VERTEX_BINDING), the block-shaped
// cell bindings (GEO_FLAG_CELL_BINDING, GEO_FLAG_CELL_BINDING2), their release,
// the per-frame deformation, relocation in the rest lattice, and the
// realignment of a Jel's start frame to its Geo's transform slots.
//
// A binding is computed once (cell node and local coordinates per vertex);
// the per-frame update evaluates the lattice map at those coordinates and does
// no search. Local coordinates below -0.5 or above 1.5 mark the Geo with
// GEO_FLAG_TOO_FAR_OUTSIDE; that is a warning, not a failure.
#pragma once

#include <cstdint>

#include "geo/geo_object.h"

class HObject;
class WorkerPool;

// Vertex binding into the primary table: every vertex with GEO_VERTEX_BOUND is
// located in the Jel's live lattice. Stores the Jel in the Geo. Returns 0, or
// -1 for a null Jel, a Geo without vertices or tables, or a vertex the search
// could not place. The Geo ends bound (GEO_FLAG_BOUND) when some entry names a
// Jel, unbound (no Jel) when none does.
int32_t GVMassocGeo(GObject* geo, HObject* jel);
// The same into the secondary table; touches neither the Geo's Jel nor its
// bound flag.
int32_t GVMassocGeoSecondary(GObject* geo, HObject* jel);
// The one Jel id the primary entries name; 0 when none does, -1 when two
// entries name different Jels.
int32_t GVGeoVertBindJelId(const GObject* geo);
// Drops the primary entries naming jelSel (every entry for -1); a Geo left
// with no entry becomes unbound.
void GVValidateGeoMassoc(GObject* geo, int32_t jelSel);
// Undoes every tie between the Jel and the Geo: cell bindings, vertex
// entries, vertex-binding flag; bound vertices go back to their base places.
void GVReleaseGeoFromJel(HObject* jel, GObject* geo);
// Zeroes the cell bindings that name jelId (their node tables freed).
void GVClearGeoCellBindsOfJel(GObject* geo, int32_t jelId);

// Cell binding to part `part` of the Jel: 1 when the part is a box of nodes
// (the vertices are placed by the block's grid arithmetic), else the vertex
// binding's fall-back result: 0, or -1 when it failed. -2 for a null Jel.
int32_t GVCellBindGeo(GObject* geo, HObject* jel, int32_t part);
int32_t GVCellBindGeoSecondary(GObject* geo, HObject* jel, int32_t part);
// Node of the Jel that a cell-bound Geo's frame position is attached to (at
// least 1), its position and, with a live state, the node's three lattice
// tangents (nine floats); 0 when not cell-bound or an output is missing.
int32_t GVGetGeoAttachPoint(GObject* geo, float position[3], float frame[9]);

// Per frame, after the Jel's deformation map was updated for the frame; a
// large mesh runs in pieces on the pool when one is given, with the same
// result.
void GVDeformGeoFromJel(GObject* geo, WorkerPool* pool = nullptr);
void GVInterpGeoFromJel(GObject* geo);
void GVDeformGeoByCellBind(GObject* geo);
void GVUpdateGeoCellBindTable(GObject* geo);
// Locates the Geo's current vertices in the Jel's rest lattice, then carries
// them by the live lattice. `depth` of 32 or more does nothing.
void GVRelocateGeoInJel(HObject* jel, GObject* geo, int32_t depth);
void GVRelocateGeoInJelSecondary(HObject* jel, GObject* geo, int32_t depth);

// The Jel's stored frame 0 from the Geo's start, birth and birth-next slots:
// the rest shape carried from the start pose to the birth pose, with the
// velocity of the one-frame step to the birth-next pose.
void GVRealignJelToGeo(GObject* geo, HObject* jel);
// For frame 0 or -1: realign, then restore that frame into the live state.
void GVRealignJelAtFrame(GObject* geo, HObject* jel, int32_t frame);
// Selector -1 or 0: that slot into the frame slots (-2 and -4), then applied.
// Any other selector only applies its slot.
void GVCopyGeoTransformSlots(GObject* geo, int selector);

// Key-frame track of a Geo evaluated at a time; nothing without a track.
void GVEvalGeoKeyTrack(GObject* geo, float time, float position[3], float matrix[9], float scale[3]);
// Frame of the key before `frame` whose segment holds it; -2 when none.
int32_t GVGetGeoPrevKeyFrame(const GObject* geo, int32_t frame);

// Whether the Jel exists at the frame: started, and not yet ended (end 0 is open).
int GVJelAliveAt(const HObject* jel, int32_t frame);
// One Geo's share of the after-frame pass (resets of cell-bound Geos, the
// deformation by the binding kind, the secondary table). `resetAll` resets
// every Geo to its frame transform first, as the display switch asks.
void GVUpdateGeoAfterFrame(GObject* geo, int32_t frame, int resetAll, WorkerPool* pool = nullptr);
