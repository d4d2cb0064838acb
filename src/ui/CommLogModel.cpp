#include "ui/CommLogModel.h"

#include "link/CommLog.h"
#include "link/Framing.h"

#include <QBrush>

CommLogModel::CommLogModel(CommLog* log, QObject* parent)
    : QAbstractTableModel(parent)
    , m_log(log)
{
    connect(log, &CommLog::rowAppended, this, [this](int row) {
        beginInsertRows({}, row, row);
        endInsertRows();
    });
    connect(log, &CommLog::rowChanged, this, [this](int row) {
        emit dataChanged(index(row, 0), index(row, CommLog::kMaxBytes - 1), {Qt::BackgroundRole});
    });
    connect(log, &CommLog::cleared, this, [this] {
        beginResetModel();
        endResetModel();
    });
}

int CommLogModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_log->rowCount();
}

int CommLogModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : CommLog::kMaxBytes;
}

QVariant CommLogModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_log->rowCount())
        return {};
    const CommLog::Row& r = m_log->row(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return index.column() < r.bytes.size() ? HexByte(static_cast<quint8>(r.bytes[index.column()])) : QVariant();
    case Qt::BackgroundRole:
        if (r.badCrc)
            return QBrush(QColor(255, 0, 0));
        if (r.recv)
            return QBrush(QColor(192, 255, 192));
        return {};
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignCenter));
    case Qt::ToolTipRole:
        return RowTime(r);
    default:
        return {};
    }
}

QVariant CommLogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::ToolTipRole && orientation == Qt::Vertical && section < m_log->rowCount())
        return RowTime(m_log->row(section));
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Horizontal)
        return section + 1;
    if (section < m_log->rowCount())
        return m_log->row(section).recv ? QStringLiteral("RECV") : QStringLiteral("SEND");
    return {};
}
