// Column-major 4×4 matrices for node transforms, in the order the GL takes
// them: the element in row r and column c is at index c × 4 + r, so a
// translation lives in indices 12, 13 and 14.
#pragma once

#include <array>

using TMatrix = std::array<float, 16>;
// A quaternion as binary models store it: x, y, z, w.
using TQuaternion = std::array<float, 4>;
// An axis and an angle: axis X, Y, Z, then the angle in radians.
using TAxisAngle = std::array<float, 4>;

void MatrixIdentity(TMatrix &m);
// out = a · b; out may be the same matrix as a or b.
void MatrixMultiply(const TMatrix &a, const TMatrix &b, TMatrix &out);
// out = m · T(x, y, z): the translation is applied in m's frame.
void MatrixTranslate(const TMatrix &m, float x, float y, float z, TMatrix &out);
// out = m · R, R the right-handed rotation by angle (degrees) about the axis
// (x, y, z), normalised: its direction counts, its length does not. A zero
// axis or a zero angle leaves m as it is.
void MatrixRotate(const TMatrix &m, float angle, float x, float y, float z, TMatrix &out);
// The axis and angle of a quaternion, with the axis negated and the angle
// negated with it (the same rotation); all zeros for a quaternion without
// rotation (x² + y² + z² at most 0.000001).
void QuaternionToAxisAngle(const TQuaternion &q, TAxisAngle &out);
