#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>

#include "DeviceCommand.h"
#include "Pace.h"
#include "common/AppContext.h"
#include "controls/ColorCtrl.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace tavo {

class FlashClearRun;
class FlashDump;
class FlashReadRun;
class IpAddressEdit;
class MaintenanceLink;
enum class FlashRunStatus;

// The "Utility" tab, shown on demand: works on one device, the target. Reads a range of
// flash sectors into the dump viewer, clears a range, reads one register or the whole
// register table, and writes a register. Every command and reply is logged, one line
// each, in the list box, which only grows.
//
// Every operation first runs Set, which makes a new socket pair to the target. Flash
// reads and clears are runs of the link layer (paced on this thread, never blocking it)
// on sockets of their own: a read binds each reply to the request that asked for it, so
// a sector's row only ever holds that sector's bytes, and a sector without a reply is
// shown as missing and named in the log. The flash viewer opens as a window of its own
// when a read ends, while the page stays usable; the register viewer is modal.
class CUtilPage : public QWidget {
    Q_OBJECT
public:
    explicit CUtilPage(AppContext& context, QWidget* parent = nullptr, Pace pace = Pace::product());
    ~CUtilPage() override;

    // The log's lines, oldest first.
    QStringList logLines() const;
    bool isReading() const { return m_bReading; }
    bool isClearing() const { return m_bClearing; }
    const MaintenanceLink& link() const { return *m_link; }

public slots:
    void OnSet();
    void OnHistory();
    void OnDeleteHistory();
    void OnReadFlash();
    void OnClearFlash();
    void OnReadRegister();
    void OnReadAllRegisters();
    void OnWriteRegister();
    void OnValueSetFocus();

signals:
    // A flash viewer was opened (a window of its own).
    void flashViewerOpened(QWidget* viewer);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnInitDialog();
    void buildControls();
    void log(const QString& line);
    // Reads fields 1041, 1031 and 1032 into the members. A field 1031 or 1032 that is not
    // an unsigned number is reported and keeps the member's previous value (so does 1032
    // after a bad 1031), and the operation goes on with them.
    void updateData();
    void message(const QString& text, const QString& caption);
    void postMessage(const QString& text, const QString& caption);
    void onRegisterValue(uint8_t value);
    void onRegisterTable(const RegisterTable& table);
    void onReadRequestsDone(FlashReadRun* run);
    void onReadFinished(FlashReadRun* run, FlashRunStatus status);
    void onClearFinished(FlashClearRun* run, FlashRunStatus status);
    void openFlashViewer(const FlashDump& dump);

    AppContext& m_context;
    Pace m_pace;
    MaintenanceLink* m_link = nullptr;  // the socket pair and the register commands
    bool m_bReading = false;
    bool m_bClearing = false;
    uint32_t m_nFrom = 0;
    uint32_t m_nTo = 0;
    QListWidget* m_log = nullptr;  // 1034
    bool m_bTargetSet = false;
    QString m_strTarget = QStringLiteral("0.0.0.0");
    CColorCtrl<QLineEdit>* m_value = nullptr;  // 1042
    IpAddressEdit* m_ipTarget = nullptr;       // 1037
    QString m_strRegister;                     // 1041
    QLineEdit* m_from = nullptr;               // 1031
    QLineEdit* m_to = nullptr;                 // 1032
    QLineEdit* m_register = nullptr;           // 1041
};

}  // namespace tavo
