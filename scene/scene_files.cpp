// The wrappers around the scene readers and writers: folder in, file open,
// reader or writer, root again.
#include "scene/scene_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "scene/app_selection.h"
#include "records/file_version.h"
#include "scene/mgvb_reader.h"
#include "scene/object_stream.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "scene/scene_stream.h"
#include "scene/scene_tagged.h"
#include "scene/work_folders.h"

namespace {

// Enters the root again; the current folder follows only when that worked.
void BackToRoot() { GVSetDirRoot(); }

template <typename Reader>
int32_t ReadInFolder(int (*enter)(), const char* name, Reader read) {
  if (!enter()) return kSceneFileNoFolder;
  int32_t result = kSceneFileNoFile;
  if (FILE* f = name && name[0] ? std::fopen(name, "rb") : nullptr) {
    result = read(f);
    std::fclose(f);
  }
  BackToRoot();
  return result;
}

void SaveFailed(const char* name) {
  const std::string text = std::string("Warning: could not save scene file: ") + (name ? name : "");
  GVSceneMessage(text.c_str());
}

// The permissions the new file takes: those of the file it replaces, else
// what the process gives a file it creates.
mode_t NewFileMode(const char* name) {
  struct stat old;
  if (stat(name, &old) == 0 && S_ISREG(old.st_mode)) return old.st_mode & 07777;
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// The new file is written beside the old one under a temporary name and
// renamed over it only once it is complete and closed: a failed write leaves
// the old file as it was.
template <typename Writer>
int32_t WriteInScenes(const char* name, Writer write) {
  if (!GVSetDirScenes()) {
    SaveFailed(name);
    return 0;
  }
  bool ok = name && name[0];
  std::string temp;
  if (ok) {
    temp = std::string(name) + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd >= 0) fchmod(fd, NewFileMode(name));
    FILE* f = fd >= 0 ? fdopen(fd, "wb") : nullptr;
    if (!f && fd >= 0) close(fd);
    ok = f != nullptr;
    if (f) {
      ok = write(f) == 0;
      ok = std::fflush(f) == 0 && ok && !std::ferror(f);
      ok = fsync(fileno(f)) == 0 && ok;
      ok = std::fclose(f) == 0 && ok;
      ok = ok && std::rename(temp.c_str(), name) == 0;
      if (!ok) std::remove(temp.c_str());
    }
  }
  if (!ok) SaveFailed(name);
  const int back = GVSetDirRoot();
  return ok && back ? 1 : 0;
}

}  // namespace

int32_t GVLoadScene(const char* name, CameraRec** camera, char** notes) {
  SceneRecords& s = GVScene();
  return ReadInFolder(GVSetDirScenes, name,
                      [&](FILE* f) { return GVReadSceneTagged(f, s.geoList, s.world, s.logic, camera, notes); });
}

int32_t GVLoadTutorialScene(const char* name, CameraRec** camera, char** notes) {
  SceneRecords& s = GVScene();
  return ReadInFolder(GVSetDirTutorials, name,
                      [&](FILE* f) { return GVReadSceneTagged(f, s.geoList, s.world, s.logic, camera, notes); });
}

int32_t GVImportObjects(const char* name, int32_t options, int32_t* geoIdOut, int32_t* jelIdOut) {
  SceneRecords& s = GVScene();
  return ReadInFolder(GVSetDirScenes, name, [&](FILE* f) {
    return GVImportTagged(f, s.geoList, s.world, s.logic, options, geoIdOut, jelIdOut);
  });
}

int32_t GVLoadSceneStream(const char* name, CameraRec** camera, char** notes) {
  SceneRecords& s = GVScene();
  return ReadInFolder(GVSetDirScenes, name,
                      [&](FILE* f) { return GVReadSceneStreamFile(f, s.geoList, s.world, s.logic, camera, notes); });
}

int32_t GVImportObjectsStream(const char* name, CameraRec** camera, int32_t options, int32_t* geoIdOut,
                              int32_t* jelIdOut) {
  SceneRecords& s = GVScene();
  return ReadInFolder(GVSetDirScenes, name, [&](FILE* f) {
    return GVImportStreamFile(f, s.geoList, s.world, s.logic, camera, options, geoIdOut, jelIdOut);
  });
}

int32_t GVSaveScene(const char* name, char** notes, CameraRec** camera, const float* bounds) {
  SceneRecords& s = GVScene();
  return WriteInScenes(name, [&](FILE* f) {
    return GVWriteSceneStream(f, s.geoList, s.world, s.logic, s.vehicle, bounds, camera, s.lights, s.display,
                              s.options, notes);
  });
}

int32_t GVSceneFileExists(const char* name) {
  if (!name || !name[0] || !GVSetDirScenes()) return 0;
  struct stat st;
  const bool found = stat(name, &st) == 0 && S_ISREG(st.st_mode);
  BackToRoot();
  return found ? 1 : 0;
}

int32_t GVExportObjects(const char* name, CameraRec** camera) {
  (void)camera;  // export files carry no camera
  SceneRecords& s = GVScene();
  const AppSelection& sel = GVExportSelection();
  return WriteInScenes(name, [&](FILE* f) {
    return GVWriteExportStream(f, s.geoList, s.world, sel.geoId, sel.jelId, s.logic);
  });
}

int32_t GVOpenMGVB(const char* name) {
  GVSetFileVersion(0);
  if (!GVSetDirScenesMGVB()) return 0;
  if (FILE* f = name && name[0] ? std::fopen(name, "rb") : nullptr) {
    GVLoadMGVB(f, name);
    std::fclose(f);
  }
  BackToRoot();
  return 1;
}
