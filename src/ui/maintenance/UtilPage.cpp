#include "UtilPage.h"

#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHostAddress>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

#include "AddressText.h"
#include "BootpWords.h"
#include "FlashClearEngine.h"
#include "FlashRange.h"
#include "FlashReadEngine.h"
#include "MaintenanceTexts.h"
#include "MaintenanceWords.h"
#include "RegisterEngine.h"
#include "Profile.h"
#include "ReadFlashDlg.h"
#include "common/CommonTexts.h"
#include "common/Prompts.h"
#include "common/TablePrompts.h"
#include "common/TargetBar.h"
#include "controls/IpAddressEdit.h"
#include "controls/NewButton.h"

namespace tavo {
namespace {

using namespace maintenance;


constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kRed = 0x0000FF;  // red in the low byte
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr int kValueLength = 2;

QString fromUtf8(const char* text) { return QString::fromUtf8(text); }

QLineEdit* newField(const char* id, int maxLength, QWidget* parent) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QString::fromLatin1(id));
    if (maxLength > 0) field->setMaxLength(maxLength);
    return field;
}

QString sectorText(int sector) { return QString::asprintf("0x%2.2x", static_cast<unsigned>(sector)); }

}  // namespace

CUtilPage::CUtilPage(AppContext& context, QWidget* parent, Pace pace)
    : QWidget(parent), m_context(context), m_pace(pace), m_registers(new RegisterEngine(context.link, pace, this)) {
    setObjectName(QStringLiteral("UtilPage"));
    setWindowTitle(fromUtf8(kPageTitle));
    buildControls();
    OnInitDialog();
    connect(m_registers, &RegisterEngine::replyArrived, this, [this] { log(fromUtf8(kLogRegisterReply)); });
    connect(m_registers, &RegisterEngine::valueReceived, this, &CUtilPage::onRegisterValue);
    connect(m_registers, &RegisterEngine::tableReceived, this, &CUtilPage::onRegisterTable);
    connect(m_registers, &RegisterEngine::receiveFailed, this,
            [this] { postMessage(fromUtf8(kBootpReadFailedText), fromUtf8(kBootpReadFailedCaption)); });
}

CUtilPage::~CUtilPage() = default;  // engines and viewers' data are children or copies

