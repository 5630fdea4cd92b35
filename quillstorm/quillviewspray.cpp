// The text sprayer ("wordnozzle"): a plain-text source poured onto the canvas one piece at a time (a
// glyph, a word, or a line as a passage) while the left button is held, and its MIDI control.
//
// The current piece follows the mouse; the next spray step releases it into the scene, where it joins
// the one lifespan behaviour and every template behaviour, and makes the next chunk the current piece.
// MIDI notes change the current piece's font, size, colour and renderer, set the template behaviours,
// switch the chunk mode, open sample texts, save, reset and blow the scene apart.
//
// Held notes: a note-on of notes 33, 35 to 39 and 48 to 51 acts once and sets its flag; every tick
// repeats the flagged actions in flag order (not note order) until the note-off clears the flag.
#include <algorithm>
#include <ctime>
#include <vector>

#include "kinetype/ktaccelerateoncollision.h"
#include "kinetype/kt1dcollisiondetbhvr.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktboolbhvrprop.h"
#include "kinetype/ktcruisebhvr.h"
#include "kinetype/ktcryptographicbhvr.h"
#include "kinetype/ktercolorstatic.h"
#include "kinetype/kterdefault.h"
#include "kinetype/kterdrift.h"
#include "kinetype/ktererosion.h"
#include "kinetype/kterlens.h"
#include "kinetype/kterpull.h"
#include "kinetype/kterpulse.h"
#include "kinetype/ktersplatter.h"
#include "kinetype/ktexplodebhvr.h"
#include "kinetype/ktglyph.h"
#include "kinetype/ktgravitybhvr.h"
#include "kinetype/ktlifespanbhvr.h"
#include "kinetype/ktmoveawayfrommousebhvr.h"
#include "kinetype/ktmovetomousebhvr.h"
#include "kinetype/ktpassage.h"
#include "kinetype/ktstayinwindowbhvr.h"
#include "kinetype/kttext.h"
#include "kinetype/ktthrobbhvr.h"
#include "kinetype/kttimetrigger.h"
#include "kinetype/ktviralbhvr.h"
#include "kinetype/ktviscousdragbhvr.h"
#include "kinetype/ktwavebhvr.h"
#include "kinetype/ktword.h"
#include "platform/crt/crt.h"
#include "pumenu/pumenuitem.h"
#include "quillstorm/QuillView.h"
#include "quillstorm/quill.h"
#include "quillstorm/wordnozzledialog.h"

namespace {

// Sample texts, in the current directory; notes 78 to 103 open the first 26.
const char* const kSampleNames[30] = {
    "bloodleftorphan.txt",    "amongthelotuseaters.txt",       "greatunendingproject.txt",
    "awetdisintegratingseason.txt", "rosesinwinter.txt",      "iseenowamerica.txt",
    "ourhabitsarelegion.txt", "prettyjesus.txt",               "songtomarrowglen.txt",
    "thecoldandthewet.txt",   "thecomingiceage.txt",           "thelido.txt",
    "theyearsintheblood.txt", "uncontrol.txt",                 "wewerethree.txt",
    "concertattheendoftheworld.txt", "deal.txt",               "rockandrollstar.txt",
    "isleptwithadog.txt",     "sinkinglaughingworld.txt",      "blood.txt",
    "goingtohell.txt",        "rotting.txt",                   "questionmarks.txt",
    "asterix..txt",           "exclamation.txt",               "27.txt",
    "28.txt",                 "29.txt",                        "30.txt",
};

constexpr int kFirstSampleNote = 78;
constexpr int kLastSampleNote = 103;
constexpr char kOpenError[] = "The data file could not be opened because of this error: ";

// Chunk modes (the element kind masks).
constexpr int kGlyphMode = 1;
constexpr int kWordMode = 2;
constexpr int kPassageMode = 4;

BOOL IsPrintable(char c) { return crt::isprint(static_cast<unsigned char>(c)) ? TRUE : FALSE; }
// Letters, digits and the apostrophe run together into words; every other character is one.
BOOL IsWordChar(char c) { return crt::isalnum(static_cast<unsigned char>(c)) || c == '\'' ? TRUE : FALSE; }

// Where the templates go: a glyph itself; a word or passage's children when the first template moves
// or changes pieces one by one (wave, cryptographic, explode, gravity), else the piece itself.
std::vector<CKTElement*> SprayTargets(CKTElement* pPiece, const CTypedPtrArray<CObArray, CKTBehavior*>& templates) {
    std::vector<CKTElement*> targets;
    BOOL bChildren = FALSE;
    if (pPiece->GetKind() != KIND_GLYPH && templates.GetSize() > 0) {
        const int nType = templates.GetAt(0)->GetType();
        bChildren = nType == BHVR_WAVE || nType == BHVR_CRYPTOGRAPHIC || nType == BHVR_EXPLODE || nType == BHVR_GRAVITY;
    }
    if (bChildren) {
        for (CKTElement* p = pPiece->GetFirstChild(); p; p = p->GetNextSibling()) targets.push_back(p);
    } else {
        targets.push_back(pPiece);
    }
    return targets;
}

// The piece's PROP_SPRAYING: created (Bool, slot 9) when the slot is empty; a slot holding a property
// of another class (only a file can do that) is left alone.
void SetSpraying(CKTElement* pElement, BOOL bValue, BOOL bCreate) {
    CKTBhvrProp* p = pElement->GetProp(PROP_SPRAYING);
    if (!p && bCreate) {
        p = CKTBehavior::CreateProp(PROPTYPE_BOOL, PROP_SPRAYING);
        pElement->SetProp(PROP_SPRAYING, p);
    }
    if (CKTBoolBhvrProp* pBool = CKTBoolBhvrProp::Cast(p)) pBool->SetValue(bValue);
}

}  // namespace

