// A 3-D view of the given client size in a bare main window, started as the
// program's main window starts its view, for the view benchmarks.
#pragma once

#include <unistd.h>

#include <string>

#include "GVAppWins/ogre_view.h"
#include "GVAppWins/view_links.h"
#include "GVAppWins/view_window.h"
#include "platform/test_api.h"

inline LRESULT CALLBACK GVBenchMainProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  return DefWindowProcA(hwnd, msg, wp, lp);
}

// The engine reads "plugins.cfg", "ogre.cfg" and "media" from the working
// folder; the build puts them beside the benchmark, so a benchmark started from
// any folder works there.
inline void GVBenchEnterOwnFolder() {
  char exe[4096];
  const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n <= 0) return;
  std::string folder(exe, static_cast<size_t>(n));
  folder.erase(folder.find_last_of('/') + 1);
  if (!folder.empty() && chdir(folder.c_str()) != 0) return;
}

// False when the engine did not start (it needs an X display).
inline bool GVBenchStartView(GVView* view, int width, int height) {
  GVBenchEnterOwnFolder();
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
  wc.lpfnWndProc = GVBenchMainProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "BenchMain";
  RegisterClassExA(&wc);
  HWND main = CreateWindowExA(0, "BenchMain", "", WS_POPUP | WS_VISIBLE, 0, 0, 1300, 860, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  GVSetMainView(view);
  GVCreateView(view, GetModuleHandleA(nullptr), main, width, height, nullptr, nullptr, nullptr);
  if (!gOgreData) return false;
  GVMoveView(view, 0, 0, width, height);
  GVTestPumpMessages();
  return true;
}

inline void GVBenchStopView(GVView* view) {
  GVDestroyView(view);
  GVSetMainView(nullptr);
  GVTestReset();
}
