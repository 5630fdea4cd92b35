// CDC: creation, selection and state, pixels and fills. Lines and shapes are in dcshapes.cpp, block
// transfers in dcblit.cpp, text in dctext.cpp.
#include <algorithm>

#include "platform/gdi/dc.h"
#include "platform/gdi/dcimpl.h"
#include "platform/gdi/dib.h"

namespace {

CPen* StockPen(int i) { return static_cast<CPen*>(GetStockObject(i)); }
CBrush* StockBrush(int i) { return static_cast<CBrush*>(GetStockObject(i)); }
CPalette* StockPalette() { return static_cast<CPalette*>(GetStockObject(DEFAULT_PALETTE)); }

}  // namespace

CDC::CDC() { Reset(); }

CDC::~CDC() { DeleteDC(); }

void CDC::Reset() {
    m_pPen = StockPen(BLACK_PEN);
    m_pBrush = StockBrush(WHITE_BRUSH);
    m_pFont = nullptr;
    m_pBitmap = m_bMemory ? gdi::DefaultBitmap() : nullptr;
    m_pPalette = StockPalette();
    m_realized.clear();
    m_crText = 0;
    m_crBk = 0xFFFFFF;
    m_nBkMode = OPAQUE;
    m_nTextAlign = 0;
    m_nPolyFillMode = ALTERNATE;
    m_ptCurrent = CPoint(0, 0);
}

BOOL CDC::CreateCompatibleDC(CDC* pDC) {
    if (m_hDC) return FALSE;
    m_caps = pDC && pDC->m_hDC ? pDC->m_caps : gdi::ReferenceScreen();
    m_hDC = this;
    m_bMemory = true;
    m_pSurface = nullptr;
    Reset();
    return TRUE;
}

BOOL CDC::AttachSurface(gdi::Surface* pSurface) {
    if (m_hDC || !pSurface) return FALSE;
    m_caps = gdi::ReferenceScreen();
    m_hDC = this;
    m_bMemory = false;
    m_pSurface = pSurface;
    Reset();
    return TRUE;
}

BOOL CDC::CreateDeviceDC(const gdi::DeviceCaps& caps) {
    if (m_hDC) return FALSE;
    m_caps = caps;
    m_hDC = this;
    m_bMemory = false;
    m_pSurface = nullptr;
    Reset();
    return TRUE;
}

BOOL CDC::DeleteDC() {
    if (!m_hDC) return FALSE;
    if (m_pBitmap && m_pBitmap->GetDibSection()) m_pBitmap->StoreToDibBits();
    Track(m_pPen, nullptr);
    Track(m_pBrush, nullptr);
    Track(m_pBitmap, nullptr);
    Track(m_pPalette, nullptr);
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
    if (pObject == m_pPalette) m_pPalette = StockPalette();
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
    if (old == pBitmap) return old;
    // What was drawn on a DIB section goes back to its bits; a newly selected section shows its bits.
    if (old && old->GetDibSection()) old->StoreToDibBits();
    if (pBitmap->GetDibSection()) pBitmap->LoadFromDibBits();
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
        case CGdiObject::Kind::Palette:  // palettes go through SelectPalette
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
    uint32_t px = m_pSurface->Row(y)[x];
    if (m_pBitmap && m_pBitmap->IsMonochrome()) px = gdi::MonoPixel(px);
    return gdi::PixelToColor(px) & 0xFFFFFFu;
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

// ---- device, mapping and palettes -----------------------------------------------------------------

int CDC::GetDeviceCaps(int nIndex) const { return m_hDC ? gdi::DeviceCapsValue(m_caps, nIndex) : 0; }

int CDC::SetMapMode(int nMapMode) { return m_hDC && nMapMode == MM_TEXT ? MM_TEXT : 0; }

BOOL CDC::DPtoLP(LPPOINT lpPoints, int nCount) const { return m_hDC && (lpPoints || nCount <= 0) ? TRUE : FALSE; }

CPalette* CDC::SelectPalette(CPalette* pPalette, BOOL /*bForceBackground*/) {
    if (!m_hDC || !pPalette || !pPalette->IsCreated()) return nullptr;
    CPalette* old = m_pPalette;
    Track(old, pPalette);
    m_pPalette = pPalette;
    return old;
}

UINT CDC::RealizePalette() {
    if (!m_hDC) return GDI_ERROR;
    if (!(m_caps.rasterCaps & RC_PALETTE) || !m_pPalette) return 0;
    m_realized = m_pPalette->Entries();
    return static_cast<UINT>(m_realized.size());
}

UINT CDC::GetSystemPaletteEntries(UINT nStartIndex, UINT nNumEntries, PALETTEENTRY* lpPaletteColors) const {
    if (!m_hDC || !(m_caps.rasterCaps & RC_PALETTE) || !lpPaletteColors || nStartIndex >= 256) return 0;
    const std::vector<PALETTEENTRY>& statics = StockPalette()->Entries();  // 20 entries
    const UINT n = std::min<UINT>(nNumEntries, 256 - nStartIndex);
    for (UINT k = 0; k < n; ++k) {
        const UINT i = nStartIndex + k;
        PALETTEENTRY e{0, 0, 0, 0};
        if (i < 10) e = statics[i];
        else if (i >= 246) e = statics[i - 236];
        else if (i - 10 < m_realized.size()) e = m_realized[i - 10];
        lpPaletteColors[k] = e;
    }
    return n;
}
