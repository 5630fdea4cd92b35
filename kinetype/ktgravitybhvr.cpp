#include "kinetype/ktgravitybhvr.h"

#include <bit>
#include <cstdint>

#include "kinetype/ktbook.h"
#include "kinetype/ktphysics.h"
#include "platform/crt/crt.h"

IMPLEMENT_SERIAL(CKTGravityBhvr, CKTBehavior, 0)

CKTGravityBhvr::CKTGravityBhvr()
    : CKTPhysicsBhvr(BHVR_GRAVITY),
      m_nGroundType(0),
      m_dElasticity(0.2),
      m_dFeedback(0.5),
      m_dMagnitude(30.0),
      m_nPlaneY(200),
      m_pGroundElement(nullptr) {
    if (g_bLoading) return;
    HookUp({{EV_PRESTEP, 0}, {EV_STEP, 0}},
           {{PROP_VELOCITY, PROPTYPE_VECTOR}, {PROP_ACCELERATION, PROPTYPE_VECTOR}, {PROP_GRAVITY_STATE, PROPTYPE_BOOL}});
}

CKTGravityBhvr::~CKTGravityBhvr() {
    m_falling.clear();
    m_resting.clear();
}

CString CKTGravityBhvr::GetName() const { return CString("Gravity"); }

int CKTGravityBhvr::GetGroundY() const {
    switch (m_nGroundType) {
    case 0:
        return m_nPlaneY;
    case 1:
        return m_pGroundElement ? TruncToInt(m_pGroundElement->GetAbsolutePosition().y) : 0;
    case 2:
    case 3:
        return GetBook()->GetClientRect().bottom;
    default:
        return 0;
    }
}

void CKTGravityBhvr::OnEvent(int nEvent) {
    int nGround = GetGroundY();
    if (nEvent == EV_PRESTEP)
        Classify(nGround);
    else if (nEvent == EV_STEP)
        ApplyGravity(nGround);
}

// Pre-step: every element is put into m_falling or m_resting, and its gravity-state flag says which.
void CKTGravityBhvr::Classify(int nGround) {
    m_falling.clear();
    m_resting.clear();
    if (GetElementCount() == 0) {  // the elements died; the behaviour may stay for long
        m_falling.shrink_to_fit();
        m_resting.shrink_to_fit();
        m_kicks.clear();
        m_kicks.shrink_to_fit();
    }
    const unsigned nFetch = CKTMotionList::kFetchProps | CKTMotionList::kFetchElement;
    m_motion.Walk(*this, nFetch, [this, nGround](const CEntry& entry) {
        if (!entry.pVel || !entry.pAcc || !entry.pFlag) return;
        CKTElement* pElement = entry.pElement;
        CKTVector v = entry.pVel->GetValue();
        CKTVector p = pElement->GetAbsolutePosition();
        BOOL bRests = FALSE;
        if (m_nGroundType == 3) {
            if (pElement->GetAbsoluteBounds().top >= nGround)
                pElement->MoveBy(CKTVector(0.0, -(static_cast<double>(nGround) + kLoopLift), 0.0));
        } else if (m_nGroundType != 4 && p.y >= nGround) {
            pElement->MoveBy(CKTVector(0.0, nGround - p.y, 0.0));
            if (v.y < kRestSpeed && v.y > -kRestSpeed) {
                v.y = 0.0;
                bRests = TRUE;
            }
        }
        entry.pFlag->SetValue(bRests);
        (bRests ? m_resting : m_falling).push_back(entry);
        entry.pVel->SetValue(v);
    });
}

// Step: gravity for the falling elements; a landing reverses the vertical velocity and kicks every
// resting element by m_dFeedback times the new value.
//
// The kicks go to the resting elements in landing order, each added on its own, exactly as if every
// landing wrote them at once: nothing else in this loop reads or writes a resting element's velocity,
// so collecting the kicks first and adding them afterwards gives the same values, without a walk of
// the resting list for every landing. Resting elements mostly start from the same vertical velocity
// (0, set by the pre-step): the sum for a starting value that equals the previous element's, bit for
// bit, is the same sum, so it is added up once and reused.
void CKTGravityBhvr::ApplyGravity(int nGround) {
    m_kicks.clear();
    const unsigned nFetch = CKTMotionList::kFetchProps | CKTMotionList::kFetchElement;
    CKTMotionList::Walk(m_falling, nFetch, [this, nGround](const CEntry& entry) {
        if (entry.pFlag->GetValue()) return;
        CKTVector v = entry.pVel->GetValue();
        CKTVector a = entry.pAcc->GetValue();
        CKTVector p = entry.pElement->GetAbsolutePosition();
        if (m_nGroundType != 3 && m_nGroundType != 4 && p.y >= nGround) {
            v.y = -m_dElasticity * v.y;
            m_kicks.push_back(v.y * m_dFeedback);
        }
        a.y += m_dMagnitude;
        entry.pAcc->SetValue(a);
        entry.pVel->SetValue(v);
    });
    if (m_kicks.empty()) return;
    bool bKnown = false;
    uint64_t nStartBits = 0;
    double dKicked = 0.0;
    CKTMotionList::Walk(m_resting, CKTMotionList::kFetchProps, [&](const CEntry& entry) {
        if (!entry.pFlag->GetValue()) return;
        CKTVector v = entry.pVel->GetValue();
        const uint64_t nBits = std::bit_cast<uint64_t>(v.y);
        if (!bKnown || nBits != nStartBits) {
            nStartBits = nBits;
            dKicked = v.y;
            for (double dKick : m_kicks) dKicked += dKick;
            bKnown = true;
        }
        v.y = dKicked;
        entry.pVel->SetValue(v);
    });
}

void CKTGravityBhvr::RemoveFrom(std::vector<CEntry>& list, const CKTElement* pElement) {
    for (size_t i = 0; i < list.size(); i++) {
        if (list[i].pElement != pElement) continue;
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
        return;
    }
}

BOOL CKTGravityBhvr::RemoveElement(CKTElement* pElement) {
    BOOL bRemoved = CKTBehavior::RemoveElement(pElement);
    RemoveFrom(m_falling, pElement);
    RemoveFrom(m_resting, pElement);
    return bRemoved;
}

void CKTGravityBhvr::OnElementGone(CKTElement* pElement) {
    if (pElement && pElement == m_pGroundElement) m_pGroundElement = nullptr;
}

void CKTGravityBhvr::Serialize(CArchive& ar) {
    CKTBehavior::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_dElasticity << m_dFeedback << m_dMagnitude << static_cast<LONG>(m_nPlaneY);
        ar << m_pGroundElement;
        ar << static_cast<DWORD>(m_nGroundType);
    } else {
        LONG nPlaneY;
        DWORD dwGroundType;
        ar >> m_dElasticity >> m_dFeedback >> m_dMagnitude >> nPlaneY;
        m_nPlaneY = nPlaneY;
        ar >> m_pGroundElement;
        ar >> dwGroundType;
        m_nGroundType = static_cast<int>(dwGroundType);
    }
}

void CKTGravityBhvr::ForgetLinks() {
    m_pGroundElement = nullptr;
    m_falling.clear();
    m_resting.clear();
    CKTBehavior::ForgetLinks();
}

BOOL CKTGravityBhvr::CheckLoadedLinks(const CKTOwnership& owned) const {
    if (m_pGroundElement && !owned.IsOwned(m_pGroundElement)) return FALSE;
    return CKTBehavior::CheckLoadedLinks(owned);
}
