#include "kinetype/ktertrail.h"

#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>
#include <memory>

#include "kinetype/ktbook.h"
#include "kinetype/ktglobals.h"
#include "kinetype/ktpixelbatch.h"
#include "platform/crt/crt.h"

IMPLEMENT_SERIAL(CKTERTrail, CKTCellMaskRenderer, 0)

// The weights w' of one frame's values (radius, phase, spacing) by the squared distance d^2, shared by
// every glyph of a batch with the same values and filled by whichever cell first needs an entry. The
// entry for d^2 is the weight of sqrt(d^2) computed as the cell loop computes it, so a cell reads the
// same float either way. Entries carry the stamp of the values they were computed for; a new assignment
// takes a new stamp instead of clearing. Written and read by several worker threads at once: an entry is
// one atomic word, and two threads that both compute it store the same bits.
class CKTTrailWeights {
public:
    static constexpr int64_t kSize = int64_t{1} << 18;  // d^2 below this: distances up to 512 pixels
    static constexpr int kMaxTables = 4;                 // distinct values of one batch that get a table

    // The table of this batch for the weight's values; NULL when the batch has enough tables already.
    static CKTTrailWeights* For(const CKTCellMaskRenderer::CWeight& weight);

    float Get(int64_t nD2, const CKTCellMaskRenderer::CWeight& weight) {
        std::atomic<uint64_t>& slot = m_pSlots[nD2];
        const uint64_t v = slot.load(std::memory_order_relaxed);
        if ((v >> 32) == m_nStamp) return std::bit_cast<float>(static_cast<uint32_t>(v));
        const float f = weight(std::sqrt(static_cast<double>(nD2)));
        slot.store((uint64_t{m_nStamp} << 32) | std::bit_cast<uint32_t>(f), std::memory_order_relaxed);
        return f;
    }

private:
    bool Holds(const CKTCellMaskRenderer::CWeight& w) const {
        return m_key[0] == std::bit_cast<uint32_t>(w.fRadius) && m_key[1] == std::bit_cast<uint32_t>(w.fPhase) &&
               m_key[2] == std::bit_cast<uint32_t>(w.fSpacing);
    }
    void Assign(const CKTCellMaskRenderer::CWeight& w) {
        if (!m_pSlots) m_pSlots.reset(new std::atomic<uint64_t>[kSize]());
        if (++m_nStamp == 0) {  // every stamp used: start over from clean entries
            for (int64_t i = 0; i < kSize; i++) m_pSlots[i].store(0, std::memory_order_relaxed);
            m_nStamp = 1;
        }
        m_key[0] = std::bit_cast<uint32_t>(w.fRadius);
        m_key[1] = std::bit_cast<uint32_t>(w.fPhase);
        m_key[2] = std::bit_cast<uint32_t>(w.fSpacing);
    }

    std::unique_ptr<std::atomic<uint64_t>[]> m_pSlots;
    uint32_t m_nStamp = 0;
    uint32_t m_key[3] = {0, 0, 0};
};

CKTTrailWeights* CKTTrailWeights::For(const CKTCellMaskRenderer::CWeight& weight) {
    // Tables are handed out at the renderers' turns (one thread); their entries are filled by the batch.
    static CKTTrailWeights tables[kMaxTables];
    static int nUsed = 0;
    static uint64_t nBatch = ~uint64_t{0};
    if (nBatch != KTPixelBatchNumber()) {
        nBatch = KTPixelBatchNumber();
        nUsed = 0;
    }
    for (int i = 0; i < nUsed; i++)
        if (tables[i].Holds(weight)) return &tables[i];
    if (nUsed == kMaxTables) return nullptr;
    tables[nUsed].Assign(weight);
    return &tables[nUsed++];
}

CKTERTrail::CKTERTrail()
    : CKTCellMaskRenderer(RENDERER_TRAIL, 10.0f), m_pWeights(nullptr), m_fLegacy1(0.0f), m_fLegacy2(0.0f) {}

CKTElementRenderer* CKTERTrail::Clone() {
    auto* p = new CKTERTrail;
    CopyParametersTo(p);
    return p;
}

void CKTERTrail::Recolor(const CKTBook& book) {
    const CPoint pt = MaskMousePoint(book);
    if (m_trail.empty() || !(CPoint(m_trail.back()) == pt)) {
        const int nRed = TruncToInt(crt::rand() * 255.0 / 32767.0);
        const int nGreen = TruncToInt(crt::rand() * 255.0 / 32767.0);
        const int nBlue = TruncToInt(crt::rand() * 255.0 / 32767.0);
        m_trail.push_back(pt);
        m_trailColors.push_back(RGB(nRed, nGreen, nBlue));
        if (m_trail.size() > kMaxTrail) {
            m_trail.erase(m_trail.begin());
            m_trailColors.erase(m_trailColors.begin());
        }
    }
    m_weight = FrameWeight();
    m_pWeights = CKTTrailWeights::For(m_weight);
    QueuePixels(static_cast<size_t>(m_nInside) * m_trail.size());
}

void CKTERTrail::ComputePixels() {
    const size_t nPoints = m_trail.size();
    const CWeight weight = m_weight;
    CKTTrailWeights* pTable = m_pWeights;
    const POINT* pPoints = m_trail.data();
    const int w = MaskWidth(), h = MaskHeight();
    int* pCell = m_pMask;
    for (int r = 0; r < h; r++) {
        for (int c = 0; c < w; c++, pCell += 4) {
            if (!pCell[0]) continue;
            float fWeight = 0.0f, fRed = 0.0f, fGreen = 0.0f, fBlue = 0.0f;
            for (size_t i = 0; i < nPoints; i++) {
                // Within the table's reach d^2 is an exact integer, and so is its double: the table's
                // entry is this same weight.
                const int64_t nDx = int64_t{c} - pPoints[i].x, nDy = int64_t{r} - pPoints[i].y;
                float fW;
                if (pTable && nDx > -512 && nDx < 512 && nDy > -512 && nDy < 512 &&
                    nDx * nDx + nDy * nDy < CKTTrailWeights::kSize) {
                    fW = pTable->Get(nDx * nDx + nDy * nDy, weight);
                } else {
                    const double dx = static_cast<double>(c) - pPoints[i].x;
                    const double dy = static_cast<double>(r) - pPoints[i].y;
                    fW = weight(std::sqrt(dx * dx + dy * dy));
                }
                const COLORREF k = m_trailColors[i];
                fWeight += fW;
                fRed += fW * GetRValue(k);
                fGreen += fW * GetGValue(k);
                fBlue += fW * GetBValue(k);
            }
            if (fWeight <= 1.0f) {  // counts as 1: x / 1 is x
                pCell[1] = TruncToInt(fRed);
                pCell[2] = TruncToInt(fGreen);
                pCell[3] = TruncToInt(fBlue);
                continue;
            }
            pCell[1] = TruncToInt(fRed / fWeight);
            pCell[2] = TruncToInt(fGreen / fWeight);
            pCell[3] = TruncToInt(fBlue / fWeight);
        }
    }
}

void CKTERTrail::Serialize(CArchive& ar) {
    if (ar.IsStoring() || g_fFileVersion >= 0.93f) {
        CKTCellMaskRenderer::Serialize(ar);
        return;
    }
    CKTElementRenderer::Serialize(ar);
    ar >> m_fLegacy1 >> m_fLegacy2;
}
