// Slider groups: layout, the 1000-step knob mapping, range fitting and nice
// limits, the track's painting and its mouse handling.
#include "toolkit/slider_group.h"

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/gdi32.h"
#include "toolkit/drawing.h"
#include "toolkit/edit_control.h"
#include "toolkit/fonts_pens.h"
#include "toolkit/label.h"
#include "toolkit/window_classes.h"

namespace {

constexpr DWORD kTrackStyle = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr int kSteps = 1000;
constexpr int kVerticalEntryHeight = 25;
constexpr int kLabelPoints = 12;
constexpr int kLabelMargin = 4;
constexpr int kDecimalsWithoutEntry = 3;

// The knob pixel while a knob is dragged, one word per axis: only one knob
// moves at a time.
int gDragX = 0;
int gDragY = 0;

struct Box {
  int x, y, w, h;
};

struct Layout {
  Box label, edit, track;
};

Layout layoutFor(const HwSliderGroup& g, int w, int h) {
  Layout l = {};
  if (g.vertical) {
    int entryH = g.noEdit ? 0 : kVerticalEntryHeight;
    l.edit = {0, 0, g.editWidth, entryH};
    l.track = {0, entryH, w, h - entryH};
  } else {
    l.label = {0, 0, g.labelWidth, h};
    l.edit = {g.labelWidth, 0, g.editWidth, h};
    l.track = {g.labelWidth + g.editWidth, 0, w - g.labelWidth - g.editWidth, h};
  }
  return l;
}

int clampInt(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

// s = (value - minimum) x 1000 / (maximum - minimum), truncated, then the pixel
// s x U / 1000. Values far outside the range keep s within what an int holds.
int knobPixelFromSteps(double steps, int usable) {
  if (!(steps == steps)) return 0;
  double s = std::trunc(steps);
  if (s > 1e6) s = 1e6;
  if (s < -1e6) s = -1e6;
  return static_cast<int>(static_cast<int64_t>(s) * usable / kSteps);
}

int64_t ceilMultiple(int64_t m, int64_t d) { return (m + d - 1) / d * d; }

}  // namespace

void HwSliderGroup::create(int sliderKind, int labelW, HINSTANCE instance, HWND parent, int x, int y, int w, int h,
                           const char* labelText, int editW, int iMin, int iValue, int iMax, float fMin,
                           float fValue, float fMax, unsigned sliderFlags, int iStep, float fStep,
                           HwSliderIntCB iCB, HwSliderFloatCB fCB, void* userWord) {
  kind = sliderKind;
  width = w;
  height = h;
  intMinimum = iMin, intValue = iValue, intMaximum = iMax;
  floatMinimum = fMin, floatValue = fValue, floatMaximum = fMax;
  flags = sliderFlags;
  intStep = iStep;
  floatStep = fStep;
  intCB = iCB;
  floatCB = fCB;
  user = userWord;
  knobWidth = knobHeight = 21;
  dragging = 0;
  vertical = (flags & kSliderVertical) ? 1 : 0;
  noEdit = (flags & kSliderNoEntry) ? 1 : 0;
  noLabel = (flags & (kSliderVertical | kSliderNoLabel)) ? 1 : 0;
  labelWidth = noLabel ? 0 : labelW;
  editWidth = noEdit ? 0 : editW;
  if (!labelText) labelText = "";

  frame.create(parent, instance, x, y, width, height, 0, 0);
  border = frame.border;
  int innerW = width - 2 * border, innerH = height - 2 * border;
  window = frame.createInner("SliderGrpClass", "TXT", instance, this);
  Layout l = layoutFor(*this, innerW, innerH);
  if (!noLabel)
    label = new HwLabel(window, labelText, instance, l.label.x, l.label.y, l.label.w, l.label.h, kLabelPoints, 0, 1,
                        kLabelMargin);
  if (!noEdit)
    edit = new HwEditControl(kind, static_cast<int>(flags & kSliderDecimals), window, instance, l.edit.x, l.edit.y,
                             l.edit.w, l.edit.h, intValue, floatValue, "", commitInt, commitFloat, nullptr, this);
  int id = QwTakeControlId();
  track = CreateWindowExA(0, "SliderGrpClass", labelText, kTrackStyle, l.track.x, l.track.y, l.track.w, l.track.h,
                          window, reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), instance, nullptr);
  if (track) SetWindowLongA(track, GWL_USERDATA, reinterpret_cast<LONG_PTR>(this));
  if (kind == 0)
    setIntValue(intValue);
  else
    setValue(floatValue);
  if (track) {
    ShowWindow(track, SW_SHOW);
    UpdateWindow(track);
  }
}

