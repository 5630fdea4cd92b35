// The softtype commands (a renderer style for the selection and for new text) and the editor of a
// renderer in use. One table row a command: the renderer class, the parameter dialog that asks for
// its parameters, how the parameters are read from and written into a renderer of that class, and
// the view's parameter defaults that pre-fill the dialog and take its values.
//
// Renderers are told apart by their class, never by their stored type id: a document may pair any
// class with any id.
//
// Dialogs are modal and the frame timer keeps ticking inside them: the selected element may die, a
// behaviour may replace a renderer, a load may replace the book. So the selection is read again after
// the dialog, and an edited renderer gets the values only when it is still the prototype or still the
// renderer of a living element of the current book.
#include <array>
#include <iterator>

#include "kinetype/ktbook.h"
#include "kinetype/ktcellmaskrenderer.h"
#include "kinetype/ktelement.h"
#include "kinetype/kterclay.h"
#include "kinetype/ktercolorstatic.h"
#include "kinetype/kterdefault.h"
#include "kinetype/kterdrift.h"
#include "kinetype/ktererodeedge.h"
#include "kinetype/ktererosion.h"
#include "kinetype/kterlens.h"
#include "kinetype/kterparticle.h"
#include "kinetype/kterpull.h"
#include "kinetype/kterpulse.h"
#include "kinetype/ktersplatter.h"
#include "kinetype/ktertrail.h"
#include "kinetype/ktertransparent.h"
#include "kinetype/kttext.h"
#include "pumenu/commandids.h"
#include "quillstorm/QuillView.h"
#include "quillstorm/colorstaticerdialog.h"
#include "quillstorm/disintegrateerdialog.h"
#include "quillstorm/drifterdialog.h"
#include "quillstorm/lenserdialog.h"
#include "quillstorm/pullerdialog.h"
#include "quillstorm/pulseerdialog.h"
#include "quillstorm/transparentfontdialog.h"

