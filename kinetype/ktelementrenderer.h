// CKTElementRenderer: base of every element renderer (type id 0: only a bare object made by the
// loader). A renderer draws one element, receives book events through the component base and
// dispatches them to its own virtuals: event 0 Draw, 3 OnPreStep, 1 OnStep, 4 OnPostStep.
//
// Ownership and lifetimes:
// - The element owns its renderer (CKTElement::SetRenderer deletes the old one, the element's
//   destructor deletes it); a renderer never owns its element. m_pElement is set by SetElement.
// - A renderer set on a word or passage does not draw; SetElement gives each child a Clone (owned by
//   that child, freed by the caller when the child refuses it), down to the glyphs.
// - Registration: SetEventRegistration keeps a renderer in each of the four lists at most once; the
//   destructor withdraws it from every list it joined.
//
// The element pushes its font (lfHeight in tenths of a point), point size, colour and, for a glyph,
// character into the renderer before SetElement, and again whenever they change.
//
// A concrete renderer overrides the twelve virtuals below (Clone ... SetPointSize) and AllowsChild-
// Renderers answers TRUE; Serialize writes the base part first, then its own fields.
#pragma once

#include "kinetype/ktcomponent.h"
#include "platform/afx/afx.h"
#include "platform/gdi/logfont.h"

class CDC;
class CKTElement;

// Renderer type ids (m_nType; stored in documents).
constexpr int RENDERER_BASE = 0;
constexpr int RENDERER_DEFAULT = 1;
constexpr int RENDERER_PARTICLE = 2;
constexpr int RENDERER_LENS = 3;
constexpr int RENDERER_PULL = 4;
constexpr int RENDERER_PULSE = 5;
constexpr int RENDERER_SPLATTER = 6;
constexpr int RENDERER_TEST = 7;
constexpr int RENDERER_TRANSPARENT = 8;
constexpr int RENDERER_EROSION = 9;
constexpr int RENDERER_CLAY = 10;
constexpr int RENDERER_DRIFT = 11;
constexpr int RENDERER_ERODEEDGE = 12;
constexpr int RENDERER_COLORSTATIC = 13;
constexpr int RENDERER_TRAIL = 14;

class CKTElementRenderer : public CKTComponent {
    DECLARE_SERIAL(CKTElementRenderer)

public:
    // Type id, no element, no registrations.
    explicit CKTElementRenderer(int nType = RENDERER_BASE);
    // Unregisters events 0, 3, 1, 4 (in that order) whose flags are set.
    ~CKTElementRenderer() override;
    CKTElementRenderer(const CKTElementRenderer&) = delete;
    CKTElementRenderer& operator=(const CKTElementRenderer&) = delete;

    int GetType() const { return m_nType; }
    virtual BOOL IsPulled() const { return FALSE; }
    CKTElement* GetElement() const { return m_pElement; }

    // 0 Draw, 3 OnPreStep, 1 OnStep, 4 OnPostStep; other ids are ignored.
    void OnEvent(int nEvent) override;

    // For events 0, 1, 3, 4 (others ignored): on registers at the tail of the book's list when not yet
    // registered; off unregisters when registered.
    void SetEventRegistration(int nEvent, BOOL bOn);
    BOOL IsRegistered(int nEvent) const;

    // A new renderer of the same class and parameters for a child element (owned by the caller);
    // NULL here.
    virtual CKTElementRenderer* Clone();
    virtual void Draw();
    virtual void OnPreStep();
    virtual void OnStep();
    virtual void OnPostStep();
    // Attach to an element (NULL: detach): register the events the style needs and hand each child a
    // clone (CKTElement::SetRenderer(Clone(), flag), deleting a refused clone). Nothing here.
    virtual void SetElement(CKTElement* pElement, BYTE bFlag);
    // Whether elements below this renderer's element may have renderers of their own. FALSE here.
    virtual BOOL AllowsChildRenderers();
    // The glyph's rectangle relative to its baseline origin, measured on pDC: the glyph's bounds.
    // (0, 0, 0, 0) here.
    virtual CRect GetExtent(CDC* pDC);
    virtual void SetChar(char c);
    virtual void SetColor(COLORREF cr);
    virtual void SetFont(LOGFONT lf);
    virtual void SetPointSize(int nPoints);

    // Type (int), element (reference; on load a CKTElement), the four flags (ints).
    void Serialize(CArchive& ar) override;
    // Element NULL and the four flags 0, without touching the book or the element.
    void ForgetLinks() override;

protected:
    int m_nType;
    CKTElement* m_pElement;  // not owned
    BYTE m_bOnDraw;
    BYTE m_bOnPreStep;
    BYTE m_bOnStep;
    BYTE m_bOnPostStep;

    // Gives each child of pElement a clone of this renderer (SetElement's step for words and
    // passages); a child that refuses its clone has it deleted.
    void GiveChildrenClones(CKTElement* pElement, BYTE bFlag);
    // SetElement of a renderer that draws and prepares each frame: NULL leaves the draw and pre-step
    // events (the element pointer stays); a glyph's renderer takes both events; words and passages
    // hand their children clones.
    void AttachDrawingEveryFrame(CKTElement* pElement, BYTE bFlag);

private:
    BYTE* FlagOf(int nEvent);
};
