#include "platform/image_file.h"

bool GVOpenImageFile(const char* path, GVImageFile* out) {
  if (!path || !*path || !out) return false;
  out->path = path;
  for (char& c : out->path)
    if (c == '\\') c = '/';
  out->side = out->path + ".part";
  out->file = std::fopen(out->side.c_str(), "wb");
  return out->file != nullptr;
}

bool GVCloseImageFile(GVImageFile* image, bool complete) {
  const bool closed = std::fclose(image->file) == 0;
  image->file = nullptr;
  if (complete && closed && std::rename(image->side.c_str(), image->path.c_str()) == 0) return true;
  std::remove(image->side.c_str());
  return false;
}

void GVPixelsToRgb(const uint32_t* pixels, int width, uint8_t* rgb) {
  for (int x = 0; x < width; x++) {
    rgb[x * 3] = static_cast<uint8_t>(pixels[x] >> 16);
    rgb[x * 3 + 1] = static_cast<uint8_t>(pixels[x] >> 8);
    rgb[x * 3 + 2] = static_cast<uint8_t>(pixels[x]);
  }
}
