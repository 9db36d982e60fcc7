#pragma once

#include "BootpServer.h"

namespace tavo {

class CIPPage;

// Connects the BootP server to the IP configuration page: status texts go to the status
// field, an unknown device to the page's add flow, a failed read to a message box, and a
// cancelled entry to the page's stop handler.
class IPPageBootpObserver : public BootpServerObserver {
public:
    explicit IPPageBootpObserver(CIPPage& page) : m_page(page) {}

    void bootpStatus(const QString& text) override;
    bool bootpUnknownDevice(const QStringList& macParts) override;
    void bootpReadFailed() override;
    void bootpStopRequested() override;
    void bootpRequestChecked(const BootpRequestInfo& request, const QString& statusText) override;

private:
    CIPPage& m_page;
};

}  // namespace tavo
