#pragma once

#include <QDialog>
#include <QString>

namespace tavo {

// The yes/no warning asked before an operation that changes a device (IP clear, flash
// clear, register write). exec() gives Accepted for "Si" (also Enter) and Rejected for
// "No", Escape or the close box; callers go ahead unless the result is Rejected.
class CConfirmDlg : public QDialog {
    Q_OBJECT
public:
    CConfirmDlg(const QString& operation, const QString& message, QWidget* parent = nullptr);

    static QString titleFor(const QString& operation);

private:
    void buildControls();

    QString m_strOperation;  // goes into the title after the warning prefix
    QString m_strMessage;    // replaces the heading
};

}  // namespace tavo
