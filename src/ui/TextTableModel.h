#pragma once
// Shows a TextTable in a Qt view: row 0 and column 0 become the headers,
// cells 1.. the data. Changes of the table reach the view cell by cell.
#include "core/TextTable.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QPointer>
#include <QRect>
#include <QTimer>

class TextTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit TextTableModel(TextTable* table, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    TextTable* table() const { return m_table; }
    // Alignment of the data cells (default: centred).
    void setAlignment(Qt::Alignment a) { m_align = a; }
    // Background of rows without a colour of their own: alternate two colours.
    void setRowColours(const QColor& odd, const QColor& even);
    // Columns from `col` on (table numbering; 0 for none) are greyed, with a
    // tooltip saying why.
    void setDimmedFrom(int col, const QString& toolTip);
    // ms > 0: changed cells reach the view together at most that often (a
    // table the link updates at every answer); 0 (default): at once.
    void setShowEveryMs(int ms) { m_show.setInterval(ms); m_showEvery = ms > 0; }
    // Shows the changes that wait for the next showing.
    void showChanged();
    // The cells of column `col` (table numbering) have their text as tooltip.
    void setToolTipColumn(int col) { m_tipCol = col; }

    // Table cell (column, row from 1) of a model index.
    static int tableCol(const QModelIndex& i) { return i.column() + 1; }
    static int tableRow(const QModelIndex& i) { return i.row() + 1; }

private:
    QPointer<TextTable> m_table;
    Qt::Alignment m_align = Qt::AlignCenter;
    QColor m_odd, m_even;
    int m_dimFrom = 0;
    QString m_dimTip;
    int m_tipCol = -1;

    bool m_showEvery = false;
    QRect m_changed; // cells (column, row of the model) changed since the last show
    QTimer m_show;

    bool dimmed(int col) const { return m_dimFrom > 0 && col >= m_dimFrom; }
};
