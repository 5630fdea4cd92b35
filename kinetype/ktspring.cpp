#include "kinetype/ktspring.h"

#include "kinetype/ktphysics.h"

CKTSpring::CKTSpring(CKTElement* pA, CKTElement* pB) : m_pA(pA), m_pB(pB) {
    if (pA && pB) m_dRestLength = (pB->GetAbsolutePosition() - pA->GetAbsolutePosition()).Length();
}

void CKTSpring::ApplyForce(double k, double damping) const {
    if (!m_pA || !m_pB) return;
    CKTVectorBhvrProp* pVelA = KTVectorProp(m_pA, PROP_VELOCITY);
    CKTVectorBhvrProp* pAccA = KTVectorProp(m_pA, PROP_ACCELERATION);
    CKTVectorBhvrProp* pVelB = KTVectorProp(m_pB, PROP_VELOCITY);
    CKTVectorBhvrProp* pAccB = KTVectorProp(m_pB, PROP_ACCELERATION);
    if (!pVelA || !pAccA || !pVelB || !pAccB) return;
    CKTVector d = m_pA->GetAbsolutePosition() - m_pB->GetAbsolutePosition();
    double L = d.Length();
    if (L == 0.0) return;
    double f = (m_dRestLength - L) * k;
    if (damping != 0.0) f = f - damping * ((pVelA->GetValue() - pVelB->GetValue()).Dot(d) / L);
    f = f / L;
    CKTVector F = d * f;
    pAccA->SetValue(pAccA->GetValue() + F);
    pAccB->SetValue(pAccB->GetValue() - F);
}
