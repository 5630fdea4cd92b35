// The view's keyboard, mouse, selection and clipboard input: typing builds glyphs, words and passages
// at the caret; backspace and the arrow keys edit and move it; the left button places the caret,
// cycles the selection level on a double click, drags the selection and draws a rubber band; the
// right button runs the pop-up menu (hovered font and size items preview live); copy and paste carry
// the selection's characters through the system clipboard.
//
// Elements that the view deletes itself are first purged from every pointer the view holds
// (PurgeElementReferences), exactly as when the book deletes them.
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

#include <cstdlib>
#include <string>

#include "kinetype/kt1dcollisiondetbhvr.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktelementrenderer.h"
#include "kinetype/ktglyph.h"
#include "kinetype/ktpassage.h"
#include "kinetype/kttext.h"
#include "kinetype/ktword.h"
#include "platform/crt/crt.h"
#include "platform/gdi/cp1252.h"
#include "platform/ui/virtualkeys.h"
#include "pumenu/commandids.h"
#include "pumenu/pumenu.h"
#include "quillstorm/QuillView.h"
#include "quillstorm/quill.h"

namespace {

constexpr char kLineBreak = 13;

// Letters, digits and the apostrophe make up words; every other character is a word of its own.
bool IsWordChar(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return u == '\'' || crt::isalnum(u);
}

CKTGlyph* AsGlyph(CKTElement* p) { return p && p->GetKind() == KIND_GLYPH ? static_cast<CKTGlyph*>(p) : nullptr; }
CKTWord* AsWord(CKTElement* p) { return p && p->GetKind() == KIND_WORD ? static_cast<CKTWord*>(p) : nullptr; }
CKTPassage* AsPassage(CKTElement* p) {
    return p && p->GetKind() == KIND_PASSAGE ? static_cast<CKTPassage*>(p) : nullptr;
}

CKTGlyph* FirstGlyph(CKTElement* pWord) { return pWord ? AsGlyph(pWord->GetFirstChild()) : nullptr; }
CKTGlyph* LastGlyph(CKTElement* pWord) { return pWord ? AsGlyph(pWord->GetLastChild()) : nullptr; }

// A word starts with a letter when it has a first glyph whose character is a letter (codes from 128
// up are no letters). A word without glyphs does not.
bool StartsWithLetter(CKTElement* pWord) {
    const CKTGlyph* g = FirstGlyph(pWord);
    return g && crt::isalpha(static_cast<unsigned char>(g->GetChar()));
}

// Purges the element from the view's pointers and deletes it (its destructor unlinks it from its
// parent, re-flowing the line, and detaches its behaviours).
void DeleteElement(CKTElement* p) {
    if (!p) return;
    PurgeElementReferences(p);
    delete p;
}

}  // namespace

CKTGlyph* CQuillView::NewGlyph(const LOGFONT& lf, char c, COLORREF cr, CKTElementRenderer* pPrototype) {
    auto* g = new CKTGlyph;
    g->SetFont(lf);
    g->SetChar(c);
    g->SetColor(cr);
    if (CKTElementRenderer* pClone = pPrototype ? pPrototype->Clone() : nullptr) {
        if (!g->SetRenderer(pClone, TRUE)) delete pClone;
    }
    g->SetAutoLayout();
    return g;
}

// ---- typing ----------------------------------------------------------------------------------------

void CQuillView::OnChar(UINT nChar, UINT, UINT) {
    if (m_bSpraying) return;
    switch (nChar) {
    case 8:
        DeleteBackward();
        break;
    case 9:
        for (int i = 0; i < 4; ++i) InsertCharacter(' ');
        break;
    default:
        if (nChar == 13 || (nChar >= 32 && nChar <= 126)) InsertCharacter(static_cast<char>(nChar));
        break;  // anything else is not inserted
    }
    m_bModified = 1;
}

