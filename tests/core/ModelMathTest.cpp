// Vectors, node matrices and quaternions of the model code: where a point
// ends up once a node's position and orientation are applied.
#include "model/UCMatrix.h"
#include "model/UGeometry.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>

namespace {

using TPoint = std::array<float, 3>;
constexpr float kPi = std::numbers::pi_v<float>;

// m · (x, y, z, 1), the point as the GL would place it.
TPoint Apply(const TMatrix &m, const TPoint &p)
{
    TPoint out{};
    for (int r = 0; r < 3; ++r)
        out[r] = m[r] * p[0] + m[4 + r] * p[1] + m[8 + r] * p[2] + m[12 + r];
    return out;
}

void ExpectNear(const TPoint &actual, const TPoint &expected)
{
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(actual[i], expected[i], 1e-5f) << "component " << i;
}

TMatrix Identity()
{
    TMatrix m;
    MatrixIdentity(m);
    return m;
}

TEST(ModelMath, VectorsNormalizeSubtractAndCross)
{
    for (const auto &[in, unit] : {std::pair<TPoint, TPoint>{{0, 0, 0}, {0, 0, 0}}, {{3, 0, 4}, {0.6f, 0, 0.8f}}}) {
        TVector3D v(in[0], in[1], in[2]);
        v.Normalize();
        ExpectNear({v.X, v.Y, v.Z}, unit);
    }
    // A face's normal, (P2 − P1) × (P0 − P1): counter-clockwise seen from +Z.
    TVector3D e2(0, 1, 0), e0(0, 0, 0);
    e2.Subtract({1, 0, 0});
    e0.Subtract({1, 0, 0});
    const TVector3D normal = Cross(e2, e0);
    ExpectNear({normal.X, normal.Y, normal.Z}, {0, 0, 1});
    const TVector3D c = Cross({2, 3, 4}, {5, 6, 7});
    ExpectNear({c.X, c.Y, c.Z}, {-3, 6, -3});
}

TEST(ModelMath, TranslateAndMultiply)
{
    TMatrix moved, expected = Identity();
    MatrixTranslate(Identity(), 1, 2, 3, moved);
    expected[12] = 1, expected[13] = 2, expected[14] = 3;
    EXPECT_EQ(moved, expected);

    // A translation after a rotation moves along the rotated axes; a rotation
    // after a translation turns the point before it moves.
    TMatrix turned, out;
    MatrixRotate(Identity(), 90, 0, 0, 1, turned);
    MatrixTranslate(turned, 1, 0, 0, out);
    ExpectNear(Apply(out, {0, 0, 0}), {0, 1, 0});
    MatrixRotate(moved, 90, 0, 0, 1, out);
    ExpectNear(Apply(out, {1, 0, 0}), {1, 3, 3});

    // Column-major: row 0 of a times column 0 of b; the product may be
    // written over either factor.
    TMatrix a, b, separate;
    for (int i = 0; i < 16; ++i)
        a[i] = float(i + 1), b[i] = float((i * 7) % 5 - 2);
    MatrixMultiply(a, b, separate);
    EXPECT_EQ(separate[0], 1 * -2 + 5 * 0 + 9 * 2 + 13 * -1);
    TMatrix left = a, right = b;
    MatrixMultiply(left, b, left);
    MatrixMultiply(a, right, right);
    EXPECT_EQ(left, separate);
    EXPECT_EQ(right, separate);
}

TEST(ModelMath, RotationsTurnAboutTheAxisAsGiven)
{
    struct Row {
        const char *Name;
        float Angle;
        TPoint Axis, Point, Expected;
    };
    const Row rows[] = {
        {"X turns Y to Z", 90, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
        {"X turns Z to -Y", 90, {1, 0, 0}, {0, 0, 1}, {0, -1, 0}},
        {"Y turns Z to X", 90, {0, 1, 0}, {0, 0, 1}, {1, 0, 0}},
        {"Z turns X to Y", 90, {0, 0, 1}, {1, 0, 0}, {0, 1, 0}},
        {"the axis' sign counts", 90, {0, 0, -1}, {1, 0, 0}, {0, -1, 0}},
        {"its length does not", 90, {0, 0, 5}, {1, 0, 0}, {0, 1, 0}},
        {"an oblique axis is one turn", 120, {1, 1, 1}, {1, 0, 0}, {0, 1, 0}},
        {"negative angle", -90, {0, 0, 1}, {1, 0, 0}, {0, -1, 0}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.Name);
        TMatrix m;
        MatrixRotate(Identity(), row.Angle, row.Axis[0], row.Axis[1], row.Axis[2], m);
        ExpectNear(Apply(m, row.Point), row.Expected);
    }
    // A zero axis or a zero angle leaves the matrix as it is.
    TMatrix m, out;
    MatrixTranslate(Identity(), 4, 5, 6, m);
    m[1] = 0.25f;
    MatrixRotate(m, 45, 0, 0, 0, out);
    EXPECT_EQ(out, m);
    MatrixRotate(m, 0, 1, 2, 3, out);
    EXPECT_EQ(out, m);
}

TEST(ModelMath, QuaternionsGiveAxisAndAngle)
{
    struct Row {
        TQuaternion Q;
        TAxisAngle Expected; // axis, angle in radians
    };
    const Row rows[] = {
        {{0, 0, 0, 1}, {0, 0, 0, 0}},
        {{0.0005f, 0, 0, 1}, {0, 0, 0, 0}}, // below the threshold
        {{0.002f, 0, 0, 1}, {-1, 0, 0, -2 * std::atan2(0.002f, 1.0f)}},
        {{0, 0, 0.7071068f, 0.7071068f}, {0, 0, -1, -kPi / 2}},
        {{0.7071068f, 0, 0, -0.7071068f}, {-1, 0, 0, -3 * kPi / 2}},
    };
    for (const Row &row : rows) {
        TAxisAngle out;
        QuaternionToAxisAngle(row.Q, out);
        for (int i = 0; i < 4; ++i)
            EXPECT_NEAR(out[i], row.Expected[i], 1e-5f) << row.Q[0] << " " << i;
    }
}

// A stored quaternion, turned into an orientation as the binary reader keeps
// it and applied as a node matrix, places points where the quaternion turns
// them: (0.7071068, 0, 0, -0.7071068) is three quarter turns about +X, so
// (0, 1, 0) goes to (0, 0, -1).
TEST(ModelMath, StoredQuaternionsTurnPointsAsTheyShould)
{
    struct Row {
        TQuaternion Q;
        TPoint Point, Expected;
    };
    for (const Row &row : {Row{{0.7071068f, 0, 0, -0.7071068f}, {0, 1, 0}, {0, 0, -1}},
                           Row{{0, 0, 0.7071068f, 0.7071068f}, {1, 0, 0}, {0, 1, 0}},
                           Row{{0, -0.7071068f, 0, 0.7071068f}, {1, 0, 0}, {0, 0, 1}}}) {
        TAxisAngle axisAngle;
        QuaternionToAxisAngle(row.Q, axisAngle);
        TMatrix m;
        MatrixRotate(Identity(), axisAngle[3] * 180 / kPi, axisAngle[0], axisAngle[1], axisAngle[2], m);
        ExpectNear(Apply(m, row.Point), row.Expected);
    }
}

} // namespace
