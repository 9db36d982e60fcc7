#include "IPPage.h"

#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "AddressWords.h"
#include "BootpEditDlg.h"
#include "BootpPreflight.h"
#include "BootpServer.h"
#include "BootpTexts.h"
#include "BootpWords.h"
#include "DeviceCsvPrompts.h"
#include "IPPageBootpObserver.h"
#include "address/AddressTexts.h"
#include "common/TablePrompts.h"
#include "address/FindIPDlg.h"
#include "address/IPClearDlg.h"
#include "app/ProgramIcon.h"
#include "common/Prompts.h"
#include "controls/DialogUnits.h"
#include "controls/NewButton.h"

namespace tavo {
namespace {

enum Column { kColType, kColLength, kColIp, kColMac, kColGateway, kColSubnet, kColumnCount };

struct ColumnSpec {
    const char* heading;
    int width;
};
constexpr ColumnSpec kColumns[kColumnCount] = {{kIpPageHeadings[0], 45}, {kIpPageHeadings[1], 40}, {kIpPageHeadings[2], 90},
                                               {kIpPageHeadings[3], 90}, {kIpPageHeadings[4], 90}, {kIpPageHeadings[5], 90}};

constexpr int kPictureWidthUnits = 78;
constexpr int kPictureHeightUnits = 23;
constexpr int kPictureMargin = 1;  // pixels between the frame and the logo

QString fromStd(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

CIPPage::CIPPage(AppContext& context, QWidget* parent)
    : QWidget(parent), m_context(context), m_observer(std::make_unique<IPPageBootpObserver>(*this)) {
    setObjectName(QStringLiteral("IPPage"));
    setWindowTitle(kIpPageTitle);
    m_pBootpServer = new BootpServer(m_context.link, m_context.dataDir, *m_observer, this);
    // Another server on the network, and the served interface going and coming back, are
    // told in the status field in words of our own.
    connect(m_pBootpServer, &BootpServer::rivalServerSeen, this,
            [this](const BootpRivalServer& rival) { showStatus(bootpRivalServerText(rival)); });
    connect(m_pBootpServer, &BootpServer::interfaceChanged, this,
            [this](const BootpInterfaceEvent& event) { showStatus(bootpInterfaceText(event)); });
    buildControls();
    OnInitDialog();
    setIpClearRunner([this] { return CIPClearDlg::run(m_context, this); });
    setIpSearchRunner([this] {
        CFindIPDlg dialog(m_context, this);
        dialog.exec();
    });
}

// The server goes first: it must not call the observer while the page is half gone.
CIPPage::~CIPPage() { delete m_pBootpServer; }

void CIPPage::buildControls() {
    m_listDevices = new QTableWidget(0, kColumnCount, this);
    m_listDevices->setObjectName(QStringLiteral("1000"));
    QStringList headings;
    for (const ColumnSpec& column : kColumns) headings << QString::fromLatin1(column.heading);
    m_listDevices->setHorizontalHeaderLabels(headings);
    m_listDevices->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_listDevices->horizontalHeader()->setStretchLastSection(false);
    for (int c = 0; c < kColumnCount; ++c) m_listDevices->setColumnWidth(c, kColumns[c].width);
    m_listDevices->verticalHeader()->hide();
    m_listDevices->verticalHeader()->setDefaultSectionSize(m_listDevices->fontMetrics().height() + 6);
    m_listDevices->setWordWrap(false);
    m_listDevices->setShowGrid(true);
    m_listDevices->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_listDevices->setSelectionMode(QAbstractItemView::SingleSelection);
    m_listDevices->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_listDevices->viewport()->installEventFilter(this);

    QPushButton* add = newButton(kIpPageAdd, "1001", this);
    QPushButton* modify = newButton(kIpPageModify, "1002", this);
    QPushButton* remove = newButton(kIpPageRemove, "1003", this);
    QPushButton* importCsv = newButton(csvtexts::kImportButton, "importDevices", this);
    QPushButton* exportCsv = newButton(csvtexts::kExportButton, "exportDevices", this);
    m_startButton = newButton(kIpPageStart, "1004", this);
    m_stopButton = newButton(kIpPageStop, "1006", this);
    QPushButton* search = newButton(QString::fromUtf8(kIpSearchTitle), "1009", this);
    QPushButton* clear = newButton(kIpPageClear, "1008", this);
    m_status = new QLineEdit(this);
    m_status->setObjectName(QStringLiteral("1005"));
    m_status->setReadOnly(true);

    auto* database = new QGroupBox(kIpPageDatabase, this);
    auto* databaseLayout = new QVBoxLayout(database);
    databaseLayout->addWidget(m_listDevices);
    auto* rowButtons = new QHBoxLayout;
    for (QPushButton* b : {add, modify, remove, importCsv, exportCsv}) rowButtons->addWidget(b);
    databaseLayout->addLayout(rowButtons);

    auto* state = new QGroupBox(kIpPageState, this);
    (new QVBoxLayout(state))->addWidget(m_status);
    auto* stateRow = new QHBoxLayout;
    stateRow->addStretch(1);
    stateRow->addWidget(state, 4);
    stateRow->addStretch(1);

    auto* commands = new QGroupBox(this);
    auto* commandsLayout = new QHBoxLayout(commands);
    commandsLayout->addWidget(m_startButton);
    commandsLayout->addWidget(m_stopButton);
    auto* addressButtons = new QVBoxLayout;
    addressButtons->addWidget(search);
    addressButtons->addWidget(clear);
    commandsLayout->addLayout(addressButtons);
    // The maker's logo beside the commands, in a sunken frame of the form's size. The
    // style's panel outlines all four sides, and the logo keeps a margin inside it: a
    // plain sunken panel's light right and bottom edges vanish against the logo's white.
    auto* picture = new QLabel(this);
    picture->setObjectName(QStringLiteral("picture"));
    picture->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    picture->setMargin(kPictureMargin);
    picture->setFixedSize(DialogUnits(*this).size(kPictureWidthUnits, kPictureHeightUnits));
    const int edge = 2 * (picture->frameWidth() + kPictureMargin);
    picture->setPixmap(logoPicture().scaled(picture->size() - QSize(edge, edge), Qt::KeepAspectRatio,
                                            Qt::SmoothTransformation));
    picture->setAlignment(Qt::AlignCenter);
    auto* bottomRow = new QHBoxLayout;
    bottomRow->addWidget(commands);
    bottomRow->addWidget(picture, 0, Qt::AlignBottom);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(database, 1);
    layout->addLayout(stateRow);
    layout->addLayout(bottomRow);

    // Tab order as on the form: the table's buttons, the server's, the address commands,
    // then the list and the status field; the page opens on "Aggiungi nuovo dispositivo".
    setTabOrderOfControls({add, modify, remove, importCsv, exportCsv, m_startButton, m_stopButton, search, clear,
                           m_listDevices, m_status});
    add->setFocus();
    setFocusProxy(add);

    connect(add, &QPushButton::clicked, this, &CIPPage::onAddDeviceClicked);
    connect(modify, &QPushButton::clicked, this, &CIPPage::OnModifyDevice);
    connect(remove, &QPushButton::clicked, this, &CIPPage::OnDeleteDevice);
    connect(importCsv, &QPushButton::clicked, this, [this] {
        if (importDevicesFromCsv(m_context)) FillDeviceList();
    });
    connect(exportCsv, &QPushButton::clicked, this, [this] { exportDevicesToCsv(m_context); });
    connect(m_startButton, &QPushButton::clicked, this, &CIPPage::OnStartBootp);
    connect(m_stopButton, &QPushButton::clicked, this, &CIPPage::OnStopBootp);
    connect(search, &QPushButton::clicked, this, &CIPPage::OnSearchIp);
    connect(clear, &QPushButton::clicked, this, &CIPPage::OnClearIp);
}

void CIPPage::setTabOrderOfControls(const QList<QWidget*>& order) {
    for (int i = 1; i < order.size(); ++i) setTabOrder(order[i - 1], order[i]);
}

void CIPPage::OnInitDialog() {
    FillDeviceList();
    showStatus(kIpPageWaiting);
    setRunningButtons(false);
}

std::string CIPPage::dataDir() const { return m_context.dataDir.toStdString(); }

void CIPPage::showStatus(const QString& text) {
    m_status->setText(text);
    m_status->setCursorPosition(0);
}

void CIPPage::setRunningButtons(bool running) {
    m_stopButton->setEnabled(running);
    m_startButton->setEnabled(!running);
}

void CIPPage::setRow(int row, const DeviceRecord& record) {
    const QString texts[kColumnCount] = {QString::number(record.HType), QString::number(record.hlen),
                                         fromStd(record.IP),            fromStd(record.MAC),
                                         fromStd(record.Gateway),       fromStd(record.Subnet)};
    for (int c = 0; c < kColumnCount; ++c) m_listDevices->setItem(row, c, new QTableWidgetItem(texts[c]));
}

// Each column as wide as its given width and as its widest text, heading included, so
// that no address is cut.
void CIPPage::fitColumns() {
    for (int c = 0; c < kColumnCount; ++c) {
        m_listDevices->resizeColumnToContents(c);
        if (m_listDevices->columnWidth(c) < kColumns[c].width) m_listDevices->setColumnWidth(c, kColumns[c].width);
    }
}

DeviceRecord CIPPage::shownRecord(int row) const {
    const auto cell = [this, row](int column) {
        const QTableWidgetItem* item = m_listDevices->item(row, column);
        return item ? item->text() : QString();
    };
    return {cell(kColType).toInt(),         cell(kColLength).toInt(),       cell(kColIp).toStdString(),
            cell(kColMac).toStdString(),    cell(kColGateway).toStdString(), cell(kColSubnet).toStdString()};
}

void CIPPage::FillDeviceList() {
    DeviceTable table(dataDir(), tableMessagesTo(m_context.prompts));
    // Rewrites the file in its normal form, and creates an empty one when there was none.
    const std::vector<DeviceRecord> records = table.list(true);
    m_listDevices->setRowCount(0);
    m_listDevices->setRowCount(int(records.size()));
    for (int row = 0; row < int(records.size()); ++row) setRow(row, records[size_t(row)]);
    m_nRowCount = int(records.size());
    fitColumns();
}

int CIPPage::OnAddDevice() {
    CBootpEditDlg dlg(m_context, this);
    dlg.m_strMacByte = m_strMacPart;
    dlg.m_strMAC = m_strMacPart.join(QString());
    dlg.m_nMode = CBootpEditDlg::kModeAdd;
    if (dlg.exec() != QDialog::Accepted) return 0;

    // A device whose IP or MAC text is already in the table is silently not added; a
    // full table or a failed save was reported by the table, and the list follows the file.
    DeviceTable table(dataDir(), tableMessagesTo(m_context.prompts));
    const DeviceTableResult added = table.add(dlg.record());
    if (added.status != DeviceTableStatus::Done) return 1;
    m_listDevices->insertRow(m_nRowCount);
    setRow(m_nRowCount, added.record);
    ++m_nRowCount;
    fitColumns();
    m_strMacPart = QStringList(6, QString());
    return 1;
}

void CIPPage::presetMac(const MacOctets& mac) {
    for (size_t i = 0; i < mac.size(); ++i)
        m_strMacPart[qsizetype(i)] = QStringLiteral("%1").arg(mac[i], 2, 16, QLatin1Char('0')).toUpper();
}

int CIPPage::addDeviceFor(const MacOctets& mac) {
    presetMac(mac);
    return OnAddDevice();
}

bool CIPPage::eventFilter(QObject* watched, QEvent* event) {
    // A mouse click on the list (not a keyboard move) chooses the row that modify and
    // delete act on; a click below the rows chooses none.
    if (watched == m_listDevices->viewport() && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) {
            const QModelIndex hit = m_listDevices->indexAt(mouse->position().toPoint());
            OnClickDeviceList(hit.isValid() ? hit.row() : -1);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CIPPage::OnClickDeviceList(int row) { m_nSelectedRow = row; }

DeviceTableResult CIPPage::locateSelected(DeviceTable& table) {
    const DeviceTableResult found = table.locate(m_nSelectedRow, m_nRowCount, shownRecord(m_nSelectedRow));
    if (found.status == DeviceTableStatus::NoRecords) {
        m_context.prompts.message(kIpPageNoRecords, commontexts::kNotice);
    } else if (found.status == DeviceTableStatus::NoSelection) {
        m_context.prompts.message(kIpPageNoSelection, commontexts::kError);
    }
    return found;
}

void CIPPage::OnModifyDevice() {
    CBootpEditDlg dlg(m_context, this);
    dlg.setRecord(shownRecord(m_nSelectedRow));
    DeviceTable table(dataDir(), tableMessagesTo(m_context.prompts));
    const DeviceTableResult found = locateSelected(table);
    if (found.status != DeviceTableStatus::Done) return;
    dlg.m_nMode = CBootpEditDlg::kModeModify;
    if (dlg.exec() != QDialog::Accepted) return;

    const DeviceTableResult modified = table.modify(found.index, dlg.record());
    if (modified.status != DeviceTableStatus::Done) return;
    // The modified row keeps its place.
    setRow(m_nSelectedRow, modified.record);
    fitColumns();
}

void CIPPage::OnDeleteDevice() {
    DeviceTable table(dataDir(), tableMessagesTo(m_context.prompts));
    const DeviceTableResult found = locateSelected(table);
    if (found.status != DeviceTableStatus::Done) return;
    // No question is asked; the rows below move up into the remembered place.
    if (table.remove(found.index).status != DeviceTableStatus::Done) return;
    m_listDevices->removeRow(m_nSelectedRow);
    --m_nRowCount;
}

void CIPPage::OnStartBootp() {
    if (m_bBootpRunning) return;
    // The server shows its own texts: initialising, then waiting or why the port could
    // not be opened.
    if (!m_pBootpServer->start()) {
        const BootpEvent& failure = m_pBootpServer->startFailure();
        // Another server of this program (the commissioning line) serves: the status says
        // so, and a lookup of the port's holder would only name this program. Otherwise
        // the cause is looked for at once, while whatever holds the port still holds it.
        std::optional<PreflightFinding> blocker;
        if (!failure.heldBy) {
            PreflightRequest preflight;
            preflight.link = m_context.link;
            blocker = BootpPreflight::firstBlocker(preflight);
        }
        m_context.prompts.message(QString::fromStdString(bootpStatusText(failure)), commontexts::kError);
        const QString cause = blocker ? preflighttexts::startFailureCause(*blocker) : QString();
        if (!cause.isEmpty()) m_context.prompts.message(cause, preflighttexts::kCaption);
        setRunningButtons(false);
        return;
    }
    m_bBootpRunning = true;
    setRunningButtons(true);
}

void CIPPage::OnStopBootp() {
    if (!m_bBootpRunning) return;
    m_pBootpServer->stop();  // shows the stopped status line
    m_bBootpRunning = false;
    setRunningButtons(false);
}

void CIPPage::prepareForAddressCommand() {
    // An address command stops the BootP server whatever its state, so that the device
    // being addressed is not reconfigured meanwhile.
    m_bBootpRunning = false;
    setRunningButtons(false);
    m_pBootpServer->stop();
    showStatus(kIpPageWaiting);
}

void CIPPage::OnClearIp() {
    prepareForAddressCommand();
    if (m_runIpClear && m_runIpClear()) showStatus(QString::fromUtf8(kIpClearSentText));
}

void CIPPage::OnSearchIp() {
    prepareForAddressCommand();
    if (m_runIpSearch) m_runIpSearch();
}

}  // namespace tavo
