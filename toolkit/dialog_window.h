// HwDialogWindow: the top-most popup every dialog is made of (bitmap border,
// optional title bar, a client window holding a form), with lock, maximise and
// the thick frame that appears while the pointer is over the border.
// HwDialogTemp adds a framed content area and a "Dismiss" button.
#pragma once

#include "platform/user32.h"
#include "toolkit/buttons.h"
#include "toolkit/form.h"
#include "toolkit/frames.h"
#include "toolkit/life_watch.h"
#include "toolkit/title_bar.h"

// code 1 closed, 3 maximised (value 0) or restored (value 1), 4 dismissed; the
// third argument is always 0.
typedef void (*HwDialogCB)(int code, int value, int reserved, void* user);
// The help topic (or "") and 1, on a double click.
typedef void (*HwDialogHelpCB)(const char* topic, int code);

// Dialog flags.
constexpr int kDialogNeverResizable = 1;
constexpr int kDialogTitleKind3 = 2;
constexpr int kDialogNoTitleBar = 4;
constexpr int kDialogPlain = 8;  // title-bar kind 1 and no "Dismiss" button
constexpr int kDialogNoDismiss = 16;  // no "Dismiss" button, whatever the title bar
constexpr int kDialogTitleStyle5 = 32;
constexpr int kDialogEscapeCloses = 64;  // Escape does what the close button does

constexpr int kDialogTitleHeight = 35;

class HwDialogWindow {
 public:
  HwDialogWindow(HINSTANCE instance, const char* title, int x, int y, int width, int height, int style, int flags,
                 HwDialogCB ownerCB, HwDialogHelpCB helpCB, void* user);
  virtual ~HwDialogWindow();
  HwDialogWindow(const HwDialogWindow&) = delete;
  HwDialogWindow& operator=(const HwDialogWindow&) = delete;

  // The client window's new size.
  virtual void resize(int width, int height) = 0;

  void create(HINSTANCE instance, const char* title, int x, int y, int width, int height, int style, int flags,
              HwDialogCB ownerCB, HwDialogHelpCB helpCB, void* user);
  void show();
  // Refused with a beep while locked.
  void hide();
  bool isVisible() const;
  // The popup's new size: the title bar and the client window follow.
  void layout(int width, int height);

  // Title-bar and button handlers; the user word is the dialog.
  static int minimiseCB(int state, void* dialog);
  static int maximiseCB(int state, void* dialog);
  static int closeCB(int state, void* dialog);

  HWND popup = nullptr;
  HWND client = nullptr;
  HwForm* form = nullptr;
  HwTitleBar* titleBar = nullptr;
  int width = 0, height = 0;
  int innerWidth = 0, innerHeight = 0;
  int style = 0;
  int border = 0;
  RECT saved = {};  // left, top, width, height before maximising
  int maximised = 0;
  char* helpTopic = nullptr;
  int resizeFrame = 0;
  int titleHeight = 0;
  int lock = 0;
  int flags = 0;
  HwDialogCB ownerCB = nullptr;
  HwDialogHelpCB helpCB = nullptr;
  void* user = nullptr;
  HwLifeToken life;

 protected:
  // False when the owner freed the dialog in its callback.
  bool tellOwner(int code, int value);
  void beep();
};

class HwDialogTemp : public HwDialogWindow {
 public:
  HwDialogTemp(HINSTANCE instance, const char* title, int x, int y, int width, int height, int style, int flags,
               HwDialogCB ownerCB, HwDialogHelpCB helpCB, void* user);
  ~HwDialogTemp() override;

  void resize(int width, int height) override;
  static int dismissCB(int state, void* dialog);

  HwFrameWindow* content = nullptr;
  HwBMButton* dismissButton = nullptr;
  int margin = 15;
  int contentWidth = 0, contentHeight = 0;
  int buttonRowY = 0;
};

// How a closed dialog makes the application root the current folder again and
// records it as the current folder (the application's working folders install
// theirs; non-zero on success). Without one the current folder stays.
typedef int (*GVEnterRootFolderFn)();
void GVSetDialogRootFolderHook(GVEnterRootFolderFn enterRoot);

LRESULT CALLBACK HwDialogWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
