// The bindings between the scene's Geos and Jels at list level: binding and
// unbinding selections, releasing Geos when Jels go, re-binding after a Jel's
// state changed, start transforms of bound Geos from their key tracks,
// relinking after a read, Geo-Jel collision over selections, vertex picking,
// and the after-frame pass that moves every bound Geo with its Jel.
//
// Jel selections: an id, or -1..-31 for the Jels with that group bit.
#pragma once

#include <cstdint>

struct CameraRec;
struct GeoList;
struct GObject;
struct HWorld;
struct ViewportRec;
class HObject;

void GVReleaseGeosFromJelSel(GeoList* list, HWorld* world, int32_t jelSel);
// Binds the selected Geos' flagged vertices to whichever selected Jel holds
// each; 0, or -1 for missing arguments or a vertex no Jel could place.
int32_t GVMassocGeosToJel(int32_t jelSel, GeoList* list, int32_t geoSel, HWorld* world);
void GVResolveGeoJelIds(GeoList* list, int32_t geoSel, HWorld* world);
// Clears only the bound flag of the Geos whose Jel the selection matches.
void GVUnbindGeosOfJelSel(GeoList* list, int32_t jelSel);
int32_t GVGeoSelJelId(const GeoList* list, int32_t geoSel);
// In natural-state editing: re-binds the vertex-bound Geos of the selected
// Jels; -1 as soon as one ends too far outside, else 1.
int32_t GVRemassocJelGeos(HWorld* world, int32_t jelSel, GeoList* list);
void GVSyncJelGeoTransform(GeoList* list, HObject* jel, HWorld* world);
void GVSyncAllJelGeoTransforms(GeoList* list, HWorld* world);
void GVSyncGeoStartTransform(GObject* geo, HWorld* world, HObject* jel);
int32_t GVJelHasKeyFramedGeo(HWorld* world, int32_t jelSel, const GeoList* list);
// After a read: Jel pointers from the stored ids, deformation maps brought
// up to date, secondary cell bindings re-made.
void GVRelinkGeosToJels(GeoList* list, HWorld* world);
void GVApplyGeoSelTransform(GeoList* list, int32_t geoSel);
// Largest result of the Geo-against-Jel tests over the two selections; the
// collision is recorded in the world's command store.
int32_t GVCollideGeosWithJels(GeoList* list, int32_t geoSel, HWorld* world, int32_t jelSel, int32_t param,
                              float fparam, int32_t mode);
// Nearest Geo vertex to pixel (x, y) over every Geo; Geo id 0 when none.
void GVPickGeoVertex(const GeoList* list, const CameraRec* camera, const ViewportRec* view, int32_t x,
                     int32_t y, int32_t* geoId, int32_t* vertex, float* position);
float GVAsinF(float x);

// Before the world steps to a frame: the vertex-bound Geos' vertices back to
// their base places (the deformation works from there).
void GVResetBoundGeos(GeoList* list);
// After each stepped frame: every Jel's deformation map, then every Geo in
// list order (GVUpdateGeoAfterFrame).
void GVUpdateGeosAfterFrame(GeoList* list, HWorld* world, int32_t frame, int resetAll);
