#include "appwins/message_dlg.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "platform/win32.h"

#include "toolkit/buttons.h"
#include "toolkit/form.h"
#include "toolkit/frames.h"
#include "toolkit/label.h"
#include "toolkit/messages.h"

namespace {

constexpr int kCreatedHeight = 200;

RECT workArea() {
  RECT work = {0, 0, 0, 0};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

bool gBuilding = false;

// A message raised while the box is being built goes to the error stream.
void* makeBox(const char* text) {
  if (gBuilding) {
    std::fprintf(stderr, "%s\n", text ? text : "");
    return nullptr;
  }
  gBuilding = true;
  void* box = new (std::nothrow) HwMessageDlg(text);
  gBuilding = false;
  return box;
}
void showBox(void* box, const char* text, int x, int y) { static_cast<HwMessageDlg*>(box)->showText(text, x, y); }
void destroyBox(void* box) { delete static_cast<HwMessageDlg*>(box); }

const GVMessageBoxOps kBoxOps = {makeBox, showBox, destroyBox};

}  // namespace

int HwMessageDlg::widthFor(size_t length) {
  const size_t wanted = 7 * length + 30;
  return (wanted < 260 ? 260 : wanted > 100000 ? 100000 : static_cast<int>(wanted)) + 10;
}

HwMessageDlg::HwMessageDlg(const char* first)
    : HwDialogTemp(GetModuleHandleA(nullptr), "Gv Message", 800, 600, 400, 220, 1, kDialogPlain, nullptr, nullptr,
                   nullptr) {
  text = first ? first : "";
  HWND inside = content ? content->inner : client;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  label = new (std::nothrow) HwLabel(inside, text.c_str(), instance, 5, 10, 300, 30, 12, 0, 0, 0);
  okButton = new (std::nothrow) HwBMButton();
  if (okButton) okButton->createBitmapButton(inside, instance, 195, 196, 0, 0, buttonSize, buttonSize, okCB, this);
  const RECT work = workArea();
  const int w = widthFor(text.size());
  const int x = (work.left + work.right) / 2 - w / 2;
  const int y = (work.top + work.bottom) / 2 - kCreatedHeight / 2 - 100;
  SetWindowPos(popup, HWND_TOP, x, y, w, kCreatedHeight, SWP_SHOWWINDOW);
  place();
  show();
}

HwMessageDlg::~HwMessageDlg() {
  delete label;
  delete okButton;
}

void HwMessageDlg::showText(const char* newText, int centreX, int centreY) {
  text = newText ? newText : "";
  if (label) {
    std::strncpy(label->text, text.c_str(), kHwLabelText - 1);
    label->text[kHwLabelText - 1] = 0;
    InvalidateRect(label->window, nullptr, TRUE);
  }
  const int w = widthFor(text.size());
  SetWindowPos(popup, HWND_TOP, centreX - w / 2, centreY - height / 2, w, height, SWP_SHOWWINDOW);
  place();
  show();
}

void HwMessageDlg::resize(int w, int h) {
  HwDialogTemp::resize(w, h);
  place();
}

// The text across the top of the content and the button centred below it.
void HwMessageDlg::place() {
  if (!content || !content->form) return;
  const int fw = content->form->width, fh = content->form->height;
  if (label) label->move(5, 10, fw - 10, 30);
  if (okButton) okButton->move((fw - buttonSize) / 2, (fh - buttonSize - 30) / 2 + 30, buttonSize, buttonSize);
}

int HwMessageDlg::okCB(int, void* box) {
  auto* d = static_cast<HwMessageDlg*>(box);
  if (!d) return 0;
  if (d->lock) {
    MessageBeep(MB_ICONHAND);
    return 0;
  }
  d->answer = 1;
  d->hide();
  return 0;
}

void GVInstallAppMessageBox() { GVInstallMessageBox(&kBoxOps); }
