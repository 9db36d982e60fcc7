#include "BootpEditDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "IPFDB.h"
#include "MacHistoryFDB.h"
#include "TablePrompts.h"
#include "app/Prompts.h"
#include "controls/IpAddressEdit.h"
#include "controls/MacByteFields.h"

namespace tavo {
namespace {

const QString kErrorCaption = QStringLiteral("Errore");

QString aligned(const Ipv4Octets& ip) { return QString::fromStdString(formatDottedAligned(ip)); }

Ipv4Octets fromDotted(const QString& text) { return ParseDottedIp(text.toStdString()); }

IpAddressEdit* newAddressField(QWidget* parent, const char* id) {
    auto* field = new IpAddressEdit(parent);
    field->setObjectName(QString::fromLatin1(id));
    return field;
}

}  // namespace

CBootpEditDlg::CBootpEditDlg(AppContext& context, QWidget* parent) : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("BootpEditDlg"));
    setWindowTitle(QStringLiteral("Configurazione nuovo dispositivo"));
    buildControls();
}

void CBootpEditDlg::buildControls() {
    m_ipAddress = newAddressField(this, "1028");
    m_macBytes = new MacByteFields(this);
    m_gateway = newAddressField(this, "1032");
    m_subnetMask = newAddressField(this, "1033");
    m_okButton = new QPushButton(QStringLiteral("Ok"), this);
    m_okButton->setObjectName(QStringLiteral("1"));
    m_okButton->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Annulla"), this);
    cancel->setObjectName(QStringLiteral("2"));
    cancel->setAutoDefault(false);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("Indirizzo IP"), this), 0, 0);
    grid->addWidget(m_ipAddress, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Indirizzo MAC"), this), 1, 0);
    grid->addWidget(m_macBytes, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Gateway "), this), 2, 0);
    grid->addWidget(m_gateway, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("Subnet Mask"), this), 3, 0);
    grid->addWidget(m_subnetMask, 3, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_okButton);
    buttons->addStretch();
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    // Tab order as on the form: IP, the six bytes, gateway, subnet mask, the buttons.
    QWidget* previous = m_ipAddress->octetField(3);
    for (int i = 0; i < MacByteFields::kByteCount; ++i) {
        setTabOrder(previous, m_macBytes->byteField(i));
        previous = m_macBytes->byteField(i);
    }
    setTabOrder(previous, m_gateway->octetField(0));

    connect(m_okButton, &QPushButton::clicked, this, &CBootpEditDlg::OnOK);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_macBytes, &MacByteFields::macEdited, this, &CBootpEditDlg::OnMacEdited);
    connect(m_macBytes, &MacByteFields::typedPastLastField, this, [this] { m_gateway->setFocus(); });
}

void CBootpEditDlg::showEvent(QShowEvent* event) {
    if (!m_bInitialised) OnInitDialog();
    QDialog::showEvent(event);
}

void CBootpEditDlg::OnInitDialog() {
    m_bInitialised = true;
    while (m_strMacByte.size() < MacByteFields::kByteCount) m_strMacByte.append(QString());
    if (m_nMode == kModeAdd) {
        m_okButton->setText(QStringLiteral("Aggiungi"));
        m_subnetMask->setOctets(255, 255, 255, 0);
        m_strMAC = m_strMacByte.mid(0, MacByteFields::kByteCount).join(QString());
    } else {
        m_okButton->setText(QStringLiteral("Ok"));
        m_ipAddress->setAddress(fromDotted(m_strIP));
        m_gateway->setAddress(fromDotted(m_strGateway));
        m_subnetMask->setAddress(fromDotted(m_strSubnet));
        for (int k = 0; k < MacByteFields::kByteCount; ++k) {
            m_strMacByte[k] = m_strMAC.mid(MacByteFields::kByteLength * k, MacByteFields::kByteLength);
        }
    }
    m_macBytes->setByteTexts(m_strMacByte);
    m_ipAddress->setFocus();
}

void CBootpEditDlg::OnMacEdited(int index) {
    m_strMacByte = m_macBytes->byteTexts();
    m_strMacByte[index] = MacByteFields::twoCharacterForm(m_strMacByte[index]);
    m_strMAC = m_macBytes->macText();
}

bool CBootpEditDlg::checkNewDevice(const Ipv4Octets& ip) {
    const char* refusal = nullptr;
    if (ip == Ipv4Octets{0, 0, 0, 0}) {
        refusal = "Inserire l'indirizzo IP del client !!";
    } else if (ip[3] == 0 || ip[3] == 255) {
        refusal = "Indirizzo IP errato !!";
    } else if (m_strMAC.isEmpty()) {
        refusal = "Inserire l'indirizzo MAC del client !!";
    }
    if (refusal == nullptr) return true;
    m_context.prompts.message(QString::fromUtf8(refusal), kErrorCaption);
    return false;
}

void CBootpEditDlg::recordInHistories(const Ipv4Octets& ip) {
    const std::string dataDir = m_context.dataDir.toStdString();
    // A byte text that is not hexadecimal goes in as -1; the MAC history then refuses
    // the record with its own message and keeps the records it had.
    CMacHistoryFDB::Values mac{};
    for (int k = 0; k < MacByteFields::kByteCount; ++k) {
        mac[static_cast<size_t>(k)] = ParseHexByte(m_strMacByte[k].toStdString());
    }
    CMacHistoryFDB::AddIfAbsent(dataDir, mac, tableMessagesTo(m_context.prompts));
    CIPFDB::AddIfAbsent(dataDir, ip[0], ip[1], ip[2], ip[3], tableMessagesTo(m_context.prompts));
}

void CBootpEditDlg::OnOK() {
    const Ipv4Octets ip = m_ipAddress->address();
    m_strIP = aligned(ip);
    m_strMacByte = m_macBytes->byteTexts();
    if (m_nMode == kModeAdd && !checkNewDevice(ip)) return;
    m_strGateway = aligned(m_gateway->address());
    m_strSubnet = aligned(m_subnetMask->address());
    recordInHistories(ip);
    accept();
}

}  // namespace tavo
