// The scene the renderer benchmarks share: 500 glyphs of mixed letters (upper and lower case, words
// of 3 to 7 letters) at 48 points in DejaVu Sans, laid out in lines on a 1920 x 1080 window so that
// every glyph is visible; the book runs, and every glyph is attached to a running collision detector,
// as typed text is. The mouse moves along the lines, 47 pixels a frame.
//
//     RendererScene scene;
//     scene.SetOnWords([] { return new CKTERTransparent; });  // each word's renderer hands its glyphs copies
//     scene.Frame(i);    // mouse to point i of the path, one tick, one paint
//
// Needs the tests' fake window (the benchmark target adds tests/kinetype to its include path).
#pragma once

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "kinetype/kt1dcollisiondetbhvr.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktelementrenderer.h"
#include "kinetype/ktglobals.h"
#include "kinetype/ktglyph.h"
#include "kinetype/ktpassage.h"
#include "kinetype/ktregister.h"
#include "kinetype/kttext.h"
#include "kinetype/ktword.h"
#include "ktfakewindow.h"

class RendererScene {
public:
    static constexpr int kWidth = 1920;
    static constexpr int kHeight = 1080;
    static constexpr int kGlyphs = 500;
    static constexpr int kLineHeight = 72;
    static constexpr COLORREF kPaper = 0xFFFFFF;

    static LOGFONT Font() {
        LOGFONT lf;
        std::memset(&lf, 0, sizeof lf);
        lf.lfHeight = 480;  // 48 points
        lf.lfWeight = FW_NORMAL;
        std::strcpy(lf.lfFaceName, "DejaVu Sans");
        return lf;
    }

    RendererScene() {
        KTRegisterClasses();
        g_bLoading = 0;
        m_pBook = std::make_unique<CKTBook>();
        m_pBook->SetWindow(&m_wnd);
        m_pBook->SetRunState(1);
        m_pDetector = new CKT1DCollisionDetBhvr;
        m_pBook->AddBehavior(m_pDetector);
        m_pDetector->StartListening();
        Build();
        Paint();  // every glyph measured once
    }
    ~RendererScene() { m_pBook.reset(); }
    RendererScene(const RendererScene&) = delete;
    RendererScene& operator=(const RendererScene&) = delete;

    CKTBook& Book() { return *m_pBook; }
    CDC* PaintDC() { return m_wnd.GetPaintDC(); }
    const std::vector<CKTWord*>& Words() const { return m_words; }
    const std::vector<CKTGlyph*>& Glyphs() const { return m_glyphs; }

    // A fresh renderer from make() on every word: its copies (or clones) go to the word's glyphs.
    void SetOnWords(const std::function<CKTElementRenderer*()>& make) {
        for (CKTWord* pWord : m_words) {
            CKTElementRenderer* p = make();
            if (!pWord->SetRenderer(p, TRUE)) delete p;
        }
    }

    // Point i of the mouse's path: along the lines, a little above each baseline.
    CPoint MousePoint(int i) const {
        const long long x = static_cast<long long>(i) * 47;
        const int nLine = static_cast<int>(x / (kWidth - 40)) % m_nLines;
        return CPoint(20 + static_cast<int>(x % (kWidth - 40)), kTop + nLine * kLineHeight - 20);
    }
    void MoveMouse(int i) { m_pBook->OnMouseMove(MousePoint(i)); }
    void Tick() { m_pBook->Step(); }
    // The view's paint: the paper, then the book.
    void ClearPaper() { m_wnd.GetPaintDC()->FillSolidRect(0, 0, kWidth, kHeight, kPaper); }
    void Paint() {
        ClearPaper();
        m_pBook->Draw(m_wnd.GetPaintDC());
    }
    void Frame(int i) {
        MoveMouse(i);
        Tick();
        Paint();
    }

    // Glyphs whose absolute bounds lie wholly inside the window.
    int CountVisible() {
        const CRect rcClient = m_pBook->GetClientRect();
        int n = 0;
        for (CKTGlyph* p : m_glyphs) {
            const CRect rc = p->GetAbsoluteBounds();
            CRect rcMeet;
            if (rcMeet.IntersectRect(&rcClient, &rc) && rcMeet == rc) n++;
        }
        return n;
    }

private:
    static constexpr int kTop = 60;  // the first baseline

    void Build() {
        static const char kLetters[] = "QuillstormLivingTypeKINETICabcdefghjkmnopqrvwxyzBDEFGHJMNOPRSUVWXYZ";
        const int nLetters = static_cast<int>(sizeof kLetters - 1);
        int nGlyph = 0, nWord = 0;
        CKTPassage* pLine = NewLine();
        while (nGlyph < kGlyphs) {
            const int nLength = std::min(3 + (nWord * 3) % 5, kGlyphs - nGlyph);
            auto* pWord = new CKTWord;
            pWord->SetFont(Font());
            for (int i = 0; i < nLength; i++, nGlyph++) {
                auto* pGlyph = new CKTGlyph;
                pGlyph->SetFont(Font());
                pGlyph->SetChar(kLetters[(nGlyph * 7 + nWord) % nLetters]);
                pWord->AppendChild(pGlyph, TRUE);
                m_glyphs.push_back(pGlyph);
            }
            if (pLine->GetFirstChild() && pLine->GetAbsoluteBounds().right + kGap + pWord->GetWidth() > kWidth - 20)
                pLine = NewLine();
            pLine->AppendChild(pWord, TRUE);
            if (pWord != pLine->GetFirstChild()) pWord->MoveBy(kGap, 0);
            m_words.push_back(pWord);
            nWord++;
        }
        for (CKTGlyph* p : m_glyphs) m_pDetector->AddElement(p);
    }
    CKTPassage* NewLine() {
        auto* p = new CKTPassage;
        m_pBook->GetRoot()->AppendChild(p, FALSE);
        p->MoveBy(CKTVector(20, kTop + m_nLines * kLineHeight, 0));
        m_nLines++;
        return p;
    }

    static constexpr int kGap = 16;  // between words

    CKTFakeWindow m_wnd{kWidth, kHeight};
    std::unique_ptr<CKTBook> m_pBook;
    CKT1DCollisionDetBhvr* m_pDetector = nullptr;
    std::vector<CKTWord*> m_words;
    std::vector<CKTGlyph*> m_glyphs;
    int m_nLines = 0;
};
