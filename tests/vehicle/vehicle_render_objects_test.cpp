#include "vehicle/vehicle_render_objects.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_view.h"
#include "jel/jel_object.h"
#include "scene/edit_rules.h"
#include "scene/scene_access.h"
#include "vehicle/vehicle_part.h"
#include "vehicle/vehicle_record.h"

TEST(VehicleRenderObjects, WheelJelsGetRenderObjectsAndGeosFindTheirJels) {
  scenetest::FakeView view;
  HObject* wheel = view.addJel(3, "Wheel");
  view.addJel(4, "Motor");
  GObject* tyre = view.addGeo(1, "Tyre");
  tyre->jelId = 3;
  GObject* orphan = view.addGeo(2, "Orphan");
  orphan->jelId = 9;  // its Jel went with the rebuild

  // Without a vehicle nothing happens.
  GVCreateOgreVehicleParts(16);
  EXPECT_TRUE(view.objects.empty());

  GVScene().vehicle = GVNewVehicle();
  VehicleRec* v = GVVehicleOf(GVScene().vehicle);
  v->wheelFL = new VhclPartRec*(new VhclPartRec);
  (*v->wheelFL)->jelA = 4;  // the motor is not a wheel
  (*v->wheelFL)->jelB = 3;
  GVCreateOgreVehicleParts(16);
  EXPECT_EQ(view.objects, std::vector<std::string>{"WheelHMESH"});
  EXPECT_EQ(wheel->removalCB, &GVDestroyJelOgreCB);
  EXPECT_EQ(tyre->jel, wheel);
  EXPECT_EQ(tyre->jelId, 3);
  EXPECT_EQ(orphan->jel, nullptr);
  EXPECT_EQ(orphan->jelId, 0);

  // Deleting the wheel takes its render objects along.
  GVDeleteJels(GVScene().world, 3);
  EXPECT_TRUE(view.objects.empty());
  GVDeleteVehicleHandle(GVScene().vehicle);
  GVScene().vehicle = nullptr;
}
