#include "tests/support/Child.h"

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    int code = 0;
    if (drav::test::runChildIfAsked(argc, argv, &code)) return code;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
