#include "kinetype/ktdocument.h"

#include <pthread.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <condition_variable>
#include <clocale>
#include <cstdlib>
#include <exception>
#include <mutex>
#include <new>
#include <string>
#include <system_error>

#include "kinetype/kt1dcollisiondetbhvr.h"
#include "kinetype/ktbhvrptrbhvrprop.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktelement.h"
#include "kinetype/ktrecoveryledger.h"

namespace {

constexpr int kArchiveBuffer = 4096;
constexpr size_t kDefaultStack = size_t(1) << 30;  // 1 GiB of address space, touched only as deep as needed
constexpr size_t kMinStack = size_t(8) << 20;
size_t g_nStackSize = kDefaultStack;

// ---- running a book's Serialize on a deep stack ----------------------------------------------------

// One parked thread with a large stack runs each book's Serialize while the caller waits, so the
// library stays single-threaded in effect: only one of the two threads runs at any time, and the
// hand-over (mutex and condition variable) orders every memory access of one before the other's.
// The thread is made at the first use and ends with the process (or when the test knob changes its
// stack size).
class CDeepStackWorker {
public:
    ~CDeepStackWorker() { Stop(); }

    // Runs fn on the worker and rethrows its exception here. On the worker itself, or when no worker
    // can be made (even with a stack halved down to 8 MiB), fn runs on the calling thread: the
    // archive still stops before that stack runs out.
    void Run(const std::function<void()>& fn) {
        if (m_bStarted && pthread_equal(pthread_self(), m_thread)) {
            fn();
            return;
        }
        if (!m_bStarted && !Start()) {
            fn();
            return;
        }
        std::unique_lock<std::mutex> lock(m_mutex);
        m_pTask = &fn;
        m_error = nullptr;
        m_cv.notify_all();
        m_cv.wait(lock, [this] { return m_pTask == nullptr; });
        if (std::exception_ptr error = m_error) {
            m_error = nullptr;
            std::rethrow_exception(error);
        }
    }

    void Stop() {
        if (!m_bStarted) return;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_bQuit = true;
            m_cv.notify_all();
        }
        pthread_join(m_thread, nullptr);
        m_bStarted = false;
        m_bQuit = false;
    }

private:
    bool Start() {
        for (size_t size = g_nStackSize; size >= kMinStack; size /= 2) {
            pthread_attr_t attr;
            if (pthread_attr_init(&attr) != 0) return false;
            bool made = pthread_attr_setstacksize(&attr, size) == 0 && pthread_create(&m_thread, &attr, Main, this) == 0;
            pthread_attr_destroy(&attr);
            if (made) return m_bStarted = true;
        }
        return false;
    }

    static void* Main(void* pv) {
        auto* self = static_cast<CDeepStackWorker*>(pv);
        std::unique_lock<std::mutex> lock(self->m_mutex);
        for (;;) {
            self->m_cv.wait(lock, [self] { return self->m_pTask != nullptr || self->m_bQuit; });
            if (self->m_pTask == nullptr) return nullptr;
            const std::function<void()>* pTask = self->m_pTask;
            lock.unlock();
            std::exception_ptr error;
            try {
                (*pTask)();
            } catch (...) {
                error = std::current_exception();
            }
            lock.lock();
            self->m_error = error;
            self->m_pTask = nullptr;
            self->m_cv.notify_all();
        }
    }

    pthread_t m_thread{};
    bool m_bStarted = false;
    bool m_bQuit = false;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    const std::function<void()>* m_pTask = nullptr;
    std::exception_ptr m_error;
};

CDeepStackWorker g_worker;

void RunOnLargeStack(const std::function<void()>& fn) { g_worker.Run(fn); }

// An archive for a whole book: the nesting limit is the stack's (the archive checks it per object).
void LiftNestingLimit(CArchive& ar) { ar.SetMaxDepth(UINT_MAX); }

// ---- errors -----------------------------------------------------------------------------------------

CString MessageOf(const CException& e) {
    char buf[255];
    buf[0] = '\0';
    e.GetErrorMessage(buf, sizeof buf);
    return CString(buf);
}

