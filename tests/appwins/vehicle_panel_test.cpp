// The vehicle controls in the main window: shown from the selector bar, their
// controls driven by injected input, the 2x2 vehicle built by its button and
// driven forward over a played run.
#include <cmath>
#include <string>

#include "appwins/editor_bar.h"
#include "appwins/message_dlg.h"
#include "appwins/vehicle_panel.h"
#include "appwins/view_owner.h"
#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "jel/jel_object.h"
#include "jel/state_interface.h"
#include "main_window_fixture.h"
#include "scene/frame_driver.h"
#include "scene/scene_records.h"
#include "scene/scene_services.h"
#include "toolkit/buttons.h"
#include "toolkit/choosers.h"
#include "toolkit/edit_control.h"
#include "toolkit/label.h"
#include "toolkit/slider_group.h"
#include "toolkit/time_bar.h"
#include "vehicle/chase_camera.h"
#include "vehicle/vehicle_commands.h"
#include "vehicle/vehicle_drive.h"
#include "vehicle/vehicle_jels.h"
#include "vehicle/vehicle_setup.h"

namespace {

constexpr COLORREF kBar = RGB(250, 150, 100);

class VehiclePanel : public MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    GVInstallMainWindowServices();
    GVDriveInputs() = DriveInputs();
    GVVehicleChaseCam().cameraMode = 0;
    p_ = win_->vehiclePanel;
  }
  void TearDown() override {
    GVDeleteVehicle();
    GVRemoveMainWindowServices();
    MainWindowTest::TearDown();
  }
  static HWorld* world() { return *GVScene().world; }
  void showFromSelectorBar() {
    for (int i = 0; i < kEditorBarButtons; ++i)
      if (kEditorBarTable[i].code == kEditorVehiclePanel) click(win_->selectorBar->buttons[i]->face);
    settle();
  }
  // Pixels of the speed bar along a row of the read-out.
  int barLength() {
    p_->redrawReadout();
    settle();
    const RECT r = rectOf(p_->readout);
    int n = 0;
    for (int x = r.left; x < r.right; ++x) n += screen(x, r.top + 8) == kBar;
    return n;
  }
  static int field(HwBaseControl* f) { return f->editButton->getInt(); }
  static std::string message() {
    HWND box = FindWindowA("DialogWindowClass", "Gv Message");
    auto* m = box ? reinterpret_cast<HwMessageDlg*>(GetWindowLongA(box, GWL_USERDATA)) : nullptr;
    return m ? m->text : "";
  }
  HwVehicle* p_ = nullptr;
};

