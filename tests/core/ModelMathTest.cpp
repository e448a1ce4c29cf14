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
constexpr float kTolerance = 1e-5f;

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
        EXPECT_NEAR(actual[i], expected[i], kTolerance) << "component " << i;
}

TMatrix Identity()
{
    TMatrix m;
    MatrixIdentity(m);
    return m;
}

TEST(ModelMath, VectorsNormalizeSubtractAndCross)
{
    struct Row {
        TVector3D In;
        TPoint Normalized;
    };
    for (const Row &row : {Row{{0, 0, 0}, {0, 0, 0}}, Row{{3, 0, 4}, {0.6f, 0, 0.8f}}, Row{{0, -2, 0}, {0, -1, 0}}}) {
        TVector3D v = row.In;
        v.Normalize();
        ExpectNear({v.X, v.Y, v.Z}, row.Normalized);
    }
    TVector3D a(1, 2, 3);
    a.Subtract({0.5f, 2, -1});
    ExpectNear({a.X, a.Y, a.Z}, {0.5f, 0, 4});

    // A face's normal, (P2 − P1) × (P0 − P1): counter-clockwise seen from +Z.
    TVector3D p0(0, 0, 0), p1(1, 0, 0), p2(0, 1, 0);
    TVector3D e2 = p2, e0 = p0;
    e2.Subtract(p1);
    e0.Subtract(p1);
    const TVector3D normal = Cross(e2, e0);
    ExpectNear({normal.X, normal.Y, normal.Z}, {0, 0, 1});
    const TVector3D c = Cross({2, 3, 4}, {5, 6, 7});
    ExpectNear({c.X, c.Y, c.Z}, {-3, 6, -3});
}

TEST(ModelMath, IdentityTranslateAndMultiply)
{
    const TMatrix identity = Identity();
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(identity[i], i % 5 == 0 ? 1.0f : 0.0f) << i;

    TMatrix moved;
    MatrixTranslate(identity, 1, 2, 3, moved);
    TMatrix expected = identity;
    expected[12] = 1;
    expected[13] = 2;
    expected[14] = 3;
    EXPECT_EQ(moved, expected);

    // A translation after a rotation moves along the rotated axes.
    TMatrix turned;
    MatrixRotate(identity, 90, 0, 0, 1, turned);
    MatrixTranslate(turned, 1, 0, 0, moved);
    ExpectNear(Apply(moved, {0, 0, 0}), {0, 1, 0});

    // The product may be written over either factor.
    TMatrix a, b, separate;
    for (int i = 0; i < 16; ++i) {
        a[i] = float(i + 1);
        b[i] = float((i * 7) % 5 - 2);
    }
    MatrixMultiply(a, b, separate);
    EXPECT_EQ(separate[0], 1 * -2 + 5 * 0 + 9 * 2 + 13 * -1); // row 0 · column 0
    TMatrix left = a, right = b;
    MatrixMultiply(left, b, left);
    MatrixMultiply(a, right, right);
    EXPECT_EQ(left, separate);
    EXPECT_EQ(right, separate);
}

struct Rotation {
    const char *Name;
    float Angle;
    TPoint Axis;
    TPoint Point;
    TPoint Expected;
};

void PrintTo(const Rotation &row, std::ostream *os) { *os << row.Name; }

class MatrixRotation : public ::testing::TestWithParam<Rotation> {};

TEST_P(MatrixRotation, TurnsAboutTheAxisAsGiven)
{
    const Rotation &row = GetParam();
    TMatrix m;
    MatrixRotate(Identity(), row.Angle, row.Axis[0], row.Axis[1], row.Axis[2], m);
    ExpectNear(Apply(m, row.Point), row.Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, MatrixRotation,
    ::testing::Values(
        Rotation{"XQuarterTurnsYToZ", 90, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}},
        Rotation{"XQuarterTurnsZToMinusY", 90, {1, 0, 0}, {0, 0, 1}, {0, -1, 0}},
        Rotation{"YQuarterTurnsZToX", 90, {0, 1, 0}, {0, 0, 1}, {1, 0, 0}},
        Rotation{"ZQuarterTurnsXToY", 90, {0, 0, 1}, {1, 0, 0}, {0, 1, 0}},
        // The axis' sign counts: about −Z the turn goes the other way.
        Rotation{"MinusZTurnsXToMinusY", 90, {0, 0, -1}, {1, 0, 0}, {0, -1, 0}},
        // Its length does not.
        Rotation{"LongAxisIsNormalised", 90, {0, 0, 5}, {1, 0, 0}, {0, 1, 0}},
        // An oblique axis is one rotation: a third of a turn about the
        // diagonal takes X to Y.
        Rotation{"DiagonalThirdTurn", 120, {1, 1, 1}, {1, 0, 0}, {0, 1, 0}},
        Rotation{"NegativeAngle", -90, {0, 0, 1}, {1, 0, 0}, {0, -1, 0}}),
    [](const auto &info) { return std::string(info.param.Name); });