KTDocumentError ErrorOf(const CException& e) {
    KTDocumentError err;
    if (const auto* pArchive = dynamic_cast<const CArchiveException*>(&e)) {
        err.nKind = KTDocumentError::archive;
        err.nCause = pArchive->m_cause;
    } else if (const auto* pFile = dynamic_cast<const CFileException*>(&e)) {
        err.nKind = KTDocumentError::file;
        err.nCause = pFile->m_cause;
        err.lOsError = pFile->m_lOsError;
    } else {
        err.nKind = KTDocumentError::memory;
    }
    err.strMessage = MessageOf(e);
    return err;
}

// Runs fn; a class-library exception or an allocation failure becomes *pError (FALSE).
template <class F>
BOOL Attempt(F&& fn, KTDocumentError* pError) {
    try {
        fn();
        return TRUE;
    } catch (const CException& e) {
        *pError = ErrorOf(e);
    } catch (const std::bad_alloc&) {
        *pError = ErrorOf(CMemoryException());
    }
    return FALSE;
}

// ---- the version pattern ----------------------------------------------------------------------------

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The C locale, for strtod_l: the process locale never decides how a document's number reads.
locale_t CLocale() {
    static locale_t loc = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

// ---- loading ----------------------------------------------------------------------------------------

// Book property 2 may hold nothing or a behaviour-pointer property; anything else is a foreign
// object there (no detector could be put into that slot).
void CheckDetectorSlot(const CKTBook& book, const CString& strFileName) {
    CKTBhvrProp* pProp = book.GetBookProp(BOOKPROP_COLLISION_DETECTOR);
    if (pProp && !CKTBhvrPtrBhvrProp::Cast(pProp))
        AfxThrowArchiveException(CArchiveException::badClass, strFileName);
}

// Gives a loaded book's property 2 a collision detector when it names none: the first one-dimensional
// detector of the behaviour list (a file can keep the detector and lack the property), with a new
// property holding the detector's one reference when the slot is empty; only a book without any
// detector gets a new, started one (TRUE). The book is current and g_bLoading is 0 meanwhile, so a new
// detector registers as a new one does.
BOOL EnsureCollisionDetector(CKTBook& book) {
    if (KTGetCollisionDetector(book)) return FALSE;
    for (POSITION pos = book.GetFirstBehaviorPosition(); pos;) {
        CKTBehavior* pListed = book.GetNextBehavior(pos);
        if (!pListed || !pListed->IsKindOf(RUNTIME_CLASS(CKT1DCollisionDetBhvr))) continue;
        CKTBhvrPtrBhvrProp* pSlot = CKTBhvrPtrBhvrProp::Cast(book.GetBookProp(BOOKPROP_COLLISION_DETECTOR));
        if (!pSlot) {
            pSlot = new CKTBhvrPtrBhvrProp(BOOKPROP_COLLISION_DETECTOR);
            pSlot->AddRef();  // the detector's: it releases the slot when it goes
            book.SetBookProp(BOOKPROP_COLLISION_DETECTOR, pSlot);
        }
        pSlot->SetValue(pListed);
        return FALSE;
    }
    CKTCurrentBookScope current(&book);
    BYTE bLoading = g_bLoading;
    g_bLoading = 0;
    auto* pDetector = new CKT1DCollisionDetBhvr;  // puts itself into property 2
    book.AddBehavior(pDetector);
    pDetector->StartListening();
    g_bLoading = bLoading;
    return TRUE;
}

// One attempt: a fresh book read from ar as a file of version fVersion, then, when bSize, the canvas
// size. The new book is current while it is read and, when the attempt throws, while it is freed;
// afterwards the book that was current before is current again. Returns the book (not current).
CKTBook* ReadBook(CArchive& ar, float fVersion, BOOL bSize, KTLoadResult& result) {
    CKTBook* pPrev = g_pCurrentBook;
    CKTLoadingScope loading(fVersion);
    CKTBook* pBook = nullptr;
    try {
        pBook = new CKTBook;  // current now; no root while loading
        RunOnLargeStack([&] { pBook->Serialize(ar); });
        if (bSize) {
            LONG w, h;
            ar >> w >> h;
            if (w >= KT_MIN_CANVAS_SIZE && w <= KT_MAX_CANVAS_SIZE && h >= KT_MIN_CANVAS_SIZE &&
                h <= KT_MAX_CANVAS_SIZE) {
                result.bHasCanvasSize = TRUE;
                result.nCanvasWidth = w;
                result.nCanvasHeight = h;
            }
        }
        CheckDetectorSlot(*pBook, ar.m_strFileName);
        // Stored bounds were measured with the fonts of the machine that wrote the file: every
        // element is measured again here when next asked (words and passages read their flags after
        // some of their children, so the renderers' pushes alone do not reach them all).
        for (CObject* pObject : ar.GetLoadedObjects())
            if (pObject->IsKindOf(RUNTIME_CLASS(CKTElement))) static_cast<CKTElement*>(pObject)->InvalidateBounds();
    } catch (...) {
        result.bHasCanvasSize = FALSE;
        result.nCanvasWidth = result.nCanvasHeight = 0;
        if (pBook) {
            g_pCurrentBook = pBook;
            delete pBook;  // what Serialize left (nothing after a failed read, a whole scene after it)
        }
        g_pCurrentBook = pPrev;
        throw;
    }
    g_pCurrentBook = pPrev;
    return pBook;
}

KTLoadResult LoadFrom(CFile& file, const CString& strFileName, const KTLoadOptions& options) {
    KTLoadResult result;
    const float fOldVersion = g_fFileVersion;

    // Attempt 1: the version string.
    KTDocumentError error;
    BOOL bOk = TRUE;
    {
        CArchive ar(&file, CArchive::load, kArchiveBuffer);
        ar.m_strFileName = strFileName;
        LiftNestingLimit(ar);
        bOk = Attempt([&] { ar >> result.strVersionText; }, &error);
        if (bOk) {
            // A text that does not match the pattern leaves the version as the last load or save set it.
            float fParsed = 0.0f;
            result.fVersion = KTParseVersion(result.strVersionText, &fParsed) ? fParsed : fOldVersion;
            g_fFileVersion = result.fVersion;
            result.bNewerVersion = result.fVersion > KT_FILE_VERSION ? TRUE : FALSE;
            if (result.bNewerVersion && options.confirmNewer && !options.confirmNewer(result.fVersion)) {
                g_fFileVersion = fOldVersion;
                result.status = KTLoadStatus::cancelled;
                return result;
            }
            // Attempt 1: the book and the size.
            bOk = Attempt(
                [&] {
                    result.pBook = ReadBook(ar, result.fVersion, result.fVersion >= KT_VERSION_CANVAS_SIZE, result);
                },
                &error);
            if (bOk) {
                result.path = KTLoadPath::first;
                result.fBookVersion = result.fVersion;
            }
        }
    }

    // Attempt 2: the whole file as a book, for files written before the version string existed.
    if (!bOk) {
        result.fBookVersion = result.strVersionText.GetLength() < 3 ? 0.0f : result.fVersion;
        bOk = Attempt(
            [&] {
                file.SeekToBegin();
                CArchive ar(&file, CArchive::load, kArchiveBuffer);
                ar.m_strFileName = strFileName;
                LiftNestingLimit(ar);
                result.pBook = ReadBook(ar, result.fBookVersion, FALSE, result);
            },
            &error);
        if (bOk) result.path = KTLoadPath::retry;
    }

    if (!bOk) {
        g_fFileVersion = fOldVersion;
        result.pBook = nullptr;
        result.status = KTLoadStatus::failed;
        result.error = error;
        result.strMessage = KTLoadFailureMessage(result.strVersionText, error.strMessage);
        return result;
    }
    g_fFileVersion = result.fBookVersion;
    result.status = KTLoadStatus::loaded;
    result.bNeedsUpgrade = result.fBookVersion < KT_VERSION_UPGRADE ? TRUE : FALSE;
    result.bAddedDetector = EnsureCollisionDetector(*result.pBook);
    return result;
}

}  // namespace

