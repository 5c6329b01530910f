#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>

#include "platform/screen_image.h"
#include "platform/test_api.h"
#include "platform/window_internal.h"
#include "platform/win32.h"

namespace {

// Windows of class "PaintTest" paint through a per-window function.
std::map<HWND, std::function<void(HWND, HDC, const PAINTSTRUCT&)>> gPainters;
std::map<HWND, int> gPaints, gErases;

LRESULT CALLBACK paintProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT: {
      gPaints[hwnd]++;
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      auto it = gPainters.find(hwnd);
      if (it != gPainters.end()) it->second(hwnd, dc, ps);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND:
      gErases[hwnd]++;
      return DefWindowProcA(hwnd, msg, wp, lp);
    default: return DefWindowProcA(hwnd, msg, wp, lp);
  }
}

const COLORREF kBackground = RGB(1, 2, 3);

class WindowPainting : public ::testing::Test {
 protected:
  void SetUp() override {
    GVTestReset();
    GVTestUseVirtualClock(true);
    GVSetScreenBackground(kBackground);
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = paintProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = brush_ = CreateSolidBrush(RGB(65, 65, 65));
    wc.lpszClassName = "PaintTest";
    ASSERT_TRUE(RegisterClassExA(&wc));
  }
  void TearDown() override {
    GVTestReset();
    GVComposeScreen();  // lets the surfaces of the reset windows go
    gPainters.clear();
    gPaints.clear();
    gErases.clear();
    DeleteObject(brush_);
  }
  HWND popup(int x, int y, int w, int h, DWORD style = 0, DWORD ex = 0) {
    HWND hwnd = CreateWindowExA(ex, "PaintTest", "", WS_POPUP | style, x, y, w, h, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    return hwnd;
  }
  HWND child(HWND parent, int x, int y, int w, int h) {
    return CreateWindowExA(0, "PaintTest", "", WS_CHILD | WS_VISIBLE, x, y, w, h, parent, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
  }
  static COLORREF screen(int x, int y) { return GVColorRefFromPixel(GVScreenImage().at(x, y)); }
  static int countScreen(COLORREF c, RECT area) {
    int n = 0;
    for (int y = area.top; y < area.bottom; y++)
      for (int x = area.left; x < area.right; x++) n += screen(x, y) == c;
    return n;
  }
  void show(HWND hwnd) {
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
    GVTestPumpMessages();
    GVComposeScreen();
  }
  HBRUSH brush_ = nullptr;
};

TEST_F(WindowPainting, FillRectReachesTheScreenExactly) {
  HWND w = popup(100, 50, 200, 100);
  gPainters[w] = [](HWND, HDC dc, const PAINTSTRUCT&) {
    RECT r = {10, 10, 30, 20};
    HBRUSH b = CreateSolidBrush(RGB(65, 65, 65));
    FillRect(dc, &r, b);
    DeleteObject(b);
  };
  // The class background is something else so that only the fill shows grey.
  SetClassLongA(w, GCL_HBRBACKGROUND, reinterpret_cast<LONG_PTR>(GetStockObject(BLACK_BRUSH)));
  show(w);
  RECT whole = {0, 0, 400, 250};
  EXPECT_EQ(countScreen(RGB(65, 65, 65), whole), 20 * 10);
  EXPECT_EQ(screen(110, 60), RGB(65, 65, 65));
  EXPECT_EQ(screen(129, 69), RGB(65, 65, 65));
  EXPECT_EQ(screen(130, 69), RGB(0, 0, 0));
  EXPECT_EQ(screen(99, 49), kBackground);
  EXPECT_EQ(screen(300, 150), kBackground);
}

TEST_F(WindowPainting, LineFromOriginColoursPixelsZeroToNine) {
  HWND w = popup(0, 0, 40, 10);
  gPainters[w] = [](HWND, HDC dc, const PAINTSTRUCT&) {
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(250, 250, 100));
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, 0, 0, nullptr);
    LineTo(dc, 10, 0);
    SelectObject(dc, old);
    DeleteObject(pen);
  };
  show(w);
  for (int x = 0; x < 10; x++) EXPECT_EQ(screen(x, 0), RGB(250, 250, 100)) << x;
  EXPECT_EQ(screen(10, 0), RGB(65, 65, 65));
}

TEST_F(WindowPainting, ChildIsClippedToItsParent) {
  HWND parent = popup(10, 10, 100, 100);
  HWND kid = child(parent, 50, 50, 100, 100);
  gPainters[kid] = [](HWND hwnd, HDC dc, const PAINTSTRUCT&) {
    RECT r;
    GetClientRect(hwnd, &r);
    HBRUSH b = CreateSolidBrush(RGB(200, 0, 0));
    FillRect(dc, &r, b);
    DeleteObject(b);
  };
  show(parent);
  EXPECT_EQ(countScreen(RGB(200, 0, 0), RECT{0, 0, 300, 300}), 50 * 50);
  EXPECT_EQ(screen(109, 109), RGB(200, 0, 0));
  EXPECT_EQ(screen(110, 110), kBackground);
}

