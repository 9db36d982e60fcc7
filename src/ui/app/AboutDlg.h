#pragma once

#include <QDialog>

namespace tavo {

// The About box: the program's name and maker, a rights line, and OK.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace tavo