namespace {

// A softtype's parameters, in the order of its row's defaults (unused places stay 0).
using Values = std::array<float, 4>;

// ---- the dialogs: filled from the values, the values from the dialog after OK ----------------------

int AskLens(Values& v) {
    CLensERDialog dlg;
    dlg.m_fMagnification = v[0];
    dlg.m_fFalloff = v[1];
    if (dlg.DoModal() != IDOK) return IDCANCEL;
    v = {dlg.m_fMagnification, dlg.m_fFalloff};
    return IDOK;
}

int AskPull(Values& v) {
    CPullERDialog dlg;
    dlg.m_fMouseStrength = v[0];
    dlg.m_fMouseFalloff = v[1];
    dlg.m_fOriginStrength = v[2];
    if (dlg.DoModal() != IDOK) return IDCANCEL;
    v = {dlg.m_fMouseStrength, dlg.m_fMouseFalloff, dlg.m_fOriginStrength};
    return IDOK;
}

int AskPulse(Values& v) {
    CPulseERDialog dlg;
    dlg.m_fPeriod = v[0];
    dlg.m_fScale = v[1];
    dlg.m_fDistortion = v[2];
    if (dlg.DoModal() != IDOK) return IDCANCEL;
    v = {dlg.m_fPeriod, dlg.m_fScale, dlg.m_fDistortion};
    return IDOK;
}

int AskDisintegrate(Values& v) {
    CDisintegrateERDialog dlg;
    dlg.m_fMouseOver = v[0];
    dlg.m_fMouseOutside = v[1];
    if (dlg.DoModal() != IDOK) return IDCANCEL;
    v = {dlg.m_fMouseOver, dlg.m_fMouseOutside};
    return IDOK;
}

int AskDrift(Values& v) {
    CDriftERDialog dlg;
    dlg.m_fMouseStrength = v[0];
    dlg.m_fMouseFalloff = v[1];
    dlg.m_fOriginStrength = v[2];
    dlg.m_fFriction = v[3];
    if (dlg.DoModal() != IDOK) return IDCANCEL;
    v = {dlg.m_fMouseStrength, dlg.m_fMouseFalloff, dlg.m_fOriginStrength, dlg.m_fFriction};
    return IDOK;
}

int AskColorStatic(Values& v) {
    CColorStaticERDialog dlg;
    dlg.m_fRadius = v[0];
    dlg.m_fSpeed = v[1];
    dlg.m_fSpacing = v[2];
    if (dlg.DoModal() != IDOK) return IDCANCEL;
    v = {dlg.m_fRadius, dlg.m_fSpeed, dlg.m_fSpacing};
    return IDOK;
}

int AskTransparent(Values& v) {
    CTransparentFontDialog dlg;
    dlg.m_fMouseOver = v[0];
    dlg.m_fMouseOutside = v[1];
    dlg.m_fTransparency = v[2];
    if (dlg.DoModal() != IDOK) return IDCANCEL;
    v = {dlg.m_fMouseOver, dlg.m_fMouseOutside, dlg.m_fTransparency};
    return IDOK;
}

// ---- the renderers' parameters: fields, or setters where they reach a master's copies --------------
// Each pair is called only with a renderer of its row's class.

void GetLens(CKTElementRenderer& r, Values& v) {
    auto& p = static_cast<CKTERLens&>(r);
    v = {p.m_fMagnification, p.m_fFalloff};
}
void SetLens(CKTElementRenderer& r, const Values& v) {
    auto& p = static_cast<CKTERLens&>(r);
    p.m_fMagnification = v[0];
    p.m_fFalloff = v[1];
}

// Pull and clay: the same three fields.
template <class R>
void GetMouseAndOrigin(CKTElementRenderer& r, Values& v) {
    auto& p = static_cast<R&>(r);
    v = {p.m_fMouseStrength, p.m_fMouseFalloff, p.m_fOriginStrength};
}
template <class R>
void SetMouseAndOrigin(CKTElementRenderer& r, const Values& v) {
    auto& p = static_cast<R&>(r);
    p.m_fMouseStrength = v[0];
    p.m_fMouseFalloff = v[1];
    p.m_fOriginStrength = v[2];
}

void GetDrift(CKTElementRenderer& r, Values& v) {
    GetMouseAndOrigin<CKTERDrift>(r, v);
    v[3] = static_cast<CKTERDrift&>(r).m_fFriction;
}
void SetDrift(CKTElementRenderer& r, const Values& v) {
    SetMouseAndOrigin<CKTERDrift>(r, v);
    static_cast<CKTERDrift&>(r).m_fFriction = v[3];
}

void GetPulse(CKTElementRenderer& r, Values& v) {
    auto& p = static_cast<CKTERPulse&>(r);
    v = {p.m_fPeriod, p.m_fScale, p.m_fDistortion};
}
void SetPulse(CKTElementRenderer& r, const Values& v) {
    auto& p = static_cast<CKTERPulse&>(r);
    p.m_fPeriod = v[0];
    p.m_fScale = v[1];
    p.m_fDistortion = v[2];
}

// Splatter, erosion and erode edge: the setters pass the rates on to the master's copies.
void GetRates(CKTElementRenderer& r, Values& v) {
    auto& p = static_cast<CKTTrackingMaskRenderer&>(r);
    v = {p.GetMouseOverRate(), p.GetMouseOutsideRate()};
}
void SetRates(CKTElementRenderer& r, const Values& v) {
    auto& p = static_cast<CKTTrackingMaskRenderer&>(r);
    p.SetMouseOverRate(v[0]);
    p.SetMouseOutsideRate(v[1]);
}

void GetTransparent(CKTElementRenderer& r, Values& v) {
    GetRates(r, v);
    v[2] = static_cast<CKTERTransparent&>(r).GetTransparency();
}
void SetTransparent(CKTElementRenderer& r, const Values& v) {
    SetRates(r, v);
    static_cast<CKTERTransparent&>(r).SetTransparency(v[2]);
}

// Colour static and trail.
void GetCells(CKTElementRenderer& r, Values& v) {
    auto& p = static_cast<CKTCellMaskRenderer&>(r);
    v = {p.m_fRadius, p.m_fSpeed, p.m_fSpacing};
}
void SetCells(CKTElementRenderer& r, const Values& v) {
    auto& p = static_cast<CKTCellMaskRenderer&>(r);
    p.m_fRadius = v[0];
    p.m_fSpeed = v[1];
    p.m_fSpacing = v[2];
}

// ---- the table -----------------------------------------------------------------------------------

struct SoftTypeRow {
    UINT nId;
    const CRuntimeClass* pClass;
    int (*ask)(Values&);  // NULL: no parameters, no dialog
    void (*get)(CKTElementRenderer&, Values&);
    void (*set)(CKTElementRenderer&, const Values&);
    std::array<float CQuillView::*, 4> defaults;
    bool bEditable;  // EditRendererParameters opens this row's dialog for a renderer of its class
};

const SoftTypeRow kSoftTypes[] = {
    {ID_SOFTTYPE_DEFAULT, &CKTERDefault::classCKTERDefault, nullptr, nullptr, nullptr, {}, false},
    {ID_SOFTTYPE_PARTICLE, &CKTERParticle::classCKTERParticle, nullptr, nullptr, nullptr, {}, false},
    {ID_SOFTTYPE_LENS, &CKTERLens::classCKTERLens, AskLens, GetLens, SetLens,
     {&CQuillView::m_fLensMagnification, &CQuillView::m_fLensFalloff}, true},
    {ID_SOFTTYPE_PULL, &CKTERPull::classCKTERPull, AskPull, GetMouseAndOrigin<CKTERPull>, SetMouseAndOrigin<CKTERPull>,
     {&CQuillView::m_fPullMouseStrength, &CQuillView::m_fPullMouseFalloff, &CQuillView::m_fPullOriginStrength}, true},
    {ID_SOFTTYPE_PULSE, &CKTERPulse::classCKTERPulse, AskPulse, GetPulse, SetPulse,
     {&CQuillView::m_fPulsePeriod, &CQuillView::m_fPulseScale, &CQuillView::m_fPulseDistortion}, true},
    {ID_SOFTTYPE_DISINTEGRATE, &CKTERSplatter::classCKTERSplatter, AskDisintegrate, GetRates, SetRates,
     {&CQuillView::m_fDisintegrateMouseOver, &CQuillView::m_fDisintegrateMouseOutside}, true},
    {ID_SOFTTYPE_EROSION, &CKTERErosion::classCKTERErosion, AskDisintegrate, GetRates, SetRates,
     {&CQuillView::m_fErosionMouseOver, &CQuillView::m_fErosionMouseOutside}, true},
    {ID_SOFTTYPE_CLAY, &CKTERClay::classCKTERClay, AskPull, GetMouseAndOrigin<CKTERClay>, SetMouseAndOrigin<CKTERClay>,
     {&CQuillView::m_fClayMouseStrength, &CQuillView::m_fClayMouseFalloff, &CQuillView::m_fClayOriginStrength}, true},
    {ID_SOFTTYPE_DRIFT, &CKTERDrift::classCKTERDrift, AskDrift, GetDrift, SetDrift,
     {&CQuillView::m_fDriftMouseStrength, &CQuillView::m_fDriftMouseFalloff, &CQuillView::m_fDriftOriginStrength,
      &CQuillView::m_fDriftFriction},
     true},
    // Erode edge shares the disintegrate defaults; an erode-edge renderer in use is not edited.
    {ID_SOFTTYPE_ERODE_EDGE, &CKTERErodeEdge::classCKTERErodeEdge, AskDisintegrate, GetRates, SetRates,
     {&CQuillView::m_fDisintegrateMouseOver, &CQuillView::m_fDisintegrateMouseOutside}, false},
    {ID_SOFTTYPE_COLORSTATIC, &CKTERColorStatic::classCKTERColorStatic, AskColorStatic, GetCells, SetCells,
     {&CQuillView::m_fColorStaticRadius, &CQuillView::m_fColorStaticSpeed, &CQuillView::m_fColorStaticSpacing}, true},
    {ID_SOFTTYPE_TRAIL, &CKTERTrail::classCKTERTrail, AskColorStatic, GetCells, SetCells,
     {&CQuillView::m_fTrailRadius, &CQuillView::m_fTrailSpeed, &CQuillView::m_fTrailSpacing}, true},
    {ID_SOFTTYPE_TRANSPARENT, &CKTERTransparent::classCKTERTransparent, AskTransparent, GetTransparent, SetTransparent,
     {&CQuillView::m_fTransparentMouseOver, &CQuillView::m_fTransparentMouseOutside, &CQuillView::m_fTransparency},
     true},
};

const SoftTypeRow* FindById(UINT nId) {
    for (const SoftTypeRow& row : kSoftTypes)
        if (row.nId == nId) return &row;
    return nullptr;
}

// The row whose dialog edits a renderer of this class in use.
const SoftTypeRow* FindEditable(const CKTElementRenderer& r) {
    for (const SoftTypeRow& row : kSoftTypes)
        if (row.bEditable && r.GetRuntimeClass() == row.pClass) return &row;
    return nullptr;
}

bool IsOfClass(const CKTElementRenderer* p, const SoftTypeRow& row) {
    return p && p->GetRuntimeClass() == row.pClass;
}

Values ReadDefaults(const CQuillView& v, const SoftTypeRow& row) {
    Values values{};
    for (size_t i = 0; i < row.defaults.size(); ++i)
        if (row.defaults[i]) values[i] = v.*row.defaults[i];
    return values;
}

void WriteDefaults(CQuillView& v, const SoftTypeRow& row, const Values& values) {
    for (size_t i = 0; i < row.defaults.size(); ++i)
        if (row.defaults[i]) v.*row.defaults[i] = values[i];
}

// Whether pElement (never dereferenced here) is an element of the book's tree.
bool IsInTree(const CKTElement* pNode, const CKTElement* pElement) {
    for (; pNode; pNode = pNode->GetNextSibling()) {
        if (pNode == pElement) return true;
        if (IsInTree(pNode->GetFirstChild(), pElement)) return true;
    }
    return false;
}

}  // namespace

