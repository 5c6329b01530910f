#include "GVAppWins/view_image.h"

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
  // The writers replace an old image only once the new one is complete.
  const std::string path = std::string(GVRootDir()) + "/" + fileName;
  const bool written = type == 0 ? GVSaveJpeg(image, path.c_str(), kJpegQuality) : GVSavePng(image, path.c_str());
  return written ? 1 : 0;
}
