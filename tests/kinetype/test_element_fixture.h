// Shared pieces of the element and renderer tests: a book with a window (so glyphs measure), tree
// builders, and a renderer that logs the calls its element makes.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "kinetype/ktbook.h"
#include "kinetype/ktelementrenderer.h"
#include "kinetype/ktglobals.h"
#include "kinetype/ktglyph.h"
#include "kinetype/ktpassage.h"
#include "kinetype/kttext.h"
#include "kinetype/ktword.h"
#include "ktfakewindow.h"
#include "platform/crt/crt.h"

namespace kttest {

inline LOGFONT Font(LONG lfHeight = 160, const char* face = "DejaVu Sans") {
    LOGFONT lf;
    std::memset(&lf, 0, sizeof lf);
    lf.lfHeight = lfHeight;
    lf.lfWeight = FW_NORMAL;
    std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return lf;
}

// A glyph with the test font and character c (not attached).
inline CKTGlyph* NewGlyph(char c, LONG lfHeight = 160) {
    auto* p = new CKTGlyph;
    p->SetFont(Font(lfHeight));
    p->SetChar(c);
    return p;
}

// A word of the given characters, appended one by one with the line flow.
inline CKTWord* NewWord(const std::string& text) {
    auto* pWord = new CKTWord;
    pWord->SetFont(Font());
    for (char c : text) pWord->AppendChild(NewGlyph(c), TRUE);
    return pWord;
}

inline CKTGlyph* GlyphOf(CKTElement* p, int i) { return static_cast<CKTGlyph*>(p->GetChildAt(i)); }

// The extent a default renderer must report, computed here from the DC's glyph metrics.
inline CRect ExpectedExtent(CDC* pDC, const LOGFONT& lf, char c) {
    CFont font;
    EXPECT_TRUE(font.CreatePointFontIndirect(&lf));
    CFont* pOld = pDC->SelectObject(&font);
    GLYPHMETRICS gm{};
    MAT2 m{};
    m.eM11.value = 1;
    m.eM22.value = 1;
    pDC->GetGlyphOutline(static_cast<unsigned char>(c), GGO_METRICS, &gm, 0, nullptr, &m);
    pDC->SelectObject(pOld);
    const LONG ox = gm.gmptGlyphOrigin.x, oy = gm.gmptGlyphOrigin.y;
    const LONG by = static_cast<LONG>(gm.gmBlackBoxY);
    if (c == ' ') return CRect(ox, -by, ox + gm.gmCellIncX, 0);
    return CRect(ox, -oy, ox + gm.gmCellIncX, -oy + by);
}

// A book with a 640 x 480 window; deleted before the window.
class SceneTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_bLoading = 0;
        m_pBook = std::make_unique<CKTBook>();
        m_pBook->SetWindow(&m_wnd);
    }
    void TearDown() override { m_pBook.reset(); }

    CKTText* Root() { return m_pBook->GetRoot(); }
    // A new empty passage at the end of the root.
    CKTPassage* AddPassage() {
        auto* p = new CKTPassage;
        Root()->AppendChild(p, FALSE);
        return p;
    }
    CDC* MemDC() { return m_pBook->GetCurrentDC(); }
    // The width a glyph of character c has in the test font.
    int Advance(char c) { return ExpectedExtent(MemDC(), Font(), c).Width(); }

    CKTFakeWindow m_wnd{640, 480};
    std::unique_ptr<CKTBook> m_pBook;
};

}  // namespace kttest

// A renderer that logs what its element pushes into it ("font:160", "size:16", "color:255", "char:a",
// "element:5", "deleted") into g_pRendererLog, when set. Stored with the base part only.
class CKTLogRenderer : public CKTElementRenderer {
    DECLARE_SERIAL(CKTLogRenderer)

public:
    CKTLogRenderer() : CKTElementRenderer(99) {}
    ~CKTLogRenderer() override { Log("deleted"); }

    static std::vector<std::string>* g_pRendererLog;
    static void Log(const std::string& s) {
        if (g_pRendererLog) g_pRendererLog->push_back(s);
    }

    CKTElementRenderer* Clone() override {
        auto* p = new CKTLogRenderer;
        p->m_bAllowChildren = m_bAllowChildren;
        return p;
    }
    void SetElement(CKTElement* p, BYTE bFlag) override;
    BOOL AllowsChildRenderers() override { return m_bAllowChildren; }
    void SetChar(char c) override { Log(std::string("char:") + c); }
    void SetColor(COLORREF cr) override { Log("color:" + std::to_string(cr)); }
    void SetFont(LOGFONT lf) override { Log("font:" + std::to_string(lf.lfHeight)); }
    void SetPointSize(int n) override { Log("size:" + std::to_string(n)); }

    BOOL m_bAllowChildren = TRUE;
};
