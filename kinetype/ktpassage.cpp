#include "kinetype/ktpassage.h"

IMPLEMENT_SERIAL(CKTPassage, CKTElement, 0)

CKTPassage::CKTPassage() : CKTElement(KIND_PASSAGE) {}

CKTPassage::~CKTPassage() { BeginDestruction(); }

BOOL CKTPassage::InsertChild(CKTElement* pChild, CKTElement* pAfter, BOOL bReflow) {
    if (!CKTElement::InsertChild(pChild, pAfter, bReflow)) return FALSE;
    if (!bReflow) return TRUE;
    if (pAfter) {
        const CPoint ptAfter = pAfter->GetPoint();
        if (pAfter->GetFirstChild() && StartsWithBreak(pAfter)) {
            // After a line break: the left edge, one break-glyph height lower.
            const double dy = static_cast<double>(ptAfter.y) + pAfter->GetFirstChild()->GetHeight();
            pChild->MoveBy(CKTVector(0.0, dy, 0.0));
        } else {
            // Just right of pAfter (its right edge in the passage's coordinates), on its row.
            const double dx = static_cast<double>(pAfter->GetBounds().right) + ptAfter.x;
            pChild->MoveBy(CKTVector(dx, ptAfter.y, 0.0));
        }
    }
    ShiftSiblings(pChild->GetNextSibling(), pChild->GetWidth(), TRUE);
    return TRUE;
}

BOOL CKTPassage::RemoveChild(CKTElement* pChild, BOOL bReflow) {
    if (!pChild || pChild->GetParent() != this) return FALSE;
    CKTElement* pNext = pChild->GetNextSibling();
    UnlinkChild(pChild);
    if (bReflow) {
        const int w = pChild->GetWidth();
        const CPoint pt = pChild->GetPoint();
        pChild->MoveBy(CKTVector(-static_cast<double>(pt.x), -static_cast<double>(pt.y), 0.0));
        ShiftSiblings(pNext, -static_cast<double>(w), TRUE);
    }
    return TRUE;
}

void CKTPassage::RecalcBounds() { BoundChildren(TRUE); }

void CKTPassage::Serialize(CArchive& ar) { CKTElement::Serialize(ar); }
