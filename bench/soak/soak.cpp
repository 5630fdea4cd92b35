// The soak driver: the program's own start-up and event loop (frame timer, painting, MIDI relay), with
// the desktop's side switched off (no socket, no desktop entry), settings in a scratch file, and the
// MIDI input driver replaced by the fake, so that a run needs no sound server and can be repeated.
//
//     qs_soak page FILE [SECONDS]          opens FILE (say, a page written by qs_write_page) and runs it
//     qs_soak spray [SECONDS]              the text sprayer, played from a fixed list of notes
//     qs_soak notes                        prints the list of notes and exits
//
// SECONDS (default 900) ends the run. Every 30 s the driver prints a line of figures: its resident
// memory, the heap in use and its arenas' size, the scene's elements and behaviours, the font cache's
// faces and bytes and the collision detector's band room (entries); scripts/soak.sh samples the
// resident memory from outside too.
//
// The sprayer run: word chunks of a generated text (two thousand words), speed 0.25, lifespan 5 s, the
// left button held and the mouse wandering. The notes are 246, played in a loop, one every 250 ms:
// faces (33, 35) and sizes (36, 38) held for a few frames, colour blends and pairs, background,
// renderers, behaviour groups and controllers (the glyph size). The notes that save (29), reset (28,
// 115) or open sample texts (78 to 103) are left out: the run stays on one scene.
#include <QApplication>
#include <QTimer>

#include <malloc.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "bench/quillstorm/benchprogram.h"
#include "kinetype/kt1dcollisiondetbhvr.h"
#include "kinetype/ktbhvrptrbhvrprop.h"
#include "kinetype/ktbook.h"
#include "kinetype/kttext.h"
#include "platform/gdi/fontengine.h"
#include "platform/midi/fakemidiin.h"
#include "platform/ui/scriptedui.h"
#include "quillstorm/QuillView.h"
#include "quillstorm/mainfrm.h"
#include "quillstorm/quill.h"
#include "quillstorm/quilldoc.h"
#include "quillstorm/wordnozzledialog.h"

