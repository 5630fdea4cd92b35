// Document files: loading with the version warning and the retry, New, Open, Save, Save As, the scene
// reset, the upgrade of files older than 0.9 and the canvas size.
//
// The bytes of a document are read and written by the library (kinetype/ktdocument.h): a load reads
// into a fresh book and hands it back only when it loaded, so a file that cannot be read, or a newer
// version the user declines, leaves the scene, m_strPath and m_bModified as they were. A save goes
// through a temporary file that replaces the old one only when complete, or, where the file must keep
// its inode, through a recovery copy written before the file is (the load names a copy left behind
// and offers its scene; the view's ledger says which copies a save may remove).
//
// Book replacement has no event loop inside it: the view lets go of the old scene, the old book is
// deleted while it is current, and the new one is current and attached before anything (a message
// box, a tick, a paint) can run again. Message boxes run only while the current book is whole.
#include "kinetype/kt1dcollisiondetbhvr.h"
#include "kinetype/ktaccelerateoncollision.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktcruisebhvr.h"
#include "kinetype/ktdocument.h"
#include "kinetype/ktglobals.h"
#include "kinetype/ktstayinwindowbhvr.h"
#include "kinetype/kttext.h"
#include "platform/kernel/fdreserve.h"
#include "platform/ui/uiservices.h"
#include "pumenu/pumenuitem.h"
#include "quillstorm/QuillView.h"
#include "quillstorm/mainfrm.h"
#include "quillstorm/quill.h"
#include "quillstorm/quilldoc.h"

namespace {

constexpr char kFileFilter[] = "Quillstorm Files (*.qsd)|*.qsd||";
constexpr char kUntitled[] = "Untitled.qsd";

void SetSimulateLabel(CPUMenuItem* pItem, int nRunState) {
    if (pItem) pItem->SetLabel(nRunState == 1 ? "stop simulate" : "simulate");
}

}  // namespace

// ---- the book in place ----------------------------------------------------------------------------

void CQuillView::ReplaceBook(CKTBook* pNew) {
    CKTBook* pOld = GetBook();
    // Nothing of the view points into the old scene while it is deleted, and the old book reaches
    // neither the view nor its callback.
    ClearSceneReferences();
    m_pCollisionDetector = nullptr;
    if (pOld) {
        pOld->SetElementDeletedCallback(nullptr);
        pOld->SetWindow(nullptr);
    }
    if (m_pDocument) m_pDocument->m_pBook = nullptr;
    if (pNew) {
        KTReplaceBook(pOld, pNew);
    } else {
        KTDeleteBook(pOld);
        pNew = new CKTBook;  // current from now on; it has its root (g_bLoading is 0)
    }
    if (m_pDocument) m_pDocument->m_pBook = pNew;
    AttachBook();
    // A loaded book brings its detector (the library gives one to a file without); a new one gets it here.
    m_pCollisionDetector = KTGetCollisionDetector(*pNew);
    if (!m_pCollisionDetector) CreateCollisionDetector();
}

// ---- loading ---------------------------------------------------------------------------------------

