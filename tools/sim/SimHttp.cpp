#include "SimHttp.h"

#include "SimNetwork.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QVariant>
#include <QTimer>

namespace tavo::sim {

namespace {
constexpr int kTableEntries = 256;
constexpr int kTableBytes = kTableEntries * 4;
constexpr int kRecordHeader = 6;  // response length L, HTML flag

quint32 bigEndian32(const QByteArray& bytes, qsizetype at) {
    quint32 value = 0;
    for (int i = 0; i < 4; ++i) value = (value << 8) | quint8(bytes.at(at + i));
    return value;
}

QByteArray ownResponse(int status, const char* reason) {
    const QByteArray body = QByteArray::number(status) + ' ' + reason + "\r\n";
    return "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\nContent-Length: " +
           QByteArray::number(body.size()) +
           "\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\n" + body;
}

int statusOf(const QByteArray& response) {
    // "HTTP/1.1 200 ..." -> 200; 0 when the response has no status line of that form.
    const qsizetype space = response.indexOf(' ');
    return space < 0 ? 0 : response.mid(space + 1, 3).toInt();
}

bool tableErased(const QByteArray& flash) {
    for (int i = 0; i < kTableBytes; ++i)
        if (quint8(flash.at(i)) != 0xFF) return false;
    return true;
}
}  // namespace

SimHttp::SimHttp(SimNetwork& network, QObject* parent) : QObject(parent), m_network(network) {
    connect(&network, &SimNetwork::configured, this, &SimHttp::serveNewAddress);
    connect(&network, &SimNetwork::cleared, this, &SimHttp::stopServing);
    connect(&network, &SimNetwork::silenced, this, [this](int device, int) { stopServing(device); });
}

// The servers and their connections go first, while the count they report to still lives.
SimHttp::~SimHttp() { m_servers.clear(); }

QByteArray SimHttp::respond(const QByteArray& flash, const QByteArray& method, const QByteArray& target) {
    if (method != "GET" && method != "HEAD") return ownResponse(501, "Not Implemented");
    if (flash.size() < kTableBytes || tableErased(flash)) return ownResponse(503, "Service Unavailable");
    const qsizetype query = target.indexOf('?');
    const QByteArray path = query < 0 ? target : target.left(query);
    quint8 index = 0;
    for (char byte : path) index = quint8(index + quint8(byte));
    const quint64 offset = bigEndian32(flash, qsizetype(index) * 4);
    if (offset < quint64(kTableBytes) || offset + kRecordHeader > quint64(flash.size()))
        return ownResponse(404, "Not Found");
    const quint64 length = bigEndian32(flash, qsizetype(offset));
    if (offset + kRecordHeader + length > quint64(flash.size())) return ownResponse(404, "Not Found");
    QByteArray response = flash.mid(qsizetype(offset + kRecordHeader), qsizetype(length));
    if (method == "HEAD") {
        const qsizetype end = response.indexOf("\r\n\r\n");
        if (end >= 0) response.truncate(end + 4);
    }
    return response;
}

bool SimHttp::start(quint16 port) {
    m_servers.clear();
    m_started = false;
    for (int i = 0; i < m_network.deviceCount(); ++i) {
        const QHostAddress address = m_network.deviceAddress(i);
        if (address.isNull() || m_network.isSilent(i)) continue;  // no address, or silent: nothing served
        m_servers.push_back({std::make_unique<QTcpServer>(), i});
        if (!listen(m_servers.back(), address, port)) return false;
        port = m_servers.back().server->serverPort();
    }
    if (port == 0) {
        // Nobody has an address yet, and the port is printed now: a free port number is
        // taken by binding without listening, so that nothing is reachable on 0.0.0.0.
        QTcpSocket probe;
        if (!probe.bind(QHostAddress(QHostAddress::AnyIPv4), 0)) {
            m_error = QStringLiteral("cannot find a free port: %1").arg(probe.errorString());
            return false;
        }
        port = probe.localPort();
    }
    m_port = port;
    m_started = true;
    return true;
}

// A device that took an address by BootP, or took a new one after a clear.
void SimHttp::serveNewAddress(int device) {
    if (!m_started) return;
    stopServing(device);
    const QHostAddress address = m_network.deviceAddress(device);
    if (address.isNull() || m_network.isSilent(device)) return;
    m_servers.push_back({std::make_unique<QTcpServer>(), device});
    if (!listen(m_servers.back(), address, m_port)) {
        m_servers.pop_back();
        emit problem(m_error);
    }
}

// Its open connections go with the server: the device is no longer at that address.
void SimHttp::stopServing(int device) {
    std::erase_if(m_servers, [device](const Server& server) { return server.device == device; });
}

bool SimHttp::listen(Server& server, const QHostAddress& address, quint16 port) {
    if (!server.server->listen(address, port)) {
        m_error = QStringLiteral("cannot listen on %1:%2: %3")
                      .arg(address.toString())
                      .arg(port)
                      .arg(server.server->errorString());
        return false;
    }
    QTcpServer* raw = server.server.get();
    const int device = server.device;
    connect(raw, &QTcpServer::newConnection, this, [this, raw, device] { accept(raw, device); });
    return true;
}

void SimHttp::accept(QTcpServer* server, int device) {
    while (QTcpSocket* socket = server->nextPendingConnection()) {
        const int target = device;
        if (m_open >= kMaxConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ++m_open;
        // Every connection ends within kConnectionMs, whatever the client does.
        connect(socket, &QObject::destroyed, this, [this] { --m_open; });
        QTimer::singleShot(kConnectionMs, socket, [socket] {
            socket->abort();
            socket->deleteLater();
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, target] { readRequest(socket, target); });
        if (socket->bytesAvailable() > 0) readRequest(socket, target);
    }
}

void SimHttp::readRequest(QTcpSocket* socket, int device) {
    if (socket->property("answered").toBool()) {
        socket->readAll();  // a pipelined or stray request after the answer is dropped
        return;
    }
    QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    const qsizetype end = request.indexOf("\r\n\r\n");
    if (end < 0 && request.size() <= kMaxRequestBytes) {
        socket->setProperty("request", request);
        return;
    }
    socket->setProperty("answered", true);
    QByteArray method;
    QByteArray target;
    QByteArray response;
    if (end < 0 || end > kMaxRequestBytes) {
        response = ownResponse(400, "Bad Request");
    } else {
        const QList<QByteArray> words = request.left(request.indexOf("\r\n")).split(' ');
        if (words.size() != 3 || !words[2].startsWith("HTTP/") || words[1].isEmpty()) {
            response = ownResponse(400, "Bad Request");
        } else {
            method = words[0];
            target = words[1];
            const auto& flash = m_network.device(device).flash();
            const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(flash.data()),
                                                             qsizetype(flash.size()));
            response = respond(bytes, method, target);
        }
    }
    emit served(device, method, target, statusOf(response));
    socket->write(response);
    socket->disconnectFromHost();  // after the bytes are written
}

}  // namespace tavo::sim
