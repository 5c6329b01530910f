#include "scene/scene_services.h"

#include <cstdio>

static SceneServices gServices;

const SceneServices& GVSceneServices() { return gServices; }
void GVSetSceneServices(const SceneServices& services) { gServices = services; }

void GVSceneMessage(const char* text) {
  if (!text) return;
  if (gServices.showMessage)
    gServices.showMessage(text);
  else
    std::fprintf(stderr, "%s\n", text);
}
