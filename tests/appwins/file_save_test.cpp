#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "appwins/file_list.h"
#include "appwins/file_save.h"
#include "appwins/menu_bar.h"
#include "appwins/menu_services.h"
#include "main_window_fixture.h"
#include "platform/window_internal.h"
#include "scene/scene_services.h"
#include "scene/work_folders.h"
#include "toolkit/messages.h"
#include "toolkit/multi_list.h"
#include "toolkit/object_names.h"

namespace fs = std::filesystem;

namespace {

struct Call {
  int code, modeCode;
  std::string text;
};

class FileSave : public MainWindowTest {
 public:
  static void owner(int code, int modeCode, const char* text, void* user) {
    static_cast<FileSave*>(user)->calls.push_back({code, modeCode, text});
  }
  std::vector<Call> calls;
};

TEST_F(FileSave, NameWithoutExtensionEnterAndSaveCodes) {
  HwFileSave dlg(0x200, "abc.gvs", owner, this);
  settle();
  EXPECT_STREQ(dlg.nameField->text, "abc");
  EXPECT_STREQ(dlg.prompt->text, "Enter name for Scene file :");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].modeCode, 0x202);
  dlg.setMode(0x200, "abcd");
  EXPECT_STREQ(dlg.nameField->text, "abcd");

  click(dlg.nameField->window);
  GVTestKeyPress(VK_RETURN);
  settle();
  ASSERT_EQ(calls.back().modeCode, 0x204);
  EXPECT_EQ(calls.back().code, 0);
  EXPECT_EQ(calls.back().text, "abcd");

  dlg.lock = 1;  // a locked dialog beeps and stays
  click(dlg.saveButton->face);
  EXPECT_TRUE(IsWindowVisible(dlg.popup));
  EXPECT_EQ(GVTestLastBeep(), static_cast<UINT>(MB_ICONHAND));
  dlg.lock = 0;
  click(dlg.saveButton->face);
  EXPECT_EQ(calls.back().modeCode, 0x208);
  EXPECT_EQ(calls.back().text, "");
  EXPECT_STREQ(dlg.savedName, "abcd");
  EXPECT_FALSE(IsWindowVisible(dlg.popup));
}

// The main window's File menu over a copy of the sample scenes, with the
// question box answered as the test says.
class SaveAs : public MainWindowTest {
 public:
  void SetUp() override {
    MainWindowTest::SetUp();
    saved_ = GVSceneServices();
    SceneServices s = saved_;
    s.showMessage = GVMessage;
    s.askYesNo = GVAskYesNo;
    s.checkRenameName = GVCheckRenameName;
    GVSetSceneServices(s);
    GVInstallMainWindowServices();
    win_->menuBar->owner = GVMenuBarOwner;  // as the program wires it
    GVTestSetMessageBoxHandler(answer, this);
    ASSERT_TRUE(samples_.enter("save", GV_SOURCE_DIR));
  }
  void TearDown() override {
    GVTestSetMessageBoxHandler(nullptr, nullptr);
    GVRemoveMainWindowServices();
    GVSetSceneServices(saved_);
    samples_.leave();
    MainWindowTest::TearDown();
  }
  static int answer(HWND, const char* text, const char* caption, UINT type, void* user) {
    auto* t = static_cast<SaveAs*>(user);
    t->asked.push_back(std::string(caption) + ": " + text);
    t->askedType = type;
    return t->reply;
  }
  // File menu row (from 1) picked with the pointer.
  void pick(int row) {
    HwMenuButton* file = win_->menuBar->file;
    click(file->face);
    elapse(500);
    QwDDSubWindow* w = file->multiList->mainWindow;
    const RECT box = rectOf(w->popup);
    const POINT p = {box.left + 30, box.top + 5 + (row - 1) * w->rowHeight + w->rowHeight / 2};
    GVTestMouseMove(p.x, p.y);
    settle();
    GVTestClick(p.x, p.y);
    elapse(500);
  }
  // The name field's text replaced by typing.
  void type(const std::string& name) {
    GVTestAdvanceClock(1000);
    const POINT field = centre(win_->saveDialog->nameField->window);
    GVTestClick(field.x, field.y);
    GVTestClick(field.x, field.y);  // the whole text selected
    settle();
    for (char ch : name) {
      const bool upper = std::isupper(static_cast<unsigned char>(ch));
      if (upper) GVInputKey(VK_SHIFT, true);
      GVTestKeyPress(UINT(std::toupper(static_cast<unsigned char>(ch))));
      if (upper) GVInputKey(VK_SHIFT, false);
    }
    settle();
  }
  // Every file of the Scenes folder with its bytes.
  std::map<std::string, std::string> scenes() const {
    std::map<std::string, std::string> all;
    for (const auto& e : fs::directory_iterator(samples_.root / "GVSceneFiles/Scenes")) {
      std::ifstream in(e.path(), std::ios::binary);
      all[e.path().filename()] = std::string(std::istreambuf_iterator<char>(in), {});
    }
    return all;
  }
  bool shown(const HwDialogWindow* d) const { return d && IsWindowVisible(d->popup); }
  // Opened with File > Open and a click on its cell.
  void open(const std::string& file) {
    pick(4);
    HwListDlg* list = win_->fileList;
    ASSERT_TRUE(shown(list));
    const RECT r = rectOf(list->listWindow);
    for (int i = 0; i < list->count; ++i)
      if (list->item(i) == file)
        click(POINT{r.left + (i / list->rows) * list->cellWidth + list->cellWidth / 2,
                    r.top + (i % list->rows) * list->cellHeight + list->cellHeight / 2});
    ASSERT_EQ(win_->sceneName, file);
  }

