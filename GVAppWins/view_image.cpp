#include "GVAppWins/view_image.h"

#include <cstdio>
#include <string>

#include "GVAppWins/ogre_view.h"
#include "GVAppWins/view_window.h"
#include "platform/screen_image.h"
#include "scene/work_folders.h"

static constexpr int kJpegQuality = 90;

int GVSaveViewToTexture(GVView* view, const char* fileName, int type) {
  if (!view || !view->window || !fileName || !*fileName || (type != 0 && type != 1)) return 0;
  if (GVOgreEnabled) GVRenderOgreFrame();
  GVSurface image;
  if (!GVWindowClientImage(view->window, &image)) return 0;
  const std::string path = std::string(GVRootDir()) + "/" + fileName;
  const std::string part = path + ".part";
  const bool written = type == 0 ? GVSaveJpeg(image, part.c_str(), kJpegQuality) : GVSavePng(image, part.c_str());
  if (!written) return 0;
  if (std::rename(part.c_str(), path.c_str()) != 0) {
    std::remove(part.c_str());
    return 0;
  }
  return 1;
}
