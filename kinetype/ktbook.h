// CKTBook: the scene. It owns the element tree under one root, every behaviour of the scene, nine
// listener lists (one per book event), a deletion queue, a start queue and a stop queue for behaviours,
// three scene-wide property slots, the clock, the mouse and button state, the background settings and
// the memory device context renderers measure on.
//
// One book is current at a time: the constructor makes the new book current (g_pCurrentBook) and the
// destructor clears g_pCurrentBook when it still names this book. Whoever replaces a book deletes the
// old one before constructing the new one. Components reach the book through CKTComponent::GetBook().
// (While a book is destroyed it is the current book, so the components it deletes withdraw from it
// even if another book was made current meanwhile; the other book is current again afterwards.)
//
// Ownership: the book owns the root (and through it every element with its renderer and properties),
// every behaviour of its behaviour list (a behaviour listed twice is still deleted once), every
// component still in the deletion queue when it is destroyed, the book property objects and the memory
// DC. The listener lists and the start and stop queues hold pointers they do not own. The window is
// not owned.
//
// Listener walks (DispatchEvent): a listener may remove itself or any other entry during a walk, and
// components may be destroyed during one (a renderer replaced from inside an event): a removed entry
// is only marked and skipped, and the marks are compacted away when the outermost walk of that list
// ends. Entries appended at the tail during a walk are reached by that walk. Marked entries are
// invisible to RemoveListener's search, to the listener iteration below and to the stored form.
//
// Destruction, in order: the root (the whole tree; elements tell their behaviours as they go); the
// memory DC; the deletion queue as in a step (with the element callback); DeleteAllBehaviors; every
// remaining book property object; the lists.
#pragma once

#include <cstddef>
#include <vector>

#include "kinetype/ktcomponent.h"
#include "kinetype/ktglobals.h"
#include "platform/afx/afx.h"

class CDC;
class CKTBhvrProp;
class CKTText;
class CKTWindow;

// Book events: the index of a listener list.
constexpr int EV_DRAW = 0;          // CKTBook::Draw, on every paint, running or not
constexpr int EV_STEP = 1;          // CKTBook::Step, second event of a tick
constexpr int EV_MOUSEMOVE = 2;     // CKTBook::OnMouseMove, only while running
constexpr int EV_PRESTEP = 3;       // CKTBook::Step, first event of a tick
constexpr int EV_POSTSTEP = 4;      // CKTBook::Step, last event of a tick
constexpr int EV_LBUTTONDOWN = 5;   // only while running
constexpr int EV_LBUTTONUP = 6;
constexpr int EV_RBUTTONDOWN = 7;
constexpr int EV_RBUTTONUP = 8;
constexpr int EV_COUNT = 9;

// Book property ids (slots of the book's property array).
constexpr int BOOKPROP_SYNSHIFT = 0;             // Bool: the lexical database is initialised
constexpr int BOOKPROP_INTEGRATOR = 1;           // BhvrPtr: the shared CKTEulerBhvr
constexpr int BOOKPROP_COLLISION_DETECTOR = 2;   // BhvrPtr: the shared collision detector
constexpr int BOOKPROP_COUNT = 3;

// The element-deleted callback: called with each element the deletion queue deletes, just before.
typedef void (*KTELEMENTDELETEDPROC)(CKTElement* pElement);

class CKTBook : public CObject {
    // The book is stored by CKTBook::Serialize directly (never as an object reference), so it has a
    // run-time class but no creation from a file: a document cannot make a second book.
    DECLARE_DYNAMIC(CKTBook)

public:
    // Empty lists, three empty property slots, stopped, clock 0, white background; makes itself
    // current; creates the root CKTText unless g_bLoading is set (Serialize then reads it).
    CKTBook();
    ~CKTBook() override;
    CKTBook(const CKTBook&) = delete;
    CKTBook& operator=(const CKTBook&) = delete;

    // ---- window and device contexts
    // Remembers the window (not owned) and makes a new memory DC compatible with the window's DC (the
    // old one is deleted). When no draw runs, renderers measure on that memory DC. NULL forgets the
    // window (GetClientRect gives the empty rectangle) and keeps the memory DC; a view going away
    // before its book calls SetWindow(NULL).
    void SetWindow(CKTWindow* pWnd);
    CKTWindow* GetWindow() const { return m_pWnd; }
    void SetElementDeletedCallback(KTELEMENTDELETEDPROC pfn) { m_pfnElementDeleted = pfn; }
    // The window's client rectangle, asked of the window on every call; (0, 0, 0, 0) without a window.
    CRect GetClientRect() const;
    // The view calls it on a resize (nothing is cached here).
    void OnSize() {}
    // The DC renderers draw and measure on: the paint DC while a draw runs, otherwise the memory DC
    // (NULL before SetWindow and the first draw).
    CDC* GetCurrentDC() const { return m_pDC; }
    // TRUE while Draw dispatches event 0 (elements refuse font changes then).
    BOOL IsDrawing() const { return m_bDrawing ? TRUE : FALSE; }

