// Puts the 3-D view's render-object operations, its camera and its redraw
// into the scene's service table, so that scene code (renames, edits, the frame step) reaches the
// engine mirrors of Geos without including any engine header. Each entry does
// nothing while the engine is not running. Called once at start-up.
#pragma once

void GVInstallRenderServices();
