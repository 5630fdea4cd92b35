#include "kinetype/ktcryptographicbhvr.h"

#include <algorithm>

#include "kinetype/ktbook.h"
#include "kinetype/ktglyph.h"
#include "kinetype/ktintbhvrprop.h"
#include "platform/crt/crt.h"

IMPLEMENT_SERIAL(CKTCryptographicBhvr, CKTBehavior, 0)

namespace {

// The version that added the continuous flag to the stored form.
constexpr float kVersionContinuous = 0.91f;

}  // namespace

CKTCryptographicBhvr::CKTCryptographicBhvr()
    : CKTBehavior(BHVR_CRYPTOGRAPHIC),
      m_dSpeed(0.5),
      m_dAccumulator(0.0),
      m_nMinShifts(12),
      m_nMaxShifts(36),
      m_nStepsDone(0),
      m_bContinuous(0) {
    m_nAppliesTo = APPLIES_TO_GLYPH;
    if (g_bLoading) return;
    m_events.Add(CKTEventReg{EV_STEP, 0});
    m_elemPropReqs.Add(CKTPropReg{PROP_SAVED_CHAR, PROPTYPE_INT});
    m_elemPropReqs.Add(CKTPropReg{PROP_CRYPT_STATE, PROPTYPE_INT});
}

CKTCryptographicBhvr::~CKTCryptographicBhvr() {}

CString CKTCryptographicBhvr::GetName() const { return CString("Cryptographic"); }

BOOL CKTCryptographicBhvr::AddElement(CKTElement* pElement) {
    if (!CKTBehavior::AddElement(pElement)) return FALSE;
    if (pElement->GetKind() != KIND_GLYPH) return TRUE;  // a file may widen the mask
    CKTGlyph* pGlyph = static_cast<CKTGlyph*>(pElement);

    // Another holder of the saved letter saved it already (this one's reference is the only one
    // otherwise): a second scramble must not save a scrambled letter.
    CKTIntBhvrProp* pSaved = CKTIntBhvrProp::Cast(pGlyph->GetProp(PROP_SAVED_CHAR));
    if (pSaved && pSaved->GetRefCount() <= 1) pSaved->SetValue(static_cast<signed char>(pGlyph->GetChar()));

    CKTIntBhvrProp* pState = CKTIntBhvrProp::Cast(pGlyph->GetProp(PROP_CRYPT_STATE));
    if (pState) {
        const long long lo = std::min(m_nMinShifts, m_nMaxShifts);
        const long long hi = std::max(m_nMinShifts, m_nMaxShifts);
        if (hi == lo) {
            pState->SetValue(static_cast<int>(lo));
        } else {
            const long long r = crt::rand();
            pState->SetValue(static_cast<int>(r % (hi - lo) + lo));
        }
    }
    return TRUE;
}

void CKTCryptographicBhvr::OnEvent(int nEvent) {
    if (nEvent != EV_STEP) return;
    const int nLast = std::max(m_nMinShifts, m_nMaxShifts);
    if (!m_bContinuous && m_nStepsDone >= nLast) return;
    m_dAccumulator += m_dSpeed;
    if (m_dAccumulator < 1.0) return;
    m_dAccumulator = 0.0;
    m_nStepsDone = static_cast<int>(static_cast<unsigned>(m_nStepsDone) + 1u);

    // Setting characters kills no element and changes no behaviour list.
    for (POSITION pos = m_elements.GetHeadPosition(); pos;) {
        CKTElement* pElement = m_elements.GetNext(pos);
        if (!pElement || pElement->GetKind() != KIND_GLYPH) continue;
        CKTGlyph* pGlyph = static_cast<CKTGlyph*>(pElement);
        CKTIntBhvrProp* pState = CKTIntBhvrProp::Cast(pGlyph->GetProp(PROP_CRYPT_STATE));
        if (!pState) continue;
        if (m_bContinuous || m_nStepsDone < pState->GetValue()) {
            const int r = crt::rand();
            pGlyph->SetChar(static_cast<char>(r % 95 + 32));
        } else if (CKTIntBhvrProp* pSaved = CKTIntBhvrProp::Cast(pGlyph->GetProp(PROP_SAVED_CHAR))) {
            pGlyph->SetChar(static_cast<char>(pSaved->GetValue()));
        }
    }
}

void CKTCryptographicBhvr::Serialize(CArchive& ar) {
    CKTBehavior::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_dSpeed << m_dAccumulator << m_nMinShifts << m_nMaxShifts << m_nStepsDone;
        ar.WriteFlag(m_bContinuous);
    } else {
        ar >> m_dSpeed >> m_dAccumulator >> m_nMinShifts >> m_nMaxShifts >> m_nStepsDone;
        m_bContinuous = g_fFileVersion >= kVersionContinuous ? ar.ReadFlag() : 0;
    }
}