TEST(ModelMath, ZeroAxisOrZeroAngleLeavesTheMatrix)
{
    TMatrix m;
    MatrixTranslate(Identity(), 4, 5, 6, m);
    m[1] = 0.25f;
    TMatrix out;
    MatrixRotate(m, 45, 0, 0, 0, out);
    EXPECT_EQ(out, m);
    MatrixRotate(m, 0, 1, 2, 3, out);
    EXPECT_EQ(out, m);
    // m followed by the rotation: the point turns first, then moves.
    TMatrix moved;
    MatrixTranslate(Identity(), 1, 2, 3, moved);
    MatrixRotate(moved, 90, 0, 0, 1, out);
    ExpectNear(Apply(out, {1, 0, 0}), {1, 3, 3});
}

struct QuaternionRow {
    const char *Name;
    TQuaternion Q;
    TAxisAngle Expected; // axis, angle in radians
};

void PrintTo(const QuaternionRow &row, std::ostream *os) { *os << row.Name; }

class QuaternionConversion : public ::testing::TestWithParam<QuaternionRow> {};

TEST_P(QuaternionConversion, GivesAxisAndAngle)
{
    TAxisAngle out;
    QuaternionToAxisAngle(GetParam().Q, out);
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(out[i], GetParam().Expected[i], kTolerance) << i;
}

constexpr float kPi = std::numbers::pi_v<float>;

INSTANTIATE_TEST_SUITE_P(
    Rows, QuaternionConversion,
    ::testing::Values(QuaternionRow{"NoRotation", {0, 0, 0, 1}, {0, 0, 0, 0}},
                      QuaternionRow{"BelowTheThreshold", {0.0005f, 0, 0, 1}, {0, 0, 0, 0}},
                      QuaternionRow{"JustAboveIt", {0.002f, 0, 0, 1}, {-1, 0, 0, -2 * std::atan2(0.002f, 1.0f)}},
                      QuaternionRow{"QuarterTurnAboutZ", {0, 0, 0.7071068f, 0.7071068f}, {0, 0, -1, -kPi / 2}},
                      QuaternionRow{"NegativeW", {0.7071068f, 0, 0, -0.7071068f}, {-1, 0, 0, -3 * kPi / 2}}),
    [](const auto &info) { return std::string(info.param.Name); });

// A stored quaternion, turned into an orientation as the binary reader keeps
// it and applied as a node matrix, places points where the quaternion turns
// them: (0.7071068, 0, 0, -0.7071068) is three quarter turns about +X, so
// (0, 1, 0) goes to (0, 0, -1).
TEST(ModelMath, StoredQuaternionsTurnPointsAsTheyShould)
{
    struct Row {
        TQuaternion Q;
        TPoint Point;
        TPoint Expected;
    };
    for (const Row &row : {Row{{0.7071068f, 0, 0, -0.7071068f}, {0, 1, 0}, {0, 0, -1}},
                           Row{{0, 0, 0.7071068f, 0.7071068f}, {1, 0, 0}, {0, 1, 0}},
                           Row{{0, -0.7071068f, 0, 0.7071068f}, {1, 0, 0}, {0, 0, 1}}}) {
        TAxisAngle axisAngle;
        QuaternionToAxisAngle(row.Q, axisAngle);
        const float degrees = axisAngle[3] * 180 / kPi;
        TMatrix m;
        MatrixRotate(Identity(), degrees, axisAngle[0], axisAngle[1], axisAngle[2], m);
        ExpectNear(Apply(m, row.Point), row.Expected);
    }
}

} // namespace
