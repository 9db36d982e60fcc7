#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include "AddressText.h"
#include "DeviceTable.h"
#include "common/AppContext.h"

class QPushButton;

namespace tavo {

class IpAddressEdit;
class MacByteFields;

// "Configurazione nuovo dispositivo": the data of one device of the BootP table. In add
// mode (m_nMode 0) it starts blank or from six preset MAC byte texts and refuses an
// incomplete entry; in modify mode (1) it starts from a record and takes what it is given.
// It never touches the device table; on OK it records the MAC and IP addresses in the
// two histories and the caller reads the members.
class CBootpEditDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kModeAdd = 0;
    static constexpr int kModeModify = 1;

    explicit CBootpEditDlg(AppContext& context, QWidget* parent = nullptr);

    // The members as a record of the table, and back (modify mode's input).
    DeviceRecord record() const;
    void setRecord(const DeviceRecord& record);

    // Loads the members into the fields; run once when the dialog is first shown, after
    // the caller has set the members.
    void OnInitDialog();

    // Inputs in modify mode; outputs after OK, the three addresses as "%3d.%3d.%3d.%3d".
    QString m_strIP;
    QString m_strSubnet;
    QString m_strGateway;
    int m_nMode = kModeModify;
    int m_nHLen = kNewDeviceHLen;
    int m_nHType = kNewDeviceHType;
    // Twelve hexadecimal characters, or empty in add mode until a byte is typed.
    QString m_strMAC = QStringLiteral("000000000000");
    // The six byte texts, first byte first; the add mode's preset.
    QStringList m_strMacByte = QStringList(6, QString());

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void onOk();
    void onMacEdited(int index);

private:
    void buildControls();
    bool acceptNewDevice(const Ipv4Octets& ip);

    AppContext& m_context;
    IpAddressEdit* m_ipAddress = nullptr;   // 1028
    IpAddressEdit* m_gateway = nullptr;     // 1032
    IpAddressEdit* m_subnetMask = nullptr;  // 1033
    MacByteFields* m_macBytes = nullptr;    // 1029..1036
    QPushButton* m_okButton = nullptr;      // 1
    bool m_bInitialised = false;
};

}  // namespace tavo
