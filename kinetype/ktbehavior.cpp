#include "kinetype/ktbehavior.h"

#include <unordered_set>

#include "kinetype/ktbhvrptrbhvrprop.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktboolbhvrprop.h"
#include "kinetype/ktcpointbhvrprop.h"
#include "kinetype/ktcstringarraybhvrprop.h"
#include "kinetype/ktdoublebhvrprop.h"
#include "kinetype/ktelement.h"
#include "kinetype/ktintbhvrprop.h"
#include "kinetype/ktvectorbhvrprop.h"

namespace {

// The slot accessors of an element and of the book, for the sharing rules below.
CKTBhvrProp* SlotGet(const CKTElement& owner, int nId) { return owner.GetProp(nId); }
void SlotSet(CKTElement& owner, int nId, CKTBhvrProp* p) { owner.SetProp(nId, p); }
CKTBhvrProp* SlotGet(const CKTBook& owner, int nId) { return owner.GetBookProp(nId); }
void SlotSet(CKTBook& owner, int nId, CKTBhvrProp* p) { owner.SetBookProp(nId, p); }

// Attach: share the slot's property when it has the declared class, or create one when the slot is
// empty, and add a reference. A property of another class (a broken file) is left alone.
template <class OWNER>
void AcquireSlot(OWNER& owner, const CKTPropReg& reg) {
    CKTBhvrProp* pProp = SlotGet(owner, reg.nId);
    if (!pProp) {
        pProp = CKTBehavior::CreateProp(reg.nType, reg.nId);
        if (!pProp) return;
        SlotSet(owner, reg.nId, pProp);
        if (SlotGet(owner, reg.nId) != pProp) {  // a slot id outside the owner's array
            delete pProp;
            return;
        }
    } else if (!pProp->IsOfType(reg.nType)) {
        return;
    }
    pProp->AddRef();
}

// Detach: release the slot's property (when it has the declared class); the last holder deletes it
// and empties the slot.
template <class OWNER>
void ReleaseSlot(OWNER& owner, const CKTPropReg& reg) {
    CKTBhvrProp* pProp = SlotGet(owner, reg.nId);
    if (!pProp || !pProp->IsOfType(reg.nType)) return;
    pProp->Release();
    if (pProp->GetRefCount() <= 0) {
        SlotSet(owner, reg.nId, nullptr);
        delete pProp;
    }
}

}  // namespace

IMPLEMENT_SERIAL(CKTBehavior, CKTComponent, 0)

CKTBehavior::CKTBehavior(int nType) : m_nType(nType), m_nAppliesTo(APPLIES_TO_ALL), m_bRunning(0) {}

CKTBehavior::~CKTBehavior() {
    // The walk has moved on before each call, so a referrer may take itself out of m_referrers.
    POSITION pos = m_referrers.GetHeadPosition();
    while (pos) {
        CKTBehavior* pReferrer = m_referrers.GetNext(pos);
        if (pReferrer) pReferrer->OnBehaviorDying(this);
    }
    while (!m_referrers.IsEmpty())
        if (CKTBehavior* pReferrer = m_referrers.RemoveHead()) pReferrer->m_nReferring--;
    if (g_pCurrentBook) {
        StopListening();
        RemoveAllElements();
        ReleaseBookProps();
        g_pCurrentBook->ForgetBehavior(this);
        if (m_nReferring > 0) LeaveReferrerLists();
    } else {
        // No book any more: nothing to unregister from, but the elements still hold links.
        RemoveAllElements();
    }
}

CString CKTBehavior::GetName() const { return CString("Unidentified Behavior"); }

BOOL CKTBehavior::IsApplicable(int nKind) const {
    switch (nKind) {
    case 2: return (m_nAppliesTo & APPLIES_TO_PASSAGE) ? TRUE : FALSE;
    case 4: return (m_nAppliesTo & APPLIES_TO_WORD) ? TRUE : FALSE;
    case 5: return (m_nAppliesTo & APPLIES_TO_GLYPH) ? TRUE : FALSE;
    default: return FALSE;
    }
}

