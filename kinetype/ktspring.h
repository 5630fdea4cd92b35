// CKTSpring: one damped spring between two elements (a plain record, copied by value; not stored as an
// object: the springs behaviour writes its fields).
//
// The force along d = pos(A) - pos(B) (absolute positions), with L = |d|:
//     f = (rest length - L) * k - damping * ((vel(A) - vel(B)) . d / L),   F = (f / L) * d,
// is added to A's acceleration and taken from B's. Nothing happens when either element is missing,
// when either lacks a velocity or acceleration property, or when L is exactly 0.
#pragma once

class CKTElement;

class CKTSpring {
public:
    CKTSpring() = default;
    // Both pointers are kept; the rest length is |pos(B) - pos(A)| now, or 0 when either is NULL.
    CKTSpring(CKTElement* pA, CKTElement* pB);

    void ApplyForce(double k, double damping) const;

    CKTElement* m_pA = nullptr;  // not owned
    CKTElement* m_pB = nullptr;  // not owned
    double m_dRestLength = 0.0;
};
