#include "geo/key_frame_io.h"

#include <initializer_list>
#include <new>

#include "geo/key_frames.h"
#include "jel/vector_math.h"
#include "scene/binary_file.h"
#include "scene/item_stream.h"

namespace {

// Control keys are made one level deep by the rebuild; a record nested deeper
// than this is damaged, and refusing it keeps a hostile file from exhausting
// the stack.
const int kMaxControlDepth = 8;

// Smallest file record of a key: fixed part, eight ignored words, six presence
// words and the trailing word.
const long long kMinKeyFileBytes = 8 + 4 + 4 + 8 + 32 + 6 * 4 + 4;
// Smallest image of a key, in ints: frame, keyWord, six presence words, the
// skipped word.
const uint32_t kMinKeyImageInts = 2 + 6 + 1;

template <typename T>
T* allocBlock(T*& p, int n) {
  if (!p) p = new (std::nothrow) T[n]();
  return p;
}

// --- scene-file form -------------------------------------------------------

int readVec3(FILE* f, float*& block) {
  uint32_t present;
  if (!GVFileReadU32(f, &present)) return 0;
  if (!present) return 1;
  if (!allocBlock(block, 3)) return 0;
  for (int i = 0; i < 3; ++i)
    if (!GVFileReadF32(f, &block[i])) return 0;
  return 1;
}

int readKey(KeyFrame* key, FILE* f, int depth) {
  if (depth > kMaxControlDepth) return 0;
  GVFreeKeyFrameParts(key);
  key->next = key->prev = nullptr;
  if (!GVFileReadF64(f, &key->keyTime) || !GVFileReadI32(f, &key->frame) ||
      !GVFileReadI32(f, &key->keyWord) || !GVFileReadF64(f, &key->value) || !GVFileSkip(f, 32))
    return 0;
  if (!readVec3(f, key->translation) || !readVec3(f, key->rotation) || !readVec3(f, key->scale))
    return 0;
  uint32_t present;
  if (!GVFileReadU32(f, &present)) return 0;
  if (present) {
    if (!allocBlock(key->quat, 4)) return 0;
    for (int i = 0; i < 4; ++i)
      if (!GVFileReadF64(f, &key->quat[i])) return 0;
  }
  KeyFrame** ctl[2] = {&key->inKey, &key->outKey};
  for (KeyFrame** c : ctl) {
    if (!GVFileReadU32(f, &present)) return 0;
    if (!present) continue;
    if (!(*c = GVNewKeyFrame())) return 0;
    if (!readKey(*c, f, depth + 1)) return 0;
  }
  return GVFileSkip(f, 4);
}

int writeVec3(FILE* f, const float* block) {
  if (!GVFileWriteU32(f, block ? 1 : 0)) return 0;
  if (!block) return 1;
  for (int i = 0; i < 3; ++i)
    if (!GVFileWriteF32(f, block[i])) return 0;
  return 1;
}

int writeKey(const KeyFrame* key, FILE* f) {
  if (!GVFileWriteF64(f, key->keyTime) || !GVFileWriteI32(f, key->frame) ||
      !GVFileWriteI32(f, key->keyWord) || !GVFileWriteF64(f, key->value))
    return 0;
  for (int i = 0; i < 8; ++i)
    if (!GVFileWriteU32(f, 0)) return 0;
  if (!writeVec3(f, key->translation) || !writeVec3(f, key->rotation) ||
      !writeVec3(f, key->scale))
    return 0;
  if (!GVFileWriteU32(f, key->quat ? 1 : 0)) return 0;
  if (key->quat)
    for (int i = 0; i < 4; ++i)
      if (!GVFileWriteF64(f, key->quat[i])) return 0;
  for (const KeyFrame* c : {key->inKey, key->outKey}) {
    if (!GVFileWriteU32(f, c ? 1 : 0)) return 0;
    if (c && !writeKey(c, f)) return 0;
  }
  return GVFileWriteU32(f, 0);
}

// The 96-byte track image: flags, trackWord, first-key word, reserved word,
// evalTime, cachedValue, cached translation (3), matrix (9) and scale (3), reserved.
int readTrackImage(KeyTrack* t, FILE* f) {
  if (!GVFileReadU32(f, &t->flags) || !GVFileReadI32(f, &t->trackWord) || !GVFileSkip(f, 4) ||
      !GVFileReadU32(f, &t->reserved1) || !GVFileReadF64(f, &t->evalTime) ||
      !GVFileReadF64(f, &t->cachedValue))
    return 0;
  for (float& v : t->cachedTranslation)
    if (!GVFileReadF32(f, &v)) return 0;
  for (float& v : t->cachedMatrix)
    if (!GVFileReadF32(f, &v)) return 0;
  for (float& v : t->cachedScale)
    if (!GVFileReadF32(f, &v)) return 0;
  return GVFileReadU32(f, &t->reserved2);
}

int writeTrackImage(const KeyTrack* t, FILE* f) {
  if (!GVFileWriteU32(f, t->flags) || !GVFileWriteI32(f, t->trackWord) || !GVFileWriteU32(f, 0) ||
      !GVFileWriteU32(f, t->reserved1) || !GVFileWriteF64(f, t->evalTime) ||
      !GVFileWriteF64(f, t->cachedValue))
    return 0;
  for (float v : t->cachedTranslation)
    if (!GVFileWriteF32(f, v)) return 0;
  for (float v : t->cachedMatrix)
    if (!GVFileWriteF32(f, v)) return 0;
  for (float v : t->cachedScale)
    if (!GVFileWriteF32(f, v)) return 0;
  return GVFileWriteU32(f, t->reserved2);
}

// --- item-stream image -----------------------------------------------------

// Count-or-fill puts: with the array not yet allocated they only advance the
// cursor (the counting pass).
int putInt(ItemStream* s, int32_t v) {
  if (s->ints) {
    if (s->intCount >= s->intSize) return 0;
    s->ints[s->intCount] = v;
  }
  ++s->intCount;
  return 1;
}

int putFloat(ItemStream* s, float v) {
  if (s->floats) {
    if (s->floatCount >= s->floatSize) return 0;
    s->floats[s->floatCount] = v;
  }
  ++s->floatCount;
  return 1;
}

int putItem(ItemStream* s, double v) {
  if (s->items) {
    if (s->itemCount >= s->itemSize) return 0;
    s->items[s->itemCount] = v;
  }
  ++s->itemCount;
  return 1;
}

int getVec3(ItemStream* s, float*& block) {
  int32_t present;
  if (!GVItemStreamTakeInt(s, &present)) return 0;
  if (!present) return 1;
  if (!allocBlock(block, 3)) return 0;
  // A stream without floats leaves the block as allocated, unread.
  if (!s->floats) return 1;
  for (int i = 0; i < 3; ++i)
    if (!GVItemStreamTakeFloat(s, &block[i])) return 0;
  return 1;
}

int getKey(KeyFrame* key, ItemStream* s, int depth) {
  if (depth > kMaxControlDepth) return 0;
  GVFreeKeyFrameParts(key);
  key->next = key->prev = nullptr;
  if (!GVItemStreamTakeItem(s, &key->keyTime) || !GVItemStreamTakeInt(s, &key->frame) ||
      !GVItemStreamTakeInt(s, &key->keyWord) || !GVItemStreamTakeItem(s, &key->value))
    return 0;
  if (!getVec3(s, key->translation) || !getVec3(s, key->rotation) || !getVec3(s, key->scale))
    return 0;
  int32_t present;
  if (!GVItemStreamTakeInt(s, &present)) return 0;
  if (present) {
    if (!allocBlock(key->quat, 4)) return 0;
    for (int i = 0; i < 4; ++i)
      if (!GVItemStreamTakeItem(s, &key->quat[i])) return 0;
  }
  KeyFrame** ctl[2] = {&key->inKey, &key->outKey};
  for (KeyFrame** c : ctl) {
    if (!GVItemStreamTakeInt(s, &present)) return 0;
    if (!present) continue;
    if (!(*c = GVNewKeyFrame())) return 0;
    if (!getKey(*c, s, depth + 1)) return 0;
  }
  int32_t skipped;
  return GVItemStreamTakeInt(s, &skipped);
}

int putVec3(ItemStream* s, const float* block) {
  if (!putInt(s, block ? 1 : 0)) return 0;
  if (!block) return 1;
  for (int i = 0; i < 3; ++i)
    if (!putFloat(s, block[i])) return 0;
  return 1;
}

int putKey(ItemStream* s, const KeyFrame* key) {
  if (!putItem(s, key->keyTime) || !putInt(s, key->frame) || !putInt(s, key->keyWord) ||
      !putItem(s, key->value))
    return 0;
  if (!putVec3(s, key->translation) || !putVec3(s, key->rotation) || !putVec3(s, key->scale))
    return 0;
  if (!putInt(s, key->quat ? 1 : 0)) return 0;
  if (key->quat)
    for (int i = 0; i < 4; ++i)
      if (!putItem(s, key->quat[i])) return 0;
  for (const KeyFrame* c : {key->inKey, key->outKey}) {
    if (!putInt(s, c ? 1 : 0)) return 0;
    if (c && !putKey(s, c)) return 0;
  }
  return putInt(s, 0);
}

// Moves the keys of src into dst (whose keys are freed) and rebuilds dst.
void adoptKeys(KeyTrack* dst, KeyTrack* src) {
  GVTruncKeyTrack(INT32_MIN, dst);
  *dst = *src;
  src->firstKey = nullptr;
  GVKeyTrackRebuild(dst);
}

}  // namespace

