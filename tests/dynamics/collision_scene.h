// Scenes for the collision tests and benchmark: block Jels placed in a world,
// static Geo meshes of triangles with their broad-phase grid, and frames
// stepped by the world runner with the application's per-sub-step work.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "dynamics/collision_tests.h"
#include "dynamics/world.h"
#include "jel/matter.h"

class HObject;
struct ContactGrid;

// A cx x cy x cz-cell block Jel (cz = 0: one node layer) with its lowest
// corner at `corner`: every node in part 1, surface nodes in part 2, no end
// frame. Owned by the caller until added to a world.
HObject* NewBlockJel(int cx, int cy, int cz, float h, int32_t id, const float corner[3]);
void SetJelMatter(HObject* jel, const MatterProps& m);

// How deep the deepest live node of `a` lies inside the live volume of `b`:
// each node is located in b's lattice, and a node inside a solid cell is as
// deep as its nearest way out through b's solid cells along a lattice axis
// (rest cell lengths). 0 when no node is inside.
float DeepestNodeInside(const HObject* a, HObject* b);

// A static Geo mesh of triangulated rectangles: each rectangle
// o + i u / nu + j v / nv becomes 2 nu nv triangles whose normals face u x v.
struct TriMesh {
  TriMesh() = default;
  ~TriMesh();
  TriMesh(const TriMesh&) = delete;
  TriMesh& operator=(const TriMesh&) = delete;
  void addRect(const float o[3], const float u[3], const float v[3], int nu, int nv);
  // Points the mesh view at the arrays, keeps the triangles' frames and
  // refills the grid from the in-step positions (face size: the longest
  // triangle edge).
  void finish();

  std::vector<float> vertices{0, 0, 0}, displacement{0, 0, 0}, normals{0, 0, 0};
  std::vector<int32_t> triangles{0, 0, 0};
  std::vector<GeoTriFrame> frames;  // kept from finish(): the mesh never moves
  ContactGrid* grid = nullptr;
  GeoTestMesh mesh;
};

struct SceneRunner {
  SceneRunner();
  ~SceneRunner();
  SceneRunner(const SceneRunner&) = delete;
  SceneRunner& operator=(const SceneRunner&) = delete;

  void add(HObject* jel);
  // One frame of subSteps sub-steps through the world runner; work() runs as
  // the application's work in every sub-step.
  void frame();
  double kineticEnergy() const;

  HWorld world;
  int32_t subSteps = 1;
  int32_t frameCount = 0;
  std::function<void()> work;
  std::vector<HObject*> jels;
};
