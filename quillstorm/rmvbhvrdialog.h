// CRmvBhvrDialog ("Remove Behaviors"): lists every behaviour attached to any of the target elements,
// once each, in the order of first appearance; "Remove" detaches the behaviour of the selected row
// from all the targets and lists again; "Done" closes the dialog. The behaviours stay in the book.
//
// The frame timer keeps ticking while the dialog is open: elements may die and a pending load may
// replace the book. The target list is therefore a list that its owner keeps true (the view's
// selection, which loses every element the book deletes and is emptied when the book is replaced),
// and "Remove" touches a listed behaviour only while it is still in the current book.
#pragma once

#include "kinetype/ktcomponent.h"
#include "platform/ui/paramdialog.h"

class CKTBook;

// Whether pBehavior is in pBook's behaviour list (compared by address: pBehavior may be gone).
BOOL IsBehaviorOfBook(const CKTBook* pBook, const CKTBehavior* pBehavior);

class CRmvBhvrDialog : public ui::CParamDialog {
public:
    static constexpr int IDD = 141;
    static constexpr int IDC_BEHAVIORS = 1002;
    static constexpr int IDC_REMOVE = 1003;

    CRmvBhvrDialog();

    const CKTElementList* m_pElements = nullptr;  // the targets (not owned)
    CArray<CKTBehavior*, CKTBehavior*> m_behaviors;  // the behaviour of each list row

protected:
    BOOL OnInitDialog() override;

private:
    // The list rebuilt from the targets' behaviour links (attached links only).
    void FillList();
    void OnRemove();
};
