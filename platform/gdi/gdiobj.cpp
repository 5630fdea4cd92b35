// Pens, brushes, bitmaps and regions, the stock objects and the flat creation functions.
#include <algorithm>
#include <cstring>

#include "platform/gdi/dc.h"
#include "platform/gdi/dcimpl.h"
#include "platform/gdi/dib.h"

// ---- CGdiObject ----------------------------------------------------------------------------------

CGdiObject::~CGdiObject() { Deselect(); }

void CGdiObject::Deselect() {
    if (m_selectedIn.empty()) return;
    std::vector<CDC*> dcs;
    dcs.swap(m_selectedIn);
    for (CDC* dc : dcs) dc->Forget(this);
}

BOOL CGdiObject::DeleteObject() {
    if (!m_bCreated || m_bStock) return FALSE;
    Deselect();
    ReleaseContents();
    m_bCreated = false;
    return TRUE;
}

// ---- CPen ----------------------------------------------------------------------------------------

CPen::CPen(int nPenStyle, int nWidth, COLORREF crColor) : CGdiObject(Kind::Pen) {
    CreatePen(nPenStyle, nWidth, crColor);
}

CPen::~CPen() { Deselect(); }

BOOL CPen::CreatePen(int nPenStyle, int nWidth, COLORREF crColor) {
    if (m_bCreated || (nPenStyle != PS_SOLID && nPenStyle != PS_NULL)) return FALSE;
    m_nStyle = nPenStyle;
    m_nWidth = std::max(nWidth, 0);
    m_crColor = crColor & 0xFFFFFFu;
    m_bCreated = true;
    return TRUE;
}

// ---- CBrush --------------------------------------------------------------------------------------

CBrush::CBrush(COLORREF crColor) : CGdiObject(Kind::Brush) { CreateSolidBrush(crColor); }

CBrush::~CBrush() { Deselect(); }

BOOL CBrush::CreateSolidBrush(COLORREF crColor) { return CreateBrush(BS_SOLID, crColor); }

BOOL CBrush::CreateBrush(UINT nStyle, COLORREF crColor) {
    if (m_bCreated || (nStyle != BS_SOLID && nStyle != BS_NULL)) return FALSE;
    m_nStyle = nStyle;
    m_crColor = crColor & 0xFFFFFFu;
    m_bCreated = true;
    return TRUE;
}

// ---- CBitmap -------------------------------------------------------------------------------------

CBitmap::CBitmap() : CGdiObject(Kind::Bitmap) {}

CBitmap::~CBitmap() { Deselect(); }

void CBitmap::ReleaseContents() {
    m_surface.Release();
    m_bMonochrome = false;
    m_pDib.reset();
}

BOOL CBitmap::CreateCompatibleBitmap(CDC* /*pDC*/, int nWidth, int nHeight) {
    if (m_bCreated) return FALSE;
    if (!m_surface.Create(nWidth, nHeight)) return FALSE;
    m_bCreated = true;
    return TRUE;
}

BOOL CBitmap::CreateUninitialized(int nWidth, int nHeight) {
    if (m_bCreated) return FALSE;
    if (!m_surface.CreateUninitialized(nWidth, nHeight)) return FALSE;
    m_bCreated = true;
    return TRUE;
}

BOOL CBitmap::CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitcount, const void* lpBits) {
    if (m_bCreated || nPlanes != 1 || (nBitcount != 32 && nBitcount != 1)) return FALSE;
    if (!m_surface.Create(nWidth, nHeight)) return FALSE;
    if (nBitcount == 1) {
        m_bMonochrome = true;
        if (lpBits) {
            // Rows of whole WORDs, the leftmost pixel in the high bit of the first byte, 1 white.
            const size_t rowBytes = (static_cast<size_t>(nWidth) + 15) / 16 * 2;
            const BYTE* src = static_cast<const BYTE*>(lpBits);
            for (int y = 0; y < nHeight; ++y, src += rowBytes) {
                uint32_t* row = m_surface.Row(y);
                for (int x = 0; x < nWidth; ++x) row[x] = ((src[x >> 3] >> (7 - (x & 7))) & 1) ? 0x00FFFFFFu : 0u;
            }
        }
    } else if (lpBits && !m_surface.IsEmpty()) {
        std::memcpy(m_surface.Bits(), lpBits, m_surface.BytesPerLine() * static_cast<size_t>(nHeight));
    }
    m_bCreated = true;
    return TRUE;
}

