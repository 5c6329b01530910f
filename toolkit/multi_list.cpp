// The multi-list and its rolling drop-down sub-windows.
#include "toolkit/multi_list.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi32.h"
#include "platform/kernel32.h"
#include "toolkit/drawing.h"
#include "toolkit/fonts_pens.h"
#include "toolkit/messages.h"
#include "toolkit/window_classes.h"

namespace {

constexpr UINT_PTR kCascadeTimer = 1020;
constexpr UINT_PTR kOpenTimer = 1021;
constexpr UINT_PTR kCloseTimer = 1022;
constexpr UINT kCascadeDelayMs = 100;
constexpr int kRowsTop = 4;  // client y of row 0 in a fully open popup
constexpr int kMarkerWidth = 20;
constexpr int kMenuExtraWidth = 30;
constexpr float kCascadeOpenTime = 0.05f;

// The cascade delay of the menu in use: where the pending cascade opens, its row,
// and the row highlighted last.
int gPendingX = 0;
int gPendingY = 0;
int gPendingRow = -1;
int gLastHighlighted = -1;

QwDDSubWindow* recordOf(HWND hwnd) {
  auto* rec = reinterpret_cast<QwDDSubWindow*>(GetWindowLongA(hwnd, GWL_USERDATA));
  return rec && rec->popup == hwnd ? rec : nullptr;
}

// Pixels rolled after `elapsed` ms; a window without a roll time is at once fully rolled.
int rolled(const QwDDSubWindow& w, DWORD elapsed, float factor) {
  if (w.rollTime <= 0) return w.fullHeight;
  return static_cast<int>(factor * static_cast<float>(elapsed) * w.rollSpeed);
}

void setRollSpeed(QwDDSubWindow& w) {
  unsigned time = static_cast<unsigned>(w.rollTime);
  w.rollSpeed = time ? static_cast<float>(w.fullHeight) / static_cast<float>(time) : 0.0f;
}

// The row under client point y, or -1.
int rowAt(const QwDDSubWindow& w, int y) {
  if (y < kRowsTop || w.rowHeight <= 0) return -1;
  int r = (y - kRowsTop) / w.rowHeight;
  return r < w.count ? r : -1;
}

void drawRow(const QwDDSubWindow& w, HDC dc, int row, int top, int clientWidth, bool highlighted) {
  const QwListItem& item = w.items[row];
  int rh = w.rowHeight;
  if (highlighted) GVFillRect(0, top - 2, clientWidth, rh + 2, dc, QwPens.brushGrey170);
  COLORREF colour = (item.flags & kQwItemProperty) ? RGB(120, 120, 120) : RGB(20, 20, 20);
  bool centred = w.textFlags & 1;
  GVDrawTextCentred(0, top, clientWidth, rh, 6, centred ? 0 : -1, colour, item.text, dc);
  if (item.flags & kQwItemLineTop) GVDrawLine(dc, 0, top + 1, w.width, top + 1);
  if (item.flags & kQwItemLineBottom) GVDrawLine(dc, 0, top + rh - 1, w.width, top + rh - 1);
  if (item.flags & kQwItemCascade) GVDrawTextCentred(clientWidth - kMarkerWidth, top, kMarkerWidth, rh, 0, 0, colour, ">", dc);
}

// Fills the client area and draws every row; fromBottom lays the rows upwards
// from the client bottom (the rolling popup shows its last rows first).
void drawRows(const QwDDSubWindow& w, HDC dc, bool fromBottom, int highlighted) {
  RECT client;
  GetClientRect(w.popup, &client);
  FillRect(dc, &client, QwPens.brushGrey200);
  if (!w.items) return;
  HGDIOBJ oldFont = SelectObject(dc, w.font);
  HGDIOBJ oldPen = SelectObject(dc, QwPens.penGrey170);
  for (int i = w.count - 1; i >= 0; i--) {
    int top = fromBottom ? client.bottom - 2 - (w.count - i) * w.rowHeight : kRowsTop + i * w.rowHeight;
    drawRow(w, dc, i, top, client.right, i == highlighted);
  }
  SelectObject(dc, oldPen);
  SelectObject(dc, oldFont);
}

void onTimer(QwDDSubWindow& w, UINT_PTR id) {
  DWORD elapsed = GetTickCount() - w.startTick;
  if (id == kOpenTimer) {
    int h = rolled(w, elapsed, 1.0f);
    if (w.level == 0 && h < w.fullHeight) {
      if (h > w.shownHeight) {
        w.shownHeight = w.moveHeight = h;
        SetActiveWindow(w.popup);
        w.setHeight(h);
      }
    } else if (w.opening) {
      w.shownHeight = w.moveHeight = w.fullHeight;
      w.setHeight(w.fullHeight);
      SetActiveWindow(w.popup);
      KillTimer(w.popup, kOpenTimer);
      w.opening = 0;
      SendMessageA(w.popup, WM_LBUTTONDOWN, 0, 0);
    }
  } else if (id == kCloseTimer) {
    int h = w.fullHeight - rolled(w, elapsed, 2.0f);
    if (w.level == 0 && h > 0) {
      if (h < w.shownHeight) {
        w.shownHeight = w.moveHeight = h;
        w.setHeight(h);
      }
    } else if (w.closing) {
      w.shownHeight = w.moveHeight = 0;
      w.setHeight(0);
      KillTimer(w.popup, kCloseTimer);
      w.closing = 0;
    }
  } else if (id == kCascadeTimer && w.style == 1 && w.level == 0 && w.cascadeTimerRunning) {
    KillTimer(w.popup, kCascadeTimer);
    w.cascadeTimerRunning = 0;
    if (gPendingRow == gLastHighlighted) {
      w.chosenRow = gPendingRow;
      w.notifyOwner(4, gPendingX, gPendingY - 4, gPendingRow + 1);
    } else {
      w.notifyOwner(8, 0, 0, w.chosenRow + 1);
    }
  }
}

void onMouseMove(QwDDSubWindow& w, LPARAM lp) {
  int x = LOWORD(lp), y = HIWORD(lp);
  if (x > w.width || y > w.height) return;
  int row = rowAt(w, y);
  if (row >= 0 && row == w.hoverRow) return;
  SetActiveWindow(w.popup);
  HDC dc = GetDC(w.popup);
  drawRows(w, dc, false, row);
  ReleaseDC(w.popup, dc);
  if (row < 0) return;
  gLastHighlighted = row;
  w.hoverRow = row;
  if (w.style != 1 || w.level != 0) return;
  if (w.items[row].flags & kQwItemCascade) {
    RECT r;
    GetWindowRect(w.popup, &r);
    gPendingX = r.right;
    gPendingY = r.top + kRowsTop + row * w.rowHeight;
    gPendingRow = row;
    SetTimer(w.popup, kCascadeTimer, kCascadeDelayMs, nullptr);
    w.startTick = GetTickCount();
    w.cascadeTimerRunning = 1;
  } else {
    if (w.cascadeTimerRunning) KillTimer(w.popup, kCascadeTimer);
    w.cascadeTimerRunning = 0;
    w.notifyOwner(8, 0, 0, w.chosenRow + 1);
  }
}

void onButtonUp(QwDDSubWindow& w, LPARAM lp) {
  int x = static_cast<short>(LOWORD(lp)), y = static_cast<short>(HIWORD(lp));
  RECT client;
  GetClientRect(w.popup, &client);
  bool inside = x > client.left && x < client.right && y > client.top && y < client.bottom;
  int row = inside ? rowAt(w, y) : -1;
  HWND popup = w.popup;
  if (row >= 0) {
    w.chosenRow = row;
    if (!(w.items[row].flags & kQwItemCascade)) {
      RECT r;
      GetWindowRect(popup, &r);
      // The owner sees the picked row as the current one; it may also free the list.
      w.notifyOwner(0x10, r.right, r.top + kRowsTop + row * w.rowHeight, row + 1);
      if (recordOf(popup) == &w) w.chosenRow = -1;
    }
    ReleaseCapture();
    MSG m;
    while (PeekMessageA(&m, nullptr, WM_LBUTTONUP, WM_LBUTTONUP, PM_REMOVE)) {
    }
  } else {
    ReleaseCapture();
    w.hoverRow = -1;
    w.notifyOwner(0x10, 0, 0, 0);
  }
}

}  // namespace

