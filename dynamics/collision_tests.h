// Geometric collision tests between a Jel and a Geo mesh, and the per-face and
// per-node routines shared with the Jel-against-Jel responses.
//
// Collision works on positions: a test predicts which nodes (or Geo vertices)
// would pass through the other surface within the current sub-step and either
// records the contacts for the responses of the dynamic-command records, or
// relaxes them at once into the live state's contact accumulators and then
// into the in-step displacement.
//
// Face parameters: s runs from corner 0 towards corner 3 of a Jel face, t from
// corner 0 towards corner 1. A triangle (O, A, B) is parametrised as
// O + t (A - O) + s (B - A), inside for 0 <= s <= t <= 1.
#pragma once

#include <cstdint>

class HAState;
struct ContactGrid;
struct ContactList;

// What the node tests keep of one Geo triangle: its normal, the range of its
// corners along it with their largest coordinate sum (for rounding), and the
// centroid of its in-step corners. An unusable triangle has a zero normal,
// an empty range and a centroid that is not a number.
struct GeoTriFrame {
  float normal[3];
  float lo, hi, size;
  float centroid[3];
};

// What the tests read of a Geo mesh. Arrays are 1-based (entry 0 unused).
struct GeoTestMesh {
  const float (*vertices)[3] = nullptr;      // positions at the start of the sub-step
  const float (*displacement)[3] = nullptr;  // motion within the sub-step (none: static)
  const int32_t (*triangles)[3] = nullptr;
  const int32_t (*quads)[4] = nullptr;
  const float (*faceNormals)[3] = nullptr;   // unit normal per triangle, else per quad
  ContactGrid* grid = nullptr;               // faces of the mesh at their in-step centres
  int32_t vertexCount = 0;
  int32_t triangleCount = 0;
  int32_t quadCount = 0;
  float faceSize = 0.0f;
  const float (*vertexNormals)[3] = nullptr;  // none: every face is two-sided to the vertices
  const int32_t* creaseFlags = nullptr;       // 0x400: a vertex coincident with an earlier one
  // One word per face of the first kind the mesh has (triangles, else quads),
  // bit 0 kept clear between queries: the marks by which a face that went
  // into the grid as several points is taken once per query. None: repeats
  // are tried again, which finds nothing new.
  int32_t* faceMarks = nullptr;
  // One frame per triangle (entry 0 unused) from GVFillGeoTriFrames, kept by
  // whoever owns the mesh for as long as its vertices, displacement and
  // face normals stay as they were; none: the tests read the corners.
  const GeoTriFrame* triFrames = nullptr;
};

// Fills frames 1..triangleCount of the mesh's triangles (frames must hold
// triangleCount + 1 entries).
void GVFillGeoTriFrames(const GeoTestMesh* mesh, GeoTriFrame* frames);

// Projection options.
enum : uint32_t {
  kProjOffset = 0x1,         // the point is offset by a x D
  kProjOffsetTowards = 0x2,  // ... with a turned to point at the surface (one-layer node side)
  kProjShiftCorners = 0x4,   // face corners shifted by b x their shift vectors
  kProjShiftTowards = 0x8,   // ... towards the point's side (one-layer face side)
};

struct SurfaceProjection {
  float s = 0.0f, t = 0.0f;
  float dist = 0.0f;       // signed distance along the normal, offset included
  float point[3] = {};     // closest point on the surface
  float normal[3] = {};    // unit normal there
  float offset[3] = {};    // offset applied to the point
};

// Shift vector of a node: the out-of-plane rest vector, which stays alive on
// a one-layer lattice and gives its sheet a thickness.
const float* GVNodeShiftVector(const HAState* state, int32_t node);

// Gauss-Newton projection of P on the bilinear surface of face f (committed
// corner positions). A one-layer face side is faced towards the point: its
// normal is turned so that the point lies in front.
void GVProjectOnFace(const HAState* state, int32_t face, const float P[3], const float D[3], int32_t iterations,
                     uint32_t options, float offsetLength, float cornerShift, SurfaceProjection* out);
// GVProjectOnFace without options for each of count valid faces, the same
// results computed several at a time.
void GVProjectOnFaces(const HAState* state, const int32_t* faces, int32_t count, const float P[3],
                      int32_t iterations, SurfaceProjection* out);
