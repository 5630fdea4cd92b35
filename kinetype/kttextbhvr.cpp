#include "kinetype/kttextbhvr.h"

#include "kinetype/ktelementrenderer.h"
#include "kinetype/kterdefault.h"
#include "kinetype/ktglobals.h"
#include "kinetype/ktglyph.h"

namespace {

// A glyph without a renderer: the glyph constructor leaves the renderer out while g_bLoading is set.
CKTGlyph* NewBareGlyph() {
    struct Restore {
        BYTE b = g_bLoading;
        ~Restore() { g_bLoading = b; }
    } restore;
    g_bLoading = 1;
    return new CKTGlyph;
}

}  // namespace

CKTGlyph* KTNewGlyph(const CKTElement* pStyle, char c, CKTElementRenderer* pRenderer) {
    CKTGlyph* pGlyph = NewBareGlyph();
    pGlyph->SetFont(pStyle->GetFont());
    pGlyph->SetColor(pStyle->GetColor());
    pGlyph->SetChar(c);
    pGlyph->SetAutoLayout();
    CKTElementRenderer* pNew = pRenderer ? pRenderer->Clone() : nullptr;
    if (!pNew) pNew = new CKTERDefault;
    if (!pGlyph->SetRenderer(pNew, TRUE)) delete pNew;  // a parentless glyph takes it
    return pGlyph;
}

void KTKillChildren(CKTElement* pElement) {
    while (CKTElement* pChild = pElement->GetFirstChild()) {
        pChild->Die(TRUE, FALSE);
        if (pElement->GetFirstChild() == pChild) break;  // not removed (cannot happen in a live scene)
    }
}