void QwDDSubWindow::init(int px, int py, int w, QwListItem* list, int n, int listStyle, int flags,
                         float openTime, int subLevel, QwMultiList* multiList) {
  x = px;
  y = py;
  width = w;
  height = 0;
  items = list;
  count = n;
  style = listStyle;
  textFlags = flags;
  level = subLevel;
  hoverRow = -1;
  chosenRow = 0;
  shownHeight = 0;
  cascadeTimerRunning = opening = closing = buttonDown = 0;
  callback = QwMultiList::privDDCB;
  user = multiList;
  moveX = x, moveY = y, moveWidth = width, moveHeight = 0;

  owner = CreateWindowExA(0, "BaseControlClass", "", WS_DLGFRAME | 0x80, x, y, width, 0, nullptr, nullptr,
                          QwInstance, nullptr);
  ShowWindow(owner, SW_HIDE);
  popup = CreateWindowExA(WS_EX_TOPMOST, "DDSubWindowClass", "", WS_POPUP | WS_VISIBLE | WS_BORDER | 8, x, y,
                          width, 0, owner, nullptr, QwInstance, nullptr);
  if (popup) SetWindowLongA(popup, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));

  font = QWGetFont(1, QwPixelValue(popup, 12), 0);
  rowHeight = QwFontHeight(popup, font) + 4;

  timerInterval = 5;
  // A day at most: the milliseconds must fit the int they are kept in.
  rollTime = openTime > 0 ? static_cast<int>(std::min(openTime * 1000.0f, 86400000.0f)) : 0;
  fullHeight = count * rowHeight + 8;
  setRollSpeed(*this);

  UpdateWindow(popup);
  SetTimer(popup, kOpenTimer, timerInterval, nullptr);
  opening = 1;
  startTick = GetTickCount();
  ShowWindow(popup, SW_SHOW);
}

