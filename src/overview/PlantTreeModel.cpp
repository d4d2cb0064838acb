#include "overview/PlantTreeModel.h"

#include <QColor>

namespace {

const QColor kGrey(0x90, 0x90, 0x90), kRed(0xc0, 0x10, 0x10);

QString Ago(qint64 ms)
{
    if (ms < 0)
        return QString();
    return ms < 120'000 ? QStringLiteral("%1 s ago").arg(ms / 1000) : QStringLiteral("%1 min ago").arg(ms / 60'000);
}

} // namespace

PlantTreeModel::PlantTreeModel(const PlantModel& plant, std::function<qint64()> nowMs, QObject* parent)
    : QAbstractItemModel(parent)
    , m_plant(plant)
    , m_now(std::move(nowMs))
{
}

void PlantTreeModel::refresh()
{
    for (const PlantLine& l : m_plant.lines()) {
        int row = m_lines.indexOf(l.prefix);
        if (row < 0) {
            row = int(m_lines.size());
            beginInsertRows({}, row, row);
            m_lines << l.prefix;
            m_devices.append(QList<int>());
            endInsertRows();
        }
        QList<int>& numbers = m_devices[row];
        QList<int> fresh;
        for (const PlantDevice& d : l.devices)
            if (!numbers.contains(d.number))
                fresh << d.number;
        if (!fresh.isEmpty()) {
            beginInsertRows(index(row, 0), int(numbers.size()), int(numbers.size() + fresh.size() - 1));
            numbers += fresh;
            endInsertRows();
        }
    }
    if (m_lines.isEmpty())
        return;
    emit dataChanged(index(0, 0), index(int(m_lines.size()) - 1, ColumnCount - 1));
    for (int row = 0; row < m_lines.size(); ++row)
        if (!m_devices[row].isEmpty())
            emit dataChanged(index(0, 0, index(row, 0)), index(int(m_devices[row].size()) - 1, ColumnCount - 1, index(row, 0)));
}

QModelIndex PlantTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column < 0 || column >= ColumnCount || row < 0)
        return {};
    if (!parent.isValid())
        return row < m_lines.size() ? createIndex(row, column, quintptr(0)) : QModelIndex();
    if (parent.internalId() != 0 || parent.row() >= m_devices.size() || row >= m_devices[parent.row()].size())
        return {};
    return createIndex(row, column, quintptr(parent.row() + 1));
}

QModelIndex PlantTreeModel::parent(const QModelIndex& child) const
{
    if (!child.isValid() || child.internalId() == 0)
        return {};
    return createIndex(int(child.internalId() - 1), 0, quintptr(0));
}

int PlantTreeModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return int(m_lines.size());
    if (parent.internalId() != 0 || parent.column() != 0)
        return 0;
    return int(m_devices.value(parent.row()).size());
}

int PlantTreeModel::columnCount(const QModelIndex&) const
{
    return ColumnCount;
}

const PlantLine* PlantTreeModel::line(int row) const
{
    const auto it = m_plant.lines().constFind(m_lines.value(row));
    return it == m_plant.lines().cend() ? nullptr : &*it;
}

QVariant PlantTreeModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (index.internalId() == 0) {
        const PlantLine* l = line(index.row());
        return l ? lineData(*l, index.column(), role) : QVariant();
    }
    const int lineRow = int(index.internalId() - 1);
    const PlantLine* l = line(lineRow);
    if (!l)
        return {};
    const auto d = l->devices.constFind(m_devices[lineRow].value(index.row()));
    return d == l->devices.cend() ? QVariant() : deviceData(*l, *d, index.column(), role);
}

QVariant PlantTreeModel::lineData(const PlantLine& l, int column, int role) const
{
    const bool off = l.statusKnown && !l.online;
    if (role == Qt::ForegroundRole)
        return off ? QVariant(kGrey) : QVariant();
    if (role == kLineRole)
        return l.prefix;
    if (role != Qt::DisplayRole)
        return {};
    switch (column) {
    case ColName: return l.prefix;
    case ColState: return l.statusKnown ? (l.online ? QStringLiteral("online") : QStringLiteral("offline")) : QString();
    case ColLast: return Ago(l.lastMessageMs < 0 ? -1 : m_now() - l.lastMessageMs);
    default: return {};
    }
}

QVariant PlantTreeModel::deviceData(const PlantLine& l, const PlantDevice& d, int column, int role) const
{
    const int c = column - ColFirstChannel;
    const bool channel = c >= 0 && c < d.channelCount;
    switch (role) {
    case Qt::ForegroundRole:
        if ((l.statusKnown && !l.online) || d.stale(m_now()))
            return kGrey;
        return channel && d.channels[c].alarm ? QVariant(kRed) : QVariant();
    case Qt::ToolTipRole:
        if (!channel)
            return {};
        return d.channels[c].name.isEmpty() ? QStringLiteral("CH%1").arg(c + 1, 2, 10, QLatin1Char('0')) : d.channels[c].name;
    case kLineRole: return l.prefix;
    case kDeviceRole: return d.number;
    case Qt::DisplayRole: break;
    default: return {};
    }
    switch (column) {
    case ColName: return QStringLiteral("%1").arg(d.number, 2, 10, QLatin1Char('0'));
    case ColDescription: return d.description;
    case ColState: return d.online ? QStringLiteral("OK") : QStringLiteral("NG");
    case ColLast: return Ago(d.lastLiveMs < 0 ? -1 : m_now() - d.lastLiveMs);
    default:
        if (!channel || d.valueText(c).isEmpty())
            return QString();
        return QStringLiteral("%1 %2").arg(d.valueText(c), d.channels[c].unit).trimmed();
    }
}

QVariant PlantTreeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case ColName: return QStringLiteral("Line / Device");
    case ColDescription: return QStringLiteral("Description");
    case ColState: return QStringLiteral("State");
    case ColLast: return QStringLiteral("Last message");
    default: return QStringLiteral("CH.%1").arg(section - ColFirstChannel + 1, 2, 10, QLatin1Char('0'));
    }
}
