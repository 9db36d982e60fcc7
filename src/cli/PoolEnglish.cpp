#include "PoolEnglish.h"

#include "CliSupport.h"
#include "JsonOutput.h"

namespace tavo::cli {

void printUnknownDevice(const MacOctets& mac, DeviceTableStatus status, const Ipv4Octets& ip, int takenBy) {
    const QString macText = QString::fromStdString(FormatMac(mac));
    if (status == DeviceTableStatus::Done) {
        const QString address = QString::fromStdString(formatDotted(ip));
        if (jsonOutput())
            printJson({{"event", "added"}, {"mac", macText}, {"ip", address}});
        else
            printLine("added " + macText + " ip " + address);
        return;
    }
    const char* reason = "not_added";
    QString why = "not added";  // the table reported why on stderr
    switch (status) {
    case DeviceTableStatus::NotFound: reason = "not_in_table", why = "not in bootp.ini"; break;
    case DeviceTableStatus::PoolUsedUp: reason = "pool_used_up", why = "the address pool is used up"; break;
    case DeviceTableStatus::Duplicate:
        reason = "address_taken", why = "its address is taken by record " + QString::number(takenBy + 1);
        break;
    default: break;
    }
    if (jsonOutput())
        printJson({{"event", "unknown"}, {"mac", macText}, {"reason", reason}});
    else
        printLine("unknown " + macText + ": " + why + ", left unanswered");
}

}  // namespace tavo::cli
