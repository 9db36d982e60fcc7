// tavo ip clear / tavo ip find: the two address commands of the IP configuration page,
// on the same link code. A clear asks on the terminal first (unless --yes) and records
// the address in the IP history; a find records the MAC address in the MAC history and
// repeats the search request once a second until the device answers or time runs out.
#include <QCoreApplication>
#include <QHostAddress>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <optional>
#include <string>

#include "AddressEnglish.h"
#include "AddressText.h"
#include "AddressWords.h"
#include "CliCommand.h"
#include "CliSupport.h"
#include "IpClearEngine.h"
#include "IpSearchEngine.h"
#include "JsonOutput.h"
#include "LinkOptions.h"
#include "RunToEnd.h"

namespace tavo::cli {
namespace {

constexpr unsigned kClearLinkGroups = kLinkDevicePort;
constexpr unsigned kFindLinkGroups = kLinkDevicePort | kLinkBroadcast | kLinkInterface;
constexpr double kDefaultTimeoutSeconds = 10;
constexpr double kMaxTimeoutSeconds = 3600;  // bounds every search's sending

QString usageText() {
    return QString(
               "usage: tavo ip clear A.B.C.D [--yes] [--data-dir DIR] [--device-port P]\n"
               "       tavo ip find MAC [--timeout SECONDS] [--data-dir DIR] [--device-port P]\n"
               "                        [--broadcast A.B.C.D] [--interface NAME]\n"
               "\n"
               "clear  sends the IP clear command to the device at A.B.C.D, which then forgets its\n"
               "       address. Asks for confirmation on the terminal unless --yes is given, and\n"
               "       records the address in the IP history (\"iph.ini\").\n"
               "find   broadcasts the IP search request for MAC (12 hexadecimal digits, or six pairs\n"
               "       separated by \":\" or \"-\") at once and then once a second, and prints the\n"
               "       address of the device that answers. Records MAC in the MAC history\n"
               "       (\"mach.ini\"). With --broadcast the request goes to that address alone.\n"
               "\n"
               "Exit status: 0 done; 1 not confirmed, not sent, no answer in time, or an answer\n"
               "for another MAC address; 2 bad command line.\n"
               "\n"
               "Options:\n"
               "  --yes             clear without asking\n"
               "  --timeout SECONDS how long find waits for an answer (default 10, at most 3600)\n"
               "  --data-dir DIR    folder of the histories (default: the profile entry \"path\",\n"
               "                    else the current directory)\n") +
           linkOptionsHelp(kFindLinkGroups);
}

// Parses the options of one action and the link configuration they give.
bool parseAction(const QStringList& args, const QStringList& withValue, const QStringList& flags, unsigned groups,
                 CliOptions& options, LinkConfig& link, QString& error) {
    if (!options.parse(args, withValue + linkOptionNames(groups), flags + QStringList{"help"})) {
        error = options.error();
        return false;
    }
    if (!readLinkOptions(options, groups, link, error)) return false;
    return true;
}

int clearAddress(const QStringList& args) {
    CliOptions options;
    LinkConfig link;
    QString error;
    const bool parsed = parseAction(args, {kDataDirOption}, {"yes"}, kClearLinkGroups, options, link, error);
    if (const auto answer = usageAnswer(parsed, error, options, usageText)) return *answer;
    if (options.positional().size() != 2) return printUsage(usageText(), stderr, kExitUsage);
    const auto ip = parseIpArgument(options.positional()[1].toStdString());
    if (!ip) return failWith(notAnAddressFailure(options.positional()[1]), kExitUsage);

    if (!options.has("yes") && !confirmOnTerminal(kIpClearOperation, QString::fromUtf8(kIpClearConfirmation)))
        return failWith(notConfirmedFailure());
    const IpClearResult result = IpClearEngine().start({*ip, dataDirectory(options), link, stderrTableSink()});
    const QString dotted = QString::fromStdString(formatDotted(*ip));
    if (result.status != IpClearResult::Status::Sent)
        return failWith(ipClearNotSentFailure(dotted));
    if (jsonOutput())
        printJson({{"cleared", dotted}});
    else
        printLine(QString::fromUtf8(kIpClearSentText));
    return 0;
}

std::optional<double> readTimeout(const CliOptions& options) {
    if (!options.has("timeout")) return kDefaultTimeoutSeconds;
    bool ok = false;
    const double seconds = options.value("timeout").toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds <= 0 || seconds > kMaxTimeoutSeconds) return std::nullopt;
    return seconds;
}

int Find(const QStringList& args) {
    CliOptions options;
    LinkConfig link;
    QString error;
    const bool parsed = parseAction(args, {kDataDirOption, "timeout"}, {}, kFindLinkGroups, options, link, error);
    if (const auto answer = usageAnswer(parsed, error, options, usageText)) return *answer;
    if (options.positional().size() != 2) return printUsage(usageText(), stderr, kExitUsage);
    const QString macText = options.positional()[1];
    const auto mac = parseMacArgument(macText.toStdString());
    if (!mac) return failWith(notAMacFailure(macText), kExitUsage);
    const auto timeout = readTimeout(options);
    if (!timeout) return fail(secondsOutOfRangeText("timeout", options.value("timeout")),
                              kExitUsage);

    const QString wanted = QString::fromStdString(FormatMac(*mac));
    IpSearchEngine search({link, Pace::product(), [mac] { return *mac; }, dataDirectory(options), stderrTableSink()});
    QObject::connect(&search, &IpSearchEngine::found, [&](const Ipv4Octets& ip) {
        if (jsonOutput())
            printJson({{"mac", wanted}, {"ip", QString::fromStdString(formatDotted(ip))}});
        else
            printLine(formatDotted(ip));
        QCoreApplication::exit(0);
    });
    QObject::connect(&search, &IpSearchEngine::otherDevice, [&](const MacOctets& other) {
        failWith(otherDeviceFailure(QString::fromStdString(FormatMac(other)), wanted));
        QCoreApplication::exit(kExitFailure);
    });
    QObject::connect(&search, &IpSearchEngine::receiveFailed,
                     [] { std::fputs(kSearchReplyUnreadableLine, stderr); });
    QObject::connect(&search, &IpSearchEngine::requestSent, [&](const MacOctets&, int accepted) {
        if (accepted > 0) return;
        failWith(searchNotSentFailure(link.broadcast.toString(), link.isLimitedBroadcast()));
        QCoreApplication::exit(kExitFailure);
    });
    const auto& b = *mac;
    if (!search.start({b[0], b[1], b[2], b[3], b[4], b[5]})) return failWith(searchNoSocketFailure());

    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, [&] {
        failWith(noAnswerFailure(wanted, *timeout));
        QCoreApplication::exit(kExitFailure);
    });
    deadline.start(int(std::lround(*timeout * 1000)));
    // The first request leaves at once; nothing on a command line is still being typed.
    QTimer::singleShot(0, &search, &IpSearchEngine::sendNow);
    const int result = runEventLoop([](int) {
        failWith(searchStoppedFailure());
        QCoreApplication::exit(kExitFailure);
    });
    search.stop();
    return result;
}

const CliCommand kIp("ip", "the address commands: clear a device's IP address, find it by MAC", usageText,
                     {{"clear", clearAddress}, {"find", Find}});

}  // namespace
}  // namespace tavo::cli
