// HwVehicle: the vehicle controls along the bottom of the main window, in the
// time bar's place while shown. The driving controls (steering slider, gear
// lever, two pedals) write the driver's inputs that the driving update reads
// each frame; the settings controls write the scene's vehicle; the buttons ask
// the owner to build the 2x2 vehicle, follow it with the camera or set it up
// again. The read-out window shows the vehicle's speed on a scale.
#pragma once

#include <cstdint>

#include "platform/user32.h"
#include "records/obj_handle.h"
#include "toolkit/frames.h"

class HwBaseControl;
class HwBMButton;
class HwDropDownCntrl;
class HwLabel;
class HwSliderGroup;
struct DriveInputs;
struct HWorld;
struct VehicleRec;

// (value, request, float value, user) -> an answer; the main window's
// GVVehiclePanelCB.
typedef int32_t (*HwVehicleOwnerCB)(int32_t value, int32_t request, float fvalue, void* user);

class HwVehicle {
 public:
  // Builds the panel (hidden when hidden is set) inside parent.
  HwVehicle(HINSTANCE instance, HWND parent, int width, int height, int hidden, HwVehicleOwnerCB owner, void* user);
  ~HwVehicle();
  HwVehicle(const HwVehicle&) = delete;
  HwVehicle& operator=(const HwVehicle&) = delete;

  static ATOM registerClass(HINSTANCE instance);
  static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

  // The form's move: the frame window and its controls.
  void move(int x, int y, int width, int height);
  bool isVisible() const;
  // Takes the scene's vehicle again (after an open or a build) and refreshes.
  void refreshFromScene();
  // Every control from the vehicle and the driver's inputs; the pedals and the
  // drive mode go back to 0.
  void refresh();
  void redrawReadout();
  void drawReadout(HDC dc);
  // Steering back to straight ahead (the vehicle's angle, the input, the slider).
  void centreSteering();
  // The gear lever and pedals (the left pedal when leftPedal) shown from the
  // driver's inputs, and the steering slider; the view's driving events.
  void showPedals(bool leftPedal);
  void showSteering();

  // The controls' callbacks (the panel is their user value).
  static float setSteering(int action, float value, void* panel);
  static int setGear(int action, int value, void* panel);
  static float setLeftPedal(int action, float value, void* panel);
  static float setRightPedal(int action, float value, void* panel);
  static float setSpeedUp(int action, float value, void* panel);
  static float setMaxSpeed(int action, float value, void* panel);
  static float setMaxAccel(int action, float value, void* panel);
  static float setFrx(int action, float value, void* panel);
  static int toggleCameraMode(int state, void* panel);
  static int setWidth(int direction, int value, void* panel);
  static int setLength(int direction, int value, void* panel);
  static int setSuspension(int item, void* panel);
  static int createVehicle(int state, void* panel);
  static int checkAttachments(int state, void* panel);
  static int setDriveWheels(int item, void* panel);
  static int setBrakeWheels(int item, void* panel);
  static float setGeoOffset(int direction, float value, void* panel);
  static float setGravity(int action, float value, void* panel);
  static float setGripFront(int action, float value, void* panel);
  static float setGripBack(int action, float value, void* panel);
  static float setWheelOffset(int action, float value, void* panel);

  HwFrameWindow frame;
  HwSliderGroup* steering = nullptr;
  HwSliderGroup* gearLever = nullptr;
  HwSliderGroup* leftPedal = nullptr;
  HwSliderGroup* rightPedal = nullptr;
  HwLabel* gearLabels[3] = {};
  HwFrameWindow settingsColumn;
  HwBaseControl* widthField = nullptr;
  HwBaseControl* lengthField = nullptr;
  HwDropDownCntrl* suspension = nullptr;
  HwBMButton* createButton = nullptr;
  HwBMButton* attachButton = nullptr;
  HwBMButton* cameraButton = nullptr;
  HwFrameWindow driveColumn;
  HwBaseControl* geoOffset = nullptr;
  HwDropDownCntrl* driveWheels = nullptr;
  HwDropDownCntrl* brakeWheels = nullptr;
  HwFrameWindow chassisColumn;
  HwSliderGroup* gravity = nullptr;
  HwSliderGroup* gripFront = nullptr;
  HwSliderGroup* gripBack = nullptr;
  HwSliderGroup* wheelOffset = nullptr;
  HwFrame readoutFrame;
  HWND readout = nullptr;
  HwSliderGroup* speedUp = nullptr;
  HwSliderGroup* maxSpeed = nullptr;
  HwSliderGroup* maxAccel = nullptr;
  HwSliderGroup* frx = nullptr;

  int x = 0, y = 0, width = 0, height = 0;
  HWND parent = nullptr;
  ObjHandle* geoList = nullptr;
  HWorld** world = nullptr;
  ObjHandle* vehicle = nullptr;
  DriveInputs* inputs = nullptr;
  int32_t cameraMode = 0;
  int32_t bodyWidth = 8, bodyLength = 9;
  int32_t suspensionKind = 0;
  int32_t speedUpMax = 10;
  // The last steering value taken (moves under the dead band are dropped).
  float lastSteer = 0.0f;
  HwVehicleOwnerCB owner = nullptr;
  void* user = nullptr;
  char* helpTopic = nullptr;

 private:
  void build(HINSTANCE instance, int hidden);
  // The scene's vehicle record (the handle taken again: a build replaces it).
  VehicleRec* record();
  int32_t request(int32_t value, int32_t code, float fvalue);
  void showScales(VehicleRec* v);
  void showCameraFace();
};

// The name of the camera-mode button's face for a mode (0, 1, 2).
const char* GVVehicleCamFace(int32_t mode);
