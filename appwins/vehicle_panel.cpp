#include "appwins/vehicle_panel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

#include "appwins/help_window.h"
#include "dynamics/world.h"
#include "dynamics/world_runner.h"
#include "scene/display_settings.h"
#include "scene/scene_records.h"
#include "toolkit/buttons.h"
#include "toolkit/choosers.h"
#include "toolkit/edit_control.h"
#include "toolkit/fonts_pens.h"
#include "toolkit/form.h"
#include "toolkit/label.h"
#include "toolkit/messages.h"
#include "toolkit/slider_group.h"
#include "toolkit/window_classes.h"
#include "vehicle/chase_camera.h"
#include "vehicle/vehicle_drive.h"
#include "vehicle/vehicle_jels.h"
#include "vehicle/vehicle_record.h"
#include "vehicle/vehicle_setup.h"

namespace {

constexpr const char* kReadoutClass = "VehicleClass";
constexpr float kSteerLimit = 50.0f;
constexpr float kSteerDeadBand = 0.1f;
constexpr int kNaturalState = -1;
// The body sizes, in cells, that "Create2x2" builds a vehicle with.
constexpr int kBodyWidthMin = 6, kBodyWidthMax = 20;
constexpr int kBodyLengthMin = 5, kBodyLengthMax = 20;

// Requests to the owner.
enum : int32_t {
  kAskBuild = 1, kAskAttachRefused = 4, kAskCamera = 32, kAskGear = 64, kAskSpeedUp = 256, kAskGravity = 512,
  kAskSetting = 1024, kAskWidth = 2048, kAskLength = 4096, kAskGeoOffset = 0x2000, kAskWheelOffset = 0x8000,
  kAskWheelOffsetRefused = 0x10000, kAskSuspension = 0x20000,
};

// Form kinds of the panel's controls.
enum : int { kFrameKind = 3, kFrameWindowKind = 4, kLabelKind = 7, kSliderKind = 11 };

HwVehicle* self(void* panel) { return static_cast<HwVehicle*>(panel); }

HWorld* sceneWorld() { return GVScene().world ? *GVScene().world : nullptr; }

bool naturalState() {
  HWorld* w = sceneWorld();
  return w && w->params.stateMode == kNaturalState;
}

float clampf(float v, float lo, float hi) { return v < lo ? lo : v > hi ? hi : v; }

// Lever positions of the drive directions 1, 0, -1.
int leverOf(int32_t gear) { return gear == 1 ? -100 : gear == -1 ? 0 : -50; }

// Drop-down items and wheel codes: 4WD, FWD, RWD, NONE.
int itemOfWheels(int32_t code) { return code == 3 ? 1 : code == 1 ? 2 : code == 2 ? 3 : 4; }
int32_t wheelsOfItem(int item) { return item == 1 ? 3 : item == 2 ? 1 : item == 3 ? 2 : 0; }

HwSliderGroup* floatSlider(HINSTANCE inst, HWND parent, int x, int y, int w, int h, const char* label, int labelWidth,
                           int editWidth, float lo, float value, float hi, unsigned flags, HwSliderFloatCB cb,
                           void* user) {
  auto* s = new (std::nothrow) HwSliderGroup();
  if (s) s->addFloat(labelWidth, inst, parent, x, y, w, h, label, editWidth, lo, value, hi, flags, 1.0f, cb, user);
  return s;
}

HwDropDownCntrl* dropDown(HINSTANCE inst, HWND parent, const char* label, int x, int y, int w, int labelWidth,
                          const char* const* items, const unsigned* flags, int count, HwDropDownCB cb, void* user) {
  auto* d = new (std::nothrow) HwDropDownCntrl(inst, label, parent, x, y, w, 23, labelWidth, 0.2f, cb, user);
  if (!d) return nullptr;
  d->rebuildList();
  if (!d->multiList) return d;
  HDC dc = GetDC(d->valueBox);
  d->multiList->initialiseList(0, count);
  for (int i = 0; i < count; ++i) d->multiList->addItem(0, dc, items[i], flags ? flags[i] : 0);
  ReleaseDC(d->valueBox, dc);
  return d;
}

HwBMButton* textButton(HINSTANCE inst, HWND parent, const char* label, int x, int y, int w, const char* tip,
                       HwButtonCB cb, void* user) {
  auto* b = new (std::nothrow) HwBMButton();
  if (b) b->create(parent, inst, label, 2, 0, 0, 0, 0, 12, x, y, w, 20, 0, tip, 0, 0, cb, user);
  return b;
}

void showInt(HwBaseControl* f, int value) {
  if (!f || !f->editButton || !f->editButton->edit) return;
  f->editButton->edit->setInt(value);
  f->editButton->redraw();
}

void showFloat(HwBaseControl* f, float value) {
  if (!f || !f->editButton) return;
  f->editButton->setFloat(value);
  f->editButton->redraw();
}

void setSlider(HwSliderGroup* s, float value) {
  if (s) s->setValue(value);
}

}  // namespace

