#pragma once

#include <QListWidget>

namespace tavo {

// The buttonless list of a history pick list: list style, no header, unsorted. A
// double-click reports the row it hit, or -1 when it hit no entry, which the item view's
// own signals never report.
class PickList : public QListWidget {
    Q_OBJECT
public:
    explicit PickList(const QString& objectName, QWidget* parent = nullptr);

signals:
    void rowDoubleClicked(int row);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

// A history value as the pick lists show it: the octet it goes on the wire as (the low
// 8 bits, so -1 shows as 255), which keeps the lists' fixed columns in place.
inline int shownOctet(int value) { return value & 0xFF; }

}  // namespace tavo
