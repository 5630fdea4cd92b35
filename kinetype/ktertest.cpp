#include "kinetype/ktertest.h"

#include "kinetype/ktbook.h"
#include "kinetype/ktglobals.h"

IMPLEMENT_SERIAL(CKTERTest, CKTMaskRenderer, 0)

CKTERTest::CKTERTest() : CKTMaskRenderer(RENDERER_TEST, 0) {}

CKTElementRenderer* CKTERTest::Clone() { return new CKTERTest; }

void CKTERTest::OnPreStep() {
    if (IsBlank() || m_bCacheValid || !g_pCurrentBook) return;
    if (CDC* pDC = g_pCurrentBook->GetCurrentDC()) BuildCache(pDC);
}

void CKTERTest::BuildCache(CDC* pDC) {
    if (m_bCacheValid) return;
    if (m_cChar != 0) {
        ASSERT(pDC != nullptr);
        if (!pDC || !BuildOutline(pDC)) return;
    }
    m_bCacheValid = 1;
    m_bExtentValid = 0;
}

void CKTERTest::Serialize(CArchive& ar) { CKTElementRenderer::Serialize(ar); }
