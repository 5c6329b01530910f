#include "appwins/help_window.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "platform/win32.h"
#include "scene/work_folders.h"
#include "toolkit/messages.h"

namespace {

constexpr int kBarWidth = 18;
HwScrollWinTxt* gHelp = nullptr;

uint32_t readLe32(const unsigned char* b) {
  return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

}  // namespace

void GVDropCrBeforeLf(std::string& text) {
  size_t out = 0;
  for (size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) text[out++] = text[i];
  text.resize(out);
}

int GVReadHelpFile(const char* path, std::string& text) {
  FILE* f = fopen(path, "rb");
  if (!f) return -1;
  unsigned char head[4] = {0, 0, 0, 0};
  const size_t got = fread(head, 1, 4, f);
  uint32_t count = got == 4 ? readLe32(head) : 0;
  int result = 0;
  if (count) {
    fseek(f, 0, SEEK_END);
    const long end = ftell(f);
    fseek(f, 4, SEEK_SET);
    const uint32_t held = end > 4 ? static_cast<uint32_t>(end - 4) : 0;
    if (count > held) count = held;
    text.assign(count, 0);
    text.resize(count ? fread(&text[0], 1, count, f) : 0);
    result = 1;
  }
  fclose(f);
  return result;
}

HwScrollWinTxt::HwScrollWinTxt(const char* topicText, int modeValue, int x, int y, int w, int h,
                               const char* title, HwDialogCB owner, void* userValue)
    : HwDialogTemp(GetModuleHandleA(nullptr), title, x, y, w, h, 4, 0, owner, nullptr, userValue), mode(modeValue) {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  HWND inside = content ? content->inner : client;
  textWin = new (std::nothrow) HwTextWin();
  if (textWin) {
    textWin->create(inside, "", instance, 100, 100, this);
    textWin->wheelCB = wheelCB;
  }
  scrollBar = new (std::nothrow) HwScrollBar();
  if (scrollBar) scrollBar->create(inside, instance, 100, 16, 100, 0, scrollCB, this);
  place();
  loadTopic(topicText);
}

HwScrollWinTxt::~HwScrollWinTxt() {
  delete textWin;
  delete scrollBar;
  if (gHelp == this) gHelp = nullptr;
}

void HwScrollWinTxt::place() {
  if (!content || !content->form || !textWin || !scrollBar) return;
  const int fw = content->form->width, fh = content->form->height;
  textWin->move(0, 0, fw - kBarWidth > 1 ? fw - kBarWidth : 1, fh > 1 ? fh : 1);
  scrollBar->move(fw - kBarWidth, 0, kBarWidth, fh > 1 ? fh : 1);
}

void HwScrollWinTxt::resize(int w, int h) {
  HwDialogTemp::resize(w, h);
  place();
  if (textWin && textWin->text) setText(textWin->text);
}

const char* HwScrollWinTxt::text() const { return textWin && textWin->text ? textWin->text : ""; }

void HwScrollWinTxt::setText(const char* newText) {
  std::string t = newText ? newText : "";
  GVDropCrBeforeLf(t);
  if (!textWin) return;
  textWin->setText(t.c_str());
  if (!scrollBar) return;
  scrollBar->lineHeight = textWin->lineHeight > 0 ? textWin->lineHeight : 1;
  scrollBar->setTotal(textWin->measure());
  scrollBar->setViewHeight(textWin->height);
  scrollBar->recalc();
  scrollBar->redraw();
}

void HwScrollWinTxt::loadTopic(const char* newTopic) {
  topic = newTopic ? newTopic : "";
  loaded = true;
  if (mode == kHelpModeNone || topic.empty()) {
    setText("");
    return;
  }
  if (mode == kHelpModeText) {
    setText(topic.c_str());
    return;
  }
  std::string path = std::string(GVHelpFilesDir()) + "/" + topic + ".hhf";
  std::string t;
  const int r = GVReadHelpFile(path.c_str(), t);
  GVSetDirRoot();
  if (r < 0) {
    loaded = false;
    ShowWindow(popup, SW_HIDE);
    GVShowMessage(("Gv error: cannot open helpfile " + path).c_str());
    return;
  }
  if (r > 0) setText(t.c_str());
}

void HwScrollWinTxt::wheelCB(int code, int step, void* window) {
  auto* w = static_cast<HwScrollWinTxt*>(window);
  if (!w || code != 1 || !w->scrollBar || !w->textWin) return;
  // Wheel away from the user (step 1) goes toward the top.
  w->scrollBar->scrollBy(-step);
  w->textWin->firstLine = w->scrollBar->firstLine;
  InvalidateRect(w->textWin->window, nullptr, FALSE);
}

void HwScrollWinTxt::scrollCB(int, int line, void* window) {
  auto* w = static_cast<HwScrollWinTxt*>(window);
  if (!w || !w->textWin) return;
  w->textWin->firstLine = line;
  InvalidateRect(w->textWin->window, nullptr, FALSE);
}

void HwScrollWinTxt::dialogCB(int code, int value, int, void* window) {
  auto* w = static_cast<HwScrollWinTxt*>(window);
  if (!w || code != 3 || value != 0 || !w->scrollBar) return;
  w->scrollBar->notifyOwner();
}

void GVShowHelpPage(const char* topic, int mode) {
  if (!topic || !*topic) return;
  if (!gHelp) {
    RECT work = {0, 0, 0, 0};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int x = (work.right - work.left - 600) / 2, y = (work.bottom - work.top - 500) / 2;
    gHelp = new (std::nothrow) HwScrollWinTxt(topic, mode, x, y, 600, 500, "Gelvane Help", nullptr, nullptr);
    if (!gHelp) return;
    gHelp->ownerCB = HwScrollWinTxt::dialogCB;
    gHelp->user = gHelp;
    if (gHelp->loaded) gHelp->show();
    return;
  }
  gHelp->mode = mode;
  gHelp->loadTopic(topic);
  if (gHelp->loaded && !IsWindowVisible(gHelp->popup)) {
    if (mode == 3 && gHelp->maximised) HwDialogWindow::maximiseCB(0, gHelp);
    gHelp->show();
  }
}

HwScrollWinTxt* GVHelpWindow() { return gHelp; }

void GVFreeHelpWindow() {
  delete gHelp;
  gHelp = nullptr;
}
