#include "logic/logic_store.h"

#include <gtest/gtest.h>

#include <vector>

#include "dynamics/runner_scene.h"
#include "dynamics/world.h"
#include "jel/jel_object.h"
#include "logic/logic_system.h"
#include "logic/program_store.h"
#include "scene/app_lifecycle.h"
#include "scene/frame_driver.h"
#include "scene/scene_access.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"

namespace {

int gCalls = 0;
struct Report {
  int32_t program, row, subStep, subSteps, stepping;
};
std::vector<Report> gReports;

int32_t CountCalls(int32_t, LogicLine*, LogicSystem*) { return ++gCalls; }

void RecordLine(int32_t program, int32_t row) {
  const FrameParams& p = (*GVScene().world)->params;
  gReports.push_back({program, row, p.subStepIndex, p.subSteps, p.stepping});
}

}  // namespace

TEST(LogicStore, MainProgramRunsOnEverySubStepThroughTheFrameDriver) {
  SceneServices sv;
  sv.showLogicLineValue = RecordLine;
  sv.mainWindowExists = []() -> int32_t { return 1; };
  GVSetSceneServices(sv);
  GVAppStartup();
  LogicSystem* sys = GVScene().logic;
  ASSERT_NE(sys, nullptr);
  ASSERT_NE(GVLogicProgram(sys, 1), nullptr);
  EXPECT_EQ(sys->appCB, GVLogicAppCB);
  EXPECT_EQ(sys->world, GVScene().world);

  const float corner[3] = {-1.0f, 4.0f, -1.0f};
  HObject* jel = MakeDropJel(2, 2, 2, 1.0f, corner, 1, -9.81f);
  jel->handle = new HObject*(jel);
  GVAddJelToScene(GVScene().world, jel->handle);
  GVStepFrame(0, 1);

  sys->minSubSteps = 4;
  LogicCmd* counter = GVLogicBeginCategory(sys, kLogicDrawing, 1);
  ASSERT_NE(counter, nullptr);
  counter->fn = CountCalls;
  LogicLine* line = GVLogicInsertLineAfter(sys, 1, nullptr);
  line->category = kLogicDrawing;
  gCalls = 0;
  gReports.clear();

  // Played to frame 10 the way the message loop advances.
  for (int32_t f = 1; f <= 10; ++f) GVAdvanceFrame();
  EXPECT_EQ(GVFrameClock().currentFrame, 10);
  EXPECT_EQ(gCalls, 40);
  ASSERT_EQ(gReports.size(), 10u);
  for (const Report& r : gReports) {
    EXPECT_EQ(r.program, 1);
    EXPECT_EQ(r.row, 1);
    EXPECT_EQ(r.stepping, 1);
    EXPECT_EQ(r.subStep, 4);
    EXPECT_EQ(r.subSteps, 4);
  }
  // A jump from frame 0 straight to frame 10: the runner restores the stored
  // frame 0 and, having restored, runs the frame's work once before stepping
  // the ten frames, so the program runs once more and reports once more.
  GVStepFrame(0, 1);
  gCalls = 0;
  gReports.clear();
  GVStepFrame(10, 1);
  EXPECT_EQ(gCalls, 41);
  EXPECT_EQ(gReports.size(), 11u);

  GVAppShutdown();
  EXPECT_EQ(GVScene().logic, nullptr);
  EXPECT_EQ(GVSceneServices().runMainLogic, nullptr);
  // Without the store the frame driver asks for one sub-step.
  EXPECT_EQ(GVFrameCallback(nullptr, 0, nullptr), 1);
  GVSetSceneServices(SceneServices());
  GVFrameClock() = FrameClock();
}
