// CKTLoadFileBhvr (type 28, "Load File"): asks the view, once, to open another document in place of
// the current one.
//
// On post-step (event 4), the first time only, the file name goes into the book's m_strPendingLoad;
// the view opens that document at the end of its tick and empties the field. The done flag is not
// stored, so a loaded document asks again (a document naming itself reloads itself once per load).
#pragma once

#include "kinetype/ktbehavior.h"

class CKTLoadFileBhvr : public CKTBehavior {
    DECLARE_SERIAL(CKTLoadFileBhvr)

public:
    // Unless loading: event (4, 0). Empty name, not done.
    CKTLoadFileBhvr();
    ~CKTLoadFileBhvr() override;

    CString GetName() const override;  // "Load File"
    void OnEvent(int nEvent) override;
    BOOL IsDone() const { return m_bDone ? TRUE : FALSE; }

    // After the behaviour part: the file name (string).
    void Serialize(CArchive& ar) override;

    CString m_strFileName;  // the document to open; written by the command that makes the behaviour

private:
    BYTE m_bDone;
};
