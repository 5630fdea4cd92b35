#include "fuzz/document/fuzzdoc.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "kinetype/kt1dcollisiondetbhvr.h"
#include "kinetype/ktaccelerateoncollision.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktboolbhvrprop.h"
#include "kinetype/ktbounceoncollision.h"
#include "kinetype/ktconnbylines.h"
#include "kinetype/ktconnbyspringsbhvr.h"
#include "kinetype/ktcpointbhvrprop.h"
#include "kinetype/ktcruisebhvr.h"
#include "kinetype/ktcryptographicbhvr.h"
#include "kinetype/ktcstringarraybhvrprop.h"
#include "kinetype/ktdocument.h"
#include "kinetype/ktdoublebhvrprop.h"
#include "kinetype/ktelementrenderer.h"
#include "kinetype/ktercolorstatic.h"
#include "kinetype/ktererodeedge.h"
#include "kinetype/ktererosion.h"
#include "kinetype/ktersplatter.h"
#include "kinetype/ktertest.h"
#include "kinetype/ktertrail.h"
#include "kinetype/ktertransparent.h"
#include "kinetype/kterclay.h"
#include "kinetype/kterdrift.h"
#include "kinetype/kterlens.h"
#include "kinetype/kterparticle.h"
#include "kinetype/kterpull.h"
#include "kinetype/kterpulse.h"
#include "kinetype/ktexplodebhvr.h"
#include "kinetype/ktfadebhvr.h"
#include "kinetype/ktfocalfade.h"
#include "kinetype/ktglyph.h"
#include "kinetype/ktgravitybhvr.h"
#include "kinetype/ktintbhvrprop.h"
#include "kinetype/ktiscolortrigger.h"
#include "kinetype/ktkilloncollision.h"
#include "kinetype/ktlexicon.h"
#include "kinetype/ktlifespanbhvr.h"
#include "kinetype/ktloadfilebhvr.h"
#include "kinetype/ktmouseeventintrigger.h"
#include "kinetype/ktmousemovetrigger.h"
#include "kinetype/ktmousestilltrigger.h"
#include "kinetype/ktmoveawayfrommousebhvr.h"
#include "kinetype/ktmovetomousebhvr.h"
#include "kinetype/ktpassage.h"
#include "kinetype/ktpulledtrigger.h"
#include "kinetype/ktscrollbhvr.h"
#include "kinetype/ktsequencialbhvr.h"
#include "kinetype/ktsetelementrendererbhvr.h"
#include "kinetype/ktstayinwindowbhvr.h"
#include "kinetype/ktsynshiftbhvr.h"
#include "kinetype/kttext.h"
#include "kinetype/ktthrobbhvr.h"
#include "kinetype/ktthrowablebhvr.h"
#include "kinetype/kttimetrigger.h"
#include "kinetype/ktviralbhvr.h"
#include "kinetype/ktviscousdragbhvr.h"
#include "kinetype/ktwavebhvr.h"
#include "kinetype/ktword.h"
#include "platform/crt/crt.h"

