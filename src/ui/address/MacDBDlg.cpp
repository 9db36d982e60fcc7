#include "MacDBDlg.h"

#include "MacHistoryFDB.h"
#include "PickList.h"
#include "bootp/TablePrompts.h"

namespace tavo {

CMacDBDlg::CMacDBDlg(AppContext& context, QWidget* parent)
    : HistoryPickDlg(QStringLiteral("DataBase indirizzi MAC"), QStringLiteral("1079"), 6, OnMiss::Reject, parent) {
    setObjectName(QStringLiteral("MacDBDlg"));
    CMacHistoryFDB history(context.dataDir.toStdString(), TableMessagesTo(context.prompts));
    history.Load();
    for (history.MoveFirst(); !history.IsEOF(); history.MoveNext()) {
        CMacHistoryFDB::Values bytes = history.GetValues(history.GetPosition());
        // A byte that could not be read shows, and is picked, as the octet it goes on
        // the wire as.
        for (int& byte : bytes) byte = ShownOctet(byte);
        addNewest(QString::fromStdString(FormatMacHistoryEntry(bytes)), {bytes.begin(), bytes.end()});
    }
}

void CMacDBDlg::takePick(const std::vector<int>& values) {
    std::copy(values.begin(), values.end(), m_nMacByte.begin());
}

}  // namespace tavo
