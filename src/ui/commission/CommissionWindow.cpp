#include "CommissionWindow.h"

#include <QCheckBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include "BootpWords.h"
#include "CommissionForm.h"
#include "CommissionTexts.h"
#include "bootp/BootpTexts.h"
#include "common/CommonTexts.h"
#include "common/Prompts.h"
#include "controls/IpAddressEdit.h"
#include "controls/NewButton.h"
#include "web/WebTexts.h"

namespace tavo {
namespace {

namespace texts = commissiontexts;

enum Column { kColMac, kColIp, kColPhase, kColTimeLeft, kColResult, kColumnCount };

// The widest text each column usually shows, so that none is cut when it first appears.
constexpr const char* kWidestTexts[kColumnCount] = {"024B7E000000", "255.255.255.255", "indirizzo assegnato",
                                                    "59 min 59 s", "blocco 2031 diverso dopo i nuovi invii"};
constexpr int kColumnPadding = 16;  // pixels beside a column's text
constexpr int kRowPadding = 6;      // pixels above and below a row's text
constexpr int kRowsInSight = 10;    // the table shows this many rows before it scrolls

QString q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

CommissionWindow::CommissionWindow(AppContext& context, QWidget* parent) : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("CommissionWindow"));
    setWindowTitle(texts::kTitle);
    setModal(false);
    buildControls();
    setRunning(false);
    resize(sizeHint());
}

// A line still running when the window goes (the program ends) is stopped: its devices
// end as interrupted and their lines are written. Its signals no longer reach the window.
CommissionWindow::~CommissionWindow() {
    if (!m_engine) return;
    disconnect(m_engine.get(), nullptr, this, nullptr);
    m_engine->stop();
}

void CommissionWindow::buildControls() {
    const auto field = [this](const char* name) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        return edit;
    };
    m_image = field("commissionImage");
    m_registers = field("commissionRegisters");
    m_report = field("commissionReport");
    const QString dataDir = m_context.dataDir;
    m_report->setText(dataDir.isEmpty() ? texts::kDefaultReportName
                                        : QDir::toNativeSeparators(QDir(dataDir).filePath(texts::kDefaultReportName)));
    QPushButton* imageBrowse = newButton(texts::kBrowse, "commissionImageBrowse", this);
    QPushButton* registersBrowse = newButton(texts::kBrowse, "commissionRegistersBrowse", this);
    QPushButton* reportBrowse = newButton(texts::kBrowse, "commissionReportBrowse", this);

    auto* files = new QGridLayout;
    const struct {
        const QString& label;
        QLineEdit* edit;
        QPushButton* browse;
    } rows[] = {{texts::kProjectLabel, m_image, imageBrowse},
                {texts::kRegistersLabel, m_registers, registersBrowse},
                {texts::kReportLabel, m_report, reportBrowse}};
    int row = 0;
    for (const auto& r : rows) {
        auto* label = new QLabel(r.label, this);
        label->setBuddy(r.edit);
        files->addWidget(label, row, 0);
        files->addWidget(r.edit, row, 1);
        files->addWidget(r.browse, row, 2);
        ++row;
    }

    auto* pool = new QGroupBox(texts::kPoolGroup, this);
    m_poolFirst = new IpAddressEdit(pool);
    m_poolFirst->setObjectName(QStringLiteral("commissionPoolFirst"));
    m_poolLast = new IpAddressEdit(pool);
    m_poolLast->setObjectName(QStringLiteral("commissionPoolLast"));
    auto* poolLayout = new QHBoxLayout(pool);
    poolLayout->addWidget(new QLabel(texts::kPoolFirstLabel, pool));
    poolLayout->addWidget(m_poolFirst);
    poolLayout->addSpacing(fontMetrics().averageCharWidth() * 2);
    poolLayout->addWidget(new QLabel(texts::kPoolLastLabel, pool));
    poolLayout->addWidget(m_poolLast);
    poolLayout->addStretch(1);

    m_verify = new QCheckBox(webtexts::kVerifyOption, this);
    m_verify->setObjectName(QStringLiteral("commissionVerify"));
    m_verify->setChecked(true);
    m_changedOnly = new QCheckBox(texts::kChangedOnly, this);
    m_changedOnly->setObjectName(QStringLiteral("commissionChangedOnly"));
    m_resume = new QCheckBox(texts::kResume, this);
    m_resume->setObjectName(QStringLiteral("commissionResume"));
    m_start = newButton(texts::kStart, "commissionStart", this);
    m_stop = newButton(texts::kStop, "commissionStop", this);
    auto* options = new QHBoxLayout;
    for (QWidget* w : {static_cast<QWidget*>(m_verify), static_cast<QWidget*>(m_changedOnly),
                       static_cast<QWidget*>(m_resume)})
        options->addWidget(w);
    options->addStretch(1);
    options->addWidget(m_start);
    options->addWidget(m_stop);

    m_status = new QLineEdit(this);
    m_status->setObjectName(QStringLiteral("commissionStatus"));
    m_status->setReadOnly(true);

    m_devices = new QTableWidget(0, kColumnCount, this);
    m_devices->setObjectName(QStringLiteral("commissionDevices"));
    QStringList headings;
    for (const char* heading : texts::kHeadings) headings << QString::fromUtf8(heading);
    m_devices->setHorizontalHeaderLabels(headings);
    m_devices->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_devices->horizontalHeader()->setStretchLastSection(true);
    const QFontMetrics metrics = m_devices->fontMetrics();
    for (int c = 0; c < kColumnCount; ++c) {
        const int text = std::max(metrics.horizontalAdvance(QString::fromUtf8(kWidestTexts[c])),
                                  metrics.horizontalAdvance(headings[c]));
        m_devices->setColumnWidth(c, text + kColumnPadding);
    }
    m_devices->verticalHeader()->hide();
    m_devices->verticalHeader()->setDefaultSectionSize(metrics.height() + kRowPadding);
    // Every column in sight, and a few rows, without scrolling.
    int width = 2 * m_devices->frameWidth() + m_devices->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < kColumnCount; ++c) width += m_devices->columnWidth(c);
    m_devices->setMinimumSize(width, m_devices->horizontalHeader()->sizeHint().height() +
                                         kRowsInSight * (metrics.height() + kRowPadding) + 2 * m_devices->frameWidth());
    m_devices->setWordWrap(false);
    m_devices->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_devices->setSelectionMode(QAbstractItemView::SingleSelection);
    m_devices->setEditTriggers(QAbstractItemView::NoEditTriggers);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(files);
    layout->addWidget(pool);
    layout->addLayout(options);
    layout->addWidget(m_status);
    layout->addWidget(m_devices, 1);

    m_inputs = {m_image, imageBrowse, m_registers, registersBrowse, m_report, reportBrowse, m_poolFirst, m_poolLast,
                m_verify, m_changedOnly, m_resume};

    connect(imageBrowse, &QPushButton::clicked, this, &CommissionWindow::browseImage);
    connect(registersBrowse, &QPushButton::clicked, this, &CommissionWindow::browseRegisters);
    connect(reportBrowse, &QPushButton::clicked, this, &CommissionWindow::browseReport);
    connect(m_start, &QPushButton::clicked, this, &CommissionWindow::onStart);
    connect(m_stop, &QPushButton::clicked, this, &CommissionWindow::onStop);
}

