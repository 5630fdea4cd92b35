#include "kinetype/ktbook.h"

#include <unordered_set>
#include <vector>

#include "kinetype/ktbehavior.h"
#include "kinetype/ktbhvrprop.h"
#include "kinetype/ktbhvrptrbhvrprop.h"
#include "kinetype/ktelement.h"
#include "kinetype/ktelementrenderer.h"
#include "kinetype/ktglyph.h"
#include "kinetype/ktpassage.h"
#include "kinetype/ktpixelbatch.h"
#include "kinetype/kttext.h"
#include "kinetype/ktwindow.h"
#include "kinetype/ktword.h"
#include "platform/gdi/dc.h"

IMPLEMENT_DYNAMIC(CKTBook, CObject)

namespace {

// Object lists of the stored form. NULL entries are neither written nor kept when read (a NULL in a
// listener list is a removed entry; the other lists never hold one).
void SerializeList(CArchive& ar, CObList& list, const CRuntimeClass* pClass) {
    if (ar.IsStoring()) {
        DWORD n = 0;
        for (POSITION pos = list.GetHeadPosition(); pos;)
            if (list.GetNext(pos)) n++;
        ar.WriteCount(n);
        for (POSITION pos = list.GetHeadPosition(); pos;)
            if (CObject* p = list.GetNext(pos)) ar.WriteObject(p);
    } else {
        DWORD n = ar.ReadCount();
        ar.RequireBytes(static_cast<ULONGLONG>(n) * 2);  // a reference takes at least its tag
        for (DWORD i = 0; i < n; i++)
            if (CObject* p = ar.ReadObject(pClass)) list.AddTail(p);
    }
}

// Removes every entry equal to p; the number removed.
int RemoveAll(CObList& list, const CObject* p) {
    int n = 0;
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        POSITION cur = pos;
        if (list.GetNext(pos) == p) {
            list.RemoveAt(cur);
            n++;
        }
    }
    return n;
}

}  // namespace

CKTBook::CKTBook() {
    m_bookProps.SetSize(BOOKPROP_COUNT);
    g_pCurrentBook = this;
    if (!g_bLoading) m_pRoot = new CKTText;
}

CKTBook::~CKTBook() {
    // Whatever book is current, the components this book deletes reach this one while it goes.
    CKTBook* pCurrent = g_pCurrentBook;
    g_pCurrentBook = this;
    DeleteContent(TRUE);
    g_pCurrentBook = pCurrent == this ? nullptr : pCurrent;
}

void CKTBook::DeleteContent(BOOL bDeleteDC) {
    CKTText* pRoot = m_pRoot;
    m_pRoot = nullptr;
    delete pRoot;
    if (bDeleteDC) {
        if (m_pDC == m_pMemDC) m_pDC = nullptr;
        delete m_pMemDC;
        m_pMemDC = nullptr;
    }
    DeleteMoribund();
    DeleteAllBehaviors();
    for (INT_PTR i = 0; i < m_bookProps.GetSize(); i++) {
        CKTBhvrProp* pProp = m_bookProps[i];
        m_bookProps[i] = nullptr;
        delete pProp;
    }
    m_bookProps.SetSize(BOOKPROP_COUNT);
    // What is left in the lists is not the book's (a behaviour started but never added to the book):
    // it is no longer listed anywhere.
    CountEntries(0);
    for (CKTComponentList& list : m_listeners) list.RemoveAll();
    m_startQueue.RemoveAll();
    m_stopQueue.RemoveAll();
    m_moribund.RemoveAll();
}

// ---- window and device contexts ---------------------------------------------------------------

void CKTBook::SetWindow(CKTWindow* pWnd) {
    m_pWnd = pWnd;
    if (!pWnd) return;  // no window: the memory DC stays for measuring
    BOOL bWasMemDC = m_pDC == m_pMemDC;
    delete m_pMemDC;
    CDC* pWndDC = pWnd->GetDC();
    m_pMemDC = new CDC;
    m_pMemDC->CreateCompatibleDC(pWndDC);
    pWnd->ReleaseDC(pWndDC);
    if (!m_pDC || bWasMemDC) m_pDC = m_pMemDC;
}

