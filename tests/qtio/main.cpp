#include <gtest/gtest.h>

#include <QCoreApplication>

// The Qt classes under test need an application object and its event dispatcher.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