void HwSliderGroup::addInt(int labelW, HINSTANCE instance, HWND parent, int x, int y, int w, int h,
                           const char* labelText, int editW, int minimum, int value, int maximum,
                           unsigned sliderFlags, int step, HwSliderIntCB callback, void* userWord) {
  create(0, labelW, instance, parent, x, y, w, h, labelText, editW, minimum, value, maximum, 0, 0, 0, sliderFlags,
         step, 0, callback, nullptr, userWord);
}

void HwSliderGroup::addFloat(int labelW, HINSTANCE instance, HWND parent, int x, int y, int w, int h,
                             const char* labelText, int editW, float minimum, float value, float maximum,
                             unsigned sliderFlags, float step, HwSliderFloatCB callback, void* userWord) {
  create(1, labelW, instance, parent, x, y, w, h, labelText, editW, 0, 0, 0, minimum, value, maximum, sliderFlags, 0,
         step, nullptr, callback, userWord);
}

void HwSliderGroup::layout() {
  int innerW = width - 2 * border, innerH = height - 2 * border;
  Layout l = layoutFor(*this, innerW, innerH);
  if (label) label->move(l.label.x, l.label.y, l.label.w, l.label.h);
  if (edit) edit->move(l.edit.x, l.edit.y, l.edit.w, l.edit.h);
  if (track) MoveWindow(track, l.track.x, l.track.y, l.track.w, l.track.h, TRUE);
}

void HwSliderGroup::move(int x, int y, int w, int h) {
  width = w;
  height = h;
  frame.moveWithInner(window, x, y, w, h);
  layout();
  update();
}

void HwSliderGroup::destroy() {
  GVDetachObject(window, this);
  GVDetachObject(track, this);
  delete label;
  delete edit;
  label = nullptr;
  edit = nullptr;
  frame.destroy();
}

int HwSliderGroup::usableAlong(bool verticalAxis) const {
  RECT r = {0, 0, 0, 0};
  if (track) GetClientRect(track, &r);
  return verticalAxis ? r.bottom - knobHeight : r.right - knobWidth;
}

int HwSliderGroup::usableLength() const { return usableAlong(vertical != 0); }

// A range of no width, or a track no longer than the knob, has no mapping: the
// knob stays at 0 and the value is kept.
int HwSliderGroup::intPixel(int usable) const {
  if (intMaximum == intMinimum || usable <= 0) return 0;
  int64_t steps = (static_cast<int64_t>(intValue) - intMinimum) * kSteps / (static_cast<int64_t>(intMaximum) - intMinimum);
  return knobPixelFromSteps(static_cast<double>(steps), usable);
}

int HwSliderGroup::intToPixelX() { return knobX = intPixel(usableAlong(false)); }

int HwSliderGroup::intToPixelY() { return knobY = intPixel(usableAlong(true)); }

int HwSliderGroup::floatToPixel() {
  int usable = usableLength();
  double range = static_cast<double>(floatMaximum) - floatMinimum;
  int pixel = range == 0 || usable <= 0
                  ? 0
                  : knobPixelFromSteps((static_cast<double>(floatValue) - floatMinimum) * kSteps / range, usable);
  (vertical ? knobY : knobX) = pixel;
  return pixel;
}

