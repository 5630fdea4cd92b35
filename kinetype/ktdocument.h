// Documents (.qsd): the bytes of a saved scene, read into a new book and written from a book.
//
// The file, in the archive's encoding (little-endian, fields back to back):
//
//     BYTE 19, "version 0.969 alpha"       the version string, a CString without terminator
//     the book's stored form               CKTBook::Serialize, with no class record or tag of its own
//     LONG width, LONG height              the view's client size; only in files of version >= 0.95
//
// Files older than 0.969 lack the book's image fields, older than 0.8 hold 5 listener lists, older
// than 0.95 end after the book; the oldest have no version string at all and start with the book.
//
// LOADING (KTLoadDocument, KTLoadDocumentFile) reads in two attempts, each into a fresh book:
//   1. The version string; its number by the pattern "version %f" (KTParseVersion: independent of the
//      process locale); a text that does not match leaves the version g_fFileVersion had (the last load
//      or save). A version above 0.969 asks
//      KTLoadOptions::confirmNewer first (NULL: go on); FALSE cancels. Then the book, with g_bLoading
//      set and g_fFileVersion the file's version; then the canvas size when the version is >= 0.95.
//   2. Only when attempt 1 threw: the file from offset 0 as a file without version string or size,
//      with g_fFileVersion 0.0 when the text read as version string was shorter than 3 characters
//      (otherwise the number attempt 1 found). When this throws too, the load fails with the
//      exception of attempt 2.
// A load never touches the current book's scene: the book being read (and the one a failed attempt
// frees) is current while that happens, then the book that was current before is current again, as
// it was. A loaded book comes back NOT current; the caller swaps it in (KTReplaceBook). g_bLoading is
// restored after every load; g_fFileVersion keeps the version the loaded book was read with (the
// view's upgrade of files older than 0.9 reads it) and is restored when the load fails or is
// cancelled.
//
// Every loaded element's bounds are stale: they are measured again with this machine's fonts.
// A loaded book is also sound to run: a book property 2 that holds no collision detector takes the
// first CKT1DCollisionDetBhvr of the behaviour list, and only a book without one gets a new, started
// detector (bAddedDetector); a property 2 of another class than
// CKTBhvrPtrBhvrProp fails the load (bad class). A stored canvas size outside 1 .. 16384 (either
// side) counts as absent.
//
// Documents are untrusted: the archive bounds every count and length by the bytes left and checks the
// class of every object; the book checks the graph it read and frees a failed one, each object once.
// Reading and writing run on a thread with a large stack while the caller waits, with the archive's
// nesting limit lifted: a passage nests its sibling chain in the stored form (a glyph's next sibling
// is stored inside the glyph), so a long word nests as deep as it is long. Deeper than that stack a
// read fails cleanly (bad format) instead of overflowing.
//
// SAVING (KTSaveDocument, KTSaveDocumentFile) sets g_fFileVersion to 0.969 (and leaves it so), makes
// the book current while it is stored, and writes the frame above with 9 listener lists and the image
// fields. The file variant makes those bytes the file's content and changes nothing else about it
// (AfxReplaceFileContents: its links, owner and mode stay; a read-only file is refused; a failure
// before the file could be changed leaves it as it was).
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "kinetype/ktglobals.h"
#include "platform/afx/afx.h"

class CKTBook;
class CKT1DCollisionDetBhvr;
class CKTRecoveryLedger;

// The program's version string and its number (KT_FILE_VERSION, 0.969f).
inline constexpr char KT_VERSION_STRING[] = "version 0.969 alpha";

// Stored canvas sizes are used only when both sides lie in this range.
constexpr LONG KT_MIN_CANVAS_SIZE = 1;
constexpr LONG KT_MAX_CANVAS_SIZE = 16384;

// Versions that change the stored form (compare as floats).
constexpr float KT_VERSION_CANVAS_SIZE = 0.95f;  // the canvas size follows the book
constexpr float KT_VERSION_UPGRADE = 0.9f;       // older files get the view's upgrade

