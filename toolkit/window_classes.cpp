// Toolkit start-up and shut-down and the registration of every window class.
#include "toolkit/window_classes.h"

#include <cstring>

#include "platform/gdi32.h"
#include "platform/kernel32.h"
#include "toolkit/buttons.h"
#include "toolkit/choosers.h"
#include "toolkit/dialog_window.h"
#include "toolkit/drawing.h"
#include "toolkit/edit_control.h"
#include "toolkit/fonts_pens.h"
#include "toolkit/frames.h"
#include "toolkit/label.h"
#include "toolkit/messages.h"
#include "toolkit/multi_list.h"
#include "toolkit/scroll_bar.h"
#include "toolkit/slider_group.h"
#include "toolkit/text_window.h"
#include "toolkit/time_bar.h"
#include "toolkit/title_bar.h"
#include "toolkit/tool_tip.h"

namespace {

struct ClassSlot {
  const char* name;
  UINT style;
  HBRUSH QwPenBrushSet::*background;  // null: the class has a brush of its own colour
  COLORREF ownColour;
  int icon;
  WNDPROC proc;
  GVClassRegistrar registrar;
};

constexpr UINT kRedraw = CS_HREDRAW | CS_VREDRAW;
constexpr UINT kRedrawDbl = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;

// In registration order.
ClassSlot gClasses[] = {
    {"BaseControlClass", kRedrawDbl, &QwPenBrushSet::brushBackground, 0, 0, GVBaseControlProc, nullptr},
    {"FrameClass", kRedrawDbl, &QwPenBrushSet::brushBackground, 0, 0, HwFrameProc, nullptr},
    {"FrameWindowClass", kRedrawDbl, &QwPenBrushSet::brushBackground, 0, 0, HwFrameWindowProc, nullptr},
    {"BMButtonClass", kRedraw, &QwPenBrushSet::brushBackground, 0, 0, HwBMButtonProc, nullptr},
    {"ToolTipWindowClass", kRedraw, &QwPenBrushSet::brushToolTip, 0, 0, nullptr, QwRegisterToolTipClass},
    {"TitleBarClass", kRedrawDbl, nullptr, RGB(0, 0, 200), 0, HwTitleBarProc, nullptr},
    {"MainAppWindowClass", kRedrawDbl, &QwPenBrushSet::brushBackground, 0, 109, nullptr, nullptr},
    {"DialogWindowClass", kRedrawDbl, &QwPenBrushSet::brushBackground, 0, 109, HwDialogWindowProc, nullptr},
    {"EditControlClass", kRedrawDbl, &QwPenBrushSet::brushBackground, 0, 0, HwEditControlProc, nullptr},
    {"EditButControlClass", kRedraw, &QwPenBrushSet::brushBackground, 0, 0, HwEditButControlProc, nullptr},
    {"LabelClass", kRedrawDbl, &QwPenBrushSet::brushBackground, 0, 0, HwLabelProc, nullptr},
    {"SliderGrpClass", kRedrawDbl, &QwPenBrushSet::brushBackground, 0, 0, HwSliderGroupProc, nullptr},
    {"DropDownControlClass", kRedraw, &QwPenBrushSet::brushBackground, 0, 0, HwDropDownCntrlProc, nullptr},
    {"DDSubWindowClass", kRedraw, &QwPenBrushSet::brushToolTip, 0, 0, nullptr, QwRegisterDDSubWindowClass},
    {"ScrollBarClass", kRedrawDbl, nullptr, RGB(220, 100, 100), 0, HwScrollBarProc, nullptr},
    {"ListWindowClass", kRedrawDbl, &QwPenBrushSet::brushGrey200, 0, 0, nullptr, nullptr},
    {"TextWinClass", kRedraw, &QwPenBrushSet::brushGrey220, 0, 0, HwTextWinProc, nullptr},
    {"TextScrollClassOLD", kRedrawDbl, &QwPenBrushSet::brushGrey80, 0, 0, HwTextScrollOldProc, nullptr},
    {"SelectorToolClass", kRedraw, &QwPenBrushSet::brushBackground, 0, 0, HwSelectorToolProc, nullptr},
    {"SeparatorClass", kRedrawDbl, &QwPenBrushSet::brushBackground, 0, 0, HwSeparatorProc, nullptr},
    // The time bar's, after the twenty of the controls.
    {"TimeBarClass", kRedraw, &QwPenBrushSet::brushBackground, 0, 0, HwTimeBarProc, nullptr},
    // The swept-shape dialog's canvas; the application registers it.
    {"CreateGeoVRClass", kRedrawDbl, &QwPenBrushSet::brushGrey80, 0, 0, nullptr, nullptr},
    // The logic control window's header, catalogue and line windows; the application registers it.
    {"LogicCntrlClass", kRedrawDbl, &QwPenBrushSet::brushGrey80, 0, 0, nullptr, nullptr},
    // The vehicle controls' speed read-out; the application registers it.
    {"VehicleClass", kRedrawDbl, &QwPenBrushSet::brushBackground, 0, 0, nullptr, nullptr},
};

// The brushes made for the title bar and scroll bar classes; deleted at shut-down
// with the shared set, so the start-up leaves nothing behind.
HBRUSH gOwnBrushes[sizeof gClasses / sizeof gClasses[0]] = {};

GVToolkitWindowHooks gHooks = {};

ClassSlot* findSlot(const char* name) {
  for (ClassSlot& c : gClasses)
    if (name && std::strcmp(c.name, name) == 0) return &c;
  return nullptr;
}

}  // namespace