CRect CKTBook::GetClientRect() const {
    CRect rc;
    if (m_pWnd) m_pWnd->GetClientRect(&rc);
    return rc;
}

// ---- listeners --------------------------------------------------------------------------------

BOOL CKTBook::AddListener(CKTComponent* p, int nEvent, int nPriority) {
    if (!IsValidEvent(nEvent) || !p) return FALSE;
    if (nPriority == 1)
        m_listeners[nEvent].AddHead(p);
    else
        m_listeners[nEvent].AddTail(p);
    p->m_nBookEntries++;
    return TRUE;
}

BOOL CKTBook::RemoveListener(CKTComponent* p, int nEvent) {
    if (!IsValidEvent(nEvent) || !p) return FALSE;
    CKTComponentList& list = m_listeners[nEvent];
    POSITION pos = list.Find(p);  // marks are NULL: never found
    if (!pos) return FALSE;
    RemoveListenerAt(nEvent, pos);
    return TRUE;
}

void CKTBook::RemoveListenerAt(int nEvent, POSITION pos) {
    CKTComponentList& list = m_listeners[nEvent];
    CKTComponent* p = list.GetAt(pos);
    if (p) p->m_nBookEntries--;
    if (m_nWalkDepth[nEvent] > 0) {
        // A walk may hold this position: mark the entry, compact when the outermost walk ends.
        list.SetAt(pos, nullptr);
        m_bMarked[nEvent] = true;
    } else {
        list.RemoveAt(pos);
    }
}

void CKTBook::CompactListeners(int nEvent) {
    CKTComponentList& list = m_listeners[nEvent];
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        POSITION cur = pos;
        if (!list.GetNext(pos)) list.RemoveAt(cur);
    }
    m_bMarked[nEvent] = false;
}

void CKTBook::DispatchEvent(int nEvent) {
    if (!IsValidEvent(nEvent)) return;
    struct WalkGuard {
        CKTBook* pBook;
        int nEvent;
        ~WalkGuard() {
            if (--pBook->m_nWalkDepth[nEvent] == 0 && pBook->m_bMarked[nEvent]) pBook->CompactListeners(nEvent);
        }
    };
    m_nWalkDepth[nEvent]++;
    WalkGuard guard{this, nEvent};
    CKTComponentList& list = m_listeners[nEvent];
    // The next position is taken before the call. No node is unlinked while a walk runs (removals
    // only mark), so every position stays valid; entries added at the tail are reached.
    for (POSITION pos = list.GetHeadPosition(); pos;) {
        CKTComponent* p = list.GetNext(pos);
        if (p) p->OnEvent(nEvent);
    }
    // The pixel work the renderers queued at their turns runs now, before the step or a draw can see
    // a mask (ktpixelbatch.h).
    if (nEvent == EV_PRESTEP) KTFinishPixels();
}

POSITION CKTBook::GetFirstListenerPosition(int nEvent) const {
    if (!IsValidEvent(nEvent)) return nullptr;
    const CKTComponentList& list = m_listeners[nEvent];
    POSITION pos = list.GetHeadPosition();
    while (pos && !list.GetAt(pos)) list.GetNext(pos);
    return pos;
}

CKTComponent* CKTBook::GetNextListener(int nEvent, POSITION& pos) const {
    if (!IsValidEvent(nEvent) || !pos) {
        pos = nullptr;
        return nullptr;
    }
    const CKTComponentList& list = m_listeners[nEvent];
    CKTComponent* p = list.GetNext(pos);
    while (pos && !list.GetAt(pos)) list.GetNext(pos);
    return p;
}

INT_PTR CKTBook::GetListenerCount(int nEvent) const {
    if (!IsValidEvent(nEvent)) return 0;
    const CKTComponentList& list = m_listeners[nEvent];
    if (!m_bMarked[nEvent]) return list.GetCount();
    INT_PTR n = 0;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        if (list.GetNext(pos)) n++;
    return n;
}