  SceneServices saved_;
  SampleRoot samples_;
  std::vector<std::string> asked;
  UINT askedType = 0;
  int reply = IDNO;
};

// The files list and the save dialog close with Escape (also typed in the
// name field) and with their close boxes, opening and writing nothing. Saving
// over another scene's file asks first: No leaves it as it was, Yes replaces
// it with the scene; the scene's own file and a new one are written unasked.
TEST_F(SaveAs, ClosingWritesNothingAndAnotherScenesFileIsReplacedOnlyOnYes) {
  open("JelDrop.gvs");
  HwListDlg* list = win_->fileList;
  const std::map<std::string, std::string> before = scenes();
  const std::string banner = win_->banner;

  pick(4);
  ASSERT_TRUE(shown(list));
  GVTestKeyPress(VK_ESCAPE);
  settle();
  EXPECT_FALSE(shown(list));
  pick(4);
  ASSERT_TRUE(shown(list));
  click(list->titleBar->closeButton->face);
  EXPECT_FALSE(shown(list));

  pick(3);  // Save As
  HwFileSave* dlg = win_->saveDialog;
  ASSERT_TRUE(shown(dlg));
  EXPECT_STREQ(dlg->nameField->text, "JelDrop");
  GVTestKeyPress(VK_ESCAPE);
  settle();
  EXPECT_FALSE(shown(dlg));
  pick(3);
  ASSERT_TRUE(shown(dlg));
  ASSERT_NE(dlg->titleBar->closeButton, nullptr);
  click(dlg->titleBar->closeButton->face);
  EXPECT_FALSE(shown(dlg));
  pick(3);
  type("Other");
  GVTestKeyPress(VK_ESCAPE);
  settle();
  EXPECT_FALSE(shown(dlg));
  EXPECT_EQ(win_->sceneName, "JelDrop.gvs");
  EXPECT_TRUE(scenes() == before);
  // A name entered and then left: the scene keeps its name and its file.
  pick(3);
  type("Showcase");
  GVTestKeyPress(VK_RETURN);
  GVTestKeyPress(VK_ESCAPE);
  settle();
  EXPECT_FALSE(shown(dlg));
  EXPECT_EQ(win_->banner, banner);
  EXPECT_TRUE(scenes() == before);
  std::ofstream(samples_.root / "GVSceneFiles/Scenes/JelDrop.gvs", std::ios::binary) << "stale";
  pick(2);  // Save
  EXPECT_TRUE(asked.empty());
  EXPECT_TRUE(scenes() == before);
  // Each Escape closes the window on top.
  pick(4);
  pick(3);
  ASSERT_TRUE(shown(list) && shown(dlg));
  GVTestKeyPress(VK_ESCAPE);
  settle();
  EXPECT_FALSE(shown(dlg));
  EXPECT_TRUE(shown(list));
  GVTestKeyPress(VK_ESCAPE);
  settle();
  EXPECT_FALSE(shown(list));

  pick(3);
  type("Fresh");
  click(dlg->saveButton->face);
  std::map<std::string, std::string> expected = before;
  expected["Fresh.gvs"] = scenes()["Fresh.gvs"];
  ASSERT_FALSE(expected["Fresh.gvs"].empty());
  EXPECT_TRUE(expected["Fresh.gvs"] != before.at("Showcase.gvs"));
  pick(3);
  type("Showcase");
  click(dlg->saveButton->face);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0], "Gv Message: Replace the existing file \"Showcase.gvs\"?");
  EXPECT_EQ(askedType & MB_TYPEMASK, UINT(MB_YESNO));
  EXPECT_TRUE(scenes() == expected);
  EXPECT_EQ(win_->sceneName, "Fresh.gvs");
  // Enter before Save: the Save button still writes, and asks about, another scene's file.
  pick(3);
  type("JelDrop");
  GVTestKeyPress(VK_RETURN);
  settle();
  click(dlg->saveButton->face);
  ASSERT_EQ(asked.size(), 2u);
  EXPECT_TRUE(scenes() == expected);

  reply = IDYES;
  pick(3);
  type("Showcase");
  click(dlg->saveButton->face);
  EXPECT_EQ(asked.size(), 3u);
  expected["Showcase.gvs"] = expected["Fresh.gvs"];
  EXPECT_TRUE(scenes() == expected);  // replaced whole, nothing else left beside it
  EXPECT_EQ(win_->sceneName, "Showcase.gvs");
  pick(3);
  click(dlg->saveButton->face);
  EXPECT_EQ(asked.size(), 3u);
}

