#include "appwins/file_list.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "appwins/material_scan.h"
#include "platform/win32.h"
#include "scene/work_folders.h"
#include "toolkit/comments.h"
#include "toolkit/fonts_pens.h"
#include "toolkit/messages.h"
#include "toolkit/window_classes.h"

namespace {

const char kListClass[] = "ListWindowClass";
constexpr int kTitleHeight = kDialogTitleHeight;

struct ModeInfo {
  int mode;
  const char* folder;  // under the root, or null
  const char* pattern;
};
const ModeInfo kModes[] = {
    {0x80, nullptr, "*.gvg"},
    {0x100, nullptr, "*.gvh"},
    {0x200, "GVSceneFiles", "*.gvs"},
    {0x800, "GVSceneFiles", "*.gvs"},
    {0x400, "GVSceneFiles/ScenesMGVB", "*.gvb"},
    {0x1000, "Tutorials", "*.gvs"},
    {0x2000, "media/materials/textures", "*.*"},
    {0x4000, "media/materials/scripts", "*.material"},
    {0x8000, "media/materials/scripts", ""},
};
// The import option bits (20 to 27) ride along with the import mode 0x800:
// the list is the same, the option goes back to the owner with the choice.
constexpr int kImportOptionBits = 0x0FF00000;

const ModeInfo* modeInfo(int mode) {
  for (const ModeInfo& m : kModes)
    if (m.mode == (mode & ~kImportOptionBits)) return &m;
  return nullptr;
}

HFONT listFont() { return QwFontTable[2] ? QwFontTable[2] : static_cast<HFONT>(GetStockObject(SYSTEM_FONT)); }

int textWidth(HDC dc, const char* text) {
  SIZE s = {0, 0};
  GetTextExtentPoint32A(dc, text, static_cast<int>(strlen(text)), &s);
  return s.cx;
}

bool listed(const WIN32_FIND_DATAA& d) {
  return !(d.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN));
}

const char* dirTextCB(int, char* text, void* dlg) {
  auto* d = static_cast<HwListDlg*>(dlg);
  if (d && d->owner) d->owner(0, d->mode | 1, text, d->ownerUser);
  return text;
}

int ceilDiv(int a, int b) { return b > 0 ? (a + b - 1) / b : a; }

}  // namespace

ATOM HwListDlg::registerClass(HINSTANCE instance) {
  return GVRegisterToolkitClass(instance, kListClass, CS_HREDRAW | CS_VREDRAW, HwListWindowProc,
                                static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)), 0);
}

HwListDlg::HwListDlg(int x, int height, int listMode, HwListCB ownerCB, void* userValue)
    : HwDialogWindow(GetModuleHandleA(nullptr), "Files List", x, 110, 600, height, 5, kDialogEscapeCloses, nullptr,
                     nullptr, nullptr),
      formHeight(height), owner(ownerCB), ownerUser(userValue) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  dirLabel = new (std::nothrow) HwLabel(client, "Dir:", instance, 5, 5, 33, 22, 12, 0, -1, 0);
  dirField = new (std::nothrow) HwEditControl(2, 1, client, instance, 40, 5, 300, 22, 0, 0, "", nullptr, nullptr,
                                              dirTextCB, this);
  listWindow = CreateWindowExA(0, kListClass, "", WS_CHILD | WS_VISIBLE, 5, 35, 580, 100, client, nullptr, instance,
                               nullptr);
  if (listWindow) SetWindowLongA(listWindow, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
  resize(innerWidth, innerHeight);
  listFiles(listMode);
}

HwListDlg* HwListDlg::createMaterialList(int x, HwListCB ownerCB, void* userValue) {
  return new (std::nothrow) HwListDlg(x, 530, 0x8000, ownerCB, userValue);
}

HwListDlg::~HwListDlg() {
  if (listWindow) GVDetachObject(listWindow, this);
  delete dirLabel;
  delete dirField;
  delete[] items_;
}

void HwListDlg::resize(int w, int h) {
  formWidth = w, formHeight = h;
  if (listWindow) MoveWindow(listWindow, 5, 35, std::max(1, w - 10), std::max(1, h - 40), TRUE);
}