void CUtilPage::buildControls() {
    m_target = new TargetBar(m_context,
                             {fromUtf8(kTargetLabel), QStringLiteral("1037"), fromUtf8(kHistoryButton),
                              QStringLiteral("1039"), fromUtf8(kDeleteHistoryButton), QStringLiteral("1040")},
                             TargetBar::Arrangement::Row, this);
    m_target->setDialogParent(this);  // the picker opens over the page
    m_ipTarget = m_target->field();
    auto* set = newButton(commontexts::kSet, "1038", m_target);
    set->setVisible(false);  // in the layout, never shown: every operation runs Set first
    set->setDefault(true);
    m_target->insert(set);
    // The hidden default button: Enter on the page (in the target field among others)
    // runs the address set-up, as on the "Web Upload" page.
    for (const auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* enter = new QShortcut(QKeySequence(key), this, this, &CUtilPage::OnSet);
        enter->setContext(Qt::WidgetWithChildrenShortcut);
    }

    auto* flash = new QGroupBox(fromUtf8(kFlashBox), this);
    m_from = newField("1031", 0, flash);
    m_to = newField("1032", 0, flash);
    m_from->setText(QStringLiteral("0"));
    m_to->setText(QStringLiteral("0"));
    auto* read = newButton(fromUtf8(kReadButton), "1033", flash);
    auto* clear = newButton(fromUtf8(kClearOperationWord), "1035", flash);
    auto* flashGrid = new QGridLayout(flash);
    flashGrid->addWidget(new QLabel(fromUtf8(kFromLabel), flash), 0, 0);
    flashGrid->addWidget(m_from, 0, 1);
    flashGrid->addWidget(read, 0, 2);
    flashGrid->addWidget(new QLabel(fromUtf8(kToLabel), flash), 1, 0);
    flashGrid->addWidget(m_to, 1, 1);
    flashGrid->addWidget(clear, 1, 2);

    auto* registers = new QGroupBox(fromUtf8(kRegisterBox), this);
    m_register = newField("1041", kValueLength, registers);
    m_value = new CColorCtrl<QLineEdit>(registers);
    m_value->setObjectName(QStringLiteral("1042"));
    m_value->installEventFilter(this);
    auto* readRegister = newButton(fromUtf8(kReadButton), "1043", registers);
    auto* readAll = newButton(fromUtf8(kReadAllButton), "1044", registers);
    auto* write = newButton(fromUtf8(kWriteOperationWord), "1046", registers);
    auto* registerGrid = new QGridLayout(registers);
    registerGrid->addWidget(new QLabel(fromUtf8(kRegisterLabel), registers), 0, 0);
    registerGrid->addWidget(m_register, 0, 1);
    registerGrid->addWidget(new QLabel(fromUtf8(kHexLabel), registers), 0, 2);
    registerGrid->addWidget(readRegister, 0, 3);
    registerGrid->addWidget(new QLabel(fromUtf8(kValueLabel), registers), 1, 0);
    registerGrid->addWidget(m_value, 1, 1);
    registerGrid->addWidget(new QLabel(fromUtf8(kHexLabel), registers), 1, 2);
    registerGrid->addWidget(readAll, 1, 3);
    registerGrid->addWidget(write, 2, 3);

    m_log = new QListWidget(this);
    m_log->setObjectName(QStringLiteral("1034"));
    auto* groups = new QHBoxLayout;
    groups->addWidget(flash);
    groups->addWidget(registers);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_target);
    layout->addLayout(groups);
    layout->addWidget(new QLabel(fromUtf8(kMonitoringLabel), this));
    layout->addWidget(m_log);

    connect(set, &QPushButton::clicked, this, &CUtilPage::OnSet);
    connect(read, &QPushButton::clicked, this, &CUtilPage::OnReadFlash);
    connect(clear, &QPushButton::clicked, this, &CUtilPage::OnClearFlash);
    connect(readRegister, &QPushButton::clicked, this, &CUtilPage::OnReadRegister);
    connect(readAll, &QPushButton::clicked, this, &CUtilPage::OnReadAllRegisters);
    connect(write, &QPushButton::clicked, this, &CUtilPage::OnWriteRegister);
}

void CUtilPage::OnInitDialog() {
    m_value->SetTextColor(kBlack);
    m_value->setMaxLength(kValueLength);
}

QStringList CUtilPage::logLines() const {
    QStringList lines;
    for (int i = 0; i < m_log->count(); ++i) lines << m_log->item(i)->text();
    return lines;
}

void CUtilPage::log(const QString& line) {
    m_log->addItem(line);
    m_log->scrollToBottom();
}

void CUtilPage::message(const QString& text, const QString& caption) { m_context.prompts.message(text, caption); }

// For events of a run or a socket: the message box opens once their signal is over.
void CUtilPage::postMessage(const QString& text, const QString& caption) {
    QTimer::singleShot(0, this, [this, text, caption] { message(text, caption); });
}

bool CUtilPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_value && event->type() == QEvent::FocusIn) OnValueSetFocus();
    return QWidget::eventFilter(watched, event);
}

void CUtilPage::updateData() {
    m_strRegister = m_register->text();
    for (auto [field, member] : {std::pair{m_from, &m_nFrom}, std::pair{m_to, &m_nTo}}) {
        const auto value = parseUnsignedField(field->text().toStdString());
        if (!value) {
            message(fromUtf8(kNotUnsigned), QString::fromLatin1(Profile::kApplication));
            field->setFocus();
            field->selectAll();
            return;
        }
        *member = *value;
    }
}

TargetHistory CUtilPage::history() const {
    return TargetHistory{m_context.dataDir.toStdString(), tableMessagesTo(m_context.prompts)};
}

// The field shows the address as it was taken (a partly typed octet as 0).
void CUtilPage::takeTarget(bool set) {
    const Ipv4Octets ip = m_ipTarget->address();
    m_ipTarget->setAddress(ip);
    m_strTarget = QString::fromStdString(formatDotted(ip));
    m_bTargetSet = set;
    if (set)
        log(commontexts::kSocketReady);
    else
        message(commontexts::kNoTargetAddress, commontexts::kWarning);
}