// ---- the version pattern ----------------------------------------------------------------------------

BOOL KTParseVersion(const CString& strText, float* pfVersion) {
    *pfVersion = 0.0f;
    const char* p = strText.GetString();  // ends at the first NUL, as the C runtime reads it
    static const char kWord[] = "version";
    for (const char* w = kWord; *w; w++, p++)
        if (*p != *w) return FALSE;
    while (IsSpace(*p)) p++;  // the pattern's space, then %f's own skip
    // The longest decimal number at p: sign, digits, point, digits, exponent with digits.
    const char* start = p;
    if (*p == '+' || *p == '-') p++;
    int nDigits = 0;
    while (IsDigit(*p)) p++, nDigits++;
    if (*p == '.') {
        p++;
        while (IsDigit(*p)) p++, nDigits++;
    }
    if (nDigits == 0) return FALSE;
    if (*p == 'e' || *p == 'E') {
        const char* q = p + 1;
        if (*q == '+' || *q == '-') q++;
        if (IsDigit(*q)) {
            while (IsDigit(*q)) q++;
            p = q;
        }
    }
    std::string number(start, p);
    double d = strtod_l(number.c_str(), nullptr, CLocale());
    *pfVersion = static_cast<float>(d);
    return TRUE;
}

// ---- messages ---------------------------------------------------------------------------------------

