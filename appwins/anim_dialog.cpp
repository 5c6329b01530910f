#include "appwins/anim_dialog.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "appwins/help_window.h"
#include "scene/scene_limits.h"
#include "toolkit/buttons.h"
#include "toolkit/drawing.h"
#include "toolkit/edit_control.h"
#include "toolkit/frames.h"

namespace {

constexpr int kButtonY = 2, kButtonHeight = 26;
constexpr int kNaturalState = -1;
constexpr int kPressedState = 4;

enum Request { kAskEditState = 1, kAskWorldMode = 2, kAskLoop = 3, kAskLoopLength = 4, kAskModeItem = 5,
               kAskItemMode = 6 };

int ask(const GVAnimDialog* d, int request, int value = 0) {
  return d->state ? d->state(request, value, const_cast<GVAnimDialog*>(d)) : 0;
}

int send(GVAnimDialog* d, int code, int state) { return d->command ? d->command(0, code, state, d->user) : 0; }

// The codes the buttons send; the button finds its dialog through its user word.
template <int Code>
int buttonCB(int state, void* dialog) {
  auto* d = static_cast<GVAnimDialog*>(dialog);
  const int result = send(d, Code, state);
  switch (Code) {
    case 1: return result == kNaturalState ? kPressedState : 0;
    case 5:
    case 6:
    case 8: return result;
    default: return 0;
  }
}

// The state button's label follows its state; its callback's answer sets both.
int stateButtonCB(int state, void* dialog) {
  auto* d = static_cast<GVAnimDialog*>(dialog);
  const int result = send(d, 1, state);
  GVSetAnimInitButton(d, result);
  return d->stateButton ? d->stateButton->state : 0;
}

// The arrows step the field's value by one before the owner sees it.
int loopLengthCB(int direction, int value, void* dialog) {
  auto* d = static_cast<GVAnimDialog*>(dialog);
  const int length = GVStepIntWithin(direction, value, 0, kGVFrameLimit);
  return d->command ? d->command(direction, 9, length, d->user) : value;
}

HwBMButton* makeButton(HWND parent, HINSTANCE instance, const char* label, int up, int down, int x, int width,
                       int kind, const char* tip, HwButtonCB callback, GVAnimDialog* d) {
  auto* b = new (std::nothrow) HwBMButton();
  if (!b) return nullptr;
  const bool text = up == 0;
  b->create(parent, instance, label, text ? 2 : 0, up, down, 0, 0, text ? 10 : 0, x, kButtonY, width, kButtonHeight,
            kind, tip, 0, 0, callback, d);
  return b;
}

char* copyTopic(const char* topic) {
  char* c = new (std::nothrow) char[std::strlen(topic) + 1];
  if (c) std::strcpy(c, topic);
  return c;
}

void redraw(HwBMButton* b) {
  if (b) b->setState(b->state);
}

}  // namespace