const char* GVVehicleCamFace(int32_t mode) { return mode == 1 ? "Cam ModeB" : mode == 2 ? "Cam ModeF" : "Cam Mode3"; }

HwVehicle::HwVehicle(HINSTANCE instance, HWND parentWindow, int w, int h, int hidden, HwVehicleOwnerCB ownerCB,
                     void* userValue)
    : width(w), height(h), parent(parentWindow), owner(ownerCB), user(userValue) {
  build(instance, hidden);
}

HwVehicle::~HwVehicle() {
  for (HwSliderGroup** s : {&steering, &gearLever, &leftPedal, &rightPedal, &gravity, &gripFront, &gripBack,
                            &wheelOffset, &speedUp, &maxSpeed, &maxAccel, &frx}) {
    delete *s;
    *s = nullptr;
  }
  for (HwLabel*& l : gearLabels) {
    delete l;
    l = nullptr;
  }
  for (HwBaseControl** f : {&widthField, &lengthField, &geoOffset}) {
    delete *f;
    *f = nullptr;
  }
  for (HwDropDownCntrl** d : {&suspension, &driveWheels, &brakeWheels}) {
    delete *d;
    *d = nullptr;
  }
  for (HwBMButton** b : {&createButton, &attachButton, &cameraButton}) {
    delete *b;
    *b = nullptr;
  }
  GVDetachObject(readout, this);
  readoutFrame.destroy();
  settingsColumn.destroy();
  driveColumn.destroy();
  chassisColumn.destroy();
  HWND outer = frame.outer;
  frame.destroy();
  if (outer) DestroyWindow(outer);
  delete[] helpTopic;
  helpTopic = nullptr;
}

ATOM HwVehicle::registerClass(HINSTANCE instance) {
  return GVRegisterToolkitClass(instance, kReadoutClass, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, windowProc,
                                QwPens.brushBackground, 0);
}

LRESULT CALLBACK HwVehicle::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* panel = reinterpret_cast<HwVehicle*>(GetWindowLongA(hwnd, GWL_USERDATA));
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      if (panel && hwnd == panel->readout) panel->drawReadout(dc);
      EndPaint(hwnd, &ps);
      return 0;
    }
    case WM_ERASEBKGND: return 1;
    // A read-out torn down with its main window leaves the program running.
    case WM_DESTROY: return 0;
    default: return DefWindowProcA(hwnd, msg, wp, lp);
  }
}