void CQuillView::InsertCharacter(char c) {
    if (!m_pTextRoot) return;
    // 1. The glyph.
    CKTGlyph* g = NewGlyph(m_logFont, c, m_crTypingColor, m_pDefaultRenderer);
    // 2. Visible characters collide; spaces and line breaks do not.
    if (crt::isgraph(static_cast<unsigned char>(c)) && m_pCollisionDetector) m_pCollisionDetector->AddElement(g);

    auto newWord = [this] {
        auto* w = new CKTWord;
        w->SetFont(m_logFont);
        w->SetColor(m_crTypingColor);
        w->SetAutoLayout();
        return w;
    };
    const bool bWordChar = IsWordChar(c);

    // 3. A passage at the caret point.
    if (!m_pCurPassage) {
        auto* p = new CKTPassage;
        p->SetFont(m_logFont);
        p->SetColor(m_crTypingColor);
        p->MoveBy(m_ptCaret);
        p->SetAutoLayout();
        m_pTextRoot->AppendChild(p, TRUE);
        m_pCurPassage = p;
        m_pCurWord = nullptr;
        m_pCurGlyph = nullptr;
    }
    // 4. A word at the end of the passage; a separator is a word of its own.
    if (!m_pCurWord) {
        CKTWord* w = newWord();
        m_pCurPassage->AppendChild(w, TRUE);
        m_pCurWord = w;
        m_pCurGlyph = nullptr;
        if (!bWordChar) {
            w->AppendChild(g, TRUE);
            m_pCurWord = nullptr;
            UpdateCaret();
            return;
        }
    }
    CKTElement* pPassage = m_pCurWord->GetParent() ? m_pCurWord->GetParent() : m_pCurPassage;
    if (!m_pCurGlyph) {
        // 5. Before the word's first glyph.
        if (bWordChar) {
            // A letter does not join a word that starts with a digit or a separator.
            const CKTGlyph* pFirst = FirstGlyph(m_pCurWord);
            if (pFirst && pFirst->GetChar() != '\'' && !crt::isalpha(static_cast<unsigned char>(pFirst->GetChar()))) {
                CKTWord* w = newWord();
                pPassage->InsertChild(w, m_pCurWord->GetPrevSibling(), TRUE);
                m_pCurWord = w;
            }
            m_pCurWord->PrependChild(g, TRUE);
            m_pCurGlyph = g;
        } else {
            CKTWord* w = newWord();
            w->AppendChild(g, TRUE);
            pPassage->InsertChild(w, m_pCurWord->GetPrevSibling(), TRUE);
        }
    } else if (bWordChar) {
        // 6. After a glyph, inside the word.
        m_pCurWord->InsertChild(g, m_pCurGlyph, TRUE);
        m_pCurGlyph = g;
    } else {
        // 6. A separator after a glyph splits the word when glyphs follow.
        if (m_pCurGlyph->GetNextSibling()) {
            CKTWord* pRest = newWord();
            while (CKTElement* pNext = m_pCurGlyph->GetNextSibling()) {
                m_pCurWord->RemoveChild(pNext, TRUE);
                pRest->AppendChild(pNext, TRUE);
            }
            pPassage->InsertChild(pRest, m_pCurWord, TRUE);
        }
        CKTWord* w = newWord();
        w->AppendChild(g, TRUE);
        pPassage->InsertChild(w, m_pCurWord, TRUE);
        m_pCurWord = AsWord(w->GetNextSibling());
        m_pCurGlyph = nullptr;
    }
    // 7.
    UpdateCaret();
}

