// Puts the 3-D view's render-object operations into the scene's service
// table, so that scene code (renames, edits, the frame step) reaches the
// engine mirrors of Geos without including any engine header. Each entry does
// nothing while the engine is not running; renderStarted answers whether it
// started. Called once at start-up.
#pragma once

struct SceneServices;

void GVInstallRenderServices(SceneServices* services);
// The same on the process-wide table.
void GVInstallRenderServices();
