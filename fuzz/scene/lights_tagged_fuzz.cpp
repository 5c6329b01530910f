// Feeds arbitrary bytes to the tagged light-list reader.
#include <cstdint>
#include <cstdio>

#include "scene/light_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* f = std::tmpfile();
  if (!f) return 0;
  if (size) std::fwrite(data, 1, size, f);
  std::rewind(f);
  LightList list;
  GVNewLightList(&list);
  GVReadLightsTagged(f, &list);
  if (list.count < 1 || !list.lights) __builtin_trap();  // never empty
  GVFreeLightListArray(&list);
  std::fclose(f);
  return 0;
}
