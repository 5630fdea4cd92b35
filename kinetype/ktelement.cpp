#include "kinetype/ktelement.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "kinetype/ktbehavior.h"
#include "kinetype/ktbhvrprop.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktelementrenderer.h"
#include "kinetype/ktglobals.h"
#include "kinetype/ktglyph.h"
#include "kinetype/kttext.h"
#include "platform/crt/crt.h"

IMPLEMENT_SERIAL(CKTElement, CKTComponent, 0)

uint64_t CKTElement::s_nTreeEdits = 0;
uint64_t CKTElement::s_nSlotEdits = 0;

namespace {

// Stored face names hold at most this many characters (the field keeps its terminator).
constexpr int kMaxFaceName = LF_FACESIZE - 1;

// Coordinates from a file may be anything: sums saturate at the int range instead of overflowing.
LONG Saturate(long long v) {
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<LONG>(v);
}

CRect Offset(const CRect& rc, CPoint pt) {
    return CRect(Saturate(static_cast<long long>(rc.left) + pt.x), Saturate(static_cast<long long>(rc.top) + pt.y),
                 Saturate(static_cast<long long>(rc.right) + pt.x), Saturate(static_cast<long long>(rc.bottom) + pt.y));
}

// A child's rectangle in its parent's coordinates.
CRect ChildRect(CKTElement* pChild) { return Offset(pChild->GetBounds(), pChild->GetPoint()); }

}  // namespace

CKTElement::CKTElement() : CKTElement(0) {}

CKTElement::CKTElement(int nKind)
    : m_bBoundsValid(0),
      m_bAbsPositionValid(0),
      m_bAutoLayout(1),
      m_nKind(nKind),
      m_pParent(nullptr),
      m_pFirstChild(nullptr),
      m_pNextSibling(nullptr),
      m_pPrevSibling(nullptr),
      m_pRenderer(nullptr),
      m_crColor(0),
      m_behaviors(10) {
    std::memset(&m_logFont, 0, sizeof m_logFont);
    m_props.SetSize(PROP_COUNT);
}

CKTElement::~CKTElement() {
    BeginDestruction();

    // The children, first to last. Each is unlinked here (its own detach then finds no parent).
    while (CKTElement* pChild = m_pFirstChild) {
        m_pFirstChild = pChild->m_pNextSibling;
        if (m_pFirstChild) m_pFirstChild->m_pPrevSibling = nullptr;
        pChild->m_pParent = nullptr;
        pChild->m_pNextSibling = nullptr;
        pChild->m_pPrevSibling = nullptr;
        s_nTreeEdits++;
        delete pChild;
    }

    TellBehaviorsDying();
    if (g_pCurrentBook) g_pCurrentBook->NotifyElementGone(this);

    for (INT_PTR i = 0; i < m_props.GetSize(); i++) {
        CKTBhvrProp* pProp = m_props[i];
        m_props[i] = nullptr;
        delete pProp;
    }
    s_nSlotEdits++;
    CKTElementRenderer* pRenderer = m_pRenderer;
    m_pRenderer = nullptr;
    delete pRenderer;
}

void CKTElement::BeginDestruction() {
    if (m_bDestroying) return;
    m_bDestroying = 1;
    if (CKTElement* pParent = m_pParent) {
        if (pParent->m_bDestroying)
            pParent->UnlinkChild(this);
        else
            pParent->RemoveChild(this, TRUE);
    }
}

// ---- tree ---------------------------------------------------------------------------------------

BOOL CKTElement::AppendChild(CKTElement* pChild, BOOL bReflow) { return InsertChild(pChild, GetLastChild(), bReflow); }

BOOL CKTElement::PrependChild(CKTElement* pChild, BOOL bReflow) { return InsertChild(pChild, nullptr, bReflow); }

