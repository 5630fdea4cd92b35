#include "quillstorm/rmvbhvrdialog.h"

#include "kinetype/ktbehavior.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktelement.h"
#include "kinetype/ktglobals.h"

BOOL IsBehaviorOfBook(const CKTBook* pBook, const CKTBehavior* pBehavior) {
    if (!pBook || !pBehavior) return FALSE;
    for (POSITION pos = pBook->GetFirstBehaviorPosition(); pos;)
        if (pBook->GetNextBehavior(pos) == pBehavior) return TRUE;
    return FALSE;
}

CRmvBhvrDialog::CRmvBhvrDialog() : CParamDialog(IDD, "Remove Behaviors") {
    AddListBox(IDC_BEHAVIORS);
    AddPushButton(IDC_REMOVE, "Remove");
    SetButtonTexts("Done", "");
    MapClicked(IDC_REMOVE, [this] { OnRemove(); });
}

BOOL CRmvBhvrDialog::OnInitDialog() {
    CParamDialog::OnInitDialog();
    FillList();
    return TRUE;
}

void CRmvBhvrDialog::FillList() {
    m_behaviors.RemoveAll();
    ResetContent(IDC_BEHAVIORS);
    if (!m_pElements) return;
    for (POSITION pos = m_pElements->GetHeadPosition(); pos;) {
        const CKTElement* pElement = m_pElements->GetNext(pos);
        if (!pElement) continue;
        for (POSITION link = pElement->GetFirstBehaviorPosition(); link;) {
            const CKTBehaviorLink l = pElement->GetNextBehavior(link);
            if (l.m_dwFlag != 1 || !l.m_pBehavior) continue;
            bool bListed = false;
            for (INT_PTR i = 0; i < m_behaviors.GetSize() && !bListed; ++i) bListed = m_behaviors[i] == l.m_pBehavior;
            if (bListed) continue;
            m_behaviors.Add(l.m_pBehavior);
            AddString(IDC_BEHAVIORS, l.m_pBehavior->GetName());
        }
    }
}

void CRmvBhvrDialog::OnRemove() {
    const int nRow = GetCurSel(IDC_BEHAVIORS);
    if (nRow >= 0 && nRow < m_behaviors.GetSize() && m_pElements) {
        CKTBehavior* pBehavior = m_behaviors[nRow];
        if (IsBehaviorOfBook(g_pCurrentBook, pBehavior)) {
            for (POSITION pos = m_pElements->GetHeadPosition(); pos;) pBehavior->RemoveElement(m_pElements->GetNext(pos));
        }
    }
    FillList();
}