int GVReadKeyFrame(KeyFrame* key, FILE* file) {
  if (!key || !file) return 0;
  return readKey(key, file, 0);
}

int GVWriteKeyFrame(const KeyFrame* key, FILE* file) {
  if (!key || !file) return 0;
  return writeKey(key, file);
}

int GVReadKeyTrack(KeyTrack* track, FILE* file) {
  if (!track || !file) return 0;
  KeyTrack t;
  GVKeyTrackInit(&t);
  uint32_t count;
  int ok = readTrackImage(&t, file) && GVFileReadU32(file, &count);
  long long left = ok ? GVFileRemaining(file) : -1;
  if (ok && left >= 0 && (long long)count * kMinKeyFileBytes > left) ok = 0;
  KeyFrame* after = nullptr;
  for (uint32_t i = 0; ok && i < count; ++i) {
    after = GVReadKeyFrameAppend(&t, file, after);
    ok = after != nullptr;
  }
  if (ok) ok = GVFileSkip(file, 4);
  if (!ok) {
    GVTruncKeyTrack(INT32_MIN, &t);
    return 0;
  }
  adoptKeys(track, &t);
  return 1;
}

int GVWriteKeyTrack(const KeyTrack* track, FILE* file) {
  if (!track || !file) return 0;
  if (!writeTrackImage(track, file) || !GVFileWriteU32(file, GVKeyTrackKeyCount(track)))
    return 0;
  for (const KeyFrame* k = track->firstKey; k; k = k->next)
    if (!writeKey(k, file)) return 0;
  return GVFileWriteU32(file, 0);
}

