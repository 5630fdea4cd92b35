// CKTElement: a node of the text tree under the book's root. CKTText (kind 1, the root) holds
// passages, CKTPassage (kind 2) words, CKTWord (kind 4) glyphs, CKTGlyph (kind 5) is one character.
//
// Every element has a position relative to its parent with a cached absolute position, cached bounds
// in its own coordinates, a font and a colour it hands down to its subtree, at most one renderer, the
// links to the behaviours attached to it, eleven property slots and the list of elements it overlaps
// (filled by the collision detector).
//
// Ownership and lifetimes:
// - An element owns its children (the whole sibling chain under m_pFirstChild), its renderer and the
//   property objects in its slots. The root belongs to the book. A detached element (no parent)
//   belongs to whoever detached it; a dead one (Die) to the book's deletion queue.
// - Behaviour links and collision entries are not owned. A behaviour detaches itself from its
//   elements (CKTBehavior::RemoveElement) and an element tells its behaviours when it dies or is
//   destroyed (CKTBehavior::OnElementDying), so neither side keeps a dangling pointer. Collision lists
//   are rebuilt by the detector every pre-step.
// - Elements are never deleted inside an event: Die queues them on the book, which deletes them after
//   the tick. An element being destroyed ignores Die.
//
// Caches (computed lazily):
// - Absolute position: parent's absolute position + relative position. MoveBy shifts both vectors of
//   the element and marks the absolute positions of its descendants stale.
// - Bounds: a glyph's bounds are its renderer's extent (measured on the book's current DC); other
//   elements' bounds enclose their children's rectangles (RecalcBounds). Invalidation climbs to the
//   parent while the parent's bounds are still valid.
// - Absolute bounds: the two above combined, kept until either of them is invalidated or the element
//   moves. A read of a valid cache does what recomputing it would do (both inputs are valid, so
//   nothing is recomputed), so results never depend on whether it was cached.
//
// Line flow: words and passages re-flow their line when a child is inserted or removed with bReflow
// (the following glyphs and words shift by the child's width, up to and including the first word that
// starts with a character-13 glyph, which ends the line). The work is local to the line.
#pragma once

#include <cstdint>
#include <vector>

#include "kinetype/ktbhvrprop.h"
#include "kinetype/ktcomponent.h"
#include "platform/afx/afx.h"
#include "platform/gdi/logfont.h"
#include "vector3d/vector3d.h"

class CKTBehavior;
class CKTElementRenderer;

// Element kinds (CKTElement::GetKind). Kind 0 only for an object created while loading, until its
// stored kind is read; kind 3 is not used.
constexpr int KIND_TEXT = 1;
constexpr int KIND_PASSAGE = 2;
constexpr int KIND_WORD = 4;
constexpr int KIND_GLYPH = 5;

// One behaviour attached to an element. The flag is always 1 (the behaviour base attaches with 1).
// Two links are the same when both members are equal.
struct CKTBehaviorLink {
    CKTBehavior* m_pBehavior;  // not owned
    DWORD m_dwFlag;

    bool operator==(const CKTBehaviorLink& o) const { return m_pBehavior == o.m_pBehavior && m_dwFlag == o.m_dwFlag; }
};

typedef CList<CKTBehaviorLink, const CKTBehaviorLink&> CKTBehaviorLinkList;

class CKTElement : public CKTComponent {
    DECLARE_SERIAL(CKTElement)

public:
    // Kind 0 (a bare element made by the loader).
    CKTElement();
    // Start values: bounds (0, 0, 0, 0) invalid, no renderer, black, a zeroed LOGFONT, no links,
    // position (0, 0, 0) with the absolute cache invalid, automatic layout on, 11 empty property slots.
    explicit CKTElement(int nKind);
    // Detaches from the parent (re-flowing a live parent), deletes the children, tells every attached
    // behaviour (OnElementDying) and the book's behaviours (NotifyElementGone), deletes the property
    // objects and the renderer.
    ~CKTElement() override;
    CKTElement(const CKTElement&) = delete;
    CKTElement& operator=(const CKTElement&) = delete;