    // ---- events and listeners
    static BOOL IsValidEvent(int nEvent) { return static_cast<unsigned>(nEvent) < static_cast<unsigned>(EV_COUNT); }
    // FALSE for an invalid event id or a NULL component. Priority 1: at the head of the event's list;
    // any other: at the tail. No duplicate check (a component added twice is called twice).
    BOOL AddListener(CKTComponent* p, int nEvent, int nPriority);
    // Removes the first entry of p (from the head); FALSE for an invalid id or when p has none.
    BOOL RemoveListener(CKTComponent* p, int nEvent);
    // Calls OnEvent(nEvent) of every entry of the event's list, head to tail (see the top of the file);
    // nothing for an invalid id.
    void DispatchEvent(int nEvent);
    // The live entries of an event's list, in dispatch order (marked entries skipped). An invalid id
    // gives an empty walk.
    POSITION GetFirstListenerPosition(int nEvent) const;
    CKTComponent* GetNextListener(int nEvent, POSITION& pos) const;
    INT_PTR GetListenerCount(int nEvent) const;

    // ---- ticks and drawing
    // One tick, only when the run state is exactly 1: clock + 0.01; events 3, 1, 4; DeleteMoribund;
    // ProcessStartStopQueues; then every behaviour left without elements gives back its list's room
    // (CKTBehavior::ReleaseIdleRoom; no walk is under way then). Stopped, it does nothing at all.
    void Step();
    // Paints: event 0 to its listeners with GetCurrentDC() = pDC, whether or not the book runs.
    // Creates the memory DC (compatible with pDC) when there is none.
    void Draw(CDC* pDC);
    // While the deletion queue is not empty: take its head, call the element callback when it is an
    // element, delete it. The callback goes for the queued element only, not its descendants.
    void DeleteMoribund();
    // Start queue emptied from the tail (StartListening each), then the stop queue from the tail
    // (StopListening each): a behaviour queued for both in one tick ends stopped.
    void ProcessStartStopQueues();

    void SetRunState(int nState) { m_nRunState = nState; }
    int GetRunState() const { return m_nRunState; }
    double GetClock() const { return m_dClock; }

    // ---- mouse: the points and flags change whether or not the book runs; the events go out only
    // while it runs (2; 5 to 8). The button handlers ignore their point.
    void OnMouseMove(CPoint pt);
    void OnLButtonDown(CPoint pt);
    void OnLButtonUp(CPoint pt);
    void OnRButtonDown(CPoint pt);
    void OnRButtonUp(CPoint pt);
    CPoint GetMousePoint() const { return m_ptMouse; }
    CPoint GetLastMousePoint() const { return m_ptLastMouse; }
    BOOL IsLeftButtonDown() const { return m_bLButtonDown ? TRUE : FALSE; }
    BOOL IsRightButtonDown() const { return m_bRButtonDown ? TRUE : FALSE; }

    // ---- behaviours and queues
    // Appends (no duplicate check); TRUE. The book owns the behaviour from now on.
    BOOL AddBehavior(CKTBehavior* pBhvr);
    // Removes the first entry; FALSE when absent. Does not delete it: the caller owns it again.
    BOOL RemoveBehavior(CKTBehavior* pBhvr);
    // Removes the head of the behaviour list and deletes it, until the list is empty.
    void DeleteAllBehaviors();
    POSITION GetFirstBehaviorPosition() const { return m_behaviors.GetHeadPosition(); }
    CKTBehavior* GetNextBehavior(POSITION& pos) const;
    INT_PTR GetBehaviorCount() const { return m_behaviors.GetCount(); }
    // Append to the start or stop queue (applied after the tick); TRUE; no duplicate check.
    BOOL QueueStart(CKTBehavior* pBhvr);
    BOOL QueueStop(CKTBehavior* pBhvr);
    // Queues a component for deletion after the tick; FALSE when it is queued already (or NULL). The
    // book owns it from now on.
    BOOL AddMoribund(CKTComponent* p);
    BOOL IsMoribund(const CKTComponent* p) const;
    const CKTComponentList& GetMoribundList() const { return m_moribund; }
    const CKTBehaviorList& GetStartQueue() const { return m_startQueue; }
    const CKTBehaviorList& GetStopQueue() const { return m_stopQueue; }

    // Attaches pBhvr to the selection's glyphs and, by the levels mask (1 glyphs, 2 words, 4 passages)
    // AND the behaviour's mask, to their words and passages, each element offered once, in the order
    // glyph, its word, its passage for each glyph. TRUE when the behaviour covered every requested
    // level (the effective mask equals nLevels).
    BOOL ApplyBehaviorToSelection(CKTBehavior* pBhvr, const CKTElementList& selection, int nLevels);