void HwVehicle::build(HINSTANCE instance, int hidden) {
  inputs = &GVDriveInputs();
  speedUpMax = 10;
  const char* topic = "dlg_vhcl";
  helpTopic = new (std::nothrow) char[std::strlen(topic) + 1];
  if (helpTopic) std::strcpy(helpTopic, topic);
  geoList = GVScene().geoList;
  world = GVScene().world;
  vehicle = GVScene().vehicle;
  cameraMode = GVVehicleChaseCam().cameraMode;

  frame.createStyled(parent, instance, helpTopic, 10, 0, width, height, 3, hidden, GVShowHelpPage);
  HwForm* f = frame.form;
  HWND in = frame.inner;
  if (!f || !in) return;

  VehicleRec* v = record();
  VehicleReadout ro = {};
  if (v) GVVehicleReadout(v, &ro);

  // The driving controls at the right.
  steering = floatSlider(instance, in, 0, 0, 330, 35, "", 0, 0, -kSteerLimit, inputs->steerTarget, kSteerLimit,
                         0x78850, setSteering, this);
  f->addDefinition(steering, kSliderKind, 1, 10, nullptr, 0, 19, 0, nullptr, 0, 3, 20, nullptr, 0, 20, 0, nullptr, 0);
  rightPedal = floatSlider(instance, in, 0, 0, 35, 120, "", 0, 0, -1.0f, 0.0f, 0.0f, 0x5c850, setRightPedal, this);
  f->addDefinition(rightPedal, kSliderKind, 9, 10, steering, kSliderKind, 19, 0, nullptr, 0, 3, 40, nullptr, 0, 4, 40,
                   nullptr, 0);
  leftPedal = floatSlider(instance, in, 0, 0, 35, 120, "", 0, 0, -1.0f, 0.0f, 0.0f, 0x5c850, setLeftPedal, this);
  f->addDefinition(leftPedal, kSliderKind, 9, 10, steering, kSliderKind, 19, 0, nullptr, 0, 11, 20, rightPedal,
                   kSliderKind, 4, 40, nullptr, 0);
  gearLever = new (std::nothrow) HwSliderGroup();
  if (gearLever)
    gearLever->addInt(0, instance, in, 0, 0, 29, 120, "", 0, -100, leverOf(inputs->gear), 0, 0x5c050, 1, setGear,
                      this);
  f->addDefinition(gearLever, kSliderKind, 9, 10, steering, kSliderKind, 19, 0, nullptr, 0, 11, 40, leftPedal,
                   kSliderKind, 20, 0, nullptr, 0);
  static const char* const kGears[3] = {"F", "N", "R"};
  static const int kGearGaps[3] = {10, 15, 12};
  for (int i = 0; i < 3; ++i) {
    gearLabels[i] = new (std::nothrow) HwLabel(in, kGears[i], instance, 0, 0, 30, 30, 12, 0, 0, 0);
    void* above = i == 0 ? static_cast<void*>(steering) : static_cast<void*>(gearLabels[i - 1]);
    f->addDefinition(gearLabels[i], kLabelKind, 9, kGearGaps[i], above, i == 0 ? kSliderKind : kLabelKind, 19, 0,
                     nullptr, 0, 11, 10, gearLever, kSliderKind, 20, 0, nullptr, 0);
  }

  // The read-out and the four drive limits under it.
  readoutFrame.create(in, instance, 0, 0, 260, 40, 4, 0);
  f->addDefinition(&readoutFrame, kFrameKind, 1, 10, nullptr, 0, 19, 0, nullptr, 0, 11, 20, steering, kSliderKind, 20,
                   0, nullptr, 0);
  readout = readoutFrame.createInner(kReadoutClass, "", instance, this);
  speedUp = floatSlider(instance, in, 0, 0, 180, 23, "SpeedUp", 65, 25, 1.0f, 1.0f, float(speedUpMax), 0x51,
                        setSpeedUp, this);
  maxSpeed = floatSlider(instance, in, 0, 0, 180, 22, "MaxV", 40, 50, 0.0f, 0.0f, 80.0f, 0x52, setMaxSpeed, this);
  maxAccel = floatSlider(instance, in, 0, 0, 180, 22, "MaxA", 40, 50, 0.0f, 0.0f, 1500.0f, 0x52, setMaxAccel, this);
  frx = floatSlider(instance, in, 0, 0, 180, 22, "FRX", 40, 50, 1.0f, v ? v->fRatioFactor : 1.0f, 4.0f, 0x52, setFrx,
                    this);
  void* above = &readoutFrame;
  int aboveKind = kFrameKind;
  for (HwSliderGroup* s : {speedUp, maxSpeed, maxAccel, frx}) {
    // The right edge 240 right of the read-out frame's left edge.
    f->addDefinition(s, kSliderKind, 9, 10, above, aboveKind, 14, 60, &readoutFrame, kFrameKind, 19, 0, nullptr, 0,
                     20, 0, nullptr, 0);
    above = s;
    aboveKind = kSliderKind;
  }

  // The settings column.
  settingsColumn.create(in, instance, 0, 0, 130, 180, 2);
  f->addDefinition(&settingsColumn, kFrameWindowKind, 1, 10, nullptr, 0, 2, 10, nullptr, 0, 19, 0, nullptr, 0, 4, 10,
                   nullptr, 0);
  HWND sc = settingsColumn.inner;
  cameraButton = textButton(instance, sc, GVVehicleCamFace(cameraMode), 25, 7, 80, "Toggle Camera Mode",
                            toggleCameraMode, this);
  if (cameraButton) cameraButton->setState(cameraMode);
  widthField = new (std::nothrow) HwBaseControl();
  if (widthField) widthField->createInt(sc, instance, 10, 42, 110, 23, "W:", 40, setWidth, this);
  if (widthField) widthField->setIntRange(kBodyWidthMin, kBodyWidthMax);
  showInt(widthField, bodyWidth);
  lengthField = new (std::nothrow) HwBaseControl();
  if (lengthField) lengthField->createInt(sc, instance, 10, 67, 110, 23, "L:", 40, setLength, this);
  if (lengthField) lengthField->setIntRange(kBodyLengthMin, kBodyLengthMax);
  showInt(lengthField, bodyLength);
  static const char* const kSuspensions[6] = {"None", "2 2 2", "3 2 2", "2 2 3", "3 2 3", "3 3 3"};
  static const unsigned kSuspensionFlags[6] = {2, 2, 0, 0, 2, 2};
  // A label as wide as its text needs where the font runs wider than the
  // layout allows; the value box beside it gives up as much.
  suspension = dropDown(instance, sc, "Spnsn", 10, 92, 110, HwLabelWidthFor(sc, "Spnsn", 40, 4), kSuspensions,
                        kSuspensionFlags, 6, setSuspension, this);
  suspensionKind = v ? GVVehicleSuspensionKind(v) : 0;
  if (suspension) suspension->selectItem(suspensionKind + 1);
  createButton = textButton(instance, sc, "Create2x2", 25, 122, 76, "Create 2x2 Vehicle", createVehicle, this);
  attachButton = textButton(instance, sc, "ChAttchs", 25, 149, 80, "Check Attachments", checkAttachments, this);

  // The drive column.
  driveColumn.create(in, instance, 0, 0, 150, 180, 2);
  f->addDefinition(&driveColumn, kFrameWindowKind, 1, 10, nullptr, 0, 10, 10, &settingsColumn, kFrameWindowKind, 19, 0,
                   nullptr, 0, 4, 10, nullptr, 0);
  HWND dc = driveColumn.inner;
  static const char* const kDrive[4] = {"4WD", "FWD", "RWD", "NONE"};
  static const char* const kBrake[4] = {"4WB", "FWB", "RWB", "NONE"};
  const bool present = v && !GVVehicleIsEmpty(v);
  driveWheels = dropDown(instance, dc, "Drive", 7, 7, 136, 55, kDrive, nullptr, 4, setDriveWheels, this);
  if (driveWheels) driveWheels->selectItem(present ? itemOfWheels(v->driveAxles) : 4);
  brakeWheels = dropDown(instance, dc, "Brake", 7, 37, 136, 55, kBrake, nullptr, 4, setBrakeWheels, this);
  if (brakeWheels) brakeWheels->selectItem(present ? itemOfWheels(v->brakeAxles) : 4);
  geoOffset = new (std::nothrow) HwBaseControl();
  if (geoOffset) geoOffset->createFloat(dc, instance, 7, 127, 134, 23, "Geo Offset:", 80, v ? v->speedUp : 0.0f,
                                        setGeoOffset, this);

  // The chassis column.
  chassisColumn.create(in, instance, 0, 0, 250, 180, 2);
  f->addDefinition(&chassisColumn, kFrameWindowKind, 1, 10, nullptr, 0, 10, 10, &driveColumn, kFrameWindowKind, 19, 0,
                   nullptr, 0, 4, 10, nullptr, 0);
  HWND cc = chassisColumn.inner;
  // One label width for the four, as wide as the widest text needs; the
  // tracks give up as much.
  int chassisW = 100;
  for (const char* text : {"Gravity", "Tyre Grip Front", "Tyre Grip Back", "Wheel Offset"})
    chassisW = HwLabelWidthFor(cc, text, chassisW, 4);
  gravity =
      floatSlider(instance, cc, 7, 7, 236, 23, "Gravity", chassisW, 40, -10.0f, 0.0f, 0.0f, 0x52, setGravity, this);
  gripFront = floatSlider(instance, cc, 7, 37, 236, 23, "Tyre Grip Front", chassisW, 40, 0.0f, 0.0f, 1.0f, 0x52,
                          setGripFront, this);
  gripBack = floatSlider(instance, cc, 7, 67, 236, 23, "Tyre Grip Back", chassisW, 40, 0.0f, 0.0f, 1.0f, 0x52,
                         setGripBack, this);
  wheelOffset = floatSlider(instance, cc, 7, 97, 236, 23, "Wheel Offset", chassisW, 40, 0.0f, 0.0f, 1.0f, 0x52,
                            setWheelOffset, this);

  f->resolveReferences();
  f->setSize(frame.width - 2 * frame.border, frame.height - 2 * frame.border);
}

