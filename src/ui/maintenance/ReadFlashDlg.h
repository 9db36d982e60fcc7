#pragma once

#include <QDialog>

#include "DeviceCommand.h"
#include "FlashDump.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace tavo {

class Prompts;

// "Show Dump Dialog": data read from a device as a hexadecimal table of 16 rows.
// Flash mode: one sector per page, "Precedente" and "Successivo" page through the range;
// a sector that did not come back shows "--" in every cell. Beside the 16 byte cells an
// ASCII column; "Salva..." writes the range to a file, "Confronta..." compares it with a
// file, and a page number typed into the page field jumps to it.
// Register mode: the registers 0x10..0xFF on the single page 0.
// The Escape key and the close box act as "Successivo" (the button carries the cancel
// identity); only "Esci" closes the viewer. It works on its own copy of the data.
class CReadFlashDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int MODE_FLASH = 0;
    static constexpr int MODE_REGISTER = 1;

    CReadFlashDlg(int nMode, Prompts& prompts, QWidget* parent = nullptr);

    // Called once, before the viewer is shown.
    void SetFlashData(const FlashDump& dump);
    void SetRegisterData(const RegisterTable& values);

    int page() const { return m_nPage; }
    const FlashDump& dump() const { return m_dump; }

    // The cancel gestures page on instead of closing.
    void reject() override { OnNext(); }

public slots:
    void OnPrevious();
    void OnNext();
    // Shows the page if it lies in the range; false (and a message) otherwise.
    bool goToPage(int page);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void onSave();
    void onCompare();

private:
    void OnInitDialog();
    void ShowPage();
    void updateButtons();
    void buildControls();
    void jumpFromField();

    Prompts& m_prompts;
    FlashDump m_dump;            // flash mode: the range read
    RegisterTable m_registers{}; // register mode
    int m_nFirstPage = 0;
    int m_nLastPage = 0;
    int m_nMode;
    int m_nPage = 0;
    bool m_initialised = false;
    QTableWidget* m_dumpList = nullptr;  // 1051
    QLabel* m_pageLabel = nullptr;       // 1053
    QPushButton* m_exit = nullptr;       // 1
    QPushButton* m_next = nullptr;       // 2
    QPushButton* m_previous = nullptr;   // 3
    QLineEdit* m_pageJump = nullptr;
};

}  // namespace tavo
