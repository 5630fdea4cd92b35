// Scenes for the trigger and effect-behaviour tests: the physics tests' book on a fake window with
// box glyphs, plus a bare behaviour whose running state shows a trigger's fire, and a save and load
// of the whole book.
#pragma once

#include <memory>

#include "kinetype/ktbehavior.h"
#include "kinetype/kttesthelp.h"
#include "physics/physicsfixture.h"

// A renderer of any type id with a fixed box extent that says whether it is pulled (the pull
// renderer's answer); not stored.
class CKTERPullProbe : public CKTElementRenderer {
public:
    explicit CKTERPullProbe(int nType = RENDERER_PULL, BOOL bPulled = FALSE)
        : CKTElementRenderer(nType), m_bPulled(bPulled) {}
    CKTElementRenderer* Clone() override { return new CKTERPullProbe(m_nType, m_bPulled); }
    BOOL AllowsChildRenderers() override { return TRUE; }
    CRect GetExtent(CDC*) override { return CRect(0, 0, 10, 10); }
    BOOL IsPulled() const override { return m_bPulled; }
    BOOL m_bPulled;
};

class EffectsTest : public PhysicsTest {
protected:
    // A bare behaviour in the book, stopped: a trigger that lists it in its start list shows its fires
    // by starting it.
    CKTBehavior* NewTarget() {
        auto* p = new CKTBehavior(0);
        Book().AddBehavior(p);
        return p;
    }
    void Steps(int n) {
        for (int i = 0; i < n; i++) Book().Step();
    }
    // Saves the book and loads it into a new book, which replaces it.
    void Reload() {
        kttest::Bytes saved = kttest::StoreBook(Book());
        m_pBook.reset();
        {
            CKTLoadingScope loading(KT_FILE_VERSION);
            m_pBook = std::make_unique<CKTBook>();
        }
        m_pBook->SetWindow(&m_wnd);
        kttest::LoadBook(Book(), saved, KT_FILE_VERSION);
    }
    // The first behaviour of class T in the book's list.
    template <class T>
    T* Find() {
        for (POSITION pos = Book().GetFirstBehaviorPosition(); pos;) {
            CKTBehavior* p = Book().GetNextBehavior(pos);
            if (p->IsKindOf(RUNTIME_CLASS(T))) return static_cast<T*>(p);
        }
        return nullptr;
    }
    // The n-th glyph (from 0) of the book in tree order.
    CKTElement* GlyphAt(int n) {
        for (CKTElement* p = Book().GetRoot()->GetFirstChild(); p; p = p->GetNextSibling())
            for (CKTElement* w = p->GetFirstChild(); w; w = w->GetNextSibling())
                for (CKTElement* g = w->GetFirstChild(); g; g = g->GetNextSibling())
                    if (n-- == 0) return g;
        return nullptr;
    }
};
