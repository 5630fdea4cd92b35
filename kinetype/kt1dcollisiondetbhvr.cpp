#include "kinetype/kt1dcollisiondetbhvr.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "kinetype/ktbhvrptrbhvrprop.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktphysics.h"
#include "kinetype/kttext.h"

IMPLEMENT_SERIAL(CKT1DCollisionDetBhvr, CKTBehavior, 0)

namespace {

// Bands of y: at most this many, and an element spanning more than kTallBands of them is kept apart
// (tested by every query) rather than filed in each.
constexpr int64_t kMaxBands = 1 << 16;
constexpr int kTallBands = 8;
constexpr int64_t kMinBandHeight = 8;
// Room kept between sweeps: a band list (or the band array) whose peak use in a sweep stays below a
// quarter of its capacity for kRoomySweeps sweeps in a row is shrunk to twice that peak. Lists of at
// most kKeptRoom entries are left alone (a few hundred bytes each).
constexpr uint32_t kRoomySweeps = 64;
constexpr size_t kKeptRoom = 16;
constexpr size_t kRoomFactor = 4;

}  // namespace

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
}

CString CKT1DCollisionDetBhvr::GetName() const { return CString("1D Collision Detection"); }

void CKT1DCollisionDetBhvr::OnEvent(int nEvent) {
    if (nEvent != EV_PRESTEP) return;
    // SortEdges then Sweep, with each element's bounds taken once for both (nothing moves between),
    // and the lists emptied while the elements are at hand (nothing reads them before the sweep).
    TakeBounds(TRUE);
    SortKeyed();
    SweepKeyed(FALSE);
}

BOOL CKT1DCollisionDetBhvr::IsEdgeAfter(const CKT1DCollEdge* a, const CKT1DCollEdge* b) {
    return a->GetCoordinate() > b->GetCoordinate() ? TRUE : FALSE;
}

// ---- the edge array and its mirror ------------------------------------------------------------------

// The left edge goes in front of the first edge whose coordinate is not below its own; the right edge
// in front of the first edge from there on (the left edge included) whose coordinate is not below its
// own. So an element of zero width gets its right edge in front of its left edge.
BOOL CKT1DCollisionDetBhvr::AddElement(CKTElement* pElement) {
    if (!CKTBehavior::AddElement(pElement)) return FALSE;
    MirrorEdges();
    Changed();
    CKT1DCollEdge* pLeft = new CKT1DCollEdge(pElement, FALSE);
    CKT1DCollEdge* pRight = new CKT1DCollEdge(pElement, TRUE);
    pLeft->m_pPartner = pRight;
    pRight->m_pPartner = pLeft;
    const int nItem = NewItem(pElement, 2);
    const INT_PTR n = m_edges.GetSize();
    const int nLeft = pLeft->GetCoordinate();
    INT_PTR i = 0;
    while (i < n && nLeft > m_edges.GetAt(i)->GetCoordinate()) i++;
    if (i == n) {
        m_edges.Add(pLeft);
        m_edges.Add(pRight);
        m_keyed.push_back({0, nItem, 0, pLeft});
        m_keyed.push_back({0, nItem, 1, pRight});
        return TRUE;
    }
    m_edges.InsertAt(i, pLeft);
    m_keyed.insert(m_keyed.begin() + i, CKeyed{0, nItem, 0, pLeft});
    const int nRight = pRight->GetCoordinate();
    INT_PTR j = i;
    while (j < n + 1 && nRight > m_edges.GetAt(j)->GetCoordinate()) j++;
    if (j < n + 1)
        m_edges.InsertAt(j, pRight);
    else
        m_edges.Add(pRight);
    m_keyed.insert(m_keyed.begin() + j, CKeyed{0, nItem, 1, pRight});
    return TRUE;
}