TEST_F(VehiclePanel, ShownInTheTimeBarsPlaceWithDefaultsAndRefusedOutsideNaturalState) {
  ASSERT_NE(p_, nullptr);
  EXPECT_FALSE(p_->isVisible());
  showFromSelectorBar();
  ASSERT_TRUE(p_->isVisible());
  EXPECT_FALSE(IsWindowVisible(win_->timeBar->frame.window));
  const RECT at = place(p_->frame.outer), client = rectOf(win_->client);
  EXPECT_EQ(at.bottom, 200);
  EXPECT_EQ(at.left, 10);
  EXPECT_EQ(at.top + at.bottom, client.bottom - client.top - 10);

  // Without a vehicle every control shows its default.
  EXPECT_EQ(p_->steering->floatValue, 0.0f);
  EXPECT_EQ(p_->gearLever->intValue, -50);
  EXPECT_EQ(p_->leftPedal->floatValue, 0.0f);
  EXPECT_EQ(p_->rightPedal->floatValue, 0.0f);
  EXPECT_EQ(field(p_->widthField), 8);
  EXPECT_EQ(field(p_->lengthField), 9);
  EXPECT_EQ(p_->suspension->selected, 1);
  EXPECT_EQ(p_->driveWheels->selected, 4);
  EXPECT_EQ(p_->brakeWheels->selected, 4);
  EXPECT_EQ(p_->speedUp->floatValue, 1.0f);
  EXPECT_EQ(p_->frx->floatValue, 1.0f);
  EXPECT_EQ(p_->gravity->floatMinimum, -10.0f);
  EXPECT_STREQ(p_->cameraButton->label, "Cam Mode3");
  // The read-out: a scale 0 ... 50 and a one-pixel bar.
  EXPECT_EQ(barLength(), 1);
  const RECT r = rectOf(p_->readout);
  EXPECT_EQ(screen(r.left, r.top + 8), kBar);
  // The last tick label "50" ends one pixel inside the right edge.
  const auto label = ink(RECT{r.right - 20, r.top + 20, r.right, r.bottom}, RGB(150, 150, 170));
  EXPECT_GE(label.second, r.right - 4);
  EXPECT_LT(label.second, r.right - 1);
  EXPECT_TRUE(GVSavePng(GVScreenImage(), "vehicle_panel.png"));

  world()->params.stateMode = 0;
  click(p_->createButton->face);
  EXPECT_EQ(message(), "Gv Warning: Vehicle not created. System must be in Natural State Mode");
  EXPECT_EQ(GVVehicleOf(GVScene().vehicle), nullptr);

  showFromSelectorBar();
  EXPECT_FALSE(p_->isVisible());
  EXPECT_TRUE(IsWindowVisible(win_->timeBar->frame.window));
}

