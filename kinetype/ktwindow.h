// CKTWindow: the window a book draws into, as the library sees it. The application's view implements
// it; tests use a fake with a fixed client rectangle and a DC drawing into a gdi::Surface.
//
// The book keeps a pointer to the window (not owned) from CKTBook::SetWindow on; the window must
// outlive the book or be replaced first.
#pragma once

#include "platform/afx/afx.h"

class CDC;

class CKTWindow {
public:
    virtual ~CKTWindow();

    // A device context on the window, valid until ReleaseDC. The book only makes its memory DC
    // compatible with it.
    virtual CDC* GetDC() = 0;
    virtual int ReleaseDC(CDC* pDC) = 0;
    // The client rectangle, in client coordinates ((0, 0) at the top left).
    virtual void GetClientRect(LPRECT lpRect) const = 0;
};
