// The five transform slots of a Geo: set, read, copy, apply to the vertices,
// point transforms, bake and un-bake, and the drive-mode test that tells the
// view by which slot a Geo is shown.
//
// Selectors: -1 start transform, 0 birth, -5 birth-next, -2 (also -3) frame
// transform, -4 second frame transform; -7 in GVApplyGeoTransform resets the
// bound vertices to their base positions.
#pragma once

#include <cstdint>

#include "geo/geo_object.h"

enum : int {
  GEO_SEL_START = -1,
  GEO_SEL_BIRTH = 0,
  GEO_SEL_BIRTH_NEXT = -5,
  GEO_SEL_FRAME = -2,
  GEO_SEL_FRAME_ALT = -3,
  GEO_SEL_FRAME2 = -4,
  GEO_SEL_RESET_BOUND = -7,
};

// Index into GObject::xform of a selector in -5..0 (-3 counts as -2), else -1.
int GVGeoSlotIndex(int selector);

// Sets the slot to identity with accompanying value 0; selectors outside -5..0
// do nothing.
void GVClearGeoTransform(GObject* geo, int selector);
// Copies each non-null part into the slot; for -5 and -4 also stores
// `accompanying` in slotScale, even when all three parts are null.
void GVSetGeoTransform(GObject* geo, int selector, const float* position, const float* matrix,
                       const float* scale, float accompanying);
// Copies the slot into the non-null outputs; *accompanying becomes 0, then
// slotScale for -5 and -4.
void GVGetGeoTransform(const GObject* geo, int selector, float* position, float* matrix,
                       float* scale, float* accompanying);
void GVSetGeoTransformPos(const float* position, int selector, GObject* geo);
void GVSetGeoTransformRot(const float* matrix, int selector, GObject* geo);
void GVSetGeoTransformScale(const float* scale, int selector, GObject* geo);
// Slot to slot; both selectors among -1, 0, -5, -2, -4 (not -3), else nothing.
void GVCopyGeoTransform(GObject* geo, int fromSelector, int toSelector);

// Current vertices from the base vertices through the slot (-1, 0, -2, -3) or
// reset to the base positions (-7), bound vertices only; clears the
// displacement of bound vertices (any selector) and recomputes the normals.
void GVApplyGeoTransform(GObject* geo, int selector);

// out = M (s . p) + t of slot -1, 0 or -2; any other selector copies p.
float* GVTransformGeoPoint(const GObject* geo, const float* p, int selector, float* out);
// The inverse of the start transform: (M^-1 (p - t)) / s; a zero scale
// component gives 0 in that component.
float* GVInverseTransformGeoPoint(const GObject* geo, const float* p, float* out);

// Frame transform into the base vertices; all slots to identity.
void GVBakeGeoTransform(GObject* geo);
// Only the frame transform's scale; the scale of all slots to 1.
void GVBakeGeoScale(GObject* geo);
// Base mesh to its bounding-box centre, compensated in every slot and key so
// that every slot places every vertex where it did.
void GVUnbakeGeoTransform(GObject* geo);
// Current vertices become the base shape; binding flags cleared; all slots to
// identity.
void GVBakeGeoCurrentShape(GObject* geo);

// 1 when every component of the start transform's scale lies within tolerance
// of 1.
int GVGeoHasUnitScale(const GObject* geo, float tolerance);
// out = M (s . v); returns out.
float* GVMat3MulScaledVec(float* out, const float* m, const float* v, const float* s);

// The selector by which the view shows the Geo at a frame: -1 start
// transform, -2 frame transform, 0 the vertices follow the Jel. `stateMode`
// is -1 in natural state, 0 otherwise.
int GVGetGeoDriveMode(int frame, const GObject* geo, int stateMode);
// The same rule with the Jel's part given: `jelAlive` says whether the Geo has
// a Jel whose start frame <= frame and whose end frame is 0 or >= frame.
int GVGeoDriveModeOf(const GObject* geo, int stateMode, int jelAlive);

// 1 when the Geo has the vertex-binding flag but is not bound.
int GVGeoIsMassocUnbound(const GObject* geo);