int HwListDlg::initialiseList(int n) {
  if (n > kListMaxItems || n < 0) {
    GVMessage("HwListDlg::addItem: numitems too big !");
    return 0;
  }
  char* fresh = new (std::nothrow) char[static_cast<size_t>(std::max(n, 1)) * (kListItemChars + 1)];
  if (!fresh) return 0;
  delete[] items_;
  items_ = fresh;
  capacity = n;
  count = 0;
  hover = -1;
  return 1;
}

void HwListDlg::clearList() {
  count = 0;
  hover = -1;
  if (listWindow) InvalidateRect(listWindow, nullptr, TRUE);
}

int HwListDlg::addItem(const char* text) {
  if (!text) return -1;
  if (strlen(text) > static_cast<size_t>(kListItemChars)) {
    GVMessage("HwListDlg::addItem: items string too long!");
    return count;
  }
  if (count >= capacity) return count;  // never past the room initialiseList made
  strcpy(items_ + count * (kListItemChars + 1), text);
  return ++count;
}

const char* HwListDlg::folderText() const { return folder_.c_str(); }

void HwListDlg::restoreFolder() {
  SetCurrentDirectoryA(GVCurrentFolder());
  if (dirField) dirField->setText(GVCurrentFolder());
  if (dirField) InvalidateRect(dirField->window, nullptr, TRUE);
}

void HwListDlg::listFiles(int newMode) {
  mode = newMode;
  showExtensions = 1;
  if (owner) owner(mode | 2, 0, "", ownerUser);
  const ModeInfo* info = modeInfo(mode);
  pattern = info ? info->pattern : "";
  folder_ = info && info->folder ? std::string(GVRootDir()) + "/" + info->folder : std::string();
  if (mode == 0x8000) {
    clearList();
    if (scriptFile[0]) listMaterials();
    restoreFolder();
    return;
  }
  WIN32_FIND_DATAA d;
  int n = 0;
  HANDLE h = FindFirstFileA(pattern, &d);
  if (h != INVALID_HANDLE_VALUE) {
    do n += listed(d) ? 1 : 0;
    while (FindNextFileA(h, &d));
    FindClose(h);
  }
  if (n && initialiseList(n)) {
    h = FindFirstFileA(pattern, &d);
    if (h != INVALID_HANDLE_VALUE) {
      do
        if (listed(d)) addItem(d.cFileName);
      while (FindNextFileA(h, &d));
      FindClose(h);
    }
    if (count) sizeAndShow();
  } else {
    clearList();  // nothing of this kind: none of the previous kind's names stay
  }
  restoreFolder();
}

void HwListDlg::listFolder(const char* name) {
  snprintf(scriptFile, sizeof scriptFile, "%s", name ? name : "");
  if (name && strlen(name) >= sizeof scriptFile) scriptFile[0] = 0;  // too long to name a file
  listFiles(0x8000);
}

void HwListDlg::listMaterials() {
  const size_t len = strlen(scriptFile);
  char base[kMaterialNameMax];
  if (len < 8 || strcmp(scriptFile + len - 8, "material") != 0 || !GVMaterialBaseName(scriptFile, base)) return;
  const std::string path = std::string(GVScriptsDir()) + "/" + scriptFile;
  char* text = GVReadWholeFile(path.c_str(), nullptr);
  if (!text) return;
  char* stripped = new char[strlen(text) + 1];
  GVStripComments(text, stripped);
  delete[] text;
  const int n = GVWalkMaterialScript(stripped, base, nullptr, nullptr);
  if (n && initialiseList(n)) {
    GVWalkMaterialScript(stripped, base, [](const char* name, void* dlg) {
      static_cast<HwListDlg*>(dlg)->addItem(name);
    }, this);
    if (count) sizeAndShow();
  }
  delete[] stripped;
}