namespace {

// One step of the list: a message (note on, or a controller), and for a note how long it is held
// before its note off (0: released at once).
struct NoteStep {
    unsigned char status;
    unsigned char data1;
    unsigned char data2;
    int nHoldMs;
};

struct Lcg {
    uint32_t s;
    uint32_t operator()(uint32_t n) {
        s = s * 1103515245u + 12345u;
        return (s >> 8) % n;
    }
};

// The fixed list: a seeded pick among the notes the sprayer handles, with the size notes paired (a
// size held up for up to 0.6 s is followed later by the same hold down, at most two ups pending) so
// that the size wanders over a few hundred points without running off.
std::vector<NoteStep> SprayNotes() {
    static const unsigned char kPlain[] = {37, 39, 40, 42, 43, 44, 45, 47, 52, 54, 55, 56, 57, 58,
                                           59, 60, 61, 62, 63, 64, 65, 66, 67, 68, 69, 70, 72, 73, 74, 31};
    std::vector<NoteStep> out;
    Lcg rnd{20261211u};
    std::vector<int> pendingDown;  // size holds still to be undone
    while (out.size() < 246) {
        const uint32_t k = rnd(10);
        if (k < 2) {  // a face: one step or several
            out.push_back({0x90, static_cast<unsigned char>(rnd(2) ? 33 : 35), 100, static_cast<int>(rnd(4)) * 60});
        } else if (k < 4) {  // a size up now, or one undone
            if (!pendingDown.empty() && (pendingDown.size() >= 2 || rnd(2))) {
                out.push_back({0x90, 36, 100, pendingDown.back()});
                pendingDown.pop_back();
            } else {
                const int nHold = 30 + static_cast<int>(rnd(8)) * 80;
                out.push_back({0x90, 38, 100, nHold});
                pendingDown.push_back(nHold);
            }
        } else if (k == 4) {  // a controller: the glyph size
            out.push_back({0xB0, 7, static_cast<unsigned char>(12 + rnd(60)), 0});
        } else {
            out.push_back({0x90, kPlain[rnd(sizeof kPlain)], 100, 0});
        }
    }
    return out;
}

std::string SprayText() {
    static const char* const kSyllables[] = {"qu", "ill", "storm", "ty", "pe", "li", "ving", "word", "noz",
                                             "zle", "ink", "glyph", "fa", "ce", "ra", "in", "ka", "to"};
    Lcg rnd{7u};
    std::string text;
    for (int i = 0; i < 2000; i++) {
        const uint32_t n = 1 + rnd(3);
        for (uint32_t j = 0; j < n; j++) text += kSyllables[rnd(sizeof kSyllables / sizeof kSyllables[0])];
        text += i % 12 == 11 ? "\n" : " ";
    }
    return text;
}

void Report(const char* at, CKTBook* pBook) {
    const struct mallinfo2 heap = mallinfo2();
    const gdi::FaceCacheStats faces = gdi::GetFaceCacheStats();
    long nElements = 0, nBehaviors = 0, nBandRoom = 0;
    if (pBook) {
        nElements = CountElements(pBook->GetRoot());
        nBehaviors = static_cast<long>(pBook->GetBehaviorCount());
        const CKTBhvrPtrBhvrProp* pSlot = CKTBhvrPtrBhvrProp::Cast(pBook->GetBookProp(BOOKPROP_COLLISION_DETECTOR));
        if (auto* pDet = dynamic_cast<const CKT1DCollisionDetBhvr*>(pSlot ? pSlot->GetValue() : nullptr))
            nBandRoom = static_cast<long>(pDet->GetBandRoom());
    }
    std::printf("%s rss_kib=%ld heap_used_kib=%zu heap_arena_kib=%zu elements=%ld behaviors=%ld faces=%zu face_kib=%zu band_room=%ld\n",
                at, ResidentKiB(), (heap.uordblks + heap.hblkhd) / 1024, (heap.arena + heap.hblkhd) / 1024, nElements,
                nBehaviors, faces.nFaces, faces.nBytes / 1024, nBandRoom);
    std::fflush(stdout);
}

int Usage(const char* argv0) {
    std::fprintf(stderr, "usage: %s page FILE [SECONDS] | spray [SECONDS] | notes\n", argv0);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage(argv[0]);
    const std::string mode = argv[1];
    if (mode == "notes") {
        for (const NoteStep& n : SprayNotes())
            std::printf("%02X %d %d hold %d ms\n", n.status, n.data1, n.data2, n.nHoldMs);
        return 0;
    }
    if (mode != "page" && mode != "spray") return Usage(argv[0]);
    if (mode == "page" && argc < 3) return Usage(argv[0]);
    const int nArgSeconds = mode == "page" ? 3 : 2;
    const int nSeconds = argc > nArgSeconds ? std::atoi(argv[nArgSeconds]) : 900;

    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QuillRegisterClasses();

    midi::CFakeMidiInDriver fakeMidi;
    fakeMidi.m_nDevices = 1;
    midi::SetInputDriver(&fakeMidi);
    ui::CScriptedUIServices ui;  // message boxes get their escape answer; nothing waits for a user

    char szScratch[] = "/tmp/qs-soak-XXXXXX";
    if (!mkdtemp(szScratch)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string scratch = szScratch;
    if (chdir(szScratch) != 0) return 1;

    std::vector<std::string> args{"--no-splash", "--settings=" + scratch + "/settings.ini"};
    if (mode == "page") args.push_back(argv[2]);
    CQuillStartup startup = CQuillStartup::FromArguments(args);
    startup.bShellIntegration = false;
    CQuillApp theApp;
    if (!theApp.InitInstance(startup)) {
        std::fprintf(stderr, "%s: the program did not start\n", argv[0]);
        return 1;
    }
    CQuillView* pView = theApp.m_pMainWnd->GetActiveView();

    QTimer report;
    long nStart = 0;
    auto Book = [&theApp]() { return theApp.m_pDocument ? theApp.m_pDocument->m_pBook : nullptr; };
    QObject::connect(&report, &QTimer::timeout, [&] {
        nStart += 30;
        Report(("t=" + std::to_string(nStart)).c_str(), Book());
    });
    report.start(30000);
    // exit, not quit: quitting closes the window, which asks about the unsaved scene.
    QTimer::singleShot(nSeconds * 1000, [] { QCoreApplication::exit(0); });

    // The sprayer: started through its command with the dialog answered, the button held.
    const std::vector<NoteStep> notes = SprayNotes();
    size_t nNext = 0;
    QTimer play, wander;
    int nWander = 0;
    if (mode == "spray") {
        const std::string source = scratch + "/source.txt";
        std::ofstream(source) << SprayText();
        ui.AnswerDialog([&](ui::CParamDialog& d) {
            d.TypeText(CWordnozzleDialog::IDC_FILE, source);
            d.PickItem(CWordnozzleDialog::IDC_CHUNK, 1);  // words
            d.TypeText(CWordnozzleDialog::IDC_SPEED, "0.25");
            d.TypeText(CWordnozzleDialog::IDC_BASE, "5");
            d.TypeText(CWordnozzleDialog::IDC_VARIATION, "0");
            return IDOK;
        });
        pView->ExecuteCommand(116, TRUE);
        if (!pView->m_bSpraying) {
            std::fprintf(stderr, "%s: the sprayer did not start\n", argv[0]);
            return 1;
        }
        CKTBook* pBook = theApp.m_pDocument->m_pBook;
        pBook->SetRunState(1);
        pBook->OnMouseMove(CPoint(320, 240));
        pBook->OnLButtonDown(CPoint(320, 240));
        QObject::connect(&wander, &QTimer::timeout, [&] {
            // A slow figure over the middle of the canvas; the button stays down.
            nWander++;
            if (CKTBook* p = Book()) p->OnMouseMove(CPoint(160 + (nWander * 7) % 320, 120 + (nWander * 3) % 240));
        });
        wander.start(50);
        QObject::connect(&play, &QTimer::timeout, [&] {
            const NoteStep& n = notes[nNext];
            nNext = (nNext + 1) % notes.size();
            fakeMidi.Send({n.status, n.data1, n.data2});
            if (n.status != 0x90) return;
            const unsigned char note = n.data1;
            QTimer::singleShot(n.nHoldMs, [&fakeMidi, note] { fakeMidi.Send({0x80, note, 0}); });
        });
        play.start(250);
    }

    Report("t=0", Book());
    app.exec();
    Report("end", Book());
    theApp.ExitInstance();
    std::string cmd = "rm -rf '" + scratch + "'";
    if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "%s: %s left behind\n", argv[0], scratch.c_str());
    return 0;
}
