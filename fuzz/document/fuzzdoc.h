// Saved documents for the document fuzzer's seed corpus and the document tests: scenes built as the
// application builds them, the document frame written in the forms of older versions, and the check
// the fuzzer runs on every input.
#pragma once

#include <string>
#include <vector>

#include "kinetype/ktdocument.h"
#include "platform/afx/afx.h"
#include "tests/kinetype/ktfakewindow.h"

class CKTBook;
class CKTPassage;

typedef std::vector<BYTE> FzdBytes;

// A new book with a 640 x 480 window, current while it lives; afterwards the book that was current
// before is current again.
class FzdSceneBook {
public:
    FzdSceneBook();
    ~FzdSceneBook();
    FzdSceneBook(const FzdSceneBook&) = delete;
    FzdSceneBook& operator=(const FzdSceneBook&) = delete;
    CKTBook& operator*() const { return *m_pBook; }
    CKTBook* operator->() const { return m_pBook; }
    CKTBook* get() const { return m_pBook; }

private:
    CKTBook* m_pPrev;
    CKTFakeWindow m_wnd;
    CKTBook* m_pBook;
};

// A passage of the words of pszText in DejaVu Sans of lfHeight tenths of a point (split after each
// space; '\r' becomes a line-break glyph) at pt under the root of the current book, laid out with
// re-flow. Graphic glyphs join the book's collision
// detector when it has one.
CKTPassage* FzdAddPassage(CKTBook& book, const char* pszText, CPoint pt, COLORREF cr, LONG lfHeight = 160);

enum class FzdScene {
    empty,       // a new book: root and collision detector only
    typed,       // two passages of typed text
    everything,  // every stored class, stepped a few ticks, with queued deaths, starts and stops
    effects,     // every trigger and effect behaviour, with start and stop lists, stepped a few ticks
    text,        // typed text under the text behaviours (synonym shift, scramble, sequential, scroll, load file)
    renderers,   // running, 32-point words, each drawn in one of the mask and erosion styles
    outlines,    // words at 48 points drawn by each outline renderer, stepped and drawn a few times
};
// Builds the scene into book, which must be current, have a window (glyphs measure) and be new.
void FzdBuildScene(CKTBook& book, FzdScene scene);

// The document of book as a program of version fVersion wrote it: the version text (NULL: none, as
// the oldest files), the book with the image fields only from 0.969 and 5 listener lists below 0.8,
// and the size only from 0.95.
FzdBytes FzdWriteForm(CKTBook& book, const char* pszVersionText, float fVersion, LONG nWidth, LONG nHeight);

// The scene saved as a document of that version (the current one by KTSaveDocument, older ones by
// FzdWriteForm), built in a scene book of its own with the random sequence reset.
FzdBytes FzdMakeDocument(FzdScene scene, const char* pszVersionText = KT_VERSION_STRING,
                         float fVersion = KT_FILE_VERSION, LONG nWidth = 640, LONG nHeight = 480);

struct FzdSeed {
    std::string name;
    FzdBytes bytes;
};
// The seed documents (fuzz/corpus/document/<name>).
std::vector<FzdSeed> FzdMakeSeeds();

// Loads the bytes as a document. The current book, g_bLoading and (after a failure) g_fFileVersion
// must come back as they were; a loaded book must save, load again and save to the same bytes. Any
// breach aborts. TRUE when the bytes loaded.
bool FzdLoadAndCheck(const BYTE* pData, size_t nSize);