// ---- fields ---------------------------------------------------------------------------------------

void CQuillView::InitSprayer() {
    for (int i = 0; i < 30; ++i) m_strSamples[i] = kSampleNames[i];
}

void CQuillView::FreeSprayer() {
    CloseSourceFile();
    m_words.RemoveAll();
    m_posChunk = nullptr;
    delete m_pSprayRenderer;
    m_pSprayRenderer = nullptr;
}

// ---- the source and its chunks --------------------------------------------------------------------

CStdioFile* CQuillView::OpenSourceFile(const CString& strPath) {
    auto* pFile = new CStdioFile;
    CFileException e;
    if (pFile->Open(strPath, CFile::modeRead | CFile::typeText, &e)) return pFile;
    char szError[255];
    e.GetErrorMessage(szError, sizeof szError);
    AfxMessageBox((CString(kOpenError) + szError).GetString(), MB_OK);
    delete pFile;
    return nullptr;
}

void CQuillView::CloseSourceFile() {
    if (!m_pSourceFile) return;
    m_pSourceFile->Abort();
    delete m_pSourceFile;
    m_pSourceFile = nullptr;
}

void CQuillView::ReadNextChunk() {
    if (!m_pSourceFile) return;
    m_words.RemoveAll();
    try {
        m_pSourceFile->SeekToBegin();
        if (m_nChunkMode & kWordMode) {
            // Runs of graphic bytes; white space ends a run; other bytes are dropped.
            CString strWord;
            char c;
            while (m_pSourceFile->Read(&c, 1) == 1) {
                const unsigned char u = static_cast<unsigned char>(c);
                if (crt::isgraph(u)) {
                    strWord += c;
                } else if (crt::isspace(u) && !strWord.IsEmpty()) {
                    m_words.AddTail(strWord);
                    strWord.Empty();
                }
            }
            if (!strWord.IsEmpty()) m_words.AddTail(strWord);
        } else {
            CString strLine;
            while (m_pSourceFile->ReadString(strLine))
                if (!strLine.IsEmpty()) m_words.AddTail(strLine);
        }
    } catch (const CException& e) {
        // A read error: the chunks read so far stay.
        ReportException(e);
    }
    m_posChunk = m_words.GetHeadPosition();
    m_nCharIndex = 0;
}

BOOL CQuillView::OpenTextSource(CString strPath) {
    CStdioFile* pFile = OpenSourceFile(strPath);
    if (!pFile) return FALSE;
    CloseSourceFile();
    m_strSourceFile = strPath;
    m_pSourceFile = pFile;
    ReadNextChunk();
    SprayText();
    return TRUE;
}

// ---- spraying -------------------------------------------------------------------------------------

void CQuillView::EnsureSprayLifespan() {
    if (m_pLifespan) return;
    CKTBook* pBook = GetBook();
    if (!pBook) return;
    m_pLifespan = new CKTLifespanBhvr;
    pBook->AddBehavior(m_pLifespan);
    m_pLifespan->StartListening();
    m_bModified = 1;
    m_pLifespan->m_dMinLife = m_dLifespan;
    m_pLifespan->m_dRandomLife = m_dLifespanVariation;
}