VehicleRec* HwVehicle::record() {
  vehicle = GVScene().vehicle;
  return GVVehicleOf(vehicle);
}

int32_t HwVehicle::request(int32_t value, int32_t code, float fvalue) {
  return owner ? owner(value, code, fvalue, user) : 0;
}

void HwVehicle::move(int nx, int ny, int w, int h) {
  x = nx, y = ny, width = w, height = h;
  // Hidden at no height, the controls keep their places for the next showing.
  if (h <= 2 * frame.border) {
    if (frame.outer) MoveWindow(frame.outer, nx, ny, w, h > 0 ? h : 0, TRUE);
    return;
  }
  frame.move(w, h, nx, ny);
}

bool HwVehicle::isVisible() const { return frame.outer && IsWindowVisible(frame.outer); }

void HwVehicle::refreshFromScene() {
  vehicle = GVScene().vehicle;
  refresh();
}

void HwVehicle::showScales(VehicleRec* v) {
  const float speedScale = v ? v->driveGain : 50.0f;
  const float accelScale = v ? v->limitGain : 10.0f;
  if (maxSpeed) maxSpeed->setRangeValue(0.0f, v ? speedScale * v->driveScale : 0.0f, speedScale);
  if (maxAccel) maxAccel->setRangeValue(0.0f, v ? accelScale * v->limitScale : 0.0f, accelScale);
}