void CQuillView::UpdateCaret() {
    if (m_pCurGlyph) {
        CKTElement* pWord = m_pCurGlyph->GetParent() ? m_pCurGlyph->GetParent() : m_pCurWord;
        if (m_pCurGlyph->GetChar() != kLineBreak) {
            m_ptCaret.x = m_pCurGlyph->GetAbsoluteBounds().right;
            if (pWord) m_ptCaret.y = pWord->GetAbsolutePoint().y;
        } else {
            // The start of the next line.
            CKTElement* pPassage = pWord ? pWord->GetParent() : m_pCurPassage;
            if (pPassage) m_ptCaret = pPassage->GetAbsolutePoint();
            if (pWord) m_ptCaret.y += pWord->GetPoint().y;
            m_ptCaret.y += m_pCurGlyph->GetHeight();
        }
    } else if (m_pCurWord) {
        m_ptCaret = m_pCurWord->GetAbsolutePoint();
    } else if (m_pCurPassage) {
        CKTGlyph* pLast = LastGlyph(m_pCurPassage->GetLastChild());
        if (pLast) {
            m_ptCaret = pLast->GetAbsolutePoint();
            if (pLast->GetChar() != kLineBreak) {
                m_ptCaret.x += pLast->GetWidth();
            } else {
                m_ptCaret.y += pLast->GetHeight();
                m_ptCaret.x = m_pCurPassage->GetAbsolutePoint().x;
            }
        } else {
            m_ptCaret = m_pCurPassage->GetAbsolutePoint();
        }
    }
}

void CQuillView::DeleteBackward() {
    // 1.
    m_selection.RemoveAll();
    if (m_pSelected) {
        // 2. The selected element, by its kind.
        CKTElement* s = m_pSelected;
        BOOL bAgain = FALSE;
        switch (s->GetKind()) {
        case KIND_PASSAGE:
            m_pCurPassage = AsPassage(s->GetPrevSibling());
            m_pCurWord = nullptr;
            m_pCurGlyph = nullptr;
            DeleteElement(s);
            break;
        case KIND_WORD:
            if (CKTPassage* p = AsPassage(s->GetParent())) m_pCurPassage = p;
            m_pCurWord = AsWord(s->GetPrevSibling());
            m_pCurGlyph = LastGlyph(m_pCurWord);
            DeleteElement(s);
            break;
        case KIND_GLYPH: {
            // The caret goes where the glyph was, in the glyph's own word and passage.
            CKTWord* w = AsWord(s->GetParent());
            if (w) {
                m_pCurWord = w;
                if (CKTPassage* p = AsPassage(w->GetParent())) m_pCurPassage = p;
            }
            m_pCurGlyph = AsGlyph(s->GetPrevSibling());
            DeleteElement(s);
            if (w && !w->GetFirstChild()) {
                m_pSelected = w;
                bAgain = TRUE;
            }
            break;
        }
        default:
            break;  // the root is never deleted
        }
        if (bAgain) {
            DeleteBackward();  // the emptied word goes too
        } else {
            m_pSelected = nullptr;
            m_bCaretShown = 1;
            UpdateCaret();
        }
    } else if (!m_pCurPassage) {
        // 3. Nothing before the caret.
    } else if (m_pCurWord && m_pCurGlyph) {
        // 4. The glyph before the caret; an emptied word goes too.
        CKTGlyph* g = m_pCurGlyph;
        m_pCurGlyph = AsGlyph(g->GetPrevSibling());
        DeleteElement(g);
        if (m_pCurWord && !m_pCurWord->GetFirstChild()) {
            CKTWord* w = m_pCurWord;
            CKTElement* pPassage = w->GetParent() ? w->GetParent() : m_pCurPassage;
            CKTWord* pPrev = AsWord(w->GetPrevSibling());
            DeleteElement(w);
            m_pCurWord = pPrev;
            if (pPrev && StartsWithLetter(pPrev)) {
                m_pCurGlyph = LastGlyph(pPrev);
            } else if (pPrev) {
                m_pCurWord = AsWord(pPrev->GetNextSibling());
                m_pCurGlyph = nullptr;
            } else {
                m_pCurWord = AsWord(pPassage->GetFirstChild());
                m_pCurGlyph = nullptr;
            }
        }
        UpdateCaret();
    } else if (m_pCurWord) {
        // 5. The caret before a word: the whole word before it goes; two letter words then join.
        if (CKTWord* pPrev = AsWord(m_pCurWord->GetPrevSibling())) {
            DeleteElement(pPrev);
            CKTWord* pBefore = AsWord(m_pCurWord->GetPrevSibling());
            if (pBefore && StartsWithLetter(pBefore) && StartsWithLetter(m_pCurWord)) {
                CKTWord* w = m_pCurWord;
                m_pCurGlyph = LastGlyph(pBefore);
                while (CKTElement* pGlyph = w->GetFirstChild()) {
                    w->RemoveChild(pGlyph, TRUE);
                    pBefore->AppendChild(pGlyph, TRUE);
                }
                m_pCurWord = pBefore;
                DeleteElement(w);
            }
        }
        UpdateCaret();
    } else {
        // 6. The caret after the passage's last word: as if it stood after that word's last glyph.
        m_pCurWord = AsWord(m_pCurPassage->GetLastChild());
        m_pCurGlyph = LastGlyph(m_pCurWord);
        if (m_pCurWord && m_pCurGlyph)
            DeleteBackward();
        else
            UpdateCaret();
    }
    // 8. The sprayed piece follows the sprayer's pointers, which never name a deleted element.
    if (m_nChunkMode == 1) m_pSprayed = m_pSprayGlyph;
    if (m_nChunkMode == 2) m_pSprayed = m_pSprayWord;
    if (m_nChunkMode == 4) m_pSprayed = m_pSprayPassage;
}

