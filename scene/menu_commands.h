// The one dispatcher of the main window's menu bar: File (new scene, save,
// the file lists, export, background images, exit), Create (the creation
// dialogs and the object commands of scene/object_commands.h, renumbering,
// render-to-texture targets), Help and the scene notes.
#pragma once

#include <cstdint>

// Menus of the dispatcher.
enum : int32_t {
  kMenuFile = 1,
  kMenuCreate = 2,
  kMenuHelp = 3,
  kMenuMoreHelp = 4,
  kMenuNotes = 5,
};

// The creation dialogs the Create menu opens (the dialog argument of the
// showCreateDialog service): the swept-shape dialog takes a mode (0 volume of
// revolution, 1 extruded cylinder, 2 extruded surface).
enum : int32_t {
  kCreateDialogSweptGeo = 1,
  kCreateDialogPlaneGeo = 2,
  kCreateDialogBlockGeo = 3,
  kCreateDialogBlockJel = 4,
  kCreateDialogJelFromGeo = 5,
};

// The background images of the File menu, written into the application folder.
constexpr const char* kBGImageJpg = "MyBGSceneImage.jpg";
constexpr const char* kBGImagePng = "MyBGSceneImage.png";

// Carries out the choice (menu, item, sub-item); nothing without a main
// window or a view camera.
void GVMenuCommand(int32_t menu, int32_t item, int32_t subItem, void* mainWindow);

// The files-list mode of an Import sub-item (1 Geos, 2 Jels, 3 both, 4
// lights; 0 for any other).
int32_t GVImportListMode(int32_t subItem);
