// tavo doctor: what keeps the BootP server from serving on this PC, found before it is
// started: the server and client ports and who holds them, the interfaces, the way to a
// device, and, while listening, the requests heard and the replies of other servers.
// The same checks run behind the IP page when "Avvio BootP" fails.
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <chrono>
#include <cstdio>

#include "AddressEnglish.h"
#include "AddressText.h"
#include "BootpEnglish.h"
#include "BootpPreflight.h"
#include "CliCommand.h"
#include "CliSupport.h"
#include "JsonOutput.h"
#include "LinkOptions.h"
#include "RunToEnd.h"

namespace tavo::cli {
namespace {

// The interface is read here rather than refused by the link options: a missing one is
// a finding of its own.
constexpr unsigned kCheckedPorts = kLinkBootpPorts;
constexpr double kMaxListenSeconds = 3600;

QString usageText() {
    return QStringLiteral(
               "usage: tavo doctor [--interface IF] [--listen SECONDS] [--for IP] [--json]\n"
               "                   [--bootp-server-port P] [--bootp-client-port P]\n"
               "\n"
               "Finds what keeps the BootP server from serving on this PC, without sending anything:\n"
               "  the server port (67) and the client port (68): free, or held by which program (pid);\n"
               "  the interfaces: name, IPv4 address/prefix, broadcast, up or down; none that can\n"
               "  broadcast; two on one subnet; one with only a link-local 169.254 address;\n"
               "  with --for, which interface the device address IP is reached by;\n"
               "  with --listen, for SECONDS: the BootP requests heard (MAC, of the family or not)\n"
               "  and the replies of other servers, each server named once.\n"
               "One line per finding (status ok, info, warning or blocked), then \"can serve: yes\"\n"
               "or \"can serve: no\". Exit status 0 when the server can serve, 1 when something\n"
               "blocks it, 2 for a bad command line. SIGINT or SIGTERM ends the listening early.\n"
               "\n"
               "Options:\n"
               "  --interface IF            check the server as kept to this interface\n"
               "  --listen SECONDS          listen that long (at most 3600), sending nothing\n"
               "  --for IP                  the address of a device to find the way to\n"
               "  --json                    one JSON object: {\"can_serve\": ..., \"findings\": [...]};\n"
               "                            a bad command line as {\"error\": ..., \"message\": ...}\n") +
           linkOptionsHelp(kCheckedPorts);
}

int usageError(const QString& message) {
    failAs("bad_usage", message, kExitUsage);
    return jsonOutput() ? kExitUsage : printUsage(usageText(), stderr, kExitUsage);
}

// The request the options describe, or the reason they are refused.
std::optional<QString> readRequest(const CliOptions& options, PreflightRequest& request) {
    QString error;
    if (!readLinkOptions(options, kCheckedPorts, request.link, error)) return error;
    if (options.has("interface")) {
        if (options.value("interface").isEmpty()) return QString::fromLatin1(kInterfaceNeedsName);
        request.link.interfaceName = options.value("interface");
    }
    if (options.has("listen")) {
        bool ok = false;
        const double seconds = options.value("listen").toDouble(&ok);
        if (!ok || !(seconds > 0) || seconds > kMaxListenSeconds)
            return secondsOutOfRangeText("listen", options.value("listen"));
        request.listen = std::chrono::milliseconds(qint64(seconds * 1000));
    }
    if (options.has("for")) {
        const auto address = parseIpArgument(options.value("for").toStdString());
        if (!address) return "--for: " + notAnAddressText(options.value("for"));
        request.forAddress = *address;
    }
    if (!options.positional().isEmpty()) return unexpectedArgumentText(options.positional().first());
    return std::nullopt;
}

int run(const QStringList& args) {
    const bool json = jsonOutput();
    CliOptions options;
    if (!options.parse(args, QStringList{"interface", "listen", "for"} + linkOptionNames(kCheckedPorts), {"help"}))
        return usageError(options.error());
    if (options.has("help")) return printUsage(usageText(), stdout, 0);
    PreflightRequest request;
    if (const auto refused = readRequest(options, request)) return usageError(*refused);

    BootpPreflight preflight;
    if (!json) {
        QObject::connect(&preflight, &BootpPreflight::found, [](const PreflightFinding& finding) {
            printLine(preflightLine(finding));
            std::fflush(stdout);
        });
    }
    bool canServe = false;
    QObject::connect(&preflight, &BootpPreflight::finished, [&](const std::vector<PreflightFinding>& findings) {
        canServe = preflightCanServe(findings);
        if (json) {
            QJsonArray list;
            for (const PreflightFinding& finding : findings) list.append(preflightJson(finding));
            printJsonVerdict({{"can_serve", canServe}, {"findings", list}});
        } else {
            printLine(canServeLine(canServe));
        }
    });
    // Without listening, the checks are done when start returns.
    runToEnd(preflight, &BootpPreflight::finished, [&] { preflight.start(request); }, [&preflight](int) { preflight.cancel(); });
    std::fflush(stdout);
    return canServe ? 0 : kExitFailure;
}

const CliCommand kDoctor("doctor", "what keeps the BootP server from serving, found without sending", usageText,
    CliCommand::HelpWord::OptionOnly, run);

}  // namespace
}  // namespace tavo::cli
