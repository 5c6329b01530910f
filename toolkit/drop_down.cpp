// The drop-down control: its windows, the list it rolls open, selection and the
// value box's painting.
#include "toolkit/choosers.h"

#include "platform/gdi32.h"
#include "toolkit/drawing.h"
#include "toolkit/fonts_pens.h"
#include "toolkit/messages.h"
#include "toolkit/window_classes.h"

namespace {

constexpr DWORD kValueBoxStyle = kGVChildStyle | WS_BORDER;
constexpr UINT kRedrawNow = RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW;

// The text of the selected item, or null when there is none to show.
const char* selectedText(const HwDropDownCntrl& d) {
  const QwMultiList* ml = d.multiList;
  if (!ml || ml->listCount < 1 || !ml->table || !ml->table[0].items) return nullptr;
  if (d.selected < 1 || d.selected > ml->table[0].count) return nullptr;
  return ml->table[0].items[d.selected - 1].text;
}

void paint(const HwDropDownCntrl* d, HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT r;
  GetClientRect(hwnd, &r);
  if (d && hwnd == d->valueBox) {
    FillRect(dc, &r, QwPens.brushGrey200);
    if (const char* text = selectedText(*d)) GVDrawTextCentred(0, 0, r.right, r.bottom, 0, 0, RGB(20, 20, 20), text, dc);
  } else {
    FillRect(dc, &r, QwPens.brushBackground);
  }
  EndPaint(hwnd, &ps);
}

}  // namespace

HwDropDownCntrl::HwDropDownCntrl(HINSTANCE instance, const char* labelText, HWND parent, int x, int y, int w,
                                 int h, int labelW, float open, HwDropDownCB cb, void* userWord)
    : width(w), height(h), labelWidth(labelW), openTime(open), selectCB(cb), user(userWord) {
  window = CreateWindowExA(0, "DropDownControlClass", "", kGVChildStyle, x, y, width, height, parent, nullptr,
                           instance, nullptr);
  SetWindowLongA(window, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
  int pixels = QwPixelValue(parent, 12);
  font = QWGetFont(1, pixels, 0);
  label = new HwLabel(window, labelText, instance, 2, 2, labelWidth, height - 4, 0, pixels, 1, 4);
  int side = height - 4;
  valueBoxWidth = width - labelWidth - 3 - side;
  valueBoxHeight = side;
  valueBox = CreateWindowExA(0, "DropDownControlClass", "", kValueBoxStyle, labelWidth + 3, 2, valueBoxWidth,
                             valueBoxHeight, window, nullptr, instance, nullptr);
  SetWindowLongA(valueBox, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
  listButton = new HwBMButton();
  listButton->create(window, instance, "", 1, 0, 0, 0, 0, 0, width - height + 5, 2, side, side, 0, "", 0, 0, privCB,
                     this);
  listButton->arrow = kHwArrowDown;
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
}

HwDropDownCntrl::~HwDropDownCntrl() {
  GVDetachObject(window, this);
  GVDetachObject(valueBox, this);
  delete label;
  delete listButton;
  if (multiList) multiList->clearAll();
  delete multiList;
}

void HwDropDownCntrl::rebuildList() {
  if (multiList) multiList->clearAll();
  delete multiList;
  multiList = new QwMultiList(valueBoxWidth, valueBoxHeight, openTime, 0, textFlags, privSelectCB, this);
  multiList->setListCount(1);
}

void HwDropDownCntrl::fillList(const char* const* items, int count) {
  rebuildList();
  if (!multiList) return;
  HDC dc = GetDC(valueBox);
  multiList->initialiseList(0, count);
  for (int i = 0; i < count; ++i) multiList->addItem(0, dc, items[i], 0);
  ReleaseDC(valueBox, dc);
}

void HwDropDownCntrl::selectItem(int item) {
  if (!multiList) {
    GVMessage("error: HwDropDownCntrl::selectItem() not initialised!");
    return;
  }
  int count = multiList->listCount > 0 && multiList->table ? multiList->table[0].count : 0;
  if (item < 1 || item > count) {
    GVMessage("error: HwDropDownCntrl::selectItem() bad selection!");
    return;
  }
  selected = item;
  RedrawWindow(valueBox, nullptr, nullptr, kRedrawNow);
}

int HwDropDownCntrl::privCB(int value, void* control) {
  auto* d = static_cast<HwDropDownCntrl*>(control);
  if (!d || !d->valueBox) return value;
  if (!d->multiList) {
    GVMessage("HwMenuButton::privCB: got no mMultiList!!!");
    return value;
  }
  WINDOWINFO info = {};
  info.cbSize = sizeof info;
  GetWindowInfo(d->valueBox, &info);
  d->multiList->showDDWin(0, 0, info.rcWindow.left, info.rcWindow.bottom, d->openTime);
  return value;
}

int HwDropDownCntrl::privSelectCB(int item, int, void* control) {
  auto* d = static_cast<HwDropDownCntrl*>(control);
  if (item > 0 && d->selectCB && d->user) {
    HwLifeWatch watch(d->life);
    item = d->selectCB(item, d->user);
    if (watch.gone()) return item;  // the owner freed the control
  }
  // A dismissal, or an owner that refused the pick, keeps the selection.
  if (item == 0) item = d->selected ? d->selected : 1;
  d->selectItem(item);
  return item;
}

LRESULT CALLBACK HwDropDownCntrlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
    case WM_DESTROY:
    case WM_SIZE: return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT:
      paint(reinterpret_cast<const HwDropDownCntrl*>(GetWindowLongA(hwnd, GWL_USERDATA)), hwnd);
      return 0;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}
