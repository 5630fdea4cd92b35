#include "kinetype/ktsetelementrendererbhvr.h"

#include "kinetype/ktbook.h"
#include "kinetype/ktelement.h"
#include "kinetype/ktelementrenderer.h"
#include "kinetype/ktrendererfactory.h"

IMPLEMENT_SERIAL(CKTSetElementRendererBhvr, CKTBehavior, 0)

CKTSetElementRendererBhvr::CKTSetElementRendererBhvr() : CKTBehavior(BHVR_SETELEMENTRENDERER), m_nRendererType(1) {
    if (g_bLoading) return;
    m_events.Add({EV_STEP, 0});
}

CKTSetElementRendererBhvr::~CKTSetElementRendererBhvr() {}

CString CKTSetElementRendererBhvr::GetName() const { return CString("Set Element Renderer"); }

void CKTSetElementRendererBhvr::OnEvent(int nEvent) {
    if (nEvent != EV_STEP) return;
    m_snapshot.clear();
    for (POSITION pos = m_elements.GetHeadPosition(); pos;) m_snapshot.push_back(m_elements.GetNext(pos));
    for (CKTElement* pElement : m_snapshot) {
        if (!pElement->HasBehavior(this) || pElement->GetRendererType() == m_nRendererType) continue;
        CKTElementRenderer* pRenderer = KTCreateRenderer(m_nRendererType);
        if (!pElement->SetRenderer(pRenderer, TRUE)) delete pRenderer;
    }
}

void CKTSetElementRendererBhvr::Serialize(CArchive& ar) {
    CKTBehavior::Serialize(ar);
    if (ar.IsStoring()) {
        ar << static_cast<DWORD>(m_nRendererType);
    } else {
        DWORD dw;
        ar >> dw;
        m_nRendererType = static_cast<int>(dw);
    }
}
