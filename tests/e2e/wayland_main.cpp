// The Wayland end-to-end tests run inside run-under-sway.sh, on a real compositor. The test
// program needs no window of its own; the target it starts is a native Wayland client.
#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "wayland");
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
