// CKTVector: three doubles used for positions, velocities, accelerations and forces.
// Scene geometry uses x and y in window pixels (y grows downward) and keeps z at 0.
#pragma once

#include <cmath>

#include "platform/crt/wintypes.h"

class CKTVector {
public:
    double x;
    double y;
    double z;

    CKTVector() : x(0.0), y(0.0), z(0.0) {}
    CKTVector(double ax, double ay, double az) : x(ax), y(ay), z(az) {}

    double GetX() const { return x; }
    double GetY() const { return y; }
    double GetZ() const { return z; }
    // No range check: 0 is x, 1 y, 2 z.
    double& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
    double operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }
    void Set(double ax, double ay, double az) {
        x = ax;
        y = ay;
        z = az;
    }
    void GetComponents(double* px, double* py, double* pz) const {
        *px = x;
        *py = y;
        *pz = z;
    }

    // The arithmetic that physics does for every element every step is inline (the same operations
    // in the same order as a call would do; the build keeps IEEE arithmetic without contraction).
    CKTVector& operator+=(CKTVector b) {
        x += b.x;
        y += b.y;
        z += b.z;
        return *this;
    }
    CKTVector& operator-=(CKTVector b) {
        x -= b.x;
        y -= b.y;
        z -= b.z;
        return *this;
    }
    CKTVector& operator*=(double d) {
        x *= d;
        y *= d;
        z *= d;
        return *this;
    }
    // One division, then three multiplications by the reciprocal; no check for d = 0.
    CKTVector& operator/=(double d) {
        double r = 1.0 / d;
        x *= r;
        y *= r;
        z *= r;
        return *this;
    }
    CKTVector& operator*=(CKTVector b);
    CKTVector& operator/=(CKTVector b);
    CKTVector& Negate();

    double Dot(const CKTVector& b) const { return x * b.x + y * b.y + z * b.z; }
    double Length() const { return std::sqrt(Dot(*this)); }
    // Divides by the length (a zero vector gives non-finite components); returns the old length.
    double Normalize();
    CKTVector Cross(const CKTVector& b) const;
    double Dot2D(const CKTVector& b) const;
    double Cross2D(const CKTVector& b) const;
    // Angle in the plane from this unit vector to b, in [0, 2 pi).
    double AngleTo(const CKTVector& b) const;
    // Strict: a point at exactly distance r is not within r.
    BOOL IsWithin(CKTVector p, double r) const;
};

inline CKTVector operator+(CKTVector a, CKTVector b) { return CKTVector(a.x + b.x, a.y + b.y, a.z + b.z); }
inline CKTVector operator-(CKTVector a, CKTVector b) { return CKTVector(a.x - b.x, a.y - b.y, a.z - b.z); }
inline CKTVector operator-(CKTVector a) { return CKTVector(-a.x, -a.y, -a.z); }
inline CKTVector operator*(CKTVector a, double d) { return CKTVector(a.x * d, a.y * d, a.z * d); }
CKTVector operator*(CKTVector a, CKTVector b);
CKTVector operator/(CKTVector a, CKTVector b);
BOOL operator==(CKTVector a, CKTVector b);
