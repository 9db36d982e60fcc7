#pragma once

#include <QDialog>

#include "AddressText.h"
#include "Pace.h"
#include "common/AppContext.h"

class QLineEdit;
class QPushButton;

namespace tavo {

class IpAddressEdit;
class IpSearchEngine;
class MacByteFields;

// "Ricerca indirizzo IP": finds a device's IP address from its MAC address. "Trova"
// broadcasts the search request once a tick until a device answers; the button reads
// "Stop" meanwhile and stops the search. The MAC history buttons fill the MAC fields
// from the history or empty it.
class CFindIPDlg : public QDialog {
    Q_OBJECT
public:
    explicit CFindIPDlg(AppContext& context, QWidget* parent = nullptr, Pace pace = Pace::product());
    ~CFindIPDlg() override;

    // The MAC address the last request carried.
    const MacOctets& sentMac() const;

    // However the dialog closes, a running search ends with it.
    void done(int result) override;

private slots:
    void OnFind();
    void OnMacDatabase();
    void OnClearMacDatabase();

private:
    void buildControls();
    bool eventFilter(QObject* watched, QEvent* event) override;
    void startSearch();
    void stopSearch(const QString& status);
    void endSearch();
    void onRequestSent();
    void onFound(const Ipv4Octets& ip);
    void setStatus(const QString& text);
    // The six MAC fields as field values: 0..255, or -1 for a field that is not a
    // hexadecimal byte.
    std::array<int, 6> macFieldValues() const;

    AppContext& m_context;
    int m_nDotCount = 0;                  // trailing full stops of the status
    IpAddressEdit* m_ipFound = nullptr;   // 1074
    MacByteFields* m_macFields = nullptr; // 1029, 1030, 1031, 1034, 1035, 1036
    QLineEdit* m_searchStatus = nullptr;  // 1075
    QPushButton* m_findButton = nullptr;  // 1073
    bool m_bSearching = false;
    IpSearchEngine* m_search = nullptr;
};

}  // namespace tavo
