// HwScrollWinTxt: the scrollable text window of the help pages ("Gelvane Help",
// one per process) and of the scene notes; help files "<topic>.hhf" in the help
// folder hold a 32-bit little-endian byte count and the text with CR LF lines.
#pragma once

#include <string>

#include "toolkit/dialog_window.h"
#include "toolkit/scroll_bar.h"
#include "toolkit/text_window.h"

constexpr int kHelpModeText = 5;  // the topic is the text itself
constexpr int kHelpModeNone = 6;  // no text

// Drops every CR directly followed by LF, in one pass, in place.
void GVDropCrBeforeLf(std::string& text);

// Reads a help file: -1 when it cannot be opened, 0 when its count is 0 (text
// untouched), else 1 with the text. The count is capped at the bytes the file
// holds after it.
int GVReadHelpFile(const char* path, std::string& text);

class HwScrollWinTxt : public HwDialogTemp {
 public:
  HwScrollWinTxt(const char* topic, int mode, int x, int y, int width, int height, const char* title,
                 HwDialogCB ownerCB, void* user);
  ~HwScrollWinTxt() override;

  void resize(int width, int height) override;
  void loadTopic(const char* topic);
  void setText(const char* text);
  const char* text() const;

  // A wheel turn or scroll request from the text window: the bar moves and the
  // text follows.
  static void wheelCB(int code, int step, void* window);
  static void scrollCB(int code, int line, void* window);
  // The help window's dialog callback: a restored window scrolls again.
  static void dialogCB(int code, int value, int reserved, void* window);

  HwTextWin* textWin = nullptr;
  HwScrollBar* scrollBar = nullptr;
  int mode = 0;
  std::string topic;
  bool loaded = true;  // false after a help file failed to open

 private:
  void place();
};

// Shows a dialog's help topic in the shared help window (made on first use).
void GVShowHelpPage(const char* topic, int mode);
HwScrollWinTxt* GVHelpWindow();
void GVFreeHelpWindow();
