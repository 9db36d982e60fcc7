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
#include "FlashClearRun.h"
#include "FlashRange.h"
#include "FlashReadRun.h"
#include "IPFDB.h"
#include "MaintenanceLink.h"
#include "Profile.h"
#include "ReadFlashDlg.h"
#include "address/IPDBdlg.h"
#include "common/Prompts.h"
#include "common/TablePrompts.h"
#include "controls/IpAddressEdit.h"
#include "controls/NewButton.h"

namespace tavo {
namespace {

// Log lines.
const char* const kLogSocketReady = "Socket UDP/IP  inizializzato";
const char* const kLogReadSending = "Invio comando di lettura ...";
const char* const kLogReadingAt = "reading at sector ";
const char* const kLogSectorReceived = "   [ settore ricevuto .. ]";
const char* const kLogSectorMissing = "   [ settore %1 non ricevuto .. ]";
const char* const kLogReadSent = "Comando di lettura inviato correttamente.";
const char* const kLogReadStopped = "Lettura interrotta.";
const char* const kLogClearSending = "Invio del comando clear ...";
const char* const kLogClearDone = "Invio del comando clear eseguito correttamente ...";
const char* const kLogClearStopped = "Cancellazione interrotta !!";
const char* const kLogRegisterRead = "Invio comando di lettura registro ...";
const char* const kLogRegisterWrite = "Invio comando di scrittura registro ...";
const char* const kLogRegisterReply = "received..";

// Messages and their captions.
const char* const kNoTarget = "Inserire l'indirizzo IP.  Attualmente è 0.0.0.0!!";
const char* const kNoSocket = "Inizilizzazione del Socket!";
const char* const kFlashSocketError = "Errore nel Socket!!";
const char* const kRegisterSocketError = "Errore nel Socket !!";
const char* const kReadFromOutOfRange = "Impossibile accedere al settore 'from' poichè è out of range";
const char* const kReadToOutOfRange = "Il settore 'to' è out of range lettura possibile";
const char* const kReadFromAfterTo = "Controllare l'ingresso. 'from' è maggiore di 'to'!!";
const char* const kClearFromOutOfRange = "Il settore 'from' è out of range posso cancellare";
const char* const kClearToOutOfRange = "Il settore 'to' is out of range posso cancellare";
const char* const kClearFromAfterTo = "Controllare l'ingresso. 'from' è maggiore  grande di 'to'!!";
const char* const kClearDone = "Cancellazione della memoria Flash completata!!";
const char* const kClearDoneCaption = "Cancellazione eseguita";
const char* const kBadRegister = "Il dato non è stato inserito correttamente!!";
const char* const kBadRegisterCaption = "Errore ..!! ";
const char* const kBelowRegisterSpace = "Si è superato lo spazio lecito di indirizzamento!!";
const char* const kWriteError = "Errore ..!! ";
// The prompt for a sector field that does not hold an unsigned decimal number.
const char* const kNotUnsigned = "Immettere un numero intero positivo.";
const char* const kCaptionWarning = "Attenzione";
const char* const kCaptionError = "Errore";
const char* const kCaptionSocket = "errore";

const char* const kConfirmClear = "Clear";
const char* const kConfirmClearText = "Si sta cancellando l'indirizzo IP ";
const char* const kConfirmWrite = "Write";
const char* const kConfirmWriteText = "Si sta scrivendo sull'indirizzo IP ";

constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kRed = 0x0000FF;  // red in the low byte
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr int kValueLength = 2;
constexpr int kFirstFullRegister = 0x10;

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
    : QWidget(parent), m_context(context), m_pace(pace), m_link(new MaintenanceLink(context.link, pace, this)) {
    setObjectName(QStringLiteral("UtilPage"));
    setWindowTitle(QStringLiteral("Utility"));
    buildControls();
    OnInitDialog();
    connect(m_link, &MaintenanceLink::registerReplyArrived, this, [this] { log(fromUtf8(kLogRegisterReply)); });
    connect(m_link, &MaintenanceLink::registerValueReceived, this, &CUtilPage::onRegisterValue);
    connect(m_link, &MaintenanceLink::registerTableReceived, this, &CUtilPage::onRegisterTable);
    connect(m_link, &MaintenanceLink::registerReceiveFailed, this,
            [this] { postMessage(fromUtf8(kRegisterSocketError), fromUtf8(kCaptionSocket)); });
    connect(m_link, &MaintenanceLink::flashReceiveFailed, this,
            [this] { postMessage(fromUtf8(kFlashSocketError), fromUtf8(kCaptionSocket)); });
}

CUtilPage::~CUtilPage() = default;  // runs, link and viewers' data are children or copies

void CUtilPage::buildControls() {
    m_ipTarget = new IpAddressEdit(this);
    m_ipTarget->setObjectName(QStringLiteral("1037"));
    auto* set = newButton(QStringLiteral("Set"), "1038", this);
    set->setVisible(false);  // in the layout, never shown: every operation runs Set first
    set->setDefault(true);
    // The hidden default button: Enter on the page (in the target field among others)
    // runs the address set-up, as on the "Web Upload" page.
    for (const auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* enter = new QShortcut(QKeySequence(key), this, this, &CUtilPage::OnSet);
        enter->setContext(Qt::WidgetWithChildrenShortcut);
    }
    auto* history = newButton(QStringLiteral("History"), "1039", this);
    auto* deleteHistory = newButton(QStringLiteral("Delete\nHistory"), "1040", this);
    // Side by side, the two history buttons are one height: the two-line caption's.
    history->setFixedHeight(deleteHistory->sizeHint().height());
    auto* target = new QHBoxLayout;
    target->addWidget(new QLabel(QStringLiteral("Target IP"), this));
    target->addWidget(m_ipTarget);
    target->addWidget(set);
    target->addWidget(history);
    target->addWidget(deleteHistory);
    target->addStretch();

    auto* flash = new QGroupBox(QStringLiteral("Flash Memory"), this);
    m_from = newField("1031", 0, flash);
    m_to = newField("1032", 0, flash);
    m_from->setText(QStringLiteral("0"));
    m_to->setText(QStringLiteral("0"));
    auto* read = newButton(QStringLiteral("Read"), "1033", flash);
    auto* clear = newButton(QStringLiteral("Clear"), "1035", flash);
    auto* flashGrid = new QGridLayout(flash);
    flashGrid->addWidget(new QLabel(QStringLiteral("from"), flash), 0, 0);
    flashGrid->addWidget(m_from, 0, 1);
    flashGrid->addWidget(read, 0, 2);
    flashGrid->addWidget(new QLabel(QStringLiteral("to"), flash), 1, 0);
    flashGrid->addWidget(m_to, 1, 1);
    flashGrid->addWidget(clear, 1, 2);

    auto* registers = new QGroupBox(QStringLiteral("Register"), this);
    m_register = newField("1041", kValueLength, registers);
    m_value = new CColorCtrl<QLineEdit>(registers);
    m_value->setObjectName(QStringLiteral("1042"));
    m_value->installEventFilter(this);
    auto* readRegister = newButton(QStringLiteral("Read"), "1043", registers);
    auto* readAll = newButton(QStringLiteral("Read All"), "1044", registers);
    auto* write = newButton(QStringLiteral("Write"), "1046", registers);
    auto* registerGrid = new QGridLayout(registers);
    registerGrid->addWidget(new QLabel(QStringLiteral("Register #"), registers), 0, 0);
    registerGrid->addWidget(m_register, 0, 1);
    registerGrid->addWidget(new QLabel(QStringLiteral("(hex)"), registers), 0, 2);
    registerGrid->addWidget(readRegister, 0, 3);
    registerGrid->addWidget(new QLabel(QStringLiteral("Value"), registers), 1, 0);
    registerGrid->addWidget(m_value, 1, 1);
    registerGrid->addWidget(new QLabel(QStringLiteral("(hex)"), registers), 1, 2);
    registerGrid->addWidget(readAll, 1, 3);
    registerGrid->addWidget(write, 2, 3);

    m_log = new QListWidget(this);
    m_log->setObjectName(QStringLiteral("1034"));
    auto* groups = new QHBoxLayout;
    groups->addWidget(flash);
    groups->addWidget(registers);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(target);
    layout->addLayout(groups);
    layout->addWidget(new QLabel(QStringLiteral("monitoring...."), this));
    layout->addWidget(m_log);

    connect(set, &QPushButton::clicked, this, &CUtilPage::OnSet);
    connect(history, &QPushButton::clicked, this, &CUtilPage::OnHistory);
    connect(deleteHistory, &QPushButton::clicked, this, &CUtilPage::OnDeleteHistory);
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

void CUtilPage::OnSet() {
    const Ipv4Octets ip = m_ipTarget->address();
    m_ipTarget->setAddress(ip);
    m_strTarget = QString::fromStdString(formatDotted(ip));
    if (ip == Ipv4Octets{0, 0, 0, 0}) {
        message(fromUtf8(kNoTarget), fromUtf8(kCaptionWarning));
        m_bTargetSet = false;
        return;
    }
    m_bTargetSet = true;
    m_link->open(QHostAddress(m_strTarget));
    log(fromUtf8(kLogSocketReady));
    CIPFDB::AddIfAbsent(m_context.dataDir.toStdString(), ip[0], ip[1], ip[2], ip[3],
                        tableMessagesTo(m_context.prompts));
}

void CUtilPage::OnHistory() {
    CIPDBdlg picker(m_context, this);
    if (picker.exec() == QDialog::Accepted) {
        const auto& octet = picker.m_nOctet;
        m_ipTarget->setOctets(octet[0], octet[1], octet[2], octet[3]);
    } else {
        m_ipTarget->setOctets(0, 0, 0, 0);
    }
}

void CUtilPage::OnDeleteHistory() {
    CIPFDB history(m_context.dataDir.toStdString(), tableMessagesTo(m_context.prompts));
    history.ClearAll();
}

void CUtilPage::OnReadFlash() {
    updateData();
    switch (checkReadRange(m_nFrom, m_nTo)) {
    case RangeCheck::FromOutOfRange: return message(fromUtf8(kReadFromOutOfRange), fromUtf8(kCaptionWarning));
    case RangeCheck::ToOutOfRange: return message(fromUtf8(kReadToOutOfRange), fromUtf8(kCaptionWarning));
    case RangeCheck::FromAfterTo: return message(fromUtf8(kReadFromAfterTo), fromUtf8(kCaptionWarning));
    case RangeCheck::Ok: break;
    }
    OnSet();
    if (!m_bTargetSet) return;
    if (m_bReading) {
        // The stop request of a run: as with the product, it is only looked at before the
        // requests start, so a run that is sending ends as a completed one.
        m_bReading = false;
        return;
    }
    m_bReading = true;
    log(fromUtf8(kLogReadSending));
    if (!m_link->hasFlashSocket()) {
        message(fromUtf8(kNoSocket), QString::fromLatin1(Profile::kApplication));
        m_bReading = false;
        log(fromUtf8(kLogReadStopped));
        return;
    }
    FlashReadRun::Request request;
    request.target = m_link->target();
    request.from = static_cast<int>(m_nFrom);
    request.to = static_cast<int>(m_nTo);
    auto* run = new FlashReadRun(m_context.link, m_pace, request, this);
    connect(run, &FlashReadRun::requestSent, this, [this](int sector) { log(fromUtf8(kLogReadingAt) + sectorText(sector)); });
    connect(run, &FlashReadRun::sectorReceived, this, [this] { log(fromUtf8(kLogSectorReceived)); });
    connect(run, &FlashReadRun::receiveFailed, this, [this] {
        postMessage(fromUtf8(kFlashSocketError), fromUtf8(kCaptionSocket));
        log(fromUtf8(kLogSectorReceived));
    });
    connect(run, &FlashReadRun::requestsDone, this, [this, run] { onReadRequestsDone(run); });
    connect(run, &FlashReadRun::finished, this, [this, run](FlashRunStatus status) { onReadFinished(run, status); });
    run->start();
}

void CUtilPage::onReadRequestsDone(FlashReadRun*) {
    m_bReading = false;
    log(fromUtf8(kLogReadSent));
}

void CUtilPage::onReadFinished(FlashReadRun* run, FlashRunStatus status) {
    run->deleteLater();
    if (status != FlashRunStatus::Completed) {
        m_bReading = false;
        postMessage(fromUtf8(kNoSocket), QString::fromLatin1(Profile::kApplication));
        log(fromUtf8(kLogReadStopped));
        return;
    }
    for (int sector : run->dump().missing()) log(fromUtf8(kLogSectorMissing).arg(sectorText(sector)));
    const FlashDump dump = run->dump();
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

void CUtilPage::OnClearFlash() {
    updateData();
    switch (checkClearRange(m_nFrom, m_nTo)) {
    case RangeCheck::FromOutOfRange: return message(fromUtf8(kClearFromOutOfRange), fromUtf8(kCaptionWarning));
    case RangeCheck::ToOutOfRange: return message(fromUtf8(kClearToOutOfRange), fromUtf8(kCaptionWarning));
    case RangeCheck::FromAfterTo: return message(fromUtf8(kClearFromAfterTo), fromUtf8(kCaptionWarning));
    case RangeCheck::Ok: break;
    }
    OnSet();
    if (!m_bTargetSet) return;
    if (!m_context.prompts.confirm(fromUtf8(kConfirmClear), fromUtf8(kConfirmClearText) + m_strTarget)) return;
    if (m_bClearing) {
        m_bClearing = false;
        return;
    }
    m_bClearing = true;
    if (!m_link->hasFlashSocket()) {
        message(fromUtf8(kNoSocket), QString::fromLatin1(Profile::kApplication));
        m_bClearing = false;
        log(fromUtf8(kLogClearStopped));
        return;
    }
    log(fromUtf8(kLogClearSending));
    auto* run = new FlashClearRun(m_context.link, m_link->target(), static_cast<int>(m_nFrom),
                                  static_cast<int>(m_nTo), this);
    connect(run, &FlashClearRun::finished, this, [this, run](FlashRunStatus status) { onClearFinished(run, status); });
    run->start();
}

void CUtilPage::onClearFinished(FlashClearRun* run, FlashRunStatus status) {
    run->deleteLater();
    QTimer::singleShot(0, this, [this, status] {
        if (status == FlashRunStatus::Completed) {
            message(fromUtf8(kClearDone), fromUtf8(kClearDoneCaption));
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
    if (reg < kFirstFullRegister) message(fromUtf8(kBelowRegisterSpace), fromUtf8(kCaptionError));  // the read goes on
    if (!m_link->hasRegisterSocket()) return message(fromUtf8(kNoSocket), QString::fromLatin1(Profile::kApplication));
    log(fromUtf8(kLogRegisterRead));
    m_link->readRegister(static_cast<uint8_t>(reg));
}

void CUtilPage::OnReadAllRegisters() {
    OnSet();
    if (!m_bTargetSet) return;
    m_value->SetTextColor(kBlack);
    log(fromUtf8(kLogRegisterRead));
    if (!m_link->hasRegisterSocket()) return message(fromUtf8(kNoSocket), QString::fromLatin1(Profile::kApplication));
    m_link->readRegisterTable();
}

void CUtilPage::OnWriteRegister() {
    OnSet();
    if (!m_bTargetSet) return;
    m_value->SetTextColor(kBlack);
    if (!m_context.prompts.confirm(fromUtf8(kConfirmWrite), fromUtf8(kConfirmWriteText) + m_strTarget)) return;
    updateData();
    const int reg = ParseHexByte(m_strRegister.toStdString());
    if (reg == -1) return message(fromUtf8(kWriteError), QString::fromLatin1(Profile::kApplication));
    const int value = ParseHexByte(m_value->text().toStdString());
    if (value == -1) return message(fromUtf8(kWriteError), QString::fromLatin1(Profile::kApplication));
    if (!m_link->hasRegisterSocket()) return message(fromUtf8(kNoSocket), QString::fromLatin1(Profile::kApplication));
    log(fromUtf8(kLogRegisterWrite));
    m_link->writeRegister(static_cast<uint8_t>(reg), static_cast<uint8_t>(value));
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
