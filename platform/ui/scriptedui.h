// UI services for tests: answers come from a script, and every question is recorded.
//
//     ui::CScriptedUIServices ui;              // installs itself; uninstalls when destroyed
//     ui.AnswerMessageBox(IDYES);
//     ui.AnswerFileDialog("/tmp/a.qsd");       // or ui.CancelFileDialog()
//     ... code under test ...
//     EXPECT_EQ(ui.Calls().size(), 2u);
//     EXPECT_EQ(ui.Calls()[0].strText, "Save changes before exiting Quillstorm!?");
//
// A scripted file answer changes the current directory as a real dialog does (ChangeToFileFolder):
// give a path in a scratch folder, or OFN_NOCHANGEDIR.
//
// Parameter dialogs: the answer runs on the opened dialog (after its OnInitDialog) and acts as the
// user does, through the dialog's TypeText, PickItem and ClickButton; it may press OK itself, look at
// what happened (messages, focus, IsEnded) and go on. When it returns with the dialog still open,
// IDOK presses OK; a dialog that is still open after that (its OK refused) is cancelled.
//
//     ui.AnswerDialog([](ui::CParamDialog& d) {
//         d.TypeText(1013, "2");
//         return IDOK;
//     });
//
// Answers are taken in order, each by the first call of its kind. A call with no answer scripted
// gets the escape result (boxes) or a cancel (dialogs) and is marked unscripted, so a test can fail
// on questions it did not expect. Questions asked from inside a dialog (its messages, colour and
// file dialogs) are recorded in the order they are asked, before the dialog's own record.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/ui/paramdialog.h"
#include "platform/ui/uiservices.h"

namespace ui {

class CScriptedUIServices : public CUIServices {
public:
    enum class Kind { MessageBox, FileDialog, ChooseColor, DoModal };

    struct Call {
        Kind kind;
        std::string strText;     // message text, or the dialog's title
        std::string strCaption;  // message box caption
        UINT nType = 0;          // message box type
        FileDialogRequest file;  // file dialogs
        COLORREF crInitial = 0;  // colour dialog
        DWORD dwFlags = 0;       // colour dialog
        int nResult = 0;         // what the call answered (IDs; TRUE/FALSE for the dialogs)
        bool bScripted = true;
    };

    // A dialog answer may change the dialog's fields before it is confirmed.
    using DialogAction = std::function<int(CParamDialog&)>;

    CScriptedUIServices() { m_pPrevious = SetUIServices(this); }
    ~CScriptedUIServices() override { SetUIServices(m_pPrevious); }
    CScriptedUIServices(const CScriptedUIServices&) = delete;
    CScriptedUIServices& operator=(const CScriptedUIServices&) = delete;

    void AnswerMessageBox(int nId) { m_answers.push_back({Kind::MessageBox, nId, {}, 0, {}}); }
    void AnswerFileDialog(const std::string& strPath) { m_answers.push_back({Kind::FileDialog, TRUE, strPath, 0, {}}); }
    void CancelFileDialog() { m_answers.push_back({Kind::FileDialog, FALSE, {}, 0, {}}); }
    void AnswerColor(COLORREF cr) { m_answers.push_back({Kind::ChooseColor, TRUE, {}, cr, {}}); }
    void CancelColor() { m_answers.push_back({Kind::ChooseColor, FALSE, {}, 0, {}}); }
    // The action works the open dialog and returns IDOK or IDCANCEL (see the top).
    void AnswerDialog(DialogAction action) { m_answers.push_back({Kind::DoModal, 0, {}, 0, std::move(action)}); }
    // A dialog answered by pressing OK without an edit.
    void AnswerDialogOK() { AnswerDialog([](CParamDialog&) { return IDOK; }); }

    const std::vector<Call>& Calls() const { return m_calls; }
    size_t PendingAnswers() const { return m_answers.size(); }
    bool AllScripted() const {
        for (const Call& c : m_calls)
            if (!c.bScripted) return false;
        return true;
    }
    void Clear() {
        m_calls.clear();
        m_answers.clear();
    }

    int MessageBox(const std::string& strText, const std::string& strCaption, UINT nType) override {
        Call c{Kind::MessageBox, strText, strCaption, nType, {}, 0, 0, 0, true};
        Answer a;
        if (Take(Kind::MessageBox, &a)) {
            c.nResult = a.nResult;
        } else {
            c.bScripted = false;
            c.nResult = MessageBoxUnansweredResult(nType);
        }
        m_calls.push_back(c);
        return c.nResult;
    }

    BOOL FileDialog(const FileDialogRequest& request, std::string* pPath) override {
        Call c{Kind::FileDialog, request.strTitle, {}, 0, request, 0, 0, FALSE, true};
        Answer a;
        if (Take(Kind::FileDialog, &a)) {
            c.nResult = a.nResult;
            if (a.nResult) {
                const std::string path = ApplyDefaultExtension(a.strPath, request.strDefExt);
                ChangeToFileFolder(path, request.dwFlags);
                if (pPath) *pPath = path;
            }
        } else {
            c.bScripted = false;
        }
        m_calls.push_back(c);
        return c.nResult;
    }

    BOOL ChooseColor(COLORREF crInitial, DWORD dwFlags, COLORREF* pResult) override {
        Call c{Kind::ChooseColor, {}, {}, 0, {}, crInitial, dwFlags, FALSE, true};
        Answer a;
        if (Take(Kind::ChooseColor, &a)) {
            c.nResult = a.nResult;
            if (a.nResult && pResult) *pResult = a.cr;
        } else {
            c.bScripted = false;
        }
        m_calls.push_back(c);
        return c.nResult;
    }

    int DoModal(CParamDialog& dialog) override {
        Call c{Kind::DoModal, dialog.GetTitle(), {}, 0, {}, 0, 0, IDCANCEL, true};
        Answer a;
        if (Take(Kind::DoModal, &a)) {
            dialog.StartModal();
            const int r = a.action ? a.action(dialog) : IDCANCEL;
            if (!dialog.IsEnded() && r == IDOK) dialog.ClickButton(IDOK);
            if (!dialog.IsEnded()) dialog.ClickButton(IDCANCEL);
            c.nResult = dialog.GetResult();
        } else {
            c.bScripted = false;
        }
        m_calls.push_back(c);
        return c.nResult;
    }

private:
    struct Answer {
        Kind kind;
        int nResult;
        std::string strPath;
        COLORREF cr;
        DialogAction action;
    };

    bool Take(Kind kind, Answer* pAnswer) {
        for (auto it = m_answers.begin(); it != m_answers.end(); ++it) {
            if (it->kind == kind) {
                *pAnswer = std::move(*it);
                m_answers.erase(it);
                return true;
            }
        }
        return false;
    }

    std::vector<Call> m_calls;
    std::deque<Answer> m_answers;
    CUIServices* m_pPrevious = nullptr;
};

}  // namespace ui
