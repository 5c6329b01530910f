// What the PNG and JPEG writers share: the image goes to a side file beside
// the target, which replaces an old file of that name only once the image is
// complete; and the surface's pixels as 8-bit RGB rows.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

struct GVImageFile {
  std::string path;  // the target, '\' separators made '/'
  std::string side;  // written first
  FILE* file = nullptr;
};

// Opens the side file for writing; false (nothing opened) on failure.
bool GVOpenImageFile(const char* path, GVImageFile* out);
// Closes the side file; when the image was complete and the file closed, it
// takes the target's name (true), else it is removed and the target stays as
// it was (false).
bool GVCloseImageFile(GVImageFile* image, bool complete);
// One row of 0x00RRGGBB pixels as R, G, B bytes.
void GVPixelsToRgb(const uint32_t* pixels, int width, uint8_t* rgb);
