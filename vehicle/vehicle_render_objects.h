// Render objects of a newly built vehicle's wheels, and the Geos' links to
// their Jels made good after the build replaced Jels.
#pragma once

#include <cstdint>

// Needs a started render system, a world and a vehicle. The wheel Jels of the
// four motor-wheel parts get their render objects in the display mode and take
// them along when destroyed; every Geo bound to a Jel id is re-linked to the
// Jel of that id (id 0 when it is gone).
void GVCreateOgreVehicleParts(int32_t mode);
