// Test main for binaries that drive widgets: one QApplication on the offscreen platform.
#include <cstdlib>

#include <QApplication>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include "tests/common/test_support.h"

int main(int argc, char** argv)
{
    testsupport::isolateUserFolders();
    if (!std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
