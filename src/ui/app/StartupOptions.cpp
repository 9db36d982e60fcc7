#include "StartupOptions.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>
#include <QHostAddress>
#include <QNetworkInterface>
#include <QRegularExpression>
#include <optional>

namespace tavo {
namespace {

const char* const kExitNotes =
    "\nExit status: 1 when the window is closed (the program's normal end), 2 for a bad\n"
    "command line, 3 when the network layer cannot be initialised (a UDP socket cannot be\n"
    "opened on an ephemeral port; --fail-network-init pretends so, for tests).\n"
    "Closing: --close-after-ms closes, every N ms, the dialog on top, or else the sheet the\n"
    "way the window's close button does.\n";

struct Options {
    QCommandLineOption devicePort{"device-port", "UDP port of the devices' commands (1024).", "port"};
    QCommandLineOption serverPort{"bootp-server-port", "UDP port where BootP requests arrive (67; 0: any free port).", "port"};
    QCommandLineOption clientPort{"bootp-client-port", "UDP port BootP replies are sent to (68).", "port"};
    QCommandLineOption broadcast{"broadcast", "Broadcast address (255.255.255.255).", "address"};
    QCommandLineOption interfaceName{"interface", "Network interface for broadcasts (default: every one that can broadcast).", "name"};
    QCommandLineOption dataDir{"data-dir", "Folder of bootp.ini, iph.ini and mach.ini for this run (default: the start-up directory recorded in the profile).", "dir"};
    QCommandLineOption closeAfter{"close-after-ms", "Testing: every N ms close the dialog on top, else the window.", "N"};
    QCommandLineOption printStartup{"print-startup-ms", "Benchmark: print the start-up time and resident memory once the window is shown, then close it."};
    QCommandLineOption screenshot{"screenshot", "Save a PNG picture of the window once it is shown.", "file"};
    QCommandLineOption failNetwork{"fail-network-init", "Testing: act as if the network layer could not be initialised."};
};

std::optional<quint16> ParsePort(const QString& text, quint16 lowest) {
    bool ok = false;
    const uint value = text.toUInt(&ok);
    if (!ok || value < lowest || value > 65535) return std::nullopt;
    return static_cast<quint16>(value);
}

StartupParse usageError(const QString& text) { return {StartupParse::Kind::Error, {}, text}; }

// Reads the link settings into options; returns an error text or an empty string.
QString ReadLink(const QCommandLineParser& parser, const Options& o, LinkConfig& link) {
    const struct {
        const QCommandLineOption& option;
        quint16& target;
        quint16 lowest;
    } ports[] = {{o.devicePort, link.devicePort, 1}, {o.serverPort, link.bootpServerPort, 0},
                 {o.clientPort, link.bootpClientPort, 1}};
    for (const auto& port : ports) {
        if (!parser.isSet(port.option)) continue;
        const auto value = ParsePort(parser.value(port.option), port.lowest);
        if (!value)
            return QStringLiteral("--%1: not a port number (%2 to 65535): %3")
                .arg(port.option.names().first()).arg(port.lowest).arg(parser.value(port.option));
        port.target = *value;
    }
    if (parser.isSet(o.broadcast)) {
        // Four dotted decimal parts only; the socket layer would also take "1.2.3".
        static const QRegularExpression dotted(QStringLiteral("^\\d{1,3}(\\.\\d{1,3}){3}$"));
        const QHostAddress address(parser.value(o.broadcast));
        if (!dotted.match(parser.value(o.broadcast)).hasMatch() || address.protocol() != QAbstractSocket::IPv4Protocol)
            return QStringLiteral("--broadcast: not an IPv4 address: %1").arg(parser.value(o.broadcast));
        link.broadcast = address;
    }
    if (parser.isSet(o.interfaceName)) {
        link.interfaceName = parser.value(o.interfaceName);
        if (!QNetworkInterface::interfaceFromName(link.interfaceName).isValid())
            return QStringLiteral("--interface: no such network interface: %1").arg(link.interfaceName);
    }
    return {};
}

}  // namespace

StartupParse parseStartupOptions(const QStringList& args) {
    Options o;
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("TAVO 707 Utility: BootP service, address commands, device maintenance and web upload."));
    const QCommandLineOption help = parser.addHelpOption();
    parser.addOptions({o.devicePort, o.serverPort, o.clientPort, o.broadcast, o.interfaceName, o.dataDir,
                       o.closeAfter, o.printStartup, o.screenshot, o.failNetwork});
    if (!parser.parse(args)) return usageError(parser.errorText());
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all")))
        return {StartupParse::Kind::Help, {}, parser.helpText() + QString::fromLatin1(kExitNotes)};
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().first()));

    StartupParse result;
    StartupOptions& options = result.options;
    if (const QString error = ReadLink(parser, o, options.link); !error.isEmpty()) return usageError(error);
    if (parser.isSet(o.dataDir)) {
        const QFileInfo dir(parser.value(o.dataDir));
        if (!dir.isDir()) return usageError(QStringLiteral("--data-dir: not a folder: %1").arg(parser.value(o.dataDir)));
        options.dataDir = dir.absoluteFilePath();
    }
    if (parser.isSet(o.closeAfter)) {
        bool ok = false;
        options.closeAfterMs = parser.value(o.closeAfter).toInt(&ok);
        if (!ok || options.closeAfterMs < 0)
            return usageError(QStringLiteral("--close-after-ms: not a number of milliseconds: %1").arg(parser.value(o.closeAfter)));
    }
    options.printStartupMs = parser.isSet(o.printStartup);
    options.screenshotPath = parser.value(o.screenshot);
    options.failNetworkInit = parser.isSet(o.failNetwork);
    return result;
}

}  // namespace tavo