BOOL CKT1DCollisionDetBhvr::RemoveElement(CKTElement* pElement) {
    BOOL bRemoved = CKTBehavior::RemoveElement(pElement);
    if (!bRemoved) return FALSE;
    MirrorEdges();
    Changed();
    int nFound = 0;
    for (size_t i = 0; i < m_keyed.size() && nFound < 2;) {
        const int nItem = m_keyed[i].nItem;
        if (m_items[static_cast<size_t>(nItem)] != pElement) {
            i++;
            continue;
        }
        delete m_keyed[i].pEdge;
        m_edges.RemoveAt(static_cast<INT_PTR>(i), 1);
        m_keyed.erase(m_keyed.begin() + static_cast<std::ptrdiff_t>(i));
        nFound++;
        // The item goes once no edge names it (an element loaded with unpaired edges has one each).
        if (--m_itemEdges[static_cast<size_t>(nItem)] == 0) {
            m_items[static_cast<size_t>(nItem)] = nullptr;
            m_freeItems.push_back(nItem);
        }
    }
    m_edgeless.erase(std::remove(m_edgeless.begin(), m_edgeless.end(), pElement), m_edgeless.end());
    return TRUE;
}

// A new item with its two edges (or, after a load, with the edges MirrorEdges counts).
int CKT1DCollisionDetBhvr::NewItem(CKTElement* pElement, int nEdges) {
    if (!m_freeItems.empty()) {
        const int nItem = m_freeItems.back();
        m_freeItems.pop_back();
        m_items[static_cast<size_t>(nItem)] = pElement;
        m_itemEdges[static_cast<size_t>(nItem)] = nEdges;
        return nItem;
    }
    m_items.push_back(pElement);
    m_itemEdges.push_back(nEdges);
    return static_cast<int>(m_items.size()) - 1;
}

// After a load (or anything else that leaves m_keyed behind m_edges): one item for each pair of
// partner edges, one for each edge without a partner.
void CKT1DCollisionDetBhvr::MirrorEdges() {
    if (m_keyed.size() == static_cast<size_t>(m_edges.GetSize())) return;
    m_keyed.clear();
    m_items.clear();
    m_itemEdges.clear();
    m_freeItems.clear();
    std::unordered_map<const CKT1DCollEdge*, int> itemOf;
    for (INT_PTR i = 0; i < m_edges.GetSize(); i++) {
        CKT1DCollEdge* pEdge = m_edges.GetAt(i);
        auto it = pEdge->m_pPartner ? itemOf.find(pEdge->m_pPartner) : itemOf.end();
        const int nItem = it != itemOf.end() ? it->second : NewItem(pEdge->m_pElement, 0);
        m_itemEdges[static_cast<size_t>(nItem)]++;
        itemOf[pEdge] = nItem;
        m_keyed.push_back({0, nItem, pEdge->m_bRightEdge ? 1u : 0u, pEdge});
    }
}

void CKT1DCollisionDetBhvr::Changed() { m_bChanged = TRUE; }

// ---- a pass -----------------------------------------------------------------------------------------

// One view per item, bounds taken once (the element's cache), and every edge's coordinate from it.
// With bClear the lists the sweep fills are emptied on the way (see ClearLeftOvers).
void CKT1DCollisionDetBhvr::TakeBounds(BOOL bClear) {
    MirrorEdges();
    m_views.resize(m_items.size());
    for (size_t i = 0; i < m_items.size(); i++) {
        CView& view = m_views[i];
        view.pElement = m_items[i];
        if (!view.pElement) continue;
        view.rc = view.pElement->GetAbsoluteBounds();
        view.pParent = view.pElement->GetParent();
        view.pGrandparent = view.pParent ? view.pParent->GetParent() : nullptr;
        if (!bClear) continue;
        view.pElement->ClearCollisions();
        if (view.pParent) view.pParent->ClearCollisions();
        if (view.pGrandparent) view.pGrandparent->ClearCollisions();
    }
    if (bClear)
        for (CKTElement* p : m_edgeless) p->ClearCollisions();
    for (CKeyed& keyed : m_keyed) {
        const CRect& rc = m_views[static_cast<size_t>(keyed.nItem)].rc;
        keyed.nKey = keyed.bRight ? rc.right : rc.left;
    }
}

