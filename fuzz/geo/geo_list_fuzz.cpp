// Feeds arbitrary bytes to the Geo-list readers: once as a scene-file list
// block, once as an item-stream container holding a list image. The record
// readers here take an id, a name and a colour block, enough to drive the
// list's count handling, appending and emptying over damaged input.
#include <cstdint>
#include <cstdio>

#include "geo/geo_list.h"
#include "records/binary_file.h"
#include "records/heap_string.h"
#include "records/item_stream.h"

static int readRecord(GObject* geo, FILE* file) {
  int32_t id = 0;
  if (!GVFileReadI32(file, &id) || !GVReadString(file, &geo->name)) return 0;
  geo->id = id;
  return 1;
}

static int readImageRecord(GObject* geo, ItemStream* image) {
  if (image->intCount >= image->intSize) return 0;
  geo->id = image->ints[image->intCount++];
  if (!GVItemStreamGetNewString(image, &geo->name)) return 0;
  return GVReadColourImage(image, &geo->colourA);
}

static void exercise(GeoList* list) {
  char name[20] = "Geo";
  GVMakeUniqueGeoName(list, name, sizeof name);
  float box[6];
  GVGeoSelBounds(list, -1, box);
  GVNextGeoSel(list, GVFirstGeoInSel(list, -1));
  GVMoveGeoToEnd(list, list->head ? list->head->id : 0);
  GVDeleteGeoSel(list, -2);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* f = std::tmpfile();
  if (!f) return 0;
  if (size) std::fwrite(data, 1, size, f);

  GeoList list;
  GVInitGeoList(&list);
  std::rewind(f);
  GVReadGeoListWith(&list, f, readRecord);
  exercise(&list);

  std::rewind(f);
  ItemStream stream;
  if (GVItemStreamRead(&stream, f) == kItemStreamOk) {
    stream.byteCount = stream.intCount = stream.floatCount = stream.itemCount = 0;
    GVReadGeoListImageWith(&list, &stream, readImageRecord);
    exercise(&list);
  }
  GVItemStreamReset(&stream);
  GVClearGeoList(&list);
  std::fclose(f);
  return 0;
}