    // Sends CKTBehavior::OnElementGone(pElement) to every behaviour of the list, in order. Elements
    // call it when they die and when they are destroyed.
    void NotifyElementGone(CKTElement* pElement);

    // ---- book properties
    // The slot's property; NULL for an id outside the array (3 slots).
    CKTBhvrProp* GetBookProp(int nId) const;
    // Stores into slot nId (0 to 2) without growing the array; other ids are ignored. The book owns
    // the property from now on; the old one is not deleted (the behaviour base manages the slots).
    void SetBookProp(int nId, CKTBhvrProp* pProp);

    // ---- background
    COLORREF GetBackgroundColor() const { return m_crBackground; }
    void SetBackgroundColor(COLORREF cr) { m_crBackground = cr; }
    // The file name (no directory) of the background image; empty for none.
    const CString& GetBackgroundImage() const { return m_strBackgroundImage; }
    void SetBackgroundImage(const CString& strName) { m_strBackgroundImage = strName; }
    // 0 upper left, 1 upper right, 2 lower left, 3 lower right, 4 centred, 5 stretched, 6 tiled.
    int GetBackgroundImageLayout() const { return m_nBackgroundImageLayout; }
    void SetBackgroundImageLayout(int nLayout) { m_nBackgroundImageLayout = nLayout; }

    CKTText* GetRoot() const { return m_pRoot; }

    // ---- stored form (written by the document right after its version string; no class record):
    // run state, clock, root (a CKTText), background colour, image name and layout (read only when
    // g_fFileVersion >= 0.969f), behaviours, deletion queue, start queue, stop queue, property array,
    // listener lists (9, or 5 when g_fFileVersion < 0.8f). A store always writes the current form
    // (image fields and 9 lists). After reading only 5 lists, every running behaviour of the behaviour
    // list, in that order, registers the entries of its event table for events 5 to 8 as a start
    // would (CKTBehavior::RegisterUnstoredEvents); the 5 lists read stay as stored.
    //
    // Loading expects a book without content (as constructed while g_bLoading is set). A NULL root is
    // a bad-index archive error; the property array is grown to 3 slots. After reading, the graph is
    // checked (one tree under the root, detached trees in the deletion queue, every renderer, property
    // and behaviour owned once and linked back consistently); a graph that fails is a bad-index error.
    // On any error the objects the load created are freed, each once and without following their
    // links, the book is left empty as before the load (no root), and the exception is rethrown.
    void Serialize(CArchive& ar) override;

    // The name of a document a load-file behaviour asks the view to open; the view's timer opens it
    // and empties it. Not stored.
    CString m_strPendingLoad;

private:
    friend class CKTComponent;
    friend class CKTBehavior;
    class CLoadCheck;

    // Takes every entry of p out of the listener lists and queues (a component being destroyed).
    void ForgetComponent(CKTComponent* p);
    // Takes every entry of p out of the behaviour list and sets book properties pointing to it to NULL.
    void ForgetBehavior(CKTBehavior* p);
    // Removes (or, during a walk of that list, marks) the listener entry at pos.
    void RemoveListenerAt(int nEvent, POSITION pos);
    void CompactListeners(int nEvent);
    // Adds nDelta to the entry count of every listed component (0: sets the counts to 0).
    void CountEntries(int nDelta);
    // Deletes the root, the deletion queue, the behaviours and the book properties (the destructor's
    // order; the memory DC too when bDeleteDC) and empties every list.
    void DeleteContent(BOOL bDeleteDC);
    // A load failed: frees the objects the archive created from index nFirst on, each once and without
    // following links, and leaves the book empty.
    void FreeLoaded(CArchive& ar, size_t nFirst);
    BOOL CheckLoadedGraph(const std::vector<CObject*>& loaded, size_t nFirst) const;

    int m_nRunState = 0;
    double m_dClock = 0.0;
    CDC* m_pDC = nullptr;       // not owned
    CDC* m_pMemDC = nullptr;    // owned
    CKTWindow* m_pWnd = nullptr;
    COLORREF m_crBackground = 0xFFFFFF;
    KTELEMENTDELETEDPROC m_pfnElementDeleted = nullptr;
    CPoint m_ptMouse;
    CPoint m_ptLastMouse;
    BYTE m_bLButtonDown = 0;
    BYTE m_bRButtonDown = 0;
    CKTText* m_pRoot = nullptr;
    CKTBehaviorList m_behaviors;
    CKTComponentList m_moribund;
    CKTBehaviorList m_startQueue;
    CKTBehaviorList m_stopQueue;
    CTypedPtrArray<CObArray, CKTBhvrProp*> m_bookProps;
    CKTComponentList m_listeners[EV_COUNT];
    CString m_strBackgroundImage;
    int m_nBackgroundImageLayout = 0;
    BYTE m_bDrawing = 0;

    // Listener walks in progress per event, and whether a list holds marked (NULL) entries.
    int m_nWalkDepth[EV_COUNT] = {};
    bool m_bMarked[EV_COUNT] = {};
};
