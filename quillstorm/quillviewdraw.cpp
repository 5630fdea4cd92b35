// The paint: every layer into the back buffer, in a fixed order, then the buffer to the window; the
// background image and its seven layouts; the caret crosshair; the hierarchy pane.
#include <climits>
#include <cstdio>

#include "kinetype/ktbook.h"
#include "kinetype/ktglyph.h"
#include "kinetype/ktpassage.h"
#include "kinetype/kttext.h"
#include "kinetype/ktword.h"
#include "platform/crt/crt.h"
#include "quillstorm/QuillView.h"
#include "quillstorm/pximage.h"
#include "quillstorm/quill.h"

namespace {

constexpr int kGridSpacing = 20;
constexpr COLORREF kHierarchyColor = RGB(245, 166, 92);

// The background layouts (the book's layout value).
constexpr int kLayoutUpperLeft = 0;
constexpr int kLayoutUpperRight = 1;
constexpr int kLayoutLowerLeft = 2;
constexpr int kLayoutLowerRight = 3;
constexpr int kLayoutCentered = 4;
constexpr int kLayoutStretched = 5;
constexpr int kLayoutTiled = 6;

// The centre of a box as integer halves.
CPoint BoxCenter(const CRect& r) { return CPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2); }

// A circle (the selected pen and brush) on the box of size n x n whose top-left corner is at.
CRect Circle(CDC* pDC, CPoint at, int n) {
    const CRect box(at.x, at.y, at.x + n, at.y + n);
    pDC->Ellipse(&box);
    return box;
}

void Line(CDC* pDC, CPoint from, CPoint to) {
    pDC->MoveTo(from);
    pDC->LineTo(to);
}

bool IsGraphic(char c) { return crt::isgraph(static_cast<unsigned char>(c)); }

// The character of a word's first glyph, or 0 when the word has none.
char FirstChar(CKTElement* pWord) {
    CKTElement* pFirst = pWord->GetFirstChild();
    if (!pFirst || pFirst->GetKind() != KIND_GLYPH) return 0;
    return static_cast<CKTGlyph*>(pFirst)->GetChar();
}

}  // namespace

const gdi::Surface* CQuillView::GetBackBuffer() const {
    return m_pBackBitmap && m_pBackBitmap->IsCreated() ? &m_pBackBitmap->GetSurface() : nullptr;
}

CRect CQuillView::SelectionFrame(const CRect& rcBounds, BOOL bSelectedElement) {
    // The pen draws the rectangle's own outermost pixels: the element's frame is the bounds grown by
    // the clearance and one pixel more, the selected element's outer frame one pixel beyond that. Held
    // at the int range, where nothing is drawn anyway.
    const long long d = kSelectionClearance + (bSelectedElement ? 2 : 1);
    const auto fit = [](long long v) { return static_cast<int>(v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : v); };
    return CRect(fit(rcBounds.left - d), fit(rcBounds.top - d), fit(rcBounds.right + d), fit(rcBounds.bottom + d));
}

CPoint CQuillView::BackgroundImagePosition(int nLayout, int w, int h, int iw, int ih) {
    // The differences in 64 bits: a huge image never wraps to a positive offset. A result beyond int
    // lies off the client area anyway and is held at the int range.
    const long long dx = static_cast<long long>(w) - iw;
    const long long dy = static_cast<long long>(h) - ih;
    const auto fit = [](long long v) {
        return static_cast<int>(v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : v);
    };
    switch (nLayout) {
        case kLayoutUpperRight: return CPoint(fit(dx), 0);
        case kLayoutLowerLeft: return CPoint(0, fit(dy));
        case kLayoutLowerRight: return CPoint(fit(dx), fit(dy));
        case kLayoutCentered: return CPoint(fit(dx / 2), fit(dy / 2));
        default: return CPoint(0, 0);  // upper left, stretched, tiled, and any other value
    }
}

