#include "model/UGeometry.h"

#include <cmath>

void TVector3D::Subtract(const TVector3D &other)
{
    X -= other.X;
    Y -= other.Y;
    Z -= other.Z;
}

void TVector3D::Normalize()
{
    const float length = std::sqrt(X * X + Y * Y + Z * Z);
    if (length == 0)
        return;
    X /= length;
    Y /= length;
    Z /= length;
}

TVector3D Cross(const TVector3D &a, const TVector3D &b)
{
    return {a.Y * b.Z - a.Z * b.Y, a.Z * b.X - a.X * b.Z, a.X * b.Y - a.Y * b.X};
}
