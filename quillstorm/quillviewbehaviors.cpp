// The behaviour commands of the pop-up menu's "behaviors" arm, "add same", "remove" and "remove all",
// and the editor of a behaviour in use.
//
// One table row a recipe: the selection it needs, the dialog that asks for its parameters (pre-filled
// from the view's parameter defaults, which take the values back on OK), and the builder that makes
// its behaviours and triggers from the defaults, attaches the selected elements, hands everything to
// the book in the recipe's order and starts what runs at once. Every object a recipe makes is one
// object for all its elements.
//
// Dialogs are modal and the frame timer keeps ticking inside them: elements may die (the view's
// selection loses them) and a pending load may replace the book. So the builders see the book and the
// selection of after the dialog, and an edited behaviour gets its values only when it is still in the
// current book.
#include <climits>
#include <functional>
#include <tuple>
#include <type_traits>
#include <initializer_list>
#include <iterator>
#include <vector>

#include "kinetype/kt1dcollisiondetbhvr.h"
#include "kinetype/ktaccelerateoncollision.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktbounceoncollision.h"
#include "kinetype/ktconnbylines.h"
#include "kinetype/ktconnbyspringsbhvr.h"
#include "kinetype/ktcruisebhvr.h"
#include "kinetype/ktcryptographicbhvr.h"
#include "kinetype/ktelementrenderer.h"
#include "kinetype/ktexplodebhvr.h"
#include "kinetype/ktfadebhvr.h"
#include "kinetype/ktfocalfade.h"
#include "kinetype/ktglyph.h"
#include "kinetype/ktgravitybhvr.h"
#include "kinetype/ktiscolortrigger.h"
#include "kinetype/ktkilloncollision.h"
#include "kinetype/ktlifespanbhvr.h"
#include "kinetype/ktloadfilebhvr.h"
#include "kinetype/ktmouseeventintrigger.h"
#include "kinetype/ktmousemovetrigger.h"
#include "kinetype/ktmousestilltrigger.h"
#include "kinetype/ktmoveawayfrommousebhvr.h"
#include "kinetype/ktmovetomousebhvr.h"
#include "kinetype/ktpassage.h"
#include "kinetype/ktpulledtrigger.h"
#include "kinetype/ktrendererfactory.h"
#include "kinetype/ktscrollbhvr.h"
#include "kinetype/ktsequencialbhvr.h"
#include "kinetype/ktsetelementrendererbhvr.h"
#include "kinetype/ktstayinwindowbhvr.h"
#include "kinetype/ktsynshiftbhvr.h"
#include "kinetype/ktthrobbhvr.h"
#include "kinetype/ktthrowablebhvr.h"
#include "kinetype/kttext.h"
#include "kinetype/kttimetrigger.h"
#include "kinetype/ktviralbhvr.h"
#include "kinetype/ktviscousdragbhvr.h"
#include "kinetype/ktwavebhvr.h"
#include "kinetype/ktword.h"
#include "platform/crt/crt.h"
#include "pumenu/commandids.h"
#include "quillstorm/QuillView.h"
#include "quillstorm/acconcollbhvrdialog.h"
#include "quillstorm/bounceoncollbhvrdialog.h"
#include "quillstorm/connbyspringsbhvrdialog.h"
#include "quillstorm/cruisebhvrdialog.h"
#include "quillstorm/cryptobhvrdialog.h"
#include "quillstorm/explodebhvrdialog.h"
#include "quillstorm/fadebhvrdialog.h"
#include "quillstorm/focalfadebhvrdialog.h"
#include "quillstorm/gravitydialog.h"
#include "quillstorm/presentationslidedialog.h"
#include "quillstorm/rmvbhvrdialog.h"
#include "quillstorm/scrollbhvrdialog.h"
#include "quillstorm/sequentialdialog.h"
#include "quillstorm/stayinwindowdialog.h"
#include "quillstorm/synshiftbhvrdialog.h"
#include "quillstorm/throbbhvrdialog.h"
#include "quillstorm/viralbhvrdialog.h"
#include "quillstorm/viscousdragbhvrdialog.h"
#include "quillstorm/wavebhvrdialog.h"

