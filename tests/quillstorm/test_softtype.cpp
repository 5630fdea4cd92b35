// The renderer dialogs (templates, exchange order, ranges and messages), the softtype commands and the
// renderer parameter editor, with scripted dialogs; and the same dialogs shown by Qt (offscreen).
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "appfixture.h"
#include "kinetype/kttesthelp.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktcellmaskrenderer.h"
#include "kinetype/ktglobals.h"
#include "kinetype/ktglyph.h"
#include "kinetype/ktpassage.h"
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
#include "kinetype/ktertest.h"
#include "kinetype/ktertrail.h"
#include "kinetype/ktertransparent.h"
#include "kinetype/kttext.h"
#include "kinetype/ktword.h"
#include "pumenu/commandids.h"
#include "quillstorm/colorstaticerdialog.h"
#include "quillstorm/disintegrateerdialog.h"
#include "quillstorm/drifterdialog.h"
#include "quillstorm/lenserdialog.h"
#include "quillstorm/pullerdialog.h"
#include "quillstorm/pulseerdialog.h"
#include "quillstorm/transparentfontdialog.h"
#include "scopedqtui.h"

namespace {

using Floats = std::vector<float>;

// ---- the dialogs' templates ----------------------------------------------------------------------

struct DialogSpec {
    const char* name;
    std::function<std::unique_ptr<ui::CParamDialog>()> make;
    UINT nTemplate;
    const char* title;
    std::vector<std::pair<int, const char*>> labels;  // control id, its label
    std::vector<int> exchange;                          // control ids in exchange order
    std::vector<std::pair<double, double>> ranges;      // in exchange order
};

template <class D>
std::unique_ptr<ui::CParamDialog> Make() {
    return std::make_unique<D>();
}

const std::vector<DialogSpec>& Specs() {
    static const std::vector<DialogSpec> specs = {
        {"colour static", Make<CColorStaticERDialog>, 154, "Set Color Static/Trail Parameters",
         {{1024, "Radius"}, {1026, "Spacing"}, {1025, "Speed"}}, {1024, 1026, 1025},
         {{0, 1e6}, {0, 1e6}, {0, 1e6}}},
        {"disintegrate", Make<CDisintegrateERDialog>, 148, "Set Disintegration/Erosion Parameters",
         {{1014, "MouseOver"}, {1015, "MouseOutside"}}, {1014, 1015}, {{-1, 1}, {-1, 1}}},
        {"drift", Make<CDriftERDialog>, 153, "Set Drift Parameters",
         {{1015, "Friction (0-1)"}, {1013, "Mouse Falloff"}, {1012, "Mouse Strength"}, {1014, "Origin Strength"}},
         {1015, 1013, 1012, 1014}, {{0, 1}, {-1e6, 1e6}, {-1e6, 1e6}, {-1e6, 1e6}}},
        {"lens", Make<CLensERDialog>, 147, "Set Lehs Parameters", {{1013, "Magnification"}, {1009, "Falloff"}},
         {1013, 1009}, {{-1e6, 1e6}, {-1e6, 1e6}}},
        {"pull", Make<CPullERDialog>, 146, "Set Pull/Clay Parameters",
         {{1013, "Mouse Falloff"}, {1012, "Mouse Strength"}, {1014, "Origin Strength"}}, {1013, 1012, 1014},
         {{-1e6, 1e6}, {-1e6, 1e6}, {-1e6, 1e6}}},
        {"pulse", Make<CPulseERDialog>, 145, "Set Pulse Parameters",
         {{1010, "Distortion Factor"}, {1009, "Period"}, {1008, "Scale"}}, {1010, 1009, 1008},
         {{-1e6, 1e6}, {1e-07, 1e6}, {-1e6, 1e6}}},
        {"transparent", Make<CTransparentFontDialog>, 171, "Set Transparency Parameters",
         {{1014, "MouseOver"}, {1015, "MouseOutside"}, {1016, "Transparency"}}, {1014, 1015, 1016},
         {{-1, 1}, {-1, 1}, {0, 1}}},
    };
    return specs;
}

// The label declared just before the control.
std::string LabelOf(const ui::CParamDialog& d, int nId) {
    const auto& c = d.GetControls();
    for (size_t i = 1; i < c.size(); ++i)
        if (c[i].nId == nId && c[i - 1].bLabel) return c[i - 1].strText;
    return "(none)";
}

TEST(RendererDialogs, TemplatesTitlesLabelsExchangeOrderAndRanges) {
    for (const DialogSpec& s : Specs()) {
        SCOPED_TRACE(s.name);
        std::unique_ptr<ui::CParamDialog> d = s.make();
        EXPECT_EQ(d->GetTemplateId(), s.nTemplate);
        EXPECT_EQ(d->GetTitle(), s.title);
        for (const auto& [id, label] : s.labels) {
            ASSERT_NE(d->GetDlgItem(id), nullptr) << id;
            EXPECT_EQ(d->GetDlgItem(id)->type, ui::ControlType::Edit);
            EXPECT_EQ(LabelOf(*d, id), label);
        }
        ASSERT_EQ(d->GetFields().size(), s.exchange.size());
        for (size_t i = 0; i < s.exchange.size(); ++i) {
            const ui::DialogField& f = d->GetFields()[i];
            EXPECT_EQ(f.nId, s.exchange[i]);
            EXPECT_EQ(f.kind, ui::DialogField::Kind::Float);
            EXPECT_TRUE(f.bRange);
            EXPECT_EQ(static_cast<float>(f.dMin), static_cast<float>(s.ranges[i].first));
            EXPECT_EQ(static_cast<float>(f.dMax), static_cast<float>(s.ranges[i].second));
        }
    }
    // Speed and Spacing sit in the group box "Sine Wave Oscillation", Radius outside it.
    CColorStaticERDialog d;
    const auto& c = d.GetControls();
    for (int id : {1025, 1026}) {
        const int g = d.GetDlgItem(id)->nGroup;
        ASSERT_GE(g, 0);
        EXPECT_EQ(c[static_cast<size_t>(g)].type, ui::ControlType::GroupBox);
        EXPECT_EQ(c[static_cast<size_t>(g)].strText, "Sine Wave Oscillation");
    }
    EXPECT_EQ(d.GetDlgItem(1024)->nGroup, -1);
}

// ---- exchange: bounds, bad text, the first failing field, the focus ---------------------------------

struct Typed {
    int id;
    const char* text;
};

struct ExchangeCase {
    int dialog;                  // index into Specs()
    std::vector<Typed> typed;    // over valid values
    const char* message;         // NULL: OK closes
    int focus;                   // the field with the focus after a refusal
};

// Every field valid first (0.5 lies in every range), then the typed texts, then OK.
TEST(RendererDialogs, ExchangeChecksEachFieldInOrderWithTheClassLibrarysMessages) {
    enum { COLOR, DISINTEGRATE, DRIFT, LENS, PULL, PULSE, TRANSPARENT };
    const char* kNumber = "Please enter a number.";
    const ExchangeCase cases[] = {
        {PULSE, {{1009, "1e-07"}}, nullptr, 0},
        {PULSE, {{1009, "0"}}, "Please enter a number between 1e-07 and 1e+06.", 1009},
        {PULSE, {{1009, "9e-08"}}, "Please enter a number between 1e-07 and 1e+06.", 1009},
        {PULSE, {{1009, "1000000"}}, nullptr, 0},
        {PULSE, {{1009, "1000001"}}, "Please enter a number between 1e-07 and 1e+06.", 1009},
        {PULSE, {{1009, "1e39"}}, "Please enter a number between 1e-07 and 1e+06.", 1009},
        {PULSE, {{1009, ""}}, kNumber, 1009},
        {PULSE, {{1009, "abc"}}, kNumber, 1009},
        {PULSE, {{1009, "1.5x"}}, kNumber, 1009},
        {PULSE, {{1009, "nan"}}, kNumber, 1009},
        {PULSE, {{1009, "inf"}}, kNumber, 1009},
        {PULSE, {{1009, "0x1E"}}, kNumber, 1009},
        {PULSE, {{1008, "-1000000"}, {1010, "1000000"}}, nullptr, 0},
        {PULSE, {{1008, "abc"}, {1010, "abc"}}, kNumber, 1010},  // distortion comes first
        {DISINTEGRATE, {{1014, "-1"}, {1015, "1"}}, nullptr, 0},
        {DISINTEGRATE, {{1014, "5"}}, "Please enter a number between -1 and 1.", 1014},
        {DISINTEGRATE, {{1015, "-1.0000001"}}, "Please enter a number between -1 and 1.", 1015},
        {TRANSPARENT, {{1016, "0"}}, nullptr, 0},
        {TRANSPARENT, {{1016, "1.01"}}, "Please enter a number between 0 and 1.", 1016},
        {TRANSPARENT, {{1014, "x"}, {1016, "2"}}, kNumber, 1014},
        {COLOR, {{1024, "0"}, {1025, "1000000"}, {1026, "0"}}, nullptr, 0},
        {COLOR, {{1024, "-0.001"}}, "Please enter a number between 0 and 1e+06.", 1024},
        {COLOR, {{1025, "x"}, {1026, "y"}}, kNumber, 1026},  // Spacing before Speed
        {DRIFT, {{1015, "1"}}, nullptr, 0},
        {DRIFT, {{1012, "abc"}, {1015, "1.5"}}, "Please enter a number between 0 and 1.", 1015},
        {DRIFT, {{1012, "abc"}, {1013, "-1000001"}}, "Please enter a number between -1e+06 and 1e+06.", 1013},
        {LENS, {{1013, "-1000000"}, {1009, "1e+06"}}, nullptr, 0},
        {LENS, {{1013, "-1000001"}}, "Please enter a number between -1e+06 and 1e+06.", 1013},
        {PULL, {{1012, "q"}, {1013, "w"}, {1014, "e"}}, kNumber, 1013},  // falloff, strength, origin
    };
    for (const ExchangeCase& c : cases) {
        const DialogSpec& spec = Specs()[static_cast<size_t>(c.dialog)];
        std::string trace = std::string(spec.name) + ":";
        for (const Typed& t : c.typed) trace += " " + std::to_string(t.id) + "='" + t.text + "'";
        SCOPED_TRACE(trace);
        ui::CScriptedUIServices script;
        std::unique_ptr<ui::CParamDialog> d = spec.make();
        d->StartModal();
        for (int id : spec.exchange) ASSERT_TRUE(d->TypeText(id, "0.5"));
        for (const Typed& t : c.typed) ASSERT_TRUE(d->TypeText(t.id, t.text));
        d->ClickButton(IDOK);
        if (!c.message) {
            EXPECT_EQ(d->GetResult(), IDOK);
            EXPECT_TRUE(script.Calls().empty());
            continue;
        }
        EXPECT_FALSE(d->IsEnded());
        ASSERT_EQ(script.Calls().size(), 1u);
        EXPECT_EQ(script.Calls()[0].strText, c.message);
        EXPECT_EQ(d->GetFocusId(), c.focus);
    }
}

TEST(RendererDialogs, OkWithoutAnEditGivesBackEveryFloatExactly) {
    // Floats that "%.6g" would round: each field shows enough digits to read back the same float.
    ui::CScriptedUIServices script;
    CPulseERDialog d;
    d.m_fDistortion = 0.1f + 1e-8f;
    d.m_fPeriod = 1.0f / 3.0f;
    d.m_fScale = 123456.789f;
    const float distortion = d.m_fDistortion, period = d.m_fPeriod, scale = d.m_fScale;
    d.StartModal();
    EXPECT_EQ(d.GetDlgItemText(1009), "0.33333334");
    d.ClickButton(IDOK);
    ASSERT_EQ(d.GetResult(), IDOK);
    EXPECT_EQ(d.m_fDistortion, distortion);
    EXPECT_EQ(d.m_fPeriod, period);
    EXPECT_EQ(d.m_fScale, scale);
    // The lower bound itself passes unedited.
    d.m_fPeriod = 1e-07f;
    d.StartModal();
    d.ClickButton(IDOK);
    EXPECT_EQ(d.GetResult(), IDOK);
    EXPECT_EQ(d.m_fPeriod, 1e-07f);
}

// ---- the softtype commands and the editor, in a started program -------------------------------------

// How the tests read and write a renderer's parameters (independently of the view's code).
struct ClassParams {
    std::function<Floats(CKTElementRenderer*)> read;
    std::function<void(CKTElementRenderer*, const Floats&)> write;
};

template <class R>
ClassParams MouseOrigin() {
    return {[](CKTElementRenderer* p) {
                auto* r = static_cast<R*>(p);
                return Floats{r->m_fMouseStrength, r->m_fMouseFalloff, r->m_fOriginStrength};
            },
            [](CKTElementRenderer* p, const Floats& v) {
                auto* r = static_cast<R*>(p);
                r->m_fMouseStrength = v[0];
                r->m_fMouseFalloff = v[1];
                r->m_fOriginStrength = v[2];
            }};
}

ClassParams Rates() {
    return {[](CKTElementRenderer* p) {
                auto* r = static_cast<CKTTrackingMaskRenderer*>(p);
                return Floats{r->GetMouseOverRate(), r->GetMouseOutsideRate()};
            },
            [](CKTElementRenderer* p, const Floats& v) {
                auto* r = static_cast<CKTTrackingMaskRenderer*>(p);
                r->SetMouseOverRate(v[0]);
                r->SetMouseOutsideRate(v[1]);
            }};
}

ClassParams Cells() {
    return {[](CKTElementRenderer* p) {
                auto* r = static_cast<CKTCellMaskRenderer*>(p);
                return Floats{r->m_fRadius, r->m_fSpeed, r->m_fSpacing};
            },
            [](CKTElementRenderer* p, const Floats& v) {
                auto* r = static_cast<CKTCellMaskRenderer*>(p);
                r->m_fRadius = v[0];
                r->m_fSpeed = v[1];
                r->m_fSpacing = v[2];
            }};
}

ClassParams LensParams() {
    return {[](CKTElementRenderer* p) {
                auto* r = static_cast<CKTERLens*>(p);
                return Floats{r->m_fMagnification, r->m_fFalloff};
            },
            [](CKTElementRenderer* p, const Floats& v) {
                auto* r = static_cast<CKTERLens*>(p);
                r->m_fMagnification = v[0];
                r->m_fFalloff = v[1];
            }};
}

ClassParams PulseParams() {
    return {[](CKTElementRenderer* p) {
                auto* r = static_cast<CKTERPulse*>(p);
                return Floats{r->m_fPeriod, r->m_fScale, r->m_fDistortion};
            },
            [](CKTElementRenderer* p, const Floats& v) {
                auto* r = static_cast<CKTERPulse*>(p);
                r->m_fPeriod = v[0];
                r->m_fScale = v[1];
                r->m_fDistortion = v[2];
            }};
}

ClassParams DriftParams() {
    ClassParams base = MouseOrigin<CKTERDrift>();
    return {[base](CKTElementRenderer* p) {
                Floats v = base.read(p);
                v.push_back(static_cast<CKTERDrift*>(p)->m_fFriction);
                return v;
            },
            [base](CKTElementRenderer* p, const Floats& v) {
                base.write(p, v);
                static_cast<CKTERDrift*>(p)->m_fFriction = v[3];
            }};
}

ClassParams TransparentParams() {
    ClassParams base = Rates();
    return {[base](CKTElementRenderer* p) {
                Floats v = base.read(p);
                v.push_back(static_cast<CKTERTransparent*>(p)->GetTransparency());
                return v;
            },
            [base](CKTElementRenderer* p, const Floats& v) {
                base.write(p, v);
                static_cast<CKTERTransparent*>(p)->SetTransparency(v[2]);
            }};
}

ClassParams NoParams() {
    return {[](CKTElementRenderer*) { return Floats{}; }, [](CKTElementRenderer*, const Floats&) {}};
}

struct SoftTypeCase {
    UINT nId;
    const CRuntimeClass* pClass;
    const char* title;                          // NULL: no dialog
    std::vector<int> controls;                  // the dialog's fields, in the order of the defaults
    std::vector<float CQuillView::*> defaults;  // the view's defaults
    ClassParams params;                         // the renderer's parameters, in the same order
};

std::vector<SoftTypeCase> SoftTypeCases() {
    using V = CQuillView;
    return {
        {ID_SOFTTYPE_DEFAULT, RUNTIME_CLASS(CKTERDefault), nullptr, {}, {}, NoParams()},
        {ID_SOFTTYPE_PARTICLE, RUNTIME_CLASS(CKTERParticle), nullptr, {}, {}, NoParams()},
        {ID_SOFTTYPE_LENS, RUNTIME_CLASS(CKTERLens), "Set Lehs Parameters", {1013, 1009},
         {&V::m_fLensMagnification, &V::m_fLensFalloff}, LensParams()},
        {ID_SOFTTYPE_PULL, RUNTIME_CLASS(CKTERPull), "Set Pull/Clay Parameters", {1012, 1013, 1014},
         {&V::m_fPullMouseStrength, &V::m_fPullMouseFalloff, &V::m_fPullOriginStrength}, MouseOrigin<CKTERPull>()},
        {ID_SOFTTYPE_PULSE, RUNTIME_CLASS(CKTERPulse), "Set Pulse Parameters", {1009, 1008, 1010},
         {&V::m_fPulsePeriod, &V::m_fPulseScale, &V::m_fPulseDistortion}, PulseParams()},
        {ID_SOFTTYPE_DISINTEGRATE, RUNTIME_CLASS(CKTERSplatter), "Set Disintegration/Erosion Parameters", {1014, 1015},
         {&V::m_fDisintegrateMouseOver, &V::m_fDisintegrateMouseOutside}, Rates()},
        {ID_SOFTTYPE_EROSION, RUNTIME_CLASS(CKTERErosion), "Set Disintegration/Erosion Parameters", {1014, 1015},
         {&V::m_fErosionMouseOver, &V::m_fErosionMouseOutside}, Rates()},
        {ID_SOFTTYPE_CLAY, RUNTIME_CLASS(CKTERClay), "Set Pull/Clay Parameters", {1012, 1013, 1014},
         {&V::m_fClayMouseStrength, &V::m_fClayMouseFalloff, &V::m_fClayOriginStrength}, MouseOrigin<CKTERClay>()},
        {ID_SOFTTYPE_DRIFT, RUNTIME_CLASS(CKTERDrift), "Set Drift Parameters", {1012, 1013, 1014, 1015},
         {&V::m_fDriftMouseStrength, &V::m_fDriftMouseFalloff, &V::m_fDriftOriginStrength, &V::m_fDriftFriction},
         DriftParams()},
        {ID_SOFTTYPE_ERODE_EDGE, RUNTIME_CLASS(CKTERErodeEdge), "Set Disintegration/Erosion Parameters", {1014, 1015},
         {&V::m_fDisintegrateMouseOver, &V::m_fDisintegrateMouseOutside}, Rates()},
        {ID_SOFTTYPE_COLORSTATIC, RUNTIME_CLASS(CKTERColorStatic), "Set Color Static/Trail Parameters",
         {1024, 1025, 1026}, {&V::m_fColorStaticRadius, &V::m_fColorStaticSpeed, &V::m_fColorStaticSpacing}, Cells()},
        {ID_SOFTTYPE_TRAIL, RUNTIME_CLASS(CKTERTrail), "Set Color Static/Trail Parameters", {1024, 1025, 1026},
         {&V::m_fTrailRadius, &V::m_fTrailSpeed, &V::m_fTrailSpacing}, Cells()},
        {ID_SOFTTYPE_TRANSPARENT, RUNTIME_CLASS(CKTERTransparent), "Set Transparency Parameters", {1014, 1015, 1016},
         {&V::m_fTransparentMouseOver, &V::m_fTransparentMouseOutside, &V::m_fTransparency}, TransparentParams()},
    };
}

// Values inside every field's range, with their texts as the fields show them.
const Floats kDefaults = {0.5f, 0.75f, 0.875f, 0.9375f};
const char* const kDefaultTexts[] = {"0.5", "0.75", "0.875", "0.9375"};
const Floats kSelected = {0.3125f, 0.6875f, 0.8125f, 0.1875f};
const char* const kSelectedTexts[] = {"0.3125", "0.6875", "0.8125", "0.1875"};
const Floats kTyped = {0.375f, 0.25f, 0.125f, 0.0625f};
const char* const kTypedTexts[] = {"0.375", "0.25", "0.125", "0.0625"};

Floats Head(const Floats& v, size_t n) { return Floats(v.begin(), v.begin() + static_cast<long>(n)); }

class SoftTypes : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        ASSERT_TRUE(Start());
        ASSERT_TRUE(View());
        ui::SetAppTitle("Quillstorm!");
    }

    CQuillView* v() const { return View(); }

    void Select(std::initializer_list<CKTElement*> elements, CKTElement* pPrimary) {
        v()->m_selection.RemoveAll();
        for (CKTElement* e : elements) v()->m_selection.AddTail(e);
        v()->m_pSelected = pPrimary;
    }
    // A renderer of the class with the given parameters, on pElement.
    static CKTElementRenderer* Install(CKTElement* pElement, const CRuntimeClass* pClass, const ClassParams& params,
                                       const Floats& values) {
        auto* p = dynamic_cast<CKTElementRenderer*>(pClass->CreateObject());
        params.write(p, values);
        EXPECT_TRUE(pElement->SetRenderer(p, TRUE));
        return p;
    }
    void SetDefaults(const SoftTypeCase& c, const Floats& values) {
        for (size_t i = 0; i < c.defaults.size(); ++i) v()->*c.defaults[i] = values[i];
    }
    Floats Defaults(const SoftTypeCase& c) const {
        Floats out;
        for (auto p : c.defaults) out.push_back(v()->*p);
        return out;
    }
    // Steps the book once so that elements that died are deleted.
    void StepOnce() {
        const int nState = Book()->GetRunState();
        Book()->SetRunState(1);
        Book()->Step();
        Book()->SetRunState(nState);
    }
    size_t DialogCalls() const {
        size_t n = 0;
        for (const auto& c : m_ui.Calls()) n += c.kind == ui::CScriptedUIServices::Kind::DoModal;
        return n;
    }
};

