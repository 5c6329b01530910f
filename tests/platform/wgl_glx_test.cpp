#include <gtest/gtest.h>

#include <cstdlib>

#include "display_expected.h"

#include "platform/screen_image.h"
#include "platform/test_api.h"
#include "platform/win32.h"

// After our headers, whose empty APIENTRY the GL header keeps.
#include <GL/gl.h>
#include <GL/glu.h>

namespace {

LRESULT CALLBACK glProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_ERASEBKGND) return 1;
  return DefWindowProcA(hwnd, msg, wp, lp);
}

class Wgl : public ::testing::Test {
 protected:
  void SetUp() override {
    GVTestReset();
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = glProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "GLTest";
    RegisterClassExA(&wc);
    window_ = CreateWindowExA(0, "GLTest", "OpenGLWindow", WS_POPUP | WS_VISIBLE, 40, 79, 160, 120,
                              nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    dc_ = GetDC(window_);
  }
  void TearDown() override {
    if (context_) {
      wglMakeCurrent(nullptr, nullptr);
      wglDeleteContext(context_);
    }
    ReleaseDC(window_, dc_);
    GVTestReset();
    GVComposeScreen();
  }
  // The pixel format the 3-D view asks for.
  bool setViewPixelFormat() {
    PIXELFORMATDESCRIPTOR pfd = {};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 16;
    pfd.cDepthBits = 16;
    pfd.cStencilBits = 1;
    int format = ChoosePixelFormat(dc_, &pfd);
    if (!format) return false;
    EXPECT_TRUE(SetPixelFormat(dc_, format, &pfd));
    PIXELFORMATDESCRIPTOR got;
    EXPECT_GT(DescribePixelFormat(dc_, format, sizeof got, &got), 0);
    EXPECT_GE(got.cDepthBits, 16);
    EXPECT_GE(got.cStencilBits, 1);
    EXPECT_TRUE(got.dwFlags & PFD_DOUBLEBUFFER);
    EXPECT_EQ(GetPixelFormat(dc_), format);
    return true;
  }
  HWND window_ = nullptr;
  HDC dc_ = nullptr;
  HGLRC context_ = nullptr;
};

TEST_F(Wgl, ClearedFrameLandsInTheWindowOnSwap) {
  if (!setViewPixelFormat()) GV_NO_DISPLAY("no GL display");
  context_ = wglCreateContext(dc_);
  ASSERT_NE(context_, nullptr);
  ASSERT_TRUE(wglMakeCurrent(dc_, context_));
  EXPECT_EQ(wglGetCurrentContext(), context_);
  glViewport(0, 0, 160, 120);
  glClearColor(0.2f, 0.4f, 0.6f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
  // GL drawing composes with GDI drawing: a filled quad in the top-left corner.
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, 160, 120, 0, -1, 1);
  glColor3f(1, 0, 0);
  glBegin(GL_QUADS);
  glVertex2f(0, 0);
  glVertex2f(10, 0);
  glVertex2f(10, 10);
  glVertex2f(0, 10);
  glEnd();
  ASSERT_TRUE(SwapBuffers(dc_));
  GVComposeScreen();
  const GVSurface& s = GVScreenImage();
  EXPECT_EQ(s.at(40 + 80, 79 + 60), GVPixelFromColorRef(RGB(51, 102, 153)));
  EXPECT_EQ(s.at(40 + 159, 79 + 119), GVPixelFromColorRef(RGB(51, 102, 153)));
  EXPECT_EQ(s.at(40 + 2, 79 + 2), GVPixelFromColorRef(RGB(255, 0, 0)));  // not flipped
  // A second pixel format on the same window is refused.
  EXPECT_FALSE(SetPixelFormat(dc_, GetPixelFormat(dc_) == 1 ? 2 : 1, nullptr));
}

TEST_F(Wgl, ResizedWindowGetsAFrameOfTheNewSize) {
  if (!setViewPixelFormat()) GV_NO_DISPLAY("no GL display");
  context_ = wglCreateContext(dc_);
  ASSERT_TRUE(wglMakeCurrent(dc_, context_));
  MoveWindow(window_, 40, 79, 300, 200, FALSE);
  glViewport(0, 0, 300, 200);
  glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  ASSERT_TRUE(SwapBuffers(dc_));
  GVComposeScreen();
  EXPECT_EQ(GVScreenImage().at(40 + 299, 79 + 199), 0x00FF00u);
  // Making no context current, then deleting it, is clean.
  EXPECT_TRUE(wglMakeCurrent(nullptr, nullptr));
  EXPECT_EQ(wglGetCurrentContext(), nullptr);
  EXPECT_TRUE(wglDeleteContext(context_));
  EXPECT_FALSE(wglDeleteContext(context_));
  context_ = nullptr;
}

TEST_F(Wgl, ReadBackCarriesAFrameWithoutSwapping) {
  if (!setViewPixelFormat()) GV_NO_DISPLAY("no GL display");
  context_ = wglCreateContext(dc_);
  ASSERT_TRUE(wglMakeCurrent(dc_, context_));
  glClearColor(1.0f, 1.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glFinish();
  ASSERT_TRUE(GVGLReadBackToWindow(window_));
  // The frame reaches the window by the next compose.
  const std::vector<RECT>& changed = GVComposeScreen();
  EXPECT_EQ(GVScreenImage().at(40 + 5, 79 + 5), 0xFFFF00u);
  EXPECT_FALSE(changed.empty());
}

TEST_F(Wgl, TheLatestFrameIsOnTheScreenAfterEachCompose) {
  if (!setViewPixelFormat()) GV_NO_DISPLAY("no GL display");
  context_ = wglCreateContext(dc_);
  ASSERT_TRUE(wglMakeCurrent(dc_, context_));
  auto frame = [this](float r, float g, float b) {
    glClearColor(r, g, b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    return SwapBuffers(dc_);
  };
  // Frames may travel a frame late; none is lost or shown out of order.
  for (int round = 0; round < 3; round++) {
    ASSERT_TRUE(frame(1, 0, 0));
    GVComposeScreen();
    EXPECT_EQ(GVScreenImage().at(40 + 80, 79 + 60), 0xFF0000u) << round;
    ASSERT_TRUE(frame(0, 1, 0));
    ASSERT_TRUE(frame(0, 0, 1));
    GVComposeScreen();
    EXPECT_EQ(GVScreenImage().at(40 + 80, 79 + 60), 0x0000FFu) << round;
  }
  // Deleting the context with a frame in flight still delivers it.
  ASSERT_TRUE(frame(1, 1, 1));
  wglMakeCurrent(nullptr, nullptr);
  EXPECT_TRUE(wglDeleteContext(context_));
  context_ = nullptr;
  GVComposeScreen();
  EXPECT_EQ(GVScreenImage().at(40 + 80, 79 + 60), 0xFFFFFFu);
}

TEST_F(Wgl, ContextNeedsAPixelFormat) {
  EXPECT_EQ(wglCreateContext(dc_), nullptr);
  EXPECT_FALSE(SwapBuffers(dc_));
  HDC memory = CreateCompatibleDC(nullptr);
  EXPECT_FALSE(SetPixelFormat(memory, 1, nullptr));  // only windows take GL formats
  DeleteDC(memory);
}

// The system's GLU is linked: a perspective camera looking down -z from
// (0, 0, 10) puts the origin at the window's centre and (1, 1, 0) up and to
// the right of it.
TEST_F(Wgl, GluCameraPlacesPointsInTheFrame) {
  if (!setViewPixelFormat()) GV_NO_DISPLAY("no GL display");
  context_ = wglCreateContext(dc_);
  ASSERT_TRUE(wglMakeCurrent(dc_, context_));
  glViewport(0, 0, 160, 120);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45.0, 160.0 / 120.0, 1.0, 100.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(0, 0, 10, 0, 0, 0, 0, 1, 0);
  GLdouble model[16], proj[16], x = 0, y = 0, z = 0;
  GLint vp[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, model);
  glGetDoublev(GL_PROJECTION_MATRIX, proj);
  glGetIntegerv(GL_VIEWPORT, vp);
  ASSERT_EQ(gluProject(0, 0, 0, model, proj, vp, &x, &y, &z), GL_TRUE);
  EXPECT_NEAR(x, 80.0, 1e-6);
  EXPECT_NEAR(y, 60.0, 1e-6);
  ASSERT_EQ(gluProject(1, 1, 0, model, proj, vp, &x, &y, &z), GL_TRUE);
  // tan(22.5 deg) * 10 world units span 60 pixels vertically.
  EXPECT_NEAR(y - 60.0, 60.0 / (10.0 * 0.41421356), 1e-3);
  EXPECT_NEAR(x - 80.0, y - 60.0, 1e-3);
}

}  // namespace
