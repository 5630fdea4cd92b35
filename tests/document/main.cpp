// Test main of the document tests: registers the stored classes (and the probe), resets the random
// sequence, runs every test.
#include <gtest/gtest.h>

#include "document/doctest.h"
#include "kinetype/ktregister.h"

int main(int argc, char** argv) {
    KTRegisterClasses();
    AfxRegisterClass(RUNTIME_CLASS(CKTDocProbeBhvr));
    crt::reset_rand();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