void CKTBook::ForgetComponent(CKTComponent* p) {
    for (int e = 0; e < EV_COUNT && p->m_nBookEntries > 0; e++) {
        CKTComponentList& list = m_listeners[e];
        for (POSITION pos = list.GetHeadPosition(); pos;) {
            POSITION cur = pos;
            if (list.GetNext(pos) == p) RemoveListenerAt(e, cur);
        }
    }
    RemoveAll(m_moribund, p);
    RemoveAll(m_startQueue, p);
    RemoveAll(m_stopQueue, p);
    p->m_nBookEntries = 0;
}

void CKTBook::ForgetBehavior(CKTBehavior* p) {
    RemoveAll(m_behaviors, p);
    for (INT_PTR i = 0; i < m_bookProps.GetSize(); i++) {
        CKTBhvrPtrBhvrProp* pProp = CKTBhvrPtrBhvrProp::Cast(m_bookProps[i]);
        if (pProp && pProp->GetValue() == p) pProp->SetValue(nullptr);
    }
}

void CKTBook::CountEntries(int nDelta) {
    auto count = [nDelta](CObList& list) {
        for (POSITION pos = list.GetHeadPosition(); pos;) {
            CKTComponent* p = static_cast<CKTComponent*>(list.GetNext(pos));
            if (!p) continue;
            if (nDelta == 0)
                p->m_nBookEntries = 0;
            else
                p->m_nBookEntries += nDelta;
        }
    };
    for (CKTComponentList& list : m_listeners) count(list);
    count(m_moribund);
    count(m_startQueue);
    count(m_stopQueue);
}

// ---- ticks and drawing ------------------------------------------------------------------------

void CKTBook::Step() {
    if (m_nRunState != 1) return;
    m_dClock += 0.01;
    DispatchEvent(EV_PRESTEP);
    DispatchEvent(EV_STEP);
    DispatchEvent(EV_POSTSTEP);
    DeleteMoribund();
    ProcessStartStopQueues();
    for (POSITION pos = m_behaviors.GetHeadPosition(); pos;)
        if (CKTBehavior* p = m_behaviors.GetNext(pos)) p->ReleaseIdleRoom();
}

void CKTBook::DeleteMoribund() {
    while (!m_moribund.IsEmpty()) {
        CKTComponent* p = m_moribund.RemoveHead();
        if (!p) continue;
        p->m_nBookEntries--;
        if (m_pfnElementDeleted && p->IsKindOf(RUNTIME_CLASS(CKTElement))) m_pfnElementDeleted(static_cast<CKTElement*>(p));
        delete p;
    }
}

void CKTBook::ProcessStartStopQueues() {
    while (!m_startQueue.IsEmpty()) {
        CKTBehavior* p = m_startQueue.RemoveTail();
        if (!p) continue;
        p->m_nBookEntries--;
        p->StartListening();
    }
    while (!m_stopQueue.IsEmpty()) {
        CKTBehavior* p = m_stopQueue.RemoveTail();
        if (!p) continue;
        p->m_nBookEntries--;
        p->StopListening();
    }
}

void CKTBook::Draw(CDC* pDC) {
    m_bDrawing = 1;
    if (!m_pMemDC) {
        m_pMemDC = new CDC;
        m_pMemDC->CreateCompatibleDC(pDC);
    }
    m_pDC = pDC;
    DispatchEvent(EV_DRAW);
    m_pDC = m_pMemDC;
    m_bDrawing = 0;
}

// ---- mouse ------------------------------------------------------------------------------------

void CKTBook::OnMouseMove(CPoint pt) {
    m_ptLastMouse = m_ptMouse;
    m_ptMouse = pt;
    if (m_nRunState == 1) DispatchEvent(EV_MOUSEMOVE);
}

void CKTBook::OnLButtonDown(CPoint) {
    m_bLButtonDown = 1;
    if (m_nRunState == 1) DispatchEvent(EV_LBUTTONDOWN);
}

void CKTBook::OnLButtonUp(CPoint) {
    m_bLButtonDown = 0;
    if (m_nRunState == 1) DispatchEvent(EV_LBUTTONUP);
}