// The lifespan and template behaviours belong to the book, whose remove commands may delete them:
// the sprayer lets go of any that the book no longer has. (Not between a note's making its templates
// and its adding them to the book.)
void CQuillView::ForgetRemovedSprayBehaviors() {
    CKTBook* pBook = GetBook();
    auto inBook = [pBook](const CKTBehavior* p) {
        for (POSITION pos = pBook ? pBook->GetFirstBehaviorPosition() : nullptr; pos;)
            if (pBook->GetNextBehavior(pos) == p) return true;
        return false;
    };
    if (m_pLifespan && !inBook(m_pLifespan)) m_pLifespan = nullptr;
    for (INT_PTR i = m_templates.GetSize() - 1; i >= 0; --i)
        if (!inBook(m_templates.GetAt(i))) m_templates.RemoveAt(i);
}

void CQuillView::CentreOnMouse(CKTElement* pElement) {
    CKTBook* pBook = GetBook();
    if (!pBook || !pElement) return;
    const CPoint ptMouse = pBook->GetMousePoint();
    const CPoint ptCentre = pElement->GetCenter();
    pElement->MoveBy(ptMouse.x - ptCentre.x, ptMouse.y - ptCentre.y);
}

void CQuillView::SprayText() {
    CKTBook* pBook = GetBook();
    if (m_words.IsEmpty() || !pBook || !m_pTextRoot) return;
    ForgetRemovedSprayBehaviors();

    // The current piece is released: it will die, and it joins templates made since it was sprayed.
    if (m_pSprayed) {
        EnsureSprayLifespan();
        if (m_pLifespan) m_pLifespan->AddElement(m_pSprayed);
        AttachSprayBehaviors();
    }
    if (!m_posChunk) {
        m_posChunk = m_words.GetHeadPosition();
        m_nCharIndex = 0;
    }

    // New elements in the spray font and colour; glyphs in the spray size.
    auto prepare = [this](CKTElement* p) {
        p->SetFont(m_sprayFont);
        p->SetColor(m_crSpray);
        return p;
    };
    auto newGlyph = [&](char c) {
        auto* p = new CKTGlyph;
        prepare(p);
        p->SetFontSize(m_nSpraySize);
        p->SetChar(c);
        p->SetAutoLayout();
        return p;
    };
    auto newWord = [&] {
        auto* p = new CKTWord;
        prepare(p)->SetAutoLayout();
        return p;
    };
    auto newPassage = [&] {
        auto* p = new CKTPassage;
        prepare(p)->SetAutoLayout();
        m_pTextRoot->AppendChild(p, TRUE);
        return p;
    };
    auto collide = [this](CKTGlyph* p) {
        if (m_pCollisionDetector) m_pCollisionDetector->AddElement(p);
    };

    CKTElement* pNew = nullptr;
    if (m_nChunkMode & kWordMode) {
        const CString strChunk = m_words.GetNext(m_posChunk);
        if (!m_pSprayPassage) m_pSprayPassage = newPassage();
        m_pSprayWord = newWord();
        m_pSprayPassage->AppendChild(m_pSprayWord, FALSE);
        for (int i = 0; i < strChunk.GetLength(); ++i) {
            CKTGlyph* pGlyph = newGlyph(strChunk[i]);
            m_pSprayWord->AppendChild(pGlyph, TRUE);
            collide(pGlyph);
        }
        pNew = m_pSprayWord;
    } else if (m_nChunkMode & kPassageMode) {
        const CString strChunk = m_words.GetNext(m_posChunk);
        m_pSprayPassage = newPassage();
        CKTWord* pWord = nullptr;
        for (int i = 0; i < strChunk.GetLength(); ++i) {
            const char c = strChunk[i];
            if (!IsPrintable(c)) continue;
            CKTGlyph* pGlyph = newGlyph(c);
            if (!pWord || !IsWordChar(c)) {
                pWord = newWord();
                m_pSprayPassage->AppendChild(pWord, TRUE);
            }
            pWord->AppendChild(pGlyph, TRUE);
            collide(pGlyph);
            if (!IsWordChar(c)) pWord = nullptr;
        }
        pNew = m_pSprayPassage;
    } else if (m_nChunkMode & kGlyphMode) {
        CString strChunk = m_words.GetAt(m_posChunk);
        if (m_nCharIndex >= strChunk.GetLength()) {
            m_nCharIndex = 0;
            m_words.GetNext(m_posChunk);
            if (!m_posChunk) m_posChunk = m_words.GetHeadPosition();
            strChunk = m_words.GetAt(m_posChunk);
        }
        if (!m_pSprayPassage) m_pSprayPassage = newPassage();
        if (m_nCharIndex < strChunk.GetLength()) {
            const char c = strChunk[m_nCharIndex];
            if (IsPrintable(c)) {
                m_pSprayGlyph = newGlyph(c);
                if (!m_pSprayWord || !IsWordChar(c)) {
                    m_pSprayWord = newWord();
                    m_pSprayPassage->AppendChild(m_pSprayWord, FALSE);
                }
                m_pSprayWord->AppendChild(m_pSprayGlyph, TRUE);
                collide(m_pSprayGlyph);
                if (!IsWordChar(c)) m_pSprayWord = nullptr;
            }
        }
        m_nCharIndex += 1;
        pNew = m_pSprayGlyph;  // after a character that is not printable: the glyph sprayed before
    }
    m_pSprayed = pNew;

    if (m_pSprayed) {
        if (m_pSprayRenderer) {
            CKTElementRenderer* pClone = m_pSprayRenderer->Clone();
            if (!m_pSprayed->SetRenderer(pClone, TRUE)) delete pClone;  // refused: still ours
        }
        AttachSprayBehaviors();
        CentreOnMouse(m_pSprayed);
    }
    m_fSprayClock = 0.0f;
}

