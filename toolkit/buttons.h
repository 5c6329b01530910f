// HwBMButton, the toolkit's push button (bitmap, image or text face, an owner-chosen
// state word, hover light and tool-tip), and HwMenuButton, a button that drops a
// multi-list down under itself.
#pragma once

#include "platform/user32.h"
#include "toolkit/life_watch.h"
#include "toolkit/multi_list.h"

// Gets the state before the click and returns the state the button shows next.
typedef int (*HwButtonCB)(int state, void* user);

constexpr int kHwLabelMax = 98;
constexpr int kHwArrowUp = 1;
constexpr int kHwArrowDown = 2;
constexpr int kHwToolTipMax = 198;

class HwBMButton {
 public:
  HwBMButton() = default;
  // Detaches the object from its windows (they go with their parent) and drops the
  // hover request and the tool-tip when they are this button's.
  ~HwBMButton();
  HwBMButton(const HwBMButton&) = delete;
  HwBMButton& operator=(const HwBMButton&) = delete;

  // bitmapStyle 1..3 replaces the up/down bitmaps by 195/196, 141/142, 167/168.
  // labelSize 0 (no font), 10, 12 or 16. kind 0..5 (see the paint code).
  void create(HWND parent, HINSTANCE instance, const char* label, int bitmapStyle, int up, int down, int image,
              int mask, int labelSize, int x, int y, int width, int height, int kind, const char* toolTip,
              int labelX, int labelY, HwButtonCB callback, void* user);
  void createTextButton(HWND parent, HINSTANCE instance, int up, int down, const char* label, int labelSize, int x,
                        int y, int width, int height, int kind, HwButtonCB callback, void* user);
  void createBitmapButton(HWND parent, HINSTANCE instance, int up, int down, int x, int y, int width, int height,
                          HwButtonCB callback, void* user);
  void createImageButton(HWND parent, HINSTANCE instance, int bitmapStyle, int image, int mask, int x, int y,
                         int width, int height, int kind, const char* toolTip, int labelX, int labelY,
                         HwButtonCB callback, void* user);
  // Face position and size; the outer window is one border larger on each side.
  void move(int x, int y, int width, int height);
  void moveTo(int x, int y);
  void setState(int state);
  // Texts longer than the label are cut.
  void setLabel(const char* text);

  HWND face = nullptr;
  HWND outer = nullptr;
  int controlId = -1;
  int state = 0;
  int x = 0, y = 0, width = 0, height = 0;
  int border = 0;
  int bitmapStyle = 0;
  int upBitmap = 0, downBitmap = 0;
  int imageId = 0, maskId = 0;
  int labelX = 0, labelY = 0;
  int pressedImageOffset = 0;
  HFONT font = nullptr;
  char label[kHwLabelMax + 1] = {};
  int labelSize = 0;
  bool hasToolTip = false;
  int kind = 0;
  char toolTip[kHwToolTipMax + 2] = {};
  bool pressed = false;
  void* user = nullptr;
  HwButtonCB callback = nullptr;
  // A light triangle drawn over the face: kHwArrowUp or kHwArrowDown (step and
  // list buttons share one face bitmap, so the arrow tells them apart).
  int arrow = 0;
  HwLifeToken life;
};

class HwMenuButton : public HwBMButton {
 public:
  ~HwMenuButton();
  // A kind-1 button 24 high at (x, 1) whose click opens list 0 of its multi-list;
  // openTime is the list's roll time in seconds, listWidth its least width, and
  // owner / ownerUser receive the picks.
  void create(HWND parent, HINSTANCE instance, const char* label, int up, int down, int x, int width,
              float openTime, int listWidth, QwListCallback owner, void* ownerUser);
  void setGeometry(float openTime, int listWidth, QwListCallback owner, void* ownerUser);
  // A new, empty multi-list of `count` lists in place of the old one.
  void createMultiList(int count);
  static int privMenButCB(int state, void* menuButton);
  // The item picked last carries the property mark (flag 8).
  bool hasProp();

  QwMultiList* multiList = nullptr;
  int buttonWidth = 0, buttonHeight = 0;
  float rowValue = 0;
  int listWidth = 0;
  QwListCallback listOwner = nullptr;
  void* listUser = nullptr;
};

LRESULT CALLBACK HwBMButtonProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
// Frees the tool-tip still shown and forgets the hover state (toolkit shut-down).
void HwFreeButtonHoverState();
