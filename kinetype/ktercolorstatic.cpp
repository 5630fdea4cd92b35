#include "kinetype/ktercolorstatic.h"

#include <cmath>

#include "kinetype/ktbook.h"
#include "kinetype/ktglobals.h"
#include "platform/crt/crt.h"

IMPLEMENT_SERIAL(CKTERColorStatic, CKTCellMaskRenderer, 0)

CKTERColorStatic::CKTERColorStatic() : CKTCellMaskRenderer(RENDERER_COLORSTATIC, 50.0f) {}

CKTElementRenderer* CKTERColorStatic::Clone() {
    auto* p = new CKTERColorStatic;
    CopyParametersTo(p);
    return p;
}

void CKTERColorStatic::Recolor(const CKTBook& book) {
    const CPoint pt = MaskMousePoint(book);
    const BYTE channel[3] = {GetRValue(m_crColor), GetGValue(m_crColor), GetBValue(m_crColor)};
    const CWeight weight = FrameWeight();
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
            n[0] = crt::rand();
            n[1] = crt::rand();
            n[2] = crt::rand();
            for (int k = 0; k < 3; k++) {
                const float fNoise = static_cast<float>(n[k] * fW * 255.0 / 32767.0);
                pCell[1 + k] = TruncToInt((1.0 - fW) * channel[k] + fNoise);
            }
        }
    }
}