TEST_F(SoftTypes, NothingSelectedTheDefaultsFillTheDialogAndTheTypedValuesMakeThePrototype) {
    CKTWord* pOther = static_cast<CKTWord*>(AddPassage({"ab"})->GetFirstChild());
    Install(pOther, RUNTIME_CLASS(CKTERParticle), NoParams(), {});
    for (const SoftTypeCase& c : SoftTypeCases()) {
        SCOPED_TRACE(c.nId);
        m_ui.Clear();
        Select({}, pOther);  // the primary element's renderer is of another class (particle)
        v()->m_bModified = 0;
        SetDefaults(c, kDefaults);
        std::vector<std::string> shown;
        std::string title;
        m_ui.AnswerDialog([&](ui::CParamDialog& d) {
            title = d.GetTitle();
            for (size_t i = 0; i < c.controls.size(); ++i) {
                shown.push_back(d.GetDlgItemText(c.controls[i]).str());
                EXPECT_TRUE(d.TypeText(c.controls[i], kTypedTexts[i]));
            }
            return IDOK;
        });
        v()->ExecuteCommand(c.nId, FALSE);  // shown whatever bAsk says
        EXPECT_EQ(DialogCalls(), c.title ? 1u : 0u);
        if (c.title) {
            EXPECT_EQ(title, c.title);
            for (size_t i = 0; i < c.controls.size(); ++i) EXPECT_EQ(shown[i], kDefaultTexts[i]) << i;
        }
        const size_t n = c.defaults.size();
        EXPECT_EQ(Defaults(c), Head(kTyped, n));
        ASSERT_NE(v()->m_pDefaultRenderer, nullptr);
        EXPECT_EQ(v()->m_pDefaultRenderer->GetRuntimeClass(), c.pClass);
        EXPECT_EQ(c.params.read(v()->m_pDefaultRenderer), Head(kTyped, n));
        EXPECT_EQ(v()->m_bModified, 0);
        EXPECT_EQ(pOther->GetRenderer()->GetRuntimeClass(), RUNTIME_CLASS(CKTERParticle));
        EXPECT_EQ(m_ui.PendingAnswers(), c.title ? 0u : 1u);
    }
}

