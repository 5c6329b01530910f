// The X11 presenter. The composed screen image is copied into an XImage
// (shared memory when the server offers it) and only the recomposed rectangles
// are sent. X input becomes the window manager's device input. X headers stay in
// this file: their macros clash with everything else.
#include "platform/display.h"
#include "platform/gdi_internal.h"
#include "platform/input.h"
#include "platform/kernel32.h"
#include "platform/screen_image.h"
#include "platform/window_internal.h"

// X and GL headers after ours: their macros (None, Bool, Status, ...) must not
// reach our declarations.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/extensions/XShm.h>
#include <X11/keysym.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct Presenter {
  Display* dpy = nullptr;
  int screen = 0;
  Window window = 0;
  Visual* visual = nullptr;
  Colormap colormap = 0;
  GC gc = nullptr;
  XImage* image = nullptr;
  XShmSegmentInfo shm = {};
  bool useShm = false;
  RECT area = {0, 0, 0, 0};  // the work area: the X window's place on the screen
  Atom deleteWindow = 0;
  std::vector<RECT> exposed;  // screen rectangles the server asked to repaint
  std::vector<RECT> sending;  // reused by every present
  std::chrono::steady_clock::time_point lastCompose;
  Cursor cursor = 0;
};

Presenter* gPresenter = nullptr;
bool gShmFailed = false;

int shmErrorHandler(Display*, XErrorEvent*) {
  gShmFailed = true;
  return 0;
}

// Windows virtual-key code of an X key (the unshifted symbol decides).
UINT vkFromKeySym(KeySym k) {
  if (k >= XK_a && k <= XK_z) return static_cast<UINT>('A' + (k - XK_a));
  if (k >= XK_A && k <= XK_Z) return static_cast<UINT>('A' + (k - XK_A));
  if (k >= XK_0 && k <= XK_9) return static_cast<UINT>('0' + (k - XK_0));
  if (k >= XK_F1 && k <= XK_F24) return static_cast<UINT>(0x70 + (k - XK_F1));
  if (k >= XK_KP_0 && k <= XK_KP_9) return static_cast<UINT>(0x60 + (k - XK_KP_0));
  switch (k) {
    case XK_BackSpace: return 0x08;
    case XK_Tab: case XK_ISO_Left_Tab: return 0x09;
    case XK_Return: case XK_KP_Enter: return 0x0D;
    case XK_Shift_L: case XK_Shift_R: return 0x10;
    case XK_Control_L: case XK_Control_R: return 0x11;
    case XK_Alt_L: case XK_Alt_R: case XK_Meta_L: case XK_Meta_R: return 0x12;
    case XK_Pause: return 0x13;
    case XK_Caps_Lock: return 0x14;
    case XK_Escape: return 0x1B;
    case XK_space: return 0x20;
    case XK_Prior: return 0x21;
    case XK_Next: return 0x22;
    case XK_End: return 0x23;
    case XK_Home: return 0x24;
    case XK_Left: return 0x25;
    case XK_Up: return 0x26;
    case XK_Right: return 0x27;
    case XK_Down: return 0x28;
    case XK_Insert: return 0x2D;
    case XK_Delete: return 0x2E;
    case XK_KP_Multiply: return 0x6A;
    case XK_KP_Add: return 0x6B;
    case XK_KP_Subtract: return 0x6D;
    case XK_KP_Decimal: return 0x6E;
    case XK_KP_Divide: return 0x6F;
    case XK_semicolon: return 0xBA;
    case XK_equal: return 0xBB;
    case XK_comma: return 0xBC;
    case XK_minus: return 0xBD;
    case XK_period: return 0xBE;
    case XK_slash: return 0xBF;
    case XK_grave: return 0xC0;
    case XK_bracketleft: return 0xDB;
    case XK_backslash: return 0xDC;
    case XK_bracketright: return 0xDD;
    case XK_apostrophe: return 0xDE;
    default: return 0;
  }
}

RECT workArea(Display* dpy, int screen) {
  RECT whole = {0, 0, DisplayWidth(dpy, screen), DisplayHeight(dpy, screen)};
  Atom prop = XInternAtom(dpy, "_NET_WORKAREA", True);
  if (prop == None) return whole;
  Atom type;
  int format;
  unsigned long count, after;
  unsigned char* data = nullptr;
  RECT r = whole;
  if (XGetWindowProperty(dpy, RootWindow(dpy, screen), prop, 0, 4, False, XA_CARDINAL, &type,
                         &format, &count, &after, &data) == Success &&
      data && format == 32 && count >= 4) {
    const long* v = reinterpret_cast<const long*>(data);
    RECT wa = {static_cast<LONG>(v[0]), static_cast<LONG>(v[1]), static_cast<LONG>(v[0] + v[2]),
               static_cast<LONG>(v[1] + v[3])};
    wa = GVRectIntersect(wa, whole);
    if (!GVRectEmpty(wa)) r = wa;
  }
  if (data) XFree(data);
  return r;
}

