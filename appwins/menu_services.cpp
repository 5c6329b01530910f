#include "appwins/menu_services.h"

#include "GVAppWins/view_image.h"
#include "GVAppWins/view_links.h"
#include "GVAppWins/view_window.h"
#include "appwins/help_window.h"
#include "appwins/notes_window.h"
#include "scene/menu_commands.h"
#include "scene/scene_services.h"

namespace {

constexpr int kHelpFromMenu = 4;

void showNotes(int32_t show) {
  if (show)
    GVShowNotesWindow();
  else
    GVHideNotesWindow();
}

}  // namespace

void GVInstallMenuServices(SceneServices* s) {
  if (!s) return;
  s->showHelpPage = [](const char* key) { GVShowHelpPage(key, kHelpFromMenu); };
  s->showNotesWindow = showNotes;
  s->clearNotes = GVClearNotes;
  s->saveViewImage = [](const char* file, int32_t type) -> int32_t {
    return GVSaveViewToTexture(GVMainView(), file, type);
  };
  s->resetViewCamera = [] { GVResetViewCamera(GVMainView()); };
}

void GVRemoveMenuServices(SceneServices* s) {
  if (!s) return;
  s->showHelpPage = nullptr;
  s->showNotesWindow = nullptr;
  s->clearNotes = nullptr;
  s->saveViewImage = nullptr;
  s->resetViewCamera = nullptr;
}

int GVMenuBarOwner(int menu, int item, int subItem, void* mainWindow) {
  GVMenuCommand(menu, item, subItem, mainWindow);
  return 0;
}
