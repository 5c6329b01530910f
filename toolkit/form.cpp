// Solving and applying the attachments of an HwForm.
#include "toolkit/form.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "toolkit/buttons.h"
#include "toolkit/choosers.h"
#include "toolkit/edit_control.h"
#include "toolkit/frames.h"
#include "toolkit/label.h"
#include "toolkit/scroll_bar.h"
#include "toolkit/slider_group.h"
#include "toolkit/text_window.h"
#include "toolkit/time_bar.h"
#include "toolkit/title_bar.h"
#include "toolkit/messages.h"

namespace {

constexpr int kKinds = 26;
constexpr int kGrowth = 11;
constexpr int kMaxPasses = 999;

// A control's natural size is the size it keeps.
template <typename T>
void keptSize(const void* control, int* width, int* height) {
  const auto* c = static_cast<const T*>(control);
  *width = c->width;
  *height = c->height;
}

void moveChildWindow(void* control, int x, int y, int width, int height) {
  auto* rec = static_cast<GVChildWindowRec*>(control);
  if (rec->window) MoveWindow(rec->window, x, y, width, height, TRUE);
  rec->x = x;
  rec->y = y;
  rec->width = width;
  rec->height = height;
}

void moveFrame(void* control, int x, int y, int width, int height) {
  static_cast<HwFrame*>(control)->move(x, y, width, height);
}

void moveFrameWindow(void* control, int x, int y, int width, int height) {
  static_cast<HwFrameWindow*>(control)->move(width, height, x, y);
}

void moveButton(void* control, int x, int y, int width, int height) {
  static_cast<HwBMButton*>(control)->move(x, y, width, height);
}

void moveTitleBar(void* control, int x, int y, int width, int height) {
  static_cast<HwTitleBar*>(control)->move(x, y, width, height);
}

void moveLabel(void* control, int x, int y, int width, int height) {
  static_cast<HwLabel*>(control)->move(x, y, width, height);
}

void moveButtonField(void* control, int x, int y, int width, int height) {
  static_cast<HwBaseControl*>(control)->moveButton(x, y, width, height);
}

void moveEditButton(void* control, int x, int y, int width, int height) {
  static_cast<HwEditButControl*>(control)->move(x, y, width, height);
}

void moveNumberField(void* control, int x, int y, int width, int height) {
  static_cast<HwBaseControl*>(control)->move(x, y, width, height);
}

// Only the outer window moves; the parts inside keep their places.
void moveDropDown(void* control, int x, int y, int width, int height) {
  auto* d = static_cast<HwDropDownCntrl*>(control);
  if (d->window) MoveWindow(d->window, x, y, width, height, TRUE);
  d->width = width;
  d->height = height;
}

void moveSelector(void* control, int x, int y, int width, int height) {
  static_cast<HwSelectorTool*>(control)->move(x, y, width, height);
}

void moveSliderGroup(void* control, int x, int y, int width, int height) {
  static_cast<HwSliderGroup*>(control)->move(x, y, width, height);
}

void moveTimeBar(void* control, int x, int y, int width, int height) {
  static_cast<HwTimeBar*>(control)->move(x, y, width, height);
}

void moveTextWin(void* control, int x, int y, int width, int height) {
  static_cast<HwTextWin*>(control)->move(x, y, width, height);
}

void moveSeparator(void* control, int x, int y, int width, int) {
  auto* rec = static_cast<GVSeparatorRec*>(control);
  if (rec->window) GVMoveSeparator(rec->window, x, y, width, rec->drawFlag);
}

void moveScrollBar(void* control, int x, int y, int width, int height) {
  static_cast<HwScrollBar*>(control)->move(x, y, width, height);
}

void scrollBarSize(const void* control, int* width, int* height) {
  const auto* bar = static_cast<const HwScrollBar*>(control);
  *width = bar->barWidth;
  *height = bar->trackLength;
}

GVFormKindOps gKinds[kKinds + 1] = {{},
                                    {moveChildWindow, keptSize<GVChildWindowRec>},
                                    {moveTitleBar, keptSize<HwTitleBar>},
                                    {moveFrame, keptSize<HwFrame>},
                                    {moveFrameWindow, keptSize<HwFrameWindow>},
                                    {moveButton, keptSize<HwBMButton>},
                                    {},
                                    {moveLabel, keptSize<HwLabel>},
                                    {moveButtonField, keptSize<HwBaseControl>},
                                    {moveEditButton, keptSize<HwEditButControl>},
                                    {moveNumberField, keptSize<HwBaseControl>},
                                    {moveSliderGroup, keptSize<HwSliderGroup>},
                                    {moveDropDown, keptSize<HwDropDownCntrl>},
                                    {moveTextWin, keptSize<HwTextWin>},
                                    {moveSelector, keptSize<HwSelectorTool>},
                                    {},
                                    {},
                                    {},
                                    {},
                                    {},
                                    {},
                                    {moveTimeBar, keptSize<HwTimeBar>},
                                    {},
                                    {moveSeparator, nullptr},
                                    {moveScrollBar, scrollBarSize}};

// One axis of a definition: position and size with their resolved flags.
struct Axis {
  int& pos;
  int& size;
  int& posSet;
  int& sizeSet;
};

Axis vertical(FormDef& d) { return {d.y, d.h, d.yResolved, d.hResolved}; }
Axis horizontal(FormDef& d) { return {d.x, d.w, d.xResolved, d.wResolved}; }

// The rules of a leading side (top, left) and a trailing side (bottom, right).
// The side types differ per axis, the rules do not: entry k of each row of type
// numbers has rule k of its list.
enum class Rule { None, AtOffset, FromFarEdge, AfterRef, AlignRefStart, FixedSize, NaturalSize,
                  FarEdgeInset, EdgeAt, BeforeRef, AlignRefEnd };

const Rule kLeadingRules[6] = {Rule::AtOffset, Rule::FromFarEdge, Rule::AfterRef,
                               Rule::AlignRefStart, Rule::FixedSize, Rule::NaturalSize};
const int kTopTypes[6] = {1, 5, 9, 13, 18, 20};
const int kLeftTypes[6] = {2, 6, 10, 14, 17, 19};
const Rule kTrailingRules[6] = {Rule::FarEdgeInset, Rule::EdgeAt, Rule::BeforeRef,
                                Rule::AlignRefEnd, Rule::FixedSize, Rule::NaturalSize};
const int kBottomTypes[6] = {4, 8, 12, 16, 18, 20};
const int kRightTypes[6] = {3, 7, 11, 15, 17, 19};

Rule sideRule(int type, bool leading, bool isVertical) {
  const int* types = leading ? (isVertical ? kTopTypes : kLeftTypes) : (isVertical ? kBottomTypes : kRightTypes);
  for (int k = 0; k < 6; k++)
    if (types[k] == type) return leading ? kLeadingRules[k] : kTrailingRules[k];
  return Rule::None;
}

// The trailing edge sits at `edge`: the known size gives the position, or the
// known position gives the size.
void placeTrailingEdge(Axis a, int edge) {
  if (a.sizeSet) {
    a.pos = edge - a.size;
    a.posSet = 1;
  } else if (a.posSet) {
    a.size = edge - a.pos;
    a.sizeSet = 1;
  }
}

}  // namespace

