// Key-frame tracks of Geos: keys in frame order with optional value, translation,
// rotation and scale channels, the Bezier control keys computed from each key's
// neighbours, the segment search and the cached evaluation.
#pragma once

#include <cstdint>
#include <cstdio>

// Track channel flags.
enum : uint32_t {
  KEY_CHAN_VALUE = 1,
  KEY_CHAN_TRANSLATION = 2,
  KEY_CHAN_ROTATION = 4,
  KEY_CHAN_SCALE = 8,
};

// Segment codes of GVFindKeySegment.
enum {
  KEY_SEG_NONE = 0,
  KEY_SEG_BEFORE = 1,
  KEY_SEG_ON_KEY = 3,
  KEY_SEG_INSIDE = 4,
  KEY_SEG_AFTER = 6,
};

struct KeyFrame {
  double keyTime;
  int32_t frame;
  int32_t keyWord;
  double value;
  float* translation;  // 3 floats, owned, or null
  float* rotation;     // angles about x, y, z in radians, owned, or null
  float* scale;        // 3 floats, owned, or null
  double* quat;        // w, x, y, z, owned, or null; kept with rotation
  KeyFrame* inKey;     // Bezier control key before this key, owned
  KeyFrame* outKey;    // Bezier control key after this key, owned
  KeyFrame* next;
  KeyFrame* prev;
};

struct KeyTrack {
  uint32_t flags;
  int32_t trackWord;
  KeyFrame* firstKey;
  uint32_t reserved1;
  double evalTime;  // -99.0: not evaluated
  double cachedValue;
  float cachedTranslation[3];
  float cachedMatrix[9];
  float cachedScale[3];
  uint32_t reserved2;
};

// Key records.
KeyFrame* GVNewKeyFrame();  // a new initialised key, or null when memory is short
void GVInitKeyFrame(KeyFrame* key);
void GVResetKeyFrame(KeyFrame* key);
void GVFreeKeyFrameParts(KeyFrame* key);
void GVDeleteKeyFrame(KeyFrame* key);
int GVCopyKeyFrame(KeyFrame* dst, const KeyFrame* src);  // 1, or 0 when memory is short
void GVKeyFrameOffset(KeyFrame* control, const float* v);
void GVKeyFrameShiftOrigin(KeyFrame* key, const float* c);
// Allocates the blocks that the channel flags ask for and the key lacks.
int GVKeyFrameAllocBlocks(KeyFrame* key, uint32_t flags);

// Tracks.
void GVKeyTrackInit(KeyTrack* track);
int GVKeyTrackKeyCount(const KeyTrack* track);
KeyFrame* GVKeyTrackLastKey(const KeyTrack* track);
KeyFrame* GVKeyTrackInsertCopyAfter(KeyTrack* track, const KeyFrame* source, KeyFrame* after);
KeyFrame* GVKeyTrackInsertAfter(KeyTrack* track, KeyFrame* after);
// Links a key the caller made into the track after the given key, by the same
// placement rule; the track then owns it. 0 (key not taken) when it cannot go there.
int GVKeyTrackAdoptAfter(KeyTrack* track, KeyFrame* key, KeyFrame* after);
KeyFrame* GVKeyTrackInsertBefore(KeyTrack* track, KeyFrame* before);
KeyFrame* GVKeyTrackFindOrInsert(KeyTrack* track, int frame);
KeyFrame* GVKeyTrackFindKey(const KeyTrack* track, int frame);
void GVKeyTrackRemoveKey(KeyFrame* key, KeyTrack* track);
void GVTruncKeyTrack(int frame, KeyTrack* track);
void GVKeyTrackRebuild(KeyTrack* track);
// Deep copy of every key; the destination's keys are replaced. 1, or 0 when memory
// is short (the destination is then empty).
int GVKeyTrackCopy(KeyTrack* dst, const KeyTrack* src);
KeyFrame* GVFindKeySegment(const KeyTrack* track, double t, int* code);
int GVEvalKeyTrack(KeyTrack* track, double* value, float* translation, float* matrix, float* scale,
                   double t);
