// WGL over GLX. Each window with a GL context renders into a pbuffer of its
// client size; SwapBuffers reads the frame back into the window's pixels. The GL
// connection is the process's own and stays open for its life (drivers loaded
// through it must stay loaded while contexts may exist). X and GL headers stay
// in this file.
#include "platform/gdi_internal.h"
#include "platform/screen_image.h"
#include "platform/wgl.h"
#include "platform/window_internal.h"

// X and GL headers after ours: their macros (None, Bool, Status, ...) must not
// reach our declarations.
#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <vector>

struct GVGLContext {
  GLXContext context = nullptr;
  int format = 0;
};

namespace {

struct Format {
  int depth, stencil;
  bool doubleBuffer;
};
// The formats offered, best first.
const Format kFormats[] = {{24, 8, true}, {24, 8, false}, {16, 0, true}, {16, 0, false}};
const int kFormatCount = sizeof(kFormats) / sizeof(kFormats[0]);

struct WindowGL {
  int format = 0;
  GLXPbuffer pbuffer = 0;
  int width = 0, height = 0;
  GVGLContext* lastContext = nullptr;
};

struct GLState {
  Display* dpy = nullptr;
  bool triedOpen = false;
  std::map<HWND, WindowGL> windows;
  std::vector<GVGLContext*> contexts;
  GVGLContext* current = nullptr;
  HDC currentDc = nullptr;
  HWND currentWindow = nullptr;
};

GLState& gl() {
  static GLState s;
  return s;
}

Display* glDisplay() {
  GLState& s = gl();
  if (!s.triedOpen) {
    s.triedOpen = true;
    const char* name = std::getenv("DISPLAY");
    if (name && *name) s.dpy = XOpenDisplay(nullptr);
  }
  return s.dpy;
}

GLXFBConfig configFor(int format) {
  Display* dpy = glDisplay();
  if (!dpy || format < 1 || format > kFormatCount) return nullptr;
  const Format& f = kFormats[format - 1];
  int attribs[] = {GLX_DRAWABLE_TYPE, GLX_PBUFFER_BIT, GLX_RENDER_TYPE, GLX_RGBA_BIT,
                   GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8,
                   GLX_DEPTH_SIZE, f.depth, GLX_STENCIL_SIZE, f.stencil,
                   GLX_DOUBLEBUFFER, f.doubleBuffer ? True : False, None};
  int n = 0;
  GLXFBConfig* configs = glXChooseFBConfig(dpy, DefaultScreen(dpy), attribs, &n);
  GLXFBConfig c = configs && n > 0 ? configs[0] : nullptr;
  if (configs) XFree(configs);
  return c;
}

bool clientSize(HWND hwnd, int* w, int* h) {
  RECT c;
  if (!GVWindowClientInSurface(hwnd, &c)) return false;
  *w = c.right - c.left > 0 ? c.right - c.left : 1;
  *h = c.bottom - c.top > 0 ? c.bottom - c.top : 1;
  return true;
}

// Makes the window's pbuffer match its client size (a new one loses the frame,
// which the program redraws after a resize anyway).
bool ensurePbuffer(HWND hwnd, WindowGL& wg) {
  int w, h;
  if (!clientSize(hwnd, &w, &h)) return false;
  if (wg.pbuffer && wg.width == w && wg.height == h) return true;
  GLXFBConfig cfg = configFor(wg.format);
  if (!cfg) return false;
  int attribs[] = {GLX_PBUFFER_WIDTH, w, GLX_PBUFFER_HEIGHT, h, GLX_PRESERVED_CONTENTS, True, None};
  GLXPbuffer pb = glXCreatePbuffer(glDisplay(), cfg, attribs);
  if (!pb) return false;
  GLState& s = gl();
  bool wasCurrent = s.currentWindow == hwnd && s.current;
  if (wasCurrent) glXMakeContextCurrent(glDisplay(), pb, pb, s.current->context);
  if (wg.pbuffer) glXDestroyPbuffer(glDisplay(), wg.pbuffer);
  wg.pbuffer = pb;
  wg.width = w;
  wg.height = h;
  return true;
}

HWND windowOfDc(HDC hdc) {
  GVDeviceContext* dc = GVDcFromHandle(hdc);
  return dc && dc->kind == GVDcKind::Window ? dc->window : nullptr;
}

void describe(int format, PIXELFORMATDESCRIPTOR* pfd) {
  const Format& f = kFormats[format - 1];
  std::memset(pfd, 0, sizeof *pfd);
  pfd->nSize = sizeof *pfd;
  pfd->nVersion = 1;
  pfd->dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | (f.doubleBuffer ? PFD_DOUBLEBUFFER : 0);
  pfd->iPixelType = PFD_TYPE_RGBA;
  pfd->cColorBits = 32;
  pfd->cRedBits = pfd->cGreenBits = pfd->cBlueBits = pfd->cAlphaBits = 8;
  pfd->cRedShift = 16;
  pfd->cGreenShift = 8;
  pfd->cBlueShift = 0;
  pfd->cAlphaShift = 24;
  pfd->cDepthBits = static_cast<BYTE>(f.depth);
  pfd->cStencilBits = static_cast<BYTE>(f.stencil);
  pfd->iLayerType = PFD_MAIN_PLANE;
}

typedef void (*BindProc)(GLenum, GLuint);

// Reads the bound frame's w x h pixels (bottom-up BGRA) into the window.
bool readInto(HWND hwnd, int w, int h, bool doubleBuffer) {
  GVSurface* s = GVWindowSurface(hwnd);
  RECT client;
  if (!s || !GVWindowClientInSurface(hwnd, &client)) return false;
  const GLenum kFramebufferBinding = 0x8CA6, kPackBufferBinding = 0x88ED,
               kFramebuffer = 0x8D40, kPackBuffer = 0x88EB;
  while (glGetError() != GL_NO_ERROR) {
  }
  // The frame is read from the window's own buffer whatever the program has
  // bound, and every pack state touched is put back.
  GLint fbo = 0, packBuffer = 0, readBuffer = 0, align = 4, rowLength = 0;
  glGetIntegerv(kFramebufferBinding, &fbo);
  glGetIntegerv(kPackBufferBinding, &packBuffer);
  while (glGetError() != GL_NO_ERROR) {
  }
  glGetIntegerv(GL_READ_BUFFER, &readBuffer);
  glGetIntegerv(GL_PACK_ALIGNMENT, &align);
  glGetIntegerv(GL_PACK_ROW_LENGTH, &rowLength);
  BindProc bindFramebuffer = nullptr, bindBuffer = nullptr;
  if (fbo) {
    bindFramebuffer = reinterpret_cast<BindProc>(
        glXGetProcAddress(reinterpret_cast<const GLubyte*>("glBindFramebuffer")));
    if (bindFramebuffer) bindFramebuffer(kFramebuffer, 0);
  }
  if (packBuffer) {
    bindBuffer = reinterpret_cast<BindProc>(
        glXGetProcAddress(reinterpret_cast<const GLubyte*>("glBindBuffer")));
    if (bindBuffer) bindBuffer(kPackBuffer, 0);
  }
  glReadBuffer(doubleBuffer ? GL_BACK : GL_FRONT);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  std::vector<uint32_t> frame(size_t(w) * h);
  glReadPixels(0, 0, w, h, GL_BGRA, GL_UNSIGNED_BYTE, frame.data());
  glPixelStorei(GL_PACK_ALIGNMENT, align);
  glPixelStorei(GL_PACK_ROW_LENGTH, rowLength);
  glReadBuffer(static_cast<GLenum>(readBuffer));
  if (bindFramebuffer) bindFramebuffer(kFramebuffer, static_cast<GLuint>(fbo));
  if (bindBuffer) bindBuffer(kPackBuffer, static_cast<GLuint>(packBuffer));
  int cw = std::min<int>(w, client.right - client.left), ch = std::min<int>(h, client.bottom - client.top);
  for (int y = 0; y < ch; y++) {
    const uint32_t* src = frame.data() + size_t(h - 1 - y) * w;
    uint32_t* dst = s->row(client.top + y) + client.left;
    for (int x = 0; x < cw; x++) dst[x] = src[x] & 0xFFFFFF;
  }
  s->addDamage(RECT{client.left, client.top, client.left + cw, client.top + ch});
  return true;
}

}  // namespace

