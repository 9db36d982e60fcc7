#pragma once

#include <QString>

#include "app/StartupOptions.h"

namespace tavo {

// The command line of the testing build (tavo-utility-testing): the operator's options
// and the switches of the tests, the benchmarks and the screenshots.
struct TestingOptions : StartupOptions {
    int closeAfterMs = -1;    // >= 0: every so often close the top dialog, else the sheet
    bool printStartupMs = false;
    QString screenshotPath;   // non-empty: save a picture of the shown sheet here
    bool failNetworkInit = false;
    // The scene to set up before the picture (a tab, or a dialog opened over it), and
    // what the scene needs (a web folder, a device to read).
    QString screenshotScene;
    QString sceneFolder;
    QString sceneDevice;
};

// The testing switches, read by the operator's parser after the operator's options.
class TestingCommandLine final : public StartupOptionsExtension {
public:
    explicit TestingCommandLine(TestingOptions& options) : m_options(options) {}
    QList<QCommandLineOption> options() const override;
    QString read(const QCommandLineParser& parser) override;
    QString helpNotes() const override;

private:
    TestingOptions& m_options;
};

struct TestingStartupParse {
    StartupParse::Kind kind = StartupParse::Kind::run;
    TestingOptions options;
    QString text;  // the help text or the error message
};

// args includes the program name first, as QCoreApplication::arguments() gives it.
TestingStartupParse parseTestingStartupOptions(const QStringList& args);

}  // namespace tavo
