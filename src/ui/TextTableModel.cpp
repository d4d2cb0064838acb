#include "ui/TextTableModel.h"

#include "core/TextTable.h"

#include <QBrush>

TextTableModel::TextTableModel(TextTable* table, QObject* parent)
    : QAbstractTableModel(parent)
    , m_table(table)
{
    m_show.setSingleShot(true);
    connect(&m_show, &QTimer::timeout, this, &TextTableModel::showChanged);
    connect(table, &TextTable::shapeChanged, this, [this] {
        beginResetModel();
        m_changed = {};
        endResetModel();
    });
    connect(table, &TextTable::cellChanged, this, [this](int col, int row) {
        if (row == 0) {
            emit headerDataChanged(Qt::Horizontal, col - 1, col - 1);
        } else if (col == 0) {
            emit headerDataChanged(Qt::Vertical, row - 1, row - 1);
        } else if (m_showEvery) {
            m_changed |= QRect(col - 1, row - 1, 1, 1);
            if (!m_show.isActive())
                m_show.start();
        } else {
            const QModelIndex i = index(row - 1, col - 1);
            emit dataChanged(i, i, {Qt::DisplayRole, Qt::BackgroundRole});
        }
    });
}

void TextTableModel::showChanged()
{
    m_show.stop();
    const QRect r = m_changed & QRect(0, 0, columnCount(), rowCount());
    m_changed = {};
    if (r.isEmpty())
        return;
    emit dataChanged(index(r.top(), r.left()), index(r.bottom(), r.right()), {Qt::DisplayRole, Qt::BackgroundRole});
}

int TextTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_table ? 0 : m_table->rowCount();
}

int TextTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() || !m_table ? 0 : m_table->colCount();
}

void TextTableModel::setRowColours(const QColor& odd, const QColor& even)
{
    m_odd = odd;
    m_even = even;
}

void TextTableModel::setDimmedFrom(int col, const QString& toolTip)
{
    m_dimFrom = col;
    m_dimTip = toolTip;
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
    if (columnCount() > 0)
        emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

QVariant TextTableModel::data(const QModelIndex& index, int role) const
{
    if (!m_table || !index.isValid())
        return {};
    const int col = tableCol(index);
    const int row = tableRow(index);
    if (dimmed(col)) {
        switch (role) {
        case Qt::BackgroundRole: return QBrush(QColor(224, 224, 224));
        case Qt::ForegroundRole: return QBrush(QColor(128, 128, 128));
        case Qt::ToolTipRole: return m_dimTip;
        default: break;
        }
    }
    switch (role) {
    case Qt::DisplayRole:
        return DisplayText(m_table->text(col, row));
    case Qt::ToolTipRole:
        return col == m_tipCol ? QVariant(DisplayText(m_table->text(col, row))) : QVariant();
    case Qt::BackgroundRole: {
        if (const QRgb c = m_table->background(col, row); c != TextTable::kNoColour)
            return QBrush(QColor(c));
        const QColor alt = (row % 2) ? m_odd : m_even;
        return alt.isValid() ? QVariant(QBrush(alt)) : QVariant();
    }
    case Qt::ForegroundRole: {
        if (const QRgb ink = m_table->foreground(col, row); ink != TextTable::kNoColour)
            return QBrush(QColor(ink));
        const QRgb c = m_table->background(col, row);
        // Dark cells (black "NG", dark blue or red colour numbers) get white text.
        if (c != TextTable::kNoColour && 0.299 * qRed(c) + 0.587 * qGreen(c) + 0.114 * qBlue(c) < 110)
            return QBrush(Qt::white);
        return m_odd.isValid() ? QVariant(QBrush(Qt::black)) : QVariant();
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(m_align);
    default:
        return {};
    }
}

QVariant TextTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (m_table && orientation == Qt::Horizontal && dimmed(section + 1)) {
        if (role == Qt::ToolTipRole)
            return m_dimTip;
        if (role == Qt::ForegroundRole)
            return QBrush(QColor(128, 128, 128));
    }
    if (!m_table || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    return orientation == Qt::Horizontal ? m_table->text(section + 1, 0) : m_table->text(0, section + 1);
}
