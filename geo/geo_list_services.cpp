#include "geo/geo_list_services.h"
#include "records/record_ids.h"

#include <new>

void GVNewGeoList(ObjHandle* cell) {
  if (!cell) return;
  GeoList* list = new (std::nothrow) GeoList;
  cell->object = list;
  if (!list) return;
  GVInitGeoList(list);
  list->handle = cell;
}

void GVDeleteGeoList(ObjHandle* cell) {
  GeoList* list = GVGeoListOf(cell);
  if (!list) return;
  GVDeleteGeos(cell, -1);
  GVClearGeoList(list);
  delete list;
  cell->object = nullptr;
}

void GVAddGeoToScene(ObjHandle* list, ObjHandle* geo) {
  GeoList* l = GVGeoListOf(list);
  if (l) GVAddGeo(l, GVGeoOf(geo));
}

void GVRemoveGeoFromScene(ObjHandle* list, ObjHandle* geo) {
  GeoList* l = GVGeoListOf(list);
  if (l) GVRemoveGeo(l, GVGeoOf(geo));
}

ObjHandle* GVFindGeo(ObjHandle* list, int32_t id) {
  GObject* geo = GVGetGeoById(GVGeoListOf(list), id);
  return geo ? geo->handle : nullptr;
}

int32_t GVNextGeoId(ObjHandle* list) {
  const GeoList* l = GVGeoListOf(list);
  int32_t largest = 0;
  for (const GObject* g = l ? l->head : nullptr; g; g = g->next)
    if (g->id > largest) largest = g->id;
  return GVIdAfter(largest);
}

void GVDeleteGeos(ObjHandle* list, int32_t selection) {
  GeoList* l = GVGeoListOf(list);
  if (l) GVDeleteGeoSel(l, selection);
}

ObjHandle* GVFirstGeo(ObjHandle* list) {
  const GeoList* l = GVGeoListOf(list);
  return l && l->head ? l->head->handle : nullptr;
}

ObjHandle* GVNextGeo(ObjHandle* geo) {
  const GObject* g = GVGeoOf(geo);
  return g && g->next ? g->next->handle : nullptr;
}

ObjHandle* GVCreateGeo() {
  ObjHandle* cell = new (std::nothrow) ObjHandle;
  if (!cell) return nullptr;
  if (!GVInitGeoHandle(cell)) {
    delete cell;
    return nullptr;
  }
  return cell;
}

ObjHandle* GVInitGeoHandle(ObjHandle* cell) {
  if (!cell) return nullptr;
  GObject* geo = new (std::nothrow) GObject;
  cell->object = geo;
  if (!geo) return nullptr;
  geo->handle = cell;
  return cell;
}

ObjHandle* GVNewGeoCopy(ObjHandle* cell, ObjHandle* source, const char* name, int32_t newId) {
  if (!cell) return nullptr;
  GObject* geo = new (std::nothrow) GObject;
  cell->object = geo;
  if (!geo) return nullptr;
  geo->constructCopy(GVGeoOf(source), name, newId);
  geo->handle = cell;
  return cell;
}

int GVBuildGeoFromMesh(ObjHandle* geo, GeoMeshDesc* desc, int32_t id) {
  GObject* g = GVGeoOf(geo);
  return g ? GVBuildGeoFromDesc(g, desc, id) : 0;
}
