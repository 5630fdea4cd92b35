#include "kinetype/kt1dcollisiondetbhvr.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "kinetype/ktbhvrptrbhvrprop.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktphysics.h"
#include "kinetype/kttext.h"

IMPLEMENT_SERIAL(CKT1DCollisionDetBhvr, CKTBehavior, 0)

CKT1DCollisionDetBhvr::CKT1DCollisionDetBhvr() : CKTBehavior(BHVR_1DCOLLISIONDET) {
    if (g_bLoading) return;
    m_events.Add({EV_PRESTEP, 1});
    m_elemPropReqs.Add({PROP_SWEEP_OPEN, PROPTYPE_BOOL});
    m_bookPropReqs.Add({BOOKPROP_COLLISION_DETECTOR, PROPTYPE_BHVRPTR});
    AcquireBookProps();
    CKTBhvrPtrBhvrProp* pSlot = CKTBhvrPtrBhvrProp::Cast(GetBook()->GetBookProp(BOOKPROP_COLLISION_DETECTOR));
    ASSERT(pSlot != nullptr);
    if (pSlot) pSlot->SetValue(this);
}

CKT1DCollisionDetBhvr::~CKT1DCollisionDetBhvr() {
    ReleaseLists();  // no sweep fills them any more
    for (INT_PTR i = 0; i < m_edges.GetSize(); i++) delete m_edges.GetAt(i);
    m_edges.RemoveAll();
    m_active.RemoveAll();
    m_open.clear();
}

CString CKT1DCollisionDetBhvr::GetName() const { return CString("1D Collision Detection"); }

void CKT1DCollisionDetBhvr::OnEvent(int nEvent) {
    if (nEvent != EV_PRESTEP) return;
    // SortEdges then Sweep, with each element's bounds taken once for both (nothing moves between).
    TakeBounds();
    SortKeyed();
    SweepKeyed();
}

BOOL CKT1DCollisionDetBhvr::IsEdgeAfter(const CKT1DCollEdge* a, const CKT1DCollEdge* b) {
    return a->GetCoordinate() > b->GetCoordinate() ? TRUE : FALSE;
}

// The left edge goes in front of the first edge whose coordinate is not below its own; the right edge
// in front of the first edge from there on (the left edge included) whose coordinate is not below its
// own. So an element of zero width gets its right edge in front of its left edge.
BOOL CKT1DCollisionDetBhvr::AddElement(CKTElement* pElement) {
    if (!CKTBehavior::AddElement(pElement)) return FALSE;
    CKT1DCollEdge* pLeft = new CKT1DCollEdge(pElement, FALSE);
    CKT1DCollEdge* pRight = new CKT1DCollEdge(pElement, TRUE);
    pLeft->m_pPartner = pRight;
    pRight->m_pPartner = pLeft;
    INT_PTR n = m_edges.GetSize();
    int nLeft = pLeft->GetCoordinate();
    INT_PTR i = 0;
    while (i < n && nLeft > m_edges.GetAt(i)->GetCoordinate()) i++;
    if (i == n) {
        m_edges.Add(pLeft);
        m_edges.Add(pRight);
        return TRUE;
    }
    m_edges.InsertAt(i, pLeft);
    int nRight = pRight->GetCoordinate();
    INT_PTR j = i;
    while (j < n + 1 && nRight > m_edges.GetAt(j)->GetCoordinate()) j++;
    if (j < n + 1)
        m_edges.InsertAt(j, pRight);
    else
        m_edges.Add(pRight);
    return TRUE;
}

BOOL CKT1DCollisionDetBhvr::RemoveElement(CKTElement* pElement) {
    BOOL bRemoved = CKTBehavior::RemoveElement(pElement);
    if (!bRemoved) return FALSE;
    int nFound = 0;
    for (INT_PTR i = 0; i < m_edges.GetSize() && nFound < 2;) {
        CKT1DCollEdge* pEdge = m_edges.GetAt(i);
        if (pEdge->m_pElement != pElement) {
            i++;
            continue;
        }
        delete pEdge;
        m_edges.RemoveAt(i, 1);
        nFound++;
    }
    return TRUE;
}