// Called by the window painting code when a window goes or changes size.
void GVGLWindowDestroyed(HWND hwnd) {
  GLState& s = gl();
  auto it = s.windows.find(hwnd);
  if (it == s.windows.end()) return;
  if (s.currentWindow == hwnd) {
    glXMakeContextCurrent(glDisplay(), None, None, nullptr);
    s.current = nullptr;
    s.currentDc = nullptr;
    s.currentWindow = nullptr;
  }
  if (it->second.pbuffer) glXDestroyPbuffer(glDisplay(), it->second.pbuffer);
  s.windows.erase(it);
}

void GVGLWindowResized(HWND hwnd) {
  GLState& s = gl();
  auto it = s.windows.find(hwnd);
  if (it != s.windows.end() && it->second.pbuffer) ensurePbuffer(hwnd, it->second);
}

int ChoosePixelFormat(HDC hdc, const PIXELFORMATDESCRIPTOR* wanted) {
  if (!GVDcFromHandle(hdc) || !wanted || !glDisplay()) return 0;
  if (!(wanted->dwFlags & PFD_SUPPORT_OPENGL)) return 0;
  bool wantDouble = (wanted->dwFlags & PFD_DOUBLEBUFFER) != 0;
  for (int i = 0; i < kFormatCount; i++) {
    const Format& f = kFormats[i];
    if (f.doubleBuffer == wantDouble && f.depth >= wanted->cDepthBits &&
        f.stencil >= wanted->cStencilBits && configFor(i + 1))
      return i + 1;
  }
  for (int i = 0; i < kFormatCount; i++)
    if (configFor(i + 1)) return i + 1;
  return 0;
}

