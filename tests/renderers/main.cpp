// Test main of the renderer tests: registers the stored classes, gives the worker pool at least four
// threads whatever the machine (so that even a one-core machine runs the pixel work side by side; a
// QS_THREADS count still holds), then runs every test.
#include <gtest/gtest.h>

#include "kinetype/ktregister.h"
#include "platform/kernel/workpool.h"

int main(int argc, char** argv) {
    KTRegisterClasses();
    qs::RequireWorkThreads(4);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
