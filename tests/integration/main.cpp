#include <gtest/gtest.h>

#include <QCoreApplication>

// The Qt event loop, sockets and serial ports need an application object.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
