#include "link/CommLogModel.h"

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
        if (m_paused) {
            ++m_newWhilePaused;
            return;
        }
        if (showEveryMs <= 0)
            showNewRows();
        else if (!m_show.isActive())
            m_show.start();
    });
    connect(log, &CommLog::rowChanged, this, [this](int row) {
        if (!m_paused && row < m_shown)
            emit dataChanged(index(row, 0), index(row, CommLog::kMaxBytes - 1), {Qt::BackgroundRole});
    });
    connect(log, &CommLog::cleared, this, [this] {
        if (m_paused)
            return;
        beginResetModel();
        m_shown = 0;
        endResetModel();
        emit shownRowsChanged(0);
    });
}

void CommLogModel::showNewRows()
{
    m_show.stop();
    const int rows = m_log->rowCount();
    if (m_paused || rows <= m_shown)
        return;
    beginInsertRows({}, m_shown, rows - 1);
    m_shown = rows;
    endInsertRows();
    emit shownRowsChanged(m_shown);
}

void CommLogModel::setPaused(bool paused)
{
    if (paused == m_paused)
        return;
    beginResetModel();
    m_paused = paused;
    m_newWhilePaused = 0;
    if (paused) {
        m_held.clear();
        for (int i = 0; i < m_shown; ++i)
            m_held.append(m_log->row(i));
    } else {
        m_held.clear();
        m_shown = m_log->rowCount();
    }
    endResetModel();
    emit shownRowsChanged(m_shown);
}

const CommLog::Row& CommLogModel::rowAt(int row) const
{
    return m_paused ? m_held[row] : m_log->row(row);
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
    const CommLog::Row& r = rowAt(index.row());
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
        return RowTime(rowAt(section));
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Horizontal)
        return section + 1;
    if (section < m_shown)
        return rowAt(section).recv ? QStringLiteral("RECV") : QStringLiteral("SEND");
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