BOOL CKTElement::InsertChild(CKTElement* pChild, CKTElement* pAfter, BOOL /*bReflow*/) {
    if (!pChild || pChild->m_pParent || pChild->m_pPrevSibling || pChild->m_pNextSibling) return FALSE;
    if (pAfter && pAfter->m_pParent != this) return FALSE;
    for (const CKTElement* p = this; p; p = p->m_pParent)
        if (p == pChild) return FALSE;  // would make a cycle

    if (pAfter) {
        pChild->m_pPrevSibling = pAfter;
        pChild->m_pNextSibling = pAfter->m_pNextSibling;
        if (pAfter->m_pNextSibling) pAfter->m_pNextSibling->m_pPrevSibling = pChild;
        pAfter->m_pNextSibling = pChild;
    } else {
        pChild->m_pNextSibling = m_pFirstChild;
        if (m_pFirstChild) m_pFirstChild->m_pPrevSibling = pChild;
        m_pFirstChild = pChild;
    }
    pChild->m_pParent = this;
    s_nTreeEdits++;
    pChild->InvalidateAbsPosition();
    InvalidateBounds();
    return TRUE;
}

BOOL CKTElement::RemoveChild(CKTElement* pChild, BOOL /*bReflow*/) {
    if (!pChild || pChild->m_pParent != this) return FALSE;
    UnlinkChild(pChild);
    return TRUE;
}

void CKTElement::UnlinkChild(CKTElement* pChild) {
    if (pChild->m_pPrevSibling)
        pChild->m_pPrevSibling->m_pNextSibling = pChild->m_pNextSibling;
    else
        m_pFirstChild = pChild->m_pNextSibling;
    if (pChild->m_pNextSibling) pChild->m_pNextSibling->m_pPrevSibling = pChild->m_pPrevSibling;
    pChild->m_pParent = nullptr;
    pChild->m_pPrevSibling = nullptr;
    pChild->m_pNextSibling = nullptr;
    s_nTreeEdits++;
    pChild->InvalidateAbsPosition();
    InvalidateBounds();
}

CKTElement* CKTElement::GetLastChild() const {
    CKTElement* p = m_pFirstChild;
    if (!p) return nullptr;
    while (p->m_pNextSibling) p = p->m_pNextSibling;
    return p;
}

int CKTElement::GetChildCount() const {
    int n = 0;
    for (const CKTElement* p = m_pFirstChild; p; p = p->m_pNextSibling) n++;
    return n;
}

CKTElement* CKTElement::GetChildAt(int i) const {
    if (i < 0) return nullptr;
    CKTElement* p = m_pFirstChild;
    while (p && i-- > 0) p = p->m_pNextSibling;
    return p;
}

CKTElement* CKTElement::FindRelative(int nKind) {
    const unsigned nWanted = static_cast<unsigned>(nKind);
    int nDirection = 0;  // -1 up, +1 down: a walk that has to turn back finds nothing
    for (CKTElement* p = this; p;) {
        const unsigned nHere = static_cast<unsigned>(p->m_nKind);
        if (nHere == nWanted) return p;
        if (nHere > nWanted) {
            if (nDirection > 0) return nullptr;
            nDirection = -1;
            p = p->m_pParent;
        } else {
            if (nDirection < 0) return nullptr;
            nDirection = 1;
            p = p->m_pFirstChild;
        }
    }
    return nullptr;
}

void CKTElement::Die(BOOL bReflow, BOOL bRemoveEmptyParents) {
    if (m_bDestroying) return;
    CKTBook* pBook = g_pCurrentBook;
    if (pBook && static_cast<CKTElement*>(pBook->GetRoot()) == this) return;  // the book owns its root
    if (CKTElement* pParent = m_pParent) {
        pParent->RemoveChild(this, bReflow);
        if (bRemoveEmptyParents && !pParent->m_pFirstChild && pParent->m_nKind != KIND_TEXT)
            pParent->Die(bReflow, bRemoveEmptyParents);
    }
    TellBehaviorsDying();
    if (pBook) {
        pBook->NotifyElementGone(this);
        pBook->AddMoribund(this);
    }
}

