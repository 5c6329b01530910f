// The multi-list: numbered lists of short text items shown in rolling drop-down
// sub-windows. List 0 is the main list; list k + 1 is the cascade list of item k
// of list 0.
#pragma once

#include <cstdint>

#include "platform/user32.h"

// Item flag bits.
constexpr unsigned kQwItemLineTop = 1;     // line one pixel below the row's top
constexpr unsigned kQwItemLineBottom = 2;  // line one pixel above the row's bottom
constexpr unsigned kQwItemCascade = 4;     // has a cascade list; ">" and no pick
constexpr unsigned kQwItemProperty = 8;    // drawn mid grey

constexpr int kQwItemTextMax = 99;

struct QwListItem {
  char text[kQwItemTextMax + 1];
  uint32_t flags;
};

struct QwListEntry {
  QwListItem* items;
  int capacity;
  int count;
  int widest;
  int tallest;
};

// The owner's callback: (first, second, user word). A pick in the main list gives
// (item from 1, 0), a dismissal (0, 0); in a cascade (main row from 1, item from 1).
typedef int (*QwListCallback)(int first, int second, void* user);
// A sub-window's callback: (code, style, level, item, x, y, spare, activated window, user).
typedef int (*QwDDCallback)(int code, int style, int level, int item, int x, int y, int spare, HWND activated,
                            void* user);

class QwMultiList;

class QwDDSubWindow {
 public:
  void init(int x, int y, int width, QwListItem* items, int count, int style, int textFlags, float openTime,
            int level, QwMultiList* multiList);
  void reopen(int x, int y, int width, QwListItem* items, int count);
  void setHeight(int height);
  // Calls the callback once per event bit: 0x40 (activation lost to `activated`),
  // 4 (open a cascade), 8 (shut the cascade), 0x10 (pick or dismissal).
  void notifyOwner(int events, int x, int y, int item, HWND activated = nullptr);
  // Starts rolling shut.
  void startClosing();

  HWND owner = nullptr;
  HWND popup = nullptr;
  int x = 0, y = 0, width = 0, height = 0;
  int rowHeight = 0;
  QwListItem* items = nullptr;
  int count = 0;
  int chosenRow = 0;
  int hoverRow = -1;
  int moveX = 0, moveY = 0, moveWidth = 0, moveHeight = 0;
  int cascadeTimerRunning = 0;
  int opening = 0;
  int closing = 0;
  DWORD startTick = 0;
  int rollTime = 0;
  int timerInterval = 5;
  float rollSpeed = 0;
  int shownHeight = 0;
  int fullHeight = 0;
  int level = 0;
  int style = 0;
  int textFlags = 0;
  HFONT font = nullptr;
  int buttonDown = 0;
  QwDDCallback callback = nullptr;
  void* user = nullptr;
};

class QwMultiList {
 public:
  // style 0: drop-down list (the popup captures the mouse); 1: menu (30 px wider,
  // cascades open on hover). textFlags bit 0 centres the item texts.
  QwMultiList(int minimumWidth, int ownerHeight, float cascadeOpenTime, int style, int textFlags,
              QwListCallback callback, void* userWord);
  ~QwMultiList();
  QwMultiList(const QwMultiList&) = delete;
  QwMultiList& operator=(const QwMultiList&) = delete;

  void setListCount(int count);
  void initialiseList(int list, int capacity);
  // Returns the list's item count (see the refusals in the code).
  int addItem(int list, HDC dc, const char* text, unsigned flags);
  void showDDWin(int list, int level, int x, int y, float openTime);
  void clearAll();
  static int privDDCB(int code, int style, int level, int item, int x, int y, int spare, HWND activated,
                      void* multiList);

  int listCount = 0;
  QwListEntry* table = nullptr;
  QwDDSubWindow* mainWindow = nullptr;
  QwDDSubWindow* cascadeWindow = nullptr;
  int minimumWidth;
  int ownerHeight;
  float cascadeOpenTime;
  int style;
  int textFlags;
  QwListCallback callback;
  void* userWord;

 private:
  void freeLists();
  // A sub-window showing items about to be freed shows nothing instead.
  void forgetItems(const QwListItem* items);
};

LRESULT CALLBACK QwDDSubWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
ATOM QwRegisterDDSubWindowClass(HINSTANCE instance);