void GVCreateAnimDialog(GVAnimDialog* d, HINSTANCE instance, HWND parent, int y, GVAnimCommandFn command,
                        GVAnimStateFn state, void* user) {
  d->x = 42;
  d->y = y;
  d->width = 400;
  d->height = 35;
  d->style = 4;
  d->command = command;
  d->state = state;
  d->user = user;
  d->helpTopic = copyTopic("dlg_anim");

  const int editState = ask(d, kAskEditState);
  ask(d, kAskWorldMode);
  ask(d, kAskLoop);
  const int loopLength = state ? ask(d, kAskLoopLength) : 200;

  d->inset = GVFrameBorder(d->style);
  d->frame = new (std::nothrow) HwFrameWindow();
  if (!d->frame) return;
  d->frame->createStyled(parent, instance, d->helpTopic, d->x, y, 381 + 2 * d->inset, 30 + 2 * d->inset, d->style,
                         0, GVShowHelpPage);
  HWND in = d->frame->inner;
  d->stateButton = makeButton(in, instance, editState == kNaturalState ? "NAT" : "INIT", 0, 0, 4, 36, 3, nullptr,
                              stateButtonCB, d);
  d->toStart = makeButton(in, instance, "", 144, 145, 54, 36, 0, nullptr, buttonCB<2>, d);
  d->stepBack = makeButton(in, instance, "", 146, 147, 92, 36, 0, nullptr, buttonCB<3>, d);
  d->stepOnce = makeButton(in, instance, "", 148, 149, 130, 36, 0, nullptr, buttonCB<4>, d);
  d->play = makeButton(in, instance, "", 150, 151, 168, 36, 3, nullptr, buttonCB<5>, d);
  d->modeButton = makeButton(in, instance, "REC", 0, 0, 208, 36, 3, nullptr, buttonCB<6>, d);
  d->clearButton = makeButton(in, instance, "", 0, 0, 246, 15, 0, "clear R3-Recording", buttonCB<7>, d);
  d->loopButton = makeButton(in, instance, "", 152, 153, 275, 30, 3, "toggle Loop Mode", buttonCB<8>, d);
  d->loopLength = new (std::nothrow)
      HwEditButControl(in, instance, 307, kButtonY, 73, kButtonHeight, 0, 0, loopLength, 0.0f, loopLengthCB, nullptr, d);
  if (d->loopLength) d->loopLength->setIntRange(0, kGVFrameLimit);
  GVRefreshAnimDialog(d);
}

void GVFreeAnimDialog(GVAnimDialog* d) {
  if (!d) return;
  for (HwBMButton** b : {&d->stateButton, &d->toStart, &d->stepBack, &d->stepOnce, &d->play, &d->modeButton,
                         &d->clearButton, &d->loopButton}) {
    delete *b;
    *b = nullptr;
  }
  delete d->loopLength;
  d->loopLength = nullptr;
  if (d->frame) {
    if (d->frame->outer) DestroyWindow(d->frame->outer);
    delete d->frame;
    d->frame = nullptr;
  }
  delete[] d->helpTopic;
  d->helpTopic = nullptr;
}

void GVRefreshAnimDialog(GVAnimDialog* d) {
  if (!d || !d->frame) return;
  GVSetAnimInitButton(d, ask(d, kAskEditState));
  if (d->loopButton) d->loopButton->setState(ask(d, kAskLoop));
  if (d->loopLength && d->loopLength->edit) {
    d->loopLength->edit->setInt(ask(d, kAskLoopLength));
    d->loopLength->redraw();
  }
  if (d->modeButton) d->modeButton->setState(ask(d, kAskModeItem, ask(d, kAskWorldMode)));
  for (HwBMButton* b : {d->toStart, d->stepBack, d->stepOnce, d->play, d->clearButton}) redraw(b);
}

void GVSetAnimInitButton(GVAnimDialog* d, int editState) {
  if (!d || !d->stateButton) return;
  const bool natural = editState == kNaturalState;
  d->stateButton->setLabel(natural ? "NAT" : "INIT");
  d->stateButton->setState(natural ? kPressedState : 0);
}

void GVSyncAnimModeButton(GVAnimDialog* d, int worldMode) {
  if (!d || !d->modeButton) return;
  if (ask(d, kAskItemMode, d->modeButton->state) == worldMode) return;
  d->modeButton->setState(ask(d, kAskModeItem, worldMode));
}

void GVPressAnimButton(GVAnimDialog* d) {
  if (!d || !d->play || !d->play->face) return;
  const LPARAM inside = MAKELPARAM(1, 1);
  SendMessageA(d->play->face, WM_LBUTTONDOWN, MK_LBUTTON, inside);
  SendMessageA(d->play->face, WM_LBUTTONUP, 0, inside);
}

void GVMoveAnimDialog(GVAnimDialog* d, int x, int y, int width, int height) {
  if (!d || !d->frame) return;
  d->x = x, d->y = y, d->width = width, d->height = height;
  if (d->frame->outer) MoveWindow(d->frame->outer, x, y, d->frame->width, d->frame->height, TRUE);
}
