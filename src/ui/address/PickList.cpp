#include "PickList.h"

#include <QMouseEvent>

namespace tavo {

PickList::PickList(const QString& objectName, QWidget* parent) : QListWidget(parent) {
    setObjectName(objectName);
    setViewMode(QListView::ListMode);
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void PickList::mouseDoubleClickEvent(QMouseEvent* event) {
    QListWidget::mouseDoubleClickEvent(event);
    if (event->button() != Qt::LeftButton) return;
    const QModelIndex hit = indexAt(event->position().toPoint());
    emit rowDoubleClicked(hit.isValid() ? hit.row() : -1);
}

}  // namespace tavo