void CKTElement::TellBehaviorsDying() {
    if (m_behaviors.IsEmpty()) return;
    // A behaviour's notice detaches it (removing its link) and may detach or delete others: walk a
    // snapshot and tell only those still linked.
    std::vector<CKTBehavior*> snapshot;
    snapshot.reserve(static_cast<size_t>(m_behaviors.GetCount()));
    for (POSITION pos = m_behaviors.GetHeadPosition(); pos;) snapshot.push_back(m_behaviors.GetNext(pos).m_pBehavior);
    for (CKTBehavior* pBehavior : snapshot)
        if (pBehavior && HasBehavior(pBehavior)) pBehavior->OnElementDying(this);
}

// ---- geometry -----------------------------------------------------------------------------------

void CKTElement::MoveBy(CKTVector delta) {
    m_vPosition += delta;
    m_vAbsPosition += delta;
    m_bAbsBoundsValid = 0;
    if (m_pParent) m_pParent->InvalidateBounds();
    for (CKTElement* p = m_pFirstChild; p; p = p->m_pNextSibling) p->InvalidateAbsPosition();
}

CPoint CKTElement::GetPoint() const { return CPoint(TruncToInt(m_vPosition.x), TruncToInt(m_vPosition.y)); }

CKTVector CKTElement::GetAbsolutePosition() {
    if (!m_bAbsPositionValid) UpdateAbsPosition();
    return m_vAbsPosition;
}

CPoint CKTElement::GetAbsolutePoint() {
    CKTVector v = GetAbsolutePosition();
    return CPoint(TruncToInt(v.x), TruncToInt(v.y));
}

void CKTElement::UpdateAbsPosition() {
    CKTVector vOrigin;
    if (m_pParent) vOrigin = m_pParent->GetAbsolutePosition();
    m_vAbsPosition = vOrigin + m_vPosition;
    m_bAbsPositionValid = 1;
    m_bAbsBoundsValid = 0;
}

void CKTElement::InvalidateAbsPosition() {
    m_bAbsPositionValid = 0;
    m_bAbsBoundsValid = 0;
    for (CKTElement* p = m_pFirstChild; p; p = p->m_pNextSibling) p->InvalidateAbsPosition();
}

void CKTElement::InvalidateBounds() {
    m_bBoundsValid = 0;
    m_bAbsBoundsValid = 0;
    // Each step clears a flag before it climbs, so even a cyclic parent chain (a file being read)
    // ends.
    for (CKTElement* p = m_pParent; p && p->m_bBoundsValid; p = p->m_pParent) {
        p->m_bBoundsValid = 0;
        p->m_bAbsBoundsValid = 0;
    }
}

CRect CKTElement::GetBounds() {
    if (!m_bBoundsValid) RecalcBounds();
    return m_rcBounds;
}

CRect CKTElement::MakeAbsoluteBounds() {
    const CRect rc = Offset(GetBounds(), GetAbsolutePoint());
    m_rcAbsBounds = rc;
    m_bAbsBoundsValid = m_bBoundsValid && m_bAbsPositionValid ? 1 : 0;
    return rc;
}

int CKTElement::GetWidth() {
    const CRect rc = GetBounds();
    return Saturate(static_cast<long long>(rc.right) - rc.left);
}

int CKTElement::GetHeight() {
    const CRect rc = GetBounds();
    return Saturate(static_cast<long long>(rc.bottom) - rc.top);
}

CPoint CKTElement::GetCenter() {
    const CRect rc = GetAbsoluteBounds();
    return CPoint(static_cast<int>((static_cast<long long>(rc.left) + rc.right) / 2),
                  static_cast<int>((static_cast<long long>(rc.top) + rc.bottom) / 2));
}

CKTVector CKTElement::GetPositionVector() {
    CPoint pt = GetCenter();
    return CKTVector(pt.x, pt.y, 0.0);
}

void CKTElement::RecalcBounds() { BoundChildren(FALSE); }