void HwVehicle::showCameraFace() {
  if (!cameraButton) return;
  cameraButton->setLabel(GVVehicleCamFace(cameraMode));
  cameraButton->setState(cameraMode);
}

void HwVehicle::refresh() {
  VehicleRec* v = record();
  if (v) GVVehicleValidate(v);
  setSlider(steering, inputs->steerTarget);
  if (gearLever) gearLever->setIntValue(leverOf(inputs->gear));
  setSlider(leftPedal, 0.0f);
  setSlider(rightPedal, 0.0f);
  inputs->driveMode = 0;
  inputs->prevThrottle = 0.0f;
  inputs->throttle = 0.0f;

  // The body size stays the one the panel builds with: the vehicle keeps no
  // record of it (its body check reports statuses, not sizes).
  showInt(widthField, bodyWidth);
  showInt(lengthField, bodyLength);
  suspensionKind = v ? GVVehicleSuspensionKind(v) : 0;
  if (suspension) suspension->selectItem(suspensionKind + 1);
  showFloat(geoOffset, v ? v->speedUp : 0.0f);
  if (driveWheels) driveWheels->selectItem(v ? itemOfWheels(v->driveAxles) : 4);
  if (brakeWheels) brakeWheels->selectItem(v ? itemOfWheels(v->brakeAxles) : 4);

  const float lowest = v && v->defaultForceA < 0.0f ? v->defaultForceA : -10.0f;
  if (gravity) gravity->setRangeValue(lowest, v ? GVVehicleGetFy(v) : 0.0f, 0.0f);
  setSlider(gripFront, v ? v->frontGrip : 0.0f);
  setSlider(gripBack, v ? v->rearGrip : 0.0f);
  setSlider(wheelOffset, v ? v->wheelOffset : 0.0f);
  setSlider(speedUp, v ? v->scTFactor : 1.0f);
  showScales(v);
  setSlider(frx, v ? v->fRatioFactor : 1.0f);
  cameraMode = GVVehicleChaseCam().cameraMode;
  showCameraFace();
  redrawReadout();
}

