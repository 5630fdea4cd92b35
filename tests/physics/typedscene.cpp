#include "physics/typedscene.h"

#include <cmath>
#include <cstring>
#include <unordered_map>

#include "kinetype/kt1dcollisiondetbhvr.h"
#include "kinetype/ktaccelerateoncollision.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktbounceoncollision.h"
#include "kinetype/ktcruisebhvr.h"
#include "kinetype/ktdocument.h"
#include "kinetype/ktglyph.h"
#include "kinetype/ktgravitybhvr.h"
#include "kinetype/ktkilloncollision.h"
#include "kinetype/ktpassage.h"
#include "kinetype/ktstayinwindowbhvr.h"
#include "kinetype/kttext.h"
#include "kinetype/ktvectorbhvrprop.h"
#include "kinetype/ktviscousdragbhvr.h"
#include "kinetype/ktword.h"
#include "platform/crt/crt.h"

namespace tscene {

namespace {

constexpr int kCharsPerPassage = 250;
constexpr int kLineLength = 56;

bool IsWordChar(char c) {
    const unsigned char u = static_cast<unsigned char>(c);
    return u == '\'' || crt::isalnum(u);
}

// A behaviour as the commands make one: added to the book, started, attached to the selection.
template <class T>
T* Attach(CKTBook& book, T* pBhvr, const std::vector<CKTElement*>& selection, int nLevels) {
    book.AddBehavior(pBhvr);
    pBhvr->StartListening();
    CKTElementList list;
    for (CKTElement* p : selection) list.AddTail(p);
    book.ApplyBehaviorToSelection(pBhvr, list, nLevels);
    return pBhvr;
}

void Walk(CKTElement* p, std::vector<CKTElement*>& out) {
    for (; p; p = p->GetNextSibling()) {
        out.push_back(p);
        Walk(p->GetFirstChild(), out);
    }
}

}  // namespace

// ---- typing -------------------------------------------------------------------------------------------

Typist::Typist(CKTBook& book, CKTBehavior* pDetector, const LOGFONT& lf, COLORREF cr, CPoint ptCaret)
    : m_book(book), m_pDetector(pDetector), m_lf(lf), m_cr(cr), m_ptCaret(ptCaret) {}

CKTWord* Typist::NewWord() const {
    auto* w = new CKTWord;
    w->SetFont(m_lf);
    w->SetColor(m_cr);
    w->SetAutoLayout();
    return w;
}

void Typist::Type(char c) {
    auto* g = new CKTGlyph;
    g->SetFont(m_lf);
    g->SetChar(c);
    g->SetColor(m_cr);
    g->SetAutoLayout();
    if (crt::isgraph(static_cast<unsigned char>(c)) && m_pDetector) m_pDetector->AddElement(g);
    const bool bWordChar = IsWordChar(c);
    if (!m_pPassage) {
        m_pPassage = new CKTPassage;
        m_pPassage->SetFont(m_lf);
        m_pPassage->SetColor(m_cr);
        m_pPassage->MoveBy(m_ptCaret);
        m_pPassage->SetAutoLayout();
        m_book.GetRoot()->AppendChild(m_pPassage, TRUE);
    }
    if (!m_pWord) {
        m_pWord = NewWord();
        m_pPassage->AppendChild(m_pWord, TRUE);
        m_pGlyph = nullptr;
        if (!bWordChar) {
            m_pWord->AppendChild(g, TRUE);
            m_pWord = nullptr;
            return;
        }
    }
    if (!m_pGlyph) {
        m_pWord->PrependChild(g, TRUE);
        m_pGlyph = g;
    } else if (bWordChar) {
        m_pWord->InsertChild(g, m_pGlyph, TRUE);
        m_pGlyph = g;
    } else {
        CKTWord* w = NewWord();
        w->AppendChild(g, TRUE);
        m_pPassage->InsertChild(w, m_pWord, TRUE);
        m_pWord = nullptr;
        m_pGlyph = nullptr;
    }
    // The caret follows the glyph, as the view's does.
    if (m_pGlyph) {
        m_ptCaret.x = m_pGlyph->GetAbsoluteBounds().right;
        m_ptCaret.y = m_pWord->GetAbsolutePoint().y;
    }
}

std::string RandomText(int nChars, int nLine) {
    static const char kPunctuation[] = ",.;:!?-";
    std::string text;
    int nColumn = 0;
    while (static_cast<int>(text.size()) < nChars) {
        const int nLetters = 1 + crt::rand() % 8;
        for (int i = 0; i < nLetters; i++) {
            const int r = crt::rand() % 30;
            if (r < 26)
                text += static_cast<char>((i == 0 && r % 5 == 0 ? 'A' : 'a') + r);
            else
                text += r < 28 ? '\'' : static_cast<char>('0' + r % 10);
        }
        if (crt::rand() % 6 == 0) text += kPunctuation[crt::rand() % 7];
        nColumn += nLetters + 1;
        if (nColumn >= nLine) {
            text += '\r';
            nColumn = 0;
        } else {
            text += ' ';
        }
    }
    text.resize(static_cast<size_t>(nChars));
    return text;
}

LOGFONT Font(int nTenths) {
    LOGFONT lf;
    std::memset(&lf, 0, sizeof lf);
    lf.lfHeight = nTenths;
    lf.lfWeight = FW_NORMAL;
    std::strcpy(lf.lfFaceName, "DejaVu Sans");
    return lf;
}

// ---- scenes -------------------------------------------------------------------------------------------

Scene::Scene(Kind kind, int nGlyphs, int nWidth, int nHeight, const DetectorFactory& makeDetector)
    : m_kind(kind), m_wnd(nWidth, nHeight) {
    m_pPrev = g_pCurrentBook;
    crt::reset_rand();
    g_bLoading = 0;
    m_pBook = new CKTBook;
    m_pBook->SetWindow(&m_wnd);
    Build(kind, nGlyphs, makeDetector);
    m_pBook->SetRunState(1);
}

Scene::~Scene() {
    KTDeleteBook(m_pBook);
    g_pCurrentBook = m_pPrev;
}

void Scene::Build(Kind kind, int nGlyphs, const DetectorFactory& makeDetector) {
    CKTBook& book = *m_pBook;
    auto NewDetector = [&]() -> CKTBehavior* {
        return makeDetector ? makeDetector() : new CKT1DCollisionDetBhvr;
    };
    CKTBehavior* pFirst = Attach(book, NewDetector(), {}, 0);
    const int nPassages = nGlyphs / kCharsPerPassage > 0 ? nGlyphs / kCharsPerPassage : 1;
    const int nHalf = (nPassages + 1) / 2;
    CKTBehavior* pSecond = kind == Kind::cruise ? Attach(book, NewDetector(), {}, 0) : nullptr;

    // Two columns of passages from the top of the window down.
    const CRect rc = book.GetClientRect();
    const int nRows = (nPassages + 1) / 2;
    const int nRowHeight = (rc.Height() - 120) / (nRows > 0 ? nRows : 1);
    std::vector<CKTElement*> first, second, all;
    for (int i = 0; i < nPassages; i++) {
        const CPoint pt(20 + (i % 2) * (rc.Width() / 2), 20 + (i / 2) * nRowHeight);
        const COLORREF cr = RGB(crt::rand() % 200, crt::rand() % 200, crt::rand() % 200);
        const bool bFirstHalf = i < nHalf || kind != Kind::cruise;
        Typist typist(book, bFirstHalf ? pFirst : pSecond, Font(), cr, pt);
        const int nChars = i + 1 < nPassages ? kCharsPerPassage : nGlyphs - kCharsPerPassage * (nPassages - 1);
        typist.Type(RandomText(nChars, kLineLength));
        (bFirstHalf ? first : second).push_back(typist.Passage());
        all.push_back(typist.Passage());
    }

    // The text that falls.
    auto* pGravity = new CKTGravityBhvr;
    pGravity->SetGroundType(2);
    Attach(book, pGravity, first, APPLIES_TO_GLYPH);
    Attach(book, new CKTViscousDragBhvr, all, APPLIES_TO_GLYPH);
    auto* pStay = new CKTStayInWindowBhvr;
    pStay->SetResponse(CKTStayInWindowBhvr::RESPONSE_BOUNCE);
    pStay->SetResponseFactor(0.8);
    Attach(book, pStay, first, APPLIES_TO_GLYPH);
    auto* pBounce = new CKTBounceOnCollision;
    pBounce->SetElasticity(0.9);
    Attach(book, pBounce, first, APPLIES_TO_GLYPH);
    if (kind != Kind::page && first.size() > 2) Attach(book, new CKTAccelerateOnCollision, {first[2]}, APPLIES_TO_WORD);

    // The group that cruises.
    if (!second.empty()) {
        Attach(book, new CKTCruiseBhvr, second, APPLIES_TO_GLYPH);
        auto* pBack = new CKTStayInWindowBhvr;
        pBack->SetResponse(CKTStayInWindowBhvr::RESPONSE_ACCELERATE);
        Attach(book, pBack, second, APPLIES_TO_GLYPH);
        auto* pPush = new CKTAccelerateOnCollision;
        pPush->SetMagnitude(10.0);
        Attach(book, pPush, second, APPLIES_TO_GLYPH);
    }

    if (kind != Kind::page) {
        std::vector<CKTElement*> doomed;
        const int nCount = GlyphCount();
        for (int i = 0; i < 6; i++) doomed.push_back(NthGlyph(crt::rand() % nCount));
        Attach(book, new CKTKillOnCollision, doomed, APPLIES_TO_GLYPH);
    }
}

void Scene::Reload() {
    const CRect rc = m_pBook->GetClientRect();
    const std::vector<BYTE> bytes = KTSaveDocument(*m_pBook, rc.Width(), rc.Height(), CString("scene.qsd"));
    KTLoadResult result = KTLoadDocument(bytes, CString("scene.qsd"));
    ASSERT(result.status == KTLoadStatus::loaded);
    KTReplaceBook(m_pBook, result.pBook);
    m_pBook = result.pBook;
    m_pBook->SetWindow(&m_wnd);
    m_pBook->SetRunState(1);
}

void Scene::Tick(int nFrame) {
    CKTBook& book = *m_pBook;
    const CRect rc = book.GetClientRect();
    const double t = nFrame * 0.05;
    book.OnMouseMove(CPoint(TruncToInt(rc.Width() / 2 + (rc.Width() / 2 - 40) * std::cos(t)),
                            TruncToInt(rc.Height() / 2 + (rc.Height() / 2 - 40) * std::sin(2 * t))));
    switch (nFrame % 100) {
    case 50: book.OnLButtonDown(book.GetMousePoint()); break;
    case 60: book.OnLButtonUp(book.GetMousePoint()); break;
    case 80: book.OnRButtonDown(book.GetMousePoint()); break;
    case 85: book.OnRButtonUp(book.GetMousePoint()); break;
    default: break;
    }
    if (m_kind != Kind::page && nFrame > 0) {
        if (nFrame % 120 == 0) {
            if (CKTGlyph* g = NthGlyph(nFrame * 7 % GlyphCount())) g->Die(TRUE, TRUE);
        } else if (nFrame % 300 == 0) {
            // The delete key on a selected word: gone at once, its line closing up.
            if (CKTGlyph* g = NthGlyph(GlyphCount() / 3)) delete g->GetParent();
        }
    }
    book.Step();
}

void Scene::Step() { m_pBook->Step(); }

void Scene::Draw() { m_pBook->Draw(m_wnd.GetPaintDC()); }

int Scene::GlyphCount() const {
    std::vector<CKTElement*> all;
    Walk(m_pBook->GetRoot(), all);
    int n = 0;
    for (CKTElement* p : all) n += p->GetKind() == KIND_GLYPH;
    return n;
}

CKTGlyph* Scene::NthGlyph(int n) const {
    std::vector<CKTElement*> all;
    Walk(m_pBook->GetRoot(), all);
    for (CKTElement* p : all)
        if (p->GetKind() == KIND_GLYPH && n-- == 0) return static_cast<CKTGlyph*>(p);
    return nullptr;
}

int64_t CollisionEntries(CKTElement* p) {
    int64_t n = 0;
    for (; p; p = p->GetNextSibling()) {
        for (POSITION pos = p->GetFirstCollisionPosition(); pos; p->GetNextCollision(pos)) n++;
        n += CollisionEntries(p->GetFirstChild());
    }
    return n;
}

// ---- hashing ------------------------------------------------------------------------------------------

void Hasher::Bytes(const void* p, size_t n) {
    const unsigned char* b = static_cast<const unsigned char*>(p);
    for (size_t i = 0; i < n; i++) {
        m_h ^= b[i];
        m_h *= 1099511628211ull;
    }
}

void Hasher::Add(CKTBook& book, bool bAbsolute) {
    std::vector<CKTElement*> all;
    Walk(book.GetRoot(), all);
    std::unordered_map<const CKTElement*, int32_t> index;
    for (size_t i = 0; i < all.size(); i++) index.emplace(all[i], static_cast<int32_t>(i));
    Value(static_cast<uint64_t>(all.size()));
    for (CKTElement* p : all) {
        Value(p->GetKind());
        if (p->GetKind() == KIND_GLYPH) Value(static_cast<CKTGlyph*>(p)->GetChar());
        const CKTVector v = p->GetRelativePosition();
        Value(v.x), Value(v.y), Value(v.z);
        if (CKTVectorBhvrProp* pVel = CKTVectorBhvrProp::Cast(p->GetProp(PROP_VELOCITY))) {
            const CKTVector vel = pVel->GetValue();
            Value(vel.x), Value(vel.y), Value(vel.z);
        } else {
            Value(-1);
        }
        int32_t n = 0;
        for (POSITION pos = p->GetFirstCollisionPosition(); pos; p->GetNextCollision(pos)) n++;
        Value(n);
        for (POSITION pos = p->GetFirstCollisionPosition(); pos;) {
            auto it = index.find(p->GetNextCollision(pos));
            Value(it == index.end() ? int32_t(-1) : it->second);
        }
        if (bAbsolute) {
            const CKTVector a = p->GetAbsolutePosition();
            Value(a.x), Value(a.y), Value(a.z);
            const CRect rc = p->GetAbsoluteBounds();
            Value(rc.left), Value(rc.top), Value(rc.right), Value(rc.bottom);
        }
    }
}

}  // namespace tscene
