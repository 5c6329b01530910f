#include "appwins/file_save.h"

#include <cstring>
#include <new>
#include <string>

#include "platform/win32.h"

HwFileSave::HwFileSave(int newMode, const char* name, HwFileSaveCB ownerCB, void* userValue)
    : HwDialogTemp(GetModuleHandleA(nullptr), "Save Scene", 550, 100, 350, 300, 5,
                   kDialogNoDismiss | kDialogEscapeCloses, nullptr, nullptr, nullptr),
      owner(ownerCB), ownerUser(userValue) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HWND inside = content ? content->inner : client;
  const int fw = content && content->form ? content->form->width : 310;
  prompt = new (std::nothrow) HwLabel(inside, "", instance, 20, 10, fw - 40, 25, 12, 0, -1, 0);
  nameField = new (std::nothrow) HwEditControl(2, 1, inside, instance, 20, 55, fw - 40, 25, 0, 0, "", nullptr,
                                               nullptr, enterCB, this);
  saveButton = new (std::nothrow) HwBMButton();
  if (saveButton)
    saveButton->createTextButton(client, instance, 195, 196, "Save", 10, contentWidth - 50 + margin + 6, buttonRowY,
                                 50, 25, 0, saveCB, this);
  setMode(newMode, name);
  show();
}

HwFileSave::~HwFileSave() {
  delete prompt;
  delete nameField;
  delete saveButton;
  delete[] savedName;
}

void HwFileSave::setMode(int newMode, const char* name) {
  mode = newMode;
  const char* what = mode == 0x80 ? "Geo Object" : mode == 0x100 ? "Jel Object" : "Scene file";
  pattern = mode == 0x80 ? "*.gvg" : mode == 0x100 ? "*.gvh" : "*.gvs";
  if (owner) owner(0, mode | 2, "", ownerUser);
  if (prompt) {
    snprintf(prompt->text, kHwLabelText, "Enter name for %s :", what);
    InvalidateRect(prompt->window, nullptr, TRUE);
  }
  std::string shown = name ? name : "";
  if (shown.size() > 4) shown.resize(shown.size() - 4);
  if (nameField) {
    nameField->setText(shown.c_str());
    InvalidateRect(nameField->window, nullptr, TRUE);
  }
}

const char* HwFileSave::enterCB(int, char* text, void* dialog) {
  auto* d = static_cast<HwFileSave*>(dialog);
  if (d && d->owner) d->owner(0, d->mode | 4, text, d->ownerUser);
  return text;
}

int HwFileSave::saveCB(int, void* dialog) {
  auto* d = static_cast<HwFileSave*>(dialog);
  if (!d) return 0;
  if (d->nameField) d->nameField->copyText(&d->savedName);
  if (d->owner) d->owner(0, d->mode | 8, "", d->ownerUser);
  if (d->lock) MessageBeep(MB_ICONHAND);
  else d->hide();
  return 0;
}
