#include "IPClearDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "AddressTexts.h"
#include "IPDBdlg.h"
#include "common/CommonTexts.h"
#include "common/Prompts.h"
#include "common/TablePrompts.h"
#include "controls/IpAddressEdit.h"
#include "controls/NewButton.h"

namespace tavo {

CIPClearDlg::CIPClearDlg(AppContext& context, QWidget* parent) : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("IPClearDlg"));
    setWindowTitle(QString::fromLatin1(kIpClearTitle));
    buildControls();
}

void CIPClearDlg::buildControls() {
    m_ipDevice = new IpAddressEdit(this);
    m_ipDevice->setObjectName(QStringLiteral("1042"));
    auto* database = newButton(QString::fromUtf8(kIpHistoryTitle), "3", this);
    auto* ok = newButton(commontexts::kOk, "1", this);
    ok->setDefault(true);
    auto* cancel = newButton(commontexts::kCancel, "2", this);

    auto* address = new QHBoxLayout;
    address->addWidget(new QLabel(QString::fromLatin1(kIpClearCurrentLabel), this));
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
    m_ip = m_ipDevice->address();
    m_strIp = QString::fromStdString(formatDotted(m_ip));
    if (!m_context.prompts.confirm(QString::fromLatin1(kIpClearOperation), QString::fromUtf8(kIpClearConfirmation)))
        return;
    QDialog::accept();
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
    return run(context, parent, [](const IpClearRequest& request) { return IpClearEngine().start(request); });
}

bool CIPClearDlg::run(AppContext& context, QWidget* parent, const Sender& send) {
    CIPClearDlg dialog(context, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    const IpClearRequest request{dialog.ipOctets(), context.dataDir.toStdString(), context.link,
                                 tableMessagesTo(context.prompts)};
    if (send(request).status == IpClearResult::Status::Sent) return true;
    context.prompts.message(QString::fromLatin1(kIpClearNotSentText), commontexts::kError);
    return false;
}

}  // namespace tavo
