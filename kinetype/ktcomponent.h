// CKTComponent: base of every object that receives book events (elements, behaviours and triggers,
// element renderers).
//
// A component gets its events through OnEvent (the book calls it for each event the component is
// registered for, see CKTBook::DispatchEvent) and reaches the book only through GetBook(), the
// process-wide current book. RegisterEvent / UnregisterEvent put the component into / take it out of
// the book's listener list of one event; each subclass that registers undoes its own registrations.
//
// Whatever its subclass did or forgot, a component's destruction also takes every entry it still has
// in the current book's listener lists, deletion queue and start and stop queues out of them, so those
// lists never hold a dangling pointer. (The book counts a component's entries, so this costs nothing
// for a component that has none.)
#pragma once

#include "platform/afx/afx.h"

class CKTBook;
class CKTComponent;
class CKTElement;
class CKTBehavior;

// Pointer lists used throughout the library (the class library's typed lists: nodes in blocks of 10,
// POSITION iteration, entries appended during a walk are visited). On load each requires its class.
typedef CTypedPtrList<CObList, CKTComponent*> CKTComponentList;
typedef CTypedPtrList<CObList, CKTElement*> CKTElementList;
typedef CTypedPtrList<CObList, CKTBehavior*> CKTBehaviorList;

// The objects a loaded scene owns (elements of the tree and of the deletion queue, their renderers and
// properties, the behaviours of the book's list, the book's properties), for CheckLoadedLinks.
class CKTOwnership {
public:
    virtual BOOL IsOwned(const CObject* p) const = 0;

protected:
    ~CKTOwnership() = default;
};

class CKTComponent : public CObject {
    DECLARE_SERIAL(CKTComponent)

public:
    CKTComponent();
    ~CKTComponent() override;

    // One book event (CKTBook's EV_ ids). Empty here.
    virtual void OnEvent(int nEvent);

    // The current book (g_pCurrentBook); asserts that there is one.
    static CKTBook* GetBook();

    // CKTBook::AddListener(this, nEvent, nPriority) on the current book: priority 1 puts this component
    // at the head of the event's list, any other value at the tail. FALSE for an invalid event id.
    BOOL RegisterEvent(int nEvent, int nPriority);
    // CKTBook::RemoveListener(this, nEvent): removes the first entry of this component. FALSE for an
    // invalid id or when there is none.
    BOOL UnregisterEvent(int nEvent);

    // Writes and reads nothing.
    void Serialize(CArchive& ar) override;

    // Freeing a graph that failed to load (or was rejected after loading): makes this object forget
    // every pointer to other objects of the archive without following it, so that its destructor then
    // touches nothing but what it owns by construction. Every subclass that holds pointers to other
    // stored objects (elements, behaviours, renderers, properties) overrides it, clears them (lists
    // emptied, pointers NULL, registration flags 0) and calls its base class's. Never used on a live
    // scene.
    virtual void ForgetLinks();

    // After a successful load, before the scene is used: TRUE when every pointer this object holds to
    // other stored objects names an object the scene owns and the links that must go both ways do, so
    // that running and destroying the scene never follows a dangling pointer. The book checks the tree,
    // renderers and properties itself; behaviours (and renderers with links of their own) check theirs
    // here. TRUE in the base. A FALSE makes the load fail (bad-index archive error).
    virtual BOOL CheckLoadedLinks(const CKTOwnership& owned) const;

private:
    friend class CKTBook;
    // Entries of this component in the current book's listener lists, deletion queue and start and
    // stop queues. Kept by the book alone; not stored.
    int m_nBookEntries = 0;
};
