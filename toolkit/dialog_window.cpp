// Dialog windows and the dialog template: creation, lock, the title-bar and
// Dismiss handlers, maximise, and the thick frame over the border.
#include "toolkit/dialog_window.h"

#include <cstdlib>
#include <new>

#include "platform/gdi32.h"
#include "toolkit/drawing.h"
#include "toolkit/fonts_pens.h"
#include "toolkit/messages.h"
#include "toolkit/window_classes.h"

namespace {

constexpr DWORD kPopupStyle = 0x80000008;  // WS_POPUP with style bit 8, hidden
constexpr int kThickFrameStep = 3;

GVEnterRootFolderFn gEnterRoot = nullptr;

HwDialogWindow* dialogOf(HWND hwnd) {
  return reinterpret_cast<HwDialogWindow*>(GetWindowLongA(hwnd, GWL_USERDATA));
}

void dropThickFrame(HWND hwnd) {
  LONG_PTR style = GetWindowLongA(hwnd, GWL_STYLE);
  if (style & WS_THICKFRAME) SetWindowLongA(hwnd, GWL_STYLE, style & ~WS_THICKFRAME);
}

// The title bar never drags a maximised dialog from its place over the work area.
int titleBarFlags(const HwDialogWindow& d) {
  return (d.flags & kDialogTitleStyle5 ? 5 : 0) | (d.maximised ? 4 : 0);
}

void paint(HwDialogWindow& d, HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT r;
  GetClientRect(hwnd, &r);
  if (hwnd == d.popup)
    LoadImageFr(d.style, r.right, r.bottom, dc);
  else
    FillRect(dc, &r, QwPens.brushBackground);
  EndPaint(hwnd, &ps);
}

// The thick frame comes with the pointer over the popup's own border.
void onPopupMouseMove(HwDialogWindow& d) {
  if (d.resizeFrame || (d.flags & kDialogNeverResizable)) return;
  if (GetAncestor(GetForegroundWindow(), GA_ROOT) != d.popup) return;
  LONG_PTR style = GetWindowLongA(d.popup, GWL_STYLE);
  if (!(style & WS_THICKFRAME)) SetWindowLongA(d.popup, GWL_STYLE, style | WS_THICKFRAME);
}

// The popup grows or shrinks by the thick frame so its client area stays put.
void onPopupStyleChanged(HwDialogWindow& d) {
  if (d.flags & kDialogNeverResizable) return;
  int step = d.resizeFrame ? kThickFrameStep : -kThickFrameStep;
  RECT r;
  GetWindowRect(d.popup, &r);
  SetWindowPos(d.popup, HWND_TOP, r.left + step, r.top + step, r.right - r.left - 2 * step,
               r.bottom - r.top - 2 * step, SWP_FRAMECHANGED);
  ReleaseCapture();
  d.resizeFrame = GetWindowLongA(d.popup, GWL_STYLE) & WS_THICKFRAME ? 1 : 0;
}

}  // namespace

void GVSetDialogRootFolderHook(GVEnterRootFolderFn enterRoot) { gEnterRoot = enterRoot; }

HwDialogWindow::HwDialogWindow(HINSTANCE instance, const char* title, int x, int y, int w, int h, int frameStyle,
                               int dialogFlags, HwDialogCB owner, HwDialogHelpCB help, void* userWord) {
  helpTopic = nullptr;
  create(instance, title, x, y, w, h, frameStyle, dialogFlags, owner, help, userWord);
}

HwDialogWindow::~HwDialogWindow() {
  delete form;
  form = nullptr;
  if (titleBar) {
    DestroyWindow(titleBar->window);
    delete titleBar;  // frees its buttons
    titleBar = nullptr;
  }
  // The derived part is gone: the windows' last messages find no dialog.
  GVDetachObject(popup, this);
  GVDetachObject(client, this);
  if (popup) DestroyWindow(popup);
  std::free(helpTopic);
}