void CKTBook::OnRButtonDown(CPoint) {
    m_bRButtonDown = 1;
    if (m_nRunState == 1) DispatchEvent(EV_RBUTTONDOWN);
}

void CKTBook::OnRButtonUp(CPoint) {
    m_bRButtonDown = 0;
    if (m_nRunState == 1) DispatchEvent(EV_RBUTTONUP);
}

// ---- behaviours and queues --------------------------------------------------------------------

BOOL CKTBook::AddBehavior(CKTBehavior* pBhvr) {
    if (!pBhvr) return FALSE;
    m_behaviors.AddTail(pBhvr);
    return TRUE;
}

BOOL CKTBook::RemoveBehavior(CKTBehavior* pBhvr) {
    POSITION pos = pBhvr ? m_behaviors.Find(pBhvr) : nullptr;
    if (!pos) return FALSE;
    m_behaviors.RemoveAt(pos);
    return TRUE;
}

void CKTBook::DeleteAllBehaviors() {
    // A behaviour's destruction takes its other entries out of the list, so one listed twice is
    // deleted once.
    while (!m_behaviors.IsEmpty()) delete m_behaviors.RemoveHead();
}

CKTBehavior* CKTBook::GetNextBehavior(POSITION& pos) const { return m_behaviors.GetNext(pos); }

BOOL CKTBook::QueueStart(CKTBehavior* pBhvr) {
    if (!pBhvr) return FALSE;
    m_startQueue.AddTail(pBhvr);
    pBhvr->m_nBookEntries++;
    return TRUE;
}

BOOL CKTBook::QueueStop(CKTBehavior* pBhvr) {
    if (!pBhvr) return FALSE;
    m_stopQueue.AddTail(pBhvr);
    pBhvr->m_nBookEntries++;
    return TRUE;
}

BOOL CKTBook::AddMoribund(CKTComponent* p) {
    if (!p || IsMoribund(p)) return FALSE;
    m_moribund.AddTail(p);
    p->m_nBookEntries++;
    return TRUE;
}

BOOL CKTBook::IsMoribund(const CKTComponent* p) const {
    return p && p->m_nBookEntries > 0 && m_moribund.Find(const_cast<CKTComponent*>(p)) ? TRUE : FALSE;
}

BOOL CKTBook::ApplyBehaviorToSelection(CKTBehavior* pBhvr, const CKTElementList& selection, int nLevels) {
    if (!pBhvr) return FALSE;
    // 1. The selection as glyphs, in order (a glyph may come more than once).
    std::vector<CKTElement*> glyphs;
    for (POSITION pos = selection.GetHeadPosition(); pos;) {
        CKTElement* pElement = selection.GetNext(pos);
        if (!pElement) continue;
        switch (pElement->GetKind()) {
        case 2:
            for (CKTElement* pWord = pElement->GetFirstChild(); pWord; pWord = pWord->GetNextSibling())
                for (CKTElement* pGlyph = pWord->GetFirstChild(); pGlyph; pGlyph = pGlyph->GetNextSibling())
                    glyphs.push_back(pGlyph);
            break;
        case 4:
            for (CKTElement* pGlyph = pElement->GetFirstChild(); pGlyph; pGlyph = pGlyph->GetNextSibling())
                glyphs.push_back(pGlyph);
            break;
        case 5:
            glyphs.push_back(pElement);
            break;
        default:
            break;
        }
    }
    // 2. The levels the behaviour takes.
    int nMask = nLevels & pBhvr->GetAppliesTo();
    if (nMask == 0) return nMask == nLevels;
    // 3. Each element offered once, whatever the add answered.
    std::unordered_set<CKTElement*> offered;
    for (CKTElement* pGlyph : glyphs) {
        if ((nMask & APPLIES_TO_GLYPH) && offered.insert(pGlyph).second) pBhvr->AddElement(pGlyph);
        CKTElement* pWord = pGlyph->GetParent();
        if ((nMask & APPLIES_TO_WORD) && pWord && offered.insert(pWord).second) pBhvr->AddElement(pWord);
        if ((nMask & APPLIES_TO_PASSAGE) && pWord) {
            CKTElement* pPassage = pWord->GetParent();
            if (pPassage && offered.insert(pPassage).second) pBhvr->AddElement(pPassage);
        }
    }
    return nMask == nLevels;
}

