// One frame of the walls-only 3-D view at 1280 x 800: the engine renders into
// the view texture and the frame is read back into the view window. Run from
// this folder under an X display (xvfb-run).
#include <benchmark/benchmark.h>

#include "GVAppWins/ogre_view.h"
#include "GVAppWins/view_window.h"
#include "platform/test_api.h"

namespace {

LRESULT CALLBACK mainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return DefWindowProcA(hwnd, msg, wp, lp);
}

void BM_WallsViewFrame(benchmark::State& state) {
  GVTestReset();
  GVTestSetScreen(1400, 900);
  static float bounds[6] = {-12, 12, 0, 24, -12, 12};
  static const float background[3] = {0.75f, 0.75f, 0.75f};
  GVViewSceneLinks links;
  links.bounds = bounds;
  links.background = background;
  GVSetViewSceneLinks(links);
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = mainProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "BenchMain";
  RegisterClassExA(&wc);
  HWND main = CreateWindowExA(0, "BenchMain", "", WS_POPUP | WS_VISIBLE, 0, 0, 1300, 860, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  GVView view;
  GVSetMainView(&view);
  GVCreateView(&view, GetModuleHandleA(nullptr), main, 1280, 800 + kViewStripHeight, nullptr, nullptr, nullptr);
  if (!gOgreData) {
    state.SkipWithError("the 3-D engine did not start (needs an X display)");
    return;
  }
  GVMoveView(&view, 0, 0, 1280, 800 + kViewStripHeight);
  GVTestPumpMessages();
  for (auto _ : state) GVRedrawView(&view);
  state.counters["width"] = gOgreData->mViewWidth;
  state.counters["height"] = gOgreData->mViewHeight;
  GVDestroyView(&view);
  GVSetMainView(nullptr);
  GVTestReset();
}
BENCHMARK(BM_WallsViewFrame)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