CString KTNewerVersionMessage(const CString& strPath, float fVersion) {
    char number[400];
    auto r = std::to_chars(number, number + sizeof number - 1, static_cast<double>(fVersion), std::chars_format::fixed, 6);
    *r.ptr = '\0';
    return strPath + " was generated using a later version (" + CString(number) +
           ") than\nthis application.  Do you wish to continue (loading may fail)?";
}

CString KTShownVersionText(const CString& strVersionText) {
    std::string shown;
    const int n = std::min(strVersionText.GetLength(), KT_SHOWN_VERSION_CHARS);
    for (int i = 0; i < n; i++) {
        const unsigned char c = static_cast<unsigned char>(strVersionText[i]);
        shown += c >= 32 && c <= 126 ? static_cast<char>(c) : '?';
    }
    return CString(shown.c_str());
}

CString KTLoadFailureMessage(const CString& strVersionText, const CString& strErrorMessage) {
    CString strVersion = strVersionText.GetLength() < 3 ? CString("pre-release or unidentified version")
                                                         : KTShownVersionText(strVersionText);
    return "The data from this " + strVersion + " file could not be loaded because of this error: \n" + strErrorMessage;
}

// ---- loading ----------------------------------------------------------------------------------------

KTLoadResult KTLoadDocument(const BYTE* pData, size_t nSize, const CString& strFileName, const KTLoadOptions& options) {
    CMemFile file(pData, nSize);
    file.SetFilePath(strFileName);
    return LoadFrom(file, strFileName, options);
}

KTLoadResult KTLoadDocumentFile(const CString& strPath, const KTLoadOptions& options) {
    CFile file;
    CFileException openError;
    if (!file.Open(strPath, CFile::modeRead, &openError)) {
        KTLoadResult result;
        result.status = KTLoadStatus::openFailed;
        result.error = ErrorOf(openError);
        result.strMessage = result.error.strMessage;
        return result;
    }
    return LoadFrom(file, strPath, options);
}

// ---- saving -----------------------------------------------------------------------------------------

std::vector<BYTE> KTSaveDocument(CKTBook& book, LONG nWidth, LONG nHeight, const CString& strFileName) {
    CKTCurrentBookScope current(&book);
    KTParseVersion(CString(KT_VERSION_STRING), &g_fFileVersion);
    CMemFile file;
    file.SetFilePath(strFileName);
    {
        CArchive ar(&file, CArchive::store | CArchive::bNoFlushOnDelete, kArchiveBuffer);
        ar.m_strFileName = strFileName;
        LiftNestingLimit(ar);
        ar << CString(KT_VERSION_STRING);
        RunOnLargeStack([&] { book.Serialize(ar); });
        ar << nWidth << nHeight;
        ar.Close();
    }
    return file.DetachBytes();
}

