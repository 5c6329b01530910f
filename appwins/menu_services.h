// The scene service entries of the menu commands that the application
// windows and the 3-D view answer: help pages, the notes window, the view's
// image, camera reset, walls and warnings. Set with the main window, cleared
// when it goes.
#pragma once

struct SceneServices;

void GVInstallMenuServices(SceneServices* services);
void GVRemoveMenuServices(SceneServices* services);
// The menu bar's owner: hands every choice to the menu dispatcher.
int GVMenuBarOwner(int menu, int item, int subItem, void* mainWindow);
