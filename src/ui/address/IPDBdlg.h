#pragma once

#include <array>

#include "HistoryPickDlg.h"
#include "common/AppContext.h"

namespace tavo {

// "DataBase indirizzi IP": the IP address history, newest first. A double-click closes it
// with Accepted and the address it hit (0.0.0.0 when it hit no entry); Enter closes it
// with Accepted and 0.0.0.0; Esc and the close box with Rejected.
class CIPDBdlg : public HistoryPickDlg {
    Q_OBJECT
public:
    explicit CIPDBdlg(AppContext& context, QWidget* parent = nullptr);

    // The picked address, first octet first; 0.0.0.0 until a double-click sets it.
    std::array<int, 4> m_nOctet{};

protected:
    void takePick(const std::vector<int>& values) override;
};

}  // namespace tavo
