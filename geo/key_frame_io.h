// The scene-file and item-stream forms of key-frame tracks. Readers return 1, or
// 0 for a damaged or truncated record; a track that fails to read is left as it
// was before the call. Writers mirror the readers value for value.
#pragma once

#include <cstdio>

struct ItemStream;
struct KeyFrame;
struct KeyTrack;

int GVReadKeyFrame(KeyFrame* key, FILE* file);
int GVWriteKeyFrame(const KeyFrame* key, FILE* file);
int GVReadKeyTrack(KeyTrack* track, FILE* file);
int GVWriteKeyTrack(const KeyTrack* track, FILE* file);

// Image form. GVPut* counts when the stream's arrays are not allocated yet (the
// counting pass) and fills at the cursors otherwise; it returns 0 when a filled
// array has no room left.
int GVGetKeyFrame(KeyFrame* key, ItemStream* stream);
int GVPutKeyFrame(ItemStream* stream, const KeyFrame* key);
int GVGetKeyTrack(KeyTrack* track, ItemStream* stream);
int GVPutKeyTrack(ItemStream* stream, const KeyTrack* track);

// Read a key and insert it after the given key (as the first key of an empty
// track when none is given); null when it cannot be read or placed.
KeyFrame* GVReadKeyFrameAppend(KeyTrack* track, FILE* file, KeyFrame* after);
KeyFrame* GVGetKeyFrameAppend(KeyTrack* track, ItemStream* stream, KeyFrame* after);