void HwVehicle::redrawReadout() {
  if (!readout) return;
  InvalidateRect(readout, nullptr, FALSE);
  UpdateWindow(readout);
}

void HwVehicle::drawReadout(HDC dc) {
  RECT r = {0, 0, 0, 0};
  GetClientRect(readout, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  HBRUSH back = CreateSolidBrush(RGB(150, 150, 170));
  FillRect(dc, &r, back);
  DeleteObject(back);

  float speed = 0.0f, fullScale = 50.0f;
  if (VehicleRec* v = record()) {
    VehicleReadout ro = {};
    GVVehicleReadout(v, &ro);
    speed = ro.speed;
    fullScale = ro.driveGain;
  }
  int limit = static_cast<int>(std::ceil(fullScale / 10.0f)) * 10;
  if (!(fullScale > 0.0f) || limit < 10) limit = 10;
  // A scale of nothing reads against the drawn limit.
  if (!(fullScale > 0.0f)) fullScale = static_cast<float>(limit);
  const int n = limit / 10;
  const int pitch = w / n;

  SIZE size = {0, 0};
  GetTextExtentPoint32A(dc, "123", 3, &size);
  const int c = size.cy;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 50));
  for (int i = 0; i <= n; ++i) {
    char label[16];
    const int len = std::snprintf(label, sizeof label, "%d", 10 * i);
    SIZE t = {0, 0};
    GetTextExtentPoint32A(dc, label, len, &t);
    const int lx = i == 0 ? 1 : i == n ? w - t.cx - 1 : i * pitch - t.cx / 2;
    TextOutA(dc, lx, h - c, label, len);
  }
  const float ratio = speed / fullScale * static_cast<float>(w);
  int length = std::isfinite(ratio) && ratio < 1.0e6f ? static_cast<int>(ratio) : w;
  if (length < 1) length = 1;
  RECT bar = {0, 5, length, h - c - 5};
  HBRUSH fill = CreateSolidBrush(RGB(250, 150, 100));
  FillRect(dc, &bar, fill);
  DeleteObject(fill);
}

void HwVehicle::centreSteering() {
  if (VehicleRec* v = record()) v->heading = 0.0f;
  inputs->steerTarget = 0.0f;
  setSlider(steering, 0.0f);
}

void HwVehicle::showPedals(bool left) {
  if (gearLever) gearLever->setIntValue(leverOf(inputs->gear));
  setSlider(leftPedal, left ? -inputs->throttle : 0.0f);
  setSlider(rightPedal, left ? 0.0f : -inputs->throttle);
}

void HwVehicle::showSteering() { setSlider(steering, inputs->steerTarget); }

// ---- the driving controls ----

float HwVehicle::setSteering(int action, float value, void* panel) {
  HwVehicle* p = self(panel);
  if (!p || !p->record()) return 0.0f;
  if (std::fabs(p->lastSteer - value) < kSteerDeadBand) return value;
  p->lastSteer = value;
  value = clampf(value, -kSteerLimit, kSteerLimit);
  p->inputs->steerTarget = value;
  if (action != 3) p->request(action, kAskSetting, value);
  return value;
}

int HwVehicle::setGear(int action, int value, void* panel) {
  HwVehicle* p = self(panel);
  if (!p || !p->record()) return -50;
  const int32_t gear = value < -60 ? 1 : value < -40 ? 0 : -1;
  p->inputs->gear = gear;
  if (action != 3) p->request(action, kAskGear, static_cast<float>(gear));
  return leverOf(gear);
}

