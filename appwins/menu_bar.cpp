// The menu bar: its three lists as data, the owner calls and the Notes toggle.
#include "appwins/menu_bar.h"

#include <new>

#include "platform/win32.h"

#include "toolkit/buttons.h"
#include "toolkit/form.h"
#include "toolkit/frames.h"
#include "toolkit/window_classes.h"

namespace {

// One menu item; `sub` lists its cascade items (null-terminated) when it opens one.
struct MenuItem {
  const char* text;
  unsigned flags;
  const char* const* sub;
};

constexpr unsigned kSeparator = kQwItemLineBottom;

const char* const kImport[] = {"Geo(s)", "Jel(s)", "Geo(s)+Jel(s)", "Lights", nullptr};
const char* const kCreateGeo[] = {"Geo Volume of Revolution", "Geo Plane",      "Geo X-Cylinder",
                                  "Geo X-Surface",            "Geo Block",      "Geo From Jel",
                                  "Geo Copy Slctd",           "Geo Copy_InvZ Slctd", nullptr};
const char* const kCreateJel[] = {"Jel Block", "Jel From Geo", "Jel Copy Slctd", nullptr};

const MenuItem kFile[] = {{"New", 0, nullptr},          {"Save", 0, nullptr},
                          {"Save As", 0, nullptr},      {"Open", 0, nullptr},
                          {"Tutorial", 0, nullptr},     {"OpenGVB", 0, nullptr},
                          {"Import", 0, kImport},       {"Export", 0, nullptr},
                          {"Save BG Image", 0, nullptr}, {"Save BG ImageCO", 0, nullptr},
                          {"Exit", 0, nullptr}};
const MenuItem kCreate[] = {{"Create Geo", 0, kCreateGeo},       {"Create Jel", kSeparator, kCreateJel},
                            {"Delete Geo", 0, nullptr},          {"Delete Jel", kSeparator, nullptr},
                            {"Delete Vhcl Geos", 0, nullptr},    {"Delete Vhcl Jels", 0, nullptr},
                            {"Create Trk", kSeparator, nullptr}, {"Re-Number Geos", 0, nullptr},
                            {"Re-Number Jels", kSeparator, nullptr}, {"Create RTT", 0, nullptr},
                            {"Create RTT_ALPHA", 0, nullptr}};
const MenuItem kHelp[] = {{"Gelvane Overview", 0, nullptr}, {"Controls Overview", 0, nullptr},
                          {"Help Overview", 0, nullptr}};

template <int N>
constexpr int countOf(const MenuItem (&)[N]) {
  return N;
}

int forward(GVMenuBar* bar, int menu, int item, int subItem) {
  if (!bar || !bar->owner || item == 0) return 0;  // (0, 0): the list was dismissed
  return bar->owner(menu, item, subItem, bar->user);
}

int fileCB(int first, int second, void* bar) { return forward(static_cast<GVMenuBar*>(bar), 1, first, second); }
int createCB(int first, int second, void* bar) { return forward(static_cast<GVMenuBar*>(bar), 2, first, second); }
int helpCB(int first, int second, void* bar) { return forward(static_cast<GVMenuBar*>(bar), 3, first, second); }

int notesCB(int, void* user) {
  auto* bar = static_cast<GVMenuBar*>(user);
  if (!bar) return 0;
  bar->notesShown = !bar->notesShown;
  GVSetNotesButtonTitle(bar);
  if (bar->owner) bar->owner(5, bar->hasNotes, bar->notesShown, bar->user);
  return bar->hasNotes ? 4 : 0;
}

// List 0 holds the items; list k + 1 the cascade of item k.
void fillMenu(HwMenuButton* button, const MenuItem* items, int count) {
  int lists = 1;
  for (int i = 0; i < count; ++i)
    if (items[i].sub) lists = i + 2;
  button->createMultiList(lists);
  QwMultiList* list = button->multiList;
  HDC dc = GetDC(button->face);
  list->initialiseList(0, count);
  for (int i = 0; i < count; ++i) list->addItem(0, dc, items[i].text, items[i].flags);
  for (int i = 0; i < count; ++i) {
    if (!items[i].sub) continue;
    int n = 0;
    while (items[i].sub[n]) ++n;
    list->initialiseList(i + 1, n);
    for (int k = 0; k < n; ++k) list->addItem(i + 1, dc, items[i].sub[k], 0);
  }
  ReleaseDC(button->face, dc);
}

HwMenuButton* makeMenu(HWND parent, HINSTANCE instance, const char* title, int x, const MenuItem* items,
                       int count, QwListCallback callback, GVMenuBar* bar) {
  auto* button = new (std::nothrow) HwMenuButton();
  if (!button) return nullptr;
  button->create(parent, instance, title, 195, 196, x, kMenuButtonWidth, 0.4f, 0, callback, bar);
  fillMenu(button, items, count);
  return button;
}

// The Notes face's x in the bar for a bar of that width.
int notesX(int barWidth) { return (barWidth + kNotesWidth) / 2 - 100; }

}  // namespace

void GVBuildMenuBar(GVMenuBar* bar, HWND parent, void* mainWindow) {
  if (!bar) return;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  bar->user = mainWindow;
  bar->frame = new (std::nothrow) HwFrameWindow();
  if (!bar->frame) return;
  bar->frame->createLeft10(parent, instance, bar->width, bar->height, bar->frameStyle);
  HWND inside = bar->frame->inner;
  bar->file = makeMenu(inside, instance, "File", 0, kFile, countOf(kFile), fileCB, bar);
  bar->create = makeMenu(inside, instance, "Create", kMenuButtonWidth, kCreate, countOf(kCreate), createCB, bar);
  bar->help = makeMenu(inside, instance, "Help", 2 * kMenuButtonWidth, kHelp, countOf(kHelp), helpCB, bar);
  bar->notes = new (std::nothrow) HwBMButton();
  if (bar->notes)
    bar->notes->create(inside, instance, "Notes", 2, 0, 0, 0, 0, 10, notesX(bar->width), 3, kNotesWidth,
                       kNotesHeight, 4, "Show Scene Notes", 0, 0, notesCB, bar);
  GVSetNotesButtonState(bar);
}

void GVMenuBarMove(GVMenuBar* bar, int x, int y, int width, int height) {
  if (!bar) return;
  bar->x = x, bar->y = y, bar->width = width, bar->height = height;
  if (bar->frame) bar->frame->move(width, height, x, y);
  if (HwBMButton* b = bar->notes) {
    const int border = b->border;
    MoveWindow(b->outer, notesX(width) - border, 3 - border, kNotesWidth + 2 * border, kNotesHeight + 2 * border,
               TRUE);
    MoveWindow(b->face, border, border, kNotesWidth, kNotesHeight, TRUE);
    b->x = notesX(width), b->y = 3;
  }
}

void GVSetNotesButtonTitle(GVMenuBar* bar) {
  if (bar && bar->notes) bar->notes->setLabel(bar->notesShown ? "*Notes*" : "Notes");
}

void GVSetNotesButtonState(GVMenuBar* bar) {
  if (bar && bar->notes) bar->notes->setState(bar->hasNotes ? 4 : 0);
}

void GVFreeMenuBar(GVMenuBar* bar) {
  if (!bar) return;
  delete bar->notes;
  delete bar->file;
  delete bar->create;
  delete bar->help;
  bar->notes = nullptr;
  bar->file = bar->create = bar->help = nullptr;
  if (bar->frame) {
    if (bar->frame->outer) DestroyWindow(bar->frame->outer);
    delete bar->frame;
    bar->frame = nullptr;
  }
}
