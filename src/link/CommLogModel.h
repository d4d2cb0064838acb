#pragma once
// Shows the frame log: the row header holds the direction, cell i the byte i
// as two hex digits; answers are light green, failed answers red. The time
// of a row is its tooltip.
#include "link/CommLog.h"

#include <QAbstractTableModel>
#include <QStaticText>
#include <QStyledItemDelegate>
#include <QTimer>

#include <array>


class CommLogModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // showEveryMs > 0: new rows reach the view together at most that often,
    // so a busy line does not repaint the view at every frame.
    explicit CommLogModel(CommLog* log, QObject* parent = nullptr, int showEveryMs = 0);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Shows the rows that wait for the next showing.
    void showNewRows();

    // Paused, the view keeps the rows it shows (also when the log restarts)
    // while the log goes on; resumed, it shows the log's rows again.
    void setPaused(bool paused);
    bool paused() const { return m_paused; }
    // Frames logged since the view was paused.
    int newWhilePaused() const { return m_newWhilePaused; }

signals:
    // The rows shown or held changed in number.
    void shownRowsChanged(int rows);

private:
    const CommLog::Row& rowAt(int row) const;

    CommLog* m_log;
    int m_shown = 0; // rows the view knows of
    QTimer m_show;
    bool m_paused = false;
    QList<CommLog::Row> m_held; // the rows of a paused view
    int m_newWhilePaused = 0;
};

// Paints a frame log cell: its background and its byte, from texts shaped
// once (the style's way shapes every cell's text three times a paint).
class HexCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    mutable std::array<QStaticText, 256> m_bytes;
    mutable QFont m_font; // the texts are shaped in
};