// The number of a version text by the pattern "version %f", as the C runtime's scanf reads it in the
// C locale: the letters "version", any white space, then a decimal number (sign, digits with an
// optional point, optional exponent) up to the first character that cannot continue it. TRUE and
// *pfVersion set when it matches; FALSE and *pfVersion 0.0 when not. The text ends at its first NUL.
BOOL KTParseVersion(const CString& strText, float* pfVersion);

// What went wrong, from the exception that stopped a load or save.
struct KTDocumentError {
    enum Kind { none = 0, archive = 1, file = 2, memory = 3 };
    int nKind = none;
    int nCause = 0;      // CArchiveException::m_cause or CFileException::m_cause (0 for memory)
    LONG lOsError = -1;  // errno of a file error, else -1
    // The exception's own message with the file name in it (CException::GetErrorMessage), at most
    // 254 characters.
    CString strMessage;
};

enum class KTLoadStatus {
    loaded,      // pBook is the new book
    cancelled,   // confirmNewer said no; nothing was read into a book
    openFailed,  // the file could not be opened (KTLoadDocumentFile only); error holds the file error
    failed,      // both attempts threw; error holds the second attempt's, strMessage the text to show
};

enum class KTLoadPath {
    none,
    first,  // attempt 1: version string, book, size. The view applies the size and background image.
    retry,  // attempt 2: the book from offset 0 (a file without version string). No size, no image.
};

struct KTLoadOptions {
    // Asked with the file's version when it is above 0.969 (the library's own), before any book is
    // made; the current book is the caller's and g_bLoading is as the caller had it, so a message
    // box's ticks and paints may run. FALSE cancels the load. Empty: the load goes on.
    std::function<BOOL(float fVersion)> confirmNewer;
};

struct KTLoadResult {
    KTLoadStatus status = KTLoadStatus::failed;
    KTLoadPath path = KTLoadPath::none;
    CKTBook* pBook = nullptr;  // loaded: the new book, owned by the caller, not current; else NULL

    // What attempt 1 read where the version string stands (empty when even that failed) and its
    // number (when it does not match the pattern: g_fFileVersion as it was before the load).
    CString strVersionText;
    float fVersion = 0.0f;
    BOOL bNewerVersion = FALSE;  // fVersion > 0.969f (confirmNewer was asked)
    // The version the book was read with (g_fFileVersion afterwards): fVersion, or for the retry 0.0
    // when the version text was shorter than 3 characters.
    float fBookVersion = 0.0f;
    BOOL bNeedsUpgrade = FALSE;  // loaded and fBookVersion < 0.9f: the view runs its upgrade

    // The stored client size (first path, version >= 0.95, both sides in 1 .. 16384).
    BOOL bHasCanvasSize = FALSE;
    LONG nCanvasWidth = 0;
    LONG nCanvasHeight = 0;

    BOOL bAddedDetector = FALSE;  // the file's book had no collision detector at all; a new one was added

    KTDocumentError error;  // openFailed, failed
    // failed: "The data from this <version text> file could not be loaded because of this error: \n"
    // followed by error.strMessage (KTLoadFailureMessage, the text as KTShownVersionText shows it).
    // openFailed: error.strMessage.
    CString strMessage;
};

// Reads a document from bytes; strFileName names it in error messages (%1 of the archive's texts).
KTLoadResult KTLoadDocument(const BYTE* pData, size_t nSize, const CString& strFileName,
                            const KTLoadOptions& options = {});
inline KTLoadResult KTLoadDocument(const std::vector<BYTE>& bytes, const CString& strFileName,
                                   const KTLoadOptions& options = {}) {
    return KTLoadDocument(bytes.data(), bytes.size(), strFileName, options);
}
// Reads the document file strPath (named so in messages). A file that does not open gives openFailed
// with the file error's message ("<path> was not found." ...).
KTLoadResult KTLoadDocumentFile(const CString& strPath, const KTLoadOptions& options = {});