void CKT1DCollisionDetBhvr::TakeBounds() {
    if (++m_nPass == 0) m_nPass = 1;  // 0 marks records no pass has seen yet
    const unsigned nPass = m_nPass;
    m_nIds = 0;
    INT_PTR n = m_edges.GetSize();
    m_keyed.resize(static_cast<size_t>(n));
    for (INT_PTR i = 0; i < n; i++) {
        CKT1DCollEdge* pEdge = m_edges.GetAt(i);
        if (pEdge->m_nPass != nPass) {
            CKTElement* pElement = pEdge->m_pElement;
            pEdge->m_rcBounds = pElement ? pElement->GetAbsoluteBounds() : CRect();
            pEdge->m_pParent = pElement ? pElement->GetParent() : nullptr;
            pEdge->m_pGrandparent = pEdge->m_pParent ? pEdge->m_pParent->GetParent() : nullptr;
            pEdge->m_nPass = nPass;
            pEdge->m_nId = m_nIds++;
            if (CKT1DCollEdge* pPartner = pEdge->m_pPartner) {
                pPartner->m_rcBounds = pEdge->m_rcBounds;
                pPartner->m_pParent = pEdge->m_pParent;
                pPartner->m_pGrandparent = pEdge->m_pGrandparent;
                pPartner->m_nPass = nPass;
                pPartner->m_nId = pEdge->m_nId;
            }
        }
        const CRect& rc = pEdge->m_rcBounds;
        m_keyed[static_cast<size_t>(i)] = {pEdge->m_bRightEdge ? rc.right : rc.left, pEdge,
                                           {pEdge->m_pElement, pEdge->m_pParent, pEdge->m_pGrandparent, rc, pEdge->m_nId}};
    }
}

void CKT1DCollisionDetBhvr::SortEdges() {
    TakeBounds();
    SortKeyed();
}

// Stable: an edge moves left only past edges with a strictly greater coordinate.
void CKT1DCollisionDetBhvr::SortKeyed() {
    for (size_t i = 1; i < m_keyed.size(); i++) {
        if (m_keyed[i - 1].nKey <= m_keyed[i].nKey) continue;
        CKeyed item = m_keyed[i];
        size_t j = i;
        while (j > 0 && m_keyed[j - 1].nKey > item.nKey) {
            m_keyed[j] = m_keyed[j - 1];
            j--;
        }
        m_keyed[j] = item;
    }
    for (size_t i = 0; i < m_keyed.size(); i++) m_edges.SetAt(static_cast<INT_PTR>(i), m_keyed[i].pEdge);
}

// Empties the collision lists of this detector's elements, their parents and grandparents: the lists
// the sweep fills. Another detector's lists are not touched.
//
// A list filled by an earlier sweep that no sweep fills any more (its element left the detector, or
// moved to another parent) would keep naming elements that may be deleted since; it is emptied too,
// unless another running detector of the book reaches it (that one clears and fills it). The
// elements reached last time are remembered in m_domain; those gone since (OnElementGone) are
// skipped, never read.
void CKT1DCollisionDetBhvr::ClearCollisionLists() {
    static unsigned s_nMark = 0;
    if (++s_nMark == 0) s_nMark = 1;  // 0 marks elements no pass has reached
    const unsigned nMark = s_nMark;
    m_reached.clear();
    auto Reach = [&](CKTElement* p) {
        p->ClearCollisions();
        if (p->m_nDetectorMark == nMark) return;
        p->m_nDetectorMark = nMark;
        m_reached.push_back(p);
    };
    for (POSITION pos = m_elements.GetHeadPosition(); pos;) {
        CKTElement* pElement = m_elements.GetNext(pos);
        Reach(pElement);
        if (CKTElement* pParent = pElement->GetParent()) {
            Reach(pParent);
            if (CKTElement* pGrandparent = pParent->GetParent()) Reach(pGrandparent);
        }
    }
    for (CKTElement* p : m_domain) {
        if (!m_gone.empty() && m_gone.count(p)) continue;
        if (p->m_nDetectorMark == nMark || !p->IsColliding()) continue;
        if (!IsReachedByAnotherDetector(p)) p->ClearCollisions();
    }
    m_gone.clear();
    m_domain.swap(m_reached);
    m_reached.clear();
}