    // ---- tree
    // Links pChild after pAfter (NULL: as first child). pChild must be detached (no parent, no
    // siblings), must not be this element or one of its ancestors, and pAfter must be NULL or a child
    // of this element; otherwise FALSE and nothing changes (the caller keeps pChild). On TRUE this
    // element owns pChild. The base ignores bReflow; words and passages flow their line.
    virtual BOOL AppendChild(CKTElement* pChild, BOOL bReflow);   // InsertChild(pChild, last child, ...)
    virtual BOOL PrependChild(CKTElement* pChild, BOOL bReflow);  // InsertChild(pChild, NULL, ...)
    virtual BOOL InsertChild(CKTElement* pChild, CKTElement* pAfter, BOOL bReflow);
    // Unlinks pChild (FALSE when NULL or not a child of this element). The caller owns it afterwards.
    virtual BOOL RemoveChild(CKTElement* pChild, BOOL bReflow);

    CKTElement* GetParent() const { return m_pParent; }
    CKTElement* GetFirstChild() const { return m_pFirstChild; }
    CKTElement* GetNextSibling() const { return m_pNextSibling; }
    CKTElement* GetPrevSibling() const { return m_pPrevSibling; }
    CKTElement* GetLastChild() const;         // NULL when childless
    int GetChildCount() const;
    CKTElement* GetChildAt(int i) const;      // the i-th child from 0, NULL out of range
    int GetKind() const { return m_nKind; }
    // From this element, up to the parent while the kind is above nKind and down to the first child
    // while it is below (unsigned comparison), until the kind equals nKind. NULL when the walk runs off
    // the tree, or when it would turn back (nKind 3 or another kind no element has).
    CKTElement* FindRelative(int nKind);
    // How many times, in the whole process, an element was linked under a parent or unlinked from it:
    // work that depends on who is whose parent can tell that nothing changed.
    static uint64_t GetTreeEditCount() { return s_nTreeEdits; }

    // Leaves the running scene: the parent's RemoveChild(this, bReflow); with bRemoveEmptyParents an
    // emptied parent other than the root dies too (first); each attached behaviour gets
    // OnElementDying(this) in link order; the book's behaviours get OnElementGone(this); the element is
    // queued on the book for deletion after the tick (it stays intact until then). Ignored while the
    // element is being destroyed and for the book's root (which the book owns). Without a current
    // book nothing is queued (the caller keeps the element).
    void Die(BOOL bReflow, BOOL bRemoveEmptyParents);
    BOOL IsBeingDestroyed() const { return m_bDestroying ? TRUE : FALSE; }

    // ---- geometry (pixels, y down, z 0)
    // Position and absolute cache move by delta; the parent's bounds and the children's absolute
    // positions become stale. The element's own bounds stay (they are relative to its position).
    void MoveBy(CKTVector delta);
    void MoveBy(CPoint delta) { MoveBy(CKTVector(delta.x, delta.y, 0.0)); }
    void MoveBy(int dx, int dy) { MoveBy(CKTVector(dx, dy, 0.0)); }
    CPoint GetPoint() const;                       // the relative position, truncated toward zero
    CKTVector GetRelativePosition() const { return m_vPosition; }
    CKTVector GetAbsolutePosition();               // recomputed first when stale
    CPoint GetAbsolutePoint();                     // truncated toward zero
    CRect GetBounds();                             // own coordinates; RecalcBounds first when stale
    int GetWidth();   // right - left (sums saturate: a file may hold any coordinates)
    int GetHeight();  // bottom - top
    // The bounds offset by the absolute point (client coordinates). Cached: a read is O(1) while the
    // bounds and the absolute position it was made from stay valid and unmoved.
    CRect GetAbsoluteBounds() { return m_bAbsBoundsValid ? m_rcAbsBounds : MakeAbsoluteBounds(); }
    CPoint GetCenter();                            // centre of the absolute bounds (integer division)
    CKTVector GetPositionVector();                 // that centre as (x, y, 0)
    // Clears this element's bounds flag and climbs to the parent while the parent's flag is set.
    void InvalidateBounds();
    // Clears the absolute-position flag of this element and of every descendant.
    void InvalidateAbsPosition();
    void UpdateAbsPosition();
    BOOL IsBoundsValid() const { return m_bBoundsValid ? TRUE : FALSE; }
    BOOL IsAbsPositionValid() const { return m_bAbsPositionValid ? TRUE : FALSE; }
    // Bounds from the children: a plain minimum and maximum over their rectangles (bounds offset by
    // their points), so an empty child rectangle still stretches the result; (0, 0, 0, 0) childless.
    virtual void RecalcBounds();