void CQuillView::OnDraw(CDC* pDC) {
    CKTBook* pBook = GetBook();
    // While a document loads or a tick steps, the scene may be half made: show the last frame.
    if (g_bLoading || m_bTickBusy || !pBook) {
        if (m_pClientRect && GetBackBuffer()) PresentBackBuffer(pDC, m_pClientRect->Width(), m_pClientRect->Height());
        return;
    }

    // 1. What is made on demand.
    if (!m_pClientRect) {
        m_pClientRect = new CRect;
        GetClientRect(m_pClientRect);
    }
    const CRect rc = *m_pClientRect;
    const int W = rc.Width();
    const int H = rc.Height();
    if (!m_pMemDC) {
        m_pMemDC = new CDC;
        VERIFY(m_pMemDC->CreateCompatibleDC(pDC));
    }
    if (!m_pBackBitmap) {
        m_pBackBitmap = new CBitmap;
        if (!m_pBackBitmap->CreateCompatibleBitmap(pDC, W, H)) {
            // No memory for a frame of this size: this paint draws nothing, the next one tries again.
            delete m_pBackBitmap;
            m_pBackBitmap = nullptr;
            return;
        }
        m_pOldBitmap = m_pMemDC->SelectObject(m_pBackBitmap);
    }
    if (!m_pImageDC) {
        m_pImageDC = new CDC;
        VERIFY(m_pImageDC->CreateCompatibleDC(pDC));
    }
    CDC* pMem = m_pMemDC;

    // 2. The background laid out for the book's layout.
    if (m_pBackImage && !m_pScaledImage) LayOutBackgroundImage(pDC, W, H);

    // 3. The background colour; its inverse colours the grid, caret, frames and size text.
    const COLORREF crBack = pBook->GetBackgroundColor();
    {
        CBrush brush(crBack);
        pMem->FillRect(&rc, &brush);
    }
    const COLORREF inv = InvertColor(crBack);

    // 4. The background image.
    if (m_pScaledImage && m_pScaledImage->IsCreated()) {
        CBitmap* pOld = m_pImageDC->SelectObject(m_pScaledImage);
        const CPoint at = BackgroundImagePosition(m_nImageLayout, W, H, m_nImageWidth, m_nImageHeight);
        pMem->BitBlt(at.x, at.y, m_nImageWidth, m_nImageHeight, m_pImageDC, 0, 0, SRCCOPY);
        if (pOld) m_pImageDC->SelectObject(pOld);
    }

    // 5. The grid: lines at 0, 20, 40 ... short of the right and bottom edges.
    if (m_bShowGrid) {
        CPen pen(PS_SOLID, 0, RGB(GetRValue(inv) / 2, GetGValue(inv) / 2, GetBValue(inv) / 2));
        CPen* pOldPen = pMem->SelectObject(&pen);
        for (int x = 0; x < rc.right; x += kGridSpacing) {
            pMem->MoveTo(x, 0);
            pMem->LineTo(x, rc.bottom);
        }
        for (int y = 0; y < rc.bottom; y += kGridSpacing) {
            pMem->MoveTo(0, y);
            pMem->LineTo(rc.right, y);
        }
        pMem->SelectObject(pOldPen);
    }

    // 6. The caret.
    if (m_bCaretShown) DrawCaret(pMem, inv);

    // 7. Selection frames; the selected element's frame 1 pixel outside its own. An element's bounds
    // hug its glyphs (a mask renderer's ink reaches every edge of them), so a frame on the bounds' own
    // edge pixels runs into the letters, and a word without ascenders or descenders ("wave", "oooo")
    // reads as a solid block with light holes. Each frame keeps a pixel of canvas clear of the bounds.
    if (!m_selection.IsEmpty()) {
        CGdiObject* pOldBrush = pMem->SelectStockObject(HOLLOW_BRUSH);
        CPen pen(PS_SOLID, 0, inv);
        CPen* pOldPen = pMem->SelectObject(&pen);
        for (POSITION pos = m_selection.GetHeadPosition(); pos;) {
            const CRect r = SelectionFrame(m_selection.GetNext(pos)->GetAbsoluteBounds(), FALSE);
            pMem->Rectangle(&r);
        }
        if (m_pSelected) {
            const CRect r = SelectionFrame(m_pSelected->GetAbsoluteBounds(), TRUE);
            pMem->Rectangle(&r);
        }
        pMem->SelectObject(pOldPen);
        if (pOldBrush) pMem->SelectObject(pOldBrush);
    }

    // 8. The hierarchy pane, under the scene.
    if (m_bShowHierarchy) DrawHierarchy(pMem);

    // 9. The scene.
    pBook->Draw(pMem);
    ++m_nFramesDrawn;

    // 10. At most one spray step a paint.
    if (m_bSpraying && m_fSprayClock >= 1.0f && pBook->IsLeftButtonDown()) SprayText();

    // 11 and 12. The properties panel's texts, the panels and the pop-up menu.
    FillPropertyPanel();
    DrawPanelsAndMenu(pMem);

    // 13. The canvas size while the frame is being resized.
    if (m_bSizeChanged) {
        CFont font;
        font.CreateFont(11, 5, 0, 0, 400, 0, 0, 0, 0, 1, 2, 1, 0x22, "SF SmallVGA");
        CFont* pOldFont = pMem->SelectObject(&font);
        char text[32];
        const int n = std::snprintf(text, sizeof(text), "(%d,%d)", W, H);
        pMem->SetTextColor(inv);
        const CSize ext = pMem->GetTextExtent(text, n);
        pMem->TextOut(rc.right - (ext.cx + 5), rc.bottom - (ext.cy + 5), text, n);
        pMem->SelectObject(pOldFont);
    }

    // 14. The movie frame.
    CaptureFrame(pMem);

    // 15. The frame to the window.
    PresentBackBuffer(pDC, W, H);
}