BOOL CKTBehavior::AddElement(CKTElement* pElement) {
    if (!pElement || !IsApplicable(pElement->GetKind())) return FALSE;
    if (!pElement->AddBehavior(this, 1)) return FALSE;
    m_elements.AddTail(pElement);
    m_nElementEdits++;
    for (INT_PTR i = 0; i < m_elemPropReqs.GetSize(); i++) AcquireSlot(*pElement, m_elemPropReqs[i]);
    return TRUE;
}

BOOL CKTBehavior::RemoveElement(CKTElement* pElement) {
    POSITION pos = pElement ? m_elements.Find(pElement) : nullptr;
    if (!pos) return FALSE;
    m_elements.RemoveAt(pos);
    m_nElementEdits++;
    pElement->RemoveBehavior(this);
    for (INT_PTR i = 0; i < m_elemPropReqs.GetSize(); i++) ReleaseSlot(*pElement, m_elemPropReqs[i]);
    return TRUE;
}

BOOL CKTBehavior::RemoveAllElements() {
    while (!m_elements.IsEmpty()) {
        POSITION posHead = m_elements.GetHeadPosition();
        CKTElement* pElement = m_elements.GetAt(posHead);
        RemoveElement(pElement);
        // An entry RemoveElement did not take (NULL, or an override that refused) must not stop the loop.
        if (!m_elements.IsEmpty() && m_elements.GetHeadPosition() == posHead && m_elements.GetAt(posHead) == pElement)
            m_elements.RemoveHead();
    }
    m_nElementEdits++;
    return TRUE;
}

void CKTBehavior::OnElementDying(CKTElement* pElement) { RemoveElement(pElement); }

BOOL CKTBehavior::OnBehaviorDying(CKTBehavior* pBehavior) { return RemoveReferrer(pBehavior); }

void CKTBehavior::OnElementGone(CKTElement*) {}

BOOL CKTBehavior::AddReferrer(CKTBehavior* pTrigger) {
    m_referrers.AddTail(pTrigger);
    if (pTrigger) pTrigger->m_nReferring++;
    return TRUE;
}

BOOL CKTBehavior::RemoveReferrer(CKTBehavior* pTrigger) {
    POSITION pos = m_referrers.Find(pTrigger);
    if (!pos) return FALSE;
    m_referrers.RemoveAt(pos);
    if (pTrigger) pTrigger->m_nReferring--;
    return TRUE;
}

void CKTBehavior::LeaveReferrerLists() {
    CKTBook* pBook = g_pCurrentBook;
    for (POSITION pos = pBook->GetFirstBehaviorPosition(); pos && m_nReferring > 0;) {
        CKTBehavior* p = pBook->GetNextBehavior(pos);
        if (!p || p == this) continue;
        while (p->RemoveReferrer(this)) {
        }
    }
}

CKTBehavior* CKTBehavior::GetNextReferrer(POSITION& pos) const { return m_referrers.GetNext(pos); }

POSITION CKTBehavior::FindElement(CKTElement* pElement) const { return m_elements.Find(pElement); }

CKTElement* CKTBehavior::GetNextElement(POSITION& pos) const { return m_elements.GetNext(pos); }

void CKTBehavior::StartListening() {
    if (m_bRunning) return;
    for (INT_PTR i = 0; i < m_events.GetSize(); i++) RegisterEvent(m_events[i].nEvent, m_events[i].nPriority);
    m_bRunning = 1;
}

void CKTBehavior::RegisterUnstoredEvents(CKTBook& book, int nFirstEvent) {
    if (!m_bRunning) return;
    for (INT_PTR i = 0; i < m_events.GetSize(); i++)
        if (m_events[i].nEvent >= nFirstEvent) book.AddListener(this, m_events[i].nEvent, m_events[i].nPriority);
}