TEST_F(WindowPainting, TopMostPopupCoversASiblingTree) {
  HWND frame = popup(0, 0, 200, 200);
  HWND kid = child(frame, 20, 20, 100, 100);
  gPainters[kid] = [](HWND hwnd, HDC dc, const PAINTSTRUCT&) {
    RECT r;
    GetClientRect(hwnd, &r);
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  };
  HWND tip = popup(50, 50, 30, 30, 0, WS_EX_TOPMOST);
  gPainters[tip] = [](HWND hwnd, HDC dc, const PAINTSTRUCT&) {
    RECT r;
    GetClientRect(hwnd, &r);
    HBRUSH b = CreateSolidBrush(RGB(220, 100, 100));
    FillRect(dc, &r, b);
    DeleteObject(b);
  };
  show(tip);
  show(frame);  // shown later, yet the top-most popup stays above it
  EXPECT_EQ(countScreen(RGB(220, 100, 100), RECT{0, 0, 200, 200}), 30 * 30);
  EXPECT_EQ(screen(30, 30), RGB(255, 255, 255));
}

TEST_F(WindowPainting, DrawingThroughGetDcPersistsAndPaintIsClippedToTheUpdate) {
  HWND w = popup(0, 0, 50, 50);
  show(w);
  HDC dc = GetDC(w);
  ASSERT_NE(dc, nullptr);
  SetPixel(dc, 5, 5, RGB(9, 9, 9));
  SetPixel(dc, 40, 40, RGB(9, 9, 9));
  EXPECT_EQ(ReleaseDC(w, dc), 1);
  GVComposeScreen();
  EXPECT_EQ(screen(5, 5), RGB(9, 9, 9));
  // A paint of one corner leaves the other drawing alone.
  gPainters[w] = [](HWND hwnd, HDC paintDc, const PAINTSTRUCT&) {
    RECT r;
    GetClientRect(hwnd, &r);
    FillRect(paintDc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  };
  RECT corner = {0, 0, 10, 10};
  InvalidateRect(w, &corner, FALSE);
  UpdateWindow(w);
  GVComposeScreen();
  EXPECT_EQ(screen(5, 5), RGB(0, 0, 0));
  EXPECT_EQ(screen(40, 40), RGB(9, 9, 9));
  EXPECT_EQ(screen(20, 20), RGB(65, 65, 65));
}

TEST_F(WindowPainting, BackgroundIsErasedOnlyWhenAsked) {
  HWND w = popup(0, 0, 30, 30);
  show(w);
  gErases.clear();
  gPaints.clear();
  InvalidateRect(w, nullptr, FALSE);
  UpdateWindow(w);
  EXPECT_EQ(gPaints[w], 1);
  EXPECT_EQ(gErases[w], 0);
  InvalidateRect(w, nullptr, TRUE);
  UpdateWindow(w);
  EXPECT_EQ(gPaints[w], 2);
  EXPECT_EQ(gErases[w], 1);
}

TEST_F(WindowPainting, RedrawWindowUpdateNowPaintsChildrenSynchronously) {
  HWND parent = popup(0, 0, 100, 100);
  HWND a = child(parent, 0, 0, 20, 20), b = child(parent, 30, 0, 20, 20);
  show(parent);
  gPaints.clear();
  ASSERT_TRUE(RedrawWindow(parent, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW));
  EXPECT_EQ(gPaints[parent], 1);
  EXPECT_EQ(gPaints[a], 1);
  EXPECT_EQ(gPaints[b], 1);
  // Without RDW_ALLCHILDREN the children are not repainted.
  RedrawWindow(parent, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(gPaints[parent], 2);
  EXPECT_EQ(gPaints[a], 1);
  // Without RDW_UPDATENOW the paint waits for the queue.
  RedrawWindow(parent, nullptr, nullptr, RDW_INVALIDATE);
  EXPECT_EQ(gPaints[parent], 2);
  GVTestPumpMessages();
  EXPECT_EQ(gPaints[parent], 3);
}

TEST_F(WindowPainting, CaretIsInvertedOnTheScreenAndBlinks) {
  HWND w = popup(10, 10, 60, 40);
  show(w);
  SetFocus(w);
  ASSERT_TRUE(CreateCaret(w, nullptr, 2, 12));
  SetCaretPos(5, 6);
  ShowCaret(w);
  GVComposeScreen();
  COLORREF inverted = RGB(255 - 65, 255 - 65, 255 - 65);
  EXPECT_EQ(countScreen(inverted, RECT{0, 0, 100, 100}), 2 * 12);
  EXPECT_EQ(screen(15, 16), inverted);
  // Half a blink later it is off, then on again; never inverted twice.
  GVTestAdvanceClock(GetCaretBlinkTime());
  GVComposeScreen();
  EXPECT_EQ(countScreen(inverted, RECT{0, 0, 100, 100}), 0);
  GVTestAdvanceClock(GetCaretBlinkTime());
  GVComposeScreen();
  GVComposeScreen();
  EXPECT_EQ(countScreen(inverted, RECT{0, 0, 100, 100}), 2 * 12);
  HideCaret(w);
  GVComposeScreen();
  EXPECT_EQ(countScreen(inverted, RECT{0, 0, 100, 100}), 0);
  DestroyCaret();
}

TEST_F(WindowPainting, BorderedWindowsGetAFrameAroundTheClientArea) {
  HWND w = popup(0, 0, 40, 30, WS_BORDER);
  show(w);
  RECT client;
  GetClientRect(w, &client);
  EXPECT_EQ(client.right, 38);
  EXPECT_EQ(screen(0, 0), GetSysColor(COLOR_WINDOWFRAME));
  EXPECT_EQ(screen(39, 29), GetSysColor(COLOR_WINDOWFRAME));
  EXPECT_EQ(screen(1, 1), RGB(65, 65, 65));
}

TEST_F(WindowPainting, ResizingKeepsTheDrawingAndMovingRecomposes) {
  HWND w = popup(0, 0, 20, 20);
  show(w);
  HDC dc = GetDC(w);
  SetPixel(dc, 3, 3, RGB(7, 7, 7));
  ReleaseDC(w, dc);
  MoveWindow(w, 50, 40, 30, 30, FALSE);
  GVComposeScreen();
  EXPECT_EQ(screen(53, 43), RGB(7, 7, 7));
  EXPECT_EQ(screen(3, 3), kBackground);
  GVSurface* s = GVWindowSurface(w);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->width, 30);
  // Down to no width (as a minimised window) and back: nothing to keep, no fault.
  MoveWindow(w, 50, 40, 0, 30, FALSE);
  GVComposeScreen();
  EXPECT_EQ(GVWindowSurface(w)->width, 0);
  MoveWindow(w, 50, 40, 30, 30, FALSE);
  GVComposeScreen();
  EXPECT_EQ(GVWindowSurface(w)->width, 30);
}

TEST_F(WindowPainting, WindowScreenshotIsLegible) {
  HWND w = popup(0, 0, 260, 70);
  gPainters[w] = [](HWND, HDC dc, const PAINTSTRUCT&) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(220, 220, 220));
    TextOutA(dc, 8, 6, "frame  42", 9);
    HFONT f = CreateFontA(-12, 0, 0, 0, 0, 0, 0, 0, DEFAULT_CHARSET, OUT_OUTLINE_PRECIS,
                          CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, VARIABLE_PITCH, "Arial");
    HGDIOBJ old = SelectObject(dc, f);
    TextOutA(dc, 8, 30, "Labels and lists: Num X-pts:", 28);
    RECT edge = {4, 50, 250, 66};
    DrawEdge(dc, &edge, EDGE_ETCHED, BF_RECT);
    SelectObject(dc, old);
    DeleteObject(f);
  };
  show(w);
  EXPECT_TRUE(GVSaveWindowPng(w, "window_screenshot.png"));
  EXPECT_TRUE(GVSaveScreenPng("screen_screenshot.png"));
}

