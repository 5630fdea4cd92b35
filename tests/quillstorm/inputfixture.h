// A started program with helpers for the input tests: scenes written as text, built into the book
// with the caret where the text marks it, and read back the same way.
//
// Scene text: passages separated by " / "; each word in brackets, its glyphs inside ('~' is the line
// break, character 13); '|' marks the caret: inside a word after a glyph (the caret's glyph), right
// before a word's '[' (the caret before that word: no glyph), or after a passage's last word or in an
// empty passage (the passage, no word). No '|' in a non-empty scene leaves the caret on nothing.
// "[ab][,][ ][c|]" is one passage of four words with the caret after the c.
#pragma once

#include <string>
#include <vector>

#include "appfixture.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktelementrenderer.h"
#include "kinetype/ktglyph.h"
#include "kinetype/ktpassage.h"
#include "kinetype/kttext.h"
#include "kinetype/ktword.h"

class InputFixture : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        ASSERT_TRUE(Start());
        View()->SetCanvasSize(640, 480);
    }

    CKTText* Root() const { return Book()->GetRoot(); }

    // Deletes every passage and puts the view's caret, selection and modes back to their start.
    void ClearScene() {
        CQuillView* v = View();
        while (CKTElement* p = Root()->GetFirstChild()) {
            PurgeElementReferences(p);
            delete p;
        }
        v->m_selection.RemoveAll();
        v->m_pSelected = nullptr;
        v->m_pPrevSelected = nullptr;
        v->m_pCurPassage = nullptr;
        v->m_pCurWord = nullptr;
        v->m_pCurGlyph = nullptr;
        v->m_ptCaret = CPoint(50, 50);
        v->m_nMouseMode = 0;
        v->m_nClickAge = 51;
        v->m_bCaretShown = 1;
        v->m_bHasCapture = FALSE;
    }

    void Type(const std::string& text) {
        for (char c : text) View()->OnChar(static_cast<unsigned char>(c), 1, 0);
    }

    // The scene as text (see the top of the file).
    std::string Scene() const {
        CQuillView* v = View();
        std::string out;
        bool bFirst = true;
        for (CKTElement* p = Root()->GetFirstChild(); p; p = p->GetNextSibling()) {
            if (!bFirst) out += " / ";
            bFirst = false;
            for (CKTElement* w = p->GetFirstChild(); w; w = w->GetNextSibling()) {
                if (w == v->m_pCurWord && !v->m_pCurGlyph) out += '|';
                out += '[';
                for (CKTElement* g = w->GetFirstChild(); g; g = g->GetNextSibling()) {
                    const char c = static_cast<CKTGlyph*>(g)->GetChar();
                    out += c == 13 ? '~' : c;
                    if (g == v->m_pCurGlyph) out += '|';
                }
                out += ']';
            }
            if (p == v->m_pCurPassage && !v->m_pCurWord) out += '|';
        }
        return out;
    }

    // Builds the scene text into the (empty) book as typing would, passage i at (50, 50 + 100 i),
    // and sets the caret where it is marked.
    void Build(const std::string& text) {
        CQuillView* v = View();
        v->m_pCurPassage = nullptr;
        v->m_pCurWord = nullptr;
        v->m_pCurGlyph = nullptr;
        CKTPassage* p = nullptr;
        CKTWord* w = nullptr;
        bool bMark = false;  // a '|' outside a word waits for the next word or the passage's end
        int nPassages = 0;
        auto endPassage = [&] {
            if (p && bMark) v->m_pCurPassage = p;
            bMark = false;
        };
        auto newPassage = [&] {
            p = new CKTPassage;
            p->SetFont(v->m_logFont);
            p->MoveBy(50, 50 + 100 * nPassages++);
            Root()->AppendChild(p, TRUE);
        };
        for (size_t i = 0; i < text.size(); ++i) {
            const char c = text[i];
            if (!w) {
                if (c == '/') {
                    if (!p) newPassage();
                    endPassage();
                    p = nullptr;
                } else if (c == '|') {
                    if (!p) newPassage();
                    bMark = true;
                } else if (c == '[') {
                    if (!p) newPassage();
                    w = new CKTWord;
                    w->SetFont(v->m_logFont);
                    p->AppendChild(w, TRUE);
                    if (bMark) {
                        v->m_pCurPassage = p;
                        v->m_pCurWord = w;
                        bMark = false;
                    }
                }
                continue;  // blanks between words and passages
            }
            if (c == ']') {
                w = nullptr;
            } else if (c == '|') {
                v->m_pCurPassage = p;
                v->m_pCurWord = w;
                v->m_pCurGlyph = static_cast<CKTGlyph*>(w->GetLastChild());
            } else {
                auto* g = new CKTGlyph;
                g->SetFont(v->m_logFont);
                g->SetChar(c == '~' ? 13 : c);
                w->AppendChild(g, TRUE);
            }
        }
        if (!p && bMark) newPassage();
        endPassage();
        v->UpdateCaret();
    }

    // The i-th passage, its j-th word, that word's k-th glyph.
    CKTPassage* PassageAt(int i) const { return static_cast<CKTPassage*>(Root()->GetChildAt(i)); }
    CKTWord* WordAt(int i, int j) const { return static_cast<CKTWord*>(PassageAt(i)->GetChildAt(j)); }
    CKTGlyph* GlyphAt(int i, int j, int k) const { return static_cast<CKTGlyph*>(WordAt(i, j)->GetChildAt(k)); }

    // A point inside a glyph's absolute bounds.
    static CPoint Inside(CKTElement* e) {
        const CRect r = e->GetAbsoluteBounds();
        return CPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }

    void Paint() { View()->OnDraw(View()->GetDC()); }
};
