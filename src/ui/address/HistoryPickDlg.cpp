#include "HistoryPickDlg.h"

#include <QKeyEvent>
#include <QVBoxLayout>
#include <algorithm>

#include "PickList.h"
#include "controls/DialogUnits.h"

namespace tavo {
namespace {

constexpr int kListWidth = 155;  // the list's one column, in pixels
constexpr int kValuesRole = Qt::UserRole;

}  // namespace

HistoryPickDlg::HistoryPickDlg(const QString& title, const QString& listId, QSize listUnits, int valueCount,
                               OnMiss onMiss, QWidget* parent)
    : QDialog(parent), m_valueCount(valueCount), m_onMiss(onMiss) {
    setWindowTitle(title);
    m_list = new PickList(listId, this);
    // The form's size, and never narrower than the list's one column.
    const DialogUnits units(*this);
    m_list->setMinimumSize(std::max(kListWidth, units.x(listUnits.width())), units.y(listUnits.height()));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list);
    connect(m_list, &PickList::rowDoubleClicked, this, &HistoryPickDlg::onDblclkList);
}

void HistoryPickDlg::addNewest(const QString& text, const std::vector<int>& values) {
    auto* item = new QListWidgetItem(text);
    item->setData(kValuesRole, QVariant::fromValue(QList<int>(values.begin(), values.end())));
    m_list->insertItem(0, item);
}

void HistoryPickDlg::onDblclkList(int row) {
    std::vector<int> values(size_t(m_valueCount), 0);
    if (row < 0 && m_onMiss == OnMiss::Reject) {
        takePick(values);
        reject();
        return;
    }
    if (row >= 0) {
        const QList<int> stored = m_list->item(row)->data(kValuesRole).value<QList<int>>();
        for (size_t i = 0; i < values.size() && i < size_t(stored.size()); ++i) values[i] = stored[qsizetype(i)];
    }
    takePick(values);
    accept();
}

void HistoryPickDlg::keyPressEvent(QKeyEvent* event) {
    // The list has no buttons: Enter closes it as OK, with no address picked.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        takePick(std::vector<int>(size_t(m_valueCount), 0));
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace tavo
