// The whole screen path: 200 windows on a full-HD screen, 20 of them redrawn
// through GDI each frame, then composed and (with an X display) presented.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "platform/display.h"
#include "platform/screen_image.h"
#include "platform/test_api.h"
#include "platform/win32.h"

namespace {

LRESULT CALLBACK plainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return DefWindowProcA(hwnd, msg, wp, lp);
}

void run(benchmark::State& state, bool display) {
  GVTestReset();
  if (display && !GVDisplayStart()) {
    state.SkipWithError("no X display");
    return;
  }
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = plainProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
  wc.lpszClassName = "BenchWindow";
  RegisterClassExA(&wc);
  std::mt19937 rng(12345);
  std::uniform_int_distribution<int> w(120, 480), h(80, 360), x(0, 1800), y(0, 1000);
  std::vector<HWND> windows;
  for (int i = 0; i < 200; i++)
    windows.push_back(CreateWindowExA(0, "BenchWindow", "", WS_POPUP | WS_VISIBLE, x(rng), y(rng), w(rng),
                                      h(rng), nullptr, nullptr, GetModuleHandleA(nullptr), nullptr));
  GVComposeScreen();
  if (display) GVDisplayPresent();
  HBRUSH brushes[2] = {CreateSolidBrush(RGB(65, 65, 65)), CreateSolidBrush(RGB(200, 200, 200))};
  size_t next = 0, frame = 0;
  for (auto _ : state) {
    for (int k = 0; k < 20; k++) {
      HWND hwnd = windows[next];
      HDC dc = GetDC(hwnd);
      RECT r;
      GetClientRect(hwnd, &r);
      FillRect(dc, &r, brushes[frame % 2]);
      ReleaseDC(hwnd, dc);
      next = (next + 7) % windows.size();
    }
    if (display)
      GVDisplayPresent();
    else
      GVComposeScreen();
    frame++;
  }
  DeleteObject(brushes[0]);
  DeleteObject(brushes[1]);
  if (display) GVDisplayStop();
  GVTestReset();
  GVComposeScreen();
}

void DrawAndComposeFullHd200Windows20Changed(benchmark::State& state) { run(state, false); }
void DrawComposeAndPresentFullHd200Windows20Changed(benchmark::State& state) { run(state, true); }
BENCHMARK(DrawAndComposeFullHd200Windows20Changed)->Unit(benchmark::kMillisecond);
BENCHMARK(DrawComposeAndPresentFullHd200Windows20Changed)->Unit(benchmark::kMillisecond);

}  // namespace
