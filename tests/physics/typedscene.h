// Scenes as a person makes them, for the determinism tests and the physics benchmarks: text typed at
// the end of passages (words and separators as the view's typing makes them, every visible glyph in
// the book's collision detector), the physics that the behaviour commands attach to a selection, a
// mouse moving over the canvas and a few glyphs dying now and then.
//
//     tscene::Scene scene(tscene::Kind::gravity, 2000);   // a new current book with a window
//     for (int i = 0; i < 500; i++) scene.Tick(i);
//
// The text and every parameter come from the C runtime's rand() sequence, reset by the constructor,
// so a scene is the same on every run. Glyphs use DejaVu Sans at 12 points with the default renderer.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "kinetype/ktfakewindow.h"
#include "platform/afx/afx.h"
#include "platform/gdi/logfont.h"

class CKTBook;
class CKTElement;
class CKTPassage;
class CKTWord;
class CKTGlyph;
class CKTBehavior;

namespace tscene {

// Types characters at the end of one passage, as the view's InsertCharacter does at a caret that
// stands at the end of the text: letters, digits and apostrophes join the current word, any other
// character is a word of its own; visible glyphs join the detector.
class Typist {
public:
    Typist(CKTBook& book, CKTBehavior* pDetector, const LOGFONT& lf, COLORREF cr, CPoint ptCaret);
    void Type(char c);
    void Type(const std::string& text) {
        for (char c : text) Type(c);
    }
    CKTPassage* Passage() const { return m_pPassage; }

private:
    CKTWord* NewWord() const;

    CKTBook& m_book;
    CKTBehavior* m_pDetector;
    LOGFONT m_lf;
    COLORREF m_cr;
    CPoint m_ptCaret;
    CKTPassage* m_pPassage = nullptr;
    CKTWord* m_pWord = nullptr;
    CKTGlyph* m_pGlyph = nullptr;
};

// nChars characters of text from rand(): words of 1 to 8 letters, separated by a space or a
// punctuation mark and a space, a line break after about nLine characters.
std::string RandomText(int nChars, int nLine);

// The default font of the scenes: DejaVu Sans, nTenths tenths of a point.
LOGFONT Font(int nTenths = 120);

enum class Kind {
    gravity,  // one detector; every glyph under gravity (window-bottom ground), drag, stay in window
              // (bounce back) and bounce on collision; the words of one passage accelerate on
              // collision; a few glyphs are killed on collision
    cruise,   // two detectors, one for each half of the passages; the first half as above, the
              // second a cruise group (cruise, drag, stay in window accelerating back, accelerate on
              // collision)
    page,     // a page of text under gravity, drag, stay in window, bounce and one detector; no deaths
};

// Makes a collision detector (the benchmarks compare detectors); empty: CKT1DCollisionDetBhvr.
typedef std::function<CKTBehavior*()> DetectorFactory;

class Scene {
public:
    // A book (current while the scene lives) with a window of nWidth x nHeight, about nGlyphs glyphs
    // typed into passages of about 250 characters placed over the window, the behaviours of kind, and
    // the book running.
    Scene(Kind kind, int nGlyphs, int nWidth = 1024, int nHeight = 768, const DetectorFactory& makeDetector = {});
    ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // Replaces the book by what a document of it loads as (saved and read back by the document
    // functions), with the same window, running.
    void Reload();

    // One frame: the mouse moves along its path (buttons on some frames), the book steps, and on a
    // few frames (scenes with deaths) a glyph dies or a word is deleted as the delete key does.
    void Tick(int nFrame);
    // The book's step alone.
    void Step();
    // A draw of the whole book into the window's surface.
    void Draw();

    CKTBook& Book() const { return *m_pBook; }
    CKTFakeWindow& Window() { return m_wnd; }
    int GlyphCount() const;

private:
    void Build(Kind kind, int nGlyphs, const DetectorFactory& makeDetector);
    CKTGlyph* NthGlyph(int n) const;

    Kind m_kind;
    CKTFakeWindow m_wnd;
    CKTBook* m_pBook = nullptr;
    CKTBook* m_pPrev = nullptr;
};

// Entries in the collision lists of pElement, its siblings after it and their subtrees.
int64_t CollisionEntries(CKTElement* pElement);

// FNV-1a over what a tick leaves, element by element in tree order (the root first, depth first):
// kind, character, relative position, velocity and the collision list as tree indices (an entry
// naming an element outside the tree counts as -1, and is never read). With bAbsolute the absolute
// position and bounds of every element too (reading them fills the caches, so only at the end).
class Hasher {
public:
    void Add(CKTBook& book, bool bAbsolute);
    uint64_t Value() const { return m_h; }

private:
    void Bytes(const void* p, size_t n);
    template <class T>
    void Value(const T& v) {
        Bytes(&v, sizeof v);
    }
    uint64_t m_h = 14695981039346656037ull;
};

}  // namespace tscene
