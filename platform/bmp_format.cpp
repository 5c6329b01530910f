// Windows bitmap file reader. Every size and offset read from the file is
// checked against the data before use.
#include "platform/bmp_format.h"

#include <cstring>

namespace {

uint16_t u16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t u32(const uint8_t* p) {
  return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}
int32_t i32(const uint8_t* p) { return static_cast<int32_t>(u32(p)); }

const uint32_t kMaxPixels = 1u << 26;  // 64 M pixels: far beyond any resource

// Position and width of a bit-field mask, to scale its value to 8 bits.
struct Field {
  uint32_t mask = 0;
  int shift = 0;
  int bits = 0;
  explicit Field(uint32_t m) : mask(m) {
    if (!m) return;
    while (!((m >> shift) & 1)) shift++;
    while (shift + bits < 32 && ((m >> (shift + bits)) & 1)) bits++;
  }
  uint32_t get(uint32_t v) const {
    if (!bits) return 0;
    uint32_t x = (v & mask) >> shift;
    if (bits >= 8) return x >> (bits - 8);
    // Replicate the high bits to fill 8 bits (31 -> 255 for 5-bit fields).
    uint32_t r = 0;
    for (int have = 0; have < 8; have += bits) r = (r << bits) | x;
    int total = ((8 + bits - 1) / bits) * bits;
    return (r >> (total - 8)) & 0xFF;
  }
};

}  // namespace

bool GVDecodeBmp(const uint8_t* data, size_t size, GVDecodedBitmap* out) {
  if (!data || !out || size < 14 + 12) return false;
  if (data[0] != 'B' || data[1] != 'M') return false;
  uint32_t pixelOffset = u32(data + 10);
  const uint8_t* h = data + 14;
  uint32_t headerSize = u32(h);
  if (headerSize < 12 || headerSize > size - 14) return false;
  int64_t width, height;
  uint32_t bitCount, compression = 0, coloursUsed = 0;
  int paletteEntrySize = 4;
  uint32_t masks[3] = {0, 0, 0};
  if (headerSize == 12) {
    width = u16(h + 4);
    height = static_cast<int16_t>(u16(h + 6));
    bitCount = u16(h + 10);
    paletteEntrySize = 3;
  } else {
    if (headerSize < 40) return false;
    width = i32(h + 4);
    height = i32(h + 8);
    if (u16(h + 12) != 1) return false;
    bitCount = u16(h + 14);
    compression = u32(h + 16);
    coloursUsed = u32(h + 32);
  }
  bool topDown = height < 0;
  if (topDown) height = -height;
  if (width <= 0 || height <= 0 || width > 65535 || height > 65535) return false;
  if (uint64_t(width) * uint64_t(height) > kMaxPixels) return false;
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
      bitCount != 32)
    return false;
  const int kRgb = 0, kBitFields = 3;
  if (compression != kRgb && compression != kBitFields) return false;
  if (compression == kBitFields) {
    if (bitCount != 16 && bitCount != 32) return false;
    // The masks follow a 40-byte header, or sit inside a longer one.
    size_t at = 14 + 40;
    if (at + 12 > size) return false;
    masks[0] = u32(data + at);
    masks[1] = u32(data + at + 4);
    masks[2] = u32(data + at + 8);
  } else if (bitCount == 16) {
    masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
  } else if (bitCount == 32) {
    masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
  }
  // Palette
  uint32_t palette[256];
  uint32_t paletteCount = 0;
  if (bitCount <= 8) {
    uint32_t maxEntries = 1u << bitCount;
    paletteCount = coloursUsed ? coloursUsed : maxEntries;
    if (paletteCount > maxEntries) return false;
    size_t at = 14 + headerSize + (compression == kBitFields && headerSize == 40 ? 12 : 0);
    if (at + size_t(paletteCount) * paletteEntrySize > size) return false;
    for (uint32_t i = 0; i < paletteCount; i++) {
      const uint8_t* e = data + at + i * paletteEntrySize;
      palette[i] = (uint32_t(e[2]) << 16) | (uint32_t(e[1]) << 8) | e[0];
    }
  }
  uint64_t stride = ((uint64_t(width) * bitCount + 31) / 32) * 4;
  if (pixelOffset < 14 + headerSize || pixelOffset > size) return false;
  if (stride * uint64_t(height) > size - pixelOffset) return false;

  Field fr(masks[0]), fg(masks[1]), fb(masks[2]);
  out->width = static_cast<int>(width);
  out->height = static_cast<int>(height);
  out->bitsPixel = bitCount == 1 ? 1 : 32;
  out->pixels.assign(size_t(width) * size_t(height), 0);
  for (int64_t y = 0; y < height; y++) {
    const uint8_t* row = data + pixelOffset + stride * uint64_t(topDown ? y : height - 1 - y);
    uint32_t* dst = out->pixels.data() + size_t(y) * size_t(width);
    for (int64_t x = 0; x < width; x++) {
      uint32_t v;
      switch (bitCount) {
        case 1: {
          uint32_t idx = (row[x / 8] >> (7 - x % 8)) & 1;
          v = idx ? 0xFFFFFF : 0;
          break;
        }
        case 4: {
          uint32_t idx = (row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF;
          v = idx < paletteCount ? palette[idx] : 0;
          break;
        }
        case 8: {
          uint32_t idx = row[x];
          v = idx < paletteCount ? palette[idx] : 0;
          break;
        }
        case 16: {
          uint32_t p = u16(row + x * 2);
          v = (fr.get(p) << 16) | (fg.get(p) << 8) | fb.get(p);
          break;
        }
        case 24:
          v = (uint32_t(row[x * 3 + 2]) << 16) | (uint32_t(row[x * 3 + 1]) << 8) | row[x * 3];
          break;
        default: {
          uint32_t p = u32(row + x * 4);
          v = (fr.get(p) << 16) | (fg.get(p) << 8) | fb.get(p);
          break;
        }
      }
      dst[x] = v;
    }
  }
  return true;
}
