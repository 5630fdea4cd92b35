// Test main of the renderer tests: registers the stored classes, then runs every test.
#include <gtest/gtest.h>

#include "kinetype/ktregister.h"

int main(int argc, char** argv) {
    KTRegisterClasses();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