// ---- the caret keys ----------------------------------------------------------------------------------

void CQuillView::MoveCaretLeft() {
    if (m_pCurWord) {
        if (m_pCurGlyph) {
            m_pCurGlyph = AsGlyph(m_pCurGlyph->GetPrevSibling());
        } else if (CKTElement* pPrev = m_pCurWord->GetPrevSibling()) {
            // Past the separator before the word, to the end of the word before it.
            CKTWord* pTwoBefore = AsWord(pPrev->GetPrevSibling());
            if (pTwoBefore && StartsWithLetter(pTwoBefore)) {
                m_pCurWord = pTwoBefore;
                m_pCurGlyph = LastGlyph(pTwoBefore);
            } else if (pTwoBefore) {
                m_pCurWord = AsWord(pTwoBefore->GetNextSibling());
                m_pCurGlyph = nullptr;
            } else {
                CKTElement* pPassage = m_pCurWord->GetParent() ? m_pCurWord->GetParent() : m_pCurPassage;
                m_pCurWord = pPassage ? AsWord(pPassage->GetFirstChild()) : nullptr;
                m_pCurGlyph = nullptr;
            }
        }
    } else if (m_pCurPassage && m_pCurPassage->GetFirstChild()) {
        m_pCurWord = AsWord(m_pCurPassage->GetLastChild());
        m_pCurGlyph = nullptr;
        CKTWord* pBefore = m_pCurWord ? AsWord(m_pCurWord->GetPrevSibling()) : nullptr;
        if (pBefore && StartsWithLetter(pBefore)) {
            m_pCurWord = pBefore;
            m_pCurGlyph = LastGlyph(pBefore);
        }
    }
    UpdateCaret();
}

void CQuillView::MoveCaretRight() {
    if (m_pCurWord) {
        if (!m_pCurGlyph && StartsWithLetter(m_pCurWord)) {
            m_pCurGlyph = FirstGlyph(m_pCurWord);
        } else if (m_pCurGlyph && m_pCurGlyph->GetNextSibling()) {
            m_pCurGlyph = AsGlyph(m_pCurGlyph->GetNextSibling());
        } else if (CKTWord* pNext = AsWord(m_pCurWord->GetNextSibling())) {
            m_pCurWord = StartsWithLetter(pNext) ? pNext : AsWord(pNext->GetNextSibling());
            m_pCurGlyph = nullptr;
        }
    }
    UpdateCaret();
}

