// Material-script texts of any content: the list walk and the look-up stay
// inside the text and their buffers.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "appwins/material_scan.h"
#include "toolkit/comments.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<char> text(data, data + size);
  text.push_back(0);
  std::vector<char> stripped(text.size());
  GVStripComments(text.data(), stripped.data());
  GVWalkMaterialScript(stripped.data(), "Rock", nullptr, nullptr);
  GVLookUpScriptMaterial(text.data(), "Rock", "Wall");
  return 0;
}
