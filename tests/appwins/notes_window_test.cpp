#include <cstring>

#include "appwins/logic_cntrl.h"
#include "appwins/menu_bar.h"
#include "appwins/notes_window.h"
#include "main_window_fixture.h"

namespace {

class NotesWindow : public MainWindowTest {
 public:
  void TearDown() override {
    GVFreeNotesWindow();
    MainWindowTest::TearDown();
  }
};

TEST_F(NotesWindow, SceneNotesShownOverTheLogicWindowAndCleared) {
  win_->showLogicPanel(1);
  settle();
  RECT logic = rectOf(win_->logicPanel->frame->inner);
  GVSetSceneNotes("first line\nsecond line");
  settle();
  HWND w = FindWindowA("DialogWindowClass", "Gelvane Scene Notes");
  ASSERT_TRUE(w);
  EXPECT_TRUE(IsWindowVisible(w));
  EXPECT_EQ(rectOf(w).left, logic.left);
  EXPECT_EQ(rectOf(w).top, logic.top);
  EXPECT_EQ(rectOf(w).right, logic.right);
  EXPECT_EQ(win_->menuBar->notes->state, 4);
  char* text = nullptr;
  EXPECT_EQ(GVGetNotesText(&text), 22);
  EXPECT_STREQ(text, "first line\nsecond line");
  delete[] text;

  GVClearNotes();
  settle();
  EXPECT_FALSE(IsWindowVisible(w));
  EXPECT_EQ(win_->menuBar->notes->state, 0);
  EXPECT_EQ(GVGetNotesText(&text), 0);
  delete[] text;
}

}  // namespace
