// Outline renderers' stored forms, and documents whose parameters make no sense (NaN, infinities,
// huge values, a pulse period of 0): nothing becomes NaN, nothing overflows, vertices saturate.
#include <cfloat>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "outlinefixture.h"

using namespace kttest;

namespace {

DWORD Bits(float f) {
    DWORD d;
    std::memcpy(&d, &f, 4);
    return d;
}

// The stored form of an unattached renderer: class record, type, NULL element, four clear flags,
// then the given 4-byte words.
Bytes RendererBytes(const std::string& name, int nType, const std::vector<DWORD>& words) {
    ByteWriter w;
    w.newClass(name).u32(static_cast<DWORD>(nType)).u16(0).u32(0).u32(0).u32(0).u32(0);
    for (DWORD d : words) w.u32(d);
    return w.b;
}

template <class T>
std::unique_ptr<T> Load(const Bytes& b) {
    return std::unique_ptr<T>(static_cast<T*>(LoadObject(b, RUNTIME_CLASS(T))));
}

typedef OutlineTest OutlineStore;

TEST_F(OutlineStore, StoredFormsByteForByte) {
    {
        CKTERDrift r;
        r.m_fMouseStrength = 1.5f, r.m_fMouseFalloff = -2.0f, r.m_fOriginStrength = 0.25f, r.m_fFriction = 0.5f;
        const Bytes want = RendererBytes("CKTERDrift", 11, {Bits(1.5f), Bits(-2.0f), Bits(0.25f)});
        EXPECT_EQ(StoreObject(&r), want);
        auto loaded = Load<CKTERDrift>(want);
        EXPECT_EQ(loaded->m_fMouseStrength, 1.5f);
        EXPECT_EQ(loaded->m_fMouseFalloff, -2.0f);
        EXPECT_EQ(loaded->m_fOriginStrength, 0.25f);
        EXPECT_EQ(loaded->m_fFriction, 0.02f);  // not stored
        EXPECT_EQ(StoreObject(loaded.get()), want);
    }
    {
        CKTERClay r;
        r.m_fMouseStrength = 3, r.m_fMouseFalloff = 4, r.m_fOriginStrength = 5;
        const Bytes want = RendererBytes("CKTERClay", 10, {Bits(3), Bits(4), Bits(5)});
        EXPECT_EQ(StoreObject(&r), want);
        auto loaded = Load<CKTERClay>(want);
        EXPECT_EQ(loaded->m_fMouseFalloff, 4);
        EXPECT_EQ(StoreObject(loaded.get()), want);
    }
    {
        CKTERPull r;
        r.m_fMouseStrength = 6, r.m_fMouseFalloff = 7, r.m_fOriginStrength = 8, r.m_bPulled = 1;
        const Bytes want = RendererBytes("CKTERPull", 4, {Bits(6), Bits(7), Bits(8)});  // no m_bPulled
        EXPECT_EQ(StoreObject(&r), want);
        auto loaded = Load<CKTERPull>(want);
        EXPECT_EQ(loaded->m_fOriginStrength, 8);
        EXPECT_FALSE(loaded->IsPulled());
        EXPECT_EQ(StoreObject(loaded.get()), want);
    }
    {
        CKTERPulse r;
        r.m_fPeriod = 12, r.m_fScale = 3, r.m_fDistortion = 0.5f;
        for (int i = 0; i < 7; i++) r.Draw();  // frame 7
        const Bytes want = RendererBytes("CKTERPulse", 5, {7, Bits(12), Bits(3), Bits(0.5f)});
        EXPECT_EQ(StoreObject(&r), want);
        auto loaded = Load<CKTERPulse>(want);
        EXPECT_EQ(loaded->GetFrame(), 7);  // the phase goes on
        EXPECT_EQ(loaded->m_fPeriod, 12);
        EXPECT_EQ(loaded->m_fDistortion, 0.5f);
        EXPECT_EQ(StoreObject(loaded.get()), want);
    }
    {
        CKTERLens r;
        r.m_fMagnification = 2.5f, r.m_fFalloff = 30;
        const Bytes want = RendererBytes("CKTERLens", 3, {Bits(30), Bits(2.5f)});  // falloff first
        EXPECT_EQ(StoreObject(&r), want);
        auto loaded = Load<CKTERLens>(want);
        EXPECT_EQ(loaded->m_fMagnification, 2.5f);
        EXPECT_EQ(loaded->m_fFalloff, 30);
        EXPECT_EQ(StoreObject(loaded.get()), want);
    }
    {
        CKTERParticle r;
        const Bytes want = RendererBytes("CKTERParticle", 2, {});
        EXPECT_EQ(StoreObject(&r), want);
        auto loaded = Load<CKTERParticle>(want);
        EXPECT_EQ(loaded->GetType(), 2);
    }
}

TEST_F(OutlineStore, APulseReloadedKeepsItsPhase) {
    CKTERPulse saved;
    for (int i = 0; i < 4; i++) saved.Draw();
    CKTERPulse* pLoaded = Load<CKTERPulse>(StoreObject(&saved)).release();
    ASSERT_EQ(pLoaded->GetFrame(), 4);
    // Beside a renderer that counted its four frames itself, it pulses in the same phase.
    Glyph(pLoaded, 'H');
    TPulse* pCounted = Glyph(new TPulse, 'H');
    for (int i = 0; i < 4; i++) pCounted->Draw();
    MouseInGlyph(20, -10);
    pLoaded->OnPreStep();
    pCounted->OnPreStep();
    ASSERT_EQ(pCounted->GetOutline().m_nPoints, pLoaded->GetOutline().m_nPoints);
    bool bMoved = false;
    for (int i = 0; i < pCounted->GetOutline().m_nPoints; i++) {
        EXPECT_EQ(pCounted->GetOutline().m_pPoints[i].x, pLoaded->GetOutline().m_pPoints[i].x);
        EXPECT_EQ(pCounted->GetOutline().m_pPoints[i].y, pLoaded->GetOutline().m_pPoints[i].y);
        bMoved = bMoved || pLoaded->GetOutline().m_pPoints[i].x != pLoaded->GetRestOutline().m_pPoints[i].x;
    }
    EXPECT_TRUE(bMoved);
}

// ---- hostile parameters --------------------------------------------------------------------------

const float kHostile[] = {std::numeric_limits<float>::quiet_NaN(),
                          std::numeric_limits<float>::infinity(),
                          -std::numeric_limits<float>::infinity(),
                          FLT_MAX,
                          -FLT_MAX,
                          1e-45f,
                          -1e-45f,
                          0.0f};

struct Stored {
    const char* name;
    int nType;
    int nFloats;
    bool bFrame;  // an int frame counter before the floats
};
const Stored kStored[] = {{"CKTERDrift", 11, 3, false}, {"CKTERClay", 10, 3, false}, {"CKTERPull", 4, 3, false},
                          {"CKTERPulse", 5, 3, true},   {"CKTERLens", 3, 2, false}};

// Every vertex of the renderer's working outline is a number within the saturation limit.
bool Sane(CKTElementRenderer* p) {
    if (auto* f = dynamic_cast<CKTERFloatOutline*>(p)) return IsFiniteWithin(f->GetOutline(), CKTEROutline::kVertexLimit);
    if (auto* l = dynamic_cast<CKTERLens*>(p)) {
        for (int i = 0; i < l->GetOutline().m_nPoints; i++)
            if (std::abs(static_cast<double>(l->GetOutline().m_pPoints[i].x)) > CKTEROutline::kVertexLimit ||
                std::abs(static_cast<double>(l->GetOutline().m_pPoints[i].y)) > CKTEROutline::kVertexLimit)
                return false;
        return true;
    }
    return false;
}

TEST_F(OutlineStore, NonsenseParametersFromADocumentNeverMakeANaNVertexOrOverflow) {
    m_pBook->SetRunState(1);
    for (const Stored& s : kStored) {
        for (int nField = 0; nField < s.nFloats; nField++) {
            for (float value : kHostile) {
                SCOPED_TRACE(std::string(s.name) + " field " + std::to_string(nField) + " = " + std::to_string(value));
                std::vector<DWORD> words;
                if (s.bFrame) words.push_back(static_cast<DWORD>(INT_MAX - 2));
                for (int i = 0; i < s.nFloats; i++) words.push_back(Bits(i == nField ? value : 1.0f + i));
                CKTElementRenderer* p = static_cast<CKTElementRenderer*>(
                    LoadObject(RendererBytes(s.name, s.nType, words), RUNTIME_CLASS(CKTElementRenderer)));
                CKTGlyph* g = NewGlyph('H', 480);
                m_pWord->AppendChild(g, FALSE);
                ASSERT_TRUE(g->SetRenderer(p, TRUE));
                m_pBook->OnLButtonDown(CPoint());
                for (int step = 0; step < 6; step++) {
                    Mouse(m_ptOrigin.x + 5 + step * 9, m_ptOrigin.y - 20 + step * 3);
                    m_pBook->Step();
                    ASSERT_TRUE(Sane(p)) << "step " << step;
                }
                m_pBook->Draw(m_wnd.GetPaintDC());
                const CRect rc = g->GetBounds();
                EXPECT_LE(std::abs(static_cast<double>(rc.left)), CKTEROutline::kVertexLimit + 1);
                EXPECT_LE(std::abs(static_cast<double>(rc.bottom)), CKTEROutline::kVertexLimit + 1);
                m_pBook->OnLButtonUp(CPoint());
                delete g;
            }
        }
    }
}

TEST_F(OutlineStore, APulsePeriodOfZeroLeavesTheGlyphAtRest) {
    const Bytes bytes = RendererBytes("CKTERPulse", 5, {0, Bits(0.0f), Bits(5.0f), Bits(0.1f)});
    auto* p = static_cast<CKTERPulse*>(LoadObject(bytes, RUNTIME_CLASS(CKTERPulse)));
    Glyph(p, 'H');
    for (int frame = 0; frame < 3; frame++) {  // 0 / 0, then x / 0: no scale has a value
        p->OnPreStep();
        for (int i = 0; i < p->GetOutline().m_nPoints; i++) {
            EXPECT_EQ(p->GetOutline().m_pPoints[i].x, p->GetRestOutline().m_pPoints[i].x);
            EXPECT_EQ(p->GetOutline().m_pPoints[i].y, p->GetRestOutline().m_pPoints[i].y);
        }
        p->Draw();
    }
}

double Farthest(const CKTFloatGlyphRegion& r) {
    double far = 0;
    for (int i = 0; i < r.m_nPoints; i++)
        far = std::max({far, static_cast<double>(std::fabs(r.m_pPoints[i].x)), static_cast<double>(std::fabs(r.m_pPoints[i].y))});
    return far;
}

TEST_F(OutlineStore, VerticesSaturateAndAGlyphThatLargeStillDraws) {
    m_pBook->SetRunState(1);
    // Drift: velocities and vertices stop at the limit.
    TDrift* r = Glyph(new TDrift, 'H');
    r->m_fMouseStrength = 1e30f;
    r->m_fFriction = 0;
    Mouse(m_ptOrigin.x + 10, m_ptOrigin.y - 10);
    m_pBook->Step();
    Mouse(m_ptOrigin.x + 13, m_ptOrigin.y - 14);
    for (int i = 0; i < 3; i++) m_pBook->Step();
    EXPECT_EQ(Farthest(r->GetOutline()), CKTEROutline::kVertexLimit);
    for (int i = 0; i < 2 * r->GetOutline().m_nPoints; i++)
        EXPECT_LE(std::fabs(r->Velocities()[i]), CKTEROutline::kVertexLimit);
    delete r->GetElement();

    // Pull: every vertex overshoots the mouse to the limit on the far side, so the shape spans far
    // more than the surface; its bounds hold it and the draw fills what lies on the surface.
    TPull* q = Glyph(new TPull);
    q->m_fMouseStrength = 1e30f;
    q->GetElement()->SetColor(RGB(0, 0, 255));
    q->InstallOutline(FloatOutline({{{0, 0}, {20, 0}, {10, -20}}}));
    MouseInGlyph(10, -7);  // inside the triangle
    m_pBook->Step();
    EXPECT_EQ(Farthest(q->GetOutline()), CKTEROutline::kVertexLimit);
    const CRect rc = q->GetElement()->GetAbsoluteBounds();

    EXPECT_GT(rc.Width(), 100000000);
    EXPECT_GT(rc.Height(), 100000000);
    m_wnd.GetPaintDC()->FillSolidRect(0, 0, 640, 480, RGB(255, 255, 255));
    m_pBook->Draw(m_wnd.GetPaintDC());
    int nBlue = 0;
    for (int y = 0; y < 480; y += 4)
        for (int x = 0; x < 640; x += 4) nBlue += m_wnd.GetPaintDC()->GetPixel(x, y) == RGB(0, 0, 255);
    EXPECT_GT(nBlue, 0);
}

}  // namespace
