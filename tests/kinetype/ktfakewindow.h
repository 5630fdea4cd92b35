// A window for tests and benchmarks: a fixed client rectangle and a DC drawing into its own surface.
//
//     CKTFakeWindow wnd(1280, 720);
//     CKTBook book;
//     book.SetWindow(&wnd);     // glyphs measure on the book's memory DC from now on
//     book.Draw(wnd.GetPaintDC());
#pragma once

#include "kinetype/ktwindow.h"
#include "platform/gdi/dc.h"

class CKTFakeWindow : public CKTWindow {
public:
    CKTFakeWindow(int nWidth, int nHeight) : m_rcClient(0, 0, nWidth, nHeight) {
        m_surface.Create(nWidth, nHeight);
        m_dc.AttachSurface(&m_surface);
    }

    CDC* GetDC() override {
        m_nGetDC++;
        return &m_dc;
    }
    int ReleaseDC(CDC*) override {
        m_nReleaseDC++;
        return 1;
    }
    void GetClientRect(LPRECT lpRect) const override { *lpRect = m_rcClient; }

    // The DC a paint draws into (the window's own surface).
    CDC* GetPaintDC() { return &m_dc; }
    gdi::Surface& GetSurface() { return m_surface; }
    void SetClientRect(const CRect& rc) { m_rcClient = rc; }

    int m_nGetDC = 0;
    int m_nReleaseDC = 0;

private:
    CRect m_rcClient;
    gdi::Surface m_surface;
    CDC m_dc;
};
