// Scenes for the text-behaviour tests: a book on a fake window, a renderer whose glyph widths come
// from a table (so line flow and justification are exact), a lexicon that answers from a table, and
// builders for passages and words.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "kinetype/ktbook.h"
#include "kinetype/ktelementrenderer.h"
#include "kinetype/ktfakewindow.h"
#include "kinetype/ktglyph.h"
#include "kinetype/ktlexicon.h"
#include "kinetype/ktpassage.h"
#include "kinetype/kttext.h"
#include "kinetype/ktword.h"
#include "platform/crt/crt.h"

// A renderer whose extent is (0, -10, width, 0) with the width of its character: 10 px, 11 for 'w',
// 20 for 'M', 5 for a space, 0 for control characters. It copies itself (Clone), records the characters
// it was given and draws nothing.
class CKTERFixed : public CKTElementRenderer {
    DECLARE_SERIAL(CKTERFixed)

public:
    CKTERFixed() : CKTElementRenderer(RENDERER_TEST) {}
    static int WidthOf(char c) {
        if (c == 'w') return 11;
        if (c == 'M') return 20;
        if (c == ' ') return 5;
        return static_cast<unsigned char>(c) < 32 ? 0 : 10;
    }
    CKTElementRenderer* Clone() override { return new CKTERFixed; }
    void SetElement(CKTElement* pElement, BYTE bFlag) override {
        if (!pElement) return;
        m_pElement = pElement;
        GiveChildrenClones(pElement, bFlag);
    }
    BOOL AllowsChildRenderers() override { return TRUE; }
    CRect GetExtent(CDC*) override { return CRect(0, -10, WidthOf(m_cChar), 0); }
    void SetChar(char c) override {
        m_cChar = c;
        m_nSetChar++;
        if (m_pElement) m_pElement->InvalidateBounds();
    }
    char m_cChar = 0;
    int m_nSetChar = 0;
};

// A lexicon answering from a table; it counts what it is asked.
class CFakeLexicon : public CKTLexicon {
public:
    struct Call {
        std::string word;
        int nPartOfSpeech, nSearchType, nSense;
    };
    BOOL Init() override {
        m_nInits++;
        if (m_initResults.empty()) return m_bInitResult;
        BOOL b = m_initResults.front();
        m_initResults.erase(m_initResults.begin());
        return b;
    }
    std::vector<KTSynset> FindSynsets(const char* pszWord, int nPartOfSpeech, int nSearchType, int nSense) override {
        m_calls.push_back({pszWord, nPartOfSpeech, nSearchType, nSense});
        auto it = m_table.find(pszWord);
        return it == m_table.end() ? std::vector<KTSynset>() : it->second;
    }
    // Adds a synset for word: its words and the 1-based position of word among them.
    void Add(const std::string& word, std::vector<const char*> words, int nWhichWord) {
        KTSynset s;
        for (const char* w : words) s.words.emplace_back(w);
        s.nWhichWord = nWhichWord;
        m_table[word].push_back(s);
    }

    std::map<std::string, std::vector<KTSynset>> m_table;
    BOOL m_bInitResult = TRUE;
    std::vector<BOOL> m_initResults;  // answers of the next Init calls, then m_bInitResult
    int m_nInits = 0;
    std::vector<Call> m_calls;
};

class TextTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_bLoading = 0;
        g_fFileVersion = 0.0f;
        crt::reset_rand();
        m_pBook = std::make_unique<CKTBook>();
        m_pBook->SetWindow(&m_wnd);
        m_pBook->SetRunState(1);
        m_pOldLexicon = KTSetLexicon(&m_lexicon);
    }
    void TearDown() override {
        m_pBook.reset();
        KTSetLexicon(m_pOldLexicon);
    }

    CKTBook& Book() { return *m_pBook; }

    static LOGFONT Font(LONG lfHeight = 240, const char* face = "DejaVu Sans") {
        LOGFONT lf;
        std::memset(&lf, 0, sizeof lf);
        lf.lfHeight = lfHeight;
        lf.lfWeight = 400;
        std::strncpy(lf.lfFaceName, face, sizeof lf.lfFaceName - 1);
        return lf;
    }

    // A passage under the root at (x, y), in the test font and colour 0x112233.
    CKTPassage* NewPassage(double x = 0.0, double y = 0.0) {
        CKTPassage* p = new CKTPassage;
        p->SetFont(Font());
        p->SetColor(0x112233);
        p->SetAutoLayout();
        m_pBook->GetRoot()->AppendChild(p, FALSE);
        p->MoveBy(CKTVector(x, y, 0.0));
        return p;
    }
    // A word of text appended to pPassage with the line flow; its glyphs get fixed-width renderers
    // when bFixed (else the default renderer and the real font).
    CKTWord* AddWord(CKTPassage* pPassage, const std::string& text, bool bFixed = true) {
        CKTWord* pWord = new CKTWord;
        pWord->SetFont(pPassage->GetFont());
        pWord->SetColor(pPassage->GetColor());
        pWord->SetAutoLayout();
        pPassage->AppendChild(pWord, TRUE);
        for (char c : text) pWord->AppendChild(NewGlyph(pPassage, c, bFixed), TRUE);
        return pWord;
    }
    static CKTGlyph* NewGlyph(const CKTElement* pStyle, char c, bool bFixed = true) {
        CKTGlyph* pGlyph = new CKTGlyph;
        pGlyph->SetFont(pStyle->GetFont());
        pGlyph->SetColor(pStyle->GetColor());
        pGlyph->SetChar(c);
        pGlyph->SetAutoLayout();
        if (bFixed) pGlyph->SetRenderer(new CKTERFixed, TRUE);
        return pGlyph;
    }

    // Adds a behaviour to the book and starts it, as the commands do.
    template <class T>
    T* Add(T* pBhvr) {
        m_pBook->AddBehavior(pBhvr);
        pBhvr->StartListening();
        return pBhvr;
    }
    void Steps(int n) {
        for (int i = 0; i < n; i++) m_pBook->Step();
    }

    // The characters of an element's glyphs (a word's, or a passage's words' joined by '|').
    static std::string TextOf(CKTElement* p) {
        std::string s;
        if (p->GetKind() == KIND_GLYPH) return std::string(1, static_cast<CKTGlyph*>(p)->GetChar());
        for (CKTElement* c = p->GetFirstChild(); c; c = c->GetNextSibling()) {
            if (c->GetKind() == KIND_WORD) {
                if (!s.empty()) s += '|';
                s += TextOf(c);
            } else if (c->GetKind() == KIND_GLYPH) {
                s += static_cast<CKTGlyph*>(c)->GetChar();
            }
        }
        return s;
    }

    CKTFakeWindow m_wnd{640, 480};
    std::unique_ptr<CKTBook> m_pBook;
    CFakeLexicon m_lexicon;
    CKTLexicon* m_pOldLexicon = nullptr;
};
