#include "editors/editor_entries.h"

#include <string_view>

#include "appwins/editor_opener.h"
#include "editors/attach_editor.h"
#include "editors/export_dialog.h"
#include "editors/geo_editor.h"
#include "editors/glue_editor.h"
#include "editors/group_editor.h"
#include "editors/initial_state.h"
#include "editors/key_frame_editor.h"
#include "editors/lights_editor.h"
#include "editors/matter_editor.h"
#include "editors/part_editor.h"
#include "editors/render_editor.h"
#include "editors/scene_settings.h"
#include "editors/structure_editor.h"
#include "editors/walls_dialog.h"
#include "scene/scene_services.h"

namespace {

// Each editor adds its line here: its code and its entry (make, show, hide,
// refresh, free).
struct Installed {
  int code;
  GVEditorEntry (*entry)();
};

constexpr Installed kEditors[] = {
    {kEditorInitialState, GVInitialStateEntry},
    {kEditorMatter, GVMatterEntry},
    {kEditorStructure, GVStructureEntry},
    {kEditorJelPart, GVJelPartEntry},
    {kEditorJelGroup, GVJelGroupEntry},
    {kEditorGlue, GVGlueEntry},
    {kEditorGeoProperties, GVEditGeoEntry},
    {kEditorGeoPart, GVGeoPartEntry},
    {kEditorGeoGroup, GVGeoGroupEntry},
    {kEditorKeyFrame, GVKeyFrameEntry},
    {kEditorRender, GVRenderEntry},
    {kEditorAttachment, GVAttachmentEntry},
    {kEditorWalls, GVWallsEditorEntry},
    {kEditorExport, GVExportDialogEntry},
    {kEditorSceneSettings, GVSceneSettingsEntry},
    {kEditorLights, GVLightsEntry},
};

}  // namespace

int GVInstallEditorEntries() {
  int ok = 1;
  for (const Installed& e : kEditors)
    if (e.entry && !GVInstallEditorEntry(e.code, e.entry(), kEditorsOwner)) ok = 0;
  return ok;
}

void GVRemoveEditorEntries() {
  for (int code = 1; code < kEditorCodeEnd; ++code) {
    const char* owner = GVEditorEntryOwner(code);
    if (owner && std::string_view(owner) == kEditorsOwner) GVRemoveEditorEntry(code);
  }
}

void GVInstallEditorServices(SceneServices* s) { s->endLightEdit = GVEndLightEdit; }

void GVRemoveEditorServices(SceneServices* s) { s->endLightEdit = nullptr; }
