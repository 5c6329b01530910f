#include "geo/key_frame_io.h"

#include <cstring>

#include <initializer_list>
#include <new>

#include "geo/key_frames.h"
#include "geo/record_codec.h"
#include "records/item_stream.h"

namespace {

// Control keys are made one level deep by the rebuild; a record nested deeper
// than this is damaged, and refusing it keeps a hostile file from exhausting
// the stack.
const int kMaxControlDepth = 8;

// Smallest file record of a key: fixed part, eight ignored words, six presence
// words and the trailing word.
const int64_t kMinKeyFileBytes = 8 + 4 + 4 + 8 + 32 + 6 * 4 + 4;
// Smallest image of a key, in ints: frame, keyWord, six presence words, the
// skipped word.
const int64_t kMinKeyImageInts = 2 + 6 + 1;

// The two forms differ only in the words the file keeps in the places of the
// pointers (ignored on reading), in how a key count is checked against what
// is left, and in the image reader's leniency towards a stream without floats.
struct FileCodec : FileCodecCore {
  static constexpr bool kFileForm = true;
  using FileCodecCore::FileCodecCore;
  bool roomForKeys(uint32_t n) { return roomInFile(n, kMinKeyFileBytes, INT32_MAX); }
  bool floatsHeld() const { return true; }
};

struct ImageCodec : ImageCodecCore {
  static constexpr bool kFileForm = false;
  using ImageCodecCore::ImageCodecCore;
  // A writer counts while the stream's arrays are not allocated yet.
  static Mode writeMode(const ItemStream* s) { return s->ints ? kPut : kCount; }
  bool roomForKeys(uint32_t n) { return roomInImage(n, kMinKeyImageInts, 0, INT32_MAX); }
  bool floatsHeld() const { return !reading() || s->floats; }
};

template <typename T>
T* allocBlock(T*& p, int n) {
  if (!p) p = new (std::nothrow) T[n]();
  return p;
}

// A presence word, then the three floats of an optional vector block.
template <typename C>
void codeVecBlock(C& c, float*& block) {
  uint32_t present = c.writing() && block ? 1 : 0;
  c.u32(present);
  if (!present || !c.ok) return;
  if (c.reading()) c.require(allocBlock(block, 3) != nullptr);
  // An image without floats leaves the block as allocated, unread.
  if (c.floatsHeld()) codeVec3(c, block);
}

// One key and, nested, its control keys. Reading frees what the key held and
// unlinks it first.
template <typename C>
void codeKey(C& c, KeyFrame* key, int depth) {
  if (c.reading()) {
    c.require(depth <= kMaxControlDepth);
    if (!c.ok) return;
    GVFreeKeyFrameParts(key);
    key->next = key->prev = nullptr;
  }
  c.f64(key->keyTime);
  c.i32(key->frame);
  c.i32(key->keyWord);
  c.f64(key->value);
  if constexpr (C::kFileForm) c.unused(32);
  codeVecBlock(c, key->translation);
  codeVecBlock(c, key->rotation);
  codeVecBlock(c, key->scale);
  uint32_t present = c.writing() && key->quat ? 1 : 0;
  c.u32(present);
  if (present && c.ok) {
    if (c.reading()) c.require(allocBlock(key->quat, 4) != nullptr);
    for (int i = 0; i < 4 && c.ok; ++i) c.f64(key->quat[i]);
  }
  for (KeyFrame** ctl : {&key->inKey, &key->outKey}) {
    present = c.writing() && *ctl ? 1 : 0;
    c.u32(present);
    if (!present || !c.ok) continue;
    if (c.reading()) c.require((*ctl = GVNewKeyFrame()) != nullptr);
    if (c.ok) codeKey(c, *ctl, depth + 1);
  }
  uint32_t trailing = 0;
  c.u32(trailing);
}

// Reads a key and inserts it after the given key (see GVReadKeyFrameAppend).
template <typename C>
KeyFrame* readKeyAppend(C& c, KeyTrack* track, KeyFrame* after) {
  if (!after && track->firstKey) return nullptr;
  KeyFrame* k = GVNewKeyFrame();
  if (!k) return nullptr;
  codeKey(c, k, 0);
  if (!c.ok || !GVKeyTrackAdoptAfter(track, k, after)) {
    GVDeleteKeyFrame(k);
    return nullptr;
  }
  return k;
}

// A track: its own fields (the file keeps the 96-byte image with the word of
// the first key and two reserved words), the key count, the keys and a
// trailing word. Reading appends to the empty track given.
template <typename C>
void codeTrack(C& c, KeyTrack* t) {
  c.u32(t->flags);
  c.i32(t->trackWord);
  if constexpr (C::kFileForm) {
    c.unused(4);
    c.u32(t->reserved1);
  }
  // The evaluation cache belongs to the running program: it is written as a
  // new track holds it, and a read track starts without one.
  KeyTrack fresh;
  GVKeyTrackInit(&fresh);
  c.f64(fresh.evalTime);
  c.f64(fresh.cachedValue);
  for (float& v : fresh.cachedTranslation) c.f32(v);
  for (float& v : fresh.cachedMatrix) c.f32(v);
  for (float& v : fresh.cachedScale) c.f32(v);
  if (c.reading()) {
    GVKeyTrackInit(&fresh);
    t->evalTime = fresh.evalTime;
    t->cachedValue = fresh.cachedValue;
    std::memcpy(t->cachedTranslation, fresh.cachedTranslation, sizeof fresh.cachedTranslation);
    std::memcpy(t->cachedMatrix, fresh.cachedMatrix, sizeof fresh.cachedMatrix);
    std::memcpy(t->cachedScale, fresh.cachedScale, sizeof fresh.cachedScale);
  }
  if constexpr (C::kFileForm) c.u32(t->reserved2);
  uint32_t count = c.writing() ? uint32_t(GVKeyTrackKeyCount(t)) : 0;
  c.u32(count);
  if (c.reading()) {
    c.roomForKeys(count);
    KeyFrame* after = nullptr;
    for (uint32_t i = 0; c.ok && i < count; ++i) c.require((after = readKeyAppend(c, t, after)) != nullptr);
  } else {
    for (KeyFrame* k = t->firstKey; k && c.ok; k = k->next) codeKey(c, k, 0);
  }
  uint32_t trailing = 0;
  c.u32(trailing);
}

// Reads a track into a fresh one and moves its keys into the track given only
// when the whole record was read.
template <typename C>
int readTrack(C& c, KeyTrack* track) {
  KeyTrack t;
  GVKeyTrackInit(&t);
  codeTrack(c, &t);
  if (!c.ok) {
    GVTruncKeyTrack(INT32_MIN, &t);
    return 0;
  }
  GVTruncKeyTrack(INT32_MIN, track);
  *track = t;
  t.firstKey = nullptr;
  GVKeyTrackRebuild(track);
  return 1;
}

}  // namespace

