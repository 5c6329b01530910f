// DefWindowProcA: what a window does with the messages its procedure passes on.
// Besides the plain defaults this is where the frame lives: non-client hit
// testing (a WS_THICKFRAME window has a 3 px sizing border with 16 px corners),
// the start of interactive sizing and moving, minimise/maximise/restore commands,
// WM_CLOSE destroying the window, and WM_WINDOWPOSCHANGED turning into WM_MOVE and
// WM_SIZE.
#include <algorithm>
#include <cstring>

#include "platform/kernel32.h"
#include "platform/wm_state.h"

static const int kCornerZone = 16;

static LRESULT hitTest(GVWindow* w, POINT p) {
  RECT r = gvScreenWindowRect(w);
  if (p.x < r.left || p.y < r.top || p.x >= r.right || p.y >= r.bottom) return HTNOWHERE;
  if (w->style & WS_MINIMIZE) return HTCAPTION;
  RECT c = gvClientRect(w);
  POINT o = gvClientOrigin(w);
  if (p.x >= o.x && p.y >= o.y && p.x < o.x + (c.right - c.left) && p.y < o.y + (c.bottom - c.top)) return HTCLIENT;
  RECT frame = gvFrameInsets(w->style, w->exStyle, false);
  int f = frame.left;
  if (w->style & WS_THICKFRAME) {
    bool top = p.y < r.top + f, bottom = p.y >= r.bottom - f;
    bool left = p.x < r.left + f, right = p.x >= r.right - f;
    if (top || bottom || left || right) {
      bool nearLeft = p.x < r.left + kCornerZone, nearRight = p.x >= r.right - kCornerZone;
      bool nearTop = p.y < r.top + kCornerZone, nearBottom = p.y >= r.bottom - kCornerZone;
      if (top) return nearLeft ? HTTOPLEFT : nearRight ? HTTOPRIGHT : HTTOP;
      if (bottom) return nearLeft ? HTBOTTOMLEFT : nearRight ? HTBOTTOMRIGHT : HTBOTTOM;
      if (left) return nearTop ? HTTOPLEFT : nearBottom ? HTBOTTOMLEFT : HTLEFT;
      return nearTop ? HTTOPRIGHT : nearBottom ? HTBOTTOMRIGHT : HTRIGHT;
    }
  }
  if ((w->style & WS_CAPTION) == WS_CAPTION && p.y >= r.top + f && p.y < r.top + frame.top) return HTCAPTION;
  return HTBORDER;
}

static int sizeEdgeForHit(LRESULT hit) {
  switch (hit) {
    case HTLEFT: return WMSZ_LEFT;
    case HTRIGHT: return WMSZ_RIGHT;
    case HTTOP: return WMSZ_TOP;
    case HTTOPLEFT: return WMSZ_TOPLEFT;
    case HTTOPRIGHT: return WMSZ_TOPRIGHT;
    case HTBOTTOM: return WMSZ_BOTTOM;
    case HTBOTTOMLEFT: return WMSZ_BOTTOMLEFT;
    case HTBOTTOMRIGHT: return WMSZ_BOTTOMRIGHT;
    default: return 0;
  }
}

static HCURSOR cursorForHit(GVWindow* w, LRESULT hit) {
  switch (hit) {
    case HTLEFT:
    case HTRIGHT: return LoadCursorA(nullptr, IDC_SIZEWE);
    case HTTOP:
    case HTBOTTOM: return LoadCursorA(nullptr, IDC_SIZENS);
    case HTTOPLEFT:
    case HTBOTTOMRIGHT: return LoadCursorA(nullptr, IDC_SIZENWSE);
    case HTTOPRIGHT:
    case HTBOTTOMLEFT: return LoadCursorA(nullptr, IDC_SIZENESW);
    case HTCLIENT: return w->cls->cursor;
    default: return LoadCursorA(nullptr, IDC_ARROW);
  }
}

static LRESULT nonClientSize(GVWindow* w, WPARAM wParam, LPARAM lParam) {
  RECT f = gvFrameInsets(w->style, w->exStyle, (w->style & WS_MINIMIZE) != 0);
  RECT* r = wParam ? &((NCCALCSIZE_PARAMS*)lParam)->rgrc[0] : (RECT*)lParam;
  if (!r) return 0;
  if (w->style & WS_MINIMIZE) {
    r->right = r->left;
    r->bottom = r->top;
    return 0;
  }
  r->left += f.left;
  r->top += f.top;
  r->right = std::max(r->left, r->right - f.right);
  r->bottom = std::max(r->top, r->bottom - f.bottom);
  return 0;
}

static LRESULT sysCommand(GVWindow* w, WPARAM wParam, LPARAM lParam) {
  POINT p{(short)LOWORD(lParam), (short)HIWORD(lParam)};
  switch (wParam & 0xFFF0) {
    case SC_SIZE:
      if (w->style & WS_THICKFRAME) gvStartSizing(w, (int)(wParam & 0x0F), p);
      return 0;
    case SC_MOVE: gvStartSizing(w, 0, p); return 0;
    case SC_MINIMIZE: ShowWindow(w->handle, SW_MINIMIZE); return 0;
    case SC_MAXIMIZE: ShowWindow(w->handle, SW_MAXIMIZE); return 0;
    case SC_RESTORE: ShowWindow(w->handle, SW_RESTORE); return 0;
    case SC_CLOSE: gvSend(w, WM_CLOSE, 0, 0); return 0;
    default: return 0;
  }
}

LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  GVWMState& s = gvState();
  GVWindow* w = GVWindowFromHandle(hwnd);
  if (!w) return 0;
  switch (message) {
    case WM_NCCREATE: {
      const CREATESTRUCTA* cs = (const CREATESTRUCTA*)lParam;
      if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) w->text = cs->lpszName;
      return TRUE;
    }
    case WM_NCCALCSIZE: return nonClientSize(w, wParam, lParam);
    case WM_NCHITTEST: return hitTest(w, POINT{(short)LOWORD(lParam), (short)HIWORD(lParam)});
    case WM_NCACTIVATE: return TRUE;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam)) gvSetFocus(w);
      return 0;
    case WM_MOUSEACTIVATE:
      if ((w->style & WS_CHILD) && w->parent) {
        LRESULT r = gvSend(w->parent, WM_MOUSEACTIVATE, wParam, lParam);
        if (r) return r;
      }
      return MA_ACTIVATE;
    case WM_SETCURSOR: {
      if ((w->style & WS_CHILD) && w->parent && gvSend(w->parent, WM_SETCURSOR, wParam, lParam)) return TRUE;
      if ((HWND)wParam != hwnd) return FALSE;  // asked on behalf of a child: the child decides
      HCURSOR c = cursorForHit(w, (short)LOWORD(lParam));
      if (c) SetCursor(c);
      return c ? TRUE : FALSE;
    }
    case WM_WINDOWPOSCHANGING: {
      // Sizable and overlapped windows keep to their tracking limits.
      WINDOWPOS* wp = (WINDOWPOS*)lParam;
      bool overlapped = !(w->style & (WS_CHILD | WS_POPUP));
      if (!wp || (wp->flags & SWP_NOSIZE) || (w->style & (WS_MINIMIZE | WS_MAXIMIZE)) ||
          !((w->style & WS_THICKFRAME) || overlapped))
        return 0;
      MINMAXINFO mmi{};
      mmi.ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
      mmi.ptMaxTrackSize = POINT{s.screen.right + 16, s.screen.bottom + 16};
      gvSend(w, WM_GETMINMAXINFO, 0, (LPARAM)&mmi);
      wp->cx = std::max<int>(mmi.ptMinTrackSize.x, std::min<int>(wp->cx, mmi.ptMaxTrackSize.x));
      wp->cy = std::max<int>(mmi.ptMinTrackSize.y, std::min<int>(wp->cy, mmi.ptMaxTrackSize.y));
      return 0;
    }
    case WM_WINDOWPOSCHANGED: {
      const WINDOWPOS* wp = (const WINDOWPOS*)lParam;
      if (!wp) return 0;
      RECT c = gvClientRect(w);
      if (!(wp->flags & SWP_NOCLIENTMOVE)) gvSend(w, WM_MOVE, 0, MAKELPARAM((WORD)(short)c.left, (WORD)(short)c.top));
      if (gvIsLive(w) && !(wp->flags & SWP_NOCLIENTSIZE)) {
        WPARAM kind = (w->style & WS_MINIMIZE) ? SIZE_MINIMIZED : (w->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED;
        gvSend(w, WM_SIZE, kind, MAKELPARAM(c.right - c.left, c.bottom - c.top));
      }
      return 0;
    }
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_PAINT:
      if (GVHooks().defaultPaint) GVHooks().defaultPaint(hwnd);
      else GVValidateWindow(hwnd, nullptr);
      return 0;
    case WM_ERASEBKGND:
      if (GVHooks().eraseBackground && w->cls->background)
        return GVHooks().eraseBackground(hwnd, (HDC)wParam, w->cls->background);
      return 0;
    case WM_SETTEXT:
      w->text = lParam ? (const char*)lParam : "";
      return TRUE;
    case WM_GETTEXT: {
      if (!wParam || !lParam) return 0;
      size_t n = std::min(w->text.size(), (size_t)wParam - 1);
      memcpy((char*)lParam, w->text.data(), n);
      ((char*)lParam)[n] = 0;
      return (LRESULT)n;
    }
    case WM_GETTEXTLENGTH: return (LRESULT)w->text.size();
    case WM_NCLBUTTONDOWN: {
      if (w->style & WS_MINIMIZE) {
        // No system menu here: a click on a minimised bar brings the window back.
        gvSend(w, WM_SYSCOMMAND, SC_RESTORE, lParam);
        return 0;
      }
      int edge = sizeEdgeForHit((LRESULT)wParam);
      if (edge && (w->style & WS_THICKFRAME) && !(w->style & WS_MAXIMIZE))
        gvSend(w, WM_SYSCOMMAND, SC_SIZE + edge, lParam);
      else if (wParam == HTCAPTION && !(w->style & WS_MAXIMIZE))
        gvSend(w, WM_SYSCOMMAND, SC_MOVE + HTCAPTION, lParam);
      return 0;
    }
    case WM_NCLBUTTONDBLCLK:
      if (wParam == HTCAPTION && (w->style & WS_MAXIMIZEBOX) && !(w->style & WS_MINIMIZE))
        gvSend(w, WM_SYSCOMMAND, (w->style & WS_MAXIMIZE) ? SC_RESTORE : SC_MAXIMIZE, lParam);
      return 0;
    case WM_SYSCOMMAND: return sysCommand(w, wParam, lParam);
    case WM_MOUSEWHEEL:
      if ((w->style & WS_CHILD) && w->parent) return gvSend(w->parent, WM_MOUSEWHEEL, wParam, lParam);
      return 0;
    case WM_QUERYOPEN: return TRUE;
    case WM_CANCELMODE:
      if (s.capture == w) gvSetCapture(nullptr);
      return 0;
    default: return 0;
  }
}
