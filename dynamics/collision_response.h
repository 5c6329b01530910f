// Jel-against-Jel contact search and the per-pass collision responses of the
// dynamic-command records: Jel against Jel (node side and face side share
// each correction by their masses, momentum kept) and Geo against Jel (only
// the Jel moves).
//
// Responses work on positions: each pass gathers its corrections in the live
// states' contactPassCorr and folds them into contactCorr, which the command
// application adds to the in-step displacement after the last pass.
#pragma once

#include <cstdint>

class HAState;
struct ContactList;
struct HWorld;
struct WorldServices;

// Pass mark of a live state inside one response call.
constexpr int32_t kCollPassMark = 0x04000000;

// Nodes and edges of B (part kB) against the faces of A (part kA), recorded
// into the node list N and the edge list E (pair form, extra word = the
// direction mode). Each item keeps at most one record, for the nearest face
// it would end the sub-step behind. A's grid of faces is rebuilt once per
// sub-step. A point the grid cannot place is skipped alone.
void GVJelJelContactSearch(HWorld* world, ContactList* nodes, ContactList* edges, HAState* faceSide,
                           HAState* nodeSide, int32_t faceParts, int32_t nodeParts, float cornerShift,
                           float offsetLength, int32_t mode);
// Mass ratio q = node mass / largest corner mass and weight 1 / (1 + q).
void GVRefreshContactList(ContactList* list);
// One pass of a Jel-against-Jel record; 1 when some contact acted.
int32_t GVJelJelCollisionPass(HWorld* world, ContactList* list, int32_t pass, int32_t passCount);
// One pass of a Geo-against-Jel record (always 0).
int32_t GVGeoJelCollisionPass(HWorld* world, ContactList* list, int32_t pass, int32_t passCount);

// Fills the collision entries of a service table.
void GVInstallCollisionServices(WorldServices* services);
