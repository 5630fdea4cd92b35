#include <gtest/gtest.h>

#include <cmath>

#include "vector3d/vector3d.h"

namespace {
const double kPi = 3.14159265358979323846;
}

TEST(Vector, AngleTo) {
    struct Case {
        CKTVector a, b;
        double angle;
    } cases[] = {
        {{1, 0, 0}, {0, 1, 0}, kPi / 2},
        {{1, 0, 0}, {0, -1, 0}, 6.283185308 - kPi / 2},
        {{1, 0, 0}, {-1, 0, 0}, kPi},
        {{1, 0, 0}, {1, 0, 0}, 0.0},
    };
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(c.a.AngleTo(c.b), c.angle);
}

TEST(Vector, AngleToClampsRoundedCosine) {
    // Both unit vectors are off by an ulp: their dot product is just above 1, acos would give NaN.
    CKTVector a(1.0000000000000002, 0, 0);
    EXPECT_EQ(a.AngleTo(a), 0.0);
    CKTVector b(-1.0000000000000002, 0, 0);
    EXPECT_DOUBLE_EQ(a.AngleTo(b), kPi);
}

TEST(Vector, NormalizeCrossAndMeasures) {
    CKTVector v(3, 4, 0);
    EXPECT_EQ(v.Normalize(), 5.0);
    EXPECT_DOUBLE_EQ(v.x, 0.6);
    EXPECT_DOUBLE_EQ(v.y, 0.8);
    EXPECT_EQ(v.z, 0.0);
    EXPECT_TRUE(CKTVector(1, 2, 3).Cross(CKTVector(4, 5, 6)) == CKTVector(-3, 6, -3));
    EXPECT_EQ(CKTVector(1, 2, 3).Dot(CKTVector(4, 5, 6)), 32.0);
    EXPECT_EQ(CKTVector(1, 2, 3).Dot2D(CKTVector(4, 5, 6)), 14.0);
    EXPECT_EQ(CKTVector(1, 2, 3).Cross2D(CKTVector(4, 5, 6)), -3.0);
    CKTVector zero;
    zero.Normalize();
    EXPECT_FALSE(std::isfinite(zero.x));
}

TEST(Vector, IsWithinIsStrictAndEqualityExact) {
    EXPECT_FALSE(CKTVector(3, 4, 0).IsWithin(CKTVector(0, 0, 0), 5.0));
    EXPECT_TRUE(CKTVector(3, 4, 0).IsWithin(CKTVector(0, 0, 0), 5.0000001));
    EXPECT_FALSE(CKTVector(0.1 + 0.2, 0, 0) == CKTVector(0.3, 0, 0));
}

TEST(Vector, DivisionByNumberUsesTheReciprocal) {
    // x / 3 and x * (1/3) differ in the last bit for some x; the reciprocal form is the one kept.
    CKTVector v(10.0, 7.0, 1.0);
    v /= 3.0;
    double r = 1.0 / 3.0;
    EXPECT_EQ(v.x, 10.0 * r);
    EXPECT_EQ(v.y, 7.0 * r);
    CKTVector w(1, 4, 9);
    w /= CKTVector(1, 2, 3);
    EXPECT_TRUE(w == CKTVector(1, 2, 3));
    EXPECT_TRUE(-CKTVector(1, -2, 3) == CKTVector(-1, 2, -3));
    EXPECT_TRUE(CKTVector(1, 2, 3) * 2.0 == CKTVector(2, 4, 6));
    EXPECT_TRUE(CKTVector(1, 2, 3) * CKTVector(2, 2, 2) == CKTVector(2, 4, 6));
    CKTVector n(1, 2, 3);
    n.Negate();
    EXPECT_TRUE(n == CKTVector(-1, -2, -3));
    EXPECT_EQ(n[1], -2.0);
}
