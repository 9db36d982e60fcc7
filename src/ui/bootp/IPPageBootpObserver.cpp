#include "IPPageBootpObserver.h"

#include "BootpWords.h"
#include "IPPage.h"
#include "common/Prompts.h"

namespace tavo {

void IPPageBootpObserver::bootpStatus(const BootpEvent& event) {
    m_page.showStatus(QString::fromStdString(bootpStatusText(event)));
}

bool IPPageBootpObserver::bootpUnknownDevice(const MacOctets& mac) {
    return m_page.addDeviceFor(mac) != 0;
}

void IPPageBootpObserver::bootpReadFailed() {
    m_page.m_context.prompts.message(QString::fromUtf8(kBootpReadFailedText),
                                     QString::fromUtf8(kBootpReadFailedCaption));
}

void IPPageBootpObserver::bootpStopRequested() { m_page.OnStopBootp(); }

void IPPageBootpObserver::bootpRequestChecked(const BootpRequestInfo& request, BootpStatus status) {
    // Every request that passes the checks presets the next "Aggiungi nuovo dispositivo",
    // known devices included, until a device is added.
    if (status == BootpStatus::Accepted) m_page.presetMac(request.mac);
}

}  // namespace tavo