namespace {
// Up and down: without a passage, to the root's first one (word and glyph unchanged); otherwise to
// the end of the passage before (up) or the start of the one after (down), and at the first or last
// passage to the start (up) or the end (down) of the caret's own.
void MoveCaretToPassage(CQuillView& v, bool bUp) {
    if (!v.m_pCurPassage) {
        v.m_pCurPassage = v.m_pTextRoot ? AsPassage(v.m_pTextRoot->GetFirstChild()) : nullptr;
    } else {
        CKTPassage* pOther = AsPassage(bUp ? v.m_pCurPassage->GetPrevSibling() : v.m_pCurPassage->GetNextSibling());
        if (pOther) v.m_pCurPassage = pOther;
        const bool bEnd = pOther ? bUp : !bUp;
        v.m_pCurWord = AsWord(bEnd ? v.m_pCurPassage->GetLastChild() : v.m_pCurPassage->GetFirstChild());
        v.m_pCurGlyph = bEnd ? LastGlyph(v.m_pCurWord) : nullptr;
    }
    v.UpdateCaret();
}
}  // namespace

void CQuillView::MoveCaretUp() { MoveCaretToPassage(*this, true); }

void CQuillView::MoveCaretDown() { MoveCaretToPassage(*this, false); }

namespace {
// The keys that run a command: Escape simulates or stops, F2 to F6 toggle the caret, the grid, the
// hierarchy pane, the properties panel and full screen.
constexpr struct {
    UINT nKey;
    int nCommand;
} kKeyCommands[] = {
    {VK_ESCAPE, ID_SIMULATE},         {VK_F2, ID_TOGGLE_CURSOR},       {VK_F3, ID_SHOW_GRID},
    {VK_F4, ID_SHOW_HIERARCHY},       {VK_F5, ID_SHOW_PROPERTY_PANEL}, {VK_F6, ID_FULLSCREEN},
};

// Every selected element moves by (dx, dy); the scene is modified.
void MoveSelection(CQuillView& v, int dx, int dy) {
    for (POSITION pos = v.m_selection.GetHeadPosition(); pos;) v.m_selection.GetNext(pos)->MoveBy(dx, dy);
    v.m_bModified = 1;
}
}  // namespace

void CQuillView::OnKeyDown(UINT nChar, UINT, UINT) {
    for (const auto& k : kKeyCommands) {
        if (k.nKey == nChar) {
            ExecuteCommand(static_cast<UINT>(k.nCommand), TRUE);
            return;
        }
    }
    if (nChar == VK_F1) {
        ToggleMovieCapture();
        return;
    }
    // The arrows move the caret, or nudge a selection by a pixel. The typed space and every other key
    // arrive, if at all, as characters.
    const bool bEmpty = m_selection.IsEmpty() != FALSE;
    switch (nChar) {
    case VK_LEFT:
        if (bEmpty) MoveCaretLeft(); else MoveSelection(*this, -1, 0);
        break;
    case VK_RIGHT:
        if (bEmpty) MoveCaretRight(); else MoveSelection(*this, 1, 0);
        break;
    case VK_UP:
        if (bEmpty) MoveCaretUp(); else MoveSelection(*this, 0, -1);
        break;
    case VK_DOWN:
        if (bEmpty) MoveCaretDown(); else MoveSelection(*this, 0, 1);
        break;
    default:
        break;
    }
}

void CQuillView::OnKeyUp(UINT, UINT, UINT) {}

// ---- picking and selection -----------------------------------------------------------------------------

CKTGlyph* CQuillView::PickGlyph(CPoint point) {
    if (!m_pTextRoot) return nullptr;
    for (CKTElement* p = m_pTextRoot->GetFirstChild(); p; p = p->GetNextSibling())
        for (CKTElement* w = p->GetFirstChild(); w; w = w->GetNextSibling())
            for (CKTElement* g = w->GetFirstChild(); g; g = g->GetNextSibling())
                if (g->GetAbsoluteBounds().PtInRect(point)) return AsGlyph(g);
    return nullptr;
}

CKTElement* CQuillView::HitSelection(CPoint point) {
    for (POSITION pos = m_selection.GetHeadPosition(); pos;) {
        CKTElement* p = m_selection.GetNext(pos);
        if (p->GetAbsoluteBounds().PtInRect(point)) return p;
    }
    return nullptr;
}