namespace {

LOGFONT SceneFont(LONG lfHeight) {
    LOGFONT lf;
    std::memset(&lf, 0, sizeof lf);
    lf.lfHeight = lfHeight;
    lf.lfWeight = FW_NORMAL;
    std::strcpy(lf.lfFaceName, "DejaVu Sans");
    return lf;
}

// The glyphs of an element's subtree, in tree order.
std::vector<CKTElement*> GlyphsOf(CKTElement* pTop) {
    std::vector<CKTElement*> out;
    for (CKTElement* pWord = pTop->GetFirstChild(); pWord; pWord = pWord->GetNextSibling())
        for (CKTElement* pGlyph = pWord->GetFirstChild(); pGlyph; pGlyph = pGlyph->GetNextSibling())
            out.push_back(pGlyph);
    return out;
}

std::vector<CKTElement*> GlyphsOfWord(CKTElement* pPassage, int nWord) {
    std::vector<CKTElement*> out;
    CKTElement* pWord = pPassage->GetChildAt(nWord);
    for (CKTElement* pGlyph = pWord ? pWord->GetFirstChild() : nullptr; pGlyph; pGlyph = pGlyph->GetNextSibling())
        out.push_back(pGlyph);
    return out;
}

// Adds b to the book, attaches the elements and starts it.
template <class B>
B* Attach(CKTBook& book, B* pBhvr, const std::vector<CKTElement*>& elements) {
    book.AddBehavior(pBhvr);
    for (CKTElement* p : elements) pBhvr->AddElement(p);
    pBhvr->StartListening();
    return pBhvr;
}

// Every trigger and effect behaviour on two typed passages, triggers listing behaviours (and a
// trigger) to start and stop, stepped a few ticks with the mouse moving and pressed.
void BuildEffectsScene(CKTBook& book) {
    CKTPassage* p1 = FzdAddPassage(book, "Triggers start and stop", CPoint(40, 60), RGB(0, 90, 0));
    CKTPassage* p2 = FzdAddPassage(book, "waves fade away", CPoint(60, 90), RGB(0, 0, 0));
    auto* pWave = Attach(book, new CKTWaveBhvr, GlyphsOfWord(p1, 0));
    pWave->SetMaxCrest(6.0);
    auto* pThrob = new CKTThrobBhvr;
    pThrob->SetMaxSize(1.5);
    Attach(book, pThrob, GlyphsOfWord(p1, 1));
    auto* pFade = new CKTFadeBhvr;
    pFade->SetColor(RGB(250, 200, 0));
    Attach(book, pFade, GlyphsOfWord(p2, 1));
    auto* pFocal = new CKTFocalFade;
    pFocal->m_dRadius = 60.0;
    Attach(book, pFocal, GlyphsOfWord(p2, 0));
    Attach(book, new CKTMoveToMouseBhvr, {GlyphsOfWord(p1, 2).front()});
    Attach(book, new CKTMoveAwayFromMouseBhvr, {GlyphsOfWord(p1, 3).back()});
    Attach(book, new CKTThrowableBhvr, GlyphsOfWord(p1, 3));
    Attach(book, new CKTExplodeBhvr, {GlyphsOfWord(p2, 2).back()});
    auto* pLife = new CKTLifespanBhvr;
    pLife->m_dMinLife = 0.02;
    Attach(book, pLife, {GlyphsOfWord(p2, 2).front()});
    auto* pViral = new CKTViralBhvr;
    pViral->SetDormancyPeriod(0.2);
    Attach(book, pViral, {p1->GetChildAt(2)});
    Attach(book, new CKTConnByLines, GlyphsOfWord(p1, 2));
    auto* pSet = new CKTSetElementRendererBhvr;  // waits for a trigger
    book.AddBehavior(pSet);
    pSet->AddElement(GlyphsOfWord(p2, 0).back());

    auto* pStill = Attach(book, new CKTMouseStillTrigger, {});
    pStill->AddStartBehavior(pSet);
    pStill->AddStopBehavior(pWave);
    auto* pMove = Attach(book, new CKTMouseMoveTrigger, {});
    pMove->AddStartBehavior(pWave);
    auto* pPulled = new CKTPulledTrigger;
    pPulled->SetFireOnRelease();
    Attach(book, pPulled, GlyphsOfWord(p1, 1));
    pPulled->AddStopBehavior(pStill);
    auto* pColour = Attach(book, new CKTIsColorTrigger, GlyphsOfWord(p2, 1));
    pColour->m_crTarget = RGB(250, 200, 0);
    pColour->AddStopBehavior(pFade);
    auto* pIn = new CKTMouseEventInTrigger;
    pIn->SetLeftButtonDown(TRUE);
    pIn->SetMouseMove(FALSE);
    pIn->SetRegion(CRect(0, 0, 320, 240));
    Attach(book, pIn, {});
    pIn->AddStartBehavior(pFade);
    auto* pTime = new CKTTimeTrigger;
    pTime->SetFireTime(0.03);
    Attach(book, pTime, {});
    pTime->AddStartBehavior(pThrob);
    pTime->AddStopBehavior(pThrob);

    book.SetRunState(1);
    for (int i = 0; i < 4; i++) {
        book.OnMouseMove(CPoint(100 + 10 * i, 70));
        book.Step();
    }
    book.OnLButtonDown(CPoint(130, 70));
    book.Step();
    book.OnLButtonUp(CPoint(150, 80));
    book.Step();
}

// Synonyms for the text scene without the database: every word gets "go" and "up".
class FixedLexicon : public CKTLexicon {
public:
    BOOL Init() override { return TRUE; }
    std::vector<KTSynset> FindSynsets(const char*, int, int, int) override {
        KTSynset s;
        s.words = {CString("go"), CString("up")};
        return {s};
    }
};

void BuildTextScene(CKTBook& book) {
    CKTPassage* p1 = FzdAddPassage(book, "quick ab", CPoint(40, 60), RGB(0, 96, 0));
    CKTPassage* p2 = FzdAddPassage(book, "ab", CPoint(40, 200), RGB(0, 0, 0));
    FixedLexicon lexicon;
    CKTLexicon* pOld = KTSetLexicon(&lexicon);
    auto* pShift = new CKTSynShiftBhvr;
    pShift->SetSpeed(0.5);
    Attach(book, pShift, {p1->GetChildAt(0)});
    KTSetLexicon(pOld);
    auto* pCrypt = new CKTCryptographicBhvr;
    pCrypt->SetShiftRange(2, 6);
    Attach(book, pCrypt, GlyphsOfWord(p1, 1));
    auto* pSeq = new CKTSequencialBhvr;
    pSeq->SetSourceText(CString("a, b\r\nc!"));
    pSeq->SetHold(2);
    Attach(book, pSeq, {p2});
    auto* pScroll = new CKTScrollBhvr;
    pScroll->m_nOrientation = 1;
    Attach(book, pScroll, {p2});
    auto* pLoad = new CKTLoadFileBhvr;
    pLoad->m_strFileName = "next.qsd";
    book.AddBehavior(pLoad);  // not started
    Attach(book, new CKTSequencialBhvr, {});  // without a source
    book.SetRunState(1);
    for (int i = 0; i < 6; i++) book.Step();
}

// A word in each mask and erosion style, at 32 points in two columns on the canvas, each alone in a
// passage whose renderer hands its word and glyphs copies (or clones); the book running. For trying
// the styles in the program.
void BuildRendererScene(CKTBook& book) {
    auto* pTransparent = new CKTERTransparent;
    pTransparent->SetMouseOverRate(0.1f);
    pTransparent->SetMouseOutsideRate(-0.05f);
    pTransparent->SetTransparency(0.0f);
    auto* pTrail = new CKTERTrail;
    pTrail->m_fRadius = 20.0f;
    const struct {
        const char* pszText;
        CPoint pt;
        CKTElementRenderer* pRenderer;
    } words[] = {
        {"transparent", CPoint(20, 80), pTransparent},          {"trail", CPoint(20, 180), pTrail},
        {"colorstatic", CPoint(20, 280), new CKTERColorStatic}, {"test", CPoint(20, 380), new CKTERTest},
        {"splatter", CPoint(340, 80), new CKTERSplatter},       {"erosion", CPoint(340, 180), new CKTERErosion},
        {"erodeedge", CPoint(340, 280), new CKTERErodeEdge},
    };
    for (const auto& w : words) {
        CKTPassage* pPassage = FzdAddPassage(book, w.pszText, w.pt, RGB(20, 60, 170));
        // Laid out again at the new size: every element back under automatic layout first.
        for (CKTElement* pWord = pPassage->GetFirstChild(); pWord; pWord = pWord->GetNextSibling()) {
            pWord->SetAutoLayout();
            for (CKTElement* pGlyph = pWord->GetFirstChild(); pGlyph; pGlyph = pGlyph->GetNextSibling())
                pGlyph->SetAutoLayout();
        }
        pPassage->SetFontSize(32);
        if (!pPassage->SetRenderer(w.pRenderer, TRUE)) delete w.pRenderer;
    }
    book.SetRunState(1);
}

[[noreturn]] void Breach(const char* what) {
    std::fprintf(stderr, "document check failed: %s\n", what);
    std::abort();
}

}  // namespace

