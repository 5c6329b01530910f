// Key frames set and removed at the world's current frame on behalf of the
// transform editor and the key-frame button bar. Each needs the Geo (id >= 1)
// and its key-frame track; outside initial-state mode a Geo that follows a Jel
// (flag 0x200) or carries an attachment takes no key edit. Each returns 1 when
// it acted, else 0, without a message.
#pragma once

#include <cstdint>

#include "records/obj_handle.h"

struct HWorld;

// The key of the current frame gets value 0, the translation, the rotation
// angles (radians about x, y, z) and the scale; found or inserted in frame order.
int32_t GVSetGeoKeyFromFields(const float translation[3], const float rotation[3], const float scale[3],
                              ObjHandle* list, HWorld** world, int32_t id);
// The key of the current frame removed; without one, every key from the
// current frame on. 1 when some key went.
int32_t GVRemoveGeoKeyAtFrame(ObjHandle* list, HWorld** world, int32_t id);
// The key of the current frame from the Geo's frame transform slot (-2) as it
// stands: its position, its matrix turned into angles, its scale.
int32_t GVSetGeoKeyFromSlot(ObjHandle* list, HWorld** world, int32_t id);
