#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "appwins/file_list.h"
#include "appwins/material_scan.h"
#include "appwins/message_dlg.h"
#include "main_window_fixture.h"
#include "scene/work_folders.h"

namespace fs = std::filesystem;

namespace {

struct Call {
  int code, item;
  std::string text;
};

class FileList : public MainWindowTest {
 public:
  void SetUp() override {
    MainWindowTest::SetUp();
    old_ = fs::current_path();
    root_ = fs::temp_directory_path() / ("gv_list_" + std::to_string(getpid()));
    fs::create_directories(root_ / "GVSceneFiles" / "d.gvs");
    fs::create_directories(root_ / "media" / "materials" / "scripts");
    for (const char* n : {"a.gvs", "b.gvs", "c.gvs", "d2.gvs", "e.gvs", "f.gvs", "g.gvs", ".hidden.gvs", "notes.txt"})
      std::ofstream(root_ / "GVSceneFiles" / n) << "x";
    fs::current_path(root_);
    ASSERT_EQ(GVInitFolders(), 1);
  }
  void TearDown() override {
    delete dlg_;
    fs::current_path(old_);
    fs::remove_all(root_);
    MainWindowTest::TearDown();
  }
  static void owner(int code, int item, const char* text, void* user) {
    static_cast<FileList*>(user)->calls.push_back({code, item, text});
    if (code == 0x202) GVSetDirScenes();
  }
  std::string messageText() {
    HWND box = FindWindowA("DialogWindowClass", "Gv Message");
    auto* m = box ? reinterpret_cast<HwMessageDlg*>(GetWindowLongA(box, GWL_USERDATA)) : nullptr;
    return m ? m->text : "";
  }
  fs::path old_, root_;
  HwListDlg* dlg_ = nullptr;
  std::vector<Call> calls;
};

TEST_F(FileList, SceneModeListsVisibleScenesAndReportsTheClickedCell) {
  dlg_ = new HwListDlg(650, 400, 0x200, owner, this);
  settle();
  ASSERT_EQ(dlg_->count, 7);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(fs::path(dlg_->item(i)).extension(), ".gvs");
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls[0].code, 0x202);
  EXPECT_TRUE(IsWindowVisible(dlg_->popup));
  EXPECT_TRUE(GVSavePng(GVScreenImage(), (old_ / "file_list.png").c_str()));
  const int n = 5;
  RECT r = rectOf(dlg_->listWindow);
  const int i = n - 1;
  GVTestClick(r.left + (i / dlg_->rows) * dlg_->cellWidth + dlg_->cellWidth / 2,
              r.top + (i % dlg_->rows) * dlg_->cellHeight + dlg_->cellHeight / 2);
  settle();
  ASSERT_EQ(calls.back().code, 0x220);
  EXPECT_EQ(calls.back().item, n);
  EXPECT_EQ(calls.back().text, dlg_->item(i));
  EXPECT_FALSE(IsWindowVisible(dlg_->popup));
  EXPECT_EQ(fs::current_path(), fs::path(GVSceneFilesDir()));
  EXPECT_STREQ(dlg_->dirField->text, GVSceneFilesDir());

  // An import's list (mode 0x800 with an option bit) shows the same scenes.
  dlg_->listFiles(0x400800);
  EXPECT_EQ(calls.back().code, 0x400802);
  EXPECT_STREQ(dlg_->pattern, "*.gvs");
  EXPECT_EQ(dlg_->count, 7);
}

// Escape (on the list or typed in the "Dir:" field) and the title bar's close
// box close the list; none chooses a file, nor does a click where the cell
// under the pointer was, and the folder stays as it was.
TEST_F(FileList, EscapeAndTheCloseBoxCloseItChoosingNothing) {
  auto listing = [&] {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(root_ / "GVSceneFiles")) names.insert(e.path().filename());
    return names;
  };
  const std::set<std::string> before = listing();
  dlg_ = new HwListDlg(650, 400, 0x200, owner, this);
  settle();
  ASSERT_TRUE(IsWindowVisible(dlg_->popup));
  const RECT r = rectOf(dlg_->listWindow);
  const POINT cell = {r.left + dlg_->cellWidth / 2, r.top + dlg_->cellHeight / 2};
  GVTestMouseMove(cell.x, cell.y);
  settle();
  GVTestKeyPress(VK_ESCAPE);
  settle();
  EXPECT_FALSE(IsWindowVisible(dlg_->popup));
  click(cell);

  dlg_->listFiles(0x200);
  settle();
  ASSERT_TRUE(IsWindowVisible(dlg_->popup));
  ASSERT_NE(dlg_->titleBar->closeButton, nullptr);
  click(dlg_->titleBar->closeButton->face);
  EXPECT_FALSE(IsWindowVisible(dlg_->popup));

  dlg_->listFiles(0x200);
  settle();
  click(dlg_->dirField->window);
  const unsigned beeps = GVTestBeepCount();
  GVTestKeyPress(VK_ESCAPE);
  settle();
  EXPECT_FALSE(IsWindowVisible(dlg_->popup));
  EXPECT_EQ(GVTestBeepCount(), beeps);

  for (const Call& c : calls) EXPECT_FALSE(c.code & 0x20) << c.code << " " << c.text;
  EXPECT_EQ(listing(), before);
}

TEST_F(FileList, CapacityAndNameLengthsAreEnforced) {
  dlg_ = new HwListDlg(650, 400, 0x200, owner, this);
  ASSERT_EQ(dlg_->initialiseList(1000), 1);
  for (int i = 0; i < 1001; ++i) dlg_->addItem(("n" + std::to_string(i)).c_str());
  EXPECT_EQ(dlg_->count, 1000);  // never past the capacity
  EXPECT_EQ(dlg_->initialiseList(1001), 0);
  EXPECT_EQ(messageText(), "HwListDlg::addItem: numitems too big !");
  EXPECT_EQ(dlg_->count, 1000);
  EXPECT_STREQ(dlg_->item(999), "n999");
  ASSERT_EQ(dlg_->initialiseList(2), 1);
  EXPECT_EQ(dlg_->addItem(std::string(201, 'x').c_str()), 0);
  EXPECT_EQ(dlg_->addItem(std::string(200, 'x').c_str()), 1);
  EXPECT_EQ(dlg_->addItem(nullptr), -1);
}

TEST_F(FileList, MaterialModeListsTheScriptsNames) {
  std::ofstream(root_ / "media/materials/scripts/Rock.material")
      << "material Rock/Wall\n{\n}\n// material Old\nmaterial GvTEMPLATE_B\nmaterial Other/Wall\nmaterial Floor {\n";
  dlg_ = HwListDlg::createMaterialList(650, owner, this);
  dlg_->listFolder("Rock.material");
  settle();
  ASSERT_EQ(dlg_->count, 3);
  EXPECT_STREQ(dlg_->item(0), "Wall");
  EXPECT_STREQ(dlg_->item(1), "Other/Wall");
  EXPECT_STREQ(dlg_->item(2), "Floor");
  EXPECT_EQ(GVFindScriptMaterial("Rock.material", "Wall"), 1);
  EXPECT_EQ(GVFindScriptMaterial("Rock.material", "Nope"), -1);
}

}  // namespace
