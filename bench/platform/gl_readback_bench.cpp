// A full-HD GL frame carried into its window's pixels every frame, as the 3-D
// view does: clear, SwapBuffers (read-back into the window surface). Counts the
// heap allocations made per frame once the first frame is through.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "platform/screen_image.h"
#include "platform/test_api.h"
#include "platform/win32.h"

// After our headers, whose empty APIENTRY the GL header keeps.
#include <GL/gl.h>

namespace {
std::atomic<size_t> gAllocations{0};
}  // namespace

void* operator new(size_t size) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }

namespace {

LRESULT CALLBACK glProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_ERASEBKGND) return 1;
  return DefWindowProcA(hwnd, msg, wp, lp);
}

// clear: a new frame is drawn each time (the view's case); otherwise the same
// frame is swapped again, which leaves the read-back alone in the measure.
void run(benchmark::State& state, bool clear) {
  GVTestReset();
  WNDCLASSEXA wc = {};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = glProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "GLBench";
  RegisterClassExA(&wc);
  HWND window = CreateWindowExA(0, "GLBench", "", WS_POPUP | WS_VISIBLE, 0, 0, 1920, 1080, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
  HDC dc = GetDC(window);
  PIXELFORMATDESCRIPTOR pfd = {};
  pfd.nSize = sizeof pfd;
  pfd.nVersion = 1;
  pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  pfd.cColorBits = 32;
  pfd.cDepthBits = 24;
  int format = ChoosePixelFormat(dc, &pfd);
  HGLRC context = nullptr;
  if (!format || !SetPixelFormat(dc, format, &pfd) || !(context = wglCreateContext(dc)) ||
      !wglMakeCurrent(dc, context)) {
    state.SkipWithError("no GL display");
    GVTestReset();
    return;
  }
  glViewport(0, 0, 1920, 1080);
  auto frame = [&](int n) {
    if (clear || n < 2) {
      glClearColor(static_cast<float>(n % 2), 0.5f, 0.25f, 1.0f);
      glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    SwapBuffers(dc);
  };
  frame(0);
  frame(1);
  int n = 0;
  size_t before = gAllocations.load();
  for (auto _ : state) frame(n++);
  state.counters["allocations_per_frame"] = benchmark::Counter(
      static_cast<double>(gAllocations.load() - before), benchmark::Counter::kAvgIterations);
  wglMakeCurrent(nullptr, nullptr);
  wglDeleteContext(context);
  ReleaseDC(window, dc);
  GVTestReset();
}
void SwapFullHdFrameIntoWindow(benchmark::State& state) { run(state, true); }
void SwapUnchangedFullHdFrameIntoWindow(benchmark::State& state) { run(state, false); }
BENCHMARK(SwapFullHdFrameIntoWindow)->Unit(benchmark::kMillisecond);
BENCHMARK(SwapUnchangedFullHdFrameIntoWindow)->Unit(benchmark::kMillisecond);

}  // namespace
