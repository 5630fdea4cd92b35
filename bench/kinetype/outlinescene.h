// The outline renderers' benchmark scene: 500 glyphs of mixed letters at 48 points in DejaVu Sans, in
// 13 lines that all lie inside a 1920 x 1080 window, the book running, and a mouse that sweeps across
// the text a little every frame.
//
//     OutlineScene scene([] { return new CKTERDrift; });
//     scene.Warm(10);                 // outlines built, shapes under way
//     for (...) scene.Frame();        // mouse move, one tick (pre-step ...), one draw
#pragma once

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>

#include "kinetype/ktbook.h"
#include "kinetype/ktelementrenderer.h"
#include "kinetype/ktglyph.h"
#include "kinetype/ktpassage.h"
#include "kinetype/ktregister.h"
#include "kinetype/kttext.h"
#include "kinetype/ktword.h"
#include "ktfakewindow.h"
#include "platform/crt/crt.h"

class OutlineScene {
public:
    static constexpr int kGlyphs = 500;
    static constexpr int kLines = 13;
    static constexpr int kWidth = 1920;
    static constexpr int kHeight = 1080;

    // Every line's passage gets a renderer from make (its glyphs receive copies); bLeftButton holds the
    // left button down throughout (clay kneads only then).
    explicit OutlineScene(const std::function<CKTElementRenderer*()>& make, bool bLeftButton = false) {
        KTRegisterClasses();
        crt::reset_rand();
        g_bLoading = 0;
        m_pBook = std::make_unique<CKTBook>();
        m_pBook->SetWindow(&m_wnd);
        const LOGFONT lf = Font();
        // Mixed capitals and small letters, the same sequence on every run.
        static const char kText[] = "QuillstormKineticTypeMovesWithTheMouseAndDriftsLikeClayPulledTowardsTheLens";
        const int nPerLine = (kGlyphs + kLines - 1) / kLines;
        int n = 0;
        for (int line = 0; line < kLines && n < kGlyphs; line++) {
            auto* pPassage = new CKTPassage;
            m_pBook->GetRoot()->AppendChild(pPassage, FALSE);
            pPassage->MoveBy(20, 70 + line * 80);
            pPassage->SetFont(lf);
            for (int g = 0; g < nPerLine && n < kGlyphs;) {
                auto* pWord = new CKTWord;
                pWord->SetFont(lf);
                for (int k = 0; k < 6 && g < nPerLine && n < kGlyphs; k++, g++, n++) {
                    auto* pGlyph = new CKTGlyph;
                    pGlyph->SetFont(lf);
                    pGlyph->SetChar(kText[(n * 7) % (sizeof kText - 1)]);
                    pWord->AppendChild(pGlyph, TRUE);
                }
                pPassage->AppendChild(pWord, TRUE);
            }
            CKTElementRenderer* pRenderer = make();
            if (!pPassage->SetRenderer(pRenderer, TRUE)) delete pRenderer;
        }
        m_pBook->SetRunState(1);
        if (bLeftButton) m_pBook->OnLButtonDown(CPoint());
    }

    static LOGFONT Font() {
        LOGFONT lf;
        std::memset(&lf, 0, sizeof lf);
        lf.lfHeight = 480;  // 48 points
        lf.lfWeight = FW_NORMAL;
        std::strcpy(lf.lfFaceName, "DejaVu Sans");
        return lf;
    }

    // The mouse's point at frame n: a Lissajous path over the whole text, up to about 20 pixels a frame.
    static CPoint MouseAt(long n) {
        return CPoint(static_cast<int>(960 + 900 * std::sin(n * 0.021)), static_cast<int>(540 + 470 * std::sin(n * 0.033)));
    }

    // Mouse move, one tick (pre-step, step, post-step), one draw.
    void Frame() {
        m_pBook->OnMouseMove(MouseAt(m_nFrame++));
        m_pBook->Step();
        m_pBook->Draw(m_wnd.GetPaintDC());
    }
    void Warm(int nFrames) {
        for (int i = 0; i < nFrames; i++) Frame();
    }

    // Glyphs whose absolute bounds lie entirely inside the window.
    int CountInside() {
        const CRect rcClient = m_pBook->GetClientRect();
        int n = 0;
        ForEachGlyph([&](CKTElement* g) {
            CRect rc = g->GetAbsoluteBounds(), rcMeet;
            rcMeet.IntersectRect(&rc, &rcClient);
            n += rcMeet == rc;
        });
        return n;
    }
    int CountGlyphs() {
        int n = 0;
        ForEachGlyph([&](CKTElement*) { n++; });
        return n;
    }
    void ForEachGlyph(const std::function<void(CKTElement*)>& f) {
        for (CKTElement* p = m_pBook->GetRoot()->GetFirstChild(); p; p = p->GetNextSibling())
            for (CKTElement* w = p->GetFirstChild(); w; w = w->GetNextSibling())
                for (CKTElement* g = w->GetFirstChild(); g; g = g->GetNextSibling()) f(g);
    }

    CKTBook& Book() { return *m_pBook; }

private:
    CKTFakeWindow m_wnd{kWidth, kHeight};
    std::unique_ptr<CKTBook> m_pBook;
    long m_nFrame = 0;
};