void GVSetFormKind(int kind, const GVFormKindOps& ops) {
  if (kind >= 1 && kind <= kKinds) gKinds[kind] = ops;
}

void GVMoveSeparator(HWND window, int x, int y, int width, int style) {
  MoveWindow(window, x, y, width, style == 1 ? 3 : 2, TRUE);
}

HwForm::HwForm(HWND holder, int border) : window(holder), inset(border) {}

HwForm::~HwForm() { std::free(definitions); }

void HwForm::addDefinition(void* control, int kind, int topType, int topOffset, void* topRef, int topRefKind,
                           int leftType, int leftOffset, void* leftRef, int leftRefKind, int rightType,
                           int rightOffset, void* rightRef, int rightRefKind, int bottomType, int bottomOffset,
                           void* bottomRef, int bottomRefKind) {
  if (capacity < count + 2) {
    int grown = capacity + kGrowth;
    auto* bigger = static_cast<FormDef*>(std::calloc(grown, sizeof(FormDef)));
    if (bigger) {
      if (definitions) std::memcpy(bigger, definitions, sizeof(FormDef) * capacity);
      std::free(definitions);
      definitions = bigger;
      capacity = grown;
    }
  }
  if (capacity < count + 2) {
    GVShowMessage("HwForm: can't add definition!");
    return;
  }
  FormDef& d = definitions[++count];
  d = FormDef{};
  d.control = control;
  d.kind = kind;
  d.top = {topType, topRef, topRefKind, 0, topOffset};
  d.left = {leftType, leftRef, leftRefKind, 0, leftOffset};
  d.right = {rightType, rightRef, rightRefKind, 0, rightOffset};
  d.bottom = {bottomType, bottomRef, bottomRefKind, 0, bottomOffset};
}

void HwForm::changeDefinition(void* control, int kind, int topType, int topOffset, void* topRef,
                              int topRefKind, int leftType, int leftOffset, int bottomType, int bottomOffset,
                              void* bottomRef, int bottomRefKind) {
  for (int i = count; i >= 1; i--) {
    FormDef& d = definitions[i];
    if (d.control != control || d.kind != kind) continue;
    d.top = {topType, topRef, topRefKind, 0, topOffset};
    d.left = {leftType, nullptr, 0, 0, leftOffset};
    d.right = {3, nullptr, 0, 0, 10};
    d.bottom = {bottomType, bottomRef, bottomRefKind, 0, bottomOffset};
    d.x = d.y = d.w = d.h = 0;
    d.xResolved = d.yResolved = d.wResolved = d.hResolved = 0;
    d.skip = 0;
    return;
  }
}

