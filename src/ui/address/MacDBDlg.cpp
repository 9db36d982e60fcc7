#include "MacDBDlg.h"

#include <QKeyEvent>
#include <QVBoxLayout>

#include "AddressText.h"
#include "MacHistoryFDB.h"
#include "PickList.h"
#include "bootp/TablePrompts.h"

namespace tavo {
namespace {

// An entry reads "XX:XX:XX:XX:XX:XX": the bytes sit at fixed columns.
constexpr int kByteWidth = 2;
constexpr int kByteStride = 3;
constexpr int kListWidth = 155;

}  // namespace

CMacDBDlg::CMacDBDlg(AppContext& context, QWidget* parent) : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("MacDBDlg"));
    setWindowTitle(QStringLiteral("DataBase indirizzi MAC"));
    m_list = new PickList(QStringLiteral("1079"), this);
    m_list->setMinimumWidth(kListWidth);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    connect(m_list, &PickList::rowDoubleClicked, this, &CMacDBDlg::onDblclkList);
    fillList();
}

void CMacDBDlg::fillList() {
    CMacHistoryFDB history(m_context.dataDir.toStdString(), tableMessagesTo(m_context.prompts));
    history.Load();
    for (history.MoveFirst(); !history.IsEOF(); history.MoveNext()) {
        CMacHistoryFDB::Values bytes = history.getValues(history.getPosition());
        for (int& byte : bytes) byte = shownOctet(byte);
        // Each entry goes on top, so the newest address is the first row.
        m_list->insertItem(0, QString::fromStdString(formatMacHistoryEntry(bytes)));
    }
    history.Close();
}

void CMacDBDlg::onDblclkList(int row) {
    m_nMacByte = {0, 0, 0, 0, 0, 0};
    if (row < 0) {
        reject();
        return;
    }
    const std::string text = m_list->item(row)->text().toStdString();
    for (size_t i = 0; i < m_nMacByte.size(); ++i) {
        const size_t column = i * kByteStride;
        m_nMacByte[i] = column < text.size() ? parseHexByteAnyCase(text.substr(column, kByteWidth)) : -1;
    }
    accept();
}

void CMacDBDlg::keyPressEvent(QKeyEvent* event) {
    // The list has no buttons: Enter closes it as OK, with no address picked.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        m_nMacByte = {0, 0, 0, 0, 0, 0};
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace tavo
