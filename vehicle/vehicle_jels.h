// How the vehicle code finds, adds and removes the Jels it names by id. A
// vehicle Jel counts as present while it is in the world's list and held by
// its handle cell; Jels made here get a cell, which the world frees with the
// Jel.
#pragma once

#include <cstdint>

class HAState;
class HObject;
struct HWorld;

// The Jel with the id when it is listed in the world and held by its cell;
// null otherwise (also for id < 1 or a missing world).
HObject* GVVehicleJel(const HWorld* world, int32_t id);
// The centre of part 1 over the Jels (null entries skipped): its mass-weighted
// mean at a frame, from the live states at -2 (committed) and -3 (within the
// step), Jels without one left out, and from the stored rest positions at -1
// and the stored frames. The origin without mass.
void GVVehiclePart1Centre(HObject* const* jels, int32_t count, int32_t frame, float c[3]);
// Its live state, or null.
HAState* GVVehicleJelState(const HWorld* world, int32_t id);
// Its live state when it may be moved (not replaying); null otherwise.
HAState* GVVehicleJelMovable(const HWorld* world, int32_t id);
// Gives a Jel without a cell one, and appends it to the world. The Jel's handle cell, or null (the Jel then
// is not added) when no cell could be made.
HObject** GVVehicleAddJel(HWorld* world, HObject* jel);
// Largest Jel id of the world plus one (1 for none, held at the largest int).
int32_t GVVehicleNextJelId(const HWorld* world);
// Deletes the Jels of a selection (id or group) from the world.
void GVVehicleDeleteJels(HWorld* world, int32_t selection);
