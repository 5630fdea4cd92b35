#include "kinetype/ktkilloncollision.h"

#include <vector>

#include "kinetype/ktbook.h"
#include "kinetype/ktphysics.h"

IMPLEMENT_SERIAL(CKTKillOnCollision, CKTBehavior, 0)

CKTKillOnCollision::CKTKillOnCollision() : CKTBehavior(BHVR_KILLONCOLLISION) {
    if (g_bLoading) return;
    m_events.Add({EV_POSTSTEP, 1});
}

CKTKillOnCollision::~CKTKillOnCollision() {}

CString CKTKillOnCollision::GetName() const { return CString("kill on collision"); }

void CKTKillOnCollision::OnEvent(int nEvent) {
    if (nEvent != EV_POSTSTEP) return;
    // Nothing is deleted inside an event, so every pointer of the copy stays valid for the walk.
    std::vector<CKTElement*> snapshot;
    snapshot.reserve(static_cast<size_t>(m_elements.GetCount()));
    for (POSITION pos = m_elements.GetHeadPosition(); pos;) snapshot.push_back(m_elements.GetNext(pos));
    for (CKTElement* pElement : snapshot) {
        if (!pElement->HasBehavior(this)) continue;  // left with an earlier death
        if (pElement->IsColliding()) pElement->Die(FALSE, TRUE);
    }
}

void CKTKillOnCollision::Serialize(CArchive& ar) { CKTBehavior::Serialize(ar); }
