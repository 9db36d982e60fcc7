#include "IPDBdlg.h"

#include <QKeyEvent>
#include <QVBoxLayout>
#include <cstdlib>

#include "IPFDB.h"
#include "PickList.h"
#include "bootp/TablePrompts.h"

namespace tavo {
namespace {

// An entry reads "%3d.%3d.%3d.%3d": the octets sit at fixed columns.
constexpr int kOctetWidth = 3;
constexpr int kOctetStride = 4;
constexpr int kListWidth = 155;

}  // namespace

CIPDBdlg::CIPDBdlg(AppContext& context, QWidget* parent) : QDialog(parent), m_context(context) {
    setObjectName(QStringLiteral("IPDBdlg"));
    setWindowTitle(QStringLiteral("DataBase indirizzi IP"));
    m_list = new PickList(QStringLiteral("1029"), this);
    m_list->setMinimumWidth(kListWidth);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    connect(m_list, &PickList::rowDoubleClicked, this, &CIPDBdlg::onDblclkList);
    fillList();
}

void CIPDBdlg::fillList() {
    CIPFDB history(m_context.dataDir.toStdString(), tableMessagesTo(m_context.prompts));
    history.Load();
    for (history.MoveFirst(); !history.IsEOF(); history.MoveNext()) {
        CIPFDB::Values octets = history.getValues(history.getPosition());
        for (int& octet : octets) octet = shownOctet(octet);
        // Each entry goes on top, so the newest address is the first row.
        m_list->insertItem(0, QString::fromStdString(formatIpHistoryEntry(octets)));
    }
    history.Close();
}

void CIPDBdlg::onDblclkList(int row) {
    m_nOctet = {0, 0, 0, 0};
    if (row >= 0) {
        const std::string text = m_list->item(row)->text().toStdString();
        for (size_t i = 0; i < m_nOctet.size(); ++i) {
            const size_t column = i * kOctetStride;
            m_nOctet[i] = column < text.size() ? std::atoi(text.substr(column, kOctetWidth).c_str()) : 0;
        }
    }
    accept();
}

void CIPDBdlg::keyPressEvent(QKeyEvent* event) {
    // The list has no buttons: Enter closes it as OK, with no address picked.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        m_nOctet = {0, 0, 0, 0};
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace tavo