void CKTElement::BoundChildren(BOOL bGraphicWordsOnly) {
    CRect rc(0, 0, 0, 0);
    BOOL bFirst = TRUE;
    for (CKTElement* p = m_pFirstChild; p; p = p->m_pNextSibling) {
        if (!bFirst && bGraphicWordsOnly) {
            const CKTElement* pFirstGlyph = p->m_pFirstChild;
            if (!pFirstGlyph || pFirstGlyph->m_nKind != KIND_GLYPH) continue;
            if (!crt::isgraph(static_cast<unsigned char>(static_cast<const CKTGlyph*>(pFirstGlyph)->GetChar())))
                continue;
        }
        const CRect r = ChildRect(p);
        if (bFirst) {
            rc = r;
            bFirst = FALSE;
        } else {
            // A plain minimum and maximum: an empty rectangle still counts (not UnionRect).
            rc.left = std::min(rc.left, r.left);
            rc.top = std::min(rc.top, r.top);
            rc.right = std::max(rc.right, r.right);
            rc.bottom = std::max(rc.bottom, r.bottom);
        }
    }
    m_rcBounds = rc;
    m_bBoundsValid = 1;
    m_bAbsBoundsValid = 0;
}

void CKTElement::Layout(CKTElement* pPrev) {
    if (m_nKind != KIND_GLYPH) {
        BOOL bAllAuto = TRUE;
        for (const CKTElement* p = m_pFirstChild; p; p = p->m_pNextSibling)
            if (!p->m_bAutoLayout) bAllAuto = FALSE;
        CKTElement* pLast = nullptr;
        for (CKTElement* p = m_pFirstChild; p; p = p->m_pNextSibling) {
            p->Layout(bAllAuto ? pLast : nullptr);
            pLast = p;
        }
    }
    if (pPrev) {
        const double dx = pPrev->GetWidth() - (m_vPosition.x - pPrev->m_vPosition.x);
        MoveBy(CKTVector(dx, 0.0, 0.0));
    }
}

void CKTElement::ShiftSiblings(CKTElement* pFirst, double dx, BOOL bStopAtBreak) {
    if (dx == 0.0) return;  // nothing moves
    for (CKTElement* p = pFirst; p; p = p->m_pNextSibling) {
        p->MoveBy(CKTVector(dx, 0.0, 0.0));
        if (bStopAtBreak && StartsWithBreak(p)) break;
    }
}

BOOL CKTElement::StartsWithBreak(const CKTElement* pWord) {
    const CKTElement* p = pWord->m_pFirstChild;
    return p && p->m_nKind == KIND_GLYPH && static_cast<const CKTGlyph*>(p)->GetChar() == 13 ? TRUE : FALSE;
}

// ---- appearance ---------------------------------------------------------------------------------

void CKTElement::SetFont(LOGFONT lf) {
    m_logFont = lf;
    m_bAutoLayout = 0;
    ASSERT(!g_pCurrentBook || !g_pCurrentBook->IsDrawing());
    if (m_pRenderer) m_pRenderer->SetFont(lf);
    for (CKTElement* p = m_pFirstChild; p; p = p->m_pNextSibling) {
        const BYTE bAuto = p->m_bAutoLayout;
        p->SetFont(lf);
        p->m_bAutoLayout = bAuto;
    }
    if (m_nKind != KIND_GLYPH) Layout(nullptr);
    InvalidateBounds();
}

void CKTElement::SetFontSize(int nPoints) {
    m_logFont.lfHeight = nPoints * 10;
    m_bAutoLayout = 0;
    for (CKTElement* p = m_pFirstChild; p; p = p->m_pNextSibling) {
        const BYTE bAuto = p->m_bAutoLayout;
        p->SetFontSize(nPoints);
        p->m_bAutoLayout = bAuto;
    }
    if (m_pRenderer) {
        m_pRenderer->SetPointSize(nPoints);
        m_pRenderer->SetFont(m_logFont);
    }
    if (m_nKind != KIND_GLYPH) Layout(nullptr);
    InvalidateBounds();
}

void CKTElement::SetColor(COLORREF cr) {
    m_crColor = cr;
    if (m_pRenderer) m_pRenderer->SetColor(cr);
    for (CKTElement* p = m_pFirstChild; p; p = p->m_pNextSibling) p->SetColor(cr);
}

