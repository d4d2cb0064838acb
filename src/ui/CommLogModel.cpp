#include "ui/CommLogModel.h"

#include "link/CommLog.h"
#include "link/Framing.h"

#include <QBrush>
#include <QPainter>

CommLogModel::CommLogModel(CommLog* log, QObject* parent, int showEveryMs)
    : QAbstractTableModel(parent)
    , m_log(log)
    , m_shown(log->rowCount())
{
    m_show.setSingleShot(true);
    m_show.setInterval(showEveryMs);
    connect(&m_show, &QTimer::timeout, this, &CommLogModel::showNewRows);
    connect(log, &CommLog::rowAppended, this, [this, showEveryMs] {
        if (showEveryMs <= 0)
            showNewRows();
        else if (!m_show.isActive())
            m_show.start();
    });
    connect(log, &CommLog::rowChanged, this, [this](int row) {
        if (row < m_shown)
            emit dataChanged(index(row, 0), index(row, CommLog::kMaxBytes - 1), {Qt::BackgroundRole});
    });
    connect(log, &CommLog::cleared, this, [this] {
        beginResetModel();
        m_shown = 0;
        endResetModel();
    });
}

void CommLogModel::showNewRows()
{
    m_show.stop();
    const int rows = m_log->rowCount();
    if (rows <= m_shown)
        return;
    beginInsertRows({}, m_shown, rows - 1);
    m_shown = rows;
    endInsertRows();
}

int CommLogModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_shown;
}

int CommLogModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : CommLog::kMaxBytes;
}

QVariant CommLogModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_shown)
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
    if (role == Qt::ToolTipRole && orientation == Qt::Vertical && section < m_shown)
        return RowTime(m_log->row(section));
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Horizontal)
        return section + 1;
    if (section < m_shown)
        return m_log->row(section).recv ? QStringLiteral("RECV") : QStringLiteral("SEND");
    return {};
}

void HexCellDelegate::paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QVariant background = index.data(Qt::BackgroundRole);
    if (background.canConvert<QBrush>())
        p->fillRect(option.rect, background.value<QBrush>());
    const QString text = index.data(Qt::DisplayRole).toString();
    if (text.size() != 2)
        return;
    if (option.font != m_font) {
        m_font = option.font;
        m_bytes.fill(QStaticText());
    }
    QStaticText& t = m_bytes[text.toUInt(nullptr, 16) & 0xFF];
    if (t.text().isEmpty()) {
        t.setText(text);
        t.setTextFormat(Qt::PlainText);
        t.prepare(QTransform(), option.font);
    }
    const QSizeF size = t.size();
    p->save();
    p->setFont(option.font);
    p->setPen(option.palette.color(QPalette::Text));
    p->drawStaticText(QPointF(option.rect.x() + (option.rect.width() - size.width()) / 2,
                              option.rect.y() + (option.rect.height() - size.height()) / 2),
                      t);
    p->restore();
}
