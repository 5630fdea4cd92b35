// Stored forms: the bytes of each class, a trail from a document before 0.93, and a loaded word whose
// glyphs still follow their master.
#include <cstring>
#include <functional>

#include "kinetype/ktdocument.h"
#include "kinetype/ktercolorstatic.h"
#include "kinetype/ktererodeedge.h"
#include "kinetype/ktererosion.h"
#include "kinetype/ktersplatter.h"
#include "kinetype/ktertest.h"
#include "kinetype/ktertrail.h"
#include "kinetype/ktertransparent.h"
#include "kinetype/kttesthelp.h"
#include "rendererfixture.h"

namespace {

using kttest::ByteWriter;
using kttest::Bytes;

void PutFloat(ByteWriter& w, float f) {
    DWORD v;
    std::memcpy(&v, &f, 4);
    w.u32(v);
}

// The renderer base part of a renderer without element: type, a NULL reference, four flags.
ByteWriter BasePart(const char* pszClass, int nType, int nPreStep = 0) {
    ByteWriter w;
    w.newClass(pszClass).u32(static_cast<DWORD>(nType)).u16(0).u32(0).u32(static_cast<DWORD>(nPreStep)).u32(0).u32(0);
    return w;
}

class StoredFormTest : public rtest::RendererTest {};

TEST_F(StoredFormTest, EachClassWritesTheBasePartThenItsFloats) {
    struct Case {
        const char* name;
        int nType;
        std::function<CKTElementRenderer*()> make;  // with parameters set
        std::vector<float> floats;
    } cases[] = {
        {"CKTERTransparent", 8,
         [] {
             auto* p = new CKTERTransparent;
             p->SetMouseOverRate(0.25f);
             p->SetMouseOutsideRate(-0.5f);
             p->SetTransparency(0.75f);
             return p;
         },
         {0.25f, -0.5f, 0.75f}},
        {"CKTERTrail", 14,
         [] {
             auto* p = new CKTERTrail;
             p->m_fRadius = 12.5f;
             p->m_fSpeed = 3.0f;
             p->m_fSpacing = 0.125f;
             return p;
         },
         {12.5f, 3.0f, 0.125f}},
        {"CKTERColorStatic", 13, [] { return new CKTERColorStatic; }, {50.0f, 2.0f, 0.2f}},
        {"CKTERTest", 7, [] { return new CKTERTest; }, {}},
        {"CKTERSplatter", 6, [] { return new CKTERSplatter; }, {-0.1f, 0.2f}},
        {"CKTERErosion", 9,
         [] {
             auto* p = new CKTERErosion;
             p->SetMouseOverRate(-1.5f);
             p->SetMouseOutsideRate(0.0f);
             return p;
         },
         {-1.5f, 0.0f}},
        {"CKTERErodeEdge", 12, [] { return new CKTERErodeEdge; }, {-0.1f, 0.2f}},
    };
    for (const Case& c : cases) {
        std::unique_ptr<CKTElementRenderer> p(c.make());
        EXPECT_EQ(p->GetType(), c.nType) << c.name;
        ByteWriter w = BasePart(c.name, c.nType);
        for (float f : c.floats) PutFloat(w, f);
        EXPECT_EQ(kttest::StoreObject(p.get()), w.b) << c.name;

        // Read back: the same bytes again.
        std::unique_ptr<CObject> pLoaded;
        {
            CKTLoadingScope loading(KT_FILE_VERSION);
            pLoaded.reset(kttest::LoadObject(w.b, RUNTIME_CLASS(CKTElementRenderer)));
        }
        ASSERT_NE(pLoaded, nullptr);
        EXPECT_STREQ(pLoaded->GetRuntimeClass()->m_lpszClassName, c.name);
        EXPECT_EQ(kttest::StoreObject(pLoaded.get()), w.b) << c.name;
    }
}

TEST_F(StoredFormTest, TheMasterFlagFollowsTheStoredPreStepRegistration) {
    for (int nPreStep : {1, 0}) {
        ByteWriter w = BasePart("CKTERErodeEdge", 6, nPreStep);  // the type id of a splatter: kept as read
        PutFloat(w, -0.3f);
        PutFloat(w, 0.4f);
        CObject* p;
        {
            CKTLoadingScope loading(KT_FILE_VERSION);
            p = kttest::LoadObject(w.b, RUNTIME_CLASS(CKTElementRenderer));
        }
        auto* pEdge = dynamic_cast<CKTERErodeEdge*>(p);
        ASSERT_NE(pEdge, nullptr);
        EXPECT_EQ(pEdge->IsMaster(), nPreStep == 1);
        EXPECT_EQ(pEdge->GetType(), 6);
        EXPECT_EQ(pEdge->GetMouseOverRate(), -0.3f);
        EXPECT_EQ(pEdge->GetMouseOutsideRate(), 0.4f);
        pEdge->ForgetLinks();  // the flag without the list entry
        delete pEdge;
    }
}

TEST_F(StoredFormTest, ATrailBeforeVersionPointNineThreeKeepsItsDefaults) {
    // Before 0.93 two floats follow the base part, from 0.93 on three.
    struct Case {
        float fVersion;
        std::vector<float> stored;
        float fRadius, fSpeed, fSpacing;
    } cases[] = {
        {0.92f, {99.0f, 98.0f}, 10.0f, 2.0f, 0.2f},
        {0.9299f, {99.0f, 98.0f}, 10.0f, 2.0f, 0.2f},
        {0.93f, {99.0f, 98.0f, 97.0f}, 99.0f, 98.0f, 97.0f},
    };
    for (const Case& c : cases) {
        ByteWriter w = BasePart("CKTERTrail", 14);
        for (float f : c.stored) PutFloat(w, f);
        CKTLoadingScope loading(c.fVersion);
        CMemFile file(w.b.data(), w.b.size());
        CArchive ar(&file, CArchive::load);
        std::unique_ptr<CObject> p(ar.ReadObject(RUNTIME_CLASS(CKTElementRenderer)));
        EXPECT_EQ(ar.GetBytesLeft(), 0u) << c.fVersion << ": every stored byte read";
        ar.Close();
        auto* pTrail = dynamic_cast<CKTERTrail*>(p.get());
        ASSERT_NE(pTrail, nullptr);
        EXPECT_EQ(pTrail->m_fRadius, c.fRadius) << c.fVersion;
        EXPECT_EQ(pTrail->m_fSpeed, c.fSpeed) << c.fVersion;
        EXPECT_EQ(pTrail->m_fSpacing, c.fSpacing) << c.fVersion;
    }
}

TEST_F(StoredFormTest, ALoadedTransparentWordsCopiesFollowTheMaster) {
    CKTWord* pWord = AddWord("Ti", 40, 120);
    auto* pMaster = new CKTERTransparent;
    pMaster->SetMouseOverRate(0.5f);
    pMaster->SetMouseOutsideRate(-0.25f);
    ASSERT_TRUE(pWord->SetRenderer(pMaster, TRUE));
    const Bytes bytes = KTSaveDocument(Book(), kWidth, kHeight);

    KTLoadResult r = KTLoadDocument(bytes, CString("word.qsd"));
    ASSERT_EQ(r.status, KTLoadStatus::loaded) << r.strMessage.GetString();
    {
        CKTCurrentBookScope current(r.pBook);
        CKTFakeWindow wnd(kWidth, kHeight);
        r.pBook->SetWindow(&wnd);
        r.pBook->SetRunState(1);
        CKTElement* pLoadedWord = r.pBook->GetRoot()->GetFirstChild()->GetFirstChild();
        auto* pLoadedMaster = RendererOf<CKTERTransparent>(pLoadedWord);
        ASSERT_NE(pLoadedMaster, nullptr);
        EXPECT_TRUE(pLoadedMaster->IsMaster());
        std::vector<CKTERTransparent*> copies;
        for (int i = 0; i < 2; i++) {
            copies.push_back(RendererOf<CKTERTransparent>(Glyph(pLoadedWord, i)));
            ASSERT_NE(copies.back(), nullptr);
            EXPECT_FALSE(copies.back()->IsMaster());
        }
        // The mouse on the second glyph: the first, a copy, changes with it.
        r.pBook->OnMouseMove(Glyph(pLoadedWord, 1)->GetAbsoluteBounds().CenterPoint());
        r.pBook->Step();
        for (auto* pCopy : copies) {
            EXPECT_EQ(pCopy->GetTransparency(), 1.0f);
            EXPECT_EQ(pCopy->GetTrackRect(), pLoadedWord->GetAbsoluteBounds());
        }
        r.pBook->OnMouseMove(CPoint(5, 5));
        r.pBook->Step();
        for (auto* pCopy : copies) EXPECT_EQ(pCopy->GetTransparency(), 0.75f);
        r.pBook->SetWindow(nullptr);
    }
    KTDeleteBook(r.pBook);
}

}  // namespace