void CKTBook::NotifyElementGone(CKTElement* pElement) {
    for (POSITION pos = m_behaviors.GetHeadPosition(); pos;) {
        CKTBehavior* p = m_behaviors.GetNext(pos);
        if (p) p->OnElementGone(pElement);
    }
}

// ---- book properties --------------------------------------------------------------------------

CKTBhvrProp* CKTBook::GetBookProp(int nId) const {
    if (nId < 0 || nId >= m_bookProps.GetSize()) return nullptr;
    return m_bookProps.GetAt(nId);
}

void CKTBook::SetBookProp(int nId, CKTBhvrProp* pProp) {
    if (nId < 0 || nId >= m_bookProps.GetSize()) return;
    m_bookProps.SetAt(nId, pProp);
}

// ---- stored form ------------------------------------------------------------------------------

// The objects a loaded scene owns, gathered by CheckLoadedGraph.
class CKTBook::CLoadCheck : public CKTOwnership {
public:
    BOOL IsOwned(const CObject* p) const override { return m_owned.count(p) ? TRUE : FALSE; }
    // FALSE when p was owned already (two owners).
    bool Own(const CObject* p) { return m_owned.insert(p).second; }

    std::unordered_set<const CObject*> m_owned;
    std::vector<CKTElement*> m_elements;  // every element of the tree and the deletion queue
};

namespace {

// The class each element kind must have.
BOOL KindMatchesClass(const CKTElement* p) {
    switch (p->GetKind()) {
    case 1: return p->IsKindOf(RUNTIME_CLASS(CKTText));
    case 2: return p->IsKindOf(RUNTIME_CLASS(CKTPassage));
    case 4: return p->IsKindOf(RUNTIME_CLASS(CKTWord));
    case 5: return p->IsKindOf(RUNTIME_CLASS(CKTGlyph));
    default: return FALSE;
    }
}

// The kind of the children an element of kind nKind may hold (-1: none).
int ChildKind(int nKind) {
    switch (nKind) {
    case 1: return 2;
    case 2: return 4;
    case 4: return 5;
    default: return -1;
    }
}

}  // namespace