    // Re-flow after a font change: the children left to right (chained only when every child still
    // has automatic layout), then this element just right of pPrev (x only) when pPrev is given.
    void Layout(CKTElement* pPrev);
    void SetAutoLayout() { m_bAutoLayout = 1; }
    BOOL IsAutoLayout() const { return m_bAutoLayout ? TRUE : FALSE; }

    // ---- appearance
    // Stores the font (lfHeight in tenths of a point), clears this element's automatic layout, pushes
    // the font into the renderer, then into every child (whose automatic-layout flags are kept), lays
    // the children out (not for a glyph) and invalidates the bounds. Not while the book draws.
    virtual void SetFont(LOGFONT lf);
    LOGFONT GetFont() const { return m_logFont; }
    // lfHeight = nPoints * 10; like SetFont, but the children go before the own renderer, which gets
    // SetPointSize(nPoints) and then SetFont(the whole LOGFONT).
    virtual void SetFontSize(int nPoints);
    int GetFontSize() const { return m_logFont.lfHeight / 10; }
    // Stores the colour and pushes it into the renderer and, recursively, the children.
    void SetColor(COLORREF cr);
    COLORREF GetColor() const { return m_crColor; }

    // ---- renderer
    // Installs p as this element's renderer. Returns whether it took p:
    // - FALSE when an ancestor forbids child renderers (the parent's AllowsChildRenderers is FALSE):
    //   nothing changes and the caller still owns p (and frees it).
    // - TRUE otherwise: the old renderer is deleted (unless it is p itself), p is owned by this
    //   element, gets the font, point size, colour (a glyph: and character) and then SetElement(this,
    //   bFlag), which hands clones to the children; the bounds are invalidated. p = NULL removes the
    //   renderer.
    virtual BOOL SetRenderer(CKTElementRenderer* p, BOOL bFlag);
    CKTElementRenderer* GetRenderer() const { return m_pRenderer; }
    int GetRendererType() const;  // 0 without a renderer
    // TRUE without a parent; otherwise the parent's answer, AND this renderer's when there is one.
    BOOL AllowsChildRenderers() const;

    // ---- behaviour links (the behaviour base keeps them; nobody else should call the two below)
    // FALSE when the same link is there already; otherwise appended.
    BOOL AddBehavior(CKTBehavior* pBehavior, DWORD dwFlag);
    // Removes the first link with that behaviour (any flag); FALSE when there is none.
    BOOL RemoveBehavior(CKTBehavior* pBehavior);
    POSITION GetFirstBehaviorPosition() const { return m_behaviors.GetHeadPosition(); }
    CKTBehaviorLink GetNextBehavior(POSITION& pos) const { return m_behaviors.GetNext(pos); }
    INT_PTR GetBehaviorCount() const { return m_behaviors.GetCount(); }
    BOOL HasBehavior(const CKTBehavior* pBehavior) const;

    // ---- property slots (ids PROP_ 0 to 10; the element owns what they hold)
    // NULL when nId is outside the array. A slot read from a file may hold a property of another class
    // than its id is declared with: readers use the typed Cast functions and treat that as empty.
    CKTBhvrProp* GetProp(int nId) const {
        return nId >= 0 && nId < m_props.GetSize() ? static_cast<CKTBhvrProp*>(m_props.GetData()[nId]) : nullptr;
    }
    // Stores into slot nId without growing the array and without deleting the old value (the
    // behaviour base manages the slots); ids outside the array are ignored.
    void SetProp(int nId, CKTBhvrProp* pProp);
    int GetPropCount() const { return static_cast<int>(m_props.GetSize()); }
    // How many times, in the whole process, a property slot of any element was stored into or its
    // property deleted (SetProp, a load, destruction): work that keeps property pointers can tell that
    // every slot still holds what it found.
    static uint64_t GetSlotEditCount() { return s_nSlotEdits; }

    // ---- collisions (the collision detector rebuilds them every pre-step; not stored)
    // The list may name elements deleted since the last sweep, so nothing here reads its entries.
    // It is a plain array walked with list-style positions (index + 1; NULL past the end): clearing
    // keeps its capacity, so a sweep refills it without allocating.
    void ClearCollisions() { m_collisions.clear(); }
    void AddCollision(CKTElement* pOther) { m_collisions.push_back(pOther); }
    BOOL IsColliding() const { return m_collisions.empty() ? FALSE : TRUE; }
    POSITION GetFirstCollisionPosition() const {
        return m_collisions.empty() ? nullptr : reinterpret_cast<POSITION>(static_cast<uintptr_t>(1));
    }
    CKTElement* GetNextCollision(POSITION& pos) const {
        const size_t i = static_cast<size_t>(reinterpret_cast<uintptr_t>(pos)) - 1;
        if (!pos || i >= m_collisions.size()) {
            pos = nullptr;
            return nullptr;
        }
        pos = i + 1 < m_collisions.size() ? reinterpret_cast<POSITION>(static_cast<uintptr_t>(i + 2)) : nullptr;
        return m_collisions[i];
    }

