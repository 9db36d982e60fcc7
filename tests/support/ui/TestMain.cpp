// main() of the Qt-based suites: a headless QApplication, and a private settings folder
// so that no test reads or writes the operator's profile.
#include <QApplication>
#include <QNetworkProxy>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Discovery runs this binary at build time, where there is no display.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir settingsHome;
    setenv("XDG_CONFIG_HOME", settingsHome.path().toLocal8Bit().constData(), 1);
    QApplication app(argc, argv);
    // Tests talk plain UDP on loopback; no proxy lookup may reach out on the network.
    QNetworkProxy::setApplicationProxy(QNetworkProxy::NoProxy);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
