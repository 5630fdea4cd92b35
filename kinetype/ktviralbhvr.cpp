#include "kinetype/ktviralbhvr.h"

#include "kinetype/kt1dcollisiondetbhvr.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktboolbhvrprop.h"
#include "kinetype/ktdocument.h"
#include "kinetype/ktdoublebhvrprop.h"
#include "kinetype/kttext.h"

IMPLEMENT_SERIAL(CKTViralBhvr, CKTBehavior, 0)

CKTViralBhvr::CKTViralBhvr() : CKTBehavior(BHVR_VIRAL) {
    if (g_bLoading) return;
    m_dDormancy = 1.0;
    m_events.Add({EV_STEP, 0});
    m_elemPropReqs.Add({PROP_INFECTION, PROPTYPE_DOUBLE});
}

CKTViralBhvr::~CKTViralBhvr() {}

CString CKTViralBhvr::GetName() const { return CString("Viral"); }

BOOL CKTViralBhvr::CollisionsAreCurrent() const {
    const CKT1DCollisionDetBhvr* pDetector = KTGetCollisionDetector(*GetBook());
    return pDetector && pDetector->IsRunning();
}

void CKTViralBhvr::OnEvent(int nEvent) {
    if (nEvent != EV_STEP) return;
    const BOOL bCollisions = CollisionsAreCurrent();
    const CKTElement* pRoot = GetBook()->GetRoot();
    m_walk.clear();
    for (POSITION pos = m_elements.GetHeadPosition(); pos;) m_walk.push_back(m_elements.GetNext(pos));
    // By index: Spread appends. Infecting attaches and never detaches, and nothing is deleted during
    // the step, so every element of the walk stays attached and alive.
    for (size_t i = 0; i < m_walk.size(); i++) {
        CKTElement* pElement = m_walk[i];
        CKTDoubleBhvrProp* pAge = CKTDoubleBhvrProp::Cast(pElement->GetProp(PROP_INFECTION));
        if (!pAge) continue;
        pAge->SetValue(pAge->GetValue() + kAgeStep);
        if (pAge->GetValue() <= m_dDormancy || !bCollisions || !pElement->IsColliding()) continue;
        const CKTElement* pTop = pElement;
        while (pTop->GetParent()) pTop = pTop->GetParent();
        if (pTop == pRoot) Spread(pElement);
    }
}

void CKTViralBhvr::Spread(CKTElement* pElement) {
    m_touching.clear();
    for (POSITION pos = pElement->GetFirstCollisionPosition(); pos;) m_touching.push_back(pElement->GetNextCollision(pos));
    m_links.clear();
    for (POSITION pos = pElement->GetFirstBehaviorPosition(); pos;) m_links.push_back(pElement->GetNextBehavior(pos));
    for (CKTElement* pTouching : m_touching) {
        CKTElement* pTarget = pTouching ? pTouching->FindRelative(pElement->GetKind()) : nullptr;
        if (!pTarget) continue;
        CKTBoolBhvrProp* pSpraying = CKTBoolBhvrProp::Cast(pTarget->GetProp(PROP_SPRAYING));
        if (pSpraying && pSpraying->GetValue()) continue;
        for (const CKTBehaviorLink& link : m_links) {
            // A behaviour the target has already refuses it: not asked (the common case, and cheap).
            if (link.m_dwFlag != 1 || !link.m_pBehavior || pTarget->HasBehavior(link.m_pBehavior)) continue;
            if (link.m_pBehavior->AddElement(pTarget) && link.m_pBehavior == this) m_walk.push_back(pTarget);
        }
    }
}

void CKTViralBhvr::Serialize(CArchive& ar) {
    CKTBehavior::Serialize(ar);
    if (ar.IsStoring())
        ar << m_dDormancy;
    else
        ar >> m_dDormancy;
}
