#pragma once

#include <QDialog>

namespace tavo {

// The About box: the program's name and maker, a rights line, and OK.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    static constexpr const char* kCaption = "Nimbrel Utility for Windows Info.";
    static constexpr const char* kText = "TAVO Utility software di utilità per TAVO 707  Vantorel Technologies";
    static constexpr const char* kRights = "Versione 1.10 - Copyright © 2026 Vantorel Technologies. Tutti i diritti riservati.";
};

}  // namespace tavo
