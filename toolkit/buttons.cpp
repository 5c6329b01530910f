// Bitmap, image and text buttons, their hover tracking and tool-tip, and menu buttons.
#include "toolkit/buttons.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi32.h"
#include "toolkit/drawing.h"
#include "toolkit/fonts_pens.h"
#include "toolkit/messages.h"
#include "toolkit/tool_tip.h"
#include "toolkit/window_classes.h"

namespace {

constexpr UINT kRedrawAll = RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW;
constexpr DWORD kHoverMs = 200;

// One tool-tip in the program, and the hover request behind it.
QwToolTip* gToolTip = nullptr;
bool gTracking = false;
bool gToolTipShown = false;
TRACKMOUSEEVENT gTrack = {};

void hideToolTip() {
  QwDestroyToolTip(gToolTip);
  gToolTip = nullptr;
}

// Forgets the hover request and the tip, whichever button they belong to.
void forgetHover() {
  if (IsWindow(gTrack.hwndTrack)) {
    TRACKMOUSEEVENT cancel = gTrack;
    cancel.dwFlags |= TME_CANCEL;
    TrackMouseEvent(&cancel);
  }
  gTrack.hwndTrack = nullptr;
  gTracking = false;
  gToolTipShown = false;
  hideToolTip();
}

void requestHover(HWND face) {
  gTrack.cbSize = sizeof gTrack;
  gTrack.dwFlags = TME_HOVER | TME_LEAVE;
  gTrack.hwndTrack = face;
  gTrack.dwHoverTime = kHoverMs;
  TrackMouseEvent(&gTrack);
  gTracking = true;
}

// Copies text into a buffer of max + 1 characters, refusing longer texts.
void copyLimited(char* dst, int max, const char* text) {
  dst[0] = 0;
  if (!text) return;
  size_t n = std::strlen(text);
  if (n > static_cast<size_t>(max)) {
    GVMessage("HwBMButton got bad tooltip");
    return;
  }
  std::memcpy(dst, text, n + 1);
}

HBRUSH outerFill(int state) {
  switch (state) {
    case 0: return QwPens.brushBackground;
    case 1: return QwPens.brushGreen;
    case 2: return QwPens.brushRose;
    case 3: return QwPens.brushLavender;
    case 4:
    case 5: return QwPens.brushGrey200;
    default: return nullptr;
  }
}

// A triangle centred on the face, pointing up or down; lift moves it up.
void paintArrow(const HwBMButton& b, const RECT& r, int lift, HDC dc) {
  int half = std::clamp(std::min((int(r.right) - 4) / 2, int(r.bottom) / 2 - 1), 1, 5);
  int top = (int(r.bottom) - (half + 1)) / 2 - lift, centre = (int(r.right) - 1) / 2;
  for (int i = 0; i <= half; i++) {
    int spread = b.arrow == kHwArrowUp ? i : half - i;
    GVFillRect(centre - spread, top + i, 2 * spread + 1, 1, dc, QwPens.brushGrey220);
  }
}

void paintFace(const HwBMButton& b, HDC dc) {
  RECT r;
  GetClientRect(b.face, &r);
  // Which kinds show the common background rather than a bitmap, up and pressed.
  static const bool kPlainUp[6] = {false, true, false, false, true, true};
  static const bool kPlainDown[6] = {false, false, false, false, true, false};
  bool plain = b.kind >= 0 && b.kind <= 5 ? (b.pressed ? kPlainDown : kPlainUp)[b.kind] : true;
  if (plain)
    FillRect(dc, &r, QwPens.brushBackground);
  else
    LoadImageStrXYWH(dc, b.pressed ? b.downBitmap : b.upBitmap, 0, 0, r.right, r.bottom);
  int lift = b.pressed ? 1 : 0;
  if (b.imageId && b.maskId) {
    LoadImageMsk(dc, b.imageId, b.maskId, b.labelX, b.labelY - lift, b.pressed ? b.pressedImageOffset : 0);
  } else if (b.label[0]) {
    HGDIOBJ old = b.font ? SelectObject(dc, b.font) : nullptr;
    COLORREF colour = b.pressed ? RGB(160, 160, 160) : RGB(180, 180, 180);
    GVDrawTextCentred(b.labelX, b.labelY - lift, r.right, r.bottom, 0, 0, colour, b.label, dc);
    if (old) SelectObject(dc, old);
  }
  if (b.arrow == kHwArrowUp || b.arrow == kHwArrowDown) paintArrow(b, r, lift, dc);
}

void onPaint(HwBMButton& b, HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (hwnd == b.face) {
    paintFace(b, dc);
  } else if (hwnd == b.outer && b.kind >= 3) {
    HBRUSH fill = outerFill(b.state);
    RECT r;
    GetClientRect(hwnd, &r);
    if (fill) FillRect(dc, &r, fill);
  }
  EndPaint(hwnd, &ps);
}

void onButtonUp(HwBMButton& b, HWND hwnd, LPARAM lp) {
  b.pressed = false;
  RedrawWindow(b.outer, nullptr, nullptr, kRedrawAll);
  if (hwnd == b.face) {
    int x = static_cast<short>(LOWORD(lp)), y = static_cast<short>(HIWORD(lp));
    if (x >= 0 && x <= b.width && y >= 0 && y <= b.height) {
      int next = b.state;
      if (b.callback) {
        HwLifeWatch watch(b.life);
        next = b.callback(b.state, b.user);
        if (watch.gone()) {  // the owner freed the button
          ReleaseCapture();
          return;
        }
      }
      b.setState(next);
    }
  }
  ReleaseCapture();
}

void onMouseMove(HwBMButton& b) {
  bool idle = !gTracking && !gToolTipShown;
  if (!idle) return;
  if (b.hasToolTip) requestHover(b.face);
  if (b.kind == 5) {
    if (!gTracking) requestHover(b.face);
    b.setState(4);
  }
}

void onHover(HwBMButton& b) {
  if (gToolTipShown) return;
  gTracking = false;
  gToolTipShown = true;
  if (b.pressed) return;
  RECT r;
  GetWindowRect(b.face, &r);
  int x = std::max(static_cast<int>(r.left) - 20, 10);
  int y = std::max(static_cast<int>(r.top) - 30, 10);
  hideToolTip();
  if (!b.toolTip[0]) return;
  gToolTip = new QwToolTip();
  QwShowToolTip(gToolTip, x, y, b.toolTip, b.face, QwInstance);
}

void onLeave(HwBMButton& b) {
  gTracking = false;
  gToolTipShown = false;
  hideToolTip();
  if (b.kind == 5) b.setState(0);
}

}  // namespace

