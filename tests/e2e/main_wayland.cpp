// The end-to-end tests of a Wayland backend run inside a compositor started by their harness
// (run-under-kwin.sh); the test program is a Wayland client of it.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "wayland");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
