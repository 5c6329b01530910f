// HwFileSave: the "Save Scene" dialog asking for the name a scene, a Geo or a
// Jel object is saved under. The owner checks the name and writes the file.
#pragma once

#include "toolkit/buttons.h"
#include "toolkit/dialog_window.h"
#include "toolkit/edit_control.h"
#include "toolkit/label.h"

// (0, mode | 2, "") the owner makes the folder of that kind current;
// (0, mode | 4, text) Enter in the name field; (0, mode | 8, "") "Save".
typedef void (*HwFileSaveCB)(int code, int modeCode, const char* text, void* user);

class HwFileSave : public HwDialogTemp {
 public:
  HwFileSave(int mode, const char* name, HwFileSaveCB owner, void* user);
  ~HwFileSave() override;

  void setMode(int mode, const char* name);
  static int saveCB(int state, void* dialog);
  static const char* enterCB(int code, char* text, void* dialog);

  HwLabel* prompt = nullptr;
  HwEditControl* nameField = nullptr;
  HwBMButton* saveButton = nullptr;
  int mode = 0;
  const char* pattern = "";
  char* savedName = nullptr;  // the field's text when "Save" was pressed
  HwFileSaveCB owner = nullptr;
  void* ownerUser = nullptr;
};