bool makeImage(Presenter& p, int w, int h) {
  if (XShmQueryExtension(p.dpy)) {
    p.image = XShmCreateImage(p.dpy, p.visual, 24, ZPixmap, nullptr, &p.shm, w, h);
    if (p.image) {
      p.shm.shmid = shmget(IPC_PRIVATE, size_t(p.image->bytes_per_line) * h, IPC_CREAT | 0600);
      if (p.shm.shmid >= 0) {
        p.shm.shmaddr = p.image->data = static_cast<char*>(shmat(p.shm.shmid, nullptr, 0));
        p.shm.readOnly = False;
        // A server on another machine cannot attach: trap the error and fall back.
        gShmFailed = false;
        XErrorHandler old = XSetErrorHandler(shmErrorHandler);
        bool attached = p.shm.shmaddr != reinterpret_cast<char*>(-1) && XShmAttach(p.dpy, &p.shm);
        XSync(p.dpy, False);
        XSetErrorHandler(old);
        shmctl(p.shm.shmid, IPC_RMID, nullptr);
        if (attached && !gShmFailed) {
          p.useShm = true;
          return true;
        }
        if (p.shm.shmaddr != reinterpret_cast<char*>(-1)) shmdt(p.shm.shmaddr);
      }
      p.image->data = nullptr;
      XDestroyImage(p.image);
      p.image = nullptr;
    }
  }
  char* data = static_cast<char*>(std::calloc(size_t(w) * h, 4));
  if (!data) return false;
  p.image = XCreateImage(p.dpy, p.visual, 24, ZPixmap, 0, data, w, h, 32, 0);
  if (!p.image) {
    std::free(data);
    return false;
  }
  p.useShm = false;
  return true;
}

void destroyImage(Presenter& p) {
  if (!p.image) return;
  if (p.useShm) {
    XShmDetach(p.dpy, &p.shm);
    XSync(p.dpy, False);
    shmdt(p.shm.shmaddr);
    p.image->data = nullptr;
  }
  XDestroyImage(p.image);  // frees malloc'ed data in the plain case
  p.image = nullptr;
}

// Copies screen rectangles into the image and sends them.
void putRects(Presenter& p, const std::vector<RECT>& rects) {
  const GVSurface& s = GVScreenImage();
  bool sent = false;
  for (const RECT& sr : rects) {
    RECT r = GVRectIntersect(sr, p.area);
    r = GVRectIntersect(r, RECT{0, 0, s.width, s.height});
    if (GVRectEmpty(r)) continue;
    int x = r.left - p.area.left, y = r.top - p.area.top;
    int w = r.right - r.left, h = r.bottom - r.top;
    if (x + w > p.image->width || y + h > p.image->height) continue;
    for (int row = 0; row < h; row++)
      std::memcpy(p.image->data + size_t(y + row) * p.image->bytes_per_line + size_t(x) * 4,
                  s.row(r.top + row) + r.left, size_t(w) * 4);
    if (p.useShm)
      XShmPutImage(p.dpy, p.window, p.gc, p.image, x, y, x, y, w, h, False);
    else
      XPutImage(p.dpy, p.window, p.gc, p.image, x, y, x, y, w, h);
    sent = true;
  }
  // The shared image must not change while the server still reads it.
  if (sent) {
    if (p.useShm)
      XSync(p.dpy, False);
    else
      XFlush(p.dpy);
  }
}

void present(Presenter& p, bool force) {
  auto now = std::chrono::steady_clock::now();
  // The message loop polls very often; composing more than every few
  // milliseconds shows nothing new.
  if (!force && p.exposed.empty() && now - p.lastCompose < std::chrono::milliseconds(4)) return;
  p.lastCompose = now;
  GVComposeScreen();
  GVTakeScreenChanges(&p.sending);
  p.sending.insert(p.sending.end(), p.exposed.begin(), p.exposed.end());
  p.exposed.clear();
  putRects(p, p.sending);
}

GVMouseButton buttonOf(unsigned b) {
  return b == Button3 ? GV_BUTTON_RIGHT : b == Button2 ? GV_BUTTON_MIDDLE : GV_BUTTON_LEFT;
}

