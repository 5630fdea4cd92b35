#include "kinetype/kterodingrenderer.h"

#include "platform/crt/crt.h"

IMPLEMENT_DYNAMIC(CKTErodingRenderer, CKTTrackingMaskRenderer)

CKTErodingRenderer::CKTErodingRenderer(int nType) : CKTTrackingMaskRenderer(nType, 1, -0.1f, 0.2f), m_nPresent(0), m_nTotal(0) {}

CKTElementRenderer* CKTErodingRenderer::CloneRates(CKTErodingRenderer* p) const {
    p->m_fMouseOver = m_fMouseOver;
    p->m_fMouseOutside = m_fMouseOutside;
    return p;
}

void CKTErodingRenderer::BeforePasses(CKTBook&) {}

void CKTErodingRenderer::Animate(CKTBook& book) {
    BeforePasses(book);
    const float fFactor = IsMouseInside(book) ? m_fMouseOver : m_fMouseOutside;
    if (fFactor == 0.0f) return;
    const float fRate = m_nTotal * fFactor;
    if (fRate <= 0.0f) {
        const float p = static_cast<float>(-1.0 / (fRate / m_nPresent * 32767.0));
        ErosionPass(p);
    } else {
        const int64_t nMissing = int64_t{m_nTotal} - m_nPresent;
        const float p = static_cast<float>(1.0 / (fRate / static_cast<float>(nMissing) * 32767.0));
        RegrowthPass(p);
    }
}
