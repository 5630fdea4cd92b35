#include "kinetype/ktloadfilebhvr.h"

#include "kinetype/ktbook.h"

IMPLEMENT_SERIAL(CKTLoadFileBhvr, CKTBehavior, 0)

CKTLoadFileBhvr::CKTLoadFileBhvr() : CKTBehavior(BHVR_LOADFILE), m_bDone(0) {
    if (g_bLoading) return;
    m_events.Add(CKTEventReg{EV_POSTSTEP, 0});
}

CKTLoadFileBhvr::~CKTLoadFileBhvr() {}

CString CKTLoadFileBhvr::GetName() const { return CString("Load File"); }

void CKTLoadFileBhvr::OnEvent(int nEvent) {
    if (nEvent != EV_POSTSTEP || m_bDone) return;
    GetBook()->m_strPendingLoad = m_strFileName;
    m_bDone = 1;
}

void CKTLoadFileBhvr::Serialize(CArchive& ar) {
    CKTBehavior::Serialize(ar);
    if (ar.IsStoring())
        ar << m_strFileName;
    else
        ar >> m_strFileName;
}
