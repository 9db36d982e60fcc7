#pragma once

#include <QDialog>
#include <map>
#include <memory>

#include "CommissionEngine.h"
#include "common/AppContext.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace tavo {

class IpAddressEdit;
struct CommissionForm;

// The commissioning line's window, opened from the sheet's window menu and kept for the
// program's run (closing it only hides it). The operator names the project file, an
// optional address pool for devices that are not in "bootp.ini", an optional registers
// file and the report, and starts the line: the window checks the fields (CommissionForm),
// then a CommissionEngine serves BootP and commissions every device of the family that
// asks. The table shows one row per device, by MAC, in the order they appeared; the
// status line the server's status and, at the end, the summary.
//
// While the line runs, closing the window (its close box or Escape) asks first whether
// to stop it; "No" keeps the window open and the line running.
class CommissionWindow final : public QDialog {
    Q_OBJECT
public:
    explicit CommissionWindow(AppContext& context, QWidget* parent = nullptr);
    ~CommissionWindow() override;

    bool isRunning() const;
    // The engine of the last start, or nothing before the first.
    const CommissionEngine* engine() const { return m_engine.get(); }
    // True when nothing runs, or the operator agreed to stop the line (it is stopped then).
    bool mayClose();

public slots:
    // The row of a device, made when its MAC is new, shows its state.
    void showDevice(const tavo::CommissionDeviceState& state);
    void showUnknownDevice(const tavo::CommissionUnknownDevice& device);
    void showSkippedDevice(const tavo::MacOctets& mac);
    void showStatus(const QString& text);

protected:
    // Escape and the close box land here.
    void reject() override;

private:
    void buildControls();
    void connectEngine();
    void onStart();
    void onStop();
    void onFinished(const CommissionSummary& summary);
    void showStartFailure(const CommissionStart& start);
    void browseImage();
    void browseRegisters();
    void browseReport();
    void setRunning(bool running);
    CommissionForm form() const;
    int rowFor(const MacOctets& mac);
    void setCell(int row, int column, const QString& text);
    void message(const QString& text);

    AppContext& m_context;
    std::unique_ptr<CommissionEngine> m_engine;
    std::map<MacOctets, int> m_rows;  // the row of each device seen
    bool m_lineEnded = false;         // finished() came: the summary stays in the status line

    QLineEdit* m_image = nullptr;         // "commissionImage"
    IpAddressEdit* m_poolFirst = nullptr;  // "commissionPoolFirst"
    IpAddressEdit* m_poolLast = nullptr;   // "commissionPoolLast"
    QLineEdit* m_registers = nullptr;     // "commissionRegisters"
    QLineEdit* m_report = nullptr;        // "commissionReport"
    QCheckBox* m_verify = nullptr;        // "commissionVerify"
    QCheckBox* m_changedOnly = nullptr;   // "commissionChangedOnly"
    QCheckBox* m_resume = nullptr;        // "commissionResume"
    QPushButton* m_start = nullptr;       // "commissionStart"
    QPushButton* m_stop = nullptr;        // "commissionStop"
    QLineEdit* m_status = nullptr;        // "commissionStatus"
    QTableWidget* m_devices = nullptr;    // "commissionDevices"
    QList<QWidget*> m_inputs;             // the fields a running line no longer reads
};

}  // namespace tavo
