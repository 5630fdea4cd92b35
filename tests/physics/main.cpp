// Test main of the physics and collision tests and of the effect-behaviour tests: registers the stored
// classes (and the test renderer), starts rand() from its first seed, then runs every test.
#include <gtest/gtest.h>

#include "kinetype/ktregister.h"
#include "physics/physicsfixture.h"
#include "platform/crt/crt.h"

IMPLEMENT_SERIAL(CKTERBox, CKTElementRenderer, 0)

int main(int argc, char** argv) {
    KTRegisterClasses();
    AfxRegisterClass(RUNTIME_CLASS(CKTERBox));
    crt::reset_rand();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