// ---- templates ------------------------------------------------------------------------------------

void CQuillView::AttachSprayBehaviors() {
    if (!m_pSprayed) return;
    SetSpraying(m_pSprayed, TRUE, TRUE);
    if (m_templates.GetSize() == 0) return;
    const std::vector<CKTElement*> targets = SprayTargets(m_pSprayed, m_templates);
    for (INT_PTR i = 0; i < m_templates.GetSize(); ++i)
        for (CKTElement* p : targets) m_templates.GetAt(i)->AddElement(p);
}

void CQuillView::DetachSprayBehaviors() {
    ForgetRemovedSprayBehaviors();
    if (m_pSprayed) {
        SetSpraying(m_pSprayed, FALSE, FALSE);
        const std::vector<CKTElement*> targets = SprayTargets(m_pSprayed, m_templates);
        for (INT_PTR i = 0; i < m_templates.GetSize(); ++i)
            for (CKTElement* p : targets) m_templates.GetAt(i)->RemoveElement(p);
    }
    m_templates.RemoveAll();
}

// ---- the adjusters --------------------------------------------------------------------------------

COLORREF CQuillView::BlendColors(double t) const {
    auto mix = [t](int a, int b) { return TruncToInt((1.0 - t) * a + t * b); };
    return RGB(mix(GetRValue(m_crBlendA), GetRValue(m_crBlendB)), mix(GetGValue(m_crBlendA), GetGValue(m_crBlendB)),
               mix(GetBValue(m_crBlendA), GetBValue(m_crBlendB)));
}

void CQuillView::ApplySprayFace() {
    const LOGFONT* pFace = m_fonts.GetFont(m_nSprayFontIndex);
    if (!pFace) return;
    m_sprayFont = *pFace;
    m_sprayFont.lfHeight = m_nSpraySize * 10;
    if (m_pSprayed) m_pSprayed->SetFont(m_sprayFont);
}

void CQuillView::NextSprayFont() {
    const int nTotal = m_fonts.GetTotalCount();
    if (nTotal <= 0) return;  // no face to go to
    m_nSprayFontIndex += 1;
    if (m_nSprayFontIndex >= nTotal) m_nSprayFontIndex = 0;
    ApplySprayFace();
}

void CQuillView::PreviousSprayFont() {
    const int nTotal = m_fonts.GetTotalCount();
    if (nTotal <= 0) return;
    m_nSprayFontIndex -= 1;
    if (m_nSprayFontIndex < 0) m_nSprayFontIndex = nTotal - 1;
    ApplySprayFace();
}

void CQuillView::ChangeSprayFontSize(int nDelta) {
    m_nSpraySize += nDelta;
    if (m_nSpraySize < 0) m_nSpraySize = 0;
    if (m_nSpraySize > kMaxSpraySize) m_nSpraySize = kMaxSpraySize;
    m_sprayFont.lfHeight = m_nSpraySize * 10;
    if (m_pSprayed) m_pSprayed->SetFont(m_sprayFont);
}

void CQuillView::ApplySprayBlend() {
    m_crSpray = BlendColors(m_dBlend);
    if (m_pSprayed) m_pSprayed->SetColor(m_crSpray);
}

void CQuillView::DecreaseColorBlend(double dDelta) {
    m_dBlend -= dDelta;
    if (m_dBlend < 0.0) m_dBlend = 0.0;
    ApplySprayBlend();
}