int DescribePixelFormat(HDC hdc, int format, UINT size, LPPIXELFORMATDESCRIPTOR out) {
  if (!GVDcFromHandle(hdc)) return 0;
  if (out) {
    if (format < 1 || format > kFormatCount || size < sizeof(PIXELFORMATDESCRIPTOR)) return 0;
    describe(format, out);
  }
  return kFormatCount;
}

BOOL SetPixelFormat(HDC hdc, int format, const PIXELFORMATDESCRIPTOR*) {
  HWND hwnd = windowOfDc(hdc);
  if (!hwnd || format < 1 || format > kFormatCount || !configFor(format)) return FALSE;
  WindowGL& wg = gl().windows[hwnd];
  // A window's pixel format is set once, as on Win32.
  if (wg.format && wg.format != format) return FALSE;
  wg.format = format;
  return TRUE;
}

int GetPixelFormat(HDC hdc) {
  HWND hwnd = windowOfDc(hdc);
  auto it = gl().windows.find(hwnd);
  return it == gl().windows.end() ? 0 : it->second.format;
}

HGLRC wglCreateContext(HDC hdc) {
  HWND hwnd = windowOfDc(hdc);
  auto it = gl().windows.find(hwnd);
  if (!hwnd || it == gl().windows.end() || !it->second.format) return nullptr;
  GLXFBConfig cfg = configFor(it->second.format);
  if (!cfg) return nullptr;
  GLXContext c = glXCreateNewContext(glDisplay(), cfg, GLX_RGBA_TYPE, nullptr, True);
  if (!c) return nullptr;
  GVGLContext* ctx = new GVGLContext();
  ctx->context = c;
  ctx->format = it->second.format;
  gl().contexts.push_back(ctx);
  return ctx;
}

static bool liveContext(HGLRC c) {
  for (GVGLContext* k : gl().contexts)
    if (k == c) return true;
  return false;
}

