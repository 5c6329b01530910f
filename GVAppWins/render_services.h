// Puts the 3-D view's render-object operations, its camera and its redraw
// into the scene's service table, so that scene code (renames, edits, the frame step) reaches the
// engine mirrors of Geos without including any engine header. Each entry does
// nothing while the engine is not running. Also answers whether the view
// exists and whether the engine started. Called once at start-up.
#pragma once

struct SceneServices;

void GVInstallRenderServices(SceneServices* services);
// The same on the process-wide table.
void GVInstallRenderServices();