float HwVehicle::setLeftPedal(int action, float value, void* panel) {
  HwVehicle* p = self(panel);
  if (!p || !p->record()) return 0.0f;
  p->inputs->driveMode = 1;
  p->inputs->throttle = -value;
  setSlider(p->rightPedal, 0.0f);
  if (action != 3) p->request(action, kAskSetting, p->inputs->throttle);
  return value;
}

float HwVehicle::setRightPedal(int action, float value, void* panel) {
  HwVehicle* p = self(panel);
  if (!p || !p->record()) return 0.0f;
  p->inputs->driveMode = 2;
  p->inputs->prevThrottle = p->inputs->throttle;
  p->inputs->throttle = -value;
  setSlider(p->leftPedal, 0.0f);
  if (action != 3) p->request(action, kAskSetting, p->inputs->throttle);
  return value;
}

// ---- the drive limits ----

float HwVehicle::setSpeedUp(int action, float value, void* panel) {
  HwVehicle* p = self(panel);
  VehicleRec* v = p ? p->record() : nullptr;
  if (!v) return 1.0f;
  value = value < 1.5f ? 1.0f : std::floor(value + 0.5f);
  if (value > static_cast<float>(p->speedUpMax)) value = static_cast<float>(p->speedUpMax);
  GVVehicleSetScaleT(v, value);
  p->showScales(v);
  p->request(action, kAskSpeedUp, value);
  p->redrawReadout();
  return value;
}

float HwVehicle::setMaxSpeed(int action, float value, void* panel) {
  HwVehicle* p = self(panel);
  VehicleRec* v = p ? p->record() : nullptr;
  if (!v) return 0.0f;
  if (value < 0.0f) value = 0.0f;
  v->driveScale = v->driveGain > 0.0f ? value / v->driveGain : 0.0f;
  p->request(action, kAskSetting, value);
  p->redrawReadout();
  return value;
}

float HwVehicle::setMaxAccel(int action, float value, void* panel) {
  HwVehicle* p = self(panel);
  VehicleRec* v = p ? p->record() : nullptr;
  if (!v) return 0.0f;
  if (value < 0.0f) value = 0.0f;
  v->limitScale = v->limitGain > 0.0f ? value / v->limitGain : 0.0f;
  p->request(action, kAskSetting, value);
  p->redrawReadout();
  return value;
}

float HwVehicle::setFrx(int, float value, void* panel) {
  HwVehicle* p = self(panel);
  VehicleRec* v = p ? p->record() : nullptr;
  if (!v) return 1.0f;  // the least it takes, as shown without a vehicle
  if (value < 1.0f) value = 1.0f;
  v->fRatioFactor = value;
  p->redrawReadout();
  return value;
}

// ---- the settings column ----

int HwVehicle::toggleCameraMode(int state, void* panel) {
  HwVehicle* p = self(panel);
  if (!p) return state;
  if (state == 0 || state == 1 || state == 2) p->cameraMode = (state + 1) % 3;
  GVVehicleChaseCam().cameraMode = p->cameraMode;
  if (p->cameraButton) p->cameraButton->setLabel(GVVehicleCamFace(p->cameraMode));
  p->request(p->cameraMode, kAskCamera, 0.0f);
  return p->cameraMode;
}

int HwVehicle::setWidth(int direction, int value, void* panel) {
  HwVehicle* p = self(panel);
  if (!p) return value;
  value = GVStepIntWithin(direction, value, kBodyWidthMin, kBodyWidthMax);
  p->bodyWidth = value;
  p->request(direction, kAskWidth, static_cast<float>(value));
  return value;
}

int HwVehicle::setLength(int direction, int value, void* panel) {
  HwVehicle* p = self(panel);
  if (!p) return value;
  value = GVStepIntWithin(direction, value, kBodyLengthMin, kBodyLengthMax);
  p->bodyLength = value;
  p->request(direction, kAskLength, static_cast<float>(value));
  return value;
}

