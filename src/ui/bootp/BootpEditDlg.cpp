#include "BootpEditDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "BootpTexts.h"
#include "common/CommonTexts.h"
#include "common/TablePrompts.h"
#include "common/Prompts.h"
#include "controls/IpAddressEdit.h"
#include "controls/MacByteFields.h"

namespace tavo {
namespace {

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
    setWindowTitle(kEditTitle);
    buildControls();
}

void CBootpEditDlg::buildControls() {
    m_ipAddress = newAddressField(this, "1028");
    m_macBytes = new MacByteFields(this);
    m_gateway = newAddressField(this, "1032");
    m_subnetMask = newAddressField(this, "1033");
    m_okButton = new QPushButton(kEditOk, this);
    m_okButton->setObjectName(QStringLiteral("1"));
    m_okButton->setDefault(true);
    auto* cancel = new QPushButton(commontexts::kCancel, this);
    cancel->setObjectName(QStringLiteral("2"));
    cancel->setAutoDefault(false);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(commontexts::kIpAddressLabel, this), 0, 0);
    grid->addWidget(m_ipAddress, 0, 1);
    grid->addWidget(new QLabel(commontexts::kMacAddressLabel, this), 1, 0);
    grid->addWidget(m_macBytes, 1, 1);
    grid->addWidget(new QLabel(kEditGateway, this), 2, 0);
    grid->addWidget(m_gateway, 2, 1);
    grid->addWidget(new QLabel(kEditSubnet, this), 3, 0);
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

    connect(m_okButton, &QPushButton::clicked, this, &CBootpEditDlg::onOk);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_macBytes, &MacByteFields::macEdited, this, &CBootpEditDlg::onMacEdited);
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
        m_okButton->setText(kEditAdd);
        m_subnetMask->setOctets(255, 255, 255, 0);
        m_strMAC = m_strMacByte.mid(0, MacByteFields::kByteCount).join(QString());
    } else {
        m_okButton->setText(kEditOk);
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

void CBootpEditDlg::onMacEdited(int index) {
    m_strMacByte = m_macBytes->byteTexts();
    m_strMacByte[index] = MacByteFields::twoCharacterForm(m_strMacByte[index]);
    m_strMAC = m_macBytes->macText();
}

// The add mode's refusals, in the order the checks are made.
bool CBootpEditDlg::acceptNewDevice(const Ipv4Octets& ip) {
    const QString* refusal = nullptr;
    switch (checkNewDevice(ip, !m_strMAC.isEmpty())) {
    case NewDeviceProblem::None: return true;
    case NewDeviceProblem::NoIp: refusal = &kEditNoIp; break;
    case NewDeviceProblem::BadIp: refusal = &kEditBadIp; break;
    case NewDeviceProblem::NoMac: refusal = &kEditNoMac; break;
    }
    m_context.prompts.message(*refusal, commontexts::kError);
    return false;
}

DeviceRecord CBootpEditDlg::record() const {
    return {m_nHType,
            m_nHLen,
            m_strIP.toStdString(),
            m_strMAC.toStdString(),
            m_strGateway.toStdString(),
            m_strSubnet.toStdString()};
}

void CBootpEditDlg::setRecord(const DeviceRecord& record) {
    m_nHType = record.HType;
    m_nHLen = record.hlen;
    m_strIP = QString::fromStdString(record.IP);
    m_strMAC = QString::fromStdString(record.MAC);
    m_strGateway = QString::fromStdString(record.Gateway);
    m_strSubnet = QString::fromStdString(record.Subnet);
}

void CBootpEditDlg::onOk() {
    const Ipv4Octets ip = m_ipAddress->address();
    m_strIP = aligned(ip);
    m_strMacByte = m_macBytes->byteTexts();
    if (m_nMode == kModeAdd && !acceptNewDevice(ip)) return;
    m_strGateway = aligned(m_gateway->address());
    m_strSubnet = aligned(m_subnetMask->address());
    // A byte text that is not hexadecimal goes in as -1; the MAC history then refuses
    // the record with its own message and keeps the records it had.
    std::array<int, MacByteFields::kByteCount> macBytes{};
    for (int k = 0; k < MacByteFields::kByteCount; ++k) macBytes[size_t(k)] = ParseHexByte(m_strMacByte[k].toStdString());
    recordDeviceAddresses(m_context.dataDir.toStdString(), macBytes, ip, tableMessagesTo(m_context.prompts));
    accept();
}

}  // namespace tavo
