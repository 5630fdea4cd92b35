// CKTConnBySpringsBhvr (type 7, "Connected by Springs"): damped springs between consecutive elements.
//
// Spring i joins the i-th and the (i+1)-th element of the element list, with the rest length their
// distance when the second one was attached. The first element is the anchor: it gets no spring of its
// own and is handed neither to the integrator nor to the drag behaviour, so this behaviour alone never
// moves it. On step (event 1) every spring applies its force (CKTSpring::ApplyForce).
//
// The friction of the springs is a viscous drag behaviour that the constructor makes, adds to the
// book's behaviour list and starts (m_pDrag, not owned: the book's list owns it); every element after
// the first is attached to it. The springs behaviour is in the drag behaviour's referrer list: when
// the drag behaviour is destroyed first this behaviour forgets it (OnBehaviorDying); when this one is
// destroyed first it leaves that referrer list.
#pragma once

#include "kinetype/ktphysics.h"
#include "kinetype/ktspring.h"

class CKTViscousDragBhvr;

typedef CArray<CKTSpring, const CKTSpring&> CKTSpringArray;

class CKTConnBySpringsBhvr : public CKTPhysicsBhvr {
    DECLARE_SERIAL(CKTConnBySpringsBhvr)

public:
    // Event (1, 0); element slots velocity and acceleration; book slot BOOKPROP_INTEGRATOR; the
    // integrator hook-up; then the drag behaviour (drag 0.1) is made, added to the book, started and
    // told that this behaviour refers to it. While loading only the defaults are set.
    CKTConnBySpringsBhvr();
    ~CKTConnBySpringsBhvr() override;

    CString GetName() const override;  // "Connected by Springs"
    void OnEvent(int nEvent) override;
    // The base attach; for every element but the first, a spring from the previous last element, and
    // the element is attached to the integrator and to the drag behaviour.
    BOOL AddElement(CKTElement* pElement) override;
    // The base detach; the springs close over the gap: the last element takes the last spring with it,
    // the first one spring 0, a middle one hands its second spring's element to its first spring (whose
    // rest length stays) and that second spring goes.
    BOOL RemoveElement(CKTElement* pElement) override;
    // The base handling (a referrer leaves m_referrers); when pBehavior is the drag behaviour it is
    // forgotten and the result is TRUE, otherwise FALSE.
    BOOL OnBehaviorDying(CKTBehavior* pBehavior) override;

    void SetSpringConstant(double d) { m_dSpringConstant = d; }
    double GetSpringConstant() const { return m_dSpringConstant; }
    void SetDamping(double d) { m_dDamping = d; }
    double GetDamping() const { return m_dDamping; }
    // The drag of the drag behaviour; nothing (0.0) without one.
    void SetFriction(double d);
    double GetFriction() const;
    CKTViscousDragBhvr* GetDragBehavior() const { return m_pDrag; }

    INT_PTR GetSpringCount() const { return m_springs.GetSize(); }
    const CKTSpring& GetSpring(INT_PTR i) const { return m_springs[i]; }

    // After the behaviour part: the springs (count, then per spring the element references A and B and
    // the rest length as a double), the drag behaviour (object reference, a CKTViscousDragBhvr), the
    // spring constant and the damping (doubles). A loaded spring end that is not one of this
    // behaviour's elements is dropped (set NULL), so no spring can outlive its element.
    void Serialize(CArchive& ar) override;
    void ForgetLinks() override;
    BOOL CheckLoadedLinks(const CKTOwnership& owned) const override;

private:
    void DropSpringEnds(CKTElement* pElement);

    CKTSpringArray m_springs;
    CKTViscousDragBhvr* m_pDrag;
    double m_dSpringConstant;
    double m_dDamping;
};
