#include "scene/work_folders.h"

#include <cstdio>
#include <string>

#include <unistd.h>

namespace {

struct Folders {
  std::string root, sceneFiles, tutorials, helpFiles, textures, scripts, current;
};

Folders gFolders;

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// The process's current directory, however long; empty when it cannot be read.
std::string CurrentDirectory() {
  std::string path(256, '\0');
  while (!getcwd(&path[0], path.size())) {
    if (path.size() > (1u << 20)) return std::string();
    path.resize(path.size() * 2);
  }
  path.resize(path.find('\0'));
  return path;
}

// Cuts a last folder named exactly `name` (preceded by a separator).
bool CutLastFolder(std::string& path, const std::string& name) {
  const size_t len = path.size(), n = name.size();
  if (len < n + 1 || !IsSeparator(path[len - n - 1]) || path.compare(len - n, n, name) != 0) return false;
  path.resize(len - n - 1);
  return true;
}

int Enter(const std::string& path) { return !path.empty() && chdir(path.c_str()) == 0 ? 1 : 0; }

int TryEnter(const std::string& path) {
  gFolders.current = path;
  return Enter(path);
}

// scene files/<sub>, else the scene files folder itself.
int EnterSceneSub(const char* sub) {
  if (TryEnter(gFolders.sceneFiles + "/" + sub)) return 1;
  return TryEnter(gFolders.sceneFiles);
}

}  // namespace

std::string GVRootOfDirectory(std::string dir) {
  // The top of the file system is no place for the program's folders, also
  // when it is what is left once the build folder's name is cut.
  if (dir.size() < 2) return std::string();
  if (!CutLastFolder(dir, "bin") && !CutLastFolder(dir, "Debug")) CutLastFolder(dir, "Release");
  return dir.size() < 2 ? std::string() : dir;
}

int GVInitFolders() {
  Folders f;
  f.root = GVRootOfDirectory(CurrentDirectory());
  if (f.root.empty()) return 0;
  f.sceneFiles = f.root + "/GVSceneFiles";
  f.tutorials = f.root + "/Tutorials";
  f.helpFiles = f.root + "/GVHelpFiles";
  f.textures = f.root + "/media/materials/textures";
  f.scripts = f.root + "/media/materials/scripts";
  gFolders = f;
  return 1;
}

int GVSetDirRoot() {
  if (!Enter(gFolders.root)) return 0;
  gFolders.current = gFolders.root;
  return 1;
}

int GVSetDirScenes() { return EnterSceneSub("Scenes"); }
int GVSetDirTutorials() { return TryEnter(gFolders.tutorials); }
int GVSetDirScenesMGVB() { return EnterSceneSub("ScenesMGVB"); }
int GVSetDirGeos() { return EnterSceneSub("Geos"); }
int GVSetDirJels() { return EnterSceneSub("Jels"); }
int GVSetDirScripts() { return TryEnter(gFolders.scripts); }
int GVSetDirTextures() { return TryEnter(gFolders.textures); }

int GVMaterialScriptExists(const char* fileName) {
  const std::string back = CurrentDirectory();
  if (!fileName || back.empty()) return 0;
  if (!TryEnter(gFolders.scripts)) return 0;
  FILE* f = std::fopen(fileName, "rb");
  if (f) std::fclose(f);
  Enter(back);
  return f ? 1 : 0;
}

const char* GVRootDir() { return gFolders.root.c_str(); }
const char* GVSceneFilesDir() { return gFolders.sceneFiles.c_str(); }
const char* GVTutorialsDir() { return gFolders.tutorials.c_str(); }
const char* GVHelpFilesDir() { return gFolders.helpFiles.c_str(); }
const char* GVTexturesDir() { return gFolders.textures.c_str(); }
const char* GVScriptsDir() { return gFolders.scripts.c_str(); }
const char* GVCurrentFolder() { return gFolders.current.c_str(); }
