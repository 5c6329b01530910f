// The shared message box and its entry points. The box is a singleton made on
// the first message; each later message re-sizes and re-centres it.
#include "toolkit/messages.h"

#include <cstdio>

#include "platform/user32.h"

namespace {

const GVMessageBoxOps* gBoxOps = nullptr;
void* gBox = nullptr;

}  // namespace

void GVInstallMessageBox(const GVMessageBoxOps* ops) {
  GVFreeMessageBox();
  gBoxOps = ops;
}

void GVFreeMessageBox() {
  if (gBox && gBoxOps && gBoxOps->destroy) gBoxOps->destroy(gBox);
  gBox = nullptr;
}

void GVShowMessage(const char* text) {
  if (!text) text = "";
  if (!gBoxOps) {
    std::fprintf(stderr, "%s\n", text);
    return;
  }
  RECT work = {0, 0, 0, 0};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  int centreX = (work.right - work.left) / 2;
  int centreY = (work.bottom - work.top) / 2;
  if (gBox) {
    gBoxOps->showText(gBox, text, centreX, centreY);
    return;
  }
  // A box that cannot be made drops this text; the next message tries again.
  gBox = gBoxOps->create(text);
}

void GVMessage(const char* text) { GVShowMessage(text); }

void GVMessageInt(const char* text, int n) {
  char buffer[kGVMessageMax];
  std::snprintf(buffer, sizeof buffer, "%s %d", text ? text : "", n);
  GVShowMessage(buffer);
}

int GVAskYesNo(const char* text) {
  return MessageBoxA(nullptr, text ? text : "", "Gv Message", MB_YESNO | MB_TASKMODAL) == IDYES ? 1 : 0;
}

void GVMessageIntPair(int a, int b) {
  char buffer[kGVMessageMax];
  std::snprintf(buffer, sizeof buffer, "%s (%d, %d)", "GV: showList got MIN num cols > MAX num cols :- ", a,
                b);
  GVShowMessage(buffer);
}
