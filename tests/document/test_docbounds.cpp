// Bounds in loaded documents: what the file says about an element's rectangle was measured with the
// fonts of the machine that wrote it, so a load measures every element again here.
#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "document/doctest.h"
#include "kinetype/ktelement.h"

namespace {

// Every element of the tree, depth first (parents before their children).
void Collect(CKTElement* p, std::vector<CKTElement*>& out) {
    for (; p; p = p->GetNextSibling()) {
        out.push_back(p);
        Collect(p->GetFirstChild(), out);
    }
}
std::vector<CKTElement*> ElementsOf(CKTBook& book) {
    std::vector<CKTElement*> out;
    Collect(book.GetRoot(), out);
    return out;
}

// Replaces every stored (bounds, flag 1, kind) record equal to rc by wrong; returns how many.
int PatchBounds(FzdBytes& bytes, const CRect& rc, int nKind, const CRect& wrong) {
    auto Record = [](const CRect& r, int kind) {
        const LONG v[6] = {r.left, r.top, r.right, r.bottom, 1, kind};
        FzdBytes b(sizeof v);
        std::memcpy(b.data(), v, sizeof v);  // little-endian, as the archive writes
        return b;
    };
    const FzdBytes from = Record(rc, nKind), to = Record(wrong, nKind);
    int n = 0;
    for (size_t i = 0; i + from.size() <= bytes.size(); i++) {
        if (std::memcmp(&bytes[i], from.data(), from.size()) != 0) continue;
        std::memcpy(&bytes[i], to.data(), to.size());
        n++;
    }
    return n;
}

TEST_F(DocTest, ALoadMeasuresEveryElementAgain) {
    FzdSceneBook source;
    FzdBuildScene(*source, FzdScene::typed);
    std::vector<CKTElement*> sourceElements = ElementsOf(*source);
    std::vector<CRect> measured, absolute;
    for (CKTElement* p : sourceElements) {  // every cache valid now
        measured.push_back(p->GetBounds());
        absolute.push_back(p->GetAbsoluteBounds());
    }
    const FzdBytes saved = KTSaveDocument(*source, 640, 480);

    // The same document as another machine's fonts would have written it: every glyph and word
    // rectangle is off, each still marked valid.
    FzdBytes foreign = saved;
    int nGlyphs = 0, nWords = 0;
    std::vector<std::pair<CRect, int>> done;
    for (size_t i = 0; i < sourceElements.size(); i++) {
        const std::pair<CRect, int> record(measured[i], sourceElements[i]->GetKind());
        if (record.second != KIND_GLYPH && record.second != KIND_WORD) continue;
        if (std::find(done.begin(), done.end(), record) != done.end()) continue;  // equal rectangles go together
        done.push_back(record);
        const CRect& rc = record.first;
        const CRect wrong(rc.left - 7, rc.top + 3, rc.right + 40, rc.bottom + 9);
        (record.second == KIND_GLYPH ? nGlyphs : nWords) += PatchBounds(foreign, rc, record.second, wrong);
    }
    ASSERT_GT(nGlyphs, 0);
    ASSERT_GT(nWords, 0);

    LoadedDoc doc(KTLoadDocument(foreign, CString("foreign.qsd")));
    ASSERT_EQ(doc.r.status, KTLoadStatus::loaded);
    std::vector<CKTElement*> loaded = ElementsOf(doc.book());
    ASSERT_EQ(loaded.size(), sourceElements.size());
    for (CKTElement* p : loaded) EXPECT_FALSE(p->IsBoundsValid()) << "kind " << p->GetKind();

    // Loaded and unmeasured: every flag is stored as 0, words and glyphs alike, and the stored form
    // stays so through another load.
    const FzdBytes unmeasured = KTSaveDocument(doc.book(), 640, 480);
    {
        LoadedDoc again(KTLoadDocument(unmeasured, CString("again.qsd")));
        ASSERT_EQ(again.r.status, KTLoadStatus::loaded);
        EXPECT_EQ(KTSaveDocument(again.book(), 640, 480), unmeasured);
    }

    // Shown on this machine, each element measures what the source measured.
    CKTFakeWindow wnd(640, 480);
    {
        CKTCurrentBookScope current(&doc.book());
        doc.book().SetWindow(&wnd);
        for (size_t i = 0; i < loaded.size(); i++) {
            SCOPED_TRACE(testing::Message() << "element " << i << " kind " << loaded[i]->GetKind());
            EXPECT_EQ(loaded[i]->GetBounds(), measured[i]);
            EXPECT_EQ(loaded[i]->GetAbsoluteBounds(), absolute[i]);
        }
    }
    // Measured again, the loaded book stores exactly what the source stored, valid flags included.
    EXPECT_EQ(KTSaveDocument(doc.book(), 640, 480), saved);
}

}  // namespace
