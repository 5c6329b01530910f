// WGL over GLX. Each window with a GL context renders into a pbuffer of its
// client size; SwapBuffers reads the frame back into the window's pixels. Where
// the driver has pixel-buffer objects the read goes into one of two buffers
// and its pixels reach the window one frame later (or at the next screen
// compose, whichever comes first), so the copy never stalls on the read. The GL
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
#include <cstdio>
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
  // Without pixel-buffer objects: the last frame read back, bottom-up BGRA;
  // kept so that a frame costs no allocation once the size settles.
  std::vector<uint32_t> frame;
  // With them: frames alternate between two buffers owned by one context.
  GLuint pbo[2] = {0, 0};
  int pboNext = 0;          // the buffer the next frame is read into
  bool pboPending = false;  // pbo[pboNext ^ 1] holds a frame not yet in the window
  int pboWidth = 0, pboHeight = 0;
  GLXContext pboContext = nullptr;
};

// Buffer-object entry points (GL 1.5), looked up once.
struct BufferProcs {
  void (*genBuffers)(GLsizei, GLuint*) = nullptr;
  void (*deleteBuffers)(GLsizei, const GLuint*) = nullptr;
  void (*bindBuffer)(GLenum, GLuint) = nullptr;
  void (*bufferData)(GLenum, ptrdiff_t, const void*, GLenum) = nullptr;
  void* (*mapBuffer)(GLenum, GLenum) = nullptr;
  GLboolean (*unmapBuffer)(GLenum) = nullptr;
  void (*bindFramebuffer)(GLenum, GLuint) = nullptr;
};

