// OpenGL contexts on windows, in the Win32 manner: pixel formats on a window's
// device context, contexts made current on it, and SwapBuffers presenting the
// frame. Rendering happens off-screen; SwapBuffers reads the frame back into the
// window's pixels, so GL drawing composes with GDI drawing like any other.
#pragma once

#include "platform/win_types.h"

struct PIXELFORMATDESCRIPTOR {
  WORD nSize;
  WORD nVersion;
  DWORD dwFlags;
  BYTE iPixelType;
  BYTE cColorBits;
  BYTE cRedBits;
  BYTE cRedShift;
  BYTE cGreenBits;
  BYTE cGreenShift;
  BYTE cBlueBits;
  BYTE cBlueShift;
  BYTE cAlphaBits;
  BYTE cAlphaShift;
  BYTE cAccumBits;
  BYTE cAccumRedBits;
  BYTE cAccumGreenBits;
  BYTE cAccumBlueBits;
  BYTE cAccumAlphaBits;
  BYTE cDepthBits;
  BYTE cStencilBits;
  BYTE cAuxBuffers;
  BYTE iLayerType;
  BYTE bReserved;
  DWORD dwLayerMask;
  DWORD dwVisibleMask;
  DWORD dwDamageMask;
};
typedef PIXELFORMATDESCRIPTOR* LPPIXELFORMATDESCRIPTOR;

#define PFD_DOUBLEBUFFER 0x00000001
#define PFD_STEREO 0x00000002
#define PFD_DRAW_TO_WINDOW 0x00000004
#define PFD_DRAW_TO_BITMAP 0x00000008
#define PFD_SUPPORT_GDI 0x00000010
#define PFD_SUPPORT_OPENGL 0x00000020
#define PFD_GENERIC_FORMAT 0x00000040
#define PFD_TYPE_RGBA 0
#define PFD_TYPE_COLORINDEX 1
#define PFD_MAIN_PLANE 0

typedef void (*PROC)();

int ChoosePixelFormat(HDC hdc, const PIXELFORMATDESCRIPTOR* wanted);
BOOL SetPixelFormat(HDC hdc, int format, const PIXELFORMATDESCRIPTOR* descriptor);
int GetPixelFormat(HDC hdc);
// Fills `out` (when given and `size` is large enough) and returns the number of
// formats offered.
int DescribePixelFormat(HDC hdc, int format, UINT size, LPPIXELFORMATDESCRIPTOR out);
BOOL SwapBuffers(HDC hdc);

HGLRC wglCreateContext(HDC hdc);
BOOL wglDeleteContext(HGLRC context);
BOOL wglMakeCurrent(HDC hdc, HGLRC context);
HGLRC wglGetCurrentContext();
HDC wglGetCurrentDC();
PROC wglGetProcAddress(LPCSTR name);

// Reads the current context's frame buffer (at the window's client size) into
// the window's pixels, as SwapBuffers does; for renderers that draw into their
// own targets and present through the window (the 3-D engine's view).
BOOL GVGLReadBackToWindow(HWND hwnd);
// TRUE when GL contexts can be made at all (a display that GL can open); a
// renderer that would abort without one asks first.
BOOL GVGLAvailable();
