// Rim pairing on a wheel's live state. A wheel of n nodes has two halves,
// nodes 1 .. n/2 and n/2 + 1 .. n; node i of the first half is paired with
// node i + n/2 of the second. The hubs are nodes 5 and 14 of the first half and
// 23 and 32 of the second. A node's new position is its committed position
// plus its in-step displacement; these operations read and write those.
#pragma once

#include <cstdint>

class HAState;

// The hub nodes of a wheel of n nodes: 5 and 14, and 23 and 32 when n is 36.
bool GVWheelIsHub(int32_t node, int32_t nodeCount);

// a1 = midpoint of the new positions of hubs 5 and 23, a2 = that of 14 and
// 32; both pairs are then set to land on their midpoint.
void GVWheelHubAxlePoints(HAState* wheel, float a1[3], float a2[3]);
// Moves each half by one offset so that its mass-weighted centre of new
// positions lands on t.
void GVWheelCentreHalves(HAState* wheel, const float t[3]);
// The twist of the second half against the first about o, from the pair
// vectors: L = sum m (r x u), I = sum m (|r|^2 E - r r^T) over the first half
// (r = p - o, u = q - p), both over half the wheel's mass; omega = I^-1 L.
void GVWheelRimAngularVelocity(HAState* wheel, const float o[3], float omega[3]);
// Turns the halves against each other about p by -/+ k omega / 2 (first order,
// through the displacements); the hubs stay.
void GVWheelTwistHalves(HAState* wheel, const float p[3], const float omega[3], float k);
// Rotates the second half rigidly about p by m: positions, velocities and the
// rest links in use.
void GVWheelTurnSecondHalf(HAState* wheel, const float p[3], const float m[9]);