void handleEvent(Presenter& p, XEvent& e) {
  switch (e.type) {
    case Expose:
      p.exposed.push_back(RECT{e.xexpose.x + p.area.left, e.xexpose.y + p.area.top,
                               e.xexpose.x + p.area.left + e.xexpose.width,
                               e.xexpose.y + p.area.top + e.xexpose.height});
      break;
    case MotionNotify:
      GVInputMouseMove(e.xmotion.x + p.area.left, e.xmotion.y + p.area.top);
      break;
    case ButtonPress:
    case ButtonRelease: {
      GVInputMouseMove(e.xbutton.x + p.area.left, e.xbutton.y + p.area.top);
      unsigned b = e.xbutton.button;
      if (b == Button4 || b == Button5) {
        if (e.type == ButtonPress) GVInputMouseWheel(b == Button4 ? 120 : -120);
      } else if (b >= Button1 && b <= Button3) {
        GVInputMouseButton(buttonOf(b), e.type == ButtonPress);
      }
      break;
    }
    case KeyPress:
    case KeyRelease: {
      UINT vk = vkFromKeySym(XLookupKeysym(&e.xkey, 0));
      if (vk) GVInputKey(vk, e.type == KeyPress);
      break;
    }
    case FocusOut:
      GVInputReleaseAll();
      break;
    case ConfigureNotify:
      // The window keeps the work area's size; a server that changed it gets the
      // whole image again.
      p.exposed.push_back(p.area);
      break;
    case ClientMessage:
      if (static_cast<Atom>(e.xclient.data.l[0]) == p.deleteWindow) {
        if (HWND fg = GetForegroundWindow()) PostMessageA(fg, WM_CLOSE, 0, 0);
      }
      break;
    default: break;
  }
}

void drainEvents(Presenter& p) {
  while (XPending(p.dpy) > 0) {
    XEvent e;
    XNextEvent(p.dpy, &e);
    handleEvent(p, e);
  }
}

void pump(int waitMs, void*) {
  Presenter* p = gPresenter;
  if (!p) return;
  drainEvents(*p);
  present(*p, false);
  if (waitMs <= 0) return;
  // Wake for the caret's next blink as well as for input.
  GVCaretInfo caret = GVGetCaretInfo();
  if (caret.owner && caret.shown && caret.blinkMs > 0) {
    int toBlink = static_cast<int>(caret.blinkMs - GetTickCount() % caret.blinkMs);
    waitMs = std::min(waitMs, std::max(toBlink, 1));
  }
  pollfd fd = {ConnectionNumber(p->dpy), POLLIN, 0};
  if (XPending(p->dpy) == 0) poll(&fd, 1, waitMs);
  drainEvents(*p);
  present(*p, true);
}

void beep(UINT) {
  if (gPresenter) {
    XBell(gPresenter->dpy, 0);
    XFlush(gPresenter->dpy);
  }
}

unsigned fontCursorFor(int resourceId) {
  switch (resourceId) {
    case 32513: return XC_xterm;              // I-beam
    case 32514: return XC_watch;              // wait
    case 32515: return XC_crosshair;          // cross
    case 32516: return XC_sb_up_arrow;        // up arrow
    case 32642: return XC_bottom_right_corner;  // NW-SE
    case 32643: return XC_bottom_left_corner;   // NE-SW
    case 32644: return XC_sb_h_double_arrow;  // W-E
    case 32645: return XC_sb_v_double_arrow;  // N-S
    case 32646: return XC_fleur;              // size all
    case 32648: return XC_X_cursor;           // no
    case 32649: return XC_hand2;              // hand
    default: return XC_left_ptr;
  }
}

void cursorChanged(HCURSOR cursor) {
  Presenter* p = gPresenter;
  if (!p) return;
  Cursor c = XCreateFontCursor(p->dpy, fontCursorFor(cursor ? cursor->resourceId : 0));
  XDefineCursor(p->dpy, p->window, c);
  if (p->cursor) XFreeCursor(p->dpy, p->cursor);
  p->cursor = c;
  XFlush(p->dpy);
}

void cursorWarped(int x, int y) {
  Presenter* p = gPresenter;
  if (!p) return;
  XWarpPointer(p->dpy, None, p->window, 0, 0, 0, 0, x - p->area.left, y - p->area.top);
  XFlush(p->dpy);
}

void installHooks() {
  GVInstallPaintHooks();
  GVPlatformHooks& hooks = GVHooks();
  hooks.pump = pump;
  hooks.pumpUser = nullptr;
  hooks.beep = beep;
  hooks.cursorChanged = cursorChanged;
  hooks.cursorWarped = cursorWarped;
}

}  // namespace

