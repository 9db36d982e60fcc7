#pragma once

#include <QDialog>

class QPushButton;
class QTableView;

namespace tavo {

class BootpLogModel;
class CIPPage;

// The BootP request log: every request the page's BootP server read, the last 1000, newest
// first. For a device of the family that is not in the table, "Aggiungi alla tabella"
// runs the page's own add flow (the device entry dialog, its MAC filled in), so that the
// table, the list and the histories change exactly as with "Aggiungi nuovo dispositivo".
// Made with the sheet and only shown and hidden: it records while it is closed.
class CBootpLogDlg final : public QDialog {
    Q_OBJECT
public:
    CBootpLogDlg(CIPPage& page, QWidget* parent = nullptr);

    const BootpLogModel& model() const { return *m_model; }

private:
    void updateAddButton();
    void addSelected();

    CIPPage& m_page;
    BootpLogModel* m_model = nullptr;   // child
    QTableView* m_list = nullptr;       // "bootpLogList"
    QPushButton* m_addButton = nullptr; // "bootpLogAdd"
};

}  // namespace tavo