void CKT1DCollisionDetBhvr::SortEdges() {
    TakeBounds(FALSE);
    SortKeyed();
}

// Stable: an edge moves left only past edges with a strictly greater coordinate.
void CKT1DCollisionDetBhvr::SortKeyed() {
    size_t nFirstMoved = m_keyed.size(), nLastMoved = 0;
    for (size_t i = 1; i < m_keyed.size(); i++) {
        if (m_keyed[i - 1].nKey <= m_keyed[i].nKey) continue;
        const CKeyed item = m_keyed[i];
        size_t j = i;
        while (j > 0 && m_keyed[j - 1].nKey > item.nKey) {
            m_keyed[j] = m_keyed[j - 1];
            j--;
        }
        m_keyed[j] = item;
        nFirstMoved = std::min(nFirstMoved, j);
        nLastMoved = i;
    }
    for (size_t i = nFirstMoved; i <= nLastMoved && i < m_keyed.size(); i++)
        m_edges.SetAt(static_cast<INT_PTR>(i), m_keyed[i].pEdge);
}

// The sweep fills the collision lists of this detector's elements, their parents and grandparents,
// and empties them first (TakeBounds with bClear; for an attached element without edges, m_edgeless
// holds it, its parent and grandparent). Another detector's lists are not touched.
//
// A list filled by an earlier sweep that no sweep fills any more (its element left the detector, or
// moved to another parent) would keep naming elements that may be deleted since; it is emptied too,
// unless another running detector of the book reaches it (that one clears and fills it). The
// elements reached last time are remembered in m_domain; those gone since (OnElementGone) are
// skipped, never read. The set can only change when the detector's elements change, an element of
// the book changes parents, or one is gone: otherwise nothing is left over and this does nothing.
void CKT1DCollisionDetBhvr::ClearLeftOvers() {
    const uint64_t nTreeEdits = CKTElement::GetTreeEditCount();
    if (!m_bChanged && nTreeEdits == m_nTreeEdits && m_gone.empty()) return;
    m_bChanged = FALSE;
    m_nTreeEdits = nTreeEdits;
    static unsigned s_nMark = 0;
    if (++s_nMark == 0) s_nMark = 1;  // 0 marks elements no pass has reached
    const unsigned nMark = s_nMark;
    m_reached.clear();
    auto Reach = [&](CKTElement* p) {
        if (p->m_nDetectorMark == nMark) return;
        p->m_nDetectorMark = nMark;
        m_reached.push_back(p);
    };
    for (const CView& view : m_views) {
        if (!view.pElement) continue;
        Reach(view.pElement);
        if (view.pParent) Reach(view.pParent);
        if (view.pGrandparent) Reach(view.pGrandparent);
    }
    // Attached elements without edges (only a file makes them): their lists, their parents' and
    // grandparents' are emptied each sweep too (m_edgeless).
    m_edgeless.clear();
    for (POSITION pos = m_elements.GetHeadPosition(); pos;) {
        CKTElement* pElement = m_elements.GetNext(pos);
        if (pElement->m_nDetectorMark == nMark) continue;
        CKTElement* pParent = pElement->GetParent();
        CKTElement* pGrandparent = pParent ? pParent->GetParent() : nullptr;
        for (CKTElement* p : {pElement, pParent, pGrandparent}) {
            if (!p) continue;
            p->ClearCollisions();
            m_edgeless.push_back(p);
            Reach(p);
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
    m_edgeless.erase(std::remove(m_edgeless.begin(), m_edgeless.end(), pElement), m_edgeless.end());
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
    TakeBounds(FALSE);
    SweepKeyed(TRUE);
}

// Each edge toggles its element, whether it is a left or a right edge: the first opens it, the second
// closes it. The open state lives in m_openOf, not in the elements' PROP_SWEEP_OPEN flags: a flag left
// set by a file cannot disturb a sweep, and the flags stay as every complete sweep leaves them, FALSE.
void CKT1DCollisionDetBhvr::SweepKeyed(BOOL bClear) {
    if (bClear) {
        for (const CView& view : m_views) {
            if (!view.pElement) continue;
            view.pElement->ClearCollisions();
            if (view.pParent) view.pParent->ClearCollisions();
            if (view.pGrandparent) view.pGrandparent->ClearCollisions();
        }
        for (CKTElement* p : m_edgeless) p->ClearCollisions();
    }
    ClearLeftOvers();
    LayOutBands();
    m_openOf.assign(m_views.size(), COpen{0, 0, 0, FALSE});
    m_nOpened = 0;
    for (const CKeyed& keyed : m_keyed) {
        if (!m_views[static_cast<size_t>(keyed.nItem)].pElement) continue;
        if (m_openOf[static_cast<size_t>(keyed.nItem)].bOpen)
            Close(keyed.nItem);
        else
            Open(keyed.nItem);
    }
    // Between sweeps nothing is open (an element with a single edge stays open to the end).
    for (CBand& band : m_bands) band.EndSweep();
    m_tall.EndSweep();
    // The bands beyond this sweep's stay empty; when they have far outnumbered the bands in use for a
    // while, they go.
    const size_t nUsed = static_cast<size_t>(m_nBands);
    if (m_bands.capacity() > kKeptRoom && m_bands.capacity() > kRoomFactor * nUsed) {
        if (++m_nBandsRoomy >= kRoomySweeps) {
            m_bands.resize(nUsed);
            m_bands.shrink_to_fit();
            m_nBandsRoomy = 0;
        }
    } else {
        m_nBandsRoomy = 0;
    }
}

void CKT1DCollisionDetBhvr::CBand::EndSweep() {
    nPeak = std::max(nPeak, list.size());
    Clear();
    if (list.capacity() > kKeptRoom && list.capacity() > kRoomFactor * nPeak) {
        if (++nRoomy >= kRoomySweeps) {
            std::vector<CFiled> kept;
            kept.reserve(2 * nPeak);
            list.swap(kept);
            nRoomy = 0;
        }
    } else {
        nRoomy = 0;
    }
    nPeak = 0;
}

size_t CKT1DCollisionDetBhvr::GetBandRoom() const {
    size_t n = m_tall.list.capacity();
    for (const CBand& band : m_bands) n += band.list.capacity();
    return n;
}

// The bands cover the y ranges of the views that can meet anything (top < bottom), each band about
// twice as high as those views are on average: an element lies in one or two of them.
void CKT1DCollisionDetBhvr::LayOutBands() {
    int64_t nTop = 0, nBottom = 0, nSum = 0, nCount = 0;
    for (const CView& view : m_views) {
        if (!view.pElement || view.rc.top >= view.rc.bottom) continue;
        if (nCount == 0 || view.rc.top < nTop) nTop = view.rc.top;
        if (nCount == 0 || view.rc.bottom > nBottom) nBottom = view.rc.bottom;
        nSum += static_cast<int64_t>(view.rc.bottom) - view.rc.top;
        nCount++;
    }
    for (CBand& band : m_bands) band.Clear();
    m_tall.Clear();
    m_nBands = 0;
    if (nCount == 0) return;
    const int64_t nRange = nBottom - nTop;
    int64_t nHeight = std::max(kMinBandHeight, 2 * (nSum / nCount));
    if ((nRange + nHeight - 1) / nHeight > kMaxBands) nHeight = (nRange + kMaxBands - 1) / kMaxBands;
    m_nBandTop = nTop;
    m_nBandHeight = nHeight;
    m_nBands = static_cast<int>((nRange + nHeight - 1) / nHeight);
    // The bands are kept from sweep to sweep with the room their lists had (EndSweep gives back room
    // that stays unused).
    if (m_bands.size() < static_cast<size_t>(m_nBands)) m_bands.resize(static_cast<size_t>(m_nBands));
}

int CKT1DCollisionDetBhvr::BandOf(LONG y) const {
    const int64_t n = (static_cast<int64_t>(y) - m_nBandTop) / m_nBandHeight;
    const int64_t nLast = m_nBands - 1;
    return static_cast<int>(n < 0 ? 0 : n > nLast ? nLast : n);
}

namespace {

// Walks lists ordered by nOpened together, calling test once for each nOpened (an element filed in
// several of the lists comes up in each of them at once).
template <class Head, class Test>
void WalkTogetherImpl(Head* heads, int nHeads, const Test& test) {
    for (;;) {
        uint32_t nNext = UINT32_MAX;
        int nAt = -1;
        for (int i = 0; i < nHeads; i++)
            if (heads[i].p != heads[i].pEnd && (nAt < 0 || heads[i].p->nOpened < nNext)) {
                nNext = heads[i].p->nOpened;
                nAt = i;
            }
        if (nAt < 0) return;
        test(*heads[nAt].p);
        for (int i = 0; i < nHeads; i++)
            if (heads[i].p != heads[i].pEnd && heads[i].p->nOpened == nNext) ++heads[i].p;
    }
}

}  // namespace

void CKT1DCollisionDetBhvr::Open(int nItem) {
    const CView& e = m_views[static_cast<size_t>(nItem)];
    TestAgainstOpen(e);
    COpen& o = m_openOf[static_cast<size_t>(nItem)];
    o = COpen{1, 0, m_nOpened++, TRUE};  // in no band: an empty y range meets nothing
    if (e.rc.top >= e.rc.bottom || m_nBands == 0) return;
    const CFiled filed{o.nOpened, nItem, e.rc};
    o.nFirstBand = BandOf(e.rc.top);
    o.nLastBand = BandOf(e.rc.bottom - 1);
    if (o.nLastBand - o.nFirstBand >= kTallBands) {
        o.nFirstBand = o.nLastBand = -1;
        m_tall.list.push_back(filed);
        return;
    }
    for (int b = o.nFirstBand; b <= o.nLastBand; b++) m_bands[static_cast<size_t>(b)].list.push_back(filed);
}

// A closing element's entries stay where they are, emptied (an empty rectangle meets nothing), until
// they are as many as the live ones: then the list is squeezed, keeping its order.
void CKT1DCollisionDetBhvr::Close(int nItem) {
    COpen& o = m_openOf[static_cast<size_t>(nItem)];
    o.bOpen = FALSE;
    const uint32_t nOpened = o.nOpened;
    auto Unfile = [nOpened](CBand& band) {
        for (CFiled& f : band.list) {
            if (f.nOpened != nOpened || f.nItem < 0) continue;
            f.nItem = -1;
            f.rc = CRect();
            if (++band.nDead * 2 <= band.list.size()) return;
            band.nPeak = std::max(band.nPeak, band.list.size());
            band.list.erase(std::remove_if(band.list.begin(), band.list.end(), [](const CFiled& x) { return x.nItem < 0; }),
                            band.list.end());
            band.nDead = 0;
            return;
        }
    };
    if (o.nFirstBand < 0) Unfile(m_tall);
    for (int b = std::max(o.nFirstBand, 0); b <= o.nLastBand; b++) Unfile(m_bands[static_cast<size_t>(b)]);
}

void CKT1DCollisionDetBhvr::TestAgainstActive(CKTElement* pElement) {
    CKTElement* pParent = pElement->GetParent();
    TestAgainstOpen({pElement, pParent, pParent ? pParent->GetParent() : nullptr, pElement->GetAbsoluteBounds()});
}

// Only the open elements filed in e's bands (and the tall ones) can share a y with e. Each list holds
// its elements in the order they opened; the lists are walked together in that order (an element
// filed in two of them comes up in both at once, and counts once), so the overlaps are recorded as a
// walk over all open elements in opening order would record them.
void CKT1DCollisionDetBhvr::TestAgainstOpen(const CView& e) {
    if (e.rc.top >= e.rc.bottom || m_nBands == 0) return;
    auto Test = [&](const CFiled& a) {
        // Not empty intersection: rectangles that only share an edge do not collide.
        const LONG t = e.rc.top > a.rc.top ? e.rc.top : a.rc.top;
        const LONG b = e.rc.bottom < a.rc.bottom ? e.rc.bottom : a.rc.bottom;
        if (t >= b) return;
        const LONG l = e.rc.left > a.rc.left ? e.rc.left : a.rc.left;
        const LONG r = e.rc.right < a.rc.right ? e.rc.right : a.rc.right;
        if (l >= r) return;
        Record(e, m_views[static_cast<size_t>(a.nItem)]);
    };
    const int nFirst = BandOf(e.rc.top), nLast = BandOf(e.rc.bottom - 1);
    CHead heads[kTallBands + 2];  // the lists to walk
    int nHeads = 0;
    for (int b = nFirst; b <= nLast && nHeads < kTallBands + 1; b++) {
        const std::vector<CFiled>& list = m_bands[static_cast<size_t>(b)].list;
        if (!list.empty()) heads[nHeads++] = {list.data(), list.data() + list.size()};
    }
    if (!m_tall.list.empty()) heads[nHeads++] = {m_tall.list.data(), m_tall.list.data() + m_tall.list.size()};
    if (nLast - nFirst > kTallBands) {  // a tall e: every band it spans (rare), in a vector
        m_heads.clear();
        for (int b = nFirst; b <= nLast; b++) {
            const std::vector<CFiled>& list = m_bands[static_cast<size_t>(b)].list;
            if (!list.empty()) m_heads.push_back({list.data(), list.data() + list.size()});
        }
        if (!m_tall.list.empty()) m_heads.push_back({m_tall.list.data(), m_tall.list.data() + m_tall.list.size()});
        WalkTogetherImpl(m_heads.data(), static_cast<int>(m_heads.size()), Test);
        return;
    }
    if (nHeads == 1) {
        for (const CFiled* p = heads[0].p; p != heads[0].pEnd; ++p) Test(*p);
        return;
    }
    if (nHeads == 2) {  // the common case of two bands: a plain merge
        const CFiled *a = heads[0].p, *aEnd = heads[0].pEnd, *b = heads[1].p, *bEnd = heads[1].pEnd;
        while (a != aEnd && b != bEnd) {
            if (a->nOpened < b->nOpened) {
                Test(*a++);
            } else if (b->nOpened < a->nOpened) {
                Test(*b++);
            } else {
                Test(*a++);
                ++b;
            }
        }
        for (; a != aEnd; ++a) Test(*a);
        for (; b != bEnd; ++b) Test(*b);
        return;
    }
    WalkTogetherImpl(heads, nHeads, Test);
}

void CKT1DCollisionDetBhvr::Record(const CView& e, const CView& a) {
    e.pElement->AddCollision(a.pElement);
    a.pElement->AddCollision(e.pElement);
    if (a.pParent == e.pParent) return;
    if (a.pParent) a.pParent->AddCollision(e.pElement);
    if (e.pParent) e.pParent->AddCollision(a.pElement);
    if (a.pGrandparent == e.pGrandparent) return;
    if (a.pGrandparent) a.pGrandparent->AddCollision(e.pElement);
    if (e.pGrandparent) e.pGrandparent->AddCollision(a.pElement);
}

void CKT1DCollisionDetBhvr::Serialize(CArchive& ar) {
    CKTBehavior::Serialize(ar);
    m_edges.Serialize(ar);
    m_active.Serialize(ar);
    if (ar.IsLoading()) {
        m_active.RemoveAll();
        LinkPartners();
        Changed();
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
    m_keyed.clear();
    m_items.clear();
    m_itemEdges.clear();
    m_freeItems.clear();
    m_views.clear();
    m_domain.clear();
    m_edgeless.clear();
    Changed();
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
