// Small drawing routines shared by the controls' paint code, and the blitters of
// the toolkit's bitmap resources. Each restores the text colour and background
// mode it changes.
#pragma once

#include "platform/gdi32.h"

// Mode 0 centres the text in the rectangle; mode -1 puts it at x + offset. It is
// centred vertically in both.
void GVDrawTextCentred(int x, int y, int width, int height, int offset, int mode, COLORREF colour,
                       const char* text, HDC hdc);
// Text with tabs at left 8, centred vertically in the band y .. y + height.
void GVDrawTabbedText(int y, int height, const char* text, int length, HDC hdc);
void GVFillRect(int x, int y, int width, int height, HDC hdc, HBRUSH brush);
// A line with the pen selected in the DC.
void GVDrawLine(HDC hdc, int x0, int y0, int x1, int y1);
void GVDrawText(HDC hdc, int x, int y, int red, int green, int blue, const char* text, int length);

struct GVColourRec {
  int red, green, blue;
};
void GVDrawTextRGB(HDC hdc, const GVColourRec* colour, int x, int y, const char* text, int length);

// The module whose bitmap resources the blitters load (set by the start-up).
extern HINSTANCE QwInstance;

// The border width of a frame style: its corner size, 0 for style 0 and unknown styles.
int GVFrameBorder(int style);
// A window frame of style 1..5 (bitmaps 136..140) around width x height: corners
// copied, edges stretched. Other styles draw nothing and succeed.
bool LoadImageFr(int style, int width, int height, HDC hdc);
// The whole bitmap stretched to 0, 0, width, height.
bool LoadImageStr(HDC hdc, int id, int width, int height);
bool LoadImageStrXYWH(HDC hdc, int id, int x, int y, int width, int height);
// The bitmap at its own size.
bool LoadImageXY(HDC hdc, int id, int x, int y);
// The image at x + offset, y + offset: copied where the mask is set, ANDed onto
// the destination elsewhere.
bool LoadImageMsk(HDC hdc, int imageId, int maskId, int x, int y, int offset);
