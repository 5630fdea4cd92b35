#include "kinetype/ktercolorstatic.h"

#include <cmath>

#include "kinetype/ktbook.h"
#include "kinetype/ktglobals.h"
#include "platform/crt/crt.h"

IMPLEMENT_SERIAL(CKTERColorStatic, CKTCellMaskRenderer, 0)

CKTERColorStatic::CKTERColorStatic()
    : CKTCellMaskRenderer(RENDERER_COLORSTATIC, 50.0f), m_ptMouse(0, 0), m_channel{0, 0, 0}, m_nRand(0) {}

CKTElementRenderer* CKTERColorStatic::Clone() {
    auto* p = new CKTERColorStatic;
    CopyParametersTo(p);
    return p;
}

void CKTERColorStatic::Recolor(const CKTBook& book) {
    m_ptMouse = MaskMousePoint(book);
    m_channel[0] = GetRValue(m_crColor);
    m_channel[1] = GetGValue(m_crColor);
    m_channel[2] = GetBValue(m_crColor);
    m_weight = FrameWeight();
    // The cells' draws, red, green, blue per cell in row order, come from this range.
    m_nRand = crt::rand_state();
    crt::skip_rand(3 * static_cast<uint64_t>(m_nInside));
    QueuePixels(4 * static_cast<size_t>(m_nInside));
}

void CKTERColorStatic::ComputePixels() {
    const CPoint pt = m_ptMouse;
    // Local copies: the loop writes through int pointers, after which members would be read again.
    const BYTE channel[3] = {m_channel[0], m_channel[1], m_channel[2]};
    const CWeight weight = m_weight;
    crt::RandStream rand(m_nRand);
    const int w = MaskWidth(), h = MaskHeight();
    int* pCell = m_pMask;
    for (int r = 0; r < h; r++) {
        for (int c = 0; c < w; c++, pCell += 4) {
            if (!pCell[0]) continue;
            const double dx = static_cast<double>(c) - pt.x;
            const double dy = static_cast<double>(r) - pt.y;
            const float fW = weight(std::sqrt(dx * dx + dy * dy));
            // Red, green, blue: one value each, drawn in that order (one draw a statement).
            int n[3];
            n[0] = rand.Next();
            n[1] = rand.Next();
            n[2] = rand.Next();
            for (int k = 0; k < 3; k++) {
                const float fNoise = static_cast<float>(n[k] * fW * 255.0 / 32767.0);
                pCell[1 + k] = TruncToInt((1.0 - fW) * channel[k] + fNoise);
            }
        }
    }
}
