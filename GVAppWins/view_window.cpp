#include "GVAppWins/view_window.h"

#include <new>

#include "GVAppWins/box_edges.h"
#include "GVAppWins/gl_draw.h"
#include "GVAppWins/info_panels.h"
#include "GVAppWins/manipulator.h"
#include "GVAppWins/view_mouse.h"
#include "GVAppWins/ogre_view.h"
#include "platform/wgl.h"
#include "scene/scene_access.h"
#include "toolkit/fonts_pens.h"

// After our headers, whose empty APIENTRY the GL header keeps.
#include <GL/gl.h>

FrameTimer gFrameTimer;
ViewModeFlags gViewModeFlags;
ViewInputState gViewInput;
// The plain path's context (null on the engine path).
static HGLRC sGLContext = nullptr;
uint32_t GVOgreEnabled = 1;

static const char* const kOutClass = "OutWinClass";
static const char* const kViewClass = "OGLClass";

static GVView* viewOf(HWND hwnd) { return reinterpret_cast<GVView*>(GetWindowLongA(hwnd, GWL_USERDATA)); }

static bool registerClass(HINSTANCE instance, const char* name, WNDPROC proc) {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.style = CS_HREDRAW | CS_VREDRAW;
  wc.lpfnWndProc = proc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  // Both windows paint all of their client area; the brush shows only while
  // a resize outruns the engine. The lights give the view the scene's
  // background colour in its place.
  wc.hbrBackground = QwPens.brushBackground;
  wc.lpszClassName = name;
  return RegisterClassExA(&wc) != 0;
}

static void showSystemError() {
  char* text = nullptr;
  FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                 nullptr, GetLastError(), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                 reinterpret_cast<LPSTR>(&text), 0, nullptr);
  MessageBoxA(nullptr, text ? text : "", "Error", MB_OK | MB_ICONINFORMATION);
  if (text) LocalFree(text);
}

static HWND makeOutWindow(GVView* view, HINSTANCE instance, HWND parent, int x, int y, int w) {
  HWND hwnd = CreateWindowExA(0, kOutClass, "", WS_CHILD, x, y, w, kViewStripHeight, parent, nullptr, instance,
                              nullptr);
  if (!hwnd) return nullptr;
  SetWindowLongA(hwnd, GWL_USERDATA, reinterpret_cast<LONG_PTR>(view));
  UpdateWindow(hwnd);
  ShowWindow(hwnd, SW_SHOW);
  return hwnd;
}

void GVCreateView(GVView* view, HINSTANCE instance, HWND parent, int width, int height, ObjHandle* geoList,
                  HWorld** world, void* context) {
  if (!view) return;
  GVInitBoxEdges();
  const GVViewSceneLinks& scene = GVViewScene();
  *view = GVView();
  view->createdWidth = width;
  view->createdHeight = height;
  view->geoList = geoList;
  view->world = world;
  view->bounds = scene.bounds;
  view->drag = scene.drag;
  view->running = scene.running;
  view->currentGeo = scene.currentGeo;
  view->currentJel = scene.currentJel;
  view->flags = kViewAxesTriad | kViewFrameCounter | 8;
  view->ownerContext = context;
  view->owner = GVDefaultViewOwner();

  ViewportRec* vp = new (std::nothrow) ViewportRec();
  if (!vp) return;
  vp->createdWidth = vp->width = width;
  vp->createdHeight = vp->height = height - kViewStripHeight;
  vp->centreX = vp->width / 2;
  vp->centreY = vp->height / 2;
  view->viewport = vp;
  view->viewportWidth = vp->width;
  view->viewportHeight = vp->height;

  view->camera = new (std::nothrow) CameraRec*(nullptr);
  if (view->camera) GVNewCamera(view->camera);
  if (!view->camera || !*view->camera) {
    delete view->camera;
    view->camera = nullptr;
    delete view->viewport;
    view->viewport = nullptr;
    return;
  }
  GVResetViewCamera(view);
  view->sceneCamera = new (std::nothrow) CameraRec*(nullptr);
  if (view->sceneCamera) {
    GVNewCamera(view->sceneCamera);
    GVCopyCamera(*view->camera, *view->sceneCamera);
  }
  view->manipulator = new (std::nothrow) GVManipulator();
  if (view->manipulator)
    GVInitManipulator(view->manipulator, geoList, world, view->viewport, view->camera, view);
  gViewModeFlags.moveTool = 0;

  if (!registerClass(instance, kOutClass, GVOutWndProc) || !registerClass(instance, kViewClass, GVViewWndProc)) {
    showSystemError();
    return;
  }
  const int stripY = height - kViewStripHeight + 79;
  view->leftOut = makeOutWindow(view, instance, parent, 40, stripY, kViewLeftOutWidth);
  view->rightOut = makeOutWindow(view, instance, parent, 160, stripY, width - kViewLeftOutWidth);
  view->window = CreateWindowExA(0, kViewClass, "OpenGLWindow",
                                 WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 40, 79, width,
                                 height - kViewStripHeight, parent, nullptr, instance, nullptr);
  if (!view->window) return;
  HDC dc = GetDC(view->window);

  if (GVOgreEnabled) {
    if (!gOgreData) {
      gOgreData = GVInitOgreData(new (std::nothrow) OgreData());
      if (!gOgreData) {
        GVViewMessage("Gv error: can't create Ogre Data");
        ReleaseDC(view->window, dc);
        return;
      }
    }
    GVInitOgre(view->window, width, height - kViewStripHeight);
  } else if (!GVSetViewPixelFormat(dc)) {
    GVViewMessage("Gv error: bad pixel format");
    PostQuitMessage(0);
  }
  SetWindowLongA(view->window, GWL_USERDATA, reinterpret_cast<LONG_PTR>(view));
  ShowWindow(view->window, SW_SHOW);
  UpdateWindow(view->window);
  if (!GVOgreEnabled) {
    sGLContext = wglCreateContext(dc);
    if (sGLContext && wglMakeCurrent(dc, sGLContext)) {
      view->dc = dc;
      view->glContext = sGLContext;
      GVInitViewGL(view);
    }
  } else {
    sGLContext = nullptr;
  }
  ReleaseDC(view->window, dc);
}

