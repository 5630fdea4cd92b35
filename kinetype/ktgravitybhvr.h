// CKTGravityBhvr (type 14, "Gravity"): elements fall onto a ground, bounce and come to rest.
//
// Each tick: on pre-step (event 3) every element is classed as falling or resting against the ground
// line; an element at or below the line is put onto it and rests when its vertical speed is below 5
// (either way). On step (event 1) every falling element gets the downward acceleration m_dMagnitude;
// one that is at or below the line has its vertical velocity reversed and scaled by m_dElasticity (a
// landing), and every resting element receives m_dFeedback times that new vertical velocity.
//
// Ground types (m_nGroundType, GetGroundY): 0 the plane y = m_nPlaneY; 1 the absolute y of
// m_pGroundElement (0 without one); 2 the bottom of the book's client rectangle; 3 the same, as a loop:
// an element whose top reaches it is moved up by (bottom + 50) and never bounces; 4 (and any other
// value) no ground: the elements only accelerate.
//
// The ground element is not owned and need not be one of the behaviour's elements; it is forgotten
// when it dies or is destroyed (OnElementGone), so a dead element is never read.
#pragma once

#include <vector>

#include "kinetype/ktphysics.h"

class CKTGravityBhvr : public CKTPhysicsBhvr {
    DECLARE_SERIAL(CKTGravityBhvr)

public:
    // Events (3, 0), (1, 0); element slots velocity, acceleration (vectors) and PROP_GRAVITY_STATE
    // (bool); book slot BOOKPROP_INTEGRATOR; then the integrator hook-up. While loading only the
    // fields' defaults are set.
    CKTGravityBhvr();
    ~CKTGravityBhvr() override;

    CString GetName() const override;  // "Gravity"
    void OnEvent(int nEvent) override;
    // The base detach, then pElement leaves m_falling and m_resting (a dying element goes through
    // here too, by the base OnElementDying).
    BOOL RemoveElement(CKTElement* pElement) override;
    // Forgets the ground element when it is pElement.
    void OnElementGone(CKTElement* pElement) override;

    void SetElasticity(double d) { m_dElasticity = d; }
    double GetElasticity() const { return m_dElasticity; }
    void SetFeedback(double d) { m_dFeedback = d; }
    double GetFeedback() const { return m_dFeedback; }
    void SetMagnitude(double d) { m_dMagnitude = d; }
    double GetMagnitude() const { return m_dMagnitude; }
    void SetGroundType(int n) { m_nGroundType = n; }
    int GetGroundType() const { return m_nGroundType; }
    void SetPlaneY(int n) { m_nPlaneY = n; }
    int GetPlaneY() const { return m_nPlaneY; }
    void SetGroundElement(CKTElement* p) { m_pGroundElement = p; }
    CKTElement* GetGroundElement() const { return m_pGroundElement; }
    // The ground line for the current ground type (see the top of the file).
    int GetGroundY() const;

    // After the behaviour part: elasticity, feedback, magnitude (doubles), plane y (int), the ground
    // element (object reference, a CKTElement), the ground type (unsigned).
    void Serialize(CArchive& ar) override;
    void ForgetLinks() override;
    BOOL CheckLoadedLinks(const CKTOwnership& owned) const override;

    // The elements classed by the last pre-step, in list order.
    size_t GetFallingCount() const { return m_falling.size(); }
    size_t GetRestingCount() const { return m_resting.size(); }
    CKTElement* GetFalling(size_t i) const { return m_falling[i].pElement; }
    CKTElement* GetResting(size_t i) const { return m_resting[i].pElement; }
    // The entries the two lists and the kicks have room for.
    size_t GetListRoom() const { return m_falling.capacity() + m_resting.capacity() + m_kicks.capacity(); }

    static constexpr double kRestSpeed = 5.0;  // below this vertical speed an element on the ground rests
    static constexpr int kLoopLift = 50;       // type 3 moves an element up by ground + kLoopLift

private:
    // An element classed by the pre-step, with its properties, pFlag its PROP_GRAVITY_STATE (valid
    // while it stays attached: a detach takes it out of both lists).
    typedef CKTMotionList::CEntry CEntry;
    void Classify(int nGround);
    void ApplyGravity(int nGround);
    static void RemoveFrom(std::vector<CEntry>& list, const CKTElement* pElement);

    int m_nGroundType;
    double m_dElasticity;
    double m_dFeedback;
    double m_dMagnitude;
    int m_nPlaneY;
    CKTElement* m_pGroundElement;
    std::vector<CEntry> m_falling;  // rebuilt every pre-step; not stored
    std::vector<CEntry> m_resting;
    std::vector<double> m_kicks;  // the landings' kicks of one step, in order (scratch)
    CKTMotionList m_motion{PROP_GRAVITY_STATE};  // the elements with their properties (not stored)
};