// A softtype: the dialog (pre-filled from the primary selected element's renderer when it is of the
// command's class, else from the defaults; shown whatever bAsk says), the defaults from its values,
// then a new prototype of the command's class set from the defaults, and a clone of it for each
// selected element of now.
void CQuillView::ExecuteSoftTypeCommand(UINT nId, BOOL) {
    const SoftTypeRow* pRow = FindById(nId);
    if (!pRow) return;
    if (pRow->ask) {
        Values values = ReadDefaults(*this, *pRow);
        CKTElementRenderer* pSelected = m_pSelected ? m_pSelected->GetRenderer() : nullptr;
        if (IsOfClass(pSelected, *pRow)) pRow->get(*pSelected, values);
        if (pRow->ask(values) != IDOK) return;
        WriteDefaults(*this, *pRow, values);
    }
    auto* pPrototype = dynamic_cast<CKTElementRenderer*>(pRow->pClass->CreateObject());
    if (!pPrototype) return;
    if (pRow->set) pRow->set(*pPrototype, ReadDefaults(*this, *pRow));
    delete m_pDefaultRenderer;
    m_pDefaultRenderer = pPrototype;

    if (!m_selection.IsEmpty()) m_bModified = 1;
    for (POSITION pos = m_selection.GetHeadPosition(); pos;) {
        CKTElement* pElement = m_selection.GetNext(pos);
        CKTElementRenderer* pClone = m_pDefaultRenderer->Clone();
        if (pClone && !pElement->SetRenderer(pClone, TRUE)) delete pClone;
    }
}

