// Reading Windows bitmap files (the program's bitmap resources).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct GVDecodedBitmap {
  int width = 0;
  int height = 0;
  int bitsPixel = 32;            // 1 for two-colour images (masks), else 32
  std::vector<uint32_t> pixels;  // top-down 0x00RRGGBB; two-colour images hold
                                 // 0x000000 for index 0 and 0xFFFFFF for index 1
};

// Decodes a whole .bmp file (file header included): 1, 4, 8, 16, 24 and 32 bits
// per pixel, uncompressed or with bit-field masks, top-down or bottom-up.
// Returns false for anything damaged, truncated or unsupported.
bool GVDecodeBmp(const uint8_t* data, size_t size, GVDecodedBitmap* out);