void CQuillView::IncreaseColorBlend(double dDelta) {
    m_dBlend += dDelta;
    if (m_dBlend > 1.0) m_dBlend = 1.0;
    ApplySprayBlend();
}

void CQuillView::AdjustSpraySpeed(float fDelta) {
    m_fSpraySpeed += fDelta;
    if (m_fSpraySpeed > 1.0f) m_fSpraySpeed = 1.0f;
    if (m_fSpraySpeed < 0.0f) m_fSpraySpeed = 0.0f;
}

void CQuillView::AdjustSprayLifespan(double dDelta) {
    m_dLifespan += dDelta;
    ForgetRemovedSprayBehaviors();
    if (m_pLifespan) m_pLifespan->m_dMinLife = m_dLifespan;  // pieces released earlier keep their time
}

// ---- MIDI -----------------------------------------------------------------------------------------

int CQuillView::HeldFlagOfNote(int nNote) {
    switch (nNote) {
        case 33: return 0;
        case 35: return 1;
        case 36: return 2;
        case 38: return 3;
        case 37: return 4;
        case 39: return 5;
        case 48: return 6;
        case 50: return 7;
        case 49: return 8;
        case 51: return 9;
        default: return -1;
    }
}

void CQuillView::ClearHeldFlag(DWORD dwMsg) {
    const int nStatus = static_cast<int>(dwMsg & 0xF0);
    const int nVelocity = static_cast<int>((dwMsg >> 16) & 0xFF);
    if (nStatus != 0x80 && !(nStatus == 0x90 && nVelocity == 0)) return;
    const int nFlag = HeldFlagOfNote(static_cast<int>((dwMsg >> 8) & 0xFF));
    if (nFlag >= 0) m_bNoteHeld[nFlag] = 0;
}

LRESULT CQuillView::OnMidiData(WPARAM, LPARAM dwMidiMessage) {
    const DWORD dwMsg = static_cast<DWORD>(dwMidiMessage);
    // A note-off clears its flag even when the rest of the message is dropped.
    ClearHeldFlag(dwMsg);
    if (!m_bSpraying || !m_pSprayed) return 0;
    const int nStatus = static_cast<int>(dwMsg & 0xF0);  // the channel does not matter
    const int nData1 = static_cast<int>((dwMsg >> 8) & 0xFF);
    const int nData2 = static_cast<int>((dwMsg >> 16) & 0xFF);
    if (nStatus == 0x90 && nData2 != 0) {
        OnSprayNote(nData1, dwMsg);
    } else if (nStatus == 0xB0) {
        // Any controller sets the glyph size (the spray font keeps its height).
        m_nSpraySize = nData2;
        m_pSprayed->SetFontSize(m_nSpraySize);
    }
    return 0;
}

void CQuillView::SetSprayRenderer(CKTElementRenderer* pPrototype) {
    delete m_pSprayRenderer;
    m_pSprayRenderer = pPrototype;
    CKTElementRenderer* pClone = pPrototype->Clone();
    if (!m_pSprayed->SetRenderer(pClone, TRUE)) delete pClone;
}

void CQuillView::UseSprayTemplates(std::initializer_list<CKTBehavior*> templates, BOOL bAttachNow) {
    DetachSprayBehaviors();
    for (CKTBehavior* p : templates) m_templates.Add(p);
    if (bAttachNow) AttachSprayBehaviors();
}

// Note 115: every glyph of the scene outside the current piece gets an explosion and accelerates on
// collisions; the restart ramp is armed.
void CQuillView::ExplodeAllButSprayed() {
    CKTBook* pBook = GetBook();
    if (!pBook) return;
    auto* pExplode = new CKTExplodeBhvr;
    pExplode->SetForceRange(500.0, 2000.0);
    auto* pAccelerate = new CKTAccelerateOnCollision;
    pAccelerate->SetMagnitude(50.0);
    for (CKTElement* pPassage = m_pTextRoot ? m_pTextRoot->GetFirstChild() : nullptr; pPassage;
         pPassage = pPassage->GetNextSibling()) {
        if (pPassage == m_pSprayed) continue;
        for (CKTElement* pWord = pPassage->GetFirstChild(); pWord; pWord = pWord->GetNextSibling()) {
            if (pWord == m_pSprayed) continue;
            for (CKTElement* pGlyph = pWord->GetFirstChild(); pGlyph; pGlyph = pGlyph->GetNextSibling()) {
                if (pGlyph == m_pSprayed) continue;
                pExplode->AddElement(pGlyph);
                pAccelerate->AddElement(pGlyph);
            }
        }
    }
    for (CKTBehavior* p : {static_cast<CKTBehavior*>(pExplode), static_cast<CKTBehavior*>(pAccelerate)}) {
        pBook->AddBehavior(p);
        p->StartListening();
    }
    m_dRestartRamp = 0.0;
}

