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

class FlashClearEngine;
class FlashDump;
class FlashReadEngine;
class IpAddressEdit;
class RegisterEngine;
class TargetBar;
struct FlashReadResult;
struct TargetHistory;
enum class FlashStatus;

// The "Utility" tab, shown on demand: works on one device, the target. Reads a range of
// flash sectors into the dump viewer, clears a range, reads one register or the whole
// register table, and writes a register. Every command and reply is logged, one line
// each, in the list box, which only grows.
//
// Every register operation first runs Set, which records the target and makes a new
// register socket to it. Flash reads and clears are engines of the link layer (paced on
// this thread, never blocking it) that check the range and the target, record it, and
// send on sockets of their own: a read binds each reply to the request that asked for it, so
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
    TargetHistory history() const;
    // The target as the field holds it, set (logged) or refused (0.0.0.0, told).
    void takeTarget(bool set);
    // Tells a refusal of a flash operation's input; false when there was none.
    bool refused(FlashStatus status, bool clear);
    bool confirmClear();
    void onReadFinished(FlashReadEngine* engine, const FlashReadResult& result);
    void onClearFinished(FlashClearEngine* engine, FlashStatus status);
    void openFlashViewer(const FlashDump& dump);

    AppContext& m_context;
    Pace m_pace;
    RegisterEngine* m_registers = nullptr;  // the register socket and the register commands
    bool m_bReading = false;
    bool m_bClearing = false;
    uint32_t m_nFrom = 0;
    uint32_t m_nTo = 0;
    QListWidget* m_log = nullptr;  // 1034
    bool m_bTargetSet = false;
    QString m_strTarget = QStringLiteral("0.0.0.0");
    CColorCtrl<QLineEdit>* m_value = nullptr;  // 1042
    TargetBar* m_target = nullptr;             // 1037, 1039, 1040
    IpAddressEdit* m_ipTarget = nullptr;       // 1037
    QString m_strRegister;                     // 1041
    QLineEdit* m_from = nullptr;               // 1031
    QLineEdit* m_to = nullptr;                 // 1032
    QLineEdit* m_register = nullptr;           // 1041
};

}  // namespace tavo