void CKTBook::Serialize(CArchive& ar) {
    CObject::Serialize(ar);
    if (ar.IsStoring()) {
        // Always the current form, whatever g_fFileVersion says.
        ar << static_cast<DWORD>(m_nRunState) << m_dClock;
        ar.WriteObject(m_pRoot);
        ar << static_cast<DWORD>(m_crBackground);
        ar << m_strBackgroundImage << static_cast<LONG>(m_nBackgroundImageLayout);
        SerializeList(ar, m_behaviors, RUNTIME_CLASS(CKTBehavior));
        SerializeList(ar, m_moribund, RUNTIME_CLASS(CKTComponent));
        SerializeList(ar, m_startQueue, RUNTIME_CLASS(CKTBehavior));
        SerializeList(ar, m_stopQueue, RUNTIME_CLASS(CKTBehavior));
        m_bookProps.Serialize(ar);
        for (CKTComponentList& list : m_listeners) SerializeList(ar, list, RUNTIME_CLASS(CKTComponent));
        return;
    }

    DeleteContent(FALSE);
    m_strBackgroundImage.Empty();
    m_nBackgroundImageLayout = 0;
    size_t nFirst = ar.GetLoadedObjects().size();  // objects the caller read before the book stay the caller's
    const int nLists = g_fFileVersion < 0.8f ? 5 : EV_COUNT;
    try {
        DWORD dwRunState;
        ar >> dwRunState >> m_dClock;
        m_nRunState = static_cast<int>(dwRunState);
        CKTText* pRoot = nullptr;
        ar >> pRoot;  // must be a CKTText (else badClass)
        m_pRoot = pRoot;
        if (!m_pRoot) AfxThrowArchiveException(CArchiveException::badIndex, ar.m_strFileName);
        DWORD dwColor;
        ar >> dwColor;
        m_crBackground = dwColor;
        if (g_fFileVersion >= 0.969f) {
            LONG nLayout;
            ar >> m_strBackgroundImage >> nLayout;
            m_nBackgroundImageLayout = nLayout;
        }
        SerializeList(ar, m_behaviors, RUNTIME_CLASS(CKTBehavior));
        SerializeList(ar, m_moribund, RUNTIME_CLASS(CKTComponent));
        SerializeList(ar, m_startQueue, RUNTIME_CLASS(CKTBehavior));
        SerializeList(ar, m_stopQueue, RUNTIME_CLASS(CKTBehavior));
        m_bookProps.Serialize(ar);
        if (m_bookProps.GetSize() < BOOKPROP_COUNT) m_bookProps.SetSize(BOOKPROP_COUNT);
        for (int e = 0; e < nLists; e++) SerializeList(ar, m_listeners[e], RUNTIME_CLASS(CKTComponent));
        if (!CheckLoadedGraph(ar.GetLoadedObjects(), nFirst))
            AfxThrowArchiveException(CArchiveException::badIndex, ar.m_strFileName);
    } catch (...) {
        FreeLoaded(ar, nFirst);
        throw;
    }
    CountEntries(1);
    // Files older than 0.8 (headerless ones too) hold the lists of events 0 to 4 only; their running
    // behaviours would come back deaf to the buttons (a throwable never grabbing), and the next save
    // would store running behaviours missing from the lists of their events. Each running behaviour
    // joins the lists the file did not hold as starting it would have put it there, the behaviours
    // taken in the order of the behaviour list (one listed twice counts once). The lists the file held
    // stay as stored.
    if (nLists < EV_COUNT) {
        std::unordered_set<const CKTBehavior*> seen;
        for (POSITION pos = m_behaviors.GetHeadPosition(); pos;) {
            CKTBehavior* p = m_behaviors.GetNext(pos);
            if (seen.insert(p).second) p->RegisterUnstoredEvents(*this, nLists);
        }
    }
}

void CKTBook::FreeLoaded(CArchive& ar, size_t nFirst) {
    std::vector<CObject*> objects = ar.TakeLoadedObjects();
    // The book forgets what it read; nothing it holds now is followed.
    m_pRoot = nullptr;
    m_behaviors.RemoveAll();
    m_moribund.RemoveAll();
    m_startQueue.RemoveAll();
    m_stopQueue.RemoveAll();
    for (CKTComponentList& list : m_listeners) list.RemoveAll();
    m_bookProps.RemoveAll();
    m_bookProps.SetSize(BOOKPROP_COUNT);
    m_nRunState = 0;
    m_dClock = 0.0;
    m_crBackground = 0xFFFFFF;
    m_strBackgroundImage.Empty();
    m_nBackgroundImageLayout = 0;
    // Every object forgets its links to the others, then each is deleted once.
    for (size_t i = nFirst; i < objects.size(); i++)
        if (objects[i]->IsKindOf(RUNTIME_CLASS(CKTComponent))) static_cast<CKTComponent*>(objects[i])->ForgetLinks();
    for (size_t i = nFirst; i < objects.size(); i++) delete objects[i];
}