void CQuillView::CycleSelectionLevel() {
    CKTElement* s = m_pSelected;
    if (!s) {
        m_pPrevSelected = nullptr;
        m_pSelected = m_pCurGlyph;
    } else if (s == m_pCurGlyph || s == m_pCurPassage) {
        m_pPrevSelected = s;
        m_pSelected = m_pCurWord;
    } else if (s == m_pCurWord) {
        // Down to the glyph when coming from the passage, up to the passage when coming from the glyph.
        m_pSelected = m_pPrevSelected != m_pCurGlyph ? static_cast<CKTElement*>(m_pCurGlyph)
                                                      : static_cast<CKTElement*>(m_pCurPassage);
        m_pPrevSelected = s;
    } else {
        m_pSelected = nullptr;
    }
}

void CQuillView::SelectInRect(CRect rc) {
    if (!m_pTextRoot) return;
    for (CKTElement* p = m_pTextRoot->GetFirstChild(); p; p = p->GetNextSibling())
        for (CKTElement* w = p->GetFirstChild(); w; w = w->GetNextSibling())
            for (CKTElement* g = w->GetFirstChild(); g; g = g->GetNextSibling()) {
                CRect r = g->GetAbsoluteBounds();
                r.NormalizeRect();
                CRect meet;
                if (g->GetKind() == KIND_GLYPH && meet.IntersectRect(&r, &rc)) m_selection.AddTail(g);
            }
}

// ---- the left button -----------------------------------------------------------------------------------

void CQuillView::OnLButtonDown(UINT nFlags, CPoint point) {
    // 1.
    m_bHasCapture = TRUE;
    if (m_nMouseMode != 0 || m_bSpraying) {
        // 2. A drag mode or the sprayer: no hit test.
        if (m_nMouseMode == 1) m_nMouseMode = 0;
    } else if (m_nClickAge <= 50 && point == m_ptLastClick) {
        // 3. A double click: one selection level further.
        if (m_pSelected && !m_selection.IsEmpty()) m_selection.RemoveTail();
        CycleSelectionLevel();
        if (m_pSelected) m_selection.AddTail(m_pSelected);
        m_bCaretShown = 0;
    } else if (HitSelection(point)) {
        // 4a. On the selection: drag it.
        m_nMouseMode = 3;
    } else if (const PanePress press = PressOnPanes(point); press != PanePress::None) {
        // 4b, 4c. A pane: dragged, or the press ended at one of the panel's editors.
        if (press == PanePress::Done) return;
    } else {
        // 4d.
        m_pSelected = nullptr;
        if (!m_bCaretHidden) m_bCaretShown = 1;
        if (!(nFlags & MK_CONTROL)) m_selection.RemoveAll();
        if (CKTGlyph* g = PickGlyph(point)) {
            m_pCurGlyph = g;
            m_pCurWord = AsWord(g->GetParent());
            m_pCurPassage = m_pCurWord ? AsPassage(m_pCurWord->GetParent()) : nullptr;
            UpdateCaret();
        } else {
            m_pCurPassage = nullptr;
            m_pCurWord = nullptr;
            m_pCurGlyph = nullptr;
            m_ptCaret = CPoint(point.x, point.y + 2);
        }
    }
    // 5.
    if (CKTBook* pBook = GetBook()) pBook->OnLButtonDown(point);
    m_ptLastClick = point;
    m_nClickAge = 0;
    m_ptPrevMouse = point;
}

// The double click is a press like any other: the view applies its own double-click rule.
void CQuillView::OnLButtonDblClk(UINT nFlags, CPoint point) { OnLButtonDown(nFlags, point); }

void CQuillView::OnLButtonUp(UINT, CPoint point) {
    m_bHasCapture = FALSE;
    if (CKTBook* pBook = GetBook()) pBook->OnLButtonUp(point);
    if (m_nMouseMode >= 3 && m_nMouseMode <= 5) m_nMouseMode = 0;
    m_bSizeChanged = 0;
}

// ---- the right button and the pop-up menu ----------------------------------------------------------

