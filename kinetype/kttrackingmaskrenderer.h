// CKTTrackingMaskRenderer: the mask renderers that react to the mouse over the element they were set
// on as a whole (transparent, splatter, erosion, erode edge). Not stored on its own.
//
// Master and copies: the renderer a caller sets on an element is the master (m_bMaster 1); it joins
// the pre-step list, and a glyph's renderer the draw list. SetElement hands every child a Clone with
// m_bMaster 0 (a copy), which does the same below it. Each pre-step the master computes the tracking
// rectangle m_rcTrack in window coordinates (a glyph's extent, any other element's local bounds, moved
// by the element's absolute point), copies it into every child's renderer of its own class that is a
// copy and runs that renderer's pre-step at once; so all glyphs of a word or passage react to the
// mouse over the whole word or passage. Copies are found by their class and m_bMaster, whatever type
// id they carry.
//
// The mouse is inside for a master when its extent holds the mouse point relative to the element,
// for a copy when m_rcTrack holds the mouse point (left and top inclusive).
//
// Stored form: the renderer base part, then m_fMouseOver and m_fMouseOutside as floats. On load the
// master flag follows the stored pre-step registration: a master is in the pre-step list, a copy never.
#pragma once

#include "kinetype/ktelement.h"
#include "kinetype/ktmaskrenderer.h"

class CKTTrackingMaskRenderer : public CKTMaskRenderer {
    DECLARE_DYNAMIC(CKTTrackingMaskRenderer)

public:
    // NULL: leaves the lists of events 0 and 3 (the element pointer is kept). Otherwise remembers the
    // element, joins event 3 as a master and event 0 on a glyph, and gives each child a copy.
    void SetElement(CKTElement* pElement, BYTE bFlag) override;
    // The master's tracking rectangle, passed to the copies below; then, for a glyph that is neither
    // the character 0 nor a space and has a mask, Animate.
    void OnPreStep() override;

    // Each stores the rate and passes it to every copy of this class below the element.
    void SetMouseOverRate(float f);
    void SetMouseOutsideRate(float f);
    float GetMouseOverRate() const { return m_fMouseOver; }
    float GetMouseOutsideRate() const { return m_fMouseOutside; }

    BOOL IsMaster() const { return m_bMaster ? TRUE : FALSE; }
    CRect GetTrackRect() const { return m_rcTrack; }

    void Serialize(CArchive& ar) override;

protected:
    CKTTrackingMaskRenderer(int nType, int nIntsPerPixel, float fMouseOver, float fMouseOutside);

    // One frame of the style, on a glyph with a mask of its extent.
    virtual void Animate(CKTBook& book) = 0;
    // Whether the mouse is over the glyph, or over what the master was set on (see the top).
    BOOL IsMouseInside(const CKTBook& book);
    // Calls fn(copy) for the renderer of every child of the element that is of this class and a copy.
    template <class T, class Fn>
    void ForEachChildCopy(Fn fn) {
        if (!m_pElement) return;
        for (CKTElement* pChild = m_pElement->GetFirstChild(); pChild; pChild = pChild->GetNextSibling()) {
            CKTElementRenderer* p = pChild->GetRenderer();
            if (p && p->GetRuntimeClass() == GetRuntimeClass() && !static_cast<CKTTrackingMaskRenderer*>(p)->m_bMaster)
                fn(static_cast<T*>(p));
        }
    }

    BYTE m_bMaster;
    CRect m_rcTrack;
    float m_fMouseOver;
    float m_fMouseOutside;
};
