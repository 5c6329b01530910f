// Feeds arbitrary bytes to the key-track readers: once as a scene-file record,
// once as an item-stream container holding a track image.
#include <cstdint>
#include <cstdio>

#include "geo/key_frame_io.h"
#include "geo/key_frames.h"
#include "records/item_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* f = std::tmpfile();
  if (!f) return 0;
  if (size) std::fwrite(data, 1, size, f);

  KeyTrack track;
  GVKeyTrackInit(&track);
  std::rewind(f);
  if (GVReadKeyTrack(&track, f)) {
    double v;
    float t[3], m[9], s[3];
    GVEvalKeyTrack(&track, &v, t, m, s, 2.5);
  }
  GVTruncKeyTrack(INT32_MIN, &track);

  std::rewind(f);
  ItemStream stream;
  if (GVItemStreamRead(&stream, f) == kItemStreamOk) {
    stream.byteCount = stream.intCount = stream.floatCount = stream.itemCount = 0;
    if (GVGetKeyTrack(&track, &stream)) {
      float m[9];
      GVEvalKeyTrack(&track, nullptr, nullptr, m, nullptr, 7.0);
    }
    GVTruncKeyTrack(INT32_MIN, &track);
  }
  GVItemStreamReset(&stream);
  std::fclose(f);
  return 0;
}