bool CommissionWindow::isRunning() const { return m_engine && m_engine->isRunning(); }

void CommissionWindow::message(const QString& text) { m_context.prompts.message(text, commontexts::kError); }

void CommissionWindow::showStatus(const QString& text) {
    m_status->setText(text);
    m_status->setCursorPosition(0);
}

// As the IP page's server buttons: only the one that applies is enabled. The fields are
// read at the start only, so they wait for the line's end.
void CommissionWindow::setRunning(bool running) {
    m_start->setEnabled(!running);
    m_stop->setEnabled(running);
    for (QWidget* input : m_inputs) input->setEnabled(!running);
}

CommissionForm CommissionWindow::form() const {
    CommissionForm form;
    form.image = m_image->text();
    if (!m_poolFirst->isBlank()) form.poolFirst = m_poolFirst->address();
    if (!m_poolLast->isBlank()) form.poolLast = m_poolLast->address();
    form.registers = m_registers->text();
    form.report = m_report->text();
    form.verify = m_verify->isChecked();
    form.changedOnly = m_changedOnly->isChecked();
    form.resume = m_resume->isChecked();
    return form;
}

void CommissionWindow::onStart() {
    if (isRunning()) return;
    CommissionForm::Check checked = form().check(m_context);
    if (!checked.request) return message(checked.message);

    m_engine.reset();
    m_rows.clear();
    m_devices->setRowCount(0);
    m_engine = std::make_unique<CommissionEngine>(std::move(*checked.request));
    m_lineEnded = false;
    connectEngine();
    const CommissionStart started = m_engine->start();
    if (!started.ok()) {
        // Nothing of it runs; its sockets go at once.
        m_engine.reset();
        return showStartFailure(started);
    }
    setRunning(true);
}

void CommissionWindow::onStop() {
    if (isRunning()) m_engine->stop();  // finished() follows
}

