#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <memory>
#include <vector>

class QTcpServer;
class QTcpSocket;

namespace tavo::sim {

class SimNetwork;

// The device's web server, serving the web image in its flash. A request's path up to
// any "?" gives the resource index (the 8-bit sum of its bytes as received); entry k of
// the offset table at the start of the flash (4 bytes, big-endian) gives the offset of
// the record, whose 4-byte response length L and 2-byte HTML flag are followed by the
// ready-made response, sent as it stands; then the connection closes.
//
// Choices where the device's own behaviour is free:
// - GET and HEAD are served (HEAD: the response up to the end of its header); any other
//   method gets a 501 of the server's own;
// - an entry of 0, or a record that starts inside the table or runs past the end of the
//   flash: a 404 of its own; a flash whose table is erased (all 0xFF): 503;
// - at most kMaxConnections at once (more are closed at once), a request header of at
//   most kMaxRequestBytes (else 400), and kConnectionMs per connection from accept to
//   close, whatever the client does.
// Each device that has an address when the server starts is served on (its address,
// port), never on 0.0.0.0, so the server is only reachable where the devices are; a
// device that gets its address later by BootP is served on it from then on, one that
// is cleared or falls silent no longer.
class SimHttp : public QObject {
    Q_OBJECT
public:
    static constexpr int kMaxConnections = 32;
    static constexpr int kMaxRequestBytes = 8192;
    static constexpr int kConnectionMs = 5000;

    explicit SimHttp(SimNetwork& network, QObject* parent = nullptr);
    ~SimHttp() override;

    // Listens on `port` (0: a free one, the same for every device). False, with
    // errorString(), when a server for a device that has its address now cannot listen;
    // for an address taken later, problem() says so and the rest goes on.
    bool start(quint16 port);
    quint16 port() const { return m_port; }
    QString errorString() const { return m_error; }

    // The response for one request to the device's flash (pure, for tests).
    static QByteArray respond(const QByteArray& flash, const QByteArray& method, const QByteArray& target);

signals:
    void served(int device, const QByteArray& method, const QByteArray& target, int status);
    void problem(const QString& text);

private:
    struct Server {
        std::unique_ptr<QTcpServer> server;
        int device = -1;
    };
    bool listen(Server& server, const QHostAddress& address, quint16 port);
    void serveNewAddress(int device);
    void stopServing(int device);
    void accept(QTcpServer* server, int device);
    void readRequest(QTcpSocket* socket, int device);

    SimNetwork& m_network;
    std::vector<Server> m_servers;
    int m_open = 0;
    quint16 m_port = 0;
    bool m_started = false;
    QString m_error;
};

}  // namespace tavo::sim