BOOL CKT1DCollisionDetBhvr::IsReachedByAnotherDetector(const CKTElement* pElement) const {
    CKTBook* pBook = g_pCurrentBook;
    if (!pBook) return FALSE;
    for (POSITION pos = pBook->GetFirstBehaviorPosition(); pos;) {
        const CKTBehavior* pOther = pBook->GetNextBehavior(pos);
        if (pOther == this || !pOther || !pOther->IsRunning() || !pOther->IsKindOf(RUNTIME_CLASS(CKT1DCollisionDetBhvr)))
            continue;
        if (pElement->HasBehavior(pOther)) return TRUE;
        for (const CKTElement* c = pElement->GetFirstChild(); c; c = c->GetNextSibling()) {
            if (c->HasBehavior(pOther)) return TRUE;
            for (const CKTElement* g = c->GetFirstChild(); g; g = g->GetNextSibling())
                if (g->HasBehavior(pOther)) return TRUE;
        }
    }
    return FALSE;
}

// While the detector runs, the next sweep skips the element. While it is stopped no sweep comes, and
// the lists it filled could go on naming the element after it is deleted: they are emptied now.
void CKT1DCollisionDetBhvr::OnElementGone(CKTElement* pElement) {
    if (m_domain.empty()) return;
    m_gone.insert(pElement);
    if (!IsRunning()) ReleaseLists();
}

void CKT1DCollisionDetBhvr::ReleaseLists() {
    for (CKTElement* p : m_domain)
        if (!m_gone.count(p) && p->IsColliding() && !IsReachedByAnotherDetector(p)) p->ClearCollisions();
    m_domain.clear();
    m_gone.clear();
}

void CKT1DCollisionDetBhvr::Sweep() {
    TakeBounds();
    SweepKeyed();
}

// Each edge toggles its element, whether it is a left or a right edge: the first opens it, the second
// closes it. The open state lives in m_slotOf, not in the elements' PROP_SWEEP_OPEN flags: a flag left
// set by a file cannot disturb a sweep, and the flags stay as every complete sweep leaves them, FALSE.
// A closing element's entry in m_open is only marked (no element, an empty rectangle, which meets
// nothing); the marks are squeezed out, keeping the order, when they outnumber the open elements.
void CKT1DCollisionDetBhvr::SweepKeyed() {
    ClearCollisionLists();
    m_open.clear();
    m_slotOf.assign(static_cast<size_t>(m_nIds), -1);
    size_t nClosed = 0;
    for (const CKeyed& keyed : m_keyed) {
        const COpen& element = keyed.element;
        if (!element.pElement) continue;
        int& nSlot = m_slotOf[static_cast<size_t>(element.nId)];
        if (nSlot < 0) {
            TestAgainstOpen(element);
            nSlot = static_cast<int>(m_open.size());
            m_open.push_back(element);
            continue;
        }
        m_open[static_cast<size_t>(nSlot)] = COpen{};
        nSlot = -1;
        if (++nClosed * 2 <= m_open.size()) continue;
        m_open.erase(std::remove_if(m_open.begin(), m_open.end(), [](const COpen& o) { return !o.pElement; }),
                     m_open.end());
        for (size_t k = 0; k < m_open.size(); k++) m_slotOf[static_cast<size_t>(m_open[k].nId)] = static_cast<int>(k);
        nClosed = 0;
    }
    m_open.clear();
}

void CKT1DCollisionDetBhvr::TestAgainstActive(CKTElement* pElement) {
    CKTElement* pParent = pElement->GetParent();
    TestAgainstOpen({pElement, pParent, pParent ? pParent->GetParent() : nullptr, pElement->GetAbsoluteBounds(), -1});
}

