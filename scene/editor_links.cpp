#include "scene/editor_links.h"

GVEditorLinks& GVEditors() {
  static GVEditorLinks links;
  return links;
}

void GVEndEditorMode(GVJelEditorLink* link) {
  if (link && link->endEditMode) link->endEditMode(link->editor);
}

void GVReshowKeyFrameEditor() {
  const GVKeyFrameEditorLink* k = GVEditors().keyFrame;
  if (k && k->visible && k->reshowGeo) k->reshowGeo(k->editor);
}

void GVShowGeoInKeyFrameEditor(int32_t geoId, float time, int32_t source, int32_t fullRefresh) {
  const GVKeyFrameEditorLink* k = GVEditors().keyFrame;
  if (k && k->showGeoAt) k->showGeoAt(k->editor, geoId, time, source, fullRefresh);
}

void GVShowEditorStateMode(int32_t stateMode) {
  const GVJelEditorLink* l = GVEditors().initialState;
  if (l && l->showStateMode) l->showStateMode(l->editor, stateMode);
}
