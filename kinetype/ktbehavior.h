// CKTBehavior: base of every behaviour and trigger.
//
// A behaviour acts on a set of elements when the book sends it events. The base keeps what all share:
// the type id, the mask of element kinds it applies to, the events it listens to (with priorities),
// the element and book property slots it needs, its elements, the triggers that refer to it, and
// whether it is registered with the book ("running").
//
// A subclass constructor, unless g_bLoading is set, fills m_events, m_elemPropReqs and m_bookPropReqs
// and calls AcquireBookProps(); while loading, Serialize restores all of that. The subclass does its
// work in OnEvent.
//
// Ownership and lifetime:
// - The book owns a behaviour once it is in the book's list (CKTBook::AddBehavior) and deletes it when
//   the book goes (CKTBook::DeleteAllBehaviors). The application's remove commands delete it too.
// - A behaviour owns none of its elements, referrers or properties. Elements and behaviours point to
//   each other (the element through its CKTBehaviorLink records); AddElement and RemoveElement keep
//   both sides in step, and each side detaches from the other before it goes.
// - Destruction, in order: every referrer gets OnBehaviorDying(this) and the referrer list is emptied;
//   StopListening; RemoveAllElements (each element loses its link and releases the shared
//   properties); ReleaseBookProps; then every entry of this behaviour leaves the book's behaviour
//   list, and a book property that points to it (the integrator, the collision detector) is set to
//   NULL; when other behaviours of the book still name it as a referrer (a referrer that did not take
//   itself out, as only a file can arrange), it leaves their referrer lists; last, CKTComponent's
//   destructor takes it out of every listener list and queue.
//
// Property sharing: on attach, for each declared element slot, the property already in the slot is
// shared when it has the declared class, or a new one is created and put in when the slot is empty;
// either way one reference is added. A slot holding a property of another class (only a file can do
// that) is left alone: no reference is taken and nothing is created in its place, and detaching
// releases nothing there. Book slots follow the same rules in AcquireBookProps / ReleaseBookProps.
#pragma once

#include <cstdint>

#include "kinetype/ktbhvrprop.h"
#include "kinetype/ktcomponent.h"

// One event a behaviour listens to: event id (CKTBook's EV_ ids) and priority (1 = head of the book's
// list, any other value = tail). Stored as two 4-byte values.
struct CKTEventReg {
    int nEvent;
    int nPriority;
};

// One property slot a behaviour needs: slot id and property type code (PROPTYPE_). Stored as two
// 4-byte ints.
struct CKTPropReg {
    int nId;
    int nType;
};

static_assert(sizeof(CKTEventReg) == 8 && sizeof(CKTPropReg) == 8, "records are stored as raw bytes");

typedef CArray<CKTEventReg, const CKTEventReg&> CKTEventRegArray;
typedef CArray<CKTPropReg, const CKTPropReg&> CKTPropRegArray;