void QwDDSubWindow::reopen(int px, int py, int w, QwListItem* list, int n) {
  if (opening) KillTimer(popup, kOpenTimer);
  if (closing) KillTimer(popup, kCloseTimer);
  if (cascadeTimerRunning) KillTimer(popup, kCascadeTimer);
  opening = closing = cascadeTimerRunning = 0;
  items = list;
  count = n;
  fullHeight = count * rowHeight + 8;
  setRollSpeed(*this);
  x = px;
  y = py;
  width = w;
  height = 0;
  chosenRow = 0;
  buttonDown = 0;
  hoverRow = -1;
  startTick = 0;
  shownHeight = 0;
  moveX = x, moveY = y, moveWidth = width, moveHeight = 0;
  MoveWindow(owner, x, y, width, 0, TRUE);
  MoveWindow(popup, x, y, width, 0, TRUE);
  SetTimer(popup, kOpenTimer, timerInterval, nullptr);
  opening = 1;
  startTick = GetTickCount();
  ShowWindow(popup, SW_SHOW);
}

void QwDDSubWindow::setHeight(int h) {
  MoveWindow(owner, moveX, moveY, moveWidth, h, TRUE);
  MoveWindow(popup, moveX, moveY, moveWidth, h, TRUE);
  width = moveWidth;
  height = h;
}

