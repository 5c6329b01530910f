// Feeds arbitrary bytes to the tagged scene-options reader.
#include <cstdint>
#include <cstdio>

#include "scene/scene_opts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FILE* f = std::tmpfile();
  if (!f) return 0;
  if (size) std::fwrite(data, 1, size, f);
  std::rewind(f);
  SceneOpts opts{};
  GVInitSceneOpts(&opts);
  GVReadSceneOptsTagged(&opts, f);
  GVClearSceneOptsParts(&opts);
  std::fclose(f);
  return 0;
}
