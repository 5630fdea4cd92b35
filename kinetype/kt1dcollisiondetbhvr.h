// CKT1DCollisionDetBhvr (type 1, "1D Collision Detection"): finds which elements overlap, by sorting
// the left and right edges of its elements' absolute bounds along x and sweeping them.
//
// Every pre-step (event 3, head of the list, so before everything else of the tick) it re-sorts the
// edges (an insertion sort: between frames the order is nearly right) and sweeps them. The sweep first
// empties the collision lists of its own elements, their parents and grandparents (a second detector's
// lists stay as that one filled them); then, edge by edge, an element's first edge opens it and its second closes it (the open state is
// kept in the edge records; the elements' PROP_SWEEP_OPEN flags, declared as slot 0, stay FALSE). An element that opens is tested against the elements open at that x, in the order
// they opened; for each one whose bounds it overlaps (rectangles that only touch do not), both
// elements go into each other's collision lists, and, when their parents differ, each goes into the
// other's parent's list, and, when their grandparents differ too, into the other's grandparent's. So a
// word's or passage's list holds the foreign elements that touch its subtree, one entry per touching
// pair. The collision responses read the lists on post-step.
//
// A book has one detector: the constructor (when not loading) puts it into book property
// BOOKPROP_COLLISION_DETECTOR, replacing whatever detector was there.
//
// Cost: the sort is close to linear when elements move little; each opening element is tested only
// against the elements open at its x, with their bounds taken once per sweep.
#pragma once

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
    // Deletes the edge records, empties the active list, then the base destruction.
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
    // Empties the book's collision lists and rebuilds them from the edge order (see the top).
    void Sweep();
    // Tests pElement, which is opening, against the open elements and records the collisions.
    void TestAgainstActive(CKTElement* pElement);

    INT_PTR GetEdgeCount() const { return m_edges.GetSize(); }
    CKT1DCollEdge* GetEdge(INT_PTR i) const { return m_edges.GetAt(i); }

    // After the behaviour part: the edge array (count, then each edge as an object), then the active
    // list (count, then element references). The active list is empty between sweeps; a loaded one is
    // emptied.
    void Serialize(CArchive& ar) override;
    // Forgets the edge records (the failed load's owner deletes them) and the active list.
    void ForgetLinks() override;
    // An element leaves the scene: the lists this detector filled must not name it once it is deleted
    // (see ClearCollisionLists). The book sends it to every behaviour of its list.
    void OnElementGone(CKTElement* pElement) override;
    // Every edge names one of this detector's elements, no element has more than two edges, and no
    // edge record is listed twice (here or by another detector of the book).
    BOOL CheckLoadedLinks(const CKTOwnership& owned) const override;

private:
    // An element as a pass sees it: absolute bounds, parent, grandparent, and its number in the pass
    // (both edges of an element carry the same number). An element open during the sweep is one of
    // these in m_open.
    struct COpen {
        CKTElement* pElement;
        CKTElement* pParent;
        CKTElement* pGrandparent;
        CRect rc;
        int nId;
    };
    // An edge as one pass sees it: its coordinate and its element's view, next to each other, so that
    // the sort and the sweep run through one array and touch no edge record or element.
    struct CKeyed {
        int nKey;
        CKT1DCollEdge* pEdge;
        COpen element;
    };
    // m_keyed in the order of m_edges, each element's bounds and parents taken once for both edges.
    void TakeBounds();
    // Stable insertion sort of m_keyed by coordinate; m_edges takes the new order.
    void SortKeyed();
    // The sweep over m_keyed.
    void SweepKeyed();
    void ClearCollisionLists();
    // TRUE when another running detector of the book has pElement, one of its children or
    // grandchildren among its elements (and so clears and fills pElement's list itself).
    BOOL IsReachedByAnotherDetector(const CKTElement* pElement) const;
    // Empties the lists of m_domain that no other detector fills (a stopped or destroyed detector's
    // lists), skipping the elements gone since, and forgets m_domain.
    void ReleaseLists();
    void TestAgainstOpen(const COpen& e);
    // Pairs the two edge records of each element (after a load).
    void LinkPartners();

    CKT1DCollEdgeArray m_edges;  // owned
    CKTElementList m_active;     // stored; empty between sweeps (the sweep works in m_open)
    std::vector<COpen> m_open;   // the elements open during a sweep, in the order they opened
    std::vector<CKeyed> m_keyed; // one pass's view of the edges
    std::vector<int> m_slotOf;   // by element number: its index in m_open while open, else -1
    // The elements whose lists the last sweep cleared and filled (the elements, their parents and
    // grandparents), each once; and the elements gone from the scene since (never read).
    std::vector<CKTElement*> m_domain;
    std::vector<CKTElement*> m_reached;
    std::unordered_set<const CKTElement*> m_gone;
    int m_nIds = 0;              // element numbers given in the pass
    unsigned m_nPass = 0;
};
