#include "kinetype/ktcomponent.h"

#include "kinetype/ktbook.h"

IMPLEMENT_SERIAL(CKTComponent, CObject, 0)

CKTComponent::CKTComponent() {}

CKTComponent::~CKTComponent() {
    // Entries a subclass did not withdraw (or a file put there) must not outlive the component.
    if (m_nBookEntries > 0 && g_pCurrentBook) g_pCurrentBook->ForgetComponent(this);
}

void CKTComponent::OnEvent(int) {}

CKTBook* CKTComponent::GetBook() {
    ASSERT(g_pCurrentBook != nullptr);
    return g_pCurrentBook;
}

BOOL CKTComponent::RegisterEvent(int nEvent, int nPriority) {
    CKTBook* pBook = GetBook();
    return pBook ? pBook->AddListener(this, nEvent, nPriority) : FALSE;
}

BOOL CKTComponent::UnregisterEvent(int nEvent) {
    CKTBook* pBook = GetBook();
    return pBook ? pBook->RemoveListener(this, nEvent) : FALSE;
}

void CKTComponent::Serialize(CArchive& ar) { CObject::Serialize(ar); }

void CKTComponent::ForgetLinks() {}

BOOL CKTComponent::CheckLoadedLinks(const CKTOwnership&) const { return TRUE; }
