#include "scene/geo_editor_links.h"

static GeoEditorLinks gLinks;

const GeoEditorLinks& GVGeoEditorLinks() { return gLinks; }
void GVSetGeoEditorLinks(const GeoEditorLinks& links) { gLinks = links; }
