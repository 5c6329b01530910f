// Painting of the window manager's built-in message box: a face-coloured panel,
// the text line by line, and raised push buttons with centred labels.
#include <cstring>

#include "platform/gdi_internal.h"
#include "platform/screen_image.h"
#include "platform/window_internal.h"

namespace {

void paintMessageBox(HWND hwnd, const GVMessageBoxView* view) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  if (!dc || !view) {
    if (dc) EndPaint(hwnd, &ps);
    return;
  }
  RECT client = {0, 0, 0, 0};
  RECT inSurface;
  if (GVWindowClientInSurface(hwnd, &inSurface))
    client = RECT{0, 0, inSurface.right - inSurface.left, inSurface.bottom - inSurface.top};
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  TEXTMETRICA tm;
  GetTextMetricsA(dc, &tm);
  const char* text = view->text ? view->text : "";
  int y = view->textRect.top;
  for (const char* line = text; *line;) {
    const char* end = std::strchr(line, '\n');
    int n = end ? static_cast<int>(end - line) : static_cast<int>(std::strlen(line));
    if (n > 0 && line[n - 1] == '\r') n--;
    TextOutA(dc, view->textRect.left, y, line, n);
    y += tm.tmHeight;
    if (!end) break;
    line = end + 1;
  }
  for (int i = 0; i < view->buttonCount && i < 3; i++) {
    RECT b = view->buttons[i];
    bool pressed = i == view->pressedButton;
    if (i == view->defaultButton) {
      FrameRect(dc, &b, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      b.left++, b.top++, b.right--, b.bottom--;
    }
    DrawEdge(dc, &b, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE);
    const char* label = view->labels[i] ? view->labels[i] : "";
    SIZE ext;
    GetTextExtentPoint32A(dc, label, static_cast<int>(std::strlen(label)), &ext);
    int off = pressed ? 1 : 0;
    TextOutA(dc, (b.left + b.right - ext.cx) / 2 + off, (b.top + b.bottom - ext.cy) / 2 + off, label,
             static_cast<int>(std::strlen(label)));
  }
  SelectObject(dc, oldFont);
  EndPaint(hwnd, &ps);
}

}  // namespace

void GVInstallMessageBoxPainter() { GVHooks().paintMessageBox = paintMessageBox; }
