// The 3-D view's part in the property editors' callbacks: the info-panel
// warnings, the glue display and its node-pair test and the manipulator's
// permission and placing, put into the scene's
// service table. Each entry does nothing (or answers 0) without a view.
// Called once at start-up.
#pragma once

struct GVView;
struct SceneServices;

// True when the glue display is on and names both selections and a part.
bool GVNodePairsShown(const GVView* view);

void GVInstallEditorViewServices(SceneServices* services);
// The same on the process-wide table.
void GVInstallEditorViewServices();