HwBMButton::~HwBMButton() {
  if (face && gTrack.hwndTrack == face) forgetHover();
  GVDetachObject(face, this);
  GVDetachObject(outer, this);
}

void HwBMButton::create(HWND parent, HINSTANCE instance, const char* labelText, int bmStyle, int up, int down,
                        int image, int mask, int size, int px, int py, int w, int h, int buttonKind,
                        const char* tip, int lx, int ly, HwButtonCB cb, void* userData) {
  controlId = QwTakeControlId();
  face = outer = nullptr;
  state = 0;
  pressed = false;
  hasToolTip = false;
  arrow = 0;
  x = px, y = py, width = w, height = h;
  kind = buttonKind;
  border = kind >= 3 ? 1 : 0;
  bitmapStyle = bmStyle;
  static const int kStylePairs[4][2] = {{0, 0}, {195, 196}, {141, 142}, {167, 168}};
  upBitmap = bmStyle >= 1 && bmStyle <= 3 ? kStylePairs[bmStyle][0] : up;
  downBitmap = bmStyle >= 1 && bmStyle <= 3 ? kStylePairs[bmStyle][1] : down;
  imageId = image, maskId = mask;
  labelSize = size;
  labelX = lx, labelY = ly;
  pressedImageOffset = 0;
  callback = cb;
  user = userData;
  font = nullptr;
  copyLimited(label, kHwLabelMax, labelText);
  copyLimited(toolTip, kHwToolTipMax, tip);
  hasToolTip = tip && tip[0];

  outer = CreateWindowExA(0, "BMButtonClass", "CbutText", kind == 2 ? kGVChildStyle | WS_BORDER : kGVChildStyle,
                          x - border, y - border, width + 2 * border, height + 2 * border, parent, nullptr, instance,
                          nullptr);
  ShowWindow(outer, SW_SHOW);
  UpdateWindow(outer);
  face = CreateWindowExA(0, "BMButtonClass", "", kGVChildStyle, border, border, width, height, outer,
                         reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), instance, nullptr);
  if (labelSize) font = QWGetFont(1, labelSize, 4);
  SetWindowLongA(outer, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowLongA(face, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void HwBMButton::createTextButton(HWND parent, HINSTANCE instance, int up, int down, const char* labelText,
                                  int size, int px, int py, int w, int h, int buttonKind, HwButtonCB cb,
                                  void* userData) {
  create(parent, instance, labelText, 0, up, down, 0, 0, size, px, py, w, h, buttonKind, "", 0, 0, cb, userData);
}

void HwBMButton::createBitmapButton(HWND parent, HINSTANCE instance, int up, int down, int px, int py, int w,
                                    int h, HwButtonCB cb, void* userData) {
  create(parent, instance, "", 0, up, down, 0, 0, 0, px, py, w, h, 0, "", 0, 0, cb, userData);
}

void HwBMButton::createImageButton(HWND parent, HINSTANCE instance, int bmStyle, int image, int mask, int px,
                                   int py, int w, int h, int buttonKind, const char* tip, int lx, int ly,
                                   HwButtonCB cb, void* userData) {
  create(parent, instance, "", bmStyle, 0, 0, image, mask, 0, px, py, w, h, buttonKind, tip, lx, ly, cb, userData);
}

void HwBMButton::move(int px, int py, int w, int h) {
  x = px, y = py, width = w, height = h;
  if (outer) MoveWindow(outer, x - border, y - border, width + 2 * border, height + 2 * border, TRUE);
  if (face) MoveWindow(face, border, border, width, height, TRUE);
}

void HwBMButton::moveTo(int px, int py) { move(px, py, width, height); }

void HwBMButton::setState(int newState) {
  state = newState;
  if (outer) RedrawWindow(outer, nullptr, nullptr, kRedrawAll);
  if (face) RedrawWindow(face, nullptr, nullptr, kRedrawAll);
}

void HwBMButton::setLabel(const char* text) {
  if (!text) text = " ";
  std::strncpy(label, text, kHwLabelMax);
  label[kHwLabelMax] = 0;
  if (face) RedrawWindow(face, nullptr, nullptr, kRedrawAll);
}

LRESULT CALLBACK HwBMButtonProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* b = reinterpret_cast<HwBMButton*>(GetWindowLongA(hwnd, GWL_USERDATA));
  switch (msg) {
    case WM_CREATE:
    case WM_DESTROY:
    case WM_SETFOCUS:
    case WM_KILLFOCUS: return 0;
    case WM_ERASEBKGND: return 1;
  }
  if (!b) {
    if (msg != WM_PAINT) return DefWindowProcA(hwnd, msg, wp, lp);
    PAINTSTRUCT ps;
    BeginPaint(hwnd, &ps);
    EndPaint(hwnd, &ps);
    return 0;
  }
  switch (msg) {
    case WM_PAINT: onPaint(*b, hwnd); return 0;
    case WM_LBUTTONDOWN:
      SetCapture(hwnd);
      SetFocus(hwnd);
      b->pressed = true;
      RedrawWindow(b->outer, nullptr, nullptr, kRedrawAll);
      return 0;
    case WM_LBUTTONUP: onButtonUp(*b, hwnd, lp); return 0;
    case WM_MOUSEMOVE:
      if (hwnd == b->face) onMouseMove(*b);
      return 0;
    case WM_MOUSEHOVER:
      if (hwnd == b->face) onHover(*b);
      return 0;
    case WM_MOUSELEAVE:
      if (hwnd == b->face) onLeave(*b);
      return 0;
    default: return DefWindowProcA(hwnd, msg, wp, lp);
  }
}

void HwFreeButtonHoverState() { forgetHover(); }

HwMenuButton::~HwMenuButton() { delete multiList; }

void HwMenuButton::create(HWND parent, HINSTANCE instance, const char* labelText, int up, int down, int px, int w,
                          float openTime, int minListWidth, QwListCallback owner, void* ownerUser) {
  HwBMButton::create(parent, instance, labelText, 0, up, down, 0, 0, 12, px, 1, w, 24, 1, "", 0, 0, privMenButCB,
                     this);
  setGeometry(openTime, minListWidth, owner, ownerUser);
}

void HwMenuButton::setGeometry(float openTime, int minListWidth, QwListCallback owner, void* ownerUser) {
  rowValue = openTime;
  listWidth = minListWidth;
  listOwner = owner;
  listUser = ownerUser;
  WINDOWINFO info = {};
  info.cbSize = sizeof info;
  GetWindowInfo(face, &info);
  buttonWidth = info.rcWindow.right - info.rcWindow.left;
  buttonHeight = info.rcWindow.bottom - info.rcWindow.top;
  delete multiList;
  multiList = nullptr;
}

void HwMenuButton::createMultiList(int count) {
  delete multiList;  // the destructor clears the lists and windows
  multiList = new QwMultiList(std::max(buttonWidth, listWidth), buttonHeight, rowValue, 1, 0, listOwner, listUser);
  multiList->setListCount(count);
}

int HwMenuButton::privMenButCB(int, void* menuButton) {
  auto* m = static_cast<HwMenuButton*>(menuButton);
  if (!m || !m->multiList) {
    GVMessage("HwMenuButton::privMenButCB: got no mMultiList!!!");
    return 0;
  }
  WINDOWINFO info = {};
  info.cbSize = sizeof info;
  GetWindowInfo(m->face, &info);
  m->multiList->showDDWin(0, 0, info.rcWindow.left, info.rcWindow.bottom, m->rowValue);
  return 0;
}

bool HwMenuButton::hasProp() {
  if (!multiList) {
    GVMessage("error: HwMenuButton::hasProp(): no MultiList!");
    return false;
  }
  const QwDDSubWindow* w = multiList->mainWindow;
  if (!w || !w->items || w->chosenRow < 0 || w->chosenRow >= w->count) return false;
  return (w->items[w->chosenRow].flags & kQwItemProperty) != 0;
}