BOOL CKTBook::CheckLoadedGraph(const std::vector<CObject*>& loaded, size_t nFirst) const {
    CLoadCheck check;

    // One tree under the root and detached trees in the deletion queue: every element reached once,
    // parent and back links matching the child chains, kinds matching classes and nesting 1 > 2 > 4 > 5.
    auto walkTree = [&check](CKTElement* pTop) -> BOOL {
        if (!check.Own(pTop) || !KindMatchesClass(pTop)) return FALSE;
        if (pTop->GetParent() || pTop->GetPrevSibling() || pTop->GetNextSibling()) return FALSE;
        std::vector<CKTElement*> stack{pTop};
        while (!stack.empty()) {
            CKTElement* p = stack.back();
            stack.pop_back();
            check.m_elements.push_back(p);
            CKTElement* pPrev = nullptr;
            for (CKTElement* pChild = p->GetFirstChild(); pChild; pChild = pChild->GetNextSibling()) {
                if (!check.Own(pChild) || !KindMatchesClass(pChild)) return FALSE;
                if (pChild->GetKind() != ChildKind(p->GetKind())) return FALSE;
                if (pChild->GetParent() != p || pChild->GetPrevSibling() != pPrev) return FALSE;
                stack.push_back(pChild);
                pPrev = pChild;
            }
        }
        return TRUE;
    };
    if (!m_pRoot || m_pRoot->GetKind() != 1 || !walkTree(m_pRoot)) return FALSE;
    for (POSITION pos = m_moribund.GetHeadPosition(); pos;) {
        CKTComponent* p = m_moribund.GetNext(pos);
        if (!p->IsKindOf(RUNTIME_CLASS(CKTElement))) return FALSE;
        CKTElement* pElement = static_cast<CKTElement*>(p);
        if (pElement->GetKind() == 1 || !walkTree(pElement)) return FALSE;
    }

    // Renderers and properties: one owner each; a renderer draws its own element (or none).
    for (CKTElement* pElement : check.m_elements) {
        if (CKTElementRenderer* pRenderer = pElement->GetRenderer()) {
            if (!check.Own(pRenderer)) return FALSE;
            if (pRenderer->GetElement() && pRenderer->GetElement() != pElement) return FALSE;
        }
        for (int i = 0; i < pElement->GetPropCount(); i++)
            if (CKTBhvrProp* pProp = pElement->GetProp(i))
                if (!check.Own(pProp)) return FALSE;
    }
    for (INT_PTR i = 0; i < m_bookProps.GetSize(); i++)
        if (CKTBhvrProp* pProp = m_bookProps.GetAt(i))
            if (!check.Own(pProp)) return FALSE;

    // Behaviours: owned by the list (a behaviour listed twice is one behaviour).
    std::vector<const CKTBehavior*> behaviors;
    for (POSITION pos = m_behaviors.GetHeadPosition(); pos;) {
        const CKTBehavior* p = m_behaviors.GetNext(pos);
        if (check.Own(p)) behaviors.push_back(p);
    }

    // Every loaded object of a class the scene owns must have its owner; a bare component has none.
    for (size_t i = nFirst; i < loaded.size(); i++) {
        const CObject* p = loaded[i];
        if (p->IsKindOf(RUNTIME_CLASS(CKTElement)) || p->IsKindOf(RUNTIME_CLASS(CKTElementRenderer)) ||
            p->IsKindOf(RUNTIME_CLASS(CKTBhvrProp)) || p->IsKindOf(RUNTIME_CLASS(CKTBehavior))) {
            if (!check.IsOwned(p)) return FALSE;
        } else if (p->GetRuntimeClass() == RUNTIME_CLASS(CKTComponent)) {
            return FALSE;
        }
    }

    // Element <-> behaviour links go both ways: every link names an owned behaviour once per element,
    // every behaviour lists each of its elements once and is linked back (its CheckLoadedLinks), and
    // the two sides have as many entries.
    size_t nLinks = 0;
    for (const CKTElement* pElement : check.m_elements) {
        std::vector<const CKTBehavior*> linked;
        for (POSITION pos = pElement->GetFirstBehaviorPosition(); pos;) {
            const CKTBehavior* pBhvr = pElement->GetNextBehavior(pos).m_pBehavior;
            if (!pBhvr || !check.IsOwned(pBhvr)) return FALSE;
            for (const CKTBehavior* pSeen : linked)
                if (pSeen == pBhvr) return FALSE;
            linked.push_back(pBhvr);
            nLinks++;
        }
    }
    size_t nAttached = 0;
    for (const CKTBehavior* pBhvr : behaviors) {
        if (!pBhvr->CheckLoadedLinks(check)) return FALSE;
        nAttached += static_cast<size_t>(pBhvr->GetElementCount());
    }
    if (nAttached != nLinks) return FALSE;

    for (const CKTElement* pElement : check.m_elements)
        if (const CKTElementRenderer* pRenderer = pElement->GetRenderer())
            if (!pRenderer->CheckLoadedLinks(check)) return FALSE;
    return TRUE;
}