// Projection of P on the plane of triangle (O, A, B) with the given unit normal.
void GVProjectOnTriangle(const float O[3], const float A[3], const float B[3], const float P[3], const float D[3],
                         const float N[3], uint32_t options, float offsetLength, SurfaceProjection* out);

// Where a projection (s, t) at distance dist lies against a face: inside its
// parameter bounds (a point exactly on the border belongs to the face), just
// outside an open edge and close to the surface (a touch that makes no
// contact), or outside.
enum class FaceReach { Inside, EdgeTouch, Outside };
FaceReach GVFaceReach(const HAState* state, int32_t face, float s, float t, float dist);

// disp + contactCorr over face f at (s, t), bilinear in the corner order of
// GVFaceDispAt.
void GVFaceCorrDispAt(const HAState* state, int32_t face, float s, float t, float out[3]);
// Total corner mass M, 1/M (0 when M = 0), the mass-weighted centre of the
// corners (their mean when M = 0) and the inverse of the mass-normalised
// inertia tensor about it (zero when singular).
void GVFaceMassFrame(const HAState* state, int32_t face, float* mass, float* invMass, float centre[3],
                     float invInertia[9]);
// The node side of a correction c: a node contact gives c to node a. An edge
// contact keeps its midpoint moving by c: each unmarked node of an unmarked
// edge takes c, the unmarked node of a half-marked edge takes 2c, a fully
// marked edge takes nothing; an edge node not fixed in this step (contactFlags
// value 1 clear) keeps only the part of its share that opposes its own
// in-step motion. Adds the shares to contactPassCorr and writes -sum m c / k
// (0 when k = 0), the momentum the face side must take, per unit face mass.
void GVNodeImpulse(HAState* state, int32_t a, int32_t b, const float c[3], float k, float out[3]);
// sum m (pos - centre) x share, over the same shares.
void GVNodeAngImpulse(const HAState* state, int32_t a, int32_t b, const float centre[3], const float c[3],
                      float out[3]);
// contactPassCorr += v + w x (pos - centre) at each of the four corners.
void GVFaceAddRigidCorr(HAState* state, const int32_t corners[4], const float centre[3], const float v[3],
                        const float w[3]);
void GVClearFaceContactCounts(HAState* state);
// Largest mass of the four nodes; 0 when an index is outside 0..nodeCount.
float GVMaxNodeMass(const HAState* state, int32_t c0, int32_t c1, int32_t c2, int32_t c3);
void GVQuadCentre(const HAState* state, int32_t c0, int32_t c1, int32_t c2, int32_t c3, float out[3]);
// Committed position of a (or the midpoint of a and b) minus the point.
void GVNodeOffset(const HAState* state, const float point[3], int32_t a, int32_t b, float out[3]);

// Step time of a state's play parameters, 1 / (sub-steps x frame rate); 0
// when either is 0.
float GVContactStepTime(const HAState* state);
// Keeps the state's grid of faces current for the sub-step (rebuilt once per
// force phase), with the committed face centres and their bounds. A caller
// that moves a state's nodes within a sub-step clears contactStatus[0].
void GVEnsureFaceGrid(HAState* state);
// Keeps the state's committed node bounds (nodeBox) current for the
// sub-step; a caller that moves nodes within a sub-step clears
// contactStatus[1].
void GVEnsureNodeBox(HAState* state);
// Floats a face keeps in HAState::faceSlabs.
constexpr int kFaceSlabFloats = 5;
// True when P lies farther than reach (beyond rounding) from every point of
// face f's surface within its parameter bounds, measured across the face:
// a converged projection of P without options that lands on the face is
// then farther than reach. False without the grid's slabs.
bool GVFaceBeyondReach(const HAState* state, int32_t face, const float P[3], float reach);