FzdSceneBook::FzdSceneBook() : m_pPrev(g_pCurrentBook), m_wnd(640, 480) {
    m_pBook = new CKTBook;
    m_pBook->SetWindow(&m_wnd);
}

FzdSceneBook::~FzdSceneBook() {
    KTDeleteBook(m_pBook);
    g_pCurrentBook = m_pPrev;
}

CKTPassage* FzdAddPassage(CKTBook& book, const char* pszText, CPoint pt, COLORREF cr, LONG lfHeight) {
    const LOGFONT lf = SceneFont(lfHeight);
    auto* pPassage = new CKTPassage;
    pPassage->SetFont(lf);
    pPassage->SetColor(cr);
    book.GetRoot()->AppendChild(pPassage, TRUE);
    pPassage->MoveBy(pt.x, pt.y);
    CKT1DCollisionDetBhvr* pDetector = KTGetCollisionDetector(book);
    CKTWord* pWord = nullptr;
    char cPrev = 0;
    for (const char* p = pszText; *p; p++) {
        if (!pWord || *p == '\r' || cPrev == ' ') {
            pWord = new CKTWord;
            pWord->SetFont(lf);
            pWord->SetColor(cr);
            pPassage->AppendChild(pWord, TRUE);
        }
        auto* pGlyph = new CKTGlyph;
        pGlyph->SetFont(lf);
        pGlyph->SetColor(cr);
        pGlyph->SetChar(*p);
        pWord->AppendChild(pGlyph, TRUE);
        if (pDetector && *p > 32 && *p < 127) pDetector->AddElement(pGlyph);
        cPrev = *p;
    }
    return pPassage;
}

