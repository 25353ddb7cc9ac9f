// Entry point of every test program: a single-threaded apartment, as a control's host gives it,
// and the leak check after each test.
#include "tests/support/leak_check.h"

#include <gtest/gtest.h>
#include <ole2.h>

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (FAILED(OleInitialize(nullptr))) {
        fprintf(stderr, "OleInitialize failed\n");
        return 1;
    }
    testing::UnitTest::GetInstance()->listeners().Append(new support::LeakCheck);
    const int result = RUN_ALL_TESTS();
    OleUninitialize();
    return result;
}
