// The vehicle's entries of the scene services that object imports and
// renumbering use to carry the vehicle's Jel ids along.
#pragma once

struct SceneServices;

// Fills those entries; they stay installed with or without a vehicle.
void GVInstallVehicleLinkServices(SceneServices* services);