void CQuillView::OnRButtonDown(UINT, CPoint point) {
    m_bHasCapture = TRUE;
    if (CKTBook* pBook = GetBook()) pBook->OnRButtonDown(point);
    if (m_nMouseMode == 1) m_nMouseMode = 0;
    if (m_bSpraying && m_bCursorShown == 0) {
        m_bCursorShown = 1;
        unsetCursor();
    }
    // A new opening hovers nothing yet: the first item reached previews even if it was the last one
    // hovered before.
    m_nHoverCommand = 0;
    if (m_pMenu) m_pMenu->ShowAt(point.x, point.y);
}

void CQuillView::OnRButtonUp(UINT, CPoint point) {
    m_bHasCapture = FALSE;
    if (CKTBook* pBook = GetBook()) pBook->OnRButtonUp(point);
    if (m_bSpraying && m_bCursorShown == 1) {
        m_bCursorShown = 0;
        setCursor(Qt::BlankCursor);
    }
    const int nCommand = m_pMenu ? m_pMenu->GetSelectedCommand() : ID_NO_COMMAND;
    // The menu closes before its command runs: a command that opens a dialog keeps the frames going,
    // and they must not show the menu behind the dialog.
    if (m_pMenu) m_pMenu->Hide();
    ExecuteCommand(static_cast<UINT>(nCommand), TRUE);
    if (m_pPreview) {
        CKTPassage* pPreview = m_pPreview;
        m_pPreview = nullptr;
        DeleteElement(pPreview);
    }
}

void CQuillView::CreatePreviewText() {
    if (m_pPreview || !m_pMenu) return;
    auto* p = new CKTPassage;
    p->SetAutoLayout();
    p->MoveBy(m_pMenu->GetCenter() + CPoint(-50, 100));
    auto* w = new CKTWord;
    w->SetAutoLayout();
    p->AppendChild(w, TRUE);
    const std::string& title = m_strTitle.str();
    for (char c : title) w->AppendChild(NewGlyph(m_logFont, c, m_crTypingColor, m_pDefaultRenderer), TRUE);
    m_pPreview = p;
}

void CQuillView::PlacePreviewText() {
    if (!m_pPreview || !m_pMenu) return;
    const CPoint c = m_pMenu->GetCenter();
    const CPoint target(c.x - m_pPreview->GetWidth(), c.y + m_pPreview->GetHeight());
    const CSize d = target - m_pPreview->GetAbsolutePoint();
    m_pPreview->MoveBy(d.cx, d.cy);
}

// ---- mouse moves: menu tracking, drags and the rubber band ----------------------------------------

void CQuillView::OnMouseMove(UINT nFlags, CPoint point) {
    // 1.
    m_bSizeChanged = 0;
    if (CKTBook* pBook = GetBook()) pBook->OnMouseMove(point);
    // 2. The open menu follows the mouse; font and size items preview as they are reached.
    if (m_pMenu && m_pMenu->IsVisible()) {
        m_pMenu->Track(point.x, point.y);
        const int nCommand = m_pMenu->GetSelectedCommand();
        if (nCommand != m_nHoverCommand) {
            if (IsHoverPreviewCommand(nCommand)) {
                if (m_selection.IsEmpty() && !m_pPreview) CreatePreviewText();
                ExecuteCommand(static_cast<UINT>(nCommand), TRUE);
                if (m_pPreview) PlacePreviewText();
            }
            m_nHoverCommand = nCommand;
        }
    }
    // 3.
    if ((m_nMouseMode == 1 || m_nMouseMode == 3) && !m_selection.IsEmpty()) {
        CSize d = point - m_ptPrevMouse;
        if (nFlags & MK_SHIFT) {
            // Shift keeps the drag on the axis along which the mouse went farther since the press.
            const CSize fromPress = point - m_ptLastClick;
            if (std::abs(fromPress.cx) > std::abs(fromPress.cy))
                d.cy = 0;
            else
                d.cx = 0;
        }
        MoveSelection(*this, d.cx, d.cy);
    } else if (m_nMouseMode == 4 || m_nMouseMode == 5) {
        // The properties panel or the timeline pane follows the mouse.
        DragPane(point - m_ptPrevMouse);
    } else if (m_nMouseMode == 0 && !m_bSpraying && (nFlags & MK_LBUTTON) && m_bHasCapture) {
        // The rubber band from the press to the point.
        CRect rc(m_ptLastClick.x, m_ptLastClick.y, point.x, point.y);
        rc.NormalizeRect();
        m_selection.RemoveAll();
        SelectInRect(rc);
        if (m_selection.IsEmpty()) {
            m_pCurPassage = nullptr;
            m_pCurWord = nullptr;
            m_pCurGlyph = nullptr;
            m_pSelected = nullptr;
            if (!m_bCaretHidden) m_bCaretShown = 1;
        } else {
            CKTGlyph* g = AsGlyph(m_selection.GetTail());
            m_pSelected = g;
            m_pCurGlyph = g;
            m_pCurWord = g ? AsWord(g->GetParent()) : nullptr;
            m_pCurPassage = m_pCurWord ? AsPassage(m_pCurWord->GetParent()) : nullptr;
            m_bCaretShown = 0;
        }
    }
    // 4.
    m_ptPrevMouse = point;
}