bool GVDisplayStart() {
  if (gPresenter) {
    // A window manager reset clears the hooks; starting again puts them back.
    installHooks();
    return true;
  }
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) return false;
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy) return false;
  auto* p = new Presenter();
  p->dpy = dpy;
  p->screen = DefaultScreen(dpy);
  XVisualInfo vi;
  // The image is handed over without conversion: 24-bit TrueColor, 0x00RRGGBB.
  if (!XMatchVisualInfo(dpy, p->screen, 24, TrueColor, &vi) || vi.red_mask != 0xFF0000 ||
      vi.green_mask != 0xFF00 || vi.blue_mask != 0xFF) {
    XCloseDisplay(dpy);
    delete p;
    return false;
  }
  p->visual = vi.visual;
  p->area = workArea(dpy, p->screen);
  GVSetScreenSize(DisplayWidth(dpy, p->screen), DisplayHeight(dpy, p->screen));
  GVSetWorkArea(p->area);
  int w = p->area.right - p->area.left, h = p->area.bottom - p->area.top;
  Window root = RootWindow(dpy, p->screen);
  p->colormap = XCreateColormap(dpy, root, p->visual, AllocNone);
  XSetWindowAttributes attrs = {};
  attrs.colormap = p->colormap;
  attrs.background_pixmap = None;
  attrs.border_pixel = 0;
  attrs.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                     KeyPressMask | KeyReleaseMask | FocusChangeMask | StructureNotifyMask;
  p->window = XCreateWindow(dpy, root, p->area.left, p->area.top, w, h, 0, 24, InputOutput,
                            p->visual, CWColormap | CWBackPixmap | CWBorderPixel | CWEventMask,
                            &attrs);
  XStoreName(dpy, p->window, "Gelvane Demo");
  // No decorations: the program draws its own title bars.
  struct {
    unsigned long flags, functions, decorations;
    long inputMode;
    unsigned long status;
  } hints = {2, 0, 0, 0, 0};
  Atom motif = XInternAtom(dpy, "_MOTIF_WM_HINTS", False);
  XChangeProperty(dpy, p->window, motif, motif, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&hints), 5);
  XSizeHints size = {};
  size.flags = PPosition | PSize | PMinSize | PMaxSize;
  size.x = p->area.left, size.y = p->area.top;
  size.width = size.min_width = size.max_width = w;
  size.height = size.min_height = size.max_height = h;
  XSetWMNormalHints(dpy, p->window, &size);
  p->deleteWindow = XInternAtom(dpy, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(dpy, p->window, &p->deleteWindow, 1);
  Bool detectable = False;
  XkbSetDetectableAutoRepeat(dpy, True, &detectable);
  p->gc = XCreateGC(dpy, p->window, 0, nullptr);
  if (!makeImage(*p, w, h)) {
    XFreeGC(dpy, p->gc);
    XDestroyWindow(dpy, p->window);
    XFreeColormap(dpy, p->colormap);
    XCloseDisplay(dpy);
    delete p;
    return false;
  }
  XMapRaised(dpy, p->window);
  XSync(dpy, False);
  gPresenter = p;
  installHooks();
  p->exposed.push_back(p->area);
  present(*p, true);
  return true;
}

void GVDisplayStop() {
  Presenter* p = gPresenter;
  if (!p) return;
  GVPlatformHooks& hooks = GVHooks();
  if (hooks.pump == pump) hooks.pump = nullptr;
  if (hooks.beep == beep) hooks.beep = nullptr;
  if (hooks.cursorChanged == cursorChanged) hooks.cursorChanged = nullptr;
  if (hooks.cursorWarped == cursorWarped) hooks.cursorWarped = nullptr;
  gPresenter = nullptr;
  destroyImage(*p);
  if (p->cursor) XFreeCursor(p->dpy, p->cursor);
  XFreeGC(p->dpy, p->gc);
  XDestroyWindow(p->dpy, p->window);
  XFreeColormap(p->dpy, p->colormap);
  XCloseDisplay(p->dpy);
  delete p;
}

bool GVDisplayActive() { return gPresenter != nullptr; }

void GVDisplayPresent() {
  if (!gPresenter) return;
  drainEvents(*gPresenter);
  present(*gPresenter, true);
}

void* GVDisplayConnection() { return gPresenter ? gPresenter->dpy : nullptr; }
unsigned long GVDisplayWindow() { return gPresenter ? gPresenter->window : 0; }
bool GVDisplayUsesSharedMemory() { return gPresenter && gPresenter->useShm; }
