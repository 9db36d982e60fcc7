#pragma once

#include <QDialog>
#include <array>

#include "app/AppContext.h"

namespace tavo {

class PickList;

// "DataBase indirizzi MAC": the MAC address history, newest first. A double-click on an
// entry closes it with Accepted and that address; a double-click that hits no entry
// closes it with Rejected; Enter closes it with Accepted and zeros; Esc and the close box
// with Rejected.
class CMacDBDlg : public QDialog {
    Q_OBJECT
public:
    explicit CMacDBDlg(AppContext& context, QWidget* parent = nullptr);

    // The picked address, first byte first; zeros until a double-click on an entry.
    std::array<int, 6> m_nMacByte{};

protected:
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void onDblclkList(int row);

private:
    void fillList();

    AppContext& m_context;
    PickList* m_list = nullptr;  // 1079
};

}  // namespace tavo
