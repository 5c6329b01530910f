// Feeds arbitrary bytes, as an item-stream container, to the light-list block
// reader, then writes what it read and reads it again.
#include <cstdint>
#include <cstdio>

#include "fuzz/stream_input.h"
#include "records/item_stream.h"
#include "scene/light_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ItemStream stream;
  if (!FuzzReadStream(data, size, &stream)) return 0;
  LightList list;
  GVNewLightList(&list);
  if (GVGetLightsItem(&stream, &list) == 1) FuzzRewrite(&list, GVCountLightsItem, GVPutLightsItem, GVGetLightsItem);
  GVFreeLightListArray(&list);
  GVItemStreamReset(&stream);
  return 0;
}
