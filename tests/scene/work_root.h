// A scene test run from a temporary application root that holds copies of
// the shipped run-time folders, with the message box caught.
#pragma once

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "file_scene.h"
#include "records/file_version.h"
#include "scene/work_folders.h"

namespace scenetest {

namespace fs = std::filesystem;

class RootScene : public FileScene {
 protected:
  void SetUp() override {
    FileScene::SetUp();
    back_ = fs::current_path();
    root_ = fs::temp_directory_path() / ("gv_root_" + std::to_string(getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_ / "GVSceneFiles");
    CatchMessages();
  }
  void TearDown() override {
    fs::current_path(back_);
    fs::remove_all(root_);
    GVSetFileVersion(0);  // the readers and writers leave it set
    FileScene::TearDown();
  }
  // Copies a shipped folder ("Tutorials", "GVSceneFiles/Scenes", ...) into the
  // root, under another name when given.
  void Ship(const std::string& folder, const std::string& as = "") {
    fs::copy(fs::path(GV_PROJECT_DIR) / folder, root_ / (as.empty() ? folder : as), fs::copy_options::recursive);
  }
  // Enters the root and builds the folder paths from it.
  void EnterRoot() {
    fs::current_path(root_);
    ASSERT_EQ(GVInitFolders(), 1);
  }
  void CatchMessages() {
    messages.clear();
    SceneServices sv = GVSceneServices();
    sv.showMessage = [](const char* text) { messages.push_back(text); };
    GVSetSceneServices(sv);
  }
  static std::vector<char> Bytes(const fs::path& p) {
    std::vector<char> b;
    if (FILE* f = std::fopen(p.c_str(), "rb")) {
      for (int c; (c = std::fgetc(f)) != EOF;) b.push_back(static_cast<char>(c));
      std::fclose(f);
    }
    return b;
  }
  static std::vector<fs::path> Files(const fs::path& folder) {
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(folder)) out.push_back(e.path());
    return out;
  }

  inline static std::vector<std::string> messages;
  fs::path back_, root_;
};

}  // namespace scenetest
