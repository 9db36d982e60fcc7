#include "IPClearDlg.h"

#include <QHBoxLayout>
#include <QHostAddress>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "IPDBdlg.h"
#include "IPFDB.h"
#include "IpClearCommand.h"
#include "common/Prompts.h"
#include "common/TablePrompts.h"
#include "controls/IpAddressEdit.h"
#include "controls/NewButton.h"

namespace tavo {
namespace {

const char* const kConfirmOperation = "IP Clear";
const char* const kConfirmDescription = "Cancellazione dell'indirizzo IP dal dispositivo !!";
// When the stack refuses the datagram the operator is told so instead of being told it
// was sent.
const char* const kNotSentText = "Impossibile inviare il comando di cancellazione indirizzo IP !!";
const char* const kNotSentCaption = "Errore";

}  // namespace

CIPClearDlg::CIPClearDlg(AppContext& context, QWidget* parent) : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("IPClearDlg"));
    setWindowTitle(QStringLiteral("Cancellazione indirizzo IP"));
    buildControls();
}

void CIPClearDlg::buildControls() {
    m_ipDevice = new IpAddressEdit(this);
    m_ipDevice->setObjectName(QStringLiteral("1042"));
    auto* database = newButton(QStringLiteral("DataBase indirizzi IP"), "3", this);
    auto* ok = newButton(QStringLiteral("OK"), "1", this);
    ok->setDefault(true);
    auto* cancel = newButton(QStringLiteral("Annulla"), "2", this);

    auto* address = new QHBoxLayout;
    address->addWidget(new QLabel(QStringLiteral("Indirizzo IP Corrente"), this));
    address->addWidget(m_ipDevice);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(database);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(address);
    layout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, &CIPClearDlg::OnOK);
    connect(cancel, &QPushButton::clicked, this, &CIPClearDlg::reject);
    connect(database, &QPushButton::clicked, this, &CIPClearDlg::OnDatabase);
    m_ipDevice->setFocus();
}

void CIPClearDlg::OnOK() {
    // Blank parts of the address read as 0; the address is not otherwise checked.
    const Ipv4Octets ip = m_ipDevice->address();
    m_strIp = QString::fromStdString(formatDotted(ip));
    if (!m_context.prompts.confirm(QString::fromLatin1(kConfirmOperation), QString::fromUtf8(kConfirmDescription)))
        return;
    QDialog::accept();
    CIPFDB::AddIfAbsent(m_context.dataDir.toStdString(), ip[0], ip[1], ip[2], ip[3],
                        tableMessagesTo(m_context.prompts));
}

void CIPClearDlg::OnDatabase() {
    CIPDBdlg picker(m_context, this);
    if (picker.exec() == QDialog::Accepted) {
        const auto& octet = picker.m_nOctet;
        m_ipDevice->setOctets(octet[0], octet[1], octet[2], octet[3]);
    } else {
        m_ipDevice->setOctets(0, 0, 0, 0);
    }
}

bool CIPClearDlg::run(AppContext& context, QWidget* parent) {
    const IpClearCommand command(context.link);
    return run(context, parent, [&command](const QHostAddress& device) { return command.send(device); });
}

bool CIPClearDlg::run(AppContext& context, QWidget* parent, const Sender& send) {
    CIPClearDlg dialog(context, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    if (send(QHostAddress(dialog.getIp()))) return true;
    context.prompts.message(QString::fromLatin1(kNotSentText), QString::fromLatin1(kNotSentCaption));
    return false;
}

}  // namespace tavo
