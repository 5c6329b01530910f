// Bitmap resources: LoadImageA and LoadBitmapA over the embedded resource table
// (or a .bmp file with LR_LOADFROMFILE).
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <strings.h>
#include <vector>

#include "platform/bmp_format.h"
#include "platform/gdi_internal.h"
#include "platform/resource_data.h"

extern const GVResource gvEmbeddedResources[];
extern const size_t gvEmbeddedResourceCount;

namespace {

std::vector<GVResource>& addedResources() {
  static std::vector<GVResource> added;
  return added;
}

HBITMAP bitmapFromDecoded(const GVDecodedBitmap& decoded, bool monochrome) {
  HBITMAP b = CreateBitmap(decoded.width, decoded.height, 1, decoded.bitsPixel, nullptr);
  GVGdiObject* o = GVGdiObjectFromHandle(b);
  if (!o) return nullptr;
  o->surface.pixels = decoded.pixels;
  if (monochrome && o->bitsPixel == 32) {
    for (uint32_t& p : o->surface.pixels) {
      int sum = ((p >> 16) & 0xff) + ((p >> 8) & 0xff) + (p & 0xff);
      p = sum >= 3 * 128 ? 0xFFFFFF : 0;
    }
    o->bitsPixel = 1;
  }
  return b;
}

HBITMAP bitmapFromBytes(const uint8_t* data, size_t size, bool monochrome) {
  GVDecodedBitmap decoded;
  if (!GVDecodeBmp(data, size, &decoded)) return nullptr;
  return bitmapFromDecoded(decoded, monochrome);
}

// Resources are decoded once: the toolkit loads its bitmaps on every paint.
const GVDecodedBitmap* decodedResource(const GVResource* r) {
  static std::map<const unsigned char*, GVDecodedBitmap> cache;
  auto it = cache.find(r->data);
  if (it != cache.end()) return &it->second;
  GVDecodedBitmap decoded;
  if (!GVDecodeBmp(r->data, r->size, &decoded)) return nullptr;
  return &cache.emplace(r->data, std::move(decoded)).first->second;
}

bool readFile(const char* path, std::vector<uint8_t>* out) {
  std::string p(path);
  for (char& c : p)
    if (c == '\\') c = '/';
  FILE* f = std::fopen(p.c_str(), "rb");
  if (!f) return false;
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
    out->insert(out->end(), buf, buf + n);
    if (out->size() > (size_t(1) << 28)) break;
  }
  std::fclose(f);
  return out->size() <= (size_t(1) << 28);
}

}  // namespace

const GVResource* GVFindResource(const char* type, int id) {
  if (!type) return nullptr;
  for (const GVResource& r : addedResources())
    if (r.id == id && strcasecmp(r.type, type) == 0) return &r;
  for (size_t i = 0; i < gvEmbeddedResourceCount; i++) {
    const GVResource& r = gvEmbeddedResources[i];
    if (r.id == id && strcasecmp(r.type, type) == 0) return &r;
  }
  return nullptr;
}

void GVAddResources(const GVResource* table, size_t count) {
  for (size_t i = 0; table && i < count; i++) addedResources().push_back(table[i]);
}

HANDLE LoadImageA(HINSTANCE, LPCSTR name, UINT type, int, int, UINT flags) {
  if (!name || type != IMAGE_BITMAP) return nullptr;
  bool mono = (flags & LR_MONOCHROME) != 0;
  if (flags & LR_LOADFROMFILE) {
    if (IS_INTRESOURCE(name)) return nullptr;
    std::vector<uint8_t> bytes;
    if (!readFile(name, &bytes)) return nullptr;
    return bitmapFromBytes(bytes.data(), bytes.size(), mono);
  }
  if (!IS_INTRESOURCE(name)) return nullptr;
  const GVResource* r = GVFindResource("BITMAP", static_cast<int>(reinterpret_cast<ULONG_PTR>(name)));
  if (!r) return nullptr;
  const GVDecodedBitmap* decoded = decodedResource(r);
  return decoded ? bitmapFromDecoded(*decoded, mono) : nullptr;
}

HBITMAP LoadBitmapA(HINSTANCE instance, LPCSTR name) {
  return static_cast<HBITMAP>(LoadImageA(instance, name, IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR));
}