void QwDDSubWindow::startClosing() {
  // A roll that is still opening gives way to the closing one.
  if (opening) KillTimer(popup, kOpenTimer);
  opening = 0;
  SetTimer(popup, kCloseTimer, timerInterval, nullptr);
  closing = 1;
  startTick = GetTickCount();
}

void QwDDSubWindow::notifyOwner(int events, int px, int py, int item, HWND activated) {
  // Copied first: a callback may free this record.
  QwDDCallback cb = callback;
  int s = style, l = level;
  void* u = user;
  if (!cb) return;
  if (events & 0x40) cb(64, s, l, 0, 0, 0, 0, activated, u);
  if (events & 4) cb(4, s, l, item, px, py, 0, nullptr, u);
  if (events & 8) cb(8, s, l, item, px, py, 0, nullptr, u);
  if (events & 0x10) cb(48, s, l, item, px, py, 0, nullptr, u);
}

QwMultiList::QwMultiList(int minWidth, int height, float cascadeTime, int listStyle, int flags,
                         QwListCallback cb, void* userData)
    : minimumWidth(minWidth),
      ownerHeight(height),
      cascadeOpenTime(cascadeTime),
      style(listStyle),
      textFlags(flags),
      callback(cb),
      userWord(userData) {}

QwMultiList::~QwMultiList() { clearAll(); }

void QwMultiList::forgetItems(const QwListItem* list) {
  for (QwDDSubWindow* w : {mainWindow, cascadeWindow})
    if (w && list && w->items == list) {
      w->items = nullptr;
      w->count = 0;
    }
}

void QwMultiList::freeLists() {
  for (int i = 0; i < listCount && table; i++) {
    forgetItems(table[i].items);
    delete[] table[i].items;
  }
  delete[] table;
  table = nullptr;
  listCount = 0;
}

void QwMultiList::setListCount(int n) {
  freeLists();
  n = std::max(n, 0);
  table = new QwListEntry[n]();
  listCount = n;
}

void QwMultiList::initialiseList(int list, int capacity) {
  if (list < 0 || list >= listCount) {
    GVMessageInt("error: QwMultiList::initialiseList(): bad index: ", list);
    return;
  }
  QwListEntry& e = table[list];
  forgetItems(e.items);
  delete[] e.items;
  e.capacity = std::max(capacity, 0);
  e.items = new QwListItem[e.capacity]();
  e.count = e.widest = e.tallest = 0;
  if (list == 0) return;
  // The cascade's parent item must already be in list 0.
  QwListEntry& main = table[0];
  if (list - 1 >= main.count) {
    GVMessageInt("error: QwMultiList::initialiseList(): bad index: ", list);
    return;
  }
  main.items[list - 1].flags |= kQwItemCascade;
}

int QwMultiList::addItem(int list, HDC dc, const char* text, unsigned flags) {
  if (!table) {
    GVMessage("error: QwMultiList::addItem(): not initialised!");
    return 0;
  }
  if (list < 0 || list >= listCount) {
    GVMessage("error: QwMultiList::addItem(): bad list ID!");
    return list;
  }
  QwListEntry& e = table[list];
  if (e.capacity <= e.count) {
    GVMessage("error: QwMultiList::addItem(): bad list length!");
    return e.count;
  }
  if (!text) return e.count;
  size_t length = std::strlen(text);
  if (length > kQwItemTextMax) {
    GVMessage("error: QwMultiList::addItem(): item string too long!");
    return e.count;
  }
  QwListItem& item = e.items[e.count++];
  std::memcpy(item.text, text, length + 1);
  item.flags = flags;
  SIZE extent = {0, 0};
  GetTextExtentPoint32A(dc, text, static_cast<int>(length), &extent);
  e.widest = std::max(e.widest, static_cast<int>(extent.cx));
  e.tallest = std::max(e.tallest, static_cast<int>(extent.cy));
  return e.count;
}

