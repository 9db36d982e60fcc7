#include "StartupOptions.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <optional>

#include "LinkCommandLine.h"
#include "PathArguments.h"
#include "Profile.h"

namespace tavo {
namespace {

const char* const kExitNotes =
    "\nExit status: 1 when the window is closed (the program's normal end), 2 for a bad\n"
    "command line, 3 when the network layer cannot be initialised (a UDP socket cannot be\n"
    "opened on an ephemeral port).\n";

struct Options {
    QCommandLineOption dataDir{"data-dir", "Folder of bootp.ini, iph.ini and mach.ini for this run (default: the start-up directory recorded in the profile).", "dir"};
    QCommandLineOption inDataFolder{"in-data-folder", "Work in the program's own data folder (made when missing), as the desktop menu starts it, instead of the start-up directory."};
};

StartupParse usageError(const QString& text) { return {StartupParse::Kind::Error, {}, text}; }

}  // namespace

StartupParse parseStartupOptions(const QStringList& args, StartupOptionsExtension* extension) {
    Options o;
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("TAVO 707 Utility: BootP service, address commands, device maintenance and web upload."));
    const QCommandLineOption help = parser.addHelpOption();
    for (const LinkOption& link : linkOptions(kLinkAllOptions))
        parser.addOption(QCommandLineOption(link.names, link.description + '.', link.valueName));
    parser.addOptions({o.dataDir, o.inDataFolder});
    if (extension) parser.addOptions(extension->options());
    if (!parser.parse(args)) return usageError(parser.errorText());
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all")))
        return {StartupParse::Kind::Help, {},
                parser.helpText() + QString::fromLatin1(kExitNotes) + (extension ? extension->helpNotes() : QString())};
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().first()));

    StartupParse result;
    StartupOptions& options = result.options;
    const auto linkValue = [&parser](const QString& name) {
        return parser.isSet(name) ? std::optional<QString>(parser.value(name)) : std::nullopt;
    };
    if (const auto error = readLinkOptions(linkValue, kLinkAllOptions, options.link)) return usageError(*error);
    QString pathError;
    if (parser.isSet(o.dataDir)) {
        if (!checkWritableFolder(parser.value(o.dataDir), pathError))
            return usageError(QStringLiteral("--data-dir: %1").arg(pathError));
        options.dataDir = QFileInfo(parser.value(o.dataDir)).absoluteFilePath();
    }
    options.startInDataFolder = parser.isSet(o.inDataFolder);
    if (extension) {
        if (const QString error = extension->read(parser); !error.isEmpty()) return usageError(error);
    }
    return result;
}

QString desktopDataFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + '/' +
           QString::fromLatin1(Profile::kOrganisation) + '/' + QString::fromLatin1(Profile::kApplication);
}

}  // namespace tavo