BOOL CQuillView::LoadDocument(const CString& strPath) {
    // A save that was cut short left the document it was writing in a recovery copy: the user hears
    // of it before anything is read and chooses what to read (once a session for each copy). Nothing
    // is deleted here; an answered copy goes with the document's next completed save.
    const CKTRecoveryLedger::Copy copy = m_recovery.Find(strPath);
    CKTRecoveryLedger::Answer answer = copy.answer;
    if (!copy.strPath.IsEmpty() && !copy.bAnswered) {
        const int nAnswer = ui::GetUIServices()->MessageBox(KTRecoveryCopyMessage(strPath, copy.strPath).str(),
                                                            KT_RECOVERY_COPY_CAPTION, MB_YESNOCANCEL | MB_ICONWARNING);
        if (nAnswer == IDYES)
            answer = CKTRecoveryLedger::recover;
        else if (nAnswer == IDNO)
            answer = CKTRecoveryLedger::openFile;
        else
            return FALSE;
    }
    const BOOL bRecover = !copy.strPath.IsEmpty() && answer == CKTRecoveryLedger::recover;
    const CString strRead = bRecover ? copy.strPath : strPath;
    KTLoadOptions options;
    options.confirmNewer = [&strRead](float fVersion) -> BOOL {
        const CString strText = KTNewerVersionMessage(strRead, fVersion);
        return ui::GetUIServices()->MessageBox(strText.str(), KT_NEWER_VERSION_CAPTION, MB_OKCANCEL) == IDOK;
    };
    KTLoadResult r = KTLoadDocumentFile(strRead, options);
    switch (r.status) {
        case KTLoadStatus::loaded: break;
        case KTLoadStatus::cancelled: return FALSE;
        case KTLoadStatus::openFailed:  // the file error's own text
        case KTLoadStatus::failed:      // "The data from this ... file could not be loaded ..."
            AfxMessageBox(r.strMessage.GetString(), MB_OK);
            return FALSE;
    }

    // The image the view shows belongs to the scene being replaced (whatever replaced it meanwhile).
    const CString strOldImage = GetBook() ? GetBook()->GetBackgroundImage() : CString();
    CKTBook* pBook = r.pBook;
    ReplaceBook(pBook);

    // The stored canvas size (read with the version string only): applied when both sides differ
    // from the client rectangle of the last paint.
    if (r.path == KTLoadPath::first && r.bHasCanvasSize && m_pClientRect &&
        m_pClientRect->Width() != r.nCanvasWidth && m_pClientRect->Height() != r.nCanvasHeight)
        SetCanvasSize(r.nCanvasWidth, r.nCanvasHeight);

    SetSimulateLabel(m_pSimulateItem, pBook->GetRunState());
    if (!copy.strPath.IsEmpty()) m_recovery.Answered(strPath, copy, answer);
    m_recovery.AddDocument(strPath);
    // A recovered scene is not yet in its file.
    m_bModified = bRecover ? 1 : 0;
    if (r.bNeedsUpgrade) UpgradeOldDocument();

    // The background image (version string path only): a new name loads it (a failure keeps the
    // old image, silently); the same name is laid out again for the new book's layout.
    if (r.path == KTLoadPath::first) {
        const CString strNewImage = pBook->GetBackgroundImage();
        if (strNewImage != strOldImage) {
            SetBackgroundImage(strNewImage);
        } else {
            delete m_pScaledImage;
            m_pScaledImage = nullptr;
        }
    }
    return TRUE;
}

void CQuillView::UpgradeOldDocument() {
    CKTBook* pBook = GetBook();
    if (!pBook || !(g_fFileVersion < KT_VERSION_UPGRADE)) return;
    // Behaviours added here come later in the same walk; they are not cruises.
    for (POSITION pos = pBook->GetFirstBehaviorPosition(); pos;) {
        CKTBehavior* pBehavior = pBook->GetNextBehavior(pos);
        if (!pBehavior || pBehavior->GetType() != BHVR_CRUISE || !pBehavior->IsKindOf(RUNTIME_CLASS(CKTCruiseBhvr)))
            continue;
        const double dMax = static_cast<CKTCruiseBhvr*>(pBehavior)->GetMaxAcceleration();
        auto* pStay = new CKTStayInWindowBhvr;
        pStay->SetMargins(CRect(0, 0, 0, 0));
        pStay->SetResponse(CKTStayInWindowBhvr::RESPONSE_ACCELERATE);
        pStay->SetResponseFactor(2.0 * dMax);
        auto* pAccelerate = new CKTAccelerateOnCollision;
        for (POSITION e = pBehavior->GetFirstElementPosition(); e;) {
            CKTElement* pElement = pBehavior->GetNextElement(e);
            pStay->AddElement(pElement);
            pAccelerate->AddElement(pElement);
        }
        pBook->AddBehavior(pStay);
        pBook->AddBehavior(pAccelerate);
        pStay->StartListening();
        pAccelerate->StartListening();
    }
}

// ---- the file commands -----------------------------------------------------------------------------

BOOL CQuillView::SaveModifiedBeforeOpen() {
    if (!m_bModified) return TRUE;
    const int r = AfxMessageBox("Save changes before opening a new file?", MB_YESNOCANCEL);
    if (r == IDCANCEL) return FALSE;
    // Yes: a save that fails (its message shown), or an untitled scene's save dialog that is
    // cancelled, keeps the scene instead of dropping it unsaved.
    if (r == IDYES) return OnFileSave();
    return TRUE;
}

