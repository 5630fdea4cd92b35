// Test main of the trigger and effect-behaviour tests: registers the stored classes (and the test
// renderers), starts rand() from its first seed, then runs every test.
#include <gtest/gtest.h>

#include "effects/effectsfixture.h"
#include "kinetype/ktregister.h"
#include "platform/crt/crt.h"

IMPLEMENT_SERIAL(CKTERBox, CKTElementRenderer, 0)

int main(int argc, char** argv) {
    KTRegisterClasses();
    AfxRegisterClass(RUNTIME_CLASS(CKTERBox));
    crt::reset_rand();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