void CUtilPage::OnSet() {
    takeTarget(m_registers->setTarget(m_ipTarget->address(), history()) != RegisterStatus::NoTarget);
}

void CUtilPage::OnHistory() { m_target->pickFromHistory(); }

void CUtilPage::OnDeleteHistory() { m_target->clearHistory(); }

bool CUtilPage::refused(FlashStatus status, bool clear) {
    const auto warn = [this](const char* text) { message(fromUtf8(text), commontexts::kWarning); };
    switch (status) {
    case FlashStatus::FromOutOfRange: warn(clear ? kClearFromOutOfRange : kReadFromOutOfRange); return true;
    case FlashStatus::ToOutOfRange: warn(clear ? kClearToOutOfRange : kReadToOutOfRange); return true;
    case FlashStatus::FromAfterTo: warn(clear ? kClearFromAfterTo : kReadFromAfterTo); return true;
    case FlashStatus::NoTarget: takeTarget(false); return true;
    default: return false;
    }
}

void CUtilPage::OnReadFlash() {
    updateData();
    const FlashReadRequest request{.target = m_ipTarget->address(), .from = m_nFrom, .to = m_nTo, .history = history()};
    if (m_bReading) {
        // The stop request of a run: as with the product, it is only looked at before the
        // requests start, so a run that is sending ends as a completed one.
        if (refused(FlashReadEngine::admit(request), false)) return;
        takeTarget(true);
        m_bReading = false;
        return;
    }
    auto* engine = new FlashReadEngine(m_context.link, m_pace, this);
    connect(engine, &FlashReadEngine::targetRecorded, this, [this] { takeTarget(true); });
    connect(engine, &FlashReadEngine::started, this, [this] {
        m_bReading = true;
        log(fromUtf8(kLogReadSending));
    });
    connect(engine, &FlashReadEngine::requestSent, this,
            [this](const FlashReadProgress& p) { log(fromUtf8(kLogReadingAt) + sectorText(p.sector)); });
    connect(engine, &FlashReadEngine::sectorReceived, this, [this] { log(fromUtf8(kLogSectorReceived)); });
    connect(engine, &FlashReadEngine::receiveFailed, this, [this] {
        postMessage(fromUtf8(kFlashSocketError), fromUtf8(kBootpReadFailedCaption));
        log(fromUtf8(kLogSectorReceived));
    });
    connect(engine, &FlashReadEngine::requestsDone, this, [this] {
        m_bReading = false;
        log(fromUtf8(kLogReadSent));
    });
    connect(engine, &FlashReadEngine::finished, this,
            [this, engine](const FlashReadResult& result) { onReadFinished(engine, result); });
    engine->start(request);
}

void CUtilPage::onReadFinished(FlashReadEngine* engine, const FlashReadResult& result) {
    engine->deleteLater();
    if (refused(result.status, false)) return;
    if (result.status != FlashStatus::Completed) {
        m_bReading = false;
        postMessage(fromUtf8(kNoSocket), QString::fromLatin1(Profile::kApplication));
        log(fromUtf8(kLogReadStopped));
        return;
    }
    for (int sector : result.dump.missing()) log(fromUtf8(kLogSectorMissing).arg(sectorText(sector)));
    const FlashDump dump = result.dump;
    QTimer::singleShot(0, this, [this, dump] { openFlashViewer(dump); });
}

void CUtilPage::openFlashViewer(const FlashDump& dump) {
    // Owned by the page, so that it opens over the sheet and goes with it.
    auto* viewer = new CReadFlashDlg(CReadFlashDlg::MODE_FLASH, m_context.prompts, this);
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    viewer->SetFlashData(dump);
    viewer->show();
    emit flashViewerOpened(viewer);
}

bool CUtilPage::confirmClear() {
    return m_context.prompts.confirm(fromUtf8(kClearOperationWord), fromUtf8(kClearConfirmText) + m_strTarget);
}

