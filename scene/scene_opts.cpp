#include "scene/scene_opts.h"

#include <new>

#include "camera/camera_record.h"
#include "geo/record_codec.h"
#include "records/binary_file.h"
#include "records/record_image.h"

namespace {

// The camera in either stored form, walked in that form's order through the
// codec. A display mode of 8 is carried as 32 both ways.
template <typename C>
auto cameraInt(C& c, CameraRec& k) {
  return [&c, &k](int32_t& w) {
    int32_t v = w;
    if ((&w == &k.geoDisplayMode || &w == &k.jelDisplayMode) && v == 8) v = 32;
    c.i32(v);
    if (c.reading() && c.ok) w = v;
  };
}
template <typename C>
void cameraImage(C& c, CameraRec& k) {
  GVWalkCameraImage(&k, cameraInt(c, k), [&](float& v) { c.f32(v); },
                    [&](float* v, int n) {
                      for (int i = 0; i < n; ++i) c.f32(v[i]);
                    });
}
template <typename C>
void cameraStored(C& c, CameraRec& k) {
  GVWalkCameraStored(&k, cameraInt(c, k), [&](float& v) { c.f32(v); });
}

void freeCamera(CameraRec**& cell) {
  if (!cell) return;
  delete *cell;
  delete cell;
  cell = nullptr;
}

// A present word, then the camera; a reader makes a default camera in a new
// cell for it.
template <typename C, typename Walk>
void optionalCamera(C& c, CameraRec**& cell, Walk walk) {
  int32_t present = c.writing() ? (cell && *cell ? 1 : 0) : 0;
  c.i32(present);
  if (!c.ok || !present) return;
  if (c.reading()) {
    freeCamera(cell);
    cell = new (std::nothrow) CameraRec*(nullptr);
    if (!cell || !(*cell = new (std::nothrow) CameraRec)) {
      freeCamera(cell);
      c.ok = false;
      return;
    }
    GVCameraInit(*cell);
    (*cell)->handle = cell;
  }
  walk(c, **cell);
}

template <typename C>
void optsWords(C& c, SceneOpts& o) {
  for (int32_t& w : o.fields) c.i32(w);
  for (float& v : o.floats) c.f32(v);
}

void optsImage(ImageCodecCore& c, SceneOpts& o) {
  c.i32(o.mode);
  optsWords(c, o);
  optionalCamera(c, o.camera, cameraImage<ImageCodecCore>);
  GVWalkOptionalColour(c, o.colour);
}

void optsTagged(FileCodecCore& c, SceneOpts& o) {
  c.i32(o.mode);
  for (int i = 0; i < 2; ++i) {
    uint32_t pointerWord = 0;  // the camera and colour travel after the record
    c.u32(pointerWord);
  }
  optsWords(c, o);
  optionalCamera(c, o.camera, cameraStored<FileCodecCore>);
  GVWalkOptionalColour(c, o.colour);
}

// Reads into a cleared copy (mode kept) and hands it over only when whole.
template <typename Codec, typename Walk>
int readOpts(Codec& c, SceneOpts* o, Walk walk) {
  SceneOpts read;
  GVInitSceneOpts(&read);
  read.mode = o->mode;
  walk(c, read);
  if (!c.ok) {
    GVClearSceneOptsParts(&read);
    return 0;
  }
  read.fields[kSceneOptsKeepCamera] = 0;
  GVClearSceneOptsParts(o);
  *o = read;
  return 1;
}

}  // namespace

SceneOpts* GVInitSceneOpts(SceneOpts* o) {
  if (!o) return nullptr;
  const int32_t mode = o->mode;
  *o = SceneOpts{};
  o->mode = mode;
  return o;
}

void GVSceneOptsClear(SceneOpts* o) {
  if (!o) return;
  GVClearSceneOptsParts(o);
  GVInitSceneOpts(o);
}

void GVClearSceneOptsParts(SceneOpts* o) {
  if (!o) return;
  freeCamera(o->camera);
  delete o->colour;
  o->colour = nullptr;
}

void GVDeleteSceneOpts(SceneOpts* o) {
  GVClearSceneOptsParts(o);
  delete o;
}

void GVCountSceneOptsItem(ItemStream* stream, const SceneOpts* o) { GVCountImageOf(stream, o, optsImage); }
int GVPutSceneOptsItem(ItemStream* stream, const SceneOpts* o) { return GVPutImageOf(stream, o, optsImage); }

int GVGetSceneOptsItem(ItemStream* stream, SceneOpts* o) {
  if (!stream || !o) return 0;
  ImageCodecCore c(stream, ImageCodecCore::kRead);
  return readOpts(c, o, optsImage);
}

int GVReadSceneOptsTagged(SceneOpts* o, FILE* file) {
  if (!o || !file) return 0;
  FileCodecCore c(file, false);
  return readOpts(c, o, optsTagged);
}

int GVWriteSceneOptsTagged(const SceneOpts* o, FILE* file) {
  if (!o || !file) return 0;
  SceneOpts copy = *o;
  FileCodecCore c(file, true);
  optsTagged(c, copy);
  return c.ok ? 1 : 0;
}
