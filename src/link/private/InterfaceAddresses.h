#pragma once

#include <QString>
#include <chrono>
#include <optional>
#include <unordered_map>
#include <vector>

namespace tavo {

// The IPv4 addresses of this machine's interfaces by interface index, as the BootP
// server needs them for every reply (the server address is that of the interface the
// request came in on). Enumerating the interfaces costs a netlink dump, so the result is
// kept, and taken again when an index is not known or the snapshot is older than a
// second: an address the operator changes is used within a second.
class InterfaceAddresses {
public:
    struct Address {
        quint32 ip = 0;
        quint32 netmask = 0;
    };
    struct Interface {
        QString name;
        std::vector<Address> addresses;  // IPv4 only, in the system's order
    };

    // The interface with this index, or null when there is none.
    const Interface* find(int index);
    // The index of the named interface, or 0.
    int indexOf(const QString& name);
    // Takes the interfaces and their addresses now.
    void refresh();
    // True when `ip` is an address of one of this machine's interfaces.
    bool isOwnAddress(quint32 ip);

    // The address to announce to a device that is given `deviceIp`: the first address of
    // the interface on the device's subnet, else the interface's first address.
    static std::optional<quint32> chooseFor(const Interface& interface, quint32 deviceIp);

private:
    bool isStale() const;

    std::unordered_map<int, Interface> m_byIndex;
    std::chrono::steady_clock::time_point m_takenAt{};
    bool m_taken = false;
};

}  // namespace tavo
