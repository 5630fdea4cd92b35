// The collision detector as it was before its sweep indexed the open elements by y, kept for the
// benchmarks only, to measure the two side by side: the same edges, the same insertion sort, the same
// lists in the same order, but every entering element is tested against every element open at its x.
#pragma once

#include <vector>

#include "kinetype/ktbehavior.h"

class CRefDetector : public CKTBehavior {
public:
    // Event (3, 1), as the real detector (not stored, never in a book property).
    CRefDetector();
    void OnEvent(int nEvent) override;
    BOOL AddElement(CKTElement* pElement) override;
    BOOL RemoveElement(CKTElement* pElement) override;

private:
    struct CEdge {
        CKTElement* pElement;
        bool bRight;
        int nItem;  // the element's index in m_items
    };
    struct COpen {
        CKTElement* pElement;
        CKTElement* pParent;
        CKTElement* pGrandparent;
        CRect rc;
        int nId;
    };
    struct CKeyed {
        int nKey;
        CEdge edge;
        COpen element;
    };
    void ClearCollisionLists();
    void TestAgainstOpen(const COpen& e);

    std::vector<CEdge> m_edges;
    std::vector<CKTElement*> m_items;  // NULL once removed
    std::vector<COpen> m_views;        // by item: what the pass took of it
    std::vector<CKeyed> m_keyed;
    std::vector<COpen> m_open;
    std::vector<int> m_slotOf;
    std::vector<CKTElement*> m_domain;
};