int GVSetViewPixelFormat(HDC dc) {
  PIXELFORMATDESCRIPTOR pfd = {};
  pfd.nSize = sizeof pfd;
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  pfd.iPixelType = PFD_TYPE_RGBA;
  pfd.cColorBits = 16;
  pfd.cDepthBits = 16;
  pfd.cStencilBits = 1;
  pfd.iLayerType = PFD_MAIN_PLANE;
  const int format = ChoosePixelFormat(dc, &pfd);
  if (format == 0) {
    GVViewMessage("Error: ChoosePixelFormat failed.");
    return 0;
  }
  if (!SetPixelFormat(dc, format, &pfd)) {
    GVViewMessage("Error: SetPixelFormat failed");
    return 0;
  }
  gViewClip.depthBits = 16;
  return 1;
}

void GVInitViewGL(GVView* view) {
  if (!view) return;
  GLint bits = 0;
  glGetIntegerv(GL_INDEX_BITS, &bits);
  glIndexMask(static_cast<GLuint>(((1 << bits) & 0xFFFF) - 1));
  glClearColor(0.6f, 0.6f, 0.6f, 1.0f);
  HDC dc = GetDC(view->window);
  for (int k = 0; k < 2; ++k) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    SwapBuffers(dc);
  }
  ReleaseDC(view->window, dc);
  GVSetViewProjection(view);
  GVInitGLLighting();
}

void GVSetFrameRate(GVView* view, int fps) {
  if (!view) return;
  if (gFrameTimer.running && gFrameTimer.timerMode) KillTimer(view->window, kViewTimerId);
  gFrameTimer.running = 0;
  gFrameTimer.timerMode = 0;
  if (fps > 0) {
    gFrameTimer.msPerFrame = 1000u / static_cast<unsigned>(fps);
    gFrameTimer.fps = fps;
    SetTimer(view->window, kViewTimerId, gFrameTimer.msPerFrame, nullptr);
    gFrameTimer.running = 1;
    gFrameTimer.timerMode = 1;
  } else {
    gFrameTimer.fps = 0;
    gFrameTimer.msPerFrame = 0;
  }
}

void GVMoveView(GVView* view, int x, int y, int width, int height) {
  if (!view || !view->window) return;
  const int stripY = y + height - kViewStripHeight;
  MoveWindow(view->window, x, y, width, height - kViewStripHeight, TRUE);
  ShowWindow(view->window, SW_SHOW);
  if (view->leftOut) {
    MoveWindow(view->leftOut, x, stripY, kViewLeftOutWidth, kViewStripHeight, TRUE);
    ShowWindow(view->leftOut, SW_SHOW);
  }
  if (view->rightOut) {
    MoveWindow(view->rightOut, x + kViewLeftOutWidth, stripY, width - kViewLeftOutWidth, kViewStripHeight, TRUE);
    ShowWindow(view->rightOut, SW_SHOW);
  }
  if (view->viewport) {
    GVViewportFromWindow(view->viewport, view->window);
  }
}