KeyFrame* GVReadKeyFrameAppend(KeyTrack* track, FILE* file, KeyFrame* after) {
  if (!track || !file || (!after && track->firstKey)) return nullptr;
  KeyFrame* k = GVNewKeyFrame();
  if (!k) return nullptr;
  if (!readKey(k, file, 0) || !GVKeyTrackAdoptAfter(track, k, after)) {
    GVDeleteKeyFrame(k);
    return nullptr;
  }
  return k;
}

int GVGetKeyFrame(KeyFrame* key, ItemStream* stream) {
  if (!key || !stream) return 0;
  return getKey(key, stream, 0);
}

int GVPutKeyFrame(ItemStream* stream, const KeyFrame* key) {
  if (!key || !stream) return 0;
  return putKey(stream, key);
}

int GVGetKeyTrack(KeyTrack* track, ItemStream* stream) {
  if (!track || !stream) return 0;
  KeyTrack t;
  GVKeyTrackInit(&t);
  int32_t flags, count = 0;
  int ok = GVItemStreamTakeInt(stream, &flags) && GVItemStreamTakeInt(stream, &t.trackWord) &&
           GVItemStreamTakeItem(stream, &t.evalTime) &&
           GVItemStreamTakeItem(stream, &t.cachedValue);
  t.flags = uint32_t(flags);
  for (int i = 0; ok && i < 3; ++i) ok = GVItemStreamTakeFloat(stream, &t.cachedTranslation[i]);
  for (int i = 0; ok && i < 9; ++i) ok = GVItemStreamTakeFloat(stream, &t.cachedMatrix[i]);
  for (int i = 0; ok && i < 3; ++i) ok = GVItemStreamTakeFloat(stream, &t.cachedScale[i]);
  if (ok) ok = GVItemStreamTakeInt(stream, &count);
  if (ok && (count < 0 || stream->intCount > stream->intSize ||
             uint64_t(count) * kMinKeyImageInts > stream->intSize - stream->intCount))
    ok = 0;
  KeyFrame* after = nullptr;
  for (int32_t i = 0; ok && i < count; ++i) {
    after = GVGetKeyFrameAppend(&t, stream, after);
    ok = after != nullptr;
  }
  int32_t skipped;
  if (ok) ok = GVItemStreamTakeInt(stream, &skipped);
  if (!ok) {
    GVTruncKeyTrack(INT32_MIN, &t);
    return 0;
  }
  adoptKeys(track, &t);
  return 1;
}

int GVPutKeyTrack(ItemStream* stream, const KeyTrack* track) {
  if (!track || !stream) return 0;
  int ok = putInt(stream, int32_t(track->flags)) && putInt(stream, track->trackWord) &&
           putItem(stream, track->evalTime) && putItem(stream, track->cachedValue);
  for (int i = 0; ok && i < 3; ++i) ok = putFloat(stream, track->cachedTranslation[i]);
  for (int i = 0; ok && i < 9; ++i) ok = putFloat(stream, track->cachedMatrix[i]);
  for (int i = 0; ok && i < 3; ++i) ok = putFloat(stream, track->cachedScale[i]);
  if (ok) ok = putInt(stream, GVKeyTrackKeyCount(track));
  for (const KeyFrame* k = track->firstKey; ok && k; k = k->next) ok = putKey(stream, k);
  return ok && putInt(stream, 0);
}

KeyFrame* GVGetKeyFrameAppend(KeyTrack* track, ItemStream* stream, KeyFrame* after) {
  if (!track || !stream || (!after && track->firstKey)) return nullptr;
  KeyFrame* k = GVNewKeyFrame();
  if (!k) return nullptr;
  if (!getKey(k, stream, 0) || !GVKeyTrackAdoptAfter(track, k, after)) {
    GVDeleteKeyFrame(k);
    return nullptr;
  }
  return k;
}
