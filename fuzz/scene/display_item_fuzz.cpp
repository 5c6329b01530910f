// Feeds arbitrary bytes, as an item-stream container, to the display-settings
// block reader, then writes what it read and reads it again.
#include <cstdint>
#include <cstdio>

#include "fuzz/stream_input.h"
#include "scene/display_settings.h"
#include "records/item_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ItemStream stream;
  if (!FuzzReadStream(data, size, &stream)) return 0;
  DisplaySettings d;
  GVInitDisplaySettings(&d);
  if (GVGetDisplayFromStream(&stream, &d) == 1) FuzzRewrite(&d, GVCountDisplayItem, GVPutDisplayItem, GVGetDisplayFromStream);
  GVFreeDisplaySettingsText(&d);
  GVItemStreamReset(&stream);
  return 0;
}
