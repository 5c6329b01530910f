#include "GVAppWins/view_links.h"

#include <cstdio>

namespace {

struct Links {
  GVViewSceneLinks scene;
  GVViewMessageFn message = nullptr;
  GVViewOwnerFn owner = nullptr;
  GVView* mainView = nullptr;
};

Links& links() {
  static Links l;
  return l;
}

}  // namespace

void GVSetViewSceneLinks(const GVViewSceneLinks& scene) { links().scene = scene; }
const GVViewSceneLinks& GVViewScene() { return links().scene; }

void GVSetViewMessageRoutine(GVViewMessageFn fn) { links().message = fn; }

void GVViewMessage(const char* text) {
  if (!text) return;
  if (links().message)
    links().message(text);
  else
    std::fprintf(stderr, "%s\n", text);
}

void GVSetDefaultViewOwner(GVViewOwnerFn fn) { links().owner = fn; }
GVViewOwnerFn GVDefaultViewOwner() { return links().owner; }

void GVSetMainView(GVView* view) { links().mainView = view; }
GVView* GVMainView() { return links().mainView; }