struct GLState {
  Display* dpy = nullptr;
  bool triedOpen = false;
  std::map<HWND, WindowGL> windows;
  std::vector<GVGLContext*> contexts;
  GVGLContext* current = nullptr;
  HDC currentDc = nullptr;
  HWND currentWindow = nullptr;
  BufferProcs procs;
  int pboSupport = -1;  // unknown until a context is current
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

const GLenum kFramebufferBinding = 0x8CA6, kFramebuffer = 0x8D40, kPackBuffer = 0x88EB,
             kPackBufferBinding = 0x88ED, kStreamRead = 0x88E1, kReadOnly = 0x88B8;

template <class F>
void lookUp(F* proc, const char* name) {
  *proc = reinterpret_cast<F>(glXGetProcAddress(reinterpret_cast<const GLubyte*>(name)));
}

// Whether frames can go through pixel-buffer objects (asked with a context current).
bool pboUsable() {
  GLState& s = gl();
  if (s.pboSupport < 0) {
    BufferProcs& p = s.procs;
    lookUp(&p.genBuffers, "glGenBuffers");
    lookUp(&p.deleteBuffers, "glDeleteBuffers");
    lookUp(&p.bindBuffer, "glBindBuffer");
    lookUp(&p.bufferData, "glBufferData");
    lookUp(&p.mapBuffer, "glMapBuffer");
    lookUp(&p.unmapBuffer, "glUnmapBuffer");
    lookUp(&p.bindFramebuffer, "glBindFramebuffer");
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    int major = 0, minor = 0;
    if (version) std::sscanf(version, "%d.%d", &major, &minor);
    bool listed = (major > 2 || (major == 2 && minor >= 1)) ||
                  (extensions && std::strstr(extensions, "GL_ARB_pixel_buffer_object"));
    s.pboSupport = listed && p.genBuffers && p.deleteBuffers && p.bindBuffer && p.bufferData &&
                   p.mapBuffer && p.unmapBuffer;
  }
  return s.pboSupport == 1;
}

// The pack state a read-back touches, saved and put back so that the frame is
// read from the window's own buffer whatever the program has bound.
struct PackState {
  GLint fbo = 0, packBuffer = 0, readBuffer = 0, align = 4, rowLength = 0;
  void save(bool doubleBuffer) {
    while (glGetError() != GL_NO_ERROR) {
    }
    glGetIntegerv(kFramebufferBinding, &fbo);
    glGetIntegerv(kPackBufferBinding, &packBuffer);
    while (glGetError() != GL_NO_ERROR) {
    }
    glGetIntegerv(GL_READ_BUFFER, &readBuffer);
    glGetIntegerv(GL_PACK_ALIGNMENT, &align);
    glGetIntegerv(GL_PACK_ROW_LENGTH, &rowLength);
    const BufferProcs& p = gl().procs;
    if (fbo && p.bindFramebuffer) p.bindFramebuffer(kFramebuffer, 0);
    if (packBuffer && p.bindBuffer) p.bindBuffer(kPackBuffer, 0);
    glReadBuffer(doubleBuffer ? GL_BACK : GL_FRONT);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  }
  void restore() const {
    const BufferProcs& p = gl().procs;
    glPixelStorei(GL_PACK_ALIGNMENT, align);
    glPixelStorei(GL_PACK_ROW_LENGTH, rowLength);
    glReadBuffer(static_cast<GLenum>(readBuffer));
    if (fbo && p.bindFramebuffer) p.bindFramebuffer(kFramebuffer, static_cast<GLuint>(fbo));
    if (p.bindBuffer) p.bindBuffer(kPackBuffer, static_cast<GLuint>(packBuffer));
  }
};

// Copies a w x h frame (bottom-up BGRA) into the window's client area.
void copyIntoWindow(HWND hwnd, const uint32_t* frame, int w, int h) {
  GVSurface* s = GVWindowSurface(hwnd);
  RECT client;
  if (!s || !GVWindowClientInSurface(hwnd, &client)) return;
  int cw = std::min<int>(w, client.right - client.left), ch = std::min<int>(h, client.bottom - client.top);
  for (int y = 0; y < ch; y++) {
    const uint32_t* src = frame + size_t(h - 1 - y) * w;
    uint32_t* dst = s->row(client.top + y) + client.left;
    for (int x = 0; x < cw; x++) dst[x] = src[x] & 0xFFFFFF;
  }
  s->addDamage(RECT{client.left, client.top, client.left + cw, client.top + ch});
}

// Moves the pending frame into the window (its context current, pack state saved).
void copyPending(HWND hwnd, WindowGL& wg) {
  if (!wg.pboPending) return;
  wg.pboPending = false;
  const BufferProcs& p = gl().procs;
  p.bindBuffer(kPackBuffer, wg.pbo[wg.pboNext ^ 1]);
  if (const void* data = p.mapBuffer(kPackBuffer, kReadOnly)) {
    copyIntoWindow(hwnd, static_cast<const uint32_t*>(data), wg.pboWidth, wg.pboHeight);
    p.unmapBuffer(kPackBuffer);
  }
  p.bindBuffer(kPackBuffer, 0);
}

// Buffers of the current context at the frame's size (a pending frame of the
// old size goes to the window first).
void preparePbos(HWND hwnd, WindowGL& wg, int w, int h) {
  GLXContext context = glXGetCurrentContext();
  if (wg.pboContext == context && wg.pboWidth == w && wg.pboHeight == h && wg.pbo[0]) return;
  const BufferProcs& p = gl().procs;
  if (wg.pboContext == context && wg.pbo[0]) {
    copyPending(hwnd, wg);
    p.deleteBuffers(2, wg.pbo);
  }
  // Buffers of another context go with it.
  wg.pboPending = false;
  wg.pboNext = 0;
  wg.pboContext = context;
  wg.pboWidth = w;
  wg.pboHeight = h;
  p.genBuffers(2, wg.pbo);
  for (GLuint b : wg.pbo) {
    p.bindBuffer(kPackBuffer, b);
    p.bufferData(kPackBuffer, static_cast<ptrdiff_t>(w) * h * 4, nullptr, kStreamRead);
  }
  p.bindBuffer(kPackBuffer, 0);
}

// Reads the bound frame's w x h pixels into the window: through the window's
// pixel buffers a frame late, or through its kept buffer at once.
bool readInto(HWND hwnd, WindowGL& wg, int w, int h, bool doubleBuffer, bool late) {
  if (!GVWindowSurface(hwnd)) return false;
  bool usePbo = late && pboUsable();
  PackState state;
  state.save(doubleBuffer);
  if (usePbo) {
    preparePbos(hwnd, wg, w, h);
    const BufferProcs& p = gl().procs;
    p.bindBuffer(kPackBuffer, wg.pbo[wg.pboNext]);
    glReadPixels(0, 0, w, h, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    copyPending(hwnd, wg);
    wg.pboPending = true;
    wg.pboNext ^= 1;
  } else {
    wg.frame.resize(size_t(w) * h);
    glReadPixels(0, 0, w, h, GL_BGRA, GL_UNSIGNED_BYTE, wg.frame.data());
    copyIntoWindow(hwnd, wg.frame.data(), w, h);
  }
  state.restore();
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
  WindowGL& wg = it->second;
  // The pixel buffers go with their context unless it is the current one.
  if (wg.pbo[0] && wg.pboContext && wg.pboContext == glXGetCurrentContext())
    s.procs.deleteBuffers(2, wg.pbo);
  if (wg.pbuffer) glXDestroyPbuffer(glDisplay(), wg.pbuffer);
  s.windows.erase(it);
}

void GVGLFinishReadBacks() {
  GLState& s = gl();
  for (auto& entry : s.windows) {
    WindowGL& wg = entry.second;
    if (!wg.pboPending) continue;
    if (!GVWindowFromHandle(entry.first) || !wg.pbuffer) {
      wg.pboPending = false;
      continue;
    }
    // The buffers belong to their context: borrow it when another is current.
    GLXContext context = glXGetCurrentContext();
    GLXDrawable draw = glXGetCurrentDrawable(), read = glXGetCurrentReadDrawable();
    bool borrow = context != wg.pboContext;
    if (borrow && !glXMakeContextCurrent(s.dpy, wg.pbuffer, wg.pbuffer, wg.pboContext)) {
      wg.pboPending = false;
      continue;
    }
    GLint packBuffer = 0;
    glGetIntegerv(kPackBufferBinding, &packBuffer);
    copyPending(entry.first, wg);
    s.procs.bindBuffer(kPackBuffer, static_cast<GLuint>(packBuffer));
    if (borrow) glXMakeContextCurrent(s.dpy, draw, read, context);
  }
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
  // Frames still in the context's pixel buffers reach their windows first.
  GVGLFinishReadBacks();
  if (s.current == context) wglMakeCurrent(nullptr, nullptr);
  for (auto& w : s.windows) {
    if (w.second.lastContext == context) w.second.lastContext = nullptr;
    if (w.second.pboContext == context->context) {
      w.second.pboContext = nullptr;
      w.second.pbo[0] = w.second.pbo[1] = 0;
    }
  }
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
  bool ok = readInto(hwnd, wg, wg.width, wg.height, doubleBuffer, true);
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
  bool doubleBuffer = kFormats[s.current->format - 1].doubleBuffer;
  // A window of its own GL context takes the frame a frame late, like SwapBuffers;
  // any other window gets it at once.
  auto it = s.windows.find(hwnd);
  if (it != s.windows.end() && s.currentWindow == hwnd)
    return readInto(hwnd, it->second, w, h, doubleBuffer, true) ? TRUE : FALSE;
  WindowGL once;
  return readInto(hwnd, once, w, h, doubleBuffer, false) ? TRUE : FALSE;
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
