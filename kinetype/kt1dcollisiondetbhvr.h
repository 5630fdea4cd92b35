// CKT1DCollisionDetBhvr (type 1, "1D Collision Detection"): finds which elements overlap, by sorting
// the left and right edges of its elements' absolute bounds along x and sweeping them.
//
// Every pre-step (event 3, head of the list, so before everything else of the tick) it re-sorts the
// edges (an insertion sort: between frames the order is nearly right) and sweeps them. The sweep first
// empties the collision lists of its own elements, their parents and grandparents (a second detector's
// lists stay as that one filled them); then, edge by edge, an element's first edge opens it and its
// second closes it (the open state is kept by the sweep; the elements' PROP_SWEEP_OPEN flags, declared
// as slot 0, stay FALSE). An element that opens is tested against the elements open at that x, in the
// order they opened; for each one whose bounds it overlaps (rectangles that only touch do not), both
// elements go into each other's collision lists, and, when their parents differ, each goes into the
// other's parent's list, and, when their grandparents differ too, into the other's grandparent's. So a
// word's or passage's list holds the foreign elements that touch its subtree, one entry per touching
// pair. The collision responses read the lists on post-step.
//
// A book has one detector: the constructor (when not loading) puts it into book property
// BOOKPROP_COLLISION_DETECTOR, replacing whatever detector was there.
//
// Cost: each element's bounds are taken once per sweep (an O(1) read of the element's cache when it
// has not moved); the sort is close to linear when elements move little; the open elements are filed
// in bands of y (about twice the elements' average height), so an opening element is tested only
// against the open elements of the bands its y range spans, walked together in the order they opened:
// the same lists, in the same order, as a test against every open element, for the cost of the
// elements near it rather than of every element open at its x (every line of a page, in its column).
// What the lists themselves hold (every overlapping pair, with the parents' and grandparents'
// entries) is the rest of the cost.
#pragma once

#include <cstdint>
#include <unordered_set>
#include <vector>

#include "kinetype/kt1dcolledge.h"
#include "kinetype/ktbehavior.h"

typedef CTypedPtrArray<CObArray, CKT1DCollEdge*> CKT1DCollEdgeArray;

class CKT1DCollisionDetBhvr : public CKTBehavior {
    DECLARE_SERIAL(CKT1DCollisionDetBhvr)

public:
    // Event (3, 1); element slot PROP_SWEEP_OPEN (bool); book slot BOOKPROP_COLLISION_DETECTOR, which
    // then points to this detector. While loading only the base constructor runs.
    CKT1DCollisionDetBhvr();
    // Empties the lists it filled (ReleaseLists), deletes the edge records, empties the active list,
    // then the base destruction.
    ~CKT1DCollisionDetBhvr() override;

    CString GetName() const override;  // "1D Collision Detection"
    void OnEvent(int nEvent) override;
    // The base attach, then a left and a right edge record for the element, inserted where the edge
    // coordinates say (see the definition).
    BOOL AddElement(CKTElement* pElement) override;
    // The base detach, then the element's edge records are deleted.
    BOOL RemoveElement(CKTElement* pElement) override;

    // TRUE when a's coordinate is greater than b's.
    static BOOL IsEdgeAfter(const CKT1DCollEdge* a, const CKT1DCollEdge* b);
    // Stable insertion sort of m_edges by coordinate.
    void SortEdges();
    // Empties this detector's collision lists and rebuilds them from the edge order (see the top).
    void Sweep();
    // Tests pElement against the elements open in the sweep under way and records the collisions
    // (between sweeps nothing is open).
    void TestAgainstActive(CKTElement* pElement);

    INT_PTR GetEdgeCount() const { return m_edges.GetSize(); }
    // The room the band lists keep between sweeps, in entries (their capacities summed), and the bands
    // kept: what the detector holds on to while nothing is open.
    size_t GetBandRoom() const;
    size_t GetBandsKept() const { return m_bands.size(); }
    CKT1DCollEdge* GetEdge(INT_PTR i) const { return m_edges.GetAt(i); }

