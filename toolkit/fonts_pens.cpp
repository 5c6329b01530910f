// Shared fonts, pens and brushes, the font lookup and the control-id counter.
#include "toolkit/fonts_pens.h"

#include <cstdio>

#include "platform/kernel32.h"
#include "platform/user32.h"
#include "toolkit/messages.h"

HFONT QwFontTable[kQwFontSlots] = {};
QwPenBrushSet QwPens = {};
int QwNextControlId = 3000;
int QwMaxControlId = 4000;

namespace {

struct FontSpec {
  const char* face;
  int height;  // negative: character height, positive: cell height
  int weight;
};

const FontSpec kFonts[kQwFontSlots] = {
    {"Arial", -10, 700},     {"Arial", -12, 0},  {"Arial", -12, 700},       {"Arial", -16, 700},
    {"Arial", 16, 0},        {"TimesRoman", 16, 400}, {"TimesRoman", 19, 0},
};

struct PenBrushSpec {
  HGDIOBJ QwPenBrushSet::*member;  // pens and brushes share the handle type
  bool pen;
  int width;
  COLORREF colour;
};

// In creation order.
const PenBrushSpec kPenBrushes[] = {
    {&QwPenBrushSet::brushGrey80, false, 0, RGB(80, 80, 80)},
    {&QwPenBrushSet::brushGrey100, false, 0, RGB(100, 100, 100)},
    {&QwPenBrushSet::brushGrey191, false, 0, RGB(191, 191, 191)},
    {&QwPenBrushSet::penGrey100, true, 1, RGB(100, 100, 100)},
    {&QwPenBrushSet::brushBlack, false, 0, RGB(0, 0, 0)},
    {&QwPenBrushSet::penBlack, true, 1, RGB(0, 0, 0)},
    {&QwPenBrushSet::penYellow2, true, 2, RGB(250, 250, 100)},
    {&QwPenBrushSet::penYellow3, true, 3, RGB(250, 250, 100)},
    {&QwPenBrushSet::brushOrange, false, 0, RGB(250, 150, 100)},
    {&QwPenBrushSet::brushPink, false, 0, RGB(250, 150, 200)},
    {&QwPenBrushSet::brushRose, false, 0, RGB(255, 150, 150)},
    {&QwPenBrushSet::brushRed, false, 0, RGB(250, 0, 0)},
    {&QwPenBrushSet::penRed, true, 1, RGB(250, 0, 0)},
    {&QwPenBrushSet::brushGreen, false, 0, RGB(0, 250, 0)},
    {&QwPenBrushSet::penGreen2, true, 2, RGB(0, 250, 0)},
    {&QwPenBrushSet::brushSlate, false, 0, RGB(150, 150, 170)},
    {&QwPenBrushSet::brushLavender, false, 0, RGB(140, 140, 250)},
    {&QwPenBrushSet::penLavender2, true, 2, RGB(180, 180, 255)},
    {&QwPenBrushSet::penBlue, true, 1, RGB(80, 80, 250)},
    {&QwPenBrushSet::brushNavy, false, 0, RGB(0, 0, 50)},
    {&QwPenBrushSet::penNavy2, true, 2, RGB(0, 0, 50)},
    {&QwPenBrushSet::brushGrey200, false, 0, RGB(200, 200, 200)},
    {&QwPenBrushSet::brushGrey220, false, 0, RGB(220, 220, 220)},
    {&QwPenBrushSet::brushToolTip, false, 0, RGB(220, 100, 100)},
    {&QwPenBrushSet::brushGrey170, false, 0, RGB(170, 170, 170)},
    {&QwPenBrushSet::brushBackground, false, 0, RGB(65, 65, 65)},
    {&QwPenBrushSet::penGrey70, true, 1, RGB(70, 70, 70)},
    {&QwPenBrushSet::brushGrey90, false, 0, RGB(90, 90, 90)},
    {&QwPenBrushSet::penGrey170, true, 1, RGB(170, 170, 170)},
};

struct FontLookup {
  int family, style, pixels, slot;
};

const FontLookup kLookups[] = {
    {1, 0, 12, 2}, {1, 0, -16, 5}, {2, 0, -16, 6}, {2, 0, -19, 7},
    {1, 4, 10, 1}, {1, 4, 12, 3},  {1, 4, 16, 4},
};

}  // namespace

void QwCreateFont() {
  for (int i = 0; i < kQwFontSlots; i++) {
    const FontSpec& f = kFonts[i];
    QwFontTable[i] = CreateFontA(f.height, 0, 0, 0, f.weight, 0, 0, 0, DEFAULT_CHARSET, OUT_OUTLINE_PRECIS,
                                 CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, VARIABLE_PITCH, f.face);
    if (!QwFontTable[i]) GVShowMessage("QwCreateFont: Font creation failed!");
  }
}

void QwDeleteFont() {
  for (HFONT& font : QwFontTable) {
    if (font) DeleteObject(font);
    font = nullptr;
  }
}

HFONT QWGetFont(int qwfontID, int pixelValue, int style) {
  for (const FontLookup& l : kLookups)
    if (l.family == qwfontID && l.style == style && l.pixels == pixelValue) return QwFontTable[l.slot - 1];
  char text[kGVMessageMax];
  std::snprintf(text, sizeof text,
                "QWGetFont not defined:  qwfontID ( %d )  ...   pnt,pix = (%d, %d) ...   style %d", qwfontID, 0,
                pixelValue, style);
  GVMessage(text);
  return QwFontTable[0];
}

void QwCreatePenBrushSet() {
  for (const PenBrushSpec& s : kPenBrushes)
    QwPens.*s.member = s.pen ? CreatePen(PS_SOLID, s.width, s.colour) : CreateSolidBrush(s.colour);
}

void QwDeletePenBrushSet() {
  for (const PenBrushSpec& s : kPenBrushes) {
    if (QwPens.*s.member) DeleteObject(QwPens.*s.member);
    QwPens.*s.member = nullptr;
  }
}

int QwTakeControlId() {
  // The counter stops one past the limit, so it never overflows.
  if (QwNextControlId <= QwMaxControlId) QwNextControlId++;
  return QwNextControlId > QwMaxControlId ? -1 : QwNextControlId;
}

int QwPixelValue(HWND window, int points) {
  HDC dc = GetDC(window);
  int pixels = -MulDiv(points, GetDeviceCaps(dc, LOGPIXELSY), 72);
  ReleaseDC(window, dc);
  return pixels;
}

int QwFontHeight(HWND window, HFONT font) {
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, font);
  int height = QwTextHeight(dc);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  return height;
}

int QwTextHeight(HDC dc) {
  TEXTMETRICA tm = {};
  GetTextMetricsA(dc, &tm);
  return tm.tmHeight;
}
