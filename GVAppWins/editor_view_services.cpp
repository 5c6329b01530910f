#include "GVAppWins/editor_view_services.h"

#include "GVAppWins/info_panels.h"
#include "GVAppWins/manipulator.h"
#include "GVAppWins/view_links.h"
#include "GVAppWins/view_window.h"
#include "scene/scene_services.h"

bool GVNodePairsShown(const GVView* view) {
  return view && view->glueOn != 0 && view->glueFirst != 0 && view->glueSecond != 0 && view->gluePart != 0;
}

void GVInstallEditorViewServices(SceneServices* services) {
  SceneServices& s = *services;
  s.showWarning = [](int32_t code, int32_t geoId, int32_t jelId) {
    if (GVView* v = GVMainView()) GVShowWarning(code, v, geoId, jelId);
  };
  s.viewGlueDisplay = [](int32_t words[4]) {
    const GVView* v = GVMainView();
    words[0] = v ? v->glueOn : 0;
    words[1] = v ? v->glueFirst : 0;
    words[2] = v ? v->glueSecond : 0;
    words[3] = v ? v->gluePart : 0;
  };
  s.setViewGlueDisplay = [](const int32_t words[4]) {
    if (GVView* v = GVMainView()) {
      v->glueOn = words[0];
      v->glueFirst = words[1];
      v->glueSecond = words[2];
      v->gluePart = words[3];
    }
  };
  s.viewNodePairsShown = []() -> int32_t { return GVNodePairsShown(GVMainView()) ? 1 : 0; };
  s.manipulatorCanMove = []() -> int32_t { return GVManipulatorCanMove(GVMainView()); };
  s.placeManipulatorAtGeo = [] {
    if (GVView* v = GVMainView()) GVPlaceManipulatorAtGeo(v->manipulator);
  };
  s.recentreManipulator = [] { GVManipulatorRecentre(GVMainView()); };
}

void GVInstallEditorViewServices() {
  SceneServices s = GVSceneServices();
  GVInstallEditorViewServices(&s);
  GVSetSceneServices(s);
}