// Three lines of two words at 48 points, each word drawn by one outline renderer; stepped with the
// mouse moving over them (the left button held) and drawn, so pulse frames are stored too.
static void BuildOutlineScene(CKTBook& book) {
    const char* const lines[] = {"drift clay", "pull pulse", "lens particle"};
    const COLORREF colours[] = {RGB(160, 30, 30), RGB(30, 110, 40), RGB(40, 60, 170)};
    auto* pPull = new CKTERPull;
    pPull->m_fMouseStrength = 300;
    auto* pPulse = new CKTERPulse;
    pPulse->m_fScale = 0.5f;
    auto* pLens = new CKTERLens;
    pLens->m_fFalloff = 8;
    CKTElementRenderer* const renderers[] = {new CKTERDrift, new CKTERClay, pPull, pPulse, pLens, new CKTERParticle};
    int n = 0;
    for (int line = 0; line < 3; line++) {
        CKTPassage* p = FzdAddPassage(book, lines[line], CPoint(30, 110 + 130 * line), colours[line], 480);
        for (CKTElement* pWord = p->GetFirstChild(); pWord && n < 6; pWord = pWord->GetNextSibling()) {
            CKTElementRenderer* pRenderer = renderers[n++];
            if (!pWord->SetRenderer(pRenderer, TRUE)) delete pRenderer;
        }
    }
    book.SetRunState(1);
    book.OnLButtonDown(CPoint(100, 100));
    for (int i = 0; i < 6; i++) {
        book.OnMouseMove(CPoint(60 + 40 * i, 90 + 60 * i));
        book.Step();
        book.Draw(book.GetCurrentDC());
    }
    book.OnLButtonUp(CPoint(300, 400));
}

