// The toolkit's shared GDI objects: seven fonts, the pens and brushes every
// control paints with, and the control-id counter. Made by the toolkit's start-up,
// deleted by its shut-down.
#pragma once

#include "platform/gdi32.h"

// Font slots 1..7 are QwFontTable[0..6]; a slot whose font failed stays null.
constexpr int kQwFontSlots = 7;
extern HFONT QwFontTable[kQwFontSlots];

void QwCreateFont();
void QwDeleteFont();

// Family 1 Arial, 2 TimesRoman; style 0 ordinary text, 4 bold button labels. An
// unknown combination is reported and gives slot 1.
HFONT QWGetFont(int qwfontID, int pixelValue, int style);
// The pixel value of a point size on the window's screen (minus points times
// LOGPIXELSY / 72), as the controls hand it to QWGetFont.
int QwPixelValue(HWND window, int points);
// The text-metric height of a font on the window's screen.
int QwFontHeight(HWND window, HFONT font);
// The text-metric height of the font selected in the device context.
int QwTextHeight(HDC dc);

struct QwPenBrushSet {
  HBRUSH brushGrey80;
  HBRUSH brushGrey100;
  HBRUSH brushGrey191;
  HPEN penGrey100;
  HBRUSH brushBlack;
  HPEN penBlack;
  HPEN penYellow2;
  HPEN penYellow3;
  HBRUSH brushOrange;
  HBRUSH brushPink;
  HBRUSH brushRose;
  HBRUSH brushRed;
  HPEN penRed;
  HBRUSH brushGreen;
  HPEN penGreen2;
  HBRUSH brushSlate;
  HBRUSH brushLavender;
  HPEN penLavender2;
  HPEN penBlue;
  HBRUSH brushNavy;
  HPEN penNavy2;
  HBRUSH brushGrey200;
  HBRUSH brushGrey220;
  HBRUSH brushToolTip;
  HBRUSH brushGrey170;
  HBRUSH brushBackground;
  HPEN penGrey70;
  HBRUSH brushGrey90;
  HPEN penGrey170;
};
extern QwPenBrushSet QwPens;

void QwCreatePenBrushSet();
void QwDeletePenBrushSet();

// Each control that makes a child window takes the next id: 3001 first, and -1
// once the ids pass QwMaxControlId.
extern int QwNextControlId;
extern int QwMaxControlId;
int QwTakeControlId();
