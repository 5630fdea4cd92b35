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

// ---- the dialogs and the renderers' fields, by member, in the order of the values ----------------------

// The dialog D with its members filled from the values; after OK the values from the members.
template <class D, float D::*... Members>
int Ask(Values& v) {
    D dlg;
    size_t i = 0;
    ((dlg.*Members = v[i++]), ...);
    if (dlg.DoModal() != IDOK) return IDCANCEL;
    i = 0;
    ((v[i++] = dlg.*Members), ...);
    return IDOK;
}

// Parameters that are plain fields of the renderer class R; they reach only the renderer itself.
// Each pair is called only with a renderer of its row's class.
template <class R, float R::*... Fields>
void GetFields(CKTElementRenderer& r, Values& v) {
    auto& p = static_cast<R&>(r);
    size_t i = 0;
    ((v[i++] = p.*Fields), ...);
}
template <class R, float R::*... Fields>
void SetFields(CKTElementRenderer& r, const Values& v) {
    auto& p = static_cast<R&>(r);
    size_t i = 0;
    ((p.*Fields = v[i++]), ...);
}

using Lens = CKTERLens;
using Pull = CKTERPull;
using Clay = CKTERClay;
using Drift = CKTERDrift;
using Pulse = CKTERPulse;
using Cells = CKTCellMaskRenderer;  // colour static and trail

constexpr auto AskLens = Ask<CLensERDialog, &CLensERDialog::m_fMagnification, &CLensERDialog::m_fFalloff>;
constexpr auto AskPull = Ask<CPullERDialog, &CPullERDialog::m_fMouseStrength, &CPullERDialog::m_fMouseFalloff,
                             &CPullERDialog::m_fOriginStrength>;
constexpr auto AskPulse =
    Ask<CPulseERDialog, &CPulseERDialog::m_fPeriod, &CPulseERDialog::m_fScale, &CPulseERDialog::m_fDistortion>;
constexpr auto AskDisintegrate =
    Ask<CDisintegrateERDialog, &CDisintegrateERDialog::m_fMouseOver, &CDisintegrateERDialog::m_fMouseOutside>;
constexpr auto AskDrift = Ask<CDriftERDialog, &CDriftERDialog::m_fMouseStrength, &CDriftERDialog::m_fMouseFalloff,
                              &CDriftERDialog::m_fOriginStrength, &CDriftERDialog::m_fFriction>;
constexpr auto AskColorStatic = Ask<CColorStaticERDialog, &CColorStaticERDialog::m_fRadius,
                                    &CColorStaticERDialog::m_fSpeed, &CColorStaticERDialog::m_fSpacing>;
constexpr auto AskTransparent = Ask<CTransparentFontDialog, &CTransparentFontDialog::m_fMouseOver,
                                    &CTransparentFontDialog::m_fMouseOutside, &CTransparentFontDialog::m_fTransparency>;

// Splatter, erosion and erode edge: the setters pass the rates on to the master's copies (the
// transparency too).
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

// How a row reads and writes its renderer's parameters.
struct Access {
    void (*get)(CKTElementRenderer&, Values&);
    void (*set)(CKTElementRenderer&, const Values&);
};
template <class R, float R::*... Fields>
constexpr Access kFields = {GetFields<R, Fields...>, SetFields<R, Fields...>};
constexpr Access kRates = {GetRates, SetRates};
constexpr Access kTransparent = {GetTransparent, SetTransparent};
constexpr Access kNone = {nullptr, nullptr};

// ---- the table -----------------------------------------------------------------------------------

struct SoftTypeRow {
    UINT nId;
    const CRuntimeClass* pClass;
    int (*ask)(Values&);  // NULL: no parameters, no dialog
    Access params;
    std::array<float CQuillView::*, 4> defaults;
    bool bEditable;  // EditRendererParameters opens this row's dialog for a renderer of its class
};

