#include <gtest/gtest.h>

#include <cmath>

#include "GVAppWins/view_window.h"

namespace {

class Projection : public ::testing::Test {
 protected:
  void SetUp() override {
    cell_ = new CameraRec*;
    GVNewCamera(cell_);
    view_.camera = cell_;
    view_.bounds = bounds_;
    view_.viewport = &viewport_;
    view_.viewportWidth = 1000;
    view_.viewportHeight = 675;
  }
  void TearDown() override {
    GVFreeCamera(cell_);
    GVSetViewSceneLinks(GVViewSceneLinks());
  }
  void clip(float ex, float ey, float ez, float* farClip, float* nearClip) {
    (*cell_)->eye[0] = ex;
    (*cell_)->eye[1] = ey;
    (*cell_)->eye[2] = ez;
    GVComputeClipRange(&view_, farClip, nearClip);
  }

  float bounds_[6] = {-12, 12, 0, 24, -12, 12};
  ViewportRec viewport_;
  CameraRec** cell_ = nullptr;
  GVView view_;
};

TEST_F(Projection, ClipRangeHoldsTheBounds) {
  float farClip, nearClip;
  clip(0, 12, 0, &farClip, &nearClip);  // inside on every axis
  EXPECT_FLOAT_EQ(nearClip, 0.8f);
  EXPECT_NEAR(farClip, std::sqrt(3.0f * 144.0f), 1e-4f);
  clip(0, 12, 22, &farClip, &nearClip);  // 10 beyond the z extent
  EXPECT_NEAR(nearClip, 8.0f, 1e-5f);
  clip(30, 40, 30, &farClip, &nearClip);  // outside on all three
  EXPECT_NEAR(nearClip, 0.8f * std::sqrt(18.0f * 18 + 16 * 16 + 18 * 18), 1e-4f);
  EXPECT_NEAR(farClip, std::sqrt(42.0f * 42 + 40 * 40 + 42 * 42), 1e-3f);

  // The sky dome lies beyond the scene: far reaches past its farthest corner.
  const int32_t backdrop = 2;
  const float sky = 200.0f;
  GVViewSceneLinks links;
  links.backdropMode = &backdrop;
  links.skyDistance = &sky;
  GVSetViewSceneLinks(links);
  clip(0, 12, 22, &farClip, &nearClip);
  EXPECT_GT(farClip, std::sqrt(3.0f) * 200.0f);
}

TEST_F(Projection, ViewCameraResetAimsAboveTheCentreFromEyeHeight) {
  GVResetViewCamera(&view_);
  const CameraRec& c = **cell_;
  const float tan40 = std::tan(40.0f * 3.1415927f / 180.0f);
  EXPECT_FLOAT_EQ(c.eye[0], 0.0f);
  EXPECT_FLOAT_EQ(c.eye[1], 2.0f);
  EXPECT_NEAR(c.eye[2], (12.0f + 24.0f * 1000.0f / (tan40 * 675.0f)) * 0.9f, 1e-3f);
  EXPECT_NEAR(c.target[0], 0.0f, 1e-5f);
  EXPECT_NEAR(c.target[1], 12.0f, 1e-5f);
  EXPECT_NEAR(c.target[2], 0.0f, 1e-5f);
  EXPECT_NEAR(c.fov, 30.0f * 3.1415927f / 180.0f, 1e-6f);
  EXPECT_EQ(c.geoDisplayMode, 32);
  EXPECT_EQ(c.jelDisplayMode, 32);
  EXPECT_EQ(c.mode, 0);
  EXPECT_EQ(c.extra[1], 1);
}

}  // namespace
