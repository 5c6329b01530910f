#include "GVAppWins/view_image.h"

#include <OGRE/Ogre.h>

#include <string>

#include "GVAppWins/ogre_view.h"
#include "GVAppWins/view_window.h"
#include "platform/pixel_surface.h"
#include "platform/screen_image.h"
#include "scene/display_settings.h"
#include "scene/scene_records.h"
#include "scene/work_folders.h"

static constexpr int kJpegQuality = 90;
static const char* const kFileTexture = "RTTFileTex";

// The player camera's view rendered once into "RTTFileTex" of the view's
// size over the scene background (alpha 0 there for the PNG) and read back
// as the view reads its own frames. The texture goes again on every path.
static bool renderFileTexture(GVView* view, int type, GVSurface* image) {
  OgreData* d = gOgreData;
  if (!d || !d->mRoot || !d->mCamera || d->mViewWidth < 1 || d->mViewHeight < 1) return false;
  const bool alpha = type == 1;
  const int w = d->mViewWidth, h = d->mViewHeight;
  const DisplaySettings* ds = GVScene().display;
  Ogre::ColourValue colour = ds ? Ogre::ColourValue(ds->background.r, ds->background.g, ds->background.b)
                                : Ogre::ColourValue(1.0f, 1.0f, 1.0f);
  colour.a = alpha ? 0.0f : 1.0f;
  Ogre::TextureManager& tm = Ogre::TextureManager::getSingleton();
  if (view) view->flags |= kViewOverlayOff;
  bool ok = false;
  Ogre::TexturePtr tex;
  Ogre::RenderTarget* target = nullptr;
  try {
    tex = tm.createManual(kFileTexture, Ogre::RGN_DEFAULT, Ogre::TEX_TYPE_2D, static_cast<Ogre::uint>(w),
                          static_cast<Ogre::uint>(h), 0, alpha ? Ogre::PF_A8R8G8B8 : Ogre::PF_R8G8B8,
                          Ogre::TU_RENDERTARGET, nullptr, false, 0, Ogre::BLANKSTRING);
    target = tex->getBuffer(0, 0)->getRenderTarget(0);
    if (target) {
      Ogre::Viewport* vp = target->addViewport(d->mCamera, 0, 0.0f, 0.0f, 1.0f, 1.0f);
      vp->setClearEveryFrame(true, Ogre::FBT_COLOUR | Ogre::FBT_DEPTH);
      vp->setBackgroundColour(colour);
      vp->setOverlaysEnabled(false);
      target->update();
      image->resize(w, h, 0);
      target->copyContentsToMemory(
          Ogre::Box(0, 0, static_cast<uint32_t>(w), static_cast<uint32_t>(h)),
          Ogre::PixelBox(static_cast<uint32_t>(w), static_cast<uint32_t>(h), 1, Ogre::PF_A8R8G8B8,
                         image->pixels.data()));
      ok = true;
    }
  } catch (const Ogre::Exception& e) {
    Ogre::LogManager::getSingleton().logMessage(e.getFullDescription(), Ogre::LML_CRITICAL);
  }
  if (view) view->flags &= ~kViewOverlayOff;
  try {
    if (target) {
      target->removeAllListeners();
      target->removeAllViewports();
    }
    if (tex) tm.remove(tex);
  } catch (const Ogre::Exception& e) {
    Ogre::LogManager::getSingleton().logMessage(e.getFullDescription(), Ogre::LML_CRITICAL);
  }
  return ok;
}

int GVSaveViewToTexture(GVView* view, const char* fileName, int type) {
  if (!view || !view->window || !fileName || !*fileName || (type != 0 && type != 1)) return 0;
  GVSurface image;
  if (GVOgreEnabled && gOgreData) {
    if (!renderFileTexture(view, type, &image)) return 0;
    // Without alpha the view's pixels keep the top byte clear.
    if (type == 0)
      for (uint32_t& p : image.pixels) p &= 0x00ffffffu;
  } else if (!GVWindowClientImage(view->window, &image)) {
    return 0;
  } else if (type == 1) {
    for (uint32_t& p : image.pixels) p |= 0xff000000u;
  }
  // The writers replace an old image only once the new one is complete.
  const std::string root = GVRootDir() && *GVRootDir() ? GVRootDir() : ".";
  const std::string path = root + "/" + fileName;
  const bool written =
      type == 0 ? GVSaveJpeg(image, path.c_str(), kJpegQuality) : GVSavePngAlpha(image, path.c_str());
  return written ? 1 : 0;
}
