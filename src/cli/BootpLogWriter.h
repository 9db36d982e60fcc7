#pragma once

#include <QFile>
#include <QJsonObject>
#include <QString>
#include <memory>

#include "BootpRequestRecord.h"

namespace tavo {
class BootpServer;
}

namespace tavo::cli {

// `tavo bootp serve --log FILE`: one JSON object per line for every datagram the server
// reads ("event":"request"), every other server heard ("event":"rival") and every change
// of the served interface ("event":"interface"). A file is appended to, each line in one
// write, so that a reader (tail -f, a script) never sees half a line; "-" is the standard
// output, each line flushed whole.
class BootpLogWriter {
public:
    // Null, with `error` set, when the file cannot be opened for appending.
    static std::unique_ptr<BootpLogWriter> open(const QString& path, QString& error);

    void follow(BootpServer& server);

private:
    BootpLogWriter() = default;
    void write(const QJsonObject& object);

    QFile m_file;  // not open for the standard output
};

// The log's objects, and the lines of `tavo bootp serve`, for another server and for the
// served interface.
QJsonObject rivalServerJson(const BootpRivalServer& rival);
QJsonObject interfaceJson(const BootpInterfaceEvent& event);
QString rivalServerLine(const BootpRivalServer& rival);
QString interfaceLine(const BootpInterfaceEvent& event);

}  // namespace tavo::cli
