#include "scene/work_folders.h"

#include <cstdio>
#include <cstring>

#include <unistd.h>

namespace {

struct Folders {
  char root[kFolderPathMax] = "";
  char sceneFiles[kFolderPathMax] = "";
  char tutorials[kFolderPathMax] = "";
  char helpFiles[kFolderPathMax] = "";
  char textures[kFolderPathMax] = "";
  char scripts[kFolderPathMax] = "";
  char current[kFolderPathMax] = "";
};

Folders gFolders;

bool Join(char* out, const char* base, const char* name) {
  const int n = std::snprintf(out, kFolderPathMax, "%s/%s", base, name);
  return n > 0 && static_cast<size_t>(n) < kFolderPathMax;
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

// Cuts a last folder named exactly `name` (preceded by a separator).
bool CutLastFolder(char* path, const char* name) {
  const size_t len = std::strlen(path), n = std::strlen(name);
  if (len < n + 1 || !IsSeparator(path[len - n - 1]) || std::strcmp(path + len - n, name) != 0) return false;
  path[len - n - 1] = '\0';
  return true;
}

int Enter(const char* path) { return path[0] && chdir(path) == 0 ? 1 : 0; }

int TryEnter(const char* path) {
  std::snprintf(gFolders.current, kFolderPathMax, "%s", path);
  return Enter(path);
}

// scene files/<sub>, else the scene files folder itself.
int EnterSceneSub(const char* sub) {
  char path[kFolderPathMax];
  if (Join(path, gFolders.sceneFiles, sub) && TryEnter(path)) return 1;
  return TryEnter(gFolders.sceneFiles);
}

}  // namespace

int GVInitFolders() {
  Folders f;
  if (!getcwd(f.root, kFolderPathMax)) return 0;
  // The top of the file system is no place for the program's folders.
  if (std::strlen(f.root) < 2) return 0;
  if (!CutLastFolder(f.root, "bin") && !CutLastFolder(f.root, "Debug")) CutLastFolder(f.root, "Release");
  if (!Join(f.sceneFiles, f.root, "GVSceneFiles") || !Join(f.tutorials, f.root, "Tutorials") ||
      !Join(f.helpFiles, f.root, "GVHelpFiles") || !Join(f.textures, f.root, "media/materials/textures") ||
      !Join(f.scripts, f.root, "media/materials/scripts"))
    return 0;
  gFolders = f;
  return 1;
}

int GVSetDirRoot() {
  if (!Enter(gFolders.root)) return 0;
  std::snprintf(gFolders.current, kFolderPathMax, "%s", gFolders.root);
  return 1;
}

int GVSetDirScenes() { return EnterSceneSub("Scenes"); }
int GVSetDirTutorials() { return TryEnter(gFolders.tutorials); }
int GVSetDirScenesMGVB() { return EnterSceneSub("ScenesMGVB"); }
int GVSetDirGeos() { return EnterSceneSub("Geos"); }
int GVSetDirJels() { return EnterSceneSub("Jels"); }

int GVMaterialScriptExists(const char* fileName) {
  char back[kFolderPathMax];
  if (!fileName || !getcwd(back, kFolderPathMax)) return 0;
  if (!TryEnter(gFolders.scripts)) return 0;
  FILE* f = std::fopen(fileName, "rb");
  if (f) std::fclose(f);
  Enter(back);
  return f ? 1 : 0;
}

const char* GVRootDir() { return gFolders.root; }
const char* GVSceneFilesDir() { return gFolders.sceneFiles; }
const char* GVTutorialsDir() { return gFolders.tutorials; }
const char* GVHelpFilesDir() { return gFolders.helpFiles; }
const char* GVTexturesDir() { return gFolders.textures; }
const char* GVScriptsDir() { return gFolders.scripts; }
const char* GVCurrentFolder() { return gFolders.current; }
