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
    // Started from the desktop menu: work in the program's own data folder (made when
    // missing) instead of the start-up directory; the profile then records that folder.
    bool startInDataFolder = false;
    // Screenshots only: the scene to set up before the picture (a tab, or a dialog
    // opened over it), and what the scene needs (a web folder, a device to read).
    QString screenshotScene;
    QString sceneFolder;
    QString sceneDevice;
};

// The program's own data folder for a start from the desktop menu: the user's data
// folder ($XDG_DATA_HOME, by default ~/.local/share) followed by Vantorel/tavo-utility.
QString desktopDataFolder();

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