void CKTBehavior::StopListening() {
    if (!m_bRunning) return;
    for (INT_PTR i = 0; i < m_events.GetSize(); i++) UnregisterEvent(m_events[i].nEvent);
    m_bRunning = 0;
}

CKTBhvrProp* CKTBehavior::CreateProp(int nPropType, int nId) {
    switch (nPropType) {
    case PROPTYPE_BOOL: return new CKTBoolBhvrProp(nId);
    case PROPTYPE_CPOINT: return new CKTCPointBhvrProp(nId);
    case PROPTYPE_VECTOR: return new CKTVectorBhvrProp(nId);
    case PROPTYPE_CSTRINGARRAY: return new CKTCStringArrayBhvrProp(nId);
    case PROPTYPE_BHVRPTR: return new CKTBhvrPtrBhvrProp(nId);
    case PROPTYPE_DOUBLE: return new CKTDoubleBhvrProp(nId);
    case PROPTYPE_INT: return new CKTIntBhvrProp(nId);
    default: return nullptr;
    }
}

void CKTBehavior::AcquireBookProps() {
    CKTBook* pBook = GetBook();
    if (!pBook) return;
    for (INT_PTR i = 0; i < m_bookPropReqs.GetSize(); i++) AcquireSlot(*pBook, m_bookPropReqs[i]);
}

void CKTBehavior::ReleaseBookProps() {
    CKTBook* pBook = GetBook();
    if (!pBook) return;
    for (INT_PTR i = 0; i < m_bookPropReqs.GetSize(); i++) ReleaseSlot(*pBook, m_bookPropReqs[i]);
}

void CKTBehavior::Serialize(CArchive& ar) {
    CKTComponent::Serialize(ar);
    if (ar.IsStoring()) {
        ar << static_cast<DWORD>(m_nType) << static_cast<DWORD>(m_nAppliesTo);
        ar.WriteFlag(m_bRunning);
    } else {
        DWORD dwType, dwMask;
        ar >> dwType >> dwMask;
        m_nType = static_cast<int>(dwType);
        m_nAppliesTo = static_cast<int>(dwMask);
        m_bRunning = ar.ReadFlag();
    }
    m_events.Serialize(ar);
    m_elemPropReqs.Serialize(ar);
    m_bookPropReqs.Serialize(ar);
    m_elements.Serialize(ar);
    m_nElementEdits++;
    m_referrers.Serialize(ar);
    if (!ar.IsStoring())
        for (POSITION pos = m_referrers.GetHeadPosition(); pos;)
            if (CKTBehavior* pReferrer = m_referrers.GetNext(pos)) pReferrer->m_nReferring++;
}

void CKTBehavior::ForgetLinks() {
    CKTComponent::ForgetLinks();
    m_elements.RemoveAll();
    m_nElementEdits++;
    m_referrers.RemoveAll();
    m_nReferring = 0;
    m_bRunning = 0;
    m_events.RemoveAll();
    m_elemPropReqs.RemoveAll();
    m_bookPropReqs.RemoveAll();
}

BOOL CKTBehavior::CheckLoadedLinks(const CKTOwnership& owned) const {
    std::unordered_set<const CKTElement*> seen;
    seen.reserve(static_cast<size_t>(m_elements.GetCount()));
    for (POSITION pos = m_elements.GetHeadPosition(); pos;) {
        const CKTElement* pElement = m_elements.GetNext(pos);
        if (!pElement || !owned.IsOwned(pElement) || !seen.insert(pElement).second) return FALSE;
        BOOL bLinked = FALSE;
        for (POSITION link = pElement->GetFirstBehaviorPosition(); link && !bLinked;)
            bLinked = pElement->GetNextBehavior(link).m_pBehavior == this;
        if (!bLinked) return FALSE;
    }
    for (POSITION pos = m_referrers.GetHeadPosition(); pos;) {
        const CKTBehavior* pReferrer = m_referrers.GetNext(pos);
        if (!pReferrer || !owned.IsOwned(pReferrer)) return FALSE;
    }
    return CKTComponent::CheckLoadedLinks(owned);
}
