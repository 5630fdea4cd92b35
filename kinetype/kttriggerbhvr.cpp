#include "kinetype/kttriggerbhvr.h"

#include "kinetype/ktbook.h"

IMPLEMENT_SERIAL(CKTTriggerBhvr, CKTBehavior, 0)

namespace {

// Removes the first entry of p from list; FALSE when there is none.
BOOL RemoveFirst(CKTBehaviorList& list, CKTBehavior* p) {
    POSITION pos = list.Find(p);
    if (!pos) return FALSE;
    list.RemoveAt(pos);
    return TRUE;
}

int CountIn(const CKTBehaviorList& list, const CKTBehavior* p) {
    int n = 0;
    for (POSITION pos = list.GetHeadPosition(); pos;) n += list.GetNext(pos) == p;
    return n;
}

}  // namespace

CKTTriggerBhvr::CKTTriggerBhvr(int nType) : CKTBehavior(nType), m_bFired(0) {}

CKTTriggerBhvr::~CKTTriggerBhvr() {
    while (!m_startList.IsEmpty()) RemoveStartBehavior(m_startList.GetHead());
    while (!m_stopList.IsEmpty()) RemoveStopBehavior(m_stopList.GetHead());
}

CString CKTTriggerBhvr::GetName() const { return CString("Unidentified Trigger"); }

void CKTTriggerBhvr::Fire() {
    if (m_bFired) return;
    CKTBook* pBook = GetBook();
    for (POSITION pos = m_startList.GetHeadPosition(); pos;) pBook->QueueStart(m_startList.GetNext(pos));
    for (POSITION pos = m_stopList.GetHeadPosition(); pos;) pBook->QueueStop(m_stopList.GetNext(pos));
    m_bFired = 1;
}

BOOL CKTTriggerBhvr::Enlist(CKTBehaviorList& list, CKTBehavior* pBehavior) {
    if (!pBehavior) return FALSE;
    list.AddTail(pBehavior);
    pBehavior->AddReferrer(this);
    return TRUE;
}

BOOL CKTTriggerBhvr::Delist(CKTBehaviorList& list, CKTBehavior* pBehavior) {
    if (!RemoveFirst(list, pBehavior)) return FALSE;
    if (pBehavior) pBehavior->RemoveReferrer(this);
    return TRUE;
}

BOOL CKTTriggerBhvr::AddStartBehavior(CKTBehavior* pBehavior) { return Enlist(m_startList, pBehavior); }
BOOL CKTTriggerBhvr::RemoveStartBehavior(CKTBehavior* pBehavior) { return Delist(m_startList, pBehavior); }
BOOL CKTTriggerBhvr::AddStopBehavior(CKTBehavior* pBehavior) { return Enlist(m_stopList, pBehavior); }
BOOL CKTTriggerBhvr::RemoveStopBehavior(CKTBehavior* pBehavior) { return Delist(m_stopList, pBehavior); }

BOOL CKTTriggerBhvr::OnBehaviorDying(CKTBehavior* pBehavior) {
    if (RemoveFirst(m_startList, pBehavior) || RemoveFirst(m_stopList, pBehavior)) return TRUE;
    TRACE("Failed to remove a moribund behavior from trigger behavior's lists\n");
    return FALSE;
}

int CKTTriggerBhvr::CountReferencesTo(const CKTBehavior* pBehavior) const {
    return CountIn(m_startList, pBehavior) + CountIn(m_stopList, pBehavior);
}

void CKTTriggerBhvr::Serialize(CArchive& ar) {
    CKTBehavior::Serialize(ar);
    m_startList.Serialize(ar);
    m_stopList.Serialize(ar);
    if (ar.IsStoring())
        ar.WriteFlag(m_bFired);
    else
        m_bFired = ar.ReadFlag();
}

void CKTTriggerBhvr::ForgetLinks() {
    m_startList.RemoveAll();
    m_stopList.RemoveAll();
    CKTBehavior::ForgetLinks();
}

BOOL CKTTriggerBhvr::CheckLoadedLinks(const CKTOwnership& owned) const {
    for (const CKTBehaviorList* pList : {&m_startList, &m_stopList}) {
        for (POSITION pos = pList->GetHeadPosition(); pos;) {
            const CKTBehavior* pBehavior = pList->GetNext(pos);
            if (!pBehavior || !owned.IsOwned(pBehavior)) return FALSE;
            int nReferrals = 0;
            for (POSITION ref = pBehavior->GetFirstReferrerPosition(); ref;)
                nReferrals += pBehavior->GetNextReferrer(ref) == this;
            if (nReferrals != CountReferencesTo(pBehavior)) return FALSE;
        }
    }
    return CKTBehavior::CheckLoadedLinks(owned);
}
