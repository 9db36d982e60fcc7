#include "IPPageBootpObserver.h"

#include "IPPage.h"
#include "app/Prompts.h"

namespace tavo {
namespace {

// The six two-character texts of the entry dialog's MAC fields.
QStringList macByteTexts(const MacOctets& mac) {
    QStringList texts;
    for (uint8_t octet : mac) texts << QStringLiteral("%1").arg(octet, 2, 16, QLatin1Char('0')).toUpper();
    return texts;
}

}  // namespace

void IPPageBootpObserver::bootpStatus(const BootpEvent& event) {
    m_page.showStatus(QString::fromStdString(bootpStatusText(event)));
}

bool IPPageBootpObserver::bootpUnknownDevice(const MacOctets& mac) {
    m_page.m_strMacPart = macByteTexts(mac);
    return m_page.OnAddDevice() != 0;
}

void IPPageBootpObserver::bootpReadFailed() {
    m_page.m_context.prompts.message(QString::fromUtf8(kBootpReadFailedText),
                                     QString::fromUtf8(kBootpReadFailedCaption));
}

void IPPageBootpObserver::bootpStopRequested() { m_page.OnStopBootp(); }

void IPPageBootpObserver::bootpRequestChecked(const BootpRequestInfo& request, BootpStatus status) {
    // Every request that passes the checks presets the next "Aggiungi nuovo dispositivo",
    // known devices included, until a device is added.
    if (status == BootpStatus::Accepted) m_page.m_strMacPart = macByteTexts(request.mac);
}

}  // namespace tavo