// The walkers only read the records they write.

int GVReadKeyFrame(KeyFrame* key, FILE* file) {
  if (!key || !file) return 0;
  FileCodec c{file, false};
  codeKey(c, key, 0);
  return c.ok ? 1 : 0;
}

int GVWriteKeyFrame(const KeyFrame* key, FILE* file) {
  if (!key || !file) return 0;
  FileCodec c{file, true};
  codeKey(c, const_cast<KeyFrame*>(key), 0);
  return c.ok ? 1 : 0;
}

int GVReadKeyTrack(KeyTrack* track, FILE* file) {
  if (!track || !file) return 0;
  FileCodec c{file, false};
  return readTrack(c, track);
}

int GVWriteKeyTrack(const KeyTrack* track, FILE* file) {
  if (!track || !file) return 0;
  FileCodec c{file, true};
  codeTrack(c, const_cast<KeyTrack*>(track));
  return c.ok ? 1 : 0;
}

KeyFrame* GVReadKeyFrameAppend(KeyTrack* track, FILE* file, KeyFrame* after) {
  if (!track || !file) return nullptr;
  FileCodec c{file, false};
  return readKeyAppend(c, track, after);
}

int GVGetKeyFrame(KeyFrame* key, ItemStream* stream) {
  if (!key || !stream) return 0;
  ImageCodec c{stream, ImageCodec::kRead};
  codeKey(c, key, 0);
  return c.ok ? 1 : 0;
}

int GVPutKeyFrame(ItemStream* stream, const KeyFrame* key) {
  if (!key || !stream) return 0;
  ImageCodec c{stream, ImageCodec::writeMode(stream)};
  codeKey(c, const_cast<KeyFrame*>(key), 0);
  return c.ok ? 1 : 0;
}

int GVGetKeyTrack(KeyTrack* track, ItemStream* stream) {
  if (!track || !stream) return 0;
  ImageCodec c{stream, ImageCodec::kRead};
  return readTrack(c, track);
}

int GVPutKeyTrack(ItemStream* stream, const KeyTrack* track) {
  if (!track || !stream) return 0;
  ImageCodec c{stream, ImageCodec::writeMode(stream)};
  codeTrack(c, const_cast<KeyTrack*>(track));
  return c.ok ? 1 : 0;
}

KeyFrame* GVGetKeyFrameAppend(KeyTrack* track, ItemStream* stream, KeyFrame* after) {
  if (!track || !stream) return nullptr;
  ImageCodec c{stream, ImageCodec::kRead};
  return readKeyAppend(c, track, after);
}
