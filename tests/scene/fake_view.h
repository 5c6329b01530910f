// A stand-in for the 3-D view, the render objects and the toolkit's name
// cleaner, installed in the scene's service table for the length of a test,
// over a scene of its own (world and Geo list in GVScene()). Render objects
// are recorded by the names the renderer gives them; beeps go to the
// platform's MessageBeep, which counts them.
#pragma once

#include <string>
#include <vector>

#include "camera/camera_record.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"

class HObject;
struct GObject;

namespace scenetest {

struct FakeView {
  FakeView();
  ~FakeView();
  FakeView(const FakeView&) = delete;
  FakeView& operator=(const FakeView&) = delete;

  // A Geo (bare, group 1) or a Jel (default) with this id and name in the scene.
  GObject* addGeo(int32_t id, const char* name);
  HObject* addJel(int32_t id, const char* name);
  void setStateMode(int32_t mode);

  std::vector<std::string> status;   // status-line texts, in order
  std::vector<std::string> objects;  // live render objects: "NameGMESH", "NameHMESH"
  std::vector<std::string> calls;    // "create Box 16 -7", "destroy Box", "material 3 2"...
  std::vector<int> displayItems;     // list * 10 + item
  int toolActive = 0;
  int busy = 0;
  CameraRec camera;

 private:
  SceneServices saved_;
  SceneRecords savedScene_;
};

}  // namespace scenetest
