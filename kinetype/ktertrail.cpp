#include "kinetype/ktertrail.h"

#include <cmath>

#include "kinetype/ktbook.h"
#include "kinetype/ktglobals.h"
#include "platform/crt/crt.h"

IMPLEMENT_SERIAL(CKTERTrail, CKTCellMaskRenderer, 0)

CKTERTrail::CKTERTrail() : CKTCellMaskRenderer(RENDERER_TRAIL, 10.0f), m_fLegacy1(0.0f), m_fLegacy2(0.0f) {}

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
    const size_t nPoints = m_trail.size();
    const CWeight weight = FrameWeight();
    const int w = MaskWidth(), h = MaskHeight();
    int* pCell = m_pMask;
    for (int r = 0; r < h; r++) {
        for (int c = 0; c < w; c++, pCell += 4) {
            if (!pCell[0]) continue;
            float fWeight = 0.0f, fRed = 0.0f, fGreen = 0.0f, fBlue = 0.0f;
            for (size_t i = 0; i < nPoints; i++) {
                const double dx = static_cast<double>(c) - m_trail[i].x;
                const double dy = static_cast<double>(r) - m_trail[i].y;
                const float fW = weight(std::sqrt(dx * dx + dy * dy));
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
