// The window tests need a QApplication (and a display: scripts/test runs them
// under Xvfb) before any test builds a widget. Listing the tests, which the
// build does to register them with ctest, needs neither.
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    std::unique_ptr<QApplication> application;
    if (!GTEST_FLAG_GET(list_tests)) {
        // The tests use no desktop services; without a session bus Qt opens no
        // D-Bus connection, whose library keeps an allocation to the end.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
        application = std::make_unique<QApplication>(argc, argv);
    }
    return RUN_ALL_TESTS();
}
