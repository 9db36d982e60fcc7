// Every tavo command with --json, run as a script runs it against tavo-sim on loopback:
// each line of its output parses as one JSON object and has every key of the example the
// README gives for that command (nested objects and the elements of arrays included).
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QNetworkProxy>
#include <QProcess>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <gtest/gtest.h>

#include <csignal>

#include "CliRun.h"
#include "SimProcess.h"

namespace tavo {
namespace {

using test::CliRun;
using test::runCli;

constexpr int kWaitMs = 20000;
const char* const kSimIp = "127.0.0.8";
const char* const kSimMac = "024B7E0A1B2E";

// The README's examples: "    $ tavo ARGS" followed by one object per line.
QMap<QString, QList<QJsonObject>> readmeExamples() {
    QFile file(QStringLiteral(TAVO_SOURCE_DIR "/README.md"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    QMap<QString, QList<QJsonObject>> examples;
    QString current;
    for (const QString& line : QString::fromUtf8(file.readAll()).split('\n')) {
        if (line.startsWith(QLatin1String("    $ tavo "))) {
            current = line.mid(11);
            examples[current];
        } else if (!current.isEmpty() && line.startsWith(QLatin1String("    {"))) {
            examples[current].append(QJsonDocument::fromJson(line.trimmed().toUtf8()).object());
        } else {
            current.clear();
        }
    }
    return examples;
}

// Every key of `example` is in `actual`, down through objects and array elements.
void expectKeys(const QJsonObject& example, const QJsonObject& actual, const QString& where) {
    for (auto it = example.begin(); it != example.end(); ++it) {
        ASSERT_TRUE(actual.contains(it.key())) << where.toStdString() << ": no key \"" << it.key().toStdString()
                                               << "\" in " << QJsonDocument(actual).toJson(QJsonDocument::Compact).toStdString();
        const QJsonValue value = actual.value(it.key());
        if (it->isObject() && value.isObject()) expectKeys(it->toObject(), value.toObject(), where + "." + it.key());
        if (it->isArray() && value.isArray() && !it->toArray().isEmpty() && it->toArray().first().isObject()) {
            for (const QJsonValue element : value.toArray())
                expectKeys(it->toArray().first().toObject(), element.toObject(), where + "." + it.key() + "[]");
        }
    }
}

// Each output line against the example with its "event" (or the example without one).
void expectLikeExample(const QString& example, const QString& out, const QMap<QString, QList<QJsonObject>>& examples) {
    ASSERT_TRUE(examples.contains(example)) << "the README has no example for: tavo " << example.toStdString();
    const QList<QJsonObject>& shapes = examples[example];
    ASSERT_FALSE(shapes.isEmpty()) << example.toStdString();
    const QStringList lines = out.split('\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty()) << "no output: tavo " << example.toStdString();
    for (const QString& line : lines) {
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(line.toUtf8(), &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError) << example.toStdString() << ": " << line.toStdString();
        ASSERT_TRUE(document.isObject()) << line.toStdString();
        const QJsonObject object = document.object();
        const QJsonObject* shape = nullptr;
        for (const QJsonObject& candidate : shapes)
            if (candidate.value("event") == object.value("event")) shape = &candidate;
        ASSERT_NE(shape, nullptr) << example.toStdString() << ": no example of the line " << line.toStdString();
        expectKeys(*shape, object, example);
    }
}

void writeText(const QString& path, const QByteArray& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

struct JsonCase {
    QString example;   // the README's command line
    QStringList args;  // the one run here
    int status;
};

TEST(CliJson, EveryCommandPrintsTheKeysOfItsReadmeExample) {
    const auto examples = readmeExamples();
    QTemporaryDir dir;
    test::SimProcess sim;
    ASSERT_TRUE(sim.start({"--port", "0", "--bootp-max-requests", "0", "--max-seconds", "120", "--ip", kSimIp, "--mac", kSimMac}));
    const QString d = dir.path();
    const QStringList data{"--data-dir", d};
    const QStringList device = data + QStringList{"--device-port", QString::number(sim.port())};
    QDir().mkpath(d + "/site");
    writeText(d + "/site/index.htm", "<html>hi</html>");
    QFile::copy(QStringLiteral(TAVO_SOURCE_DIR "/src/app/707.html"), d + "/site/707.html");
    writeText(d + "/plan.csv", "mac;ip\r\n024B7E000001;192.168.1.20\r\n024B7E000003;192.168.1.12\r\n");
    writeText(d + "/bad.csv", "ip,mac\n192.168.1.30,024B7E000004\n192.168.1.31,024B7E00000\n");

    QUdpSocket held;
    held.setProxy(QNetworkProxy::NoProxy);
    ASSERT_TRUE(held.bind(QHostAddress(QHostAddress::AnyIPv4), 0));
    const QString heldPort = QString::number(held.localPort());

    const QList<JsonCase> cases = {
        {"devices add --ip 192.168.1.11 --mac 02:4B:7E:00:00:02 --json", QStringList{"devices", "add", "--ip", "192.168.1.10", "--mac", "024B7E000001"} + data, 0},
        {"devices add --ip 192.168.1.11 --mac 02:4B:7E:00:00:02 --json", QStringList{"devices", "add", "--ip", "192.168.1.11", "--mac", "02:4B:7E:00:00:02"} + data, 0},
        {"devices list --json", QStringList{"devices", "list"} + data, 0},
        {"devices remove --mac 024B7E000002 --json", QStringList{"devices", "remove", "--mac", "024B7E000002"} + data, 0},
        {"devices export --csv plan.csv --json", QStringList{"devices", "export", "--csv", d + "/export.csv"} + data, 0},
        {"devices import --csv plan.csv --replace --json", QStringList{"devices", "import", "--csv", d + "/plan.csv", "--replace"} + data, 0},
        {"devices import --csv bad.csv --json", QStringList{"devices", "import", "--csv", d + "/bad.csv"} + data, 1},
        {"history ip list --json", QStringList{"history", "ip", "list"} + data, 0},
        {"history mac clear --json", QStringList{"history", "mac", "clear"} + data, 0},
        {"ip find 024B7E0A1B2E --json", QStringList{"ip", "find", kSimMac, "--broadcast", "127.255.255.255"} + device, 0},
        {"flash read 127.0.0.8 0 1 --json", QStringList{"flash", "read", kSimIp, "0", "1"} + device, 0},
        {"flash clear 127.0.0.8 10 11 --yes --json", QStringList{"flash", "clear", kSimIp, "10", "11", "--yes"} + device, 0},
        {"reg write 127.0.0.8 1A 5 --yes --json", QStringList{"reg", "write", kSimIp, "1A", "5", "--yes"} + device, 0},
        {"reg read 127.0.0.8 1A --json", QStringList{"reg", "read", kSimIp, "1A"} + device, 0},
        {"reg dump 127.0.0.8 --json", QStringList{"reg", "dump", kSimIp} + device, 0},
        {"image build site -o site.TAV --json", {"image", "build", d + "/site", "-o", d + "/site.TAV"}, 0},
        {"image inspect site.TAV --json", {"image", "inspect", d + "/site.TAV"}, 0},
        // The server port held by this test: blocked, and named.
        {"doctor --interface eth0 --json", {"doctor", "--interface", "lo", "--bootp-server-port", heldPort, "--bootp-client-port", heldPort}, 1},
        {"upload site.TAV 127.0.0.8 --json", QStringList{"upload", d + "/site.TAV", kSimIp, "--pace-ms", "1"} + device, 0},
        {"ip clear 127.0.0.8 --yes --json", QStringList{"ip", "clear", kSimIp, "--yes"} + device, 0},
        // Errors: the general form, for a reply that never comes and a bad command line.
        {"reg read 127.0.0.9 1A --json", QStringList{"reg", "read", "127.0.0.9", "1A", "--timeout-ms", "200"} + device, 1},
        {"reg read 127.0.0.9 1A --json", QStringList{"reg", "read", kSimIp, "1G"} + device, 2},
        {"reg read 127.0.0.9 1A --json", QStringList{"devices", "frobnicate"} + data, 2},
        {"reg read 127.0.0.9 1A --json", QStringList{"flash"}, 2},
    };
    for (const JsonCase& c : cases) {
        const CliRun run = runCli(c.args + QStringList{"--json"}, {}, kWaitMs);
        EXPECT_EQ(run.exitCode, c.status) << c.args.join(' ').toStdString() << "\n" << run.err.toStdString();
        expectLikeExample(c.example, run.out, examples);
    }
}

// A BootP request as a device of the family sends it.
QByteArray bootpRequest(const QByteArray& mac) {
    QByteArray request(300, '\0');
    request[0] = 1;  // op: request
    request[1] = 1;  // htype
    request[2] = 6;  // hlen
    request[7] = 1;  // xid
    request.replace(28, 6, QByteArray::fromHex(mac));
    return request;
}

TEST(CliJson, BootpServeEventsHaveTheKeysOfTheReadmeExample) {
    const auto examples = readmeExamples();
    QTemporaryDir dir;
    ASSERT_EQ(runCli({"devices", "add", "--ip", "192.168.1.20", "--mac", "024B7E0A1B2C", "--data-dir", dir.path()}).exitCode, 0);
    QUdpSocket receiver, client;
    for (QUdpSocket* socket : {&receiver, &client}) socket->setProxy(QNetworkProxy::NoProxy);
    ASSERT_TRUE(receiver.bind(QHostAddress(QHostAddress::AnyIPv4), 0));
    QProcess serve;
    serve.start(TAVO_CLI_EXE, {"bootp", "serve", "--json", "--data-dir", dir.path(), "--port", "0", "--reply-port",
                               QString::number(receiver.localPort()), "--broadcast", "127.255.255.255"});
    QStringList lines;
    // The lines so far, waiting (bounded) until one holds `text`.
    const auto waitFor = [&](const QString& text) {
        QDeadlineTimer deadline(kWaitMs);
        for (;;) {
            while (serve.canReadLine()) lines << QString::fromUtf8(serve.readLine()).trimmed();
            for (const QString& line : lines)
                if (line.contains(text)) return line;
            if (deadline.hasExpired() || serve.state() == QProcess::NotRunning) return QString();
            serve.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
        }
    };
    const QString ready = waitFor("\"ready\"");
    ASSERT_FALSE(ready.isEmpty()) << QString::fromUtf8(serve.readAllStandardError()).toStdString();
    const quint16 port = quint16(QJsonDocument::fromJson(ready.toUtf8()).object().value("port").toInt());
    client.writeDatagram(bootpRequest("024B7E000099"), QHostAddress::LocalHost, port);
    client.writeDatagram(bootpRequest("024B7E0A1B2C"), QHostAddress::LocalHost, port);
    // The reply is the round trip that proves the server has handled both requests.
    ASSERT_TRUE(receiver.hasPendingDatagrams() || receiver.waitForReadyRead(kWaitMs));
    ASSERT_FALSE(waitFor("\"reply\"").isEmpty());
    ::kill(pid_t(serve.processId()), SIGTERM);
    ASSERT_TRUE(serve.waitForFinished(kWaitMs));
    EXPECT_EQ(serve.exitCode(), 0);
    while (serve.canReadLine()) lines << QString::fromUtf8(serve.readLine()).trimmed();
    lines << QString::fromUtf8(serve.readAllStandardOutput()).trimmed();
    for (const char* event : {"\"request\"", "\"unknown\"", "\"no_reply\"", "\"reply\"", "\"stopped\""})
        EXPECT_TRUE(lines.join('\n').contains(QLatin1String(event))) << event << "\n" << lines.join('\n').toStdString();
    expectLikeExample("bootp serve --json", lines.join('\n'), examples);
}

TEST(CliJson, CommissionEventsHaveTheKeysOfTheReadmeExample) {
    const auto examples = readmeExamples();
    QTemporaryDir dir;
    QUdpSocket serverPort, clientPort;  // two free ports, given back just before use
    ASSERT_TRUE(serverPort.bind(QHostAddress(QHostAddress::AnyIPv4), 0) && clientPort.bind(QHostAddress(QHostAddress::AnyIPv4), 0));
    const QString server = QString::number(serverPort.localPort()), client = QString::number(clientPort.localPort());
    serverPort.close();
    clientPort.close();
    writeText(dir.filePath("site.TAV"), QByteArray(3000, 'x'));
    test::SimProcess sim;
    ASSERT_TRUE(sim.start({"--port", "0", "--bootp-server-port", server, "--bootp-client-port", client, "--broadcast",
                           "127.255.255.255", "--bootp-interval-ms", "100", "--max-seconds", "60", "--mac", "02:4B:7E:50:00:01"}));
    const CliRun run = runCli({"commission", "--image", dir.filePath("site.TAV"), "--ip-pool", "127.0.3.1-127.0.3.9",
                               "--devices", "1", "--pace-ms", "1", "--report", dir.filePath("report.jsonl"), "--data-dir",
                               dir.path(), "--device-port", QString::number(sim.port()), "--bootp-server-port", server,
                               "--bootp-client-port", client, "--broadcast", "127.255.255.255", "--json"},
                              {}, 40000);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    for (const char* event : {"\"ready\"", "\"added\"", "\"phase\"", "\"device\"", "\"summary\""})
        EXPECT_TRUE(run.out.contains(QLatin1String(event))) << event << "\n" << run.out.toStdString();
    expectLikeExample("commission --image site.TAV --ip-pool 192.168.1.100-192.168.1.199 --devices 1 --json", run.out, examples);
}

}  // namespace
}  // namespace tavo