void CQuillView::OnSprayNote(int nNote, DWORD dwMsg) {
    CKTBook* pBook = GetBook();
    if (!pBook) return;
    auto add = [pBook](std::initializer_list<CKTBehavior*> behaviors, BOOL bStart) {
        for (CKTBehavior* p : behaviors) {
            pBook->AddBehavior(p);
            if (bStart) p->StartListening();
        }
    };
    // A behaviour note: the templates (joined at once or at the release), then the book adds and
    // starts the behaviours in its own order, and the message is kept for replays.
    auto behaviorNote = [&](std::initializer_list<CKTBehavior*> templates, BOOL bAttachNow,
                            std::initializer_list<CKTBehavior*> started) {
        UseSprayTemplates(templates, bAttachNow);
        add(started, TRUE);
        m_dwLastMidiMsg = dwMsg;
    };
    auto hold = [this](int note) { m_bNoteHeld[HeldFlagOfNote(note)] = 1; };
    auto setPair = [this](COLORREF a, COLORREF b) {
        m_crBlendA = a;
        m_crBlendB = b;
    };
    auto setMode = [this](int nMode) {
        if (m_nChunkMode == nMode) return;
        m_nChunkMode = nMode;
        ReadNextChunk();
    };

    if (nNote >= kFirstSampleNote && nNote <= kLastSampleNote) {
        OpenTextSource(m_strSamples[nNote - kFirstSampleNote]);
        return;
    }
    switch (nNote) {
        case 28: ResetDocument(); break;
        case 29: {
            char szName[32];
            const std::time_t now = std::time(nullptr);
            std::tm local{};
            localtime_r(&now, &local);
            std::strftime(szName, sizeof szName, "TO%j%H%M%S.qsd", &local);
            // The program names this file itself: written at once, without the save dialog, whether or
            // not the scene has a name the user chose.
            m_strPath = szName;
            SaveDocumentTo(m_strPath);
            break;
        }
        case 30: setMode(kGlyphMode); break;
        case 31: setMode(kWordMode); break;
        case 32: setMode(kPassageMode); break;
        case 33: NextSprayFont(); hold(nNote); break;
        case 35: PreviousSprayFont(); hold(nNote); break;
        case 36: ChangeSprayFontSize(-5); hold(nNote); break;
        case 37: DecreaseColorBlend(0.01); hold(nNote); break;
        case 38: ChangeSprayFontSize(+5); hold(nNote); break;
        case 39: IncreaseColorBlend(0.01); hold(nNote); break;
        case 40: setPair(0xFFFFFF, 0x000000); break;
        case 42: setPair(0x00FF46, 0x820E57); break;
        case 43: setPair(0x3F6FFF, 0x5FF9F8); break;
        case 44: setPair(0x3FFFFD, 0x8C1DF1); break;
        case 45: setPair(0xFF00B4, 0x24620F); break;
        case 47: pBook->SetBackgroundColor(pBook->GetBackgroundColor() == 0 ? 0xFFFFFF : 0); break;
        case 48: AdjustSpraySpeed(-0.01f); hold(nNote); break;
        case 49: AdjustSprayLifespan(-0.01); hold(nNote); break;
        case 50: AdjustSpraySpeed(+0.01f); hold(nNote); break;
        case 51: AdjustSprayLifespan(+0.01); hold(nNote); break;
        case 52: SetSprayRenderer(new CKTERDefault); break;
        case 54: {
            auto* p = new CKTERPull;
            p->m_fMouseStrength = 0.0f;
            p->m_fMouseFalloff = 0.0f;
            p->m_fOriginStrength = 0.0f;
            SetSprayRenderer(p);
            break;
        }
        case 55: {
            auto* p = new CKTERPulse;
            p->m_fPeriod = m_fPulsePeriod;
            p->m_fScale = 0.0f;
            p->m_fDistortion = 0.0f;
            SetSprayRenderer(p);
            break;
        }
        case 56: {
            auto* p = new CKTERColorStatic;
            p->m_fRadius = m_fColorStaticRadius;
            p->m_fSpeed = m_fColorStaticSpeed;
            p->m_fSpacing = m_fColorStaticSpacing;
            SetSprayRenderer(p);
            break;
        }
        case 57:
        case 59: {
            // Both take the disintegrate values (the erosion renderer too).
            CKTTrackingMaskRenderer* p = nNote == 57 ? static_cast<CKTTrackingMaskRenderer*>(new CKTERSplatter)
                                                     : static_cast<CKTTrackingMaskRenderer*>(new CKTERErosion);
            p->SetMouseOverRate(m_fDisintegrateMouseOver);
            p->SetMouseOutsideRate(m_fDisintegrateMouseOutside);
            SetSprayRenderer(p);
            break;
        }
        case 58: {
            auto* p = new CKTERDrift;
            p->m_fMouseStrength = m_fDriftMouseStrength;
            p->m_fMouseFalloff = m_fDriftMouseFalloff;
            p->m_fOriginStrength = m_fDriftOriginStrength;
            p->m_fFriction = m_fDriftFriction;
            SetSprayRenderer(p);
            break;
        }
        case 60: {
            auto* p = new CKTERLens;
            p->m_fMagnification = m_fLensMagnification;
            p->m_fFalloff = m_fLensFalloff;
            SetSprayRenderer(p);
            break;
        }
        case 61: {
            auto* p = new CKTERPull;
            p->m_fMouseStrength = m_fPullMouseStrength;
            p->m_fMouseFalloff = m_fPullMouseFalloff;
            p->m_fOriginStrength = m_fPullOriginStrength;
            SetSprayRenderer(p);
            break;
        }
        case 62: {
            auto* p = new CKTERPulse;
            p->m_fPeriod = m_fPulsePeriod;
            p->m_fScale = m_fPulseScale;
            p->m_fDistortion = m_fPulseDistortion;
            SetSprayRenderer(p);
            break;
        }
        case 63:
            DetachSprayBehaviors();
            m_dwLastMidiMsg = 0;
            break;
        case 64: {
            auto* pCruise = new CKTCruiseBhvr;
            pCruise->SetMaxAcceleration(25.0);
            auto* pStay = new CKTStayInWindowBhvr;
            pStay->SetMargins(CRect(0, 0, 0, 0));
            pStay->SetResponse(2);  // accelerate
            pStay->SetResponseFactor(50.0);
            auto* pAccelerate = new CKTAccelerateOnCollision;
            auto* pDrag = new CKTViscousDragBhvr;
            pDrag->SetDrag(0.01);
            behaviorNote({pCruise, pStay, pAccelerate, pDrag}, FALSE, {pCruise, pDrag, pStay, pAccelerate});
            break;
        }
        case 65: {
            auto* p = new CKTCryptographicBhvr;
            p->SetShiftRange(12, 36);
            p->SetSpeed(0.5);
            p->SetContinuous(TRUE);
            behaviorNote({p}, TRUE, {p});
            break;
        }
        case 66: {
            auto* pExplode = new CKTExplodeBhvr;
            pExplode->SetForceRange(500.0, 2000.0);
            auto* pAccelerate = new CKTAccelerateOnCollision;
            pAccelerate->SetMagnitude(50.0);
            auto* pTrigger = new CKTTimeTrigger;
            UseSprayTemplates({pExplode, pAccelerate, pTrigger}, TRUE);
            add({pExplode, pAccelerate}, FALSE);  // the trigger starts them
            pTrigger->AddStartBehavior(pExplode);
            pTrigger->AddStartBehavior(pAccelerate);
            pTrigger->SetFireTime(pBook->GetClock() + 1.0);
            add({pTrigger}, TRUE);
            m_dwLastMidiMsg = dwMsg;
            break;
        }
        case 67:
        case 70: {
            auto* pGravity = new CKTGravityBhvr;
            if (nNote == 67) {
                pGravity->SetGroundType(2);  // the window
                pGravity->SetFeedback(0.2);
                pGravity->SetElasticity(0.5);
                pGravity->SetMagnitude(30.0);
            } else {
                pGravity->SetElasticity(0.2);
                pGravity->SetFeedback(0.0);
                pGravity->SetMagnitude(30.0);
                pGravity->SetGroundType(3);  // loop
            }
            auto* pDrag = new CKTViscousDragBhvr;
            pDrag->SetDrag(0.5);
            behaviorNote({pGravity, pDrag}, FALSE, {pGravity, pDrag});
            break;
        }
        case 68: {
            auto* p = new CKTMoveToMouseBhvr;
            behaviorNote({p}, TRUE, {p});
            break;
        }
        case 69: {
            auto* p = new CKTMoveAwayFromMouseBhvr;
            behaviorNote({p}, FALSE, {p});
            break;
        }
        case 72: {
            auto* p = new CKTThrobBhvr;
            p->SetMaxSize(2.0);
            p->SetMinSize(0.5);
            p->SetStep(0.2);
            behaviorNote({p}, TRUE, {p});
            break;
        }
        case 73: {
            auto* p = new CKTViralBhvr;
            p->SetDormancyPeriod(1.0);
            behaviorNote({p}, TRUE, {p});
            break;
        }
        case 74: {
            auto* p = new CKTWaveBhvr;
            p->SetMaxCrest(20.0);
            p->SetPhaseIncrement(0.1);
            behaviorNote({p}, TRUE, {p});
            break;
        }
        case 115: ExplodeAllButSprayed(); break;
        default: break;  // 34, 41, 46, 53, 71, 75 to 77, 104 to 114 and the notes outside 28 to 115
    }
}