void CUtilPage::OnClearFlash() {
    updateData();
    const FlashClearRequest request{.target = m_ipTarget->address(), .from = m_nFrom, .to = m_nTo,
                                    .history = history(), .confirm = [this] { return confirmClear(); }};
    if (m_bClearing) {
        if (refused(FlashClearEngine::admit(request), true)) return;
        takeTarget(true);
        if (confirmClear()) m_bClearing = false;
        return;
    }
    auto* engine = new FlashClearEngine(m_context.link, this);
    connect(engine, &FlashClearEngine::targetRecorded, this, [this] { takeTarget(true); });
    connect(engine, &FlashClearEngine::started, this, [this] {
        m_bClearing = true;
        log(fromUtf8(kLogClearSending));
    });
    connect(engine, &FlashClearEngine::finished, this,
            [this, engine](const FlashClearResult& result) { onClearFinished(engine, result.status); });
    engine->start(request);
}

void CUtilPage::onClearFinished(FlashClearEngine* engine, FlashStatus status) {
    engine->deleteLater();
    if (refused(status, true) || status == FlashStatus::NotConfirmed) return;
    QTimer::singleShot(0, this, [this, status] {
        if (status == FlashStatus::Completed) {
            message(fromUtf8(kClearDoneText), fromUtf8(kClearDoneCaption));
            m_bClearing = false;
            log(fromUtf8(kLogClearDone));
        } else {
            message(fromUtf8(kNoSocket), QString::fromLatin1(Profile::kApplication));
            m_bClearing = false;
            log(fromUtf8(kLogClearStopped));
        }
    });
}

void CUtilPage::OnReadRegister() {
    OnSet();
    if (!m_bTargetSet) return;
    m_value->SetTextColor(kBlack);
    updateData();
    const int reg = ParseHexByte(m_strRegister.toStdString());
    if (reg == -1) return message(fromUtf8(kBadRegister), fromUtf8(kBadRegisterCaption));
    if (RegisterEngine::isBelowRegisterSpace(static_cast<uint8_t>(reg)))
        message(fromUtf8(kBelowRegisterSpace), commontexts::kError);  // the read goes on
    if (m_registers->read(static_cast<uint8_t>(reg)) == RegisterStatus::NoSocket)
        return message(fromUtf8(kNoSocket), QString::fromLatin1(Profile::kApplication));
    log(fromUtf8(kLogRegisterRead));
}

void CUtilPage::OnReadAllRegisters() {
    OnSet();
    if (!m_bTargetSet) return;
    m_value->SetTextColor(kBlack);
    log(fromUtf8(kLogRegisterRead));
    if (m_registers->readTable() == RegisterStatus::NoSocket)
        message(fromUtf8(kNoSocket), QString::fromLatin1(Profile::kApplication));
}

void CUtilPage::OnWriteRegister() {
    OnSet();
    if (!m_bTargetSet) return;
    m_value->SetTextColor(kBlack);
    if (!m_context.prompts.confirm(fromUtf8(kWriteOperationWord), fromUtf8(kWriteConfirmText) + m_strTarget)) return;
    updateData();
    const int reg = ParseHexByte(m_strRegister.toStdString());
    if (reg == -1) return message(fromUtf8(kBadRegisterCaption), QString::fromLatin1(Profile::kApplication));
    const int value = ParseHexByte(m_value->text().toStdString());
    if (value == -1) return message(fromUtf8(kBadRegisterCaption), QString::fromLatin1(Profile::kApplication));
    if (m_registers->write(static_cast<uint8_t>(reg), static_cast<uint8_t>(value)) == RegisterStatus::NoSocket)
        return message(fromUtf8(kNoSocket), QString::fromLatin1(Profile::kApplication));
    log(fromUtf8(kLogRegisterWrite));
}

void CUtilPage::onRegisterValue(uint8_t value) {
    m_value->setText(QString::number(value, 16));
    m_value->SetTextColor(kRed);
    m_value->SetBkColor(kWhite);
}

void CUtilPage::onRegisterTable(const RegisterTable& table) {
    // Shown once the socket's read event is over; modal on this thread.
    QTimer::singleShot(0, this, [this, table] {
        CReadFlashDlg viewer(CReadFlashDlg::MODE_REGISTER, m_context.prompts, this);
        viewer.SetRegisterData(table);
        viewer.exec();
    });
}

void CUtilPage::OnValueSetFocus() { m_value->SetTextColor(kBlack); }

}  // namespace tavo
