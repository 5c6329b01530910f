#include "jel/state_interface.h"

#include <gtest/gtest.h>

#include <cmath>

#include "jel/frame_store.h"
#include "block_lattice.h"

namespace {

// The base operations on their own: a state whose pure operations do nothing
// but node positions, read from the stored frames.
class StoredState : public HBState {
 public:
  StoredState(const BlockLattice& t) : HBState(1, t.n, t.h, 2u, t.head) {}
  ~StoredState() = default;
  void restoreFrame(int32_t) override {}
  void storeFrame(int32_t) override {}
  void getFaceCentre(int32_t, int32_t, int32_t, int32_t, float*) override {}
  void moveFaceTo(int32_t, int32_t, int32_t, int32_t, const float*) override {}
  void getNodePosition(int32_t node, int32_t frame, int32_t axes, float out[3]) override {
    const JelNodeRec* r = GVFrameNodeRecs(frameStore, frame < 0 ? 0 : frame);
    if (!r) return;
    const int first = frame == kFrameInitial ? kNodeNatural : kNodePos;
    for (int k = 0; k < 3; ++k)
      if (axes & (2 << k)) out[k] = r[node].f[first + k];
  }
  void setNodePosition(int32_t, int32_t, int32_t, const float*) override {}
  void getNodeMatter(int32_t, int32_t, uint32_t, MatterProps*) override {}
  void setNodeMatter(int32_t, int32_t, uint32_t, const MatterProps*) override {}
  void getPartMatterSummary(int32_t, int32_t, uint32_t, MatterProps*) override {}
  void applyPartMatter(int32_t, int32_t, uint32_t, MatterProps*) override {}
  void updateNodeCoeffs(int32_t) override {}
  void scaleNodeMatter(int32_t, int32_t, int32_t) override {}
};

// A 2x2x2-cell block (27 nodes, volume 8) with two stored frames; part 5 holds
// the nodes of the x = 0 layer, part 6 none.
struct Fixture {
  Fixture() : t(3, 3, 3, 1.0f, nullptr, 2), s(t) {
    for (int i = 1; i <= t.n; ++i)
      if (t.gx[i] == 0) t.head.partMask[i] |= 1u << 5;
  }
  JelNodeRec* nodes(int f) { return GVFrameNodeRecs(t.head.frameStore, f); }
  MatterProps* matter(int f) { return GVFrameMatter(t.head.frameStore, f); }
  BlockLattice t;
  StoredState s;
};

TEST(StateInterface, PartMassByFrame) {
  Fixture fx;
  for (int i = 1; i <= fx.t.n; ++i) fx.matter(1)[i].density = 2.0f;
  struct Case {
    int part, frame;
    float expected;
  };
  const Case cases[] = {
      {1, 0, 8.0f},  {1, 1, 16.0f}, {1, 2, 8.0f},  {1, -1, 8.0f}, {1, -2, 8.0f},
      {33, 1, 16.0f},                                   // part 33 is part 1
      {5, 0, 2.0f},                                     // the x = 0 layer: a quarter of the volume
      {6, 0, 0.0f},  {1, 3, 0.0f},  {1, -3, 0.0f}, {1, -4, 0.0f},
  };
  for (const Case& c : cases) {
    float m = 0.0f;
    fx.s.getPartMass(c.part, c.frame, &m);
    EXPECT_FLOAT_EQ(m, c.expected) << "part " << c.part << " frame " << c.frame;
  }
  float m = 1.5f;  // adds to what the caller holds
  fx.s.getPartMass(1, 0, &m);
  EXPECT_FLOAT_EQ(m, 9.5f);
}

TEST(StateInterface, CentreMomentumAndNaturalSums) {
  Fixture fx;
  // Frame 1: the block moved by (10, 0, 0) and moving at (0, 3, 0).
  for (int i = 1; i <= fx.t.n; ++i) {
    fx.nodes(1)[i].f[kNodePos] += 10.0f;
    fx.nodes(1)[i].f[kNodeVel + 1] = 3.0f;
  }
  float m = 0, sum[3] = {0, 0, 0};
  fx.s.getPartMass(1, 1, &m);
  fx.s.getPartMassPosSum(1, 1, kAxesAll, sum);
  EXPECT_NEAR(sum[0] / m, 11.0f, 1e-5f);
  EXPECT_NEAR(sum[1] / m, 1.0f, 1e-5f);
  EXPECT_NEAR(sum[2] / m, 1.0f, 1e-5f);

  float nat[3] = {0, 0, 0};
  fx.s.getPartMassSumVec0(1, -1, kAxisX, nat);
  EXPECT_NEAR(nat[0] / m, 1.0f, 1e-5f);
  EXPECT_EQ(nat[1], 0.0f);  // only the selected axis

  float p[3] = {0, 0, 0};
  fx.s.getPartMomentum(1, 1, kAxesAll, p);
  EXPECT_NEAR(p[1], 3.0f * m, 1e-4f);
  EXPECT_EQ(p[0], 0.0f);

  // Frame -2 sums the live positions with frame 0's masses.
  for (int i = 1; i <= fx.t.n; ++i) fx.t.head.pos[i][2] = 4.0f;
  float live[3] = {0, 0, 0};
  fx.s.getPartMassPosSum(1, -2, kAxisZ, live);
  EXPECT_NEAR(live[2], 4.0f * 8.0f, 1e-4f);

  // A frame past the last and the selectors the base does not take add nothing.
  const int unavailable[][2] = {{3, 0}, {-3, 0}, {-1, 1}, {-2, 2}};
  for (const auto& u : unavailable) {
    float out[3] = {1, 1, 1};
    if (u[1] == 0) fx.s.getPartMassPosSum(1, u[0], kAxesAll, out);
    if (u[1] == 1) fx.s.getPartMassPosSum(1, u[0], kAxesAll, out);
    if (u[1] == 2) fx.s.getPartMomentum(1, u[0], kAxesAll, out);
    EXPECT_EQ(out[0], 1.0f);
    EXPECT_EQ(out[2], 1.0f);
  }
}

TEST(StateInterface, EditsLandInTheirFloats) {
  Fixture fx;
  const float v[3] = {1, 2, 3};
  fx.s.addPartVec0(5, -1, kAxesAll, v);
  fx.s.translatePart(5, 1, kAxisX | kAxisZ, v);
  fx.s.addPartVelocity(5, 2, kAxisY, v);
  fx.s.setPartVelocity(1, 1, kAxisZ, v);
  fx.s.translatePart(1, -2, kAxisY, v);
  fx.s.translatePart(1, 3, kAxesAll, v);   // past the last frame: nothing
  fx.s.addPartVelocity(1, -1, kAxesAll, v);  // not a stored frame: nothing
  for (int i = 1; i <= fx.t.n; ++i) {
    const bool inPart5 = fx.t.gx[i] == 0;
    const float x = static_cast<float>(fx.t.gx[i]);
    EXPECT_EQ(fx.nodes(0)[i].f[kNodeNatural], x + (inPart5 ? 1.0f : 0.0f));
    EXPECT_EQ(fx.nodes(0)[i].f[kNodeNatural + 2], fx.t.gz[i] + (inPart5 ? 3.0f : 0.0f));
    EXPECT_EQ(fx.nodes(0)[i].f[kNodePos], x);  // the initial state is apart from the natural one
    EXPECT_EQ(fx.nodes(1)[i].f[kNodePos], x + (inPart5 ? 1.0f : 0.0f));
    EXPECT_EQ(fx.nodes(1)[i].f[kNodePos + 1], static_cast<float>(fx.t.gy[i]));
    EXPECT_EQ(fx.nodes(2)[i].f[kNodeVel + 1], inPart5 ? 2.0f : 0.0f);
    EXPECT_EQ(fx.nodes(1)[i].f[kNodeVel + 2], 3.0f);
    EXPECT_EQ(fx.nodes(0)[i].f[kNodeVel], 0.0f);
    EXPECT_EQ(fx.t.head.pos[i][1], fx.t.gy[i] + 2.0f);
  }
}

TEST(StateInterface, SpinAndAngularMomentumAgree) {
  Fixture fx;
  const float centre[3] = {1, 1, 1};
  const float omega[3] = {0.5f, -1.0f, 2.0f};
  fx.s.addPartSpin(1, 1, kAxesAll, centre, omega);
  float L[3] = {0, 0, 0}, I[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
  fx.s.getPartAngMomentum(1, 1, kAxesAll, centre, L, I);
  // L = I omega for a rigid spin about the centre.
  for (int r = 0; r < 3; ++r) {
    const float expected = I[3 * r] * omega[0] + I[3 * r + 1] * omega[1] + I[3 * r + 2] * omega[2];
    EXPECT_NEAR(L[r], expected, 1e-4f) << r;
  }
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 3; ++c) EXPECT_EQ(I[3 * r + c], I[3 * c + r]);
  // Linear momentum of a spin about the centre of mass is zero.
  float p[3] = {0, 0, 0};
  fx.s.getPartMomentum(1, 1, kAxesAll, p);
  for (float x : p) EXPECT_NEAR(x, 0.0f, 1e-5f);

  // Unselected spin axes are taken as zero.
  Fixture fy;
  fy.s.addPartSpin(1, 1, kAxisZ, centre, omega);
  const int i = fy.t.index(2, 1, 1);  // r = (1, 0, 0)
  EXPECT_NEAR(fy.nodes(1)[i].f[kNodeVel + 1], 2.0f, 1e-6f);
  EXPECT_NEAR(fy.nodes(1)[i].f[kNodeVel + 2], 0.0f, 1e-6f);
}

TEST(StateInterface, EmptyPartMirrorsInertiaAndAddsNothing) {
  Fixture fx;
  const float centre[3] = {0, 0, 0};
  float L[3] = {1, 2, 3};
  float I[9] = {0, 7, 0, 0, 0, 8, 9, 0, 0};
  fx.s.getPartAngMomentum(6, 0, kAxesAll, centre, L, I);
  EXPECT_EQ(L[0], 1.0f);
  EXPECT_EQ(I[3], 7.0f);
  EXPECT_EQ(I[7], 8.0f);
  EXPECT_EQ(I[2], 9.0f);
  // A frame that is not there leaves even the mirror undone.
  float J[9] = {0, 7, 0, 0, 0, 0, 0, 0, 0};
  fx.s.getPartAngMomentum(1, 5, kAxesAll, centre, L, J);
  EXPECT_EQ(J[3], 0.0f);
}

TEST(StateInterface, NearestNode) {
  Fixture fx;
  struct Case {
    int part, frame;
    float point[3];
    int node;
    float dist;
  };
  const float far = 9e30f;
  const Case cases[] = {
      {1, 0, {2.1f, 2.1f, 2.1f}, 27, 0.03f},
      {1, -1, {0.0f, 0.0f, 0.0f}, 1, 0.0f},
      {5, 0, {2.0f, 1.0f, 1.0f}, 0 /* below */, 4.0f},
      {1, 0, {0.5f, 0.0f, 0.0f}, 1, 0.25f},  // a tie keeps the lower index
      {6, 0, {0, 0, 0}, 0, far},
      {1, 7, {0, 0, 0}, 0, far},
      {1, -4, {0, 0, 0}, 0, far},
  };
  for (const Case& c : cases) {
    int node = -1;
    float d = -1;
    fx.s.findNearestNodeAlias(c.part, c.frame, c.point, &node, &d);
    const int expected = c.part == 5 && c.node == 0 ? fx.t.index(0, 1, 1) : c.node;
    EXPECT_EQ(node, expected) << c.part << " " << c.frame;
    EXPECT_NEAR(d, c.dist, 1e-5f) << c.part << " " << c.frame;
  }
  // The in-step frame reads pos + disp.
  for (int i = 1; i <= fx.t.n; ++i) fx.t.head.pos[i][0] = fx.t.head.pos[i][1] = fx.t.head.pos[i][2] = 100.0f;
  fx.t.head.disp[9][0] = -100.0f;
  int node = 0;
  float d = 0;
  const float origin[3] = {0, 100, 100};
  fx.s.findNearestNode(1, -3, origin, &node, &d);
  EXPECT_EQ(node, 9);
  EXPECT_EQ(d, 0.0f);
  fx.s.findNearestNode(1, -2, origin, &node, &d);
  EXPECT_EQ(node, 1);
}

TEST(StateInterface, SetPartMatterClampsTheCallerAndTheNodes) {
  Fixture fx;
  MatterProps v;
  v.density = 5000.0f;
  v.friction = 7.0f;
  fx.s.setPartMatter(33, 1, kMatterDensity, &v);
  EXPECT_EQ(v.density, 1000.0f);
  EXPECT_EQ(v.friction, 7.0f);  // not in the mask: neither clamped nor stored
  for (int i = 1; i <= fx.t.n; ++i) {
    EXPECT_EQ(fx.matter(1)[i].density, 1000.0f);
    EXPECT_EQ(fx.matter(1)[i].friction, 0.0f);
    EXPECT_EQ(fx.matter(0)[i].density, 1.0f);
  }
  // Only stored frames are written; the caller's record is clamped regardless.
  MatterProps w;
  w.bulge = 9.0f;
  fx.s.setPartMatter(1, -2, kMatterBulge, &w);
  EXPECT_EQ(w.bulge, 2.0f);
  for (int i = 1; i <= fx.t.n; ++i) EXPECT_EQ(fx.matter(0)[i].bulge, 0.35f);
  fx.s.setPartMatter(1, 3, kMatterBulge, &w);
  // The base has no matter range: the output stays as given.
  MatterProps r;
  r.density = 9e30f;
  fx.s.getPartMatterRange(1, 0, kMatterDensity, &r);
  EXPECT_EQ(r.density, 9e30f);
}

TEST(StateInterface, NodeTangents) {
  BlockLattice t(3, 3, 3, 1.0f);
  StoredState s(t);
  // Stretch x by 3 around the centre node and shear y a little.
  for (int i = 1; i <= t.n; ++i) {
    t.head.pos[i][0] = 3.0f * t.gx[i];
    t.head.pos[i][1] = t.gy[i] + 0.5f * t.gx[i];
    t.head.pos[i][2] = static_cast<float>(t.gz[i]);
  }
  float p[3] = {0, 0, 0}, f[9];
  const int centre = t.index(1, 1, 1);
  ASSERT_EQ(HBState::nodeTangents(&s, centre, p, f), 1);
  const float len = std::sqrt(9.0f + 0.25f);
  EXPECT_NEAR(f[0], 3.0f / len, 1e-6f);
  EXPECT_NEAR(f[1], 0.5f / len, 1e-6f);
  EXPECT_NEAR(f[4], 1.0f, 1e-6f);
  EXPECT_NEAR(f[8], 1.0f, 1e-6f);
  EXPECT_EQ(p[0], 3.0f);
  // One-sided at the border: the low corner looks forward along every axis.
  ASSERT_EQ(HBState::nodeTangents(&s, 1, nullptr, f), 1);
  EXPECT_NEAR(f[0], 3.0f / len, 1e-6f);
  EXPECT_NEAR(f[8], 1.0f, 1e-6f);
  // Node 0, a node out of range or no outputs: nothing written.
  float untouched[9] = {5, 5, 5, 5, 5, 5, 5, 5, 5};
  EXPECT_EQ(HBState::nodeTangents(&s, 0, untouched, untouched), 0);
  EXPECT_EQ(HBState::nodeTangents(&s, t.n + 1, untouched, untouched), 0);
  EXPECT_EQ(HBState::nodeTangents(&s, 1, nullptr, nullptr), 0);
  EXPECT_EQ(untouched[0], 5.0f);
}

TEST(StateInterface, BoundingBoxOfPartOne) {
  Fixture fx;
  float box[6];
  ASSERT_EQ(GVJelBoundingBox(&fx.s, 0, box), 1);
  const float expected[6] = {0, 2, 0, 2, 0, 2};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(box[k], expected[k]);
  for (int i = 1; i <= fx.t.n; ++i) fx.t.head.partMask[i] = 0;
  EXPECT_EQ(GVJelBoundingBox(&fx.s, 0, box), 0);
  EXPECT_EQ(box[0], 9e30f);
  EXPECT_EQ(box[1], -9e30f);
}

TEST(StateInterface, DefaultHeadAndRecords) {
  Fixture fx;
  fx.s.initParams();
  EXPECT_EQ(fx.s.id, 0);
  EXPECT_EQ(fx.s.groupMask, 2u);
  EXPECT_EQ(fx.s.nodeCount, 0);
  EXPECT_EQ(fx.s.cellSize, 1.0f);
  EXPECT_EQ(fx.s.frameStore, nullptr);
  EXPECT_EQ(fx.s.pos, nullptr);
  for (int m : fx.s.frameMarks) EXPECT_EQ(m, -1);

  FrameParams a, b;
  a.startFrame = 12;
  a.timeStep = 0.5f;
  GVCopyFrameParamsBlock(&b, &a);
  EXPECT_EQ(b.startFrame, 12);
  EXPECT_EQ(b.timeStep, 0.5f);

  NodeFrameRecord r;
  const float v[3] = {1, 2, 3};
  GVSetNodeFrameRecord(&r, -2, 7, 8, 1, 4, v, nullptr);
  EXPECT_EQ(r.frame, -2);
  EXPECT_EQ(r.part, 4);
  EXPECT_EQ(r.pos[2], 3.0f);
  EXPECT_EQ(r.mat[4], 1.0f);
  EXPECT_EQ(r.mat[1], 0.0f);
}

}  // namespace
