// Blitting the toolkit's bitmap resources. Every routine loads the bitmap, selects
// it into a memory DC, blits and releases both again, on failure paths as well.
#include "platform/user32.h"
#include "toolkit/drawing.h"
#include "toolkit/messages.h"

HINSTANCE QwInstance = nullptr;

namespace {

HBITMAP loadBitmap(int id) {
  return static_cast<HBITMAP>(
      LoadImageA(QwInstance, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

// A loaded bitmap selected into a memory DC compatible with the target.
class BitmapSource {
 public:
  ~BitmapSource() {
    if (dc_) {
      if (previous_) SelectObject(dc_, previous_);
      DeleteDC(dc_);
    }
    if (bitmap_) DeleteObject(bitmap_);
  }

  // Loads, makes the DC, reads the size and selects; shows the failing step's text.
  bool open(HDC target, int id, const char* loadFailed) {
    bitmap_ = loadBitmap(id);
    if (!bitmap_) {
      GVShowMessage(loadFailed);
      return false;
    }
    dc_ = CreateCompatibleDC(target);
    if (!dc_) {
      GVShowMessage("CreateCompatibleDC Failed");
      return false;
    }
    if (!GetObjectA(bitmap_, sizeof info, &info)) {
      GVMessage("GetObject Failed");
      return false;
    }
    previous_ = SelectObject(dc_, bitmap_);
    if (!previous_) {
      GVMessage("SelectObject Failed");
      return false;
    }
    return true;
  }

  HDC dc() const { return dc_; }
  BITMAP info = {};

 private:
  HBITMAP bitmap_ = nullptr;
  HDC dc_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

bool failed(const char* text) {
  GVMessage(text);
  return false;
}

}  // namespace

int GVFrameBorder(int style) {
  static const int kCorner[6] = {0, 1, 2, 3, 3, 3};
  return style >= 0 && style <= 5 ? kCorner[style] : 0;
}

bool LoadImageFr(int style, int width, int height, HDC hdc) {
  if (style < 1 || style > 5) return true;
  int c = GVFrameBorder(style);
  BitmapSource src;
  if (!src.open(hdc, 135 + style, "LoadImageFr Failed")) return false;
  int bw = src.info.bmWidth, bh = src.info.bmHeight;
  HDC s = src.dc();
  BitBlt(hdc, 0, 0, c, c, s, 0, 0, SRCCOPY);
  BitBlt(hdc, width - c, 0, c, c, s, bw - c, 0, SRCCOPY);
  BitBlt(hdc, 0, height - c, c, c, s, 0, bh - c, SRCCOPY);
  BitBlt(hdc, width - c, height - c, c, c, s, bw - c, bh - c, SRCCOPY);
  StretchBlt(hdc, c, 0, width - 2 * c, c, s, c, 0, bw - 2 * c, c, SRCCOPY);
  StretchBlt(hdc, c, height - c, width - 2 * c, c, s, c, bh - c, bw - 2 * c, c, SRCCOPY);
  StretchBlt(hdc, 0, c, c, height - 2 * c, s, 0, c, c, bh - 2 * c, SRCCOPY);
  if (!StretchBlt(hdc, width - c, c, c, height - 2 * c, s, bw - c, c, c, bh - 2 * c, SRCCOPY))
    return failed("Blit Failed1");
  return true;
}

bool LoadImageStr(HDC hdc, int id, int width, int height) {
  BitmapSource src;
  if (!src.open(hdc, id, "LoadImageStr Failed")) return false;
  if (!StretchBlt(hdc, 0, 0, width, height, src.dc(), 0, 0, src.info.bmWidth, src.info.bmHeight, SRCCOPY))
    return failed("Blit Failed2");
  return true;
}

bool LoadImageStrXYWH(HDC hdc, int id, int x, int y, int width, int height) {
  BitmapSource src;
  if (!src.open(hdc, id, "LoadImageStrXYWH Failed")) return false;
  if (!StretchBlt(hdc, x, y, width, height, src.dc(), 0, 0, src.info.bmWidth, src.info.bmHeight, SRCCOPY))
    return failed("Blit Failed4");
  return true;
}

bool LoadImageXY(HDC hdc, int id, int x, int y) {
  BitmapSource src;
  if (!src.open(hdc, id, "LoadImageXY Failed")) return false;
  if (!BitBlt(hdc, x, y, src.info.bmWidth, src.info.bmHeight, src.dc(), 0, 0, SRCCOPY))
    return failed("Blit Failed6");
  return true;
}

bool LoadImageMsk(HDC hdc, int imageId, int maskId, int x, int y, int offset) {
  HBITMAP image = loadBitmap(imageId);
  if (!image) {
    GVShowMessage("LoadImageMskFG Failed");
    return false;
  }
  HBITMAP mask = loadBitmap(maskId);
  if (!mask) {
    DeleteObject(image);
    GVShowMessage("LoadImageMskMsk Failed");
    return false;
  }
  bool ok = false;
  HDC dc = CreateCompatibleDC(hdc);
  HGDIOBJ previous = nullptr;
  BITMAP info = {};
  if (!dc) {
    GVMessage("CreateCompatibleDC Failed");
  } else if (!(previous = SelectObject(dc, image))) {
    GVMessage("SelectObject Failed");
  } else if (!GetObjectA(image, sizeof info, &info)) {
    GVMessage("GetObject Failed");
  } else if (!MaskBlt(hdc, x + offset, y + offset, info.bmWidth, info.bmHeight, dc, 0, 0, mask, 0, 0,
                      MAKEROP4(SRCCOPY, SRCAND))) {
    GVMessage("MaskBlt Failed");
  } else {
    ok = true;
  }
  if (dc) {
    if (previous) SelectObject(dc, previous);
    DeleteDC(dc);
  }
  DeleteObject(image);
  DeleteObject(mask);
  return ok;
}