void HwListDlg::sizeAndShow() {
  RECT screen = {0, 0, 0, 0};
  GetWindowRect(GetDesktopWindow(), &screen);
  const int sw = screen.right - screen.left, sh = screen.bottom - screen.top;
  HDC dc = GetDC(listWindow);
  HGDIOBJ old = SelectObject(dc, listFont());
  int widest = 0;
  for (int i = 0; i < count; ++i) widest = std::max(widest, textWidth(dc, item(i)));
  const int folderWidth = textWidth(dc, folder_.c_str());
  SelectObject(dc, old);
  ReleaseDC(listWindow, dc);
  cellWidth = widest + 10;
  if (!cellHeight) cellHeight = QwFontHeight(listWindow, listFont()) + 4;
  // At least one row and one column fit, however small the screen.
  const int rowsFit = std::max(1, (sh - kTitleHeight - 93) / std::max(1, cellHeight));
  const int colsFit = std::max(1, (sw - (2 * border + 10)) / std::max(1, cellWidth));
  columns = std::max({1, ceilDiv(count, rowsFit), ceilDiv(folderWidth, cellWidth)});
  if (columns > colsFit) {
    if (!remeasured) {
      cellHeight = QwFontHeight(listWindow, listFont()) + 4;
      remeasured = 1;
      return;
    }
    GVMessageIntPair(columns, colsFit);
    columns = colsFit;
  }
  rows = std::max(1, ceilDiv(count, columns));
  int w = cellWidth * columns + 50, h = rows * cellHeight + 108 + kTitleHeight;
  int x = sw - (650 + w) < 21 ? sw - w - 20 : 650;
  int y = (sh - h) / 2;
  w = std::min(w, sw - 2), h = std::min(h, sh - 2);
  x = std::max(x, 2), y = std::max(y, 2);
  SetWindowPos(popup, HWND_TOP, x, y, w, h, SWP_SHOWWINDOW);
  if (dirField) dirField->move(40, 5, folderWidth + 50, 22);
  show();
  InvalidateRect(listWindow, nullptr, TRUE);
}

int HwListDlg::cellAt(int x, int y) const {
  if (x < 0 || y < 0 || cellWidth <= 0 || cellHeight <= 0) return -1;
  const int col = x / cellWidth, row = y / cellHeight;
  if (col >= columns || row >= rows) return -1;
  const int i = col * rows + row;
  return i < count ? i : -1;
}

LRESULT CALLBACK HwListWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* d = reinterpret_cast<HwListDlg*>(GetWindowLongA(hwnd, GWL_USERDATA));
  if (!d) return DefWindowProcA(hwnd, msg, wp, lp);
  const int mx = static_cast<short>(LOWORD(lp)), my = static_cast<short>(HIWORD(lp));
  // A closed list chooses nothing: the hold a hovered cell kept is let go.
  if ((msg == WM_MOUSEMOVE || msg == WM_LBUTTONUP) && !IsWindowVisible(hwnd)) {
    if (GetCapture() == hwnd) ReleaseCapture();
    return 0;
  }
  switch (msg) {
    case WM_MOUSEMOVE: {
      // Held while the pointer is over a cell, let go when it leaves them, so
      // that the next click elsewhere reaches its own window.
      const int cell = d->cellAt(mx, my);
      if (cell >= 0)
        SetCapture(hwnd);
      else if (GetCapture() == hwnd)
        ReleaseCapture();
      if (cell != d->hover) {
        d->hover = cell;
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      return 0;
    }
    case WM_LBUTTONUP: {
      const int cell = d->cellAt(mx, my);
      ReleaseCapture();
      if (cell >= 0) {
        if (d->owner) d->owner(d->mode | 0x20, cell + 1, d->item(cell), d->ownerUser);
        d->hide();
      } else {
        if (d->owner) d->owner(0, 0, "", d->ownerUser);
        d->hover = -1;
      }
      return 0;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT all;
      GetClientRect(hwnd, &all);
      FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
      HGDIOBJ old = SelectObject(dc, listFont());
      SetBkMode(dc, TRANSPARENT);
      for (int i = 0; i < d->count; ++i) {
        const int x = (i / d->rows) * d->cellWidth, y = (i % d->rows) * d->cellHeight;
        if (i == d->hover) {
          RECT r = {x, y, x + d->cellWidth, y + d->cellHeight};
          FillRect(dc, &r, QwPens.brushLavender);
        }
        TextOutA(dc, x + 5, y + 2, d->item(i), static_cast<int>(strlen(d->item(i))));
      }
      SelectObject(dc, old);
      EndPaint(hwnd, &ps);
      return 0;
    }
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}