TEST_F(SoftTypes, ASelectedWordOfTheClassFillsTheDialogAndItAndItsGlyphsGetClones) {
    for (const SoftTypeCase& c : SoftTypeCases()) {
        SCOPED_TRACE(c.nId);
        m_ui.Clear();
        CKTWord* pWord = static_cast<CKTWord*>(AddPassage({"abc"})->GetFirstChild());
        Install(pWord, c.pClass, c.params, kSelected);
        Select({pWord}, pWord);
        v()->m_bModified = 0;
        SetDefaults(c, kDefaults);
        std::vector<std::string> shown;
        m_ui.AnswerDialog([&](ui::CParamDialog& d) {
            for (int id : c.controls) shown.push_back(d.GetDlgItemText(id).str());
            return IDOK;  // unedited
        });
        v()->ExecuteCommand(c.nId, TRUE);
        const size_t n = c.defaults.size();
        for (size_t i = 0; i < shown.size(); ++i) EXPECT_EQ(shown[i], kSelectedTexts[i]) << i;
        EXPECT_EQ(Defaults(c), Head(kSelected, n));
        EXPECT_EQ(c.params.read(v()->m_pDefaultRenderer), Head(kSelected, n));
        EXPECT_EQ(v()->m_bModified, 1);
        // The word's own clone, and one for each glyph.
        CKTElementRenderer* pWordRenderer = pWord->GetRenderer();
        ASSERT_NE(pWordRenderer, nullptr);
        EXPECT_NE(pWordRenderer, v()->m_pDefaultRenderer);
        EXPECT_EQ(pWordRenderer->GetRuntimeClass(), c.pClass);
        EXPECT_EQ(c.params.read(pWordRenderer), Head(kSelected, n));
        for (CKTElement* g = pWord->GetFirstChild(); g; g = g->GetNextSibling()) {
            ASSERT_NE(g->GetRenderer(), nullptr);
            EXPECT_EQ(g->GetRenderer()->GetRuntimeClass(), c.pClass);
            EXPECT_NE(g->GetRenderer(), pWordRenderer);
            EXPECT_EQ(c.params.read(g->GetRenderer()), Head(kSelected, n));
        }
    }
}

