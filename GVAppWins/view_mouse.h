// The 3-D view's mouse and keys: which tool acts is decided at each event
// from a fixed order (vehicle steering, camera tools, move tool, structure
// edit, part rectangle, dragging Jels while running, selection).
#pragma once

#include <cstdint>

#include "platform/win32.h"

struct GVView;
struct ViewDragRec;

void GVViewMouseDown(GVView* view, HWND window);
void GVViewMouseMove(GVView* view, HWND window);
// One camera-tool step from the drag record's last move.
void GVViewCameraDrag(GVView* view, ViewDragRec* drag);
// A cell added (left) or removed (right) at the current Jel's face under the
// point; the Jel keeps its place, its velocity and its mirror.
void GVViewEditStructure(GVView* view, int32_t x, int32_t y, int32_t button);

// The window procedure's input branches; each returns the message's result.
LRESULT GVViewKeyDown(GVView* view, WPARAM key);
LRESULT GVViewKeyUp(GVView* view);
LRESULT GVViewChar(GVView* view, WPARAM ch);
LRESULT GVViewButtonDown(HWND hwnd, GVView* view, int32_t button, LPARAM lParam);
LRESULT GVViewPointerMove(HWND hwnd, GVView* view, LPARAM lParam);
LRESULT GVViewButtonUp(GVView* view);