void HwSliderGroup::pixelToValue(int pixel) {
  int usable = usableLength();
  if (usable <= 0) return;
  int s = clampInt(pixel, 0, usable) * kSteps / usable;
  if (kind == 0) {
    intValue = static_cast<int>(intMinimum + static_cast<int64_t>(s) * (static_cast<int64_t>(intMaximum) - intMinimum) /
                                                 kSteps);
    if (edit) edit->setInt(intValue);
    return;
  }
  double v = s * (static_cast<double>(floatMaximum) - floatMinimum) / kSteps + floatMinimum;
  // The value carries only the decimals the entry shows.
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", edit ? edit->decimals : kDecimalsWithoutEntry, v);
  floatValue = static_cast<float>(std::atof(text));
  if (edit) edit->setFloat(floatValue);
}

void HwSliderGroup::redrawTrack() {
  if (track) RedrawWindow(track, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void HwSliderGroup::update() {
  if (kind == 0)
    vertical ? intToPixelY() : intToPixelX();
  else
    floatToPixel();
  redrawTrack();
}

void HwSliderGroup::setEntryIntRange(int minimum, int maximum) {
  if (edit) edit->setIntRange(minimum, maximum);
}

void HwSliderGroup::setIntValue(int value) {
  intValue = value;
  if (edit) edit->setInt(value);
  update();
}

void HwSliderGroup::setValue(float value) {
  floatValue = value;
  if (edit) edit->setFloat(value);
  update();
}

void HwSliderGroup::setRangeInt(int minimum, int maximum) {
  intMinimum = minimum;
  intMaximum = maximum;
  update();
}

void HwSliderGroup::setRange(float minimum, float maximum) {
  floatMinimum = minimum;
  floatMaximum = maximum;
  update();
}

void HwSliderGroup::setRangeValue(float minimum, float value, float maximum) {
  floatMinimum = minimum;
  floatMaximum = maximum;
  setValue(value);
}

void HwSliderGroup::setIntRangeValue(int minimum, int value, int maximum) {
  intMinimum = minimum;
  intMaximum = maximum;
  setIntValue(value);
}

// A step of 0 or below never reaches the magnitude: such a slider is treated as
// one without the step flag.
int HwSliderGroup::niceLimitInt(int magnitude) const {
  int64_t m = magnitude;
  int64_t limit;
  if (flags & kSliderPowerOfTen) {
    int64_t p = 1;
    while (p < m) p *= 10;
    int64_t d = p / 10 > 1 ? p / 10 : 1;
    limit = m < 1 ? 0 : ceilMultiple(m, d);
    if (limit < intStep) limit = intStep;
  } else if ((flags & kSliderStepped) && intStep > 0) {
    limit = m <= intStep ? intStep : ceilMultiple(m, intStep);
  } else {
    limit = 1;
  }
  if (limit < 1) limit = 1;
  return limit > INT32_MAX ? INT32_MAX : static_cast<int>(limit);
}

float HwSliderGroup::niceLimit(float magnitude) const {
  if (std::isnan(magnitude)) magnitude = 0;
  if (std::isinf(magnitude)) return FLT_MAX;
  double m = magnitude;
  double limit;
  if (flags & kSliderPowerOfTen) {
    if (m <= 1.0) {
      limit = 1.0;
    } else {
      double p = 1.0;
      while (p < m) p *= 10.0;
      double d = p / 10.0 > 1.0 ? p / 10.0 : 1.0;
      limit = std::ceil(m / d) * d;
      if (limit < floatStep) limit = floatStep;
    }
  } else if ((flags & kSliderStepped) && floatStep > 0) {
    limit = m <= floatStep ? floatStep : std::ceil(m / floatStep) * floatStep;
  } else {
    limit = 0;
  }
  if (limit < 0.1) limit = 0.1;
  return limit > FLT_MAX ? FLT_MAX : static_cast<float>(limit);
}

namespace {

// The fitting rule, for both kinds: niceOf gives the limit of a magnitude.
template <typename T, typename NiceOf>
void fitRange(unsigned flags, T* value, T* minimum, T* maximum, NiceOf niceOf) {
  T v = *value;
  if (v >= *minimum && v <= *maximum) return;
  if (v > *maximum && !(flags & kSliderAutoExtend)) {
    *value = *maximum;
  } else if (v < *minimum && !(flags & kSliderSymmetric)) {
    *value = *minimum;
  } else {
    double m = std::fabs(static_cast<double>(v));
    double bound = v > *maximum ? static_cast<double>(*maximum) : -static_cast<double>(*minimum);
    T limit = m > bound ? niceOf(m) : T(0);
    if (flags & kSliderAutoExtend) *maximum = limit;
    if (flags & kSliderSymmetric) *minimum = -limit;
  }
}

int intMagnitude(double m) { return m > INT32_MAX ? INT32_MAX : static_cast<int>(m); }

}  // namespace

void HwSliderGroup::fitRangeInt(int* value, int* minimum, int* maximum) const {
  *minimum = intMinimum;
  *maximum = intMaximum;
  fitRange(flags, value, minimum, maximum, [this](double m) { return niceLimitInt(intMagnitude(m)); });
}

void HwSliderGroup::fitRangeFloat(float* value, float* minimum, float* maximum) const {
  *minimum = floatMinimum;
  *maximum = floatMaximum;
  fitRange(flags, value, minimum, maximum, [this](double m) { return niceLimit(static_cast<float>(m)); });
}

int HwSliderGroup::commitInt(int, int value, void* group) {
  auto* g = static_cast<HwSliderGroup*>(group);
  g->fitRangeInt(&value, &g->intMinimum, &g->intMaximum);
  if (g->intCB) {
    HwLifeWatch watch(g->life);
    value = g->intCB(0, value, g->user);
    if (watch.gone()) return value;  // the owner freed the group
  }
  g->intValue = value;
  g->update();
  return value;
}

float HwSliderGroup::commitFloat(int, float value, void* group) {
  auto* g = static_cast<HwSliderGroup*>(group);
  g->fitRangeFloat(&value, &g->floatMinimum, &g->floatMaximum);
  if (g->floatCB) {
    HwLifeWatch watch(g->life);
    value = g->floatCB(0, value, g->user);
    if (watch.gone()) return value;  // the owner freed the group
  }
  g->floatValue = value;
  g->update();
  return value;
}

void HwSliderGroup::offerMinimise() {
  if (!(flags & kSliderOfferMinimise)) return;
  if (MessageBoxA(nullptr, "Minimise slider range?", "SliderGroup Message:", MB_OKCANCEL | MB_TASKMODAL) != IDOK)
    return;
  bool symmetric = (flags & kSliderSymmetric) != 0;
  bool toOwner = (flags & kSliderOwnerMinimises) != 0;
  if (kind == 0 && toOwner) {
    if (intCB) intCB(3, intValue, user);
  } else if (kind == 0) {
    int limit = niceLimitInt(intMagnitude(std::fabs(static_cast<double>(intValue))));
    setRangeInt(symmetric ? -limit : intMinimum, limit);
  } else if (toOwner) {
    if (floatCB) floatCB(3, floatValue, user);
  } else {
    float limit = niceLimit(std::fabs(floatValue));
    setRange(symmetric ? -limit : floatMinimum, limit);
  }
}

namespace {

void paintTrack(HwSliderGroup& g, HWND hwnd) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  RECT r;
  GetClientRect(hwnd, &r);
  FillRect(dc, &r, QwPens.brushBackground);
  int knob = g.dragging ? (g.vertical ? gDragY : gDragX) : g.knob();
  if (g.vertical) {
    LoadImageStrXYWH(dc, 199, 0, g.knobHeight / 2, r.right, r.bottom - g.knobHeight);
    LoadImageXY(dc, 198, (r.right - g.knobWidth) / 2 + 1, knob);
  } else {
    LoadImageStrXYWH(dc, 194, g.knobWidth / 2, 0, r.right - g.knobWidth, r.bottom);
    LoadImageXY(dc, 165, knob, (r.bottom - g.knobHeight) / 2 + 1);
  }
  EndPaint(hwnd, &ps);
}

int& dragWord(const HwSliderGroup& g) { return g.vertical ? gDragY : gDragX; }

// The value the owner answers to code (1 release, 2 drag move) becomes the value.
void askOwner(HwSliderGroup& g, int code) {
  HwLifeWatch watch(g.life);  // the owner may free the group
  if (g.kind == 0 && g.intCB) {
    int v = g.intCB(code, g.intValue, g.user);
    if (watch.gone()) return;
    if (code == 1) {
      g.setIntValue(v);
    } else {
      g.intValue = v;
      if (g.edit) g.edit->setInt(v);
    }
  } else if (g.kind == 1 && g.floatCB) {
    float v = g.floatCB(code, g.floatValue, g.user);
    if (watch.gone()) return;
    if (code == 1) {
      g.setValue(v);
    } else {
      g.floatValue = v;
      if (g.edit) g.edit->setFloat(v);
    }
  }
}

void pressTrack(HwSliderGroup& g, HWND hwnd, int pointer) {
  SetActiveWindow(hwnd);
  SetFocus(hwnd);
  SetCapture(hwnd);
  int size = g.vertical ? g.knobHeight : g.knobWidth;
  int& knob = g.vertical ? g.knobY : g.knobX;
  int anchor = pointer;
  if (pointer < knob || pointer > knob + size) {
    // Beside the knob: the knob's centre jumps under the pointer.
    int usable = g.usableLength();
    int pixel = usable > 0 ? clampInt(pointer - size / 2, 0, usable) : 0;
    g.pixelToValue(pixel);
    knob = pixel;
    g.redrawTrack();
    anchor = pixel + size / 2;
  }
  (g.vertical ? g.pressY : g.pressX) = anchor;
  dragWord(g) = knob;
  g.dragging = 1;
}

void dragTrack(HwSliderGroup& g, int pointer) {
  int usable = g.usableLength();
  int anchor = g.vertical ? g.pressY : g.pressX;
  int pixel = usable > 0 ? clampInt(g.knob() + pointer - anchor, 0, usable) : 0;
  g.pixelToValue(pixel);
  dragWord(g) = pixel;
  g.redrawTrack();
  if (g.flags & kSliderLive) askOwner(g, 2);
}

void releaseTrack(HwSliderGroup& g) {
  (g.vertical ? g.knobY : g.knobX) = dragWord(g);
  g.dragging = 0;
  g.redrawTrack();
  ReleaseCapture();
  askOwner(g, 1);
}

}  // namespace

LRESULT CALLBACK HwSliderGroupProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* g = reinterpret_cast<HwSliderGroup*>(GetWindowLongA(hwnd, GWL_USERDATA));
  if (!g || (hwnd != g->track && hwnd != g->window)) return DefWindowProcA(hwnd, msg, wp, lp);
  bool onTrack = hwnd == g->track;
  int pointer = g->vertical ? static_cast<short>(HIWORD(lp)) : static_cast<short>(LOWORD(lp));
  switch (msg) {
    case WM_CREATE:
    case WM_DESTROY:
    case WM_SIZE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS: return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT:
      if (onTrack)
        paintTrack(*g, hwnd);
      else
        GVPaintBackground(hwnd);
      return 0;
    case WM_LBUTTONDBLCLK:
      if (!onTrack) g->offerMinimise();
      return 0;
    case WM_LBUTTONDOWN:
      if (onTrack) pressTrack(*g, hwnd, pointer);
      return 0;
    case WM_MOUSEMOVE:
      if (onTrack && g->dragging && wp == MK_LBUTTON) dragTrack(*g, pointer);
      return 0;
    case WM_LBUTTONUP:
      if (onTrack && g->dragging) releaseTrack(*g);
      return 0;
    default: return DefWindowProcA(hwnd, msg, wp, lp);
  }
}
