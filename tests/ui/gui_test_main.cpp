#include <QApplication>
#include <gtest/gtest.h>

// Widget tests need one application object for the whole run. They talk to
// no session bus but a private one that a test started for itself
// (TARRAWICK_TEST_PRIVATE_BUS), so none shows a notification on the desktop.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("TARRAWICK_TEST_PRIVATE_BUS")) qputenv("DBUS_SESSION_BUS_ADDRESS", "");
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dravenet"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
