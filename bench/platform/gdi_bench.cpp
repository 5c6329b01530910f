// Costs of the drawing calls every control makes on each paint: a line of text,
// a bitmap button face loaded from the resources and stretched, a filled area.
#include <benchmark/benchmark.h>

#include "platform/gdi32.h"

namespace {

struct Canvas {
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ old;
  Canvas(int w, int h) {
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateBitmap(w, h, 1, 32, nullptr);
    old = SelectObject(dc, bitmap);
  }
  ~Canvas() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
};

void TextLineArial12(benchmark::State& state) {
  Canvas c(400, 30);
  HFONT f = CreateFontA(-12, 0, 0, 0, 0, 0, 0, 0, DEFAULT_CHARSET, OUT_OUTLINE_PRECIS,
                        CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, VARIABLE_PITCH, "Arial");
  HGDIOBJ old = SelectObject(c.dc, f);
  SetBkMode(c.dc, TRANSPARENT);
  const char text[] = "Geo:  \"Block_01\" {3}    '12':-   v 248,   f 246";
  for (auto _ : state) TextOutA(c.dc, 4, 4, text, sizeof text - 1);
  SelectObject(c.dc, old);
  DeleteObject(f);
}
BENCHMARK(TextLineArial12)->Unit(benchmark::kMicrosecond);

void ButtonFaceFromResource(benchmark::State& state) {
  Canvas c(120, 24);
  for (auto _ : state) {
    HBITMAP b = static_cast<HBITMAP>(
        LoadImageA(nullptr, MAKEINTRESOURCEA(141), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    HDC mem = CreateCompatibleDC(c.dc);
    HGDIOBJ old = SelectObject(mem, b);
    BITMAP bm;
    GetObjectA(b, sizeof bm, &bm);
    StretchBlt(c.dc, 0, 0, 120, 24, mem, 0, 0, bm.bmWidth, bm.bmHeight, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(b);
  }
}
BENCHMARK(ButtonFaceFromResource)->Unit(benchmark::kMicrosecond);

void FillClientArea800x600(benchmark::State& state) {
  Canvas c(800, 600);
  HBRUSH brush = CreateSolidBrush(RGB(65, 65, 65));
  RECT r = {0, 0, 800, 600};
  for (auto _ : state) FillRect(c.dc, &r, brush);
  DeleteObject(brush);
}
BENCHMARK(FillClientArea800x600)->Unit(benchmark::kMicrosecond);

}  // namespace
