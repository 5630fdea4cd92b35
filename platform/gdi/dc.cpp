// CDC: creation, selection and state, pixels and fills. Lines and shapes are in dcshapes.cpp, block
// transfers in dcblit.cpp, text in dctext.cpp.
#include <algorithm>

#include "platform/gdi/dc.h"
#include "platform/gdi/dcimpl.h"

namespace {

CPen* StockPen(int i) { return static_cast<CPen*>(GetStockObject(i)); }
CBrush* StockBrush(int i) { return static_cast<CBrush*>(GetStockObject(i)); }

}  // namespace

CDC::CDC() { Reset(); }

CDC::~CDC() { DeleteDC(); }

void CDC::Reset() {
    m_pPen = StockPen(BLACK_PEN);
    m_pBrush = StockBrush(WHITE_BRUSH);
    m_pFont = nullptr;
    m_pBitmap = m_bMemory ? gdi::DefaultBitmap() : nullptr;
    m_crText = 0;
    m_crBk = 0xFFFFFF;
    m_nBkMode = OPAQUE;
    m_nTextAlign = 0;
    m_nPolyFillMode = ALTERNATE;
    m_ptCurrent = CPoint(0, 0);
}

BOOL CDC::CreateCompatibleDC(CDC* /*pDC*/) {
    if (m_hDC) return FALSE;
    m_hDC = this;
    m_bMemory = true;
    m_pSurface = nullptr;
    Reset();
    return TRUE;
}

BOOL CDC::AttachSurface(gdi::Surface* pSurface) {
    if (m_hDC || !pSurface) return FALSE;
    m_hDC = this;
    m_bMemory = false;
    m_pSurface = pSurface;
    Reset();
    return TRUE;
}

BOOL CDC::DeleteDC() {
    if (!m_hDC) return FALSE;
    Track(m_pPen, nullptr);
    Track(m_pBrush, nullptr);
    Track(m_pBitmap, nullptr);
    m_hDC = nullptr;
    m_bMemory = false;
    m_pSurface = nullptr;
    Reset();
    return TRUE;
}

int CDC::GetClipBox(LPRECT lpRect) const {
    RECT r{0, 0, 0, 0};
    if (m_pSurface) r = RECT{0, 0, m_pSurface->Width(), m_pSurface->Height()};
    if (lpRect) *lpRect = r;
    if (!m_hDC) return ERROR;
    return (r.right > 0 && r.bottom > 0) ? SIMPLEREGION : NULLREGION;
}

// ---- selection -------------------------------------------------------------------------------------

void CDC::Track(CGdiObject* pOld, CGdiObject* pNew) {
    if (pOld == pNew) return;
    if (pOld && !pOld->IsStock()) {
        auto& v = pOld->m_selectedIn;
        auto it = std::find(v.begin(), v.end(), this);
        if (it != v.end()) v.erase(it);
    }
    if (pNew && !pNew->IsStock()) pNew->m_selectedIn.push_back(this);
}

void CDC::Forget(CGdiObject* pObject) {
    // The object has already emptied its list of DCs: just put the defaults in its place.
    if (pObject == m_pPen) m_pPen = StockPen(BLACK_PEN);
    if (pObject == m_pBrush) m_pBrush = StockBrush(WHITE_BRUSH);
    if (pObject == m_pBitmap) {
        m_pBitmap = gdi::DefaultBitmap();
        m_pSurface = nullptr;
    }
}

template <class T>
T* CDC::Swap(T*& slot, T* pObject) {
    if (!m_hDC || !pObject || !pObject->IsCreated()) return nullptr;
    T* old = slot;
    Track(old, pObject);
    slot = pObject;
    return old;
}

CPen* CDC::SelectObject(CPen* pPen) { return Swap(m_pPen, pPen); }

CBrush* CDC::SelectObject(CBrush* pBrush) { return Swap(m_pBrush, pBrush); }

CBitmap* CDC::SelectObject(CBitmap* pBitmap) {
    if (!m_hDC || !m_bMemory || !pBitmap || !pBitmap->IsCreated()) return nullptr;
    if (!pBitmap->IsStock() && !pBitmap->m_selectedIn.empty() && pBitmap->m_selectedIn.front() != this)
        return nullptr;  // a bitmap lives in one DC at a time
    CBitmap* old = m_pBitmap;
    Track(old, pBitmap);
    m_pBitmap = pBitmap;
    m_pSurface = pBitmap->IsStock() ? nullptr : &pBitmap->GetSurface();
    return old;
}

