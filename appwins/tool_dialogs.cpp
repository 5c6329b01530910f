#include "appwins/tool_dialogs.h"

#include <cstring>
#include <new>

#include "appwins/help_window.h"
#include "toolkit/buttons.h"
#include "toolkit/drawing.h"
#include "toolkit/frames.h"

namespace {

constexpr int kClearCamModes = 11;
constexpr int kAskPoiFixed = 2;

char* copyTopic(const char* topic) {
  char* c = new (std::nothrow) char[std::strlen(topic) + 1];
  if (c) std::strcpy(c, topic);
  return c;
}

HwFrameWindow* makeFrame(HINSTANCE instance, HWND parent, const char* topic, int x, int y, int width, int height,
                         int style) {
  auto* f = new (std::nothrow) HwFrameWindow();
  if (f) f->createStyled(parent, instance, topic, x, y, width, height, style, 0, GVShowHelpPage);
  return f;
}

void freeFrame(HwFrameWindow*& frame, char*& topic) {
  if (frame) {
    if (frame->outer) DestroyWindow(frame->outer);
    delete frame;
    frame = nullptr;
  }
  delete[] topic;
  topic = nullptr;
}

// ---- transform tool ----

template <int Code>
int moveToolCB(int state, void* dialog) {
  auto* d = static_cast<GVMoveToolDialog*>(dialog);
  GVRedrawMoveToolButtons(d);
  return d->command ? d->command(Code, state, d->user) : 0;
}

HwBMButton* makeMoveButton(HWND parent, HINSTANCE instance, int up, int y, const char* tip, HwButtonCB cb,
                           GVMoveToolDialog* d) {
  auto* b = new (std::nothrow) HwBMButton();
  if (b) b->create(parent, instance, "", 0, up, up + 1, 0, 0, 0, 2, y, 30, 28, 3, tip, 0, 0, cb, d);
  return b;
}

// ---- camera ----

struct CamButton {
  const char* label;
  int x, width, kind;
  const char* tip;
};
constexpr CamButton kCamButtons[kCamButtonCount] = {
    {"", 2, 28, 0, "Clear Display Modes"},
    {"Pa", 32, 28, 3, "Cam Mode: Pan"},
    {"Ti", 62, 28, 3, "Cam Mode: Tilt"},
    {"Ra", 92, 28, 3, "Cam Mode: Raise"},
    {"Tr", 122, 28, 3, "Cam Mode: Track"},
    {"Do", 152, 28, 3, "Cam Mode: Dolly"},
    {"Zo", 182, 28, 3, "Cam Mode: Zoom"},
    {"Fix POI", 232, 54, 3, "Fix/Unfix Camera Point of Interest"},
    {"Set POI", 288, 54, 0, "Set Camera Point of Interest"},
    {" ", 344, 10, 0, "Z-Align Camera"},
};

// Clear and the six modes release the mode buttons first; the modes and
// "Fix POI" keep what the owner returns, the others never stay pressed.
template <int Code>
int camCB(int state, void* dialog) {
  auto* d = static_cast<GVCamDialog*>(dialog);
  if (Code <= 7) GVClearCamModeButtons(d);
  const int result = d->command ? d->command(Code, state, d->user) : 0;
  return (Code >= 2 && Code <= 8) ? result : 0;
}

const HwButtonCB kCamCallbacks[kCamButtonCount] = {camCB<1>, camCB<2>, camCB<3>, camCB<4>, camCB<5>,
                                                   camCB<6>, camCB<7>, camCB<8>, camCB<9>, camCB<10>};

}  // namespace

void GVCreateMoveToolDialog(GVMoveToolDialog* d, HINSTANCE instance, HWND parent, GVToolCommandFn command,
                            void* user) {
  d->command = command;
  d->user = user;
  d->helpTopic = copyTopic("dlg_move");
  d->inset = GVFrameBorder(d->style);
  d->width = 34 + 2 * d->inset;
  d->height = 98 + 2 * d->inset;
  d->frame = makeFrame(instance, parent, d->helpTopic, d->x, d->y, d->width, d->height, d->style);
  if (!d->frame) return;
  HWND in = d->frame->inner;
  d->translate = makeMoveButton(in, instance, 154, 4, "Transform Tool: translate", moveToolCB<1>, d);
  d->rotate = makeMoveButton(in, instance, 156, 35, "Transform Tool: rotate", moveToolCB<2>, d);
  d->scale = makeMoveButton(in, instance, 158, 66, "Transform Tool: scale", moveToolCB<3>, d);
}

void GVFreeMoveToolDialog(GVMoveToolDialog* d) {
  if (!d) return;
  for (HwBMButton** b : {&d->translate, &d->rotate, &d->scale}) {
    delete *b;
    *b = nullptr;
  }
  freeFrame(d->frame, d->helpTopic);
}

void GVRedrawMoveToolButtons(GVMoveToolDialog* d) {
  if (!d) return;
  for (HwBMButton* b : {d->translate, d->rotate, d->scale})
    if (b) b->setState(0);
}

void GVCreateCamDialog(GVCamDialog* d, HINSTANCE instance, HWND parent, GVToolStateFn state,
                       GVToolCommandFn command, void* user) {
  d->state = state;
  d->command = command;
  d->user = user;
  d->helpTopic = copyTopic("dlg_cam");
  d->inset = GVFrameBorder(d->style);
  d->width = 357 + 2 * d->inset;
  d->height = 32 + 2 * d->inset;
  d->frame = makeFrame(instance, parent, d->helpTopic, d->x, d->y, d->width, d->height, d->style);
  if (!d->frame) return;
  for (int i = 0; i < kCamButtonCount; ++i) {
    const CamButton& c = kCamButtons[i];
    auto* b = new (std::nothrow) HwBMButton();
    if (b)
      b->create(d->frame->inner, instance, c.label, 2, 0, 0, 0, 0, 10, c.x, 2, c.width, 28, c.kind, c.tip, 0, 0,
                kCamCallbacks[i], d);
    d->buttons[i] = b;
  }
  GVUpdateCamModeButton(d);
}

void GVFreeCamDialog(GVCamDialog* d) {
  if (!d) return;
  for (HwBMButton*& b : d->buttons) {
    delete b;
    b = nullptr;
  }
  freeFrame(d->frame, d->helpTopic);
}

void GVClearCamModeButtons(GVCamDialog* d) {
  if (!d) return;
  if (d->command) d->command(kClearCamModes, 0, d->user);
  for (int i = 0; i <= 6; ++i)
    if (d->buttons[i]) d->buttons[i]->setState(0);
}

void GVUpdateCamModeButton(GVCamDialog* d) {
  if (!d || !d->buttons[7]) return;
  const int fixed = d->state ? d->state(kAskPoiFixed, d->user) : 0;
  d->buttons[7]->setState(fixed ? 1 : 0);
}

void GVMoveToolDialogMove(GVMoveToolDialog* d, int x, int y) {
  if (!d || !d->frame || !d->frame->outer) return;
  d->x = x, d->y = y;
  MoveWindow(d->frame->outer, x, y, d->frame->width, d->frame->height, TRUE);
}

void GVCamDialogMove(GVCamDialog* d, int x, int y) {
  if (!d || !d->frame || !d->frame->outer) return;
  d->x = x, d->y = y;
  MoveWindow(d->frame->outer, x, y, d->frame->width, d->frame->height, TRUE);
}
