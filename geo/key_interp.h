// Interpolation primitives of key-frame tracks: Bezier curves by de Casteljau's
// construction, quaternion slerp, and the conversions between a rotation matrix
// and the two rotation forms a key holds (three angles and a quaternion), chosen
// so that successive keys stay continuous. Rotation arithmetic is in double.
#pragma once

struct KeyFrame;
struct KeyTrack;

double GVScalarBezier2(double p0, double p1, double p2, double u);
double GVScalarBezier3(double p0, double p1, double p2, double p3, double u);
void GVVecBezier2(const float* p0, const float* p1, const float* p2, double u, float* out);
void GVVecBezier3(const float* p0, const float* p1, const float* p2, const float* p3, double u,
                  float* out);
void GVVecLerp(float* out, const float* a, const float* b, double u);

void GVQuatSlerp(const double* a, const double* b, double u, double* out);
void GVQuatBezier2(const double* q0, const double* q1, const double* q2, double u, double* out);
void GVQuatBezier3(const double* q0, const double* q1, const double* q2, const double* q3, double u,
                   double* out);
// 2(p·q)q − p: p reflected through q.
void GVQuatDouble(const double* q, const double* p, double* out);
// (a + b) / |a + b|.
void GVQuatBisect(const double* a, const double* b, double* out);
void GVQuatCopy(double* out, const double* q);
double GVQuatDistSq(const double* a, const double* b);
// Copies to out the candidate nearest to the reference (c1 without a reference);
// returns its number 1..4, or 0 when c1 or out is missing.
int GVQuatPickNearest(const double* c1, const double* c2, const double* c3, const double* c4,
                      double* out, const double* reference);
// The unit quaternion of a rotation matrix, in the sign nearest to the reference.
void GVQuatFromMat3Near(double* out, const float* m, const double* reference);
void GVQuatHalfTurnPair(double v, double* out);
// The quaternion's rotation matrix in the layout of GVMat3MulVec.
void GVQuatToMat3(const double* q, float* out);

// Rx · Ry · Rz of three angles (radians) about x, y and z.
void GVMat3FromEuler(const float* angles, float* out);
double GVAngleUnwrap(double a, double reference);
double GVAnglesMatrixError(const float* m, const double* sines, const double* cosines);
// Three angles whose Rx · Ry · Rz is the matrix, unwrapped towards a reference that
// the mode picks: 0 (or 1) none, −1 key B's angles, 2 the angles of A and B
// interpolated at time t. Returns 1, or 0 (and no output) when the matrix is not a
// rotation that the angles can reproduce.
int GVMat3ToAnglesNear(const KeyFrame* b, int mode, const KeyFrame* a, const float* m, float* out,
                       double t);
int GVKeyAnglesFromMatrix(const KeyFrame* key, const float* m, float* out, double t);
int GVKeyTrackAnglesFromMatrix(KeyTrack* track, const float* m, float* out, int useMatrix, double t);

KeyFrame* GVKeyTrackSetKey(int frame, KeyTrack* track, float value, const float* translation,
                           const float* rotation, const float* scale);
KeyFrame* GVKeyTrackSetKeyFromMatrix(const float* m, KeyTrack* track, int frame, float value,
                                     const float* translation, const float* scale);