// The built-in box, played while its loop runs: Yes or No clicked (the left
// and right of the two buttons centred along its bottom) or a key pressed,
// again every 50 turns of the loop the box is still up, and after three tries
// the box is taken away unanswered.
struct BoxPlay {
  int button = -1;  // 0 Yes, 1 No
  UINT key = 0;
  int tries = 0, turns = 0;
  static void pump(int, void* user) {
    auto* p = static_cast<BoxPlay*>(user);
    HWND box = FindWindowA("GVMessageBoxClass", nullptr);
    if (!box || !IsWindowVisible(box) || p->turns++ % 50) return;
    if (++p->tries > 3) {
      DestroyWindow(box);
      return;
    }
    if (p->key) {
      GVTestKeyPress(p->key);
      return;
    }
    RECT c;
    GetClientRect(box, &c);
    POINT at = {c.right / 2 + (p->button ? 45 : -45), c.bottom - 20};
    ClientToScreen(box, &at);
    GVTestClick(at.x, at.y);
  }
};

// The question raised by the Save Scene dialog's Save button, in the real
// box: the first click on No or Yes answers it, and Escape says No.
TEST_F(SaveAs, TheReplaceQuestionHearsItsFirstClickAndEscapeSaysNo) {
  GVTestSetMessageBoxHandler(nullptr, nullptr);
  const GVPlatformHooks hooks = GVHooks();
  open("JelDrop.gvs");
  const std::string sample = scenes()["Showcase.gvs"];
  ASSERT_NE(scenes()["JelDrop.gvs"], sample);
  struct Case {
    BoxPlay play;
    bool replaced;
  };
  const Case cases[] = {{{1, 0}, false}, {{-1, VK_ESCAPE}, false}, {{0, 0}, true}};
  for (const Case& c : cases) {
    BoxPlay play = c.play;
    GVHooks().pump = BoxPlay::pump;
    GVHooks().pumpUser = &play;
    pick(3);
    type("Showcase");
    click(win_->saveDialog->saveButton->face);
    GVHooks() = hooks;
    EXPECT_EQ(play.tries, 1) << c.play.button << " " << c.play.key;
    EXPECT_EQ(scenes()["Showcase.gvs"], c.replaced ? scenes()["JelDrop.gvs"] : sample);
    EXPECT_EQ(win_->sceneName, c.replaced ? "Showcase.gvs" : "JelDrop.gvs");
  }
}

}  // namespace
