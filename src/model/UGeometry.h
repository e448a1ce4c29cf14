// The three-component vector of the model code: vertices, normals and axes.
#pragma once

class TVector3D {
public:
    float X = 0;
    float Y = 0;
    float Z = 0;

    TVector3D() = default;
    TVector3D(float x, float y, float z) : X(x), Y(y), Z(z) {}

    // This vector becomes this − other, component by component.
    void Subtract(const TVector3D &other);
    // Scales this vector to unit length; a zero-length vector stays as it is.
    void Normalize();
};

// The right-handed cross product a × b (a face's normal from two of its edges).
TVector3D Cross(const TVector3D &a, const TVector3D &b);
