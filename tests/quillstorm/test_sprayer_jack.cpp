// End to end over JACK: a JACK server of the test's own, a keyboard stand-in on it whose port is open
// before the program starts, the program's MIDI input on JACK device 0, and a running sprayer that
// gets exactly the messages played, in order, on the GUI thread.
#include <QCoreApplication>

#include <chrono>
#include <fstream>
#include <thread>

#include "appfixture.h"
#include "kinetype/ktbook.h"
#include "midi/jacktools.h"
#include "quillstorm/wordnozzledialog.h"

namespace {

class SprayerOverJack : public AppFixture {
protected:
    void TearDown() override {
        midi::SetSystemApi(midi::SystemApi::Auto);
        AppFixture::TearDown();
    }
};

TEST_F(SprayerOverJack, PlayedNotesReachTheRunningSprayer) {
    jacktest::CJackServer server;
    std::string why;
    if (!server.Start(&why)) GTEST_SKIP() << why;
    jacktest::CJackMidiOut keyboard;
    ASSERT_TRUE(keyboard.Start("qs_keyboard", &why)) << why;
    // The program goes before the keyboard and the server (its JACK client closes first).
    struct CloseProgram {
        std::unique_ptr<CQuillApp>& app;
        ~CloseProgram() {
            if (app && app->m_pMainWnd) app->m_pMainWnd->DestroyWindow();
            app.reset();
        }
    } closeProgram{m_pApp};

    midi::SetInputDriver(nullptr);
    midi::SetSystemApi(midi::SystemApi::Jack);
    ASSERT_TRUE(Start());
    ASSERT_NE(g_hMidiIn, nullptr) << midiInGetStatusText();
    ASSERT_EQ(keyboard.Command("wait"), "connected");

    CQuillView* v = View();
    v->SetCanvasSize(640, 480);
    v->repaint();
    const std::string source = Path("source.txt");
    { std::ofstream(source) << "played words\n"; }
    m_ui.AnswerDialog([&](ui::CParamDialog& d) {
        d.TypeText(CWordnozzleDialog::IDC_FILE, source);
        return IDOK;
    });
    v->ExecuteCommand(116, TRUE);
    ASSERT_EQ(v->m_bSpraying, 1);
    ASSERT_NE(v->m_pSprayed, nullptr);
    ASSERT_EQ(Book()->GetBackgroundColor(), 0xFFFFFFu);

    std::vector<DWORD> got;
    v->m_onMidiMessage = [&](DWORD m) { got.push_back(m); };
    EXPECT_TRUE(keyboard.Send({0x90, 47, 100}));
    EXPECT_TRUE(keyboard.Send({0x80, 47, 0}));
    EXPECT_TRUE(keyboard.Send({0x93, 36, 64}));
    EXPECT_TRUE(keyboard.Send({0x93, 36, 0}));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (got.size() < 4 && std::chrono::steady_clock::now() < deadline) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    keyboard.Command("sleep 100");
    QCoreApplication::processEvents();
    EXPECT_EQ(got, (std::vector<DWORD>{0x00642F90, 0x00002F80, 0x00402493, 0x00002493}));
    EXPECT_EQ(Book()->GetBackgroundColor(), 0u);
    EXPECT_EQ(v->m_bNoteHeld[2], 0);
    v->m_onMidiMessage = nullptr;
}

}  // namespace