// ---- the tick and command 116 -----------------------------------------------------------------------

void CQuillView::SprayerTick() {
    for (int nFlag = 0; nFlag < 10; ++nFlag) {
        if (!m_bNoteHeld[nFlag]) continue;
        switch (nFlag) {
            case 0: NextSprayFont(); break;
            case 1: PreviousSprayFont(); break;
            case 2: ChangeSprayFontSize(-5); break;
            case 3: ChangeSprayFontSize(+5); break;
            case 4: DecreaseColorBlend(0.01); break;
            case 5: IncreaseColorBlend(0.01); break;
            case 6: AdjustSpraySpeed(-0.01f); break;
            case 7: AdjustSpraySpeed(+0.01f); break;
            case 8: AdjustSprayLifespan(-0.01); break;
            case 9: AdjustSprayLifespan(+0.01); break;
        }
    }
    CentreOnMouse(m_pSprayed);
    if (m_dRestartRamp > -1.0) {
        m_dRestartRamp += 0.01;
        if (m_dRestartRamp > 1.0) {
            ResetDocument();
            m_dRestartRamp = -1.0;
        }
    }
}

void CQuillView::ShowSprayCursor(BOOL bShow) {
    if (bShow && m_bCursorShown == 0) {
        m_bCursorShown = 1;
        unsetCursor();
    } else if (!bShow && m_bCursorShown == 1) {
        m_bCursorShown = 0;
        setCursor(Qt::BlankCursor);
    }
}

