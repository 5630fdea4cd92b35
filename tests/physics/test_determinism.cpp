// Determinism: typed scenes run for 500 frames, with everything a frame leaves (positions,
// velocities, collision lists) hashed after every frame and the absolute positions and bounds at the
// end. The hashes were taken from the program as it is and pin its results bit for bit: a change of
// the collision detector, the caches or the behaviours must find the same collisions in the same
// order and do the same arithmetic.
#include <gtest/gtest.h>

#include <cstdint>

#include "kinetype/ktbook.h"
#include "kinetype/kttext.h"
#include "physics/typedscene.h"

namespace {

struct Outcome {
    uint64_t nHash = 0;
    int nGlyphsBefore = 0;
    int nGlyphsAfter = 0;
    int64_t nCollisionEntries = 0;  // over every frame, the glyphs' lists
};

Outcome RunScene(tscene::Kind kind, bool bReload) {
    tscene::Scene scene(kind, 2000);
    if (bReload) scene.Reload();
    Outcome run;
    run.nGlyphsBefore = scene.GlyphCount();
    tscene::Hasher hash;
    hash.Add(scene.Book(), false);
    for (int nFrame = 0; nFrame < 500; nFrame++) {
        scene.Tick(nFrame);
        hash.Add(scene.Book(), false);
        run.nCollisionEntries += tscene::CollisionEntries(scene.Book().GetRoot());
    }
    hash.Add(scene.Book(), true);
    run.nHash = hash.Value();
    run.nGlyphsAfter = scene.GlyphCount();
    return run;
}

TEST(Determinism, TypedScenesRunToTheSameResults) {
    struct Case {
        const char* what;
        tscene::Kind kind;
        bool bReload;
        uint64_t nHash;
    } cases[] = {
        {"gravity, bounce, one detector", tscene::Kind::gravity, false, 0x5704dfc4538465d9ull},
        {"the same scene saved and loaded", tscene::Kind::gravity, true, 0x5704dfc4538465d9ull},
        {"two detectors and a cruise group", tscene::Kind::cruise, false, 0x5dbd40c2b22b9ad3ull},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Outcome run = RunScene(c.kind, c.bReload);
        EXPECT_EQ(run.nHash, c.nHash) << std::hex << "0x" << run.nHash;
        // The scene did something worth pinning: glyphs met and died.
        EXPECT_GE(run.nGlyphsBefore, 1900);
        EXPECT_LT(run.nGlyphsAfter, run.nGlyphsBefore);
        EXPECT_GT(run.nCollisionEntries, 1000);
    }
}

}  // namespace
