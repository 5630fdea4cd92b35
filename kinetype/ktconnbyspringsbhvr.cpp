#include "kinetype/ktconnbyspringsbhvr.h"

#include <unordered_set>

#include "kinetype/ktbook.h"
#include "kinetype/ktphysics.h"
#include "kinetype/ktviscousdragbhvr.h"

IMPLEMENT_SERIAL(CKTConnBySpringsBhvr, CKTBehavior, 0)

CKTConnBySpringsBhvr::CKTConnBySpringsBhvr()
    : CKTPhysicsBhvr(BHVR_CONNBYSPRINGS), m_pDrag(nullptr), m_dSpringConstant(1.0), m_dDamping(0.5) {
    if (g_bLoading) return;
    HookUp({{EV_STEP, 0}}, {{PROP_VELOCITY, PROPTYPE_VECTOR}, {PROP_ACCELERATION, PROPTYPE_VECTOR}});

    m_pDrag = new CKTViscousDragBhvr;
    m_pDrag->SetDrag(0.1);
    GetBook()->AddBehavior(m_pDrag);
    m_pDrag->StartListening();
    m_pDrag->AddReferrer(this);
}

CKTConnBySpringsBhvr::~CKTConnBySpringsBhvr() {
    m_springs.RemoveAll();
    // The drag behaviour outlives this one (the book's list owns it): it must not keep a referrer
    // that is gone.
    if (m_pDrag) m_pDrag->RemoveReferrer(this);
    m_pDrag = nullptr;
}

CString CKTConnBySpringsBhvr::GetName() const { return CString("Connected by Springs"); }

void CKTConnBySpringsBhvr::OnEvent(int nEvent) {
    if (nEvent != EV_STEP) return;
    for (INT_PTR i = 0; i < m_springs.GetSize(); i++) {
        CKTSpring spring = m_springs[i];
        spring.ApplyForce(m_dSpringConstant, m_dDamping);
    }
}

BOOL CKTConnBySpringsBhvr::AddElement(CKTElement* pElement) {
    CKTElement* pPrevious = m_elements.IsEmpty() ? nullptr : m_elements.GetTail();
    BOOL bAdded = CKTBehavior::AddElement(pElement);
    if (!bAdded || !pPrevious) return bAdded;
    m_springs.Add(CKTSpring(pPrevious, pElement));
    KTEnrolWithIntegrator(pElement);
    if (m_pDrag) m_pDrag->AddElement(pElement);
    return TRUE;
}

BOOL CKTConnBySpringsBhvr::RemoveElement(CKTElement* pElement) {
    CKTElement* pNext = nullptr;
    CKTElement* pPrevious = nullptr;
    if (POSITION pos = m_elements.Find(pElement)) {
        POSITION posNext = pos;
        m_elements.GetNext(posNext);
        if (posNext) pNext = m_elements.GetAt(posNext);
        POSITION posPrev = pos;
        m_elements.GetPrev(posPrev);
        if (posPrev) pPrevious = m_elements.GetAt(posPrev);
    }
    BOOL bRemoved = CKTBehavior::RemoveElement(pElement);
    if (!bRemoved) return FALSE;
    INT_PTR nSprings = m_springs.GetSize();
    if (nSprings > 0) {
        if (!pNext) {
            m_springs.RemoveAt(nSprings - 1);
        } else if (pPrevious) {
            for (INT_PTR i = 0; i < nSprings; i++) {
                if (m_springs[i].m_pB != pElement) continue;
                m_springs[i].m_pB = pNext;
                if (i + 1 < nSprings) m_springs.RemoveAt(i + 1);
                break;
            }
        } else {
            m_springs.RemoveAt(0);
        }
    }
    DropSpringEnds(pElement);
    return TRUE;
}

// No spring may keep an element that has left (only springs out of step with the element list, which
// a file can hold, still name it here).
void CKTConnBySpringsBhvr::DropSpringEnds(CKTElement* pElement) {
    for (INT_PTR i = 0; i < m_springs.GetSize(); i++) {
        CKTSpring& spring = m_springs[i];
        if (spring.m_pA == pElement) spring.m_pA = nullptr;
        if (spring.m_pB == pElement) spring.m_pB = nullptr;
    }
}

BOOL CKTConnBySpringsBhvr::OnBehaviorDying(CKTBehavior* pBehavior) {
    CKTBehavior::OnBehaviorDying(pBehavior);
    if (pBehavior && pBehavior == m_pDrag) {
        m_pDrag = nullptr;
        return TRUE;
    }
    return FALSE;
}

void CKTConnBySpringsBhvr::SetFriction(double d) {
    if (m_pDrag) m_pDrag->SetDrag(d);
}

double CKTConnBySpringsBhvr::GetFriction() const { return m_pDrag ? m_pDrag->GetDrag() : 0.0; }

void CKTConnBySpringsBhvr::Serialize(CArchive& ar) {
    CKTBehavior::Serialize(ar);
    if (ar.IsStoring()) {
        ar.WriteCount(static_cast<DWORD_PTR>(m_springs.GetSize()));
        for (INT_PTR i = 0; i < m_springs.GetSize(); i++) {
            const CKTSpring& spring = m_springs[i];
            ar << spring.m_pA << spring.m_pB << spring.m_dRestLength;
        }
        ar << m_pDrag;
        ar << m_dSpringConstant << m_dDamping;
        return;
    }
    DWORD nSprings = ar.ReadCount();
    ar.RequireBytes(static_cast<ULONGLONG>(nSprings) * (2 + 2 + 8));  // two references and a double each
    m_springs.RemoveAll();
    for (DWORD i = 0; i < nSprings; i++) {
        CKTSpring spring;
        ar >> spring.m_pA >> spring.m_pB >> spring.m_dRestLength;
        m_springs.Add(spring);
    }
    ar >> m_pDrag;
    ar >> m_dSpringConstant >> m_dDamping;

    std::unordered_set<CKTElement*> attached;
    for (POSITION pos = m_elements.GetHeadPosition(); pos;) attached.insert(m_elements.GetNext(pos));
    for (INT_PTR i = 0; i < m_springs.GetSize(); i++) {
        CKTSpring& spring = m_springs[i];
        if (!attached.count(spring.m_pA)) spring.m_pA = nullptr;
        if (!attached.count(spring.m_pB)) spring.m_pB = nullptr;
    }
}

void CKTConnBySpringsBhvr::ForgetLinks() {
    m_springs.RemoveAll();
    m_pDrag = nullptr;
    CKTBehavior::ForgetLinks();
}

BOOL CKTConnBySpringsBhvr::CheckLoadedLinks(const CKTOwnership& owned) const {
    if (m_pDrag) {
        // The drag behaviour must be the book's and know this behaviour as a referrer, or its
        // destruction would leave m_pDrag dangling.
        if (!owned.IsOwned(m_pDrag)) return FALSE;
        BOOL bReferred = FALSE;
        for (POSITION pos = m_pDrag->GetFirstReferrerPosition(); pos && !bReferred;)
            bReferred = m_pDrag->GetNextReferrer(pos) == this;
        if (!bReferred) return FALSE;
    }
    return CKTBehavior::CheckLoadedLinks(owned);
}
