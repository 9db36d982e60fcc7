#include "IPPage.h"

#include <QEvent>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "BootPFDB.h"
#include "BootpEditDlg.h"
#include "BootpServer.h"
#include "IPPageBootpObserver.h"
#include "TablePrompts.h"
#include "address/FindIPDlg.h"
#include "address/IPClearDlg.h"
#include "app/Prompts.h"

namespace tavo {
namespace {

const QString kWaiting = QStringLiteral("In Attesa ....");
const QString kClearSent = QStringLiteral("Comando di cancellazione indirizzo IP inviato..");

enum Column { kColType, kColLength, kColIp, kColMac, kColGateway, kColSubnet, kColumnCount };

struct ColumnSpec {
    const char* heading;
    int width;
};
constexpr ColumnSpec kColumns[kColumnCount] = {{"Tipo", 45},     {" Lun.", 40},     {" IP TAVO", 90},
                                               {" MAC TAVO", 90}, {" Gateway ", 90}, {" Subnet Mask", 90}};

QString fromStd(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

CIPPage::CIPPage(AppContext& context, QWidget* parent)
    : QWidget(parent), m_context(context), m_observer(std::make_unique<IPPageBootpObserver>(*this)) {
    setObjectName(QStringLiteral("IPPage"));
    setWindowTitle(QStringLiteral("Configurazione indirizzo IP"));
    m_pBootpServer = new BootpServer(m_context.link, m_context.dataDir, *m_observer, this);
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

QPushButton* CIPPage::addButton(const char* id, const QString& text) {
    auto* button = new QPushButton(text, this);
    button->setObjectName(QString::fromLatin1(id));
    button->setAutoDefault(false);
    return button;
}

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

    QPushButton* add = addButton("1001", QStringLiteral("Aggiungi nuovo dispositivo"));
    QPushButton* modify = addButton("1002", QStringLiteral("Modifica configurazione"));
    QPushButton* remove = addButton("1003", QStringLiteral("Elimina dispositivo"));
    m_startButton = addButton("1004", QStringLiteral("Avvio\n BootP"));
    m_stopButton = addButton("1006", QStringLiteral("Arresta\n BootP"));
    QPushButton* search = addButton("1009", QStringLiteral("Ricerca indirizzo IP"));
    QPushButton* clear = addButton("1008", QStringLiteral("Cancella indirizzo IP"));
    m_status = new QLineEdit(this);
    m_status->setObjectName(QStringLiteral("1005"));
    m_status->setReadOnly(true);

    auto* database = new QGroupBox(QStringLiteral("DataBase BootP"), this);
    auto* databaseLayout = new QVBoxLayout(database);
    databaseLayout->addWidget(m_listDevices);
    auto* rowButtons = new QHBoxLayout;
    for (QPushButton* b : {add, modify, remove}) rowButtons->addWidget(b);
    databaseLayout->addLayout(rowButtons);

    auto* state = new QGroupBox(QStringLiteral("Stato"), this);
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
    // The picture area beside the commands stays plain.
    auto* picture = new QFrame(this);
    picture->setObjectName(QStringLiteral("picture"));
    picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    picture->setFixedSize(160, 44);
    auto* bottomRow = new QHBoxLayout;
    bottomRow->addWidget(commands);
    bottomRow->addWidget(picture, 0, Qt::AlignBottom);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(database, 1);
    layout->addLayout(stateRow);
    layout->addLayout(bottomRow);

    connect(add, &QPushButton::clicked, this, &CIPPage::OnAddDeviceClicked);
    connect(modify, &QPushButton::clicked, this, &CIPPage::OnModifyDevice);
    connect(remove, &QPushButton::clicked, this, &CIPPage::OnDeleteDevice);
    connect(m_startButton, &QPushButton::clicked, this, &CIPPage::OnStartBootp);
    connect(m_stopButton, &QPushButton::clicked, this, &CIPPage::OnStopBootp);
    connect(search, &QPushButton::clicked, this, &CIPPage::OnSearchIp);
    connect(clear, &QPushButton::clicked, this, &CIPPage::OnClearIp);
}

void CIPPage::OnInitDialog() {
    FillDeviceList();
    ShowStatus(kWaiting);
    setRunningButtons(false);
}

std::string CIPPage::dataDir() const { return m_context.dataDir.toStdString(); }

void CIPPage::ShowStatus(const QString& text) {
    m_status->setText(text);
    m_status->setCursorPosition(0);
}

void CIPPage::setRunningButtons(bool running) {
    m_stopButton->setEnabled(running);
    m_startButton->setEnabled(!running);
}

void CIPPage::setRow(int row, int hType, int hLen, const QString& ip, const QString& mac, const QString& gateway,
                     const QString& subnet) {
    const QString texts[kColumnCount] = {QString::number(hType), QString::number(hLen), ip, mac, gateway, subnet};
    for (int c = 0; c < kColumnCount; ++c) m_listDevices->setItem(row, c, new QTableWidgetItem(texts[c]));
}

QString CIPPage::cell(int row, int column) const {
    const QTableWidgetItem* item = m_listDevices->item(row, column);
    return item ? item->text() : QString();
}

void CIPPage::FillDeviceList() {
    CBootPFDB db(dataDir(), tableMessagesTo(m_context.prompts));
    db.Load();
    m_listDevices->setRowCount(0);
    int row = 0;
    for (db.MoveFirst(); !db.IsEOF(); db.MoveNext(), ++row) {
        m_listDevices->insertRow(row);
        // The save below writes the MAC text in upper case; the list shows it as the file
        // will hold it, so that a later lookup of the row's texts finds its entry.
        setRow(row, db.getHType(), db.getHLen(), fromStd(db.getIP()), fromStd(db.getMAC()).toUpper(),
               fromStd(db.getGateway()), fromStd(db.getSubnet()));
    }
    // Rewrites the file in its normal form, and creates an empty one when there was none.
    db.Save();
    m_nRowCount = row;
    db.Close();
}

int CIPPage::OnAddDevice() {
    CBootpEditDlg dlg(m_context, this);
    dlg.m_strMacByte = m_strMacPart;
    dlg.m_strMAC = m_strMacPart.join(QString());
    dlg.m_nMode = CBootpEditDlg::kModeAdd;
    if (dlg.exec() != QDialog::Accepted) return 0;

    CBootPFDB db(dataDir(), tableMessagesTo(m_context.prompts));
    db.Load();
    // A device whose IP or MAC text is already in the table is silently not added.
    if (db.Find(dlg.m_strIP.toStdString(), dlg.m_strMAC.toStdString()) != -1) return 1;
    if (db.AddNew() < 0) return 1;  // the table is full; the table reported it
    db.SetRecord(dlg.m_nHType, dlg.m_nHLen, dlg.m_strIP.toStdString(), dlg.m_strMAC.toStdString(),
                 dlg.m_strGateway.toStdString(), dlg.m_strSubnet.toStdString());
    // The list follows the file: a save that failed (and was reported) adds no row.
    if (!db.Save()) return 1;
    m_listDevices->insertRow(m_nRowCount);
    setRow(m_nRowCount, dlg.m_nHType, dlg.m_nHLen, dlg.m_strIP, dlg.m_strMAC.toUpper(), dlg.m_strGateway,
           dlg.m_strSubnet);
    ++m_nRowCount;
    db.Close();
    m_strMacPart = QStringList(6, QString());
    return 1;
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

int CIPPage::findSelectedEntry(CBootPFDB& db) {
    if (m_nRowCount == 0) {
        m_context.prompts.message(QStringLiteral("Non ci sono record !!"), QStringLiteral("Avviso"));
        return -1;
    }
    const std::string ip = cell(m_nSelectedRow, kColIp).toStdString();
    const std::string mac = cell(m_nSelectedRow, kColMac).toStdString();
    // The list is in file order, so the entry at the row's own index is the row's entry
    // when its texts agree; the search by texts is for a file changed meanwhile. Without
    // this, a row whose IP text also stands in an earlier entry would act on that one.
    int found = -1;
    if (m_nSelectedRow >= 0 && m_nSelectedRow < db.getCount()) {
        int hType = 0, hLen = 0;
        std::string entryIp, entryMac, gateway, subnet;
        db.GetRecord(hType, hLen, entryIp, entryMac, gateway, subnet, m_nSelectedRow);
        if (!ip.empty() && entryIp == ip && entryMac == mac) found = m_nSelectedRow;
    }
    if (found < 0 && m_nSelectedRow >= 0 && m_nSelectedRow < m_nRowCount) found = db.Find(ip, mac);
    if (found < 0) {
        m_context.prompts.message(QString::fromUtf8("Non è stato selezionato alcun dato !!"),
                                  QStringLiteral("Errore"));
    }
    return found;
}

void CIPPage::OnModifyDevice() {
    CBootpEditDlg dlg(m_context, this);
    dlg.m_nHType = cell(m_nSelectedRow, kColType).toInt();
    dlg.m_nHLen = cell(m_nSelectedRow, kColLength).toInt();
    dlg.m_strIP = cell(m_nSelectedRow, kColIp);
    dlg.m_strMAC = cell(m_nSelectedRow, kColMac);
    dlg.m_strGateway = cell(m_nSelectedRow, kColGateway);
    dlg.m_strSubnet = cell(m_nSelectedRow, kColSubnet);

    CBootPFDB db(dataDir(), tableMessagesTo(m_context.prompts));
    db.Load();
    const int entry = findSelectedEntry(db);
    if (entry < 0) return;
    db.SetPosition(entry);
    dlg.m_nMode = CBootpEditDlg::kModeModify;
    if (dlg.exec() != QDialog::Accepted) return;

    db.SetRecord(dlg.m_nHType, dlg.m_nHLen, dlg.m_strIP.toStdString(), dlg.m_strMAC.toStdString(),
                 dlg.m_strGateway.toStdString(), dlg.m_strSubnet.toStdString());
    const bool saved = db.Save();
    db.Close();
    if (!saved) return;
    // The modified row keeps its place.
    m_listDevices->removeRow(m_nSelectedRow);
    m_listDevices->insertRow(m_nSelectedRow);
    setRow(m_nSelectedRow, dlg.m_nHType, dlg.m_nHLen, dlg.m_strIP, dlg.m_strMAC.toUpper(), dlg.m_strGateway,
           dlg.m_strSubnet);
}

void CIPPage::OnDeleteDevice() {
    CBootPFDB db(dataDir(), tableMessagesTo(m_context.prompts));
    db.Load();
    const int entry = findSelectedEntry(db);
    if (entry < 0) return;
    db.SetPosition(entry);
    db.Delete();
    const bool saved = db.Save();
    db.Close();
    if (!saved) return;
    // No question is asked; the rows below move up into the remembered place.
    m_listDevices->removeRow(m_nSelectedRow);
    --m_nRowCount;
}

void CIPPage::OnStartBootp() {
    if (m_bBootpRunning) return;
    // The server shows its own texts: initialising, then waiting or why the port could
    // not be opened.
    if (!m_pBootpServer->start()) {
        m_context.prompts.message(m_status->text(), QStringLiteral("Errore"));
        setRunningButtons(false);
        return;
    }
    m_bBootpRunning = true;
    setRunningButtons(true);
}

void CIPPage::OnStopBootp() {
    if (!m_bBootpRunning) return;
    m_pBootpServer->stop();  // shows "BootP interrotto .."
    m_bBootpRunning = false;
    setRunningButtons(false);
}

void CIPPage::prepareForAddressCommand() {
    // An address command stops the BootP server whatever its state, so that the device
    // being addressed is not reconfigured meanwhile.
    m_bBootpRunning = false;
    setRunningButtons(false);
    m_pBootpServer->stop();
    ShowStatus(kWaiting);
}

void CIPPage::OnClearIp() {
    prepareForAddressCommand();
    if (m_runIpClear && m_runIpClear()) ShowStatus(kClearSent);
}

void CIPPage::OnSearchIp() {
    prepareForAddressCommand();
    if (m_runIpSearch) m_runIpSearch();
}

}  // namespace tavo
