#include "kinetype/ktmaskrenderer.h"

#include <cstring>
#include <new>

#include "kinetype/ktbook.h"
#include "kinetype/ktelement.h"
#include "kinetype/ktglobals.h"
#include "platform/gdi/font.h"

IMPLEMENT_DYNAMIC(CKTMaskRenderer, CKTElementRenderer)

namespace {

// 64 M ints (256 MB): a 2048-pixel 'W' needs about 3 M pixels, 12 M ints as cells.
int64_t g_nMaskLimit = int64_t{1} << 26;

// The point font of a LOGFONT selected into a DC for the scope's lifetime; Ok() FALSE (asserted) when
// the font cannot be made or selected.
class CPointFontScope {
public:
    CPointFontScope(CDC* pDC, const LOGFONT& lf) : m_pDC(pDC) {
        const BOOL bFont = m_font.CreatePointFontIndirect(&lf);
        ASSERT(bFont);
        m_pOld = bFont ? pDC->SelectObject(&m_font) : nullptr;
        ASSERT(m_pOld != nullptr);
    }
    ~CPointFontScope() {
        if (m_pOld) m_pDC->SelectObject(m_pOld);
    }
    CPointFontScope(const CPointFontScope&) = delete;
    CPointFontScope& operator=(const CPointFontScope&) = delete;
    BOOL Ok() const { return m_pOld ? TRUE : FALSE; }

private:
    CDC* m_pDC;
    CFont m_font;
    CFont* m_pOld = nullptr;
};

MAT2 IdentityMatrix() {
    MAT2 m;
    std::memset(&m, 0, sizeof m);
    m.eM11.value = 1;
    m.eM22.value = 1;
    return m;
}

}  // namespace

CKTMaskRenderer::CKTMaskRenderer(int nType, int nIntsPerPixel)
    : CKTElementRenderer(nType),
      m_crColor(0),
      m_nPointSize(12),
      m_cChar(0),
      m_rcExtent(0, 0, 0, 0),
      m_bExtentValid(0),
      m_bCacheValid(0),
      m_pMask(nullptr),
      m_rcMask(0, 0, 0, 0),
      m_bPixelsQueued(0),
      m_nIntsPerPixel(nIntsPerPixel) {
    std::memset(&m_lf, 0, sizeof m_lf);
}

CKTMaskRenderer::~CKTMaskRenderer() {
    // The work queued for this renderer would run on what is left of it: it is dropped, and the rest of
    // the batch waits for its turn.
    if (m_bPixelsQueued) KTCancelPixels(this);
    m_bPixelsQueued = 0;
    FreeMask();
}

int64_t CKTMaskRenderer::SetMaskLimit(int64_t nInts) {
    const int64_t nOld = g_nMaskLimit;
    g_nMaskLimit = nInts;
    return nOld;
}

void CKTMaskRenderer::QueuePixels(size_t nCost) {
    WaitPixels();
    m_bPixelsQueued = 1;
    KTQueuePixels(this, nCost);
}

void CKTMaskRenderer::RunQueuedPixels() {
    // Not queued any more, whether the work completes or throws.
    m_bPixelsQueued = 0;
    ComputePixels();
}

void CKTMaskRenderer::ComputePixels() {}

void CKTMaskRenderer::FreeMask() {
    WaitPixels();
    delete[] m_pMask;
    m_pMask = nullptr;
    m_rcMask.SetRectEmpty();
}

// ---- attaching and the element's state ------------------------------------------------------------

void CKTMaskRenderer::SetElement(CKTElement* pElement, BYTE bFlag) { AttachDrawingEveryFrame(pElement, bFlag); }

BOOL CKTMaskRenderer::AllowsChildRenderers() { return TRUE; }

void CKTMaskRenderer::SetChar(char c) {
    WaitPixels();
    m_cChar = c;
    m_bExtentValid = 0;
    m_bCacheValid = 0;
    if (m_pElement) m_pElement->InvalidateBounds();
}

void CKTMaskRenderer::SetColor(COLORREF cr) { m_crColor = cr; }

void CKTMaskRenderer::SetFont(LOGFONT lf) {
    WaitPixels();
    m_lf = lf;
    m_bExtentValid = 0;
    m_bCacheValid = 0;
}

void CKTMaskRenderer::SetPointSize(int nPoints) {
    WaitPixels();
    m_nPointSize = nPoints;
    m_bExtentValid = 0;
    m_bCacheValid = 0;
}

void CKTMaskRenderer::OnStep() {}
void CKTMaskRenderer::OnPostStep() {}

// ---- outline, mask and extent -------------------------------------------------------------------------

BOOL CKTMaskRenderer::BuildOutline(CDC* pDC) {
    CPointFontScope font(pDC, m_lf);
    if (!font.Ok()) return FALSE;
    m_region = CKTGlyphRegion(pDC, m_cChar);
    return TRUE;
}

BOOL CKTMaskRenderer::MetricsBox(CDC* pDC, CRect* pBox) {
    GLYPHMETRICS gm;
    std::memset(&gm, 0, sizeof gm);
    {
        CPointFontScope font(pDC, m_lf);
        if (!font.Ok()) return FALSE;
        const MAT2 identity = IdentityMatrix();
        if (pDC->GetGlyphOutline(static_cast<unsigned char>(m_cChar), GGO_METRICS, &gm, 0, nullptr, &identity) ==
            GDI_ERROR)
            std::memset(&gm, 0, sizeof gm);
    }
    const LONG x = gm.gmptGlyphOrigin.x;
    pBox->SetRect(x, -static_cast<LONG>(gm.gmBlackBoxY), x + gm.gmCellIncX, 0);
    return TRUE;
}