void FzdBuildScene(CKTBook& book, FzdScene scene) {
    Attach(book, new CKT1DCollisionDetBhvr, {});
    if (scene == FzdScene::empty) return;
    if (scene == FzdScene::effects) {
        BuildEffectsScene(book);
        return;
    }
    if (scene == FzdScene::text) return BuildTextScene(book);
    if (scene == FzdScene::renderers) return BuildRendererScene(book);
    if (scene == FzdScene::outlines) return BuildOutlineScene(book);
    CKTPassage* p1 = FzdAddPassage(book, "Hello world", CPoint(40, 60), RGB(200, 0, 0));
    CKTPassage* p2 = FzdAddPassage(book, "Kinetic type\rsecond line", CPoint(300, 200), RGB(0, 0, 255));
    if (scene == FzdScene::typed) return;

    auto* pGravity = new CKTGravityBhvr;
    pGravity->SetMagnitude(0.5);
    pGravity->SetElasticity(0.6);
    Attach(book, pGravity, GlyphsOfWord(p1, 0));
    auto* pDrag = new CKTViscousDragBhvr;
    pDrag->SetDrag(0.2);
    Attach(book, pDrag, GlyphsOfWord(p1, 1));
    auto* pSprings = new CKTConnBySpringsBhvr;
    pSprings->SetSpringConstant(0.3);
    pSprings->SetDamping(0.05);
    Attach(book, pSprings, GlyphsOfWord(p1, 1));
    auto* pCruise = new CKTCruiseBhvr;
    pCruise->SetMaxAcceleration(1.5);
    Attach(book, pCruise, GlyphsOfWord(p2, 0));
    auto* pStay = new CKTStayInWindowBhvr;
    pStay->SetMargins(CRect(5, 5, 5, 5));
    pStay->SetResponse(2);
    pStay->SetResponseFactor(3.0);
    Attach(book, pStay, GlyphsOf(p2));
    auto* pBounce = new CKTBounceOnCollision;
    pBounce->SetElasticity(0.9);
    Attach(book, pBounce, GlyphsOfWord(p1, 0));
    auto* pAccelerate = new CKTAccelerateOnCollision;
    pAccelerate->SetMagnitude(2.0);
    Attach(book, pAccelerate, GlyphsOfWord(p2, 1));
    std::vector<CKTElement*> lastGlyphs = GlyphsOfWord(p2, 3);
    Attach(book, new CKTKillOnCollision, {lastGlyphs.back()});
    book.AddBehavior(new CKTBehavior);  // a bare behaviour, never started

    // Properties of every class in element slots and a book slot, as behaviours would leave them.
    CKTElement* pGlyph = GlyphsOfWord(p2, 2).front();
    auto* pSynonyms = new CKTCStringArrayBhvrProp(PROP_SYNONYMS);
    pSynonyms->m_value.Add(CString("swift"));
    pSynonyms->m_value.Add(CString("quick"));
    auto* pInfection = new CKTDoubleBhvrProp(PROP_INFECTION);
    pInfection->SetValue(0.25);
    auto* pSaved = new CKTIntBhvrProp(PROP_SAVED_CHAR);
    pSaved->SetValue('k');
    auto* pPoint = new CKTCPointBhvrProp(PROP_SAVED_SIZE);
    pPoint->m_value = CPoint(3, -4);
    for (CKTBhvrProp* pProp : std::initializer_list<CKTBhvrProp*>{pSynonyms, pInfection, pSaved, pPoint}) {
        pProp->AddRef();
        pGlyph->SetProp(pProp->GetId(), pProp);
    }
    auto* pSynShift = new CKTBoolBhvrProp(BOOKPROP_SYNSHIFT);
    pSynShift->SetValue(TRUE);
    pSynShift->AddRef();
    book.SetBookProp(BOOKPROP_SYNSHIFT, pSynShift);
    // A glyph drawn by the bare renderer.
    GlyphsOfWord(p1, 1).back()->SetRenderer(new CKTElementRenderer, TRUE);

    book.SetBackgroundColor(RGB(16, 32, 48));
    book.SetBackgroundImage(CString("backdrop.png"));
    book.SetBackgroundImageLayout(5);
    book.SetRunState(1);
    for (int i = 0; i < 5; i++) book.Step();
    book.SetRunState(0);
    // Stopped: a death, a start and a stop wait for the next running tick and are stored so.
    GlyphsOfWord(p2, 3).front()->Die(TRUE, FALSE);
    book.QueueStart(pDrag);
    book.QueueStop(pCruise);
}

FzdBytes FzdWriteForm(CKTBook& book, const char* pszVersionText, float fVersion, LONG nWidth, LONG nHeight) {
    CKTCurrentBookScope current(&book);
    const float fOld = g_fFileVersion;
    g_fFileVersion = fVersion;
    CMemFile file;
    {
        CArchive ar(&file, CArchive::store);
        auto writeList = [&ar](auto& list) {
            ar.WriteCount(static_cast<DWORD_PTR>(list.GetCount()));
            for (POSITION pos = list.GetHeadPosition(); pos;) ar.WriteObject(list.GetNext(pos));
        };
        if (pszVersionText) ar << CString(pszVersionText);
        ar << static_cast<DWORD>(book.GetRunState()) << book.GetClock();
        ar.WriteObject(book.GetRoot());
        ar << static_cast<DWORD>(book.GetBackgroundColor());
        if (fVersion >= 0.969f) ar << book.GetBackgroundImage() << static_cast<LONG>(book.GetBackgroundImageLayout());
        ar.WriteCount(static_cast<DWORD_PTR>(book.GetBehaviorCount()));
        for (POSITION pos = book.GetFirstBehaviorPosition(); pos;) ar.WriteObject(book.GetNextBehavior(pos));
        writeList(book.GetMoribundList());
        writeList(book.GetStartQueue());
        writeList(book.GetStopQueue());
        ar.WriteCount(BOOKPROP_COUNT);
        for (int i = 0; i < BOOKPROP_COUNT; i++) ar.WriteObject(book.GetBookProp(i));
        const int nLists = fVersion < 0.8f ? 5 : EV_COUNT;
        for (int e = 0; e < nLists; e++) {
            ar.WriteCount(static_cast<DWORD_PTR>(book.GetListenerCount(e)));
            for (POSITION pos = book.GetFirstListenerPosition(e); pos;) ar.WriteObject(book.GetNextListener(e, pos));
        }
        if (fVersion >= 0.95f) ar << nWidth << nHeight;
        ar.Close();
    }
    g_fFileVersion = fOld;
    return file.GetBytes();
}

