#include "kinetype/ktphysics.h"

#include "kinetype/ktbhvrptrbhvrprop.h"
#include "kinetype/ktbook.h"
#include "kinetype/kteulerbhvr.h"

BOOL CKTPhysicsBhvr::AddElement(CKTElement* pElement) {
    if (!CKTBehavior::AddElement(pElement)) return FALSE;
    KTEnrolWithIntegrator(pElement);
    return TRUE;
}

void CKTPhysicsBhvr::HookUp(std::initializer_list<CKTEventReg> events, std::initializer_list<CKTPropReg> elemProps) {
    for (const CKTEventReg& reg : events) m_events.Add(reg);
    for (const CKTPropReg& reg : elemProps) m_elemPropReqs.Add(reg);
    m_bookPropReqs.Add({BOOKPROP_INTEGRATOR, PROPTYPE_BHVRPTR});
    AcquireBookProps();
    KTHookUpIntegrator();
}

CKTEulerBhvr* KTGetIntegrator() {
    CKTBhvrPtrBhvrProp* pSlot = CKTBhvrPtrBhvrProp::Cast(CKTComponent::GetBook()->GetBookProp(BOOKPROP_INTEGRATOR));
    CKTBehavior* pBhvr = pSlot ? pSlot->GetValue() : nullptr;
    return pBhvr && pBhvr->IsKindOf(RUNTIME_CLASS(CKTEulerBhvr)) ? static_cast<CKTEulerBhvr*>(pBhvr) : nullptr;
}

void KTHookUpIntegrator() {
    CKTBook* pBook = CKTComponent::GetBook();
    CKTBhvrPtrBhvrProp* pSlot = CKTBhvrPtrBhvrProp::Cast(pBook->GetBookProp(BOOKPROP_INTEGRATOR));
    ASSERT(pSlot != nullptr);
    if (!pSlot || pSlot->GetValue()) return;
    CKTEulerBhvr* pIntegrator = new CKTEulerBhvr;
    pBook->AddBehavior(pIntegrator);
    pIntegrator->StartListening();
    pSlot->SetValue(pIntegrator);
}

void KTEnrolWithIntegrator(CKTElement* pElement) {
    CKTEulerBhvr* pIntegrator = KTGetIntegrator();
    ASSERT(pIntegrator != nullptr);
    if (pIntegrator) pIntegrator->AddElement(pElement);
}

void CKTMotionList::Build(const CKTBehavior& behavior) {
    const size_t nElements = static_cast<size_t>(behavior.GetElementCount());
    // Room for far more entries than the list now has goes back (a behaviour whose elements died
    // keeps its list for the rest of the run).
    if (m_entries.capacity() > 4 * nElements + 16) std::vector<CEntry>().swap(m_entries);
    m_entries.clear();
    m_entries.reserve(nElements);
    for (POSITION pos = behavior.GetFirstElementPosition(); pos;) {
        CKTElement* pElement = behavior.GetNextElement(pos);
        CEntry entry{pElement, nullptr, nullptr, nullptr};
        if (pElement) {
            entry.pVel = KTVectorProp(pElement, PROP_VELOCITY);
            entry.pAcc = KTVectorProp(pElement, PROP_ACCELERATION);
            if (m_nFlagId >= 0) entry.pFlag = KTBoolProp(pElement, m_nFlagId);
        }
        m_entries.push_back(entry);
    }
    m_nListStamp = behavior.GetElementEditCount();
    m_nSlotStamp = CKTElement::GetSlotEditCount();
    m_bBuilt = true;
}