void CQuillView::PresentBackBuffer(CDC* pDC, int nWidth, int nHeight) {
    // The window's DC has no pixels: the widget shows the back buffer itself (paintEvent).
    if (!pDC || pDC == &m_windowDC) return;
    pDC->BitBlt(0, 0, nWidth, nHeight, m_pMemDC, 0, 0, SRCCOPY);
}

void CQuillView::LayOutBackgroundImage(CDC* pDC, int W, int H) {
    CKTBook* pBook = GetBook();
    m_nImageLayout = pBook ? pBook->GetBackgroundImageLayout() : kLayoutUpperLeft;
    m_pScaledImage = new CBitmap;
    if (m_nImageLayout == kLayoutStretched || m_nImageLayout == kLayoutTiled) {
        // A client-sized bitmap, filled through a temporary DC from the image's bitmap. An image
        // without pixels gives no bitmap at all (nothing is drawn), never an endless tiling.
        CBitmap image;
        if (m_pBackImage->CreateBitmap(&image, nullptr) == 0 && m_pScaledImage->CreateCompatibleBitmap(pDC, W, H)) {
            CDC temp;
            temp.CreateCompatibleDC(pDC);
            CBitmap* pOldTemp = temp.SelectObject(m_pScaledImage);
            CBitmap* pOldImage = m_pImageDC->SelectObject(&image);
            const CSize size = m_pBackImage->GetSize();
            if (m_nImageLayout == kLayoutStretched) {
                temp.StretchBlt(0, 0, W, H, m_pImageDC, 0, 0, size.cx, size.cy, SRCCOPY);
            } else {
                // Row by row from (0, 0); the first copy is always placed.
                const CRect& rc = *m_pClientRect;
                int y = 0;
                do {
                    int x = 0;
                    do {
                        temp.BitBlt(x, y, size.cx, size.cy, m_pImageDC, 0, 0, SRCCOPY);
                        x += size.cx;
                    } while (x < rc.right);
                    y += size.cy;
                } while (y < rc.bottom);
            }
            if (pOldImage) m_pImageDC->SelectObject(pOldImage);
            if (pOldTemp) temp.SelectObject(pOldTemp);
        }
    } else {
        m_pBackImage->CreateBitmap(m_pScaledImage, nullptr);
    }
    BITMAP bm;
    if (m_pScaledImage->GetBitmap(&bm)) {
        m_nImageWidth = bm.bmWidth;
        m_nImageHeight = bm.bmHeight;
    } else {
        m_nImageWidth = 0;
        m_nImageHeight = 0;
    }
}

