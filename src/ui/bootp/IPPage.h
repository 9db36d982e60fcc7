#pragma once

#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>

#include "DeviceTable.h"
#include "common/AppContext.h"

class QLineEdit;
class QPushButton;
class QTableWidget;

namespace tavo {

class BootpServer;
class IPPageBootpObserver;

// The first tab, "Configurazione indirizzo IP": the device table of "bootp.ini" as a list
// that the operator edits through the device entry dialog, the BootP server that answers
// the devices from that table, and the two address commands (IP clear, IP search).
// The page never keeps the table open: every operation loads the file, works, saves and
// lets it go; the list is the page's own copy, updated row by row next to the file.
//
// The address commands plug in through two runners. Buttons 1008 and 1009 first stop the
// BootP server and show "In Attesa ...." whatever the server's state, then call the runner:
//   setIpClearRunner(f):  f runs the IP clear dialog; it returns true when the clear
//                         command was sent, and the page then reports it in the status.
//   setIpSearchRunner(f): f runs the IP search dialog; nothing follows it.
// Without a runner the buttons do the preparation only.
class CIPPage : public QWidget {
    Q_OBJECT
public:
    explicit CIPPage(AppContext& context, QWidget* parent = nullptr);
    ~CIPPage() override;

    void setIpClearRunner(std::function<bool()> runner) { m_runIpClear = std::move(runner); }
    void setIpSearchRunner(std::function<void()> runner) { m_runIpSearch = std::move(runner); }

    // Shows a text in the status field 1005; each text replaces the previous one.
    void showStatus(const QString& text);
    // The server, for a front end or a test that needs its port.
    BootpServer& bootpServer() { return *m_pBootpServer; }

    // The add flow of "Aggiungi nuovo dispositivo" for a device that asked by BootP: the
    // entry dialog preset with its MAC; as OnAddDevice, nonzero when confirmed.
    int addDeviceFor(const MacOctets& mac);

    // Rebuilds the list from "bootp.ini" and rewrites the file in its normal form.
    void FillDeviceList();

    // The page's state, for tests.
    int rowCount() const { return m_nRowCount; }
    int selectedRow() const { return m_nSelectedRow; }
    bool isBootpRunning() const { return m_bBootpRunning; }
    const QStringList& macPreset() const { return m_strMacPart; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    void onAddDeviceClicked() { OnAddDevice(); }
    void OnModifyDevice();
    void OnDeleteDevice();
    void OnStartBootp();
    void OnStopBootp();
    void OnClearIp();
    void OnSearchIp();

private:
    friend class IPPageBootpObserver;

    // Runs the device entry dialog in add mode, preset with m_strMacPart; nonzero when the
    // operator confirmed it (whether or not a row was added), 0 when cancelled.
    int OnAddDevice();
    void OnInitDialog();
    void buildControls();
    void setTabOrderOfControls(const QList<QWidget*>& order);
    void OnClickDeviceList(int row);
    void setRunningButtons(bool running);
    void presetMac(const MacOctets& mac);
    void prepareForAddressCommand();
    void setRow(int row, const DeviceRecord& record);
    void fitColumns();
    DeviceRecord shownRecord(int row) const;
    // The record of the remembered row, after the empty-list and no-match messages; a
    // status other than Done when there is none (the message was shown).
    DeviceTableResult locateSelected(DeviceTable& table);
    std::string dataDir() const;

    int m_nRowCount = 0;
    bool m_bBootpRunning = false;
    int m_nSelectedRow = -1;  // the row last clicked; -1 until a click, or a click on no row
    // The MAC address of the last BootP request that passed the request checks, as six
    // two-character texts; emptied by a successful addition.
    QStringList m_strMacPart = QStringList(6, QString());

    AppContext& m_context;
    QTableWidget* m_listDevices = nullptr;  // 1000
    QLineEdit* m_status = nullptr;          // 1005
    QPushButton* m_startButton = nullptr;   // 1004
    QPushButton* m_stopButton = nullptr;    // 1006
    std::unique_ptr<IPPageBootpObserver> m_observer;
    BootpServer* m_pBootpServer = nullptr;  // child of the page
    std::function<bool()> m_runIpClear;
    std::function<void()> m_runIpSearch;
};

}  // namespace tavo