TEST_F(WindowPainting, MessageBoxPainterDrawsTextAndButtons) {
  HWND w = popup(0, 0, 240, 100);
  show(w);
  GVInstallPaintHooks();
  ASSERT_NE(GVHooks().paintMessageBox, nullptr);
  GVMessageBoxView view = {};
  view.text = "Minimise slider range?";
  view.caption = "SliderGroup Message:";
  view.textRect = RECT{10, 10, 230, 40};
  view.buttonCount = 2;
  view.buttons[0] = RECT{40, 60, 115, 85};
  view.buttons[1] = RECT{125, 60, 200, 85};
  view.labels[0] = "OK";
  view.labels[1] = "Cancel";
  view.defaultButton = 0;
  view.pressedButton = -1;
  InvalidateRect(w, nullptr, TRUE);
  GVHooks().paintMessageBox(w, &view);
  GVComposeScreen();
  COLORREF face = GetSysColor(COLOR_BTNFACE);
  EXPECT_EQ(screen(5, 5), face);
  EXPECT_EQ(screen(40, 60), RGB(0, 0, 0));  // the default button's frame
  EXPECT_EQ(screen(41, 61), GetSysColor(COLOR_3DLIGHT));
  // Text ink inside the text line and inside each button.
  EXPECT_LT(countScreen(face, RECT{10, 10, 150, 30}), 140 * 20);
  EXPECT_LT(countScreen(face, RECT{130, 65, 195, 80}), 65 * 15);
  EXPECT_TRUE(GVSaveWindowPng(w, "message_box.png"));
}

}  // namespace
