#include "BootpLogWriter.h"

#include <QJsonDocument>
#include <cstdio>

#include "BootpServer.h"

namespace tavo::cli {
namespace {

const char* outcomeName(BootpRequestOutcome outcome) {
    switch (outcome) {
    case BootpRequestOutcome::Answered: return "answered";
    case BootpRequestOutcome::Unknown: return "unknown";
    case BootpRequestOutcome::Refused: return "refused";
    case BootpRequestOutcome::NotBootp: return "not-bootp";
    case BootpRequestOutcome::Dropped: return "dropped";
    case BootpRequestOutcome::Failed: return "failed";
    }
    return "?";
}

const char* stateName(BootpInterfaceState state) {
    switch (state) {
    case BootpInterfaceState::Up: return "up";
    case BootpInterfaceState::Down: return "down";
    case BootpInterfaceState::NoAddress: return "no-address";
    case BootpInterfaceState::Missing: return "missing";
    }
    return "?";
}

QString timeText(const QDateTime& time) { return time.toString(Qt::ISODateWithMs); }
QString macText(const MacOctets& mac) { return QString::fromStdString(FormatMac(mac)); }

QJsonObject requestObject(const BootpRequestRecord& record) {
    QJsonObject object{{"event", "request"},
                       {"time", timeText(record.time)},
                       {"interface", record.interfaceName},
                       {"from", QStringLiteral("%1:%2").arg(record.sender.toString()).arg(record.senderPort)},
                       {"mac", macText(record.mac)},
                       {"family", record.ofFamily},
                       {"outcome", outcomeName(record.outcome)},
                       {"replyBytes", record.replySize}};
    if (record.outcome == BootpRequestOutcome::Answered)
        object.insert("ip", QString::fromStdString(formatDotted(record.address)));
    return object;
}

}  // namespace

QJsonObject rivalServerJson(const BootpRivalServer& rival) {
    return {{"event", "rival"},
            {"time", timeText(rival.time)},
            {"interface", rival.interfaceName},
            {"server", rival.server.toString()},
            {"mac", macText(rival.mac)}};
}

QJsonObject interfaceJson(const BootpInterfaceEvent& event) {
    QJsonObject object{
        {"event", "interface"}, {"time", timeText(event.time)}, {"interface", event.name}, {"state", stateName(event.state)}};
    if (event.state == BootpInterfaceState::Up) object.insert("ip", event.address.toString());
    return object;
}

std::unique_ptr<BootpLogWriter> BootpLogWriter::open(const QString& path, QString& error) {
    std::unique_ptr<BootpLogWriter> writer(new BootpLogWriter);
    if (path == QLatin1String("-")) return writer;
    writer->m_file.setFileName(path);
    // Unbuffered: each line goes to the system in the one write that carries it.
    if (!writer->m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
        error = writer->m_file.errorString();
        return nullptr;
    }
    return writer;
}

void BootpLogWriter::follow(BootpServer& server) {
    QObject::connect(&server, &BootpServer::requestSeen, [this](const BootpRequestRecord& r) { write(requestObject(r)); });
    QObject::connect(&server, &BootpServer::rivalServerSeen, [this](const BootpRivalServer& r) { write(rivalServerJson(r)); });
    QObject::connect(&server, &BootpServer::interfaceChanged,
                     [this](const BootpInterfaceEvent& e) { write(interfaceJson(e)); });
}

void BootpLogWriter::write(const QJsonObject& object) {
    const QByteArray line = QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
    if (m_file.isOpen()) {
        m_file.write(line);
        return;
    }
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fflush(stdout);
}

QString rivalServerLine(const BootpRivalServer& rival) {
    return QStringLiteral("rival server %1 answered %2 on %3")
        .arg(rival.server.toString(), macText(rival.mac), rival.interfaceName.isEmpty() ? "?" : rival.interfaceName);
}

QString interfaceLine(const BootpInterfaceEvent& event) {
    switch (event.state) {
    case BootpInterfaceState::Up: return QStringLiteral("interface %1 up, address %2: serving").arg(event.name, event.address.toString());
    case BootpInterfaceState::Down: return QStringLiteral("interface %1 down: waiting for it").arg(event.name);
    case BootpInterfaceState::NoAddress:
        return QStringLiteral("interface %1 has no IPv4 address: waiting for one").arg(event.name);
    case BootpInterfaceState::Missing: return QStringLiteral("interface %1 is gone: waiting for it").arg(event.name);
    }
    return {};
}

}  // namespace tavo::cli
