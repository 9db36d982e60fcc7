#include "InterfaceAddresses.h"

#include <QNetworkInterface>

namespace tavo {
namespace {
constexpr std::chrono::seconds kMaxAge{1};
}

const InterfaceAddresses::Interface* InterfaceAddresses::find(int index) {
    if (isStale() || m_byIndex.find(index) == m_byIndex.end()) refresh();
    const auto found = m_byIndex.find(index);
    return found == m_byIndex.end() ? nullptr : &found->second;
}

int InterfaceAddresses::indexOf(const QString& name) {
    refresh();
    for (const auto& [index, interface] : m_byIndex) {
        if (interface.name == name) return index;
    }
    return 0;
}

bool InterfaceAddresses::isOwnAddress(quint32 ip) {
    if (isStale()) refresh();
    for (const auto& [index, interface] : m_byIndex) {
        for (const Address& address : interface.addresses) {
            if (address.ip == ip) return true;
        }
    }
    return false;
}

std::optional<quint32> InterfaceAddresses::chooseFor(const Interface& interface, quint32 deviceIp) {
    for (const Address& address : interface.addresses) {
        if (address.netmask != 0 && (address.ip & address.netmask) == (deviceIp & address.netmask)) return address.ip;
    }
    if (interface.addresses.empty()) return std::nullopt;
    return interface.addresses.front().ip;
}

void InterfaceAddresses::refresh() {
    m_byIndex.clear();
    for (const QNetworkInterface& system : QNetworkInterface::allInterfaces()) {
        Interface& interface = m_byIndex[system.index()];
        interface.name = system.name();
        for (const QNetworkAddressEntry& entry : system.addressEntries()) {
            if (entry.ip().protocol() != QAbstractSocket::IPv4Protocol) continue;
            interface.addresses.push_back({entry.ip().toIPv4Address(), entry.netmask().toIPv4Address()});
        }
    }
    m_takenAt = std::chrono::steady_clock::now();
    m_taken = true;
}

bool InterfaceAddresses::isStale() const {
    return !m_taken || std::chrono::steady_clock::now() - m_takenAt > kMaxAge;
}

}  // namespace tavo
