// Test main of the text-behaviour tests: registers the stored classes (and the test renderer), starts
// rand() from its first seed, then runs every test.
#include <gtest/gtest.h>

#include "kinetype/ktregister.h"
#include "platform/crt/crt.h"
#include "textbhvr/textfixture.h"

IMPLEMENT_SERIAL(CKTERFixed, CKTElementRenderer, 0)

int main(int argc, char** argv) {
    KTRegisterClasses();
    AfxRegisterClass(RUNTIME_CLASS(CKTERFixed));
    crt::reset_rand();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