void CQuillView::OnFileNew() {
    if (!SaveModifiedBeforeOpen()) return;
    ReplaceBook(nullptr);
    SetSimulateLabel(m_pSimulateItem, 0);
    GetBook()->SetBackgroundColor(RGB(255, 255, 255));
    m_bModified = 0;
    MakeSceneUntitled();
}

void CQuillView::OnFileOpen() {
    if (!SaveModifiedBeforeOpen()) return;
    ui::FileDialogRequest request;
    request.bOpen = true;
    request.dwFlags = OFN_HIDEREADONLY | OFN_FILEMUSTEXIST;
    request.strFilter = kFileFilter;
    std::string path;
    // The dialog makes the chosen folder current, so the bare name in m_strPath names the file.
    if (!ui::GetUIServices()->FileDialog(request, &path)) return;
    const CString strPath(path.c_str());
    if (!LoadDocument(strPath)) return;
    NameScene(CString(ui::PathFileName(path).c_str()));
    if (m_pDocument) m_pDocument->SetPathName(strPath);
}

BOOL CQuillView::SaveDocumentTo(const CString& strPath) {
    CKTBook* pBook = GetBook();
    if (!pBook) return FALSE;
    CRect rc;
    GetClientRect(&rc);
    const KTSaveResult s = KTSaveDocumentFile(*pBook, rc.Width(), rc.Height(), strPath, &m_recovery);
    if (!s.bSaved) {
        // Out of descriptors, the message's window could not open (it needs one): the reserve makes
        // room for it, and is taken again once the message is answered.
        const kernel::CDescriptorRoom room(kernel::IsDescriptorShortage(static_cast<int>(s.error.lOsError)));
        AfxMessageBox(s.error.strMessage.GetString(), MB_OK);
        return FALSE;
    }
    m_bModified = 0;
    return TRUE;
}

// A scene that has no name the user chose gets one first: a bare "Untitled.qsd" in whatever folder is
// current would silently replace another scene saved there.
BOOL CQuillView::OnFileSave() { return m_bUntitled ? OnFileSaveAs() : SaveDocumentTo(m_strPath); }

void CQuillView::NameScene(const CString& strPath) {
    m_strPath = strPath;
    m_bUntitled = 0;
}

void CQuillView::MakeSceneUntitled() {
    m_strPath = kUntitled;
    m_bUntitled = 1;
    if (m_pDocument) m_pDocument->OnNewDocument();
}

BOOL CQuillView::OnFileSaveAs() {
    ui::FileDialogRequest request;
    request.bOpen = false;
    request.strDefExt = ".qsd";
    request.strFileName = m_strPath.str();
    request.dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    request.strFilter = kFileFilter;
    std::string path;
    if (!ui::GetUIServices()->FileDialog(request, &path)) return FALSE;
    const CString strPath(path.c_str());
    if (!SaveDocumentTo(strPath)) return FALSE;
    NameScene(CString(ui::PathFileName(path).c_str()));
    if (m_pDocument) m_pDocument->SetPathName(strPath);
    return TRUE;
}

void CQuillView::ResetDocument() {
    const COLORREF crBack = GetBook() ? GetBook()->GetBackgroundColor() : RGB(255, 255, 255);
    ReplaceBook(nullptr);
    CKTBook* pBook = GetBook();
    pBook->SetBackgroundColor(crBack);
    m_bModified = 0;
    MakeSceneUntitled();
    pBook->SetRunState(1);
    SetSimulateLabel(m_pSimulateItem, 1);
    SprayText();
    if (m_dwLastMidiMsg != 0) OnMidiData(0, static_cast<LPARAM>(m_dwLastMidiMsg));
}

void CQuillView::SetCanvasSize(int w, int h) {
    auto* pFrame = qobject_cast<CMainFrame*>(window());
    if (!pFrame) return;
    // The frame's outer size is the client size plus what its caption and borders take; the view
    // fills the frame's client area. The frame ends at the screen's top-left corner.
    const CRect outer = pFrame->GetWindowRect();
    const int dw = outer.Width() - width();
    const int dh = outer.Height() - height();
    pFrame->SetWindowRect(CRect(0, 0, w + dw, h + dh));
}