void CQuillView::ToggleWordnozzle() {
    if (m_bSpraying) {
        // The piece stays where it is, without a lifespan; the templates keep their elements.
        m_bSpraying = 0;
        m_pSprayed = nullptr;
        m_templates.RemoveAll();
        if (m_pWordnozzleItem) m_pWordnozzleItem->SetLabel("wordnozzle");
        ShowSprayCursor(TRUE);
        return;
    }
    CWordnozzleDialog dlg;
    dlg.m_strFile = m_strSourceFile;
    dlg.m_fSpeed = m_fSpraySpeed;
    dlg.m_dBase = m_dLifespan;
    dlg.m_dVariation = m_dLifespanVariation;
    if (dlg.DoModal() != IDOK) return;
    CloseSourceFile();
    m_strSourceFile = dlg.m_strFile;
    m_fSpraySpeed = dlg.m_fSpeed;
    m_dLifespan = dlg.m_dBase;
    m_dLifespanVariation = dlg.m_dVariation;
    m_nChunkMode = dlg.m_nChunk == 0 ? kGlyphMode : (dlg.m_nChunk == 2 ? kPassageMode : kWordMode);
    m_pSourceFile = OpenSourceFile(m_strSourceFile);
    if (!m_pSourceFile) return;
    ReadNextChunk();
    ForgetRemovedSprayBehaviors();
    EnsureSprayLifespan();
    if (m_pLifespan) {
        m_pLifespan->m_dMinLife = m_dLifespan;
        m_pLifespan->m_dRandomLife = m_dLifespanVariation;
    }
    if (!m_pSprayRenderer && m_pDefaultRenderer) m_pSprayRenderer = m_pDefaultRenderer->Clone();
    m_nSpraySize = std::min(m_nPointSize, kMaxSpraySize);
    m_crSpray = m_crTypingColor;
    m_sprayFont = m_logFont;
    m_bSpraying = 1;
    SprayText();
    if (m_dwLastMidiMsg != 0) OnMidiData(0, static_cast<LPARAM>(m_dwLastMidiMsg));
    if (m_pWordnozzleItem) m_pWordnozzleItem->SetLabel("stop wordnozzle");
    ShowSprayCursor(FALSE);
}
