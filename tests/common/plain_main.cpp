// Test main for binaries that need no GUI.
#include <gtest/gtest.h>

#include "tests/common/test_support.h"

int main(int argc, char** argv)
{
    testsupport::isolateUserFolders();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
