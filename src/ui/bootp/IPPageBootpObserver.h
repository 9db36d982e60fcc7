#pragma once

#include "BootpServer.h"

namespace tavo {

class CIPPage;

// Connects the BootP server to the IP configuration page: statuses become the status
// field's texts, an unknown device goes to the page's add flow, a failed read to a
// message box, and a cancelled entry to the page's stop handler.
class IPPageBootpObserver : public BootpServerObserver {
public:
    explicit IPPageBootpObserver(CIPPage& page) : m_page(page) {}

    void bootpStatus(const BootpEvent& event) override;
    bool bootpUnknownDevice(const MacOctets& mac) override;
    void bootpReadFailed() override;
    void bootpStopRequested() override;
    void bootpRequestChecked(const BootpRequestInfo& request, BootpStatus status) override;

private:
    CIPPage& m_page;
};

}  // namespace tavo
