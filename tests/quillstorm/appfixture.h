// A started program for the tests: the application's start-up without the splash, settings in a
// scratch file, a fake MIDI driver, scripted UI services and a scratch current directory (saves and
// file dialogs land there).
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <memory>
#include <ostream>
#include <string>
#include <unistd.h>

#include "kinetype/ktbook.h"
#include "kinetype/ktglyph.h"
#include "kinetype/ktpassage.h"
#include "kinetype/kttext.h"
#include "kinetype/ktword.h"
#include "platform/midi/fakemidiin.h"
#include "platform/ui/scriptedui.h"
#include "quillstorm/QuillView.h"
#include "quillstorm/mainfrm.h"
#include "quillstorm/quill.h"
#include "quillstorm/quilldoc.h"

// Readable failures for the geometry types.
inline void PrintTo(const CRect& r, std::ostream* os) { *os << "(" << r.left << "," << r.top << "," << r.right << "," << r.bottom << ")"; }
inline void PrintTo(const CPoint& p, std::ostream* os) { *os << "(" << p.x << "," << p.y << ")"; }

// A machine without fonts: the font catalogue comes out empty (set CQuillView::s_pFontSource to one
// before Start).
class CNoFontSource : public CFontSource {
public:
    std::vector<Family> EnumFamilies() const override { return {}; }
    std::vector<Face> EnumFaces(const std::string&) const override { return {}; }
    bool GetInstalledFontNames(std::vector<std::string>* names) const override {
        names->clear();
        return true;
    }
};

class AppFixture : public ::testing::Test {
protected:
    // Before Start: how many MIDI devices the fake has.
    midi::CFakeMidiInDriver m_midi;
    ui::CScriptedUIServices m_ui;
    QTemporaryDir m_dir;
    std::unique_ptr<CQuillApp> m_pApp;
    std::string m_strOldCwd;

    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        char buf[4096];
        m_strOldCwd = getcwd(buf, sizeof(buf)) ? buf : "/";
        ASSERT_EQ(chdir(m_dir.path().toLocal8Bit().constData()), 0);
        m_pOldDriver = midi::SetInputDriver(&m_midi);
    }

    void TearDown() override {
        m_pApp.reset();
        midi::SetInputDriver(m_pOldDriver == midi::SystemInputDriver() ? nullptr : m_pOldDriver);
        if (chdir(m_strOldCwd.c_str()) != 0) ADD_FAILURE() << "cannot return to " << m_strOldCwd;
    }

    // Starts the program with these arguments (no splash, scratch settings unless given).
    BOOL Start(std::vector<std::string> args = {}) {
        args.push_back("--no-splash");
        args.push_back("--settings=" + (m_dir.path() + "/settings.ini").toStdString());
        CQuillStartup startup = CQuillStartup::FromArguments(args);
        startup.bShellIntegration = false;  // the user's data folder and socket stay the user's
        m_pApp = std::make_unique<CQuillApp>();
        return m_pApp->InitInstance(startup);
    }

    std::string Path(const char* name) const { return m_dir.path().toStdString() + "/" + name; }  // bytes

    // A word of the given characters (not in any book).
    static CKTWord* MakeWord(const char* text) {
        auto* pWord = new CKTWord;
        for (const char* c = text; *c; ++c) {
            auto* pGlyph = new CKTGlyph;
            pGlyph->SetChar(*c);
            pWord->AppendChild(pGlyph, TRUE);
        }
        return pWord;
    }
    // A passage in the book holding one word per text.
    CKTPassage* AddPassage(std::initializer_list<const char*> words) {
        auto* pPassage = new CKTPassage;
        Book()->GetRoot()->AppendChild(pPassage, TRUE);
        for (const char* w : words) pPassage->AppendChild(MakeWord(w), TRUE);
        return pPassage;
    }

    CMainFrame* Frame() const { return m_pApp ? m_pApp->m_pMainWnd : nullptr; }
    CQuillView* View() const { return Frame() ? Frame()->GetActiveView() : nullptr; }
    CKTBook* Book() const { return m_pApp && m_pApp->m_pDocument ? m_pApp->m_pDocument->m_pBook : nullptr; }

private:
    midi::CMidiInDriver* m_pOldDriver = nullptr;
};
