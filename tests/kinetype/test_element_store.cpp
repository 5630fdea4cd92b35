// The elements' stored form: the field layout byte for byte, face names, the property array's size,
// word and glyph parts, and streams that end early.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kinetype/ktbhvrprop.h"
#include "kinetype/ktbehavior.h"
#include "kinetype/ktintbhvrprop.h"
#include "kttesthelp.h"
#include "test_element_fixture.h"

using kttest::ByteWriter;
using kttest::Bytes;

namespace {

// The fields of a stored element with no links, renderer or behaviours, in the stored order.
struct ElementFields {
    CRect rcBounds{1, -2, 3, 4};
    int bBoundsValid = 1;
    DWORD nKind = 5;
    CKTVector pos{1.5, -2.25, 0};
    CKTVector abs{11.5, 7.75, 0};
    int bAbsValid = 0;
    DWORD color = 0x00123456;
    LONG numbers[5] = {160, 0, 0, 0, 700};
    BYTE bytes[8] = {1, 0, 0, 0, 3, 2, 1, 0};
    std::string face = "DejaVu Sans";
    int bAutoLayout = 0;
    unsigned nProps = 11;
};

void WriteElementPart(ByteWriter& w, const ElementFields& f) {
    w.u16(0).u16(0).u16(0).u16(0);  // parent, first child, previous and next sibling
    w.u32(f.rcBounds.left).u32(f.rcBounds.top).u32(f.rcBounds.right).u32(f.rcBounds.bottom);
    w.u32(f.bBoundsValid).u32(f.nKind);
    w.f64(f.pos.x).f64(f.pos.y).f64(f.pos.z).f64(f.abs.x).f64(f.abs.y).f64(f.abs.z);
    w.u32(f.bAbsValid).u32(f.color);
    for (LONG n : f.numbers) w.u32(static_cast<DWORD>(n));
    for (BYTE b : f.bytes) w.u8(b);
    w.u32(static_cast<DWORD>(f.face.size()));
    w.b.insert(w.b.end(), f.face.begin(), f.face.end());
    w.u32(f.bAutoLayout);
    w.u16(0);                   // renderer
    w.u16(0);                   // no behaviour links
    w.u16(f.nProps);            // property slots, all empty
    for (unsigned i = 0; i < f.nProps; i++) w.u16(0);
}

Bytes GlyphBytes(const ElementFields& f, char c) {
    ByteWriter w;
    w.newClass("CKTGlyph");
    WriteElementPart(w, f);
    w.u8(static_cast<BYTE>(c));
    return w.b;
}

// Loads a glyph; when the load fails, frees what the archive made (links forgotten, each once) and
// rethrows.
CKTGlyph* LoadGlyph(const Bytes& bytes) {
    CKTLoadingScope loading(KT_FILE_VERSION);
    CMemFile file(bytes.data(), bytes.size());
    CArchive ar(&file, CArchive::load);
    try {
        CObject* p = ar.ReadObject(RUNTIME_CLASS(CKTGlyph));
        ar.Close();
        return static_cast<CKTGlyph*>(p);
    } catch (...) {
        std::vector<CObject*> made = ar.TakeLoadedObjects();
        for (CObject* p : made)
            if (p->IsKindOf(RUNTIME_CLASS(CKTComponent))) static_cast<CKTComponent*>(p)->ForgetLinks();
        for (CObject* p : made) delete p;
        throw;
    }
}

class ElementStoreTest : public kttest::SceneTest {};

TEST_F(ElementStoreTest, GlyphFieldsInStoredOrder) {
    ElementFields f;
    CKTGlyph* g;
    {
        CKTLoadingScope loading(KT_FILE_VERSION);
        g = new CKTGlyph;  // no renderer: the record below has none
    }
    LOGFONT lf = kttest::Font(160);
    lf.lfWeight = 700;
    lf.lfItalic = 1;
    lf.lfOutPrecision = 3;
    lf.lfClipPrecision = 2;
    lf.lfQuality = 1;
    g->SetFont(lf);
    g->SetColor(f.color);
    g->SetChar('q');
    g->MoveBy(f.pos);
    // Put the caches into known states through the public operations.
    g->GetAbsolutePosition();  // valid, (1.5, -2.25, 0)
    f.abs = f.pos;
    f.bAbsValid = 1;
    f.rcBounds = CRect(0, 0, 0, 0);
    f.bBoundsValid = 0;  // no renderer: stale
    f.bAutoLayout = 0;   // SetFont on the glyph itself
    EXPECT_EQ(kttest::StoreObject(g), GlyphBytes(f, 'q'));
    delete g;
}

TEST_F(ElementStoreTest, LoadRestoresEveryFieldAndGrowsTheSlots) {
    struct Case {
        unsigned nProps;
        int nExpected;
    } cases[] = {{11, 11}, {3, 11}, {0, 11}, {12, 12}};
    for (const Case& c : cases) {
        ElementFields f;
        f.nProps = c.nProps;
        CKTGlyph* g = LoadGlyph(GlyphBytes(f, 'z'));
        ASSERT_NE(g, nullptr);
        EXPECT_EQ(g->GetPropCount(), c.nExpected) << c.nProps;
        EXPECT_EQ(g->GetProp(PROP_DEATH_TIME), nullptr);
        EXPECT_EQ(g->GetKind(), 5);
        EXPECT_EQ(g->GetChar(), 'z');
        EXPECT_EQ(g->GetRenderer(), nullptr);  // none in the record, none made while loading
        EXPECT_TRUE(g->GetRelativePosition() == f.pos);
        EXPECT_TRUE(g->IsBoundsValid());
        EXPECT_EQ(g->GetBounds(), f.rcBounds);  // the stored cache is used as it is
        EXPECT_FALSE(g->IsAbsPositionValid());
        EXPECT_EQ(g->GetColor(), f.color);
        EXPECT_FALSE(g->IsAutoLayout());
        const LOGFONT lf = g->GetFont();
        EXPECT_EQ(lf.lfHeight, 160);
        EXPECT_EQ(lf.lfWeight, 700);
        EXPECT_EQ(lf.lfItalic, 1);
        EXPECT_EQ(lf.lfOutPrecision, 3);
        EXPECT_EQ(lf.lfClipPrecision, 2);
        EXPECT_EQ(lf.lfQuality, 1);
        EXPECT_STREQ(lf.lfFaceName, "DejaVu Sans");
        // Stored again it gives the same bytes (the array keeps its size when above 11).
        f.nProps = static_cast<unsigned>(c.nExpected);
        EXPECT_EQ(kttest::StoreObject(g), GlyphBytes(f, 'z'));
        delete g;
    }
}

TEST_F(ElementStoreTest, FaceNamesKeepAtMost31Characters) {
    struct Case {
        std::string stored;
        std::string loaded;
    } cases[] = {
        {"", ""},
        {std::string(31, 'f'), std::string(31, 'f')},
        {std::string(40, 'g'), std::string(31, 'g')},
        {std::string(300, 'h'), std::string(31, 'h')},
    };
    for (const Case& c : cases) {
        ElementFields f;
        f.face = c.stored;
        CKTGlyph* g = LoadGlyph(GlyphBytes(f, 'a'));
        EXPECT_EQ(std::string(g->GetFont().lfFaceName), c.loaded) << c.stored.size();
        // Stored back: the length and the characters kept, no terminator.
        f.face = c.loaded;
        EXPECT_EQ(kttest::StoreObject(g), GlyphBytes(f, 'a')) << c.stored.size();
        delete g;
    }
}

TEST_F(ElementStoreTest, WordPartRestoresTextAndPartOfSpeechAsStored) {
    ElementFields f;
    f.nKind = 4;
    ByteWriter w;
    w.newClass("CKTWord");
    WriteElementPart(w, f);
    w.str("stale text").u32(1).u32(3).u32(1);
    CObject* p;
    {
        CKTLoadingScope loading(KT_FILE_VERSION);
        p = kttest::LoadObject(w.b, RUNTIME_CLASS(CKTWord));
    }
    auto* pWord = static_cast<CKTWord*>(p);
    EXPECT_EQ(pWord->GetText(), "stale text");  // valid as stored, not rebuilt
    EXPECT_EQ(pWord->GetPartOfSpeech(), 3);
    EXPECT_EQ(kttest::StoreObject(pWord), w.b);

    CKTWord fresh;  // never asked: stored unset, asked once: stored as a noun
    ByteWriter unset;
    unset.str("").u32(0).u32(0).u32(0);
    Bytes bytes = kttest::StoreObject(&fresh);
    EXPECT_TRUE(std::equal(unset.b.rbegin(), unset.b.rend(), bytes.rbegin()));
    fresh.GetPartOfSpeech();
    ByteWriter noun;
    noun.str("").u32(0).u32(1).u32(1);
    bytes = kttest::StoreObject(&fresh);
    EXPECT_TRUE(std::equal(noun.b.rbegin(), noun.b.rend(), bytes.rbegin()));
    delete pWord;
}

TEST_F(ElementStoreTest, ShortStreamsFailWithEndOfFile) {
    ElementFields f;
    f.face = std::string(20, 'x');
    const Bytes full = GlyphBytes(f, 'a');
    // Cut inside the face name, inside the property array and before the character.
    // The face name's length follows the class record (14), links (8), bounds (16), flag and kind (8),
    // two vectors (48), flag and colour (8), five LONGs (20) and eight bytes.
    const size_t faceStart = 14 + 8 + 16 + 8 + 48 + 8 + 20 + 8;
    for (size_t n : {faceStart + 4 + 5, full.size() - 3, full.size() - 1}) {
        Bytes cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
        CObject* p = nullptr;
        try {
            p = LoadGlyph(cut);
            ADD_FAILURE() << "loaded " << n << " bytes";
        } catch (CArchiveException& e) {
            EXPECT_EQ(e.m_cause, CArchiveException::endOfFile) << n;
        }
        delete p;
    }
    // A face-name length beyond the stream is refused before anything is read.
    Bytes huge = full;
    huge[faceStart] = 0xFF;
    huge[faceStart + 1] = 0xFF;
    huge[faceStart + 2] = 0xFF;
    huge[faceStart + 3] = 0x7F;
    EXPECT_THROW(LoadGlyph(huge), CArchiveException);
}

TEST_F(ElementStoreTest, ASlotOfTheWrongClassIsKeptAsItIs) {
    // Slot 1 declared as a vector, holding an int property: the element keeps and owns it.
    ElementFields f;
    ByteWriter w;
    w.newClass("CKTGlyph");
    f.nProps = 0;
    WriteElementPart(w, f);
    w.b.resize(w.b.size() - 2);  // replace the empty array by one with an object in slot 1
    w.u16(2).u16(0).newClass("CKTIntBhvrProp").u32(2).u32(1).u32(6).u32(42);
    w.u8('a');
    CKTGlyph* g = LoadGlyph(w.b);
    ASSERT_EQ(g->GetPropCount(), 11);
    ASSERT_NE(CKTIntBhvrProp::Cast(g->GetProp(PROP_VELOCITY)), nullptr);
    EXPECT_EQ(CKTIntBhvrProp::Cast(g->GetProp(PROP_VELOCITY))->GetValue(), 42);
    delete g;  // frees the property
}

}  // namespace