void QwMultiList::showDDWin(int list, int level, int x, int y, float openTime) {
  if (list < 0 || list >= listCount) {
    GVMessageInt("QwMultiList::showDDWin() got bad list num = ", list);
    return;
  }
  if (level != 0 && level != 1) return;
  const QwListEntry& e = table[list];
  int width = std::max(minimumWidth, e.widest + 8);
  if (level == 0 && style == 1) width += kMenuExtraWidth;
  QwDDSubWindow*& w = level == 0 ? mainWindow : cascadeWindow;
  if (w) {
    w->reopen(x, y, width, e.items, e.count);
    return;
  }
  w = new QwDDSubWindow;
  w->init(x, y, width, e.items, e.count, style, textFlags, level == 0 ? openTime : kCascadeOpenTime, level, this);
}

void QwMultiList::clearAll() {
  freeLists();
  for (QwDDSubWindow** w : {&mainWindow, &cascadeWindow}) {
    if (!*w) continue;
    if ((*w)->popup) SetWindowLongA((*w)->popup, GWL_USERDATA, 0);
    if ((*w)->owner) DestroyWindow((*w)->owner);
    delete *w;
    *w = nullptr;
  }
}

int QwMultiList::privDDCB(int code, int, int level, int item, int x, int y, int, HWND activated,
                          void* multiList) {
  auto* ml = static_cast<QwMultiList*>(multiList);
  if (!ml) return 1;
  QwDDSubWindow* main = ml->mainWindow;
  QwDDSubWindow* cascade = ml->cascadeWindow;
  if (code & 0x40) {
    bool ours = (main && activated == main->popup) || (cascade && activated == cascade->popup);
    if (!ours) code = 10;
  }
  if ((code & 4) && level == 0) ml->showDDWin(item, 1, x, y, ml->cascadeOpenTime);
  if (code & 0x10) code |= 2 | 8;
  if ((code & 2) && main) main->startClosing();
  if ((code & 8) && cascade) cascade->startClosing();
  // The owner is told last: it may free the multi-list.
  if ((code & 0x20) && ml->callback) {
    if (level == 0)
      ml->callback(item, 0, ml->userWord);
    else if (main && main->shownHeight > 0)
      ml->callback(main->chosenRow + 1, item, ml->userWord);
  }
  return 0;
}

LRESULT CALLBACK QwDDSubWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  QwDDSubWindow* w = recordOf(hwnd);
  switch (msg) {
    case WM_ERASEBKGND: return 1;
    case WM_DESTROY: return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (w) drawRows(*w, dc, true, -1);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_TIMER:
      if (w) onTimer(*w, wp);
      return 0;
    case WM_MOUSEMOVE:
      if (w) onMouseMove(*w, lp);
      return 0;
    case WM_LBUTTONDOWN:
      if (w && !w->buttonDown) {
        w->buttonDown = 1;
        if (w->style == 0) SetCapture(hwnd);
      }
      return 0;
    case WM_LBUTTONUP:
      if (w) onButtonUp(*w, lp);
      return 0;
    case WM_ACTIVATE:
      if (w && LOWORD(wp) == WA_INACTIVE) {
        POINT cursor;
        RECT r;
        GetCursorPos(&cursor);
        GetWindowRect(hwnd, &r);
        bool inside = cursor.x >= r.left && cursor.x < r.right && cursor.y >= r.top && cursor.y < r.bottom;
        if (!inside) w->notifyOwner(0x40, 0, 0, 0, reinterpret_cast<HWND>(lp));
      }
      return DefWindowProcA(hwnd, msg, wp, lp);
    default: return DefWindowProcA(hwnd, msg, wp, lp);
  }
}

ATOM QwRegisterDDSubWindowClass(HINSTANCE instance) {
  return GVRegisterToolkitClass(instance, "DDSubWindowClass", CS_HREDRAW | CS_VREDRAW, QwDDSubWindowProc,
                                QwPens.brushToolTip, 0);
}
