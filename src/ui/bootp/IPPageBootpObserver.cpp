#include "IPPageBootpObserver.h"

#include "IPPage.h"
#include "app/Prompts.h"

namespace tavo {

void IPPageBootpObserver::bootpStatus(const QString& text) { m_page.ShowStatus(text); }

bool IPPageBootpObserver::bootpUnknownDevice(const QStringList& macParts) {
    m_page.m_strMacPart = macParts;
    return m_page.OnAddDevice() != 0;
}

void IPPageBootpObserver::bootpReadFailed() {
    m_page.m_context.prompts.message(QString::fromUtf8(kBootpReadFailedText),
                                     QString::fromUtf8(kBootpReadFailedCaption));
}

void IPPageBootpObserver::bootpStopRequested() { m_page.OnStopBootp(); }

void IPPageBootpObserver::bootpRequestChecked(const BootpRequestInfo& request, const QString& statusText) {
    // Every request that passes the checks presets the next "Aggiungi nuovo dispositivo",
    // known devices included, until a device is added.
    if (statusText != QString::fromStdString(bootpStatusText(BootpStatus::Accepted))) return;
    QStringList parts;
    for (int i = 0; i + 1 < request.mac.size(); i += 2) parts << request.mac.mid(i, 2);
    m_page.m_strMacPart = parts;
}

}  // namespace tavo
