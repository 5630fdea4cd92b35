// What the physics behaviours share: the hook-up to the scene's one integrator, the enrolment of their
// elements with it, and typed access to the motion properties of an element.
//
// Hook-up (constructor of every physics behaviour, not while g_bLoading is set; CKTPhysicsBhvr::HookUp):
// the behaviour's events and element slots, book slot BOOKPROP_INTEGRATOR (a behaviour pointer), the
// book properties acquired; then, when that slot holds no behaviour, a new CKTEulerBhvr is made, added
// to the book's behaviour list, started and stored in the slot. So the first physics behaviour of a
// book creates the integrator and later ones find it.
//
// Enrolment (CKTPhysicsBhvr::AddElement; the springs do it their own way): the base attach first; when
// it succeeds the element is attached to the integrator too (which holds each element once). Detaching
// an element from a physics behaviour leaves it with the integrator.
#pragma once

#include <climits>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "kinetype/ktbehavior.h"
#include "kinetype/ktboolbhvrprop.h"
#include "kinetype/ktelement.h"
#include "kinetype/ktvectorbhvrprop.h"

class CKTEulerBhvr;

// Base of the behaviours that move their elements through the integrator. It has no run-time class
// record of its own: each subclass's record names CKTBehavior as its base, as the stored form has it,
// and it adds nothing to the stored form.
class CKTPhysicsBhvr : public CKTBehavior {
public:
    // The base attach, then the integrator enrolment. FALSE (and no enrolment) when the base refuses.
    BOOL AddElement(CKTElement* pElement) override;

protected:
    explicit CKTPhysicsBhvr(int nType) : CKTBehavior(nType) {}
    // The hook-up, for a constructor that is not loading: events and element slots in the given
    // order, then book slot BOOKPROP_INTEGRATOR, AcquireBookProps and KTHookUpIntegrator.
    void HookUp(std::initializer_list<CKTEventReg> events, std::initializer_list<CKTPropReg> elemProps);
};

// The Euler integrator in the current book's property slot BOOKPROP_INTEGRATOR, or NULL when the slot
// is empty, holds a property of another class, or points to no integrator.
CKTEulerBhvr* KTGetIntegrator();

// Step 4 of the hook-up: creates, adds, starts and stores the integrator when the slot holds no
// behaviour. The slot's property must exist (AcquireBookProps made it); without it nothing happens.
void KTHookUpIntegrator();

// Attaches pElement to the integrator (when there is one), after the base attach succeeded.
void KTEnrolWithIntegrator(CKTElement* pElement);

// Rectangle arithmetic in 64 bits: element bounds may lie anywhere in the int range (a file can put
// them there), so widths, centres and differences of their edges do not fit an int.
inline LONGLONG KTWidth(const RECT& rc) { return static_cast<LONGLONG>(rc.right) - rc.left; }
inline LONGLONG KTHeight(const RECT& rc) { return static_cast<LONGLONG>(rc.bottom) - rc.top; }
// v clamped to the int range.
inline int KTClampToInt(LONGLONG v) {
    return v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : static_cast<int>(v);
}

// The element's property in slot nId as the class the physics behaviours declare, or NULL when the
// slot is empty or holds another class (only a broken file does that; readers skip such elements).
inline CKTVectorBhvrProp* KTVectorProp(CKTElement* pElement, int nId) {
    return CKTVectorBhvrProp::Cast(pElement->GetProp(nId));
}
inline CKTBoolBhvrProp* KTBoolProp(CKTElement* pElement, int nId) {
    return CKTBoolBhvrProp::Cast(pElement->GetProp(nId));
}

// A behaviour's elements in list order with their motion properties looked up once (the typed casts
// of KTVectorProp and KTBoolProp): what the physics behaviours walk every step. Get rebuilds the
// entries when the behaviour's element list or any element's property slots changed since they were
// made (CKTBehavior::GetElementEditCount, CKTElement::GetSlotEditCount), so an entry always holds what
// the lookups would give now. The entries stay valid while neither changes: a walk over them may move
// elements but must not attach, detach or kill any.
class CKTMotionList {
public:
    struct CEntry {
        CKTElement* pElement;
        CKTVectorBhvrProp* pVel;  // PROP_VELOCITY; NULL when the slot is empty or holds another class
        CKTVectorBhvrProp* pAcc;  // PROP_ACCELERATION; the same
        CKTBoolBhvrProp* pFlag;   // the bool slot named to the constructor; NULL without one
    };

    // nFlagId: a bool property slot to look up as well (PROP_GRAVITY_STATE), or -1 for none.
    explicit CKTMotionList(int nFlagId = -1) : m_nFlagId(nFlagId) {}

    const std::vector<CEntry>& Get(const CKTBehavior& behavior) {
        if (!m_bBuilt || m_nListStamp != behavior.GetElementEditCount() ||
            m_nSlotStamp != CKTElement::GetSlotEditCount())
            Build(behavior);
        return m_entries;
    }

    // The entries the list has room for.
    size_t GetRoom() const { return m_entries.capacity(); }

    // What a walk fetches ahead for the entries it will reach (bits).
    static constexpr unsigned kFetchProps = 1;    // the velocity, acceleration and flag properties
    static constexpr unsigned kFetchElement = 2;  // the element's front (the fields a step touches)
    static constexpr unsigned kFetchParent = 4;   // the front of the element's parent (a move marks it)

    // f(entry) for every entry in order. The elements and their properties lie far apart in memory, and
    // a walk over thousands of them would wait for each in turn: the walk asks for the memory of the
    // entries a few places ahead first (nFetch says which). Fetching changes nothing but the timing.
    template <class F>
    static void Walk(const std::vector<CEntry>& entries, unsigned nFetch, F f) {
        const size_t n = entries.size();
        for (size_t i = 0; i < n; i++) {
            if (i + kAhead < n) Fetch(entries[i + kAhead], nFetch);
            if ((nFetch & kFetchParent) && i + kAhead / 2 < n)
                if (const CKTElement* pElement = entries[i + kAhead / 2].pElement)
                    __builtin_prefetch(pElement->GetParent());
            f(entries[i]);
        }
    }
    // Walk over Get(behavior).
    template <class F>
    void Walk(const CKTBehavior& behavior, unsigned nFetch, F f) {
        Walk(Get(behavior), nFetch, f);
    }

private:
    void Build(const CKTBehavior& behavior);
    static constexpr size_t kAhead = 8;  // how many entries ahead a walk fetches
    // Always inlined: out of line, a function that only prefetches counts as one without effects, and
    // the compiler drops its calls.
    [[gnu::always_inline]] static void Fetch(const CEntry& entry, unsigned nFetch) {
        if (nFetch & kFetchProps) {
            __builtin_prefetch(entry.pVel);
            __builtin_prefetch(entry.pAcc);
            __builtin_prefetch(entry.pFlag);
        }
        if ((nFetch & kFetchElement) && entry.pElement) {
            const char* p = reinterpret_cast<const char*>(entry.pElement);
            __builtin_prefetch(p);
            __builtin_prefetch(p + 64);
            __builtin_prefetch(p + 128);
        }
    }

    int m_nFlagId;
    bool m_bBuilt = false;
    uint64_t m_nListStamp = 0;
    uint64_t m_nSlotStamp = 0;
    std::vector<CEntry> m_entries;
};
