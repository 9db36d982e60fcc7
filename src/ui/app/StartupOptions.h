#pragma once

#include <QString>
#include <QStringList>

#include "LinkConfig.h"

namespace tavo {

// What the command line of tavo-utility sets: where the link sends and listens, where
// the tables are, and a few switches for tests, benchmarks and screenshots.
struct StartupOptions {
    LinkConfig link;
    QString dataDir;          // empty: the directory the profile names
    int closeAfterMs = -1;    // >= 0: every so often close the top dialog, else the sheet
    bool printStartupMs = false;
    QString screenshotPath;   // non-empty: save a picture of the shown sheet here
    bool failNetworkInit = false;
};

// The outcome of reading the command line: options, or the help text to print, or an
// error for the operator.
struct StartupParse {
    enum class Kind { run, Help, Error } kind = Kind::run;
    StartupOptions options;
    QString text;  // the help text or the error message
};

// args includes the program name first, as QCoreApplication::arguments() gives it.
StartupParse parseStartupOptions(const QStringList& args);

}  // namespace tavo
