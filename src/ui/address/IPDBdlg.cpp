#include "IPDBdlg.h"

#include "IPFDB.h"
#include "PickList.h"
#include "AddressTexts.h"
#include "common/TablePrompts.h"

namespace tavo {
namespace {
constexpr QSize kListUnits(80, 114);  // the list view 1029 of dialog 137, in dialog units
}

CIPDBdlg::CIPDBdlg(AppContext& context, QWidget* parent)
    : HistoryPickDlg(QString::fromUtf8(kIpHistoryTitle), QStringLiteral("1029"),
                     kListUnits, 4, OnMiss::AcceptZeros, parent) {
    setObjectName(QStringLiteral("IPDBdlg"));
    CIPFDB history(context.dataDir.toStdString(), tableMessagesTo(context.prompts));
    history.Load();
    for (history.MoveFirst(); !history.IsEOF(); history.MoveNext()) {
        CIPFDB::Values octets = history.getValues(history.getPosition());
        for (int& octet : octets) octet = shownOctet(octet);
        addNewest(QString::fromStdString(formatIpHistoryEntry(octets)), {octets.begin(), octets.end()});
    }
}

void CIPDBdlg::takePick(const std::vector<int>& values) { std::copy(values.begin(), values.end(), m_nOctet.begin()); }

}  // namespace tavo
