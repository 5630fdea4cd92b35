// A running document for trying the effects in the program: one passage whose glyphs are each under a
// wave and a focal fade. The test saves it, loads it back as the program does and runs it; with
// QS_EFFECTS_DEMO set to a path it also leaves the document there (for a try under Xvfb).
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "effects/effectsfixture.h"
#include "kinetype/ktdocument.h"
#include "kinetype/ktfocalfade.h"
#include "kinetype/ktwavebhvr.h"
#include "kinetype/test_element_fixture.h"

namespace {

// The passage at (60, 260): words as typed (every word after the first starts with a space glyph).
CKTPassage* DemoPassage(CKTBook& book, const char* pszText) {
    const LOGFONT lf = kttest::Font(360, "Liberation Serif");  // 36 points
    auto* pPassage = new CKTPassage;
    book.GetRoot()->AppendChild(pPassage, FALSE);
    pPassage->MoveBy(CKTVector(60, 260, 0));
    pPassage->SetFont(lf);
    CKTWord* pWord = nullptr;
    for (const char* p = pszText; *p; p++) {
        if (!pWord || *p == ' ') {
            if (pWord) pPassage->AppendChild(pWord, TRUE);
            pWord = new CKTWord;
            pWord->SetFont(lf);
        }
        auto* pGlyph = new CKTGlyph;
        pGlyph->SetFont(lf);
        pGlyph->SetColor(RGB(0, 0, 160));
        pGlyph->SetChar(*p);
        pWord->AppendChild(pGlyph, TRUE);
    }
    if (pWord) pPassage->AppendChild(pWord, TRUE);
    return pPassage;
}

}  // namespace

TEST_F(EffectsTest, WaveAndFocalFadeDocumentLoadsAndRuns) {
    CKTPassage* pPassage = DemoPassage(Book(), "Living type waves and glows");
    auto* pWave = Add(new CKTWaveBhvr);
    pWave->SetMaxCrest(24.0);
    pWave->SetPhaseIncrement(0.15);
    auto* pFocal = Add(new CKTFocalFade);
    pFocal->m_crFocus = RGB(230, 0, 0);
    pFocal->m_crUnfocus = RGB(0, 0, 160);
    pFocal->m_dRadius = 180.0;
    for (CKTElement* w = pPassage->GetFirstChild(); w; w = w->GetNextSibling())
        for (CKTElement* g = w->GetFirstChild(); g; g = g->GetNextSibling()) {
            pWave->AddElement(g);
            pFocal->AddElement(g);
        }
    ASSERT_EQ(pWave->GetElementCount(), 27);
    Book().SetRunState(1);

    std::string strPath = testing::TempDir() + "effects-demo-" + std::to_string(getpid()) + ".qsd";
    ASSERT_TRUE(KTSaveDocumentFile(Book(), 1000, 600, strPath.c_str()).bSaved);
    if (const char* pszDemo = std::getenv("QS_EFFECTS_DEMO")) {
        EXPECT_TRUE(KTSaveDocumentFile(Book(), 1000, 600, pszDemo).bSaved);
    }

    KTLoadResult result = KTLoadDocumentFile(strPath.c_str());
    std::remove(strPath.c_str());
    ASSERT_EQ(result.status, KTLoadStatus::loaded);
    EXPECT_TRUE(result.bHasCanvasSize);
    KTReplaceBook(m_pBook.release(), result.pBook);
    m_pBook.reset(result.pBook);
    m_pBook->SetWindow(&m_wnd);
    EXPECT_EQ(Book().GetRunState(), 1);
    ASSERT_NE(Find<CKTWaveBhvr>(), nullptr);
    ASSERT_NE(Find<CKTFocalFade>(), nullptr);
    EXPECT_TRUE(Find<CKTWaveBhvr>()->IsRunning());
    // The mouse over the first glyph: it turns red, the far end stays blue; the glyphs ride the wave.
    Book().OnMouseMove(GlyphAt(0)->GetCenter());
    Book().Step();
    COLORREF crNear = GlyphAt(0)->GetColor();  // the wave moved it a little first
    EXPECT_GT(GetRValue(crNear), 150);
    EXPECT_LT(GetBValue(crNear), 60);
    EXPECT_EQ(GlyphAt(26)->GetColor(), RGB(0, 0, 160));
    double y0 = GlyphAt(5)->GetRelativePosition().y;
    Book().Step();
    EXPECT_NE(GlyphAt(5)->GetRelativePosition().y, y0);
    Book().Draw(m_wnd.GetPaintDC());
}
