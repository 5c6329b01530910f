#include "appwins/message_dlg.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "platform/win32.h"

#include "toolkit/buttons.h"
#include "toolkit/form.h"
#include "toolkit/frames.h"
#include "toolkit/label.h"
#include "toolkit/messages.h"

namespace {

constexpr int kCreatedHeight = 200;
constexpr int kCharWidth = 7;
constexpr int kLineHeight = 20;
// Kept between the box and the work area's edges.
constexpr int kWorkMargin = 10;

// The text in lines of at most `chars` characters, broken at its line ends and,
// where it can, at spaces.
std::vector<std::string> wrapText(const std::string& text, size_t chars) {
  std::vector<std::string> out;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = std::min({text.size(), at + chars, text.find('\n', at)});
    if (end == at + chars && end < text.size() && text[end] != ' ' && text[end] != '\n') {
      const size_t space = text.rfind(' ', end);
      if (space != std::string::npos && space > at) end = space;
    }
    out.push_back(text.substr(at, end - at));
    at = end;
    if (at < text.size() && (text[at] == ' ' || text[at] == '\n')) ++at;
  }
  if (out.empty()) out.emplace_back();
  return out;
}

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
  // The plain face says nothing by itself: the button reads "OK".
  okButton = new (std::nothrow) HwBMButton();
  if (okButton)
    okButton->createTextButton(content ? content->inner : client, GetModuleHandleA(nullptr), 195, 196, "OK", 16, 0,
                               0, buttonSize, buttonSize, 0, okCB, this);
  const RECT work = workArea();
  const int w = setText(first, kCreatedHeight);
  const int h = kCreatedHeight + extraHeight;
  placeOnWork((work.left + work.right) / 2 - w / 2, (work.top + work.bottom) / 2 - h / 2 - 100, w, h);
  show();
}

HwMessageDlg::~HwMessageDlg() {
  for (HwLabel* l : lines) delete l;
  delete okButton;
}

void HwMessageDlg::showText(const char* newText, int centreX, int centreY) {
  const int oneLine = height - extraHeight;
  const int w = setText(newText, oneLine);
  const int h = oneLine + extraHeight;
  placeOnWork(centreX - w / 2, centreY - h / 2, w, h);
  show();
}

// One label per line of the text wrapped to a box no wider than the work area;
// every line past the first makes the box 2 lines higher, so the button keeps
// clear of the text. Returns the box width.
int HwMessageDlg::setText(const char* newText, int oneLineHeight) {
  text = newText ? newText : "";
  const RECT work = workArea();
  const int workWidth = work.right - work.left, workHeight = work.bottom - work.top;
  int w = widthFor(text.size());
  if (workWidth > 2 * kWorkMargin) w = std::min(w, workWidth - 2 * kWorkMargin);
  const size_t chars = static_cast<size_t>(std::max(1, (w - 40) / kCharWidth));
  std::vector<std::string> wrapped = wrapText(text, chars);
  const size_t fit = static_cast<size_t>(std::max(1, (workHeight - oneLineHeight) / (2 * kLineHeight) + 1));
  if (wrapped.size() > fit) {
    wrapped.resize(fit);
    wrapped.back() += " ...";
  }
  HWND inside = content ? content->inner : client;
  while (lines.size() < wrapped.size()) {
    auto* line = new (std::nothrow) HwLabel(inside, "", GetModuleHandleA(nullptr), 5, 10, 300, 30, 12, 0, 0, 0);
    if (!line) break;
    lines.push_back(line);
  }
  while (lines.size() > wrapped.size()) {
    delete lines.back();
    lines.pop_back();
  }
  for (size_t i = 0; i < lines.size() && i < wrapped.size(); ++i) {
    std::snprintf(lines[i]->text, kHwLabelText, "%s", wrapped[i].c_str());
    InvalidateRect(lines[i]->window, nullptr, TRUE);
  }
  extraHeight = lines.empty() ? 0 : 2 * kLineHeight * static_cast<int>(lines.size() - 1);
  return w;
}

// The box placed there, moved and cut to stay on the work area.
void HwMessageDlg::placeOnWork(int x, int y, int w, int h) {
  const RECT work = workArea();
  if (work.right > work.left && work.bottom > work.top) {
    w = std::min(w, static_cast<int>(work.right - work.left));
    h = std::min(h, static_cast<int>(work.bottom - work.top));
    x = std::max(static_cast<int>(work.left), std::min(x, static_cast<int>(work.right) - w));
    y = std::max(static_cast<int>(work.top), std::min(y, static_cast<int>(work.bottom) - h));
  }
  SetWindowPos(popup, HWND_TOP, x, y, w, h, SWP_SHOWWINDOW);
  place();
}

void HwMessageDlg::resize(int w, int h) {
  HwDialogTemp::resize(w, h);
  place();
}

// The text across the top of the content, a line under another, and the
// button centred below it.
void HwMessageDlg::place() {
  if (!content || !content->form) return;
  const int fw = content->form->width, fh = content->form->height;
  const int n = static_cast<int>(lines.size());
  for (int i = 0; i < n; ++i) lines[i]->move(5, 10 + i * kLineHeight, fw - 10, n == 1 ? 30 : kLineHeight);
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
