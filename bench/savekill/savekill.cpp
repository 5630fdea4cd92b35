// The saver of the kill trial (scripts/savekill.py):
//   savekill_trial make OLD NEW [MB]  writes two documents of about MB megabytes (default 9) with
//                                     different scenes, OLD a little longer than NEW
//   savekill_trial save DOC SOURCE [EXPECTED]
//                                     loads SOURCE (and writes the bytes its save gives to EXPECTED),
//                                     writes "ready" to standard output, then saves the scene to DOC
//                                     as the program's save does; the save's time in milliseconds goes
//                                     to standard error
//   savekill_trial find DOC           prints the recovery copy that opening DOC would name (nothing
//                                     when there is none)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/document/fuzzdoc.h"
#include "kinetype/ktbook.h"
#include "kinetype/ktdocument.h"
#include "kinetype/ktregister.h"
#include "platform/crt/crt.h"

namespace {

// A scene of passages of the text until its document reaches nBytes.
FzdBytes MakeDocument(const char* pszLine, size_t nBytes) {
    FzdSceneBook book;
    std::string text;
    for (int i = 0; i < 40; i++) text += pszLine;
    FzdBytes bytes = KTSaveDocument(*book, 640, 480);
    const size_t nEmpty = bytes.size();
    FzdAddPassage(*book, text.c_str(), CPoint(10, 10), RGB(0, 0, 0));
    const size_t nPerPassage = KTSaveDocument(*book, 640, 480).size() - nEmpty;
    for (size_t n = 1; nEmpty + n * nPerPassage < nBytes; n++)
        FzdAddPassage(*book, text.c_str(), CPoint(10 + static_cast<int>(n % 50) * 10, 10), RGB(0, 0, 0));
    return KTSaveDocument(*book, 640, 480);
}

bool WriteFile(const char* pszPath, const FzdBytes& bytes) {
    FILE* f = std::fopen(pszPath, "wb");
    if (!f) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

int Usage() {
    std::fprintf(stderr, "usage: savekill_trial make OLD NEW [MB] | save DOC SOURCE [EXPECTED] | find DOC\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    KTRegisterClasses();
    crt::reset_rand();
    if (argc < 3) return Usage();
    const std::string verb = argv[1];
    if (verb == "make" && argc >= 4) {
        const size_t nBytes = static_cast<size_t>((argc >= 5 ? std::atof(argv[4]) : 9.0) * 1024 * 1024);
        const FzdBytes oldBytes = MakeDocument("the old scene drifts ", nBytes + nBytes / 50);
        const FzdBytes newBytes = MakeDocument("a new scene falls ", nBytes);
        if (!WriteFile(argv[2], oldBytes) || !WriteFile(argv[3], newBytes)) return 1;
        std::printf("old %zu bytes, new %zu bytes\n", oldBytes.size(), newBytes.size());
        return 0;
    }
    if (verb == "save" && argc >= 4) {
        KTLoadResult r = KTLoadDocumentFile(argv[3]);
        if (r.status != KTLoadStatus::loaded) return 1;
        // The bytes the save is to write, for the checks (the saved scene is what was loaded).
        if (argc >= 5 && !WriteFile(argv[4], KTSaveDocument(*r.pBook, r.nCanvasWidth, r.nCanvasHeight))) return 1;
        std::printf("ready\n");
        std::fflush(stdout);
        const auto t0 = std::chrono::steady_clock::now();
        const KTSaveResult s = KTSaveDocumentFile(*r.pBook, r.nCanvasWidth, r.nCanvasHeight, argv[2]);
        const auto t1 = std::chrono::steady_clock::now();
        std::fprintf(stderr, "%lld\n",
                     static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(t1 - t0).count()));
        KTDeleteBook(r.pBook);
        if (!s.bSaved) std::fprintf(stderr, "%s\n", s.error.strMessage.GetString());
        return s.bSaved ? 0 : 1;
    }
    if (verb == "find") {
        const CString copy = KTFindRecoveryCopy(argv[2]);
        if (!copy.IsEmpty()) std::printf("%s\n", copy.GetString());
        return 0;
    }
    return Usage();
}