CGdiObject* CDC::SelectObject(CGdiObject* pObject) {
    if (!pObject) return nullptr;
    switch (pObject->GetKind()) {
        case CGdiObject::Kind::Pen:
            return SelectObject(static_cast<CPen*>(pObject));
        case CGdiObject::Kind::Brush:
            return SelectObject(static_cast<CBrush*>(pObject));
        case CGdiObject::Kind::Bitmap:
            return SelectObject(static_cast<CBitmap*>(pObject));
        case CGdiObject::Kind::Region:
            break;
    }
    return nullptr;
}

CGdiObject* CDC::SelectStockObject(int nIndex) { return SelectObject(GetStockObject(nIndex)); }

// ---- attributes --------------------------------------------------------------------------------------

COLORREF CDC::SetTextColor(COLORREF crColor) {
    COLORREF old = m_crText;
    m_crText = crColor & 0xFFFFFFu;
    return old;
}

COLORREF CDC::SetBkColor(COLORREF crColor) {
    COLORREF old = m_crBk;
    m_crBk = crColor & 0xFFFFFFu;
    return old;
}

int CDC::SetBkMode(int nBkMode) {
    if (nBkMode != TRANSPARENT && nBkMode != OPAQUE) return 0;
    int old = m_nBkMode;
    m_nBkMode = nBkMode;
    return old;
}

UINT CDC::SetTextAlign(UINT nFlags) {
    UINT old = m_nTextAlign;
    m_nTextAlign = nFlags;
    return old;
}

int CDC::SetPolyFillMode(int nPolyFillMode) {
    if (nPolyFillMode != ALTERNATE && nPolyFillMode != WINDING) return 0;
    int old = m_nPolyFillMode;
    m_nPolyFillMode = nPolyFillMode;
    return old;
}

// ---- pixels and fills --------------------------------------------------------------------------------

COLORREF CDC::SetPixel(int x, int y, COLORREF crColor) {
    if (!m_pSurface || !m_pSurface->Contains(x, y)) return CLR_INVALID;
    m_pSurface->Row(y)[x] = gdi::ColorToPixel(crColor & 0xFFFFFFu);
    return crColor & 0xFFFFFFu;
}

COLORREF CDC::GetPixel(int x, int y) const {
    if (!m_pSurface || !m_pSurface->Contains(x, y)) return CLR_INVALID;
    return gdi::PixelToColor(m_pSurface->Row(y)[x]) & 0xFFFFFFu;
}

void CDC::FillRect(LPCRECT lpRect, CBrush* pBrush) {
    if (!m_pSurface || !lpRect || !pBrush || !pBrush->IsCreated() || pBrush->GetStyle() != BS_SOLID) return;
    gdi::FillBox(*m_pSurface, lpRect->left, lpRect->top, lpRect->right, lpRect->bottom,
                 gdi::ColorToPixel(pBrush->GetColor()));
}

void CDC::FillSolidRect(LPCRECT lpRect, COLORREF crColor) {
    if (!m_hDC || !lpRect) return;
    SetBkColor(crColor);
    if (!m_pSurface) return;
    gdi::FillBox(*m_pSurface, lpRect->left, lpRect->top, lpRect->right, lpRect->bottom,
                 gdi::ColorToPixel(crColor & 0xFFFFFFu));
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF crColor) {
    if (!m_hDC) return;
    SetBkColor(crColor);
    if (!m_pSurface) return;
    gdi::FillBox(*m_pSurface, x, y, int64_t{x} + cx, int64_t{y} + cy, gdi::ColorToPixel(crColor & 0xFFFFFFu));
}

BOOL CDC::FillRgn(CRgn* pRgn, CBrush* pBrush) {
    if (!m_hDC || !pRgn || !pRgn->IsCreated() || !pBrush || !pBrush->IsCreated()) return FALSE;
    if (!m_pSurface || pBrush->GetStyle() != BS_SOLID) return TRUE;
    gdi::Surface& s = *m_pSurface;
    const uint32_t px = gdi::ColorToPixel(pBrush->GetColor());
    // Only the surface's rows are rasterised: a region far larger than the surface costs its visible part.
    gdi::FillSink sink(s, px);
    pRgn->GetRegion().Rasterize(0, s.Height(), sink);
    return TRUE;
}