// Behaviour and trigger type ids (m_nType; stored in documents). 10 is not used; the pulled and the
// is-colour triggers share 1000 (their run-time classes tell them apart).
constexpr int BHVR_BASE = 0;
constexpr int BHVR_1DCOLLISIONDET = 1;
constexpr int BHVR_MOVETOMOUSE = 2;
constexpr int BHVR_MOVEAWAYFROMMOUSE = 3;
constexpr int BHVR_CRUISE = 4;
constexpr int BHVR_VIRAL = 5;
constexpr int BHVR_SYNSHIFT = 6;
constexpr int BHVR_CONNBYSPRINGS = 7;
constexpr int BHVR_EULER = 8;
constexpr int BHVR_WAVE = 9;
constexpr int BHVR_CRYPTOGRAPHIC = 11;
constexpr int BHVR_EXPLODE = 12;
constexpr int BHVR_THROB = 13;
constexpr int BHVR_GRAVITY = 14;
constexpr int BHVR_VISCOUSDRAG = 15;
constexpr int BHVR_SETELEMENTRENDERER = 16;
constexpr int BHVR_FADE = 17;
constexpr int BHVR_CONNBYLINES = 18;
constexpr int BHVR_THROWABLE = 19;
constexpr int BHVR_STAYINWINDOW = 20;
constexpr int BHVR_ACCELERATEONCOLLISION = 21;
constexpr int BHVR_BOUNCEONCOLLISION = 22;
constexpr int BHVR_KILLONCOLLISION = 23;
constexpr int BHVR_FOCALFADE = 24;
constexpr int BHVR_LIFESPAN = 25;
constexpr int BHVR_SEQUENCIAL = 26;
constexpr int BHVR_SCROLL = 27;
constexpr int BHVR_LOADFILE = 28;
constexpr int TRIGGER_BASE = 1000;  // also CKTPulledTrigger and CKTIsColorTrigger
constexpr int TRIGGER_TIME = 1001;
constexpr int TRIGGER_MOUSEMOVE = 1002;
constexpr int TRIGGER_MOUSESTILL = 1003;
constexpr int TRIGGER_MOUSEEVENTIN = 1004;

// Applies-to mask bits.
constexpr int APPLIES_TO_GLYPH = 1;
constexpr int APPLIES_TO_WORD = 2;
constexpr int APPLIES_TO_PASSAGE = 4;
constexpr int APPLIES_TO_ALL = 7;

class CKTBehavior : public CKTComponent {
    DECLARE_SERIAL(CKTBehavior)

public:
    // Type id (0 for a bare behaviour), mask 7, not running, empty tables and lists.
    explicit CKTBehavior(int nType = 0);
    ~CKTBehavior() override;

    int GetType() const { return m_nType; }
    int GetAppliesTo() const { return m_nAppliesTo; }
    void SetAppliesTo(int nMask) { m_nAppliesTo = nMask; }
    BOOL IsRunning() const { return m_bRunning ? TRUE : FALSE; }

    // The display name for panels and menus; "Unidentified Behavior" here.
    virtual CString GetName() const;

    // Kind 2 (passage) tests mask bit 4, kind 4 (word) bit 2, kind 5 (glyph) bit 1; any other kind FALSE.
    BOOL IsApplicable(int nKind) const;

    // Attach e: FALSE when e is NULL, of a kind outside the mask, or already linked to this behaviour
    // (nothing changes then). Otherwise links both ways (CKTElement::AddBehavior(this, 1), e appended
    // to m_elements) and takes one reference on each declared element slot (see the top of the file).
    virtual BOOL AddElement(CKTElement* pElement);
    // Detach e: FALSE when e is not attached. Otherwise unlinks both ways and releases each declared
    // slot's property (at count 0 it is deleted and the slot emptied).
    virtual BOOL RemoveElement(CKTElement* pElement);
    // RemoveElement (virtual) on the head of m_elements until it is empty; TRUE.
    virtual BOOL RemoveAllElements();
    // An attached element is dying or being destroyed: RemoveElement(pElement) here. Subclasses that
    // keep more per element extend it.
    virtual void OnElementDying(CKTElement* pElement);
    // A related behaviour (a referrer) is being destroyed: removes it from m_referrers here; TRUE when
    // it was there. Triggers and springs extend it.
    virtual BOOL OnBehaviorDying(CKTBehavior* pBehavior);

    // Triggers call these when this behaviour enters or leaves their start or stop lists.
    BOOL AddReferrer(CKTBehavior* pTrigger);     // appends (no duplicate check); TRUE
    BOOL RemoveReferrer(CKTBehavior* pTrigger);  // first occurrence; FALSE when absent
    POSITION GetFirstReferrerPosition() const { return m_referrers.GetHeadPosition(); }
    CKTBehavior* GetNextReferrer(POSITION& pos) const;