void GVRedrawView(GVView* view) {
  if (!view) return;
  if (GVOgreEnabled) {
    if (!gViewModeFlags.renderHold) GVRenderOgreFrame();
  } else if (view->glContext) {
    HDC dc = GetDC(view->window);
    wglMakeCurrent(dc, view->glContext);
    GVDrawGLFrame(view);
    ReleaseDC(view->window, dc);
  }
}

void GVDestroyView(GVView* view) {
  if (!view) return;
  if (gFrameTimer.timerMode && gFrameTimer.running) {
    KillTimer(view->window, kViewTimerId);
    gFrameTimer.running = 0;
  }
  if (gOgreData) {
    GVShutdownOgre(gOgreData);
    delete gOgreData;
    gOgreData = nullptr;
  }
  if (view->glContext) {
    if (wglGetCurrentContext() == view->glContext) wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(view->glContext);
    if (sGLContext == view->glContext) sGLContext = nullptr;
    view->glContext = nullptr;
    view->dc = nullptr;
  }
  delete view->viewport;
  view->viewport = nullptr;
  if (view->camera) GVFreeCamera(view->camera);
  view->camera = nullptr;
  if (view->sceneCamera) GVFreeCamera(view->sceneCamera);
  view->sceneCamera = nullptr;
  GVDeleteLatticeBuilder(view->builderCell);
  view->builderCell = nullptr;
  delete view->manipulator;
  view->manipulator = nullptr;
}

void GVViewportFromWindow(ViewportRec* viewport, HWND window) {
  if (!viewport) return;
  RECT rc = {};
  GetClientRect(window, &rc);
  viewport->width = rc.right - rc.left;
  viewport->height = rc.bottom - rc.top;
  viewport->centreX = viewport->width / 2;
  viewport->centreY = viewport->height / 2;
}

int GVManipulatorEventCB(int a, int event, intptr_t p1, intptr_t p2, void* context) {
  GVView* view = static_cast<GVView*>(context);
  if (!view || !view->owner) return 0;
  static const int kEvents[][2] = {{1, 8},    {2, 16},    {4, 32},   {8, 64},
                                   {16, 128}, {32, 256}, {64, 2048}, {128, 512}};
  for (const auto& e : kEvents)
    if (e[0] == event) return view->owner(a, e[1], p1, event == 128 ? p2 : 0, view->ownerContext);
  return 0;
}

// What both window classes answer alike: no erase, close destroys.
static LRESULT sharedMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    case WM_DESTROY:
      return 0;
    default:
      return DefWindowProcA(hwnd, message, wParam, lParam);
  }
}

LRESULT CALLBACK GVViewWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  GVView* view = viewOf(hwnd);
  switch (message) {
    case WM_MOVE:
    case WM_SIZE: {
      if (!view) return 0;
      RECT rc = {};
      GetClientRect(hwnd, &rc);
      if (gFrameTimer.timerMode && !gFrameTimer.running) {
        SetTimer(hwnd, kViewTimerId, gFrameTimer.msPerFrame, nullptr);
        gFrameTimer.running = 1;
      }
      if (GVOgreEnabled) GVOgreWindowResized(rc.right, rc.bottom);
      if (view->viewport) {
        view->viewport->width = rc.right;
        view->viewport->height = rc.bottom;
      }
      GVSetViewProjection(view);
      return 0;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      if (view) GVRedrawView(view);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      return 0;
    case WM_KEYDOWN:
      return GVViewKeyDown(view, wParam);
    case WM_KEYUP:
      return GVViewKeyUp(view);
    case WM_CHAR:
      return GVViewChar(view, wParam);
    case WM_LBUTTONDOWN:
      return GVViewButtonDown(hwnd, view, 1, lParam);
    case WM_RBUTTONDOWN:
      return GVViewButtonDown(hwnd, view, 3, lParam);
    case WM_MOUSEMOVE:
      return GVViewPointerMove(hwnd, view, lParam);
    case WM_MBUTTONDOWN:
      gViewModeFlags.windowSize = 0;
      return DefWindowProcA(hwnd, message, wParam, lParam);
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      return GVViewButtonUp(view);
    default:
      return sharedMessage(hwnd, message, wParam, lParam);
  }
}

LRESULT CALLBACK GVOutWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  GVView* view = viewOf(hwnd);
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(hwnd, &ps);
      EndPaint(hwnd, &ps);
      if (view && hwnd == view->leftOut) {
        GVShowFrameCounter(view);
      } else if (view && hwnd == view->rightOut) {
        GVClearInfoPanel(view);
        if (gViewModeFlags.windowSize) GVShowWindowSize(view);
      }
      return 0;
    }
    default:
      return sharedMessage(hwnd, message, wParam, lParam);
  }
}
