// The property editors' entries of the dialog opener (appwins/editor_opener.h):
// one per editor code, each owned by this folder.
#pragma once

struct SceneServices;

// The owner name the editors' entries are installed under.
constexpr const char* kEditorsOwner = "editors";

// Installs the entry of every editor that is built; the codes of editors not
// built yet stay empty and open nothing. 1 when every entry was taken.
int GVInstallEditorEntries();
// Removes the entries this folder installed.
void GVRemoveEditorEntries();

// The scene-service entries the editors answer (the lights editor's end of
// its camera mode); set while the main window exists.
void GVInstallEditorServices(SceneServices* services);
void GVRemoveEditorServices(SceneServices* services);
