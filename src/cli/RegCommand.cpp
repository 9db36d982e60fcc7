// tavo reg read / dump / write: the register commands of the Utility page on the same
// link. A read prints the value as two hexadecimal digits, a dump prints the register
// table laid out as the page's register view, a write asks on the terminal first (unless
// --yes). A reply that does not come within --timeout-ms ends the command with status 1.
#include <QCoreApplication>
#include <QHostAddress>
#include <QTimer>
#include <cstdio>

#include "CliCommand.h"
#include "CliSupport.h"
#include "DumpText.h"
#include "LinkOptions.h"
#include "JsonOutput.h"
#include "MaintenanceEnglish.h"
#include "MaintenanceOptions.h"
#include "MaintenanceWords.h"
#include "RegisterEngine.h"
#include "RunToEnd.h"

namespace tavo::cli {
namespace {

QString usageText() {
    return QString(
               "usage: tavo reg read A.B.C.D REG [--timeout-ms MS] [--data-dir DIR] [--device-port P]\n"
               "       tavo reg dump A.B.C.D [--timeout-ms MS] [--data-dir DIR] [--device-port P]\n"
               "       tavo reg write A.B.C.D REG VALUE [--yes] [--data-dir DIR] [--device-port P]\n"
               "\n"
               "read   prints the value of register REG as two hexadecimal digits. Registers below\n"
               "       10 lie outside the space the device answers for in full: a warning, and the\n"
               "       read is sent all the same.\n"
               "dump   prints registers 10 to FF as a table: a column for each high digit, a row for\n"
               "       each low digit.\n"
               "write  sets register REG to VALUE. Asks for confirmation on the terminal unless --yes.\n"
               "REG and VALUE are hexadecimal (one or two digits). Each command records the device's\n"
               "address in the IP history (\"iph.ini\").\n"
               "Exit status: 0 done; 1 not confirmed, not sent or no reply in time; 2 bad command line.\n"
               "\n"
               "Options:\n"
               "  --yes             write without asking\n"
               "  --timeout-ms MS   how long to wait for the reply (default 1000)\n") +
           kMaintenanceDataDirHelp + linkOptionsHelp(kLinkDevicePort);
}

struct Parsed {
    CliOptions options;
    LinkConfig link;
    Ipv4Octets ip{};
    QHostAddress target;
    std::vector<uint8_t> bytes;  // REG, VALUE as the action takes them
};

// Parses the action's line: `hexArguments` hexadecimal words after the address.
std::optional<Parsed> parseLine(const QStringList& args, int hexArguments, const QStringList& flags, int& status) {
    Parsed parsed;
    QString error;
    if (!parseMaintenanceAction(args, {}, flags, parsed.options, parsed.link, error)) {
        fail(error, kExitUsage);
        status = printUsage(usageText(), stderr, kExitUsage);
        return std::nullopt;
    }
    if (parsed.options.has("help")) {
        status = printUsage(usageText(), stdout, 0);
        return std::nullopt;
    }
    const QStringList& words = parsed.options.positional();
    if (words.size() != 2 + hexArguments) {
        status = printUsage(usageText(), stderr, kExitUsage);
        return std::nullopt;
    }
    const auto ip = parseTarget(words[1], error);
    if (!ip) {
        status = fail(error, kExitUsage);
        return std::nullopt;
    }
    parsed.ip = *ip;
    parsed.target = QHostAddress(QString::fromStdString(formatDotted(*ip)));
    for (int i = 0; i < hexArguments; ++i) {
        const auto value = parseHexArgument(words[2 + i]);
        if (!value) {
            status = failAs("bad_byte", kBadByte + words[2 + i], kExitUsage);
            return std::nullopt;
        }
        parsed.bytes.push_back(*value);
    }
    return parsed;
}

// Sets the target (recorded, a register socket opened), runs `send`, and waits for the
// reply handlers to end the loop, or the bound.
int exchange(Parsed& parsed, RegisterEngine& engine, const std::function<void()>& send, bool awaitReply) {
    const QString target = parsed.target.toString();
    if (engine.setTarget(parsed.ip, {dataDirectory(parsed.options), stderrTableSink()}) != RegisterStatus::Ok)
        return failWith(noSocketFailure(target));
    QObject::connect(&engine, &RegisterEngine::commandSent, [&](uint8_t, bool accepted) {
        if (!accepted) {
            failWith(notSentFailure(target));
            QCoreApplication::exit(kExitFailure);
        } else if (!awaitReply) {
            QCoreApplication::exit(0);
        }
    });
    QObject::connect(&engine, &RegisterEngine::receiveFailed, [&] {
        failWith(replyUnreadableFailure());
        QCoreApplication::exit(kExitFailure);
    });
    const auto timeout = *readTimeoutMs(parsed.options);
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, [&] {
        failWith(noReplyFailure(target, timeout.count()));
        QCoreApplication::exit(kExitFailure);
    });
    deadline.start(timeout);
    QTimer::singleShot(0, [&] { send(); });
    // Bounded by the reply deadline; a signal keeps its default action.
    const int status = runEventLoop({});
    engine.cancel();
    return status;
}

int readRegister(const QStringList& args) {
    int status = 0;
    auto parsed = parseLine(args, 1, {}, status);
    if (!parsed) return status;
    const uint8_t reg = parsed->bytes[0];
    if (RegisterEngine::isBelowRegisterSpace(reg))
        std::fputs(qPrintable(QString::fromLatin1(kBelowRegisterSpaceWarning).arg(QString::fromStdString(byteText(reg)))),
                   stderr);
    RegisterEngine engine(parsed->link, Pace::product());
    const QString device = parsed->target.toString();
    QObject::connect(&engine, &RegisterEngine::valueReceived, [&device, reg](uint8_t value) {
        if (jsonOutput())
            printJson({{"device", device}, {"register", QString::fromStdString(byteText(reg))},
                       {"value", QString::fromStdString(byteText(value))}});
        else
            printLine(byteText(value));
        QCoreApplication::exit(0);
    });
    return exchange(*parsed, engine, [&] { engine.read(reg); }, true);
}

// {"device": ..., "registers": {"10": "00", ..., "FF": "00"}}
void printTableJson(const QString& device, const RegisterTable& table) {
    QJsonObject registers;
    for (size_t i = 0; i < table.size(); ++i)
        registers.insert(QString::fromStdString(byteText(uint8_t(REGISTER_TABLE_FIRST + i))), QString::fromStdString(byteText(table[i])));
    printJson({{"device", device}, {"registers", registers}});
}

void printTable(const RegisterTable& table) {
    std::string header = "index";
    for (int j = 1; j <= REGISTER_COLUMNS; ++j) header += " " + registerColumnHeader(j);
    printLine(header);
    for (int r = 0; r < DUMP_ROWS; ++r) {
        std::string line = registerRowLabel(r) + "   ";
        for (int j = 1; j <= REGISTER_COLUMNS; ++j) line += " " + byteText(registerCell(table, r, j));
        printLine(line);
    }
}

int dumpRegisters(const QStringList& args) {
    int status = 0;
    auto parsed = parseLine(args, 0, {}, status);
    if (!parsed) return status;
    RegisterEngine engine(parsed->link, Pace::product());
    const QString device = parsed->target.toString();
    QObject::connect(&engine, &RegisterEngine::tableReceived, [&device](const RegisterTable& table) {
        if (jsonOutput())
            printTableJson(device, table);
        else
            printTable(table);
        QCoreApplication::exit(0);
    });
    return exchange(*parsed, engine, [&] { engine.readTable(); }, true);
}

int writeRegister(const QStringList& args) {
    int status = 0;
    auto parsed = parseLine(args, 2, {"yes"}, status);
    if (!parsed) return status;
    const QString target = parsed->target.toString();
    if (!parsed->options.has("yes") &&
        !confirmOnTerminal(kWriteOperationWord, QString::fromUtf8(kWriteConfirmText) + target))
        return failWith(notConfirmedFailure());
    const uint8_t reg = parsed->bytes[0];
    const uint8_t value = parsed->bytes[1];
    RegisterEngine engine(parsed->link, Pace::product());
    status = exchange(*parsed, engine, [&] { engine.write(reg, value); }, false);
    if (status != 0) return status;
    const QString regText = QString::fromStdString(byteText(reg));
    const QString valueText = QString::fromStdString(byteText(value));
    if (jsonOutput())
        printJson({{"device", target}, {"register", regText}, {"written", valueText}});
    else
        printLine(QString::fromLatin1(kRegisterWritten).arg(regText, valueText, target));
    return status;
}

const CliCommand kReg("reg", "read, dump or write the registers of a device", usageText,
                      {{"read", readRegister}, {"dump", dumpRegisters}, {"write", writeRegister}});

}  // namespace
}  // namespace tavo::cli