int CBitmap::GetBitmap(BITMAP* pBitMap) const {
    if (!m_bCreated || !pBitMap) return 0;
    pBitMap->bmType = 0;
    pBitMap->bmWidth = m_surface.Width();
    pBitMap->bmHeight = m_surface.Height();
    pBitMap->bmWidthBytes = static_cast<LONG>(m_surface.BytesPerLine());
    pBitMap->bmPlanes = 1;
    pBitMap->bmBitsPixel = 32;
    pBitMap->bmBits = const_cast<uint32_t*>(m_surface.Bits());
    if (m_bMonochrome) {
        pBitMap->bmWidthBytes = (m_surface.Width() + 15) / 16 * 2;
        pBitMap->bmBitsPixel = 1;
        pBitMap->bmBits = nullptr;
    } else if (m_pDib) {
        pBitMap->bmWidthBytes = static_cast<LONG>(m_pDib->stride);
        pBitMap->bmBitsPixel = m_pDib->header.biBitCount;
        pBitMap->bmBits = m_pDib->bits.get();
    }
    return static_cast<int>(sizeof(BITMAP));
}

DWORD CBitmap::GetBitmapBits(DWORD dwCount, void* lpBits) const {
    if (!m_bCreated || !lpBits || m_surface.IsEmpty()) return 0;
    const size_t size = m_surface.BytesPerLine() * static_cast<size_t>(m_surface.Height());
    const size_t n = std::min<size_t>(dwCount, size);
    std::memcpy(lpBits, m_surface.Bits(), n);
    return static_cast<DWORD>(n);
}

DWORD CBitmap::SetBitmapBits(DWORD dwCount, const void* lpBits) {
    if (!m_bCreated || !lpBits || m_surface.IsEmpty()) return 0;
    const size_t size = m_surface.BytesPerLine() * static_cast<size_t>(m_surface.Height());
    const size_t n = std::min<size_t>(dwCount, size);
    std::memcpy(m_surface.Bits(), lpBits, n);
    return static_cast<DWORD>(n);
}

// ---- CRgn ----------------------------------------------------------------------------------------

CRgn::~CRgn() { Deselect(); }

void CRgn::ReleaseContents() { m_region.Clear(); }

BOOL CRgn::CreateRectRgn(int x1, int y1, int x2, int y2) {
    if (m_bCreated) return FALSE;
    m_region.SetRect(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2));
    m_bCreated = true;
    return TRUE;
}

BOOL CRgn::CreateRectRgnIndirect(LPCRECT lpRect) {
    if (!lpRect) return FALSE;
    return CreateRectRgn(lpRect->left, lpRect->top, lpRect->right, lpRect->bottom);
}

BOOL CRgn::CreatePolygonRgn(const POINT* lpPoints, int nCount, int nMode) {
    return CreatePolyPolygonRgn(lpPoints, &nCount, 1, nMode);
}

BOOL CRgn::CreatePolyPolygonRgn(const POINT* lpPoints, const int* lpPolyCounts, int nCount, int nPolyFillMode) {
    if (m_bCreated || nCount < 0) return FALSE;
    if (!m_region.SetPolyPolygon(lpPoints, lpPolyCounts, nCount, nPolyFillMode)) return FALSE;
    m_bCreated = true;
    return TRUE;
}

BOOL CRgn::PtInRegion(int x, int y) const { return m_bCreated && m_region.Contains(x, y) ? TRUE : FALSE; }

int CRgn::Type() const {
    if (m_region.IsEmpty()) return NULLREGION;
    return m_region.IsRect() ? SIMPLEREGION : COMPLEXREGION;
}

int CRgn::GetRgnBox(LPRECT lpRect) const {
    if (!m_bCreated) return ERROR;
    if (lpRect) *lpRect = m_region.Box();
    return Type();
}

int CRgn::OffsetRgn(int x, int y) {
    if (!m_bCreated || !m_region.Offset(x, y)) return ERROR;
    return Type();
}

// ---- CPalette ------------------------------------------------------------------------------------

CPalette::~CPalette() { Deselect(); }

void CPalette::ReleaseContents() { m_entries.clear(); }

BOOL CPalette::CreatePalette(const LOGPALETTE* lpLogPalette) {
    if (m_bCreated || !lpLogPalette || lpLogPalette->palVersion != 0x300 || lpLogPalette->palNumEntries == 0)
        return FALSE;
    m_entries.assign(lpLogPalette->palPalEntry, lpLogPalette->palPalEntry + lpLogPalette->palNumEntries);
    m_bCreated = true;
    return TRUE;
}

UINT CPalette::GetPaletteEntries(UINT nStartIndex, UINT nNumEntries, PALETTEENTRY* lpPaletteColors) const {
    if (!m_bCreated || !lpPaletteColors || nStartIndex >= m_entries.size()) return 0;
    const UINT n = std::min<UINT>(nNumEntries, static_cast<UINT>(m_entries.size()) - nStartIndex);
    std::copy(m_entries.begin() + nStartIndex, m_entries.begin() + nStartIndex + n, lpPaletteColors);
    return n;
}

// ---- stock objects and flat functions --------------------------------------------------------------