BOOL wglMakeCurrent(HDC hdc, HGLRC context) {
  GLState& s = gl();
  if (!context) {
    if (s.dpy) glXMakeContextCurrent(s.dpy, None, None, nullptr);
    s.current = nullptr;
    s.currentDc = nullptr;
    s.currentWindow = nullptr;
    return TRUE;
  }
  HWND hwnd = windowOfDc(hdc);
  if (!hwnd || !liveContext(context)) return FALSE;
  auto it = s.windows.find(hwnd);
  if (it == s.windows.end() || it->second.format != context->format) return FALSE;
  WindowGL& wg = it->second;
  if (!ensurePbuffer(hwnd, wg)) return FALSE;
  if (!glXMakeContextCurrent(s.dpy, wg.pbuffer, wg.pbuffer, context->context)) return FALSE;
  s.current = context;
  s.currentDc = hdc;
  s.currentWindow = hwnd;
  wg.lastContext = context;
  return TRUE;
}

BOOL wglDeleteContext(HGLRC context) {
  GLState& s = gl();
  if (!liveContext(context)) return FALSE;
  if (s.current == context) wglMakeCurrent(nullptr, nullptr);
  for (auto& w : s.windows)
    if (w.second.lastContext == context) w.second.lastContext = nullptr;
  glXDestroyContext(s.dpy, context->context);
  for (size_t i = 0; i < s.contexts.size(); i++)
    if (s.contexts[i] == context) {
      s.contexts.erase(s.contexts.begin() + static_cast<long>(i));
      break;
    }
  delete context;
  return TRUE;
}

HGLRC wglGetCurrentContext() { return gl().current; }
HDC wglGetCurrentDC() { return gl().currentDc; }

PROC wglGetProcAddress(LPCSTR name) {
  if (!name || !glDisplay()) return nullptr;
  return reinterpret_cast<PROC>(glXGetProcAddress(reinterpret_cast<const GLubyte*>(name)));
}

BOOL SwapBuffers(HDC hdc) {
  GLState& s = gl();
  HWND hwnd = windowOfDc(hdc);
  auto it = s.windows.find(hwnd);
  if (!hwnd || it == s.windows.end() || !it->second.pbuffer) return FALSE;
  WindowGL& wg = it->second;
  // The frame is read with the window's drawable current; another window's
  // context is put back afterwards.
  GVGLContext* previous = s.current;
  HWND previousWindow = s.currentWindow;
  bool borrowed = s.currentWindow != hwnd;
  if (borrowed) {
    if (!wg.lastContext || !liveContext(wg.lastContext)) return FALSE;
    glXMakeContextCurrent(s.dpy, wg.pbuffer, wg.pbuffer, wg.lastContext->context);
  }
  bool doubleBuffer = kFormats[wg.format - 1].doubleBuffer;
  bool ok = readInto(hwnd, wg.width, wg.height, doubleBuffer);
  if (doubleBuffer) glXSwapBuffers(s.dpy, wg.pbuffer);
  if (borrowed) {
    auto prev = s.windows.find(previousWindow);
    if (previous && prev != s.windows.end())
      glXMakeContextCurrent(s.dpy, prev->second.pbuffer, prev->second.pbuffer, previous->context);
    else
      glXMakeContextCurrent(s.dpy, None, None, nullptr);
  }
  // A resize since the last frame: the next frame gets a buffer of the new size.
  ensurePbuffer(hwnd, wg);
  return ok ? TRUE : FALSE;
}

BOOL GVGLReadBackToWindow(HWND hwnd) {
  GLState& s = gl();
  if (!s.current || !GVWindowFromHandle(hwnd)) return FALSE;
  int w, h;
  if (!clientSize(hwnd, &w, &h)) return FALSE;
  return readInto(hwnd, w, h, kFormats[s.current->format - 1].doubleBuffer) ? TRUE : FALSE;
}

BOOL GVGLAvailable() {
  GLState& s = gl();
  if (!glDisplay()) return FALSE;
  // A first context loads the GL driver on our own connection, which stays
  // open: a renderer with a connection of its own then never unloads the
  // driver under us when it closes.
  static bool driverLoaded = false;
  if (!driverLoaded) {
    driverLoaded = true;
    if (GLXFBConfig config = configFor(1)) {
      GLXContext context = glXCreateNewContext(s.dpy, config, GLX_RGBA_TYPE, nullptr, True);
      if (context) glXDestroyContext(s.dpy, context);
    }
  }
  return TRUE;
}
