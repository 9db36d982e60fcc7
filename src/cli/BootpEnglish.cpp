#include "BootpEnglish.h"

#include <QJsonArray>
#include <QStringList>
#include <string_view>

#include "AddressText.h"

namespace tavo::cli {
namespace {

QString dotted(const Ipv4Octets& ip) { return QString::fromStdString(formatDotted(ip)); }
QString mac(const MacOctets& octets) { return QString::fromStdString(FormatMac(octets)); }
QString names(const std::vector<std::string>& list) {
    QStringList out;
    for (const std::string& name : list) out << QString::fromStdString(name);
    return out.join(" and ");
}
QString firstName(const PreflightFinding& f) {
    return f.interfaceNames.empty() ? QString() : QString::fromStdString(f.interfaceNames.front());
}

QString portName(const PreflightFinding& f, bool serverPort) {
    return QStringLiteral("port %1 (%2)").arg(f.port).arg(serverPort ? "server" : "client");
}

QString holderList(const std::vector<PortHolder>& holders) {
    QStringList out;
    for (const PortHolder& h : holders)
        out << QStringLiteral("%1 (pid %2)")
                   .arg(h.program.empty() ? QStringLiteral("?") : QString::fromStdString(h.program))
                   .arg(h.pid);
    return out.join(", ");
}

QString interfaceState(const InterfaceInfo& i) {
    QStringList parts;
    parts << (!i.up ? "down" : i.running ? "up" : "up, no link");
    if (i.loopback)
        parts << "loopback";
    else if (!i.canBroadcast)
        parts << "no broadcast";
    if (i.addresses.empty()) parts << "no IPv4 address";
    for (const InterfaceAddressInfo& a : i.addresses) {
        QString address = QStringLiteral("%1/%2").arg(dotted(a.ip)).arg(a.prefix);
        if (a.broadcast != Ipv4Octets{}) address += " broadcast " + dotted(a.broadcast);
        parts << address;
    }
    return parts.join(", ");
}

QString firstAddress(const InterfaceInfo& i) {
    return i.addresses.empty()
               ? QString()
               : QStringLiteral("%1/%2").arg(dotted(i.addresses.front().ip)).arg(i.addresses.front().prefix);
}

}  // namespace

QString preflightMessage(const PreflightFinding& f) {
    const bool serverPort = f.serverPort;
    const QString ifName = firstName(f);
    switch (f.cause) {
    case PreflightCause::PortFree: return portName(f, serverPort) + " is free";
    case PreflightCause::PortHeld:
        if (f.holders.empty())
            return portName(f, serverPort) + " is held by a program this user cannot see (run as root to name it)";
        return portName(f, serverPort) + " is held by " + holderList(f.holders) +
               (serverPort ? QString() : QStringLiteral(": it receives the devices' replies too"));
    case PreflightCause::PortNoPermission:
        return portName(f, serverPort) + " may not be opened by this user (" + QString::fromStdString(f.detail) +
               "): run as root or administrator";
    case PreflightCause::PortError:
        return portName(f, serverPort) + " cannot be opened: " + QString::fromStdString(f.detail);
    case PreflightCause::InterfaceState: return "interface " + ifName + ": " + interfaceState(f.interface);
    case PreflightCause::ChosenInterfaceMissing: return "interface " + ifName + " does not exist";
    case PreflightCause::ChosenInterfaceDown: return "interface " + ifName + " is down";
    case PreflightCause::ChosenInterfaceNoLink:
        return "interface " + ifName + " is up but has no link (is its cable in?)";
    case PreflightCause::ChosenInterfaceNoAddress: return "interface " + ifName + " has no IPv4 address";
    case PreflightCause::ChosenInterfaceCannotBroadcast: return "interface " + ifName + " cannot broadcast";
    case PreflightCause::NoBroadcastInterface:
        return "no interface is up, with a link, an IPv4 address and broadcast: no device can be answered";
    case PreflightCause::SharedSubnet:
        return QStringLiteral("interfaces %1 are on one subnet %2/%3: requests and replies may take either")
            .arg(names(f.interfaceNames), dotted(f.address))
            .arg(f.prefix);
    case PreflightCause::LinkLocalOnly:
        return "interface " + ifName + " has only the link-local address " + firstAddress(f.interface) +
               " (none was given to it): devices would be told it as the server's address";
    case PreflightCause::RouteOnLink:
        return QStringLiteral("device %1 is reached on interface %2 (from %3)")
            .arg(dotted(f.address), ifName, dotted(f.source));
    case PreflightCause::RouteViaGateway:
        return QStringLiteral(
                   "device %1 leaves by interface %2 (from %3) through a gateway: it is on no link of this PC, "
                   "BootP broadcasts do not reach it")
            .arg(dotted(f.address), ifName, dotted(f.source));
    case PreflightCause::RouteNone: return QStringLiteral("no route to device %1").arg(dotted(f.address));
    case PreflightCause::RouteOtherInterface:
        return QStringLiteral("device %1 leaves by interface %2, not by the chosen interface %3")
            .arg(dotted(f.address), ifName, QString::fromStdString(f.interfaceNames.back()));
    case PreflightCause::ListenUnavailable:
        return QStringLiteral("cannot listen on port %1: %2").arg(f.port).arg(QString::fromStdString(f.detail));
    case PreflightCause::NothingHeard:
        return QStringLiteral("no BootP request came in on port %1 in %2 s: no device asked, or a firewall drops them")
            .arg(f.port)
            .arg(double(f.listenedMs) / 1000.0, 0, 'f', 1);
    case PreflightCause::RequestHeard:
        return QStringLiteral("request from %1 (%2) sent from %3 on %4")
            .arg(mac(f.mac), f.ofFamily ? "of the family" : "not of the family", dotted(f.address), ifName);
    case PreflightCause::RivalServer:
        return QStringLiteral("another server %1 answered %2 (%3) with %4 on %5")
            .arg(dotted(f.address), mac(f.mac), f.ofFamily ? "of the family" : "not of the family", dotted(f.offered),
                 ifName);
    }
    return {};
}

QString preflightLine(const PreflightFinding& f) {
    return QStringLiteral("%1 %2").arg(QString::fromLatin1(preflightStatusName(f.status)).leftJustified(7),
                                       preflightMessage(f));
}

QJsonObject preflightJson(const PreflightFinding& f) {
    QJsonObject o{{"check", preflightCheckName(f.cause)},
                  {"status", preflightStatusName(f.status)},
                  {"message", preflightMessage(f)}};
    switch (f.cause) {
    case PreflightCause::PortFree:
    case PreflightCause::PortHeld:
    case PreflightCause::PortNoPermission:
    case PreflightCause::PortError:
    case PreflightCause::ListenUnavailable:
    case PreflightCause::NothingHeard: {
        o["port"] = f.port;
        if (f.cause == PreflightCause::NothingHeard) o["listened_ms"] = qint64(f.listenedMs);
        if (preflightCheckName(f.cause) == std::string_view("port")) o["role"] = f.serverPort ? "server" : "client";
        if (!f.holders.empty()) {
            o["program"] = QString::fromStdString(f.holders.front().program);
            o["pid"] = qint64(f.holders.front().pid);
            QJsonArray holders;
            for (const PortHolder& h : f.holders)
                holders.append(QJsonObject{{"program", QString::fromStdString(h.program)}, {"pid", qint64(h.pid)}});
            o["holders"] = holders;
        }
        if (!f.detail.empty()) o["detail"] = QString::fromStdString(f.detail);
        break;
    }
    case PreflightCause::InterfaceState:
    case PreflightCause::ChosenInterfaceDown:
    case PreflightCause::ChosenInterfaceNoLink:
    case PreflightCause::ChosenInterfaceNoAddress:
    case PreflightCause::ChosenInterfaceCannotBroadcast:
    case PreflightCause::LinkLocalOnly: {
        o["interface"] = QString::fromStdString(f.interface.name);
        o["up"] = f.interface.up;
        o["running"] = f.interface.running;
        o["can_broadcast"] = f.interface.canBroadcast;
        QJsonArray addresses;
        for (const InterfaceAddressInfo& a : f.interface.addresses)
            addresses.append(
                QJsonObject{{"address", dotted(a.ip)}, {"prefix", a.prefix}, {"broadcast", dotted(a.broadcast)}});
        o["addresses"] = addresses;
        break;
    }
    case PreflightCause::ChosenInterfaceMissing: o["interface"] = firstName(f); break;
    case PreflightCause::NoBroadcastInterface: break;
    case PreflightCause::SharedSubnet: {
        QJsonArray list;
        for (const std::string& name : f.interfaceNames) list.append(QString::fromStdString(name));
        o["interfaces"] = list;
        o["subnet"] = QStringLiteral("%1/%2").arg(dotted(f.address)).arg(f.prefix);
        break;
    }
    case PreflightCause::RouteOnLink:
    case PreflightCause::RouteViaGateway:
    case PreflightCause::RouteNone:
    case PreflightCause::RouteOtherInterface:
        o["device"] = dotted(f.address);
        if (!f.interfaceNames.empty()) {
            o["interface"] = firstName(f);
            o["source"] = dotted(f.source);
        }
        if (f.cause == PreflightCause::RouteOtherInterface)
            o["chosen"] = QString::fromStdString(f.interfaceNames.back());
        break;
    case PreflightCause::RequestHeard:
    case PreflightCause::RivalServer:
        o["mac"] = mac(f.mac);
        o["family"] = f.ofFamily;
        o["interface"] = firstName(f);
        if (f.cause == PreflightCause::RequestHeard) {
            o["sender"] = dotted(f.address);
        } else {
            o["server"] = dotted(f.address);
            o["offered"] = dotted(f.offered);
        }
        break;
    }
    return o;
}

QString canServeLine(bool canServe) { return QStringLiteral("can serve: %1").arg(canServe ? "yes" : "no"); }

const char* const kInterfaceNeedsName = "--interface: needs an interface name";

QString unexpectedArgumentText(const QString& word) { return "unexpected argument " + word; }

}  // namespace tavo::cli
