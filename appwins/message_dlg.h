// HwMessageDlg: the program's one message box, "Gv Message". Made on the first
// message and re-used: each text re-sizes the box to its length and centres it,
// kept on the work area; a text wider than the work area is wrapped.
#pragma once

#include <string>
#include <vector>

#include "toolkit/dialog_window.h"

class HwLabel;

class HwMessageDlg : public HwDialogTemp {
 public:
  // Builds the box for a first text, centred across the work area and 100
  // pixels above its middle, and shows it.
  explicit HwMessageDlg(const char* text);
  ~HwMessageDlg() override;

  // Re-sizes the box for the text, centres it on the point and shows it.
  void showText(const char* text, int centreX, int centreY);
  void resize(int width, int height) override;
  // The OK button: hides the box, or only beeps while it is locked.
  static int okCB(int state, void* box);

  // 7 pixels a character and 30 more, at least 260, plus 10.
  static int widthFor(size_t length);

  std::vector<HwLabel*> lines;  // one label per line of the text
  HwBMButton* okButton = nullptr;
  int buttonSize = 40;
  int answer = 0;
  std::string text;

 private:
  int setText(const char* text, int oneLineHeight);
  void placeOnWork(int x, int y, int width, int height);
  void place();
  int extraHeight = 0;  // what the lines past the first add to the box
};

// Makes HwMessageDlg the toolkit's message box.
void GVInstallAppMessageBox();
