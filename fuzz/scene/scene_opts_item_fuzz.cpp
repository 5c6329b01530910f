// Feeds arbitrary bytes, as an item-stream container, to the scene-options
// block reader, then writes what it read and reads it again.
#include <cstdint>
#include <cstdio>

#include "fuzz/stream_input.h"
#include "records/item_stream.h"
#include "scene/scene_opts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ItemStream stream;
  if (!FuzzReadStream(data, size, &stream)) return 0;
  SceneOpts opts{};
  GVInitSceneOpts(&opts);
  if (GVGetSceneOptsItem(&stream, &opts) == 1)
    FuzzRewrite(&opts, GVCountSceneOptsItem, GVPutSceneOptsItem, GVGetSceneOptsItem);
  GVClearSceneOptsParts(&opts);
  GVItemStreamReset(&stream);
  return 0;
}