int HwVehicle::setSuspension(int item, void* panel) {
  HwVehicle* p = self(panel);
  if (!p || !p->record()) return item;
  p->request(item, kAskSuspension, 0.0f);
  p->suspensionKind = 0;
  return 1;
}

int HwVehicle::createVehicle(int, void* panel) {
  HwVehicle* p = self(panel);
  if (!p) return 0;
  if (!naturalState()) {
    GVShowMessage("Gv Warning: Vehicle not created. System must be in Natural State Mode");
    return 0;
  }
  p->request(0, kAskBuild, 0.0f);
  p->refresh();
  return 0;
}

int HwVehicle::checkAttachments(int, void* panel) {
  HwVehicle* p = self(panel);
  VehicleRec* v = p ? p->record() : nullptr;
  if (!v) return 0;
  const DisplaySettings* d = GVScene().display;
  const bool flyAway = d && d->optionInts3[0] != 0;
  if (!GVVehicleIsEmpty(v) && (GVVehicleWheelsOneSide(v) || flyAway)) {
    p->request(0, kAskAttachRefused, 0.0f);
    return 0;
  }
  GVVehicleSetupParts(v);
  int32_t groups[kVehicleGroups];
  GVVehicleGroups(v, groups);
  if (HWorld* w = sceneWorld()) GVSelStoreFrame(w, groups[0], 0);
  return 0;
}

// ---- the drive column ----

int HwVehicle::setDriveWheels(int item, void* panel) {
  HwVehicle* p = self(panel);
  VehicleRec* v = p ? p->record() : nullptr;
  if (!v) return item;
  v->driveAxles = wheelsOfItem(item);
  p->request(item, kAskSetting, static_cast<float>(v->driveAxles));
  return item;
}

int HwVehicle::setBrakeWheels(int item, void* panel) {
  HwVehicle* p = self(panel);
  VehicleRec* v = p ? p->record() : nullptr;
  if (!v) return item;
  v->brakeAxles = wheelsOfItem(item);
  p->request(item, kAskSetting, static_cast<float>(v->brakeAxles));
  return item;
}

float HwVehicle::setGeoOffset(int direction, float value, void* panel) {
  HwVehicle* p = self(panel);
  VehicleRec* v = p ? p->record() : nullptr;
  if (!v) return value;
  value = clampf(value + 0.1f * static_cast<float>(direction), -5.0f, 5.0f);
  v->speedUp = value;
  p->request(direction, kAskGeoOffset, value);
  return value;
}

// ---- the chassis column ----

float HwVehicle::setGravity(int action, float value, void* panel) {
  HwVehicle* p = self(panel);
  VehicleRec* v = p ? p->record() : nullptr;
  if (!v) return 0.0f;
  if (value > 0.0f) value = 0.0f;
  GVVehicleSetFy(v, value);
  p->request(action, kAskGravity, value);
  return value;
}

float HwVehicle::setGripFront(int action, float value, void* panel) {
  HwVehicle* p = self(panel);
  VehicleRec* v = p ? p->record() : nullptr;
  if (!v) return 0.0f;
  v->frontGrip = value < 0.0f ? 0.0f : value;
  p->request(action, kAskSetting, v->frontGrip);
  return v->frontGrip;
}

float HwVehicle::setGripBack(int action, float value, void* panel) {
  HwVehicle* p = self(panel);
  VehicleRec* v = p ? p->record() : nullptr;
  if (!v) return 0.0f;
  v->rearGrip = value < 0.0f ? 0.0f : value;
  p->request(action, kAskSetting, v->rearGrip);
  return v->rearGrip;
}

float HwVehicle::setWheelOffset(int action, float value, void* panel) {
  HwVehicle* p = self(panel);
  VehicleRec* v = p ? p->record() : nullptr;
  if (!v) return 0.0f;
  if (!naturalState()) {
    p->request(action, kAskWheelOffsetRefused, value);
    return value;
  }
  value = clampf(value, 0.0f, 1.0f);
  GVVehicleSetSteering(v, value);
  p->request(action, kAskWheelOffset, value);
  return value;
}
