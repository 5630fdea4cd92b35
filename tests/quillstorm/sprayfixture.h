// The text sprayer's tests: a started program (canvas 640 x 480, painted once so that every tick paints),
// source texts written into the scratch current directory, the sprayer started through command 116
// with a scripted dialog, and MIDI messages handed to the view as the GUI thread gets them.
#pragma once

#include <fstream>
#include <set>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QEvent>

#include "inputfixture.h"
#include "kinetype/ktbehavior.h"
#include "kinetype/ktboolbhvrprop.h"
#include "quillstorm/wordnozzledialog.h"

class SprayFixture : public InputFixture {
protected:
    static constexpr UINT kWordnozzle = 116;
    static constexpr int kGlyphChunk = 0;
    static constexpr int kWordChunk = 1;
    static constexpr int kPassageChunk = 2;

    void SetUp() override {
        m_midi.m_nDevices = 1;  // MIDI reaches the view through the fake device and the view's relay
        InputFixture::SetUp();
        ASSERT_NE(g_hMidiIn, nullptr);
        v()->repaint();  // the client rectangle: from now on every tick paints
        ASSERT_NE(v()->m_pClientRect, nullptr);
        Book()->OnMouseMove(m_ptMouse);
    }

    CQuillView* v() const { return View(); }

    // A file of exactly these bytes in the scratch folder; its full path.
    std::string WriteSource(const char* name, const std::string& bytes) {
        const std::string path = Path(name);
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    // Command 116 (after stopping a running sprayer) with the dialog answered: source, chunk index, speed, lifespan base and variation.
    void StartSprayer(const std::string& path, int nChunk = kWordChunk, float fSpeed = 0.1f, double dBase = 0.1,
                      double dVariation = 0.0) {
        if (v()->m_bSpraying) v()->ExecuteCommand(kWordnozzle, TRUE);  // stop first
        m_ui.AnswerDialog([=](ui::CParamDialog& d) {
            d.TypeText(CWordnozzleDialog::IDC_FILE, path);
            d.PickItem(CWordnozzleDialog::IDC_CHUNK, nChunk);
            d.TypeText(CWordnozzleDialog::IDC_SPEED, ui::FormatFloat(fSpeed));
            d.TypeText(CWordnozzleDialog::IDC_BASE, ui::FormatDouble(dBase));
            d.TypeText(CWordnozzleDialog::IDC_VARIATION, ui::FormatDouble(dVariation));
            return IDOK;
        });
        v()->ExecuteCommand(kWordnozzle, TRUE);
    }

    // A source of these bytes, sprayed: the first piece is there.
    void Spray(const std::string& bytes, int nChunk = kWordChunk, float fSpeed = 0.1f) {
        StartSprayer(WriteSource("source.txt", bytes), nChunk, fSpeed);
        ASSERT_EQ(v()->m_bSpraying, 1);
    }

    void Tick(int n = 1) {
        for (int i = 0; i < n; ++i) v()->OnTimer(CQuillView::kFrameTimerId);
    }

    // MIDI as the GUI thread hands it over (the view's own path: drops, flag clearing).
    void Midi(DWORD dwMsg) { Deliver(dwMsg); }
    void NoteOn(int nNote, int nVelocity = 100) { Midi(0x90u | static_cast<DWORD>(nNote) << 8 | static_cast<DWORD>(nVelocity) << 16); }
    void NoteOff(int nNote) { Midi(0x80u | static_cast<DWORD>(nNote) << 8); }
    static DWORD NoteOnMsg(int nNote, int nVelocity = 100) {
        return 0x90u | static_cast<DWORD>(nNote) << 8 | static_cast<DWORD>(nVelocity) << 16;
    }

    // The fake device sends the three bytes; the relay's queued call runs (posted calls only: no
    // frame tick comes in between).
    void Deliver(DWORD dwMsg) {
        const unsigned char bytes[3] = {static_cast<unsigned char>(dwMsg), static_cast<unsigned char>(dwMsg >> 8),
                                        static_cast<unsigned char>(dwMsg >> 16)};
        m_midi.Send(bytes, 3);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::MetaCall);
    }

    // The book's behaviours of the sprayer's making (not the detector, integrator or lifespan), in
    // book order.
    std::vector<CKTBehavior*> MadeBehaviors() const {
        std::vector<CKTBehavior*> out;
        for (POSITION pos = Book()->GetFirstBehaviorPosition(); pos;) {
            CKTBehavior* p = Book()->GetNextBehavior(pos);
            const int t = p->GetType();
            if (t != BHVR_1DCOLLISIONDET && t != BHVR_EULER && t != BHVR_LIFESPAN) out.push_back(p);
        }
        return out;
    }

    std::vector<int> TemplateTypes() const {
        std::vector<int> out;
        for (INT_PTR i = 0; i < v()->m_templates.GetSize(); ++i) out.push_back(v()->m_templates.GetAt(i)->GetType());
        return out;
    }

    static std::vector<CKTElement*> ElementsOf(const CKTBehavior* p) {
        std::vector<CKTElement*> out;
        for (POSITION pos = p->GetFirstElementPosition(); pos;) out.push_back(p->GetNextElement(pos));
        return out;
    }

    static std::vector<CKTElement*> Children(CKTElement* p) {
        std::vector<CKTElement*> out;
        for (CKTElement* c = p->GetFirstChild(); c; c = c->GetNextSibling()) out.push_back(c);
        return out;
    }

    // PROP_SPRAYING: -1 without the property, else its value.
    static int Spraying(const CKTElement* p) {
        const CKTBoolBhvrProp* b = CKTBoolBhvrProp::Cast(p->GetProp(PROP_SPRAYING));
        return b ? (b->GetValue() ? 1 : 0) : -1;
    }

    // The text of a word or glyph.
    static std::string Text(CKTElement* p) {
        if (p->GetKind() == KIND_GLYPH) return std::string(1, static_cast<CKTGlyph*>(p)->GetChar());
        std::string s;
        for (CKTElement* c = p->GetFirstChild(); c; c = c->GetNextSibling()) s += Text(c);
        return s;
    }

    CPoint m_ptMouse{300, 200};
};
