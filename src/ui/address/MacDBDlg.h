#pragma once

#include <array>

#include "HistoryPickDlg.h"
#include "common/AppContext.h"

namespace tavo {

// "DataBase indirizzi MAC": the MAC address history, newest first. A double-click on an
// entry closes it with Accepted and that address; a double-click that hits no entry
// closes it with Rejected; Enter closes it with Accepted and zeros; Esc and the close box
// with Rejected.
class CMacDBDlg : public HistoryPickDlg {
    Q_OBJECT
public:
    explicit CMacDBDlg(AppContext& context, QWidget* parent = nullptr);

    // The picked address, first byte first; zeros until a double-click on an entry.
    std::array<int, 6> m_nMacByte{};

protected:
    void takePick(const std::vector<int>& values) override;
};

}  // namespace tavo