FzdBytes FzdMakeDocument(FzdScene scene, const char* pszVersionText, float fVersion, LONG nWidth, LONG nHeight) {
    const float fVersionOld = g_fFileVersion;
    crt::reset_rand();
    FzdSceneBook book;
    FzdBuildScene(*book, scene);
    FzdBytes bytes = fVersion == KT_FILE_VERSION && pszVersionText && std::strcmp(pszVersionText, KT_VERSION_STRING) == 0
                         ? KTSaveDocument(*book, nWidth, nHeight)
                         : FzdWriteForm(*book, pszVersionText, fVersion, nWidth, nHeight);
    g_fFileVersion = fVersionOld;
    return bytes;
}

std::vector<FzdSeed> FzdMakeSeeds() {
    std::vector<FzdSeed> seeds;
    auto make = [&seeds](const char* name, FzdScene scene, const char* pszVersion, float fVersion) {
        seeds.push_back({name, FzdMakeDocument(scene, pszVersion, fVersion)});
    };
    make("empty", FzdScene::empty, KT_VERSION_STRING, KT_FILE_VERSION);
    make("typed", FzdScene::typed, KT_VERSION_STRING, KT_FILE_VERSION);
    make("everything", FzdScene::everything, KT_VERSION_STRING, KT_FILE_VERSION);
    make("effects", FzdScene::effects, KT_VERSION_STRING, KT_FILE_VERSION);
    make("text", FzdScene::text, KT_VERSION_STRING, KT_FILE_VERSION);
    make("renderers", FzdScene::renderers, KT_VERSION_STRING, KT_FILE_VERSION);
    make("outlines", FzdScene::outlines, KT_VERSION_STRING, KT_FILE_VERSION);
    make("v0.9", FzdScene::typed, "version 0.9", 0.9f);
    make("v0.7", FzdScene::typed, "version 0.7", 0.7f);
    make("headerless", FzdScene::typed, nullptr, 0.0f);
    return seeds;
}

bool FzdLoadAndCheck(const BYTE* pData, size_t nSize) {
    CKTBook* pCurrent = g_pCurrentBook;
    const BYTE bLoading = g_bLoading;
    const float fVersion = g_fFileVersion;
    KTLoadResult r = KTLoadDocument(pData, nSize, CString("fuzz.qsd"));
    if (g_pCurrentBook != pCurrent) Breach("the current book changed");
    if (g_bLoading != bLoading) Breach("g_bLoading was not restored");
    if (r.status != KTLoadStatus::loaded) {
        if (r.pBook) Breach("a failed load returned a book");
        if (g_fFileVersion != fVersion) Breach("a failed load changed g_fFileVersion");
        if (r.strMessage.IsEmpty()) Breach("a failed load without a message");
        return false;
    }
    if (!r.pBook || !KTGetCollisionDetector(*r.pBook)) Breach("a loaded book without a collision detector");
    FzdBytes first = KTSaveDocument(*r.pBook, 1, 1);
    KTLoadResult again = KTLoadDocument(first, CString("again.qsd"));
    if (again.status != KTLoadStatus::loaded || again.path != KTLoadPath::first || again.bAddedDetector)
        Breach("a saved book did not load back");
    FzdBytes second = KTSaveDocument(*again.pBook, 1, 1);
    if (first != second) Breach("a saved book did not save back to the same bytes");
    KTDeleteBook(again.pBook);
    KTDeleteBook(r.pBook);
    g_fFileVersion = fVersion;
    return true;
}