BOOL CQuillView::SetBackgroundImage(const CString& strPath) {
    if (strPath.IsEmpty()) {
        delete m_pBackImage;
        m_pBackImage = nullptr;
        delete m_pScaledImage;
        m_pScaledImage = nullptr;
        return TRUE;
    }
    auto* pImage = new CRgbImage;
    if (pImage->Load(strPath) != 0) {
        delete pImage;
        return FALSE;
    }
    SetBackgroundImage(pImage);
    return TRUE;
}

void CQuillView::SetBackgroundImage(CRgbImage* pImage) {
    if (pImage == m_pBackImage) return;
    delete m_pBackImage;
    delete m_pScaledImage;
    m_pBackImage = pImage;
    m_pScaledImage = nullptr;
}

void CQuillView::DrawCaret(CDC* pDC, COLORREF cr) {
    const int x = m_ptCaret.x;
    const int y = m_ptCaret.y;
    CPen pen(PS_SOLID, 0, cr);
    CPen* pOldPen = pDC->SelectObject(&pen);
    CGdiObject* pOldBrush = pDC->SelectStockObject(HOLLOW_BRUSH);
    pDC->Ellipse(x - 3, y - 3, x + 3, y + 3);
    pDC->MoveTo(x, y - 10);
    pDC->LineTo(x, y - 3);
    pDC->MoveTo(x, y + 3);
    pDC->LineTo(x, y + 10);
    pDC->MoveTo(x - 10, y);
    pDC->LineTo(x - 3, y);
    pDC->MoveTo(x + 3, y);
    pDC->LineTo(x + 17, y);
    pDC->SelectObject(pOldPen);
    if (pOldBrush) pDC->SelectObject(pOldBrush);
}

void CQuillView::DrawHierarchy(CDC* pDC) {
    if (!m_pTextRoot) return;
    CBrush brush(kHierarchyColor);
    CPen pen(PS_SOLID, 1, kHierarchyColor);
    CBrush* pOldBrush = pDC->SelectObject(&brush);
    CPen* pOldPen = pDC->SelectObject(&pen);

    CPoint c = BoxCenter(m_pTextRoot->GetAbsoluteBounds());
    const CPoint rootCenter = BoxCenter(Circle(pDC, CPoint(c.x - 14, c.y + 14), 29));
    // The centre of the most recent word circle of this pane; the root's until one is drawn.
    CPoint wordCenter = rootCenter;
    for (CKTElement* pPassage = m_pTextRoot->GetFirstChild(); pPassage; pPassage = pPassage->GetNextSibling()) {
        c = BoxCenter(pPassage->GetAbsoluteBounds());
        const CPoint passageCenter = BoxCenter(Circle(pDC, CPoint(c.x - 10, c.y + 25), 20));
        Line(pDC, rootCenter, passageCenter);
        for (CKTElement* pWord = pPassage->GetFirstChild(); pWord; pWord = pWord->GetNextSibling()) {
            if (IsGraphic(FirstChar(pWord))) {
                c = BoxCenter(pWord->GetAbsoluteBounds());
                wordCenter = BoxCenter(Circle(pDC, CPoint(c.x - 6, c.y + 15), 12));
                Line(pDC, passageCenter, wordCenter);
            }
            for (CKTElement* pGlyph = pWord->GetFirstChild(); pGlyph; pGlyph = pGlyph->GetNextSibling()) {
                if (pGlyph->GetKind() != KIND_GLYPH || !IsGraphic(static_cast<CKTGlyph*>(pGlyph)->GetChar())) continue;
                const CRect b = pGlyph->GetAbsoluteBounds();
                c = BoxCenter(b);
                const CPoint glyphCenter = BoxCenter(Circle(pDC, CPoint(c.x - 3, b.bottom + 9), 6));
                Line(pDC, wordCenter, glyphCenter);
            }
        }
    }
    pDC->SelectObject(pOldPen);
    pDC->SelectObject(pOldBrush);
}
