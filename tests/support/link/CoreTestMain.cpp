// main() of the suites without widgets: a QCoreApplication for the event loop, and a
// private settings folder so that no test reads or writes the operator's profile.
#include <QCoreApplication>
#include <QNetworkProxy>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QTemporaryDir settingsHome;
    setenv("XDG_CONFIG_HOME", settingsHome.path().toLocal8Bit().constData(), 1);
    QCoreApplication app(argc, argv);
    // Tests talk plain UDP on loopback; no proxy lookup may reach out on the network.
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