TEST_F(SoftTypes, CancelChangesNothing) {
    CKTWord* pWord = static_cast<CKTWord*>(AddPassage({"ab"})->GetFirstChild());
    for (const SoftTypeCase& c : SoftTypeCases()) {
        if (!c.title) continue;
        SCOPED_TRACE(c.nId);
        Select({pWord}, pWord);
        v()->m_bModified = 0;
        SetDefaults(c, kDefaults);
        CKTElementRenderer* pPrototype = v()->m_pDefaultRenderer;
        CKTElementRenderer* pWordRenderer = pWord->GetRenderer();
        m_ui.AnswerDialog([&](ui::CParamDialog& d) {
            for (size_t i = 0; i < c.controls.size(); ++i) d.TypeText(c.controls[i], kTypedTexts[i]);
            return IDCANCEL;
        });
        v()->ExecuteCommand(c.nId, TRUE);
        EXPECT_EQ(Defaults(c), Head(kDefaults, c.defaults.size()));
        EXPECT_EQ(v()->m_pDefaultRenderer, pPrototype);
        EXPECT_EQ(pWord->GetRenderer(), pWordRenderer);
        EXPECT_EQ(v()->m_bModified, 0);
    }
}

TEST_F(SoftTypes, TheViewsOwnDefaultsMakeThePrototypes) {
    // Not the renderers' constructor values: pulse period 30 (10), drift strength 1 (10), trail
    // radius 50 (10), disintegrate 0.2 and -0.02 (-0.1 and 0.2).
    struct Case {
        UINT nId;
        ClassParams params;
        Floats expected;
    } cases[] = {
        {ID_SOFTTYPE_PULSE, PulseParams(), {30.0f, 5.0f, 0.1f}},
        {ID_SOFTTYPE_PULL, MouseOrigin<CKTERPull>(), {400.0f, 25.0f, 2.0f}},
        {ID_SOFTTYPE_LENS, LensParams(), {1.0f, 20.0f}},
        {ID_SOFTTYPE_DISINTEGRATE, Rates(), {0.2f, -0.02f}},
        {ID_SOFTTYPE_ERODE_EDGE, Rates(), {0.2f, -0.02f}},
        {ID_SOFTTYPE_EROSION, Rates(), {0.00001f, 0.02f}},
        {ID_SOFTTYPE_CLAY, MouseOrigin<CKTERClay>(), {10.0f, 10.0f, 0.15f}},
        {ID_SOFTTYPE_DRIFT, DriftParams(), {1.0f, 10.0f, 0.15f, 0.02f}},
        {ID_SOFTTYPE_COLORSTATIC, Cells(), {50.0f, 2.0f, 0.2f}},
        {ID_SOFTTYPE_TRAIL, Cells(), {50.0f, 2.0f, 0.2f}},
        {ID_SOFTTYPE_TRANSPARENT, TransparentParams(), {0.0f, 0.0f, 0.5f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nId);
        m_ui.AnswerDialogOK();
        v()->ExecuteCommand(c.nId, TRUE);
        EXPECT_EQ(c.params.read(v()->m_pDefaultRenderer), c.expected);
    }
    EXPECT_TRUE(m_ui.AllScripted());
}

TEST_F(SoftTypes, NewTextAfterASofttypeUsesThePrototype) {
    m_ui.AnswerDialog([](ui::CParamDialog& d) {
        d.TypeText(1013, "2");
        return IDOK;
    });
    v()->ExecuteCommand(ID_SOFTTYPE_LENS, TRUE);
    v()->InsertCharacter('h');
    ASSERT_NE(v()->m_pCurGlyph, nullptr);
    auto* pLens = dynamic_cast<CKTERLens*>(v()->m_pCurGlyph->GetRenderer());
    ASSERT_NE(pLens, nullptr);
    EXPECT_NE(static_cast<CKTElementRenderer*>(pLens), v()->m_pDefaultRenderer);
    EXPECT_EQ(pLens->m_fMagnification, 2.0f);
}

TEST_F(SoftTypes, TheSelectionIsReadAgainAfterTheDialog) {
    CKTPassage* pPassage = AddPassage({"ab", "cd"});
    CKTElement* pDying = pPassage->GetChildAt(0);
    CKTElement* pStaying = pPassage->GetChildAt(1);
    Select({pDying, pStaying}, pDying);
    m_ui.AnswerDialog([&](ui::CParamDialog&) {
        pDying->Die(FALSE, FALSE);
        StepOnce();
        return IDOK;
    });
    v()->ExecuteCommand(ID_SOFTTYPE_PULSE, TRUE);
    EXPECT_EQ(v()->m_pSelected, nullptr);
    ASSERT_EQ(v()->m_selection.GetCount(), 1);
    EXPECT_EQ(pStaying->GetRenderer()->GetRuntimeClass(), RUNTIME_CLASS(CKTERPulse));
    EXPECT_EQ(v()->m_bModified, 1);
}

TEST_F(SoftTypes, ACloneThatTheElementRefusesIsFreed) {
    // A bare renderer base (a document may hold one) lets no glyph below it have its own renderer.
    CKTWord* pWord = static_cast<CKTWord*>(AddPassage({"ab"})->GetFirstChild());
    ASSERT_TRUE(pWord->SetRenderer(new CKTElementRenderer, TRUE));
    CKTElement* pGlyph = pWord->GetFirstChild();
    CKTElementRenderer* pBefore = pGlyph->GetRenderer();
    Select({pGlyph}, pGlyph);
    m_ui.AnswerDialogOK();
    v()->ExecuteCommand(ID_SOFTTYPE_LENS, TRUE);
    EXPECT_EQ(pGlyph->GetRenderer(), pBefore) << "refused; the sanitizer build checks that the clone was freed";
    v()->ExecuteCommand(ID_SOFTTYPE_PARTICLE, TRUE);
    EXPECT_EQ(pGlyph->GetRenderer(), pBefore);
}

// ---- classes and stored type ids that disagree ---------------------------------------------------

// A renderer of the class as a document stores it, with another class's type id.
CKTElementRenderer* LoadWithTypeId(const char* pszClass, int nType, const std::vector<DWORD>& ints, const Floats& stored) {
    kttest::ByteWriter w;
    w.newClass(pszClass).u32(static_cast<DWORD>(nType)).u16(0).u32(0).u32(0).u32(0).u32(0);
    for (DWORD d : ints) w.u32(d);
    for (float f : stored) {
        DWORD d;
        std::memcpy(&d, &f, 4);
        w.u32(d);
    }
    CKTLoadingScope loading(KT_FILE_VERSION);
    return dynamic_cast<CKTElementRenderer*>(kttest::LoadObject(w.b, RUNTIME_CLASS(CKTElementRenderer)));
}

TEST_F(SoftTypes, DialogsAndPrefillsGoByTheRenderersClassNotItsTypeId) {
    CKTWord* pWord = static_cast<CKTWord*>(AddPassage({"ab"})->GetFirstChild());
    // A lens stored with the pulse's id (5): falloff 7, magnification 3.
    CKTElementRenderer* pLens = LoadWithTypeId("CKTERLens", RENDERER_PULSE, {}, {7.0f, 3.0f});
    ASSERT_NE(pLens, nullptr);
    ASSERT_EQ(pLens->GetType(), RENDERER_PULSE);
    ASSERT_TRUE(pWord->SetRenderer(pLens, TRUE));
    Select({pWord}, pWord);

    std::vector<std::string> shown;
    auto record = [&](std::vector<int> ids) {
        m_ui.AnswerDialog([&, ids](ui::CParamDialog& d) {
            shown = {d.GetTitle()};
            for (int id : ids) shown.push_back(d.GetDlgItemText(id).str());
            return IDCANCEL;
        });
    };
    record({1009});
    v()->ExecuteCommand(ID_SOFTTYPE_PULSE, TRUE);  // not a pulse: the defaults
    EXPECT_EQ(shown, (std::vector<std::string>{"Set Pulse Parameters", "30"}));
    record({1013, 1009});
    v()->ExecuteCommand(ID_SOFTTYPE_LENS, TRUE);  // a lens, whatever its id
    EXPECT_EQ(shown, (std::vector<std::string>{"Set Lehs Parameters", "3", "7"}));
    record({1013});
    v()->EditRendererParameters(pWord->GetRenderer());
    EXPECT_EQ(shown, (std::vector<std::string>{"Set Lehs Parameters", "3"}));

    // A pulse carrying the lens's id (3): the pulse dialog.
    CKTElementRenderer* pPulse = LoadWithTypeId("CKTERPulse", RENDERER_LENS, {0}, {12.0f, 4.0f, 0.5f});
    ASSERT_NE(pPulse, nullptr);
    ASSERT_TRUE(pWord->SetRenderer(pPulse, TRUE));
    record({1009});
    v()->EditRendererParameters(pPulse);
    EXPECT_EQ(shown, (std::vector<std::string>{"Set Pulse Parameters", "12"}));
    // A default renderer with the lens's id opens nothing.
    CKTElementRenderer* pDefault = LoadWithTypeId("CKTERDefault", RENDERER_LENS, {}, {});
    ASSERT_NE(pDefault, nullptr);
    ASSERT_TRUE(pWord->SetRenderer(pDefault, TRUE));
    m_ui.Clear();
    v()->EditRendererParameters(pDefault);
    EXPECT_TRUE(m_ui.Calls().empty());
}

// ---- EditRendererParameters ----------------------------------------------------------------------

TEST_F(SoftTypes, RenderersWithoutADialogOpenNothing) {
    CKTWord* pWord = static_cast<CKTWord*>(AddPassage({"ab"})->GetFirstChild());
    std::vector<std::function<CKTElementRenderer*()>> makers = {
        [] { return new CKTERDefault; }, [] { return new CKTERParticle; }, [] { return new CKTERTest; },
        [] { return new CKTERErodeEdge; }, [] { return new CKTElementRenderer; }};
    v()->EditRendererParameters(nullptr);
    v()->EditRendererParameters(v()->m_pDefaultRenderer);  // the default renderer at start
    for (auto& make : makers) {
        CKTElementRenderer* p = make();
        ASSERT_TRUE(pWord->SetRenderer(p, TRUE));
        v()->EditRendererParameters(p);
    }
    EXPECT_TRUE(m_ui.Calls().empty());
    EXPECT_EQ(v()->m_bModified, 0);
}

TEST_F(SoftTypes, EditingAWordsRendererSetsItsSoftTypesDefaultsAndTheRenderer) {
    struct Case {
        const CRuntimeClass* pClass;
        ClassParams params;
        std::vector<float CQuillView::*> defaults;  // that receive the values
        std::vector<float CQuillView::*> others;    // that must not change
        std::vector<int> controls;
        bool bCopiesFollow;  // setters pass the values on to the glyphs' copies; fields do not
    } cases[] = {
        {RUNTIME_CLASS(CKTERErosion), Rates(), {&CQuillView::m_fErosionMouseOver, &CQuillView::m_fErosionMouseOutside},
         {&CQuillView::m_fDisintegrateMouseOver, &CQuillView::m_fDisintegrateMouseOutside}, {1014, 1015}, true},
        {RUNTIME_CLASS(CKTERSplatter), Rates(),
         {&CQuillView::m_fDisintegrateMouseOver, &CQuillView::m_fDisintegrateMouseOutside},
         {&CQuillView::m_fErosionMouseOver, &CQuillView::m_fErosionMouseOutside}, {1014, 1015}, true},
        {RUNTIME_CLASS(CKTERTransparent), TransparentParams(),
         {&CQuillView::m_fTransparentMouseOver, &CQuillView::m_fTransparentMouseOutside, &CQuillView::m_fTransparency},
         {}, {1014, 1015, 1016}, true},
        {RUNTIME_CLASS(CKTERLens), LensParams(), {&CQuillView::m_fLensMagnification, &CQuillView::m_fLensFalloff}, {},
         {1013, 1009}, false},
        {RUNTIME_CLASS(CKTERClay), MouseOrigin<CKTERClay>(),
         {&CQuillView::m_fClayMouseStrength, &CQuillView::m_fClayMouseFalloff, &CQuillView::m_fClayOriginStrength},
         {&CQuillView::m_fPullMouseStrength, &CQuillView::m_fPullMouseFalloff, &CQuillView::m_fPullOriginStrength},
         {1012, 1013, 1014}, false},
        {RUNTIME_CLASS(CKTERTrail), Cells(),
         {&CQuillView::m_fTrailRadius, &CQuillView::m_fTrailSpeed, &CQuillView::m_fTrailSpacing},
         {&CQuillView::m_fColorStaticRadius, &CQuillView::m_fColorStaticSpeed, &CQuillView::m_fColorStaticSpacing},
         {1024, 1025, 1026}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pClass->m_lpszClassName);
        m_ui.Clear();
        CKTWord* pWord = static_cast<CKTWord*>(AddPassage({"abc"})->GetFirstChild());
        CKTElementRenderer* pRenderer = Install(pWord, c.pClass, c.params, kSelected);
        Select({pWord}, pWord);
        v()->m_bModified = 0;
        Floats othersBefore;
        for (auto p : c.others) othersBefore.push_back(v()->*p);
        std::vector<std::string> shown;
        m_ui.AnswerDialog([&](ui::CParamDialog& d) {
            for (size_t i = 0; i < c.controls.size(); ++i) {
                shown.push_back(d.GetDlgItemText(c.controls[i]).str());
                d.TypeText(c.controls[i], kTypedTexts[i]);
            }
            return IDOK;
        });
        v()->EditRendererParameters(pRenderer);
        const size_t n = c.controls.size();
        for (size_t i = 0; i < n; ++i) EXPECT_EQ(shown[i], kSelectedTexts[i]);
        Floats defaults;
        for (auto p : c.defaults) defaults.push_back(v()->*p);
        EXPECT_EQ(defaults, Head(kTyped, n));
        Floats others;
        for (auto p : c.others) others.push_back(v()->*p);
        EXPECT_EQ(others, othersBefore);
        EXPECT_EQ(pWord->GetRenderer(), pRenderer);
        EXPECT_EQ(c.params.read(pRenderer), Head(kTyped, n));
        for (CKTElement* g = pWord->GetFirstChild(); g; g = g->GetNextSibling())
            EXPECT_EQ(c.params.read(g->GetRenderer()), Head(c.bCopiesFollow ? kTyped : kSelected, n));
        EXPECT_EQ(v()->m_bModified, 1);
        EXPECT_NE(v()->m_pDefaultRenderer->GetRuntimeClass(), c.pClass) << "the prototype stays";
    }
}

TEST_F(SoftTypes, EditingThePrototypeLeavesTheDocumentUnmodified) {
    m_ui.AnswerDialogOK();
    v()->ExecuteCommand(ID_SOFTTYPE_DRIFT, TRUE);
    CKTElementRenderer* pPrototype = v()->m_pDefaultRenderer;
    v()->m_bModified = 0;
    m_ui.AnswerDialog([](ui::CParamDialog& d) {
        EXPECT_EQ(d.GetDlgItemText(1015), "0.02");
        d.TypeText(1015, "0.5");
        return IDOK;
    });
    v()->EditRendererParameters(pPrototype);
    EXPECT_EQ(v()->m_pDefaultRenderer, pPrototype);
    EXPECT_EQ(static_cast<CKTERDrift*>(pPrototype)->m_fFriction, 0.5f);
    EXPECT_EQ(v()->m_fDriftFriction, 0.5f);
    EXPECT_EQ(v()->m_bModified, 0);
}

TEST_F(SoftTypes, CancelInTheEditorChangesNothing) {
    CKTWord* pWord = static_cast<CKTWord*>(AddPassage({"ab"})->GetFirstChild());
    CKTElementRenderer* p = Install(pWord, RUNTIME_CLASS(CKTERPulse), PulseParams(), kSelected);
    m_ui.AnswerDialog([](ui::CParamDialog& d) {
        d.TypeText(1009, "9");
        return IDCANCEL;
    });
    v()->EditRendererParameters(p);
    EXPECT_EQ(PulseParams().read(p), Head(kSelected, 3));
    EXPECT_EQ(v()->m_fPulsePeriod, 30.0f);
    EXPECT_EQ(v()->m_bModified, 0);
}

// Ticks run while the editor is open: the renderer may be gone when it closes.
TEST_F(SoftTypes, TheEditorWritesOnlyToARendererThatIsStillThere) {
    struct Case {
        const char* name;
        std::function<void(CKTGlyph*)> meanwhile;  // what happens while the dialog is open
    };
    CKTERLens* pReplacement = nullptr;
    const Case cases[] = {
        {"the glyph dies", [this](CKTGlyph* g) {
             g->Die(FALSE, FALSE);
             StepOnce();
         }},
        {"a behaviour replaces the renderer", [&](CKTGlyph* g) {
             pReplacement = new CKTERLens;
             ASSERT_TRUE(g->SetRenderer(pReplacement, TRUE));
         }},
        {"the book is replaced", [this](CKTGlyph*) {
             v()->m_bModified = 0;
             v()->OnFileNew();
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_ui.Clear();
        CKTWord* pWord = static_cast<CKTWord*>(AddPassage({"ab"})->GetFirstChild());
        auto* pGlyph = static_cast<CKTGlyph*>(pWord->GetFirstChild());
        CKTElementRenderer* p = Install(pGlyph, RUNTIME_CLASS(CKTERLens), LensParams(), {5.0f, 6.0f});
        Select({pGlyph}, pGlyph);
        v()->m_bModified = 0;
        pReplacement = nullptr;
        m_ui.AnswerDialog([&](ui::CParamDialog& d) {
            c.meanwhile(pGlyph);
            d.TypeText(1013, "2");
            return IDOK;
        });
        v()->EditRendererParameters(p);
        EXPECT_EQ(v()->m_fLensMagnification, 2.0f) << "the defaults take the values";
        EXPECT_EQ(v()->m_bModified, 0);
        if (pReplacement) {
            EXPECT_EQ(pGlyph->GetRenderer(), pReplacement);
            EXPECT_EQ(pReplacement->m_fMagnification, 1.0f);
        }
        v()->m_fLensMagnification = 1.0f;
    }
}

TEST_F(SoftTypes, ThePrototypeReplacedWhileItsEditorIsOpenIsLeftAlone) {
    m_ui.AnswerDialogOK();
    v()->ExecuteCommand(ID_SOFTTYPE_LENS, TRUE);
    CKTElementRenderer* pLens = v()->m_pDefaultRenderer;
    m_ui.AnswerDialog([&](ui::CParamDialog& d) {
        v()->ExecuteCommand(ID_SOFTTYPE_PARTICLE, TRUE);  // no dialog: the prototype is replaced at once
        d.TypeText(1013, "4");
        return IDOK;
    });
    v()->EditRendererParameters(pLens);
    EXPECT_EQ(v()->m_pDefaultRenderer->GetRuntimeClass(), RUNTIME_CLASS(CKTERParticle));
    EXPECT_EQ(v()->m_fLensMagnification, 4.0f);
}

TEST_F(SoftTypes, TheFrameTimerKeepsTickingWhileAQtDialogIsOpen) {
    Book()->SetRunState(1);
    int nBefore = 0, nDuring = 0;
    double dBefore = 0.0, dDuring = 0.0;
    QTimer::singleShot(0, [&] {
        nBefore = v()->m_nTicksStepped;
        dBefore = Book()->GetClock();
        QTest::qWait(200);
        nDuring = v()->m_nTicksStepped;
        dDuring = Book()->GetClock();
        QWidget* p = QApplication::activeModalWidget();
        ASSERT_NE(p, nullptr);
        p->findChild<QPushButton*>("id2")->click();
    });
    {
        CScopedQtUIServices qt;
        v()->ExecuteCommand(ID_SOFTTYPE_LENS, TRUE);
    }
    EXPECT_GT(nDuring, nBefore);
    EXPECT_GT(dDuring, dBefore);
}

// ---- the Qt dialogs (offscreen) ----------------------------------------------------------------------

class QtRendererDialogs : public ::testing::Test {
protected:
    CScopedQtUIServices m_services;
};

TEST_F(QtRendererDialogs, EachShowsItsTitleLabelsAndGroupBox) {
    for (const DialogSpec& s : Specs()) {
        SCOPED_TRACE(s.name);
        std::unique_ptr<ui::CParamDialog> d = s.make();
        QString title;
        QStringList labels, groups;
        QTimer::singleShot(0, [&] {
            QWidget* p = QApplication::activeModalWidget();
            ASSERT_NE(p, nullptr);
            title = p->windowTitle();
            for (QLabel* l : p->findChildren<QLabel*>()) labels << l->text();
            for (QGroupBox* g : p->findChildren<QGroupBox*>()) groups << g->title();
            for (const auto& [id, label] : s.labels) EXPECT_NE(p->findChild<QLineEdit*>(QString("id%1").arg(id)), nullptr);
            p->findChild<QPushButton*>("id2")->click();
        });
        EXPECT_EQ(d->DoModal(), IDCANCEL);
        EXPECT_EQ(title, s.title);
        for (const auto& [id, label] : s.labels) EXPECT_TRUE(labels.contains(label)) << label;
        EXPECT_EQ(groups, std::string(s.name) == "colour static" ? QStringList{"Sine Wave Oscillation"} : QStringList{});
    }
}

TEST_F(QtRendererDialogs, AZeroPeriodBringsTheRangeMessageAndTheDialogStaysOpen) {
    CPulseERDialog d;
    d.m_fPeriod = 30.0f;
    QString message;
    bool bOpenAfter = false;
    QTimer::singleShot(0, [&] {
        QWidget* p = QApplication::activeModalWidget();
        ASSERT_NE(p, nullptr);
        auto* pPeriod = p->findChild<QLineEdit*>("id1009");
        pPeriod->selectAll();
        QTest::keyClicks(pPeriod, "0");
        QTimer::singleShot(0, [&] {
            auto* pBox = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(pBox, nullptr);
            message = pBox->text();
            pBox->button(QMessageBox::Ok)->click();
        });
        p->findChild<QPushButton*>("id1")->click();
        bOpenAfter = p->isVisible();
        pPeriod->selectAll();
        QTest::keyClicks(pPeriod, "12.5");
        p->findChild<QPushButton*>("id1")->click();
    });
    EXPECT_EQ(d.DoModal(), IDOK);
    EXPECT_EQ(message, "Please enter a number between 1e-07 and 1e+06.");
    EXPECT_TRUE(bOpenAfter);
    EXPECT_EQ(d.m_fPeriod, 12.5f);
}

}  // namespace