namespace {

using Behaviors = std::initializer_list<CKTBehavior*>;
using V = CQuillView;

// ---- the common steps ----------------------------------------------------------------------------

// Each element of the list, in order, to each behaviour, in order.
void AddEach(const CKTElementList& elements, Behaviors behaviors) {
    for (POSITION pos = elements.GetHeadPosition(); pos;) {
        CKTElement* pElement = elements.GetNext(pos);
        for (CKTBehavior* p : behaviors) p->AddElement(pElement);
    }
}

// The book takes the behaviours, in order, then they start, in order.
void AddAndStart(CKTBook& book, Behaviors behaviors) {
    for (CKTBehavior* p : behaviors) book.AddBehavior(p);
    for (CKTBehavior* p : behaviors) p->StartListening();
}

void AddToBook(CKTBook& book, Behaviors behaviors) {
    for (CKTBehavior* p : behaviors) book.AddBehavior(p);
}

void Enlist(CKTTriggerBhvr* pTrigger, Behaviors start, Behaviors stop) {
    for (CKTBehavior* p : start) pTrigger->AddStartBehavior(p);
    for (CKTBehavior* p : stop) pTrigger->AddStopBehavior(p);
}

// A computed pixel offset, kept inside the int range.
int ClampToInt(long long n) { return n < INT_MIN ? INT_MIN : n > INT_MAX ? INT_MAX : static_cast<int>(n); }

int AbsoluteY(CKTElement* pElement) { return TruncToInt(pElement->GetAbsolutePosition().y); }

// Lifts the element from its place to a random height between the window's top edge and 499 pixels
// above it (one rand() draw).
void LiftAboveWindow(CKTElement* pElement) {
    const int nAbove = crt::rand() % 500;
    const long long d = static_cast<long long>(TruncToInt(0.0 - pElement->GetAbsolutePosition().y)) - nAbove;
    pElement->MoveBy(0, ClampToInt(d));
}

// A new pull renderer for the element; one it refuses is freed.
void GivePullRenderer(CKTElement* pElement) {
    CKTElementRenderer* pRenderer = KTCreateRenderer(4);
    if (pRenderer && !pElement->SetRenderer(pRenderer, TRUE)) delete pRenderer;
}

// ---- each behaviour class's parameters, one list for its dialog, its defaults and its behaviours ----

struct None {};  // a parameter with no view default, or one that no behaviour of the class holds

// One parameter as dialog D shows it: the dialog's member; the view default that pre-fills the dialog,
// takes its value on OK and sets up new behaviours (None: no default); and how a behaviour of class B
// in use gives and takes it (member functions, data members or functions of B&; None: B does not hold
// it).
template <class B, class D, class T, class Def, class Get, class Set>
struct Param {
    T D::*member;
    Def def;
    Get get;
    Set set;
};

template <class B, class D>
struct Of {
    using Behavior = B;
    using Dialog = D;
    template <class T, class Def = None, class Get = None, class Set = None>
    static constexpr Param<B, D, T, Def, Get, Set> P(T D::*member, Def def = {}, Get get = {}, Set set = {}) {
        return {member, def, get, set};
    }
};

template <class X>
constexpr bool kNone = std::is_same_v<X, None>;

template <class Tuple, class F>
void ForEach(const Tuple& params, F f) {
    std::apply([&](const auto&... p) { (f(p), ...); }, params);
}

template <class B, class Get>
auto GetFrom(const B& b, Get get) {
    if constexpr (std::is_member_object_pointer_v<Get>)
        return b.*get;
    else
        return std::invoke(get, b);
}

template <class B, class Set, class T>
void SetOn(B& b, Set set, const T& value) {
    if constexpr (std::is_member_object_pointer_v<Set>)
        b.*set = value;
    else
        std::invoke(set, b, value);
}

// The dialog of the list S with its members from the defaults (then S's own pre-fill, where it has
// one); on OK the defaults from the members. FALSE for anything but OK.
template <class S>
BOOL Ask(V& v) {
    typename S::Dialog dlg;
    ForEach(S::kParams, [&](const auto& p) {
        if constexpr (!kNone<decltype(p.def)>) dlg.*p.member = v.*p.def;
    });
    if constexpr (requires { S::Prefill(v, dlg); }) S::Prefill(v, dlg);
    if (dlg.DoModal() != IDOK) return FALSE;
    ForEach(S::kParams, [&](const auto& p) {
        if constexpr (!kNone<decltype(p.def)>) v.*p.def = dlg.*p.member;
    });
    return TRUE;
}

// A new behaviour of the list's class, set up from the defaults.
template <class S>
CKTBehavior* Make(const V& v) {
    auto* b = new typename S::Behavior;
    ForEach(S::kParams, [&](const auto& p) {
        if constexpr (!kNone<decltype(p.def)> && !kNone<decltype(p.set)>) SetOn(*b, p.set, v.*p.def);
    });
    return b;
}

// The list's dialog filled from a behaviour in use (then S's own edit pre-fill); on OK, when the
// behaviour is still in the current book (and still of the class: a gone behaviour's address may have
// been reused), the values go into it (not into the defaults) and the document is modified.
template <class S>
void Edit(V& v, CKTBehavior* pBehavior) {
    using B = typename S::Behavior;
    const auto* pTyped = dynamic_cast<const B*>(pBehavior);
    if (!pTyped) return;
    typename S::Dialog dlg;
    ForEach(S::kParams, [&](const auto& p) {
        if constexpr (!kNone<decltype(p.get)>)
            dlg.*p.member = static_cast<std::remove_reference_t<decltype(dlg.*p.member)>>(GetFrom(*pTyped, p.get));
    });
    if constexpr (requires { S::PrefillEdit(dlg); }) S::PrefillEdit(dlg);
    if (dlg.DoModal() != IDOK) return;
    if (!IsBehaviorOfBook(v.GetBook(), pBehavior)) return;
    auto* pNow = dynamic_cast<B*>(pBehavior);
    if (!pNow) return;
    ForEach(S::kParams, [&](const auto& p) {
        if constexpr (!kNone<decltype(p.set)>) SetOn(*pNow, p.set, dlg.*p.member);
    });
    v.m_bModified = 1;
}

COLORREF BackgroundColor(const V& v) {
    const CKTBook* pBook = v.GetBook();
    return pBook ? pBook->GetBackgroundColor() : RGB(255, 255, 255);
}

// The cruise dialog's drag is the drag behaviour's, made beside the cruise; a cruise in use is edited
// without it.
struct CruiseParams : Of<CKTCruiseBhvr, CCruiseBhvrDialog> {
    static constexpr auto kParams =
        std::tuple{P(&Dialog::m_dMaxAcceleration, &V::m_dCruiseMaxAcceleration, &Behavior::GetMaxAcceleration,
                     &Behavior::SetMaxAcceleration),
                   P(&Dialog::m_dDrag, &V::m_dCruiseDrag)};
    static void PrefillEdit(Dialog& d) { d.m_bDrag = 0; }
};

// The delay belongs to the recipe's time trigger; an explosion in use is edited without it.
struct ExplodeParams : Of<CKTExplodeBhvr, CExplodeBhvrDialog> {
    static constexpr auto kParams = std::tuple{
        P(&Dialog::m_dMinForce, &V::m_dExplodeMinForce, &Behavior::GetMinForce,
          [](Behavior& b, double d) { b.SetForceRange(d, b.GetMaxForce()); }),
        P(&Dialog::m_dMaxForce, &V::m_dExplodeMaxForce, &Behavior::GetMaxForce,
          [](Behavior& b, double d) { b.SetForceRange(b.GetMinForce(), d); }),
        P(&Dialog::m_dDelay, &V::m_dExplodeDelay)};
    static void PrefillEdit(Dialog& d) {
        d.m_bDelay = 0;
        d.m_dDelay = 0.0;
    }
};

struct GravityParams : Of<CKTGravityBhvr, CGravityDialog> {
    static constexpr auto kParams = std::tuple{
        P(&Dialog::m_nGroundType, &V::m_nGravityGroundType, &Behavior::GetGroundType, &Behavior::SetGroundType),
        P(&Dialog::m_dMagnitude, &V::m_dGravityMagnitude, &Behavior::GetMagnitude, &Behavior::SetMagnitude),
        P(&Dialog::m_dElasticity, &V::m_dGravityElasticity, &Behavior::GetElasticity, &Behavior::SetElasticity),
        P(&Dialog::m_dFeedback, &V::m_dGravityFeedback, &Behavior::GetFeedback, &Behavior::SetFeedback),
        P(&Dialog::m_nPlaneY, &V::m_nGravityPlaneY, &Behavior::GetPlaneY, &Behavior::SetPlaneY)};
};

struct SynShiftParams : Of<CKTSynShiftBhvr, CSynShiftBhvrDialog> {
    static constexpr auto kParams =
        std::tuple{P(&Dialog::m_dSpeed, &V::m_dSynShiftSpeed, &Behavior::GetSpeed, &Behavior::SetSpeed)};
};

struct CryptoParams : Of<CKTCryptographicBhvr, CCryptoBhvrDialog> {
    static constexpr auto kParams = std::tuple{
        P(&Dialog::m_nMinShifts, &V::m_nCryptoMinShifts, &Behavior::GetMinShifts,
          [](Behavior& b, int n) { b.SetShiftRange(n, b.GetMaxShifts()); }),
        P(&Dialog::m_nMaxShifts, &V::m_nCryptoMaxShifts, &Behavior::GetMaxShifts,
          [](Behavior& b, int n) { b.SetShiftRange(b.GetMinShifts(), n); }),
        P(&Dialog::m_dSpeed, &V::m_dCryptoSpeed, &Behavior::GetSpeed, &Behavior::SetSpeed),
        P(&Dialog::m_bContinuous, &V::m_bCryptoContinuous, &Behavior::IsContinuous, &Behavior::SetContinuous)};
};

struct ViralParams : Of<CKTViralBhvr, CViralBhvrDialog> {
    static constexpr auto kParams = std::tuple{
        P(&Dialog::m_dDormancy, &V::m_dViralDormancy, &Behavior::GetDormancyPeriod, &Behavior::SetDormancyPeriod)};
};

struct WaveParams : Of<CKTWaveBhvr, CWaveBhvrDialog> {
    static constexpr auto kParams = std::tuple{
        P(&Dialog::m_dMaxCrest, &V::m_dWaveMaxCrest, &Behavior::GetMaxCrest, &Behavior::SetMaxCrest),
        P(&Dialog::m_dPhaseIncrement, &V::m_dWavePhaseIncrement, &Behavior::GetPhaseIncrement,
          &Behavior::SetPhaseIncrement)};
};

struct SpringsParams : Of<CKTConnBySpringsBhvr, CConnBySpringsBhvrDialog> {
    static constexpr auto kParams = std::tuple{
        P(&Dialog::m_dDamping, &V::m_dSpringDamping, &Behavior::GetDamping, &Behavior::SetDamping),
        P(&Dialog::m_dSpringConstant, &V::m_dSpringConstant, &Behavior::GetSpringConstant,
          &Behavior::SetSpringConstant),
        P(&Dialog::m_dFriction, &V::m_dSpringFriction, &Behavior::GetFriction, &Behavior::SetFriction)};
};

struct ThrobParams : Of<CKTThrobBhvr, CThrobBhvrDialog> {
    static constexpr auto kParams =
        std::tuple{P(&Dialog::m_dMaxSize, &V::m_dThrobMaxSize, &Behavior::GetMaxSize, &Behavior::SetMaxSize),
                   P(&Dialog::m_dMinSize, &V::m_dThrobMinSize, &Behavior::GetMinSize, &Behavior::SetMinSize),
                   P(&Dialog::m_dStep, &V::m_dThrobStep, &Behavior::GetStep, &Behavior::SetStep)};
};

// The end colour starts as the background colour, not the default; OK makes it the default.
struct FadeParams : Of<CKTFadeBhvr, CFadeBhvrDialog> {
    static constexpr auto kParams =
        std::tuple{P(&Dialog::m_crColor, &V::m_crFadeColor, &Behavior::GetColor, &Behavior::SetColor),
                   P(&Dialog::m_dVelocity, &V::m_dFadeVelocity, &Behavior::GetVelocity, &Behavior::SetVelocity)};
    static void Prefill(const V& v, Dialog& d) { d.m_crColor = BackgroundColor(v); }
};

// The focus colour starts as the typing colour, the unfocus colour as the background colour.
struct FocalFadeParams : Of<CKTFocalFade, CFocalFadeBhvrDialog> {
    static constexpr auto kParams =
        std::tuple{P(&Dialog::m_crFocus, &V::m_crFocusColor, &Behavior::m_crFocus, &Behavior::m_crFocus),
                   P(&Dialog::m_crUnfocus, &V::m_crUnfocusColor, &Behavior::m_crUnfocus, &Behavior::m_crUnfocus),
                   P(&Dialog::m_dRadius, &V::m_dFocalFadeRadius, &Behavior::m_dRadius, &Behavior::m_dRadius)};
    static void Prefill(const V& v, Dialog& d) {
        d.m_crFocus = v.m_crTypingColor;
        d.m_crUnfocus = BackgroundColor(v);
    }
};

struct ViscousDragParams : Of<CKTViscousDragBhvr, CViscousDragBhvrDialog> {
    static constexpr auto kParams =
        std::tuple{P(&Dialog::m_dDrag, None{}, &Behavior::GetDrag, &Behavior::SetDrag)};
};

struct AccOnCollParams : Of<CKTAccelerateOnCollision, CAccOnCollBhvrDialog> {
    static constexpr auto kParams =
        std::tuple{P(&Dialog::m_dMagnitude, None{}, &Behavior::GetMagnitude, &Behavior::SetMagnitude)};
};

struct BounceParams : Of<CKTBounceOnCollision, CBounceOnCollBhvrDialog> {
    static constexpr auto kParams =
        std::tuple{P(&Dialog::m_dElasticity, None{}, &Behavior::GetElasticity, &Behavior::SetElasticity)};
};

// The stay-in-window dialog shows the one factor in the field of its response; the other field, and
// both for a stop, show the dialog's usual values (elasticity 0.5, magnitude 50.0).
struct StayParams : Of<CKTStayInWindowBhvr, CStayInWindowDialog> {
    static constexpr auto kParams = std::tuple{
        P(&Dialog::m_nResponse, None{}, &Behavior::GetResponse, &Behavior::SetResponse),
        P(&Dialog::m_dElasticity, None{},
          [](const Behavior& b) { return b.GetResponse() == 1 ? b.GetResponseFactor() : 0.5; },
          [](Behavior& b, double d) {
              if (b.GetResponse() == 1) b.SetResponseFactor(d);
          }),
        P(&Dialog::m_dMagnitude, None{},
          [](const Behavior& b) { return b.GetResponse() == 2 ? b.GetResponseFactor() : 50.0; },
          [](Behavior& b, double d) {
              if (b.GetResponse() == 2) b.SetResponseFactor(d);
          })};
};

// Dialogs that set up the recipes' other objects (defaults only).
struct SlideParams : Of<CKTBehavior, CPresentationSlideDialog> {
    static constexpr auto kParams =
        std::tuple{P(&Dialog::m_strForward, &V::m_strForwardFile), P(&Dialog::m_strBackward, &V::m_strBackwardFile),
                   P(&Dialog::m_dFadeVelocity, &V::m_dFadeVelocity),
                   P(&Dialog::m_dCruiseMaxAcc, &V::m_dCruiseMaxAcceleration), P(&Dialog::m_dCruiseDrag, &V::m_dCruiseDrag)};
};

struct ScrollParams : Of<CKTScrollBhvr, CScrollBhvrDialog> {
    static constexpr auto kParams =
        std::tuple{P(&Dialog::m_nOrientation, &V::m_nScrollOrientation), P(&Dialog::m_nDirection, &V::m_nScrollDirection),
                   P(&Dialog::m_nJustification, &V::m_nScrollJustification), P(&Dialog::m_nChunk, &V::m_nScrollChunk),
                   P(&Dialog::m_dSpeed, &V::m_dScrollSpeed), P(&Dialog::m_strText, &V::m_strScrollText)};
};

struct SequentialParams : Of<CKTSequencialBhvr, CSequentialDialog> {
    static constexpr auto kParams = std::tuple{
        P(&Dialog::m_nOrder, &V::m_nSequentialOrder), P(&Dialog::m_nJustification, &V::m_nSequentialJustification),
        P(&Dialog::m_nChunk, &V::m_nSequentialChunk), P(&Dialog::m_nHold, &V::m_nSequentialHold),
        P(&Dialog::m_strText, &V::m_strSequentialText)};
};

// ---- single-behaviour recipes --------------------------------------------------------------------

// The one behaviour of the recipe, its parameters set from the defaults.
using MakeBehavior = CKTBehavior* (*)(const V&);

template <class T>
CKTBehavior* Plain(const V&) {
    return new T;
}
// Each element attached (nLevels 0), or the selection applied at the levels nLevels; then the book
// takes the behaviour and it starts.
template <MakeBehavior New, int nLevels = 0>
void Single(V& v, CKTBook& book, const CKTElementList& sel) {
    CKTBehavior* p = New(v);
    if (nLevels)
        book.ApplyBehaviorToSelection(p, sel, nLevels);
    else
        AddEach(sel, {p});
    AddAndStart(book, {p});
}

// "dies on contact": the book takes the behaviour before the elements are attached.
void DiesOnContact(V&, CKTBook& book, const CKTElementList& sel) {
    auto* p = new CKTKillOnCollision;
    book.AddBehavior(p);
    AddEach(sel, {p});
    p->StartListening();
}

// ---- compound recipes ----------------------------------------------------------------------------

// Cruising text: it cruises, stays in the window by accelerating back, pushes away from what it
// touches and feels drag.
struct CruiseSet {
    CKTCruiseBhvr* cruise;
    CKTStayInWindowBhvr* stay;
    CKTAccelerateOnCollision* push;
    CKTViscousDragBhvr* drag;
};

CruiseSet MakeCruiseSet(const V& v) {
    CruiseSet s{};
    s.cruise = new CKTCruiseBhvr;
    s.cruise->SetMaxAcceleration(v.m_dCruiseMaxAcceleration);
    s.stay = new CKTStayInWindowBhvr;
    s.stay->SetMargins(CRect(0, 0, 0, 0));
    s.stay->SetResponse(2);
    s.stay->SetResponseFactor(50.0);
    s.push = new CKTAccelerateOnCollision;
    s.drag = new CKTViscousDragBhvr;
    s.drag->SetDrag(v.m_dCruiseDrag);
    return s;
}

void Cruise(V& v, CKTBook& book, const CKTElementList& sel) {
    const CruiseSet s = MakeCruiseSet(v);
    AddEach(sel, {s.cruise, s.drag, s.stay, s.push});
    AddAndStart(book, {s.cruise, s.drag, s.stay, s.push});
}

// The first element cruises; the others follow it on springs.
void Snakelike(V& v, CKTBook& book, const CKTElementList& sel) {
    const CruiseSet s = MakeCruiseSet(v);
    auto* springs = new CKTConnBySpringsBhvr;
    POSITION pos = sel.GetHeadPosition();
    if (pos) {
        CKTElement* pLead = sel.GetNext(pos);
        for (CKTBehavior* p : Behaviors{s.cruise, s.drag, s.stay, s.push, springs}) p->AddElement(pLead);
    }
    while (pos) springs->AddElement(sel.GetNext(pos));
    AddAndStart(book, {s.cruise, s.drag, s.stay, s.push, springs});
}

// The explosion waits for a time trigger: the book's clock now plus the delay.
void Explode(V& v, CKTBook& book, const CKTElementList& sel) {
    auto* explode = new CKTExplodeBhvr;
    explode->SetForceRange(v.m_dExplodeMinForce, v.m_dExplodeMaxForce);
    auto* push = new CKTAccelerateOnCollision;
    push->SetMagnitude(50.0);
    auto* timer = new CKTTimeTrigger;
    AddEach(sel, {explode, push});
    AddToBook(book, {explode, push});
    Enlist(timer, {explode, push}, {});
    timer->SetFireTime(book.GetClock() + v.m_dExplodeDelay);
    AddAndStart(book, {timer});
}

void Gravity(V& v, CKTBook& book, const CKTElementList& sel) {
    auto* gravity = new CKTGravityBhvr;
    gravity->SetGroundType(v.m_nGravityGroundType);
    gravity->SetFeedback(v.m_dGravityFeedback);
    gravity->SetElasticity(v.m_dGravityElasticity);
    gravity->SetMagnitude(v.m_dGravityMagnitude);
    gravity->SetPlaneY(v.m_nGravityPlaneY);
    auto* drag = new CKTViscousDragBhvr;
    drag->SetDrag(v.m_dGravityDrag);
    AddEach(sel, {gravity, drag});
    AddAndStart(book, {gravity, drag});
}

// The elements fall, one after the other, onto a plane at the first element's height: the first is
// lifted onto the window's top edge, each further one 100 pixels higher than the one before.
void Concrete(V& v, CKTBook& book, const CKTElementList& sel) {
    auto* gravity = new CKTGravityBhvr;
    gravity->SetElasticity(v.m_dGravityElasticity);
    gravity->SetFeedback(v.m_dGravityFeedback);
    gravity->SetMagnitude(v.m_dGravityMagnitude);
    const double y0 = sel.GetHead()->GetAbsolutePosition().y;
    gravity->SetPlaneY(TruncToInt(y0));
    long long d = TruncToInt(0.0 - y0);
    for (POSITION pos = sel.GetHeadPosition(); pos;) {
        CKTElement* pElement = sel.GetNext(pos);
        gravity->AddElement(pElement);
        pElement->MoveBy(0, ClampToInt(d));
        d -= 100;
    }
    AddAndStart(book, {gravity});
}

// The elements are lifted above the window and fall in a loop: the ground sends them back to the top.
void Rain(V& v, CKTBook& book, const CKTElementList& sel) {
    auto* gravity = new CKTGravityBhvr;
    auto* drag = new CKTViscousDragBhvr;
    drag->SetDrag(v.m_dGravityDrag);
    CKTElement* pFirst = sel.GetHead();
    gravity->SetElasticity(v.m_dGravityElasticity);
    gravity->SetFeedback(0.0);
    gravity->SetMagnitude(v.m_dGravityMagnitude);
    gravity->SetPlaneY(AbsoluteY(pFirst));
    gravity->SetGroundElement(pFirst->FindRelative(KIND_PASSAGE));
    gravity->SetGroundType(3);
    for (POSITION pos = sel.GetHeadPosition(); pos;) {
        CKTElement* pElement = sel.GetNext(pos);
        gravity->AddElement(pElement);
        drag->AddElement(pElement);
        LiftAboveWindow(pElement);
    }
    AddAndStart(book, {gravity, drag});
}

void Throwable(V&, CKTBook& book, const CKTElementList& sel) {
    auto* thrower = new CKTThrowableBhvr;
    auto* stay = new CKTStayInWindowBhvr;
    stay->SetMargins(CRect(0, 0, 0, 0));
    stay->SetResponse(1);
    stay->SetResponseFactor(1.0);
    auto* bounce = new CKTBounceOnCollision;
    bounce->SetElasticity(1.0);
    AddEach(sel, {thrower, stay, bounce});
    AddAndStart(book, {thrower, stay, bounce});
}

// A two-button slide show on a 640 x 480 canvas: a left click in the right half sends the elements
// cruising while they fade to the background, and the next document loads once one has faded; a left
// click in the left half loads the previous document. Each trigger stops itself when it fires.
void SlideShow(V& v, CKTBook& book, const CKTElementList& sel) {
    auto* right = new CKTMouseEventInTrigger;
    right->SetLeftButtonDown(TRUE);
    right->SetRegion(CRect(320, 0, 639, 479));
    auto* left = new CKTMouseEventInTrigger;
    left->SetLeftButtonDown(TRUE);
    left->SetRegion(CRect(0, 0, 319, 479));
    const CruiseSet s = MakeCruiseSet(v);
    auto* fade = new CKTFadeBhvr;
    fade->SetColor(book.GetBackgroundColor());
    fade->SetVelocity(v.m_dFadeVelocity);
    auto* back = new CKTLoadFileBhvr;
    back->m_strFileName = v.m_strBackwardFile;
    auto* next = new CKTLoadFileBhvr;
    next->m_strFileName = v.m_strForwardFile;
    auto* faded = new CKTIsColorTrigger;
    faded->m_crTarget = fade->GetColor();
    AddEach(sel, {s.cruise, s.stay, s.push, s.drag, fade, faded});
    AddToBook(book, {right, left, s.cruise, s.stay, s.push, s.drag, fade, back, next, faded});
    Enlist(right, {s.cruise, s.stay, s.push, s.drag, fade, faded}, {right});
    Enlist(faded, {next}, {faded});
    Enlist(left, {back}, {left});
    for (CKTBehavior* p : Behaviors{right, left}) p->StartListening();
}

// The second element fades into the background; pulling the first (a pull glyph now) brings it back
// in its own colour, letting go fades it out again.
void PullAndFade(V&, CKTBook& book, const CKTElementList& sel) {
    POSITION pos = sel.GetHeadPosition();
    CKTElement* pFirst = sel.GetNext(pos);
    CKTElement* pSecond = pos ? sel.GetNext(pos) : nullptr;
    auto* pulled = new CKTPulledTrigger;
    auto* released = new CKTPulledTrigger;
    released->SetFireOnRelease();
    auto* hide = new CKTFadeBhvr;
    hide->SetColor(book.GetBackgroundColor());
    auto* show = new CKTFadeBhvr;
    show->SetColor(pFirst->GetColor());
    GivePullRenderer(pFirst);
    CKTElementList first;
    first.AddTail(pFirst);
    book.ApplyBehaviorToSelection(pulled, first, APPLIES_TO_GLYPH);
    book.ApplyBehaviorToSelection(released, first, APPLIES_TO_GLYPH);
    if (pSecond) {
        hide->AddElement(pSecond);
        show->AddElement(pSecond);
        show->SetColor(pSecond->GetColor());
    }
    AddToBook(book, {pulled, released, hide, show});
    Enlist(pulled, {show, released}, {pulled, hide});
    Enlist(released, {hide, pulled}, {released, show});
    for (CKTBehavior* p : Behaviors{pulled, hide}) p->StartListening();
}

// Pulling any of the elements (pull glyphs now) loads the show's document.
void PullToLoad(V&, CKTBook& book, const CKTElementList& sel) {
    auto* load = new CKTLoadFileBhvr;
    load->m_strFileName = "violentmorbidity.qsd";
    auto* pulled = new CKTPulledTrigger;
    for (POSITION pos = sel.GetHeadPosition(); pos;) {
        CKTElement* pElement = sel.GetNext(pos);
        GivePullRenderer(pElement);
        pulled->AddElement(pElement);
    }
    AddToBook(book, {pulled, load});
    Enlist(pulled, {load}, {pulled});
    pulled->StartListening();
}

// While the mouse rests the text rains in the default style; when it moves the rain stops and the
// glyphs turn to splatter.
void RainWhenStill(V&, CKTBook& book, const CKTElementList& sel) {
    auto* splat = new CKTSetElementRendererBhvr;
    splat->SetRendererType(6);
    auto* plain = new CKTSetElementRendererBhvr;
    plain->SetRendererType(1);
    auto* moved = new CKTMouseMoveTrigger;
    auto* still = new CKTMouseStillTrigger;
    auto* gravity = new CKTGravityBhvr;
    gravity->SetMagnitude(30.0);
    gravity->SetGroundType(3);
    auto* drag = new CKTViscousDragBhvr;
    drag->SetDrag(0.5);
    for (POSITION pos = sel.GetHeadPosition(); pos;) {
        CKTElement* pElement = sel.GetNext(pos);
        gravity->AddElement(pElement);
        drag->AddElement(pElement);
        auto* pGlyph = pElement->GetKind() == KIND_GLYPH ? dynamic_cast<CKTGlyph*>(pElement) : nullptr;
        if (!pGlyph || pGlyph->GetChar() != ' ') {
            splat->AddElement(pElement);
            plain->AddElement(pElement);
        }
        LiftAboveWindow(pElement);
    }
    AddToBook(book, {moved, still, gravity, drag, splat, plain});
    Enlist(still, {gravity, moved, plain}, {still, splat});
    Enlist(moved, {still, splat}, {moved, plain, gravity});
    for (CKTBehavior* p : Behaviors{drag, still}) p->StartListening();
}

// The levels mask of a chunk choice: glyph, word, passage; 0 for anything else.
int LevelsOfChunk(int nChunk) {
    switch (nChunk) {
        case 0: return APPLIES_TO_GLYPH;
        case 1: return APPLIES_TO_WORD;
        case 2: return APPLIES_TO_PASSAGE;
        default: return 0;
    }
}

// A passage or word as typing makes it: the typing font and colour, automatic layout.
template <class E>
E* NewTypingElement(const V& v) {
    auto* p = new E;
    p->SetFont(v.m_logFont);
    p->SetColor(v.m_crTypingColor);
    p->SetAutoLayout();
    return p;
}

// A new passage at the caret point, the caret's passage from now on (no word, no glyph).
CKTPassage* NewCaretPassage(V& v) {
    auto* p = NewTypingElement<CKTPassage>(v);
    p->MoveBy(v.m_ptCaret);
    v.m_pTextRoot->AppendChild(p, TRUE);
    v.m_pCurPassage = p;
    v.m_pCurWord = nullptr;
    v.m_pCurGlyph = nullptr;
    return p;
}

CKTWord* NewCaretWord(V& v) {
    auto* w = NewTypingElement<CKTWord>(v);
    v.m_pCurPassage->AppendChild(w, TRUE);
    v.m_pCurWord = w;
    v.m_pCurGlyph = nullptr;
    return w;
}

CKTGlyph* NewTypingGlyph(const V& v, char c) { return V::NewGlyph(v.m_logFont, c, v.m_crTypingColor, v.m_pDefaultRenderer); }

// The vertical scroll's text: every line a passage of its own at the caret point; letters and
// apostrophes join words, any other character stands alone. The scroll takes the elements of its
// chunk's level.
void TypeScrollLines(V& v, CKTScrollBhvr* scroll, int nLevels, const CString& strText) {
    for (int i = 0; i < strText.GetLength(); ++i) {
        const char c = strText[i];
        const auto uc = static_cast<unsigned char>(c);
        if (c == '\r' || c == '\n') {
            v.m_pCurPassage = nullptr;
            v.m_pCurWord = nullptr;
            v.m_pCurGlyph = nullptr;
            continue;
        }
        CKTGlyph* g = NewTypingGlyph(v, c);
        if (crt::isgraph(uc) && v.m_pCollisionDetector) v.m_pCollisionDetector->AddElement(g);
        if (nLevels == APPLIES_TO_GLYPH) scroll->AddElement(g);
        if (!crt::isalpha(uc) && c != '\'') v.m_pCurWord = nullptr;
        if (!v.m_pCurPassage) {
            CKTPassage* p = NewCaretPassage(v);
            if (nLevels == APPLIES_TO_PASSAGE) scroll->AddElement(p);
        }
        if (!v.m_pCurWord) {
            CKTWord* w = NewCaretWord(v);
            if (nLevels == APPLIES_TO_WORD) scroll->AddElement(w);
        }
        v.m_pCurWord->AppendChild(g, TRUE);
        v.m_pCurGlyph = g;
        if (c != '\'' && !crt::isalnum(uc)) {
            v.m_pCurWord = nullptr;
            v.m_pCurGlyph = nullptr;
        }
    }
}

// A ticker of new text at the caret.
void Scroll(V& v, CKTBook& book, const CKTElementList&) {
    if (!v.m_pTextRoot) return;
    const int nLevels = LevelsOfChunk(v.m_nScrollChunk);
    double dSpeed = v.m_dScrollSpeed;
    if (v.m_nScrollDirection == 0) dSpeed = -dSpeed;
    auto* scroll = new CKTScrollBhvr;
    scroll->m_dScrollSpeed = dSpeed;
    scroll->m_nOrientation = v.m_nScrollOrientation;
    scroll->m_nJustify = v.m_nScrollJustification;
    const CString strText = v.m_strScrollText;
    if (v.m_nScrollOrientation == 0) {
        // Typed at the caret on one line: line breaks as spaces, characters that do not print left out.
        for (int i = 0; i < strText.GetLength(); ++i) {
            const char c = strText[i];
            if (c == '\r' || c == '\n')
                v.InsertCharacter(' ');
            else if (crt::isprint(static_cast<unsigned char>(c)))
                v.InsertCharacter(c);
        }
        if (v.m_pCurPassage) scroll->AddElement(v.m_pCurPassage);
    } else {
        TypeScrollLines(v, scroll, nLevels, strText);
    }
    scroll->StackElements();
    AddAndStart(book, {scroll});
}

// Text shown one piece after another in a new passage at the caret; the piece of the chunk's level is
// made now and the behaviour replaces its content as it goes.
void Sequential(V& v, CKTBook& book, const CKTElementList&) {
    if (!v.m_pTextRoot) return;
    const int nLevels = LevelsOfChunk(v.m_nSequentialChunk);
    auto* seq = new CKTSequencialBhvr;
    seq->SetSourceText(v.m_strSequentialText);
    seq->SetChunk(nLevels);
    seq->SetOrder(v.m_nSequentialOrder);
    seq->SetJustification(v.m_nSequentialJustification);
    seq->SetHold(v.m_nSequentialHold);
    CKTPassage* pPassage = NewCaretPassage(v);
    if (nLevels == APPLIES_TO_GLYPH) {
        CKTWord* w = NewCaretWord(v);
        CKTGlyph* g = NewTypingGlyph(v, seq->GetCurrentChar());
        w->AppendChild(g, TRUE);
        seq->AddElement(g);
        v.m_pCurGlyph = g;
    } else if (nLevels == APPLIES_TO_WORD) {
        CKTWord* w = NewCaretWord(v);
        const CString strWord = seq->GetCurrentWord();
        for (int i = 0; i < strWord.GetLength(); ++i) {
            CKTGlyph* g = NewTypingGlyph(v, strWord[i]);
            w->AppendChild(g, TRUE);
            v.m_pCurGlyph = g;
        }
        seq->AddElement(w);
    } else if (nLevels == APPLIES_TO_PASSAGE) {
        const CString strEntry = seq->GetCurrentEntry();
        for (int i = 0; i < strEntry.GetLength(); ++i) v.InsertCharacter(strEntry[i]);
        seq->AddElement(pPassage);
    }
    AddAndStart(book, {seq});
}

// ---- the table -----------------------------------------------------------------------------------

enum class Needs { Selection, EmptySelection };

struct Recipe {
    UINT nId;
    Needs needs;
    BOOL (*ask)(V& v);  // the dialog; NULL: none
    void (*build)(V& v, CKTBook& book, const CKTElementList& selection);
};

constexpr Needs kSel = Needs::Selection;

constexpr Recipe kRecipes[] = {
    {ID_BHVR_MOVE_TO_MOUSE, kSel, nullptr, Single<Plain<CKTMoveToMouseBhvr>>},
    {ID_BHVR_MOVE_AWAY_FROM_MOUSE, kSel, nullptr, Single<Plain<CKTMoveAwayFromMouseBhvr>>},
    {ID_BHVR_DIES_ON_CONTACT, kSel, nullptr, DiesOnContact},
    {ID_BHVR_LINES, kSel, nullptr, Single<Plain<CKTConnByLines>>},
    {ID_BHVR_LIFESPAN, kSel, nullptr, Single<Plain<CKTLifespanBhvr>>},
    {ID_BHVR_SYNONYM_SHIFT, kSel, Ask<SynShiftParams>, Single<Make<SynShiftParams>, APPLIES_TO_GLYPH | APPLIES_TO_WORD>},
    {ID_BHVR_CRYPTOGRAPHIC, kSel, Ask<CryptoParams>, Single<Make<CryptoParams>, APPLIES_TO_GLYPH>},
    {ID_BHVR_VIRAL, kSel, Ask<ViralParams>, Single<Make<ViralParams>>},
    {ID_BHVR_WAVE, kSel, Ask<WaveParams>, Single<Make<WaveParams>>},
    {ID_BHVR_SPRINGS, kSel, Ask<SpringsParams>, Single<Make<SpringsParams>>},
    {ID_BHVR_THROB, kSel, Ask<ThrobParams>, Single<Make<ThrobParams>>},
    {ID_BHVR_FADE, kSel, Ask<FadeParams>, Single<Make<FadeParams>>},
    {ID_BHVR_FOCAL_FADE, kSel, Ask<FocalFadeParams>, Single<Make<FocalFadeParams>>},
    {ID_BHVR_CRUISE, kSel, Ask<CruiseParams>, Cruise},
    {ID_BHVR_SNAKELIKE, kSel, Ask<CruiseParams>, Snakelike},
    {ID_BHVR_EXPLODE, kSel, Ask<ExplodeParams>, Explode},
    {ID_BHVR_GRAVITY, kSel, Ask<GravityParams>, Gravity},
    {ID_BHVR_CONCRETE, kSel, nullptr, Concrete},
    {ID_BHVR_RAIN, kSel, nullptr, Rain},
    {ID_BHVR_THROWABLE, kSel, nullptr, Throwable},
    {ID_BHVR_LOAD_ON_CLICK, kSel, Ask<SlideParams>, SlideShow},
    {ID_BHVR_PULL_AND_FADE, kSel, nullptr, PullAndFade},
    {ID_BHVR_PULL_TO_LOAD, kSel, nullptr, PullToLoad},
    {ID_BHVR_RAIN_WHEN_STILL, kSel, nullptr, RainWhenStill},
    {ID_BHVR_SCROLL, Needs::EmptySelection, Ask<ScrollParams>, Scroll},
    {ID_BHVR_SEQUENTIAL, Needs::EmptySelection, Ask<SequentialParams>, Sequential},
};

const Recipe* FindRecipe(UINT nId) {
    for (const Recipe& r : kRecipes)
        if (r.nId == nId) return &r;
    return nullptr;
}

bool SelectionFits(const V& v, Needs needs) { return v.m_selection.IsEmpty() == (needs == Needs::EmptySelection); }

// ---- the editor's table --------------------------------------------------------------------------

struct EditRow {
    int nType;
    void (*edit)(V& v, CKTBehavior* pBehavior);
};

const EditRow kEditors[] = {
    {BHVR_CRUISE, Edit<CruiseParams>},
    {BHVR_VIRAL, Edit<ViralParams>},
    {BHVR_SYNSHIFT, Edit<SynShiftParams>},
    {BHVR_CONNBYSPRINGS, Edit<SpringsParams>},
    {BHVR_WAVE, Edit<WaveParams>},
    {BHVR_CRYPTOGRAPHIC, Edit<CryptoParams>},
    {BHVR_EXPLODE, Edit<ExplodeParams>},
    {BHVR_THROB, Edit<ThrobParams>},
    {BHVR_GRAVITY, Edit<GravityParams>},
    {BHVR_VISCOUSDRAG, Edit<ViscousDragParams>},
    {BHVR_FADE, Edit<FadeParams>},
    {BHVR_STAYINWINDOW, Edit<StayParams>},
    {BHVR_ACCELERATEONCOLLISION, Edit<AccOnCollParams>},
    {BHVR_BOUNCEONCOLLISION, Edit<BounceParams>},
    {BHVR_FOCALFADE, Edit<FocalFadeParams>},
};

}  // namespace