// "%s was generated using a later version (%f) than\nthis application.  Do you wish to continue
// (loading may fail)?" with the path and the version as a double with six decimals, whatever the
// process locale; and the caption of that box.
CString KTNewerVersionMessage(const CString& strPath, float fVersion);
inline constexpr char KT_NEWER_VERSION_CAPTION[] = "Quillstorm! potential version conflict";
// "The data from this " + version text (or "pre-release or unidentified version" when it is shorter
// than 3 characters) + " file could not be loaded because of this error: \n" + the error message. The
// version text is shown as KTShownVersionText gives it: a file that is not a document holds noise there.
CString KTLoadFailureMessage(const CString& strVersionText, const CString& strErrorMessage);
// The first KT_SHOWN_VERSION_CHARS bytes of a version text read from a file, every byte outside 32 to
// 126 shown as '?'.
constexpr int KT_SHOWN_VERSION_CHARS = 40;
CString KTShownVersionText(const CString& strVersionText);

// The document bytes of pBook with the client size nWidth x nHeight. Throws the archive's exceptions
// (CArchiveException, CMemoryException) when the book cannot be stored; strFileName names it there.
std::vector<BYTE> KTSaveDocument(CKTBook& book, LONG nWidth, LONG nHeight, const CString& strFileName = CString());

struct KTSaveResult {
    BOOL bSaved = FALSE;
    KTDocumentError error;  // when not saved: the message names strPath
};
// Saves to strPath as AfxReplaceFileContents writes a file (through a symbolic link to its target;
// by a rename where that keeps everything about the file, else in place after a recovery copy of the
// new document, with the size reserved first). The document is made before the file is touched, so a
// scene that cannot be stored changes nothing.
// Recovery copies of strPath that are already there stay, unless pLedger lets the save remove them
// (CKTRecoveryLedger::MayRemove); with a ledger, a copy this save leaves behind when it fails goes into
// it (LeftBySave), and a saved file becomes a document of the session (AddDocument). When every name a
// copy could take is held, the save fails before the file changes, with KTCopyNamesHeldMessage.
KTSaveResult KTSaveDocumentFile(CKTBook& book, LONG nWidth, LONG nHeight, const CString& strPath,
                                CKTRecoveryLedger* pLedger = nullptr);

// A save in place that a kill cut short leaves the complete new document in a recovery copy
// (AfxReplaceFileContents). The first copy a save of strPath left, or an empty text when there is
// none; it only looks and deletes nothing. (CKTRecoveryLedger::Find chooses the copy the open notice
// is about.)
CString KTFindRecoveryCopy(const CString& strPath);
// What the program says before it opens a document that has a recovery copy, naming both, with the
// three answers of a Yes/No/Cancel box: Yes recovers the copy's scene under the document's name
// (unsaved), No opens the file as it stands, Cancel opens nothing.
CString KTRecoveryCopyMessage(const CString& strPath, const CString& strCopy);
inline constexpr char KT_RECOVERY_COPY_CAPTION[] = "Quillstorm! unfinished save";
// Why a save in place of strPath failed when every name its recovery copy could take was held
// (strCopy: the first of them).
CString KTCopyNamesHeldMessage(const CString& strPath, const CString& strCopy);

// ---- the current book (g_pCurrentBook)

// Makes pBook current for the scope's lifetime, then the book that was current before.
class CKTCurrentBookScope {
public:
    explicit CKTCurrentBookScope(CKTBook* pBook) : m_pOld(g_pCurrentBook) { g_pCurrentBook = pBook; }
    ~CKTCurrentBookScope() { g_pCurrentBook = m_pOld; }
    CKTCurrentBookScope(const CKTCurrentBookScope&) = delete;
    CKTCurrentBookScope& operator=(const CKTCurrentBookScope&) = delete;

private:
    CKTBook* m_pOld;
};

// Deletes pBook while it is current (its components withdraw from its own lists), then makes the
// book that was current before current again, or none when that was pBook. NULL does nothing.
void KTDeleteBook(CKTBook* pBook);
// Deletes pOld (current while it goes), then makes pNew current. Either may be NULL. For the view's
// New, load and reset: reset every reference into the old scene first.
void KTReplaceBook(CKTBook* pOld, CKTBook* pNew);

// The collision detector book property 2 names, or NULL when it names none (or another class).
CKT1DCollisionDetBhvr* KTGetCollisionDetector(const CKTBook& book);

// For tests: the stack size of the thread that reads and writes books (0 restores the default,
// 1 GiB). A smaller stack makes deep documents fail sooner.
void KTSetDocumentStackSizeForTesting(size_t nBytes);