void CKTMaskRenderer::TakeExtent(const CRect& rc) {
    const bool bChanged = !m_bExtentValid || m_rcExtent != rc;
    m_rcExtent = rc;
    m_bExtentValid = 1;
    if (bChanged && m_pElement) m_pElement->InvalidateBounds();
}

void CKTMaskRenderer::BuildCache(CDC* pDC) {
    WaitPixels();
    if (m_bCacheValid) return;
    if (m_cChar == 0) {
        FreeMask();
        m_bCacheValid = 1;
        return;
    }
    ASSERT(pDC != nullptr);
    if (!pDC || !BuildOutline(pDC)) return;
    if (m_region.m_nPoints <= 0) {
        FreeMask();  // a space (or a glyph without contours): nothing to draw, tried again at the next use
        return;
    }
    CRgn rgn;
    const BOOL bRegion = rgn.CreatePolyPolygonRgn(m_region.m_pPoints, m_region.m_pPolyCounts, m_region.m_nPolys, WINDING);
    ASSERT(bRegion);
    if (!bRegion) {
        FreeMask();
        return;
    }
    CRect box;
    rgn.GetRgnBox(&box);
    FreeMask();
    m_bCacheValid = 1;
    TakeExtent(box);
    // Outlines too thin to cover a pixel centre give an empty box: nothing to draw at this size.
    const int64_t nPixels = (int64_t{box.right} - box.left) * (int64_t{box.bottom} - box.top);
    if (nPixels < 1 || m_nIntsPerPixel <= 0) return;
    const int64_t nInts = nPixels * m_nIntsPerPixel;
    if (nInts > g_nMaskLimit) return;
    m_pMask = new (std::nothrow) int[static_cast<size_t>(nInts)]();
    if (!m_pMask) return;
    m_rcMask = box;
    FillMask(rgn, box);
}

void CKTMaskRenderer::FillMask(const CRgn& rgn, const CRect& box) {
    ForEachPixel(rgn, box, [this](int i, int, int, bool bInside) { m_pMask[i] = bInside ? 1 : 0; });
}

CRect CKTMaskRenderer::GetExtent(CDC* pDC) {
    WaitPixels();
    if (!pDC) return m_rcExtent;
    if (!m_bCacheValid) BuildCache(pDC);
    if (!m_bExtentValid) {
        if (IsBlank()) {
            CRect box;
            if (MetricsBox(pDC, &box)) m_rcExtent = box;
        } else {
            if (!m_bCacheValid) BuildCache(pDC);
            if (!m_bExtentValid && m_region.m_nPoints > 0) {
                CRgn rgn;
                if (rgn.CreatePolyPolygonRgn(m_region.m_pPoints, m_region.m_pPolyCounts, m_region.m_nPolys, WINDING))
                    rgn.GetRgnBox(&m_rcExtent);
            }
        }
        m_bExtentValid = 1;
        if (m_pElement) m_pElement->InvalidateBounds();
    }
    return m_rcExtent;
}

// ---- drawing ------------------------------------------------------------------------------------------

CDC* CKTMaskRenderer::BuildDC(const CKTBook& book) {
    CDC* pDC = book.GetCurrentDC();
    ASSERT(pDC != nullptr);
    return pDC;
}

void CKTMaskRenderer::Draw() {
    WaitPixels();
    if (!m_pElement) return;
    CKTBook* pBook = g_pCurrentBook;
    if (!pBook) return;
    const CRect rcClient = pBook->GetClientRect();
    const CRect rcBounds = m_pElement->GetAbsoluteBounds();
    CRect rcMeet;
    if (!rcMeet.IntersectRect(&rcClient, &rcBounds)) return;
    CDC* pDC = BuildDC(*pBook);
    if (!pDC) return;
    if (!m_bCacheValid) BuildCache(pDC);
    const CPoint ptOrigin = m_pElement->GetAbsolutePoint();
    if (!HasMask()) return;
    const int64_t x0 = int64_t{ptOrigin.x} + m_rcExtent.left, y0 = int64_t{ptOrigin.y} + m_rcExtent.top;
    if (x0 < INT32_MIN || y0 < INT32_MIN || x0 + MaskWidth() > INT32_MAX || y0 + MaskHeight() > INT32_MAX) return;
    DrawMask(pDC, static_cast<int>(x0), static_cast<int>(y0));
}

void CKTMaskRenderer::DrawMask(CDC*, int, int) {}

// ---- the mouse ----------------------------------------------------------------------------------------

CPoint CKTMaskRenderer::LocalMousePoint(const CKTBook& book) {
    const CPoint ptMouse = book.GetMousePoint();
    const CPoint ptOrigin = m_pElement->GetAbsolutePoint();
    return CPoint(KTSaturate(int64_t{ptMouse.x} - ptOrigin.x), KTSaturate(int64_t{ptMouse.y} - ptOrigin.y));
}

CPoint CKTMaskRenderer::MaskMousePoint(const CKTBook& book) {
    const CPoint pt = LocalMousePoint(book);
    return CPoint(KTSaturate(int64_t{pt.x} - m_rcExtent.left), KTSaturate(int64_t{pt.y} - m_rcExtent.top));
}
