// The window tests need a QApplication (and a display: scripts/test runs them
// under Xvfb) before any test builds a widget.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