void HwForm::resolveReferences() {
  if (definitions && capacity > count + 1) {
    auto* fitted = static_cast<FormDef*>(std::realloc(definitions, sizeof(FormDef) * (count + 1)));
    if (fitted) {
      definitions = fitted;
      capacity = count + 1;
    }
  }
  for (int j = 1; j <= count; j++) {
    void* control = definitions[j].control;
    for (int i = 1; i <= count; i++) {
      FormDef& d = definitions[i];
      for (FormSide* s : {&d.top, &d.left, &d.right, &d.bottom})
        if (s->ref == control) s->refIndex = j;
    }
  }
}

void HwForm::setSize(int w, int h) {
  width = w;
  height = h;
  doArrange();
}

namespace {

void naturalSize(const FormDef& d, int* w, int* h) {
  *w = *h = 0;
  if (d.skip || d.kind < 1 || d.kind > kKinds || !gKinds[d.kind].naturalSize) return;
  gKinds[d.kind].naturalSize(d.control, w, h);
}

// Applies one side's rule to an axis of d; `extent` is the form's width or height.
void applySide(const HwForm& form, FormDef& d, const FormSide& side, bool leading, bool isVertical,
               int extent) {
  Rule rule = sideRule(side.type, leading, isVertical);
  if (rule == Rule::None) return;
  Axis a = isVertical ? vertical(d) : horizontal(d);
  FormDef* r = side.refIndex >= 1 && side.refIndex <= form.count ? &form.definitions[side.refIndex] : nullptr;
  bool refPos = r && (isVertical ? r->yResolved : r->xResolved);
  bool refSize = r && (isVertical ? r->hResolved : r->wResolved);
  int rPos = r ? (isVertical ? r->y : r->x) : 0;
  int rSize = r ? (isVertical ? r->h : r->w) : 0;
  int o = side.offset;
  switch (rule) {
    case Rule::AtOffset: a.pos = o, a.posSet = 1; break;
    case Rule::FromFarEdge: a.pos = extent - o, a.posSet = 1; break;
    case Rule::AfterRef:
      if (refPos && refSize) a.pos = rPos + rSize + o, a.posSet = 1;
      break;
    case Rule::AlignRefStart:
      if (refPos) a.pos = rPos + o, a.posSet = 1;
      break;
    case Rule::FixedSize: a.size = o, a.sizeSet = 1; break;
    case Rule::NaturalSize: {
      int w, h;
      naturalSize(d, &w, &h);
      a.size = isVertical ? h : w;
      a.sizeSet = 1;
      break;
    }
    case Rule::FarEdgeInset: placeTrailingEdge(a, extent - o); break;
    case Rule::EdgeAt: placeTrailingEdge(a, o); break;
    case Rule::BeforeRef:
      if (refPos) placeTrailingEdge(a, rPos - o);
      break;
    case Rule::AlignRefEnd:
      if (refPos && refSize) placeTrailingEdge(a, rPos + rSize - o);
      break;
    case Rule::None: break;
  }
}

}  // namespace

void HwForm::doArrange() {
  for (int i = 1; i <= count; i++) {
    FormDef& d = definitions[i];
    d.xResolved = d.yResolved = d.wResolved = d.hResolved = 0;
  }
  int passes = 0;
  bool complete = false;
  while (!complete) {
    if (passes == kMaxPasses) {
      char text[kGVMessageMax];
      std::snprintf(text, sizeof text, "%s %d", "HwForm::doArrange: reached max iterations = ", kMaxPasses + 1);
      GVShowMessage(text);
      return;
    }
    complete = true;
    for (int i = 1; i <= count; i++) {
      FormDef& d = definitions[i];
      if (d.skip) continue;
      applySide(*this, d, d.top, true, true, height);
      applySide(*this, d, d.bottom, false, true, height);
      applySide(*this, d, d.left, true, false, width);
      applySide(*this, d, d.right, false, false, width);
    }
    for (int i = 1; i <= count; i++) {
      const FormDef& d = definitions[i];
      if (!d.skip && !(d.xResolved && d.yResolved && d.wResolved && d.hResolved)) complete = false;
    }
    passes++;
  }
  for (int i = 1; i <= count; i++) {
    const FormDef& d = definitions[i];
    if (d.skip || d.kind < 1 || d.kind > kKinds || !gKinds[d.kind].move) continue;
    gKinds[d.kind].move(d.control, d.x + inset, d.y + inset, d.w, d.h);
  }
}
