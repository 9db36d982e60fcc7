#pragma once

#include <QDialog>
#include <QString>
#include <functional>

#include "IpClearEngine.h"
#include "common/AppContext.h"

namespace tavo {

class IpAddressEdit;

// "Cancellazione indirizzo IP": the address of the device whose IP address is to be
// removed. OK asks for confirmation first; a no leaves the dialog open. After a yes the
// dialog ends with Accepted; the clear engine records the address and sends.
class CIPClearDlg : public QDialog {
    Q_OBJECT
public:
    explicit CIPClearDlg(AppContext& context, QWidget* parent = nullptr);

    // The address to clear, "%d.%d.%d.%d"; empty until OK.
    QString getIp() const { return m_strIp; }
    // The same as octets, as the engine takes them.
    const Ipv4Octets& ipOctets() const { return m_ip; }

    // The whole command as the page runs it: the dialog, then, after OK, the clear
    // engine. True when the command went out; false when the operator cancelled, or when
    // the stack refused the datagram (the operator is told so).
    static bool run(AppContext& context, QWidget* parent);
    // The same with the engine's run given.
    using Sender = std::function<IpClearResult(const IpClearRequest& request)>;
    static bool run(AppContext& context, QWidget* parent, const Sender& send);

    // Every way of accepting (the OK button, Enter) goes through the confirmation.
    void accept() override { OnOK(); }

private slots:
    void OnOK();
    void OnDatabase();

private:
    void buildControls();

    AppContext& m_context;
    QString m_strIp;
    Ipv4Octets m_ip{};
    IpAddressEdit* m_ipDevice = nullptr;  // 1042
};

}  // namespace tavo
