#include "GVAppWins/manipulator.h"

#include "GVAppWins/view_window.h"

void GVInitManipulator(GVManipulator* m, ObjHandle* geoList, HWorld** world, ViewportRec* viewport,
                       CameraRec** camera, void* view) {
  if (!m) return;
  *m = GVManipulator();
  m->geoList = geoList;
  m->world = world;
  m->viewport = viewport;
  m->camera = camera;
  m->eventContext = view;
  m->eventCB = GVManipulatorEventCB;
}
