#include "refdetector.h"

#include <algorithm>

#include "kinetype/ktbook.h"
#include "kinetype/ktelement.h"

CRefDetector::CRefDetector() : CKTBehavior(BHVR_1DCOLLISIONDET) {
    m_events.Add({EV_PRESTEP, 1});
    m_elemPropReqs.Add({PROP_SWEEP_OPEN, PROPTYPE_BOOL});
}

BOOL CRefDetector::AddElement(CKTElement* pElement) {
    if (!CKTBehavior::AddElement(pElement)) return FALSE;
    const int nItem = static_cast<int>(m_items.size());
    m_items.push_back(pElement);
    const CRect rc = pElement->GetAbsoluteBounds();
    size_t i = 0, n = m_edges.size();
    auto Coordinate = [](const CEdge& e) {
        const CRect r = e.pElement->GetAbsoluteBounds();
        return e.bRight ? r.right : r.left;
    };
    while (i < n && rc.left > Coordinate(m_edges[i])) i++;
    if (i == n) {
        m_edges.push_back({pElement, false, nItem});
        m_edges.push_back({pElement, true, nItem});
        return TRUE;
    }
    m_edges.insert(m_edges.begin() + static_cast<std::ptrdiff_t>(i), CEdge{pElement, false, nItem});
    size_t j = i;
    while (j < n + 1 && rc.right > Coordinate(m_edges[j])) j++;
    m_edges.insert(m_edges.begin() + static_cast<std::ptrdiff_t>(j), CEdge{pElement, true, nItem});
    return TRUE;
}

BOOL CRefDetector::RemoveElement(CKTElement* pElement) {
    if (!CKTBehavior::RemoveElement(pElement)) return FALSE;
    std::replace(m_items.begin(), m_items.end(), pElement, static_cast<CKTElement*>(nullptr));
    m_edges.erase(std::remove_if(m_edges.begin(), m_edges.end(), [&](const CEdge& e) { return e.pElement == pElement; }),
                  m_edges.end());
    return TRUE;
}

void CRefDetector::OnEvent(int nEvent) {
    if (nEvent != EV_PRESTEP) return;
    // Bounds, parent and grandparent of every element, once.
    m_views.resize(m_items.size());
    int nIds = 0;
    for (size_t i = 0; i < m_items.size(); i++) {
        CKTElement* p = m_items[i];
        if (!p) continue;
        CKTElement* pParent = p->GetParent();
        m_views[i] = COpen{p, pParent, pParent ? pParent->GetParent() : nullptr, p->GetAbsoluteBounds(), nIds++};
    }
    m_keyed.resize(m_edges.size());
    for (size_t i = 0; i < m_edges.size(); i++) {
        const COpen& view = m_views[static_cast<size_t>(m_edges[i].nItem)];
        m_keyed[i] = {m_edges[i].bRight ? view.rc.right : view.rc.left, m_edges[i], view};
    }
    // Stable insertion sort.
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
    for (size_t i = 0; i < m_keyed.size(); i++) m_edges[i] = m_keyed[i].edge;
    // The sweep: every entering element against every open one.
    ClearCollisionLists();
    m_open.clear();
    m_slotOf.assign(static_cast<size_t>(nIds), -1);
    size_t nClosed = 0;
    for (const CKeyed& keyed : m_keyed) {
        const COpen& element = keyed.element;
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

void CRefDetector::ClearCollisionLists() {
    m_domain.clear();
    for (POSITION pos = m_elements.GetHeadPosition(); pos;) {
        CKTElement* p = m_elements.GetNext(pos);
        p->ClearCollisions();
        m_domain.push_back(p);
        if (CKTElement* pParent = p->GetParent()) {
            pParent->ClearCollisions();
            if (CKTElement* pGrandparent = pParent->GetParent()) pGrandparent->ClearCollisions();
        }
    }
}

void CRefDetector::TestAgainstOpen(const COpen& e) {
    for (const COpen& a : m_open) {
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