    // The elements, in attachment order.
    POSITION FindElement(CKTElement* pElement) const;  // NULL when absent
    POSITION GetFirstElementPosition() const { return m_elements.GetHeadPosition(); }
    CKTElement* GetNextElement(POSITION& pos) const;
    INT_PTR GetElementCount() const { return m_elements.GetCount(); }
    // Changes of m_elements so far (attach, detach, load, forget): work that keeps a copy of the list
    // can tell that it is unchanged. Every change of m_elements must count here.
    uint64_t GetElementEditCount() const { return m_nElementEdits; }
    // The list's nodes, in use or pooled for reuse.
    INT_PTR GetElementRoom() const { return m_elements.GetNodeRoom(); }
    // When no element is attached, the list's pooled nodes go back to the heap. A behaviour stays in
    // the book after its last element died, often for the rest of the run, and would otherwise keep
    // room for as many elements as it ever had. Only where no walk of the list can be under way (the
    // book calls it at the end of a step): a walk may hold the position of a removed entry.
    void ReleaseIdleRoom() {
        if (m_elements.IsEmpty() && m_elements.GetNodeRoom() > 0) m_elements.RemoveAll();
    }

    // Registers every event of m_events in array order (CKTComponent::RegisterEvent) and sets running;
    // nothing when already running. A registration the book refuses (bad event id) is skipped; the
    // behaviour still counts as running.
    void StartListening();
    // Only when running: unregisters every event of m_events in order and clears running.
    void StopListening();
    // For a running behaviour of a book just read from a document that held the listener lists of the
    // events below nFirstEvent only: registers with that book, as StartListening does, each entry of
    // m_events whose event is nFirstEvent or above, in array order. Nothing for a stopped behaviour.
    void RegisterUnstoredEvents(CKTBook& book, int nFirstEvent);

    // The property factory: a new property (count 0) of type code nPropType for slot nId; NULL for a
    // code outside 0 to 6. Uses nothing of a behaviour's state.
    static CKTBhvrProp* CreateProp(int nPropType, int nId);

    // For each book slot of m_bookPropReqs in order: share the slot's property, or create it when the
    // slot is empty, and add a reference (see the top of the file). Subclass constructors call it
    // (not while loading).
    void AcquireBookProps();
    // For each book slot of m_bookPropReqs: release its property; at count 0 delete it and empty the
    // slot. Called by the destructor.
    void ReleaseBookProps();

    // Type, mask, running flag, the three record arrays, the elements, the referrers. On load the
    // arrays take the stored counts and the lists are appended to; elements must be CKTElements and
    // referrers CKTBehaviors (else a bad-class archive error).
    void Serialize(CArchive& ar) override;

    void ForgetLinks() override;

    // An element is leaving the scene (it dies or is destroyed), whether or not it is attached here:
    // for references a behaviour keeps to elements that are not its own (gravity's ground element).
    // The book sends it to every behaviour of its list (CKTBook::NotifyElementGone). Empty here. It
    // must not add, remove or delete behaviours. It may come twice for one element (Die, then the
    // destructor).
    virtual void OnElementGone(CKTElement* pElement);

    // After a load: the elements are owned by the scene, attached once each and linked back to this
    // behaviour; the referrers are owned behaviours. Subclasses that keep more pointers check them too
    // and call this.
    BOOL CheckLoadedLinks(const CKTOwnership& owned) const override;

protected:
    int m_nType;
    int m_nAppliesTo;
    CKTEventRegArray m_events;
    CKTPropRegArray m_elemPropReqs;
    CKTPropRegArray m_bookPropReqs;
    CKTElementList m_elements;
    BYTE m_bRunning;
    CKTBehaviorList m_referrers;

private:
    // Takes this behaviour out of the referrer lists of the book's other behaviours.
    void LeaveReferrerLists();

    uint64_t m_nElementEdits = 0;
    // Entries naming this behaviour in other behaviours' referrer lists (kept by AddReferrer,
    // RemoveReferrer, loading and destruction); not stored.
    int m_nReferring = 0;
};
