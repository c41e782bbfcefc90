#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Headless, 96 DPI, ratio 1: pixel tests depend on it.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
