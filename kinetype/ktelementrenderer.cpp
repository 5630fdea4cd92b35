#include "kinetype/ktelementrenderer.h"

#include "kinetype/ktbook.h"
#include "kinetype/ktelement.h"
#include "kinetype/ktglobals.h"

IMPLEMENT_SERIAL(CKTElementRenderer, CKTComponent, 0)

CKTElementRenderer::CKTElementRenderer(int nType)
    : m_nType(nType), m_pElement(nullptr), m_bOnDraw(0), m_bOnPreStep(0), m_bOnStep(0), m_bOnPostStep(0) {}

CKTElementRenderer::~CKTElementRenderer() {
    for (int nEvent : {EV_DRAW, EV_PRESTEP, EV_STEP, EV_POSTSTEP}) SetEventRegistration(nEvent, FALSE);
}

BYTE* CKTElementRenderer::FlagOf(int nEvent) {
    switch (nEvent) {
    case EV_DRAW: return &m_bOnDraw;
    case EV_PRESTEP: return &m_bOnPreStep;
    case EV_STEP: return &m_bOnStep;
    case EV_POSTSTEP: return &m_bOnPostStep;
    default: return nullptr;
    }
}

void CKTElementRenderer::OnEvent(int nEvent) {
    switch (nEvent) {
    case EV_DRAW: Draw(); break;
    case EV_PRESTEP: OnPreStep(); break;
    case EV_STEP: OnStep(); break;
    case EV_POSTSTEP: OnPostStep(); break;
    default: break;
    }
}

void CKTElementRenderer::SetEventRegistration(int nEvent, BOOL bOn) {
    BYTE* pFlag = FlagOf(nEvent);
    if (!pFlag || !g_pCurrentBook) return;  // no book: nothing to join or leave
    if (bOn && !*pFlag) {
        RegisterEvent(nEvent, 0);
        *pFlag = 1;
    } else if (!bOn && *pFlag) {
        UnregisterEvent(nEvent);
        *pFlag = 0;
    }
}

BOOL CKTElementRenderer::IsRegistered(int nEvent) const {
    BYTE* pFlag = const_cast<CKTElementRenderer*>(this)->FlagOf(nEvent);
    return pFlag && *pFlag ? TRUE : FALSE;
}

void CKTElementRenderer::GiveChildrenClones(CKTElement* pElement, BYTE bFlag) {
    for (CKTElement* pChild = pElement->GetFirstChild(); pChild; pChild = pChild->GetNextSibling()) {
        CKTElementRenderer* pClone = Clone();
        if (!pChild->SetRenderer(pClone, bFlag)) delete pClone;
    }
}

void CKTElementRenderer::AttachDrawingEveryFrame(CKTElement* pElement, BYTE bFlag) {
    if (!pElement) {
        SetEventRegistration(EV_DRAW, FALSE);
        SetEventRegistration(EV_PRESTEP, FALSE);
        return;
    }
    m_pElement = pElement;
    if (pElement->GetKind() == KIND_GLYPH) {
        SetEventRegistration(EV_DRAW, TRUE);
        SetEventRegistration(EV_PRESTEP, TRUE);
    }
    GiveChildrenClones(pElement, bFlag);
}

CKTElementRenderer* CKTElementRenderer::Clone() { return nullptr; }
void CKTElementRenderer::Draw() {}
void CKTElementRenderer::OnPreStep() {}
void CKTElementRenderer::OnStep() {}
void CKTElementRenderer::OnPostStep() {}
void CKTElementRenderer::SetElement(CKTElement*, BYTE) {}
BOOL CKTElementRenderer::AllowsChildRenderers() { return FALSE; }
CRect CKTElementRenderer::GetExtent(CDC*) { return CRect(0, 0, 0, 0); }
void CKTElementRenderer::SetChar(char) {}
void CKTElementRenderer::SetColor(COLORREF) {}
void CKTElementRenderer::SetFont(LOGFONT) {}
void CKTElementRenderer::SetPointSize(int) {}

void CKTElementRenderer::Serialize(CArchive& ar) {
    CKTComponent::Serialize(ar);
    if (ar.IsStoring()) {
        ar << static_cast<LONG>(m_nType) << m_pElement;
        ar.WriteFlag(m_bOnDraw);
        ar.WriteFlag(m_bOnPreStep);
        ar.WriteFlag(m_bOnStep);
        ar.WriteFlag(m_bOnPostStep);
    } else {
        LONG nType;
        ar >> nType;
        m_nType = nType;
        ar >> m_pElement;
        m_bOnDraw = ar.ReadFlag();
        m_bOnPreStep = ar.ReadFlag();
        m_bOnStep = ar.ReadFlag();
        m_bOnPostStep = ar.ReadFlag();
    }
}

void CKTElementRenderer::ForgetLinks() {
    CKTComponent::ForgetLinks();
    m_pElement = nullptr;
    m_bOnDraw = m_bOnPreStep = m_bOnStep = m_bOnPostStep = 0;
}
