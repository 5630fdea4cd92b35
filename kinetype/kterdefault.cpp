#include "kinetype/kterdefault.h"

#include <cstring>

#include "kinetype/ktbook.h"
#include "kinetype/ktelement.h"
#include "kinetype/ktglobals.h"
#include "platform/gdi/dc.h"
#include "platform/gdi/font.h"

IMPLEMENT_SERIAL(CKTERDefault, CKTElementRenderer, 0)

CKTERDefault::CKTERDefault() : CKTElementRenderer(RENDERER_DEFAULT), m_crColor(0), m_cChar(0) {
    std::memset(&m_logFont, 0, sizeof m_logFont);
}

CKTElementRenderer* CKTERDefault::Clone() { return new CKTERDefault; }

void CKTERDefault::SetElement(CKTElement* pElement, BYTE bFlag) {
    if (!pElement) {
        SetEventRegistration(EV_DRAW, FALSE);
        return;
    }
    m_pElement = pElement;
    if (pElement->GetKind() == KIND_GLYPH) SetEventRegistration(EV_DRAW, TRUE);
    GiveChildrenClones(pElement, bFlag);
}

BOOL CKTERDefault::AllowsChildRenderers() { return TRUE; }

CRect CKTERDefault::GetExtent(CDC* pDC) {
    if (m_cChar == 0 || !pDC) return CRect(0, 0, 0, 0);
    CFont font;
    if (!font.CreatePointFontIndirect(&m_logFont)) return CRect(0, 0, 0, 0);
    CFont* pOldFont = pDC->SelectObject(&font);
    if (!pOldFont) return CRect(0, 0, 0, 0);  // a DC that takes no font measures nothing
    GLYPHMETRICS gm;
    std::memset(&gm, 0, sizeof gm);
    MAT2 identity;
    std::memset(&identity, 0, sizeof identity);
    identity.eM11.value = 1;
    identity.eM22.value = 1;
    // The character as a signed value: codes from 128 up become large numbers the call refuses (gm
    // stays zero).
    if (pDC->GetGlyphOutline(static_cast<UINT>(static_cast<int>(m_cChar)), GGO_METRICS, &gm, 0, nullptr, &identity) ==
        GDI_ERROR)
        std::memset(&gm, 0, sizeof gm);
    pDC->SelectObject(pOldFont);

    const LONG x = gm.gmptGlyphOrigin.x;
    const LONG nBlackY = static_cast<LONG>(gm.gmBlackBoxY);
    if (m_cChar == ' ') return CRect(x, -nBlackY, x + gm.gmCellIncX, 0);
    return CRect(x, -gm.gmptGlyphOrigin.y, x + gm.gmCellIncX, -gm.gmptGlyphOrigin.y + nBlackY);
}

void CKTERDefault::Draw() {
    if (!m_pElement) return;
    CKTBook* pBook = g_pCurrentBook;
    if (!pBook) return;
    const CRect rcClient = pBook->GetClientRect();
    const CRect rcGlyph = m_pElement->GetAbsoluteBounds();
    CRect rcMeet;
    if (!rcMeet.IntersectRect(&rcClient, &rcGlyph)) return;
    CDC* pDC = pBook->GetCurrentDC();
    ASSERT(pDC != nullptr);
    if (!pDC) return;
    if (static_cast<signed char>(m_cChar) < 32) return;  // control characters, line breaks, codes from 128 up

    const CPoint pt = m_pElement->GetAbsolutePoint();
    const UINT nOldAlign = pDC->SetTextAlign(TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
    const int nOldBkMode = pDC->SetBkMode(TRANSPARENT);
    CFont font;
    const BOOL bCreated = font.CreatePointFontIndirect(&m_logFont);
    ASSERT(bCreated);
    CFont* pOldFont = bCreated ? pDC->SelectObject(&font) : nullptr;
    ASSERT(pOldFont != nullptr);
    pDC->SetTextColor(m_crColor);
    pDC->TextOut(pt.x, pt.y, &m_cChar, 1);
    if (pOldFont) VERIFY(pDC->SelectObject(pOldFont) != nullptr);
    pDC->SetBkMode(nOldBkMode);
    pDC->SetTextAlign(nOldAlign);
}

void CKTERDefault::OnPreStep() {}
void CKTERDefault::OnStep() {}
void CKTERDefault::OnPostStep() {}

void CKTERDefault::SetChar(char c) {
    m_cChar = c;
    if (m_pElement) m_pElement->InvalidateBounds();
}

void CKTERDefault::SetColor(COLORREF cr) { m_crColor = cr; }

void CKTERDefault::SetFont(LOGFONT lf) {
    m_logFont = lf;
    if (m_pElement) m_pElement->InvalidateBounds();
}

void CKTERDefault::SetPointSize(int) {
    if (m_pElement) m_pElement->InvalidateBounds();
}

void CKTERDefault::Serialize(CArchive& ar) { CKTElementRenderer::Serialize(ar); }