TEST_F(VehiclePanel, TheBuiltVehicleIsTunedAndDrivenFromItsControls) {
  win_->showVehiclePanel(1);
  // The body size for the next build: W stays within 6 .. 20, L within 5 .. 20.
  for (int i = 0; i < 4; ++i) p_->widthField->editButton->step(-1);
  EXPECT_EQ(field(p_->widthField), 6);
  for (int i = 0; i < 4; ++i) p_->widthField->editButton->step(1);
  for (int i = 0; i < 14; ++i) p_->lengthField->editButton->step(1);
  EXPECT_EQ(field(p_->lengthField), 20);
  for (int i = 0; i < 12; ++i) p_->lengthField->editButton->step(-1);

  world()->params.stateMode = -1;
  click(p_->createButton->face);
  VehicleRec* v = GVVehicleOf(GVScene().vehicle);
  ASSERT_NE(v, nullptr);
  ASSERT_FALSE(GVVehicleIsEmpty(v));
  p_->refreshFromScene();
  EXPECT_EQ(field(p_->widthField), 10);
  EXPECT_EQ(field(p_->lengthField), 8);
  int32_t ids[kVehicleJelIds];
  GVVehicleJelIds(v, ids);
  LatticeDims chassis;
  GVVehicleJel(world(), ids[0])->getLatticeDims(&chassis);
  EXPECT_EQ(chassis.maxIndex[0], 8);  // the lattice spans the body size
  EXPECT_EQ(chassis.maxIndex[2], 10);
  EXPECT_EQ(p_->driveWheels->selected, 1);  // both axles
  EXPECT_EQ(p_->brakeWheels->selected, 2);  // front

  // Gear lever, pedals and steering write the driver's inputs.
  DriveInputs& in = GVDriveInputs();
  const std::pair<int, int> gears[] = {{-55, 0}, {-61, 1}, {-40, -1}};
  for (auto [lever, gear] : gears) {
    EXPECT_EQ(HwSliderGroup::commitInt(0, lever, p_->gearLever), gear == 1 ? -100 : gear == 0 ? -50 : 0);
    EXPECT_EQ(in.gear, gear);
  }
  HwSliderGroup::commitFloat(0, -0.5f, p_->rightPedal);
  HwSliderGroup::commitFloat(0, -1.0f, p_->leftPedal);
  EXPECT_EQ(in.driveMode, 1);
  EXPECT_EQ(p_->rightPedal->floatValue, 0.0f);
  HwSliderGroup::commitFloat(0, -0.25f, p_->rightPedal);
  EXPECT_EQ(in.driveMode, 2);
  EXPECT_EQ(in.prevThrottle, 1.0f);
  EXPECT_EQ(in.throttle, 0.25f);
  EXPECT_EQ(p_->leftPedal->floatValue, 0.0f);
  HwSliderGroup::commitFloat(0, 20.0f, p_->steering);
  HwSliderGroup::commitFloat(0, 20.05f, p_->steering);
  EXPECT_EQ(in.steerTarget, 20.0f);

  // Settings: speed-up rounded and capped, no negative top speed, Geo offset.
  const float scT = v->scTFactor;
  for (auto [typed, kept] : {std::pair{2.4f, 2.0f}, {1.4f, 1.0f}, {25.0f, 10.0f}})
    EXPECT_EQ(HwSliderGroup::commitFloat(0, typed, p_->speedUp), kept);
  EXPECT_EQ(v->scTFactor, 10.0f);
  HwSliderGroup::commitFloat(0, scT, p_->speedUp);
  EXPECT_EQ(HwSliderGroup::commitFloat(0, -3.0f, p_->maxSpeed), 0.0f);
  EXPECT_EQ(v->driveScale, 0.0f);
  HwSliderGroup::commitFloat(0, p_->maxSpeed->floatMaximum, p_->maxSpeed);
  EXPECT_NEAR(v->driveScale, 1.0f, 1e-6f);
  p_->geoOffset->editButton->setFloat(4.95f);
  p_->geoOffset->editButton->step(1);
  EXPECT_NEAR(v->speedUp, 5.0f, 1e-6f);
  choose(p_->suspension, 6);
  EXPECT_EQ(p_->suspension->selected, 1);
  for (int mode : {1, 2, 0}) {
    click(p_->cameraButton->face);
    EXPECT_EQ(GVVehicleChaseCam().cameraMode, mode);
  }

  // Driving: a run from frame 0 starts straight and then keeps the steering.
  GVSetWorldStateMode(world(), 0);
  GVStepFrame(0, 0);
  GVStepFrame(1, 1);
  EXPECT_EQ(in.steerTarget, 0.0f);
  HwSliderGroup::commitFloat(0, 10.0f, p_->steering);
  HwSliderGroup::commitInt(0, -100, p_->gearLever);
  HwSliderGroup::commitFloat(0, -1.0f, p_->rightPedal);
  float c0[3], c1[3];
  GVVehicleSelCentre(world(), v->groupChassis, kFrameCommitted, c0);
  EXPECT_EQ(barLength(), 1);
  for (int32_t f = 2; f <= 91; ++f) GVStepFrame(f, 1);
  GVVehicleSelCentre(world(), v->groupChassis, kFrameCommitted, c1);
  EXPECT_GT(v->speed, 0.0f);
  EXPECT_GT(std::hypot(c1[0] - c0[0], c1[2] - c0[2]), 1.0f);
  EXPECT_EQ(in.steerTarget, 10.0f);
  EXPECT_GT(barLength(), 1);

  // The view's driving keys move the lever and the right pedal on screen.
  HwSliderGroup::commitInt(0, -50, p_->gearLever);
  GVViewOwnerCB(0, kViewDriveKeys, -2, 0, win_);
  EXPECT_EQ(p_->gearLever->intValue, 0);
  EXPECT_NEAR(p_->rightPedal->floatValue, -0.2f, 1e-6f);
}

TEST_F(VehiclePanel, AMainWindowMadeAndFreedTwiceLeavesTheProgramRunning) {
  for (int i = 0; i < 2; ++i) {
    delete win_;
    win_ = new GVAppMainWin(instance_, 1080 * 1233 / 1920);
    GVSetMainAppWin(win_);
    settle();
  }
  MSG m;
  EXPECT_FALSE(PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

}  // namespace