    // Working mark of the collision detector's passes (which elements a pass has reached); not stored.
    unsigned m_nDetectorMark = 0;

    // ---- stored form: parent, first child, previous and next sibling, bounds, bounds flag, kind,
    // position, absolute position and flag, colour, the LOGFONT (five LONGs, eight bytes, the face
    // name's length and bytes), automatic layout, renderer, behaviour links, property slots. On load a
    // renderer gets the font and then the colour right after it is read (a renderer that measures
    // makes the stored bounds stale); the property array is grown to 11 slots; a face name longer
    // than 31 characters keeps its first 31.
    void Serialize(CArchive& ar) override;
    // Frees a graph that failed to load: forgets every pointer (tree links, renderer, behaviour links,
    // collisions, property slots) without following or deleting anything.
    void ForgetLinks() override;

protected:
    // The first step of destruction, while the most-derived class is still alive (so a re-flowing
    // parent measures this element with its real bounds): marks the element as being destroyed and
    // detaches it from its parent (a parent being destroyed itself only unlinks). Each concrete
    // element's destructor calls it first; ~CKTElement calls it too (then it does nothing).
    void BeginDestruction();
    // Base unlink used by the overrides: the links, the child's subtree absolute positions and this
    // element's bounds. pChild must be a child.
    void UnlinkChild(CKTElement* pChild);
    // Renderer installation shared with CKTGlyph::SetRenderer: pChar non-NULL pushes the character
    // between the colour and the element.
    BOOL InstallRenderer(CKTElementRenderer* p, BOOL bFlag, const char* pChar);
    // Moves each element from pFirst along the sibling chain by (dx, 0), up to and including the first
    // word whose first child is a character-13 glyph (bStopAtBreak), or to the end.
    static void ShiftSiblings(CKTElement* pFirst, double dx, BOOL bStopAtBreak);
    // TRUE when pWord's first child is a glyph holding character 13.
    static BOOL StartsWithBreak(const CKTElement* pWord);
    // The bounds rule shared by RecalcBounds overrides: the plain minimum and maximum over the
    // children's rectangles; with bGraphicWordsOnly only the first child and the children whose first
    // child is a glyph with a graphic character (33 to 126) take part. Marks the bounds valid.
    void BoundChildren(BOOL bGraphicWordsOnly);

    // The fields a physics step reads and writes for every element come first, together in the first
    // cache lines (the step walks thousands of elements that lie far apart in memory); the rest after.
    //
    // m_rcAbsBounds is GetAbsoluteBounds' cache (not stored). Valid only while m_bBoundsValid and m_bAbsPositionValid
    // are set and neither m_rcBounds nor m_vAbsPosition changed since: every place that clears those
    // flags or changes those fields clears it too.
    CRect m_rcAbsBounds;
    BYTE m_bBoundsValid;
    BYTE m_bAbsPositionValid;
    BYTE m_bAbsBoundsValid = 0;
    BYTE m_bAutoLayout;
    int m_nKind;
    std::vector<CKTElement*> m_collisions;
    CKTElement* m_pParent;
    CKTElement* m_pFirstChild;
    CKTVector m_vPosition;
    CKTVector m_vAbsPosition;
    CRect m_rcBounds;
    CTypedPtrArray<CObArray, CKTBhvrProp*> m_props;
    CKTElement* m_pNextSibling;
    CKTElement* m_pPrevSibling;
    CKTElementRenderer* m_pRenderer;
    COLORREF m_crColor;
    LOGFONT m_logFont;
    CKTBehaviorLinkList m_behaviors;

private:
    static uint64_t s_nTreeEdits;
    static uint64_t s_nSlotEdits;
    // Snapshot walk of the behaviour links: OnElementDying(this) to each behaviour still linked.
    void TellBehaviorsDying();
    // GetAbsoluteBounds when the cache is not valid: computes, and keeps the result when both inputs
    // are valid.
    CRect MakeAbsoluteBounds();

    BYTE m_bDestroying = 0;  // not stored
};