void CQuillView::ExecuteBehaviorCommand(UINT nId, BOOL bAsk) {
    switch (nId) {
        case ID_BHVR_ADD_SAME:
            // The last recipe again, on the current selection and defaults, without a dialog.
            if (m_nLastBehaviorCommand != 0) ExecuteCommand(static_cast<UINT>(m_nLastBehaviorCommand), FALSE);
            return;
        case ID_BHVR_REMOVE: {
            if (m_selection.IsEmpty()) return;
            CRmvBhvrDialog dlg;
            dlg.m_pElements = &m_selection;  // kept true by the element-deleted callback
            dlg.DoModal();
            m_bModified = 1;
            return;
        }
        case ID_BHVR_REMOVE_ALL:
            if (m_selection.IsEmpty()) return;
            for (POSITION pos = m_selection.GetHeadPosition(); pos;) RemoveAllBehaviors(m_selection.GetNext(pos));
            m_bModified = 1;
            return;
        default:
            break;
    }
    const Recipe* pRecipe = FindRecipe(nId);
    if (!pRecipe || !GetBook() || !SelectionFits(*this, pRecipe->needs)) return;
    if (bAsk && pRecipe->ask && !pRecipe->ask(*this)) return;
    // The book and the selection of now: ticks ran inside the dialog.
    CKTBook* pBook = GetBook();
    if (!pBook || !SelectionFits(*this, pRecipe->needs)) return;
    pRecipe->build(*this, *pBook, m_selection);
    m_bModified = 1;
    m_nLastBehaviorCommand = static_cast<int>(nId);
}

void CQuillView::EditBehaviorParameters(CKTBehavior* pBehavior) {
    if (!pBehavior) return;
    const int nType = pBehavior->GetType();
    for (const EditRow& row : kEditors)
        if (row.nType == nType) {
            row.edit(*this, pBehavior);
            return;
        }
}

void CQuillView::RemoveAllBehaviors(CKTElement* pElement) {
    if (!pElement) return;
    std::vector<CKTBehavior*> behaviors;
    for (POSITION pos = pElement->GetFirstBehaviorPosition(); pos;) {
        CKTBehavior* p = pElement->GetNextBehavior(pos).m_pBehavior;
        if (p && p->GetType() != BHVR_1DCOLLISIONDET) behaviors.push_back(p);
    }
    for (CKTBehavior* p : behaviors) p->RemoveElement(pElement);
}