bool GVSetWindowClassProc(const char* className, WNDPROC proc) {
  ClassSlot* c = findSlot(className);
  if (c) c->proc = proc;
  return c != nullptr;
}

bool GVSetWindowClassRegistrar(const char* className, GVClassRegistrar registrar) {
  ClassSlot* c = findSlot(className);
  if (c) c->registrar = registrar;
  return c != nullptr;
}

void GVSetToolkitWindowHooks(const GVToolkitWindowHooks& hooks) { gHooks = hooks; }

ATOM GVRegisterToolkitClass(HINSTANCE instance, const char* className, UINT style, WNDPROC proc,
                            HBRUSH background, int iconId) {
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.style = style;
  wc.lpfnWndProc = proc ? proc : DefWindowProcA;
  wc.hInstance = instance;
  wc.hIcon = iconId ? LoadIconA(instance, MAKEINTRESOURCEA(iconId)) : nullptr;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = background;
  wc.lpszClassName = className;
  ATOM atom = RegisterClassExA(&wc);
  if (!atom) {
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, GetLastError(), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                   reinterpret_cast<LPSTR>(&text), 0, nullptr);
    MessageBoxA(nullptr, text ? text : "", "Error", MB_ICONINFORMATION);
    LocalFree(text);
  }
  return atom;
}

void GVRegisterWindowClasses(HINSTANCE instance) {
  QwNextControlId = 3000;
  QwMaxControlId = 4000;
  QwCreatePenBrushSet();
  QwCreateFont();
  int i = 0;
  for (ClassSlot& c : gClasses) {
    HBRUSH background;
    if (c.background) {
      background = QwPens.*c.background;
    } else {
      if (!gOwnBrushes[i]) gOwnBrushes[i] = CreateSolidBrush(c.ownColour);
      background = gOwnBrushes[i];
    }
    i++;
    // A class that fails is reported and left out; windows of it fail later.
    if (c.registrar)
      c.registrar(instance);
    else
      GVRegisterToolkitClass(instance, c.name, c.style, c.proc, background, c.icon);
  }
  QwInstance = instance;
  if (gHooks.startHelpWindow) gHooks.startHelpWindow(instance);
}

void GVFreeWindowResources() {
  HwFreeButtonHoverState();
  QwDeleteFont();
  QwDeletePenBrushSet();
  for (HBRUSH& b : gOwnBrushes) {
    if (b) DeleteObject(b);
    b = nullptr;
  }
  if (gHooks.freeHelpWindow) gHooks.freeHelpWindow();
  if (gHooks.freeNotesWindow) gHooks.freeNotesWindow();
  GVFreeMessageBox();
}

void GVDetachObject(HWND window, const void* object) {
  if (IsWindow(window) && GetWindowLongA(window, GWL_USERDATA) == reinterpret_cast<LONG_PTR>(object))
    SetWindowLongA(window, GWL_USERDATA, 0);
}

LRESULT CALLBACK GVBaseControlProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
    case WM_DESTROY: return 0;
    case WM_PAINT: GVPaintBackground(hwnd); return 0;
    case WM_ERASEBKGND: return 1;
    default: return DefWindowProcA(hwnd, msg, wp, lp);
  }
}

void GVPaintBackground(HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT r;
  GetClientRect(hwnd, &r);
  FillRect(dc, &r, QwPens.brushBackground);
  EndPaint(hwnd, &ps);
}
