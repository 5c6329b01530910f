// The vehicle's entries of the scene services that the scene files use: the
// vehicle item written and read by the scene stream, and the hand-over of a
// vehicle read from a file to the scene.
#pragma once

struct SceneServices;

// Fills the scene-file entries (vehicleIsEmpty, countVehicleItem,
// putVehicleItem, readVehicleItem, readVehicleTagged, freeVehicle,
// replaceVehicle). They stay
// installed with or without a vehicle.
void GVInstallVehicleFileServices(SceneServices* services);
