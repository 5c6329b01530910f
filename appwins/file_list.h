// HwListDlg: the "Files List" chooser. Lists the files of one kind in one
// folder (or the materials of one script) as a grid of text cells sized to fit
// and reports the clicked cell to its owner.
#pragma once

#include <string>

#include "platform/user32.h"
#include "toolkit/dialog_window.h"
#include "toolkit/edit_control.h"
#include "toolkit/label.h"

constexpr int kListMaxItems = 1000;
constexpr int kListItemChars = 200;

// (code, item number, item text, user): (mode | 2, 0, "") before a listing,
// (mode | 0x20, n, name) on a click in cell n, (0, 0, "") on a release outside
// every cell, (0, mode | 1, text) on Enter in the "Dir:" field.
typedef void (*HwListCB)(int code, int item, const char* text, void* user);

class HwListDlg : public HwDialogWindow {
 public:
  HwListDlg(int x, int height, int mode, HwListCB owner, void* user);
  ~HwListDlg() override;

  static ATOM registerClass(HINSTANCE instance);
  static HwListDlg* createMaterialList(int x, HwListCB owner, void* user);

  void resize(int width, int height) override;
  void listFiles(int mode);
  void listFolder(const char* scriptFile);
  // 0 when refused (more than kListMaxItems).
  int initialiseList(int n);
  // No items (the room stays).
  void clearList();
  // The new count; -1 for a null text; refused texts leave it unchanged.
  int addItem(const char* text);
  const char* item(int i) const { return items_ + i * (kListItemChars + 1); }
  // The cell (from 0) at a point of the list window, or -1.
  int cellAt(int x, int y) const;

  HwLabel* dirLabel = nullptr;
  HwEditControl* dirField = nullptr;
  HWND listWindow = nullptr;
  int formWidth = 600, formHeight = 0;
  int capacity = 0, count = 0;
  int cellWidth = 0, cellHeight = 0;
  int columns = 1, rows = 1;
  int hover = -1;
  int mode = 0;
  char scriptFile[256] = {};
  const char* pattern = "";
  int showExtensions = 1;
  HwListCB owner = nullptr;
  void* ownerUser = nullptr;
  int remeasured = 0;

 private:
  friend LRESULT CALLBACK HwListWindowProc(HWND, UINT, WPARAM, LPARAM);
  void listMaterials();
  void sizeAndShow();
  void restoreFolder();
  const char* folderText() const;
  char* items_ = nullptr;
  std::string folder_;
};

LRESULT CALLBACK HwListWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
