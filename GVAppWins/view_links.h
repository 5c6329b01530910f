// What the 3-D view takes from the subsystems around it: the scene's
// process-wide records, the message routine, the default owner callback and
// the main window's view. The program's start-up puts them in place before the
// main window creates its view; tests install their own.
#pragma once

#include <cstdint>

struct GVView;
struct ViewDragRec;

// The scene records the view reads (any may be null while its owner is absent).
struct GVViewSceneLinks {
  float* bounds = nullptr;              // xmin, xmax, ymin, ymax, zmin, zmax
  int32_t* running = nullptr;           // nonzero while the simulation runs
  ViewDragRec* drag = nullptr;          // the pending mouse drag of the view
  int32_t* currentGeo = nullptr;        // {Geo id, word, picked vertex}
  int32_t* currentJel = nullptr;        // {Jel id, part, picked node}
  const float* background = nullptr;   // display settings' background red, green, blue
  const int32_t* backdropMode = nullptr;  // display settings' backdrop mode (bit 1 sky)
  const float* skyDistance = nullptr;   // display settings' sky distance
};
void GVSetViewSceneLinks(const GVViewSceneLinks& links);
const GVViewSceneLinks& GVViewScene();

// The program's message routine for the view's errors.
typedef void (*GVViewMessageFn)(const char* text);
void GVSetViewMessageRoutine(GVViewMessageFn fn);
void GVViewMessage(const char* text);

// The owner callback a new view starts with: (a, code, p1, p2, context) -> int.
typedef int (*GVViewOwnerFn)(int a, int code, intptr_t p1, intptr_t p2, void* context);
void GVSetDefaultViewOwner(GVViewOwnerFn fn);
GVViewOwnerFn GVDefaultViewOwner();

// The main window's 3-D view: set and cleared by the main window that makes it.
void GVSetMainView(GVView* view);
GVView* GVMainView();
