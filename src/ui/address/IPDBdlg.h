#pragma once

#include <QDialog>
#include <array>

#include "app/AppContext.h"

namespace tavo {

class PickList;

// "DataBase indirizzi IP": the IP address history, newest first. A double-click closes it
// with Accepted and the address it hit (0.0.0.0 when it hit no entry); Enter closes it
// with Accepted and 0.0.0.0; Esc and the close box with Rejected.
class CIPDBdlg : public QDialog {
    Q_OBJECT
public:
    explicit CIPDBdlg(AppContext& context, QWidget* parent = nullptr);

    // The picked address, first octet first; 0.0.0.0 until a double-click sets it.
    std::array<int, 4> m_nOctet{};

protected:
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void onDblclkList(int row);

private:
    void fillList();

    AppContext& m_context;
    PickList* m_list = nullptr;  // 1029
};

}  // namespace tavo
