// CKTTriggerBhvr: base of the triggers. A trigger is a behaviour that watches for a condition and, when
// it holds, starts the behaviours of its start list and stops those of its stop list.
//
// Fire hands the two lists to the book's start and stop queues, which the book applies at the end of
// the step under way (a fire between steps, on a mouse event, takes effect at the end of the following
// step). Starting a running behaviour and stopping a stopped one do nothing, so two fires in one step
// act as one. m_bFired blocks further fires; every trigger except the time trigger clears it again at
// once (re-arms) and so fires on every event at which its condition holds.
//
// References: every behaviour in either list has this trigger in its referrer list once per list
// entry, so that it can tell the trigger when it is destroyed (OnBehaviorDying takes it out of the
// lists); the trigger's destruction takes itself out of the referrer lists of what it still lists.
// The lists do not own their behaviours (the book does).
//
// Stored form: the behaviour part, the start list, the stop list (behaviour references), m_bFired as
// an int; then each trigger's own fields.
#pragma once

#include "kinetype/ktbehavior.h"

class CKTTriggerBhvr : public CKTBehavior {
    DECLARE_SERIAL(CKTTriggerBhvr)

public:
    // The behaviour base with nType; empty lists; not fired; no events.
    explicit CKTTriggerBhvr(int nType = TRIGGER_BASE);
    // RemoveStartBehavior on the head of the start list until it is empty, then the same for the stop
    // list; then the behaviour destruction.
    ~CKTTriggerBhvr() override;

    CString GetName() const override;  // "Unidentified Trigger"

    // Unless already fired: QueueStart for each behaviour of the start list, then QueueStop for each of
    // the stop list, in list order; then fired.
    virtual void Fire();

    // Appends b (no duplicate check) and adds this trigger to b's referrers; TRUE. FALSE for NULL.
    BOOL AddStartBehavior(CKTBehavior* pBehavior);
    // Removes the first entry of b and this trigger from b's referrers; FALSE when b is not listed.
    BOOL RemoveStartBehavior(CKTBehavior* pBehavior);
    BOOL AddStopBehavior(CKTBehavior* pBehavior);
    BOOL RemoveStopBehavior(CKTBehavior* pBehavior);

    // A listed behaviour is being destroyed: its first entry leaves the start list, or, when it is not
    // there, the stop list (a behaviour in both lists calls this twice). FALSE, with a debug trace,
    // when it is in neither.
    BOOL OnBehaviorDying(CKTBehavior* pBehavior) override;
    // The entries of pBehavior in the two lists.
    int CountReferencesTo(const CKTBehavior* pBehavior) const;

    POSITION GetFirstStartPosition() const { return m_startList.GetHeadPosition(); }
    CKTBehavior* GetNextStart(POSITION& pos) const { return m_startList.GetNext(pos); }
    INT_PTR GetStartCount() const { return m_startList.GetCount(); }
    POSITION GetFirstStopPosition() const { return m_stopList.GetHeadPosition(); }
    CKTBehavior* GetNextStop(POSITION& pos) const { return m_stopList.GetNext(pos); }
    INT_PTR GetStopCount() const { return m_stopList.GetCount(); }
    BOOL IsFired() const { return m_bFired ? TRUE : FALSE; }

    void Serialize(CArchive& ar) override;
    // Forgets both lists.
    void ForgetLinks() override;
    // Every listed behaviour is the book's and counts this trigger among its referrers exactly as
    // often as the lists name it.
    BOOL CheckLoadedLinks(const CKTOwnership& owned) const override;

protected:
    // Append to / remove the first entry from one of the lists, keeping the referrer entries in step.
    BOOL Enlist(CKTBehaviorList& list, CKTBehavior* pBehavior);
    BOOL Delist(CKTBehaviorList& list, CKTBehavior* pBehavior);
    // Fire, then re-arm: what every trigger but the time trigger does when its condition holds.
    void FireAndRearm() {
        Fire();
        m_bFired = 0;
    }

    CKTBehaviorList m_startList;
    CKTBehaviorList m_stopList;
    BYTE m_bFired;
};
