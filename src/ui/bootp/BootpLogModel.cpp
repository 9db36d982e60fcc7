#include "BootpLogModel.h"

#include "BootpTexts.h"

namespace tavo {
static_assert(std::size(kBootpLogHeadings) == BootpLogModel::kColumnCount);

void BootpLogModel::add(const BootpRequestRecord& record) {
    if (m_records.size() == size_t(kMaxRecords)) {
        beginRemoveRows({}, kMaxRecords - 1, kMaxRecords - 1);
        m_records.pop_back();
        endRemoveRows();
    }
    beginInsertRows({}, 0, 0);
    m_records.push_front(record);
    endInsertRows();
}

int BootpLogModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(m_records.size()); }

int BootpLogModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant BootpLogModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    return text(m_records[size_t(index.row())], index.column());
}

QVariant BootpLogModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= kColumnCount) return {};
    return QString::fromUtf8(kBootpLogHeadings[section]);
}

QString BootpLogModel::text(const BootpRequestRecord& record, int column) const {
    switch (column) {
    case kColTime: return record.time.toLocalTime().toString(QStringLiteral("HH:mm:ss.zzz"));
    case kColInterface: return record.interfaceName;
    case kColMac: return QString::fromStdString(FormatMac(record.mac));
    case kColFamily: return record.ofFamily ? kBootpLogYes : kBootpLogNo;
    case kColOutcome: return bootpOutcomeText(record.outcome);
    case kColAddress:
        return record.outcome == BootpRequestOutcome::Answered ? QString::fromStdString(formatDotted(record.address))
                                                               : QString();
    case kColBytes: return record.replySize ? QString::number(record.replySize) : QString();
    }
    return {};
}

}  // namespace tavo