// ---- the clipboard ---------------------------------------------------------------------------------------

BOOL CQuillView::OnUpdateEditCopy() const { return m_selection.IsEmpty() ? FALSE : TRUE; }

BOOL CQuillView::OnUpdateEditPaste() const {
    const QClipboard* pClipboard = QGuiApplication::clipboard();
    const QMimeData* pData = pClipboard ? pClipboard->mimeData() : nullptr;
    return pData && pData->hasText() ? TRUE : FALSE;
}

void CQuillView::OnEditCopy() {
    // The characters of the selection in its order: a passage gives every glyph of every word, a word
    // its glyphs, a glyph its character.
    std::string bytes;
    auto addWord = [&bytes](CKTElement* w) {
        for (CKTElement* g = w->GetFirstChild(); g; g = g->GetNextSibling())
            if (const CKTGlyph* pGlyph = AsGlyph(g)) bytes += pGlyph->GetChar();
    };
    for (POSITION pos = m_selection.GetHeadPosition(); pos;) {
        CKTElement* p = m_selection.GetNext(pos);
        if (const CKTGlyph* g = AsGlyph(p)) {
            bytes += g->GetChar();
        } else if (AsWord(p)) {
            addWord(p);
        } else if (AsPassage(p)) {
            for (CKTElement* w = p->GetFirstChild(); w; w = w->GetNextSibling()) addWord(w);
        }
    }
    // Line breaks as this system's text has them (LF); every byte through the code page.
    QString text;
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u == static_cast<unsigned char>(kLineBreak)) {
            text += QChar('\n');
        } else if (const uint32_t code = gdi::Cp1252ToUnicode(u); code != 0) {
            text += QChar(static_cast<char16_t>(code));
        }
    }
    if (QClipboard* pClipboard = QGuiApplication::clipboard()) {
        pClipboard->clear();
        pClipboard->setText(text);
    }
}

void CQuillView::OnEditPaste() {
    const QClipboard* pClipboard = QGuiApplication::clipboard();
    const QMimeData* pData = pClipboard ? pClipboard->mimeData() : nullptr;
    if (!pData || !pData->hasText()) return;
    const QString text = pData->text();
    // As typed, character by character: CR LF, a lone LF and a lone CR each give one line break; the
    // text ends at a zero; characters the code page has no byte for are dropped.
    const QList<uint> codes = text.toUcs4();
    for (qsizetype i = 0; i < codes.size(); ++i) {
        const uint u = codes[i];
        if (u == 0) break;
        if (u == '\r' || u == '\n') {
            if (u == '\r' && i + 1 < codes.size() && codes[i + 1] == '\n') ++i;
            OnChar(13, 1, 0);
            continue;
        }
        const int b = gdi::UnicodeToCp1252(u);
        if (b >= 0) OnChar(static_cast<UINT>(b), 1, 0);
    }
    m_bModified = 1;
}
