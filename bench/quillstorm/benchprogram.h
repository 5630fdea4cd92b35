// The program for the view's benchmarks: a QApplication on the offscreen platform (made once), and a
// document with its frame and view, no MIDI device, the client area of the given size.
#pragma once

#include <QApplication>

#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "kinetype/ktelement.h"
#include "platform/midi/fakemidiin.h"
#include "quillstorm/QuillView.h"
#include "quillstorm/mainfrm.h"
#include "quillstorm/quill.h"
#include "quillstorm/quilldoc.h"

inline QApplication* BenchApp() {
    static int argc = 1;
    static char name[] = "bench_quillstorm";
    static char* argv[] = {name, nullptr};
    static QApplication* s_app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        auto* app = new QApplication(argc, argv);
        std::setlocale(LC_NUMERIC, "C");
        QuillRegisterClasses();
        return app;
    }();
    return s_app;
}

struct BenchProgram {
    midi::CFakeMidiInDriver midi;
    std::unique_ptr<CQuillDoc> doc;
    std::unique_ptr<CMainFrame> frame;

    BenchProgram(int nWidth, int nHeight) {
        BenchApp();
        midi::SetInputDriver(&midi);
        doc = std::make_unique<CQuillDoc>();
        frame = std::make_unique<CMainFrame>(doc.get());
        doc->SetFrame(frame.get());
        frame->Create();
        frame->show();
        View()->SetCanvasSize(nWidth, nHeight);
    }
    ~BenchProgram() {
        frame->DestroyWindow();
        frame.reset();
        doc.reset();
        midi::SetInputDriver(nullptr);
    }
    BenchProgram(const BenchProgram&) = delete;
    BenchProgram& operator=(const BenchProgram&) = delete;

    CQuillView* View() const { return frame->GetActiveView(); }
    CKTBook* Book() const { return doc->m_pBook; }
};

// The process's resident memory in KiB (from /proc/self/statm; 0 when it cannot be read).
inline long ResidentKiB() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// The element and all its descendants.
inline int CountElements(const CKTElement* p) {
    int n = 1;
    for (const CKTElement* c = p->GetFirstChild(); c; c = c->GetNextSibling()) n += CountElements(c);
    return n;
}