namespace gdi {

// The stock objects live for the whole process (allocated once, never freed, so no destruction-order
// question arises for DCs that outlive static destruction).
class StockObjects {
public:
    static const StockObjects& Get() {
        static const StockObjects* stock = new StockObjects;
        return *stock;
    }
    CGdiObject* objects[NULL_PEN + 1];
    CBitmap* bitmap;    // the empty bitmap a memory DC holds before one is selected
    CPalette* palette;  // DEFAULT_PALETTE

private:
    StockObjects() {
        const COLORREF brushColors[] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128),
                                        RGB(64, 64, 64), RGB(0, 0, 0)};
        for (int i = WHITE_BRUSH; i <= BLACK_BRUSH; ++i) objects[i] = new CBrush(brushColors[i]);
        auto* hollow = new CBrush;
        hollow->CreateBrush(BS_NULL, 0);
        objects[NULL_BRUSH] = hollow;
        objects[WHITE_PEN] = new CPen(PS_SOLID, 0, RGB(255, 255, 255));
        objects[BLACK_PEN] = new CPen(PS_SOLID, 0, RGB(0, 0, 0));
        objects[NULL_PEN] = new CPen(PS_NULL, 0, 0);
        bitmap = new CBitmap;
        bitmap->CreateCompatibleBitmap(nullptr, 0, 0);
        // The platform's 20 static colours, in their order.
        static const BYTE statics[20][3] = {
            {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
            {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
            {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
            {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
        palette = new CPalette;
        for (const auto& c : statics) palette->m_entries.push_back(PALETTEENTRY{c[0], c[1], c[2], 0});
        palette->m_bCreated = true;
        for (CGdiObject* o : objects) o->m_bStock = true;
        bitmap->m_bStock = true;
        palette->m_bStock = true;
    }
};

CBitmap* DefaultBitmap() { return StockObjects::Get().bitmap; }

}  // namespace gdi

HGDIOBJ GetStockObject(int i) {
    if (i == DEFAULT_PALETTE) return gdi::StockObjects::Get().palette;
    if (i < 0 || i > NULL_PEN) return nullptr;
    return gdi::StockObjects::Get().objects[i];
}

namespace {

// A heap object made by create(object), or NULL (and nothing left behind) when that fails.
template <class T, class Create>
T* MakeOrNull(Create create) {
    auto* obj = new T;
    if (!create(*obj)) {
        delete obj;
        return nullptr;
    }
    return obj;
}

}  // namespace

HPEN CreatePen(int iStyle, int cWidth, COLORREF color) {
    return MakeOrNull<CPen>([&](CPen& p) { return p.CreatePen(iStyle, cWidth, color); });
}

HBRUSH CreateSolidBrush(COLORREF color) {
    return MakeOrNull<CBrush>([&](CBrush& b) { return b.CreateSolidBrush(color); });
}

HRGN CreateRectRgn(int x1, int y1, int x2, int y2) {
    return MakeOrNull<CRgn>([&](CRgn& r) { return r.CreateRectRgn(x1, y1, x2, y2); });
}

HRGN CreatePolyPolygonRgn(const POINT* pptl, const int* pc, int cPoly, int iMode) {
    return MakeOrNull<CRgn>([&](CRgn& r) { return r.CreatePolyPolygonRgn(pptl, pc, cPoly, iMode); });
}

HRGN CreatePolygonRgn(const POINT* pptl, int cPoint, int iMode) { return CreatePolyPolygonRgn(pptl, &cPoint, 1, iMode); }

HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
    return MakeOrNull<CBitmap>([&](CBitmap& b) { return b.CreateCompatibleBitmap(hdc, cx, cy); });
}

HBITMAP CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const void* lpBits) {
    return MakeOrNull<CBitmap>([&](CBitmap& b) { return b.CreateBitmap(nWidth, nHeight, nPlanes, nBitCount, lpBits); });
}

HPALETTE CreatePalette(const LOGPALETTE* plpal) {
    return MakeOrNull<CPalette>([&](CPalette& p) { return p.CreatePalette(plpal); });
}

HDC GetDC(HWND hWnd) {
    if (hWnd) return nullptr;
    auto* dc = new CDC;
    dc->CreateDeviceDC(gdi::ReferenceScreen());
    return dc;
}

int ReleaseDC(HWND /*hWnd*/, HDC hdc) {
    if (!hdc) return 0;
    delete hdc;
    return 1;
}

int GetDeviceCaps(HDC hdc, int index) { return hdc ? hdc->GetDeviceCaps(index) : 0; }

HDC CreateCompatibleDC(HDC hdc) {
    auto* dc = new CDC;
    dc->CreateCompatibleDC(hdc);
    return dc;
}

BOOL DeleteObject(HGDIOBJ ho) {
    if (!ho || ho->IsStock()) return FALSE;
    delete ho;
    return TRUE;
}

BOOL DeleteDC(HDC hdc) {
    if (!hdc) return FALSE;
    delete hdc;
    return TRUE;
}
