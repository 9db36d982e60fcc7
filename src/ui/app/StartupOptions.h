#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include "LinkConfig.h"

class QCommandLineOption;
class QCommandLineParser;

namespace tavo {

// What the operator's command line of tavo-utility sets: where the link sends and
// listens, and where the tables are.
struct StartupOptions {
    LinkConfig link;
    QString dataDir;  // empty: the directory the profile names
    // Started from the desktop menu: work in the program's own data folder (made when
    // missing) instead of the start-up directory; the profile then records that folder.
    bool startInDataFolder = false;
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

// Options that a build of the utility adds to the operator's (the testing build adds
// its own; the product adds none). They are read after the operator's options.
class StartupOptionsExtension {
public:
    virtual ~StartupOptionsExtension() = default;
    virtual QList<QCommandLineOption> options() const = 0;
    // Reads the added options; an error message for the operator, or empty.
    virtual QString read(const QCommandLineParser& parser) = 0;
    // Appended to the help text.
    virtual QString helpNotes() const = 0;
};

// args includes the program name first, as QCoreApplication::arguments() gives it.
StartupParse parseStartupOptions(const QStringList& args, StartupOptionsExtension* extension = nullptr);

}  // namespace tavo