void HwDialogWindow::create(HINSTANCE instance, const char* title, int x, int y, int w, int h, int frameStyle,
                            int dialogFlags, HwDialogCB owner, HwDialogHelpCB help, void* userWord) {
  flags = dialogFlags;
  ownerCB = owner;
  helpCB = help;
  user = userWord;
  width = innerWidth = w;
  height = innerHeight = h;
  style = frameStyle;
  titleBar = nullptr;
  saved = {};
  maximised = resizeFrame = lock = 0;
  border = GVFrameBorder(style);
  titleHeight = 0;

  popup = CreateWindowExA(WS_EX_TOPMOST, "DialogWindowClass", title, kPopupStyle, x, y, width, height, nullptr,
                          nullptr, instance, nullptr);
  SetWindowLongA(popup, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
  innerWidth = width - 2 * border;
  if (!(flags & kDialogNoTitleBar)) {
    titleHeight = kDialogTitleHeight;
    int kind = flags & kDialogPlain ? 1 : flags & kDialogTitleKind3 ? 3 : 2;
    titleBar = new HwTitleBar();
    titleBar->create(title, instance, popup, border, border, innerWidth, titleHeight, kind, titleBarFlags(*this),
                     minimiseCB, maximiseCB, closeCB, this);
  }
  innerHeight = height - 2 * border - titleHeight;
  client = CreateWindowExA(0, "DialogWindowClass", "TXT", kGVChildStyle, border, border + titleHeight, innerWidth,
                           innerHeight, popup, nullptr, instance, nullptr);
  SetWindowLongA(client, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
  form = new (std::nothrow) HwForm(client, 0);
  if (!form) {
    GVMessage("DialogWin: Cant create form");
    return;
  }
  form->width = innerWidth;
  form->height = innerHeight;
  UpdateWindow(popup);
  ShowWindow(client, SW_SHOW);
  UpdateWindow(client);
}

void HwDialogWindow::show() {
  if (popup) ShowWindow(popup, SW_SHOW);
}

void HwDialogWindow::hide() {
  if (lock)
    beep();
  else if (popup)
    ShowWindow(popup, SW_HIDE);
}

bool HwDialogWindow::isVisible() const { return popup && IsWindowVisible(popup); }

void HwDialogWindow::layout(int w, int h) {
  width = w;
  height = h;
  innerWidth = width - 2 * border;
  innerHeight = height - 2 * border - titleHeight;
  if (titleBar) titleBar->move(border, border, innerWidth, titleHeight);
  if (client) MoveWindow(client, border, border + titleHeight, innerWidth, innerHeight, TRUE);
}

bool HwDialogWindow::tellOwner(int code, int value) {
  if (!ownerCB) return true;
  HwLifeWatch watch(life);
  ownerCB(code, value, 0, user);
  return !watch.gone();
}

void HwDialogWindow::beep() { MessageBeep(MB_ICONHAND); }

int HwDialogWindow::minimiseCB(int, void* dialog) {
  auto* d = static_cast<HwDialogWindow*>(dialog);
  if (!d) return 0;
  if (d->lock)
    d->beep();
  else
    CloseWindow(d->popup);
  return 0;
}

int HwDialogWindow::maximiseCB(int, void* dialog) {
  auto* d = static_cast<HwDialogWindow*>(dialog);
  if (!d) return 0;
  if (d->resizeFrame) {
    ReleaseCapture();
    dropThickFrame(d->popup);
  }
  if (d->maximised) {
    d->maximised = 0;
    if (d->titleBar) d->titleBar->flags = titleBarFlags(*d);
    SetWindowPos(d->popup, HWND_TOP, d->saved.left, d->saved.top, d->saved.right, d->saved.bottom, SWP_SHOWWINDOW);
    d->tellOwner(3, 1);
  } else {
    RECT r;
    GetWindowRect(d->popup, &r);
    d->saved = {r.left, r.top, r.right - r.left, r.bottom - r.top};
    d->maximised = 1;
    if (d->titleBar) d->titleBar->flags = titleBarFlags(*d);
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    SetWindowPos(d->popup, HWND_TOP, work.left, work.top, work.right - work.left, work.bottom - work.top,
                 SWP_SHOWWINDOW);
    d->tellOwner(3, 0);
  }
  return 0;
}

int HwDialogWindow::closeCB(int, void* dialog) {
  auto* d = static_cast<HwDialogWindow*>(dialog);
  if (!d) return 0;
  if (d->lock) {
    d->beep();
    return 0;
  }
  if (d->tellOwner(1, 0)) {
    if (d->lock)
      d->beep();
    else
      ShowWindow(d->popup, SW_HIDE);
  }
  if (gEnterRoot) gEnterRoot();
  return 0;
}

HwDialogTemp::HwDialogTemp(HINSTANCE instance, const char* title, int x, int y, int w, int h, int frameStyle,
                           int dialogFlags, HwDialogCB owner, HwDialogHelpCB help, void* userWord)
    : HwDialogWindow(instance, title, x, y, w, h, frameStyle, dialogFlags, owner, help, userWord) {
  margin = 15;
  contentWidth = innerWidth - 2 * margin;
  contentHeight = innerHeight - 50;
  const int gap = (margin - 2) / 2;
  content = new HwFrameWindow();
  content->create(client, instance, margin, margin, contentWidth, contentHeight, 4);
  if (form)
    form->addDefinition(content, 4, 1, margin, nullptr, 0, 2, margin, nullptr, 0, 3, margin, nullptr, 0, 4,
                        margin + 20, nullptr, 0);
  int buttonX = contentWidth - 50 + margin;
  buttonRowY = contentHeight + gap + margin;
  contentWidth -= 6;
  contentHeight -= 6;
  if (!(flags & (kDialogPlain | kDialogNoDismiss))) {
    dismissButton = new HwBMButton();
    dismissButton->createTextButton(client, instance, 195, 196, "Dismiss", 10, buttonX, buttonRowY, 50, 22, 0,
                                    dismissCB, this);
    if (form)
      form->addDefinition(dismissButton, 5, 18, 22, nullptr, 0, 17, 50, nullptr, 0, 3, margin, nullptr, 0, 4, gap,
                          nullptr, 0);
  }
  if (form) {
    form->resolveReferences();
    form->setSize(innerWidth, innerHeight);
  }
  ShowWindow(popup, SW_SHOW);
}

HwDialogTemp::~HwDialogTemp() {
  if (content) {
    DestroyWindow(content->outer);
    content->destroy();
    delete content;
  }
  delete dismissButton;
}

void HwDialogTemp::resize(int w, int h) {
  if (form) form->setSize(w, h);
}

int HwDialogTemp::dismissCB(int, void* dialog) {
  auto* d = static_cast<HwDialogTemp*>(dialog);
  if (!d) return 0;
  if (d->lock) {
    d->beep();
    return 0;
  }
  if (!d->tellOwner(4, 0)) return 0;  // the owner freed the dialog
  if (!d->lock)
    ShowWindow(d->popup, SW_HIDE);
  else
    d->beep();
  return 0;
}

LRESULT CALLBACK HwDialogWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
    case WM_DESTROY: return 0;
    case WM_QUERYOPEN:
    case WM_ERASEBKGND: return 1;
  }
  HwDialogWindow* d = dialogOf(hwnd);
  if (!d || (hwnd != d->popup && hwnd != d->client)) return DefWindowProcA(hwnd, msg, wp, lp);
  const bool isPopup = hwnd == d->popup;
  switch (msg) {
    case WM_SIZE:
      if (isPopup)
        d->layout(LOWORD(lp), HIWORD(lp));
      else
        d->resize(LOWORD(lp), HIWORD(lp));
      return 0;
    case WM_PAINT: paint(*d, hwnd); return 0;
    case WM_MOUSEMOVE:
      if (isPopup) {
        onPopupMouseMove(*d);
      } else if (d->resizeFrame) {
        ReleaseCapture();
        dropThickFrame(d->popup);
      }
      return 0;
    case WM_STYLECHANGED:
      if (isPopup && static_cast<int>(wp) == GWL_STYLE) onPopupStyleChanged(*d);
      return 0;
    case WM_LBUTTONUP:
      if (d->resizeFrame) {
        ReleaseCapture();
        dropThickFrame(hwnd);
      }
      return 0;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
      if (d->helpCB) d->helpCB(d->helpTopic ? d->helpTopic : "", 1);  // nothing of d after it
      return 0;
    case WM_KEYDOWN:
      if (wp != VK_ESCAPE || !(d->flags & kDialogEscapeCloses)) return DefWindowProcA(hwnd, msg, wp, lp);
      HwDialogWindow::closeCB(0, d);  // nothing of d after it
      return 0;
    case kGVEscapeMessage:
      if (!(d->flags & kDialogEscapeCloses)) return 0;
      HwDialogWindow::closeCB(0, d);
      return 1;
    default: return DefWindowProcA(hwnd, msg, wp, lp);
  }
}
