// Writes the benchmarks' page scene as a document, for trying the program with it:
//
//     qs_write_page FILE [GLYPHS]
//
// GLYPHS (default 10000) typed glyphs in passages over a 1280 x 720 canvas, under gravity, drag, stay
// in window, bounce on collision and the collision detector, the book running.
#include <cstdio>
#include <cstdlib>

#include "kinetype/ktdocument.h"
#include "kinetype/ktregister.h"
#include "physics/typedscene.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s FILE [GLYPHS]\n", argv[0]);
        return 2;
    }
    const int nGlyphs = argc == 3 ? std::atoi(argv[2]) : 10000;
    if (nGlyphs < 1) {
        std::fprintf(stderr, "%s: GLYPHS must be a positive number\n", argv[0]);
        return 2;
    }
    KTRegisterClasses();
    tscene::Scene scene(tscene::Kind::page, nGlyphs, 1280, 720);
    const KTSaveResult result = KTSaveDocumentFile(scene.Book(), 1280, 720, CString(argv[1]));
    if (!result.bSaved) {
        std::fprintf(stderr, "%s: %s\n", argv[0], result.error.strMessage.GetString());
        return 1;
    }
    std::printf("%s: %d glyphs\n", argv[1], scene.GlyphCount());
    return 0;
}