    // After the behaviour part: the edge array (count, then each edge as an object), then the active
    // list (count, then element references). The active list is empty between sweeps; a loaded one is
    // emptied.
    void Serialize(CArchive& ar) override;
    // Forgets the edge records (the failed load's owner deletes them) and the active list.
    void ForgetLinks() override;
    // Every edge names one of this detector's elements, no element has more than two edges, and no
    // edge record is listed twice (here or by another detector of the book).
    BOOL CheckLoadedLinks(const CKTOwnership& owned) const override;
    // An element leaves the scene: the lists this detector filled must not name it once it is deleted
    // (see ClearLeftOvers). The book sends it to every behaviour of its list.
    void OnElementGone(CKTElement* pElement) override;

private:
    // An element as a pass sees it: absolute bounds, parent, grandparent. One for each item (the
    // element both edges of a pair name), in m_views by item number.
    struct CView {
        CKTElement* pElement;
        CKTElement* pParent;
        CKTElement* pGrandparent;
        CRect rc;
    };
    // m_edges mirrored: an edge's coordinate in the pass, its item, its side, its record. Small, so
    // that the sort moves little, and in m_edges' order, so that a pass reads no edge record.
    struct CKeyed {
        int nKey;
        int nItem : 31;
        unsigned bRight : 1;
        CKT1DCollEdge* pEdge;
    };
    // An element open during the sweep: the bands of y it is filed in (nFirstBand > nLastBand: in
    // none, it meets nothing; nFirstBand < 0: in m_tall) and when it opened (the order the lists
    // follow).
    struct COpen {
        int nFirstBand;
        int nLastBand;
        uint32_t nOpened;
        BOOL bOpen;
    };
    // An open element as a band files it: when it opened, its item, its bounds (so that a query
    // reads the band alone).
    struct CFiled {
        uint32_t nOpened;
        int nItem;
        CRect rc;
    };
    // A band's open elements in the order they opened; those closed since are left in, emptied
    // (nItem -1, an empty rectangle), and counted, until the list is squeezed.
    // The room a list keeps from sweep to sweep is given back once it has stayed well above what the
    // sweeps use (see EndSweep): nPeak is the most entries the list held in this sweep, nRoomy the
    // sweeps in a row whose peak used less than a quarter of the room.
    struct CBand {
        std::vector<CFiled> list;
        size_t nDead = 0;
        size_t nPeak = 0;
        uint32_t nRoomy = 0;
        void Clear() {
            list.clear();
            nDead = 0;
        }
        // Empties the list at the end of a sweep, shrinking it when its room has stayed unused.
        void EndSweep();
    };
    // A list being walked by a query: [p, pEnd).
    struct CHead {
        const CFiled* p;
        const CFiled* pEnd;
    };

    // m_keyed and m_items rebuilt from m_edges when they do not mirror it (after a load).
    void MirrorEdges();
    int NewItem(CKTElement* pElement, int nEdges);
    // The detector's elements changed: the next sweep works out the lists it fills anew.
    void Changed();
    // The views and the edges' coordinates; with bClear the lists the sweep fills are emptied too.
    void TakeBounds(BOOL bClear);
    // Stable insertion sort of m_keyed by coordinate; m_edges takes the new order.
    void SortKeyed();
    // The sweep over m_keyed; with bClear it empties the lists first.
    void SweepKeyed(BOOL bClear);
    void ClearLeftOvers();
    // The bands of y for this sweep, from the views' y ranges.
    void LayOutBands();
    // The band holding y (y within the views' range).
    int BandOf(LONG y) const;
    void Open(int nItem);
    void Close(int nItem);
    // Records e's overlaps with the open elements, in the order they opened.
    void TestAgainstOpen(const CView& e);
    void Record(const CView& e, const CView& a);
    // TRUE when another running detector of the book has pElement, one of its children or
    // grandchildren among its elements (and so clears and fills pElement's list itself).
    BOOL IsReachedByAnotherDetector(const CKTElement* pElement) const;
    // Empties the lists of m_domain that no other detector fills (a stopped or destroyed detector's
    // lists), skipping the elements gone since, and forgets m_domain.
    void ReleaseLists();
    // Pairs the two edge records of each element (after a load).
    void LinkPartners();

    CKT1DCollEdgeArray m_edges;  // owned
    CKTElementList m_active;     // stored; empty between sweeps (the sweep keeps its open elements in bands)

    std::vector<CKeyed> m_keyed;        // m_edges' mirror
    std::vector<CKTElement*> m_items;   // by item: its element (NULL: a free item)
    std::vector<int> m_itemEdges;       // by item: how many edges name it
    std::vector<int> m_freeItems;

    // One pass's working state.
    std::vector<CView> m_views;         // by item
    std::vector<COpen> m_openOf;        // by item
    std::vector<CBand> m_bands;         // by band of y: the open elements filed there
    int m_nBands = 0;                   // bands of this sweep (m_bands may hold more, kept empty)
    uint32_t m_nBandsRoomy = 0;         // sweeps in a row that used less than a quarter of m_bands
    CBand m_tall;                       // open elements spanning too many bands
    std::vector<CHead> m_heads;         // a tall query's lists
    int64_t m_nBandTop = 0;             // y where band 0 starts
    int64_t m_nBandHeight = 1;
    uint32_t m_nOpened = 0;             // openings so far in the sweep

    // The elements whose lists the last sweep cleared and filled (the elements, their parents and
    // grandparents), each once; the attached elements without edges with their parents and
    // grandparents; the elements gone from the scene since (never read); and whether the set must be
    // worked out again (and the tree edits it was worked out at).
    std::vector<CKTElement*> m_domain;
    std::vector<CKTElement*> m_reached;
    std::vector<CKTElement*> m_edgeless;
    std::unordered_set<const CKTElement*> m_gone;
    BOOL m_bChanged = TRUE;
    uint64_t m_nTreeEdits = 0;
};
