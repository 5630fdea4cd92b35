// The test main: a QApplication on the offscreen platform, the C numeric locale and the stored classes.
#include <gtest/gtest.h>

#include <QApplication>

#include <clocale>
#include <cstdlib>

#include "quillstorm/quill.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    QuillRegisterClasses();
    return RUN_ALL_TESTS();
}