void CKT1DCollisionDetBhvr::TestAgainstOpen(const COpen& e) {
    for (const COpen& a : m_open) {
        // Not empty intersection: rectangles that only share an edge do not collide. (y first: the
        // open elements all span the current x.)
        LONG t = e.rc.top > a.rc.top ? e.rc.top : a.rc.top;
        LONG b = e.rc.bottom < a.rc.bottom ? e.rc.bottom : a.rc.bottom;
        if (t >= b) continue;
        LONG l = e.rc.left > a.rc.left ? e.rc.left : a.rc.left;
        LONG r = e.rc.right < a.rc.right ? e.rc.right : a.rc.right;
        if (l >= r) continue;
        e.pElement->AddCollision(a.pElement);
        a.pElement->AddCollision(e.pElement);
        if (a.pParent == e.pParent) continue;
        if (a.pParent) a.pParent->AddCollision(e.pElement);
        if (e.pParent) e.pParent->AddCollision(a.pElement);
        if (a.pGrandparent == e.pGrandparent) continue;
        if (a.pGrandparent) a.pGrandparent->AddCollision(e.pElement);
        if (e.pGrandparent) e.pGrandparent->AddCollision(a.pElement);
    }
}

void CKT1DCollisionDetBhvr::Serialize(CArchive& ar) {
    CKTBehavior::Serialize(ar);
    m_edges.Serialize(ar);
    m_active.Serialize(ar);
    if (ar.IsLoading()) {
        m_active.RemoveAll();
        LinkPartners();
    }
}

void CKT1DCollisionDetBhvr::LinkPartners() {
    std::unordered_map<const CKTElement*, CKT1DCollEdge*> first;
    for (INT_PTR i = 0; i < m_edges.GetSize(); i++) {
        CKT1DCollEdge* pEdge = m_edges.GetAt(i);
        if (!pEdge || !pEdge->m_pElement) continue;
        auto [it, bNew] = first.emplace(pEdge->m_pElement, pEdge);
        if (bNew || it->second->m_pPartner) continue;  // a third edge (rejected by the load check) stays alone
        it->second->m_pPartner = pEdge;
        pEdge->m_pPartner = it->second;
    }
}

void CKT1DCollisionDetBhvr::ForgetLinks() {
    m_edges.RemoveAll();
    m_active.RemoveAll();
    m_open.clear();
    CKTBehavior::ForgetLinks();
}

BOOL CKT1DCollisionDetBhvr::CheckLoadedLinks(const CKTOwnership& owned) const {
    std::unordered_map<const CKTElement*, int> edgesOf;
    for (POSITION pos = m_elements.GetHeadPosition(); pos;) edgesOf[m_elements.GetNext(pos)] = 0;
    std::unordered_set<const CKT1DCollEdge*> mine;
    for (INT_PTR i = 0; i < m_edges.GetSize(); i++) {
        const CKT1DCollEdge* pEdge = m_edges.GetAt(i);
        if (!pEdge || !mine.insert(pEdge).second) return FALSE;
        auto it = edgesOf.find(pEdge->m_pElement);
        if (it == edgesOf.end() || ++it->second > 2) return FALSE;
    }
    // The edge records are owned by their detector alone: none may be listed by another one.
    for (POSITION pos = GetBook()->GetFirstBehaviorPosition(); pos;) {
        const CKTBehavior* pOther = GetBook()->GetNextBehavior(pos);
        if (pOther == this || !pOther || !pOther->IsKindOf(RUNTIME_CLASS(CKT1DCollisionDetBhvr))) continue;
        const CKT1DCollisionDetBhvr* pDet = static_cast<const CKT1DCollisionDetBhvr*>(pOther);
        for (INT_PTR i = 0; i < pDet->m_edges.GetSize(); i++)
            if (mine.count(pDet->m_edges.GetAt(i))) return FALSE;
    }
    return CKTBehavior::CheckLoadedLinks(owned);
}