// ---- renderer -----------------------------------------------------------------------------------

BOOL CKTElement::SetRenderer(CKTElementRenderer* p, BOOL bFlag) { return InstallRenderer(p, bFlag, nullptr); }

BOOL CKTElement::InstallRenderer(CKTElementRenderer* p, BOOL bFlag, const char* pChar) {
    if (m_pParent && !m_pParent->AllowsChildRenderers()) return FALSE;
    if (m_pRenderer != p) {
        CKTElementRenderer* pOld = m_pRenderer;
        m_pRenderer = nullptr;
        delete pOld;
    }
    m_pRenderer = p;
    if (p) {
        p->SetFont(m_logFont);
        p->SetPointSize(m_logFont.lfHeight / 10);
        p->SetColor(m_crColor);
        if (pChar) p->SetChar(*pChar);
        p->SetElement(this, bFlag ? 1 : 0);
    }
    InvalidateBounds();
    return TRUE;
}

int CKTElement::GetRendererType() const { return m_pRenderer ? m_pRenderer->GetType() : 0; }

BOOL CKTElement::AllowsChildRenderers() const {
    if (!m_pParent) return TRUE;
    if (!m_pParent->AllowsChildRenderers()) return FALSE;
    return m_pRenderer ? m_pRenderer->AllowsChildRenderers() : TRUE;
}

// ---- behaviour links ----------------------------------------------------------------------------

BOOL CKTElement::AddBehavior(CKTBehavior* pBehavior, DWORD dwFlag) {
    const CKTBehaviorLink link{pBehavior, dwFlag};
    if (m_behaviors.Find(link)) return FALSE;
    m_behaviors.AddTail(link);
    return TRUE;
}

BOOL CKTElement::RemoveBehavior(CKTBehavior* pBehavior) {
    for (POSITION pos = m_behaviors.GetHeadPosition(); pos;) {
        POSITION cur = pos;
        if (m_behaviors.GetNext(pos).m_pBehavior == pBehavior) {
            m_behaviors.RemoveAt(cur);
            return TRUE;
        }
    }
    return FALSE;
}

BOOL CKTElement::HasBehavior(const CKTBehavior* pBehavior) const {
    for (POSITION pos = m_behaviors.GetHeadPosition(); pos;)
        if (m_behaviors.GetNext(pos).m_pBehavior == pBehavior) return TRUE;
    return FALSE;
}

// ---- property slots and collisions --------------------------------------------------------------

void CKTElement::SetProp(int nId, CKTBhvrProp* pProp) {
    if (nId < 0 || nId >= m_props.GetSize()) return;
    m_props.SetAt(nId, pProp);
    s_nSlotEdits++;
}

// ---- stored form --------------------------------------------------------------------------------