// One Geo vertex (or any point) against the faces in a hit list.
struct PointFaceQuery {
  const float* point = nullptr;   // at the start of the sub-step
  const float* second = nullptr;  // at its end
  const float* normal = nullptr;  // none: faces are two-sided
  int32_t item = 0;               // recorded as the first element
  float reach = 0.0f;
  float factor = 0.0f;            // the step time
  uint32_t options = 0;
  float cornerShift = 0.0f;
};
// Best face (s, t, distance, closest point and normal in out), 0 when none
// qualified (out's s and t are then 100). A point ending the sub-step behind
// its nearest face with positive depth is recorded into list (kind 0, both
// parties the state); a point that does not end behind drops its own last
// record. A wheel (36 nodes, owner flag 0x20) keeps one best face, and one
// record, per half.
int32_t GVCollidePointFaces(HAState* state, ContactList* list, int32_t part, const PointFaceQuery& q,
                            const int32_t* hits, SurfaceProjection* out);

// Geo vertices against the Jel's faces. With a list: records only (0).
// Without: relaxes the contacts at once into disp of part p and returns the
// number of contacts kept when it corrected anything.
int32_t GVCollideGeoVertsJel(ContactList* list, int32_t part, const GeoTestMesh* mesh, float reach, HAState* state);
int32_t GVCollideGeoVertsRelax(int32_t part, const GeoTestMesh* mesh, float reach, HAState* state);
int32_t GVCollideGeoVertsRecord(ContactList* list, int32_t part, const GeoTestMesh* mesh, float reach,
                                HAState* state);

// Jel nodes, and with withEdges its edges, against the Geo's triangles. With
// either list: records (0). Without: corrects at once and returns the largest
// hit count seen when it corrected anything.
int32_t GVCollideJelGeoTris(ContactList* nodes, ContactList* edges, int32_t part, const GeoTestMesh* mesh,
                            float reach, int32_t withEdges, HAState* state);
int32_t GVCollideJelGeoTrisRelax(int32_t part, const GeoTestMesh* mesh, float reach, int32_t withEdges,
                                 HAState* state);
int32_t GVCollideJelGeoTrisRecord(ContactList* nodes, ContactList* edges, int32_t part, const GeoTestMesh* mesh,
                                  float reach, int32_t withEdges, HAState* state);
// One Jel node (b = 0) or edge (nodes a and b) as the node tests see it.
struct GeoNodeItem {
  int32_t a = 0, b = 0;
  float P[3] = {};            // committed point (an edge: the midpoint)
  float S[3] = {};            // in-step point
  float normal[3] = {};       // zero: faces every way
  const float* D = nullptr;   // shift vector (none: zero)
  float offsetLength = 0.0f;  // offset of the projection, by options
  uint32_t options = 0;
};

// The nearest Geo face an item met.
struct GeoNodeHit {
  int32_t face = 0;
  float dist = 0.0f;      // signed distance of the projection
  float depth = 0.0f;     // how far the item ends the sub-step behind the face
  float normal[3] = {};
  float contact[3] = {};  // the surface point at the end of the sub-step
  float offset[3] = {};   // offset applied to the item's point
  float st[3] = {};       // s, t and distance
};

// One item against the Geo triangles of a hit list, with the reach capped at
// the cell size and factor the step time. An item that ends the sub-step
// behind a triangle with positive depth is recorded into list (kind 1 for a
// node, 2 for an edge; the last record refreshed when it is the same pair);
// one that rests on a triangle or does not end behind it drops its own last
// record. The last recorded hit goes to out. Returns whether some triangle was
// near enough to be tried.
bool GVCollidePointTris(HAState* state, ContactList* list, int32_t kind, const GeoNodeItem& item,
                        const GeoTestMesh* mesh, const int32_t* hits, float reach, float factor, GeoNodeHit* out);
// The nearest quad of a hit list for one item, each quad tried as two
// triangles (reach and factor as above); 0 when none was near enough. *touch
// tells whether the item rests on it or does not end the sub-step behind it.
int32_t GVCollidePointQuads(const HAState* state, const GeoNodeItem& item, const GeoTestMesh* mesh,
                            const int32_t* hits, float reach, float factor, GeoNodeHit* nearest, bool* touch);

// The same against quads (each tried as two triangles); always corrects at
// once and records nothing.
int32_t GVCollideJelGeoQuads(ContactList* nodes, ContactList* edges, int32_t part, const GeoTestMesh* mesh,
                             float reach, int32_t withEdges, HAState* state);
