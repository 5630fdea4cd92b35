// The stored classes are registered explicitly before any test runs, as the program's main does.
#include <gtest/gtest.h>

#include "afxtest.h"

int main(int argc, char** argv) {
    RegisterAfxTestClasses();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