void CKTElement::Serialize(CArchive& ar) {
    CKTComponent::Serialize(ar);
    if (ar.IsStoring()) {
        ar << m_pParent << m_pFirstChild << m_pPrevSibling << m_pNextSibling;
        ar << static_cast<const RECT&>(m_rcBounds);
        ar.WriteFlag(m_bBoundsValid);
        ar << static_cast<DWORD>(m_nKind);
        ar << m_vPosition.x << m_vPosition.y << m_vPosition.z;
        ar << m_vAbsPosition.x << m_vAbsPosition.y << m_vAbsPosition.z;
        ar.WriteFlag(m_bAbsPositionValid);
        ar << static_cast<DWORD>(m_crColor);
        ar << m_logFont.lfHeight << m_logFont.lfWidth << m_logFont.lfEscapement << m_logFont.lfOrientation
           << m_logFont.lfWeight;
        ar << m_logFont.lfItalic << m_logFont.lfUnderline << m_logFont.lfStrikeOut << m_logFont.lfCharSet
           << m_logFont.lfOutPrecision << m_logFont.lfClipPrecision << m_logFont.lfQuality
           << m_logFont.lfPitchAndFamily;
        const size_t nFace = strnlen(m_logFont.lfFaceName, kMaxFaceName);
        ar << static_cast<LONG>(nFace);
        ar.Write(m_logFont.lfFaceName, static_cast<UINT>(nFace));
        ar.WriteFlag(m_bAutoLayout);
        ar << m_pRenderer;
        ar.WriteCount(static_cast<DWORD_PTR>(m_behaviors.GetCount()));
        for (POSITION pos = m_behaviors.GetHeadPosition(); pos;) {
            const CKTBehaviorLink& link = m_behaviors.GetNext(pos);
            ar << link.m_pBehavior << static_cast<DWORD>(link.m_dwFlag);
        }
        m_props.Serialize(ar);
        return;
    }

    ar >> m_pParent >> m_pFirstChild >> m_pPrevSibling >> m_pNextSibling;
    ar >> static_cast<RECT&>(m_rcBounds);
    m_bBoundsValid = ar.ReadFlag();
    DWORD dwKind;
    ar >> dwKind;
    m_nKind = static_cast<int>(dwKind);
    ar >> m_vPosition.x >> m_vPosition.y >> m_vPosition.z;
    ar >> m_vAbsPosition.x >> m_vAbsPosition.y >> m_vAbsPosition.z;
    m_bAbsPositionValid = ar.ReadFlag();
    m_bAbsBoundsValid = 0;
    DWORD dwColor;
    ar >> dwColor;
    m_crColor = dwColor;
    ar >> m_logFont.lfHeight >> m_logFont.lfWidth >> m_logFont.lfEscapement >> m_logFont.lfOrientation >>
        m_logFont.lfWeight;
    ar >> m_logFont.lfItalic >> m_logFont.lfUnderline >> m_logFont.lfStrikeOut >> m_logFont.lfCharSet >>
        m_logFont.lfOutPrecision >> m_logFont.lfClipPrecision >> m_logFont.lfQuality >> m_logFont.lfPitchAndFamily;
    DWORD dwFace;
    ar >> dwFace;
    ar.RequireBytes(dwFace);
    std::memset(m_logFont.lfFaceName, 0, sizeof m_logFont.lfFaceName);
    const UINT nKeep = static_cast<UINT>(std::min<DWORD>(dwFace, kMaxFaceName));
    ar.Read(m_logFont.lfFaceName, nKeep);
    for (DWORD nSkip = dwFace - nKeep; nSkip > 0;) {  // characters past the field are dropped
        char scratch[256];
        const UINT n = static_cast<UINT>(std::min<DWORD>(nSkip, sizeof scratch));
        ar.Read(scratch, n);
        nSkip -= n;
    }
    m_bAutoLayout = ar.ReadFlag();
    ar >> m_pRenderer;
    if (m_pRenderer) {
        // The stored bounds were measured on the machine that wrote the file: the font push makes
        // them stale, so they are measured again here.
        m_pRenderer->SetFont(m_logFont);
        m_pRenderer->SetColor(m_crColor);
    }
    const DWORD nLinks = ar.ReadCount();
    ar.RequireBytes(static_cast<ULONGLONG>(nLinks) * 6);  // each link: a 2-byte reference at least, a flag
    for (DWORD i = 0; i < nLinks; i++) {
        CKTBehavior* pBehavior = nullptr;
        DWORD dwFlag;
        ar >> pBehavior >> dwFlag;
        m_behaviors.AddTail(CKTBehaviorLink{pBehavior, dwFlag});
    }
    m_props.Serialize(ar);
    if (m_props.GetSize() < PROP_COUNT) m_props.SetSize(PROP_COUNT);
    s_nSlotEdits++;
}

void CKTElement::ForgetLinks() {
    CKTComponent::ForgetLinks();
    m_pParent = nullptr;
    m_pFirstChild = nullptr;
    m_pPrevSibling = nullptr;
    m_pNextSibling = nullptr;
    m_pRenderer = nullptr;
    m_behaviors.RemoveAll();
    m_collisions.clear();
    for (INT_PTR i = 0; i < m_props.GetSize(); i++) m_props[i] = nullptr;
    s_nSlotEdits++;
}
