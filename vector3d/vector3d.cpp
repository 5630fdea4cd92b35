#include "vector3d/vector3d.h"

#include <cmath>

CKTVector& CKTVector::operator*=(CKTVector b) {
    x *= b.x;
    y *= b.y;
    z *= b.z;
    return *this;
}

CKTVector& CKTVector::operator/=(CKTVector b) {
    x /= b.x;
    y /= b.y;
    z /= b.z;
    return *this;
}

CKTVector& CKTVector::Negate() {
    x = -x;
    y = -y;
    z = -z;
    return *this;
}

double CKTVector::Normalize() {
    double len = Length();
    *this /= len;
    return len;
}

CKTVector CKTVector::Cross(const CKTVector& b) const {
    return CKTVector(y * b.z - z * b.y, z * b.x - x * b.z, x * b.y - y * b.x);
}

double CKTVector::Dot2D(const CKTVector& b) const { return x * b.x + y * b.y; }

double CKTVector::Cross2D(const CKTVector& b) const { return x * b.y - y * b.x; }

double CKTVector::AngleTo(const CKTVector& b) const {
    double d = Dot2D(b);
    double c = Cross2D(b);
    // Rounding can carry the dot product of unit vectors just past 1; acos would give NaN there.
    if (d > 1.0) d = 1.0;
    if (d < -1.0) d = -1.0;
    double a = std::acos(d);
    if (c < 0.0) return 6.283185308 - a;
    return a;
}

BOOL CKTVector::IsWithin(CKTVector p, double r) const { return (*this - p).Length() < r ? TRUE : FALSE; }

CKTVector operator*(CKTVector a, CKTVector b) { return CKTVector(a.x * b.x, a.y * b.y, a.z * b.z); }
CKTVector operator/(CKTVector a, CKTVector b) { return CKTVector(a.x / b.x, a.y / b.y, a.z / b.z); }
BOOL operator==(CKTVector a, CKTVector b) { return (a.x == b.x && a.y == b.y && a.z == b.z) ? TRUE : FALSE; }
