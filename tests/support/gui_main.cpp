// Widget tests run on the offscreen platform: no display is needed.
#include "tests/support/Child.h"

#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    int code = 0;
    if (drav::test::runChildIfAsked(argc, argv, &code)) return code;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
