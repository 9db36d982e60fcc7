#include "NetworkProbe.h"

#include <QHostAddress>
#include <QUdpSocket>

namespace tavo {

bool udpSocketsAvailable() {
    QUdpSocket probe;
    return probe.bind(QHostAddress::AnyIPv4, 0);
}

}  // namespace tavo
