#include "MacDBDlg.h"

#include "AddressTexts.h"
#include "MacHistoryFDB.h"
#include "PickList.h"
#include "common/TablePrompts.h"

namespace tavo {
namespace {
constexpr QSize kListUnits(98, 114);  // the list view 1079 of dialog 159, in dialog units
}

CMacDBDlg::CMacDBDlg(AppContext& context, QWidget* parent)
    : HistoryPickDlg(QString::fromLatin1(kMacHistoryTitle), QStringLiteral("1079"),
                     kListUnits, 6, OnMiss::Reject, parent) {
    setObjectName(QStringLiteral("MacDBDlg"));
    CMacHistoryFDB history(context.dataDir.toStdString(), tableMessagesTo(context.prompts));
    history.Load();
    for (history.MoveFirst(); !history.IsEOF(); history.MoveNext()) {
        CMacHistoryFDB::Values bytes = history.getValues(history.getPosition());
        // A byte that could not be read shows, and is picked, as the octet it goes on
        // the wire as.
        for (int& byte : bytes) byte = shownOctet(byte);
        addNewest(QString::fromStdString(formatMacHistoryEntry(bytes)), {bytes.begin(), bytes.end()});
    }
}

void CMacDBDlg::takePick(const std::vector<int>& values) {
    std::copy(values.begin(), values.end(), m_nMacByte.begin());
}

}  // namespace tavo
