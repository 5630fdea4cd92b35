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

// The weights w' of one frame's values (radius, phase, spacing), shared by every glyph of a batch with
// the same values and filled by whichever cell first needs an entry. The weight depends on the squared
// distance d^2 = dx^2 + dy^2 alone; the table holds it by |dy| (a row) and |dx| (an entry of the row),
// so that a row of cells reads neighbouring entries, and the trail's points, which lie along the
// mouse's path, and the glyphs along a line share them. An entry is the weight of sqrt(d^2) computed
// as the cell loop computes it, so a cell reads the same float either way.
//
// Entries carry the stamp of the values they were computed for; a new assignment takes a new stamp
// instead of clearing. Rows are allocated on first use and kept. Several worker threads write and read
// at once: an entry is one atomic word (two threads that both compute it store the same bits), and a
// row is published once with a compare-and-swap.
class CKTTrailWeights {
public:
    static constexpr int kRows = 1024;  // |dy| below this
    static constexpr int kCols = 2048;  // |dx| below this
    static constexpr int kMaxTables = 2;  // distinct values of one batch that get a table

    // The table of this batch for the weight's values; NULL when the batch has enough tables already.
    static CKTTrailWeights* For(const CKTCellMaskRenderer::CWeight& weight);

    ~CKTTrailWeights() {
        for (auto& row : m_rows) delete[] row.load(std::memory_order_relaxed);
    }

    // The entries of row |dy| = nAbsDy (below kRows).
    std::atomic<uint64_t>* Row(int nAbsDy) {
        std::atomic<uint64_t>* pRow = m_rows[nAbsDy].load(std::memory_order_acquire);
        if (pRow) return pRow;
        auto* pNew = new std::atomic<uint64_t>[kCols]();  // stamp 0: empty
        if (m_rows[nAbsDy].compare_exchange_strong(pRow, pNew, std::memory_order_acq_rel)) return pNew;
        delete[] pNew;  // another thread published the row first
        return pRow;
    }
    // The weight at |dx| = nAbsDx (below kCols) in a row of |dy| = nAbsDy.
    float Get(std::atomic<uint64_t>* pRow, int nAbsDx, int nAbsDy, const CKTCellMaskRenderer::CWeight& weight) const {
        std::atomic<uint64_t>& slot = pRow[nAbsDx];
        const uint64_t v = slot.load(std::memory_order_relaxed);
        if ((v >> 32) == m_nStamp) return std::bit_cast<float>(static_cast<uint32_t>(v));
        const int64_t nD2 = int64_t{nAbsDx} * nAbsDx + int64_t{nAbsDy} * nAbsDy;
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
        if (++m_nStamp == 0) {  // every stamp used: start over from clean entries
            for (auto& row : m_rows)
                if (std::atomic<uint64_t>* pRow = row.load(std::memory_order_relaxed))
                    for (int i = 0; i < kCols; i++) pRow[i].store(0, std::memory_order_relaxed);
            m_nStamp = 1;
        }
        m_key[0] = std::bit_cast<uint32_t>(w.fRadius);
        m_key[1] = std::bit_cast<uint32_t>(w.fPhase);
        m_key[2] = std::bit_cast<uint32_t>(w.fSpacing);
    }

    std::atomic<std::atomic<uint64_t>*> m_rows[kRows] = {};
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
    // A single point shares little with the other glyphs' (a still mouse): its weights are computed
    // in place, without the table's stores and misses.
    m_pWeights = m_trail.size() > 1 ? CKTTrailWeights::For(m_weight) : nullptr;
    QueuePixels(static_cast<size_t>(m_nInside) * m_trail.size());
}

void CKTERTrail::ComputePixels() {
    const size_t nPoints = m_trail.size();
    const CWeight weight = m_weight;
    CKTTrailWeights* pTable = m_pWeights;
    const POINT* pPoints = m_trail.data();
    const int w = MaskWidth(), h = MaskHeight();
    // Per row, each point's row of the table (NULL beyond its reach or without a table).
    std::atomic<uint64_t>* pRows[kMaxTrail + 1];
    int nAbsDy[kMaxTrail + 1];
    int* pCell = m_pMask;
    for (int r = 0; r < h; r++) {
        bool bRowsTaken = false;
        for (int c = 0; c < w; c++, pCell += 4) {
            if (!pCell[0]) continue;
            if (!bRowsTaken) {  // rows with no inside cell take no table row
                bRowsTaken = true;
                for (size_t i = 0; i < nPoints; i++) {
                    const int64_t nDy = int64_t{r} - pPoints[i].y;
                    const bool bNear = pTable && nDy > -CKTTrailWeights::kRows && nDy < CKTTrailWeights::kRows;
                    nAbsDy[i] = bNear ? static_cast<int>(nDy < 0 ? -nDy : nDy) : 0;
                    pRows[i] = bNear ? pTable->Row(nAbsDy[i]) : nullptr;
                }
            }
            float fWeight = 0.0f, fRed = 0.0f, fGreen = 0.0f, fBlue = 0.0f;
            for (size_t i = 0; i < nPoints; i++) {
                // Within the table's reach dx and dy are small integers, d^2 and its double exact: the
                // table's entry is this same weight.
                const int64_t nDx = int64_t{c} - pPoints[i].x;
                float fW;
                if (pRows[i] && nDx > -CKTTrailWeights::kCols && nDx < CKTTrailWeights::kCols) {
                    fW = pTable->Get(pRows[i], static_cast<int>(nDx < 0 ? -nDx : nDx), nAbsDy[i], weight);
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
