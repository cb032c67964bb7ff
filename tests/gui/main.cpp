// One QApplication for all widget tests, on the offscreen platform unless told otherwise.
#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    // The main window's icons, as the program has them (a button without its icon shows its
    // text and pushes the others off the toolbar).
    Q_INIT_RESOURCE(frame);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
