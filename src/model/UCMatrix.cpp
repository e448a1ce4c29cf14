#include "model/UCMatrix.h"

#include <cmath>
#include <numbers>

namespace {
// Below this, x² + y² + z² of a quaternion counts as no rotation at all.
constexpr float kNoRotation = 0.000001f;
} // namespace

void MatrixIdentity(TMatrix &m)
{
    m.fill(0);
    m[0] = m[5] = m[10] = m[15] = 1;
}

void MatrixMultiply(const TMatrix &a, const TMatrix &b, TMatrix &out)
{
    const TMatrix left = a;
    const TMatrix right = b;
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) {
            float sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += left[k * 4 + r] * right[c * 4 + k];
            out[c * 4 + r] = sum;
        }
}

void MatrixTranslate(const TMatrix &m, float x, float y, float z, TMatrix &out)
{
    TMatrix t;
    MatrixIdentity(t);
    t[12] = x;
    t[13] = y;
    t[14] = z;
    MatrixMultiply(m, t, out);
}

void MatrixRotate(const TMatrix &m, float angle, float x, float y, float z, TMatrix &out)
{
    const double length = std::sqrt(double(x) * x + double(y) * y + double(z) * z);
    if (length == 0 || angle == 0) {
        out = m;
        return;
    }
    const double ux = x / length, uy = y / length, uz = z / length;
    const double theta = angle * std::numbers::pi / 180.0;
    const double c = std::cos(theta), s = std::sin(theta), t = 1 - c;
    TMatrix r;
    MatrixIdentity(r);
    // Column 0, 1 and 2 of the rotation about the unit axis (ux, uy, uz).
    r[0] = float(t * ux * ux + c);
    r[1] = float(t * ux * uy + s * uz);
    r[2] = float(t * ux * uz - s * uy);
    r[4] = float(t * ux * uy - s * uz);
    r[5] = float(t * uy * uy + c);
    r[6] = float(t * uy * uz + s * ux);
    r[8] = float(t * ux * uz + s * uy);
    r[9] = float(t * uy * uz - s * ux);
    r[10] = float(t * uz * uz + c);
    MatrixMultiply(m, r, out);
}

void QuaternionToAxisAngle(const TQuaternion &q, TAxisAngle &out)
{
    const float x = q[0], y = q[1], z = q[2], w = q[3];
    const float squared = x * x + y * y + z * z;
    if (squared <= kNoRotation) {
        out.fill(0);
        return;
    }
    const float s = std::sqrt(squared);
    out = {-x / s, -y / s, -z / s, float(-2.0 * std::atan2(double(s), double(w)))};
}