// A renderer in use: its class's dialog pre-filled from it; on OK the values become that softtype's
// defaults and, when the renderer is still there, go from the defaults into it.
void CQuillView::EditRendererParameters(CKTElementRenderer* pRenderer) {
    if (!pRenderer) return;
    const SoftTypeRow* pRow = FindEditable(*pRenderer);
    if (!pRow) return;
    const bool bPrototype = pRenderer == m_pDefaultRenderer;
    CKTElement* pElement = bPrototype ? nullptr : pRenderer->GetElement();

    Values values{};
    pRow->get(*pRenderer, values);
    if (pRow->ask(values) != IDOK) return;
    WriteDefaults(*this, *pRow, values);

    // pRenderer may have been deleted meanwhile: it is compared, and used only once found again.
    if (bPrototype) {
        if (m_pDefaultRenderer == pRenderer && IsOfClass(m_pDefaultRenderer, *pRow))
            pRow->set(*m_pDefaultRenderer, ReadDefaults(*this, *pRow));
        return;
    }
    CKTBook* pBook = GetBook();
    if (!pElement || !pBook || !IsInTree(pBook->GetRoot(), pElement)) return;
    CKTElementRenderer* pNow = pElement->GetRenderer();
    if (pNow != pRenderer || !IsOfClass(pNow, *pRow)) return;
    pRow->set(*pNow, ReadDefaults(*this, *pRow));
    m_bModified = 1;  // an element's parameters are stored with the document
}