void CommissionWindow::connectEngine() {
    CommissionEngine* engine = m_engine.get();
    // Once the line has ended, its summary stays in the status line: the server's last
    // words (stopped) do not replace it.
    connect(engine, &CommissionEngine::bootpStatus, this, [this](const BootpEvent& event) {
        if (!m_lineEnded) showStatus(q(bootpStatusText(event)));
    });
    connect(engine, &CommissionEngine::rivalServerSeen, this,
            [this](const BootpRivalServer& rival) { showStatus(bootpRivalServerText(rival)); });
    connect(engine, &CommissionEngine::interfaceChanged, this,
            [this](const BootpInterfaceEvent& event) { showStatus(bootpInterfaceText(event)); });
    connect(engine, &CommissionEngine::deviceChanged, this, &CommissionWindow::showDevice);
    connect(engine, &CommissionEngine::unknownDevice, this, &CommissionWindow::showUnknownDevice);
    connect(engine, &CommissionEngine::deviceSkipped, this, &CommissionWindow::showSkippedDevice);
    connect(engine, &CommissionEngine::deviceEnded, this, [this](const CommissionRecord& record) {
        // The record as the report holds it: the row's result follows the line written.
        const int row = rowFor(record.mac);
        setCell(row, kColResult, texts::resultText(record));
    });
    connect(engine, &CommissionEngine::reportFailed, this, [this, engine](const CommissionReportProblem& problem) {
        message(texts::reportProblem(q(engine->request().reportPath), problem));
    });
    connect(engine, &CommissionEngine::finished, this, &CommissionWindow::onFinished);
}

void CommissionWindow::showStartFailure(const CommissionStart& start) {
    switch (start.status) {
    case CommissionStartStatus::Started:
    case CommissionStartStatus::AlreadyRunning: return;
    case CommissionStartStatus::NoImage: return message(webtexts::kFileTooLarge);
    case CommissionStartStatus::ReportProblem: return message(texts::reportProblem(m_report->text(), start.report));
    case CommissionStartStatus::ServerNotStarted:
        // The page's own server serves: the operator stops it there.
        if (start.serverFailure.heldBy == BootpServerOwner::Service) return message(texts::serviceServes());
        return message(q(bootpStatusText(start.serverFailure)));
    }
}

void CommissionWindow::onFinished(const CommissionSummary& summary) {
    m_lineEnded = true;
    setRunning(false);
    showStatus(texts::summaryText(summary));
}

int CommissionWindow::rowFor(const MacOctets& mac) {
    if (const auto found = m_rows.find(mac); found != m_rows.end()) return found->second;
    const int row = m_devices->rowCount();
    m_devices->insertRow(row);
    m_rows.emplace(mac, row);
    setCell(row, kColMac, q(FormatMac(mac)));
    return row;
}

void CommissionWindow::setCell(int row, int column, const QString& text) {
    if (QTableWidgetItem* item = m_devices->item(row, column))
        item->setText(text);
    else
        m_devices->setItem(row, column, new QTableWidgetItem(text));
}

void CommissionWindow::showDevice(const CommissionDeviceState& state) {
    const int row = rowFor(state.mac);
    if (state.ip) setCell(row, kColIp, q(formatDotted(*state.ip)));
    setCell(row, kColPhase, texts::phaseText(state));
    setCell(row, kColTimeLeft, texts::timeLeftText(state));
    setCell(row, kColResult, state.record ? texts::resultText(*state.record) : QString());
}

void CommissionWindow::showUnknownDevice(const CommissionUnknownDevice& device) {
    const int row = rowFor(device.mac);
    if (device.status == DeviceTableStatus::Done) {
        setCell(row, kColIp, q(formatDotted(device.ip)));
        return;  // it is answered now; its run shows the rest
    }
    setCell(row, kColResult, texts::unknownDeviceText(device));
}

void CommissionWindow::showSkippedDevice(const MacOctets& mac) {
    const int row = rowFor(mac);
    setCell(row, kColPhase, texts::kSkippedPhase);
    setCell(row, kColResult, texts::kSkippedResult);
}

void CommissionWindow::browseImage() {
    const QString path = m_context.prompts.openFile(texts::kProjectLabel, webtexts::kOpenFilter, webtexts::kDefaultSuffix);
    if (!path.isEmpty()) m_image->setText(path);
}

void CommissionWindow::browseRegisters() {
    const QString path = m_context.prompts.openFile(texts::kRegistersLabel, texts::kRegistersFilter);
    if (!path.isEmpty()) m_registers->setText(path);
}

void CommissionWindow::browseReport() {
    const QString path = m_context.prompts.saveFile(texts::kReportLabel, texts::kReportFilter, texts::kReportSuffix);
    if (!path.isEmpty()) m_report->setText(path);
}

bool CommissionWindow::mayClose() {
    if (!isRunning()) return true;
    if (!m_context.prompts.confirm(texts::kTitle, texts::kCloseQuestion)) return false;
    m_engine->stop();
    return true;
}

void CommissionWindow::reject() {
    if (mayClose()) QDialog::reject();
}

}  // namespace tavo