KTSaveResult KTSaveDocumentFile(CKTBook& book, LONG nWidth, LONG nHeight, const CString& strPath,
                                CKTRecoveryLedger* pLedger) {
    KTSaveResult result;
    AfxReplaceOptions options;
    std::string strCopyLeft;
    options.pCopyLeft = &strCopyLeft;
    if (pLedger) {
        options.mayRemoveCopy = [pLedger, &strPath](const std::string& strCopy, const AfxFileStamp& stamp) {
            return pLedger->MayRemove(strPath, strCopy, stamp) != FALSE;
        };
    }
    CString strHeldCopy;
    result.bSaved = Attempt(
        [&] {
            const std::vector<BYTE> bytes = KTSaveDocument(book, nWidth, nHeight, strPath);
            try {
                AfxReplaceFileContents(strPath, bytes.data(), bytes.size(), options);
            } catch (const CFileException& e) {
                // Every name a recovery copy could take is held (the error names the first of them).
                if (e.m_lOsError == EEXIST && e.m_strFileName != strPath) strHeldCopy = e.m_strFileName;
                throw;
            }
        },
        &result.error);
    if (!strHeldCopy.IsEmpty()) result.error.strMessage = KTCopyNamesHeldMessage(strPath, strHeldCopy);
    if (pLedger) {
        if (!strCopyLeft.empty()) pLedger->LeftBySave(strPath, strCopyLeft);
        if (result.bSaved) pLedger->AddDocument(strPath);
    }
    return result;
}

// ---- recovery copies --------------------------------------------------------------------------------

CString KTFindRecoveryCopy(const CString& strPath) { return CString(AfxFindRecoveryCopy(strPath.str().c_str()).c_str()); }

CString KTRecoveryCopyMessage(const CString& strPath, const CString& strCopy) {
    return "A save of " + strPath + " did not finish. The document that save was writing is complete in this recovery copy:\n" +
           strCopy +
           "\n\nThe file itself may be incomplete, or partly old and partly new.\n\n"
           "Yes: recover the copy's scene. It opens under the name " + strPath +
           ", unsaved; saving it writes the file.\n"
           "No: open the file as it stands.\n"
           "Cancel: open nothing.\n\n"
           "After Yes or No, the next completed save of " + strPath +
           " removes the copy. To keep the copy, move it away, or choose Cancel and open the copy itself: a copy "
           "opened as a document is never removed.";
}

CString KTCopyNamesHeldMessage(const CString& strPath, const CString& strCopy) {
    return strPath + " was not saved: this save writes a recovery copy first, and every name that copy could take "
                     "is held by another file, such as\n" +
           strCopy + "\nNothing was changed. Move those files away, then save again.";
}

// ---- the current book -------------------------------------------------------------------------------

void KTDeleteBook(CKTBook* pBook) {
    if (!pBook) return;
    CKTBook* pPrev = g_pCurrentBook;
    g_pCurrentBook = pBook;
    delete pBook;
    g_pCurrentBook = pPrev == pBook ? nullptr : pPrev;
}

void KTReplaceBook(CKTBook* pOld, CKTBook* pNew) {
    KTDeleteBook(pOld);
    g_pCurrentBook = pNew;
}

CKT1DCollisionDetBhvr* KTGetCollisionDetector(const CKTBook& book) {
    CKTBhvrPtrBhvrProp* pSlot = CKTBhvrPtrBhvrProp::Cast(book.GetBookProp(BOOKPROP_COLLISION_DETECTOR));
    CKTBehavior* pValue = pSlot ? pSlot->GetValue() : nullptr;
    if (!pValue || !pValue->IsKindOf(RUNTIME_CLASS(CKT1DCollisionDetBhvr))) return nullptr;
    return static_cast<CKT1DCollisionDetBhvr*>(pValue);
}

void KTSetDocumentStackSizeForTesting(size_t nBytes) {
    g_worker.Stop();
    g_nStackSize = nBytes ? nBytes : kDefaultStack;
}
