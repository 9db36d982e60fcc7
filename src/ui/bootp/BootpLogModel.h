#pragma once

#include <QAbstractTableModel>
#include <deque>

#include "BootpRequestRecord.h"

namespace tavo {

// The requests of the BootP request log: the last kMaxRecords, newest first. Kept
// while the window is closed, so that it opens on what already happened.
class BootpLogModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kMaxRecords = 1000;
    enum Column { kColTime, kColInterface, kColMac, kColFamily, kColOutcome, kColAddress, kColBytes, kColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    void add(const BootpRequestRecord& record);
    const BootpRequestRecord& record(int row) const { return m_records[size_t(row)]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QString text(const BootpRequestRecord& record, int column) const;

    std::deque<BootpRequestRecord> m_records;
};

}  // namespace tavo
