// With the scene notes shown, every window opened from the selector bar or a
// menu comes up in front of them, the first time and again once hidden; the
// logic window too, though it lies in the main window where the notes lie.
#include <string>

#include "appwins/file_list.h"
#include "appwins/help_window.h"
#include "appwins/menu_services.h"
#include "every_window.h"

namespace {

// Whether a lies in front of b among the top-level windows.
bool inFront(HWND a, HWND b) {
  for (HWND w = GetWindow(a, GW_HWNDNEXT); w; w = GetWindow(w, GW_HWNDNEXT))
    if (w == b) return true;
  return false;
}

TEST_F(EveryWindowTest, EveryWindowOpensInFrontOfTheNotes) {
  SceneServices s = GVSceneServices();
  GVInstallMenuServices(&s);
  GVSetSceneServices(s);
  GVShowNotesWindow();
  ASSERT_TRUE(GVNotesWindow());
  const HWND notes = GVNotesWindow()->popup;
  auto seen = [&](const std::string& what, HWND root) {
    settle();
    ASSERT_TRUE(IsWindowVisible(notes)) << what;
    const HWND hit = WindowFromPoint(centre(root));
    EXPECT_TRUE(hit == root || IsChild(root, hit)) << what;
    // A panel of the main window is in front where the notes do not cover it.
    EXPECT_TRUE(GetAncestor(root, GA_ROOT) != root || inFront(root, notes)) << what;
  };
  for (int pass = 0; pass < 2; ++pass) {
    visitEveryWindow(seen);
    GVMenuCommand(kMenuFile, 4, 0, win_);  // Open
    ASSERT_NE(win_->fileList, nullptr);
    seen("files list", win_->fileList->popup);
    win_->fileList->hide();
    GVMenuCommand(kMenuHelp, 1, 0, win_);
    ASSERT_NE(GVHelpWindow(), nullptr);
    seen("help", GVHelpWindow()->popup);
    GVHelpWindow()->hide();
  }
  // The logic window closed, the notes show in front again.
  const HWND hit = WindowFromPoint(centre(notes));
  EXPECT_TRUE(hit == notes || IsChild(notes, hit));
  GVRemoveMenuServices(&s);
  GVSetSceneServices(s);
}

}  // namespace