const SoftTypeRow kSoftTypes[] = {
    {ID_SOFTTYPE_DEFAULT, &CKTERDefault::classCKTERDefault, nullptr, kNone, {}, false},
    {ID_SOFTTYPE_PARTICLE, &CKTERParticle::classCKTERParticle, nullptr, kNone, {}, false},
    {ID_SOFTTYPE_LENS, &CKTERLens::classCKTERLens, AskLens, kFields<Lens, &Lens::m_fMagnification, &Lens::m_fFalloff>,
     {&CQuillView::m_fLensMagnification, &CQuillView::m_fLensFalloff}, true},
    {ID_SOFTTYPE_PULL, &CKTERPull::classCKTERPull, AskPull,
     kFields<Pull, &Pull::m_fMouseStrength, &Pull::m_fMouseFalloff, &Pull::m_fOriginStrength>,
     {&CQuillView::m_fPullMouseStrength, &CQuillView::m_fPullMouseFalloff, &CQuillView::m_fPullOriginStrength}, true},
    {ID_SOFTTYPE_PULSE, &CKTERPulse::classCKTERPulse, AskPulse,
     kFields<Pulse, &Pulse::m_fPeriod, &Pulse::m_fScale, &Pulse::m_fDistortion>,
     {&CQuillView::m_fPulsePeriod, &CQuillView::m_fPulseScale, &CQuillView::m_fPulseDistortion}, true},
    {ID_SOFTTYPE_DISINTEGRATE, &CKTERSplatter::classCKTERSplatter, AskDisintegrate, kRates,
     {&CQuillView::m_fDisintegrateMouseOver, &CQuillView::m_fDisintegrateMouseOutside}, true},
    {ID_SOFTTYPE_EROSION, &CKTERErosion::classCKTERErosion, AskDisintegrate, kRates,
     {&CQuillView::m_fErosionMouseOver, &CQuillView::m_fErosionMouseOutside}, true},
    {ID_SOFTTYPE_CLAY, &CKTERClay::classCKTERClay, AskPull,
     kFields<Clay, &Clay::m_fMouseStrength, &Clay::m_fMouseFalloff, &Clay::m_fOriginStrength>,
     {&CQuillView::m_fClayMouseStrength, &CQuillView::m_fClayMouseFalloff, &CQuillView::m_fClayOriginStrength}, true},
    {ID_SOFTTYPE_DRIFT, &CKTERDrift::classCKTERDrift, AskDrift,
     kFields<Drift, &Drift::m_fMouseStrength, &Drift::m_fMouseFalloff, &Drift::m_fOriginStrength, &Drift::m_fFriction>,
     {&CQuillView::m_fDriftMouseStrength, &CQuillView::m_fDriftMouseFalloff, &CQuillView::m_fDriftOriginStrength,
      &CQuillView::m_fDriftFriction},
     true},
    // Erode edge shares the disintegrate defaults; an erode-edge renderer in use is not edited.
    {ID_SOFTTYPE_ERODE_EDGE, &CKTERErodeEdge::classCKTERErodeEdge, AskDisintegrate, kRates,
     {&CQuillView::m_fDisintegrateMouseOver, &CQuillView::m_fDisintegrateMouseOutside}, false},
    {ID_SOFTTYPE_COLORSTATIC, &CKTERColorStatic::classCKTERColorStatic, AskColorStatic,
     kFields<Cells, &Cells::m_fRadius, &Cells::m_fSpeed, &Cells::m_fSpacing>,
     {&CQuillView::m_fColorStaticRadius, &CQuillView::m_fColorStaticSpeed, &CQuillView::m_fColorStaticSpacing}, true},
    {ID_SOFTTYPE_TRAIL, &CKTERTrail::classCKTERTrail, AskColorStatic,
     kFields<Cells, &Cells::m_fRadius, &Cells::m_fSpeed, &Cells::m_fSpacing>,
     {&CQuillView::m_fTrailRadius, &CQuillView::m_fTrailSpeed, &CQuillView::m_fTrailSpacing}, true},
    {ID_SOFTTYPE_TRANSPARENT, &CKTERTransparent::classCKTERTransparent, AskTransparent, kTransparent,
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
        if (IsOfClass(pSelected, *pRow)) pRow->params.get(*pSelected, values);
        if (pRow->ask(values) != IDOK) return;
        WriteDefaults(*this, *pRow, values);
    }
    auto* pPrototype = dynamic_cast<CKTElementRenderer*>(pRow->pClass->CreateObject());
    if (!pPrototype) return;
    if (pRow->params.set) pRow->params.set(*pPrototype, ReadDefaults(*this, *pRow));
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
    pRow->params.get(*pRenderer, values);
    if (pRow->ask(values) != IDOK) return;
    WriteDefaults(*this, *pRow, values);

    // pRenderer may have been deleted meanwhile: it is compared, and used only once found again.
    if (bPrototype) {
        if (m_pDefaultRenderer == pRenderer && IsOfClass(m_pDefaultRenderer, *pRow))
            pRow->params.set(*m_pDefaultRenderer, ReadDefaults(*this, *pRow));
        return;
    }
    CKTBook* pBook = GetBook();
    if (!pElement || !pBook || !IsInTree(pBook->GetRoot(), pElement)) return;
    CKTElementRenderer* pNow = pElement->GetRenderer();
    if (pNow != pRenderer || !IsOfClass(pNow, *pRow)) return;
    pRow->params.set(*pNow, ReadDefaults(*this, *pRow));
    m_bModified = 1;  // an element's parameters are stored with the document
}
