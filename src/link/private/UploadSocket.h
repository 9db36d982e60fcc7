#pragma once

#include <QHostAddress>
#include <QObject>
#include <cstdint>
#include <span>

#include "LinkConfig.h"

namespace tavo {

class CClientSocket;

// The web upload's socket: connected to the device, it sends the numbered blocks of an
// image and reads no answers. Whatever the device sends back is read and dropped, so it
// neither piles up nor is mistaken for anything later. Used on the thread that owns it.
class UploadSocket : public QObject {
    Q_OBJECT
public:
    explicit UploadSocket(LinkConfig config, QObject* parent = nullptr);
    ~UploadSocket() override;

    bool open(const QHostAddress& device);  // a previous socket is released
    void close();
    bool isOpen() const { return m_socket != nullptr; }
    quint16 localPort() const;

    // Block n with up to 256 data bytes; false when not sent or the data is too long.
    bool sendBlock(int block, std::span<const uint8_t> data);

private:
    void dropIncoming();

    LinkConfig m_config;
    CClientSocket* m_socket = nullptr;  // child of this object
};

}  // namespace tavo
