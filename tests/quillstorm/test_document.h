// A started program for the document tests: a 640 x 480 canvas that has been painted (so a load can
// compare a stored canvas size with it), typing, the scene read back as text and as glyph places, and
// documents written in the forms of older versions.
#pragma once


#include <algorithm>
#include <cstring>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "afx/filesizelimit.h"
#include "appfixture.h"
#include "fuzz/document/fuzzdoc.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktcruisebhvr.h"
#include "kinetype/ktdocument.h"
#include "kinetype/ktglyph.h"
#include "kinetype/kttext.h"

// A glyph's character and where it stands.
struct GlyphPlace {
    char c;
    CRect rc;
    bool operator==(const GlyphPlace& o) const { return c == o.c && rc == o.rc; }
};
inline void PrintTo(const GlyphPlace& g, std::ostream* os) {
    *os << "'" << g.c << "'@";
    PrintTo(g.rc, os);
}

// UI services that run a hook (ticks and paints, say) inside every message box before it answers.
class CHookedBoxUI : public ui::CScriptedUIServices {
public:
    std::function<void()> onMessageBox;
    int MessageBox(const std::string& strText, const std::string& strCaption, UINT nType) override {
        if (onMessageBox) onMessageBox();
        return CScriptedUIServices::MessageBox(strText, strCaption, nType);
    }
};

class DocumentFixture : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        // The loader keeps the version of the last load; each test starts as the program does.
        g_fFileVersion = 0.0f;
        ASSERT_TRUE(Start());
        NewCanvas();
    }

    CQuillView* v() const { return View(); }

    // The canvas at 640 x 480, painted.
    void NewCanvas() {
        v()->SetCanvasSize(640, 480);
        v()->repaint();
        ASSERT_NE(v()->m_pClientRect, nullptr);
    }

    void Type(const std::string& text) {
        for (char c : text) v()->OnChar(static_cast<unsigned char>(c), 1, 0);
    }

    // The characters of the scene, passage by passage ('|' between passages).
    std::string Text() const {
        std::string out;
        for (CKTElement* p = Book()->GetRoot()->GetFirstChild(); p; p = p->GetNextSibling()) {
            if (!out.empty()) out += '|';
            for (CKTElement* w = p->GetFirstChild(); w; w = w->GetNextSibling())
                for (CKTElement* g = w->GetFirstChild(); g; g = g->GetNextSibling())
                    out += static_cast<CKTGlyph*>(g)->GetChar();
        }
        return out;
    }

    std::vector<GlyphPlace> Places() const {
        std::vector<GlyphPlace> out;
        for (CKTElement* p = Book()->GetRoot()->GetFirstChild(); p; p = p->GetNextSibling())
            for (CKTElement* w = p->GetFirstChild(); w; w = w->GetNextSibling())
                for (CKTElement* g = w->GetFirstChild(); g; g = g->GetNextSibling())
                    out.push_back({static_cast<CKTGlyph*>(g)->GetChar(), g->GetAbsoluteBounds()});
        return out;
    }

    // A cruise behaviour on every glyph of the scene, running.
    CKTCruiseBhvr* AddCruise(double dMaxAcceleration) {
        auto* pCruise = new CKTCruiseBhvr;
        pCruise->SetMaxAcceleration(dMaxAcceleration);
        for (CKTElement* p = Book()->GetRoot()->GetFirstChild(); p; p = p->GetNextSibling())
            for (CKTElement* w = p->GetFirstChild(); w; w = w->GetNextSibling())
                for (CKTElement* g = w->GetFirstChild(); g; g = g->GetNextSibling()) EXPECT_TRUE(pCruise->AddElement(g));
        Book()->AddBehavior(pCruise);
        pCruise->StartListening();
        return pCruise;
    }

    // The current scene written as a program of that version wrote it (NULL text: no version string).
    void WriteForm(const char* pszName, const char* pszVersionText, float fVersion, LONG w, LONG h) {
        WriteBytes(pszName, FzdWriteForm(*Book(), pszVersionText, fVersion, w, h));
    }
    // The same, with the cruise behaviour of maximum acceleration dCruise (one that occurs nowhere
    // else in the file) in the form of files older than 0.8: one more double before its maximum
    // acceleration. (A book stores its behaviours in the current form whatever the version.)
    void WriteFormWithOldCruise(const char* pszName, const char* pszVersionText, float fVersion, double dCruise) {
        std::vector<BYTE> bytes = FzdWriteForm(*Book(), pszVersionText, fVersion, 0, 0);
        BYTE pattern[sizeof(double)];
        std::memcpy(pattern, &dCruise, sizeof pattern);
        auto at = std::search(bytes.begin(), bytes.end(), std::begin(pattern), std::end(pattern));
        ASSERT_NE(at, bytes.end());
        ASSERT_EQ(std::search(at + 1, bytes.end(), std::begin(pattern), std::end(pattern)), bytes.end());
        bytes.insert(at, sizeof(double), BYTE(0));
        WriteBytes(pszName, bytes);
    }
    void WriteBytes(const char* pszName, const std::vector<BYTE>& bytes) {
        std::ofstream f(Path(pszName), std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    std::vector<BYTE> ReadBytes(const std::string& path) const {
        std::ifstream f(path, std::ios::binary);
        return std::vector<BYTE>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    }
    bool Exists(const std::string& path) const { return std::ifstream(path).good(); }

    // The user's own scene, different from any file: typed, modified, with a path of its own.
    void UserScene() {
        v()->m_bModified = 0;
        v()->OnFileNew();
        Type("mine");
        v()->m_bModified = 1;
        v()->NameScene("mine.qsd");
    }
};
